#pragma once
// The preview window: the prepared pages of a report on screen with zoom,
// page navigation, links, text search, page setup, opening and saving of
// prepared reports, export and printing.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

#include "report/core/canvas.h"

class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QScrollBar;
class QWidget;
class TrpEMFPages;
class TrpReport;
class TrpTBButton;
class TrpTBSeparator;
class TrpPreviewForm;
class TrpPreview;
class TrpPrintForm;
namespace kv {
class Ui;
}

enum TrpPreviewButton {
    pbZoom = 1, pbLoad = 2, pbSave = 4, pbPrint = 8, pbFind = 16, pbHelp = 32, pbExit = 64, pbPageSetup = 128
};
enum TrpInitialZoom { pzDefault = 0, pzPageWidth, pzOnePage, pzTwoPages };

// The report's settings of its preview (TrpReport does not hold them itself).
struct TrpPreviewSettings
{
    int PreviewButtons = pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit;
    TrpInitialZoom InitialZoom = pzDefault;
    bool GrayedButtons = false;
    bool ModalPreview = true;
    bool ModifyPrepared = true;
    bool ShowPrintDialog = true;
    bool RebuildPrinter = false;
    // Shows the pages in this panel instead of a window of their own.
    QPointer<TrpPreview> Preview;
    // The window of its own is a child window of the main window when the
    // user interface has a frame for it (kv::Ui::showInFrame).
    bool MDIPreview = false;
    // Whether printing is possible; unset: the engine printer lists a
    // printer (it always has the virtual one).
    std::function<bool()> HasPrinter;
};

// The zoom every new preview starts with (the last one chosen).
struct TrpPreviewZoom
{
    double Factor = 1.0;
    int Mode = 0;            // 0 factor, 1 page width, 2 whole page, 3 two pages
};
TrpPreviewZoom &rpPreviewZoom();

// The page area: draws the pages, takes the mouse.
class TrpPBox : public QWidget
{
    Q_OBJECT
public:
    explicit TrpPBox(TrpPreviewForm *form, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    TrpPreviewForm *m_form;
};

class TrpPreviewForm : public QDialog
{
    Q_OBJECT
public:
    explicit TrpPreviewForm(QWidget *parent = nullptr);
    ~TrpPreviewForm() override;

    // Shows the report's prepared pages: modal (returns after the window
    // closes) or modeless, as the settings say.
    void ShowReport(TrpReport &report, const TrpPreviewSettings &settings = {});
    // Takes the report's pages and applies the buttons without showing.
    void Connect(TrpReport &report, const TrpPreviewSettings &settings = {});

    // ---- state
    int CurPage() const { return m_curPage; }         // 1-based
    int PageCount() const;
    int ZoomMode() const { return m_mode; }
    double ZoomFactor() const { return m_factor; }
    int OffsetX() const { return m_ofsX; }
    int OffsetY() const { return m_ofsY; }
    // The last find: page (0-based, -1 when none) and rectangle in page units.
    int FoundPage() const { return m_found ? m_findPage : -1; }
    TrpRect FoundRect() const { return m_foundRect; }
    TrpEMFPages *Pages() const;
    TrpReport *Report() const { return m_report; }

    // ---- operations (the buttons, keys and menu items)
    void SetZoom(int tag);                 // a ProcMenu tag: 1-3 modes, else a percentage
    void GoToPage(int page);               // 1-based; out of range: nothing
    void PgUpClick();
    void PgDownClick();
    void FindBtnClick();
    // Starts a search as the search dialog's OK does.
    void StartSearch(const QString &text, bool caseSensitive, bool fromCurrentPage);
    // F3: true when found.
    bool FindNext();
    void LoadBtnClick();
    void SaveBtnClick();
    void PrintBtnClick();
    void PageSetupBtnClick();
    void ExitBtnClick();
    void ZoomBtnClick();
    // Follows a link text of an object ("@n" or an address); true when handled.
    bool FollowLink(const QString &link);
    // Lays the pages out again (without a reset of the page).
    void FormResize();
    // Forgets the report: no pages are shown.
    void ReleaseReport();

    // ---- the panel component borrows the page area (and the toolbar)
    // Moves the page area into `host` (nullptr: back into this window), and
    // the toolbar with it when `withToolbar`.
    void Embed(QWidget *host, bool withToolbar);
    QWidget *Host() const { return m_host; }
    // Called whenever the page number is shown.
    std::function<void()> OnPageChanged;
    // The menu of the right button when set (the panel's window's menu).
    QPointer<QMenu> PopupMenu;
    int WheelMultiplier() const { return m_wheelMultiplier; }
    // The help button: the next click on a control shows its help.
    void HelpBtnClick();
    bool HelpMode() const { return m_helpMode; }
    // Layout rectangle of a page at the current zoom, without the scroll offsets.
    TrpRect PageRect(int index) const;

    // ---- components
    QWidget *Panel1;
    TrpTBButton *ZoomBtn, *LoadBtn, *SaveBtn, *PrintBtn, *PageSetupBtn, *FindBtn, *HelpBtn, *ExitBtn;
    TrpTBSeparator *rpTBSeparator1, *rpTBSeparator2, *rpTBSeparator3;
    QWidget *ScrollBox1;
    TrpPBox *PBox;
    QWidget *RPanel, *BPanel;
    QScrollBar *VScrollBar, *HScrollBar;
    TrpTBButton *PgUp, *PgDown;
    QLabel *Label1, *Label2;
    QMenu *ProcMenu;
    QAction *N2001, *N1501, *N1001, *N751, *N501, *N251, *N101, *N1, *N2, *N3, *N4, *N5, *N6, *N7;

protected:
    bool eventFilter(QObject *o, QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void done(int r) override;

private:
    friend class TrpPBox;
    void buildWindow();
    void applyTexts();
    void applyButtons();
    void resetView(bool resetPage);
    void layoutPages();
    void showPageNum();
    void scrollToPage();
    void vScrolled(int value);
    void hScrolled(int value);
    void checkZoomItem();
    bool handleKey(QKeyEvent *e);
    bool searchFrom();
    void paintPages(QPainter &p, const QRect &region);
    void boxMousePress(QMouseEvent *e);
    void boxMouseMove(QMouseEvent *e);
    void boxMouseRelease(QMouseEvent *e);
    int pageAt(const QPoint &boxPoint) const;
    void storeZoom();
    bool hasPrinter() const;
    // The dialogs, boxes and help of this window go through it.
    kv::Ui &ui() const;
    void rebuildAndReset();

    TrpReport *m_report = nullptr;
    TrpPreviewSettings m_settings;
    int m_curPage = 1;
    int m_mode = 0;
    double m_factor = 1.0;
    int m_ofsX = 0, m_ofsY = 0;
    int m_perRow = 1;
    bool m_ready = false;
    // Search.
    QString m_findText;
    bool m_caseSensitive = false;
    bool m_found = false;
    int m_findPage = 0;
    int m_findRecord = 0;
    TrpRect m_foundRect;
    // Mouse.
    bool m_dragging = false;
    QPoint m_dragPos;
    bool m_skipPress = false;
    int m_lastClickedPage = 0;
    int m_wheelMultiplier = 1;
    QWidget *m_host = nullptr;
    bool m_helpMode = false;
    void endHelpMode(QWidget *target, QMouseEvent *e);
};

// Shows a report's prepared pages in a new preview window (what
// TrpReport::ShowPrepared hands to): caption "Preview" or "Preview - title".
void rpShowPreview(TrpReport &report, const TrpPreviewSettings &settings = {});
// Lets TrpReport::Show open the preview window.
void rpInstallPreview(TrpReport &report, const TrpPreviewSettings &settings = {});
// TrpReport.Show with the preview: builds the report (in the progress window
// unless it reports progress itself) and shows its pages when there are any.
// True when a preview was shown.
bool rpShowReport(TrpReport &report, const TrpPreviewSettings &settings = {});

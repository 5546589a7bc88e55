#pragma once
// A page of a report template (its paper, margins, columns, views and script)
// and the report's ordered list of pages. Building adds its own state through
// `Build`; the template record of a page is read and written here.
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "report/model/object.h"
#include "report/output/printer.h"

// Paper asked of the printer layer and what it answers.
struct TrpPaperRequest
{
    int Size = 9;                  // paper code; 256 custom
    int Width = 2100, Height = 2970;   // tenths of a millimetre
    int Bin = -1;
    int Orientation = 0;           // 0 portrait, 1 landscape
    bool operator==(const TrpPaperRequest &o) const = default;
};

// Sets a paper in the printer layer and takes its metrics: the printer's
// answer wins; a paper it rejects becomes the custom size with no bin. A
// handler replaces the engine printer (tests).
using TrpPaperHandler = std::function<void(TrpPaperRequest &paper, TrpPageMetrics &metrics)>;
void SetPaperHandler(TrpPaperHandler handler);
void rpApplyPaper(TrpPaperRequest &paper, TrpPageMetrics &metrics);
// The virtual printer's metrics of a paper size.
TrpPageMetrics rpVirtualMetrics(int widthTenthsMm, int heightTenthsMm);

// What page building keeps on a page (owned by the page).
class TrpPageExtension
{
public:
    virtual ~TrpPageExtension() = default;
    // Height of the page footer the building page keeps free; -1: none set up yet.
    virtual int PageFooterHeight() const { return -1; }
};

enum { ptReport = 0, ptDialog = 1 };

class TrpPage : public TrpObject
{
public:
    TrpPage();
    TrpPage(int size, int width, int height, int bin, int orientation);
    ~TrpPage() override;

    void SetProperty(const QString &name, const TrpValue &value) override;
    TrpValue GetProperty(const QString &name) override;
    void BuildPropertyTable() override;

    // As after reading: the printer layer's paper; a bin with its low 16 bits
    // all ones becomes 65535.
    void SetPaper(int size, int width, int height, int bin, int orientation);

    // Views, owned, in designed order.
    int ViewCount() const { return int(m_views.size()); }
    TrpView *View(int index) const { return m_views[size_t(index)].get(); }
    const std::vector<std::unique_ptr<TrpView>> &Views() const { return m_views; }
    TrpView *AddView(std::unique_ptr<TrpView> view);
    void InsertView(int index, std::unique_ptr<TrpView> view);
    std::unique_ptr<TrpView> TakeView(int index);
    void DeleteView(int index);
    void ClearViews();
    int IndexOfView(const TrpView *view) const;
    TrpView *FindView(const QString &name) const;

    // Template record (inside a template's pages block). `version` is the
    // template's; reading leaves the name empty below version 24 (the
    // caller names the page), and sets the paper through the printer layer.
    void ReadTemplateRecord(QIODevice &stream, int version);
    void WriteTemplateRecord(QIODevice &stream) const;

    // Margins in force while building, in page units.
    int LeftMarginUsed() const;
    int TopMarginUsed() const;
    int RightEdge() const;
    int BottomEdgeOfPaper() const;   // without the page footer

    // Sets the margins in force. The views stay as they were laid out; the
    // build moves them by the change of the used left and top margins.
    void SetMargins(qint32 left, qint32 top, qint32 right, qint32 bottom);
    // The views are laid out for the margins in force: the build leaves them.
    void TakeMarginsAsDesigned() { DesignedMargins.reset(); }
    // How far the build moves the views: the used margin less the one they
    // were laid out for.
    int DesignShiftX() const;
    int DesignShiftY() const;

    quint8 PageType = ptReport;
    QString Name;
    QStringList PrintScript;
    bool Visible = true;
    qint32 PaperSize = 9;
    qint32 PaperWidth = 2100, PaperHeight = 2970;
    quint8 Orientation = 0;
    qint32 PaperBin = 65535;
    TrpPageMetrics PageMetrics;
    qint32 MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;
    bool UseMargins = true;
    // Left, top, right, bottom the views were laid out for, once SetMargins
    // changed them; none while the margins stand as designed. Not stored:
    // a template read back after a build keeps it.
    std::optional<std::array<qint32, 4>> DesignedMargins;
    bool PrintToPrevPage = false;
    qint32 Columns = 1, ColumnGap = 0, ColumnWidth = 0;
    // Dialog page.
    quint8 BorderStyle = 3;
    QString Caption = QStringLiteral("Form");
    qint32 Color = rpClBtnFace;
    qint32 FormLeft = 220, FormTop = 120, FormWidth = 380, FormHeight = 300;
    quint8 Position = 4;

    // Page building's own state (none until building needs it).
    std::unique_ptr<TrpPageExtension> Build;
    // The report that owns the page (none for a stand-alone page).
    TrpReportBase *Report = nullptr;

private:
    QString scriptPropertyName() const;
    std::vector<std::unique_ptr<TrpView>> m_views;
};

class TrpPages
{
public:
    explicit TrpPages(TrpReportBase *report = nullptr) : m_report(report) {}
    int Count() const { return int(m_pages.size()); }
    TrpPage *GetPage(int index) const;   // nullptr out of range
    TrpPage *operator[](int index) const { return GetPage(index); }
    void Clear() { m_pages.clear(); }
    // A new report page with the default paper (A4 portrait).
    TrpPage *Add();
    TrpPage *Add(std::unique_ptr<TrpPage> page);
    void Delete(int index);
    int IndexOf(const TrpPage *page) const;
    // "Page" and the smallest number from 1 to 10000 no page bears.
    QString UniquePageName() const;
    // Every view with a band alignment is drawn once on the measuring canvas.
    void ApplyAlignments(TrpCanvas *measuring);

private:
    TrpReportBase *m_report;
    std::vector<std::unique_ptr<TrpPage>> m_pages;
};

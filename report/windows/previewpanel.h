#pragma once
// The preview as a panel inside another window: it borrows the page area
// (and, when asked, the toolbar) of a hidden preview window of its own.
#include <QFrame>
#include <QPointer>
#include <functional>

#include "report/windows/preview.h"

class QMenu;
class TrpReport;

enum TrpScrollBars { ssNone = 0, ssHorizontal, ssVertical, ssBoth };

class TrpPreview : public QFrame
{
    Q_OBJECT
public:
    explicit TrpPreview(QWidget *parent = nullptr);
    ~TrpPreview() override;

    // Shows the report's prepared pages in the panel.
    void Connect(TrpReport &report, const TrpPreviewSettings &settings = {});
    // Gives the pages back: the panel shows none.
    void Disconnect();
    // The current page number (1-based).
    int Page() const;

    TrpScrollBars ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TrpScrollBars value);
    bool ShowToolbar() const { return m_showToolbar; }
    void SetShowToolbar(bool value);
    // The menu of the right button on the pages (none: the zoom menu).
    QPointer<QMenu> PopupMenu;
    // Called with the panel whenever the shown page number changes.
    std::function<void(TrpPreview &preview)> OnPageChanged;

    // The hidden preview window whose pieces the panel shows.
    TrpPreviewForm *Window() const { return m_form; }

protected:
    void resizeEvent(QResizeEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void routeWheel();

    TrpPreviewForm *m_form;
    TrpScrollBars m_scrollBars = ssBoth;
    bool m_showToolbar = false;
    int m_lastPage = 0;
    QPointer<QWidget> m_wheelWindow;
};

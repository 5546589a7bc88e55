#pragma once
// A strip along one side of a form into which tool windows dock, in rows.
#include "toolbars/common.h"
#include "widgets/gwcolors.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class TCustomToolWindow;

namespace kv::tb {

enum TDockBoundLine { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
using TDockBoundLines = unsigned;

} // namespace kv::tb

namespace kv::tb {

// One bar as the arrangement sees it. The pure arrangement below is what
// TDock::ArrangeBars runs; it is kept apart so that it can be checked alone.
struct DockArrangeItem {
    int row = 0;          // DockRow, in and out
    int pos = 0;          // DockPos, in and out
    int length = 0;       // own length along the dock (frame included)
    int thickness = 8;    // row thickness the bar needs (no frame)
    bool fullSize = false;
    bool shown = true;
    int id = 0;           // caller's tag, kept through the sort
    QRect bounds;         // out, client coordinates; shown bars only
};

struct DockArrangeResult {
    bool empty = true;              // no shown bar
    std::vector<int> rowSizes;      // per row, 0 for a row without shown bars
    int thickness = 0;              // sum of the row extents
};

// Rows are compacted completely (no empty row survives), the sort keeps the
// given order for equal row and position, full-size bars get rows of their own.
DockArrangeResult ArrangeDockItems(std::vector<DockArrangeItem> &items, bool horizontal,
                                   int clientLength, bool limitToOneRow, bool clipPositions);

// Which row a drop at across-position p joins: returns the row, and sets
// insertBefore when the drop falls in a 5-pixel band around a row boundary
// (or past the last row), meaning a new row there.
int GetRowAtSizes(const std::vector<int> &rowSizes, int p, bool &insertBefore);

} // namespace kv::tb

class TDock : public QWidget {
    Q_OBJECT
public:
    explicit TDock(QWidget *parent, kv::tb::TDockPosition position = kv::tb::dpTop);
    ~TDock() override;

    kv::tb::TDockPosition Position() const { return m_position; }
    void SetPosition(kv::tb::TDockPosition p);
    bool AllowDrag() const { return m_allowDrag; }
    void SetAllowDrag(bool v);
    kv::tb::TDockBoundLines BoundLines() const { return m_boundLines; }
    void SetBoundLines(kv::tb::TDockBoundLines v);
    const QPixmap &Background() const { return m_background; }
    void SetBackground(const QPixmap &pm);
    bool BackgroundOnToolbars() const { return m_backgroundOnToolbars; }
    void SetBackgroundOnToolbars(bool v);
    bool BackgroundTransparent() const { return m_backgroundTransparent; }
    void SetBackgroundTransparent(bool v);
    bool FixAlign() const { return m_fixAlign; }
    void SetFixAlign(bool v);
    bool LimitToOneRow() const { return m_limitToOneRow; }
    void SetLimitToOneRow(bool v) { m_limitToOneRow = v; }
    kv::gw::Color Color() const { return m_color; }
    void SetColor(kv::gw::Color c);
    QString Version() const;

    // Asked during a drag before the dock becomes the target.
    std::function<void(TDock *, TCustomToolWindow *, bool &accept)> OnRequestDock;

    void BeginArrangeUpdate();
    // The outermost end arranges once when that was asked for meanwhile.
    void EndArrangeUpdate(bool clipPositions = false);
    // Removes every empty row of the bar list (rows shift down to close gaps).
    void CompactRows();
    quint64 CreationOrder() const { return m_creationOrder; }
    bool ArrangeSuspended() const { return m_arrangeNest > 0; }
    void ArrangeBars(bool clipPositions = false);

    void ChangeBarList(bool insert, TCustomToolWindow *bar);
    void UpdateShownBars(TCustomToolWindow *bar, bool removing);
    const std::vector<TCustomToolWindow *> &Bars() const { return m_bars; }
    const std::vector<TCustomToolWindow *> &ShownBars() const { return m_shown; }
    const std::vector<int> &RowSizes() const { return m_rowSizes; }

    int RowThickness(int row, TCustomToolWindow *bar) const;
    int GetRowAt(int acrossPos, bool &insertBefore) const;
    void OpenRowAt(int row);
    int CountOtherBarsInRow(int row, const TCustomToolWindow *bar) const;
    bool HasBackground() const { return !m_background.isNull() && m_background.width() > 0 && m_background.height() > 0; }
    // Tiles the background into `clip` of painter's device, with tiles lined up
    // on `origin` (given in the painter's coordinates).
    void TileBackground(QPainter &p, const QRect &clip, const QPoint &origin, const QRect &exclude = QRect());

    // Client area (inside the bound lines), in the dock's coordinates.
    QRect ClientRect() const;
    int ClientLength() const;
    int NonClientWidth() const;    // bound lines left + right
    int NonClientHeight() const;   // bound lines top + bottom

signals:
    void InsertRemoveBar(bool inserting, TCustomToolWindow *bar);
    void Resized();

protected:
    void resizeEvent(QResizeEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    friend class TCustomToolWindow;
    void applyThickness(int thickness);
    void repaintWithBars();
    QPixmap backgroundToDraw();
    void barDestroyed(QObject *o);

    kv::tb::TDockPosition m_position = kv::tb::dpTop;
    bool m_allowDrag = true;
    kv::tb::TDockBoundLines m_boundLines = 0;
    QPixmap m_background;
    QPixmap m_transparentCache;
    bool m_backgroundOnToolbars = true;
    bool m_backgroundTransparent = false;
    bool m_fixAlign = false;
    bool m_limitToOneRow = false;
    kv::gw::Color m_color = kv::gw::clBtnFace;

    std::vector<TCustomToolWindow *> m_bars;
    std::vector<TCustomToolWindow *> m_shown;
    std::vector<int> m_rowSizes;
    quint64 m_creationOrder = 0;
    int m_arrangeNest = 0;
    bool m_arrangeWanted = false;
    bool m_clipWanted = false;
};

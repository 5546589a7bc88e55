#include "toolbars/dock.h"

#include "platform/error.h"
#include "toolbars/toolwindow.h"

#include <QLayout>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <climits>

namespace kv::tb {

DockArrangeResult ArrangeDockItems(std::vector<DockArrangeItem> &items, bool horizontal,
                                   int clientLength, bool limitToOneRow, bool clipPositions)
{
    DockArrangeResult res;
    bool anyShown = std::any_of(items.begin(), items.end(), [](const DockArrangeItem &i) { return i.shown; });
    if (!anyShown)
        return res;
    res.empty = false;

    if (limitToOneRow)
        for (auto &i : items)
            i.row = 0;

    auto highestRow = [&]() {
        int h = -1;
        for (auto &i : items)
            h = std::max(h, i.row);
        return h;
    };

    // Empty rows go, all of them: a row left empty here would be saved and
    // come back as a gap on the next start.
    int highest = highestRow();
    for (int j = 0; j <= highest;) {
        bool used = std::any_of(items.begin(), items.end(), [j](const DockArrangeItem &i) { return i.row == j; });
        if (used) {
            ++j;
            continue;
        }
        for (auto &i : items)
            if (i.row > j)
                --i.row;
        --highest;
    }

    // Equal row and position keep the order they had.
    std::stable_sort(items.begin(), items.end(), [](const DockArrangeItem &a, const DockArrangeItem &b) {
        if (a.row != b.row)
            return a.row < b.row;
        return a.pos < b.pos;
    });

    // Full-size bars get a row of their own.
    for (int i = 0; i <= highest; ++i) {
        for (size_t k = 0; k < items.size(); ++k) {
            DockArrangeItem &fs = items[k];
            if (fs.row != i || !fs.fullSize)
                continue;
            bool others = false;
            for (size_t m = 0; m < items.size(); ++m)
                if (m != k && items[m].row == i)
                    others = true;
            if (others) {
                for (size_t m = 0; m < items.size(); ++m)
                    if (m != k && items[m].row >= i)
                        ++items[m].row;
                highest = highestRow();
            }
        }
    }

    // Row sizes.
    res.rowSizes.assign(size_t(std::max(highest + 1, 0)), 0);
    for (auto &i : items)
        if (i.shown && i.row >= 0) {
            int &rs = res.rowSizes[size_t(i.row)];
            rs = std::max({rs, i.thickness, 8});
        }

    auto rowMembers = [&](int row, bool nonFullOnly) {
        std::vector<DockArrangeItem *> v;
        for (auto &i : items)
            if (i.row == row && i.shown && !(nonFullOnly && i.fullSize))
                v.push_back(&i);
        return v;
    };

    // Positions along: no bar starts before the end of the one before it.
    for (int r = 0; r <= highest; ++r) {
        bool havePrev = false;
        int end = 0;
        for (DockArrangeItem *i : rowMembers(r, false)) {
            if (i->fullSize) {
                i->pos = 0;
                continue;
            }
            if (havePrev)
                i->pos = std::max(i->pos, end);
            end = i->pos + i->length;
            havePrev = true;
        }
    }

    // Working positions: pulled back to fit the length, then pushed forward
    // so that bars which do not fit run past the end instead of overlapping.
    std::vector<int> work(items.size());
    for (size_t k = 0; k < items.size(); ++k)
        work[k] = items[k].pos;
    int avail = std::max(clientLength, 0);
    auto indexOf = [&](DockArrangeItem *p) { return size_t(p - items.data()); };
    for (int r = 0; r <= highest; ++r) {
        auto members = rowMembers(r, true);
        int next = avail;
        for (auto it = members.rbegin(); it != members.rend(); ++it) {
            int &w = work[indexOf(*it)];
            w = std::min(w, next - (*it)->length);
            next = w;
        }
        int prevEnd = 0;
        for (DockArrangeItem *m : members) {
            int &w = work[indexOf(m)];
            w = std::max(w, prevEnd);
            prevEnd = w + m->length;
        }
    }
    if (clipPositions)
        for (size_t k = 0; k < items.size(); ++k)
            items[k].pos = work[k];

    // Bounds.
    int offset = 0;
    for (int r = 0; r <= highest; ++r) {
        int rs = res.rowSizes[size_t(r)];
        int extent = rs ? rs + 4 : 0;
        for (DockArrangeItem *m : rowMembers(r, false)) {
            int wp = work[indexOf(m)];
            int len = m->fullSize ? avail : m->length;
            m->bounds = horizontal ? QRect(wp, offset, len, extent) : QRect(offset, wp, extent, len);
        }
        offset += extent;
    }
    res.thickness = offset;
    return res;
}

int GetRowAtSizes(const std::vector<int> &rowSizes, int p, bool &insertBefore)
{
    int y = 0;
    const int highest = int(rowSizes.size()) - 1;
    for (int r = 0; r <= highest + 1; ++r) {
        int t = r <= highest ? rowSizes[size_t(r)] : 0;
        if (r <= highest && t == 0)
            continue;
        long long end = r > highest ? LLONG_MAX : (long long)y + t + 4;
        if (p < y + 5) {
            insertBefore = true;
            return r;
        }
        if (p < end - 5) {
            insertBefore = false;
            return r;
        }
        y = int(end);
    }
    insertBefore = true;
    return highest + 1;
}

} // namespace kv::tb

using namespace kv::tb;

namespace {

// Refused before the dock joins the parent, so nothing is left half made.
QWidget *DockParent(QWidget *parent)
{
    for (QWidget *w = parent; w; w = w->parentWidget())
        if (qobject_cast<TCustomToolWindow *>(w) || qobject_cast<TDock *>(w))
            throw kv::Error(QStringLiteral("A TDock control cannot be placed inside a tool window or another TDock"));
    return parent;
}

} // namespace

TDock::TDock(QWidget *parent, TDockPosition position)
    : QWidget(DockParent(parent))
{
    static quint64 counter = 0;
    m_creationOrder = ++counter;
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_position = position;
    if (OrientationOf(m_position) == doHorizontal)
        setFixedHeight(0);
    else
        setFixedWidth(0);
}

TDock::~TDock()
{
    // The bars inside are deleted after this body runs: let them forget us.
    ++m_arrangeNest;
    for (TCustomToolWindow *b : m_bars) {
        disconnect(b, nullptr, this, nullptr);
        if (b->m_lastDock == this)
            b->m_lastDock = nullptr;
        if (b->m_dock == this)
            b->m_dock = nullptr;
    }
    m_bars.clear();
    m_shown.clear();
}

QString TDock::Version() const
{
    return QStringLiteral("Korvalt docking toolbars 1.0");
}

void TDock::SetPosition(TDockPosition p)
{
    if (p == m_position)
        return;
    for (QObject *o : children())
        if (o->isWidgetType())
            throw kv::Error(QStringLiteral("Cannot change Position of a TDock if it already contains controls"));
    m_position = p;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    ArrangeBars(false);
}

void TDock::SetAllowDrag(bool v)
{
    if (v == m_allowDrag)
        return;
    m_allowDrag = v;
    for (QObject *o : children())
        if (auto *tw = qobject_cast<TCustomToolWindow *>(o))
            tw->RecalcFrame();
}

void TDock::SetBoundLines(TDockBoundLines v)
{
    if (v == m_boundLines)
        return;
    m_boundLines = v;
    ArrangeBars(false);
    update();
}

void TDock::SetBackground(const QPixmap &pm)
{
    m_background = pm;
    m_transparentCache = QPixmap();
    repaintWithBars();
}

void TDock::SetBackgroundOnToolbars(bool v)
{
    if (v == m_backgroundOnToolbars)
        return;
    m_backgroundOnToolbars = v;
    repaintWithBars();
}

void TDock::SetBackgroundTransparent(bool v)
{
    if (v == m_backgroundTransparent)
        return;
    m_backgroundTransparent = v;
    m_transparentCache = QPixmap();
    if (HasBackground())
        repaintWithBars();
}

void TDock::SetFixAlign(bool v)
{
    if (v == m_fixAlign)
        return;
    m_fixAlign = v;
    ArrangeBars(false);
}

void TDock::SetColor(kv::gw::Color c)
{
    if (c == m_color)
        return;
    m_color = c;
    m_transparentCache = QPixmap();
    repaintWithBars();
}

void TDock::repaintWithBars()
{
    update();
    for (TCustomToolWindow *b : m_shown)
        b->update();
}

void TDock::BeginArrangeUpdate()
{
    ++m_arrangeNest;
}

void TDock::EndArrangeUpdate(bool clipPositions)
{
    if (--m_arrangeNest <= 0) {
        m_arrangeNest = 0;
        if (m_arrangeWanted)
            ArrangeBars(clipPositions);
    }
}

void TDock::CompactRows()
{
    int highest = -1;
    for (TCustomToolWindow *b : m_bars)
        highest = std::max(highest, b->m_dockRow);
    for (int j = 0; j <= highest;) {
        bool used = std::any_of(m_bars.begin(), m_bars.end(), [j](TCustomToolWindow *b) { return b->m_dockRow == j; });
        if (used) {
            ++j;
            continue;
        }
        for (TCustomToolWindow *b : m_bars)
            if (b->m_dockRow > j)
                --b->m_dockRow;
        --highest;
    }
}

int TDock::NonClientWidth() const
{
    return ((m_boundLines & blLeft) ? 1 : 0) + ((m_boundLines & blRight) ? 1 : 0);
}

int TDock::NonClientHeight() const
{
    return ((m_boundLines & blTop) ? 1 : 0) + ((m_boundLines & blBottom) ? 1 : 0);
}

QRect TDock::ClientRect() const
{
    int l = (m_boundLines & blLeft) ? 1 : 0;
    int t = (m_boundLines & blTop) ? 1 : 0;
    return QRect(l, t, std::max(0, width() - NonClientWidth()), std::max(0, height() - NonClientHeight()));
}

int TDock::ClientLength() const
{
    return OrientationOf(m_position) == doHorizontal ? std::max(0, width() - NonClientWidth())
                                                     : std::max(0, height() - NonClientHeight());
}

void TDock::ArrangeBars(bool clipPositions)
{
    if (clipPositions)
        m_clipWanted = true;
    if (m_arrangeNest > 0) {
        m_arrangeWanted = true;
        return;
    }
    ++m_arrangeNest;
    struct Guard {
        TDock *d;
        ~Guard()
        {
            --d->m_arrangeNest;
            d->m_arrangeWanted = false;
            d->m_clipWanted = false;
        }
    } guard{this};

    raise();
    const bool horizontal = OrientationOf(m_position) == doHorizontal;
    const TDockOrientation orient = horizontal ? doHorizontal : doVertical;

    std::vector<DockArrangeItem> items;
    items.reserve(m_bars.size());
    for (size_t k = 0; k < m_bars.size(); ++k) {
        TCustomToolWindow *b = m_bars[k];
        DockArrangeItem it;
        it.row = b->m_dockRow;
        it.pos = b->m_dockPos;
        it.length = horizontal ? b->width() : b->height();
        it.thickness = b->GetBarThickness(orient);
        it.fullSize = b->m_fullSize;
        it.shown = std::find(m_shown.begin(), m_shown.end(), b) != m_shown.end();
        it.id = int(k);
        items.push_back(it);
    }
    DockArrangeResult res = ArrangeDockItems(items, horizontal, ClientLength(), m_limitToOneRow, m_clipWanted);
    if (res.empty) {
        m_rowSizes.clear();
        applyThickness(m_fixAlign ? 1 : 0);
        return;
    }
    std::vector<TCustomToolWindow *> sorted;
    for (const DockArrangeItem &it : items) {
        TCustomToolWindow *b = m_bars[size_t(it.id)];
        b->m_dockRow = it.row;
        b->m_dockPos = it.pos;
        sorted.push_back(b);
    }
    m_bars = sorted;
    std::stable_sort(m_shown.begin(), m_shown.end(), [](TCustomToolWindow *a, TCustomToolWindow *b) {
        if (a->m_dockRow != b->m_dockRow)
            return a->m_dockRow < b->m_dockRow;
        return a->m_dockPos < b->m_dockPos;
    });
    m_rowSizes = res.rowSizes;
    const QPoint origin = ClientRect().topLeft();
    for (size_t k = 0; k < items.size(); ++k) {
        if (!items[k].shown)
            continue;
        TCustomToolWindow *b = sorted[k];
        ++b->m_updatingBounds;
        b->setGeometry(items[k].bounds.translated(origin));
        --b->m_updatingBounds;
    }
    applyThickness(res.thickness + (horizontal ? NonClientHeight() : NonClientWidth()));
}

void TDock::applyThickness(int thickness)
{
    const bool horizontal = OrientationOf(m_position) == doHorizontal;
    const QRect old = geometry();
    QLayout *lay = parentWidget() ? parentWidget()->layout() : nullptr;
    const bool managed = lay && lay->indexOf(this) >= 0;
    if (horizontal) {
        if (minimumHeight() != thickness || maximumHeight() != thickness)
            setFixedHeight(thickness);
        if (!managed && m_position == dpBottom && old.height() != thickness)
            move(old.left(), old.top() + old.height() - thickness);
    } else {
        if (minimumWidth() != thickness || maximumWidth() != thickness)
            setFixedWidth(thickness);
        if (!managed && m_position == dpRight && old.width() != thickness)
            move(old.left() + old.width() - thickness, old.top());
    }
}

void TDock::ChangeBarList(bool insert, TCustomToolWindow *bar)
{
    auto it = std::find(m_bars.begin(), m_bars.end(), bar);
    if (insert) {
        if (it == m_bars.end()) {
            m_bars.push_back(bar);
            connect(bar, &QObject::destroyed, this, &TDock::barDestroyed, Qt::UniqueConnection);
        }
    } else if (it != m_bars.end()) {
        m_bars.erase(it);
        disconnect(bar, &QObject::destroyed, this, &TDock::barDestroyed);
    }
    UpdateShownBars(bar, false);
}

void TDock::barDestroyed(QObject *o)
{
    // Only the QObject part of the bar is left: found by its address, not cast.
    const auto gone = [o](const TCustomToolWindow *b) { return static_cast<const QObject *>(b) == o; };
    m_bars.erase(std::remove_if(m_bars.begin(), m_bars.end(), gone), m_bars.end());
    m_shown.erase(std::remove_if(m_shown.begin(), m_shown.end(), gone), m_shown.end());
}

void TDock::UpdateShownBars(TCustomToolWindow *bar, bool removing)
{
    bool belongs = !removing && !bar->m_destroying && bar->parentWidget() == this && bar->Visible();
    auto it = std::find(m_shown.begin(), m_shown.end(), bar);
    bool is = it != m_shown.end();
    if (belongs == is)
        return;
    if (belongs)
        m_shown.push_back(bar);
    else
        m_shown.erase(it);
    ArrangeBars(false);
    emit InsertRemoveBar(belongs, bar);
}

int TDock::RowThickness(int row, TCustomToolWindow *bar) const
{
    int t = (row >= 0 && row < int(m_rowSizes.size())) ? m_rowSizes[size_t(row)] : 0;
    if (t == 0 && bar)
        t = bar->GetBarThickness(GetDockOrientation(this));
    return t;
}

int TDock::GetRowAt(int acrossPos, bool &insertBefore) const
{
    return GetRowAtSizes(m_rowSizes, acrossPos, insertBefore);
}

void TDock::OpenRowAt(int row)
{
    for (TCustomToolWindow *b : m_bars)
        if (b->m_dockRow >= row)
            ++b->m_dockRow;
}

int TDock::CountOtherBarsInRow(int row, const TCustomToolWindow *bar) const
{
    int n = 0;
    for (TCustomToolWindow *b : m_bars)
        if (b != bar && b->m_dockRow == row)
            ++n;
    return n;
}

QPixmap TDock::backgroundToDraw()
{
    if (!m_backgroundTransparent)
        return m_background;
    if (m_transparentCache.isNull()) {
        QImage src = m_background.toImage().convertToFormat(QImage::Format_ARGB32);
        QRgb key = src.pixel(0, src.height() - 1);
        QImage out(src.size(), QImage::Format_RGB32);
        out.fill(kv::gw::toQColor(m_color));
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x)
                if (src.pixel(x, y) != key)
                    out.setPixel(x, y, src.pixel(x, y));
        m_transparentCache = QPixmap::fromImage(out);
    }
    return m_transparentCache;
}

void TDock::TileBackground(QPainter &p, const QRect &clip, const QPoint &origin, const QRect &exclude)
{
    if (!HasBackground())
        return;
    QPixmap pm = backgroundToDraw();
    p.save();
    QRegion region(clip);
    if (!exclude.isNull())
        region -= QRegion(exclude);
    p.setClipRegion(region);
    const int bw = pm.width(), bh = pm.height();
    // First tile at or before the clip's top-left, lined up on origin.
    int x0 = origin.x() + ((clip.left() - origin.x()) / bw) * bw;
    if (x0 > clip.left())
        x0 -= bw;
    int y0 = origin.y() + ((clip.top() - origin.y()) / bh) * bh;
    if (y0 > clip.top())
        y0 -= bh;
    for (int y = y0; y <= clip.bottom(); y += bh)
        for (int x = x0; x <= clip.right(); x += bw)
            p.drawPixmap(x, y, pm);
    p.restore();
}

void TDock::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    p.fillRect(rect(), kv::gw::toQColor(m_color));
    QRect client = ClientRect();
    if (HasBackground())
        TileBackground(p, client.intersected(e->rect()), -pos());
    if (!m_shown.empty()) {
        const QColor shadow = kv::gw::toQColor(kv::gw::clBtnShadow);
        const QColor light = kv::gw::toQColor(kv::gw::clBtnHighlight);
        if (m_boundLines & blTop) {
            p.setPen(shadow);
            p.drawLine(0, 0, width() - 1, 0);
        }
        if (m_boundLines & blLeft) {
            p.setPen(shadow);
            p.drawLine(0, 0, 0, height() - 1);
        }
        if (m_boundLines & blBottom) {
            p.setPen(light);
            p.drawLine(0, height() - 1, width() - 1, height() - 1);
        }
        if (m_boundLines & blRight) {
            p.setPen(light);
            p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        }
    }
}

void TDock::resizeEvent(QResizeEvent *)
{
    ArrangeBars(false);
    emit Resized();
}

void TDock::moveEvent(QMoveEvent *)
{
    if (HasBackground())
        repaintWithBars();
}

void TDock::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::PaletteChange && HasBackground()) {
        m_transparentCache = QPixmap();
        repaintWithBars();
    }
    QWidget::changeEvent(e);
}

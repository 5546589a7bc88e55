#include "toolbars/toolbar.h"

#include "platform/error.h"
#include "toolbars/dock.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstdlib>

using namespace kv::tb;
using kv::gw::toQColor;

TCustomToolbar::TCustomToolbar(QWidget *parent)
    : TCustomToolWindow(parent)
{
    if (parent)
        SetParentControl(parent);
}

TCustomToolbar::~TCustomToolbar() = default;

void TCustomToolbar::SetFloatingRightX(int v)
{
    if (v == m_floatingRightX)
        return;
    m_floatingRightX = v;
    if (!Docked())
        Relayout();
}

void TCustomToolbar::purgeItems()
{
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                 [this](const QPointer<QWidget> &w) { return !w || w->parentWidget() != this; }),
                  m_items.end());
}

std::vector<QWidget *> TCustomToolbar::Items() const
{
    std::vector<QWidget *> v;
    for (const auto &w : m_items)
        if (w && w->parentWidget() == this)
            v.push_back(w);
    return v;
}

void TCustomToolbar::childEvent(QChildEvent *e)
{
    if (e->added() && e->child()->isWidgetType()) {
        auto *w = static_cast<QWidget *>(e->child());
        m_items.erase(std::remove(m_items.begin(), m_items.end(), w), m_items.end());
        m_items.emplace_back(w);
    } else if (e->removed()) {
        // A child being destroyed is no widget any more: found by its address,
        // never cast (its guard is already empty then).
        const QObject *gone = e->child();
        m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                     [gone](const QPointer<QWidget> &p) {
                                         return !p || static_cast<const QObject *>(p.data()) == gone;
                                     }),
                      m_items.end());
    }
    TCustomToolWindow::childEvent(e);
}

void TCustomToolbar::SortItemsByPosition()
{
    purgeItems();
    const bool vertical = GetDockOrientation(DockedTo()) == doVertical;
    std::stable_sort(m_items.begin(), m_items.end(), [vertical](const QPointer<QWidget> &a, const QPointer<QWidget> &b) {
        return vertical ? a->y() < b->y() : a->x() < b->x();
    });
}

bool TCustomToolbar::PassesMouseToDrag(QWidget *child)
{
    return qobject_cast<TToolbarSep *>(child) != nullptr;
}

void TCustomToolbar::GetCapabilities(bool &useStandardAlign, bool &cornerSizing, bool &clipCursor)
{
    useStandardAlign = cornerSizing = clipCursor = false;
}

int TCustomToolbar::GetBarThickness(TDockOrientation orientation)
{
    int t = 8;
    for (QWidget *w : Items()) {
        if (w->isHidden() || qobject_cast<TToolbarSep *>(w))
            continue;
        t = std::max(t, orientation == doVertical ? w->width() : w->height());
    }
    return t;
}

QSize TCustomToolbar::LayoutContents(bool moveControls, TDockOrientation, TDock *target)
{
    const TDockOrientation o = GetDockOrientation(target);
    const bool floating = target == nullptr;
    const bool vertical = o == doVertical;
    purgeItems();
    const std::vector<QWidget *> all = Items();

    int limit = INT_MAX;
    if (floating && m_floatingRightX != 0) {
        int widest = 0;
        for (QWidget *w : all)
            if (!qobject_cast<TToolbarSep *>(w))
                widest = std::max(widest, w->width());
        limit = std::max(m_floatingRightX, widest + 8);
    }
    const int t = GetBarThickness(o);
    int u = t;
    if (target && target == DockedTo())
        u = std::max(t, target->RowThickness(DockRow(), this));

    std::vector<QWidget *> items;
    for (QWidget *w : all)
        if (!w->isHidden())
            items.push_back(w);

    // Groups end after each separator.
    std::vector<std::vector<QWidget *>> groups;
    for (QWidget *w : items) {
        if (groups.empty() || qobject_cast<TToolbarSep *>(groups.back().back()))
            groups.emplace_back();
        groups.back().push_back(w);
    }

    const int startAcross = floating ? 2 : 0, endAcross = floating ? 1 : 0;
    const int startAlong = floating ? 4 : 0, endAlong = floating ? 4 : 0;
    int across = startAcross, along = startAlong, longest = startAlong;
    if (items.empty())
        longest = startAlong + 8;
    if (moveControls)
        m_wrapLines.clear();

    auto lengthOf = [vertical](QWidget *w) {
        if (auto *s = qobject_cast<TToolbarSep *>(w))
            return vertical ? s->SizeVert() : s->SizeHorz();
        return vertical ? w->height() : w->width();
    };

    bool wrapPending = false;
    TToolbarSep *prevSep = nullptr;   // separator that ended the previous group
    int longestBeforePrevSep = 0;
    for (size_t gi = 0; gi < groups.size(); ++gi) {
        const auto &g = groups[gi];
        int groupLen = 0;
        for (QWidget *w : g)
            if (!qobject_cast<TToolbarSep *>(w))
                groupLen += lengthOf(w);
        if (floating && (wrapPending || (long long)along + groupLen + endAlong > limit)) {
            along = startAlong;
            if (gi != 0) {
                across += t + 6;
                if (prevSep) {
                    longest = longestBeforePrevSep;
                    if (moveControls) {
                        QRect r = prevSep->geometry();
                        prevSep->resize(0, r.height());
                        m_wrapLines.push_back({across, prevSep->Blank()});
                    }
                }
            }
            wrapPending = false;
        }
        longest = std::max(longest, along);
        int x = along;
        prevSep = nullptr;
        for (QWidget *w : g) {
            auto *sep = qobject_cast<TToolbarSep *>(w);
            const int len = lengthOf(w);
            if (!sep && floating && (long long)x + len + endAlong > limit) {
                x = startAlong;
                across += t;
                wrapPending = true;
            }
            if (sep)
                longestBeforePrevSep = longest;
            QRect r;
            if (!vertical) {
                r = sep ? QRect(x, across, sep->SizeHorz(), u)
                        : QRect(x, across + (u - w->height()) / 2, w->width(), w->height());
            } else {
                r = sep ? QRect(across, x, u, sep->SizeVert())
                        : QRect(across + (u - w->width()) / 2, x, w->width(), w->height());
            }
            if (moveControls)
                PlaceChild(w, r);
            x += len;
            longest = std::max(longest, x);
            if (sep)
                prevSep = sep;
        }
        along = x;
    }
    const int alongSize = longest + endAlong;
    const int acrossSize = across + t + endAcross;
    if (moveControls && floating)
        update();
    return vertical ? QSize(acrossSize, alongSize) : QSize(alongSize, acrossSize);
}

void TCustomToolbar::PaintFloatingExtras(QPainter &p)
{
    const QRect client = ClientRect();
    for (const WrapLine &l : m_wrapLines) {
        if (l.blank)
            continue;
        p.setPen(toQColor(kv::gw::clBtnShadow));
        p.drawLine(client.left() + 1, client.top() + l.across - 4, client.left() + client.width() - 2, client.top() + l.across - 4);
        p.setPen(toQColor(kv::gw::clBtnHighlight));
        p.drawLine(client.left() + 1, client.top() + l.across - 3, client.left() + client.width() - 2, client.top() + l.across - 3);
    }
}

void TCustomToolbar::ReadExtraPositions(const TPositionReadIntProc &readInt, const TPositionReadStringProc &)
{
    m_floatingRightX = readInt(objectName(), QStringLiteral("FloatRightX"), 0);
}

void TCustomToolbar::WriteExtraPositions(const TPositionWriteIntProc &writeInt, const TPositionWriteStringProc &)
{
    writeInt(objectName(), QStringLiteral("FloatRightX"), m_floatingRightX);
}

// ---------------------------------------------------------------- sizing

std::vector<TCustomToolbar::Candidate> TCustomToolbar::computeCandidates(TToolWindowHit edge)
{
    std::vector<Candidate> c;
    const int saved = m_floatingRightX;
    m_floatingRightX = 0;
    QSize s = LayoutContents(false, doNone, nullptr);
    c.push_back({s, 0});
    for (int i = s.width() - 1; i > 7;) {
        m_floatingRightX = i;
        QSize r = LayoutContents(false, doNone, nullptr);
        if (r.width() > i)
            break;
        if (r.width() == i) {
            if (c.size() > 1 && c.back().size.height() == r.height())
                c.pop_back();
            bool present = std::any_of(c.begin(), c.end(), [&](const Candidate &k) { return k.size == r; });
            if (!present)
                c.push_back({r, r.width()});
            --i;
        } else {
            i = r.width();
        }
    }
    m_floatingRightX = saved;
    const QMargins fm = FloatingFrameMargins();
    for (Candidate &k : c)
        k.size += QSize(fm.left() + fm.right(), fm.top() + fm.bottom());
    const bool byHeight = edge == htTop || edge == htBottom;
    std::stable_sort(c.begin(), c.end(), [byHeight](const Candidate &a, const Candidate &b) {
        return byHeight ? a.size.height() > b.size.height() : a.size.width() > b.size.width();
    });
    return c;
}

std::vector<QSize> TCustomToolbar::SizingCandidates() const
{
    auto *self = const_cast<TCustomToolbar *>(this);
    std::vector<QSize> v;
    for (const Candidate &c : self->computeCandidates(htRight))
        v.push_back(c.size);
    return v;
}

void TCustomToolbar::SizingStarted(TToolWindowHit edge)
{
    m_sizing = std::make_unique<SizingData>();
    m_sizing->edge = edge;
    m_sizing->candidates = computeCandidates(edge);
    m_sizing->chosenWrap = m_floatingRightX;
    const bool byHeight = edge == htTop || edge == htBottom;
    auto extent = [byHeight](const QSize &s) { return byHeight ? s.height() : s.width(); };
    const int cur = extent(size());
    int th = 12;
    const auto &cs = m_sizing->candidates;
    for (size_t i = 0; i < cs.size(); ++i) {
        if (cs[i].size != size())
            continue;
        if (i > 0)
            th = std::min(th, extent(cs[i - 1].size) - cur - 1);
        if (i + 1 < cs.size())
            th = std::min(th, cur - extent(cs[i + 1].size) - 1);
    }
    m_sizing->threshold = std::max(th, 0);
}

void TCustomToolbar::AdjustSizingRect(QRect &newRect, const QRect &startRect)
{
    if (!m_sizing || m_sizing->candidates.empty())
        return;
    SizingData &sd = *m_sizing;
    const bool byHeight = sd.edge == htTop || sd.edge == htBottom;
    auto extent = [byHeight](const QSize &s) { return byHeight ? s.height() : s.width(); };
    int wanted = byHeight ? newRect.height() : newRect.width();
    const int current = extent(startRect.size());
    const int dir = wanted > current ? 1 : (wanted < current ? -1 : 0);
    if ((!sd.changed || (dir != 0 && dir != sd.lastDirection)) && std::abs(wanted - current) <= sd.threshold)
        wanted = current;
    const auto &cs = sd.candidates;   // largest first
    const Candidate *pick = nullptr;
    if (wanted == current) {
        for (const Candidate &c : cs)
            if (c.size == startRect.size())
                pick = &c;
        if (!pick)
            for (const Candidate &c : cs)
                if (extent(c.size) == current)
                    pick = &c;
    }
    if (!pick && wanted > current) {
        for (auto it = cs.rbegin(); it != cs.rend(); ++it)
            if (extent(it->size) > wanted) {
                pick = &*it;
                break;
            }
        if (!pick)
            pick = &cs.front();
    }
    if (!pick) {
        for (const Candidate &c : cs)
            if (extent(c.size) <= wanted) {
                pick = &c;
                break;
            }
        if (!pick)
            pick = &cs.back();
    }
    if (dir != 0) {
        sd.lastDirection = dir;
        if (wanted != current)
            sd.changed = true;
    }
    sd.chosenWrap = pick->wrap;
    const QSize s = pick->size;
    QRect r(startRect.topLeft(), s);
    if (sd.edge == htLeft)
        r.moveLeft(startRect.left() + startRect.width() - s.width());
    if (sd.edge == htTop)
        r.moveTop(startRect.top() + startRect.height() - s.height());
    newRect = r;
}

void TCustomToolbar::SizingEnded(bool accepted)
{
    if (accepted && m_sizing)
        m_floatingRightX = m_sizing->chosenWrap;
    m_sizing.reset();
}

// ---------------------------------------------------------------- separator

namespace {

QWidget *SeparatorParent(QWidget *toolbar)
{
    if (!qobject_cast<TCustomToolbar *>(toolbar))
        throw kv::Error(QStringLiteral("A TToolbarSep can only be placed on a toolbar"));
    return toolbar;
}

} // namespace

TToolbarSep::TToolbarSep(QWidget *toolbar)
    : QWidget(SeparatorParent(toolbar))
{
    resize(m_sizeHorz, 8);
    if (toolbar->isVisible())
        show();
}

void TToolbarSep::SetSizeHorz(int v)
{
    v = std::max(1, v);
    if (v == m_sizeHorz)
        return;
    m_sizeHorz = v;
    if (auto *tb = qobject_cast<TCustomToolbar *>(parentWidget()))
        tb->Relayout();
}

void TToolbarSep::SetSizeVert(int v)
{
    v = std::max(1, v);
    if (v == m_sizeVert)
        return;
    m_sizeVert = v;
    if (auto *tb = qobject_cast<TCustomToolbar *>(parentWidget()))
        tb->Relayout();
}

void TToolbarSep::SetBlank(bool v)
{
    m_blank = v;
    update();
    if (parentWidget())
        parentWidget()->update();
}

void TToolbarSep::paintEvent(QPaintEvent *)
{
    if (m_blank || width() == 0)
        return;
    QPainter p(this);
    const bool vertical = DockPositionOfControl(this) == dpLeft || DockPositionOfControl(this) == dpRight;
    if (vertical) {
        p.setPen(toQColor(kv::gw::clBtnShadow));
        p.drawLine(0, height() / 2 - 1, width() - 1, height() / 2 - 1);
        p.setPen(toQColor(kv::gw::clBtnHighlight));
        p.drawLine(0, height() / 2, width() - 1, height() / 2);
    } else {
        p.setPen(toQColor(kv::gw::clBtnShadow));
        p.drawLine(width() / 2 - 1, 0, width() / 2 - 1, height() - 1);
        p.setPen(toQColor(kv::gw::clBtnHighlight));
        p.drawLine(width() / 2, 0, width() / 2, height() - 1);
    }
}

void TToolbarSep::mousePressEvent(QMouseEvent *e)
{
    if (auto *tb = qobject_cast<TCustomToolWindow *>(parentWidget()))
        tb->ChildMousePress(this, e);
}

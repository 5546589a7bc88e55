// The interactive side of a tool window: dragging between docks and floating,
// sizing the floating frame, the close buttons and the frame painting.
#include "toolbars/toolwindow.h"

#include "toolbars/dock.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

using namespace kv::tb;
using kv::gw::toQColor;

// A frame drawn with a checkerboard over everything while dragging or sizing.
class TDragOutline : public QWidget {
public:
    TDragOutline()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput
                               | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
    {
        setObjectName(QStringLiteral("DragOutline"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void place(const QRect &r, int thickness)
    {
        if (r.isEmpty()) {
            hide();
            return;
        }
        setGeometry(r);
        QRegion frame(QRect(QPoint(0, 0), r.size()));
        frame -= QRegion(QRect(QPoint(0, 0), r.size()).adjusted(thickness, thickness, -thickness, -thickness));
        setMask(frame);
        show();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.fillRect(rect(), QBrush(Qt::black, Qt::Dense4Pattern));
    }
};

namespace kv::tb {

QPoint OutlinePos(const QPoint &cursor, const QSize &size, const QPoint &grab, const QSize &ref)
{
    return QPoint(cursor.x() - MulDivRound(size.width() - 1, grab.x(), ref.width()),
                  cursor.y() - MulDivRound(size.height() - 1, grab.y(), ref.height()));
}

bool CanDockAtRect(const QRect &dockRect, bool verticalDock, const QRect &outline,
                   const QPoint &cursor, const QPoint &grab, const QSize &ref)
{
    int l = dockRect.left(), t = dockRect.top();
    int r = l + dockRect.width(), b = t + dockRect.height();
    if (dockRect.width() == 0 || dockRect.height() == 0) {
        if (verticalDock) {
            --l;
            ++r;
        } else {
            --t;
            ++b;
        }
    }
    const int a = MulDivRound(32, grab.x(), ref.width());
    if (cursor.x() < l - (32 - a) || cursor.x() > r - 1 + a)
        return false;
    if (verticalDock && (cursor.y() < t || cursor.y() > b - 1))
        return false;
    const int c = MulDivRound(20, grab.y(), ref.height());
    if (cursor.y() < t - (20 - c) || cursor.y() > b - 1 + c)
        return false;
    if (outline.isEmpty() || r <= l || b <= t)
        return false;
    return std::max(outline.left(), l) < std::min(outline.left() + outline.width(), r)
        && std::max(outline.top(), t) < std::min(outline.top() + outline.height(), b);
}

} // namespace kv::tb

// ---------------------------------------------------------------- drag

void TCustomToolWindow::CollectDocks(QWidget *container, std::vector<TDock *> &out)
{
    std::vector<QWidget *> kids;
    for (QObject *o : container->children()) {
        if (!o->isWidgetType())
            continue;
        auto *w = static_cast<QWidget *>(o);
        if (w == this || w->isWindow() || !w->isVisible())
            continue;
        kids.push_back(w);
    }
    for (TDockPosition pos : {dpTop, dpBottom, dpLeft, dpRight})
        for (QWidget *w : kids)
            if (auto *d = qobject_cast<TDock *>(w); d && d->Position() == pos)
                CollectDocks(d, out);
    for (QWidget *w : kids)
        if (!qobject_cast<TDock *>(w))
            CollectDocks(w, out);
    if (auto *d = qobject_cast<TDock *>(container))
        if (d->AllowDrag() && (m_dockableTo & (1u << unsigned(d->Position()))))
            out.push_back(d);
}

QSize TCustomToolWindow::DockedSizeFor(TDock *dock)
{
    QSize client = (dock == DockedTo()) ? ClientRect().size() : LayoutContents(false, m_lastOrientation, dock);
    QMargins m(2, 2, 2, 2);
    if (GetDockOrientation(dock) == doVertical)
        m.setTop(m.top() + DragHandleSize());
    else
        m.setLeft(m.left() + DragHandleSize());
    return QSize(client.width() + m.left() + m.right(), client.height() + m.top() + m.bottom());
}

void TCustomToolWindow::BeginDrag(const QPoint &globalPress, const QPoint &localPress, Qt::KeyboardModifiers mods)
{
    m_grab = localPress;
    m_ref = QSize(width() - 1, height() - 1);
    m_ctrl = mods & Qt::ControlModifier;
    m_cannotFloat = m_dockMode != dmCanFloat;
    m_dragDocks.clear();
    m_dragDockSizes.clear();
    std::vector<TDock *> docks;
    if (m_dockMode == dmCannotFloatOrChangeDocks) {
        if (DockedTo())
            docks.push_back(DockedTo());
    } else if (QWidget *form = FormAboveControl(this)) {
        CollectDocks(form, docks);
    }
    const QSize fc = LayoutContents(false, m_lastOrientation, nullptr);
    const QMargins fm = FloatingFrameMargins();
    m_floatSize = QSize(fc.width() + fm.left() + fm.right(), fc.height() + fm.top() + fm.bottom());
    for (TDock *d : docks) {
        m_dragDocks.emplace_back(d);
        m_dragDockSizes.push_back(DockedSizeFor(d));
    }
    FlushPaintMessages();
    m_mode = Mode::Drag;
    m_lastCursor = globalPress;
    QApplication::setOverrideCursor(cursor());
    grabMouse();
    grabKeyboard();
    UpdateDragOutline(globalPress);
}

void TCustomToolWindow::UpdateDragOutline(const QPoint &cursorPos)
{
    m_lastCursor = cursorPos;
    TDock *target = nullptr;
    QSize size;
    if (!m_ctrl) {
        for (size_t i = 0; i < m_dragDocks.size(); ++i) {
            TDock *d = m_dragDocks[i];
            if (!d || !CanDockAt(d, cursorPos))
                continue;
            bool accept = true;
            if (d->OnRequestDock)
                d->OnRequestDock(d, this, accept);
            if (accept) {
                target = d;
                size = m_dragDockSizes[i];
                break;
            }
        }
    }
    QRect outline;
    if (target) {
        outline = QRect(OutlinePos(cursorPos, size, m_grab, m_ref), size);
    } else if (!m_cannotFloat) {
        const QRect wa = GetWorkAreaOfPoint(cursorPos);
        QPoint c(std::clamp(cursorPos.x(), wa.left(), wa.right()), std::clamp(cursorPos.y(), wa.top(), wa.bottom()));
        outline = QRect(OutlinePos(c, m_floatSize, m_grab, m_ref), m_floatSize);
        const QMargins fm = FloatingFrameMargins();
        const int fw = FloatingFrameSize(m_sizable);
        const int sl = wa.left() + fw + 4, st = wa.top() + fw + 4;
        const int sr = wa.left() + wa.width() - fw - 4, sb = wa.top() + wa.height() - fw - 4;
        if (outline.top() + outline.height() < st)
            outline.moveTop(st - outline.height());
        if (outline.top() > sb)
            outline.moveTop(sb);
        if (outline.left() + outline.width() < sl)
            outline.moveLeft(sl - outline.width());
        if (outline.left() > sr)
            outline.moveLeft(sr);
        const int minTop = wa.top() - fm.top() + 4;
        if (outline.top() < minTop)
            outline.moveTop(minTop);
    }
    if (outline.isEmpty() && m_cannotFloat)
        QApplication::changeOverrideCursor(Qt::ForbiddenCursor);
    else
        QApplication::changeOverrideCursor(cursor());
    m_dragTarget = target;
    SetOutline(outline, !target);
}

bool TCustomToolWindow::CanDockAt(TDock *dock, const QPoint &cursorPos) const
{
    QSize size;
    for (size_t i = 0; i < m_dragDocks.size(); ++i)
        if (m_dragDocks[i] == dock)
            size = m_dragDockSizes[i];
    const QRect outline(OutlinePos(cursorPos, size, m_grab, m_ref), size);
    const QRect dockRect(dock->mapToGlobal(QPoint(0, 0)), dock->size());
    return CanDockAtRect(dockRect, GetDockOrientation(dock) == doVertical, outline, cursorPos, m_grab, m_ref);
}

void TCustomToolWindow::SetOutline(const QRect &r, bool floatingThickness)
{
    m_outlineRect = r;
    m_outlineFloating = floatingThickness;
    if (!m_outline)
        m_outline = new TDragOutline;
    m_outline->place(r, floatingThickness ? FloatingFrameSize(m_sizable) : 1);
}

void TCustomToolWindow::EndLoop()
{
    if (m_mode == Mode::None)
        return;
    if (m_mode == Mode::Drag)
        QApplication::restoreOverrideCursor();
    m_mode = Mode::None;
    releaseMouse();
    releaseKeyboard();
    delete m_outline;
    m_outline = nullptr;
}

void TCustomToolWindow::EndDrag(bool accept)
{
    const QRect outline = m_outlineRect;
    TDock *target = m_dragTarget;
    EndLoop();
    m_outlineRect = QRect();
    m_dragTarget = nullptr;
    m_dragDocks.clear();
    m_dragDockSizes.clear();
    if (!accept || outline.isEmpty())
        return;
    if (target) {
        const QPoint local = target->mapFromGlobal(outline.topLeft()) - target->ClientRect().topLeft();
        const bool horiz = GetDockOrientation(target) == doHorizontal;
        const int mid = horiz ? (2 * local.y() + outline.height()) / 2 : (2 * local.x() + outline.width()) / 2;
        bool insert = false;
        int row = target->GetRowAt(mid, insert);
        if (insert) {
            target->OpenRowAt(row);
        } else if (m_fullSize && target->CountOtherBarsInRow(row, this) > 0) {
            ++row;
            target->OpenRowAt(row);
        }
        target->BeginArrangeUpdate();
        m_dockRow = row;
        m_dockPos = horiz ? local.x() : local.y();
        ChangeParent(target);
        target->EndArrangeUpdate();
        target->ArrangeBars(true);
    } else {
        SetFloatingPosition(outline.topLeft());
        if (m_docked)
            ChangeParent(RequireFormAboveControl(this));
    }
    KeepOnScreen(true);
}

// ---------------------------------------------------------------- sizing

void TCustomToolWindow::BeginSizing(TToolWindowHit edge, const QPoint &globalPress)
{
    m_sizeEdge = edge;
    SizingStarted(edge);
    FlushPaintMessages();
    m_mode = Mode::Sizing;
    m_sizeStartCursor = globalPress;
    m_sizeStartRect = ScreenRect();
    grabMouse();
    grabKeyboard();
    SetOutline(m_sizeStartRect, true);
}

void TCustomToolWindow::UpdateSizing(const QPoint &cursorPos)
{
    const QPoint d = cursorPos - m_sizeStartCursor;
    const QMargins fm = FloatingFrameMargins();
    const QSize mc = MinimumClientSize();
    const int minW = mc.width() + fm.left() + fm.right();
    const int minH = mc.height() + fm.top() + fm.bottom();
    int l = m_sizeStartRect.left(), t = m_sizeStartRect.top();
    int r = l + m_sizeStartRect.width(), b = t + m_sizeStartRect.height();
    const TToolWindowHit e = m_sizeEdge;
    if (e == htLeft || e == htTopLeft || e == htBottomLeft) {
        l += d.x();
        if (r - l < minW)
            l = r - minW;
    }
    if (e == htRight || e == htTopRight || e == htBottomRight) {
        r += d.x();
        if (r - l < minW)
            r = l + minW;
    }
    if (e == htTop || e == htTopLeft || e == htTopRight) {
        t += d.y();
        if (b - t < minH)
            t = b - minH;
    }
    if (e == htBottom || e == htBottomLeft || e == htBottomRight) {
        b += d.y();
        if (b - t < minH)
            b = t + minH;
    }
    QRect rect(l, t, r - l, b - t);
    AdjustSizingRect(rect, m_sizeStartRect);
    SetOutline(rect, true);
}

void TCustomToolWindow::EndSizing(bool accept)
{
    const QRect r = m_outlineRect;
    EndLoop();
    m_outlineRect = QRect();
    SizingEnded(accept);
    if (!accept)
        return;
    ++m_layoutSuspend;
    SetFloatingPosition(r.topLeft());
    ResizeInternal(r.size());
    --m_layoutSuspend;
    m_layoutWanted = false;
    Relayout();
    KeepOnScreen(true);
}

// ---------------------------------------------------------------- close button

void TCustomToolWindow::BeginCloseButton(bool docked)
{
    m_mode = Mode::Close;
    m_closeDocked = docked;
    m_closePressed = true;
    grabMouse();
    grabKeyboard();
    update();
}

void TCustomToolWindow::EndCloseButton(bool accept)
{
    const bool pressed = m_closePressed;
    EndLoop();
    m_closePressed = false;
    update();
    if (!accept || !pressed)
        return;
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (canClose) {
        setVisible(false);
        emit Closed();
    }
}

// ---------------------------------------------------------------- double-click

void TCustomToolWindow::DoubleClick()
{
    if (m_docked) {
        if (m_dockMode == dmCanFloat) {
            ChangeParent(RequireFormAboveControl(this));
            KeepOnScreen(true);
        }
        return;
    }
    if (m_lastDock) {
        ChangeParent(m_lastDock);
    } else if (m_defaultDock) {
        m_dockRow = 0;
        m_dockPos = -8;
        ChangeParent(m_defaultDock);
    }
}

// ---------------------------------------------------------------- mouse and keys

void TCustomToolWindow::ChildMousePress(QWidget *child, QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || m_mode != Mode::None)
        return;
    if (!PassesMouseToDrag(child))
        return;
    if (m_docked && m_dock && !m_dock->AllowDrag())
        return;
    const QPoint local = child->mapTo(this, e->position().toPoint());
    BeginDrag(e->globalPosition().toPoint(), local, e->modifiers());
}

void TCustomToolWindow::mousePressEvent(QMouseEvent *e)
{
    const QPoint g = e->globalPosition().toPoint();
    if (m_mode != Mode::None) {
        if (e->button() == Qt::LeftButton) {
            if (m_mode == Mode::Drag)
                EndDrag(false);
            else if (m_mode == Mode::Sizing)
                EndSizing(false);
            else
                EndCloseButton(false);
        }
        return;
    }
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    if (Floating()) {
        m_host->raise();
        if (m_activateParent && m_floatingMode == fmOnTopOfParentForm)
            if (QWidget *form = m_host->ParentForm(); form && !m_host->isActiveWindow())
                form->activateWindow();
    }
    const TToolWindowHit hit = HitTest(e->position().toPoint());
    switch (hit) {
    case htClose:
        BeginCloseButton(m_docked);
        break;
    case htClient:
        if (!m_docked || (m_dock && m_dock->AllowDrag()))
            BeginDrag(g, e->position().toPoint(), e->modifiers());
        break;
    case htNowhere:
        break;
    default:
        if (Floating() && m_sizable)
            BeginSizing(hit, g);
        break;
    }
}

void TCustomToolWindow::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint g = e->globalPosition().toPoint();
    switch (m_mode) {
    case Mode::Drag:
        UpdateDragOutline(g);
        break;
    case Mode::Sizing:
        UpdateSizing(g);
        break;
    case Mode::Close: {
        const QRect r = m_closeDocked ? DockedCloseButtonRect() : FloatingCloseButtonRect();
        const bool over = r.contains(e->position().toPoint());
        if (over != m_closePressed) {
            m_closePressed = over;
            update();
        }
        break;
    }
    case Mode::None:
        QWidget::mouseMoveEvent(e);
        break;
    }
}

void TCustomToolWindow::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || m_mode == Mode::None) {
        if (m_mode == Mode::None)
            QWidget::mouseReleaseEvent(e);
        return;
    }
    switch (m_mode) {
    case Mode::Drag:
        EndDrag(true);
        break;
    case Mode::Sizing:
        EndSizing(true);
        break;
    case Mode::Close:
        EndCloseButton(true);
        break;
    case Mode::None:
        break;
    }
}

void TCustomToolWindow::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (m_mode != Mode::None) {
        if (e->button() == Qt::LeftButton) {
            if (m_mode == Mode::Drag)
                EndDrag(false);
            else if (m_mode == Mode::Sizing)
                EndSizing(false);
            else
                EndCloseButton(false);
        }
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    if (HitTest(e->position().toPoint()) != htClient)
        return;
    if (m_docked && m_dock && !m_dock->AllowDrag())
        return;
    DoubleClick();
}

void TCustomToolWindow::keyPressEvent(QKeyEvent *e)
{
    if (m_mode == Mode::None) {
        QWidget::keyPressEvent(e);
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        if (m_mode == Mode::Drag)
            EndDrag(false);
        else if (m_mode == Mode::Sizing)
            EndSizing(false);
        return;
    }
    if (m_mode == Mode::Drag && e->key() == Qt::Key_Control && !m_ctrl) {
        m_ctrl = true;
        UpdateDragOutline(m_lastCursor);
    }
}

void TCustomToolWindow::keyReleaseEvent(QKeyEvent *e)
{
    if (m_mode == Mode::None) {
        QWidget::keyReleaseEvent(e);
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        if (m_mode == Mode::Drag)
            EndDrag(false);
        else if (m_mode == Mode::Sizing)
            EndSizing(false);
        return;
    }
    if (m_mode == Mode::Drag && e->key() == Qt::Key_Control && m_ctrl) {
        m_ctrl = false;
        UpdateDragOutline(m_lastCursor);
    }
}

// ---------------------------------------------------------------- painting

namespace {

void raisedInner(QPainter &p, const QRect &r)
{
    const QColor hi = toQColor(kv::gw::clBtnHighlight), sh = toQColor(kv::gw::clBtnShadow);
    p.setPen(hi);
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(sh);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void closeGlyph(QPainter &p, const QRect &r, bool pushed)
{
    p.fillRect(r, toQColor(kv::gw::clBtnFace));
    if (pushed) {
        p.setPen(toQColor(kv::gw::clBtnShadow));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        raisedInner(p, r);
    }
    const int off = pushed ? 1 : 0;
    QRect g = r.adjusted(3 + off, 3 + off, -4 + off, -4 + off);
    p.setPen(QPen(toQColor(kv::gw::clBtnText), 1.5));
    p.drawLine(g.topLeft(), g.bottomRight());
    p.drawLine(g.topRight(), g.bottomLeft());
}

} // namespace

void TCustomToolWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor face = toQColor(m_color);
    p.fillRect(rect(), face);
    if (m_docked && m_dock && m_dock->HasBackground() && m_dock->BackgroundOnToolbars())
        m_dock->TileBackground(p, rect(), -(pos() + m_dock->pos()));
    if (m_docked)
        PaintDockedFrame(p);
    else
        PaintFloatingFrame(p);
}

void TCustomToolWindow::PaintDockedFrame(QPainter &p)
{
    const QRect r = rect();
    if (m_borderStyle == bsSingle) {
        raisedInner(p, r);
    } else {
        p.setPen(toQColor(m_color));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    if (!DockedToDockWithAllowDrag())
        return;
    const bool vertical = GetDockOrientation(m_dock) == doVertical;
    const QRect client = ClientRect();
    const int b = vertical ? client.width() : client.height();
    const int c = b + 2;
    const int lines = m_dragHandleStyle == dhDouble ? 2 : (m_dragHandleStyle == dhSingle ? 1 : 0);
    const int offset = m_closeButtonWhenDocked ? (m_dragHandleStyle == dhSingle ? 5 : 3)
                                               : (m_dragHandleStyle == dhSingle ? 1 : 2);
    for (int i = 0; i < lines; ++i) {
        const int along = 2 + offset + 3 * i;
        int from = 2, to = c;
        if (m_closeButtonWhenDocked) {
            if (vertical)
                to = b - 14 + 4;
            else
                from = 14;
        }
        QRect grip = vertical ? QRect(from, along, to - from, 3) : QRect(along, from, 3, to - from);
        raisedInner(p, grip);
        p.setPen(toQColor(kv::gw::clBtnHighlight));
        if (vertical)
            p.drawPoint(b + 1, along);
        else
            p.drawPoint(along, b + 1);
    }
    if (m_closeButtonWhenDocked)
        closeGlyph(p, DockedCloseButtonRect(), m_closePressed && m_closeDocked);
}

void TCustomToolWindow::PaintFloatingFrame(QPainter &p)
{
    const QRect r = rect();
    // Raised edge, two pixels.
    p.setPen(toQColor(kv::gw::cl3DLight));
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(toQColor(kv::gw::cl3DDkShadow));
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    raisedInner(p, r.adjusted(1, 1, -1, -1));
    if (m_showCaption) {
        const int f = FloatingFrameSize(m_sizable);
        const int ch = FloatingCaptionHeight();
        QRect caption(f, f, width() - 2 * f, ch - 1);
        const QRect close = FloatingCloseButtonRect();
        if (!close.isNull())
            caption.setRight(close.left() - 1);
        const bool active = !m_inactiveCaption;
        const QColor capColor = toQColor(active ? kv::gw::clActiveCaption : kv::gw::clInactiveCaption);
        const QColor capText = toQColor(active ? kv::gw::clCaptionText : kv::gw::clInactiveCaptionText);
        p.fillRect(caption, capColor);
        QFont font = this->font();
        font.setPixelSize(11);
        font.setBold(false);
        p.setFont(font);
        p.setPen(capText);
        QRect text = caption.adjusted(2, 0, -1, 0);
        QString s = windowTitle();
        QFontMetrics fm(font);
        while (fm.horizontalAdvance(s) > text.width() && s.size() > 4) {
            QString base = s.endsWith(QLatin1String("...")) ? s.left(s.size() - 3) : s;
            base.chop(1);
            s = base + QLatin1String("...");
        }
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, s);
        p.setPen(toQColor(kv::gw::clBtnFace));
        p.drawLine(f, f + ch - 1, width() - f - 1, f + ch - 1);
        if (!close.isNull()) {
            p.fillRect(close, capColor);
            closeGlyph(p, close.adjusted(1, 1, -1, -1), m_closePressed && !m_closeDocked);
        }
    }
    PaintFloatingExtras(p);
}

#include "toolbars/toolwindow.h"

#include "platform/error.h"
#include "toolbars/dock.h"

#include <QApplication>
#include <QChildEvent>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

using namespace kv::tb;

namespace {
std::vector<TCustomToolWindow *> g_floating;   // tool windows inside a floating host
std::vector<TCustomToolWindow *> g_all;        // every tool window, in creation order
quint64 g_creationCounter = 0;
int g_hostCounter = 0;
} // namespace

void ToolWindowHookProc(THookEventKind kind, QWidget *window, QEvent *)
{
    const std::vector<TCustomToolWindow *> list = g_floating;
    for (TCustomToolWindow *tw : list) {
        if (std::find(g_floating.begin(), g_floating.end(), tw) == g_floating.end())
            continue;
        if (kind == hkActivateApp) {
            tw->RefreshVisibility();
        } else if (kind == hkWindowPosChanged) {
            if (qobject_cast<TFloatingWindowParent *>(window))
                continue;
            if (tw->FloatingMode() != fmOnTopOfParentForm || !tw->Host())
                continue;
            QWidget *form = tw->Host()->ParentForm();
            if (form && window && (form == window || window->isAncestorOf(form)))
                tw->RefreshVisibility();
        }
    }
}

// ---------------------------------------------------------------- host

TFloatingWindowParent::TFloatingWindowParent(QWidget *form, bool onTopOfAllForms)
    : QWidget(onTopOfAllForms ? nullptr : form,
              Qt::Tool | Qt::FramelessWindowHint | (onTopOfAllForms ? Qt::WindowStaysOnTopHint : Qt::WindowFlags()))
    , m_form(form)
{
    ++g_hostCounter;
    setObjectName(QString::asprintf("TBarFloatingWindowParent_%.8X",
                                    unsigned(quintptr(this)) ^ unsigned(g_hostCounter)));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_WindowPropagation);   // the form's font and colours
    setGeometry(0, 0, 0, 0);
    // Owned by no form when on top of all forms: it still goes with its form.
    if (onTopOfAllForms && form)
        connect(form, &QObject::destroyed, this, &QObject::deleteLater);
}

TFloatingWindowParent::~TFloatingWindowParent()
{
    // The tool window it holds goes first, while this is still its host and
    // not only the widget part of one.
    qDeleteAll(findChildren<TCustomToolWindow *>(Qt::FindDirectChildrenOnly));
}

void TFloatingWindowParent::UpdateShowing()
{
    bool show = ShouldShow;
    if (show != isVisible())
        QWidget::setVisible(show);
}

void TFloatingWindowParent::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier && m_form) {
        m_form->activateWindow();
        m_form->setFocus();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TFloatingWindowParent::changeEvent(QEvent *e)
{
    // A floating toolbar never keeps the activation: it goes back to the form.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && m_form && m_form->isVisible())
        m_form->activateWindow();
    QWidget::changeEvent(e);
}

void TFloatingWindowParent::moveEvent(QMoveEvent *e)
{
    QWidget::moveEvent(e);
    for (QObject *o : children())
        if (auto *tw = qobject_cast<TCustomToolWindow *>(o))
            if (tw->m_internal == 0 && tw->m_layoutSuspend == 0)
                tw->m_floatPos = pos();
}

void TFloatingWindowParent::closeEvent(QCloseEvent *e)
{
    // Closing a floating toolbar's window closes the form, as the system did.
    e->ignore();
    if (m_form)
        m_form->close();
}

// ---------------------------------------------------------------- tool window

TCustomToolWindow::TCustomToolWindow(QWidget *parent)
    : QWidget(nullptr)
{
    m_creationOrder = ++g_creationCounter;
    g_all.push_back(this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_lastForm = parent ? (parent->isWindow() ? parent : FormAboveControl(parent)) : nullptr;
    RegisterHookProc(&ToolWindowHookProc, hookKind(hkActivateApp) | hookKind(hkWindowPosChanged));
    setFocusPolicy(Qt::NoFocus);
}

TCustomToolWindow::~TCustomToolWindow()
{
    m_destroying = true;
    if (m_mode != Mode::None)
        EndLoop();
    g_floating.erase(std::remove(g_floating.begin(), g_floating.end(), this), g_floating.end());
    g_all.erase(std::remove(g_all.begin(), g_all.end(), this), g_all.end());
    if (m_lastDock && m_lastDock != m_dock)
        m_lastDock->ChangeBarList(false, this);
    if (m_dock) {
        TDock *d = m_dock;
        d->ChangeBarList(false, this);
        ++m_internal;
        setParent(nullptr);
        --m_internal;
        d->UpdateShownBars(this, true);
    }
    if (m_host) {
        TFloatingWindowParent *h = m_host;
        ++m_internal;
        setParent(nullptr);
        --m_internal;
        h->deleteLater();
    }
    UnregisterHookProc(&ToolWindowHookProc);
}

std::vector<TCustomToolWindow *> TCustomToolWindow::AllToolWindows()
{
    return g_all;
}

QString TCustomToolWindow::Version() const
{
    return QStringLiteral("Korvalt docking toolbars 1.0");
}

QWidget *TCustomToolWindow::OwnerForm() const
{
    if (m_docked && m_dock)
        return m_dock->window();
    if (m_host && m_host->ParentForm())
        return m_host->ParentForm();
    return m_lastForm;
}

void TCustomToolWindow::SetParentControl(QWidget *p)
{
    const bool fits = !p || qobject_cast<TDock *>(p) || p->isWindow();
    if (!fits)
        throw kv::Error(QStringLiteral("A tool window can only be placed on a TDock or directly on the form"));
    ChangeParent(p);
}

void TCustomToolWindow::SetDockedTo(TDock *dock)
{
    if (dock) {
        ChangeParent(dock);
        return;
    }
    QWidget *form = RequireFormAboveControl(this);
    if (!form)
        return;
    ChangeParent(form);
}

void TCustomToolWindow::ChangeParent(QWidget *newParent)
{
    TDock *newDock = qobject_cast<TDock *>(newParent);
    QWidget *current = m_docked ? static_cast<QWidget *>(m_dock.data())
                                : (m_host ? m_host->ParentForm() : nullptr);
    if (newParent == current && (newParent || !parentWidget())) {
        UpdateFloatingList();
        return;
    }
    if (!m_destroying && newParent) {
        emit DockChanging();
        emit DockChangingEx(newDock);
        emit Recreating();
    }
    ++m_hidden;
    ++m_moveSuppress;
    RefreshVisibility();
    TDock *oldDock = m_docked ? m_dock.data() : nullptr;
    if (oldDock)
        oldDock->BeginArrangeUpdate();
    if (newDock && newDock != oldDock)
        newDock->BeginArrangeUpdate();
    ++m_updatingBounds;
    if (newParent) {
        DockChangingHidden(newDock);
        if (m_lastOrientationSet)
            LayoutAndResize(m_lastOrientation, newDock, false);
    }
    ++m_layoutSuspend;
    if (oldDock) {
        if (!m_useLastDock)
            oldDock->ChangeBarList(false, this);
    }
    TFloatingWindowParent *oldHost = m_host;
    ++m_internal;
    try {
        if (newDock) {
            m_dock = newDock;
            m_docked = true;
            setParent(newDock);
        } else if (newParent) {
            m_docked = false;
            m_dock = nullptr;
            m_lastForm = newParent;
            TFloatingWindowParent *host = new TFloatingWindowParent(newParent, m_floatingMode == fmOnTopOfAllForms);
            setParent(host);
            move(0, 0);
            m_host = host;
        } else {
            m_docked = false;
            m_dock = nullptr;
            setParent(nullptr);
        }
    } catch (...) {
        --m_internal;
        m_dock = qobject_cast<TDock *>(parentWidget());
        m_docked = m_dock != nullptr;
        --m_layoutSuspend;
        --m_updatingBounds;
        --m_moveSuppress;
        --m_hidden;
        if (newDock && newDock != oldDock)
            newDock->EndArrangeUpdate();
        if (oldDock)
            oldDock->EndArrangeUpdate();
        throw;
    }
    --m_internal;
    if (oldDock)
        oldDock->UpdateShownBars(this, true);
    if (oldHost && oldHost != m_host.data()) {
        oldHost->hide();
        oldHost->deleteLater();
    }
    if (!qobject_cast<TFloatingWindowParent *>(parentWidget()))
        m_host = nullptr;
    if (newDock) {
        if (m_useLastDock) {
            SetLastDock(newDock);
            newDock->UpdateShownBars(this, false);
        } else {
            newDock->ChangeBarList(true, this);
        }
    }
    UpdateFloatingList();
    --m_layoutSuspend;
    if (newParent) {
        m_lastOrientation = GetDockOrientation(newDock);
        m_lastOrientationSet = true;
    }
    --m_updatingBounds;
    if (newParent)
        Relayout();
    if (newDock && newDock != oldDock)
        newDock->EndArrangeUpdate();
    if (oldDock)
        oldDock->EndArrangeUpdate();
    --m_moveSuppress;
    --m_hidden;
    RefreshVisibility();
    if (newParent && m_moveSuppress == 0)
        NotifyMoved();
    if (!m_destroying && newParent) {
        emit Recreated();
        emit DockChanged();
    }
}

void TCustomToolWindow::UpdateFloatingList()
{
    auto it = std::find(g_floating.begin(), g_floating.end(), this);
    if (m_host && parentWidget() == m_host) {
        if (it == g_floating.end())
            g_floating.push_back(this);
        ++m_internal;
        m_host->setGeometry(QRect(m_floatPos, size()));
        --m_internal;
    } else if (it != g_floating.end()) {
        g_floating.erase(it);
    }
}

void TCustomToolWindow::SetDockRow(int row)
{
    if (row == m_dockRow)
        return;
    m_dockRow = row;
    if (m_docked && m_dock)
        m_dock->ArrangeBars(false);
}

void TCustomToolWindow::SetDockPos(int pos)
{
    if (pos == m_dockPos)
        return;
    m_dockPos = pos;
    if (m_docked && m_dock)
        m_dock->ArrangeBars(false);
}

void TCustomToolWindow::SetLastDock(TDock *d)
{
    if (m_docked && m_useLastDock)
        d = m_dock;
    if (d == m_lastDock)
        return;
    TDock *old = m_lastDock;
    if (old && !(m_docked && old == m_dock.data()))
        old->ChangeBarList(false, this);
    m_lastDock = d;
    if (d) {
        m_useLastDock = true;
        d->ChangeBarList(true, this);
    }
}

void TCustomToolWindow::SetUseLastDock(bool v)
{
    if (v) {
        m_useLastDock = true;
        SetLastDock(DockedTo());
    } else {
        m_useLastDock = false;
        SetLastDock(nullptr);
    }
}

void TCustomToolWindow::SetFloatingMode(TToolWindowFloatingMode m)
{
    if (m == m_floatingMode)
        return;
    m_floatingMode = m;
    if (Floating()) {
        QWidget *form = m_host->ParentForm();
        ChangeParent(nullptr);
        if (form)
            ChangeParent(form);
    }
}

void TCustomToolWindow::SetDragHandleStyle(TDragHandleStyle s)
{
    if (s == m_dragHandleStyle)
        return;
    m_dragHandleStyle = s;
    RecalcFrame();
}

void TCustomToolWindow::SetBorderStyle(TToolWindowBorderStyle s)
{
    m_borderStyle = s;
    update();
}

void TCustomToolWindow::SetCloseButton(bool v)
{
    m_closeButton = v;
    update();
}

void TCustomToolWindow::SetCloseButtonWhenDocked(bool v)
{
    if (v == m_closeButtonWhenDocked)
        return;
    m_closeButtonWhenDocked = v;
    RecalcFrame();
}

void TCustomToolWindow::SetShowCaption(bool v)
{
    if (v == m_showCaption)
        return;
    m_showCaption = v;
    RecalcFrame();
}

void TCustomToolWindow::SetFullSize(bool v)
{
    if (v == m_fullSize)
        return;
    m_fullSize = v;
    Relayout();
    if (m_docked && m_dock)
        m_dock->ArrangeBars(false);
}

void TCustomToolWindow::SetHideWhenInactive(bool v)
{
    m_hideWhenInactive = v;
    RefreshVisibility();
}

void TCustomToolWindow::SetSizable(bool v)
{
    if (v == m_sizable)
        return;
    m_sizable = v;
    RecalcFrame();
}

void TCustomToolWindow::SetCaption(const QString &c)
{
    setWindowTitle(c);
    update();
}

void TCustomToolWindow::SetColor(kv::gw::Color c)
{
    m_color = c;
    update();
}

void TCustomToolWindow::RecalcFrame()
{
    Relayout();
    if (m_docked && m_dock)
        m_dock->ArrangeBars(false);
    update();
}

void TCustomToolWindow::SetFloatingPosition(const QPoint &p)
{
    m_floatPos = p;
    if (m_host && parentWidget() == m_host) {
        ++m_internal;
        m_host->move(p);
        --m_internal;
    }
}

QRect TCustomToolWindow::ScreenRect() const
{
    if (m_host && parentWidget() == m_host)
        return QRect(m_host->pos(), size());
    if (parentWidget())
        return QRect(mapToGlobal(QPoint(0, 0)), size());
    return QRect(m_floatPos, size());
}

// ---------------------------------------------------------------- visibility

void TCustomToolWindow::setVisible(bool visible)
{
    if (m_internal > 0) {
        QWidget::setVisible(visible);
        return;
    }
    if (visible == m_visible) {
        ApplyVisibility();
        return;
    }
    m_visible = visible;
    ApplyVisibility();
    if (m_docked && m_dock)
        m_dock->UpdateShownBars(this, false);
    emit VisibleChanged();
}

bool TCustomToolWindow::ComputeShouldShow() const
{
    if (!m_visible || m_hidden > 0)
        return false;
    if (m_docked || !m_host)
        return true;
    if (m_floatingMode == fmOnTopOfParentForm) {
        QWidget *form = m_host->ParentForm();
        if (!form || !form->isVisible() || form->isMinimized())
            return false;
        if (QWidget *top = form->window(); top != form && (!top->isVisible() || top->isMinimized()))
            return false;
    }
    if (m_hideWhenInactive && !ApplicationIsActive())
        return false;
    return true;
}

void TCustomToolWindow::ApplyVisibility()
{
    const bool show = ComputeShouldShow();
    ++m_internal;
    if (m_host && parentWidget() == m_host) {
        QWidget::setVisible(true);
        bool wasActive = m_host->isActiveWindow();
        m_host->ShouldShow = show;
        m_host->UpdateShowing();
        if (!show && wasActive)
            if (QWidget *w = FindWindowToActivate(m_host))
                w->activateWindow();
    } else if (parentWidget()) {
        QWidget::setVisible(show);
    } else {
        QWidget::setVisible(false);
    }
    --m_internal;
}

void TCustomToolWindow::RefreshVisibility()
{
    m_inactiveCaption = Floating() && !m_hideWhenInactive && !ApplicationIsActive();
    ApplyVisibility();
}

// ---------------------------------------------------------------- layout

int TCustomToolWindow::GetBarThickness(TDockOrientation)
{
    return 8;
}

QSize TCustomToolWindow::LayoutContents(bool, TDockOrientation, TDock *)
{
    return QSize(0, 0);
}

void TCustomToolWindow::DockChangingHidden(TDock *target)
{
    if (!m_destroying)
        emit DockChangingHiddenSignal(target);
}

void TCustomToolWindow::NotifyMoved()
{
    emit Moved();
}

void TCustomToolWindow::GetCapabilities(bool &useStandardAlign, bool &cornerSizing, bool &clipCursor)
{
    useStandardAlign = cornerSizing = clipCursor = true;
}

QSize TCustomToolWindow::MeasureFor(TDock *target)
{
    return LayoutContents(false, m_lastOrientation, target);
}

void TCustomToolWindow::Loaded()
{
    SortItemsByPosition();
    Relayout();
}

void TCustomToolWindow::Relayout()
{
    if (m_inRelayout)
        return;
    m_inRelayout = true;
    LayoutAndResize(m_lastOrientation, DockedTo(), true);
    m_inRelayout = false;
}

void TCustomToolWindow::BeginLayoutUpdate()
{
    ++m_layoutSuspend;
}

void TCustomToolWindow::EndLayoutUpdate()
{
    if (--m_layoutSuspend <= 0) {
        m_layoutSuspend = 0;
        if (m_layoutWanted)
            Relayout();
    }
}

void TCustomToolWindow::LayoutAndResize(TDockOrientation previous, TDock *target, bool resize)
{
    if (m_layoutSuspend > 0 || m_destroying) {
        m_layoutWanted = true;
        return;
    }
    m_layoutWanted = false;
    QSize client = LayoutContents(true, previous, target);
    if (!resize)
        return;
    QMargins fm = target ? DockedFrameMargins(target) : FloatingFrameMargins();
    if (target && target == DockedTo()) {
        const bool horiz = GetDockOrientation(target) == doHorizontal;
        int rt = target->RowThickness(m_dockRow, this);
        if (horiz)
            client.setHeight(std::max(client.height(), rt));
        else
            client.setWidth(std::max(client.width(), rt));
        if (m_fullSize) {
            if (horiz)
                client.setWidth(target->ClientLength() - fm.left() - fm.right());
            else
                client.setHeight(target->ClientLength() - fm.top() - fm.bottom());
        }
    }
    QSize s(std::max(0, client.width() + fm.left() + fm.right()), std::max(0, client.height() + fm.top() + fm.bottom()));
    if (s != size())
        ResizeInternal(s);
}

void TCustomToolWindow::ResizeInternal(const QSize &s)
{
    ++m_internal;
    ++m_updatingBounds;
    resize(s);
    if (m_host && parentWidget() == m_host)
        m_host->resize(s);
    --m_updatingBounds;
    --m_internal;
    if (m_docked && m_dock && m_dock->m_arrangeNest == 0)
        m_dock->ArrangeBars(false);
}

void TCustomToolWindow::PlaceChild(QWidget *child, const QRect &clientRect)
{
    const QPoint o = ClientRect().topLeft();
    child->setGeometry(clientRect.translated(o));
}

bool TCustomToolWindow::DockedToDockWithAllowDrag() const
{
    return m_docked && m_dock && m_dock->AllowDrag();
}

void TCustomToolWindow::KeepOnScreen(bool onlyWhenFullyOutside)
{
    if (m_docked)
        return;
    QRect r = ScreenRect();
    QRect n = KeepOnScreenRect(r, GetWorkAreaOfRect(r), onlyWhenFullyOutside);
    if (n.topLeft() != r.topLeft())
        SetFloatingPosition(n.topLeft());
}

// ---------------------------------------------------------------- frame

int TCustomToolWindow::DragHandleSize() const
{
    if (m_closeButtonWhenDocked)
        return 14;
    switch (m_dragHandleStyle) {
    case dhDouble: return 9;
    case dhSingle: return 6;
    case dhNone: return 0;
    }
    return 9;
}

QMargins TCustomToolWindow::DockedFrameMargins(const TDock *dock) const
{
    QMargins m(2, 2, 2, 2);
    if (dock && dock->AllowDrag()) {
        if (GetDockOrientation(dock) == doVertical)
            m.setTop(m.top() + DragHandleSize());
        else
            m.setLeft(m.left() + DragHandleSize());
    }
    return m;
}

QMargins TCustomToolWindow::FloatingFrameMargins() const
{
    const int f = FloatingFrameSize(m_sizable);
    return QMargins(f, f + (m_showCaption ? FloatingCaptionHeight() : 0), f, f);
}

QMargins TCustomToolWindow::FrameMargins() const
{
    if (m_docked && m_dock)
        return DockedFrameMargins(m_dock);
    return FloatingFrameMargins();
}

QRect TCustomToolWindow::ClientRect() const
{
    return rect().marginsRemoved(FrameMargins());
}

QRect TCustomToolWindow::DockedCloseButtonRect() const
{
    if (!m_closeButtonWhenDocked || !DockedToDockWithAllowDrag())
        return QRect();
    if (GetDockOrientation(m_dock) == doVertical)
        return QRect(ClientRect().width() - 11 + 2, 3, 11, 11);
    return QRect(3, 2, 11, 11);
}

QRect TCustomToolWindow::FloatingCloseButtonRect() const
{
    if (!m_closeButton || !m_showCaption)
        return QRect();
    const int f = FloatingFrameSize(m_sizable);
    const int ch = FloatingCaptionHeight();
    const int right = width() - f;
    return QRect(right - (ch - 1), f, ch - 1, ch - 1);
}

TToolWindowHit TCustomToolWindow::HitTest(const QPoint &p) const
{
    FrameHitParams prm;
    prm.docked = m_docked;
    prm.closeButton = DockedCloseButtonRect();
    prm.frameW = prm.frameH = FloatingFrameSize(m_sizable);
    prm.captionH = m_showCaption ? FloatingCaptionHeight() : 0;
    prm.closeButtonShown = m_closeButton;
    prm.sizable = m_sizable;
    bool a, c, d;
    const_cast<TCustomToolWindow *>(this)->GetCapabilities(a, c, d);
    prm.cornerSizing = c;
    return FrameHitTest(prm, width(), height(), p);
}

namespace kv::tb {

TToolWindowHit FrameHitTest(const FrameHitParams &prm, int w, int h, const QPoint &p)
{
    if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h)
        return htNowhere;
    if (prm.docked)
        return prm.closeButton.contains(p) ? htClose : htClient;
    const int fw = prm.frameW, fh = prm.frameH;
    QRect client(fw, fh + prm.captionH, w - 2 * fw, h - 2 * fh - prm.captionH);
    if (client.contains(p))
        return htClient;
    if (prm.captionH > 0) {
        QRect caption(fw, fh, w - 2 * fw, prm.captionH);
        if (caption.contains(p)) {
            if (prm.closeButtonShown) {
                const int right = w - fw;
                QRect square(right - (prm.captionH - 1), fh, prm.captionH - 1, prm.captionH - 1);
                if (square.contains(p))
                    return htClose;
            }
            return htClient;
        }
    }
    if (!prm.sizable)
        return htNowhere;
    const bool top = p.y() < fh;
    const bool bottom = p.y() >= h - fh - 1;
    const bool left = p.x() < fw;
    const bool right = p.x() >= w - fw - 1;
    if (!prm.cornerSizing) {
        if (top) return htTop;
        if (bottom) return htBottom;
        if (left) return htLeft;
        if (right) return htRight;
        return htNowhere;
    }
    const int corner = prm.captionH + fw - 1;
    if (left) {
        if (p.y() < corner) return htTopLeft;
        if (p.y() >= h - corner) return htBottomLeft;
        return htLeft;
    }
    if (right) {
        if (p.y() < corner) return htTopRight;
        if (p.y() >= h - corner) return htBottomRight;
        return htRight;
    }
    if (top) {
        if (p.x() < corner) return htTopLeft;
        if (p.x() >= w - corner) return htTopRight;
        return htTop;
    }
    if (bottom) {
        if (p.x() < corner) return htBottomLeft;
        if (p.x() >= w - corner) return htBottomRight;
        return htBottom;
    }
    return htNowhere;
}

QRect KeepOnScreenRect(const QRect &window, const QRect &wa, bool onlyWhenFullyOutside)
{
    if (onlyWhenFullyOutside && window.intersects(wa))
        return window;
    QRect r = window;
    if (r.left() + r.width() > wa.left() + wa.width())
        r.moveLeft(wa.left() + wa.width() - r.width());
    if (r.top() + r.height() > wa.top() + wa.height())
        r.moveTop(wa.top() + wa.height() - r.height());
    if (r.left() < wa.left())
        r.moveLeft(wa.left());
    if (r.top() < wa.top())
        r.moveTop(wa.top());
    return r;
}

} // namespace kv::tb

// ---------------------------------------------------------------- events

void TCustomToolWindow::resizeEvent(QResizeEvent *)
{
    if (m_host && parentWidget() == m_host && m_host->size() != size()) {
        ++m_internal;
        m_host->resize(size());
        --m_internal;
    }
    if (m_updatingBounds > 0 || m_inRelayout || m_internal > 0) {
        if (m_layoutSuspend == 0 && !m_destroying && !m_inRelayout) {
            m_inRelayout = true;
            LayoutContents(true, m_lastOrientation, DockedTo());
            m_inRelayout = false;
        }
    } else {
        SizeChanging(width(), height());
        Relayout();
    }
    update();
    emit Resized();
}

void TCustomToolWindow::moveEvent(QMoveEvent *)
{
    if (m_docked && m_dock && m_dock->HasBackground())
        update();
    if (m_moveSuppress == 0)
        NotifyMoved();
}

void TCustomToolWindow::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::WindowTitleChange)
        update();
    QWidget::changeEvent(e);
}

void TCustomToolWindow::childEvent(QChildEvent *e)
{
    QWidget::childEvent(e);
    if ((e->added() || e->removed()) && e->child()->isWidgetType())
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

bool TCustomToolWindow::event(QEvent *e)
{
    if (e->type() == QEvent::LayoutRequest) {
        Relayout();
        return true;
    }
    return QWidget::event(e);
}

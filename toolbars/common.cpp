#include "toolbars/common.h"

#include "platform/error.h"
#include "toolbars/dock.h"
#include "toolbars/toolwindow.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QScreen>
#include <QWindow>

#include <cstdlib>

namespace kv::tb {

namespace {

struct HookRecord {
    THookProc proc;
    int refCount;
    THookEventKinds kinds;
    bool counted;   // registered without listening
};

// One filter on the application stands in for the per-thread system hooks.
class HookFilter : public QObject {
public:
    std::vector<HookRecord> records;
    int useCount[4] = {0, 0, 0, 0};

    bool listening() const
    {
        return useCount[0] + useCount[1] + useCount[2] + useCount[3] > 0;
    }

    void dispatch(THookEventKind kind, QWidget *window, QEvent *event)
    {
        // Copy: a procedure may register or unregister while we walk.
        const std::vector<HookRecord> snapshot = records;
        for (const HookRecord &r : snapshot) {
            if (r.counted || !(r.kinds & hookKind(kind)))
                continue;
            try {
                r.proc(kind, window, event);
            } catch (...) {
                // A failing listener must not stop the others or the event.
            }
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ApplicationStateChange:
            if (watched == qApp && useCount[hkActivateApp] > 0)
                dispatch(hkActivateApp, nullptr, event);
            break;
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (useCount[hkWindowPosChanged] > 0 && watched->isWidgetType()) {
                auto *w = static_cast<QWidget *>(watched);
                if (w->isWindow())
                    dispatch(hkWindowPosChanged, w, event);
            }
            break;
        case QEvent::PlatformSurface:
            if (useCount[hkBeforeDestroy] > 0) {
                auto *pe = static_cast<QPlatformSurfaceEvent *>(event);
                auto *win = qobject_cast<QWindow *>(watched);
                if (win && pe->surfaceEventType() == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
                    for (QWidget *w : QApplication::topLevelWidgets())
                        if (w->windowHandle() == win) {
                            dispatch(hkBeforeDestroy, w, event);
                            break;
                        }
                }
            }
            break;
        case QEvent::MouseMove:
            if (useCount[hkMouseMoveFetched] > 0 && watched->isWidgetType())
                dispatch(hkMouseMoveFetched, static_cast<QWidget *>(watched), event);
            break;
        default:
            break;
        }
        return false;
    }
};

HookFilter *g_hooks = nullptr;

void changeUse(THookEventKinds kinds, int delta)
{
    bool before = g_hooks->listening();
    for (int k = 0; k < 4; ++k)
        if (kinds & (1u << k))
            g_hooks->useCount[k] = std::max(0, g_hooks->useCount[k] + delta);
    bool after = g_hooks->listening();
    if (!qApp)
        return;
    if (!before && after)
        qApp->installEventFilter(g_hooks);
    else if (before && !after)
        qApp->removeEventFilter(g_hooks);
}

} // namespace

void RegisterHookProc(THookProc proc, THookEventKinds kinds, bool countOnly)
{
    if (!g_hooks)
        g_hooks = new HookFilter;
    for (HookRecord &r : g_hooks->records)
        if (r.proc == proc) {
            ++r.refCount;
            if (!r.counted)
                changeUse(r.kinds, +1);
            return;
        }
    g_hooks->records.push_back({proc, 1, kinds, countOnly});
    if (!countOnly)
        changeUse(kinds, +1);
}

void UnregisterHookProc(THookProc proc)
{
    if (!g_hooks)
        return;
    auto &recs = g_hooks->records;
    for (auto it = recs.begin(); it != recs.end(); ++it) {
        if (it->proc != proc)
            continue;
        if (!it->counted)
            changeUse(it->kinds, -1);
        if (--it->refCount <= 0)
            recs.erase(it);
        break;
    }
    if (recs.empty() && !g_hooks->listening()) {
        delete g_hooks;
        g_hooks = nullptr;
    }
}

bool HookInstalled(THookEventKind kind)
{
    return g_hooks && g_hooks->useCount[kind] > 0;
}

int HookProcCount(THookProc proc)
{
    if (!g_hooks)
        return 0;
    for (const HookRecord &r : g_hooks->records)
        if (r.proc == proc)
            return r.refCount;
    return 0;
}

bool ApplicationIsActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive
        || QApplication::activeWindow() != nullptr;
}

int FloatingCaptionHeight()
{
    return 15;   // small caption of the classic scheme
}

int FloatingFrameSize(bool sizable)
{
    return sizable ? 4 : 3;
}

QRect GetWorkArea()
{
    if (QScreen *s = QGuiApplication::primaryScreen())
        return s->availableGeometry().isValid() ? s->availableGeometry() : s->geometry();
    return QRect(0, 0, 640, 480);
}

namespace {
QRect areaOf(QScreen *s)
{
    QRect a = s->availableGeometry();
    return a.isValid() ? a : s->geometry();
}

qint64 distanceSq(const QRect &a, const QRect &b)
{
    qint64 dx = 0, dy = 0;
    if (a.right() < b.left()) dx = b.left() - a.right();
    else if (b.right() < a.left()) dx = a.left() - b.right();
    if (a.bottom() < b.top()) dy = b.top() - a.bottom();
    else if (b.bottom() < a.top()) dy = a.top() - b.bottom();
    return dx * dx + dy * dy;
}
} // namespace

QRect GetWorkAreaOfRect(const QRect &r)
{
    const auto screens = QGuiApplication::screens();
    if (screens.size() <= 1)
        return GetWorkArea();
    QScreen *best = nullptr;
    qint64 bestArea = -1, bestDist = 0;
    for (QScreen *s : screens) {
        QRect i = s->geometry().intersected(r.normalized());
        qint64 area = i.isEmpty() ? 0 : qint64(i.width()) * i.height();
        qint64 dist = distanceSq(s->geometry(), r.normalized());
        if (!best || area > bestArea || (area == 0 && bestArea == 0 && dist < bestDist)) {
            best = s;
            bestArea = area;
            bestDist = dist;
        }
    }
    return areaOf(best);
}

QRect GetWorkAreaOfPoint(const QPoint &p)
{
    return GetWorkAreaOfRect(QRect(p, QSize(1, 1)));
}

QWidget *FormAboveControl(QWidget *control)
{
    if (!control)
        return nullptr;
    for (QWidget *w = control->parentWidget(); w; w = w->parentWidget()) {
        if (auto *host = qobject_cast<TFloatingWindowParent *>(w))
            return host->ParentForm();
        if (w->isWindow())
            return w;
    }
    return nullptr;
}

QWidget *RequireFormAboveControl(QWidget *control)
{
    QWidget *f = FormAboveControl(control);
    if (!f)
        throw kv::Error(QStringLiteral("Элемент управления '%1' не имеет родительского окна")
                            .arg(control ? control->objectName() : QString()));
    return f;
}

TDockOrientation OrientationOf(TDockPosition p)
{
    return (p == dpTop || p == dpBottom) ? doHorizontal : doVertical;
}

TDockOrientation GetDockOrientation(const TDock *dock)
{
    return dock ? OrientationOf(dock->Position()) : doNone;
}

void FlushPaintMessages()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

QWidget *FindWindowToActivate(QWidget *excluded)
{
    QWidget *topmost = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w == excluded || !w->isVisible() || !w->isEnabled())
            continue;
        if (qobject_cast<TFloatingWindowParent *>(w) && w == excluded)
            continue;
        if (w->windowFlags() & Qt::WindowStaysOnTopHint) {
            if (!topmost)
                topmost = w;
            continue;
        }
        return w;
    }
    return topmost;
}

void RefreshFrame(QWidget *control)
{
    if (auto *tw = qobject_cast<TCustomToolWindow *>(control))
        tw->RecalcFrame();
}

int DockPositionOfControl(const QWidget *control)
{
    for (const QWidget *w = control; w; w = w->parentWidget()) {
        if (auto *tw = qobject_cast<const TCustomToolWindow *>(w)) {
            if (TDock *d = tw->DockedTo())
                return int(d->Position());
            return 4;
        }
    }
    return 4;
}

int MulDivRound(int a, int b, int c)
{
    if (c == 0)
        return 0;
    long long p = (long long)a * b;
    long long q = c;
    if (q < 0) {
        p = -p;
        q = -q;
    }
    long long r = p >= 0 ? (p * 2 + q) / (q * 2) : -((-p * 2 + q) / (q * 2));
    return int(r);
}

} // namespace kv::tb

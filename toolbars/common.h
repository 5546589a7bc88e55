#pragma once
// Shared services of the docking toolbars: message hooks over one application
// event filter, a stable list sort, work areas of the screens, and the window
// and form look-ups the docks, tool windows and buttons share.
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <algorithm>
#include <vector>

class QEvent;
class TDock;
class TCustomToolWindow;

namespace kv::tb {

enum TDockPosition { dpTop, dpBottom, dpLeft, dpRight };
enum TDockOrientation { doNone, doHorizontal, doVertical };

enum THookEventKind {
    hkActivateApp = 0,       // the application became active or inactive
    hkWindowPosChanged = 1,  // a top-level window was shown, hidden, moved or resized
    hkBeforeDestroy = 2,     // a top-level window is about to lose its native window
    hkMouseMoveFetched = 3   // a mouse move reached some widget of the program
};
using THookEventKinds = unsigned;
constexpr THookEventKinds hookKind(THookEventKind k) { return 1u << unsigned(k); }

// window: the top-level widget concerned (hkWindowPosChanged, hkBeforeDestroy),
// the receiver (hkMouseMoveFetched), or none (hkActivateApp). event: the Qt
// event behind the notice, may be null.
using THookProc = void (*)(THookEventKind kind, QWidget *window, QEvent *event);

} // namespace kv::tb

namespace kv::tb {

// A procedure registered twice is counted twice; countOnly registers without
// listening (kept for parity with design-time use).
void RegisterHookProc(THookProc proc, THookEventKinds kinds, bool countOnly = false);
void UnregisterHookProc(THookProc proc);
bool HookInstalled(THookEventKind kind);   // is anybody listening for this kind
int HookProcCount(THookProc proc);         // reference count, 0 when not registered

// Stable, unlike the platform's quicksort, so equal items keep their order.
template <class T, class Less>
void SortPointerList(std::vector<T> &list, Less less)
{
    if (list.size() < 2)
        return;
    std::stable_sort(list.begin(), list.end(), less);
}

bool ApplicationIsActive();
int FloatingCaptionHeight();
// Fixed frame sizes of a floating window (sizable or not).
int FloatingFrameSize(bool sizable);

QRect GetWorkArea();
QRect GetWorkAreaOfRect(const QRect &r);
QRect GetWorkAreaOfPoint(const QPoint &p);

// The form a control stands on; for a floating tool window, the form it floats
// over. RequireFormAboveControl throws kv::Error when there is none.
QWidget *FormAboveControl(QWidget *control);
QWidget *RequireFormAboveControl(QWidget *control);

TDockOrientation GetDockOrientation(const TDock *dock);
TDockOrientation OrientationOf(TDockPosition p);

// Lets queued paint and layout work run before a drag or sizing starts.
void FlushPaintMessages();

// First visible, enabled top-level window other than `excluded`, preferring
// windows that do not stay on top.
QWidget *FindWindowToActivate(QWidget *excluded);

// Makes a tool window recompute its frame (after a drag-handle change).
void RefreshFrame(QWidget *control);

// The Position of the dock holding the control's tool window; 4 when the
// control is not in a docked tool window.
int DockPositionOfControl(const QWidget *control);

// Nearest integer of a * b / c (half away from zero); 0 when c is 0, so a tool
// window one pixel wide or high never divides by zero.
int MulDivRound(int a, int b, int c);

} // namespace kv::tb

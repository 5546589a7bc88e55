#pragma once
// A window that lives docked in a TDock or floating over its form in a
// frameless tool window of its own; the user moves it between the two by
// dragging. Dragging, sizing and the close button run as small state machines
// on the mouse and keyboard grabs, with an outline drawn meanwhile.
#include "toolbars/common.h"
#include "toolbars/dock.h"
#include "widgets/gwcolors.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class TCustomToolWindow;

namespace kv::tb {

enum TToolWindowDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TToolWindowFloatingMode { fmOnTopOfParentForm, fmOnTopOfAllForms };
enum TDragHandleStyle { dhDouble, dhNone, dhSingle };
enum TToolWindowBorderStyle { bsNone, bsSingle };
using TDockableTo = unsigned;   // bit (1 << TDockPosition)
constexpr TDockableTo dockableToAll = 0xF;

// Hit-test answers of a tool window's frame.
enum TToolWindowHit {
    htNowhere, htClient, htClose,
    htLeft, htRight, htTop, htBottom,
    htTopLeft, htTopRight, htBottomLeft, htBottomRight
};

// Storage callbacks of the position routines (section is the tool window's name).
using TPositionReadIntProc = std::function<int(const QString &name, const QString &key, int def)>;
using TPositionReadStringProc = std::function<QString(const QString &name, const QString &key, const QString &def)>;
using TPositionWriteIntProc = std::function<void(const QString &name, const QString &key, int value)>;
using TPositionWriteStringProc = std::function<void(const QString &name, const QString &key, const QString &value)>;

} // namespace kv::tb

namespace kv::tb {

// Frame hit testing of a tool window of size (w, h), pure so it can be tabled.
struct FrameHitParams {
    bool docked = true;
    // docked
    QRect closeButton;              // docked close button, empty when none
    // floating
    int frameW = 4, frameH = 4;     // frame sizes
    int captionH = 15;              // 0 without a caption
    bool closeButtonShown = true;
    bool sizable = true;
    bool cornerSizing = false;
};
TToolWindowHit FrameHitTest(const FrameHitParams &prm, int w, int h, const QPoint &p);

// Where a window goes to stay on the work area (see TCustomToolWindow::KeepOnScreen).
QRect KeepOnScreenRect(const QRect &window, const QRect &workArea, bool onlyWhenFullyOutside);

// Dock hit test of a drag: `outline` is where the bar would lie in the dock,
// `dockRect` the dock's screen rectangle, grab/ref the grab point and the
// reference size (width - 1, height - 1) of the window being dragged.
bool CanDockAtRect(const QRect &dockRect, bool verticalDock, const QRect &outline,
                   const QPoint &cursor, const QPoint &grab, const QSize &ref);

// Top-left of an outline of size `size` under `cursor`, keeping the grab point.
QPoint OutlinePos(const QPoint &cursor, const QSize &size, const QPoint &grab, const QSize &ref);

} // namespace kv::tb

// The hidden host of a floating tool window: a frameless tool window over the form.
class TFloatingWindowParent : public QWidget {
    Q_OBJECT
public:
    explicit TFloatingWindowParent(QWidget *form, bool onTopOfAllForms);
    ~TFloatingWindowParent() override;
    QWidget *ParentForm() const { return m_form; }
    void ClearParentForm() { m_form = nullptr; }
    bool ShouldShow = false;
    void UpdateShowing();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    QPointer<QWidget> m_form;
};

class TDragOutline;

class TCustomToolWindow : public QWidget {
    Q_OBJECT
public:
    // parent: a TDock (docked), a form (floating over it) or none.
    explicit TCustomToolWindow(QWidget *parent = nullptr);
    ~TCustomToolWindow() override;

    // Parent rules: none, a TDock (docks there) or a form (floats over it).
    void SetParentControl(QWidget *parent);
    TDock *DockedTo() const { return m_docked ? m_dock : nullptr; }
    void SetDockedTo(TDock *dock);       // none floats it on its form
    bool Docked() const { return m_docked; }
    bool Floating() const { return !m_docked && m_host; }
    int DockRow() const { return m_dockRow; }
    void SetDockRow(int row);
    int DockPos() const { return m_dockPos; }
    void SetDockPos(int pos);
    TDock *DefaultDock() const { return m_defaultDock; }
    void SetDefaultDock(TDock *d) { m_defaultDock = d; }
    TDock *LastDock() const { return m_lastDock; }
    void SetLastDock(TDock *d);
    bool UseLastDock() const { return m_useLastDock; }
    void SetUseLastDock(bool v);
    kv::tb::TDockableTo DockableTo() const { return m_dockableTo; }
    void SetDockableTo(kv::tb::TDockableTo v) { m_dockableTo = v; }
    kv::tb::TToolWindowDockMode DockMode() const { return m_dockMode; }
    void SetDockMode(kv::tb::TToolWindowDockMode m) { m_dockMode = m; }
    kv::tb::TToolWindowFloatingMode FloatingMode() const { return m_floatingMode; }
    void SetFloatingMode(kv::tb::TToolWindowFloatingMode m);
    kv::tb::TDragHandleStyle DragHandleStyle() const { return m_dragHandleStyle; }
    void SetDragHandleStyle(kv::tb::TDragHandleStyle s);
    kv::tb::TToolWindowBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(kv::tb::TToolWindowBorderStyle s);
    bool CloseButton() const { return m_closeButton; }
    void SetCloseButton(bool v);
    bool CloseButtonWhenDocked() const { return m_closeButtonWhenDocked; }
    void SetCloseButtonWhenDocked(bool v);
    bool ShowCaption() const { return m_showCaption; }
    void SetShowCaption(bool v);
    bool FullSize() const { return m_fullSize; }
    void SetFullSize(bool v);
    bool HideWhenInactive() const { return m_hideWhenInactive; }
    void SetHideWhenInactive(bool v);
    bool ActivateParent() const { return m_activateParent; }
    void SetActivateParent(bool v) { m_activateParent = v; }
    bool Sizable() const { return m_sizable; }
    void SetSizable(bool v);
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString &c);
    kv::gw::Color Color() const { return m_color; }
    void SetColor(kv::gw::Color c);
    QString Version() const;

    // The Visible property: what the user chose, whatever the host is doing.
    bool Visible() const { return m_visible; }
    void setVisible(bool visible) override;

    // Floating position, screen pixels (kept while docked).
    QPoint FloatingPosition() const { return m_floatPos; }
    void SetFloatingPosition(const QPoint &p);
    // Where the window is on the screen, docked or floating.
    QRect ScreenRect() const;
    TFloatingWindowParent *Host() const { return m_host; }
    // The form the window belongs to (docked, floating or last seen).
    QWidget *OwnerForm() const;
    quint64 CreationOrder() const { return m_creationOrder; }
    static std::vector<TCustomToolWindow *> AllToolWindows();

    // Once the window's controls are all built: item order from their
    // positions, then a layout.
    void Loaded();
    void Relayout();
    void BeginLayoutUpdate();
    void EndLayoutUpdate();
    void KeepOnScreen(bool onlyWhenFullyOutside);
    void RefreshVisibility();
    void RecalcFrame();

    // Frame: sizes on each side for the current state, the client rectangle.
    QMargins FrameMargins() const;
    QMargins DockedFrameMargins(const TDock *dock) const;
    QMargins FloatingFrameMargins() const;
    int DragHandleSize() const;
    QRect ClientRect() const;
    kv::tb::TToolWindowHit HitTest(const QPoint &p) const;
    QRect DockedCloseButtonRect() const;
    QRect FloatingCloseButtonRect() const;

    // State of the interactive loops, for the frame painting and for tests.
    bool Dragging() const { return m_mode == Mode::Drag; }
    bool SizingActive() const { return m_mode == Mode::Sizing; }
    QRect DragOutlineRect() const { return m_outlineRect; }
    TDock *DragTarget() const { return m_dragTarget; }
    bool CloseButtonPressed() const { return m_closePressed; }
    bool InactiveCaption() const { return m_inactiveCaption; }

    // A press on a child that passes mouse presses to the drag (separators).
    void ChildMousePress(QWidget *child, QMouseEvent *e);

    // Events.
    std::function<void(TCustomToolWindow *, bool &canClose)> OnCloseQuery;

    // Position routines' hooks.
    virtual void PositionsRestored(const kv::tb::TPositionReadIntProc &, const kv::tb::TPositionReadStringProc &) {}
    virtual void ReadExtraPositions(const kv::tb::TPositionReadIntProc &, const kv::tb::TPositionReadStringProc &) {}
    virtual void WriteExtraPositions(const kv::tb::TPositionWriteIntProc &, const kv::tb::TPositionWriteStringProc &) {}

    // Layout for the current place, or floating (target none) / another dock.
    QSize MeasureFor(TDock *target);

signals:
    void Closed();
    void DockChanged();
    void DockChanging();
    void DockChangingEx(TDock *dockingTo);
    void DockChangingHiddenSignal(TDock *dockingTo);
    void Moved();
    void Recreated();
    void Recreating();
    void Resized();
    void VisibleChanged();

protected:
    // Supplied by the descendant.
    virtual int GetBarThickness(kv::tb::TDockOrientation orientation);
    virtual QSize MinimumClientSize() { return QSize(0, 0); }
    virtual QSize LayoutContents(bool moveControls, kv::tb::TDockOrientation previous, TDock *target);
    virtual void SizeChanging(int, int) {}
    virtual bool PassesMouseToDrag(QWidget *) { return false; }
    virtual void DockChangingHidden(TDock *target);
    virtual void NotifyMoved();
    virtual void GetCapabilities(bool &useStandardAlign, bool &cornerSizing, bool &clipCursor);
    virtual void SortItemsByPosition() {}
    virtual void SizingStarted(kv::tb::TToolWindowHit) {}
    virtual void SizingEnded(bool) {}
    virtual void AdjustSizingRect(QRect &, const QRect &) {}

    // Puts a child at a client-area rectangle.
    void PlaceChild(QWidget *child, const QRect &clientRect);
    bool DockedToDockWithAllowDrag() const;

    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;
    void childEvent(QChildEvent *e) override;
    bool event(QEvent *e) override;

    virtual void PaintFloatingExtras(QPainter &) {}

private:
    friend class TDock;
    friend class TFloatingWindowParent;
    friend void ToolWindowHookProc(kv::tb::THookEventKind, QWidget *, QEvent *);

    void ChangeParent(QWidget *newParent);   // a TDock, a form, or none
    void LayoutAndResize(kv::tb::TDockOrientation previous, TDock *target, bool resize);
    bool ComputeShouldShow() const;
    void ApplyVisibility();
    void SetBoundsInternal(const QRect &r);
    void ResizeInternal(const QSize &s);
    void UpdateFloatingList();
    void DockInto(TDock *dock);
    void FloatOnForm(QWidget *form);

    // interactive loops (toolwindow_drag.cpp)
    enum class Mode { None, Drag, Sizing, Close };
    void BeginDrag(const QPoint &globalPress, const QPoint &localPress, Qt::KeyboardModifiers mods);
    void UpdateDragOutline(const QPoint &cursor);
    void EndDrag(bool accept);
    void CollectDocks(QWidget *container, std::vector<TDock *> &out);
    bool CanDockAt(TDock *dock, const QPoint &cursor) const;
    QSize DockedSizeFor(TDock *dock);
    void BeginSizing(kv::tb::TToolWindowHit edge, const QPoint &globalPress);
    void UpdateSizing(const QPoint &cursor);
    void EndSizing(bool accept);
    void BeginCloseButton(bool docked);
    void EndCloseButton(bool accept);
    void DoubleClick();
    void SetOutline(const QRect &r, bool floatingThickness);
    void EndLoop();
    void PaintDockedFrame(QPainter &p);
    void PaintFloatingFrame(QPainter &p);

    QPointer<TDock> m_dock;
    bool m_docked = false;
    int m_dockRow = 0;
    int m_dockPos = -1;
    QPointer<TDock> m_defaultDock;
    QPointer<TDock> m_lastDock;
    bool m_useLastDock = true;
    kv::tb::TDockableTo m_dockableTo = kv::tb::dockableToAll;
    kv::tb::TToolWindowDockMode m_dockMode = kv::tb::dmCanFloat;
    kv::tb::TToolWindowFloatingMode m_floatingMode = kv::tb::fmOnTopOfParentForm;
    kv::tb::TDragHandleStyle m_dragHandleStyle = kv::tb::dhDouble;
    kv::tb::TToolWindowBorderStyle m_borderStyle = kv::tb::bsSingle;
    bool m_closeButton = true;
    bool m_closeButtonWhenDocked = false;
    bool m_showCaption = true;
    bool m_fullSize = false;
    bool m_hideWhenInactive = true;
    bool m_activateParent = true;
    bool m_sizable = true;
    kv::gw::Color m_color = kv::gw::clBtnFace;
    bool m_visible = true;

    QPoint m_floatPos;
    QPointer<TFloatingWindowParent> m_host;
    QPointer<QWidget> m_lastForm;
    quint64 m_creationOrder = 0;
    int m_hidden = 0;
    int m_moveSuppress = 0;
    int m_updatingBounds = 0;
    int m_layoutSuspend = 0;
    int m_internal = 0;            // our own show/hide/reparent calls
    bool m_layoutWanted = false;
    bool m_inRelayout = false;
    bool m_destroying = false;
    bool m_inactiveCaption = false;
    kv::tb::TDockOrientation m_lastOrientation = kv::tb::doNone;
    bool m_lastOrientationSet = false;

    Mode m_mode = Mode::None;
    QPoint m_lastCursor;
    QPoint m_grab;
    QSize m_ref;
    bool m_ctrl = false;
    bool m_cannotFloat = false;
    std::vector<QPointer<TDock>> m_dragDocks;
    std::vector<QSize> m_dragDockSizes;
    QSize m_floatSize;
    QRect m_outlineRect;
    bool m_outlineFloating = false;
    QPointer<TDock> m_dragTarget;
    TDragOutline *m_outline = nullptr;
    kv::tb::TToolWindowHit m_sizeEdge = kv::tb::htNowhere;
    QPoint m_sizeStartCursor;
    QRect m_sizeStartRect;
    bool m_closePressed = false;
    bool m_closeDocked = false;
};

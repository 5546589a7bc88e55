#include "toolbars/common.h"
#include "toolbars/toolwindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

using namespace kv::tb;

namespace {

// The offscreen platform complains about every grab and mask; keep the log readable.
struct QuietPlatform {
    QuietPlatform()
    {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &msg) {
            if (msg.startsWith(QLatin1String("This plugin does not support")))
                return;
            fprintf(stderr, "%s\n", qPrintable(msg));
        });
    }
} quietPlatform;

int g_calls = 0;
void countingProc(THookEventKind, QWidget *, QEvent *) { ++g_calls; }
void throwingProc(THookEventKind, QWidget *, QEvent *) { throw std::runtime_error("listener failed"); }

void sendMove(QWidget *w)
{
    QMouseEvent me(QEvent::MouseMove, QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(w, &me);
}

} // namespace

TEST(Hooks, RegisteredTwiceSurvivesOneUnregister)
{
    RegisterHookProc(&countingProc, hookKind(hkMouseMoveFetched));
    RegisterHookProc(&countingProc, hookKind(hkMouseMoveFetched));
    EXPECT_EQ(HookProcCount(&countingProc), 2);
    UnregisterHookProc(&countingProc);
    EXPECT_EQ(HookProcCount(&countingProc), 1);
    EXPECT_TRUE(HookInstalled(hkMouseMoveFetched));
    QWidget w;
    g_calls = 0;
    sendMove(&w);
    EXPECT_EQ(g_calls, 1);
    UnregisterHookProc(&countingProc);
    EXPECT_EQ(HookProcCount(&countingProc), 0);
    sendMove(&w);
    EXPECT_EQ(g_calls, 1);
}

TEST(Hooks, AFailingProcedureStopsNeitherOthersNorTheEvent)
{
    RegisterHookProc(&throwingProc, hookKind(hkMouseMoveFetched));
    RegisterHookProc(&countingProc, hookKind(hkMouseMoveFetched));
    struct Probe : QWidget {
        int moves = 0;
        void mouseMoveEvent(QMouseEvent *) override { ++moves; }
    } w;
    w.setMouseTracking(true);
    g_calls = 0;
    sendMove(&w);
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(w.moves, 1);
    UnregisterHookProc(&throwingProc);
    UnregisterHookProc(&countingProc);
}

TEST(Common, StableSortKeepsEqualItemsInOrder)
{
    std::vector<std::pair<int, char>> v{{2, 'a'}, {1, 'b'}, {2, 'c'}, {1, 'd'}, {0, 'e'}};
    SortPointerList(v, [](const auto &a, const auto &b) { return a.first < b.first; });
    std::string order;
    for (auto &p : v)
        order += p.second;
    EXPECT_EQ(order, "ebdac");
}

TEST(Common, MulDivRoundGuardsZero)
{
    EXPECT_EQ(MulDivRound(32, 5, 599), 0);
    EXPECT_EQ(MulDivRound(20, 20, 38), 11);
    EXPECT_EQ(MulDivRound(3, 1, 2), 2);    // half away from zero
    EXPECT_EQ(MulDivRound(-3, 1, 2), -2);
    EXPECT_EQ(MulDivRound(612, 5, 0), 0);  // a tool window one pixel wide
}

struct KeepCase {
    QRect window;
    bool onlyOutside;
    QRect expected;
};

class KeepOnScreenTable : public testing::TestWithParam<KeepCase> {};

TEST_P(KeepOnScreenTable, Moves)
{
    const QRect wa(0, 0, 800, 600);
    EXPECT_EQ(KeepOnScreenRect(GetParam().window, wa, GetParam().onlyOutside), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepOnScreenTable,
    testing::Values(KeepCase{QRect(100, 100, 200, 50), true, QRect(100, 100, 200, 50)},
                    KeepCase{QRect(-300, 100, 200, 50), true, QRect(0, 100, 200, 50)},
                    KeepCase{QRect(-50, 100, 200, 50), true, QRect(-50, 100, 200, 50)},   // partly on: stays
                    KeepCase{QRect(-50, 100, 200, 50), false, QRect(0, 100, 200, 50)},
                    KeepCase{QRect(700, 580, 200, 50), false, QRect(600, 550, 200, 50)},
                    KeepCase{QRect(700, 580, 200, 50), true, QRect(700, 580, 200, 50)},
                    KeepCase{QRect(900, 700, 100, 100), true, QRect(700, 500, 100, 100)},
                    KeepCase{QRect(-5000, -5000, 100, 100), true, QRect(0, 0, 100, 100)},
                    // Larger than the area: the top-left corner wins.
                    KeepCase{QRect(-50, -50, 1000, 700), false, QRect(0, 0, 1000, 700)}));

struct DockAtCase {
    bool vertical;
    QPoint cursor;
    bool expected;
};

class CanDockAtTable : public testing::TestWithParam<DockAtCase> {};

TEST_P(CanDockAtTable, Bands)
{
    // An empty top dock at y 50 (x 100..499) or an empty left dock at x 10 (y 100..399);
    // the bar is grabbed at (5, 20) of its 600 x 39.
    const DockAtCase &c = GetParam();
    const QRect dock = c.vertical ? QRect(10, 100, 0, 300) : QRect(100, 50, 400, 0);
    const QSize size = c.vertical ? QSize(89, 358) : QSize(613, 39);
    const QPoint grab(5, 20);
    const QSize ref(599, 38);
    const QRect outline(OutlinePos(c.cursor, size, grab, ref), size);
    EXPECT_EQ(CanDockAtRect(dock, c.vertical, outline, c.cursor, grab, ref), c.expected)
        << c.cursor.x() << "," << c.cursor.y();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CanDockAtTable,
    testing::Values(
        // a = 0, c = 11: x in [68, 499], y in [40, 61]
        DockAtCase{false, QPoint(67, 45), false}, DockAtCase{false, QPoint(68, 45), true},
        DockAtCase{false, QPoint(499, 45), true}, DockAtCase{false, QPoint(500, 45), false},
        DockAtCase{false, QPoint(200, 39), false}, DockAtCase{false, QPoint(200, 40), true},
        DockAtCase{false, QPoint(200, 61), true}, DockAtCase{false, QPoint(200, 62), false},
        // Left dock: x in [-23, 10], y within the dock.
        DockAtCase{true, QPoint(-24, 200), false}, DockAtCase{true, QPoint(-23, 200), true},
        DockAtCase{true, QPoint(10, 200), true}, DockAtCase{true, QPoint(11, 200), false},
        DockAtCase{true, QPoint(0, 99), false}, DockAtCase{true, QPoint(0, 100), true},
        DockAtCase{true, QPoint(0, 399), true}, DockAtCase{true, QPoint(0, 400), false}));

TEST(CanDockAt, OnePixelWindowDoesNotDivideByZero)
{
    const QRect dock(100, 50, 400, 0);
    const QSize ref(0, 0);
    const QPoint grab(0, 0);
    const QRect outline(OutlinePos(QPoint(200, 45), QSize(1, 1), grab, ref), QSize(1, 1));
    EXPECT_EQ(outline.topLeft(), QPoint(200, 45));
    EXPECT_FALSE(CanDockAtRect(dock, false, outline, QPoint(200, 45), grab, ref));
    const QRect on(OutlinePos(QPoint(200, 49), QSize(1, 1), grab, ref), QSize(1, 1));
    EXPECT_TRUE(CanDockAtRect(dock, false, on, QPoint(200, 49), grab, ref));
}

struct HitCase {
    bool corner;
    QPoint p;
    TToolWindowHit expected;
};

class FrameHitTable : public testing::TestWithParam<HitCase> {};

TEST_P(FrameHitTable, FloatingBands)
{
    FrameHitParams prm;
    prm.docked = false;
    prm.cornerSizing = GetParam().corner;
    EXPECT_EQ(FrameHitTest(prm, 100, 60, GetParam().p), GetParam().expected)
        << GetParam().p.x() << "," << GetParam().p.y();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameHitTable,
    testing::Values(HitCase{false, QPoint(50, 30), htClient}, HitCase{false, QPoint(10, 10), htClient},
                    HitCase{false, QPoint(90, 10), htClose}, HitCase{false, QPoint(82, 4), htClose},
                    HitCase{false, QPoint(81, 4), htClient}, HitCase{false, QPoint(50, 2), htTop},
                    HitCase{false, QPoint(50, 55), htClient}, HitCase{false, QPoint(50, 56), htBottom},
                    HitCase{false, QPoint(50, 59), htBottom}, HitCase{false, QPoint(2, 30), htLeft},
                    HitCase{false, QPoint(95, 30), htClient}, HitCase{false, QPoint(96, 30), htRight},
                    HitCase{false, QPoint(2, 2), htTop}, HitCase{false, QPoint(98, 58), htBottom},
                    HitCase{true, QPoint(2, 2), htTopLeft}, HitCase{true, QPoint(2, 30), htLeft},
                    HitCase{true, QPoint(2, 50), htBottomLeft}, HitCase{true, QPoint(50, 2), htTop},
                    HitCase{true, QPoint(90, 2), htTopRight}, HitCase{true, QPoint(98, 58), htBottomRight},
                    HitCase{true, QPoint(10, 58), htBottomLeft}));

TEST(FrameHit, DockedAndFixedFrames)
{
    FrameHitParams docked;
    docked.closeButton = QRect(3, 2, 11, 11);
    EXPECT_EQ(FrameHitTest(docked, 200, 30, QPoint(1, 1)), htClient);
    EXPECT_EQ(FrameHitTest(docked, 200, 30, QPoint(5, 5)), htClose);
    EXPECT_EQ(FrameHitTest(docked, 200, 30, QPoint(150, 28)), htClient);
    FrameHitParams fixed;
    fixed.docked = false;
    fixed.sizable = false;
    fixed.frameW = fixed.frameH = 3;
    EXPECT_EQ(FrameHitTest(fixed, 100, 60, QPoint(50, 1)), htNowhere);
    EXPECT_EQ(FrameHitTest(fixed, 100, 60, QPoint(50, 30)), htClient);
}

#include "toolbars/tests/fixture.h"

#include "platform/error.h"
#include "platform/testsupport/errors.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

struct FloatingForm : MainToolbarForm {
    FloatingForm()
    {
        form->activateWindow();
        (void)QTest::qWaitForWindowActive(form.get(), 1000);
        tbar->SetDockMode(dmCanFloat);
        tbar->SetFloatingPosition(QPoint(100, 150));
        tbar->SetParentControl(form.get());
        QApplication::processEvents();
    }
};

} // namespace

TEST(FloatingToolbar, FloatsInAFramelessToolWindowOverTheForm)
{
    FloatingForm f;
    ASSERT_TRUE(f.tbar->Floating());
    TFloatingWindowParent *host = f.tbar->Host();
    ASSERT_NE(host, nullptr);
    EXPECT_TRUE(host->objectName().startsWith(QLatin1String("TBarFloatingWindowParent_")));
    EXPECT_EQ(host->objectName().size(), 25 + 8);
    EXPECT_TRUE(host->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(host->ParentForm(), f.form.get());
    EXPECT_EQ(host->geometry(), QRect(QPoint(100, 150), QSize(611, 61)));
    EXPECT_TRUE(host->isVisible());
    EXPECT_EQ(f.find("tbNewGroup")->geometry(), QRect(4 + 4, 4 + 15 + 2, 60, 35));
    // Hiding the form hides the floating toolbar; showing it brings it back.
    f.form->hide();
    EXPECT_FALSE(host->isVisible());
    f.form->show();
    EXPECT_TRUE(host->isVisible());
}

TEST(FloatingToolbar, SizingTheRightEdgePicksAWrapLayout)
{
    FloatingForm f;
    const std::vector<QSize> cands = f.tbar->SizingCandidates();
    const int w = f.tbar->width();
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(w - 2, 40));
    ASSERT_TRUE(f.tbar->SizingActive());
    QTest::mouseMove(f.tbar, QPoint(250, 40));
    const QRect outline = f.tbar->DragOutlineRect();
    EXPECT_LE(outline.width(), 252);
    EXPECT_NE(std::find(cands.begin(), cands.end(), outline.size()), cands.end());
    EXPECT_EQ(outline.topLeft(), QPoint(100, 150));
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(250, 40));
    EXPECT_FALSE(f.tbar->SizingActive());
    EXPECT_EQ(f.tbar->size(), outline.size());
    EXPECT_EQ(f.tbar->FloatingRightX(), outline.width() - 8);
    EXPECT_EQ(f.tbar->Host()->size(), outline.size());
    // Growing a little picks the next larger layout, never a width in between.
    const int now = f.tbar->width();
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(now - 2, 40));
    QTest::mouseMove(f.tbar, QPoint(now - 2 + 20, 40));
    const QRect grown = f.tbar->DragOutlineRect();
    EXPECT_GT(grown.width(), now);
    EXPECT_NE(std::find(cands.begin(), cands.end(), grown.size()), cands.end());
    QTest::keyPress(f.tbar, Qt::Key_Escape);
    EXPECT_EQ(f.tbar->width(), now);
}

TEST(FloatingToolbar, CloseButtonAsksFirst)
{
    FloatingForm f;
    bool allow = false;
    f.tbar->OnCloseQuery = [&](TCustomToolWindow *, bool &canClose) { canClose = allow; };
    QSignalSpy closed(f.tbar, &TCustomToolWindow::Closed);
    const QPoint close(f.tbar->width() - 10, 10);
    ASSERT_EQ(f.tbar->HitTest(close), htClose);
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, close);
    EXPECT_TRUE(f.tbar->CloseButtonPressed());
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, close);
    EXPECT_TRUE(f.tbar->Visible());
    EXPECT_EQ(closed.count(), 0);
    // Leaving the button before release does not close either.
    allow = true;
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, close);
    QTest::mouseMove(f.tbar, QPoint(40, 40));
    EXPECT_FALSE(f.tbar->CloseButtonPressed());
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    EXPECT_TRUE(f.tbar->Visible());
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, close);
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, close);
    EXPECT_FALSE(f.tbar->Visible());
    EXPECT_FALSE(f.tbar->Host()->isVisible());
    EXPECT_EQ(closed.count(), 1);
}

TEST(FloatingToolbar, DragKeepsTheOutlineOnTheScreen)
{
    FloatingForm f;
    const QRect wa = kv::tb::GetWorkAreaOfPoint(QPoint(100, 100));
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(QPoint(5000, 5000)));
    QRect o = f.tbar->DragOutlineRect();
    EXPECT_TRUE(o.intersects(wa));
    EXPECT_LE(o.left(), wa.left() + wa.width() - 8);
    EXPECT_LE(o.top(), wa.top() + wa.height() - 8);
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(QPoint(300, -500)));
    o = f.tbar->DragOutlineRect();
    EXPECT_GE(o.top(), wa.top() - 19 + 4);
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, f.tbar->mapFromGlobal(QPoint(300, -500)));
    EXPECT_EQ(f.tbar->ScreenRect().topLeft(), o.topLeft());
    EXPECT_TRUE(f.tbar->Floating());
}

TEST(FloatingToolbar, DraggedOntoTheBottomDock)
{
    FloatingForm f;
    const QPoint to = f.dock2->mapToGlobal(QPoint(200, 0));
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(to));
    EXPECT_EQ(f.tbar->DragTarget(), f.dock2);
    // Docked outline: the docked size for that dock.
    EXPECT_EQ(f.tbar->DragOutlineRect().size(), QSize(595 + 4 + 9, 35 + 4));
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, f.tbar->mapFromGlobal(to));
    EXPECT_EQ(f.tbar->DockedTo(), f.dock2);
    EXPECT_EQ(f.dock2->height(), 40);
    EXPECT_EQ(f.tbar->Host(), nullptr);
    // The floating spot is remembered while docked.
    EXPECT_EQ(f.tbar->FloatingPosition(), QPoint(100, 150));
}

TEST(FloatingToolbar, DoubleClickFloatsAndDefaultDockTakesItBack)
{
    MainToolbarForm f;
    f.form->activateWindow();
    (void)QTest::qWaitForWindowActive(f.form.get(), 1000);
    // Cannot float: a double-click does nothing.
    QTest::mouseDClick(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
    f.tbar->SetDockMode(dmCanFloat);
    QTest::mouseDClick(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    ASSERT_TRUE(f.tbar->Floating());
    f.tbar->SetUseLastDock(false);
    EXPECT_EQ(f.tbar->LastDock(), nullptr);
    EXPECT_TRUE(f.dock1->Bars().empty());
    f.tbar->SetDefaultDock(f.dock4);
    QTest::mouseDClick(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    EXPECT_EQ(f.tbar->DockedTo(), f.dock4);
    EXPECT_EQ(f.tbar->DockRow(), 0);
    EXPECT_EQ(f.tbar->DockPos(), 0);
}

TEST(DockEdges, BottomAndRightDocksKeepTheirOuterEdge)
{
    QWidget host;
    host.resize(400, 300);
    auto *bottom = new TDock(&host, dpBottom);
    bottom->setGeometry(0, 300, 400, 0);
    auto *right = new TDock(&host, dpRight);
    right->setGeometry(400, 0, 0, 300);
    for (TDock *d : {bottom, right}) {
        auto *tb = new TToolbar(d);
        auto *b = new TToolbarButton(tb);
        b->resize(23, 22);
        tb->Relayout();
    }
    EXPECT_EQ(bottom->geometry(), QRect(0, 300 - 26, 400, 26));
    EXPECT_EQ(right->geometry(), QRect(400 - 27, 0, 27, 300));
}

TEST(DockEdges, EmptyDockThickness)
{
    QWidget host;
    auto *d = new TDock(&host, dpTop);
    d->ArrangeBars();
    EXPECT_EQ(d->height(), 0);
    d->SetFixAlign(true);
    EXPECT_EQ(d->height(), 1);
    auto *tb = new TToolbar(d);
    tb->Relayout();
    EXPECT_EQ(d->height(), 8 + 4);   // an empty toolbar is 8 thick
    delete tb;
    EXPECT_EQ(d->height(), 1);
}

TEST(DockEdges, MisuseIsRefused)
{
    MainToolbarForm f(QPoint(40, 30), QSize(700, 480), false);
    // Misuse raises in every build and leaves the docks and bars as they were.
    QWidget plain(f.form.get());
    TToolbar loose;
    QWidget *const host = loose.parentWidget();
    const TDockPosition before = f.dock1->Position();
    const int formChildren = int(f.form->findChildren<QWidget *>().size());
    const struct {
        const char *what;
        std::function<void()> misuse;
        const char *message;
    } cases[] = {
        {"dock in a toolbar", [&] { new TDock(f.tbar, dpTop); },
         "A TDock control cannot be placed inside a tool window or another TDock"},
        {"dock in a dock", [&] { new TDock(f.dock1, dpTop); },
         "A TDock control cannot be placed inside a tool window or another TDock"},
        {"side of a dock with bars", [&] { f.dock1->SetPosition(dpLeft); },
         "Cannot change Position of a TDock if it already contains controls"},
        {"separator off a toolbar", [&] { new TToolbarSep(&plain); },
         "A TToolbarSep can only be placed on a toolbar"},
        {"tool window on a plain widget", [&] { loose.SetParentControl(&plain); },
         "A tool window can only be placed on a TDock or directly on the form"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(kv::test::ErrorOf(c.misuse), c.message) << c.what;
        EXPECT_EQ(int(f.form->findChildren<QWidget *>().size()), formChildren) << c.what;
    }
    EXPECT_EQ(f.dock1->Position(), before);
    EXPECT_EQ(loose.parentWidget(), host);
    f.dock2->SetPosition(dpLeft);   // empty: allowed
    EXPECT_EQ(f.dock2->Position(), dpLeft);
    // Floating needs a form above it.
    try {
        loose.setObjectName(QStringLiteral("tbLoose"));
        loose.SetDockedTo(nullptr);
        FAIL();
    } catch (const kv::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Элемент управления 'tbLoose' не имеет родительского окна"));
    }
}

TEST(DockEdges, ThickerNeighbourCentresTheButtons)
{
    MainToolbarForm f;
    f.tbar->SetFullSize(false);
    auto *small = new TToolbar(f.dock1);
    auto *b = new TToolbarButton(small);
    b->resize(23, 22);
    small->Relayout();
    small->SetDockRow(0);
    small->SetDockPos(650);
    f.dock1->ArrangeBars(true);
    ASSERT_EQ(small->DockRow(), 0);
    // Row 35 thick: the 22-high button sits in its middle.
    EXPECT_EQ(small->height(), 39);
    EXPECT_EQ(b->geometry().top(), 2 + (35 - 22) / 2);
}

TEST(DockEdges, BackgroundTilesLineUpAcrossDockAndBars)
{
    MainToolbarForm f;
    QPixmap tile(8, 8);
    tile.fill(Qt::white);
    {
        QPainter p(&tile);
        p.fillRect(0, 0, 4, 4, QColor(200, 0, 0));
    }
    f.dock1->SetBackground(tile);
    const QImage shot = f.form->grab().toImage();
    // The tiles line up with the form whether the bar's frame or a separator shows them.
    for (QPoint p : {QPoint(1, 1), QPoint(8 * 40 + 1, 1), QPoint(192, 2), QPoint(192, 17)})
        EXPECT_EQ(QColor(shot.pixel(p)), QColor(200, 0, 0)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(196, 2), QPoint(192, 5), QPoint(191, 17)})
        EXPECT_EQ(QColor(shot.pixel(p)), QColor(Qt::white)) << p.x() << "," << p.y();
}

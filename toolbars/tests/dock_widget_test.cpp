#include "toolbars/tests/fixture.h"

#include "toolbars/common.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>

namespace {

// Presses on the drag handle of a docked bar, moves to `to` (global) and releases.
void dragBar(TCustomToolWindow *bar, const QPoint &grabLocal, const QPoint &toGlobal, bool ctrl = false)
{
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, grabLocal);
    if (ctrl)
        QTest::keyPress(bar, Qt::Key_Control);
    QTest::mouseMove(bar, bar->mapFromGlobal(toGlobal));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, bar->mapFromGlobal(toGlobal));
}

} // namespace

TEST(MainToolbar, DockedAtTheTopInOneLine)
{
    MainToolbarForm f;
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
    EXPECT_EQ(f.dock1->height(), 40);
    EXPECT_EQ(f.tbar->geometry(), QRect(0, 0, 700, 39));
    EXPECT_EQ(f.dock2->height(), 0);
    EXPECT_EQ(f.dock3->width(), 0);
    // Drag handle (9) and the border (2) come before the first button.
    EXPECT_EQ(f.find("tbNewGroup")->geometry(), QRect(11, 2, 60, 35));
    EXPECT_EQ(f.find("tbOpenGroup")->geometry(), QRect(71, 2, 60, 35));
    EXPECT_EQ(f.find("ToolbarSep1")->geometry(), QRect(191, 2, 6, 35));
    EXPECT_EQ(f.find("tbAllMaterials")->geometry(), QRect(197, 2, 85, 35));
    EXPECT_EQ(f.find("tbExit")->geometry(), QRect(546, 2, 60, 35));
    EXPECT_EQ(f.find<TToolbarButton>("tbNewGroup")->Caption(), QStringLiteral("Новая"));
}

TEST(MainToolbar, LayoutSizes)
{
    MainToolbarForm f(QPoint(40, 30), QSize(700, 480), false);
    // Docked horizontally: one line, as long as the items.
    EXPECT_EQ(f.tbar->MeasureFor(f.dock1), QSize(595, 35));
    EXPECT_EQ(f.tbar->MeasureFor(f.dock2), QSize(595, 35));
    // In a side dock the widest button sets the thickness and items stack.
    EXPECT_EQ(f.tbar->MeasureFor(f.dock3), QSize(85, 345));
    // Floating: margins 4 along, 2 and 1 across.
    EXPECT_EQ(f.tbar->MeasureFor(nullptr), QSize(603, 38));
    // Floating wrapped at 200: four lines, trailing separators dropped.
    f.tbar->SetFloatingRightX(200);
    EXPECT_EQ(f.tbar->MeasureFor(nullptr), QSize(194, 161));
    // Narrower than the widest button: the limit becomes its width + 8.
    f.tbar->SetFloatingRightX(20);
    EXPECT_EQ(f.tbar->MeasureFor(nullptr).width(), 93);
}

TEST(MainToolbar, FloatingWrapZeroesLineEndSeparators)
{
    MainToolbarForm f;
    f.find<TToolbarSep>("ToolbarSep4")->SetBlank(true);
    f.tbar->SetFloatingRightX(200);
    f.tbar->SetParentControl(f.form.get());   // float
    ASSERT_FALSE(f.tbar->Docked());
    EXPECT_EQ(f.tbar->ClientRect().size(), QSize(194, 161));
    EXPECT_EQ(f.find("ToolbarSep1")->width(), 0);
    EXPECT_EQ(f.find("ToolbarSep4")->width(), 0);
    EXPECT_EQ(f.find("ToolbarSep3")->width(), 0);
    EXPECT_EQ(f.find("ToolbarSep5")->width(), 6);
    const auto &lines = f.tbar->WrapLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].across, 43);
    EXPECT_FALSE(lines[0].blank);
    EXPECT_EQ(lines[1].across, 84);
    EXPECT_TRUE(lines[1].blank);
    EXPECT_EQ(lines[2].across, 125);
    // Second line starts with "Все материалы" at the left margin.
    const QPoint o = f.tbar->ClientRect().topLeft();
    EXPECT_EQ(f.find("tbAllMaterials")->geometry(), QRect(o + QPoint(4, 43), QSize(85, 35)));
    EXPECT_EQ(f.find("tbExit")->geometry(), QRect(o + QPoint(4, 125), QSize(60, 35)));
}

TEST(MainToolbar, SizingCandidatesNeverFallBetweenLayouts)
{
    MainToolbarForm f;
    const std::vector<QSize> c = f.tbar->SizingCandidates();
    ASSERT_GE(c.size(), 3u);
    // Largest first, the unwrapped one leading; each a real layout (frame 4+4, caption 15).
    EXPECT_EQ(c.front(), QSize(603 + 8, 38 + 8 + 15));
    for (size_t i = 1; i < c.size(); ++i)
        EXPECT_LT(c[i].width(), c[i - 1].width());
    // Every candidate is what the layout gives at its own width.
    for (const QSize &s : c) {
        f.tbar->SetFloatingRightX(s.width() - 8);
        if (s == c.front())
            f.tbar->SetFloatingRightX(0);
        EXPECT_EQ(f.tbar->MeasureFor(nullptr) + QSize(8, 23), s);
    }
    // The narrowest is one button per line.
    EXPECT_EQ(c.back().width(), 85 + 8 + 8);
}

TEST(MainToolbar, DragIntoLeftDockStacksTheButtons)
{
    MainToolbarForm f;
    const QPoint to = f.dock3->mapToGlobal(QPoint(0, 150));
    dragBar(f.tbar, QPoint(5, 20), to);
    ASSERT_EQ(f.tbar->DockedTo(), f.dock3);
    EXPECT_EQ(f.dock1->height(), 0);
    EXPECT_EQ(f.dock3->width(), 85 + 4 + 1);
    // Full size: the whole height of the dock; handle on top.
    EXPECT_EQ(f.tbar->geometry(), QRect(0, 0, 89, f.dock3->height()));
    EXPECT_EQ(f.find("tbNewGroup")->geometry(), QRect(14, 11, 60, 35));
    EXPECT_EQ(f.find("tbOpenGroup")->geometry(), QRect(14, 46, 60, 35));
    EXPECT_EQ(f.find("ToolbarSep1")->geometry(), QRect(2, 116, 85, 6));
    EXPECT_EQ(f.find("tbAllMaterials")->geometry(), QRect(2, 122, 85, 35));
    EXPECT_FALSE(f.tbar->Dragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // And back to the top dock.
    dragBar(f.tbar, QPoint(40, 5), f.dock1->mapToGlobal(QPoint(100, 0)));
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
    EXPECT_EQ(f.dock3->width(), 0);
    EXPECT_EQ(f.dock1->height(), 40);
    EXPECT_EQ(f.find("tbNewGroup")->geometry(), QRect(11, 2, 60, 35));
}

TEST(MainToolbar, DragBetweenAllDocks)
{
    MainToolbarForm f;
    struct Step {
        TDock *dock;
        QPoint at;
    } steps[] = {{f.dock4, QPoint(0, 100)}, {f.dock2, QPoint(300, 0)}, {f.dock3, QPoint(0, 60)}, {f.dock1, QPoint(200, 0)}};
    for (const Step &s : steps) {
        const QPoint grab = kv::tb::GetDockOrientation(f.tbar->DockedTo()) == doVertical ? QPoint(40, 5) : QPoint(5, 20);
        dragBar(f.tbar, grab, s.dock->mapToGlobal(s.at));
        EXPECT_EQ(f.tbar->DockedTo(), s.dock) << s.dock->objectName().toStdString();
        EXPECT_GT(s.dock->width() * s.dock->height(), 0);
        for (TDock *d : {f.dock1, f.dock2, f.dock3, f.dock4}) {
            if (d != s.dock) {
                EXPECT_EQ(kv::tb::OrientationOf(d->Position()) == doHorizontal ? d->height() : d->width(), 0)
                    << d->objectName().toStdString();
            }
        }
    }
}

TEST(MainToolbar, CtrlSuppressesDockingAndReleasingItDocksAtOnce)
{
    MainToolbarForm f;
    const QPoint to = f.dock3->mapToGlobal(QPoint(0, 150));
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    ASSERT_TRUE(f.tbar->Dragging());
    QTest::keyPress(f.tbar, Qt::Key_Control);
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(to));
    EXPECT_EQ(f.tbar->DragTarget(), nullptr);
    // It cannot float: no outline, not-allowed cursor.
    EXPECT_TRUE(f.tbar->DragOutlineRect().isEmpty());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    QTest::keyRelease(f.tbar, Qt::Key_Control);
    EXPECT_EQ(f.tbar->DragTarget(), f.dock3);
    EXPECT_FALSE(f.tbar->DragOutlineRect().isEmpty());
    QTest::keyPress(f.tbar, Qt::Key_Control);
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, f.tbar->mapFromGlobal(to));
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
}

TEST(MainToolbar, CannotFloatStaysDockedWhenReleasedOutside)
{
    MainToolbarForm f;
    const QRect before = f.tbar->geometry();
    const QPoint middle = f.form->mapToGlobal(QPoint(350, 250));
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(middle));
    EXPECT_EQ(f.tbar->DragTarget(), nullptr);
    EXPECT_TRUE(f.tbar->DragOutlineRect().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, f.tbar->mapFromGlobal(middle));
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
    EXPECT_EQ(f.tbar->geometry(), before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MainToolbar, EscapeCancelsTheDrag)
{
    MainToolbarForm f;
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(f.dock3->mapToGlobal(QPoint(0, 150))));
    EXPECT_EQ(f.tbar->DragTarget(), f.dock3);
    QTest::keyPress(f.tbar, Qt::Key_Escape);
    EXPECT_FALSE(f.tbar->Dragging());
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
}

TEST(MainToolbar, SeparatorStartsADrag)
{
    MainToolbarForm f;
    auto *sep = f.find<TToolbarSep>("ToolbarSep2");
    QTest::mousePress(sep, Qt::LeftButton, Qt::NoModifier, QPoint(3, 10));
    EXPECT_TRUE(f.tbar->Dragging());
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, sep->mapTo(f.tbar, QPoint(3, 10)));
    EXPECT_FALSE(f.tbar->Dragging());
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
}

TEST(FloatingToolbar, DraggedOutFloatsAndDoubleClickDocksBack)
{
    MainToolbarForm f;
    f.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.form.get(), 1000));
    f.tbar->SetDockMode(dmCanFloat);
    const QPoint middle = f.form->mapToGlobal(QPoint(300, 250));
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(middle));
    // Floating outline: the floating size, with the floating frame thickness.
    EXPECT_EQ(f.tbar->DragOutlineRect().size(), QSize(603 + 8, 38 + 8 + 15));
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, f.tbar->mapFromGlobal(middle));
    ASSERT_TRUE(f.tbar->Floating());
    EXPECT_EQ(f.tbar->ScreenRect().size(), QSize(611, 61));
    EXPECT_EQ(f.tbar->LastDock(), f.dock1);
    EXPECT_EQ(f.dock1->height(), 0);
    EXPECT_EQ(f.tbar->FloatingPosition(), f.tbar->Host()->pos());
    // Double-click on the caption goes back to the last dock.
    QTest::mouseDClick(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(30, 8));
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
    EXPECT_EQ(f.dock1->height(), 40);
}

TEST(DragTargets, RequestDockDockableToAndOwnDockOnly)
{
    MainToolbarForm f;
    const QPoint left = f.dock3->mapToGlobal(QPoint(0, 150));
    int asked = 0;
    f.dock3->OnRequestDock = [&](TDock *, TCustomToolWindow *bar, bool &accept) {
        ++asked;
        EXPECT_EQ(bar, f.tbar);
        accept = false;
    };
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(left));
    EXPECT_GT(asked, 0);
    EXPECT_EQ(f.tbar->DragTarget(), nullptr);
    QTest::keyPress(f.tbar, Qt::Key_Escape);
    f.dock3->OnRequestDock = nullptr;

    f.tbar->SetDockableTo(dockableToAll & ~(1u << dpLeft));
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(left));
    EXPECT_EQ(f.tbar->DragTarget(), nullptr);
    QTest::keyPress(f.tbar, Qt::Key_Escape);

    f.tbar->SetDockableTo(dockableToAll);
    f.tbar->SetDockMode(dmCannotFloatOrChangeDocks);
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    QTest::mouseMove(f.tbar, f.tbar->mapFromGlobal(left));
    EXPECT_EQ(f.tbar->DragTarget(), nullptr);
    QTest::mouseMove(f.tbar, QPoint(200, 20));
    EXPECT_EQ(f.tbar->DragTarget(), f.dock1);
    QTest::keyPress(f.tbar, Qt::Key_Escape);

    // A dock that does not allow dragging gives no drag at all.
    f.tbar->SetDockMode(dmCannotFloat);
    f.dock1->SetAllowDrag(false);
    EXPECT_EQ(f.tbar->ClientRect().left(), 2);   // no drag handle
    QTest::mousePress(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(1, 20));
    EXPECT_FALSE(f.tbar->Dragging());
    QTest::mouseRelease(f.tbar, Qt::LeftButton, Qt::NoModifier, QPoint(1, 20));
}

TEST(DragTargets, BoundaryBandOpensANewRow)
{
    MainToolbarForm f;
    f.tbar->SetFullSize(false);
    // Built apart and then docked, so its place is set before it arrives.
    auto *second = new TToolbar;
    second->setObjectName(QStringLiteral("tbarSecond"));
    auto *b = new TToolbarButton(second);
    b->resize(23, 22);
    second->SetDockPos(620);
    second->SetParentControl(f.dock1);
    f.dock1->ArrangeBars(true);
    ASSERT_EQ(f.tbar->x(), 0);
    ASSERT_EQ(second->DockRow(), 0);
    ASSERT_EQ(f.dock1->height(), 40);
    // Grab the small bar at its handle and drop its middle 3 pixels above the
    // bottom of row 0 (row 0 ends at 39): a new row 1 opens below.
    const QPoint grab(4, 13);
    const int h = second->height();   // 26 once docked anywhere
    const int wantMid = 39 - 3;
    QPoint to = f.dock1->mapToGlobal(QPoint(300, 0));
    to.setY(f.dock1->mapToGlobal(QPoint(0, wantMid)).y() - h / 2 + grab.y());
    QTest::mousePress(second, Qt::LeftButton, Qt::NoModifier, grab);
    QTest::mouseMove(second, second->mapFromGlobal(to));
    ASSERT_EQ(second->DragTarget(), f.dock1);
    QTest::mouseRelease(second, Qt::LeftButton, Qt::NoModifier, second->mapFromGlobal(to));
    EXPECT_EQ(second->DockRow(), 1);
    EXPECT_EQ(f.tbar->DockRow(), 0);
    EXPECT_EQ(f.dock1->height(), 40 + 26);
    // Dropped in the middle of row 0 it joins that row again.
    QPoint back = f.dock1->mapToGlobal(QPoint(640, 20 - 13 + grab.y()));
    QTest::mousePress(second, Qt::LeftButton, Qt::NoModifier, grab);
    QTest::mouseMove(second, second->mapFromGlobal(back));
    QTest::mouseRelease(second, Qt::LeftButton, Qt::NoModifier, second->mapFromGlobal(back));
    EXPECT_EQ(second->DockRow(), 0);
    EXPECT_EQ(f.dock1->height(), 40);
    EXPECT_EQ(second->x(), 640 - 4);
    EXPECT_EQ(f.tbar->x(), 0);
}

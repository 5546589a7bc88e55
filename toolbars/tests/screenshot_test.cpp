// Writes a picture of the test window when KV_TOOLBARS_SHOT names a PNG file:
// the top dock with the main toolbar and a second, smaller toolbar below it.
#include "toolbars/tests/fixture.h"

#include <gtest/gtest.h>

#include <QScreen>

TEST(Screenshot, TopDockWithTwoToolbars)
{
    const QByteArray path = qgetenv("KV_TOOLBARS_SHOT");
    MainToolbarForm f(QPoint(40, 30), QSize(700, 260));
    auto *second = new TToolbar(f.dock1);
    second->setObjectName(QStringLiteral("tbarSecond"));
    second->SetCaption(QStringLiteral("Вторая"));
    second->BeginLayoutUpdate();
    for (int i = 0; i < 4; ++i) {
        if (i == 2)
            new TToolbarSep(second);
        auto *b = new TToolbarButton(second);
        b->SetImages(f.images);
        b->SetImageIndex(10 + i);
        b->resize(23, 22);
    }
    second->EndLayoutUpdate();
    second->Relayout();
    second->SetDockPos(40);
    f.dock1->ArrangeBars(true);
    f.find<TToolbarButton>("tbOpenGroup")->setEnabled(false);
    QTest::mouseMove(f.find("tbWareHouse"), QPoint(20, 20));
    QApplication::processEvents();
    EXPECT_EQ(second->DockRow(), 1);
    EXPECT_EQ(f.dock1->height(), 40 + 26);
    const QImage shot = f.form->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(700, 260));
    if (!path.isEmpty()) {
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path), "PNG"));
    }
    // The whole screen as the display shows it (under Xvfb, say).
    const QByteArray screenPath = qgetenv("KV_TOOLBARS_SCREEN_SHOT");
    if (!screenPath.isEmpty()) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f.form.get(), 2000));
        QTest::qWait(200);
        const QPixmap screen = f.form->screen()->grabWindow(0);
        EXPECT_TRUE(screen.save(QString::fromLocal8Bit(screenPath), "PNG"));
    }
}

TEST(Screenshot, LeftDockAndWrappedFloating)
{
    const QByteArray path = qgetenv("KV_TOOLBARS_SHOT");
    MainToolbarForm f(QPoint(40, 30), QSize(400, 420));
    f.form->activateWindow();
    (void)QTest::qWaitForWindowActive(f.form.get(), 1000);
    f.tbar->SetDockedTo(f.dock3);
    QApplication::processEvents();
    const QImage left = f.form->grab().toImage();
    EXPECT_EQ(left.size(), QSize(400, 420));
    f.tbar->SetFloatingRightX(200);
    f.tbar->SetFloatingPosition(QPoint(100, 100));
    f.tbar->SetParentControl(f.form.get());
    QApplication::processEvents();
    const QImage floating = f.tbar->grab().toImage();
    EXPECT_EQ(floating.size(), QSize(194 + 8, 161 + 8 + 15));
    if (!path.isEmpty()) {
        EXPECT_TRUE(left.save(QString::fromLocal8Bit(path + "-left.png"), "PNG"));
        EXPECT_TRUE(floating.scaled(floating.size() * 2).save(QString::fromLocal8Bit(path + "-float.png"), "PNG"));
    }
}

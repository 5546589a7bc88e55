#include "controls/extimer.h"
#include "controls/speedbutton.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using SB = TExSpeedButton;

TEST(SpeedButtonLayout, MarginAndSpacingCases)
{
    const kv::ExFixedMetrics m(6, 13);
    const QRect client(0, 0, 100, 30);
    struct Case { int margin, spacing; int glyphX, textX; };
    // Glyph 16 wide, caption "Abc" 18 wide, glyph left of the caption.
    const Case cases[] = {
        {-1, -1, (100 - 34) / 3, 2 * ((100 - 34) / 3) + 16},   // both centre: 22, 60
        {-1, 4, 50 - (16 + 4 + 18) / 2, 50 - 19 + 16 + 4},      // margin centres the pair
        {5, -1, 5, 5 + 16 + ((100 - 5 - 16) / 2 - 18 / 2)},      // spacing centres the caption
        {5, 2, 5, 23},
    };
    for (const Case &c : cases) {
        const auto lay = SB::ComputeLayout(client, QSize(16, 16), "Abc", c.margin, c.spacing,
                                           SB::blGlyphLeft, false, false, m);
        EXPECT_EQ(lay.glyphPos.x(), c.glyphX) << c.margin << "," << c.spacing;
        EXPECT_EQ(lay.textRect.x(), c.textX) << c.margin << "," << c.spacing;
        EXPECT_EQ(lay.glyphPos.y(), 15 - 8);
        EXPECT_EQ(lay.textRect.y(), 15 - 6);
    }
    // Right layout mirrors; no caption means no spacing.
    auto r = SB::ComputeLayout(client, QSize(16, 16), "Abc", 5, 2, SB::blGlyphRight, false, false, m);
    EXPECT_EQ(r.glyphPos.x(), 100 - 5 - 16);
    EXPECT_EQ(r.textRect.x(), 79 - 2 - 18);
    auto g = SB::ComputeLayout(client, QSize(16, 16), "", -1, 7, SB::blGlyphTop, false, false, m);
    EXPECT_EQ(g.glyphPos, QPoint(42, 15 - 8));   // spacing dropped: (30-16)/2
    // A long caption is shortened to the room left by glyph, margin and spacing.
    auto s = SB::ComputeLayout(QRect(0, 0, 60, 20), QSize(16, 16), "Печать карт", 2, 2,
                               SB::blGlyphLeft, false, false, m);
    EXPECT_EQ(s.caption, QString::fromUtf8("Печ..."));   // room 40 px: 6 characters fit
    // The drop-down mark takes 9 px beside a caption, 6 beside a top glyph.
    auto d = SB::ComputeLayout(client, QSize(16, 16), "", -1, -1, SB::blGlyphTop, true, false, m);
    EXPECT_EQ(d.glyphSize, QSize(22, 16));
    auto dc = SB::ComputeLayout(client, QSize(0, 0), "Abc", -1, -1, SB::blGlyphLeft, true, false, m);
    EXPECT_EQ(dc.textRect.width(), 27);
}

TEST(SpeedButtonGlyphs, CountFromStrip)
{
    EXPECT_EQ(SB::GlyphCountForStrip(64, 16, 1), 4);
    EXPECT_EQ(SB::GlyphCountForStrip(112, 16, 2), 1);   // 7 is too many
    EXPECT_EQ(SB::GlyphCountForStrip(40, 16, 2), 2);    // uneven: unchanged
    EXPECT_EQ(SB::GlyphCountForStrip(0, 16, 3), 3);     // empty strip
    EXPECT_EQ(SB::GlyphCountForStrip(16, 0, 3), 3);
    SB b;
    QImage none(0, 16, QImage::Format_RGB32);
    b.setGlyph(none);
    EXPECT_EQ(b.NumGlyphs(), 1);
    EXPECT_TRUE(b.StateImage(SB::bfsUp).isNull());
    b.setNumGlyphs(9);
    EXPECT_EQ(b.NumGlyphs(), 5);
}

static QImage twoGlyphs()
{
    QImage img(32, 16, QImage::Format_RGB32);
    img.fill(QColor(0xFF, 0x00, 0xFF));
    for (int y = 4; y < 8; ++y)
        for (int x = 4; x < 8; ++x) {
            img.setPixel(x, y, qRgb(200, 0, 0));        // glyph 1: red
            img.setPixel(16 + x, y, qRgb(0, 0, 200));   // glyph 2: blue
        }
    return img;
}

TEST(SpeedButtonGlyphs, StateImages)
{
    SB b;
    b.setGlyph(twoGlyphs());
    EXPECT_EQ(b.NumGlyphs(), 2);
    EXPECT_EQ(b.StateImage(SB::bfsUp).pixel(5, 5), qRgb(200, 0, 0) | 0xFF000000);
    EXPECT_EQ(b.StateImage(SB::bfsDisabled).pixel(5, 5), qRgb(0, 0, 200) | 0xFF000000);
    EXPECT_EQ(b.StateImage(SB::bfsDown).pixel(5, 5), qRgb(200, 0, 0) | 0xFF000000);
    EXPECT_EQ(b.StateImage(SB::bfsExclusive).pixel(5, 5), qRgb(200, 0, 0) | 0xFF000000);
    const int g = (77 * 200) / 256;
    EXPECT_EQ(b.StateImage(SB::bfsInactive).pixel(5, 5), qRgb(g, g, g) | 0xFF000000);
    EXPECT_EQ(qAlpha(b.StateImage(SB::bfsUp).pixel(0, 0)), 0);   // fuchsia keyed out

    // One glyph, disabled: the embossed image of its black pixels.
    QImage one(16, 16, QImage::Format_RGB32);
    one.fill(Qt::white);
    one.setPixel(3, 3, qRgb(0, 0, 0));
    SB c;
    c.setGlyph(one);
    const QImage dis = c.StateImage(SB::bfsDisabled);
    EXPECT_EQ(QColor(dis.pixel(3, 3)), kv::BtnShadowColor());
    EXPECT_EQ(QColor(dis.pixel(4, 4)), kv::BtnHighlightColor());
}

TEST(SpeedButton, DownWithoutGroupStaysUp)
{
    SB b;
    b.setDown(true);
    EXPECT_FALSE(b.Down());
}

TEST(SpeedButton, LatchingWithAndWithoutAllowAllUp)
{
    QWidget parent;
    auto *a = new SB(&parent);
    auto *b = new SB(&parent);
    a->setObjectName("tbA");
    b->setObjectName("tbB");
    b->move(30, 0);
    a->setGroupIndex(1);
    b->setGroupIndex(1);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy clicks(a, &SB::clicked);
    QTest::mouseClick(parent.findChild<SB *>("tbA"), Qt::LeftButton);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(a, Qt::LeftButton);   // cannot release itself
    EXPECT_TRUE(a->Down());
    QTest::mouseClick(b, Qt::LeftButton);   // the other one takes over
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());

    b->setAllowAllUp(true);                 // the group agrees
    EXPECT_TRUE(a->AllowAllUp());
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(a->Down());
}

TEST(SpeedButton, ReleaseOutsideDoesNotClick)
{
    QWidget parent;
    auto *a = new SB(&parent);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy clicks(a, &SB::clicked);
    QTest::mousePress(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(a->FaceState(), SB::bfsDown);
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(a->FaceState(), SB::bfsUp);
}

TEST(SpeedButton, AutoRepeatHold750)
{
    kv::FakeClock clock;
    QWidget parent;
    auto *a = new SB(&parent);
    a->setAllowTimer(true);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy clicks(a, &SB::clicked);
    QTest::mousePress(a, Qt::LeftButton, {}, QPoint(5, 5));
    clock.advance(499);
    EXPECT_EQ(clicks.count(), 0);
    clock.advance(251);   // 750 ms: clicks at 500, 600, 700
    EXPECT_EQ(clicks.count(), 3);
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 4);   // the final click of the release
    clock.advance(1000);
    EXPECT_EQ(clicks.count(), 4);
}

TEST(SpeedButton, DropDownMenuOnPressWithoutClick)
{
    QWidget parent;
    auto *a = new SB(&parent);
    a->setObjectName("tbPrint");
    QMenu menu;
    menu.addAction("Печать");
    a->setDropDownMenu(&menu);
    parent.move(200, 200);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy clicks(a, &SB::clicked);
    bool shown = false;
    QPoint at;
    QTimer::singleShot(50, &menu, [&] {
        shown = menu.isVisible();
        at = menu.pos();
        // While the menu is open, a press on the button does not reopen it.
        EXPECT_TRUE(a->MenuTracking());
        menu.close();
    });
    QTest::mousePress(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(shown);
    EXPECT_EQ(at, a->mapToGlobal(QPoint(-1, a->height())));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(a->FaceState(), SB::bfsUp);
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0);
}

TEST(SpeedButton, ModalResultClosesDialog)
{
    QDialog dlg;
    auto *ok = new SB(&dlg);
    ok->setModalResult(QDialog::Accepted);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(SpeedButton, ActionDrivesClickAndDown)
{
    QWidget parent;
    auto *a = new SB(&parent);
    QAction act("Сохранить");
    act.setCheckable(true);
    a->setGroupIndex(3);
    a->setAllowAllUp(true);
    a->setAction(&act);
    QSignalSpy trig(&act, &QAction::triggered);
    a->Click();
    EXPECT_EQ(trig.count(), 1);
    act.setChecked(true);
    EXPECT_TRUE(a->Down());
    act.setEnabled(false);
    EXPECT_FALSE(a->isEnabled());
}

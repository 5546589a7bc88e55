#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QWidget>

#include "report/windows/enginectl.h"

namespace {

QImage strip(int count, int size)
{
    QImage img(count * size, size, QImage::Format_RGB32);
    img.fill(qRgb(0, 128, 128));
    for (int i = 0; i < count; ++i)
        for (int y = 2; y < size - 2; ++y)
            for (int x = 2; x < size - 2; ++x) img.setPixel(i * size + x, y, qRgb(200, 0, 0));
    return img;
}

} // namespace

TEST(SpeedButton, DefaultsAndRefusedValues)
{
    TrpSpeedButton b;
    EXPECT_EQ(b.size(), QSize(22, 22));
    EXPECT_EQ(b.Spacing(), 4);
    EXPECT_EQ(b.Margin(), -1);
    EXPECT_TRUE(b.GrayedInactive());
    EXPECT_FALSE(b.Flat());
    b.SetNumGlyphs(6);
    EXPECT_EQ(b.NumGlyphs(), 4);
    b.SetMargin(3);
    b.SetMargin(-2);
    EXPECT_EQ(b.Margin(), 3);
    b.SetMargin(-1);
    EXPECT_EQ(b.Margin(), -1);
}

TEST(SpeedButton, GlyphCountFromTheBitmap)
{
    struct Case { int count; int before; int expected; };
    const Case cases[] = {{1, 3, 1}, {2, 1, 2}, {4, 1, 4}, {5, 2, 2}};   // 5 images: the number stays
    for (const Case &c : cases) {
        TrpButtonGlyph g;
        g.SetNumGlyphs(c.before);
        g.SetGlyph(strip(c.count, 16));
        EXPECT_EQ(g.NumGlyphs(), c.expected) << c.count;
    }
    TrpButtonGlyph g;
    EXPECT_EQ(g.TransparentColor() & 0xFFFFFF, qRgb(0, 128, 128) & 0xFFFFFF);
    QImage img = strip(1, 16);
    img.setPixel(0, 15, qRgb(1, 2, 3));   // bottom-left decides
    g.SetGlyph(img);
    EXPECT_EQ(g.TransparentColor() & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
}

TEST(SpeedButton, InactiveGlyphIsGreyAndTransparentStaysClear)
{
    TrpButtonGlyph g;
    g.SetGlyph(strip(1, 16));
    const QImage &up = g.StateImage(rbsUp);
    const QImage &grey = g.StateImage(rbsInactive);
    ASSERT_FALSE(grey.isNull());
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);
    EXPECT_EQ(up.pixel(5, 5) & 0xFFFFFF, qRgb(200, 0, 0) & 0xFFFFFF);
    const int level = (200 * 77) / 256;
    EXPECT_EQ(grey.pixel(5, 5) & 0xFFFFFF, qRgb(level, level, level) & 0xFFFFFF);
    EXPECT_EQ(qAlpha(grey.pixel(0, 0)), 0);
    EXPECT_TRUE(g.IsPrepared(rbsInactive));
    g.SetNumGlyphs(2);   // a change drops what was prepared
    EXPECT_FALSE(g.IsPrepared(rbsInactive));
}

TEST(SpeedButton, FlatButtonIsInactiveUntilTheMouseComes)
{
    QWidget parent;
    TrpSpeedButton b(&parent);
    b.SetFlat(true);
    EXPECT_EQ(b.State(), rbsInactive);
    b.SetGrayedInactive(false);
    EXPECT_EQ(b.State(), rbsUp);
    b.setEnabled(false);
    EXPECT_EQ(b.State(), rbsDisabled);
}

TEST(SpeedButton, GroupsKeepOneButtonDown)
{
    QWidget parent;
    TrpSpeedButton a(&parent), b(&parent), other(&parent);
    a.SetGroupIndex(1);
    b.SetGroupIndex(1);
    other.SetDown(true);          // no group: refused
    EXPECT_FALSE(other.Down());
    a.SetDown(true);
    EXPECT_TRUE(a.Down());
    a.SetDown(false);             // down in a group without AllowAllUp: stays
    EXPECT_TRUE(a.Down());
    b.SetDown(true);
    EXPECT_TRUE(b.Down());
    EXPECT_FALSE(a.Down());
    b.SetAllowAllUp(true);        // told to the group
    EXPECT_TRUE(a.AllowAllUp());
    b.SetDown(false);
    EXPECT_FALSE(b.Down());
}

TEST(SpeedButton, ClickOnlyOnReleaseInside)
{
    QWidget parent;
    parent.resize(100, 100);
    TrpSpeedButton b(&parent);
    b.SetGroupIndex(2);
    b.SetAllowAllUp(true);
    int clicks = 0;
    b.OnClick = [&] { ++clicks; };
    parent.show();
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b.Down());
    // Pressed inside, released outside: nothing.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b.Down());
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(b.Down());
    b.setEnabled(false);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 2);
}

TEST(ToolbarItems, FollowTheOrientationOfTheToolbar)
{
    struct Case { TrpAlign outer; bool vertical; };
    const Case cases[] = {{raLeft, true}, {raRight, true}, {raTop, false}, {raNone, false}};
    for (const Case &c : cases) {
        QWidget outer;
        rpSetPanelAlign(&outer, c.outer);
        QWidget panel(&outer);
        panel.resize(30, 200);
        if (!c.vertical) panel.resize(200, 30);
        auto *b1 = new TrpTBButton(&panel);
        auto *sep = new TrpTBSeparator(&panel);
        auto *b2 = new TrpTBButton(&panel);
        rpLayoutToolbar(&panel);
        if (c.vertical) {
            EXPECT_EQ(b1->Align(), raTop);
            EXPECT_EQ(sep->Align(), raTop);
            EXPECT_EQ(b1->pos(), QPoint(0, 0));
            EXPECT_EQ(sep->y(), 22);
            EXPECT_EQ(b2->y(), 30);
            EXPECT_EQ(b2->x(), 0);
        } else {
            EXPECT_EQ(b1->Align(), raLeft);
            EXPECT_EQ(b2->x(), 30);
            EXPECT_EQ(b2->y(), 0);
        }
        EXPECT_TRUE(b1->Flat());
    }
}

TEST(ToolbarItems, SeparatorDrawsAnEtchedLineAcrossItsMiddle)
{
    QWidget parent;
    TrpTBSeparator s(&parent);
    s.SetAlign(raLeft);
    s.resize(8, 22);
    const QImage img = s.grab().toImage();
    // Vertical: shadow at x 4, highlight at x 5, from y 2 to height - 2.
    EXPECT_EQ(img.pixel(4, 10) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(img.pixel(5, 10) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_NE(img.pixel(4, 1) & 0xFFFFFF, 0x808080u);
    EXPECT_NE(img.pixel(4, 20) & 0xFFFFFF, 0x808080u);
}

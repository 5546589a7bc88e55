// The one table of system colours and the embossed look every library draws
// disabled glyphs with.
#include "platform/colors.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(SystemColors, TheClassicSchemeByIndex)
{
    struct Case { quint32 in; int r, g, b; };
    const Case cases[] = {
        {0x80000000u, 0xD4, 0xD0, 0xC8},   // scroll bar: the face grey, as the other faces
        {0x80000001u, 0x3A, 0x6E, 0xA5},   // desktop
        {0x80000002u, 0x0A, 0x24, 0x6A},   // active caption
        {0x80000005u, 0xFF, 0xFF, 0xFF},   // window
        {0x80000008u, 0x00, 0x00, 0x00},   // window text
        {0x8000000Cu, 0x80, 0x80, 0x80},   // application workspace
        {0x8000000Du, 0x0A, 0x24, 0x6A},   // highlight
        {kSysBtnFace, 0xD4, 0xD0, 0xC8},
        {kSysBtnShadow, 0x80, 0x80, 0x80},
        {kSysBtnHighlight, 0xFF, 0xFF, 0xFF},
        {0x80000015u, 0x40, 0x40, 0x40},   // 3-D dark shadow
        {0x80000018u, 0xFF, 0xFF, 0xE1},   // info background
        {0x8000001Au, 0x00, 0x00, 0x80},   // hot light
        {0x8000001Bu, 0xA6, 0xCA, 0xF0},   // gradient active caption
        {0x8000001Cu, 0xC0, 0xC0, 0xC0},   // gradient inactive caption
        {0x8000001Eu, 0xD4, 0xD0, 0xC8},   // menu bar, the last one
        {0x000000FFu, 0xFF, 0x00, 0x00},   // a plain colour: red in the low byte
        {0x00123456u, 0x56, 0x34, 0x12},
        {0x7F123456u, 0x56, 0x34, 0x12},   // high byte of a plain colour ignored
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PlatformColor(c.in), QColor(c.r, c.g, c.b)) << std::hex << c.in;
        EXPECT_EQ(ResolveColorBGR(c.in), quint32(c.r | c.g << 8 | c.b << 16)) << std::hex << c.in;
    }
}

TEST(SystemColors, NoneAndUnknownIndexesResolveToNothing)
{
    for (quint32 c : {kColorNone, 0x8000001Fu, 0x800000FFu}) {
        EXPECT_FALSE(ResolveColorBGR(c).has_value()) << std::hex << c;
        EXPECT_FALSE(PlatformColor(c).isValid()) << std::hex << c;
    }
    EXPECT_FALSE(SystemColorBGR(-1).has_value());
    EXPECT_FALSE(SystemColorBGR(kSystemColorCount).has_value());
    EXPECT_EQ(SystemColorBGR(kSystemColorCount - 1), 0xC8D0D4u);
}

TEST(SystemColors, EmbossedShapeHasItsHighlightBelowRightAndIsClipped)
{
    // An L of three pixels in a 3 x 3 shape.
    const auto inShape = [](int x, int y) { return (x == 0 && y < 2) || (x == 1 && y == 1); };
    const QColor bg(1, 2, 3), sh(10, 10, 10), hi(200, 200, 200);
    const QStringList want = {
        "S..",
        "SS.",
        ".HH",
    };
    const QImage img = EmbossedImage(QSize(3, 3), inShape, QSize(3, 3), bg, sh, hi);
    ASSERT_EQ(img.size(), QSize(3, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            const QChar w = want[y][x];
            const QColor c = w == 'S' ? sh : w == 'H' ? hi : bg;
            EXPECT_EQ(img.pixelColor(x, y), c) << x << "," << y;
        }
    // Without a highlight only the shadow shows; a larger result keeps the edge.
    EXPECT_EQ(EmbossedImage(QSize(3, 3), inShape, QSize(3, 3), bg, sh, QColor()).pixelColor(1, 2), bg);
    const QImage big = DisabledGlyph(QSize(3, 3), [](int x, int y) { return x == 2 && y == 2; }, QSize(4, 4));
    EXPECT_EQ(big.pixelColor(3, 3), PlatformColor(kSysBtnHighlight));
    EXPECT_EQ(big.pixelColor(2, 2), PlatformColor(kSysBtnShadow));
    EXPECT_EQ(big.pixelColor(0, 0).alpha(), 0);
}

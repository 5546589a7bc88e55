#include "widgets/gwbitmap.h"
#include "widgets/imager.h"
#include "platform/error.h"

#include <gtest/gtest.h>
#include <QPainter>

using namespace kv::gw;

namespace {
TgwBitmap filled(int w, int h, Color c)
{
    TgwBitmap b;
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, c);
    return b;
}
} // namespace

TEST(GwBitmap, StrideAndSize)
{
    for (auto [w, stride] : {std::pair{5, 16}, {4, 12}, {1, 4}, {6, 20}, {7, 24}}) {
        TgwBitmap b;
        b.SetSize(w, 2);
        EXPECT_EQ(b.Stride(), stride) << w;
        EXPECT_EQ(b.Pixel(0, 0), clWhite);
    }
    TgwBitmap b;
    b.SetSize(4, 3);
    b.SetHeight(7);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Height(), 7);
    b.SetWidth(0);
    EXPECT_TRUE(b.Empty());
    // Byte order: blue, green, red.
    b.SetSize(2, 1);
    b.SetPixel(0, 0, rgb(1, 2, 3));
    EXPECT_EQ(b.ScanLine(0)[0], 3);
    EXPECT_EQ(b.ScanLine(0)[2], 1);
}

TEST(GwBitmap, PointEffects)
{
    struct Case { const char *name; std::function<void(TgwBitmap &)> fx; Color in; Color out; };
    const Case cases[] = {
        {"grey of white", [](TgwBitmap &b) { b.GrayScale(); }, clWhite, rgb(255, 255, 255)},
        {"grey", [](TgwBitmap &b) { b.GrayScale(); }, rgb(30, 60, 91), rgb(60, 60, 60)},
        {"invert", [](TgwBitmap &b) { b.Invert(); }, rgb(0, 100, 255), rgb(255, 155, 0)},
        {"lighter", [](TgwBitmap &b) { b.Lightness(128); }, rgb(0, 100, 255), rgb(127, 177, 255)},
        {"darker", [](TgwBitmap &b) { b.Lightness(-128); }, rgb(0, 100, 255), rgb(0, 50, 128)},
        {"saturation 0", [](TgwBitmap &b) { b.Saturation(0); }, rgb(30, 60, 91), rgb(60, 60, 60)},
        {"saturation 256", [](TgwBitmap &b) { b.Saturation(256); }, rgb(30, 60, 91), rgb(30, 60, 91)},
        {"shift", [](TgwBitmap &b) { b.ShiftColors(10, -10, 300); }, rgb(250, 5, 0), rgb(255, 0, 255)},
        {"colorize silver", [](TgwBitmap &b) { b.Colorize(192, 192, 192); }, rgb(1, 2, 3), rgb(1, 2, 3)},
        {"contrast", [](TgwBitmap &b) { b.Contrast(256); }, rgb(100, 200, 128), rgb(72, 255, 128)},
        {"mask", [](TgwBitmap &b) { b.MaskColor(rgb(1, 2, 3)); }, rgb(1, 2, 3), clBlack},
    };
    for (const Case &c : cases) {
        TgwBitmap b = filled(3, 2, c.in);
        c.fx(b);
        EXPECT_EQ(b.Pixel(2, 1), c.out) << c.name;
    }
}

TEST(GwBitmap, UniformPictureThroughNeighbourEffects)
{
    const Color c = rgb(40, 120, 200);
    for (int k = 0; k < 3; ++k) {
        TgwBitmap b = filled(4, 4, c);
        if (k == 0) b.Sharpen(1);
        if (k == 1) b.GaussianBlur(2);
        if (k == 2) b.Sponge(3, [](int n) { return n - 1; });
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(b.Pixel(x, y), c) << k;
    }
    TgwBitmap e = filled(4, 4, c);
    e.Emboss();   // ((255 - n) + p) / 2 with n == p
    EXPECT_EQ(e.Pixel(1, 1), rgb(127, 127, 127));
}

TEST(GwBitmap, OnePixelPicturesAreSafe)
{
    TgwBitmap b = filled(1, 1, rgb(10, 20, 30));
    b.Emboss();
    b.Wave(true, 5, 2, 3);
    b.Wave(false, 5, 2, 3);
    b.Wave(true, 5, 0, 3);   // no effect
    b.Sharpen(2);
    b.Sponge(0);
    b.Sponge(-4);
    b.Rotate(QPoint(-1, -1), 90);
    TgwBitmap s = b.SmoothStretched(3, 3);
    EXPECT_EQ(s.Width(), 3);
    EXPECT_EQ(s.Pixel(2, 2), s.Pixel(0, 0));
}

TEST(GwBitmap, FlipsRotateAndWave)
{
    TgwBitmap b;
    b.SetSize(3, 2);
    b.SetPixel(0, 0, clRed);
    b.Flip(true);
    EXPECT_EQ(b.Pixel(2, 0), clRed);
    b.Flip(false);
    EXPECT_EQ(b.Pixel(2, 1), clRed);

    TgwBitmap r;
    r.SetSize(4, 4);
    r.SetPixel(3, 1, clBlue);
    TgwBitmap same = r;
    same.Rotate(QPoint(-1, -1), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(same.Pixel(x, y), r.Pixel(x, y));
    // Non-square picture turned by 90: uncovered corners take the top-left colour.
    TgwBitmap n;
    n.SetSize(6, 2);
    n.SetPixel(0, 0, clGreen);
    n.Rotate(QPoint(-1, -1), 90);
    EXPECT_EQ(n.Pixel(0, 0), clGreen);

    TgwBitmap w = filled(4, 4, clBlack);
    w.Wave(false, 0, 1, 1);   // ratio 0: no shift
    EXPECT_EQ(w.Pixel(3, 3), clBlack);
}

TEST(GwBitmap, AlphaBlendAndBilinearCorners)
{
    TgwBitmap a = filled(2, 2, rgb(0, 0, 0));
    TgwBitmap b = filled(2, 2, rgb(200, 100, 255));
    TgwBitmap c = a;
    c.AlphaBlend(b, 0, false);
    EXPECT_EQ(c.Pixel(0, 0), rgb(0, 0, 0));
    c.AlphaBlend(b, 255, false);
    EXPECT_EQ(c.Pixel(1, 1), rgb(199, 99, 254));
    TgwBitmap big = filled(3, 3, clWhite);
    EXPECT_THROW(a.AlphaBlend(big, 10, false), kv::Error);
    EXPECT_NO_THROW(a.AlphaBlend(big, 10, true));

    TgwBitmap s;
    s.SetSize(2, 2);
    s.SetPixel(0, 0, rgb(0, 0, 0));
    s.SetPixel(1, 0, rgb(255, 0, 0));
    s.SetPixel(0, 1, rgb(0, 255, 0));
    s.SetPixel(1, 1, rgb(0, 0, 255));
    const TgwBitmap d = s.SmoothStretched(8, 8);
    EXPECT_EQ(d.Pixel(0, 0), rgb(0, 0, 0));
    EXPECT_EQ(redOf(d.Pixel(7, 0)), 223);    // 7/8 of the way to the right neighbour
    EXPECT_EQ(greenOf(d.Pixel(0, 7)), 223);
}

TEST(GwBitmap, TransparentDrawCutsTopLeftColour)
{
    TgwBitmap b = filled(3, 1, clWhite);
    b.SetPixel(1, 0, clBlue);
    b.Transparent = true;
    QImage canvas(3, 1, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        b.Draw(p, QRect(0, 0, 3, 1));
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 0), qRgb(0, 0, 255));
}

TEST(GwImager, RendersChainAndRotationSquare)
{
    TgwCustomImager im;
    QImage pic(20, 10, QImage::Format_RGB32);
    pic.fill(QColor(255, 0, 0));
    pic.setPixel(0, 0, qRgb(0, 255, 0));
    TgwBitmapOptions::Values v;
    v.Saturation = 0;
    im.EffectOptions().Set(v);
    im.SetPicture(pic);
    EXPECT_EQ(im.WorkingBitmap().Pixel(19, 9), rgb(85, 85, 85));
    v.Saturation = -1;
    v.Rotation.Angle = 45;
    im.EffectOptions().Set(v);
    im.UpdateWorkingBitmap();
    EXPECT_EQ(im.WorkingBitmap().Width(), 20);
    EXPECT_EQ(im.WorkingBitmap().Height(), 20);
    EXPECT_EQ(im.WorkingBitmap().Pixel(0, 19), rgb(0, 255, 0));
    im.SetDrawStyle(TgwCustomImager::dsProportional);
    EXPECT_EQ(im.DestRect(), QRect(0, 0, 100, 100));
}

TEST(GwBitmap, BitmapStreamRoundTrip)
{
    TgwBitmap b;
    b.SetSize(5, 3);
    b.SetPixel(0, 0, rgb(1, 2, 3));
    b.SetPixel(4, 2, rgb(250, 251, 252));
    const QByteArray bytes = b.SaveToStream();
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(quint8(bytes[28]), 24);   // bits per pixel
    TgwBitmap c;
    ASSERT_TRUE(c.LoadFromStream(bytes));
    EXPECT_EQ(c.Width(), 5);
    EXPECT_EQ(c.Pixel(0, 0), rgb(1, 2, 3));
    EXPECT_EQ(c.Pixel(4, 2), rgb(250, 251, 252));
    EXPECT_FALSE(c.LoadFromStream(QByteArray("not a bitmap")));
    EXPECT_EQ(c.Width(), 5);
}

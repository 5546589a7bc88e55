#include "controls/vclutils.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPainter>

using namespace kv;

TEST(ShortenText, Table)
{
    const ExFixedMetrics m(6);   // 6 px a character
    struct Case { const char *text; int width; const char *want; };
    const Case cases[] = {
        {"Hello", 30, "Hello"},      // fits exactly
        {"Hello", 100, "Hello"},
        {"Hello", 29, "H..."},       // "Hel..." and "He..." are still too wide
        {"Hello!", 30, "He..."},
        {"Hello", 24, "H..."},
        {"Hello", 18, "..."},
        {"Hello", 0, "..."},         // nothing fits: the shortest form
        {"", 0, ""},
        {"AB", 0, "..."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ShortenTextToWidth(QString::fromUtf8(c.text), m, c.width), QString::fromUtf8(c.want))
            << c.text << " " << c.width;
}

TEST(CellText, Indents)
{
    EXPECT_EQ(GridCellIndentY(CellVAlign::Top, 18, 13), 2);
    EXPECT_EQ(GridCellIndentY(CellVAlign::Center, 18, 13), 2);
    EXPECT_EQ(GridCellIndentY(CellVAlign::Center, 13, 13), 1);   // at least 1
    EXPECT_EQ(GridCellIndentY(CellVAlign::Center, 30, 13), 8);
    EXPECT_EQ(GridCellIndentY(CellVAlign::Bottom, 18, 13), 5);
    EXPECT_EQ(GridCellIndentY(CellVAlign::Bottom, 14, 13), 2);   // at least 2

    const QRect cell(10, 0, 70, 18);   // Left 10, Right 80
    EXPECT_EQ(CellTextX(cell, 2, 30, Qt::AlignLeft), 12);
    EXPECT_EQ(CellTextX(cell, 2, 30, Qt::AlignRight), 80 - 30 - 3);
    EXPECT_EQ(CellTextX(cell, 2, 31, Qt::AlignHCenter), 10 + 35 - 15);

    EXPECT_TRUE(CellTextNeedsBox(QStringLiteral("a"), true));
    EXPECT_TRUE(CellTextNeedsBox(QStringLiteral("a\rb"), false));
    EXPECT_FALSE(CellTextNeedsBox(QStringLiteral("ab"), false));
}

static QImage strip(int w, int h, QColor fill)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

TEST(KeyedDrawing, KeyColourLeavesDestination)
{
    QImage src = strip(4, 4, Qt::magenta);
    src.setPixel(1, 1, qRgb(0, 0, 255));
    EXPECT_EQ(BottomLeftColor(src), QColor(Qt::magenta));
    QImage dest = strip(4, 4, Qt::green);
    {
        QPainter p(&dest);
        DrawBitmapKeyed(p, 0, 0, src, BottomLeftColor(src));
    }
    EXPECT_EQ(dest.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(dest.pixel(1, 1), qRgb(0, 0, 255));
    // No key: a plain copy.
    {
        QPainter p(&dest);
        DrawBitmapKeyed(p, 0, 0, src, QColor());
    }
    EXPECT_EQ(dest.pixel(0, 0), QColor(Qt::magenta).rgb());
}

TEST(KeyedDrawing, EmbossedGlyph)
{
    // A black dot at (1,1) on white: shadow there, highlight at (2,2), face elsewhere.
    QImage src = strip(4, 4, Qt::white);
    src.setPixel(1, 1, qRgb(0, 0, 0));
    const QImage out = MakeDisabledGlyph(src);
    EXPECT_EQ(QColor(out.pixel(1, 1)), BtnShadowColor());
    EXPECT_EQ(QColor(out.pixel(2, 2)), BtnHighlightColor());
    EXPECT_EQ(QColor(out.pixel(0, 0)), BtnFaceColor());
    EXPECT_EQ(QColor(out.pixel(3, 3)), BtnFaceColor());
    const QImage noHi = MakeEmbossedBitmap(src, Qt::black, Qt::white, false, Qt::red, Qt::blue);
    EXPECT_EQ(QColor(noHi.pixel(2, 2)), QColor(Qt::white));
}

TEST(Icons, SizesAndBestImage)
{
    EXPECT_EQ(ScanLineBytes(1), 4);
    EXPECT_EQ(ScanLineBytes(32), 4);
    EXPECT_EQ(ScanLineBytes(33), 8);
    EXPECT_EQ(ScanLineBytes(24 * 17), 52);
    EXPECT_EQ(PaletteSizeOfBitCount(1), 2);
    EXPECT_EQ(PaletteSizeOfBitCount(4), 16);
    EXPECT_EQ(PaletteSizeOfBitCount(8), 256);
    EXPECT_EQ(PaletteSizeOfBitCount(24), 0);
    EXPECT_EQ(BestIconImage({16, 256, 2}, 256), 1);        // equal count at once
    EXPECT_EQ(BestIconImage({2, 16, 0}, 0), 2);            // true colour display
    EXPECT_EQ(BestIconImage({2, 16}, 256), 1);             // more colours than the first candidate
    EXPECT_EQ(BestIconImage({256, 256}, 16), 0);           // none fits: the first
    EXPECT_EQ(BestIconImage({}, 16), -1);
    EXPECT_EQ(MeasureIcon(QIcon()), QSize(32, 32));
}

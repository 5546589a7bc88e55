#include "widgets/imagelist.h"
#include "widgets/gwcolors.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QSignalSpy>

using kv::ImageList;

namespace {
// A strip of three 4x3 cells: cell i is filled with colour i, with a magenta
// pixel at its top-left corner.
QImage threeCells()
{
    QImage s(12, 3, QImage::Format_RGB32);
    const QRgb cols[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < 3; ++i) {
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                s.setPixel(i * 4 + x, y, cols[i]);
        s.setPixel(i * 4, 0, qRgb(255, 0, 255));
    }
    return s;
}
} // namespace

TEST(ImageList, CutsStripIntoCellsWithTransparentColour)
{
    ImageList list(4, 3);
    QSignalSpy spy(&list, &ImageList::changed);
    EXPECT_EQ(list.addStrip(threeCells(), QColor(255, 0, 255)), 0);
    EXPECT_EQ(spy.count(), 1);
    ASSERT_EQ(list.count(), 3);
    EXPECT_FALSE(list.isOpaqueAt(1, 0, 0));
    EXPECT_TRUE(list.isOpaqueAt(1, 1, 0));
    EXPECT_EQ(list.image(2).pixel(3, 2), qRgb(0, 0, 255));
    EXPECT_TRUE(list.image(3).isNull());
    // A second strip appends after the first.
    EXPECT_EQ(list.addStrip(threeCells()), 3);
    EXPECT_TRUE(list.isOpaqueAt(3, 0, 0)); // no transparent colour given
}

TEST(ImageList, PartialCellsAndShortStrips)
{
    ImageList list(5, 5);
    EXPECT_EQ(list.addStrip(threeCells()), 0); // 12 px wide: two whole cells of 5
    EXPECT_EQ(list.count(), 2);
    EXPECT_FALSE(list.isOpaqueAt(0, 0, 4)); // padded below the 3-pixel strip
    EXPECT_EQ(list.addStrip(QImage(4, 5, QImage::Format_RGB32)), -1);
    EXPECT_EQ(list.addStrip(QImage()), -1);
    EXPECT_EQ(list.count(), 2);
}

TEST(ImageList, AutoTransparentIsBottomLeftPixel)
{
    QImage s = threeCells();
    s.setPixel(0, 2, qRgb(10, 20, 30));
    s.setPixel(5, 1, qRgb(10, 20, 30));
    ImageList list(4, 3);
    list.addStripAutoTransparent(s);
    EXPECT_FALSE(list.isOpaqueAt(0, 0, 2));
    EXPECT_FALSE(list.isOpaqueAt(1, 1, 1));
    EXPECT_TRUE(list.isOpaqueAt(1, 0, 0));
}

TEST(ImageList, ReplaceRemoveAndResize)
{
    ImageList list(threeCells(), 4, 3, QColor(255, 0, 255));
    list.remove(0);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.image(0).pixel(2, 2), qRgb(0, 255, 0));
    list.remove(7); // ignored
    QImage white(4, 3, QImage::Format_RGB32);
    white.fill(Qt::white);
    list.replace(1, white);
    EXPECT_EQ(list.image(1).pixel(0, 0), qRgb(255, 255, 255));
    QSignalSpy spy(&list, &ImageList::changed);
    list.setSize(8, 8);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(spy.count(), 1);
}

TEST(ImageList, DrawsEnabledAndEmbossedDisabled)
{
    ImageList list(threeCells(), 4, 3, QColor(255, 0, 255));
    QImage canvas(10, 10, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        list.draw(p, 0, 1, 1, true);
        list.draw(p, 9, 0, 0, true); // out of range: nothing
    }
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(0, 0, 0)); // transparent corner shows the canvas
    EXPECT_EQ(canvas.pixel(2, 1), qRgb(255, 0, 0));

    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        list.draw(p, 0, 1, 1, false);
    }
    const QRgb shadow = kv::gw::toQColor(kv::gw::clBtnShadow).rgb();
    const QRgb hilite = kv::gw::toQColor(kv::gw::clBtnHighlight).rgb();
    EXPECT_EQ(canvas.pixel(2, 1), shadow);
    EXPECT_EQ(canvas.pixel(5, 4), hilite); // highlight one pixel below-right of the shape
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(0, 0, 0));
}

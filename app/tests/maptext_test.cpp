#include "app/results/maptext.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {

// Fixed pitch: 6 pixels a character, cells 10 high.
TextMeasure Fake()
{
    TextMeasure m;
    m.width = [](const QString &s) { return int(s.size()) * 6; };
    m.height = 10;
    return m;
}

MapPart Part(bool title, bool dim, int l = 0, int r = 0, int t = 0, int b = 0)
{
    MapPart p;
    p.Title = QStringLiteral("Bok");
    p.RealWidth = 720;
    p.RealHeight = 560;
    p.ShowTitle = title;
    p.ShowDim = dim;
    p.LeftBorder = l, p.RightBorder = r, p.TopBorder = t, p.BottomBorder = b;
    return p;
}

QRect Clip(int x, int y, int right, int bottom) { return QRect(QPoint(x, y), QPoint(right - 1, bottom - 1)); }

TEST(MapText, PartLayouts)
{
    struct Case
    {
        const char *what;
        MapPart p;
        int w, h;
        std::vector<TextOp> ops;
    };
    const Case cases[] = {
        {"code on top, height turned on the left, width along the bottom",
         Part(true, true),
         100,
         100,
         {{"Bok ", 2, 1, false, Clip(2, 1, 98, 11)}, {"560", 2, 59, true, QRect()}, {"720", 41, 89, false, QRect()}}},
        {"turned height does not fit under the code: one line with both sizes",
         Part(true, true),
         100,
         27,
         {{"Bok 720x560", 2, 1, false, Clip(2, 1, 98, 11)}}},
        {"just fits under the code",
         Part(true, true),
         100,
         29,
         {{"Bok ", 2, 1, false, Clip(2, 1, 98, 11)}, {"560", 2, 23, true, QRect()}, {"720", 41, 18, false, QRect()}}},
        {"without the code the whole height counts",
         Part(false, true),
         100,
         19,
         {{"560", 2, 18, true, QRect()}, {"720", 41, 8, false, QRect()}}},
        {"without the code and too low: sizes alone on the line",
         Part(false, true),
         100,
         18,
         {{"720x560", 2, 1, false, Clip(2, 1, 98, 11)}}},
        {"banded sides move the margins",
         Part(true, true, 1, 2, 3, 4),
         100,
         100,
         {{"Bok ", 4, 4, false, Clip(4, 4, 95, 14)}, {"560", 4, 59, true, QRect()}, {"720", 41, 85, false, QRect()}}},
        {"code only", Part(true, false), 50, 50, {{"Bok ", 2, 1, false, Clip(2, 1, 48, 11)}}},
        {"nothing shown", Part(false, false), 50, 50, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LayoutDetalText(c.p, c.w, c.h, Fake()), c.ops) << c.what;
}

TEST(MapText, ScrapLayouts)
{
    MapScrap s;
    s.RealWidth = 300, s.RealHeight = 200;
    struct Case
    {
        const char *what;
        bool text, dim;
        QString label;
        int h;
        std::vector<TextOp> ops;
    };
    const Case cases[] = {
        {"label and sizes", true, true, "A-1", 60,
         {{"A-1 ", 1, 1, false, Clip(1, 1, 98, 11)}, {"200", 1, 39, true, QRect()}, {"300", 41, 48, false, QRect()}}},
        {"empty label: only the sizes", true, true, "", 60,
         {{"200", 1, 39, true, QRect()}, {"300", 41, 48, false, QRect()}}},
        {"label, too low for the turned size", true, true, "A-1", 27, {{"A-1 300x200", 1, 1, false, Clip(1, 1, 98, 11)}}},
        {"sizes only, too low", false, true, "A-1", 17, {{"300x200", 1, 1, false, Clip(1, 1, 98, 11)}}},
        {"hidden", false, false, "A-1", 60, {}},
    };
    for (const Case &c : cases) {
        s.ShowText = c.text;
        s.ShowDim = c.dim;
        s.Text = c.label;
        EXPECT_EQ(LayoutScrapText(s, 100, c.h, Fake()), c.ops) << c.what;
    }
}

TEST(MapText, BorderMarksOnlyForBandedSides)
{
    MapPart p = Part(true, true, 5, 0, -1, 7);
    p.LeftBorderColor = 0x11, p.BottomBorderColor = 0x22;
    EXPECT_EQ(LayoutBorderMarks(p, 90, 60),
              (std::vector<BorderMark>{{2, 20, 2, 40, 0x11}, {30, 56, 60, 56, 0x22}}));
    p.ShowBorder = false;
    EXPECT_TRUE(LayoutBorderMarks(p, 90, 60).empty());
    EXPECT_TRUE(LayoutBorderMarks(Part(true, true), 90, 60).empty());
}

} // namespace

// Where the texts of a map item go, with a fixed-pitch measurement: every
// character 6 wide, "A" 10 high.
#include <gtest/gtest.h>

#include "print/objects/maplayout.h"

using kv::LayoutMapText;
using kv::MapTextInput;
using kv::MapTextItem;
using kv::MapTextMetrics;

namespace {

constexpr int kChar = 6, kTH = 10;

int measure(const QString &s) { return kChar * int(s.size()); }

QList<MapTextItem> layout(int w, int h, bool title, bool dim, bool trunc, const QString &name = QStringLiteral("Bok"),
                          int width = 720, int height = 560)
{
    MapTextInput in;
    in.left = 100, in.top = 50, in.w = w, in.h = h;
    in.name = name, in.width = width, in.height = height;
    in.showTitle = title, in.showDim = dim, in.truncText = trunc;
    MapTextMetrics m;
    m.textHeight = kTH;
    m.nameWidth = measure(name);
    m.widthWidth = measure(QString::number(width));
    m.heightWidth = measure(QString::number(height));
    m.xWidth = kChar;
    return LayoutMapText(in, m, measure);
}

} // namespace

TEST(MapTextLayout, CasesOfTheLayoutChoice)
{
    struct Case
    {
        const char *what;
        int w, h;
        bool title, dim, trunc;
        QList<MapTextItem> expected;
        QString name = QStringLiteral("Bok");
    };
    const Case cases[] = {
        {"no texts asked for", 200, 200, false, false, true, {}},
        // Room for name at the top, width at the bottom, height upwards at the left.
        {"spread", 200, 100, true, true, true,
         {{100, 50, 200, 10, "Bok", 0, false}, {100, 140, 200, 10, "720", 2, false},
          {100, 50, 10, 100, "560", 2, true}}},
        // A part a few pixels high: name and dimensions on one line; cut at the edges with truncation.
        {"flat, one line, truncated", 100, 8, true, true, true, {{100, 50, 100, 8, "Bok 720x560", 0, false}}},
        {"flat, one line, running over", 100, 8, true, true, false,
         {{100, 50, 100, 10, "Bok 720x560", 0, false}}},
        // Tall and narrow: the texts fit only along the height and are written upwards.
        {"tall narrow, one line upwards", 25, 300, true, true, true,
         {{100, 50, 25, 300, "Bokovina 720x560", 0, true}}, "Bokovina"},
        {"tall narrow, two lines upwards", 25, 60, true, true, true,
         {{100, 50, 25, 60, "Bokovina", 0, true}, {110, 50, 15, 60, "720x560", 0, true}}, "Bokovina"},
        {"tall narrow, without truncation", 25, 60, true, true, false,
         {{100, 50, 10, 48, "Bokovina", 0, true}, {110, 50, 10, 42, "720x560", 0, true}}, "Bokovina"},
        // Dimensions only on two lines: they move up into the first line.
        {"dimensions only, two lines", 45, 25, false, true, true, {{100, 50, 45, 25, "720x560", 0, false}}},
        // Nothing fits anywhere: the truncation switch decides.
        {"fits nowhere, truncated", 10, 10, true, true, true,
         {{100, 50, 10, 10, "Bok", 0, false}, {100, 60, 10, 0, "720x560", 0, false}}},
        {"fits nowhere, not truncated", 10, 10, true, true, false,
         {{100, 50, 66, 10, "Bok 720x560", 0, false}}},
    };
    for (const Case &c : cases) {
        const auto got = layout(c.w, c.h, c.title, c.dim, c.trunc, c.name);
        ASSERT_EQ(got.size(), c.expected.size()) << c.what;
        for (qsizetype i = 0; i < got.size(); ++i) {
            const MapTextItem &g = got[i], &e = c.expected[i];
            EXPECT_EQ(g, e) << c.what << " item " << i << ": got " << g.x << "," << g.y << " " << g.boxW << "x"
                            << g.boxH << " '" << g.text.toStdString() << "' align " << g.align << " vertical "
                            << g.vertical;
        }
    }
}

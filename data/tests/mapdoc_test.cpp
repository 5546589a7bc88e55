#include "data/maps/mapdoc.h"
#include "data/testsupport/mixedjob.h"

#include "data/matoptions.h"
#include "data/settings.h"
#include "engine/raskroy.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <map>

using namespace kv;
using namespace kv::engine;

namespace {

// Every map of the mixed job as tabs of one document (material 7).
class MixedJob : public ::testing::Test
{
protected:
    TRaskroy e;
    MapDocument doc;
    void SetUp() override
    {
        kvtest::LoadMixedJob(e);
        kvtest::RunMixedJob(e);
        ASSERT_TRUE(e.Detals.NothingLeft());
        doc = kvtest::MixedJobTabs(e, QStringLiteral("r"));
    }
};

TEST_F(MixedJob, FirstTabHoldsTheMapShiftedByHalfAKerf)
{
    ASSERT_EQ(int(doc.Tabs.size()), e.ResultMaps.Count());
    // map "OST-3" 600x1500: Fasad turned at -2,-2; free 562,718 40x568;
    // free 566,1286 36x0 (no off-cut); free -2,1494 604x8; cut V 502,-2 length 568.
    const MapTab &t = doc.Tabs[0];
    EXPECT_EQ(t.Caption, QStringLiteral("1: Лист 1 (OST-3)"));
    EXPECT_EQ(t.MaterialCode, 7);
    EXPECT_EQ(t.RealWidth, 600);
    EXPECT_EQ(t.RealHeight, 1500);
    EXPECT_TRUE(t.IsScraps);
    EXPECT_EQ(t.SheetName, QStringLiteral("OST-3"));
    EXPECT_EQ(t.MillSize, 4);
    EXPECT_EQ(t.Remark, QStringLiteral("r"));
    EXPECT_EQ(t.Quantity, 1);
    ASSERT_EQ(t.Parts.size(), 5u);
    const MapPart &fasad = t.Parts[0];
    EXPECT_EQ(fasad.Title, QStringLiteral("Fasad"));
    EXPECT_EQ(fasad.RealLeft, 0);
    EXPECT_EQ(fasad.RealTop, 0);
    EXPECT_EQ(fasad.RealWidth, 396);
    EXPECT_EQ(fasad.RealHeight, 716);
    // Turned: left shows the top banding, right the bottom, top the right, bottom the left.
    EXPECT_EQ(fasad.LeftBorder, 3);
    EXPECT_EQ(fasad.RightBorder, 4);
    EXPECT_EQ(fasad.TopBorder, 2);
    EXPECT_EQ(fasad.BottomBorder, 1);
    EXPECT_EQ(t.Parts[2].Title, QStringLiteral("Planka"));
    EXPECT_EQ(t.Parts[2].RealWidth, 564); // not turned
    EXPECT_EQ(t.Parts[2].RealHeight, 100);
    ASSERT_EQ(t.Scraps.size(), 5u);
    EXPECT_EQ(t.Scraps[2].RealLeft, 564);
    EXPECT_EQ(t.Scraps[2].RealTop, 720);
    EXPECT_EQ(t.Scraps[2].RealWidth, 36);
    EXPECT_EQ(t.Scraps[2].RealHeight, 564);
    EXPECT_EQ(t.Scraps[4].RealWidth, 600);
    EXPECT_EQ(t.Scraps[4].RealHeight, 4);
    ASSERT_EQ(t.Cuts.size(), 9u);
    EXPECT_FALSE(t.Cuts[0].MillOrient);
    EXPECT_EQ(t.Cuts[0].RealLeft, 500);
    EXPECT_EQ(t.Cuts[0].RealTop, -2);
    EXPECT_EQ(t.Cuts[0].RealWidth, 4);
    EXPECT_EQ(t.Cuts[0].RealHeight, 568);
    EXPECT_TRUE(t.Cuts[1].MillOrient); // H 398,566 length 204
    EXPECT_EQ(t.Cuts[1].RealLeft, 398);
    EXPECT_EQ(t.Cuts[1].RealTop, 564);
    EXPECT_EQ(t.Cuts[1].RealWidth, 204);
    EXPECT_EQ(t.Cuts[1].RealHeight, 4);
    EXPECT_EQ(t.MillLinesCount, 9);
    EXPECT_DOUBLE_EQ(t.MillLinesLength, 568 + 204 + 604 + 208 + 568 + 568 + 604 + 720 + 604);
}

TEST_F(MixedJob, EveryTabIsConsistentAfterClassification)
{
    ColorizeMaps(doc, MapEnvironment{[](int32_t) {
                                         TScrapLimits l;
                                         l.Length = 100, l.Width = 100;
                                         return l;
                                     },
                                     {}, {}});
    std::map<std::string, int64_t> laid;
    for (size_t i = 0; i < doc.Tabs.size(); ++i) {
        const MapTab &t = doc.Tabs[i];
        const TSheetsList &m = *e.ResultMaps.Items(int(i));
        EXPECT_EQ(t.Quantity, m.Quantity);
        int64_t partArea = 0, usable = 0, all = 0;
        for (const MapPart &p : t.Parts) {
            EXPECT_GE(p.RealLeft, 0);
            EXPECT_GE(p.RealTop, 0);
            EXPECT_LE(p.RealLeft + p.RealWidth, t.RealWidth);
            EXPECT_LE(p.RealTop + p.RealHeight, t.RealHeight);
            partArea += p.Area();
            laid[p.Title.toStdString()] += t.Quantity;
        }
        for (const MapScrap &s : t.Scraps) {
            const bool waste = s.RealWidth < 100 || s.RealHeight < 100;
            EXPECT_EQ(s.ScrapType, waste ? stLostScrap : stNormalScrap) << s.RealWidth << "x" << s.RealHeight;
            EXPECT_EQ(s.Text, waste ? QStringLiteral("Отход") : QStringLiteral("Остаток"));
            all += s.Area();
            if (!waste)
                usable += s.Area();
        }
        EXPECT_LE(partArea + all, t.SheetArea());
        EXPECT_DOUBLE_EQ(t.DetalsSquare, double(partArea));
        EXPECT_DOUBLE_EQ(t.ScrapSquare, double(usable));
        EXPECT_DOUBLE_EQ(t.LostSquare, double(t.SheetArea() - usable - partArea));
        EXPECT_DOUBLE_EQ(t.TotalSquare, t.ScrapSquare + t.LostSquare);
    }
    // Every copy of every kind is on some map, counted by the repeat counts.
    for (const TDetal &d : e.Detals)
        EXPECT_EQ(laid[d.Name], d.Count) << d.Name;
    const MapTotals tot = doc.Totals();
    EXPECT_NEAR(tot.DetalsSquare + tot.TotalSquare, tot.SheetArea, 1e-6);
}

TEST_F(MixedJob, CutLineModeTwoWithOneMaterialShowsItsLastTabOnly)
{
    ASSERT_GE(doc.Tabs.size(), 3u);
    doc.Tabs[0].MaterialCode = doc.Tabs[1].MaterialCode = 5; // the rest stays 7
    doc.SetMillLinesMode(2);
    const size_t last = doc.Tabs.size() - 1;
    for (size_t i = 0; i < doc.Tabs.size(); ++i)
        for (const MapCut &c : doc.Tabs[i].Cuts)
            EXPECT_EQ(c.Visible, i == last) << i;
    doc.ShowMaterial(5);
    for (size_t i = 0; i < doc.Tabs.size(); ++i) {
        EXPECT_EQ(doc.Tabs[i].Visible, i < 2);
        for (const MapCut &c : doc.Tabs[i].Cuts)
            EXPECT_EQ(c.Visible, i == 1) << i;
    }
    doc.ShowMaterial(42); // nothing visible: the first tab's cuts
    for (size_t i = 0; i < doc.Tabs.size(); ++i)
        for (const MapCut &c : doc.Tabs[i].Cuts)
            EXPECT_EQ(c.Visible, i == 0) << i;
    for (int mode : {0, 1, 3, -1, 77}) {
        doc.SetMillLinesMode(mode);
        EXPECT_EQ(doc.Display.MillLinesMode, mode == 1 ? 1 : 0);
        for (const MapTab &t : doc.Tabs)
            for (const MapCut &c : t.Cuts)
                EXPECT_EQ(c.Visible, mode == 1);
    }
}

TEST_F(MixedJob, SwitchingAnOffCutMovesItsAreaAndKeepsTheTotal)
{
    ColorizeMaps(doc, {});
    doc.Modified = false;
    MapTab &t = doc.Tabs[0];
    ASSERT_EQ(t.Scraps[0].ScrapType, stNormalScrap); // no limits: everything usable
    const double total = t.TotalSquare, scrap = t.ScrapSquare, lost = t.LostSquare;
    const double a = double(t.Scraps[0].Area());
    doc.SetScrapUsable(0, 0, false);
    EXPECT_TRUE(doc.Modified);
    EXPECT_EQ(t.Scraps[0].ScrapType, stLostScrap);
    EXPECT_FALSE(t.Scraps[0].ShowText);
    EXPECT_DOUBLE_EQ(t.ScrapSquare, scrap - a);
    EXPECT_DOUBLE_EQ(t.LostSquare, lost + a);
    EXPECT_DOUBLE_EQ(t.TotalSquare, total);
    doc.SetScrapUsable(0, 0, false); // already waste: nothing moves
    EXPECT_DOUBLE_EQ(t.LostSquare, lost + a);
    doc.RenameScrap(0, 0, QStringLiteral("A-1"));
    doc.Display.ShowScrapsText = true;
    doc.SetScrapUsable(0, 0, true);
    EXPECT_EQ(t.Scraps[0].Text, QStringLiteral("A-1"));
    EXPECT_TRUE(t.Scraps[0].ShowText);
    EXPECT_DOUBLE_EQ(t.ScrapSquare, scrap);
    EXPECT_DOUBLE_EQ(t.LostSquare, lost);
    EXPECT_DOUBLE_EQ(t.TotalSquare, total);
}

TEST(MapDoc, RenamingAnOffCutMarksTheDocumentModified)
{
    MapDocument doc;
    doc.Tabs.emplace_back();
    doc.Tabs[0].Scraps.emplace_back();
    doc.Modified = false;
    doc.RenameScrap(0, 0, QStringLiteral("X"));
    EXPECT_TRUE(doc.Modified);
    EXPECT_EQ(doc.Tabs[0].Scraps[0].ScrapName, QStringLiteral("X"));
    EXPECT_EQ(doc.Tabs[0].Scraps[0].Text, QStringLiteral("X"));
    doc.Modified = false;
    doc.RenameScrap(0, 5, QStringLiteral("Y")); // no such off-cut
    doc.RenameScrap(3, 0, QStringLiteral("Y"));
    EXPECT_FALSE(doc.Modified);
}

TEST(MapDoc, FreeRectangleOfTheKerfMakesNoOffCut)
{
    struct Case { int32_t w, h; bool made; };
    const Case cases[] = {{4, 100, false}, {100, 4, false}, {4, 4, false}, {3, 100, false},
                          {5, 5, true},    {100, 5, true},  {0, 0, false}};
    for (const Case &c : cases) {
        TSheetsList map;
        map.SizeX = 1000, map.SizeY = 1000, map.Quantity = 1;
        map.Sheets.Append(TSheet("", 10, 20, c.w, c.h, 0, false));
        const MapTab t = BuildSheetTab(map, TDetalsList(), 4, QString(), MapDisplay());
        ASSERT_EQ(t.Scraps.size(), c.made ? 1u : 0u) << c.w << "x" << c.h;
        if (c.made) {
            EXPECT_EQ(t.Scraps[0].RealWidth, c.w - 4);
            EXPECT_EQ(t.Scraps[0].RealHeight, c.h - 4);
            EXPECT_EQ(t.Scraps[0].RealLeft, 12);
            EXPECT_EQ(t.Scraps[0].RealTop, 22);
        }
    }
}

TEST(MapDoc, OffCutClassificationByLimits)
{
    const int32_t off = INT32_MAX;
    struct Case
    {
        const char *what;
        TScrapLimits l;
        int32_t w, h;
        bool waste;
    };
    const Case cases[] = {
        {"no limits", {false, 0, 0, 0, off, off}, 1, 1, false},
        {"separate: too short", {false, 100, 0, 0, off, off}, 99, 500, true},
        {"separate: too narrow", {false, 0, 100, 0, off, off}, 500, 99, true},
        {"separate: long enough", {false, 100, 100, 0, off, off}, 100, 100, false},
        {"separate area only: small", {false, 0, 0, 10000, off, off}, 99, 99, true},
        {"separate area only: big enough", {false, 0, 0, 10000, off, off}, 100, 100, false},
        {"separate area: small but long enough", {false, 0, 0, 10000, 50, 50}, 60, 10, false},
        {"separate area: small but wide enough", {false, 0, 0, 10000, 50, 50}, 10, 60, false},
        {"separate area: small on both sides", {false, 0, 0, 10000, 50, 50}, 40, 40, true},
        {"combined: length off", {true, 0, 100, 10000, off, off}, 1, 1, false},
        {"combined: width off", {true, 100, 0, 10000, off, off}, 1, 1, false},
        {"combined: area off", {true, 100, 100, 0, off, off}, 1, 1, false},
        {"combined: all fail", {true, 100, 100, 10000, off, off}, 50, 50, true},
        {"combined: one passes", {true, 100, 100, 10000, off, off}, 150, 50, false},
        {"large area does not overflow", {false, 0, 0, 2000000000, off, off}, 60000, 60000, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IsWasteScrap(c.w, c.h, c.l), c.waste) << c.what;
}

TEST(MapDoc, LimitsComeFromTheMaterialsScrapKey)
{
    QTemporaryDir dir;
    TIniFile::ClearCache();
    TIniFile ini(dir.filePath("Korvalt.ini"));
    TScrapSettings s;
    s.CheckLogicSumma = true;
    s.CheckLength = true, s.Length = 300;
    s.CheckSquare = true, s.Square = 5000;
    s.CheckSquareWidth = true, s.SquareWidth = 70;
    PackScrapSettings(ini, MaterialSection(12), s);
    const TScrapLimits l = ScrapLimitsOf(ini, 12);
    EXPECT_TRUE(l.Combined);
    EXPECT_EQ(l.Length, 300);
    EXPECT_EQ(l.Width, 0);
    EXPECT_EQ(l.Square, 5000);
    EXPECT_EQ(l.SquareWidth, 70);
    EXPECT_EQ(l.SquareHeight, INT32_MAX);
    const TScrapLimits none = ScrapLimitsOf(ini, 13);
    EXPECT_FALSE(IsWasteScrap(1, 1, none));
}

TEST(MapDoc, ColorizeTakesColoursPerMaterialAndBandingColours)
{
    MapDocument doc;
    for (int code : {1, 1, 2}) {
        MapTab t;
        t.MaterialCode = code;
        t.RealWidth = 100, t.RealHeight = 100;
        MapPart p;
        p.RealWidth = 10, p.RealHeight = 10;
        p.LeftBorder = 5;
        t.Parts.push_back(p);
        MapScrap s;
        s.RealWidth = 20, s.RealHeight = 20;
        t.Scraps.push_back(s);
        t.Cuts.push_back(MapCut());
        doc.Tabs.push_back(t);
    }
    int colourReads = 0;
    MapEnvironment env;
    env.scrapLimits = [](int32_t code) {
        TScrapLimits l;
        l.Length = code == 2 ? 50 : 0;
        return l;
    };
    env.colors = [&] {
        ++colourReads;
        MapColors c;
        c.Sheet = 0x111111, c.Detal = 0x222222, c.Mill = 0x333333, c.Lost = 0x444444, c.Scrap = 0x555555;
        return c;
    };
    env.borderColor = [](int32_t code, MapColor def) { return code == 5 ? MapColor(0xABCDEF) : def; };
    ColorizeMaps(doc, env);
    EXPECT_EQ(colourReads, 2); // once per change of material
    for (const MapTab &t : doc.Tabs) {
        EXPECT_EQ(t.Color, 0x111111u);
        EXPECT_EQ(t.Cuts[0].Color, 0x333333u);
        EXPECT_EQ(t.Parts[0].BrushColor, 0x222222u);
        EXPECT_EQ(t.Parts[0].LeftBorderColor, 0xABCDEFu);
        EXPECT_EQ(t.Parts[0].RightBorderColor, 0x222222u);
        const bool waste = t.MaterialCode == 2;
        EXPECT_EQ(t.Scraps[0].Color, waste ? 0x444444u : 0x555555u);
        EXPECT_DOUBLE_EQ(t.ScrapSquare, waste ? 0 : 400);
        EXPECT_DOUBLE_EQ(t.LostSquare, waste ? 9900 : 9500);
        EXPECT_DOUBLE_EQ(t.DetalsSquare, 100);
    }
}

TEST(MapDoc, TotalsCountVisibleTabsByQuantity)
{
    MapDocument doc;
    MapTab a;
    a.RealWidth = 1000, a.RealHeight = 2000, a.Quantity = 3;
    a.LostSquare = 10, a.ScrapSquare = 20, a.TotalSquare = 30, a.DetalsSquare = 40;
    a.MillLinesCount = 5, a.MillLinesLength = 1500;
    MapTab hidden = a;
    hidden.Visible = false;
    doc.Tabs = {a, hidden};
    const MapTotals t = doc.Totals();
    EXPECT_DOUBLE_EQ(t.LostSquare, 30);
    EXPECT_DOUBLE_EQ(t.ScrapSquare, 60);
    EXPECT_DOUBLE_EQ(t.TotalSquare, 90);
    EXPECT_DOUBLE_EQ(t.DetalsSquare, 120);
    EXPECT_EQ(t.MillCount, 15);
    EXPECT_DOUBLE_EQ(t.MillLength, 4500);
    EXPECT_DOUBLE_EQ(t.SheetArea, 6e6);
    // Big sheets many times over stay exact in 64 bits.
    MapTab big;
    big.RealWidth = 60000, big.RealHeight = 60000, big.Quantity = 30000, big.MillLinesCount = 100000;
    doc.Tabs = {big};
    EXPECT_EQ(doc.SumMillCount(), 3000000000LL);
    EXPECT_DOUBLE_EQ(doc.Totals().SheetArea, 3600000000.0 * 30000);
    doc.Tabs.clear();
    EXPECT_DOUBLE_EQ(Percent(doc.SumDetalsSquare(), doc.Totals().SheetArea), 0);
}

TEST(MapDoc, ScaleNeverDividesByZero)
{
    struct Case { int pw, ph, reserved; int32_t w, h; double expected; };
    const Case cases[] = {
        {2808, 2108, 100, 2800, 2000, 1.0},
        {1408, 3000, 0, 2800, 2000, 0.5},
        {1000, 1000, 0, 0, 0, 1.0},        // no sheet at all
        {1008, 1000, 0, 1000, 0, 1.0},      // zero height: width decides
        {10, 10, 40, 2800, 2070, 0.001},   // tiny window: smallest scale, not negative
        {0, 0, 0, 1, 1, 0.001},
    };
    for (const Case &c : cases) {
        const double s = MapScale(c.pw, c.ph, c.reserved, c.w, c.h);
        EXPECT_TRUE(std::isfinite(s));
        EXPECT_GT(s, 0);
        EXPECT_DOUBLE_EQ(s, c.expected) << c.pw << "x" << c.ph << " " << c.w << "x" << c.h;
    }
}

TEST(MapDoc, TabCaptions)
{
    struct Case { int tabs; int32_t n, q; const char *name; const char *caption; };
    const Case cases[] = {
        {0, 0, 1, "", "1: Лист 1"},
        {1, 1, 3, "", "2: Листы 2 - 4"},
        {4, 7, 1, "OST-1", "5: Лист 8 (OST-1)"},
        {2, 0, 2, "A", "3: Листы 1 - 2 (A)"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MapCaption(c.tabs, c.n, c.q, QString::fromUtf8(c.name)), QString::fromUtf8(c.caption));
}

TEST(MapDoc, UsingSheetsSetQuantity)
{
    struct Case { int32_t code, l, w; std::vector<int32_t> remaining; };
    const Case cases[] = {
        {9, 2800, 2070, {5, 5, 7}},  // no entry of that code
        {1, 2800, 2000, {5, 5, 7}},  // no entry of that size
        {1, 2800, 2070, {0, 0, 7}},  // two entries share it: both change
        {2, 2800, 2070, {5, 5, 0}},
    };
    for (const Case &c : cases) {
        TUsingSheets u;
        u.Add(1, 2800, 2070, 5, 5);
        u.Add(1, 2800, 2070, 5, 6);
        u.Add(2, 2800, 2070, 7, 7);
        u.SetQuantity(c.code, c.l, c.w, 0);
        ASSERT_EQ(u.Count(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(u[i].Remaining, c.remaining[size_t(i)]) << c.code << " " << i;
        EXPECT_EQ(u[1].Initial, 6);
    }
    TUsingSheets u;
    u.Add(1, 1, 1, 1, 1);
    u.Clear();
    EXPECT_EQ(u.Count(), 0);
}

TEST(MapDoc, TextsOnDemand)
{
    SetNumberDigits(2, 3);
    MapCut v;
    v.MillOrient = false, v.RealWidth = 4, v.RealHeight = 568;
    EXPECT_EQ(MillHint(v), QStringLiteral("Рез:\r\rДлина: 568 мм\rШирина: 4 мм\r\r"));
    MapCut h;
    h.MillOrient = true, h.RealWidth = 604, h.RealHeight = 4;
    EXPECT_EQ(MillHint(h), QStringLiteral("Рез:\r\rДлина: 604 мм\rШирина: 4 мм\r\r"));
    MapScrap s;
    s.RealWidth = 1000, s.RealHeight = 500, s.ScrapType = stNormalScrap, s.ScrapName = QStringLiteral("K7");
    EXPECT_EQ(ScrapHint(s), QStringLiteral("Остаток:\r\rШифр: K7\rДлина: 1000 мм\rШирина: 500 мм\rПлощадь: 0.500 кв м"));
    s.ScrapType = stLostScrap;
    EXPECT_EQ(ScrapHint(s), QStringLiteral("Отход:\r\rДлина: 1000 мм\rШирина: 500 мм\rПлощадь: 0.500 кв м"));
    MapPart p;
    p.Title = QStringLiteral("Bok"), p.RealWidth = 720, p.RealHeight = 560;
    EXPECT_EQ(DetalHint(p),
              QStringLiteral("Деталь: \r\rШифр: Bok\rДлина: 720 мм\rШирина: 560 мм\rПлощадь: 0.403 кв м"));

    MapTab t; // a zero-size sheet shows 0 %, not NaN
    MapStatusTexts z = StatusTexts(t, QStringLiteral("ДСП"));
    EXPECT_EQ(z.Four[1], QStringLiteral("Отход: 0.000 кв м (0.00 %)"));
    t.RealWidth = 2000, t.RealHeight = 1000, t.Quantity = 2;
    t.LostSquare = 500000, t.ScrapSquare = 250000, t.TotalSquare = 750000, t.DetalsSquare = 1250000;
    t.MillLinesCount = 7, t.MillLinesLength = 12345;
    const MapStatusTexts st = StatusTexts(t, QStringLiteral("ДСП"));
    EXPECT_EQ(st.Four, (QStringList{"Материал: ДСП", "Отход: 0.500 кв м (25.00 %)", "Остаток: 0.250 кв м (12.50 %)",
                                    "Всего: 0.750 кв м (37.50 %)"}));
    EXPECT_EQ(st.Five, (QStringList{"Лист: 2000x1000", "Количество: 2", "Детали: 1.250 кв м (62.50 %)", "Резов: 7",
                                    "Длина резов: 12.35 м"}));
    EXPECT_EQ(TabInfo(st), QStringLiteral("Информация\r\rЛист: 2000x1000\rМатериал: ДСП\rКоличество: 2\r\r"
                                          "Детали: 1.250 кв м (62.50 %)\r\rРезов: 7\rДлина резов: 12.35 м\r\r"
                                          "Отход: 0.500 кв м (25.00 %)\rОстаток: 0.250 кв м (12.50 %)\r"
                                          "Всего: 0.750 кв м (37.50 %)"));
    EXPECT_EQ(TabInfo(MapStatusTexts()), QString());
}

TEST(MapDoc, DisplaySwitchesReachEveryControl)
{
    MapDocument doc;
    MapTab t;
    t.Parts.resize(2);
    t.Scraps.resize(2);
    t.Scraps[0].ScrapType = stNormalScrap;
    doc.Tabs = {t, t};
    doc.SetShowBorders(true);
    doc.SetShowScrapsText(true);
    for (const MapTab &x : doc.Tabs) {
        for (const MapPart &p : x.Parts)
            EXPECT_TRUE(p.ShowBorder);
        EXPECT_TRUE(x.Scraps[0].ShowText && x.Scraps[0].ShowDim);
        EXPECT_FALSE(x.Scraps[1].ShowText || x.Scraps[1].ShowDim); // waste untouched
    }
    // A tab added while the navigator shows another material stays hidden.
    doc.ShowMaterial(3);
    TSheetsList m;
    m.SizeX = m.SizeY = 100, m.Quantity = 1;
    EXPECT_FALSE(doc.AddMapTab("x", 4, m, TDetalsList(), 4, QString()).Visible);
    EXPECT_TRUE(doc.AddMapTab("y", 3, m, TDetalsList(), 4, QString()).Visible);
    EXPECT_TRUE(doc.Tabs.back().Parts.empty());
}

} // namespace

// The figures of a variant over its map document: sums, merged parts lists,
// edge banding, off-cut totals, sticker lists and the report texts.
#include "engine/raskroy.h"
#include "print/stats/labels.h"
#include "print/stats/sums.h"
#include "data/settings.h"
#include "platform/ini.h"
#include "data/testsupport/mixedjob.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

const QChar CR(13);

// Codes 0 (none), 1 and 2 are in the edge-banding list; 3 is not.
StatLookups lookups()
{
    StatLookups l;
    l.materialName = [](int code) { return code == 1 ? QStringLiteral("ДСП 16") : code == 2 ? QStringLiteral("МДФ") : QString(); };
    l.borderName = [](int code) { return code == 1 ? QStringLiteral("ПВХ 0.4") : code == 2 ? QStringLiteral("ПВХ 2") : QString(); };
    l.borderAllowance = [](int code) { return code == 1 ? 2 : code == 2 ? 20 : 0; };
    l.borderKnown = [](int code) { return code >= 0 && code <= 2; };
    return l;
}

MapPart part(const QString &name, int w, int h, int l = 0, int t = 0, int r = 0, int b = 0)
{
    MapPart p;
    p.Title = name;
    p.RealWidth = w;
    p.RealHeight = h;
    p.LeftBorder = l, p.TopBorder = t, p.RightBorder = r, p.BottomBorder = b;
    return p;
}

MapScrap scrap(int w, int h, bool usable, const QString &name = QString())
{
    MapScrap s;
    s.RealWidth = w;
    s.RealHeight = h;
    s.ScrapType = usable ? stNormalScrap : stLostScrap;
    s.ScrapName = name;
    return s;
}

// A tab whose areas are what the results window computes.
MapTab tab(int code, int w, int h, int quantity, std::vector<MapPart> parts, std::vector<MapScrap> scraps = {})
{
    MapTab t;
    t.MaterialCode = code;
    t.RealWidth = w;
    t.RealHeight = h;
    t.Quantity = quantity;
    t.Parts = std::move(parts);
    t.Scraps = std::move(scraps);
    for (const MapPart &p : t.Parts) t.DetalsSquare += double(p.Area());
    for (const MapScrap &s : t.Scraps)
        if (s.ScrapType == stNormalScrap) t.ScrapSquare += double(s.Area());
    t.LostSquare = double(t.SheetArea()) - t.ScrapSquare - t.DetalsSquare;
    t.TotalSquare = t.ScrapSquare + t.LostSquare;
    return t;
}

// The engine's mixed job (eight kinds, every rotate mode, off-cuts in stock)
// with edge banding on three kinds, as material 1.
void LoadMixed(engine::TRaskroy &e)
{
    kvtest::LoadMixedJob(e);
    e.Detals[0].TBorder = 1;                                 // Bok
    e.Detals[2].TBorder = 1, e.Detals[2].BBorder = 3;        // Polka; 3 is not in the edge-banding list
    engine::TDetal &fasad = e.Detals[3];
    fasad.LBorder = fasad.RBorder = fasad.TBorder = fasad.BBorder = 2;
}

struct EngineFigures
{
    double sheetArea = 0;
    int64_t cuts = 0;
    double cutLength = 0;
};

// Runs a job into the document as material `code`; what the engine's own
// maps say about sheets and cuts.
EngineFigures runInto(MapDocument &doc, engine::TRaskroy &e, int code)
{
    kvtest::RunMixedJob(e);
    EngineFigures f;
    for (int i = 0; i < e.ResultMaps.Count(); ++i) {
        const engine::TSheetsList &m = *e.ResultMaps.Items(i);
        doc.AddMapTab(QStringLiteral("Лист %1").arg(i + 1), code, m, e.Detals, e.P.MillWidth, QStringLiteral("заказ 7"));
        f.sheetArea += double(int64_t(m.SizeX) * m.SizeY) * m.Quantity;
        f.cuts += int64_t(m.MillCount()) * m.Quantity;
        f.cutLength += double(m.MillLength()) * m.Quantity;
    }
    return f;
}

} // namespace

TEST(VariantSums, MixedJobAgainstHandComputedTotals)
{
    MapDocument doc;
    engine::TRaskroy mixed;
    LoadMixed(mixed);
    const EngineFigures f1 = runInto(doc, mixed, 1);
    ASSERT_TRUE(mixed.Detals.NothingLeft());
    bool repeated = false;
    for (const MapTab &t : doc.Tabs) repeated |= t.Quantity > 1;
    ASSERT_TRUE(repeated) << "the job should cut some map from several sheets";

    // Material 2: one part of 1000 x 500 banded all round with code 1, one sheet.
    engine::TRaskroy second;
    second.ResetRaskroy();
    second.P.StdSheetLength = 2800, second.P.StdSheetWidth = 2070, second.P.MillWidth = 4;
    auto &d = second.Detals.Add("Stol", 1000, 500, 1, 0);
    d.LBorder = d.RBorder = d.TBorder = d.BBorder = 1;
    const EngineFigures f2 = runInto(doc, second, 2);

    // Off-cuts of 300 mm and more each way are usable.
    MapEnvironment env;
    env.scrapLimits = [](int32_t) { TScrapLimits l; l.Length = 300; l.Width = 300; return l; };
    ColorizeMaps(doc, env);

    // Parts, by hand: 6*720*560 + 3*564*560 + 8*560*280 + 5*716*396 + 2*2100*560
    // + 2*2400*100 + 9*500*140 + 7*564*100 = 9,895,600 mm².
    const double mixedParts = 9895600, secondParts = 500000;
    // Banding, by hand (allowance 2 for code 1, 20 for code 2):
    // code 1: Bok 6*(720+2) + Polka 8*(560+2) = 8828; Stol 2*(1002+502) = 3008
    // code 2: Fasad 5*(2*(716+20) + 2*(396+20)) = 11520
    // code 0: every side without banding: 63720 (mixed), none (Stol)
    struct Case { const char *what; int shown; double parts, sheets; int64_t cuts; double cutLength; int64_t code0, code1, code2; };
    const Case cases[] = {
        {"all materials", kMapAllMaterials, mixedParts + secondParts, f1.sheetArea + f2.sheetArea, f1.cuts + f2.cuts,
         f1.cutLength + f2.cutLength, 63720, 8828 + 3008, 11520},
        {"material 2 hidden", 1, mixedParts, f1.sheetArea, f1.cuts, f1.cutLength, 63720, 8828, 11520},
        {"material 1 hidden", 2, secondParts, f2.sheetArea, f2.cuts, f2.cutLength, 0, 3008, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        doc.ShowMaterial(c.shown);
        const MapTotals t = VariantTotals(doc);
        double usable = 0;   // from the off-cuts on the maps, each map Quantity times
        for (const MapTab &tab : doc.Tabs)
            if (tab.Visible)
                for (const MapScrap &s : tab.Scraps)
                    if (s.RealWidth >= 300 && s.RealHeight >= 300) usable += double(s.Area()) * tab.Quantity;
        EXPECT_DOUBLE_EQ(t.DetalsSquare, c.parts);
        EXPECT_DOUBLE_EQ(t.SheetArea, c.sheets);
        EXPECT_DOUBLE_EQ(t.ScrapSquare, usable);
        EXPECT_GT(usable, 0);
        EXPECT_DOUBLE_EQ(t.LostSquare, c.sheets - c.parts - usable);
        EXPECT_DOUBLE_EQ(t.TotalSquare, c.sheets - c.parts);
        EXPECT_EQ(t.MillCount, c.cuts);
        EXPECT_DOUBLE_EQ(t.MillLength, c.cutLength);
        const BorderTotals b = MapsBordersLength(doc, lookups());
        EXPECT_EQ(b.total(0), c.code0);
        EXPECT_EQ(b.total(1), c.code1);
        EXPECT_EQ(b.total(2), c.code2);
        EXPECT_FALSE(b.contains(3));   // not in the edge-banding list
    }
}

TEST(VariantSums, LargeJobsDoNotWrapAndZeroTotalsShowZero)
{
    MapDocument doc;
    doc.Tabs.push_back(tab(1, 2800, 2070, 400, {part("A", 2000, 1000)}));
    const MapTotals t = VariantTotals(doc);
    EXPECT_DOUBLE_EQ(t.SheetArea, 2318400000.0);   // beyond 32 bits
    EXPECT_EQ(FiguresOf(t).detals, QStringLiteral("800.000 кв м"));
    EXPECT_EQ(FiguresOf(t).total, QStringLiteral("1518.400 кв м"));
    EXPECT_EQ(ShareText(t.DetalsSquare, t.SheetArea), QStringLiteral("34.51"));
    // Shares take the digits of lengths.
    SetNumberDigits(3, 3);
    EXPECT_EQ(ShareText(t.DetalsSquare, t.SheetArea), QStringLiteral("34.507"));
    EXPECT_TRUE(TotalDataText(doc, BorderTotals(), lookups()).contains(QStringLiteral("(34.507%)")));
    SetNumberDigits(2, 3);

    doc.Tabs[0].Visible = false;   // nothing visible: every share is 0, never NaN
    const QString text = TotalDataText(doc, BorderTotals(), lookups());
    EXPECT_FALSE(text.contains(QStringLiteral("nan"), Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Бесполезный отход: 0.000 кв м (0.00%)"))) << text.toStdString();
    const MapTab empty = tab(1, 0, 0, 1, {});
    EXPECT_EQ(SheetTexts(empty, lookups()).lostScrap, QStringLiteral("Бесполезный отход: 0.000 кв м (0.00%)"));
}

TEST(SheetParts, IdenticalPartsMergeOthersStayApart)
{
    struct Case { const char *what; std::vector<MapPart> parts; std::vector<SheetPartGroup> groups; };
    const Case cases[] = {
        {"no parts", {}, {}},
        {"identical merged, first place kept",
         {part("A", 600, 400), part("B", 300, 200), part("A", 600, 400), part("A", 600, 400)},
         {{"A", 600, 400, 3, 0, 0, 0, 0}, {"B", 300, 200, 1, 0, 0, 0, 0}}},
        {"a turned copy stays apart", {part("A", 600, 400), part("A", 400, 600)},
         {{"A", 600, 400, 1, 0, 0, 0, 0}, {"A", 400, 600, 1, 0, 0, 0, 0}}},
        {"other banding stays apart", {part("A", 600, 400, 0, 3, 0, 3), part("A", 600, 400)},
         {{"A", 600, 400, 1, 0, 3, 0, 3}, {"A", 600, 400, 1, 0, 0, 0, 0}}},
        {"names compare with case", {part("a", 10, 10), part("A", 10, 10)},
         {{"a", 10, 10, 1, 0, 0, 0, 0}, {"A", 10, 10, 1, 0, 0, 0, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(GetSheetDetals(tab(1, 2800, 2070, 1, c.parts)), c.groups);
    }
    EXPECT_EQ(BordersToText(0, 3, 0, 3), QStringLiteral("0,3,0,3"));
    EXPECT_EQ(SheetPartGroup().edges(), QStringLiteral("0,0,0,0"));
}

TEST(SheetParts, BandingOfOneSheetCountsEachSideOnce)
{
    // 600 x 400, two copies, code 1 (allowance 2) all round; one copy with code 3 (unknown) on top.
    const MapTab t = tab(1, 2800, 2070, 5,
                         {part("A", 600, 400, 1, 1, 1, 1), part("A", 600, 400, 1, 1, 1, 1), part("B", 500, 300, 0, 3)});
    const BorderTotals b = SumBordersLength(GetSheetDetals(t), lookups());
    // One sheet, not five: 2 * (2*(600+2) + 2*(400+2)) = 4016.
    EXPECT_EQ(b.total(1), 4016);
    EXPECT_EQ(b.total(0), 300 + 300 + 500);
    EXPECT_FALSE(b.contains(3));
    EXPECT_EQ(b.lines().front().first, 1);   // order of first appearance
    EXPECT_FALSE(WithoutNoBorder(b).contains(0));
}

TEST(ScrapsInfo, OneLinePerMaterialHiddenTabsCountSortedByName)
{
    MapDocument doc;
    doc.Tabs.push_back(tab(2, 1000, 1000, 2, {part("A", 500, 1000)}, {scrap(500, 600, true), scrap(500, 400, false)}));
    doc.Tabs.push_back(tab(1, 1000, 1000, 1, {}, {scrap(1000, 1000, true)}));
    doc.Tabs.push_back(tab(2, 1000, 1000, 1, {}, {scrap(1000, 1000, false)}));
    doc.Tabs[2].Visible = false;   // still counts here
    const QList<MaterialData> got = BuildScrapsInfo(doc, lookups());
    const QList<MaterialData> want = {
        {1, QStringLiteral("ДСП 16"), 1000000, 0},
        {2, QStringLiteral("МДФ"), 2 * 300000.0, 2 * 200000.0 + 1000000},
    };
    EXPECT_EQ(got, want);
    EXPECT_EQ(ScrapsInfoArea(got[1].lost), QStringLiteral("1.400"));
    EXPECT_TRUE(BuildScrapsInfo(MapDocument(), lookups()).isEmpty());
}

TEST(ScrapsInfo, MaterialsInDictionaryOrderWithSmallLettersFirstAndYoBesideYe)
{
    struct Case { const char *what; QStringList names, sorted; };
    const Case cases[] = {
        {"capitals after small letters, not before every small letter",
         {"Дуб", "ЛДСП", "дуб", "лдсп"}, {"дуб", "Дуб", "лдсп", "ЛДСП"}},
        {"Ё among the Е words, not before А",
         {"Жасмин", "Ель", "Ёлка", "Акация"}, {"Акация", "Ёлка", "Ель", "Жасмин"}},
        {"ё beside е in the middle of a name", {"Берест", "Берёза", "Бук", "Береза"},
         {"Береза", "Берёза", "Берест", "Бук"}},
        {"digits and Latin before Cyrillic", {"МДФ", "MDF", "16 ДСП"}, {"16 ДСП", "MDF", "МДФ"}},
    };
    for (const Case &c : cases) {
        MapDocument doc;
        for (int i = 0; i < c.names.size(); ++i) doc.Tabs.push_back(tab(i + 1, 1000, 1000, 1, {}));
        StatLookups l;
        l.materialName = [&c](int code) { return c.names.value(code - 1); };
        QStringList got;
        for (const MaterialData &m : BuildScrapsInfo(doc, l)) got << m.name;
        EXPECT_EQ(got, c.sorted) << c.what;
    }
}

TEST(ReportTexts, StatisticsVariablesOfASheetAndTheVariant)
{
    MapTab t = tab(1, 2800, 2070, 1, {part("A", 2000, 1000, 1)}, {scrap(700, 2070, true)});
    t.MillLinesCount = 3;
    t.MillLinesLength = 6140;
    SheetReportTexts s = SheetTexts(t, lookups());
    EXPECT_EQ(s.sheetInfo, QStringLiteral("Лист: 2800 x 2070") + CR + QStringLiteral(" (ДСП 16)"));
    EXPECT_EQ(s.lostScrap, QStringLiteral("Бесполезный отход: 2.347 кв м (40.49%)"));
    EXPECT_EQ(s.scrap, QStringLiteral("Полезный отход: 1.449 кв м (25.00%)"));
    EXPECT_EQ(s.totalScrap, QStringLiteral("Полный отход: 3.796 кв м (65.49%)"));
    EXPECT_EQ(s.millLinesCount, QStringLiteral("Количество резов: 3"));
    EXPECT_EQ(s.millLinesLength, QStringLiteral("Длина резов: 6.14 м"));
    EXPECT_EQ(s.bordersList, CR + QStringLiteral("Расход кромки: ") + CR + QStringLiteral("ПВХ 0.4: 1.00 м") + CR);

    t.Quantity = 3;
    t.SheetName = QStringLiteral("OST-%1");
    EXPECT_EQ(SheetTexts(t, lookups()).sheetInfo,
              QStringLiteral("Лист (OST-%1): 2800 x 2070") + CR + QStringLiteral(" (ДСП 16); Кол-во: 3"));

    MapDocument doc;
    doc.Tabs.push_back(t);
    const QString six = QStringLiteral("---------") + CR + QStringLiteral("Бесполезный отход: 7.041 кв м (40.49%)") + CR +
                        QStringLiteral("Полезный отход: 4.347 кв м (25.00%)") + CR +
                        QStringLiteral("Полный отход: 11.388 кв м (65.49%)") + CR +
                        QStringLiteral("Площадь деталей: 6.000 кв м (34.51%)") + CR +
                        QStringLiteral("Общее кол-во резов: 9") + CR + QStringLiteral("Общая длина резов: 18.42 м") + CR;
    EXPECT_EQ(TotalDataText(doc, BorderTotals(), lookups()), six);
    const BorderTotals b = MapsBordersLength(doc, lookups());
    EXPECT_EQ(TotalDataText(doc, b, lookups()),
              six + CR + QStringLiteral("Расход кромки: ") + CR + QStringLiteral("ПВХ 0.4: 3.01 м") + CR);
}

TEST(Labels, ListsFromMapsOnePerPieceAndSheet)
{
    MapDocument doc;
    MapTab t = tab(1, 2800, 2070, 4, {part("A", 600, 400, 1, 0, 0, 0), part("B", 300, 200, 1, 2, 3, 2)},
                   {scrap(500, 600, true, QStringLiteral("Ост-1")), scrap(50, 60, false)});
    t.Remark = QStringLiteral("заказ 7");
    doc.Tabs.push_back(t);
    MapTab hidden = tab(2, 1000, 1000, 1, {part("C", 100, 100)}, {scrap(900, 900, true)});
    hidden.Visible = false;
    doc.Tabs.push_back(hidden);

    const DetalLabelLists d = GetDetalsLabels(doc, lookups());
    ASSERT_EQ(d.count(), 8);   // 2 parts x 4 sheets, nothing of the hidden tab
    for (const QStringList *l : {&d.sizes, &d.materials, &d.comments, &d.edges}) EXPECT_EQ(l->size(), 8);
    EXPECT_EQ(d.names.mid(0, 5), QStringList({"A", "A", "A", "A", "B"}));
    EXPECT_EQ(d.sizes[0], QStringLiteral("600 x 400"));
    EXPECT_EQ(d.materials[0], QStringLiteral("ДСП 16"));
    EXPECT_EQ(d.comments[0], QStringLiteral("заказ 7"));
    EXPECT_EQ(d.edges[0], QStringLiteral("л: ПВХ 0.4") + CR);
    // Left, right, top, bottom; an unknown code shows an empty name.
    EXPECT_EQ(d.edges[4], QStringLiteral("л: ПВХ 0.4") + CR + QStringLiteral("пр: ") + CR + QStringLiteral("в: ПВХ 2") + CR +
                              QStringLiteral("н: ПВХ 2") + CR);

    const ScrapsLabelLists s = GetScrapsLabels(doc, lookups());
    EXPECT_EQ(s.names, QStringList(4, QStringLiteral("Ост-1")));   // waste gets no sticker
    EXPECT_EQ(s.sizes[0], QStringLiteral("500 x 600"));
    EXPECT_EQ(s.comments[0], QStringLiteral("заказ 7"));
}

TEST(Labels, StickerTextFollowsTheChosenLines)
{
    DetalLabelLists d;
    d.names << "A";
    d.sizes << "600 x 400";
    d.materials << "ДСП";
    d.comments << "к";
    d.edges << QStringLiteral("л: ПВХ") + CR;
    ScrapsLabelLists s;
    s.names << "O";
    s.sizes << "1 x 2";
    s.materials << "ДСП";
    s.comments << "к";
    LabelSettings all;
    LabelSettings none;
    none.name = none.dim = none.material = none.comment = none.borders = false;
    LabelSettings sizeOnly = none;
    sizeOnly.dim = true;
    struct Case { const LabelSettings *set; QString part, off; };
    const Case cases[] = {
        {&all, "A\r600 x 400\rДСП\rк\rл: ПВХ\r", "O\r1 x 2\rДСП\rк"},
        {&none, "", ""},
        {&sizeOnly, "600 x 400\r", "1 x 2\r"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(DetalLabelText(d, 0, *c.set), c.part);
        EXPECT_EQ(ScrapLabelText(s, 0, *c.set), c.off);
    }
    EXPECT_EQ(DetalLabelText(d, 1, all), QString());
}

TEST(Labels, SettingsKeepTheirKeysAndRefuseBadValues)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("Korvalt.ini"));
    EXPECT_EQ(ReadLabelSettings(ini, kDetalsLabelSection, true), LabelSettings());
    ini.WriteInteger(kScrapsLabelSection, "rgrAlignment", 5);
    EXPECT_EQ(ReadLabelSettings(ini, kScrapsLabelSection, false).alignment, 0);

    LabelSettings s;
    s.width = 70, s.height = 30, s.name = false, s.borders = false, s.wordWrap = true, s.alignment = 2;
    s.fontName = "Liberation Serif", s.fontSize = 12, s.bold = true;
    WriteLabelSettings(ini, kDetalsLabelSection, true, s);
    EXPECT_EQ(ReadLabelSettings(TIniFile(dir.filePath("Korvalt.ini")), kDetalsLabelSection, true), s);
    EXPECT_EQ(ini.ReadInteger(kDetalsLabelSection, "Width", 0), 70);
    EXPECT_FALSE(ini.ReadBool(kDetalsLabelSection, "cbxBorders", true));
    EXPECT_FALSE(ini.ValueExists(kScrapsLabelSection, "cbxBorders"));
}

TEST(Labels, StickersPerPageNeverDivideByZero)
{
    // A4 within 10 mm margins: 684 x 997 units.
    struct Case { int w, h; int columns, rows; bool ok; };
    const Case cases[] = {
        {45, 15, 4, 18, true},   // 162 x 54 units
        {70, 30, 2, 9, true},
        {190, 277, 1, 1, true},
        {0, 15, 0, 0, false},
        {45, 0, 0, 0, false},
        {-5, 15, 0, 0, false},
        {191, 15, 0, 0, false},  // wider than the page
        {45, 1000, 0, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const LabelGrid g = LabelLayout(c.w, c.h, 684, 997);
        EXPECT_EQ(g.ok(), c.ok);
        if (c.ok) {
            EXPECT_EQ(g.columns, c.columns);
            EXPECT_EQ(g.rows, c.rows);
        } else {
            EXPECT_FALSE(g.error.isEmpty());
            EXPECT_EQ(g.pages(10), 0);
        }
    }
    EXPECT_EQ(LabelLayout(45, 15, 684, 997).pages(73), 2);   // 72 a page
    EXPECT_EQ(LabelLayout(45, 15, 684, 997).pages(0), 0);
}

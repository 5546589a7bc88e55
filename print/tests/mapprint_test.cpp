// Printing of cutting maps without windows: the settings and styles as the
// file holds them, the texts and objects of one map, the range of tabs, and
// the road through a small template to the built report.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/ini.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"
#include "print/flows/maproad.h"
#include "print/flows/mapprint.h"
#include "print/flows/printflow.h"
#include "print/flows/printsetup.h"
#include <QRadioButton>
#include "print/objects/detalslistview.h"
#include "print/objects/registration.h"
#include "print/objects/rskmapview.h"
#include "print/tests/printfixture.h"
#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/model/memo.h"
#include "report/model/prepared.h"
#include "report/script/scriptengine.h"

using namespace kv;

namespace {

class IniFixture : public ::testing::Test
{
public:
    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    void SetUp() override { settings = std::make_unique<Settings>(dir.filePath(QStringLiteral("Korvalt.ini"))); }
    TIniFile &ini() { return settings->Ini(); }
};

// A small tab: one part, one usable off-cut, one waste, a cut of each direction.
MapTab smallTab(const QString &caption, bool visible = true)
{
    MapTab t;
    t.Caption = caption;
    t.MaterialCode = 7;
    t.Visible = visible;
    t.RealWidth = 2000, t.RealHeight = 1000;
    MapPart p;
    p.Title = QStringLiteral("Bok");
    p.RealLeft = 0, p.RealTop = 0, p.RealWidth = 720, p.RealHeight = 560;
    p.LeftBorder = 3, p.TopBorder = 4;
    t.Parts = {p, p};
    MapScrap usable;
    usable.Text = QStringLiteral("Остаток");
    usable.ScrapType = stNormalScrap;
    usable.RealLeft = 724, usable.RealWidth = 1276, usable.RealHeight = 800;
    MapScrap lost;
    lost.Text = QStringLiteral("Отход");
    lost.RealTop = 564, lost.RealWidth = 720, lost.RealHeight = 436;
    t.Scraps = {usable, lost};
    MapCut h;
    h.MillOrient = true;
    h.RealLeft = 0, h.RealTop = 1000, h.RealWidth = 720, h.RealHeight = 4;
    MapCut v;
    v.RealLeft = 720, v.RealTop = 0, v.RealWidth = 4, v.RealHeight = 1000;
    t.Cuts = {h, v};
    t.MillLinesCount = 2, t.MillLinesLength = 1720;
    t.DetalsSquare = 2 * 720.0 * 560, t.ScrapSquare = 1276.0 * 800, t.LostSquare = 2000000 - 1276.0 * 800 - 2 * 720.0 * 560;
    t.TotalSquare = t.ScrapSquare + t.LostSquare;
    return t;
}

} // namespace

TEST_F(IniFixture, AnEmptySettingsFileGivesTheDefaults)
{
    const MapPrintOptions o = ReadMapPrintOptions(ini());
    EXPECT_EQ(o.MapsPerPage(), 1);
    for (bool on : {o.MillStat, o.TotalWStat, o.UsefulWStat, o.UselessWStat, o.DetalStat, o.DetalsList, o.ShowBorder,
                    o.BorderCodes, o.BorderStat})
        EXPECT_TRUE(on);
    EXPECT_FALSE(o.BorderBlack);
    EXPECT_EQ(o.MapFont.name, QStringLiteral("Arial"));
    EXPECT_EQ(o.MapFont.size, 10);

    const MapPrintStyles s = ReadPrintStyles(ini());
    EXPECT_EQ(s.CurrentPage, 0);
    for (const MapKindStyle *k : {&s.Detal, &s.Scrap, &s.LostScrap}) {
        EXPECT_TRUE(k->Draw && k->Title && k->Dim && k->TruncText);
        EXPECT_EQ(k->Font, IniFont());
        EXPECT_EQ(k->Brush.color, 0xFFFFFF);
        EXPECT_EQ(k->Brush.style, 0);
        EXPECT_EQ(k->Pen, IniPen());
    }
    EXPECT_TRUE(s.MillDraw);
    EXPECT_EQ(s.MillPen.width, 1);
}

TEST_F(IniFixture, StylesAreWrittenInTheirKeyOrderWithAreaPensOfWidthOne)
{
    struct Case { int stored, read; };
    for (const Case c : {Case{3, 3}, Case{7, 0}, Case{-1, 0}}) {
        ini().WriteInteger(kPrnSetupAdv, QStringLiteral("CurrentPage"), c.stored);
        EXPECT_EQ(ReadPrintStyles(ini()).CurrentPage, c.read) << c.stored;
    }
    ini().EraseSection(kPrnSetupAdv);
    MapPrintStyles s;
    s.Detal.Pen.width = 5;
    s.MillPen.width = 4;
    s.LostScrap.Draw = false;
    WritePrintStyles(ini(), s);
    const MapPrintStyles back = ReadPrintStyles(ini());
    EXPECT_EQ(back.Detal.Pen.width, 1);
    EXPECT_EQ(back.MillPen.width, 4);
    EXPECT_FALSE(back.LostScrap.Draw);
    const QStringList keys = ini().ReadSection(kPrnSetupAdv);
    ASSERT_GE(keys.size(), 20);
    EXPECT_EQ(keys.mid(0, 3), (QStringList{"CurrentPage", "DetalDraw", "DetalFont_Name"}));
    const int millDraw = int(keys.indexOf("MillDraw"));
    EXPECT_EQ(keys[millDraw - 1], QStringLiteral("DetalTruncText"));
    EXPECT_EQ(keys[millDraw + 1], QStringLiteral("MillPen_Color"));
    EXPECT_EQ(keys[millDraw + 4], QStringLiteral("ScrapDraw"));
    EXPECT_EQ(keys.last(), QStringLiteral("LostScrapTruncText"));
}

TEST(MapPrintTexts, MapParamsFollowTheOptions)
{
    MapDocument doc;
    doc.Tabs = {smallTab(QStringLiteral("1: Лист 1"))};
    doc.Tabs[0].Quantity = 3;
    TMapsPrinter p(doc, kvtest::Lookups());
    MapPrintOptions &o = p.Options;
    o.MillStat = o.TotalWStat = o.UsefulWStat = o.UselessWStat = o.DetalStat = false;
    EXPECT_EQ(o.ParamsLines(), 2);
    EXPECT_EQ(p.MapParamsText(0), QStringLiteral("<1: Лист 1>  2000 x 1000 (ЛДСП Бук 16) 3 шт\r\n"));
    doc.Tabs[0].Remark = QStringLiteral("кромить сразу");
    o.MillStat = o.UselessWStat = true;
    EXPECT_EQ(o.ParamsLines(), 4);
    EXPECT_EQ(p.MapParamsText(0).split(QStringLiteral("\r\n")),
              (QStringList{"<1: Лист 1>  2000 x 1000 (ЛДСП Бук 16) 3 шт", "Количество резов: 2 (длина резов: 1.72 м)",
                           "Бесполезный отход: 0.173 кв м (8.64%)", "кромить сразу", ""}));
    // Identical parts merged with their counts.
    EXPECT_EQ(p.DetalsListText(0), QStringLiteral("Список деталей: \r\n\r\nBok   720x560   2 шт\r\n"));
    // A record outside the tabs answers empty texts.
    EXPECT_TRUE(p.MapParamsText(5).isEmpty());
    EXPECT_TRUE(p.DetalsListText(-1).isEmpty());
    p.PrintTab = 0;
    TrpValue v;
    EXPECT_TRUE(p.GetValue(QStringLiteral("detalslist"), v));
    EXPECT_TRUE(v.toText().startsWith(QStringLiteral("Список деталей")));
    EXPECT_FALSE(p.GetValue(QStringLiteral("MAP_W"), v));
}

TEST(MapPrintObjects, TheMapTakesItsItemsStylesAndScale)
{
    MapDocument doc;
    doc.Tabs = {smallTab(QStringLiteral("1")), smallTab(QStringLiteral("2"))};
    doc.Tabs[1].Parts.clear();
    TMapsPrinter p(doc, kvtest::Lookups());
    p.Styles.Detal.Brush = {0x00FF00, 4};
    p.Styles.MillPen = {0xFF, 0, 3};
    TrpRskMapView v;
    p.FillMap(v, 0, 709, 409);
    // The smaller of the two scales: (409 - 9) / 1000 against (709 - 9) / 2000.
    EXPECT_DOUBLE_EQ(v.MapScale, 0.35);
    EXPECT_EQ(v.Width, 700);
    EXPECT_EQ(v.Height, 350);
    EXPECT_EQ(v.DetalBrush, (TkvrpBrush{0x00FF00, kvbsCross}));
    EXPECT_EQ(v.MillPen, (TkvrpPen{0xFF, psSolid, 3}));
    ASSERT_EQ(v.Items.size(), 6u);
    std::vector<int> kinds;
    for (const auto &i : v.Items) kinds.push_back(i->ItemKind());
    EXPECT_EQ(kinds, (std::vector<int>{1, 1, 2, 2, 3, 3}));
    EXPECT_FALSE(static_cast<TkvrpScrapData &>(*v.Items[2]).IsLost);
    EXPECT_TRUE(static_cast<TkvrpScrapData &>(*v.Items[3]).IsLost);
    // A horizontal cut at Y 1000 with a kerf of 4 runs at 1002; a vertical one along its middle.
    EXPECT_EQ(v.Items[4]->Y, 1002);
    EXPECT_EQ(v.Items[4]->Height, 0);
    EXPECT_EQ(v.Items[5]->X, 722);
    EXPECT_EQ(v.Items[5]->Width, 0);

    // The next map starts empty even when the object was never saved.
    p.FillMap(v, 1, 709, 409);
    EXPECT_EQ(v.Items.size(), 4u);
    struct Case { const char *what; bool detal, scrap, lost, mill; size_t items; };
    for (const Case c : {Case{"no parts", false, true, true, true, 4}, Case{"no off-cuts", true, false, true, true, 5},
                         Case{"no waste", true, true, false, true, 5}, Case{"no cuts", true, true, true, false, 4}}) {
        p.Styles.Detal.Draw = c.detal, p.Styles.Scrap.Draw = c.scrap, p.Styles.LostScrap.Draw = c.lost;
        p.Styles.MillDraw = c.mill;
        p.FillMap(v, 0, 709, 409);
        EXPECT_EQ(v.Items.size(), c.items) << c.what;
    }
    p.FillMap(v, 9, 709, 409);
    EXPECT_TRUE(v.Items.empty());
}

TEST(MapPrintObjects, TheListTakesCodesByTheirSidesAndTotalsOnlyWithTheirOption)
{
    MapDocument doc;
    doc.Tabs = {smallTab(QStringLiteral("1"))};
    doc.Tabs[0].Parts[0].Title = doc.Tabs[0].Parts[1].Title = QStringLiteral("Очень длинное название детали");
    TMapsPrinter p(doc, kvtest::Lookups());
    TrpDetalsListView v;
    p.FillDetalsList(v, 0);
    ASSERT_EQ(v.Detals.size(), 1u);
    const TDetalsListRec &r = v.Detals[0];
    EXPECT_EQ(r.Name, QStringLiteral("Очень длинное назван"));
    EXPECT_EQ(r.Count, 2);
    EXPECT_EQ(r.LeftCode, 3);
    EXPECT_EQ(r.TopCode, 4);
    EXPECT_EQ(r.LeftColor, 0x0000FF);
    EXPECT_EQ(r.TopColor, 0xFF0000);
    ASSERT_EQ(v.Totals.size(), 2u);   // code 0 left out
    EXPECT_EQ(v.Totals[0], (TBorderTotalRec{"Кромка 3", 2 * (560 + 20), 3}));

    p.Options.BorderBlack = true;
    p.Options.BorderStat = false;
    p.FillDetalsList(v, 0);
    EXPECT_EQ(v.Detals[0].LeftColor, 0);
    EXPECT_TRUE(v.Totals.empty());
    EXPECT_FALSE(v.BorderStat);
}

TEST(MapPrintRange, RecordsRunFromTheFirstToTheLastVisibleTab)
{
    MapDocument doc;
    for (int i = 0; i < 5; ++i) doc.Tabs.push_back(smallTab(QString::number(i + 1), i != 0 && i != 4));
    TMapsPrinter p(doc, {});
    EXPECT_EQ(p.PrintFirstTab, 1);
    EXPECT_EQ(p.PrintLastTab, 3);
    QList<int> records;
    for (p.First(); !p.Eof(); p.Next()) records << p.PrintTab;
    EXPECT_EQ(records, (QList<int>{1, 2, 3}));
    EXPECT_TRUE(p.RangeHasVisibleTab());
    p.PrintFirstTab = p.PrintLastTab = 4;   // a hidden tab alone
    EXPECT_FALSE(p.RangeHasVisibleTab());

    for (auto &t : doc.Tabs) t.Visible = false;
    TMapsPrinter none(doc, {});
    EXPECT_EQ(none.PrintFirstTab, 0);
    EXPECT_EQ(none.PrintLastTab, 4);
    EXPECT_FALSE(none.RangeHasVisibleTab());
    MapDocument empty;
    TMapsPrinter nothing(empty, {});
    EXPECT_FALSE(nothing.RangeHasVisibleTab());
}

// ---------------------------------------------------------------- the road

namespace {

// A template in the layout the program's own has: one band per map.
void writeTemplate(const QString &file, bool withRoom)
{
    RegisterPrintObjects();
    TrpReport r;
    TrpPage *page = r.Pages().GetPage(0);
    if (!page) page = r.Pages().Add();
    if (withRoom) {
        r.Dictionary().VariableList.SetValue(QStringLiteral(" Карты"), TrpValue());   // variables follow a heading
        r.Dictionary().VariableList.SetValue(QStringLiteral("MAP_W"), TrpValue(QStringLiteral("400")));
        r.Dictionary().VariableList.SetValue(QStringLiteral("MAP_H"), TrpValue(QStringLiteral("600 / MAPSPERPAGE")));
    }
    auto band = std::make_unique<TrpBandView>();
    band->SetBandType(btMasterData);
    band->Name = QStringLiteral("MasterData1");
    band->DisplayFormatText = QStringLiteral("rpsrcMaps");
    band->SetBounds(0, 40, 700, 300);
    page->AddView(std::move(band));
    auto map = std::make_unique<TrpRskMapView>();
    map->Name = QStringLiteral("Map");
    map->SetBounds(40, 40, 400, 290);
    page->AddView(std::move(map));
    auto memo = std::make_unique<TrpMemoView>();
    memo->Name = QStringLiteral("mmMapParams");
    memo->SetBounds(450, 40, 250, 100);
    memo->Memo = {QStringLiteral("[MAPPARAMS]")};
    page->AddView(std::move(memo));
    auto list = std::make_unique<TrpDetalsListView>();
    list->Name = QStringLiteral("mmDetalsList");
    list->SetBounds(450, 150, 250, 180);
    page->AddView(std::move(list));
    r.SaveToFile(file);
}

class MapRoad : public IniFixture
{
public:
    MapDocument doc;
    QString reports;
    std::vector<int> pages;
    std::vector<size_t> mapItems;
    std::vector<qint32> listFontColors;   // of the parts lists on the prepared pages
    kv::test::FakeUi ui;
    bool dialogShown = false;
    std::function<void(TfrmPrintSetup &)> choose;   // the user's choices before "Печать"

    void SetUp() override
    {
        IniFixture::SetUp();
        reports = dir.filePath(QStringLiteral("Reports"));
        QDir().mkpath(reports);
        for (int i = 0; i < 3; ++i) doc.Tabs.push_back(smallTab(QString::number(i + 1)));
        ui.onReports<TrpReport>([this](TrpReport &r) {
            if (!r.Prepare()) return false;   // the report says why, as its preview would
            pages.push_back(r.EMFPages().Count());
            for (int i = 0; i < r.EMFPages().Count(); ++i)
                if (TrpPage *pg = r.EMFPages().UnpackPage(i))
                    for (const auto &v : pg->Views()) {
                        if (auto *m = dynamic_cast<TrpRskMapView *>(v.get())) mapItems.push_back(m->Items.size());
                        else if (auto *l = dynamic_cast<TrpDetalsListView *>(v.get())) listFontColors.push_back(l->ListFont.color);
                    }
            return true;
        });
        ui.onModal = [this](QDialog &d) {
            dialogShown = true;
            if (auto *s = qobject_cast<TfrmPrintSetup *>(&d)) {
                if (choose) choose(*s);
                s->bbOkClick();
            }
            return d.result();
        };
    }
    bool print(int active = 0)
    {
        MapPrintRequest rq;
        rq.doc = &doc;
        rq.activeTab = active;
        rq.settings = settings.get();
        rq.reportsFolder = reports;
        rq.lookups = kvtest::Lookups();
        rq.ui = &ui;
        return PrintCuttingMaps(rq);
    }
};

} // namespace

TEST_F(MapRoad, EveryVisibleMapGetsItsPageWithItsItems)
{
    writeTemplate(reports + "/RskMaps.rpf", true);
    kv::test::ScopedAnswers answers(ui);
    EXPECT_TRUE(print());
    for (const ShownMessage &m : answers.shown()) ADD_FAILURE() << m.text.toStdString();
    ASSERT_EQ(pages, (std::vector<int>{1}));   // three 300-unit bands fit one A4 page
    EXPECT_EQ(mapItems, (std::vector<size_t>{6, 6, 6}));
    EXPECT_EQ(rpEngine().Variables().GetValue(QStringLiteral("MAPPARAMSLINES")).toInt32(), 7);
}

// "Изменть шрифт" offers the font's colour too: the colour chosen is the one
// the lists are printed in, and the one the settings keep.
TEST_F(MapRoad, AFontColourChosenIsPrintedAndKept)
{
    writeTemplate(reports + "/RskMaps.rpf", true);
    QColor offered;
    ui.onFontColor = [&](QFont &f, QColor &c) {
        offered = c;
        f.setPointSize(12);
        c = QColor(0xC0, 0x10, 0x20);
        return true;
    };
    choose = [](TfrmPrintSetup &d) {
        d.chbDetalsList->setChecked(true);
        d.bbFontClick();
    };
    kv::test::ScopedAnswers answers(ui);
    EXPECT_TRUE(print());
    EXPECT_EQ(offered, QColor(Qt::black));   // the font's colour as the settings had it
    ASSERT_FALSE(listFontColors.empty());
    for (qint32 c : listFontColors) EXPECT_EQ(c, 0x2010C0);
    IniFont stored;
    ReadFontFromIni(ini(), kSheetPageParams, QStringLiteral("MapFont"), stored);
    EXPECT_EQ(stored.color, 0x2010C0);
    EXPECT_EQ(ini().ReadInteger(kSheetPageParams, QStringLiteral("MapFont_Color"), -1), 0x2010C0);
    EXPECT_EQ(stored.size, 12);
}

TEST_F(MapRoad, FailuresAreToldAndNothingIsBuilt)
{
    struct Case
    {
        const char *what;
        std::function<void(MapRoad &)> arrange;
        const char *message;
    };
    const Case cases[] = {
        {"missing template", [](MapRoad &) {}, "Ошибка загрузки шаблона отчета"},
        {"template without the map room",
         [](MapRoad &f) { writeTemplate(f.reports + "/RskMaps.rpf", false); }, "MAP_W и MAP_H"},
        {"no visible tab",
         [](MapRoad &f) {
             writeTemplate(f.reports + "/RskMaps.rpf", true);
             for (auto &t : f.doc.Tabs) t.Visible = false;
         },
         "Нет карт раскроя для печати."},
        {"no tabs at all, the current one chosen",
         [](MapRoad &f) {
             writeTemplate(f.reports + "/RskMaps.rpf", true);
             f.doc.Tabs.clear();
             f.choose = [](TfrmPrintSetup &d) { d.rbCurrentPage->click(); };
         },
         "Нет карт раскроя для печати."},
        {"numbers of a hidden tab alone",
         [](MapRoad &f) {
             writeTemplate(f.reports + "/RskMaps.rpf", true);
             f.doc.Tabs[1].Visible = false;
             f.choose = [](TfrmPrintSetup &d) {
                 d.rbNumberPages->click();
                 d.SetBeginPage(2);
                 d.SetEndPage(2);
             };
         },
         "Нет карт раскроя для печати."},
    };
    for (const Case &c : cases) {
        QFile::remove(reports + "/RskMaps.rpf");
        doc.Tabs.clear();
        for (int i = 0; i < 3; ++i) doc.Tabs.push_back(smallTab(QString::number(i + 1)));
        pages.clear();
        choose = nullptr;
        c.arrange(*this);
        kv::test::ScopedAnswers answers(ui);
        EXPECT_FALSE(print()) << c.what;
        EXPECT_TRUE(pages.empty()) << c.what;
        ASSERT_FALSE(answers.shown().empty()) << c.what;
        EXPECT_TRUE(answers.shown().back().text.contains(QString::fromUtf8(c.message)))
            << c.what << ": " << answers.shown().back().text.toStdString();
    }
}

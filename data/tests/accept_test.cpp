// Accepting a variant into the warehouse's working copies.
#include "data/datamodule.h"
#include "data/matoptions.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/maps/mapfiles.h"
#include "data/stock/accept.h"
#include "data/stock/acceptedmaps.h"
#include "data/stock/stock.h"
#include "platform/db/query.h"
#include "platform/error.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace kv;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Row
{
    QString name;
    int length, width, many, code;
};

const QDate kToday(2024, 3, 5);
const QDate kOld(2023, 1, 2);

class Accept : public ::testing::Test
{
protected:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Paths> paths;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<TModule> module;
    std::unique_ptr<StockService> stock;

    void SetUp() override { fresh(); }
    // A new program folder with empty stock tables.
    void fresh()
    {
        stock.reset();
        module.reset();
        settings.reset();
        paths.reset();
        dir = std::make_unique<QTemporaryDir>();
        paths = std::make_unique<Paths>(dir->path());
        paths->CreateFolders();
        settings = std::make_unique<Settings>(paths->SettingsFile());
        module = std::make_unique<TModule>(paths.get(), settings.get());
        module->EnsureTables();
        stock = std::make_unique<StockService>(*module, *settings);
        ASSERT_TRUE(stock->OpenCopies().isEmpty());
    }

    void scraps(const std::vector<Row> &rows, const QDate &date = kOld)
    {
        for (const Row &r : rows)
            module->tblScraps->AppendRecord({r.name, double(r.length), double(r.width), double(r.many), double(r.code), date});
        stock->PostScraps();
    }
    void sheets(const std::vector<Row> &rows)
    {
        for (const Row &r : rows)
            module->tblSheets->AppendRecord({double(r.length), double(r.width), double(r.many), double(r.code)});
        stock->PostSheets();
    }
    static QStringList rows(const QString &file, bool withName)
    {
        QStringList out;
        Query q;
        q.SetSQL("Select * from " + Query::QuotePath(file) + " a");
        q.Open();
        for (q.First(); !q.Eof(); q.Next())
            out << QString("%1%2x%3 %4 %5")
                       .arg(withName ? q.FieldByName("Name")->AsString() + " " : QString())
                       .arg(q.FieldByName("Length")->AsInteger())
                       .arg(q.FieldByName("Width")->AsInteger())
                       .arg(q.FieldByName("Many")->AsInteger())
                       .arg(q.FieldByName("Code")->AsInteger());
        out.sort();
        return out;
    }
    QStringList scrapRows() { return rows(paths->TempScrapsTable(), true); }
    QStringList sheetRows() { return rows(paths->TempSheetsTable(), false); }
};

MapScrap usable(int w, int h, const QString &name = {})
{
    MapScrap s;
    s.RealWidth = w, s.RealHeight = h;
    s.ScrapType = stNormalScrap;
    s.ScrapName = name;
    s.Text = name.isEmpty() ? QStringLiteral("Остаток") : name;
    return s;
}

MapScrap waste(int w, int h)
{
    MapScrap s;
    s.RealWidth = w, s.RealHeight = h;
    s.ScrapType = stLostScrap;
    return s;
}

MapTab tab(int code, int w, int h, int quantity, bool fromStock, const QString &name, std::vector<MapScrap> left = {})
{
    MapTab t;
    t.MaterialCode = code;
    t.RealWidth = w, t.RealHeight = h;
    t.Quantity = quantity;
    t.IsScraps = fromStock;
    t.SheetName = name;
    t.Scraps = std::move(left);
    return t;
}

} // namespace

TEST_F(Accept, EdgeCases)
{
    struct Case
    {
        const char *name;
        std::vector<Row> stockScraps;
        std::vector<MapTab> tabs;
        bool autoMark;
        QStringList expected; // off-cut rows afterwards, sorted
    };
    const Case cases[] = {
        {"used up", {{"A", 800, 600, 2, 7}}, {tab(7, 800, 600, 2, true, "A")}, false, {}},
        {"partly used", {{"A", 800, 600, 5, 7}}, {tab(7, 800, 600, 2, true, "A")}, false, {"A 800x600 3 7"}},
        {"empty code found by size; first row decides",
         {{"", 800, 600, 1, 7}, {"B", 800, 600, 4, 7}, {"", 800, 600, 9, 8}},
         {tab(7, 800, 600, 1, true, "")}, false, {" 800x600 9 8", "B 800x600 4 7"}},
        {"name decides between equal sizes",
         {{"A", 800, 600, 1, 7}, {"B", 800, 600, 4, 7}}, {tab(7, 800, 600, 1, true, "B")}, false,
         {"A 800x600 1 7", "B 800x600 3 7"}},
        {"name with a quote", {{"O'K", 800, 600, 3, 7}}, {tab(7, 800, 600, 1, true, "O'K")}, false, {"O'K 800x600 2 7"}},
        {"missing row changes nothing", {{"A", 800, 600, 3, 7}}, {tab(7, 500, 600, 1, true, "A")}, false,
         {"A 800x600 3 7"}},
        {"usable off-cuts in, waste not",
         {}, {tab(7, 2800, 2070, 3, false, "", {usable(500, 400), waste(30, 20), usable(600, 300, "K-1")})}, false,
         {" 500x400 3 7", "K-1 600x300 3 7"}},
        {"coded off-cut keeps its code; automatic codes skip those in use",
         {{"R1", 100, 100, 1, 7}}, {tab(7, 2800, 2070, 1, false, "", {usable(500, 400), usable(600, 300, "K-1"), usable(700, 300)})},
         true, {"K-1 600x300 1 7", "R1 100x100 1 7", "R2 500x400 1 7", "R3 700x300 1 7"}},
        {"equal off-cuts merged",
         {}, {tab(7, 2800, 2070, 1, false, "", {usable(500, 400)}), tab(7, 2800, 2070, 2, false, "", {usable(500, 400)})},
         false, {" 500x400 3 7"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        settings->Ini().WriteBool("Default", "AutoScrapsMark", c.autoMark);
        TMarkSettings mark;
        mark.MarkPrefix = "R";
        PackMarkSettings(settings->Ini(), MaterialSection(7), mark);
        scraps(c.stockScraps);
        stock->SaveScraps();
        MapDocument doc;
        doc.Tabs = c.tabs;
        AcceptVariant(*stock, *settings, doc, kToday);
        QStringList expected = c.expected;
        expected.sort();
        EXPECT_EQ(scrapRows(), expected);
    }
}

TEST_F(Accept, AutomaticCodesGoIntoTheMapAndTheThroughCounter)
{
    settings->Ini().WriteBool("Default", "AutoScrapsMark", true);
    TMarkSettings mark;
    mark.MarkNumbering = true;
    mark.MarkPrefix = "S";
    mark.MarkSuffix = "/7";
    mark.MarkMaxNumber = 10;
    PackMarkSettings(settings->Ini(), MaterialSection(7), mark);
    MapDocument doc;
    doc.Modified = false;
    doc.Tabs = {tab(7, 2800, 2070, 1, false, "", {usable(500, 400), waste(10, 10), usable(300, 300, "X")})};
    const AcceptOutcome out = AcceptVariant(*stock, *settings, doc, kToday);
    EXPECT_EQ(out.scrapsAdded, 2);
    EXPECT_EQ(doc.Tabs[0].Scraps[0].ScrapName, "S11/7");
    EXPECT_EQ(doc.Tabs[0].Scraps[0].Text, "S11/7");
    EXPECT_EQ(doc.Tabs[0].Scraps[1].ScrapName, "");
    EXPECT_EQ(doc.Tabs[0].Scraps[2].ScrapName, "X");
    EXPECT_TRUE(doc.Modified);
    EXPECT_EQ(UnpackMarkSettings(settings->Ini(), MaterialSection(7)).MarkMaxNumber, 11);
    Query q;
    q.SetSQL("Select * from " + Query::QuotePath(paths->TempScrapsTable()) + " a where a.\"Name\"='S11/7'");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("Date")->AsDate(), kToday);
}

TEST_F(Accept, StandardSheetsTakeTheirRemainingQuantityOncePerSheet)
{
    sheets({{"", 2800, 2070, 9, 7}, {"", 2800, 2070, 2, 7}, {"", 2800, 2070, 5, 8}, {"", 2750, 1830, 4, 7}});
    stock->SaveSheets();
    MapDocument doc;
    doc.UsingSheets.Add(7, 2800, 2070, 6, 11);
    doc.UsingSheets.Add(7, 2800, 2070, 6, 11); // the same sheet listed twice
    doc.UsingSheets.Add(9, 1000, 1000, 1, 2);  // no such row
    const AcceptOutcome out = AcceptVariant(*stock, *settings, doc, kToday);
    EXPECT_EQ(out.sheetsUpdated, 1);
    EXPECT_EQ(sheetRows(), (QStringList{"2750x1830 4 7", "2800x2070 5 8", "2800x2070 6 7"}));
    EXPECT_TRUE(module->SheetsModified);
}

TEST_F(Accept, AFailureMidwayLeavesBothWorkingCopiesByteIdentical)
{
    scraps({{"A", 800, 600, 5, 7}, {"", 400, 400, 1, 7}});
    sheets({{"", 2800, 2070, 9, 7}});
    stock->SaveScraps();
    stock->SaveSheets();
    module->ScrapsModified = module->SheetsModified = false;
    const QByteArray sc = bytesOf(paths->TempScrapsTable());
    const QByteArray sh = bytesOf(paths->TempSheetsTable());

    MapDocument doc;
    // The first map lowers a stock off-cut and adds one; the second leaves an
    // off-cut whose code does not fit the table: refused half way.
    doc.Tabs = {tab(7, 800, 600, 2, true, "A", {usable(300, 200)}),
                tab(7, 2800, 2070, 1, false, "", {usable(500, 400, QString(21, QLatin1Char('Z')))})};
    doc.UsingSheets.Add(7, 2800, 2070, 8, 9);
    const MapDocument before = doc;
    EXPECT_THROW(AcceptVariant(*stock, *settings, doc, kToday), Error);
    EXPECT_EQ(bytesOf(paths->TempScrapsTable()), sc);
    EXPECT_EQ(bytesOf(paths->TempSheetsTable()), sh);
    EXPECT_FALSE(module->ScrapsModified);
    EXPECT_FALSE(module->SheetsModified);
    EXPECT_EQ(doc.Tabs, before.Tabs);

    // Mended, the same variant is accepted once.
    doc.Tabs[1].Scraps[0].ScrapName = "Z";
    AcceptVariant(*stock, *settings, doc, kToday);
    EXPECT_EQ(scrapRows(), (QStringList{" 300x200 2 7", " 400x400 1 7", "A 800x600 3 7", "Z 500x400 1 7"}));
    EXPECT_EQ(sheetRows(), (QStringList{"2800x2070 8 7"}));
    EXPECT_TRUE(module->ScrapsModified);
    EXPECT_TRUE(module->SheetsModified);
}

TEST_F(Accept, TheWarehouseOpenedAfterwardsShowsTheAcceptedStockAndSavesIt)
{
    // No warehouse window in between: the copies as the start left them
    // (tables open), or with the tables closed.
    for (const bool tablesClosed : {false, true}) {
        SCOPED_TRACE(tablesClosed ? "tables closed" : "tables open");
        fresh();
        sheets({{"", 2800, 2070, 9, 7}});
        scraps({{"A", 800, 600, 5, 7}});
        stock->SaveSheets();
        stock->SaveScraps();
        if (tablesClosed) {
            module->tblSheets->Close();
            module->tblScraps->Close();
        }
        int changes = 0;
        QObject::connect(stock.get(), &StockService::Changed, [&changes] { ++changes; });

        MapDocument doc;
        doc.Tabs = {tab(7, 800, 600, 2, true, "A", {usable(300, 200)})};
        doc.UsingSheets.Add(7, 2800, 2070, 6, 9);
        AcceptVariant(*stock, *settings, doc, kToday);
        EXPECT_EQ(changes, 1);
        const QStringList sheetsAfter{"2800x2070 6 7"};
        const QStringList scrapsAfter{" 300x200 2 7", "A 800x600 3 7"};

        // The first show of the warehouse opens the copies: the change stays,
        // and so does the question of saving it.
        ASSERT_TRUE(stock->OpenCopies().isEmpty());
        EXPECT_EQ(sheetRows(), sheetsAfter);
        EXPECT_EQ(scrapRows(), scrapsAfter);
        EXPECT_TRUE(module->SheetsModified && module->ScrapsModified);
        ASSERT_TRUE(module->tblSheets->Active() && module->tblScraps->Active());
        EXPECT_EQ(module->tblSheets->RecordCount(), 1);
        EXPECT_EQ(module->tblScraps->RecordCount(), 2);

        // "Сохранить" of both lists puts it into the stock tables.
        stock->SaveSheets();
        stock->SaveScraps();
        EXPECT_FALSE(module->SheetsModified || module->ScrapsModified);
        EXPECT_EQ(rows(paths->SheetsTable(), false), sheetsAfter);
        EXPECT_EQ(rows(paths->ScrapsTable(), true), scrapsAfter);
        ASSERT_TRUE(stock->OpenCopies().isEmpty());
        EXPECT_EQ(scrapRows(), scrapsAfter);
    }
}

// The checksum that recognises an accepted variant: the same after a save
// and an open of its map file, after acceptance gave its off-cuts codes, and
// after the display changed; different as soon as what acceptance reads does.
TEST(AcceptedVariants, ChecksumFollowsWhatAcceptanceReads)
{
    MapDocument doc;
    doc.Caption = QStringLiteral("Вариант раскроя");
    doc.Tabs = {tab(7, 2800, 2070, 2, false, {}, {usable(800, 600), waste(100, 50)}),
                tab(7, 900, 700, 1, true, QStringLiteral("ОСТ-1"), {usable(300, 300, QStringLiteral("А"))})};
    MapPart part;
    part.Title = QStringLiteral("Бок");
    part.RealWidth = 720, part.RealHeight = 560;
    doc.Tabs[0].Parts = {part};
    doc.UsingSheets.Add(7, 2800, 2070, 3, 5);
    const QString sum = AcceptedVariants::Checksum(doc);

    QTemporaryDir dir;
    const QString file = dir.filePath("Вариант.map");
    SaveMapsToFile(doc, file);
    MapDocument reopened;
    ASSERT_EQ(LoadMapsFromFile(file, reopened), mlrLoaded);
    EXPECT_EQ(AcceptedVariants::Checksum(reopened), sum);

    const struct { const char *what; std::function<void(MapDocument &)> change; bool same; } cases[] = {
        {"codes given at acceptance", [](MapDocument &d) { d.Tabs[0].Scraps[0].ScrapName = "Б-7"; }, true},
        {"display", [](MapDocument &d) { d.SetShowBorders(true); d.Display.Colors.Detal = 0x123456; d.Caption = "x"; }, true},
        {"a part moved", [](MapDocument &d) { d.Tabs[0].Parts[0].RealTop += 1; }, false},
        {"another repeat count", [](MapDocument &d) { d.Tabs[0].Quantity = 3; }, false},
        {"another stock off-cut", [](MapDocument &d) { d.Tabs[1].SheetName = "ОСТ-2"; }, false},
        {"another remaining sheet count", [](MapDocument &d) { d.UsingSheets.SetQuantity(7, 2800, 2070, 2); }, false},
    };
    for (const auto &c : cases) {
        MapDocument d = doc;
        c.change(d);
        EXPECT_EQ(AcceptedVariants::Checksum(d) == sum, c.same) << c.what;
    }

    // Noted with when and from where; another variant is not found.
    AcceptedVariants list(dir.filePath("Accepted.ini"));
    EXPECT_FALSE(list.Find(doc));
    const QDateTime when(QDate(2024, 3, 5), QTime(10, 15));
    list.Add(doc, file, when);
    const auto found = AcceptedVariants(dir.filePath("Accepted.ini")).Find(reopened);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->when, when);
    EXPECT_EQ(found->fileName, file);
    EXPECT_TRUE(AcceptedVariants::AgainQuestion(*found).contains("05.03.2024 10:15"));
    MapDocument other = doc;
    other.Tabs.pop_back();
    EXPECT_FALSE(list.Find(other));
}

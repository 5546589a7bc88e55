// The run driver's view of the warehouse: sheets of a material counted down
// in their own table over the working copy, off-cuts read from theirs.
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/stock.h"
#include "data/stock/stocksource.h"
#include "platform/db/copytable.h"
#include "platform/db/query.h"
#include "platform/db/table.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RunSource : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    Paths paths{dir.path()};
    std::unique_ptr<Settings> settings;
    std::unique_ptr<TModule> module;
    std::unique_ptr<StockService> stock;
    std::unique_ptr<StockRunSource> source;

    void SetUp() override
    {
        paths.CreateFolders();
        settings = std::make_unique<Settings>(paths.SettingsFile());
        module = std::make_unique<TModule>(&paths, settings.get());
        module->EnsureTables();
        stock = std::make_unique<StockService>(*module, *settings);
        ASSERT_TRUE(stock->OpenCopies().isEmpty());
        for (const auto &[l, w, many, code] : {std::tuple{2800, 2070, 9, 7}, {2800, 2070, 5, 8}})
            module->tblSheets->AppendRecord({double(l), double(w), double(many), double(code)});
        const QDate day(2024, 3, 5);
        for (const auto &[name, l, w, many, code] :
             {std::tuple{"A", 800, 600, 2, 7}, {"B", 500, 400, 1, 8}, {"C", 300, 200, 3, 7}})
            module->tblScraps->AppendRecord(
                {QString::fromUtf8(name), double(l), double(w), double(many), double(code), day});
        stock->PostSheets();
        stock->PostScraps();
        // A row used up by hand: the grid refuses a quantity of 0.
        module->tblSheets->Close();
        Query::Exec("Insert into " + Query::QuotePath(paths.TempSheetsTable()) + " Values(?, ?, ?, ?)",
                    {2750, 1830, 0, 7});
        source = std::make_unique<StockRunSource>(*stock);
    }

    QStringList shownSheets()
    {
        QStringList out;
        Table *t = module->tblSheets2;
        for (t->First(); !t->Eof(); t->Next())
            out << QStringLiteral("%1x%2 %3 %4")
                       .arg(t->FieldByName("Length")->AsInteger())
                       .arg(t->FieldByName("Width")->AsInteger())
                       .arg(t->FieldByName("Many")->AsInteger())
                       .arg(t->FieldByName("Code")->AsInteger());
        return out;
    }
};

}   // namespace

TEST_F(RunSource, SheetsOfTheMaterialInStockAreCountedWithoutTouchingTheWorkingCopy)
{
    const QByteArray copy = bytesOf(paths.TempSheetsTable());
    ASSERT_TRUE(source->openStdSheets(7));
    EXPECT_EQ(shownSheets(), QStringList{"2800x2070 9 7"});   // none of another material, none used up

    struct Case
    {
        int length, width, many;
        bool found;
        QStringList shown;
    };
    const Case cases[] = {
        {2800, 2070, 4, true, {"2800x2070 4 7"}},
        {2750, 1830, 3, false, {"2800x2070 4 7"}},   // filtered out: no quantity
        {1000, 1000, 1, false, {"2800x2070 4 7"}},
        {2070, 2800, 1, false, {"2800x2070 4 7"}},   // sizes are not swapped
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(c.length).arg(c.width).toStdString());
        EXPECT_EQ(source->setStdSheetMany(c.length, c.width, c.many), c.found);
        EXPECT_EQ(shownSheets(), c.shown);
    }
    EXPECT_EQ(bytesOf(paths.TempSheetsTable()), copy);

    // Another material opens its own rows.
    ASSERT_TRUE(source->openStdSheets(8));
    EXPECT_EQ(shownSheets(), QStringList{"2800x2070 5 8"});
}

TEST_F(RunSource, OffCutsOfTheMaterialAreReadWithTheirNames)
{
    std::vector<engine::TScrapRow> rows;
    ASSERT_TRUE(source->readScraps(7, rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Name, "A");
    EXPECT_EQ((std::vector<int>{rows[0].Length, rows[0].Width, rows[0].Many}), (std::vector<int>{800, 600, 2}));
    EXPECT_EQ(rows[1].Name, "C");
    rows.clear();
    ASSERT_TRUE(source->readScraps(9, rows));
    EXPECT_TRUE(rows.empty());
}

TEST_F(RunSource, AMissingWorkingCopyIsAFailureNotAnEmptyStock)
{
    EXPECT_FALSE(source->setStdSheetMany(2800, 2070, 1));   // nothing opened yet
    module->tblSheets->Close();
    module->tblScraps->Close();
    DeleteTableFile(paths.TempSheetsTable());
    DeleteTableFile(paths.TempScrapsTable());
    EXPECT_FALSE(source->openStdSheets(7));
    EXPECT_FALSE(module->tblSheets2->Active());
    EXPECT_FALSE(source->setStdSheetMany(2800, 2070, 1));
    std::vector<engine::TScrapRow> rows;
    EXPECT_FALSE(source->readScraps(7, rows));
}

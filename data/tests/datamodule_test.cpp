// The data module: working copies, new-record rules, dirty flags, numbering.
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/clock.h"
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

class DataModule : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<TModule> module;

    void SetUp() override
    {
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        settings = std::make_unique<Settings>(paths->SettingsFile());
        module = std::make_unique<TModule>(paths.get(), settings.get());
        module->EnsureTables();
    }
    void fillTypes(const QList<int> &codes)
    {
        module->MakeWorkingCopy(paths->PatternFolder() + "Types.dbf", paths->TempTypesTable(), paths->OwnMaterialsTable());
        for (int c : codes)
            Query::Exec("Insert into " + Query::QuotePath(paths->TempTypesTable()) + " Values(?, ?)",
                        {QString("М%1").arg(c), c});
    }
};

} // namespace

TEST_F(DataModule, FirstStartWritesTemplatesAndEmptyStock)
{
    for (const char *name : {"Sheets.dbf", "Scraps.dbf", "Types.dbf", "Materials.dbf", "Borders.dbf", "Quantity.dbf",
                             "Group.dbf"})
        EXPECT_TRUE(QFileInfo::exists(paths->PatternFolder() + name)) << name;
    EXPECT_TRUE(QFileInfo::exists(paths->SheetsTable()));
    EXPECT_TRUE(QFileInfo::exists(paths->ScrapsTable()));
    EXPECT_TRUE(QFileInfo::exists(paths->OwnMaterialsTable()));
    EXPECT_TRUE(QFileInfo::exists(paths->BordersTable()));
    module->OpenSheetsCopy();
    module->OpenScrapsCopy();
    EXPECT_TRUE(module->tblSheets->Active());
    EXPECT_EQ(module->tblScraps->RecordCount(), 0);
}

// Only a first start (no stock table at all) makes them silently; a table
// missing among the others is named, made empty, and the others keep their rows.
TEST_F(DataModule, MissingStockTableIsNamedUnlessItIsAFirstStart)
{
    QTemporaryDir fresh;
    Paths freshPaths(fresh.path());
    freshPaths.CreateFolders();
    EXPECT_TRUE(TModule(&freshPaths, settings.get()).EnsureTables().isEmpty());

    Query::Exec("Insert into " + Query::QuotePath(paths->ScrapsTable()) +
                " Values('К-1', 500, 300, 1, 1, '05.03.2024')");
    const struct { const char *what; QStringList gone; QString text; } cases[] = {
        {"the standard sheets", {paths->SheetsTable()},
         "Не найдена таблица \"" + QDir::toNativeSeparators(paths->SheetsTable()) + "\".\rСоздана пустая таблица."},
        {"sheets and edge banding", {paths->SheetsTable(), paths->BordersTable()},
         "Не найдены таблицы:\r" + QDir::toNativeSeparators(paths->SheetsTable()) + "\r" +
             QDir::toNativeSeparators(paths->BordersTable()) + "\rСозданы пустые таблицы."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString &t : c.gone) ASSERT_TRUE(QFile::remove(t));
        const QStringList made = module->EnsureTables();
        EXPECT_EQ(made, c.gone);
        EXPECT_EQ(TModule::MissingTablesText(made), c.text);
        for (const QString &t : c.gone) EXPECT_TRUE(QFileInfo::exists(t));
        EXPECT_EQ(DbfFile::read(paths->ScrapsTable()).liveCount(), 1);
        EXPECT_TRUE(module->EnsureTables().isEmpty());
    }
}

TEST_F(DataModule, NextMaterialCode)
{
    struct Case { QList<int> codes; int expected; };
    const Case cases[] = {
        {{}, 1},
        {{12}, 13},
        {{3, 12, 7}, 13},
        {{998}, 1000},     // 999 stands for all materials
        {{5, 999}, 1000},
    };
    for (const Case &c : cases) {
        fillTypes(c.codes);
        EXPECT_EQ(module->NextMaterialCode(), c.expected);
    }
}

TEST_F(DataModule, NextMaterialCodeReportsAFailedStatement)
{
    QFile::remove(paths->TempTypesTable());
    EXPECT_THROW(module->NextMaterialCode(), Error);
    // The materials window then gets no row with a made-up code.
    module->Table->SetDatabaseName(paths->SheetsFolder());
    module->Table->SetTableName("Types.dbf");
    module->Table->Open();
    EXPECT_THROW(module->Table->Append(), Error);
    EXPECT_EQ(module->Table->State(), DataSetState::Browse);
    EXPECT_EQ(module->Table->RecordCount(), 0);
}

TEST_F(DataModule, NewMaterialsTakeTheNextCodeAndSkipUnappliedOnes)
{
    fillTypes({12});
    Table *t = module->Table;
    t->SetDatabaseName(paths->TempFolder());
    t->SetTableName("TempTp.dbf");
    t->SetCachedUpdates(true);
    t->Open();
    t->Append();
    EXPECT_EQ(t->FieldByName("Code")->AsInteger(), 13);
    t->FieldByName("Material")->SetAsString("Дуб");
    t->Post();
    t->Append();   // 13 is not in the file yet, but it is taken
    EXPECT_EQ(t->FieldByName("Code")->AsInteger(), 14);
    t->Cancel();
}

TEST_F(DataModule, NewStockRowsTakeTheShownMaterialOrTheDefault)
{
    settings->Set(key::DefMaterial, 4);
    module->OpenSheetsCopy();
    module->OpenScrapsCopy();
    Table *sh = module->tblSheets;
    sh->Tag = 999;
    sh->Append();
    EXPECT_EQ(sh->FieldByName("CODE")->AsInteger(), 4);
    sh->Cancel();
    sh->Tag = 7;
    sh->Append();
    EXPECT_EQ(sh->FieldByName("CODE")->AsInteger(), 7);
    sh->Cancel();
    Table *sc = module->tblScraps;
    sc->Tag = 3;
    {
        // A new off-cut row is dated by the program's clock.
        const kv::FixedClock lastSecond(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)));
        sc->Append();
    }
    EXPECT_EQ(sc->FieldByName("CODE")->AsInteger(), 3);
    EXPECT_EQ(sc->FieldByName("DATE")->AsDate(), QDate(2025, 12, 31));
    sc->Cancel();
}

TEST_F(DataModule, DirtyFlagsAndSavingWorkingCopies)
{
    Query::Exec("Insert into " + Query::QuotePath(paths->SheetsTable()) + " Values(2750, 2070, 5, 1)");
    module->FindNameByCode = [](int code) { return code == 1 ? QString("ЛДСП белая") : QString(); };
    module->OpenSheetsCopy();
    module->OpenScrapsCopy();
    EXPECT_FALSE(module->SheetsModified);
    Table *sh = module->tblSheets;
    ASSERT_EQ(sh->RecordCount(), 1);
    EXPECT_EQ(sh->FieldByName("MatName")->AsString(), QString("ЛДСП белая"));
    // An edit or a new row given up changes nothing; a posted one does.
    sh->Edit();
    sh->FieldByName("MANY")->SetAsFloat(4);
    sh->Cancel();
    sh->Append();
    sh->Cancel();
    EXPECT_FALSE(module->SheetsModified);
    sh->Edit();
    sh->FieldByName("MANY")->SetAsFloat(3);
    sh->Post();
    EXPECT_TRUE(module->SheetsModified);
    EXPECT_FALSE(module->ScrapsModified);
    // Only the working copy changed so far.
    EXPECT_DOUBLE_EQ(DbfFile::read(paths->SheetsTable()).rows[0].values[2].toDouble(), 5);
    module->SaveSheets();
    EXPECT_FALSE(module->SheetsModified);
    EXPECT_DOUBLE_EQ(DbfFile::read(paths->SheetsTable()).rows[0].values[2].toDouble(), 3);
    module->tblScraps->Tag = 1;
    module->tblScraps->Append();
    module->tblScraps->FieldByName("NAME")->SetAsString("О-1");
    for (const char *f : {"LENGTH", "WIDTH", "MANY"}) module->tblScraps->FieldByName(f)->SetAsFloat(100);
    module->tblScraps->Post();
    EXPECT_TRUE(module->ScrapsModified);
    module->tblScraps->Delete();
    EXPECT_TRUE(module->ScrapsModified);
}

TEST_F(DataModule, StandardSheetsOfOneMaterialInStock)
{
    Query::Exec("Insert into " + Query::QuotePath(paths->SheetsTable()) +
                " Values(2750, 2070, 5, 1), (2800, 2070, 0, 1), (2440, 1830, 2, 2)");
    module->OpenSheetsCopy();
    Table *t = module->tblSheets2;
    t->SetDatabaseName(paths->TempFolder());
    t->SetTableName("TempSh.dbf");
    t->SetFilter("Code=1 and Many>0");
    t->Open();
    ASSERT_EQ(t->RecordCount(), 1);
    t->Edit();
    t->FieldByName("MANY")->SetAsFloat(0);   // used up by the run, in memory only
    t->Post();
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(module->tblSheets->RecordCount(), 3);
    module->ModuleDestroy();
    EXPECT_FALSE(t->Active());
}

TEST_F(DataModule, AWorkingCopyMadeAgainIsTheStockTableWhateverHappenedMeanwhile)
{
    // The warehouse makes again the copies the start made; a copy that was
    // left alone is kept, any other is made anew from the stock table.
    enum Meanwhile { Nothing, CopyEdited, CopyRewrittenOutside, StockChanged, CopyDeleted };
    struct Case { const char *what; Meanwhile meanwhile; double many; };
    const Case cases[] = {
        {"nothing", Nothing, 5},
        {"the copy edited through the table", CopyEdited, 5},
        {"the copy rewritten by another program", CopyRewrittenOutside, 5},
        {"the stock table changed", StockChanged, 8},
        {"the copy deleted", CopyDeleted, 5},
    };
    auto bytesOf = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    for (const Case &c : cases) {
        QFile::remove(paths->SheetsTable());
        module->EnsureTables();
        Query::Exec("Insert into " + Query::QuotePath(paths->SheetsTable()) + " Values(2750, 2070, 5, 1), (2440, 1830, 2, 2)");
        module->OpenSheetsCopy();
        Table *sh = module->tblSheets;
        switch (c.meanwhile) {
        case Nothing: break;
        case CopyEdited:
            sh->First();
            sh->Edit();
            sh->FieldByName("MANY")->SetAsFloat(1);
            sh->Post();
            break;
        case CopyRewrittenOutside: {
            DbfFile f = DbfFile::read(paths->TempSheetsTable());
            f.rows[0].values[2] = 1;
            f.rows[0].raw.clear();
            sh->Close();
            f.write(paths->TempSheetsTable());
            break;
        }
        case StockChanged:
            Query::Exec("Update " + Query::QuotePath(paths->SheetsTable()) + " s Set MANY = 8 Where CODE = 1");
            break;
        case CopyDeleted:
            sh->Close();
            QFile::remove(paths->TempSheetsTable());
            break;
        }
        module->OpenSheetsCopy();
        EXPECT_EQ(bytesOf(paths->TempSheetsTable()), bytesOf(paths->SheetsTable())) << c.what;
        ASSERT_EQ(sh->RecordCount(), 2) << c.what;
        sh->First();
        EXPECT_DOUBLE_EQ(sh->FieldByName("MANY")->AsFloat(), c.many) << c.what;
        EXPECT_FALSE(module->SheetsModified) << c.what;
    }
}

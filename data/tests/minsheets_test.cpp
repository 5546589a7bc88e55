// The minimum stock of standard sheets: the check's lines and the table of
// the minimum dialog.
#include "data/datamodule.h"
#include "data/materials/materials.h"
#include "data/matoptions.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/minsheets.h"
#include "platform/db/query.h"
#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "data/tests/programfolder.h"

using namespace kv;

namespace {

class MinSheets : public ProgramFolderTest
{
protected:
    std::unique_ptr<MaterialsService> mats;

    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        module->OpenSheetsCopy();
        mats = std::make_unique<MaterialsService>(*paths, *settings, ui, module.get());
    }
    void material(int code, const QString &name, int minimum)
    {
        Query::Exec("Insert into " + Query::QuotePath(paths->OwnMaterialsTable()) + " Values(?, ?)", {name, code});
        if (minimum >= 0) SetMinSheets(*settings, code, minimum);
    }
    void sheet(int code, int length, int width, int many)
    {
        Query::Exec("Insert into " + Query::QuotePath(paths->TempSheetsTable()) + " Values(?, ?, ?, ?)",
                    {length, width, many, code});
    }
    QStringList check() { return CheckStdSheetsLines(*mats, *settings, paths->TempSheetsTable()); }
};

} // namespace

TEST_F(MinSheets, ShortSizesAreListedUnderTheirMaterial)
{
    material(1, "ДСП", 5);
    material(2, "МДФ", 0);        // minimum 0: never reported
    material(3, "Фанера", 2);     // no sheets at all: not reported
    material(4, "ДВП", 10);
    sheet(1, 2750, 1830, 3);
    sheet(1, 2800, 2070, 7);
    sheet(1, 2440, 1220, 1);
    sheet(2, 2800, 2070, 0);
    sheet(4, 2750, 1700, 2);
    // Rows of one size add up: 4 + 6 is enough, 4 alone would not be.
    sheet(4, 2440, 1830, 4);
    sheet(4, 2440, 1830, 6);
    EXPECT_EQ(check(), QStringList({"ДВП", "Лист 2750 x 1700, 2 шт. (из 10)", "",
                                    "ДСП", "Лист 2750 x 1830, 3 шт. (из 5)", "Лист 2440 x 1220, 1 шт. (из 5)", ""}));
}

TEST_F(MinSheets, EnoughStockGivesNoLines)
{
    material(1, "ДСП", 2);
    sheet(1, 2750, 1830, 2);
    EXPECT_TRUE(check().isEmpty());
}

TEST_F(MinSheets, TheTableStartsFromTheSettingsAndWritesBack)
{
    material(1, "ДСП", 5);
    material(2, "МДФ", -1);   // no WH key
    const QString table = MakeMinSheetsTable(*paths, *mats, *settings);
    auto rows = [&] {
        QStringList out;
        Query q;
        q.SetSQL("Select * from " + Query::QuotePath(table));
        q.Open();
        for (q.First(); !q.Eof(); q.Next())
            out << QString("%1 %2 %3").arg(q.Fields(0)->AsInteger()).arg(q.Fields(1)->AsString()).arg(q.Fields(2)->AsInteger());
        return out;
    };
    EXPECT_EQ(rows(), QStringList({"1 ДСП 5", "2 МДФ 0"}));
    Query::Exec("Update " + Query::QuotePath(table) + " Set \"Quantity\"=? where \"Material\"=?", {8, 2});
    StoreMinSheetsTable(table, *settings);
    EXPECT_EQ(GetMinSheets(*settings, 2), 8);
    EXPECT_EQ(settings->Ini().ReadString("Material2", "WH", ""), "8");

    // Made anew: the values come from the settings, not the last table.
    Query::Exec("Update " + Query::QuotePath(table) + " Set \"Quantity\"=?", {77});
    MakeMinSheetsTable(*paths, *mats, *settings);
    EXPECT_EQ(rows(), QStringList({"1 ДСП 5", "2 МДФ 8"}));
}

TEST_F(MinSheets, FailuresAreReported)
{
    material(1, "ДСП", 5);
    QFile::remove(paths->PatternFolder() + "Quantity.dbf");
    try {
        MakeMinSheetsTable(*paths, *mats, *settings);
        ADD_FAILURE();
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().startsWith(minsheetstext::ReadFailed)) << e.message().toStdString();
    }
    try {
        StoreMinSheetsTable(paths->SheetsFolder() + "missing.dbf", *settings);
        ADD_FAILURE();
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().startsWith(minsheetstext::WriteFailed)) << e.message().toStdString();
    }
}

TEST_F(MinSheets, AllMaterialsCodeHasNoOptions)
{
    SetMinSheets(*settings, 999, 4);
    EXPECT_FALSE(settings->Ini().SectionExists("Material999"));
    settings->Ini().WriteString("Material999", "WH", "4");
    EXPECT_EQ(GetMinSheets(*settings, 999), 0);
    // Nor does an off-cut code of "all materials" keep a number.
    settings->Ini().WriteString("Material999", "Mark", "1,A,,5");
    EXPECT_EQ(NewScrapMark(settings->Ini(), 999, {}), "1");
    EXPECT_EQ(settings->Ini().ReadString("Material999", "Mark", ""), "1,A,,5");
}

// The materials base: look-ups, the external base and its import, the
// materials window's working copy and the find dialog's prefix rule.
#include "data/datamodule.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/query.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "data/tests/programfolder.h"

using namespace kv;

namespace {

class Materials : public ProgramFolderTest
{
protected:
    std::unique_ptr<MaterialsService> mats;

    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        mats = std::make_unique<MaterialsService>(*paths, *settings, ui, module.get());
    }
    void addOwn(int code, const QString &name)
    {
        Query::Exec("Insert into " + Query::QuotePath(paths->OwnMaterialsTable()) + " Values(?, ?)", {name, code});
    }
    // A "ListMat.ini" in cp1251 with CRLF, as the sibling product writes it.
    QString writeListMat(const QString &folder, const QStringList &lines)
    {
        QDir().mkpath(folder);
        QFile f(folder + "/ListMat.ini");
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(toCp1251("[Materials]\r\n" + lines.join("\r\n") + "\r\n"));
        return f.fileName();
    }
    void useExternal(const QString &folder)
    {
        settings->Set(key::BaseType, 1);
        settings->Set(key::BasePath, folder);
    }
};

} // namespace

TEST_F(Materials, ListsAreOrderedByNameWithTheAllEntryFirst)
{
    addOwn(2, "ЛДСП Белый");
    addOwn(1, "ДВП");
    addOwn(7, "МДФ");
    QStringList names, codes;
    mats->LoadMaterialsLists(names, codes, false);
    EXPECT_EQ(names, QStringList({"ДВП", "ЛДСП Белый", "МДФ"}));
    EXPECT_EQ(codes, QStringList({"1", "2", "7"}));
    mats->LoadMaterialsLists(names, codes, true);
    EXPECT_EQ(names.first(), "<все материалы>");
    EXPECT_EQ(codes.first(), "999");
    EXPECT_EQ(names.size(), 4);

    EXPECT_EQ(mats->GetMaterialName(2), "ЛДСП Белый");
    EXPECT_EQ(mats->GetMaterialName(3), "");
    EXPECT_EQ(MaterialsService::FindNameByCode(7, codes, names), "МДФ");
    EXPECT_EQ(MaterialsService::FindNameByCode(5, codes, names), "");
    EXPECT_EQ(mats->MaterialItems(false).first(), (MaterialItem{1, "ДВП"}));
}

TEST_F(Materials, ListMatTakesOnlyKeysThatAreWholeNumbersFromZero)
{
    struct Case { QStringList lines; QList<MaterialItem> expected; };
    const Case cases[] = {
        {{"5=Фанера", "abc=Не материал", "-1=Тоже нет"}, {{5, "Фанера"}}},
        {{"0=Ноль", "12=Двенадцать", "1.5=Дробь", "=Пусто", "$10=Шестнадцать"}, {{0, "Ноль"}, {12, "Двенадцать"}}},
        {{}, {}},
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString file = writeListMat(dir.path() + QString("/ext%1").arg(n++), c.lines);
        EXPECT_EQ(MaterialsService::ReadListMat(file), c.expected) << c.lines.join(";").toStdString();
    }
}

TEST_F(Materials, ExternalBaseIsImportedAndNamesWithQuotesAndCommasStayIntact)
{
    const QString folder = dir.path() + "/Inbase";
    writeListMat(folder, {"5=Фанера \"Люкс\", 18 мм", "abc=x", "-1=y", "8=Плита d'Or"});
    useExternal(folder);
    test::ScopedAnswers answers(ui);
    QSignalSpy changed(mats.get(), &MaterialsService::MaterialsChanged);
    EXPECT_TRUE(mats->ConnectMaterialsBase());
    EXPECT_TRUE(answers.shown().empty());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(mats->UsesExternalBase());
    EXPECT_EQ(mats->MaterialsTable(), paths->ExternalMaterialsCopy());
    QStringList names, codes;
    mats->LoadMaterialsLists(names, codes, false);
    EXPECT_EQ(codes, QStringList({"8", "5"}));
    EXPECT_EQ(mats->GetMaterialName(5), "Фанера \"Люкс\", 18 мм");
    EXPECT_EQ(mats->GetMaterialName(8), "Плита d'Or");

    // Connecting again rebuilds the copy instead of adding to it.
    EXPECT_TRUE(mats->ConnectMaterialsBase());
    mats->LoadMaterialsLists(names, codes, false);
    EXPECT_EQ(names.size(), 2);
}

TEST_F(Materials, MissingExternalBaseFallsBackToTheOwnTable)
{
    addOwn(3, "Своя плита");
    useExternal(dir.path() + "/nowhere");
    test::ScopedAnswers answers(ui);
    EXPECT_FALSE(mats->ConnectMaterialsBase());
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].text, "По указанному пути база материалов не найдена!");
    EXPECT_EQ(answers.shown()[0].kind, MsgKind::Error);
    EXPECT_EQ(mats->GetMaterialName(3), "Своя плита");

    // At start-up a missing file connects nothing and says nothing.
    mats->ConnectAtStartup();
    EXPECT_EQ(answers.shown().size(), 1u);
    EXPECT_FALSE(mats->UsesExternalBase());
}

TEST_F(Materials, BrokenImportSaysSoAndKeepsTheOwnTable)
{
    const QString folder = dir.path() + "/Inbase";
    writeListMat(folder, {"5=Фанера"});
    useExternal(folder);
    QFile::remove(paths->PatternFolder() + "Types.dbf");   // no template to copy
    test::ScopedAnswers answers(ui);
    EXPECT_FALSE(mats->ConnectMaterialsBase());
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].text, "Ошибка экспорта внешней базы материалов.");
    EXPECT_EQ(mats->MaterialsTable(), paths->OwnMaterialsTable());
}

TEST_F(Materials, WorkingCopySavesIntoTheOwnBaseAndRefusesTheExternalOne)
{
    addOwn(1, "ДСП");
    mats->OpenWorkingCopy();
    Table *t = module->Table;
    ASSERT_TRUE(t->Active());
    t->Append();
    t->FieldByName("Material")->SetAsString("Новый, \"с кавычками\"");
    EXPECT_EQ(t->FieldByName("Code")->AsInteger(), 2);
    QSignalSpy changed(mats.get(), &MaterialsService::MaterialsChanged);
    mats->SaveWorkingCopy();   // posts the pending row
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(mats->GetMaterialName(2), "Новый, \"с кавычками\"");
    mats->CloseWorkingCopy();
    EXPECT_FALSE(QFile::exists(paths->TempTypesTable()));

    // With the external base the window's edits would be lost at the next
    // connect: saving is refused instead.
    const QString folder = dir.path() + "/Inbase";
    writeListMat(folder, {"5=Фанера"});
    useExternal(folder);
    test::ScopedAnswers answers(ui);
    ASSERT_TRUE(mats->ConnectMaterialsBase());
    mats->OpenWorkingCopy();
    EXPECT_EQ(module->Table->RecordCount(), 1);
    EXPECT_THROW(mats->SaveWorkingCopy(), Error);
    mats->CloseWorkingCopy();
}

TEST(MaterialsFind, LongestPrefixWithLatinFoldingOnly)
{
    const QStringList names = {"ДСП БЕЛЫЙ", "ДСП бук", "MDF white", "Mdf black", "фанера"};
    struct Case { const char *text; int expected; };
    const Case cases[] = {
        {"дсп", 0},          // lower-case Cyrillic does not fold: nothing matches, first entry
        {"ДСП б", 1},        // Cyrillic compares as it stands
        {"ДСП Б", 0},
        {"mdf", 2},          // lower-case Latin folds
        {"mdf b", 3},
        {"mdf zzz", 2},      // longest shared prefix "mdf "
        {"ф", 4},
        {"Ф", 0},
        {"xyz", 0},
        {"", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MaterialsService::FindByPrefix(names, QString::fromUtf8(c.text)), c.expected) << c.text;
    EXPECT_EQ(MaterialsService::FindByPrefix({}, "a"), -1);
}

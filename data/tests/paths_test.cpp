#include "data/paths.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using kv::Paths;

namespace {

void touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(Paths, OneSeparatorBetweenPartsWhateverTheRoot)
{
    for (const QString root : {"/opt/kv", "/opt/kv/", "/opt/kv//", "\\opt\\kv\\"}) {
        Paths p(root);
        EXPECT_EQ(p.ProgramFolder(), "/opt/kv/") << root.toStdString();
        EXPECT_EQ(p.SheetsFolder(), "/opt/kv/Sheets/");
        EXPECT_EQ(p.SettingsFile(), "/opt/kv/Korvalt.ini");
        EXPECT_EQ(p.TempScrapsTable(), "/opt/kv/Temp/TempSc.dbf");
    }
}

TEST(Paths, EveryFolderAndFixedFile)
{
    Paths p("/k");
    EXPECT_EQ(p.AllFolders(), (QStringList{"/k/Pattern/", "/k/Catalog/", "/k/Sheets/", "/k/Detals/",
                                           "/k/Groups/", "/k/Maps/", "/k/Export/", "/k/Temp/",
                                           "/k/Constructor/", "/k/Warehouse/", "/k/AutoRun/", "/k/Reports/"}));
    struct Case { QString got, want; } cases[] = {
        {p.SettingsFile(), "/k/Korvalt.ini"},
        {p.SettingsBackupFile(), "/k/Korvalt.~ini"},
        {p.JobOptionsFile(), "/k/Korvalt.tmp"},
        {p.CatalogIniFile(), "/k/Catalog.ini"},
        {p.ModelsBaseFile(), "/k/Models.dat"},
        {p.ModelsTemplateFile(), "/k/Pattern/Models.dat"},
        {p.ModelsBackupFile(), "/k/Temp/Models.dat"},
        {p.GroupTemplateFile(), "/k/Pattern/Group.dbf"},
        {p.SheetsTable(), "/k/Sheets/Sheets.dbf"},
        {p.BordersTable(), "/k/Sheets/Borders.dbf"},
        {p.ScrapsTable(), "/k/Sheets/Scraps.dbf"},
        {p.OwnMaterialsTable(), "/k/Sheets/Types.dbf"},
        {p.ExternalMaterialsCopy(), "/k/Sheets/Materials.dbf"},
        {p.WHSaveIniFile(), "/k/Warehouse/WHSave.ini"},
        {p.TempSheetsTable(), "/k/Temp/TempSh.dbf"},
        {p.TempTypesTable(), "/k/Temp/TempTp.dbf"},
        {p.TempScrapsTable(), "/k/Temp/TempSc.dbf"},
    };
    for (const Case &c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(Paths, MaterialsTableInUseSwitches)
{
    Paths p("/k");
    EXPECT_EQ(p.MaterialsTable(), "/k/Sheets/Types.dbf");
    p.UseExternalMaterials(true);
    EXPECT_EQ(p.MaterialsTable(), "/k/Sheets/Materials.dbf");
    p.UseExternalMaterials(false);
    EXPECT_EQ(p.MaterialsTable(), "/k/Sheets/Types.dbf");
}

TEST(Paths, ExternalBaseFile)
{
    EXPECT_EQ(Paths::ExternalMaterialsBase(""), "");
    EXPECT_EQ(Paths::ExternalMaterialsBase("/mnt/base"), "/mnt/base/ListMat.ini");
    EXPECT_EQ(Paths::ExternalMaterialsBase("/mnt/base/"), "/mnt/base/ListMat.ini");
}

TEST(Paths, DefaultRootFromEnvironment)
{
    const QByteArray old = qgetenv("KORVALT_HOME");
    qputenv("KORVALT_HOME", "/srv/korvalt");
    EXPECT_EQ(Paths::DefaultRoot(), "/srv/korvalt/");
    qunsetenv("KORVALT_HOME");
    EXPECT_EQ(Paths::DefaultRoot(), QDir::homePath() + "/.local/share/korvalt/");
    if (!old.isEmpty()) qputenv("KORVALT_HOME", old);
}

TEST(Paths, CreatesEveryFolder)
{
    QTemporaryDir tmp;
    Paths p(tmp.path() + "/home");
    p.CreateFolders();
    for (const QString &f : p.AllFolders()) EXPECT_TRUE(QDir(f).exists()) << f.toStdString();
    p.CreateFolders();   // a second time is fine
    touch(tmp.path() + "/blocker");
    EXPECT_THROW(Paths(tmp.path() + "/blocker/x").CreateFolders(), kv::Error);
}

TEST(Paths, OldNamesFoundWithoutRegardToCase)
{
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath("SHEETS");
    touch(tmp.path() + "/SHEETS/TYPES.DBF");
    Paths p(tmp.path());
    EXPECT_EQ(p.SheetsFolder(), tmp.path() + "/SHEETS/");
    EXPECT_EQ(p.OwnMaterialsTable(), tmp.path() + "/SHEETS/TYPES.DBF");
    EXPECT_EQ(p.ScrapsTable(), tmp.path() + "/SHEETS/Scraps.dbf");   // missing: as named
    EXPECT_EQ(p.Resolve("Sheets\\types.dbf"), tmp.path() + "/SHEETS/TYPES.DBF");
    EXPECT_EQ(p.Resolve(tmp.path() + "/sheets/Types.Dbf"), tmp.path() + "/SHEETS/TYPES.DBF");
    EXPECT_EQ(p.Resolve("Temp\\new.dbf"), tmp.path() + "/Temp/new.dbf");
    EXPECT_EQ(p.Resolve("C:\\Korvalt\\x.dbf"), "C:/Korvalt/x.dbf");
}

} // namespace

TEST(Paths, BareFileNamesOnly)
{
    struct Case { QString name; bool bare; };
    const QList<Case> cases = {
        {"parts.dbf", true},       {"Кухня 2.kdx", true},   {".hidden", true},       {"a..b", true},
        {"", false},               {".", false},            {"..", false},           {"../x.dbf", false},
        {"..\\x.dbf", false},      {"sub/x.dbf", false},    {"/etc/passwd", false},  {"C:x.dbf", false},
        {"C:\\Groups\\x", false},  {"x\ny", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Paths::IsBareFileName(c.name), c.bare) << c.name.toStdString();
        EXPECT_EQ(Paths::BareFileIn("/tmp/f", c.name).isEmpty(), !c.bare) << c.name.toStdString();
    }
}

// The models base file, its records and look-ups, model description files,
// the model export, part bases built from models and the older catalog's
// section list.
#include "data/datamodule.h"
#include "data/models/modelbase.h"
#include "data/models/modelfiles.h"
#include "data/models/modelsview.h"
#include "data/paths.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/testsupport/cfb.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace kv;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeText(const QString &path, const QString &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(toCp1251(text));
}

class Models : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    std::unique_ptr<TModule> module;

    void SetUp() override
    {
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        module = std::make_unique<TModule>(paths.get());
        module->EnsureTables();
        CopyModelsBaseIfMissing(*paths);
        OpenModelsBase(paths->ModelsBaseFile());
    }
    void TearDown() override { CloseModelsBase(); }

    TmdlModelSection &addSection(TmdlModelSectionList &list, const QString &name)
    {
        TmdlModelSection &s = list.Add();
        s.Name = name;
        s.StorageName = NextSectionStorageName(list);
        s.CreateStorage();
        return s;
    }
    TmdlModelInfo &addModel(TmdlModelSection &s, const QString &name, const QString &stem)
    {
        TmdlModelInfo m;
        m.Name = name;
        m.PartsTable = stem;
        m.StreamName = NextModelStreamName(s.Models);
        m.CreateStream(s.ModelsStorage());
        return s.Models.Add(m);
    }
    // A parts table in "Catalog\" with rows (name, length, width, many, material).
    void makeTable(const QString &stem, const QList<QVariantList> &rows)
    {
        const QString path = ModelTablePath(*paths, stem);
        QFile::copy(paths->PatternFolder() + "Group.dbf", path);
        for (const QVariantList &r : rows)
            Query::Exec("Insert into " + Query::QuotePath(path) + " Values (?, ?, ?, ?, 0, 1, 0, 0, 0, ?)", r);
    }
};

TEST_F(Models, FreshBaseIsACompoundFileWithAnEmptyModelsStorage)
{
    EXPECT_TRUE(QFileInfo::exists(paths->ModelsTemplateFile()));
    const cfbtest::Entry root = cfbtest::read(fileBytes(paths->ModelsBaseFile()));
    ASSERT_EQ(root.children.size(), 1u);
    EXPECT_EQ(root.children[0].name, "MODELS");
    EXPECT_TRUE(root.children[0].storage);
    EXPECT_TRUE(root.children[0].children.empty());
}

TEST_F(Models, ExistingBaseIsNeverOverwritten)
{
    TmdlModelSectionList list;
    addSection(list, "Кухни");
    CloseModelsBase();
    const QByteArray before = fileBytes(paths->ModelsBaseFile());
    CopyModelsBaseIfMissing(*paths);
    EXPECT_EQ(fileBytes(paths->ModelsBaseFile()), before);
}

TEST_F(Models, RecordsInTheFileAsAnIndependentReaderSeesThem)
{
    TmdlModelSectionList list;
    TmdlModelSection &s = addSection(list, "Шкафы");
    TmdlModelInfo &m = addModel(s, "Шкаф-купе", "mdl0");
    m.Quantity = 7;
    SaveModelStream(m, s);
    const cfbtest::Entry root = cfbtest::read(fileBytes(paths->ModelsBaseFile()));
    const cfbtest::Entry *sec = root.child("MODELS")->child("ModelSection1");
    ASSERT_TRUE(sec);
    const QByteArray name = toCp1251("Шкафы");
    QByteArray header;
    header.append(char(name.size())).append('\0').append(name).append('\0');
    header.append(QByteArray(4, '\0'));
    header.append(char(13)).append('\0').append("ModelSection1").append('\0');
    EXPECT_EQ(sec->child("SECTION")->data, header);
    const QByteArray rec = sec->child("MODELS")->child("Model1")->data;
    const QByteArray mname = toCp1251("Шкаф-купе");
    QByteArray want;
    want.append(char(mname.size())).append('\0').append(mname).append('\0');
    want.append("\x07\0\0\0", 4);
    want.append("\x04\0mdl0\0", 7);
    want.append(QByteArray(4, '\0'));
    want.append("\x06\0Model1\0", 9);
    EXPECT_EQ(rec, want);
}

TEST_F(Models, HandMadeBaseLoadsWithStraysIgnoredAndQuantityZero)
{
    CloseModelsBase();
    TmdlModelSection sec;
    sec.Name = "Прихожие";
    sec.StorageName = "imModelSection1";
    TmdlModelInfo m{"Вешалка", 5, "mdl3", 0, "imModel1"};
    cfbtest::Entry models{"MODELS", true, {}, {}};
    cfbtest::Entry st{"imModelSection1", true, {}, {}};
    st.children.push_back({"SECTION", false, WriteSectionHeader(sec), {}});
    st.children.push_back({"MODELS", true, {}, {{"imModel1", false, WriteModelInfo(m), {}},
                                                 {"NotAModel", true, {}, {}}}});
    models.children.push_back(st);
    models.children.push_back({"StrayStream", false, "x", {}});
    cfbtest::Entry root;
    root.children.push_back(models);
    QFile f(paths->ModelsBaseFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cfbtest::write(root));
    f.close();

    OpenModelsBase(paths->ModelsBaseFile());
    TmdlModelSectionList list;
    LoadSections(list, ModelsRootStorage(), true);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Name, "Прихожие");
    ASSERT_EQ(list[0].Models.Count(), 1);
    EXPECT_EQ(list[0].Models[0].Name, "Вешалка");
    EXPECT_EQ(list[0].Models[0].Quantity, 0);   // stored 5
    EXPECT_EQ(list[0].Models[0].PartsTable, "mdl3");
    EXPECT_EQ(list[0].Models[0].StreamName, "imModel1");
}

TEST_F(Models, NextNamesTakeTheSmallestGap)
{
    TmdlModelSectionList list;
    list.Add().StorageName = "ModelSection1";
    list.Add().StorageName = "ModelSection3";
    list.Add().StorageName = "imModelSection2";
    EXPECT_EQ(NextSectionStorageName(list), "ModelSection2");
    TmdlModelInfoList models;
    EXPECT_EQ(NextModelStreamName(models), "Model1");
    models.Add().StreamName = "Model1";
    models.Add().StreamName = "Model2";
    EXPECT_EQ(NextModelStreamName(models), "Model3");
}

TEST_F(Models, FindModelByNameFoldsOnlyLatinCase)
{
    TmdlModelSectionList list;
    list.Add().Models.Add().Name = "шкаф";
    list.Add().Models.Add().Name = "Table";
    list[1].Models.Add().Name = "Шкаф";
    struct Case { const char *ask; const char *found; } cases[] = {
        {"шкаф", "шкаф"}, {"Шкаф", "Шкаф"}, {"ШКАФ", nullptr}, {"TABLE", "Table"}, {"table", "Table"}, {"Tabl", nullptr},
    };
    for (const Case &c : cases) {
        TmdlModelInfo *m = FindModelByName(list, c.ask);
        if (!c.found)
            EXPECT_EQ(m, nullptr) << c.ask;
        else
            EXPECT_TRUE(m && m->Name == c.found) << c.ask;
    }
    EXPECT_EQ(FindSectionByName(list, "x"), -1);
}

TEST_F(Models, SectionsAndModelsAddRenameMoveDelete)
{
    TmdlModelSectionList list;
    TmdlModelSection &a = addSection(list, "А");
    TmdlModelSection &b = addSection(list, "Б");
    TmdlModelInfo &m = addModel(a, "Стол", "mdl0");
    addModel(a, "Стул", "mdl1");
    a.Name = "Столовые";
    a.SaveHeader();
    // Move "Стол" to section Б as the window does.
    TmdlModelInfo moved = m;
    moved.StreamName = NextModelStreamName(b.Models);
    moved.CreateStream(b.ModelsStorage());
    b.Models.Add(moved);
    DeleteModelStream(m, a);
    a.Models.Delete(a.Models.IndexOf(&m));

    CloseModelsBase();
    OpenModelsBase(paths->ModelsBaseFile());
    TmdlModelSectionList again;
    LoadSections(again, ModelsRootStorage(), true);
    ASSERT_EQ(again.Count(), 2);
    const int ia = FindSectionByName(again, "Столовые"), ib = FindSectionByName(again, "Б");
    ASSERT_GE(ia, 0);
    ASSERT_GE(ib, 0);
    ASSERT_EQ(again[ia].Models.Count(), 1);
    EXPECT_EQ(again[ia].Models[0].Name, "Стул");
    ASSERT_EQ(again[ib].Models.Count(), 1);
    EXPECT_EQ(again[ib].Models[0].Name, "Стол");

    again[ib].DeleteStorage();
    TmdlModelSectionList third;
    LoadSections(third, ModelsRootStorage(), false);
    ASSERT_EQ(third.Count(), 1);
    EXPECT_EQ(third[0].Models.Count(), 0);   // loaded without models
}

TEST_F(Models, BaseIsHeldAgainstASecondProgram)
{
    EXPECT_THROW(CompoundFile::Open(paths->ModelsBaseFile()), Error);
    CloseModelsBase();
    EXPECT_NO_THROW(CompoundFile::Open(paths->ModelsBaseFile()));
}

TEST_F(Models, DamagedRecordRaisesInsteadOfReadingPastIt)
{
    TmdlModelInfo m;
    const QByteArray good = WriteModelInfo({"Стол", 1, "mdl0", 0, "Model1"});
    for (int n = 0; n < good.size(); ++n) EXPECT_THROW(ReadModelInfo(m, good.left(n)), Error) << n;
    QByteArray huge("\xFF\xFF", 2);   // claims 65535 bytes
    EXPECT_THROW(ReadModelInfo(m, huge), Error);
}

TEST_F(Models, ModelListFiles)
{
    const QString f = dir.filePath("AutoRun/a.kmx");
    writeText(f, "[MODELS]\r\nCOUNT=2147483647\r\n1=Шкаф,2\r\n3=\"Стол, большой\",1,лишнее\r\n4=Табурет\r\n"
                 "x=Чужой,5\r\n5=Полка,abc\r\n");
    EXPECT_EQ(ReadModelListFile(f), (QList<ModelListEntry>{{"Шкаф", 2}, {"Стол, большой", 1}, {"Табурет", 0}, {"Полка", 0}}));
    // Written ones read back intact, quotes included.
    const QList<ModelListEntry> entries = {{"Шкаф \"Лира\"", 2}, {"a,b", 1}, {"простой", 3}};
    const QString g = dir.filePath("AutoRun/tmp0.kmx");
    WriteModelListFile(g, entries);
    EXPECT_EQ(ReadModelListFile(g), entries);
}

TEST_F(Models, ApplyModelListsAddsQuantitiesAndReportsMissing)
{
    TmdlModelSectionList list;
    list.Add().Models.Add().Name = "Shkaf";
    const QString f = dir.filePath("AutoRun/b.kmx");
    writeText(f, "[MODELS]\r\nCOUNT=3\r\n1=SHKAF,2\r\n2=Нет такой,4\r\n3=Без количества\r\n");
    QStringList missing;
    QList<int> counts;
    ApplyModelListFiles(list, {f, f}, missing, counts);
    EXPECT_EQ(list[0].Models[0].Quantity, 4);
    EXPECT_EQ(missing, (QStringList{"Нет такой", "Нет такой"}));
    EXPECT_EQ(counts, (QList<int>{4, 4}));
}

TEST_F(Models, ExportWritesEachPartAsItsFormatLine)
{
    makeTable("mdl0", {{"Полка \"верх\", левая", 600, 300, 2, 5}, {"Дно", 800, 400, 1, 7}});
    const QString out = dir.filePath("Export/m.ini");
    writeText(out, "old contents");
    ExportModelParts(ModelTablePath(*paths, "mdl0"), out, [](int code) {
        return code == 5 ? QString("ЛДСП \"Дуб\"") : QString();
    });
    // Each line as "\"%s\",%d,%d,%d,\"%s\"" formats it, quotes in a name doubled.
    EXPECT_EQ(fileBytes(out), toCp1251("[DETALS]\r\n"
                                       "1=\"Полка \"\"верх\"\", левая\",600,300,2,\"ЛДСП \"\"Дуб\"\"\"\r\n"
                                       "2=\"Дно\",800,400,1,\"\"\r\n"
                                       "DCOUNT=2\r\n"));
    TIniFile::ClearCache();
    TIniFile ini(out);
    EXPECT_EQ(ini.ReadInteger("DETALS", "DCOUNT", -1), 2);
}

TEST_F(Models, ExportOfAMissingTableLeavesNoFile)
{
    const QString out = dir.filePath("Export/m.ini");
    try {
        ExportModelParts(ModelTablePath(*paths, "mdl9"), out, {});
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "Ошибка чтения файла модели!\r\rОшибка экспорта данных!");
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(Models, PartBaseFromModelsMergesEqualParts)
{
    makeTable("mdl0", {{"Бок", 700, 500, 1, 3}, {"Дверь", 700, 400, 1, 3}});
    makeTable("mdl1", {{"Бок", 700, 500, 1, 3}});
    TmdlModelSectionList list;
    TmdlModelSection &s = list.Add();
    s.Models.Add({"A", 2, "mdl0", 0, "Model1"});
    s.Models.Add({"B", 1, "mdl1", 0, "Model2"});
    s.Models.Add({"Без таблицы", 4, "mdl7", 0, "Model3"});
    s.Models.Add({"Не выбрана", 0, "mdl1", 0, "Model4"});
    QStringList names, counts;
    QList<ImportedPart> parts = PartsFromModels(*paths, list, names, counts);
    EXPECT_EQ(names, (QStringList{"A", "B"}));
    EXPECT_EQ(counts, (QStringList{"2", "1"}));
    std::sort(parts.begin(), parts.end(), [](const ImportedPart &a, const ImportedPart &b) { return a.Name < b.Name; });
    EXPECT_EQ(parts, (QList<ImportedPart>{{"Бок", 700, 500, 3, 0, 1, 0, 0, 0, 3}, {"Дверь", 700, 400, 2, 0, 1, 0, 0, 0, 3}}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Temp/OpenElem.dbf")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Temp/OpenElemG.dbf")));
}

// The merge cannot write its table: the models' parts still come, unmerged,
// with the message to show.
TEST_F(Models, PartBaseFromModelsGoesOnWhenTheMergeFails)
{
    makeTable("mdl0", {{"Бок", 700, 500, 1, 3}});
    makeTable("mdl1", {{"Бок", 700, 500, 1, 3}});
    TmdlModelSectionList list;
    TmdlModelSection &s = list.Add();
    s.Models.Add({"A", 2, "mdl0", 0, "Model1"});
    s.Models.Add({"B", 1, "mdl1", 0, "Model2"});
    ASSERT_TRUE(QDir().mkpath(dir.filePath("Temp/OpenElemG.dbf")));   // in the way of the merged table
    QStringList names, counts;
    QString failure;
    const QList<ImportedPart> parts = PartsFromModels(*paths, list, names, counts, &failure);
    EXPECT_EQ(failure, "Внутренняя ошибка при подсчёте одинаковых деталей!");
    EXPECT_EQ(names, (QStringList{"A", "B"}));
    int many = 0;
    for (const ImportedPart &p : parts) {
        EXPECT_EQ(p.Name, "Бок");
        many += p.Many;
    }
    EXPECT_EQ(parts.size(), 2);
    EXPECT_EQ(many, 3);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Temp/OpenElem.dbf")));
}

TEST_F(Models, PartBaseFromModelsFailsWholeWithoutTemplate)
{
    QFile::remove(paths->PatternFolder() + "Group.dbf");
    TmdlModelSectionList list;
    list.Add().Models.Add({"A", 1, "mdl0", 0, "Model1"});
    QStringList names, counts;
    try {
        PartsFromModels(*paths, list, names, counts);
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "Ошибка копирования файла шаблона базы деталей.");
    }
    EXPECT_TRUE(names.isEmpty());
}

TEST_F(Models, CatalogSectionsEditLeavesNoStaleSections)
{
    writeText(paths->CatalogIniFile(), "[Sections]\r\n1=Кухни\r\n2=Спальни\r\n[1]\r\n1=Стол\r\n[1_]\r\n1=mdl0\r\n"
                                       "[1_c]\r\nx=1\r\n[2]\r\n1=Кровать\r\n[2_]\r\n1=mdl1\r\n");
    makeTable("mdl0", {});
    makeTable("mdl1", {});
    {
        CatalogSectionsEdit edit(*paths);
        EXPECT_EQ(edit.Sections(), (QList<CatalogSectionsEdit::Line>{{"1", "Кухни"}, {"2", "Спальни"}}));
        edit.Delete("1");
        EXPECT_EQ(edit.Add("Прихожие"), "1");
        edit.Rename("2", "Детские");
        EXPECT_EQ(edit.DeletedCount(), 1);
        // Nothing reaches the catalog before Save.
        TIniFile::ClearCache();
        EXPECT_EQ(TIniFile(paths->CatalogIniFile()).ReadString("Sections", "2", ""), "Спальни");
        edit.Save();
    }
    TIniFile::ClearCache();
    TIniFile ini(paths->CatalogIniFile());
    EXPECT_EQ(ini.ReadSectionValues("Sections"), (QStringList{"2=Детские", "1=Прихожие"}));   // order of the copy
    EXPECT_FALSE(ini.SectionExists("1"));
    EXPECT_FALSE(ini.SectionExists("1_"));
    EXPECT_FALSE(ini.SectionExists("1_c"));
    EXPECT_TRUE(ini.SectionExists("2_"));
    EXPECT_FALSE(QFileInfo::exists(ModelTablePath(*paths, "mdl0")));
    EXPECT_TRUE(QFileInfo::exists(ModelTablePath(*paths, "mdl1")));
    EXPECT_FALSE(QFileInfo::exists(paths->TempFolder() + "Catalog.ini"));
}

TEST_F(Models, NextModelTableStemSkipsTakenNames)
{
    EXPECT_EQ(NextModelTableStem(*paths), "mdl0");
    makeTable("mdl0", {});
    makeTable("mdl2", {});
    EXPECT_EQ(NextModelTableStem(*paths), "mdl1");
}

} // namespace

namespace {

using kv::ModelsBaseView;

class ModelsView : public Models
{
protected:
    std::unique_ptr<ModelsBaseView> view;
    void SetUp() override
    {
        Models::SetUp();
        view = std::make_unique<ModelsBaseView>(*paths);
        view->Load();
    }
    QStringList names()
    {
        QStringList out;
        for (int i = 0; i < view->Sections().Count(); ++i) out << view->Sections()[i].Name;
        return out;
    }
};

TEST_F(ModelsView, PseudoSectionsFirstStoredSectionsSorted)
{
    for (const char *n : {"Спальни", "Кухни", "кухни", "Ванные"}) view->AddSection(n);
    EXPECT_EQ(names(), (QStringList{"<Все модели>", "<Выбранные модели>", "Ванные", "кухни", "Кухни", "Спальни"}));
    ModelsBaseView again(*paths);
    again.Load();
    EXPECT_EQ(again.Sections().Count(), 6);
    EXPECT_EQ(again.Sections()[2].Name, "Ванные");
}

TEST_F(ModelsView, DuplicateSectionNamesIgnoreCaseAndIncludePseudoSections)
{
    view->AddSection("Кухни");
    struct Case { const char *name; int except; bool taken; } cases[] = {
        {"<Все модели>", -1, true}, {"<ВСЕ МОДЕЛИ>", -1, true}, {"КУХНИ", -1, true}, {"Кухни", 2, false}, {"Спальни", -1, false},
    };
    for (const Case &c : cases) EXPECT_EQ(view->SectionNameTaken(c.name, c.except), c.taken) << c.name;
}

TEST_F(ModelsView, RenameResortsAndKeepsTheSectionSelected)
{
    view->AddSection("Б");
    view->AddSection("В");
    const int at = view->AddSection("Г");
    EXPECT_EQ(at, 4);
    const int now = view->RenameSection(at, "А");
    EXPECT_EQ(now, 2);
    EXPECT_EQ(names().mid(2), (QStringList{"А", "Б", "В"}));
    ModelsBaseView again(*paths);
    again.Load();
    EXPECT_EQ(again.Sections()[2].Name, "А");
}

TEST_F(ModelsView, EntriesQuantitiesAndPrintList)
{
    TmdlModelSection &a = view->Sections()[view->AddSection("А")];
    addModel(a, "Стол", "mdl0");
    TmdlModelSection &b = view->Sections()[view->AddSection("Б")];
    addModel(b, "Шкаф", "mdl1");
    addModel(b, "Полка", "mdl2");
    EXPECT_EQ(view->ModelsOf(0).size(), 3);
    EXPECT_TRUE(view->ModelsOf(1).isEmpty());
    b.Models[0].Quantity = 2;
    a.Models[0].Quantity = 1;
    EXPECT_EQ(view->ModelsOf(1).size(), 2);
    EXPECT_EQ(view->PrintList(3), (QList<QPair<QString, int>>{{"Шкаф", 2}}));
    view->ClearQuantities(3);
    EXPECT_EQ(view->ModelsOf(1).size(), 1);
    view->ClearAllQuantities();
    EXPECT_TRUE(view->ModelsOf(1).isEmpty());
}

TEST_F(ModelsView, MoveModelToAnotherSectionAndDeleteRefusedWhileOpen)
{
    const int ia = view->AddSection("А");
    view->AddSection("Б");
    makeTable("mdl0", {});
    TmdlModelInfo &m = addModel(view->Sections()[ia], "Стол", "mdl0");
    view->ChangeModel(&m, "Стол большой", "Б");
    ModelsBaseView again(*paths);
    again.Load();
    ASSERT_EQ(again.Sections()[3].Models.Count(), 1);
    EXPECT_EQ(again.Sections()[3].Models[0].Name, "Стол большой");
    EXPECT_EQ(again.Sections()[2].Models.Count(), 0);

    TmdlModelInfo *moved = &view->Sections()[3].Models[0];
    EXPECT_THROW(view->DeleteModel(moved, [](const QString &) { return true; }), Error);
    EXPECT_TRUE(QFileInfo::exists(ModelTablePath(*paths, "mdl0")));
    EXPECT_EQ(view->Sections()[3].Models.Count(), 1);
    view->DeleteModel(moved, [](const QString &) { return false; });
    EXPECT_FALSE(QFileInfo::exists(ModelTablePath(*paths, "mdl0")));
    EXPECT_EQ(view->Sections()[3].Models.Count(), 0);
}

TEST_F(ModelsView, DeleteSectionDeletesItsTables)
{
    const int ia = view->AddSection("А");
    makeTable("mdl0", {});
    addModel(view->Sections()[ia], "Стол", "mdl0");
    view->DeleteSection(ia);
    EXPECT_EQ(view->Sections().Count(), 2);
    EXPECT_FALSE(QFileInfo::exists(ModelTablePath(*paths, "mdl0")));
    EXPECT_THROW(view->DeleteSection(0), Error);
}

// A table stem read from the models base or the catalog names a table of
// "Catalog\" only as a bare name; any other stem (relative, absolute, with a
// drive or backslashes) names no table, so no reader deletes or reads a file
// outside the catalog folder.
TEST_F(ModelsView, StemsThatAreNotBareNamesLeadNowhere)
{
    const QString victim = dir.path() + "/victim";   // "<victim>.dbf" beside the program folder
    QFile::copy(paths->PatternFolder() + "Group.dbf", victim + ".dbf");
    Query::Exec("Insert into " + Query::QuotePath(victim + ".dbf") + " Values ('Чужая', 1, 1, 1, 0, 1, 0, 0, 0, 3)");
    const QByteArray before = [&] { QFile f(victim + ".dbf"); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    const QStringList stems = {"../victim", victim, "..\\victim", "C:victim", "..", "", "sub/../../victim"};
    for (const QString &stem : stems) {
        SCOPED_TRACE(stem.toStdString());
        EXPECT_EQ(ModelTablePath(*paths, stem), QString());
        // The parts of a model of that stem are never read.
        TmdlModelSectionList list;
        list.Add().Models.Add({"Чужая", 1, stem, 0, "Model1"});
        QStringList names, counts;
        EXPECT_TRUE(PartsFromModels(*paths, list, names, counts).isEmpty());
        // Deleting a catalog section that lists the stem deletes no table.
        writeText(paths->CatalogIniFile(), "[Sections]\r\n1=Кухни\r\n[1]\r\n1=Стол\r\n[1_]\r\n1=" + stem + "\r\n");
        TIniFile::ClearCache();
        {
            CatalogSectionsEdit edit(*paths);
            edit.Delete("1");
            edit.Save();
        }
        // Nor does deleting a section of the models base that holds it.
        const int at = view->AddSection("Чужие");
        addModel(view->Sections()[at], "Стол", stem);
        view->DeleteSection(at);
        QFile f(victim + ".dbf");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);
    }
    EXPECT_EQ(ModelTablePath(*paths, "mdl0"), paths->CatalogFolder() + "mdl0.dbf");
}

} // namespace

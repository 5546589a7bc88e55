// The part-base document: header and table, new / open / save / merge, the
// faults it mends, totals.
#include "data/imports/partlists.h"
#include "data/partbase/pairsave.h"
#include "data/partbase/partbasedoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/schema.h"
#include "platform/db/tablestore.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/savefile.h"
#include "platform/text.h"
#include "platform/testsupport/errors.h"
#include "platform/testsupport/scoped.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>

#include <gtest/gtest.h>

using namespace kv;

namespace {

struct Part
{
    QString name;
    int length, width, many, material;
    bool operator==(const Part &) const = default;
};

class PartBase : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    std::unique_ptr<Settings> settings;

    void SetUp() override
    {
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        writeMissingTemplates(paths->PatternFolder());
        settings = std::make_unique<Settings>(paths->SettingsFile());
    }
    std::unique_ptr<PartBaseDocument> doc() { return std::make_unique<PartBaseDocument>(*paths, settings.get()); }
    static void add(PartBaseDocument &d, const Part &p)
    {
        Table &t = d.table();
        t.Append();
        t.FieldByName("NAME")->SetAsString(p.name);
        t.FieldByName("LENGTH")->SetAsInteger(p.length);
        t.FieldByName("WIDTH")->SetAsInteger(p.width);
        t.FieldByName("MANY")->SetAsInteger(p.many);
        t.FieldByName("MATERIAL")->SetAsInteger(p.material);
        t.Post();
    }
    // Rows of a table file in file order.
    static QList<Part> rowsOf(const QString &path)
    {
        Table t;
        t.SetDatabaseName(QFileInfo(path).absolutePath());
        t.SetTableName(QFileInfo(path).fileName());
        t.Open();
        QList<Part> out;
        for (t.First(); !t.Eof(); t.Next())
            out.append({t.FieldByName("NAME")->AsString(), t.FieldByName("LENGTH")->AsInteger(),
                        t.FieldByName("WIDTH")->AsInteger(), t.FieldByName("MANY")->AsInteger(),
                        t.FieldByName("MATERIAL")->AsInteger()});
        return out;
    }
    QString groups(const QString &name) const { return paths->GroupsFolder() + name; }
    // A titled part base with the given parts, saved under `name`.
    std::unique_ptr<PartBaseDocument> saved(const QString &name, const QList<Part> &parts)
    {
        auto d = doc();
        d->NewGroup();
        for (const Part &p : parts) add(*d, p);
        d->SaveToFile(groups(name));
        return d;
    }
    static QString readText(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return QString();
        return fromCp1251(f.readAll());
    }
};

const Part kShelf{"Полка", 600, 300, 2, 1};
const Part kSide{"Бок", 720, 560, 2, 1};
const Part kDoor{"Дверь", 716, 396, 1, 2};

} // namespace

TEST_F(PartBase, NewPartBasesCountUpAndLoseTheirTableWhenClosed)
{
    const int before = PartBaseDocument::UntitledCounter();
    QString first;
    {
        auto a = doc();
        a->NewGroup();
        auto b = doc();
        b->NewGroup();
        EXPECT_EQ(QFileInfo(b->TablePath).fileName(), QStringLiteral("%1$Gr.dbf").arg(before + 2));
        EXPECT_EQ(b->DocumentName, b->TablePath);
        EXPECT_TRUE(b->Untitled);
        EXPECT_TRUE(b->Modified);
        EXPECT_EQ(b->Caption(), "База деталей: <без названия>");
        first = a->TablePath;
        EXPECT_TRUE(QFileInfo::exists(first));
    }
    EXPECT_FALSE(QFileInfo::exists(first));
}

TEST_F(PartBase, OpenFailuresLeaveNothingOpen)
{
    struct Case { const char *what; QString header; QString text; std::string message; };
    const std::string missing = "Ошибка чтения группы деталей!\rНе найден файл данных.";
    QFile(paths->GroupsFolder() + "bad.dbf").open(QIODevice::WriteOnly);   // an empty file, not a table
    const QList<Case> cases = {
        {"no header", groups("none.kdx"), QString(), missing},
        {"table missing", groups("a.kdx"), "[Header]\r\nFName=gone.dbf\r\n", missing},
        {"no FName", groups("b.kdx"), "[Header]\r\n", missing},
        {"broken table", groups("c.kdx"), "[Header]\r\nFName=bad.dbf\r\n", "Ошибка чтения группы деталей!"},
    };
    for (const Case &c : cases) {
        if (!c.text.isEmpty()) {
            QFile f(c.header);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(toCp1251(c.text));
        }
        auto d = doc();
        EXPECT_EQ(test::ErrorOf([&] { d->LoadFromFile(c.header); }), c.message) << c.what;
        EXPECT_FALSE(d->HasTable()) << c.what;
        EXPECT_TRUE(d->TablePath.isEmpty()) << c.what;
    }
}

TEST_F(PartBase, UntitledSaveMovesTheTableBesideTheHeader)
{
    auto d = doc();
    d->NewGroup();
    const QString temp = d->TablePath;
    add(*d, kShelf);
    d->SaveToFile(groups("Кухня.kdx"));
    EXPECT_TRUE(QFileInfo::exists(groups("Кухня.dbf")));
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(TIniFile(groups("Кухня.kdx")).ReadString("Header", "FName", ""), "Кухня.dbf");
    EXPECT_FALSE(d->Untitled);
    EXPECT_FALSE(d->Modified);
    EXPECT_EQ(d->Caption(), "База деталей: Кухня.kdx");
    EXPECT_EQ(rowsOf(groups("Кухня.dbf")), QList<Part>{kShelf});

    auto again = doc();
    again->LoadFromFile(groups("Кухня.kdx"));
    EXPECT_EQ(again->table().RecordCount(), 1);
}

TEST_F(PartBase, SaveAsKeepsTheOldFilesWithTheirLastSavedContents)
{
    auto d = saved("old.kdx", {kShelf});
    add(*d, kSide);
    d->SetMaterialFilter(2);   // the copy still takes every part
    d->SaveToFile(groups("new.kdx"));
    EXPECT_EQ(rowsOf(groups("old.dbf")), QList<Part>{kShelf});
    EXPECT_EQ(rowsOf(groups("new.dbf")), (QList<Part>{kShelf, kSide}));
    EXPECT_TRUE(SameFilePath(d->DocumentName, groups("new.kdx")));
    EXPECT_TRUE(SameFilePath(d->table().FullPath(), groups("new.dbf")));
    EXPECT_FALSE(d->Modified);
}

TEST_F(PartBase, SaveAsOwnNameIsAPlainSave)
{
    auto d = saved("own.kdx", {kShelf});
    add(*d, kSide);
    d->SaveToFile(groups("own.kdx"));
    EXPECT_EQ(rowsOf(groups("own.dbf")), (QList<Part>{kShelf, kSide}));
    EXPECT_TRUE(d->table().Active());
    EXPECT_FALSE(d->Modified);
}

TEST_F(PartBase, SaveNeverTouchesAnotherWindowsFiles)
{
    auto other = saved("busy.kdx", {kShelf});
    for (const QString &target : {groups("busy.kdx"), groups("busy")}) {
        auto d = doc();
        d->NewGroup();
        add(*d, kDoor);
        const QString temp = d->TablePath;
        EXPECT_NE(test::ErrorOf([&] { d->SaveToFile(target); }).find("открыта в другом окне"), std::string::npos);
        EXPECT_TRUE(d->Untitled);
        EXPECT_EQ(d->TablePath, temp);
        EXPECT_EQ(d->table().RecordCount(), 1);
    }
    EXPECT_EQ(rowsOf(groups("busy.dbf")), QList<Part>{kShelf});
}

TEST_F(PartBase, HeaderAlwaysEndsInKdxSoItIsNeverItsOwnTable)
{
    auto d = doc();
    d->NewGroup();
    add(*d, kShelf);
    d->SaveToFile(groups("list.dbf"));
    EXPECT_TRUE(SameFilePath(d->DocumentName, groups("list.dbf.kdx")));
    EXPECT_EQ(rowsOf(groups("list.dbf.dbf")), QList<Part>{kShelf});
    auto again = doc();
    again->LoadFromFile(groups("list.dbf.kdx"));
    EXPECT_EQ(again->table().RecordCount(), 1);
}

TEST_F(PartBase, FailedSaveKeepsThePreviousTable)
{
    auto d = doc();
    d->NewGroup();
    add(*d, kShelf);
    add(*d, kSide);
    const QString temp = d->TablePath;
    // The program's message, and why.
    EXPECT_EQ(test::ErrorOf([&] { d->SaveToFile(dir.path() + "/no/such/folder/x.kdx"); }),
              "Ошибка сохранения группы деталей!\r\rПопробуйте изменить название файла\rи сохранить ещё раз."
              "\rПапка или файл не найдены.");
    EXPECT_TRUE(d->Untitled);
    EXPECT_EQ(d->TablePath, temp);
    EXPECT_TRUE(d->table().Active());
    EXPECT_TRUE(SameFilePath(d->table().FullPath(), temp));
    EXPECT_EQ(d->table().RecordCount(), 2);
    // And it can still be saved afterwards.
    d->SaveToFile(groups("x.kdx"));
    EXPECT_EQ(rowsOf(groups("x.dbf")).size(), 2);
}

TEST_F(PartBase, FNameIsReducedToABareFileName)
{
    const QString outside = dir.path() + "/secret.dbf";
    QFile::copy(paths->GroupTemplateFile(), outside);
    QFile::copy(paths->GroupTemplateFile(), groups("inside.dbf"));
    struct Case { QString fname; QString expected; };
    const QList<Case> cases = {
        {"inside.dbf", groups("inside.dbf")},
        {"..\\secret.dbf", groups("secret.dbf")},
        {"../secret.dbf", groups("secret.dbf")},
        {outside, groups("secret.dbf")},
        {"C:\\Groups\\inside.dbf", groups("inside.dbf")},
        {"..", QString()},
    };
    for (const Case &c : cases) {
        TIniFile(groups("h.kdx")).WriteString("Header", "FName", c.fname);
        EXPECT_EQ(PartBaseDocument::HeaderTable(groups("h.kdx")), c.expected) << c.fname.toStdString();
    }
    auto d = doc();
    EXPECT_NE(test::ErrorOf([&] { d->LoadFromFile(groups("h.kdx")); }), "(no error)");
}

TEST_F(PartBase, ModelsListRoundTripsAwkwardNamesAndReadsOldHeaders)
{
    const QList<ModelEntry> models = {{"Шкаф", "2"}, {"Стол, обеденный", "1"}, {"Комод \"Люкс\"", "3"}, {"", "0"}};
    PartBaseDocument::WriteHeader(groups("m.kdx"), "m.dbf", models);
    EXPECT_EQ(PartBaseDocument::ReadModels(groups("m.kdx")), models);
    EXPECT_TRUE(readText(groups("m.kdx")).contains("0=\"Шкаф\",2\r\n"));

    // Empty list: an empty section.
    PartBaseDocument::WriteHeader(groups("e.kdx"), "e.dbf", {});
    EXPECT_TRUE(readText(groups("e.kdx")).contains("[ModelsList]\r\n"));
    EXPECT_TRUE(PartBaseDocument::ReadModels(groups("e.kdx")).isEmpty());

    // Headers written before: the name quoted as it stood.
    QFile f(groups("old.kdx"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(toCp1251("[Header]\r\nFName=old.dbf\r\n[ModelsList]\r\n0=\"Шкаф\",2\r\n1=\"Тумба прикроватная\",1\r\n"));
    f.close();
    EXPECT_EQ(PartBaseDocument::ReadModels(groups("old.kdx")),
              (QList<ModelEntry>{{"Шкаф", "2"}, {"Тумба прикроватная", "1"}}));
}

TEST_F(PartBase, EqualModelNamesJoinWithoutRegardToCase)
{
    struct Case { QList<ModelEntry> in, out; };
    const QList<Case> cases = {
        {{{"Шкаф", "1"}, {"шкаф", "2"}}, {{"Шкаф", "3"}}},
        {{{"Стол", "1"}, {"Шкаф", "2"}, {"СТОЛ", "x"}}, {{"Стол", "1"}, {"Шкаф", "2"}}},
        {{{"A", "2"}, {"b", "1"}, {"a", "5"}, {"B", "1"}}, {{"A", "7"}, {"b", "2"}}},
        {{}, {}},
    };
    for (const Case &c : cases) EXPECT_EQ(PartBaseDocument::MergeModelLists(c.in), c.out);
}

TEST_F(PartBase, MergeIntoItselfTwiceTriplesEqualParts)
{
    auto d = saved("self.kdx", {kShelf, kDoor});
    d->Models = {{"Шкаф", "1"}};
    d->SaveToFile();
    d->Merge(groups("self.kdx"), 2);
    QList<Part> rows = rowsOf(d->TablePath);
    std::sort(rows.begin(), rows.end(), [](const Part &a, const Part &b) { return a.name < b.name; });
    EXPECT_EQ(rows, (QList<Part>{{"Дверь", 716, 396, 3, 2}, {"Полка", 600, 300, 6, 1}}));
    EXPECT_EQ(d->Models, (QList<ModelEntry>{{"Шкаф", "3"}}));
    EXPECT_TRUE(d->table().Active());
    EXPECT_EQ(d->table().RecordCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(paths->TempFolder() + "$Merge$.dbf"));
}

TEST_F(PartBase, FailedMergeLosesNoParts)
{
    auto d = saved("keep.kdx", {kShelf, kSide});
    // The other document names a file that is not a table.
    QFile bad(groups("bad.dbf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a table");
    bad.close();
    TIniFile(groups("bad.kdx")).WriteString("Header", "FName", "bad.dbf");
    EXPECT_EQ(test::ErrorOf([&] { d->Merge(groups("bad.kdx"), 1); }), "Ошибка слияния баз!");
    EXPECT_EQ(rowsOf(groups("keep.dbf")), (QList<Part>{kShelf, kSide}));
    EXPECT_EQ(d->table().RecordCount(), 2);

    TIniFile(groups("gone.kdx")).WriteString("Header", "FName", "gone.dbf");
    EXPECT_EQ(test::ErrorOf([&] { d->Merge(groups("gone.kdx"), 1); }), "Файл данных отсутствует!");
    EXPECT_EQ(d->table().RecordCount(), 2);
}

TEST_F(PartBase, ModelOpensWithoutATransientHeaderAndSavesInPlace)
{
    const QString table = paths->CatalogFolder() + "mdl0.dbf";
    QFile::copy(paths->GroupTemplateFile(), table);
    auto d = doc();
    d->OpenModel("Шкаф-купе", "mdl0");
    EXPECT_EQ(d->Caption(), "Шкаф-купе");
    EXPECT_FALSE(QFileInfo::exists(paths->CatalogFolder() + "tmp.ini"));
    add(*d, kShelf);
    d->SaveToFile();
    EXPECT_EQ(rowsOf(table), QList<Part>{kShelf});
    EXPECT_EQ(QDir(paths->CatalogFolder()).entryList(QDir::Files), QStringList{"mdl0.dbf"});

    auto twice = doc();
    EXPECT_EQ(test::ErrorOf([&] { twice->OpenModel("Шкаф-купе", "mdl0"); }), "Модель \"Шкаф-купе\" уже открыта.");
    // A stem that is not a bare name opens nothing outside the catalog.
    QFile::copy(paths->GroupTemplateFile(), dir.path() + "/outside.dbf");
    for (const QString &stem : {QString("../outside"), dir.path() + "/outside"})
        EXPECT_EQ(test::ErrorOf([&] { twice->OpenModel("Чужая", stem); }),
                  "Ошибка чтения группы деталей!\rНе найден файл данных.");
    d.reset();
    EXPECT_TRUE(QFileInfo::exists(table));   // a model's table is never a temporary one
}

TEST_F(PartBase, FindOpenGroupAndTable)
{
    auto d = saved("find.kdx", {kShelf});
    EXPECT_EQ(PartBaseDocument::FindOpenGroup(groups("find.kdx")), d.get());
    EXPECT_EQ(PartBaseDocument::FindGroupByTable(groups("FIND.dbf").replace("/Groups/", "/groups/")), d.get());
    EXPECT_EQ(PartBaseDocument::FindGroupByTable(groups("find.DBF")), d.get());
    EXPECT_EQ(PartBaseDocument::FindOpenGroup(groups("other.kdx")), nullptr);
}

TEST_F(PartBase, NewRecordsTakeTheDefaultsAndTheFilter)
{
    settings->Set(key::LBorder, 3);
    settings->Set(key::BBorder, 4);
    settings->Set(key::RotateDefault, 2);
    settings->Set(key::DefMaterial, 7);
    auto d = doc();
    d->NewGroup();
    d->Modified = false;
    for (int filter : {999, 5}) {
        d->SetMaterialFilter(filter);
        Table &t = d->table();
        t.Append();
        EXPECT_EQ(t.FieldByName("LBORDER")->AsInteger(), 3);
        EXPECT_EQ(t.FieldByName("RBORDER")->AsInteger(), 0);
        EXPECT_EQ(t.FieldByName("BBORDER")->AsInteger(), 4);
        EXPECT_EQ(t.FieldByName("ROTATE")->AsInteger(), 2);
        EXPECT_EQ(t.FieldByName("RotateName")->AsString(), "один для всех");
        EXPECT_EQ(t.FieldByName("MATERIAL")->AsInteger(), filter == 999 ? 7 : 5);
        t.Cancel();
    }
    EXPECT_TRUE(d->Modified);
}

TEST_F(PartBase, TotalsAre64BitAndFollowTheFilter)
{
    auto d = doc();
    d->NewGroup();
    Table &t = d->table();
    for (int i = 0; i < 400; ++i) add(*d, {QString::number(i), 2800, 2070, 1, 1});
    const PartBaseTotals big = d->Totals({});
    EXPECT_EQ(big.quantity, 400);
    EXPECT_EQ(big.areaMm2, 2318400000LL);   // 2318.4 square metres, past 32 bits
    EXPECT_EQ(big.perimeterMm, 400LL * 2 * (2800 + 2070));

    auto small = doc();
    small->NewGroup();
    add(*small, {"A", 600, 400, 2, 1});
    add(*small, {"B", 1000, 500, 1, 2});
    Table &s = small->table();
    s.First();
    s.Edit();
    for (const char *f : {"LBORDER", "RBORDER", "TBORDER", "BBORDER"}) s.FieldByName(f)->SetAsInteger(3);
    s.Post();
    s.Last();
    s.Edit();
    s.FieldByName("TBORDER")->SetAsInteger(9);   // no longer in the edge-banding base
    s.Post();
    const BorderAllowance allowance = [](int code) -> std::optional<int> {
        if (code == 0) return 0;
        if (code == 3) return 20;
        return std::nullopt;
    };
    struct Case { int filter; qint64 quantity, area, edge; };
    const QList<Case> cases = {
        {999, 3, 600 * 400 * 2 + 1000 * 500, 4160},
        {1, 2, 600 * 400 * 2, 4160},
        {2, 1, 1000 * 500, 0},
        {5, 0, 0, 0},
    };
    for (const Case &c : cases) {
        small->SetMaterialFilter(c.filter);
        const PartBaseTotals tot = small->Totals(allowance);
        EXPECT_EQ(tot.quantity, c.quantity) << c.filter;
        EXPECT_EQ(tot.areaMm2, c.area) << c.filter;
        EXPECT_EQ(tot.edgeMm, c.edge) << c.filter;
    }
    small->SetMaterialFilter(999);
    const PartBaseTotals all = small->Totals(allowance);
    EXPECT_EQ(all.edgeByCode.value(9), 1000);
    // Every code once, in the order of the rows, top and bottom edges first:
    // the second part's top 9 comes before its bottom 0.
    EXPECT_EQ(all.edgeCodes, (QList<int>{3, 9, 0}));
    (void)t;
}

TEST_F(PartBase, CopyPartsTableWritesTheShownRowsAndKeepsThePosition)
{
    auto d = doc();
    d->NewGroup();
    for (const Part &p : {kShelf, kSide, kDoor}) add(*d, p);
    d->SetMaterialFilter(1);
    d->table().First();
    d->table().Next();
    PartBaseDocument::CopyPartsTable(d->table(), paths->TempFolder() + "prn0.dbf", *paths);
    EXPECT_EQ(rowsOf(paths->TempFolder() + "prn0.dbf"), (QList<Part>{kShelf, kSide}));
    EXPECT_EQ(d->table().FieldByName("NAME")->AsString(), kSide.name);
}

TEST_F(PartBase, ReplaceMaterialAndCopyRecord)
{
    struct Case { int from, to; QList<int> materials; };
    const QList<Case> cases = {
        {1, 3, {3, 3, 2}},
        {999, 4, {4, 4, 4}},
        {7, 3, {1, 1, 2}},
    };
    for (const Case &c : cases) {
        auto d = doc();
        d->NewGroup();
        for (const Part &p : {kShelf, kSide, kDoor}) add(*d, p);
        d->SetMaterialFilter(2);   // the filter does not narrow the change
        d->ReplaceMaterial(c.from, c.to);
        EXPECT_EQ(d->FilterCode(), 2);
        d->SetMaterialFilter(999);
        QList<int> got;
        Table &t = d->table();
        for (t.First(); !t.Eof(); t.Next()) got << t.FieldByName("MATERIAL")->AsInteger();
        EXPECT_EQ(got, c.materials) << c.from << "->" << c.to;
    }
    auto d = doc();
    d->NewGroup();
    add(*d, kDoor);
    d->Modified = false;
    d->CopyCurrentRecord();
    EXPECT_EQ(d->table().RecordCount(), 2);
    EXPECT_EQ(d->table().FieldByName("NAME")->AsString(), kDoor.name);
    EXPECT_TRUE(d->Modified);
}

namespace {

// A pair as a reader finds it after a fresh start.
struct Pair
{
    QList<Part> rows;
    QList<ModelEntry> models;
    bool operator==(const Pair &) const = default;
};

struct Killed
{
};

} // namespace

// A save killed at each step of its switch, in turn (the hook ends it there as
// a kill would: no clean-up of the save runs): the next open finds the old
// pair or the new one, never the table of one with the header of the other,
// and nothing of the save is left beside them.
TEST_F(PartBase, SaveKilledAtAnyStepReopensAsTheOldOrTheNewPair)
{
    enum class Road { Plain, SaveAsOverAnother, UntitledOverAnother };
    const Pair before{{kShelf}, {{"Шкаф", "1"}}};
    const Pair other{{kDoor}, {{"Тумба", "3"}}};
    for (Road road : {Road::Plain, Road::SaveAsOverAnother, Road::UntitledOverAnother}) {
        bool sawOld = false, sawNew = false;
        for (int killAt = 0; killAt < 50; ++killAt) {
            SCOPED_TRACE(testing::Message() << "road " << int(road) << ", killed at step " << killAt);
            const QString a = groups(QStringLiteral("a%1.kdx").arg(killAt)), b = groups(QStringLiteral("b%1.kdx").arg(killAt));
            {
                auto d = saved(QFileInfo(a).fileName(), before.rows);
                d->Models = before.models;
                d->SaveToFile();
                auto o = saved(QFileInfo(b).fileName(), other.rows);
                o->Models = other.models;
                o->SaveToFile();
            }
            auto d = doc();
            if (road == Road::UntitledOverAnother) d->NewGroup();
            else d->LoadFromFile(a);
            add(*d, kSide);
            d->Models = {{"Стол", "2"}};
            const Pair after{road == Road::UntitledOverAnother ? QList<Part>{kSide} : QList<Part>{kShelf, kSide},
                             d->Models};
            const QString target = road == Road::Plain ? a : b;
            const Pair old = road == Road::Plain ? before : other;

            int steps = 0;
            bool killed = false;
            {
                const auto kill = test::ScopedHook(&SetPairStepHook, [&](const QString &) {
                    if (steps++ == killAt) throw Killed{};
                });
                try {
                    d->SaveToFile(road == Road::Plain ? QString() : target);
                } catch (const Killed &) {
                    killed = true;
                }
            }
            d.reset();
            // What a new run finds.
            TableStore::clearRegistry();
            TIniFile::ClearCache();
            auto again = doc();
            again->LoadFromFile(target);
            const Pair found{rowsOf(again->TablePath), again->Models};
            if (found == old) sawOld = true;
            else if (found == after) sawNew = true;
            else ADD_FAILURE() << "a mixed pair";
            EXPECT_TRUE(killed || found == after);
            const QStringList left =
                QDir(paths->GroupsFolder()).entryList({"*.new~", "*.old~", "*.sav~", "*~??????"}, QDir::Files);
            EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
            if (!killed) break;
        }
        EXPECT_TRUE(sawOld && sawNew) << "road " << int(road);
    }
}

// A full disk while either file of the pair is written: the program's message
// with the reason, the old pair as it was, the edits still in the window, and
// the next save (with room again) writes them.
TEST_F(PartBase, FullDiskKeepsTheOldPairAndSaysWhy)
{
    for (const char *failing : {".dbf.new~", ".kdx.new~"}) {
        SCOPED_TRACE(failing);
        const QString name = QStringLiteral("full%1.kdx").arg(failing[1] == 'd' ? 1 : 2);
        auto d = saved(name, {kShelf});
        d->Models = {{"Шкаф", "1"}};
        d->SaveToFile();
        add(*d, kSide);
        d->Models = {{"Стол", "2"}};
        {
            const auto full = test::ScopedHook(&SetWriteErrorHook, [&](const QString &path) {
                return path.endsWith(QString::fromLatin1(failing)) ? ENOSPC : 0;
            });
            EXPECT_EQ(test::ErrorOf([&] { d->SaveToFile(); }),
                      "Ошибка сохранения группы деталей!\r\rПопробуйте изменить название файла\rи сохранить ещё раз."
                      "\rНедостаточно места на диске.");
        }
        EXPECT_TRUE(d->Modified);
        EXPECT_EQ(d->table().RecordCount(), 2);
        EXPECT_EQ(rowsOf(groups(QFileInfo(name).completeBaseName() + ".dbf")), QList<Part>{kShelf});
        EXPECT_EQ(PartBaseDocument::ReadModels(groups(name)), (QList<ModelEntry>{{"Шкаф", "1"}}));
        EXPECT_TRUE(QDir(paths->GroupsFolder()).entryList({"*~*"}, QDir::Files).isEmpty());

        d->SaveToFile();
        EXPECT_EQ(rowsOf(groups(QFileInfo(name).completeBaseName() + ".dbf")), (QList<Part>{kShelf, kSide}));
        EXPECT_EQ(PartBaseDocument::ReadModels(groups(name)), (QList<ModelEntry>{{"Стол", "2"}}));
    }
}

// A plain save keeps the table's own layout and the row the cursor was on.
TEST_F(PartBase, PlainSaveKeepsTheTablesLayoutAndTheCurrentRow)
{
    auto d = saved("wide.kdx", {});
    d.reset();
    // A table of another layout: the name column wider than the template's.
    QList<DbfField> fields = DbfFile::read(paths->GroupTemplateFile(), nullptr, false).fields;
    fields[0].length = 200;
    DbfFile::create(groups("wide.dbf"), fields);
    TableStore::clearRegistry();
    d = doc();
    d->LoadFromFile(groups("wide.kdx"));
    const QString longName = QString(150, QChar(u'Ж'));
    add(*d, {longName, 100, 50, 1, 1});
    add(*d, kShelf);
    add(*d, kSide);
    d->table().SetRecNo(2);
    d->SaveToFile();
    EXPECT_EQ(d->table().RecNo(), 2);
    EXPECT_EQ(DbfFile::read(groups("wide.dbf"), nullptr, false).fields[0].length, 200);
    EXPECT_EQ(rowsOf(groups("wide.dbf")).value(0).name, longName);
}

// A journal beside a header that names files outside its folder (relative
// with "..", absolute, with backslashes, or only one such name among good
// ones) is not acted on: the user's files elsewhere keep their bytes, the
// journal and the staged files beside the header stay as they are, the user
// is told, and the part base opens (or merges) as it stands.
TEST_F(PartBase, ForeignJournalTouchesNothingAndIsReported)
{
    const QString victims = dir.path() + "/victimdir/";
    QDir().mkpath(victims);
    const QStringList victimFiles = {"doc.txt", "doc.txt.new~", "doc.txt.old~", "other.txt", "other.txt.new~",
                                     "other.txt.old~", "j2.dbf", "j2.dbf.new~", "j2.dbf.old~"};
    struct Case { const char *what; QString journal; };
    const QList<Case> cases = {
        {"relative switch", "switch\n../victimdir/other.txt\n../victimdir/doc.txt\n"},
        {"relative staging", "staging\n../victimdir/doc.txt\n"},
        {"absolute switch", "switch\n" + victims + "doc.txt\n" + victims + "other.txt\n"},
        {"absolute staging", "staging\n" + victims + "other.txt\n"},
        {"backslashes", "switch\n..\\victimdir\\doc.txt\n"},
        {"dot-dot alone", "switch\n..\n"},
        {"one foreign among good names", "switch\nj2.dbf\n../victimdir/j2.dbf\nj2.kdx\n"},
    };
    enum class Road { Open, Merge };
    for (Road road : {Road::Open, Road::Merge}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << (road == Road::Open ? ", open" : ", merge"));
            saved("j2.kdx", {kShelf});
            QMap<QString, QByteArray> before;
            for (const QString &v : victimFiles) {
                const QByteArray bytes = "user's own " + v.toUtf8();
                ASSERT_TRUE(SaveFileAtomically(victims + v, bytes));
                before[v] = bytes;
            }
            // A staged table beside the header that a followed journal would place.
            ASSERT_TRUE(SaveFileAtomically(groups("j2.dbf.new~"), "staged"));
            ASSERT_TRUE(SaveFileAtomically(PairJournal(groups("j2.kdx")), c.journal.toUtf8()));
            TableStore::clearRegistry();
            TIniFile::ClearCache();

            QStringList told;
            auto d = road == Road::Open ? doc() : saved("into.kdx", {kDoor});
            d->OnWarning = [&](const QString &text) { told << text; };
            if (road == Road::Open) {
                d->LoadFromFile(groups("j2.kdx"));
                EXPECT_EQ(rowsOf(d->TablePath), QList<Part>{kShelf});
            } else {
                d->Merge(groups("j2.kdx"), 1);
                EXPECT_EQ(d->table().RecordCount(), 2);
            }
            EXPECT_EQ(told, QStringList{"Журнал сохранения \"" + QDir::toNativeSeparators(groups("j2.kdx.sav~")) +
                                        "\" ссылается на файлы вне папки базы деталей и не выполнен.\r"
                                        "Файл журнала оставлен без изменений."});
            for (const QString &v : victimFiles) {
                QFile f(victims + v);
                ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << v.toStdString();
                EXPECT_EQ(f.readAll(), before[v]) << v.toStdString();
            }
            EXPECT_EQ(QDir(victims).entryList(QDir::Files).size(), victimFiles.size());
            QFile journal(PairJournal(groups("j2.kdx")));
            ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
            EXPECT_EQ(journal.readAll(), c.journal.toUtf8());
            EXPECT_TRUE(QFileInfo::exists(groups("j2.dbf.new~")));
            d.reset();
            QFile::remove(PairJournal(groups("j2.kdx")));
            QFile::remove(groups("j2.dbf.new~"));
        }
    }
}

// The program's own journal still finishes its switch on the next open.
TEST_F(PartBase, OwnJournalOfBareNamesIsFinishedSilently)
{
    saved("own.kdx", {kShelf});
    {
        auto d = saved("next.kdx", {kShelf, kSide});
    }
    QFile::rename(groups("next.dbf"), groups("own.dbf.new~"));
    ASSERT_TRUE(SaveFileAtomically(PairJournal(groups("own.kdx")), "switch\nown.dbf\n"));
    TableStore::clearRegistry();
    QStringList told;
    auto d = doc();
    d->OnWarning = [&](const QString &text) { told << text; };
    d->LoadFromFile(groups("own.kdx"));
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(rowsOf(d->TablePath), (QList<Part>{kShelf, kSide}));
    EXPECT_FALSE(QFileInfo::exists(PairJournal(groups("own.kdx"))));
}

// A long append tells how far it has come: every thousand parts and the end.
TEST_F(PartBase, AppendPartsReportsItsProgress)
{
    auto d = doc();
    d->NewGroup();
    QList<ImportedPart> parts;
    for (int i = 0; i < 2500; ++i) parts << ImportedPart{QStringLiteral("Деталь %1").arg(i), 100 + i, 50, 1, 0, 0, 0, 0, 0, 1};
    QList<QPair<int, int>> heard;
    EXPECT_EQ(AppendParts(d->table(), parts, [&](int done, int total) { heard << qMakePair(done, total); }), 0);
    EXPECT_EQ(heard, (QList<QPair<int, int>>{{0, 2500}, {1000, 2500}, {2000, 2500}, {2500, 2500}}));
    EXPECT_EQ(d->table().RecordCount(), 2500);
    d->table().Last();
    EXPECT_EQ(d->table().FieldByName("NAME")->AsString(), "Деталь 2499");
}

// Tables and statements over dBASE files: the shared store, cached updates,
// filters and the SQL texts of the program.
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/db/sqlrewrite.h"
#include "platform/db/table.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace kv;

namespace {

const QList<DbfField> kSheets = {{"LENGTH", 'F', 20, 4}, {"WIDTH", 'F', 20, 4}, {"MANY", 'F', 20, 4}, {"CODE", 'F', 20, 4}};
const QList<DbfField> kScraps = {{"NAME", 'C', 20, 0}, {"LENGTH", 'F', 20, 4}, {"WIDTH", 'F', 20, 4},
                                 {"MANY", 'F', 20, 4}, {"CODE", 'F', 20, 4}, {"DATE", 'D', 8, 0}};
const QList<DbfField> kTypes = {{"MATERIAL", 'C', 35, 0}, {"CODE", 'N', 10, 0}};
const QList<DbfField> kGroup = {{"NAME", 'C', 100, 0}, {"LENGTH", 'N', 10, 0}, {"WIDTH", 'N', 10, 0},
                                {"MANY", 'N', 10, 0}, {"ROTATE", 'N', 6, 0}, {"LBORDER", 'N', 6, 0},
                                {"RBORDER", 'N', 6, 0}, {"TBORDER", 'N', 6, 0}, {"BBORDER", 'N', 6, 0},
                                {"MATERIAL", 'N', 10, 0}};

class DbFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    QString q(const QString &name) const { return Query::QuotePath(path(name)); }
    void make(const QString &name, const QList<DbfField> &fields, const QList<QVariantList> &rows = {})
    {
        DbfFile t;
        t.fields = fields;
        for (const QVariantList &r : rows) t.rows << DbfRow{false, r};
        t.write(path(name));
    }
    std::unique_ptr<Query> open(const QString &sql, const QVariantList &params = {})
    {
        auto qry = std::make_unique<Query>();
        qry->SetSQL(sql);
        qry->SetParams(params);
        qry->Open();
        return qry;
    }
    std::unique_ptr<Table> table(const QString &name)
    {
        auto t = std::make_unique<Table>();
        t->SetDatabaseName(dir.path() + "/");
        t->SetTableName(name);
        return t;
    }
};

} // namespace

TEST(DbRewrite, DialectDifferences)
{
    auto name = [](const QString &p) { return p.endsWith("Sc.dbf") ? QString("t1") : QString("t2"); };
    struct Case { const char *in; const char *out; };
    const Case cases[] = {
        {"Update \"C:\\W\\TempSc.dbf\" a Set a.\"Many\"=a.\"Many\"-1 Where a.\"Code\"=3",
         "Update \"t1\" AS a Set \"Many\"=a.\"Many\"-1 Where a.\"Code\"=3"},
        {"Delete from \"/w/TempSc.dbf\" a\rWhere a.\"Code\"=3", "Delete from \"t1\" AS a\rWhere a.\"Code\"=3"},
        {"Delete from \"/w/TempSc.dbf\" Where \"Code\"=3", "Delete from \"t1\" Where \"Code\"=3"},
        {"select sum(a.\"Length\"*a.\"Width\"/1000000) from \"/w/x.dbf\" a",
         "select sum(a.\"Length\"*a.\"Width\"*1.0/1000000) from \"t2\" a"},
        {"select * from \"/w/x.dbf\" a where a.\"Date\">='05.03.2024'",
         "select * from \"t2\" a where a.\"Date\">='2024-03-05'"},
        {"Update \"/w/TempSc.dbf\" b Set b.\"Name\"='x', b.\"Many\"=(b.\"Many\"+1) Where b.\"Name\"='it''s'",
         "Update \"t1\" AS b Set \"Name\"='x', \"Many\"=(b.\"Many\"+1) Where b.\"Name\"='it''s'"},
    };
    for (const Case &c : cases) EXPECT_EQ(rewriteSql(QString::fromUtf8(c.in), name), QString::fromUtf8(c.out)) << c.in;
    EXPECT_EQ(quoteTablePath("/a/b\"c.dbf"), QString("\"/a/b\"\"c.dbf\""));
}

TEST_F(DbFiles, PostedRowIsSeenByAQueryAtOnce)
{
    make("Sheets.dbf", kSheets);
    auto t = table("Sheets.dbf");
    t->Open();
    t->Append();
    t->FieldByName("Length")->SetAsFloat(2750);
    t->FieldByName("Width")->SetAsFloat(2070);
    t->FieldByName("Many")->SetAsFloat(2);
    t->FieldByName("Code")->SetAsFloat(5);
    t->Post();
    auto qry = open("Select * from " + q("Sheets.dbf") + " a Where a.\"Code\"=5");
    EXPECT_EQ(qry->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(qry->FieldByName("Length")->AsFloat(), 2750);
    // A query shows what was there when it ran, until it is refreshed.
    t->Append();
    t->FieldByName("Code")->SetAsFloat(5);
    t->Post();
    EXPECT_EQ(qry->RecordCount(), 1);
    qry->Refresh();
    EXPECT_EQ(qry->RecordCount(), 2);
    t->Delete();
    // ... and on disk, for the next run of the program.
    EXPECT_EQ(DbfFile::read(path("Sheets.dbf")).liveCount(), 1);
    // A statement's change reaches the open cursor.
    Query::Exec("Update " + q("Sheets.dbf") + " a Set a.\"Many\"=a.\"Many\"+1");
    EXPECT_DOUBLE_EQ(t->FieldByName("Many")->AsFloat(), 3);
}

TEST_F(DbFiles, CachedEditsStayInvisibleUntilAppliedAndVanishOnClose)
{
    make("Borders.dbf", {{"CODE", 'N', 6, 0}, {"NAME", 'C', 20, 0}}, {{1, "Кромка"}});
    auto t = table("Borders.dbf");
    t->SetCachedUpdates(true);
    t->Open();
    t->Append();
    t->FieldByName("CODE")->SetAsInteger(2);
    t->FieldByName("NAME")->SetAsString("ПВХ");
    t->Post();
    t->First();
    t->Edit();
    t->FieldByName("NAME")->SetAsString("Меламин");
    t->Post();
    EXPECT_TRUE(t->UpdatesPending());
    EXPECT_EQ(open("select * from " + q("Borders.dbf"))->RecordCount(), 1);
    EXPECT_EQ(DbfFile::read(path("Borders.dbf")).rows.size(), 1);
    t->Close();
    t->Open();
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), QString("Кромка"));
    t->Edit();
    t->FieldByName("NAME")->SetAsString("Меламин");
    t->Post();
    t->Append();
    t->FieldByName("CODE")->SetAsInteger(7);
    t->Post();
    const Bookmark b = t->GetBookmark();
    t->ApplyUpdates();
    t->CommitUpdates();
    EXPECT_FALSE(t->UpdatesPending());
    EXPECT_TRUE(t->BookmarkValid(b));
    auto qry = open("select * from " + q("Borders.dbf") + " b order by b.\"Code\"");
    ASSERT_EQ(qry->RecordCount(), 2);
    EXPECT_EQ(qry->FieldByName("NAME")->AsString(), QString("Меламин"));
}

TEST_F(DbFiles, CancelUpdatesRestoresTheFileRows)
{
    make("Sheets.dbf", kSheets, {{1000, 500, 3, 1}});
    auto t = table("Sheets.dbf");
    t->SetCachedUpdates(true);
    t->SetFilter("Many>0");
    t->SetFiltered(true);
    t->Open();
    t->Edit();
    t->FieldByName("Many")->SetAsFloat(0);
    t->Post();
    EXPECT_EQ(t->RecordCount(), 0);   // used up: the filter hides it
    t->CancelUpdates();
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(t->FieldByName("Many")->AsFloat(), 3);
}

TEST_F(DbFiles, BookmarkAfterItsRowIsDeleted)
{
    make("Types.dbf", kTypes, {{"ДСП", 1}, {"МДФ", 2}, {"ХДФ", 3}});
    auto t = table("Types.dbf");
    t->Open();
    t->Next();
    const Bookmark mdf = t->GetBookmark();
    t->Last();
    const Bookmark hdf = t->GetBookmark();
    Query::Exec("Delete from " + q("Types.dbf") + " a Where a.\"Code\"=2");
    EXPECT_FALSE(t->BookmarkValid(mdf));
    EXPECT_THROW(t->GotoBookmark(mdf), Error);
    t->GotoBookmark(hdf);
    EXPECT_EQ(t->FieldByName("Material")->AsString(), QString("ХДФ"));
    EXPECT_EQ(t->RecordCount(), 2);
}

TEST_F(DbFiles, FilterForms)
{
    make("Scraps.dbf", kScraps,
         {{"A1", 500, 300, 1, 5, QDate(2024, 3, 1)},
          {"A2", 600, 300, 0, 5, QDate(2024, 3, 15)},
          {"B1", 500, 300, 2, 7, QDate(2024, 4, 2)},
          {QVariant(), 800, 400, 1, QVariant(), QDate(2024, 3, 20)}});
    auto t = table("Scraps.dbf");
    t->Open();
    struct Case { QString filter; int count; };
    const Case cases[] = {
        {"Many>0", 3},
        {"Code=5 and Many>0", 1},
        {"Code=7", 1},
        {QString::asprintf("[Length]=%d and [Width]=%d and [Code]=%d", 500, 300, 5), 1},
        {"Code=5 and (Date>=01.03.2024 and Date<=15.03.2024)", 2},
        {"(Date>=16.03.2024 and Date<=31.03.2024)", 1},
        {"Code = null", 1},
        {"Name='A*'", 2},
        {"Code=5 or Code=7", 3},
    };
    for (const Case &c : cases) {
        t->SetFilter(c.filter);
        t->SetFiltered(true);
        EXPECT_EQ(t->RecordCount(), c.count) << c.filter.toStdString();
    }
    t->SetFiltered(false);
    EXPECT_EQ(t->RecordCount(), 4);
    EXPECT_THROW(t->SetFilter("Code=(5"), Error);
    // Find-first/next visit the matching rows with filtering off.
    t->SetFilter("Code = null");
    ASSERT_TRUE(t->FindFirst());
    EXPECT_DOUBLE_EQ(t->FieldByName("Length")->AsFloat(), 800);
    EXPECT_FALSE(t->FindNext());
}

TEST_F(DbFiles, StatementCases)
{
    make("Group.dbf", kGroup);
    make("Merge.dbf", kGroup,
         {{"Полка", 600, 300, 2, 0, 1, 0, 0, 0, 5},
          {"Полка", 600, 300, 3, 0, 1, 0, 0, 0, 5},
          {"Полка", 600, 300, 1, 1, 1, 0, 0, 0, 5},
          {"Дно", 800, 400, 1, 0, 0, 0, 0, 0, 5}});
    make("Types.dbf", kTypes, {{"ЛДСП белая", 1}, {"ДВП", 2}, {"Акрил", 3}});
    make("TempTp.dbf", kTypes);
    make("TempSh.dbf", kSheets, {{2750, 2070, 2, 1}, {2800, 2070, 1, 1}, {2440, 1830, 3, 2}});
    make("TempSc.dbf", kScraps,
         {{"X1", 300, 200, 1, 1, QDate(2024, 3, 1)}, {"X2", 900, 500, 1, 1, QDate(2024, 3, 1)},
          {"X3", 300, 200, 1, 2, QDate(2024, 3, 1)}});

    // The part merge: equal parts become one with the summed quantity.
    Query::Exec("Insert into " + q("Group.dbf") + "\r\nSelect a.\"Name\", a.\"Length\", a.\"Width\", Sum(a.\"Many\") as NewMany, "
                "a.\"Rotate\", a.\"LBorder\", a.\"RBorder\", a.\"TBorder\", a.\"BBorder\", a.\"Material\" from " + q("Merge.dbf") +
                " a\rGroup by a.\"Name\", a.\"Length\", a.\"Width\", a.\"Rotate\", a.\"LBorder\", a.\"RBorder\", a.\"TBorder\", "
                "a.\"BBorder\", a.\"Material\"");
    auto merged = open("select * from " + q("Group.dbf") + " g where g.\"Name\"='Полка' and g.\"Rotate\"=0");
    ASSERT_EQ(merged->RecordCount(), 1);
    EXPECT_EQ(merged->FieldByName("Many")->AsInteger(), 5);
    EXPECT_EQ(open("select * from " + q("Group.dbf"))->RecordCount(), 3);

    // Whole-number columns divide as decimals too.
    auto area = open("select sum(g.\"Length\"*g.\"Width\"*g.\"Many\"/1000000) as Sq from " + q("Merge.dbf") + " g");
    EXPECT_NEAR(area->FieldByName("Sq")->AsFloat(), 0.6 * 0.3 * 6 + 0.8 * 0.4, 1e-9);

    // The next material code of an empty base.
    auto mx = open("Select max(Code) as fldmax from " + q("TempTp.dbf") + " a");
    EXPECT_TRUE(mx->FieldByName("fldmax")->IsNull());

    // Warehouse statistics: a left join with REAL sums.
    auto st = open(QString("select m.\"Code\", m.\"Material\", sum(s.\"Width\"*s.\"Length\"*s.\"Many\"/1000000) as ShSquare "
                           "from %1 m left join %2 s on m.\"Code\"=s.\"Code\" group by m.\"Code\", m.\"Material\" "
                           "order by m.\"Material\"").arg(q("Types.dbf"), q("TempSh.dbf")));
    ASSERT_EQ(st->RecordCount(), 3);
    EXPECT_EQ(st->FieldByName("Material")->AsString(), QString("Акрил"));
    EXPECT_TRUE(st->FieldByName("ShSquare")->IsNull());
    st->Next();
    EXPECT_EQ(st->FieldByName("Material")->AsString(), QString("ДВП"));
    EXPECT_NEAR(st->FieldByName("ShSquare")->AsFloat(), 2.44 * 1.83 * 3, 1e-9);
    st->Next();
    EXPECT_NEAR(st->FieldByName("ShSquare")->AsFloat(), 11.385 + 5.796, 1e-9);

    // Off-cut update and delete with an alias.
    Query::Exec("Update " + q("TempSc.dbf") + " a Set a.\"Many\"=a.\"Many\"+2 Where a.\"Name\"='X1'");
    Query::Exec("Delete from " + q("TempSc.dbf") + " a\rWhere (a.\"Length\"*a.\"Width\")<100000 and (a.\"Length\"<400 and "
                "a.\"Width\"<400) and a.\"Code\"=2");
    auto sc = open("select * from " + q("TempSc.dbf") + " a order by a.\"Name\"");
    ASSERT_EQ(sc->RecordCount(), 2);
    EXPECT_DOUBLE_EQ(sc->FieldByName("Many")->AsFloat(), 3);
    EXPECT_EQ(sc->FieldByName("Date")->AsDate(), QDate(2024, 3, 1));

    // A name with an apostrophe, bound as a parameter, stays text.
    Query::Exec("Insert into " + q("TempTp.dbf") + " Values(?, ?)", {"Дуб 'Сонома'", 4});
    auto nm = open("select * from " + q("TempTp.dbf") + " t where t.\"Material\"=?", {"Дуб 'Сонома'"});
    ASSERT_EQ(nm->RecordCount(), 1);
    EXPECT_EQ(nm->FieldByName("Material")->AsString(), QString("Дуб 'Сонома'"));
    EXPECT_EQ(nm->FieldByName("Code")->AsInteger(), 4);
}

TEST_F(DbFiles, TextOrdersByCodePage1251WithoutCaseAndComparesWithoutTrailingBlanks)
{
    make("Types.dbf", kTypes, {{"яблоко", 1}, {"Ёлка", 2}, {"ель", 3}, {"Ель", 4}, {"Apple", 5}, {"банан", 6}});
    auto qry = open("Select * from " + q("Types.dbf") + " tp\rOrder by tp.\"Material\"");
    QStringList order;
    for (qry->First(); !qry->Eof(); qry->Next()) order << qry->FieldByName("Material")->AsString();
    EXPECT_EQ(order, QStringList({"Apple", "банан", "Ель", "ель", "Ёлка", "яблоко"}));
    EXPECT_EQ(open("select * from " + q("Types.dbf") + " t where t.\"Material\"='банан  '")->RecordCount(), 1);
}

TEST_F(DbFiles, PrintQueryJoinsPartsWithMaterialNames)
{
    make("Part.dbf", kGroup, {{"Бок", 720, 560, 2, 0, 1, 1, 0, 0, 2}, {"Дно", 800, 560, 1, 0, 0, 0, 0, 0, 1},
                              {"Полка", 700, 500, 3, 1, 0, 0, 0, 0, 9}});
    make("Types.dbf", kTypes, {{"ЛДСП белая", 1}, {"ДВП", 2}});
    auto all = open(QString("select a.*, m.\"Material\" as MatName from %1 a, %2 m\rwhere a.\"Material\"=m.\"Code\" "
                            "order by m.\"Material\", a.\"Name\"").arg(q("Part.dbf"), q("Types.dbf")));
    ASSERT_EQ(all->RecordCount(), 2);   // material 9 is not in the base
    EXPECT_EQ(all->FieldCount(), 11);
    EXPECT_EQ(all->FieldByName("MatName")->AsString(), QString("ДВП"));
    EXPECT_EQ(all->FieldByName("Name")->AsString(), QString("Бок"));
    EXPECT_EQ(all->FieldByName("LBorder")->AsInteger(), 1);
    auto one = open(QString("select a.*, m.\"Material\" as MatName from %1 a, %2 m where a.\"Material\"=m.\"Code\" "
                            " and a.\"Material\"=%3 order by m.\"Material\", a.\"Name\"").arg(q("Part.dbf"), q("Types.dbf")).arg(1));
    ASSERT_EQ(one->RecordCount(), 1);
    EXPECT_EQ(one->FieldByName("Name")->AsString(), QString("Дно"));
}

TEST_F(DbFiles, DeletedRecordsStayUntilPacked)
{
    make("Types.dbf", kTypes, {{"a", 1}, {"b", 2}});
    auto t = table("Types.dbf");
    t->Open();
    t->Delete();
    DbfFile f = DbfFile::read(path("Types.dbf"));
    ASSERT_EQ(f.rows.size(), 2);
    EXPECT_EQ(f.liveCount(), 1);
    t->PackTable();
    EXPECT_EQ(DbfFile::read(path("Types.dbf")).rows.size(), 1);
    EXPECT_EQ(t->FieldByName("Code")->AsInteger(), 2);
}

TEST_F(DbFiles, EqualOffcutsMergeIncludingUnnamedOnes)
{
    make("Pattern.dbf", kScraps);
    make("TempSc.dbf", kScraps,
         {{QVariant(), 500, 300, 1, 5, QDate(2024, 3, 5)},
          {QVariant(), 500, 300, 2, 5, QDate(2024, 3, 5)},
          {"О-1", 500, 300, 1, 5, QDate(2024, 3, 5)},
          {"О-1", 500, 300, 4, 5, QDate(2024, 3, 5)},
          {"О-1", 500, 300, 1, 5, QDate(2024, 3, 6)}});
    copyFileAtomically(path("Pattern.dbf"), path("$$$.dbf"));
    Query::Exec("Insert into " + q("$$$.dbf") + "\r\nSelect a.\"Name\", a.\"Length\", a.\"Width\", Sum(a.\"Many\") as NewMany, "
                "a.\"Code\", a.\"Date\" from " + q("TempSc.dbf") + " a\r\nGroup by a.\"Name\", a.\"Length\", a.\"Width\", "
                "a.\"Code\", a.\"Date\"");
    auto r = open("select * from " + q("$$$.dbf") + " a order by a.\"Name\", a.\"Date\"");
    ASSERT_EQ(r->RecordCount(), 3);
    EXPECT_TRUE(r->FieldByName("Name")->IsNull());
    EXPECT_DOUBLE_EQ(r->FieldByName("Many")->AsFloat(), 3);
    r->Next();
    EXPECT_DOUBLE_EQ(r->FieldByName("Many")->AsFloat(), 5);
    EXPECT_EQ(r->FieldByName("Date")->AsDate(), QDate(2024, 3, 5));
    // The stock off-cut of a map: found by size, material and name, lowered.
    const QString where = "Where sc.\"Length\"=500 and \rsc.\"Width\"=300 and \rsc.\"Code\"=5 and sc.\"Name\"=?";
    Query::Exec("Update " + q("$$$.dbf") + " sc\rSet sc.\"Many\"=2\r" + where, {"О-1"});
    auto after = open("select * from " + q("$$$.dbf") + " sc " + where, {"О-1"});
    ASSERT_EQ(after->RecordCount(), 2);
    EXPECT_DOUBLE_EQ(after->FieldByName("Many")->AsFloat(), 2);
}

TEST_F(DbFiles, NamedParametersAndErrors)
{
    make("TempTp.dbf", kTypes);
    Query ins;
    ins.SetSQL("Insert into " + q("TempTp.dbf") + " Values(:name, :code)");
    ins.SetParam("name", "O'Brien \"x\"");
    ins.SetParam("code", 12);
    ins.ExecSQL();
    EXPECT_EQ(ins.RowsAffected(), 1);
    Query sel;
    sel.SetSQL("select * from " + q("TempTp.dbf") + " t where t.\"Material\"=:name");
    sel.SetParam("name", "O'Brien \"x\"");
    sel.Open();
    ASSERT_EQ(sel.RecordCount(), 1);
    EXPECT_EQ(sel.FieldByName("Code")->AsInteger(), 12);
    EXPECT_FALSE(sel.CanModify());
    EXPECT_THROW(sel.Edit(), Error);
    // A number too long for its field fails the whole statement; nothing is written.
    EXPECT_THROW(Query::Exec("Insert into " + q("TempTp.dbf") + " Values('a', 1), ('b', 12345678901)"), Error);
    EXPECT_EQ(DbfFile::read(path("TempTp.dbf")).rows.size(), 1);
    EXPECT_THROW(Query::Exec("select * from " + q("Missing.dbf")), Error);
    EXPECT_EQ(OpenQuery("selec * from " + q("TempTp.dbf")), nullptr);
}

TEST_F(DbFiles, WorkingCopyFromTemplateAndInsertSelect)
{
    make("Pattern.dbf", kScraps);
    make("Scraps.dbf", kScraps, {{"Н1", 300, 200, 1, 1, QDate(2024, 3, 5)}});
    copyFileAtomically(path("Pattern.dbf"), path("TempSc.dbf"));
    TableStore::invalidate(path("TempSc.dbf"));
    Query::Exec("Insert into " + q("TempSc.dbf") + "\r\nSelect * from " + q("Scraps.dbf"));
    auto t = table("TempSc.dbf");
    t->Open();
    ASSERT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(t->FieldByName("Name")->AsString(), QString("Н1"));
    EXPECT_EQ(t->FieldByName("Date")->AsDate(), QDate(2024, 3, 5));
    // A date typed as text goes into a D field.
    Query::Exec("Insert into " + q("TempSc.dbf") + " Values('Н2', 1, 1, 1, 1, '06.03.2024')");
    t->Refresh();
    t->Last();
    EXPECT_EQ(t->FieldByName("Date")->AsDate(), QDate(2024, 3, 6));
    // Copying the template over the open table empties it for the cursor too.
    copyFileAtomically(path("Pattern.dbf"), path("TempSc.dbf"));
    TableStore::invalidate(path("TempSc.dbf"));
    EXPECT_EQ(t->RecordCount(), 0);
}

TEST_F(DbFiles, MissingParametersRaise)
{
    make("Types.dbf", kTypes, {{"ДСП", 1}});
    // Positional: one value for two "?".
    EXPECT_THROW(open("select * from " + q("Types.dbf") + " where CODE = ? or CODE = ?", {1}), Error);
    EXPECT_EQ(open("select * from " + q("Types.dbf") + " where CODE = ? or CODE = ?", {1, 2})->RecordCount(), 1);
    // Named.
    EXPECT_THROW(open("select * from " + q("Types.dbf") + " where CODE = :Code"), Error);
}

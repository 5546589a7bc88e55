// The table model over a data set, templates and table copies.
#include "platform/db/copytable.h"
#include "platform/db/datasetmodel.h"
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/db/schema.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/testsupport/scoped.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

// The types table of a folder given the program's empty tables, open.
void openTypes(Table &t, const QTemporaryDir &dir)
{
    writeMissingTemplates(dir.path());
    t.SetDatabaseName(dir.path());
    t.SetTableName("Types.dbf");
    t.Open();
}

} // namespace

TEST(DbSchema, TemplatesAreWrittenOnceAndOpen)
{
    QTemporaryDir dir;
    const QString pattern = dir.filePath("Pattern");
    const QStringList written = writeMissingTemplates(pattern);
    EXPECT_EQ(written.size(), tableSchemas().size());
    EXPECT_TRUE(writeMissingTemplates(pattern).isEmpty());
    for (const TableSchema &s : tableSchemas()) {
        Table t;
        t.SetDatabaseName(pattern + "/");
        t.SetTableName(s.fileName);
        t.Open();
        EXPECT_EQ(t.RecordCount(), 0);
        EXPECT_EQ(t.FieldCount(), s.fields.size());
    }
    const TableSchema *sc = findTableSchema("scraps.DBF");
    ASSERT_NE(sc, nullptr);
    EXPECT_EQ(sc->fields[0].length, 20);
    EXPECT_EQ(findTableSchema("Group.dbf")->fields[0].length, 100);
}

TEST(DbSchema, SheetsTemplateBytes)
{
    DbfFile t;
    t.fields = findTableSchema("Sheets.dbf")->fields;
    const QByteArray golden = QByteArray::fromHex(
        "037c010200000000a10051000000000000000000000000000000000000c90000"
        "4c454e475448000000000046000000001404000000000000000000000000000057494454480000000000004600000000"
        "140400000000000000000000000000004d414e59000000000000004600000000140400000000000000000000000000"
        "00434f4445000000000000004600000000140400000000000000000000000000000d1a");
    EXPECT_EQ(t.serialize(QDate(2024, 1, 2)).toHex(), golden.toHex());
}

TEST(DbCopy, CopyTableKeepsStateAndRespectsOverwrite)
{
    QTemporaryDir dir;
    Table t;
    openTypes(t, dir);
    t.AppendRecord({"ДСП", 1});
    t.Close();
    CopyTable(t, "Copy.dbf", false);
    EXPECT_FALSE(t.Active());
    EXPECT_THROW(CopyTable(t, "Copy.dbf", false), Error);
    CopyTable(t, "Copy.dbf", true);
    Table c;
    c.SetDatabaseName(dir.path());
    c.SetTableName("Copy.dbf");
    c.Open();
    EXPECT_EQ(c.RecordCount(), 1);
    // A template copied over the open copy empties it.
    CopyTableFile(dir.filePath("Materials.dbf"), dir.filePath("Copy.dbf"));
    EXPECT_EQ(c.RecordCount(), 0);
    c.Close();
    RenameTableFile(dir.filePath("Copy.dbf"), dir.filePath("Кухня.dbf"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Copy.dbf")));
    EXPECT_EQ(Query::Exec("Insert into " + Query::QuotePath(dir.filePath("Кухня.dbf")) + " Values('a', 1)"), 1);
    DeleteTableFile(dir.filePath("Кухня.dbf"));
    EXPECT_THROW(Query::Exec("select * from " + Query::QuotePath(dir.filePath("Кухня.dbf"))), Error);
}

TEST(DbModel, FollowsTheDataSet)
{
    QTemporaryDir dir;
    Table t;
    openTypes(t, dir);
    t.AppendRecord({"ДСП", 1});
    t.AppendRecord({"МДФ", 2});
    t.FieldByName("CODE")->SetDisplayLabel("Код");
    DataSetModel m;
    m.SetDataSet(&t);
    EXPECT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.columnCount(), 2);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QString("Код"));
    EXPECT_EQ(m.data(m.index(1, 0)).toString(), QString("МДФ"));
    t.FieldByName("CODE")->SetVisible(false);
    EXPECT_EQ(m.columnCount(), 1);
    QSignalSpy rowSpy(&m, &DataSetModel::currentRowChanged);
    t.First();
    EXPECT_GE(rowSpy.count(), 1);
    EXPECT_EQ(m.currentRow(), 0);
    // Editing through the model moves the cursor and enters edit mode.
    EXPECT_TRUE(m.setData(m.index(1, 0), "ХДФ"));
    EXPECT_EQ(t.State(), DataSetState::Edit);
    EXPECT_EQ(t.RecNo(), 2);
    t.Post();
    EXPECT_EQ(m.data(m.index(1, 0)).toString(), QString("ХДФ"));
    t.Append();
    EXPECT_EQ(m.rowCount(), 3);
    t.Cancel();
    EXPECT_EQ(m.rowCount(), 2);
    t.Close();
    EXPECT_EQ(m.rowCount(), 0);
}

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

TEST(DbCopy, FailedCopyOrRenameLeavesTheOldTableByteIdentical)
{
    QTemporaryDir dir;
    Table t;
    openTypes(t, dir);
    t.AppendRecord({"ДСП", 1});
    t.Close();
    const QString target = dir.filePath("Copy.dbf");
    CopyTableFile(dir.filePath("Materials.dbf"), target);
    const QByteArray old = bytesOf(target);

    // The copy's write fails before its commit.
    {
        const auto failing = test::ScopedHook(&SetWriteFailHook, [&](const QString &path) { return path.endsWith("Copy.dbf"); });
        EXPECT_THROW(CopyTable(t, "Copy.dbf", true), Error);
        EXPECT_EQ(bytesOf(target), old);
    }

    // A rename whose source is gone keeps the target.
    EXPECT_THROW(RenameTableFile(dir.filePath("Gone.dbf"), target), Error);
    EXPECT_EQ(bytesOf(target), old);
    // A rename over an existing table replaces it.
    CopyTableFile(dir.filePath("Types.dbf"), dir.filePath("New.dbf"));
    RenameTableFile(dir.filePath("New.dbf"), target);
    EXPECT_EQ(bytesOf(target), bytesOf(dir.filePath("Types.dbf")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("New.dbf")));
}

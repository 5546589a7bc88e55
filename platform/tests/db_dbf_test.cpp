// dBASE files: the byte layout, every field type, errors.
#include "platform/db/dbffile.h"
#include "platform/db/table.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

// Two records (the second deleted), a C(5) and an L field; the header carries
// a production-index flag and the cp1251 language driver.
QByteArray handMadeTable()
{
    return QByteArray::fromHex(
        "037c0102" "02000000" "6100" "0700" "0000" "00" "00" "000000000000000000000000" "01" "c9" "0000"
        "4e414d450000000000000043" "00000000" "05" "00" "0000000000000000000000000000"
        "4f4b00000000000000000" "04c" "00000000" "01" "00" "0000000000000000000000000000"
        "0d"
        "20" "c4f3e12020" "54"
        "2a" "5859202020" "46"
        "1a");
}

} // namespace

TEST(DbDbf, ReadsHandMadeFile)
{
    const DbfFile t = DbfFile::parse(handMadeTable(), "x.dbf");
    ASSERT_EQ(t.fields.size(), 2);
    EXPECT_EQ(t.fields[0].name, "NAME");
    EXPECT_EQ(t.fields[0].type, 'C');
    EXPECT_EQ(t.fields[0].length, 5);
    EXPECT_EQ(t.fields[1].type, 'L');
    ASSERT_EQ(t.rows.size(), 2);
    EXPECT_FALSE(t.rows[0].deleted);
    EXPECT_EQ(t.rows[0].values[0].toString(), QString("Дуб"));   // trailing blanks gone
    EXPECT_EQ(t.rows[0].values[1].toBool(), true);
    EXPECT_TRUE(t.rows[1].deleted);
    EXPECT_EQ(t.liveCount(), 1);
}

TEST(DbDbf, WritesExactHeaderAndRecords)
{
    DbfFile t = DbfFile::parse(handMadeTable(), "x.dbf");
    const QByteArray out = t.serialize(QDate(2024, 1, 2));
    QByteArray expected = handMadeTable();
    expected[28] = 0;   // we keep no production index
    EXPECT_EQ(out.toHex(), expected.toHex());
    t.pack();
    const QByteArray packed = t.serialize(QDate(2024, 1, 2));
    EXPECT_EQ(packed.size(), 97 + 7 + 1);
    EXPECT_EQ(uchar(packed[4]), 1);
}

TEST(DbDbf, RoundTripsEveryFieldType)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.dbf");
    DbfFile t;
    t.fields = {{"NAME", 'C', 20, 0}, {"QTY", 'N', 6, 0}, {"SQ", 'N', 10, 3}, {"LEN", 'F', 20, 4},
                {"DATE", 'D', 8, 0}, {"OK", 'L', 1, 0}};
    t.rows << DbfRow{false, {QString("Остаток №1 ёЁ"), 42, 11.385, -2750.5, QDate(2024, 3, 5), false}};
    t.rows << DbfRow{false, {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}};
    t.write(path);
    const DbfFile r = DbfFile::read(path);
    ASSERT_EQ(r.rows.size(), 2);
    EXPECT_EQ(r.languageDriver, 0xC9);
    EXPECT_EQ(r.rows[0].values[0].toString(), QString("Остаток №1 ёЁ"));
    EXPECT_EQ(r.rows[0].values[1].toInt(), 42);
    EXPECT_EQ(r.rows[0].values[1].metaType().id(), QMetaType::Int);
    EXPECT_DOUBLE_EQ(r.rows[0].values[2].toDouble(), 11.385);
    EXPECT_DOUBLE_EQ(r.rows[0].values[3].toDouble(), -2750.5);
    EXPECT_EQ(r.rows[0].values[4].toDate(), QDate(2024, 3, 5));
    EXPECT_EQ(r.rows[0].values[5].toBool(), false);
    for (const QVariant &v : r.rows[1].values) EXPECT_TRUE(v.isNull());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(uchar(bytes[29]), 0xC9);
    EXPECT_EQ(uchar(bytes.at(32 + 32 * 6)), 0x0D);
    EXPECT_EQ(uchar(bytes.back()), 0x1A);
    EXPECT_TRUE(bytes.contains("20240305"));
    EXPECT_TRUE(bytes.contains("    11.385"));
}

TEST(DbDbf, NumberThatDoesNotFitIsRefused)
{
    const DbfField n{"QTY", 'N', 4, 0};
    const DbfField d{"SQ", 'N', 6, 2};
    EXPECT_EQ(DbfFile::encodeValue(n, 9999), QByteArray("9999"));
    EXPECT_EQ(DbfFile::encodeValue(n, -999), QByteArray("-999"));
    EXPECT_THROW(DbfFile::encodeValue(n, 10000), Error);
    EXPECT_THROW(DbfFile::encodeValue(n, -1000), Error);
    EXPECT_EQ(DbfFile::encodeValue(d, 123.456), QByteArray("123.46"));
    EXPECT_THROW(DbfFile::encodeValue(d, 1234.5), Error);
}

// A whole number is written as the same number held as a double would be:
// padding, decimals, sign, and the refusal when it does not fit.
TEST(DbDbf, WholeNumbersWriteAsTheirDoubles)
{
    const DbfField fields[] = {{"A", 'N', 4, 0}, {"B", 'N', 6, 2}, {"C", 'N', 10, 0}, {"D", 'F', 12, 3},
                               {"E", 'N', 1, 0}, {"F", 'N', 20, 18}};
    const int values[] = {0, 1, -1, 9, 10, 99, -99, 999, 9999, -999, 10000, 123456, -2147483647 - 1, 2147483647};
    for (const DbfField &f : fields)
        for (int v : values) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(f.name).arg(v).toStdString());
            QByteArray asDouble, asInt;
            bool doubleFits = true, intFits = true;
            try { asDouble = DbfFile::encodeValue(f, double(v)); } catch (const Error &) { doubleFits = false; }
            try { asInt = DbfFile::encodeValue(f, v); } catch (const Error &) { intFits = false; }
            EXPECT_EQ(intFits, doubleFits);
            EXPECT_EQ(asInt, asDouble);
        }
}

TEST(DbDbf, BrokenFilesGiveAClearError)
{
    QByteArray truncatedHeader = handMadeTable().left(20);
    EXPECT_THROW(DbfFile::parse(truncatedHeader, "x.dbf"), Error);
    QByteArray wrongLength = handMadeTable();
    wrongLength[10] = 9;   // record length disagrees with the fields
    EXPECT_THROW(DbfFile::parse(wrongLength, "x.dbf"), Error);
    try {
        DbfFile::read("/nonexistent/dir/Sheets.dbf");
        FAIL();
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().contains("Sheets.dbf"));
    }
    // A file cut inside its records keeps the whole records before the cut.
    QByteArray cut = handMadeTable();
    cut.chop(5);
    EXPECT_EQ(DbfFile::parse(cut, "x.dbf").rows.size(), 1);
}

// Numbers written by other programs with more decimals than their column
// declares: the table shows them as it would write them, and a record (or a
// field) nobody changed is written back byte for byte.
TEST(DbDbf, ForeignNumbersShowAsWrittenAndUntouchedRowsStay)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("foreign.dbf");
    DbfFile t;
    t.fields = {{"NAME", 'C', 6, 0}, {"QTY", 'F', 20, 0}, {"PRICE", 'N', 4, 0}, {"SUM", 'N', 8, 2}};
    t.rows << DbfRow{false, {QString("Дуб"), 1.0, 9, 1.5}} << DbfRow{false, {QString("Бук"), 2.0, 3, 2.5}};
    QByteArray bytes = t.serialize(QDate(2024, 1, 2));
    // Another writer's texts: record 0 at 161 (header 32 + 4 x 32 + 1), 39 bytes each.
    const int rec0 = 32 + 4 * 32 + 1, recLen = 1 + 6 + 20 + 4 + 8;
    auto patch = [&](int record, int offset, const char *text) {
        const QByteArray b(text);
        bytes.replace(rec0 + record * recLen + offset, b.size(), b);
    };
    patch(0, 7, "                1.25");   // QTY of record 0
    patch(1, 27, "9.95");                  // PRICE of record 1
    patch(1, 31, "  12.345");              // SUM of record 1
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    DbfFile read = DbfFile::read(path);
    EXPECT_DOUBLE_EQ(read.rows[0].values[1].toDouble(), 1);
    EXPECT_EQ(read.rows[1].values[2], QVariant(10));
    EXPECT_DOUBLE_EQ(read.rows[1].values[3].toDouble(), 12.35);
    // What is shown is what a write of it reads back as.
    for (const DbfRow &r : read.rows)
        for (int i = 0; i < read.fields.size(); ++i)
            EXPECT_EQ(DbfFile::decodeValue(read.fields[i], DbfFile::encodeValue(read.fields[i], r.values[i])),
                      r.values[i]);
    // Record 0 gets a new name: record 1 and record 0's numbers stay as the other writer left them.
    read.rows[0].values[0] = QString("Ясень");
    const QByteArray out = read.serialize(QDate(2024, 1, 2));
    EXPECT_EQ(out.mid(rec0 + recLen, recLen), bytes.mid(rec0 + recLen, recLen));
    EXPECT_EQ(out.mid(rec0 + 7, 20), QByteArray("                1.25"));
    // A changed number is written in the column's own form.
    read.rows[1].values[3] = 7.0;
    EXPECT_EQ(read.serialize(QDate(2024, 1, 2)).mid(rec0 + recLen + 31, 8), QByteArray("    7.00"));

    // The same through the shared table image that every cursor edits.
    {
        auto store = TableStore::get(path);
        QVariantList v = store->valuesAt(0);
        v[0] = QString("Ясень");
        store->update(0, v);
    }
    TableStore::clearRegistry();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    EXPECT_EQ(written.mid(rec0 + recLen, recLen), bytes.mid(rec0 + recLen, recLen));
    EXPECT_EQ(written.mid(rec0 + 7, 20), QByteArray("                1.25"));
}

// A number another program wrote wider than its column's own form holds
// ("66666666" in N(8,1): the form "66666666.0" takes ten characters) is
// shown, and posting its record, unchanged or with another field edited,
// keeps it; only a new value of that field has to fit.
TEST(DbDbf, ANumberWiderThanItsColumnDoesNotBlockItsRecord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.dbf");
    DbfFile t;
    t.fields = {{"NAME", 'C', 6, 0}, {"SUM", 'N', 8, 1}};
    t.rows << DbfRow{false, {QString("Дуб"), 1.5}} << DbfRow{false, {QString("Бук"), 2.5}};
    QByteArray bytes = t.serialize(QDate(2024, 1, 2));
    const int rec0 = 32 + 2 * 32 + 1, recLen = 1 + 6 + 8;
    bytes.replace(rec0 + 7, 8, "66666666");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    auto fileBytes = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    {
        auto store = TableStore::get(path);
        const QVariantList shown = store->valuesAt(0);
        EXPECT_DOUBLE_EQ(shown[1].toDouble(), 66666666.0);
        EXPECT_NO_THROW(store->update(0, shown));
        QVariantList v = shown;
        v[0] = QString("Ясень");
        EXPECT_NO_THROW(store->update(0, v));
        EXPECT_EQ(fileBytes().mid(rec0 + 7, 8), QByteArray("66666666"));
        EXPECT_EQ(fileBytes().mid(rec0 + recLen, recLen), bytes.mid(rec0 + recLen, recLen));
        // A new value of the field itself is still checked against the column.
        v[1] = 77777777.0;
        EXPECT_THROW(store->update(0, v), Error);
        EXPECT_EQ(store->valuesAt(0)[0], QVariant(QString("Ясень")));
    }
    // With cached updates the edit is checked when it is posted to the cache.
    TableStore::clearRegistry();
    Table table;
    table.SetTableName(path);
    table.SetCachedUpdates(true);
    table.Open();
    table.Edit();
    table.FieldByName("NAME")->SetValue(QString("Клён"));
    EXPECT_NO_THROW(table.Post());
    EXPECT_NO_THROW(table.ApplyUpdates());
    table.Close();
    TableStore::clearRegistry();
    const DbfFile back = DbfFile::read(path);
    EXPECT_EQ(back.rows[0].values[0], QVariant(QString("Клён")));
    EXPECT_EQ(back.rows[0].raw.mid(6, 8), QByteArray("66666666"));
}

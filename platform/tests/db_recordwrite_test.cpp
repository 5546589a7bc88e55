// An edit of one record writes that record where it lies when the file is
// the store's own layout: the file ends as a whole rewrite would leave it,
// and a write cut short harms no other record nor the header.
#include "platform/clock.h"
#include "platform/db/dbffile.h"
#include "platform/db/table.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QFile>
#include <functional>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kv;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint64 inodeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

DbfFile sample(int rows)
{
    DbfFile t;
    t.fields = {{"NAME", 'C', 12, 0}, {"MANY", 'N', 10, 2}, {"DAY", 'D', 8, 0}};
    for (int i = 0; i < rows; ++i)
        t.rows << DbfRow{false, {QStringLiteral("Лист %1").arg(i), i * 1.5, QDate(2024, 1, 1).addDays(i)}};
    return t;
}

const QVariantList kEdited = {QStringLiteral("Правка"), 7.25, QDate(2025, 5, 6)};

// The file a whole rewrite gives after `row` (of the live rows) took kEdited.
QByteArray rewritten(const QString &path, int row)
{
    DbfFile f = DbfFile::read(path);
    QList<DbfRow> live, dead;
    for (const DbfRow &r : f.rows) (r.deleted ? dead : live) << r;
    live[row].values = kEdited;
    f.rows = live + dead;
    f.languageDriver = 0xC9;
    return f.serialize();
}

void editRow(const QString &path, int row)
{
    Table t;
    t.SetTableName(path);
    t.Open();
    t.SetRecNo(row + 1);
    t.Edit();
    for (int i = 0; i < 3; ++i) t.Fields(i)->SetValue(kEdited[i]);
    t.Post();
}

struct Hooks
{
    WriteFailHook fail = SetWriteFailHook(nullptr);
    WriteCutHook cut = SetWriteCutHook(nullptr);
    ~Hooks()
    {
        SetWriteFailHook(fail);
        SetWriteCutHook(cut);
    }
};

} // namespace

TEST(DbRecordWrite, AnEditLeavesWhatAWholeRewriteWould)
{
    // "Today" holds still between writing a header and editing in place.
    const kv::FixedClock lastSecond(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)));
    enum Kind { Own, DeletedFirst, OldDate, OtherDriver };
    struct Case { const char *what; Kind kind; bool inPlace; };
    const Case cases[] = {
        {"file of our own layout, written today", Own, true},
        {"a deleted record before the live ones", DeletedFirst, false},
        {"a header of an earlier day", OldDate, false},
        {"another language driver", OtherDriver, false},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dbf"));
        DbfFile f = sample(30);
        if (c.kind == DeletedFirst) f.rows[0].deleted = true;
        if (c.kind == OtherDriver) f.languageDriver = 0x57;
        writeFileAtomically(path, f.serialize(c.kind == OldDate ? QDate(2020, 2, 3) : kv::Today()));
        TableStore::clearRegistry();

        const QByteArray expected = rewritten(path, 4);
        const quint64 inode = inodeOf(path);
        editRow(path, 4);
        EXPECT_EQ(bytesOf(path), expected) << c.what;
        EXPECT_EQ(inodeOf(path) == inode, c.inPlace) << c.what;

        // Once the store wrote the file whole, further edits go in place.
        const QByteArray second = rewritten(path, 9);
        const quint64 now = inodeOf(path);
        editRow(path, 9);
        EXPECT_EQ(bytesOf(path), second) << c.what;
        EXPECT_EQ(inodeOf(path), now) << c.what;
        TableStore::clearRegistry();
    }
}

TEST(DbRecordWrite, AWriteCutShortHarmsNoOtherRecordNorTheHeader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.dbf"));
    const DbfFile f = sample(20);
    f.write(path);
    TableStore::clearRegistry();
    const QByteArray before = bytesOf(path);
    const int recLen = f.recordLength();
    const qint64 at = f.headerLength() + 6 * recLen;
    {
        Hooks hooks;
        // Five bytes reach the file, then the program dies: nothing more is written.
        SetWriteCutHook([](const QString &) {
            SetWriteFailHook([](const QString &) { return true; });
            return qint64(5);
        });
        EXPECT_THROW(editRow(path, 6), Error);
    }
    const QByteArray after = bytesOf(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.left(at), before.left(at));
    EXPECT_EQ(after.mid(at + 5), before.mid(at + 5));
    DbfFile edited = f;
    edited.rows[6].values = kEdited;
    EXPECT_EQ(after.mid(at, 5), edited.encodeRecord(edited.rows[6]).left(5));   // the part that was written
    // Read afresh, every other record is as it was.
    TableStore::clearRegistry();
    const DbfFile back = DbfFile::read(path);
    ASSERT_EQ(back.rows.size(), 20);
    for (int i = 0; i < 20; ++i) {
        if (i == 6) continue;
        EXPECT_EQ(back.rows[i].values, f.rows[i].values) << i;
    }
    TableStore::clearRegistry();
}

TEST(DbRecordWrite, AChangeWhoseWriteFailsIsGivenBack)
{
    // Row 1 was deleted before, so packing has something to drop.
    struct Case { const char *what; std::function<void(TableStore &)> change; };
    const Case cases[] = {
        {"append", [](TableStore &s) { s.append(kEdited); }},
        {"update", [](TableStore &s) { s.update(2, kEdited); }},
        {"remove", [](TableStore &s) { s.remove(2); }},
        {"pack", [](TableStore &s) { s.pack(); }},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dbf"));
        sample(5).write(path);
        TableStore::clearRegistry();
        std::shared_ptr<TableStore> s = TableStore::get(path);
        s->remove(1);
        const QByteArray before = bytesOf(path);
        QList<QVariantList> rows;
        for (int i = 0; i < s->count(); ++i) rows << s->valuesAt(i);
        {
            Hooks hooks;
            SetWriteFailHook([](const QString &) { return true; });
            EXPECT_THROW(c.change(*s), Error) << c.what;
        }
        EXPECT_EQ(bytesOf(path), before) << c.what;
        QList<QVariantList> after;
        for (int i = 0; i < s->count(); ++i) after << s->valuesAt(i);
        EXPECT_EQ(after, rows) << c.what;
        // The next write holds the rows as they were, the deleted one too.
        s->append(kEdited);
        const DbfFile back = DbfFile::read(path);
        ASSERT_EQ(back.rows.size(), 6) << c.what;
        EXPECT_EQ(back.liveCount(), 5) << c.what;
        TableStore::clearRegistry();
    }
}

TEST(DbRecordWrite, AFailedWriteIsPutRightAndTheEditRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.dbf"));
    sample(10).write(path);
    TableStore::clearRegistry();
    const QByteArray before = bytesOf(path);
    {
        Hooks hooks;
        SetWriteCutHook([](const QString &) { return qint64(3); });   // the write fails after three bytes
        EXPECT_THROW(editRow(path, 2), Error);
    }
    // The file is written whole again with the old values.
    EXPECT_EQ(bytesOf(path), before);
    std::shared_ptr<TableStore> s = TableStore::get(path);
    EXPECT_EQ(s->valuesAt(2).value(0).toString(), QStringLiteral("Лист 2"));
    TableStore::clearRegistry();
}

namespace {

// Fields in the forms other writers leave them: signs, spare decimals,
// rubbish, zero bytes, bad dates.
const QList<DbfField> kOddFields = {{"I", 'N', 10, 0}, {"M", 'N', 10, 2}, {"F", 'F', 20, 4}, {"D", 'D', 8, 0},
                                    {"C", 'C', 6, 0}};

// A file of such records; `deleted` (when >= 0) is marked deleted.
QByteArray oddRecords(int deleted = -1)
{
    struct Case { const char *i, *m, *f, *d, *c; };
    const Case cases[] = {
        {"        12", "      1.25", "                2750", "20240131", "Дуб   "},
        {"        -0", "     1.255", "12345678901234567890", "20240230", "\0"},
        {"        +5", "       -.5", "               1e3  ", "2024 101", "      "},
        {"      3.50", "         .", "         -0.00001  ", "00000101", "x     "},
        {"         -", "       1-2", "           0.10    ", "        ", "      "},
        {"2147483648", "  99999.99", "     -123456789.1234", "19991231", "Я     "},
        {"    ******", "     12,50", "         0.00000001 ", "abcdefgh", "  end "},
    };
    DbfFile t;
    t.fields = kOddFields;
    QByteArray bytes = t.serialize(QDate(2024, 1, 2));
    bytes.chop(1);
    int r = 0;
    for (const Case &c : cases) {
        bytes += r++ == deleted ? '*' : ' ';
        const char *texts[] = {c.i, c.m, c.f, c.d};
        for (int i = 0; i < 4; ++i) bytes += QByteArray(texts[i]).leftJustified(kOddFields[i].length, ' ', true);
        // A text ended by zero bytes, as some writers leave it, or cp1251 text.
        bytes += c.c[0] == '\0' ? QByteArray("ab\0\0  ", 6) : kv::toCp1251(QString::fromUtf8(c.c)).leftJustified(6, ' ', true);
    }
    bytes += char(0x1A);
    bytes[4] = char(std::size(cases));
    return bytes;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(DbRecordWrite, ReadingAFileGivesWhatDecodingEachFieldGives)
{
    // Records are decoded from the file's bytes in place; every field must
    // read exactly as decodeValue reads its bytes.
    const QByteArray bytes = oddRecords();
    const DbfFile read = DbfFile::parse(bytes, QStringLiteral("t.dbf"));
    const int n = 7;
    ASSERT_EQ(read.rows.size(), n);
    const int headerLen = read.headerLength(), recordLen = read.recordLength();
    for (int r = 0; r < n; ++r) {
        int off = headerLen + r * recordLen + 1;
        for (int i = 0; i < kOddFields.size(); ++i) {
            const QByteArray field = bytes.mid(off, kOddFields[i].length);
            const QVariant expected = DbfFile::decodeValue(kOddFields[i], field);
            EXPECT_EQ(read.rows[r].values[i], expected) << r << " " << field.toStdString();
            EXPECT_EQ(read.rows[r].values[i].typeId(), expected.typeId()) << r << " " << field.toStdString();
            off += kOddFields[i].length;
        }
    }
}

TEST(DbRecordWrite, RowsNotYetDecodedAreWrittenAsADecodedRowWouldBe)
{
    // The store decodes a row when it is first asked for. Whatever it then
    // writes must be what it wrote when it decoded every row on reading:
    // rows nobody asked for keep their bytes, as decoded unchanged rows do.
    enum Op { Append, RemoveUntouched, UpdateUntouched, RolledBackThenAppend, RefreshedThenAppend };
    struct Case { const char *what; Op op; int deleted; int touched; };
    const Case cases[] = {
        {"append, nothing decoded", Append, -1, -1},
        {"append, one row decoded", Append, 3, 1},
        {"remove of a row never decoded", RemoveUntouched, 2, 0},
        {"update of a row never decoded", UpdateUntouched, 4, 5},
        {"a batch rolled back, then an append", RolledBackThenAppend, 1, -1},
        {"the file read again, then an append", RefreshedThenAppend, 6, 2},
    };
    const QVariantList added = {5, 1.5, 2.25, QDate(2025, 5, 6), QStringLiteral("Ель")};
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dbf"));
        writeBytes(path, oddRecords(c.deleted));
        TableStore::clearRegistry();
        std::shared_ptr<TableStore> s = TableStore::get(path);
        ASSERT_EQ(s->count(), c.deleted >= 0 ? 6 : 7) << c.what;
        if (c.touched >= 0) (void)s->valuesAt(c.touched);

        // What the rows of an eager read give under the same change.
        DbfFile eager = DbfFile::read(path);
        QList<DbfRow> live, dead;
        for (const DbfRow &r : eager.rows) (r.deleted ? dead : live) << r;
        const QVariantList normal = s->normalize(added);
        switch (c.op) {
        case RefreshedThenAppend: {
            const QByteArray again = oddRecords(c.deleted);
            writeBytes(path + QStringLiteral(".new"), again);
            QFile::remove(path);
            QFile::rename(path + QStringLiteral(".new"), path);
            ASSERT_TRUE(s->refreshFromDisk()) << c.what;
            [[fallthrough]];
        }
        case Append:
            s->append(added);
            live << DbfRow{false, normal};
            break;
        case RemoveUntouched:
            s->remove(0);
            dead << DbfRow{true, live[0].values, live[0].raw};
            live.removeFirst();
            break;
        case UpdateUntouched:
            s->update(0, added);
            live[0].values = normal;
            break;
        case RolledBackThenAppend:
            s->beginBatch();
            s->remove(3);
            s->update(0, added);
            s->rollbackBatch();
            s->append(added);
            live << DbfRow{false, normal};
            break;
        }
        eager.rows = live + dead;
        eager.languageDriver = 0xC9;
        EXPECT_EQ(bytesOf(path), eager.serialize()) << c.what;
        // And the rows read back are the rows the store holds.
        ASSERT_EQ(s->count(), live.size()) << c.what;
        for (int i = 0; i < s->count(); ++i) EXPECT_EQ(s->valuesAt(i), live[i].values) << c.what << " row " << i;
        TableStore::clearRegistry();
    }
}

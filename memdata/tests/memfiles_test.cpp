#include "memdata/tests/memtest.h"

#include "platform/error.h"
#include "platform/text.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kv;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class DisabledCounter : public DataLink
{
public:
    int changed = 0;
    void DataSetChanged() override { ++changed; }
};

} // namespace

TEST(MemDataText, SaveWritesHeaderAndOneLinePerVisibleRecord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("names.txt"));
    TMemData md;
    makeCodeName(md);
    addRow(md, 7, QStringLiteral("Шкаф"));
    addRow(md, 12, QVariant());
    md.SetRecNo(2);
    md.SaveToTextFile(path);
    EXPECT_EQ(readFile(path), toCp1251(QStringLiteral("Code\tName\r\n7\tШкаф\r\n12\t\r\n")));
    EXPECT_EQ(md.RecNo(), 2);    // back where it was

    // Through the filter and in sorted order.
    md.SetSortedField(QStringLiteral("Code"));
    md.SetSortOptions(soDesc);
    md.OnFilterRecord = [](DataSet &ds, bool &accept) { accept = ds.FieldByName(QStringLiteral("Code"))->AsInteger() > 5; };
    md.SetFiltered(true);
    addRow(md, 3, QStringLiteral("hidden"));
    md.SaveToTextFile(path);
    EXPECT_EQ(readFile(path), toCp1251(QStringLiteral("Code\tName\r\n12\t\r\n7\tШкаф\r\n")));
}

TEST(MemDataText, LoadSkipsUnknownColumnsAndNumbersTheRecords)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.txt"));
    writeFile(path, toCp1251(QStringLiteral("Code\tColour\tName\r\n1\tred\tФасад\r\n7\t\r\n\t\tКромка\t\textra\r\n")));
    TMemData md;
    makeCodeName(md);
    addRow(md, 100, QStringLiteral("old"));
    md.LoadFromTextFile(path);
    EXPECT_EQ(md.State(), DataSetState::Browse);
    EXPECT_EQ(column(md, QStringLiteral("RecId")), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "7", "<null>"}));
    EXPECT_EQ(column(md, QStringLiteral("Name")), (QStringList{"Фасад", "<null>", "Кромка"}));
    EXPECT_EQ(md.RecNo(), 1);
}

TEST(MemDataText, SaveAndLoadRoundTripOfEveryKindOfValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("all.txt"));
    auto make = [](TMemData &md) {
        md.AddField(QStringLiteral("I"), FieldType::Integer);
        md.AddField(QStringLiteral("S"), FieldType::String, 30);
        md.AddField(QStringLiteral("F"), FieldType::Float);
        md.AddField(QStringLiteral("B"), FieldType::Boolean);
        md.AddField(QStringLiteral("D"), FieldType::Date);
        md.AddField(QStringLiteral("T"), FieldType::Time);
        md.AddField(QStringLiteral("DT"), FieldType::DateTime);
        md.AddField(QStringLiteral("L"), FieldType::LargeInt);
        md.AddField(QStringLiteral("M"), FieldType::Memo);      // blobs are not written
        md.Open();
    };
    TMemData a;
    make(a);
    a.AppendRecord({QVariant(), -5, QStringLiteral("ДСП 16 мм"), 0.1, true, QDate(2024, 2, 29),
                    QTime(23, 59, 58), QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)),
                    qint64(9000000000LL), QStringLiteral("memo")});
    a.AppendRecord({QVariant(), QVariant(), QVariant(), QVariant(), false});
    a.SaveToTextFile(path);
    TMemData b;
    make(b);
    b.LoadFromTextFile(path);
    ASSERT_EQ(b.RecordCount(), 2);
    for (const char *f : {"I", "S", "F", "B", "D", "T", "DT", "L"})
        EXPECT_EQ(column(b, QString::fromLatin1(f)), column(a, QString::fromLatin1(f))) << f;
    EXPECT_EQ(column(b, QStringLiteral("M")), (QStringList{"<null>", "<null>"}));
}

TEST(MemDataText, EmptyFileChangesNothingAndAMissingFileIsReported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.txt"));
    writeFile(path, QByteArray());
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("a"));
    md.LoadFromTextFile(path);
    EXPECT_EQ(md.RecordCount(), 1);
    EXPECT_THROW(md.LoadFromTextFile(dir.filePath(QStringLiteral("none.txt"))), Error);
    EXPECT_EQ(md.RecordCount(), 1);
}

TEST(MemDataText, ConversionFailureLeavesBrowseStateAndEnabledControls)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.txt"));
    writeFile(path, QByteArray("Code\tName\r\n3\tc\r\n1\ta\r\nx1\tbad\r\n2\tb\r\n"));
    TMemData md;
    makeCodeName(md);
    md.SetSortedField(QStringLiteral("Code"));
    int posts = 0;
    md.AfterPost = [&](DataSet &) { ++posts; };
    EXPECT_THROW(md.LoadFromTextFile(path), Error);
    EXPECT_EQ(md.State(), DataSetState::Browse);
    EXPECT_FALSE(md.ControlsDisabled());
    EXPECT_FALSE(md.Loading());
    EXPECT_EQ(posts, 0);                 // events held back while loading
    // What was read stays, in sorted order, and the table works on.
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "3"}));
    addRow(md, 2, QStringLiteral("b"));
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(posts, 1);
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 3));
}

TEST(MemDataText, ValueWithTabOrLineBreakIsRefusedAndNoFileIsWritten)
{
    QTemporaryDir dir;
    for (const QString &bad : {QStringLiteral("a\tb"), QStringLiteral("a\r\nb"), QStringLiteral("line\n")}) {
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        QFile::remove(path);
        TMemData md;
        makeCodeName(md);
        addRow(md, 1, QStringLiteral("fine"));
        addRow(md, 2, bad);
        md.First();
        try {
            md.SaveToTextFile(path);
            ADD_FAILURE() << "saved";
        } catch (const Error &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("'Name'"))) << e.message().toStdString();
        }
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(md.RecNo(), 1);
        EXPECT_FALSE(md.ControlsDisabled());
    }
}

TEST(MemDataText, ReadOnlyTableStillLoads)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ro.txt"));
    writeFile(path, QByteArray("Code\r\n4\r\n"));
    TMemData md;
    makeCodeName(md);
    md.SetReadOnly(true);
    md.LoadFromTextFile(path);
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"4"}));
    EXPECT_TRUE(md.ReadOnly());
}

// ---------------------------------------------------------------- stored data

TEST(MemDataStream, RoundTripThroughTheTable)
{
    TMemData a;
    a.AddField(QStringLiteral("Code"), FieldType::Integer);
    a.AddMemField(QStringLiteral("Name"), MemFieldType::WideString, 10);
    a.AddMemField(QStringLiteral("Price"), MemFieldType::BCD);
    a.AddField(QStringLiteral("Note"), FieldType::Memo);
    a.AddField(QStringLiteral("Pic"), FieldType::Blob);
    a.Open();
    a.AppendRecord({QVariant(), 5, QStringLiteral("Ωmega"), 1.25, QStringLiteral("заметка"), QByteArray("\x01\x02", 2)});
    a.AppendRecord({QVariant(), 6});
    const QByteArray bytes = a.SaveToStream();

    TMemData b;
    b.AddField(QStringLiteral("Code"), FieldType::Integer);
    b.AddMemField(QStringLiteral("Name"), MemFieldType::WideString, 10);
    b.AddMemField(QStringLiteral("Price"), MemFieldType::BCD);
    b.AddField(QStringLiteral("Note"), FieldType::Memo);
    b.AddField(QStringLiteral("Pic"), FieldType::Blob);
    b.Open();
    b.LoadFromStream(bytes);
    for (const char *f : {"RecId", "Code", "Name", "Price", "Note"})
        EXPECT_EQ(column(b, QString::fromLatin1(f)), column(a, QString::fromLatin1(f))) << f;
    b.First();
    EXPECT_EQ(b.FieldByName(QStringLiteral("Pic"))->Value().toByteArray(), QByteArray("\x01\x02", 2));
    EXPECT_EQ(b.SaveToStream(), bytes);
}

TEST(MemDataStream, BrokenStreamKeepsTheRecords)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("keep"));
    const QByteArray good = md.SaveToStream();
    try {
        md.LoadFromStream(good.left(good.size() - 2));
        ADD_FAILURE() << "accepted";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("The data is incorrect"));
    }
    EXPECT_TRUE(md.Active());
    EXPECT_EQ(column(md, QStringLiteral("Name")), (QStringList{"keep"}));
    EXPECT_FALSE(md.Loading());
}

// Little-endian numbers of a stream written by hand.
static void put32(QByteArray &b, qint32 v) { b.append(reinterpret_cast<const char *>(&v), 4); }
static void put16(QByteArray &b, quint16 v) { b.append(reinterpret_cast<const char *>(&v), 2); }

// A descriptor of width 0 without a presence byte (no "Ver") takes no bytes
// of a record: a stream of only such descriptors and data after them is
// refused instead of reading empty records for ever; the table keeps its
// rows. Beside a field that takes bytes, or with presence bytes, it reads.
TEST(MemDataStream, DescriptorsOfWidthZeroDoNotHangTheLoad)
{
    auto stream = [](bool version, const QList<std::pair<quint16, QByteArray>> &descs, const QByteArray &data) {
        QByteArray b;
        if (version) {
            const double one = 1.0;
            b.append("Ver");
            b.append(reinterpret_cast<const char *>(&one), 8);
        }
        put32(b, qint32(descs.size()));
        for (const auto &[code, name] : descs) {
            put32(b, code == 3 ? 4 : 0);
            put16(b, code);
            put16(b, quint16(name.size()));
            b.append(name);
        }
        return b + data;
    };
    const QByteArray refused[] = {
        stream(false, {{99, "Code"}}, QByteArray("\x01", 1)),
        stream(false, {{0, "Old"}, {77, "Name"}}, QByteArray(64, 'x')),
    };
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("keep"));
    for (const QByteArray &b : refused) {
        try {
            md.LoadFromStream(b);
            ADD_FAILURE() << "accepted " << b.toHex().toStdString();
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), QStringLiteral("The data is incorrect"));
        }
        EXPECT_EQ(column(md, QStringLiteral("Name")), (QStringList{"keep"}));
        EXPECT_FALSE(md.Loading());
    }
    // Header only: no records to read.
    md.LoadFromStream(stream(false, {{99, "Old"}}, {}));
    EXPECT_EQ(md.RecordCount(), 0);
    // Beside an integer field: four bytes a record.
    md.LoadFromStream(stream(false, {{99, "Old"}, {3, "Code"}}, QByteArray("\x05\0\0\0\x06\0\0\0", 8)));
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"5", "6"}));
    // With "Ver" each value has its presence byte.
    md.LoadFromStream(stream(true, {{99, "Old"}}, QByteArray("\0\0\0", 3)));
    EXPECT_EQ(md.RecordCount(), 3);
}

TEST(MemDataStream, PersistentDataIsReadEachTimeTheTableOpens)
{
    TMemData source;
    makeCodeName(source);
    addRow(source, 2, QStringLiteral("b"));
    addRow(source, 1, QStringLiteral("a"));

    TMemData md;
    makeCodeName(md, false);
    md.SetSortedField(QStringLiteral("Code"));
    md.Persistent().SetData(source.SaveToStream());
    int opens = 0;
    md.AfterOpen = [&](DataSet &ds) { opens += ds.RecordCount(); };
    md.Open();
    EXPECT_EQ(opens, 2);                         // loaded before AfterOpen
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "2"}));
    EXPECT_EQ(column(md, QStringLiteral("RecId")), (QStringList{"2", "1"}));
    addRow(md, 3, QStringLiteral("c"));
    EXPECT_EQ(column(md, QStringLiteral("RecId")), (QStringList{"2", "1", "3"}));
    md.Close();
    md.Open();
    EXPECT_EQ(md.RecordCount(), 2);

    // poLoad: once, when the owner says it is set up; poNone: never.
    TMemData later;
    makeCodeName(later, false);
    later.Persistent().Assign(md.Persistent());
    later.Persistent().SetOption(poLoad);
    later.Open();
    EXPECT_EQ(later.RecordCount(), 0);
    later.Loaded();
    EXPECT_EQ(later.RecordCount(), 2);
    later.Persistent().SetOption(poNone);
    later.Close();
    later.Open();
    EXPECT_EQ(later.RecordCount(), 0);
}

TEST(MemDataStream, ForeignStreamWithoutVersionAndWithOtherFields)
{
    // Written by hand: no "Ver", fields Name (string of 10) and Old (integer).
    QByteArray b;
    put32(b, 2);
    put32(b, 11); put16(b, 1); put16(b, 4); b.append("Name");
    put32(b, 4); put16(b, 3); put16(b, 3); b.append("Old");
    put32(b, 5); b.append("Plit", 5); put32(b, 1);
    put32(b, 0); put32(b, 2);
    TMemData md;
    makeCodeName(md);
    md.LoadFromStream(b);
    EXPECT_EQ(column(md, QStringLiteral("Name")), (QStringList{"Plit", "<null>"}));
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"<null>", "<null>"}));
    EXPECT_EQ(column(md, QStringLiteral("RecId")), (QStringList{"1", "2"}));
}

// A memo stored where the table has a string field: the text ends at its
// first NUL and an empty one is no value, as a string of the stream reads,
// so the table written and read back holds the same rows.
TEST(MemDataStream, TextOfAnotherTypeReadsAsTheStringFieldWritesIt)
{
    QByteArray b;
    put32(b, 1);
    put32(b, 0); put16(b, 14); put16(b, 4); b.append("Name");
    for (const QByteArray &memo : {QByteArray("\0", 1), QByteArray("ab\0cd", 5), QByteArray("xy")}) {
        put32(b, qint32(memo.size()));
        b.append(memo);
    }
    TMemData md;
    makeCodeName(md);
    md.LoadFromStream(b);
    const QStringList expected{"<null>", "ab", "xy"};
    EXPECT_EQ(column(md, QStringLiteral("Name")), expected);
    TMemData back;
    makeCodeName(back);
    back.LoadFromStream(md.SaveToStream());
    EXPECT_EQ(column(back, QStringLiteral("Name")), expected);
}

// ---------------------------------------------------------------- blob streams

TEST(MemBlobStream, ReadsFromThePositionInBrowseState)
{
    TMemData md;
    md.AddField(QStringLiteral("Note"), FieldType::Memo);
    md.Open();
    md.AppendRecord({QVariant(), QStringLiteral("Кромка ПВХ")});
    auto s = md.CreateBlobStream(md.FieldByName(QStringLiteral("Note")), QIODevice::ReadOnly);
    ASSERT_TRUE(s->isOpen());
    EXPECT_EQ(s->size(), 10);
    EXPECT_EQ(s->Seek(7, 0), 7);
    EXPECT_EQ(fromCp1251(s->readAll()), QStringLiteral("ПВХ"));
    EXPECT_EQ(s->Seek(-3, 2), 7);
    EXPECT_EQ(s->Seek(-1, 1), 6);
    EXPECT_EQ(s->read(100).size(), 4);
    EXPECT_EQ(s->read(5).size(), 0);
}

TEST(MemBlobStream, WritesInEditStateAndPosts)
{
    TMemData md;
    md.AddField(QStringLiteral("Pic"), FieldType::Blob);
    md.Open();
    md.AppendRecord({QVariant(), QByteArray("abcdef")});
    md.Edit();
    {
        auto s = md.CreateBlobStream(md.FieldByName(QStringLiteral("Pic")), QIODevice::ReadWrite);
        s->Seek(4, 0);
        EXPECT_EQ(s->write("XYZ"), 3);
        EXPECT_TRUE(s->Modified());
        EXPECT_EQ(s->size(), 7);
    }
    md.Post();
    EXPECT_EQ(md.FieldByName(QStringLiteral("Pic"))->Value().toByteArray(), QByteArray("abcdXYZ"));
    md.Edit();
    {
        // Write mode empties the value at once.
        auto s = md.CreateBlobStream(md.FieldByName(QStringLiteral("Pic")), QIODevice::WriteOnly);
        EXPECT_EQ(s->size(), 0);
        s->write("1");
    }
    md.Cancel();
    EXPECT_EQ(md.FieldByName(QStringLiteral("Pic"))->Value().toByteArray(), QByteArray("abcdXYZ"));
}

TEST(MemBlobStream, StateErrors)
{
    TMemData md;
    md.AddField(QStringLiteral("Pic"), FieldType::Blob);
    Field *pic = md.FieldByName(QStringLiteral("Pic"));
    md.Open();
    {
        // Empty table in browse state: no record, the stream stays closed.
        auto s = md.CreateBlobStream(pic, QIODevice::ReadOnly);
        EXPECT_FALSE(s->isOpen());
        EXPECT_EQ(s->size(), 0);
    }
    md.AppendRecord({QVariant(), QByteArray("x")});
    try {
        md.CreateBlobStream(pic, QIODevice::WriteOnly);
        ADD_FAILURE() << "wrote in browse state";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Набор данных (Dataset) не в режиме редактирования или вставки"));
    }
    pic->SetReadOnly(true);
    md.Edit();
    try {
        md.CreateBlobStream(pic, QIODevice::ReadWrite);
        ADD_FAILURE() << "wrote a read-only field";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Поле 'Pic' не может быть изменено"));
    }
    auto r = md.CreateBlobStream(pic, QIODevice::ReadOnly);
    EXPECT_EQ(r->readAll(), QByteArray("x"));
}

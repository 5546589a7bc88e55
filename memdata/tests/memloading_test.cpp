// The table in memory over what DataSet offers its back-ends: its own field
// types as plain DataSet types, events and the read-only flag while it loads,
// redisplay on Locate, and the filter handler setter.
#include "memdata/tests/memtest.h"

#include "memdata/memstored.h"
#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kv;

namespace {

QString writeText(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("in.txt"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return path;
}

class Recorder : public DataLink
{
public:
    QStringList log;
    void DataSetChanged() override { log << QStringLiteral("data"); }
    void DataSetScrolled(int d) override { log << QStringLiteral("scroll%1").arg(d); }
    void RecordChanged(Field *f) override { log << (f ? f->FieldName() : QStringLiteral("record")); }
};

} // namespace

TEST(MemDataTypes, FieldsOfEveryTableTypeNeedNoTypeOfTheirOwn)
{
    struct Case
    {
        FieldType type;
        MemFieldType mem;
    };
    const Case cases[] = {
        {FieldType::BCD, MemFieldType::BCD},           {FieldType::WideString, MemFieldType::WideString},
        {FieldType::FmtMemo, MemFieldType::FmtMemo},   {FieldType::Graphic, MemFieldType::Graphic},
        {FieldType::ParadoxOle, MemFieldType::ParadoxOle}, {FieldType::DBaseOle, MemFieldType::DBaseOle},
        {FieldType::TypedBinary, MemFieldType::TypedBinary}, {FieldType::Currency, MemFieldType::Currency},
        {FieldType::String, MemFieldType::String},     {FieldType::Memo, MemFieldType::Memo},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(memTypeName(c.mem).toStdString());
        TMemData a, b;
        Field *fa = a.AddField(QStringLiteral("Value"), c.type, 10);
        Field *fb = b.AddMemField(QStringLiteral("Value"), c.mem, 10);
        EXPECT_EQ(fb->DataType(), c.type);
        EXPECT_EQ(a.MemFieldTypeOf(fa), c.mem);
        EXPECT_EQ(b.MemFieldTypeOf(fb), c.mem);
        a.Open();
        EXPECT_EQ(a.FieldDefs().value(1).type, c.type);    // after RecId
        // The stored stream names the table's own type code.
        const QVector<MemStreamField> fields{{QStringLiteral("Value"), c.mem, 10}};
        const MemStoredData data = readMemStoredData(a.SaveToStream(), fields);
        ASSERT_EQ(data.descriptors.size(), 1);
        EXPECT_EQ(data.descriptors[0].code, quint16(c.mem));
    }
}

TEST(MemDataTypes, BcdAndWideStringValuesKeepTheirRules)
{
    TMemData md;
    md.AddField(QStringLiteral("Price"), FieldType::BCD);
    md.AddField(QStringLiteral("Name"), FieldType::WideString, 5);
    md.AddField(QStringLiteral("Pic"), FieldType::Graphic);
    md.Open();
    md.AppendRecord({QVariant(), 1.234567, QStringLiteral("Ωmegaway"), QByteArray("\x01\x02", 2)});
    EXPECT_DOUBLE_EQ(md.FieldByName(QStringLiteral("Price"))->AsFloat(), 1.2346);   // four decimals
    EXPECT_EQ(md.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("Ωmega"));
    EXPECT_EQ(md.FieldByName(QStringLiteral("Pic"))->DisplayText(), QStringLiteral("(GRAPHIC)"));

    // A graphic is a blob: it stays out of the text file.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    md.SaveToTextFile(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readLine(), QByteArray("Price\tName\r\n"));
}

TEST(MemDataLoading, HeldEventsStayQuietAndHandlersSetMeanwhileAreKept)
{
    QTemporaryDir dir;
    const QString path = writeText(dir, "Code\tName\r\n1\ta\r\n2\tb\r\n");
    QStringList fired;
    int scrolls = 0, posts = 0, latePosts = 0;
    TMemData md;     // after what its handlers write to: closing fires some
    makeCodeName(md);
    for (auto [ev, name] : {std::pair{&md.BeforeOpen, "BeforeOpen"}, {&md.AfterOpen, "AfterOpen"},
                            {&md.BeforeClose, "BeforeClose"}, {&md.AfterClose, "AfterClose"},
                            {&md.BeforeInsert, "BeforeInsert"}, {&md.AfterInsert, "AfterInsert"},
                            {&md.BeforePost, "BeforePost"}, {&md.AfterCancel, "AfterCancel"},
                            {&md.OnNewRecord, "OnNewRecord"}})
        *ev = [&fired, name = QString::fromLatin1(name)](DataSet &) { fired << name; };
    md.AfterPost = [&](DataSet &) { ++posts; };
    md.AfterScroll = [&](DataSet &ds) {
        ++scrolls;
        // A handler assigned while the table loads is not put back afterwards.
        ds.AfterPost = [&](DataSet &) { ++latePosts; };
    };
    md.LoadFromTextFile(path);
    EXPECT_EQ(fired, QStringList());
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(latePosts, 0);
    EXPECT_GT(scrolls, 0);                    // not held back
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "2"}));

    addRow(md, 3, QStringLiteral("c"));
    EXPECT_EQ(latePosts, 1);
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(fired, (QStringList{"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforePost"}));
}

TEST(MemDataLoading, ReadOnlyFlagStaysSetWhileAReadOnlyTableLoads)
{
    QTemporaryDir dir;
    const QString path = writeText(dir, "Code\r\n4\r\n5\r\n");
    QList<bool> seen;
    TMemData md;
    makeCodeName(md);
    md.SetReadOnly(true);
    md.AfterScroll = [&](DataSet &ds) { seen << ds.ReadOnly(); };
    md.LoadFromTextFile(path);
    EXPECT_FALSE(seen.isEmpty());
    EXPECT_FALSE(seen.contains(false));
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"4", "5"}));
    EXPECT_FALSE(md.CanModify());
    EXPECT_THROW(md.Append(), Error);

    // The stored stream loads into a read-only table too.
    TMemData other;
    makeCodeName(other);
    addRow(other, 9, QStringLiteral("z"));
    md.LoadFromStream(other.SaveToStream());
    EXPECT_EQ(column(md, QStringLiteral("Code")), QStringList{"9"});
    EXPECT_TRUE(md.ReadOnly());
    EXPECT_FALSE(md.CanModify());
}

TEST(MemDataSearch, LocateOnTheCurrentRecordShowsItAgain)
{
    int scrolls = 0;
    TMemData md;
    makeCodeName(md);
    for (int c : {1, 2, 3}) addRow(md, c, QString::number(c));
    md.SetSortedField(QStringLiteral("Code"));
    md.SetRecNo(2);
    Recorder rec;
    rec.SetDataSet(&md);
    md.AfterScroll = [&](DataSet &) { ++scrolls; };
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 2));          // fast path on the sort field
    EXPECT_TRUE(md.Locate(QStringLiteral("Name"), QStringLiteral("2")));   // scan
    EXPECT_EQ(rec.log, (QStringList{"record", "record"}));
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(md.RecNo(), 2);
    rec.log.clear();
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 3));
    EXPECT_EQ(rec.log, QStringList{"scroll1"});
    EXPECT_EQ(scrolls, 1);
}

TEST(MemDataFilter, HandlerSetWhileFilteredFiltersAtOnce)
{
    TMemData md;
    makeCodeName(md);
    for (int c : {1, 2, 3, 4, 5}) addRow(md, c, QString::number(c));
    md.SetFiltered(true);
    EXPECT_EQ(md.RecordCount(), 5);
    md.SetOnFilterRecord([](DataSet &ds, bool &accept) {
        accept = ds.FieldByName(QStringLiteral("Code"))->AsInteger() > 3;
    });
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"4", "5"}));
    EXPECT_EQ(md.RecNo(), 1);
    EXPECT_FALSE(md.Locate(QStringLiteral("Code"), 2));       // the search honours it too
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 5));
    EXPECT_EQ(md.RecNo(), 2);
    md.SetOnFilterRecord(nullptr);
    EXPECT_EQ(md.RecordCount(), 5);
    EXPECT_EQ(md.FieldByName(QStringLiteral("Code"))->AsInteger(), 5);
}

#include <gtest/gtest.h>

#include <QBuffer>
#include <QObject>

#include "report/building/datasource.h"

#include "platform/testsupport/memdataset.h"

namespace {

// A few rows in memory behind the database layer's cursor.
class RowsDataSet : public kv::test::MemDataSet
{
public:
    explicit RowsDataSet(const QList<QVariantList> &rows, QObject *parent = nullptr)
        : MemDataSet({kv::FieldDef{QStringLiteral("Code"), kv::FieldType::Integer},
                      kv::FieldDef{QStringLiteral("Name"), kv::FieldType::String, 20},
                      kv::FieldDef{QStringLiteral("Pic"), kv::FieldType::Blob}},
                     rows, parent)
    {
    }
};

QList<QVariantList> fiveRows()
{
    QList<QVariantList> rows;
    for (int i = 1; i <= 5; ++i) rows << QVariantList{i, QStringLiteral("Лист %1").arg(i), QByteArray("B") + QByteArray::number(i)};
    return rows;
}

// The band loop of a source: the codes of the records it yields.
QList<int> walk(TrpDataset &src, const std::function<int()> &current, int limit = 100)
{
    QList<int> seen;
    src.First();
    while (!src.Eof() && seen.size() < limit) {
        seen << current();
        src.Next();
    }
    return seen;
}

} // namespace

TEST(ReportDataSources, UserSourceRunsOnItsHandlers)
{
    TrpUserDataset src;
    int pos = 0, nexts = 0;
    src.OnFirst = [&](TrpDataset &) { pos = 0; };
    src.OnNext = [&](TrpDataset &) { ++pos; ++nexts; };
    src.OnCheckEOF = [&](TrpDataset &, bool &eof) { eof = pos >= 3; };
    src.Init();
    EXPECT_EQ(walk(src, [&] { return pos; }), QList<int>({0, 1, 2}));
    EXPECT_EQ(src.RecordIndex, 3);
    EXPECT_EQ(nexts, 3);
}

TEST(ReportDataSources, CountLimitedSource)
{
    struct Case { int count; int records; int onNextCalls; };
    for (const Case c : {Case{0, 0, 0}, Case{1, 1, 0}, Case{4, 4, 3}}) {
        TrpUserDataset src;
        src.RangeEnd = reCount;
        src.RangeEndCount = c.count;
        int nexts = 0;
        src.OnNext = [&](TrpDataset &) { ++nexts; };
        src.First();
        int n = 0;
        while (!src.Eof()) { ++n; src.Next(); }
        EXPECT_EQ(n, c.records) << c.count;
        // the step that reaches the count does not call OnNext
        EXPECT_EQ(nexts, c.onNextCalls) << c.count;
        EXPECT_EQ(src.RecordIndex, c.records);
    }
}

TEST(ReportDataSources, DatabaseSourceRanges)
{
    RowsDataSet table(fiveRows());
    table.setObjectName("Sheets");
    table.Open();
    auto code = [&] { return table.FieldByName("Code")->AsInteger(); };

    struct Case { TRangeBegin begin; TRangeEnd end; int count; QList<int> expected; };
    const Case cases[] = {
        {rbFirst, reLast, 0, {1, 2, 3, 4, 5}},
        {rbCurrent, reLast, 0, {3, 4, 5}},
        {rbCurrent, reCurrent, 0, {3}},
        {rbFirst, reCurrent, 0, {1, 2, 3}},    // walks up to the record current at the start
        {rbFirst, reCount, 2, {1, 2}},
        {rbCurrent, reCount, 10, {3, 4, 5}},
    };
    for (const Case &c : cases) {
        table.SetRecNo(3);
        TrpDBDataSet src;
        src.SetDataSet(&table);
        src.RangeBegin = c.begin;
        src.RangeEnd = c.end;
        src.RangeEndCount = c.count;
        src.Init();
        EXPECT_EQ(walk(src, code), c.expected) << int(c.begin) << "/" << int(c.end);
        src.Exit();
        // a held bookmark brings the cursor back to where it stood
        if (c.begin == rbCurrent || c.end == reCurrent) {
            EXPECT_EQ(table.RecNo(), 3);
        }
    }
}

TEST(ReportDataSources, DatabaseSourceOpensClosesAndReadsFields)
{
    RowsDataSet table(fiveRows());
    TrpDBDataSet src;
    src.SetName("rpdbSheets");
    src.SetDataSet(&table);
    src.CloseDataSource = true;
    int opened = 0, closed = 0;
    src.OnOpen = [&](TrpDataset &) { ++opened; };
    src.OnClose = [&](TrpDataset &) { ++closed; };
    src.Init();
    EXPECT_TRUE(table.Active());
    src.First();
    EXPECT_TRUE(src.hasField("name"));
    EXPECT_FALSE(src.hasField("Nope"));
    EXPECT_EQ(src.fieldValue("NAME").toText(), "Лист 1");
    src.Next();
    EXPECT_EQ(src.fieldValue("code").toInteger(), 2);
    src.Prior();
    EXPECT_EQ(src.RecordIndex, 0);
    EXPECT_EQ(src.fieldValue("code").toInteger(), 1);
    src.Exit();
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(closed, 1);
}

TEST(ReportDataSources, MissingDataSetIsAClearError)
{
    TrpDBDataSet src;
    src.SetName("rpdbParts");
    try {
        src.Init();
        FAIL() << "no error";
    } catch (const EDataSetError &e) {
        EXPECT_EQ(e.message(), "Unable to open dataset rpdbParts");
    }
    // a data set that goes away is forgotten, not used
    auto *table = new RowsDataSet(fiveRows());
    src.SetDataSet(table);
    delete table;
    EXPECT_EQ(src.DataSet(), nullptr);
    EXPECT_THROW(src.First(), EDataSetError);
}

TEST(ReportDataSources, DataSetAndDataSourceExcludeEachOther)
{
    RowsDataSet a(fiveRows()), b(fiveRows());
    kv::DataSource link;
    link.SetDataSet(&b);
    TrpDBDataSet src;
    src.SetDataSet(&a);
    src.SetDataSource(nullptr);
    EXPECT_EQ(src.DataSet(), &a);           // none keeps the data set
    src.SetDataSource(&link);
    EXPECT_EQ(src.DataSet(), nullptr);
    EXPECT_EQ(src.GetDataSet(), &b);
    src.SetDataSet(&a);
    EXPECT_EQ(src.DataSource(), nullptr);
    EXPECT_EQ(src.GetDataSet(), &a);
}

TEST(ReportDataSources, DatabaseRoutines)
{
    RowsDataSet table(fiveRows());
    QStringList names{"keep"};
    ListFieldNames(&table, names);           // closed, no fields: the defined columns
    EXPECT_EQ(names, QStringList({"Code", "Name", "Pic"}));
    table.Open();
    EXPECT_TRUE(IsBlobField(table.FindField("Pic")));
    EXPECT_FALSE(IsBlobField(table.FindField("Name")));
    EXPECT_FALSE(IsBlobField(nullptr));
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    CopyBlobField(table.FindField("Pic"), buf);
    EXPECT_EQ(buf.pos(), 0);
    EXPECT_EQ(buf.readAll(), QByteArray("B1"));
    const kv::Bookmark first = TakeBookmark(&table);
    table.Next();
    EXPECT_FALSE(BookmarksEqual(&table, first, TakeBookmark(&table)));
    GoToBookmark(&table, first);
    EXPECT_EQ(table.RecNo(), 1);
}

TEST(ReportDataSources, LookupByName)
{
    QObject window;
    window.setObjectName("FormSheets");
    auto *src = new TrpUserDataset(&window);
    src->SetName("rpsrcMaps");
    auto *other = new QObject(&window);
    other->setObjectName("NotASource");
    QObject otherForm;
    otherForm.setObjectName("frmStat");
    auto *frame = new QObject(&otherForm);
    frame->setObjectName("Frame1");
    auto *inFrame = new TrpUserDataset(frame);
    inFrame->SetName("srcRows");

    TrpDataSourceHost host;
    host.Owner = &window;
    host.AddForm(&otherForm);
    bool owned = true;
    EXPECT_EQ(host.Resolve("RPSRCMAPS", owned), src);
    EXPECT_FALSE(owned);
    EXPECT_EQ(host.Resolve("frmStat.Frame1.srcRows", owned), inFrame);
    EXPECT_EQ(host.findDataSource({"frmstat", "frame1", "SRCROWS"}), inFrame);

    // a count makes a source of its own with that many records
    TrpDataset *virt = host.Resolve("3", owned);
    ASSERT_TRUE(owned);
    std::unique_ptr<TrpDataset> guard(virt);
    EXPECT_EQ(walk(*virt, [&] { return virt->RecordIndex; }), QList<int>({0, 1, 2}));

    try {
        host.Resolve("Absent", owned);
        FAIL();
    } catch (const kv::Error &e) {
        EXPECT_EQ(e.message(), "Missing Absent");
    }
    EXPECT_THROW(host.Resolve("NotASource", owned), EInvalidCast);
    EXPECT_THROW(host.Resolve("nosuchform.rpsrcMaps", owned), kv::Error);
}

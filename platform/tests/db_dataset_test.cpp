// The cursor machinery of every data set, over a tiny in-test back-end.
#include "platform/db/dataset.h"
#include "platform/error.h"
#include "platform/testsupport/memdataset.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {

class VecSet : public test::MemDataSet
{
public:
    VecSet()
        : MemDataSet({{"Code", FieldType::Integer, 0, 0, false}, {"Name", FieldType::String, 10, 0, false},
                      {"Many", FieldType::Float, 0, 0, false}})
    {
    }
    void add(int code, const QString &name, double many) { addRow({code, name, many}); }
};

class Recorder : public DataLink
{
public:
    QStringList log;
    void ActiveChanged() override { log << "active"; }
    void DataSetChanged() override { log << "data"; }
    void DataSetScrolled(int d) override { log << QString("scroll%1").arg(d); }
    void EditingChanged() override { log << "editing"; }
    void UpdateData() override { log << "update"; }
};

} // namespace

TEST(DbDataSet, NavigatesWithBofAndEof)
{
    VecSet ds;
    ds.add(1, "a", 1);
    ds.add(2, "b", 2);
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("code")->AsInteger(), 1);
    QStringList seen;
    for (ds.First(); !ds.Eof(); ds.Next()) seen << ds.FieldByName("Name")->AsString();
    EXPECT_EQ(seen, QStringList({"a", "b"}));
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.MoveBy(5), 1);
    EXPECT_TRUE(ds.Eof());
}

TEST(DbDataSet, EmptySetIsBofAndEof)
{
    VecSet ds;
    ds.Open();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.FieldByName("Code")->IsNull());
    EXPECT_THROW(ds.Delete(), Error);
}

TEST(DbDataSet, FieldByNameReportsMissingField)
{
    VecSet ds;
    ds.Open();
    try {
        ds.FieldByName("Nope");
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QString("Поле 'Nope' не найдено"));
    }
    EXPECT_EQ(ds.FindField("nope"), nullptr);
}

TEST(DbDataSet, EditPostCancelAndStates)
{
    VecSet ds;
    ds.add(1, "a", 1);
    ds.Open();
    EXPECT_THROW(ds.FieldByName("Name")->SetAsString("x"), Error);
    ds.Edit();
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    ds.FieldByName("Name")->SetAsString("changed");
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "a");
    ds.Edit();
    ds.FieldByName("Name")->SetAsString("a very long text");
    ds.Post();
    EXPECT_EQ(ds.recs[0].v[1].toString(), "a very lon");   // cut to the field size
    ds.Append();
    ds.FieldByName("Code")->SetAsString("7");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 7);
}

TEST(DbDataSet, WrongTextForIntegerFieldIsRefused)
{
    VecSet ds;
    ds.Open();
    ds.Append();
    EXPECT_THROW(ds.FieldByName("Code")->SetAsString("12a"), Error);
    ds.FieldByName("Many")->SetAsString("2.5");
    EXPECT_DOUBLE_EQ(ds.FieldByName("Many")->AsFloat(), 2.5);
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 0);
}

TEST(DbDataSet, InsertGoesBeforeCurrentAndBookmarksSurvive)
{
    VecSet ds;
    ds.add(1, "a", 1);
    ds.add(2, "b", 1);
    ds.add(3, "c", 1);
    ds.Open();
    ds.Last();
    const Bookmark last = ds.GetBookmark();
    ds.First();
    ds.Next();
    ds.Insert();
    ds.FieldByName("Code")->SetAsInteger(9);
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 2);
    ds.GotoBookmark(last);
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 3);
}

TEST(DbDataSet, BookmarkOfDeletedRowIsInvalid)
{
    VecSet ds;
    ds.add(1, "a", 1);
    ds.add(2, "b", 1);
    ds.Open();
    ds.Next();
    const Bookmark b = ds.GetBookmark();
    ds.First();
    const Bookmark a = ds.GetBookmark();
    EXPECT_EQ(ds.CompareBookmarks(a, b), -1);
    ds.Next();
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(b));
    EXPECT_TRUE(ds.BookmarkValid(a));
    try {
        ds.GotoBookmark(b);
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QString("Bookmark not found"));
    }
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 1);
}

TEST(DbDataSet, LocateAndLookup)
{
    VecSet ds;
    ds.add(1, "Дуб", 1);
    ds.add(2, "ЯСЕНЬ светлый", 2);
    ds.add(2, "Бук", 3);
    ds.Open();
    EXPECT_TRUE(ds.Locate("Name", "ясень", {true, true}));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_FALSE(ds.Locate("Name", "ясень", {true, false}));
    EXPECT_EQ(ds.RecNo(), 2);   // stays
    EXPECT_TRUE(ds.Locate("Code;Name", QVariantList{2, "Бук"}));
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(ds.Lookup("Code", 1, "Name").toString(), "Дуб");
    EXPECT_EQ(ds.RecNo(), 3);   // Lookup does not move
    EXPECT_FALSE(ds.Lookup("Code", 5, "Name").isValid());
    EXPECT_THROW(ds.Locate("Nope", 1), Error);
    EXPECT_FALSE(ds.Locate("Code", "2x"));          // not a number: no match
    ds.add(25, "x", 1);
    ds.Refresh();
    EXPECT_TRUE(ds.Locate("Code", "25"));
    EXPECT_EQ(ds.RecNo(), 4);
    ds.First();
    EXPECT_TRUE(ds.Locate("Code", "2", {false, true}));   // the text of 2 begins with "2"
    EXPECT_EQ(ds.RecNo(), 2);
}

// Three rows the filter tests choose from: codes 1, 2, 1; counts 0, 3, 5.
static void openThreeRows(VecSet &ds)
{
    ds.add(1, "a", 0);
    ds.add(2, "b", 3);
    ds.add(1, "c", 5);
    ds.Open();
}

TEST(DbDataSet, FilterTextAndEvent)
{
    VecSet ds;
    openThreeRows(ds);
    ds.SetFilter("Code=1 and Many>0");
    ds.SetFiltered(true);
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "c");
    ds.SetFiltered(false);
    EXPECT_EQ(ds.RecordCount(), 3);
    ds.OnFilterRecord = [](DataSet &d, bool &accept) { accept = d.FieldByName("Name")->AsString() != "b"; };
    ds.SetFilter("");
    ds.SetFiltered(true);
    EXPECT_EQ(ds.RecordCount(), 2);
}

TEST(DbDataSet, CalculatedFieldsFollowData)
{
    VecSet ds;
    ds.add(1, "a", 2);
    ds.AddField("Code", FieldType::Integer);
    ds.AddField("Many", FieldType::Float);
    ds.AddField("Twice", FieldType::Float, 0, FieldKind::Calculated);
    ds.OnCalcFields = [](DataSet &d) {
        d.FieldByName("Twice")->SetAsFloat(d.FieldByName("Many")->AsFloat() * 2);
    };
    ds.Open();
    EXPECT_EQ(ds.FieldCount(), 3);   // persistent fields only
    EXPECT_DOUBLE_EQ(ds.FieldByName("Twice")->AsFloat(), 4);
    ds.Edit();
    ds.FieldByName("Many")->SetAsFloat(5);
    EXPECT_DOUBLE_EQ(ds.FieldByName("Twice")->AsFloat(), 10);
    ds.Post();
    EXPECT_DOUBLE_EQ(ds.ViewValue(0, 2).toDouble(), 10);
}

TEST(DbDataSet, DisableControlsHoldsNotificationsAndBalancesOnException)
{
    VecSet ds;
    ds.add(1, "a", 1);
    ds.add(2, "b", 1);
    Recorder link;
    link.SetDataSet(&ds);
    ds.Open();
    link.log.clear();
    try {
        DataSet::ControlsLock lock(ds);
        ds.Next();
        ds.Prior();
        EXPECT_TRUE(link.log.isEmpty());
        throw Error("x");
    } catch (const Error &) {
    }
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(link.log, QStringList({"data"}));
    link.log.clear();
    ds.Next();
    EXPECT_EQ(link.log, QStringList({"scroll1"}));
}

TEST(DbDataSet, EventsFireInOrder)
{
    VecSet ds;
    QStringList log;
    ds.BeforeInsert = [&](DataSet &) { log << "BeforeInsert"; };
    ds.OnNewRecord = [&](DataSet &d) { log << "OnNewRecord"; d.FieldByName("Code")->SetAsInteger(5); };
    ds.AfterInsert = [&](DataSet &) { log << "AfterInsert"; };
    ds.BeforePost = [&](DataSet &) { log << "BeforePost"; };
    ds.AfterPost = [&](DataSet &) { log << "AfterPost"; };
    ds.Open();
    ds.Append();
    EXPECT_FALSE(ds.Modified());
    ds.FieldByName("Name")->SetAsString("x");
    ds.Post();
    EXPECT_EQ(log, QStringList({"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforePost", "AfterPost"}));
    EXPECT_EQ(ds.recs[0].v[0].toInt(), 5);
}

TEST(DbDataSet, ViewRowsIncludeTheRowBeingInserted)
{
    VecSet ds;
    ds.add(1, "a", 1);
    ds.add(2, "b", 1);
    ds.Open();
    ds.Next();
    ds.Insert();
    EXPECT_EQ(ds.ViewRowCount(), 3);
    EXPECT_EQ(ds.ViewCurrentRow(), 1);
    EXPECT_EQ(ds.ViewDisplayText(0, 1), "a");
    EXPECT_EQ(ds.ViewDisplayText(2, 1), "b");
    ds.Cancel();
    EXPECT_EQ(ds.ViewRowCount(), 2);
}

TEST(DbDataSet, PostErrorHandlerCanRetryOrFail)
{
    VecSet ds;
    ds.add(1, "a", 1);
    ds.Open();
    ds.failWrites = true;
    int calls = 0;
    ds.OnPostError = [&](DataSet &d, const QString &msg, DataAction &action) {
        ++calls;
        EXPECT_EQ(msg, QString("запись невозможна"));
        static_cast<VecSet &>(d).failWrites = false;
        action = DataAction::Retry;
    };
    ds.Edit();
    ds.FieldByName("Name")->SetAsString("b");
    ds.Post();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ds.recs[0].v[1].toString(), "b");
    // Without a handler the error reaches the caller and the edit stays open.
    ds.OnPostError = nullptr;
    ds.failWrites = true;
    ds.Edit();
    ds.FieldByName("Name")->SetAsString("c");
    EXPECT_THROW(ds.Post(), Error);
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "c");
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "b");
}

TEST(DbDataSet, LinksHearEditingUpdateAndNestedDisable)
{
    VecSet ds;
    ds.add(1, "a", 1);
    Recorder link;
    DataSource src;
    src.SetDataSet(&ds);
    link.SetDataSource(&src);
    ds.Open();
    link.log.clear();
    ds.Edit();
    ds.FieldByName("Name")->SetAsString("x");
    ds.Post();
    EXPECT_EQ(link.log, QStringList({"editing", "update", "editing", "data"}));
    link.log.clear();
    ds.DisableControls();
    ds.DisableControls();
    ds.Refresh();
    ds.EnableControls();
    EXPECT_TRUE(link.log.isEmpty());
    ds.EnableControls();
    EXPECT_EQ(link.log, QStringList({"data"}));
    // A data source moved to another data set takes its links along.
    VecSet other;
    link.log.clear();
    src.SetDataSet(&other);
    EXPECT_EQ(link.GetDataSet(), &other);
    EXPECT_EQ(link.log, QStringList({"active"}));
}

TEST(DbDataSet, ReorderedDefaultFieldsGoAwayOnClose)
{
    VecSet ds;
    ds.add(1, "a", 2);
    ds.AddField("Calc", FieldType::String, 5, FieldKind::Calculated);
    ds.Open();
    ASSERT_EQ(ds.FieldCount(), 4);
    EXPECT_EQ(ds.Fields(3)->FieldName(), "Calc");
    ds.FieldByName("Calc")->SetIndex(0);
    EXPECT_EQ(ds.Fields(0)->FieldName(), "Calc");
    EXPECT_EQ(ds.Fields(1)->AsInteger(), 1);   // values follow their fields
    ds.Close();
    ASSERT_EQ(ds.FieldCount(), 1);
    EXPECT_EQ(ds.Fields(0)->FieldName(), "Calc");
}

// An order by fields keeps the visible rows sorted through filters, edits,
// inserts and deletes; the current row stays on its record.
TEST(DbDataSet, IndexFieldNamesOrderTheRows)
{
    VecSet ds;
    ds.add(3, "b", 10);
    ds.add(1, "C", 5);
    ds.add(2, "a", 5);
    ds.add(4, QString(), 7);
    ds.Open();
    auto codes = [&ds] {
        QList<int> out;
        for (int row = 0; row < ds.ViewRowCount(); ++row) out << ds.ViewValue(row, 0).toInt();
        return out;
    };
    struct Case { QString fields; QList<int> order; };
    const Case cases[] = {
        {"Name", {4, 2, 3, 1}},          // null first, no regard to case
        {"many;code", {1, 2, 4, 3}},     // numbers as numbers, ties by the next field
        {"Many", {1, 2, 4, 3}},          // equal keys keep the stored order
        {"", {3, 1, 2, 4}},
    };
    for (const Case &c : cases) {
        ds.SetIndexFieldNames(c.fields);
        EXPECT_EQ(codes(), c.order) << c.fields.toStdString();
    }
    EXPECT_THROW(ds.SetIndexFieldNames("Nope"), Error);

    ds.SetIndexFieldNames("Name");
    ASSERT_TRUE(ds.Locate("Code", 3));
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Edit();
    ds.FieldByName("Name")->SetAsString("0");
    ds.Post();
    EXPECT_EQ(codes(), (QList<int>{4, 3, 2, 1}));
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 3);   // the edited record stays current
    EXPECT_EQ(ds.RecNo(), 2);
    ds.AppendRecord({5, "aa", 1.0});
    EXPECT_EQ(codes(), (QList<int>{4, 3, 2, 5, 1}));
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 5);
    ds.SetFilter("Many>5");
    ds.SetFiltered(true);
    EXPECT_EQ(codes(), (QList<int>{4, 3}));
    ds.SetFiltered(false);
    ASSERT_TRUE(ds.Locate("Code", 2));
    ds.Delete();
    EXPECT_EQ(codes(), (QList<int>{4, 3, 5, 1}));
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 5);   // the next row in the order
}

// Filter texts nest at most so deep: a text of 5,000 parentheses (or "not"s,
// or signs) is refused with a message instead of overflowing the stack, the
// data set keeping its filter and rows; a long list of conditions is fine.
TEST(DbDataSet, DeeplyNestedFilterTextIsRefused)
{
    VecSet ds;
    openThreeRows(ds);
    ds.SetFilter("Many>0");
    ds.SetFiltered(true);
    ASSERT_EQ(ds.RecordCount(), 2);

    QString manyOr = "Code=9";
    for (int i = 0; i < 1000; ++i) manyOr += " or Code=9";
    const QString nested[] = {
        QString(5000, '(') + "Code=1" + QString(5000, ')'),
        QString("not ").repeated(5000) + "Code=1",
        "Code=" + QString("-").repeated(5000) + "1",
        "Code=" + QString("1+").repeated(5000) + "1",
    };
    for (const QString &text : nested) {
        try {
            ds.SetFilter(text);
            ADD_FAILURE() << "accepted: " << text.left(20).toStdString();
        } catch (const Error &e) {
            EXPECT_TRUE(e.message().startsWith("Слишком глубокая вложенность в выражении фильтра: ")) << e.what();
            EXPECT_LT(e.message().size(), 300);   // the text quoted by its beginning
        }
        EXPECT_EQ(ds.Filter(), "Many>0");
        EXPECT_EQ(ds.RecordCount(), 2);
    }
    // Nesting within the limit and a long flat list still work.
    ds.SetFilter(QString(100, '(') + "Code=1" + QString(100, ')'));
    EXPECT_EQ(ds.RecordCount(), 2);
    ds.SetFilter(manyOr + " or Name='b'");
    EXPECT_EQ(ds.RecordCount(), 1);
    ds.SetFilter("not not Code=2 and not Many=0");
    EXPECT_EQ(ds.RecordCount(), 1);
}

// A filter text naming a field the data set lacks is refused with a message;
// the filter in force, its rows and the filtered flag stay as they were.
TEST(DbDataSet, FilterNamingAMissingFieldKeepsTheFilterInForce)
{
    VecSet ds;
    openThreeRows(ds);
    ds.SetFilter("Many>0");
    ds.SetFiltered(true);
    ASSERT_EQ(ds.RecordCount(), 2);
    EXPECT_THROW(ds.SetFilter("(Name='a' or Nope=1) and not Many=0"), Error);
    EXPECT_EQ(ds.Filter(), "Many>0");
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "b");

    // Stored while not filtering, refused when filtering is switched on.
    ds.SetFiltered(false);
    ds.SetFilter("Nope=1");
    EXPECT_THROW(ds.SetFiltered(true), Error);
    EXPECT_FALSE(ds.Filtered());
    EXPECT_EQ(ds.RecordCount(), 3);
}

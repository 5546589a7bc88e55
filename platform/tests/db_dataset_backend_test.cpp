// What a back-end gets from DataSet beyond the record store: the wider field
// types, events held back while it fills itself, writes into a read-only set
// while loading, redisplay of the current record, and the filter handler setter.
#include "platform/db/dataset.h"
#include "platform/error.h"
#include "platform/testsupport/memdataset.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {

// A back-end that can fill itself, as a table loaded from a file does.
class LoadingSet : public test::MemDataSet
{
public:
    bool loading = false;

    LoadingSet() : MemDataSet({{"Code", FieldType::Integer, 0, 0, false}, {"Name", FieldType::String, 10, 0, false}}) {}
    void add(int code, const QString &name) { addRow({code, name}); }

    // Fills the set through the cursor, holding `held` back meanwhile.
    void load(const QList<int> &codes, DataSetEvents held, const std::function<void()> &midway = {})
    {
        EventHold hold(*this, held);
        loading = true;
        try {
            for (int c : codes) {
                Append();
                FieldByName("Code")->SetValue(c);
                Post();
                if (midway) midway();
            }
        } catch (...) {
            loading = false;
            throw;
        }
        loading = false;
    }
    DataSetEvents held() const { return HeldEvents(); }
    void nestedHold(DataSetEvents outer, DataSetEvents inner, DataSetEvents *during, DataSetEvents *after)
    {
        EventHold a(*this, outer);
        {
            EventHold b(*this, inner);
            *during = HeldEvents();
        }
        *after = HeldEvents();
    }
    void redisplay() { RedisplayCurrent(); }

protected:
    bool InternalLoading() const override { return loading; }
};

class Recorder : public DataLink
{
public:
    QStringList log;
    void DataSetChanged() override { log << "data"; }
    void DataSetScrolled(int d) override { log << QString("scroll%1").arg(d); }
    void RecordChanged(Field *f) override { log << (f ? "field " + f->FieldName() : QString("record")); }
};

QStringList codes(const DataSet &ds)
{
    QStringList out;
    for (int r = 0; r < ds.ViewRowCount(); ++r) out << ds.ViewValue(r, ds.FindField("Code")->Index()).toString();
    return out;
}

} // namespace

// ---------------------------------------------------------------- field types

TEST(DbDataSetTypes, WiderTypesBehaveAsTheirFamily)
{
    struct Case
    {
        FieldType type;
        bool string, numeric, memo, blob;
        QVariant in;
        QVariant stored;
        QString text, display, nullDisplay;
    };
    const QByteArray bytes("\x01\x02", 2);
    const Case cases[] = {
        {FieldType::BCD, false, true, false, false, QString("12.3456"), 12.3456, "12.3456", "12.3456", ""},
        {FieldType::WideString, true, false, false, false, QString::fromUtf8("Ωmegaway"), QString::fromUtf8("Ωmeg"),
         QString::fromUtf8("Ωmeg"), QString::fromUtf8("Ωmeg"), ""},
        {FieldType::FmtMemo, true, false, true, true, QString("{\\rtf1 x}"), QString("{\\rtf1 x}"), "{\\rtf1 x}",
         "(FMTMEMO)", "(fmtmemo)"},
        {FieldType::Graphic, false, false, false, true, bytes, bytes, "\x01\x02", "(GRAPHIC)", "(graphic)"},
        {FieldType::ParadoxOle, false, false, false, true, bytes, bytes, "\x01\x02", "(PARADOXOLE)", "(paradoxole)"},
        {FieldType::DBaseOle, false, false, false, true, bytes, bytes, "\x01\x02", "(DBASEOLE)", "(dbaseole)"},
        {FieldType::TypedBinary, false, false, false, true, bytes, bytes, "\x01\x02", "(TYPEDBINARY)", "(typedbinary)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.type));
        EXPECT_EQ(isStringType(c.type), c.string);
        EXPECT_EQ(isNumericType(c.type), c.numeric);
        EXPECT_EQ(isMemoType(c.type), c.memo);
        EXPECT_EQ(isBlobType(c.type), c.blob);
        EXPECT_FALSE(isIntegerType(c.type));

        LoadingSet ds;
        ds.defs = {{"Code", FieldType::Integer, 0, 0, false}, {"Value", c.type, 4, 0, false}};
        ds.Open();   // default fields of the wider types
        Field *f = ds.FieldByName("Value");
        EXPECT_EQ(f->DataType(), c.type);
        ds.Append();
        EXPECT_EQ(f->DisplayText(), c.nullDisplay);
        f->SetValue(c.in);
        ds.Post();
        EXPECT_EQ(f->Value(), c.stored);
        EXPECT_EQ(f->Text(), c.text);
        EXPECT_EQ(f->DisplayText(), c.display);
        EXPECT_EQ(f->Alignment(), c.numeric ? Qt::AlignRight : Qt::AlignLeft);
    }
}

TEST(DbDataSetTypes, BadNumberForABcdFieldIsRefused)
{
    // The message names the field as its grid shows it, once it has a label.
    const struct { const char *label, *message; } cases[] = {
        {"", "'12,x' - неверное число для поля 'Price'"},
        {"Цена", "'12,x' - неверное число для поля 'Цена'"},
    };
    for (const auto &c : cases) {
        LoadingSet ds;
        ds.defs = {{"Price", FieldType::BCD, 0, 4, false}};
        ds.Open();
        ds.FieldByName("Price")->SetDisplayLabel(QString::fromUtf8(c.label));
        ds.Append();
        try {
            ds.FieldByName("Price")->SetText("12,x");
            ADD_FAILURE() << "accepted";
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
    }
}

// ---------------------------------------------------------------- held events

TEST(DbDataSetEvents, HeldEventsDoNotFireWhileTheBackEndLoads)
{
    LoadingSet ds;
    ds.Open();
    QStringList fired;
    ds.BeforeInsert = [&](DataSet &) { fired << "BeforeInsert"; };
    ds.AfterInsert = [&](DataSet &) { fired << "AfterInsert"; };
    ds.OnNewRecord = [&](DataSet &) { fired << "OnNewRecord"; };
    ds.BeforePost = [&](DataSet &) { fired << "BeforePost"; };
    ds.AfterPost = [&](DataSet &) { fired << "AfterPost"; };
    ds.AfterScroll = [&](DataSet &) { fired << "AfterScroll"; };

    ds.load({1}, DataSetEvent::BeforeInsert | DataSetEvent::AfterInsert | DataSetEvent::OnNewRecord |
                     DataSetEvent::BeforePost | DataSetEvent::AfterPost);
    EXPECT_EQ(fired, QStringList{"AfterScroll"});   // not held: still fires
    EXPECT_EQ(ds.held(), DataSetEvents());

    // A handler assigned while loading is kept, and fires afterwards.
    int late = 0;
    fired.clear();
    ds.load({2}, DataSetEvent::AfterPost, [&] { ds.AfterPost = [&](DataSet &) { ++late; }; });
    EXPECT_EQ(late, 0);
    ds.load({3}, {});
    EXPECT_EQ(late, 1);
    EXPECT_EQ(codes(ds), (QStringList{"1", "2", "3"}));
}

TEST(DbDataSetEvents, HoldsNestAndEndOnAFailure)
{
    LoadingSet ds;
    ds.Open();
    DataSetEvents during, after;
    ds.nestedHold(DataSetEvent::AfterPost, DataSetEvent::BeforeOpen | DataSetEvent::AfterPost, &during, &after);
    EXPECT_EQ(during, DataSetEvent::BeforeOpen | DataSetEvent::AfterPost);
    EXPECT_EQ(after, DataSetEvents(DataSetEvent::AfterPost));
    EXPECT_EQ(ds.held(), DataSetEvents());

    ds.BeforePost = [](DataSet &d) {
        if (d.FieldByName("Code")->AsInteger() == 2) throw Error("нет");
    };
    EXPECT_THROW(ds.load({1, 2}, DataSetEvent::AfterPost), Error);
    EXPECT_EQ(ds.held(), DataSetEvents());
    ds.Cancel();
    EXPECT_EQ(codes(ds), QStringList{"1"});
}

// ---------------------------------------------------------------- read-only

TEST(DbDataSetReadOnly, ReadOnlySetTakesOnlyTheBackEndsOwnLoad)
{
    LoadingSet ds;
    ds.Open();
    ds.SetReadOnly(true);
    EXPECT_FALSE(ds.CanModify());
    bool readOnlySeen = false, couldModify = false;
    ds.load({7, 8}, {}, [&] {
        readOnlySeen = ds.ReadOnly();     // the flag itself stays as the owner set it
        couldModify = ds.CanModify();
    });
    EXPECT_TRUE(readOnlySeen);
    EXPECT_TRUE(couldModify);
    EXPECT_EQ(codes(ds), (QStringList{"7", "8"}));
    EXPECT_FALSE(ds.CanModify());
    EXPECT_FALSE(ds.FieldByName("Code")->CanModify());
    try {
        ds.Append();
        ADD_FAILURE() << "appended";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Невозможно изменить набор данных, открытый только для чтения"));
    }
    EXPECT_THROW(ds.Edit(), Error);
    EXPECT_THROW(ds.Delete(), Error);
    EXPECT_EQ(codes(ds), (QStringList{"7", "8"}));
}

TEST(DbDataSetReadOnly, BackEndThatRefusesChangesRefusesThemWhileLoadingToo)
{
    LoadingSet ds;
    ds.refuses = true;
    ds.Open();
    EXPECT_THROW(ds.load({1}, {}), Error);
    EXPECT_TRUE(ds.recs.isEmpty());
}

// ---------------------------------------------------------------- redisplay

TEST(DbDataSetRedisplay, CurrentRecordIsReadAgainAndShown)
{
    LoadingSet ds;
    ds.add(1, "a");
    ds.add(2, "b");
    ds.Open();
    ds.Next();
    Recorder rec;
    rec.SetDataSet(&ds);
    ds.recs[1].v[1] = QString("changed");      // behind the cursor's back
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "b");
    ds.redisplay();
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "changed");
    EXPECT_EQ(ds.ViewValue(1, 1).toString(), "changed");
    EXPECT_EQ(rec.log, QStringList{"record"});
    EXPECT_EQ(ds.RecNo(), 2);

    // Locate on the record that is already current shows it again too.
    ds.recs[1].v[1] = QString("again");
    rec.log.clear();
    EXPECT_TRUE(ds.Locate("Code", 2));
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "again");
    EXPECT_EQ(rec.log, QStringList{"record"});
}

TEST(DbDataSetRedisplay, PendingEditIsNotLost)
{
    LoadingSet ds;
    ds.add(1, "a");
    ds.Open();
    ds.Edit();
    ds.FieldByName("Name")->SetValue("mine");
    ds.recs[0].v[1] = QString("theirs");
    ds.redisplay();
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "mine");
    ds.Post();
    EXPECT_EQ(ds.recs[0].v[1].toString(), "mine");
}

// ---------------------------------------------------------------- filter handler

TEST(DbDataSetFilter, HandlerAssignedWhileFilteringFiltersAtOnce)
{
    LoadingSet ds;
    for (int c : {1, 2, 3, 4, 5}) ds.add(c, QString::number(c));
    ds.Open();
    ds.SetFiltered(true);               // nothing to filter with yet
    EXPECT_EQ(ds.RecordCount(), 5);
    ds.SetRecNo(4);
    Recorder rec;
    rec.SetDataSet(&ds);

    ds.SetOnFilterRecord([](DataSet &d, bool &accept) { accept = d.FieldByName("Code")->AsInteger() % 2 == 0; });
    EXPECT_EQ(codes(ds), (QStringList{"2", "4"}));
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 2);
    EXPECT_EQ(rec.log, QStringList{"data"});

    // Taking the handler away shows every row and keeps the current one.
    ds.Next();
    ds.SetOnFilterRecord(nullptr);
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(ds.FieldByName("Code")->AsInteger(), 4);
}

TEST(DbDataSetFilter, HandlerAssignedWithoutFilteringWaitsAndPostsAPendingEditFirst)
{
    LoadingSet ds;
    for (int c : {1, 2, 3}) ds.add(c, QString::number(c));
    ds.Open();
    ds.SetOnFilterRecord([](DataSet &d, bool &accept) { accept = d.FieldByName("Code")->AsInteger() != 2; });
    EXPECT_EQ(ds.RecordCount(), 3);
    ds.SetFiltered(true);
    EXPECT_EQ(codes(ds), (QStringList{"1", "3"}));

    // An edit under way is posted before the rows are filtered again.
    ds.Edit();
    ds.FieldByName("Code")->SetValue(6);
    ds.SetOnFilterRecord([](DataSet &d, bool &accept) { accept = d.FieldByName("Code")->AsInteger() > 2; });
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(codes(ds), (QStringList{"6", "3"}));
}

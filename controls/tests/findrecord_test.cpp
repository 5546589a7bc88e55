// Record search and the data set routines over a real parts table.
#include "controls/findrecord.h"
#include "controls/winlayout.h"
#include "platform/db/schema.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/testsupport/scoped.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

struct PartsTable : ::testing::Test
{
    QTemporaryDir dir;
    Table t;

    void SetUp() override
    {
        writeMissingTemplates(dir.path());
        t.setObjectName("tblDetals");
        t.SetDatabaseName(dir.path());
        t.SetTableName("Group.dbf");
        t.Open();
        // NAME, LENGTH, WIDTH, MANY, ROTATE, LBORDER, RBORDER, TBORDER, BBORDER, MATERIAL
        t.AppendRecord({QString::fromUtf8("Боковина"), 720, 560, 2, 0, 0, 0, 0, 0, 1});
        t.AppendRecord({QString::fromUtf8("Полка"), 564, 540, 3, 1, 0, 0, 0, 0, 1});
        t.AppendRecord({QString::fromUtf8("ДСП 16мм"), 2800, 2070, 1, 2, 0, 0, 0, 0, 2});
        t.AppendRecord({QString::fromUtf8("Дно"), 800, 560, 1, 0, 0, 0, 0, 0, 2});
        t.First();
    }
};

// Counts which road a search took.
struct CountingLocate : TDBLocate
{
    using TDBLocate::TDBLocate;
    static inline int locates = 0, scans = 0;

protected:
    bool FindByLocate() override
    {
        ++locates;
        return TDBLocate::FindByLocate();
    }
    bool FindByScan() override
    {
        ++scans;
        return TDBLocate::FindByScan();
    }
};

} // namespace

TEST_F(PartsTable, FindRecordCases)
{
    struct Case
    {
        const char *field;
        const char *text;
        bool exact;
        bool found;
        int recNoAfter;   // from record 2 ("Полка")
    };
    const Case cases[] = {
        {"NAME", "Полка", true, true, 2},          // own value, nothing moves
        {"NAME", "дсп", false, true, 3},           // partial, Cyrillic without case
        {"NAME", "ДСП 16ММ", true, true, 3},       // exact without case
        {"NAME", "дсп", true, false, 2},           // exact fails, position kept
        {"NAME", "Шкаф", false, false, 2},         // nothing like it
        {"ROTATE", "2", true, true, 3},
        {"ROTATE", "2а", true, false, 2},          // not a whole number
        {"LENGTH", "80", false, true, 4},          // partial on a number: its text begins with it
        {"LENGTH", "12а", false, false, 2},
        {"NAME", "", false, true, 2},              // empty partial text matches any record
    };
    for (const Case &c : cases) {
        t.SetRecNo(2);
        TDBLocate loc(&t);
        EXPECT_EQ(loc.FindRecord(c.field, QString::fromUtf8(c.text), c.exact, false), c.found) << c.field << " " << c.text;
        EXPECT_EQ(t.RecNo(), c.recNoAfter) << c.field << " " << c.text;
        EXPECT_TRUE(loc.LookupText().isEmpty());
        EXPECT_EQ(loc.LookupField(), nullptr);
    }
}

TEST_F(PartsTable, CaseSensitiveSearchAndOwnValueUsesNoSearch)
{
    const auto hook = kv::test::ScopedHook(&SetLocateFactory, [](DataSet *ds) { return std::make_unique<CountingLocate>(ds); });
    std::unique_ptr<TLocateObject> loc = NewLocateObject(&t);
    CountingLocate::locates = CountingLocate::scans = 0;
    t.SetRecNo(1);
    EXPECT_TRUE(loc->FindRecord("name", QString::fromUtf8("Боков"), false, true));
    EXPECT_EQ(CountingLocate::locates + CountingLocate::scans, 0);
    EXPECT_FALSE(loc->FindRecord("NAME", QString::fromUtf8("полка"), true, true));
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_TRUE(loc->FindRecord("NAME", QString::fromUtf8("Полка"), true, true));
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(CountingLocate::locates, 2);
    EXPECT_NE(dynamic_cast<TDBLocate *>(NewLocateObject(&t).get()), nullptr);
}

TEST_F(PartsTable, PendingEditIsPostedAndUnknownFieldThrows)
{
    t.SetRecNo(4);
    t.Edit();
    t.FieldByName("NAME")->SetAsString(QString::fromUtf8("Дверца"));
    TDBLocate loc(&t);
    EXPECT_TRUE(loc.FindRecord("NAME", QString::fromUtf8("двер"), false, false));
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.RecNo(), 4);
    EXPECT_THROW(loc.FindRecord("KOD", "1", true, false), Error);
    TLocateObject none;
    EXPECT_FALSE(none.FindRecord("NAME", "x", true, false));
}

TEST_F(PartsTable, EmptyDataSetFindsNothing)
{
    while (!t.IsEmpty()) t.Delete();
    TDBLocate loc(&t);
    EXPECT_FALSE(loc.FindRecord("NAME", "", false, false));
    EXPECT_FALSE(loc.FindRecord("NAME", "", true, false));
    EXPECT_TRUE(DataSetHasNoRows(&t));
    t.Close();
    EXPECT_TRUE(DataSetHasNoRows(&t));
    EXPECT_FALSE(ReturnToBookmark(&t, Bookmark()));
}

TEST_F(PartsTable, ReturnToBookmark)
{
    t.SetRecNo(3);
    const Bookmark b = t.GetBookmark();
    t.First();
    EXPECT_TRUE(ReturnToBookmark(&t, b));
    EXPECT_EQ(t.RecNo(), 3);
    t.Delete();
    EXPECT_FALSE(ReturnToBookmark(&t, b));
    EXPECT_FALSE(ReturnToBookmark(&t, Bookmark()));
}

TEST_F(PartsTable, FieldLayoutRoundTrip)
{
    MemIniStorage ini;
    // NAME, LENGTH, WIDTH stored with indexes 2, 0, 1 come back as LENGTH, WIDTH, NAME.
    t.FieldByName("NAME")->SetIndex(2);
    t.FieldByName("LENGTH")->SetDisplayWidth(7);
    t.FieldByName("MANY")->SetVisible(false);
    StoreFieldLayout(&t, ini, "Parts");
    EXPECT_EQ(ini.raw("Parts", "tblDetalsNAME"), "2,100,1");
    EXPECT_EQ(ini.raw("Parts", "tblDetalsMANY"), "3,10,0");

    t.Close();
    t.Open();
    EXPECT_EQ(t.Fields(0)->FieldName(), "NAME");
    LoadFieldLayout(&t, ini, "Parts", false);
    EXPECT_EQ(t.Fields(0)->FieldName(), "LENGTH");
    EXPECT_EQ(t.Fields(1)->FieldName(), "WIDTH");
    EXPECT_EQ(t.Fields(2)->FieldName(), "NAME");
    EXPECT_EQ(t.FieldByName("LENGTH")->DisplayWidth(), 7);
    EXPECT_TRUE(t.FieldByName("MANY")->Visible());
    LoadFieldLayout(&t, ini, "Parts", true);
    EXPECT_FALSE(t.FieldByName("MANY")->Visible());
}

TEST(FieldLayout, SectionDefaultsAndWords)
{
    Table t;
    t.setObjectName("ds");
    EXPECT_EQ(DataSetLayoutSection(&t, "X"), "X");
    EXPECT_EQ(DataSetLayoutSection(&t, ""), "ds");
    EXPECT_EQ(LayoutWords(" 1, 2 ,3"), QStringList({"1", "2", "3"}));
}

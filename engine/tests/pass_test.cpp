#include "engine/tests/engine_test_util.h"

#include <climits>

using namespace kv::engine;
using kvtest::AllSound;
using kvtest::DumpAll;
using kvtest::RunAll;

namespace {

void Plain(TRaskroy &e, int length, int width)
{
    e.ResetRaskroy();
    e.P.MillWidth = 0;
    e.P.LIndent = e.P.RIndent = e.P.TIndent = e.P.BIndent = 0;
    e.P.StdSheetLength = length;
    e.P.StdSheetWidth = width;
    e.P.ExSearch = 0;
}

void AddOffcuts(TRaskroy &e, const std::string &name, int l, int w, int n)
{
    for (int i = 0; i < n; ++i)
        e.Stock.Sheets.Append(TSheet(name, 0, 0, l, w, 0, true));
}

struct StopAfter : TRaskroyObserver
{
    int64_t stopAt;
    int64_t lastTotal = -1;
    int64_t calls = 0;
    explicit StopAfter(int64_t n) : stopAt(n) {}
    void variantDone(int64_t i, int64_t total) override
    {
        lastTotal = total;
        if (i > 0)
            ++calls;
    }
    bool stopRequested() override { return calls >= stopAt; }
};

} // namespace

TEST(Pass, WithoutOffcutsOneStandardMapWithItsRepeatCount)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.Detals.Add("A", 500, 250, 10, 1);
    e.RaskroyFromStock();
    ASSERT_EQ(e.ResultMaps.Count(), 1);
    const TSheetsList &m = *e.ResultMaps.Items(0);
    EXPECT_FALSE(m.IsScrap);
    EXPECT_EQ(m.Detals.Count(), 4);
    EXPECT_EQ(m.Quantity, 2);
    EXPECT_EQ(m.Detals[0].SheetIndex, 0);
    EXPECT_EQ(e.WorkMap(), &m);
    EXPECT_EQ(e.Detals[0].Remaining, 2);
    e.RaskroyNextSheet();
    ASSERT_EQ(e.RaskroyState, rsDone);
    EXPECT_EQ(e.WorkMap(), e.ResultMaps.Items(1));
    EXPECT_EQ(e.WorkMap()->Detals.Count(), 2);
    EXPECT_EQ(e.WorkMap()->Quantity, 1);
    e.RaskroyNextSheet();
    EXPECT_EQ(e.RaskroyState, rsNothingLeft);
    EXPECT_EQ(e.WorkMap(), nullptr);
    EXPECT_TRUE(AllSound(e));
}

TEST(Pass, StandardSheetLimitGivesStateThreeThenOne)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.P.Standart = true;
    e.P.StdSheetsLeft = 1;
    e.Detals.Add("A", 500, 250, 10, 1);
    e.RaskroyFromStock();
    EXPECT_EQ(e.RaskroyState, rsDoneUsedUp);
    EXPECT_EQ(e.P.StdSheetsLeft, 0);
    ASSERT_EQ(e.ResultMaps.Count(), 1);
    EXPECT_EQ(e.ResultMaps.Items(0)->Quantity, 1);
    e.RaskroyNextSheet();
    EXPECT_EQ(e.RaskroyState, rsSheetsUsedUp);
    EXPECT_EQ(e.ResultMaps.Count(), 1);
    EXPECT_TRUE(AllSound(e));
}

TEST(Pass, NoStandardSheetLeftEndsTheFirstPassAtOnceButSortsTheParts)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.P.Standart = true;
    e.P.StdSheetsLeft = 0;
    e.Detals.Add("small", 10, 10, 1, 0);
    e.Detals.Add("big", 300, 200, 1, 0);
    e.RaskroyFromStock();
    EXPECT_EQ(e.RaskroyState, rsSheetsUsedUp);
    EXPECT_EQ(e.ResultMaps.Count(), 0);
    EXPECT_EQ(e.Detals[0].Name, "big"); // later passes must see the sorted list
}

TEST(Pass, OffcutsLaidOutAlikeAreJoinedAndNoStandardSheetIsCounted)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.P.Standart = true;
    e.P.StdSheetsLeft = 5;
    AddOffcuts(e, "R1", 100, 100, 3);
    e.Detals.Add("A", 100, 100, 3, 0);
    e.RaskroyFromStock();
    ASSERT_EQ(e.ResultMaps.Count(), 1) << DumpAll(e);
    const TSheetsList &m = *e.ResultMaps.Items(0);
    EXPECT_TRUE(m.IsScrap);
    EXPECT_EQ(m.Name, "R1");
    EXPECT_EQ(m.Quantity, 3);
    EXPECT_EQ(e.P.StdSheetsLeft, 5);
    EXPECT_TRUE(e.Detals.NothingLeft());
    EXPECT_TRUE(AllSound(e));
}

TEST(Pass, OffcutMapsAreClippedToTheirSheet)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.P.MillWidth = 4;
    AddOffcuts(e, "R1", 100, 100, 1);
    e.Detals.Add("A", 100, 100, 1, 0);
    e.RaskroyFromStock();
    ASSERT_EQ(e.ResultMaps.Count(), 1);
    // Both cuts of the exact fit lie on the kerf outside the off-cut.
    EXPECT_EQ(e.ResultMaps.Items(0)->Mills.Count(), 0) << DumpAll(e);
}

TEST(Pass, ExSearchZeroBuildsOnlyTheDefaultVariantAndNegativeCountsAsZero)
{
    std::string dumps[2];
    int i = 0;
    for (int ex : {0, -7}) {
        TRaskroy e;
        Plain(e, 1000, 500);
        e.P.ExSearch = ex;
        e.Detals.Add("A", 300, 170, 7, 0);
        e.Detals.Add("B", 120, 90, 9, 2);
        StopAfter obs(1000);
        e.SetObserver(&obs);
        RunAll(e);
        EXPECT_EQ(obs.lastTotal, 1);
        for (int m = 0; m < e.ResultMaps.Count(); ++m)
            EXPECT_EQ(e.ResultMaps.Items(m)->VariantNo, 0);
        EXPECT_TRUE(AllSound(e));
        dumps[i++] = DumpAll(e);
    }
    EXPECT_EQ(dumps[0], dumps[1]);
}

TEST(Pass, HugeExSearchIsClampedAndCountedIn64Bits)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.P.ExSearch = INT32_MAX;
    e.Detals.Add("A", 300, 170, 3, 0);
    StopAfter obs(2);
    e.SetObserver(&obs);
    e.RaskroyFromStock();
    EXPECT_EQ(obs.lastTotal, int64_t(kMaxExSearch) + 1);
    EXPECT_TRUE(e.StopRaskroy);
    EXPECT_EQ(e.ResultMaps.Count(), 1);
}

TEST(Pass, StopAfterVariantZeroStillCommitsTheMap)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.P.ExSearch = 50;
    AddOffcuts(e, "R", 400, 300, 2);
    e.Detals.Add("A", 300, 170, 9, 0);
    StopAfter obs(1);
    e.SetObserver(&obs);
    e.RaskroyFromStock();
    EXPECT_TRUE(e.StopRaskroy);
    EXPECT_EQ(obs.calls, 1);
    ASSERT_GE(e.ResultMaps.Count(), 1);
    EXPECT_EQ(e.ResultMaps.Items(0)->VariantNo, 0);
    EXPECT_LT(e.Detals[0].Remaining, 9);
    EXPECT_TRUE(AllSound(e));
}

TEST(Pass, RotateModeTwoIsRememberedFromEveryOffcutOfTheFirstPass)
{
    TRaskroy e;
    Plain(e, 1000, 1000);
    AddOffcuts(e, "Q", 500, 60, 1);  // first in stock order, takes Q only
    AddOffcuts(e, "P", 100, 300, 1); // takes P only, turned
    e.Detals.Add("Q", 500, 60, 1, 0);
    e.Detals.Add("P", 300, 100, 2, 2);
    RunAll(e);
    ASSERT_GE(e.ResultMaps.Count(), 3) << DumpAll(e);
    EXPECT_EQ(e.ResultMaps.Items(0)->Name, "Q");
    int seen = 0;
    for (int i = 0; i < e.ResultMaps.Count(); ++i)
        for (const TDetalHandle &h : e.ResultMaps.Items(i)->Detals)
            if (e.Detals[h.DetalIndex].Name == "P") {
                EXPECT_TRUE(h.Rotated) << DumpAll(e); // never cut both ways
                ++seen;
            }
    EXPECT_EQ(seen, 2);
    EXPECT_TRUE(AllSound(e));
}

TEST(Pass, NothingFitsTheStandardSheetEndsWithoutAnEmptyMap)
{
    TRaskroy e;
    Plain(e, 700, 300);
    AddOffcuts(e, "P", 100, 600, 1); // P fits it only turned: remembered so
    e.Detals.Add("P", 600, 100, 2, 2);
    e.RaskroyFromStock();
    ASSERT_EQ(e.ResultMaps.Count(), 1);
    EXPECT_EQ(e.Detals[0].Orientation, 2);
    e.RaskroyNextSheet();
    EXPECT_EQ(e.RaskroyState, rsNothingFits);
    EXPECT_EQ(e.ResultMaps.Count(), 1); // nothing committed, nothing repeated
    EXPECT_EQ(e.WorkMap(), nullptr);
    EXPECT_EQ(e.Detals[0].Remaining, 1);
    EXPECT_FALSE(e.AllRemainingFit(700, 300));
    EXPECT_TRUE(AllSound(e));
}

TEST(Pass, WorkMapIsTheLastResultMapAndResetReleasesIt)
{
    TRaskroy e;
    Plain(e, 1000, 500);
    e.P.ExSearch = 6;
    e.Detals.Add("A", 400, 300, 7, 0);
    RunAll(e);
    ASSERT_GT(e.ResultMaps.Count(), 1);
    EXPECT_TRUE(e.Detals.NothingLeft());
    EXPECT_EQ(e.WorkMap(), e.ResultMaps.Items(e.ResultMaps.Count() - 1));
    e.ResetRaskroy();
    EXPECT_EQ(e.WorkMap(), nullptr);
    EXPECT_EQ(e.ResultMaps.Count(), 0);
    // The engine runs a second material on the same object.
    Plain(e, 1000, 500);
    e.Detals.Add("B", 100, 100, 3, 0);
    RunAll(e);
    EXPECT_TRUE(AllSound(e));
}

TEST(Params, SizesOutsideTheirFieldsAreRefused)
{
    TRaskroyParams p;
    EXPECT_EQ(CheckParams(p), "");
    struct Case
    {
        int mill, l, r, t, b, length, width;
        bool ok;
    };
    const Case cases[] = {
        {4, 10, 10, 10, 10, 900, 600, true},
        {70000, 10, 10, 10, 10, 900, 600, false},
        {-1, 10, 10, 10, 10, 900, 600, false},
        {4, 65536, 0, 0, 0, 900, 600, false},
        {4, 10, 10, 10, 10, 0, 600, false},
        {4, 10, 10, 10, 10, 70000, 600, false},
        {4, 450, 450, 10, 10, 900, 600, false}, // trims eat the sheet
        {4, 10, 10, 300, 299, 900, 600, true},
    };
    for (const Case &c : cases) {
        p.MillWidth = c.mill;
        p.LIndent = c.l;
        p.RIndent = c.r;
        p.TIndent = c.t;
        p.BIndent = c.b;
        p.StdSheetLength = c.length;
        p.StdSheetWidth = c.width;
        EXPECT_EQ(CheckParams(p).empty(), c.ok) << c.mill << " " << c.l << " " << c.length;
    }
}

TEST(SameMap, DifferentLayoutsOfTheSamePartsAreNotTheSameMap)
{
    auto make = [](int x, bool rotated) {
        TSheetsList m;
        m.SizeX = 100;
        m.SizeY = 100;
        m.Sheets.Append(TSheet("", 0, 50, 100, 50, 0));
        m.Detals.AddHandle(0, 0, rotated, x, 0);
        return m;
    };
    EXPECT_TRUE(make(0, false).IsSameMap(make(0, false)));
    EXPECT_FALSE(make(0, false).IsSameMap(make(10, false)));
    EXPECT_FALSE(make(0, false).IsSameMap(make(0, true)));
    TSheetsList two = make(0, false);
    two.Detals.AddHandle(0, 0, false, 50, 0);
    EXPECT_FALSE(make(0, false).IsSameMap(two));
}

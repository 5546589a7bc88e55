#include "engine/dump.h"
#include "engine/raskroy.h"

#include <gtest/gtest.h>

using namespace kv::engine;

namespace {

// An engine with one free rectangle and kerf 0, no trims.
struct StepFixture
{
    TRaskroy e;
    TSheetsList map;
    StepFixture(int w, int h, int x = 0, int y = 0, bool scrap = false)
    {
        e.P.MillWidth = 0;
        e.P.LIndent = e.P.RIndent = e.P.TIndent = e.P.BIndent = 0;
        map.SizeX = w;
        map.SizeY = h;
        map.Sheets.Append(TSheet("", x, y, w, h, 0, scrap));
    }
    void Run(int bits, uint8_t last = 0)
    {
        e.VariantBits = bits;
        e.LastOrientation = last;
        e.Depth = 0;
        e.PutNextDetal(map);
    }
    bool HasRect(int x, int y, int w, int h) const
    {
        for (const TSheet &s : map.Sheets)
            if (s.X == x && s.Y == y && s.SizeX == w && s.SizeY == h)
                return true;
        return false;
    }
};

} // namespace

TEST(Step, ExactFitSplitsIntoTwoEmptyRectanglesWithoutABit)
{
    StepFixture f(100, 50);
    f.e.Detals.Add("A", 100, 50, 1, 1);
    f.Run(5);
    ASSERT_EQ(f.map.Detals.Count(), 1);
    EXPECT_EQ(f.e.VariantBits, 5); // no bit taken: PY equals SizeY, so vertical first
    ASSERT_EQ(f.map.Mills.Count(), 2);
    EXPECT_FALSE(f.map.Mills[0].Horizontal);
    EXPECT_EQ(f.map.Mills[0].X, 100);
    EXPECT_TRUE(f.HasRect(100, 0, 0, 50));
    EXPECT_TRUE(f.HasRect(0, 50, 100, 0));
    EXPECT_EQ(f.e.Detals[0].PassRemaining, 0);
    EXPECT_EQ(f.e.Detals[0].Orientation, 1);
}

TEST(Step, OrientationAndDirectionFromTheVariantBits)
{
    struct Case
    {
        int w, h;
        int bits;
        uint8_t last;
        bool turned, horizontalFirst;
        int bitsLeft;
    };
    const Case cases[] = {
        {100, 100, 0, 0, false, true, 0}, // variant 0: previous decision (none), horizontal
        {100, 100, 0, 2, true, true, 0},  // no bits: as the previous decision
        {100, 100, 1, 0, true, true, 0},  // bit 1: turned; then bit 0: horizontal
        {100, 100, 2, 0, false, false, 0},
        {100, 100, 3, 1, true, false, 0},
        {100, 30, 6, 0, true, false, 6},  // SizeY equals the part's length: turned, and then PY = SizeY
        {100, 20, 6, 2, false, false, 6}, // SizeY equals its width: not turned
        {30, 100, 1, 0, false, true, 1},  // SizeX equals its length: not turned, SizeX = PX
    };
    for (const Case &c : cases) {
        StepFixture f(c.w, c.h);
        f.e.Detals.Add("A", 30, 20, 1, 0);
        f.Run(c.bits, c.last);
        ASSERT_EQ(f.map.Detals.Count(), 1);
        EXPECT_EQ(f.map.Detals[0].Rotated, c.turned) << c.w << "x" << c.h << " bits " << c.bits;
        EXPECT_EQ(f.map.Mills[0].Horizontal, c.horizontalFirst) << c.w << "x" << c.h << " bits " << c.bits;
        EXPECT_EQ(f.e.VariantBits, c.bitsLeft) << c.w << "x" << c.h << " bits " << c.bits;
        EXPECT_EQ(f.e.LastOrientation, c.turned ? 2 : 1);
    }
}

TEST(Step, SawReachDecidesTheFirstCutAfterTheBitIsTaken)
{
    struct Case
    {
        int w, h, propil;
        bool horizontalFirst;
    };
    const Case cases[] = {
        {100, 80, 50, false}, // both sides too long: vertical wins
        {40, 80, 50, true},   // only the height: horizontal
        {100, 40, 50, false},
        {40, 40, 50, false},  // within reach: the bit (1) says vertical
    };
    for (const Case &c : cases) {
        StepFixture f(c.w, c.h);
        f.e.P.PropilLen = c.propil;
        f.e.Detals.Add("A", 30, 20, 1, 1);
        f.Run(1);
        ASSERT_EQ(f.map.Mills.Count(), 2);
        EXPECT_EQ(f.map.Mills[0].Horizontal, c.horizontalFirst) << c.w << "x" << c.h;
        EXPECT_EQ(f.e.VariantBits, 0); // the direction bit was taken anyway
    }
}

TEST(Step, MultiSawCutsAtTheLeftEdgeHorizontallyFirst)
{
    struct Case
    {
        int x;
        bool scrap;
        bool horizontalFirst;
    };
    // Kerf 4, left trim 10: the usable left edge is 8 on a standard sheet, -2 on an off-cut.
    const Case cases[] = {{8, false, true}, {-2, true, true}, {50, false, false}, {8, true, false}};
    for (const Case &c : cases) {
        StepFixture f(100, 50, c.x, 0, c.scrap);
        f.e.P.MillWidth = 4;
        f.e.P.LIndent = 10;
        f.e.P.MultiSaw = true;
        f.e.Detals.Add("A", 30, 50, 1, 1); // PY = SizeY would mean vertical first
        f.Run(0);
        EXPECT_EQ(f.map.Mills[0].Horizontal, c.horizontalFirst) << c.x << (c.scrap ? " off-cut" : "");
    }
}

TEST(Step, StandardSheetRectangleIsNoOffcut)
{
    TRaskroy e;
    e.P.MultiSaw = true;
    auto m = e.NewStandardMap();
    ASSERT_EQ(m->Sheets.Count(), 1);
    EXPECT_FALSE(m->Sheets[0].IsScrap);
    EXPECT_EQ(m->Sheets[0].X, e.P.LIndent - e.P.MillWidth / 2);
    EXPECT_TRUE(m->Sheets[0].AtLeftEdge(e.P));
}

TEST(Step, MergeJoinsTheRectangleBelowBothParts)
{
    StepFixture f(100, 100);
    f.e.Detals.Add("P1", 30, 40, 1, 0);
    f.e.Detals.Add("P2", 70, 40, 1, 0);
    f.Run(2); // P1: not turned (bit 0), vertical first (bit 1)
    ASSERT_EQ(f.map.Detals.Count(), 2);
    EXPECT_TRUE(f.HasRect(0, 40, 100, 60)) << DumpMap(f.map, f.e.Detals);
    EXPECT_TRUE(f.HasRect(0, 40, 0, 60)); // the rectangle merged away keeps its place, width 0
    EXPECT_TRUE(f.HasRect(100, 0, 0, 40));
    ASSERT_EQ(f.map.Mills.Count(), 3) << DumpMap(f.map, f.e.Detals);
    // The long vertical cut is shortened to P1's height, the cut under P1
    // lengthened under P2, and the cut under P2 removed.
    EXPECT_FALSE(f.map.Mills[0].Horizontal);
    EXPECT_EQ(f.map.Mills[0].Length, 40);
    EXPECT_TRUE(f.map.Mills[1].Horizontal);
    EXPECT_EQ(f.map.Mills[1].Y, 40);
    EXPECT_EQ(f.map.Mills[1].Length, 100);
    EXPECT_EQ(f.map.Mills[2].X, 100);
}

TEST(Step, RotateModeTwoKeepsTheFirstCopysOrientationWithinAVariant)
{
    for (int bits : {0, 1}) {
        StepFixture f(1000, 1000);
        f.e.Detals.Add("A", 30, 20, 6, 2);
        f.Run(bits);
        ASSERT_EQ(f.map.Detals.Count(), 6);
        for (const TDetalHandle &h : f.map.Detals)
            EXPECT_EQ(h.Rotated, bits == 1);
    }
}

TEST(Step, FullSearchLeavesTheFirstPartOutOnlyWithoutSmallerPartsBeforeIt)
{
    for (bool smallerFirst : {false, true}) {
        StepFixture f(100, 100);
        f.e.P.FullSearch = true;
        if (smallerFirst)
            f.e.Detals.Add("S", 10, 10, 0, 1);
        f.e.Detals.Add("A", 50, 50, 1, 1);
        f.Run(2); // direction bit 0, then leave-out bit 1
        ASSERT_EQ(f.map.Detals.Count(), 1);
        // Left out, then laid out on the retry with the marks cleared: one step more.
        EXPECT_EQ(f.e.Depth, smallerFirst ? 2 : 3);
    }
}

TEST(Step, OneDimExactPairTakesTheLastRectangleThatFitsExactly)
{
    StepFixture f(100, 100);
    f.map.Sheets.Append(TSheet("", 200, 0, 40, 10, 0, false));
    f.e.P.OneDimOpt = true;
    f.e.Detals.Add("A", 25, 40, 1, 0); // exact in 40x10 only turned? no: 40 > 10; fits 100x100 only
    f.e.Detals.Add("B", 40, 5, 1, 0);  // exact in the 40x10 not turned
    f.Run(0, 2);
    ASSERT_EQ(f.map.Detals.Count(), 2);
    EXPECT_EQ(f.map.Detals[0].DetalIndex, 1);
    EXPECT_FALSE(f.map.Detals[0].Rotated);
    EXPECT_EQ(f.map.Detals[0].X, 200);
}

TEST(Step, EverySearchThatDecidesAnOrientationRecordsIt)
{
    TRaskroy e;
    e.Detals.Add("A", 30, 20, 1, 0);
    const TSheet exactTurned("", 0, 0, 20, 50, 0); // exact only turned (20 along X)
    bool t = false;
    e.LastOrientation = 0;
    EXPECT_EQ(e.FindExactDetalForSheet(exactTurned, t), 0);
    EXPECT_TRUE(t);
    EXPECT_EQ(e.LastOrientation, 2);
    e.LastOrientation = 0;
    EXPECT_EQ(e.FindDetalForSheet(TSheet("", 0, 0, 100, 20, 0), t), 0);
    EXPECT_FALSE(t);
    EXPECT_EQ(e.LastOrientation, 1);
    TSheetsList m;
    m.Sheets.Append(exactTurned);
    e.LastOrientation = 1;
    EXPECT_EQ(e.FindSheetForDetal(m, 0, t), 0);
    EXPECT_EQ(e.LastOrientation, 2);
    int part = -1, rect = -1;
    e.LastOrientation = 1;
    EXPECT_TRUE(e.FindExactPair(m, part, t, rect));
    EXPECT_TRUE(t);
    EXPECT_EQ(e.LastOrientation, 1); // the exact pair search leaves it alone
}

#include "engine/raskroy.h"

#include <gtest/gtest.h>

#include <random>

using namespace kv::engine;

TEST(MillList, AddMillRefusesCutsCoveredByACollinearCut)
{
    struct Case
    {
        int x, y, len;
        bool horizontal;
        int sheet;
        bool added;
    };
    const Case cases[] = {
        {10, 20, 50, true, 0, false}, // the same cut
        {20, 20, 30, true, 0, false}, // inside
        {60, 20, 0, true, 0, false},  // a point at its end
        {5, 20, 50, true, 0, true},   // starts before it
        {20, 20, 45, true, 0, true},  // ends after it
        {10, 21, 50, true, 0, true},  // another line
        {10, 20, 50, true, 1, true},  // another stock sheet
        {10, 20, 50, false, 0, true}, // the other direction
    };
    for (const Case &c : cases) {
        TMillList l;
        ASSERT_TRUE(l.AddMill(10, 20, 50, true, 0));
        EXPECT_EQ(l.AddMill(c.x, c.y, c.len, c.horizontal, c.sheet), c.added) << c.x << "," << c.y << " " << c.len;
        EXPECT_EQ(l.Count(), c.added ? 2 : 1);
    }
}

TEST(MillList, ShortenExtendAndRemoveWorkOnTheSegmentsLine)
{
    TMillList l;
    l.AddMill(0, 40, 30, true, 0);   // ends at (30,40)
    l.AddMill(30, 0, 100, false, 0); // covers (30,40)-(30,100)
    l.AddMill(30, 40, 70, true, 0);  // exactly (30,40)-(100,40)
    l.AddMill(30, 0, 100, false, 1); // another sheet
    l.ShortenMill(0, {30, 40}, {30, 100}, false);
    l.ExtendMill(0, {30, 40}, {100, 40}, true);
    l.RemoveMill(0, {30, 40}, {100, 40}, true);
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l[0].Length, 100);
    EXPECT_EQ(l[1].Length, 40);
    EXPECT_EQ(l[2].Length, 100); // the other sheet's cut is untouched
    l.ShortenMill(0, {0, 0}, {0, 10}, false); // nothing there
    EXPECT_EQ(l.Count(), 3);
}

TEST(MillList, InRectCountsTouchingAsInside)
{
    const TRect r{0, 0, 100, 50};
    EXPECT_TRUE(HorzMillInRect(-10, 50, 10, r));
    EXPECT_FALSE(HorzMillInRect(-10, 50, 9, r));
    EXPECT_FALSE(HorzMillInRect(0, 51, 10, r));
    EXPECT_TRUE(VertMillInRect(100, 0, 5, r));
    EXPECT_FALSE(VertMillInRect(101, 0, 5, r));
}

TEST(DetalsList, HasSmallerDetalStopsAfterTheFirstPartWithCopiesFree)
{
    TDetalsList l;
    l.Add("A", 50, 50, 1, 0); // has copies: the walk ends after it
    l.Add("B", 10, 10, 1, 0);
    TDetal big;
    big.Length = 60;
    big.Width = 60;
    EXPECT_TRUE(l.HasSmallerDetal(big));
    big.Length = 40;
    EXPECT_FALSE(l.HasSmallerDetal(big)); // B is smaller but never reached
    l[0].PassRemaining = 0;
    EXPECT_TRUE(l.HasSmallerDetal(big));
    TDetal turned;
    turned.Length = 20;
    turned.Width = 60; // B 10x10 fits either way; A 50x50 does not
    l[0].PassRemaining = 1;
    EXPECT_FALSE(l.HasSmallerDetal(turned));
}

TEST(SheetsList, AreasOfEmptyMaps)
{
    TDetalsList parts;
    TSheetsList m;
    m.SizeX = 70000; // 32-bit products would overflow
    m.SizeY = 65000;
    EXPECT_EQ(m.FreeArea(parts), int64_t(70000) * 65000);
    EXPECT_EQ(m.MaxSheetLength(), 0);
    EXPECT_EQ(m.MaxAreaWithLength(10), 0);
}

TEST(SheetsList, ClipMillsToSheetKeepsCutsTouchingTheEdge)
{
    TSheetsList m;
    m.SizeX = 100;
    m.SizeY = 50;
    m.Mills.AddMill(0, 50, 100, true, 0);  // on the bottom edge: kept
    m.Mills.AddMill(0, 51, 100, true, 0);  // below: gone
    m.Mills.AddMill(-1, 0, 50, false, 0);  // left of it: gone
    m.Mills.AddMill(0, 0, 50, false, 0);   // on the left edge: kept
    m.Mills.AddMill(-10, 10, 10, true, 0); // ends on the edge: kept
    m.Mills.AddMill(-10, 20, 9, true, 0);  // ends before: gone
    m.ClipMillsToSheet();
    ASSERT_EQ(m.Mills.Count(), 3);
    EXPECT_EQ(m.Mills[0].Y, 50);
    EXPECT_EQ(m.Mills[1].X, 0);
    EXPECT_EQ(m.Mills[2].Y, 10);
}

TEST(SheetsList, TrimCutsAndClippingToTheTrims)
{
    TRaskroyParams p;
    p.MillWidth = 4;
    p.LIndent = 10;
    p.RIndent = 20;
    p.TIndent = 5;
    p.BIndent = 15;
    struct Case
    {
        int x, y, len;
        bool horizontal;
        int expected;
    };
    // Usable area with the kerf: x 8..982, y 3..487.
    const Case cases[] = {
        {8, 100, 974, true, 990},   // reaches the right edge: runs on through the right trim
        {8, 100, 965, true, 965},   // inner cut past SizeX - LIndent - RIndent: not stretched
        {8, 100, 500, true, 500},
        {300, 3, 484, false, 480},  // reaches the bottom edge: stops short by the kerf
        {300, 3, 480, false, 480},  // inner cut past SizeY - TIndent - BIndent: untouched
    };
    for (const Case &c : cases) {
        TSheetsList m;
        m.SizeX = 1000;
        m.SizeY = 500;
        m.Mills.AddMill(c.x, c.y, c.len, c.horizontal, 0);
        m.ClipMillsToTrims(p);
        EXPECT_EQ(m.Mills[0].Length, c.expected) << c.x << "," << c.y << " " << c.len;
    }
    TSheetsList m;
    m.SizeX = 1000;
    m.SizeY = 500;
    m.VariantNo = 7;
    m.AddTrimMills(p);
    ASSERT_EQ(m.Mills.Count(), 2);
    EXPECT_TRUE(m.Mills[0].Horizontal);
    EXPECT_EQ(m.Mills[0].Y, 3);
    EXPECT_EQ(m.Mills[0].Length, 1000);
    EXPECT_EQ(m.Mills[0].SheetIndex, 7);
    EXPECT_FALSE(m.Mills[1].Horizontal);
    EXPECT_EQ(m.Mills[1].X, 8);
    EXPECT_EQ(m.Mills[1].Y, 5);
    EXPECT_EQ(m.Mills[1].Length, 495);
    p.TIndent = 0;
    TSheetsList n;
    n.SizeX = 1000;
    n.SizeY = 500;
    n.AddTrimMills(p);
    ASSERT_EQ(n.Mills.Count(), 1);
    EXPECT_EQ(n.Mills[0].Y, 0);
    EXPECT_EQ(n.Mills[0].Length, 500);
}

TEST(SheetsList, WithoutKerfCutsEndingAtTheUsableEdgeRunThroughTheRightTrim)
{
    // Kerf 0, trims 10: the usable area is x 10..990, y 10..490, and a cut
    // across it ends exactly on the edge, not beyond it.
    TRaskroyParams p;
    p.MillWidth = 0;
    p.LIndent = p.RIndent = p.TIndent = p.BIndent = 10;
    TSheetsList m;
    m.SizeX = 1000;
    m.SizeY = 500;
    m.Mills.AddMill(10, 100, 980, true, 0);  // across the sheet: on to x 1000
    m.Mills.AddMill(10, 200, 500, true, 0);  // inner: untouched
    m.Mills.AddMill(300, 10, 480, false, 0); // down the sheet: the kerf taken off is 0
    m.ClipMillsToTrims(p);
    EXPECT_EQ(m.Mills[0].Length, 990);
    EXPECT_EQ(m.Mills[1].Length, 500);
    EXPECT_EQ(m.Mills[2].Length, 480);
}

namespace {
struct MapSpec
{
    std::vector<int> parts;                 // indices into the parts list
    std::vector<std::pair<int, int>> rects; // free rectangles, largest area first
    int millLength = 0;
};
std::unique_ptr<TSheetsList> Make(const MapSpec &s)
{
    auto m = std::make_unique<TSheetsList>();
    m->SizeX = 1000;
    m->SizeY = 1000;
    for (int p : s.parts)
        m->Detals.AddHandle(p, 0, false, 0, 0);
    for (auto [w, h] : s.rects)
        m->Sheets.Append(TSheet("", 0, 0, w, h, 0));
    if (s.millLength)
        m->Mills.AddMill(0, 0, s.millLength, true, 0);
    return m;
}
} // namespace

TEST(Criteria, WinnerTable)
{
    TDetalsList parts;
    parts.Add("A", 100, 100, 10, 0); // area 10000
    parts.Add("B", 200, 50, 10, 0);  // area 10000
    parts.Add("C", 10, 10, 10, 0);
    struct Case
    {
        int criterion;
        MapSpec old, nu;
        bool newWins;
    };
    const Case cases[] = {
        // The smaller free area wins whatever the criterion.
        {2, {{0, 1}, {{10, 10}}}, {{0}, {{900, 900}}}, false},
        {4, {{0}, {}, 10}, {{0, 2}, {}, 999}, true},
        // 2: larger rectangles position by position; the new map on a tie.
        {2, {{0}, {{100, 1}, {50, 1}}}, {{1}, {{100, 1}, {60, 1}}}, true},
        {2, {{0}, {{100, 1}, {50, 1}}}, {{1}, {{90, 1}, {80, 1}}}, false},
        {2, {{0}, {{100, 1}}}, {{1}, {{100, 1}, {5, 1}}}, true},
        {2, {{0}, {{100, 1}, {7, 1}}}, {{1}, {{100, 1}, {7, 1}}}, true},
        // 3: longest rectangle, then its largest area; the new map on a tie.
        {3, {{0}, {{80, 10}}}, {{1}, {{90, 1}}}, true},
        {3, {{0}, {{80, 10}}}, {{1}, {{80, 20}}}, true},
        {3, {{0}, {{80, 20}}}, {{1}, {{80, 10}, {10, 90}}}, false},
        {3, {{0}, {{80, 20}}}, {{1}, {{80, 20}}}, true},
        // 4: shorter total of cuts; the new map on a tie.
        {4, {{0}, {}, 100}, {{1}, {}, 120}, false},
        {4, {{0}, {}, 100}, {{1}, {}, 80}, true},
        {4, {{0}, {}, 100}, {{1}, {}, 100}, true},
    };
    int n = 0;
    for (const Case &c : cases) {
        TVariantsList l;
        l.KeepBest = true;
        TSheetsList *o = l.AddVariant(Make(c.old), 0, parts, uint8_t(c.criterion));
        TSheetsList *kept = l.AddVariant(Make(c.nu), 1, parts, uint8_t(c.criterion));
        ASSERT_EQ(l.Count(), 1);
        EXPECT_EQ(kept->VariantNo, c.newWins ? 1 : 0) << "case " << n;
        (void)o;
        ++n;
    }
}

TEST(VariantsList, AddVariantSortsRectanglesByAreaAndHandlesByPart)
{
    TDetalsList parts;
    parts.Add("A", 1, 1, 1, 0);
    TVariantsList l;
    auto m = std::make_unique<TSheetsList>();
    m->Sheets.Append(TSheet("", 0, 0, 10, 1, 0));
    m->Sheets.Append(TSheet("", 1, 0, 5, 5, 0));
    m->Detals.AddHandle(3, 0, false, 0, 0);
    m->Detals.AddHandle(1, 0, false, 0, 0);
    TSheetsList *k = l.AddVariant(std::move(m), 5, parts, 2);
    EXPECT_EQ(k->VariantNo, 5);
    EXPECT_EQ(k->Sheets[0].Area(), 25);
    EXPECT_EQ(k->Detals[0].DetalIndex, 1);
    EXPECT_EQ(l.Count(), 1); // no KeepBest: nothing compared
}

// The cut index of the layout step answers every operation as the plain list
// does: the same cuts, lengths and order, removed cuts closed up.
TEST(CutIndex, AnswersAsThePlainListOnRandomOperations)
{
    std::mt19937 rng(41);
    auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 200; ++round) {
        TMillList plain;
        std::vector<TMillLine> indexed;
        TCutIndex cuts;
        cuts.Begin(indexed);
        // Few lines and sheets, so that cuts meet, cover and end on each other.
        auto cut = [&](bool horizontal) {
            return TMillLine{r(0, 6) * 10, r(0, 6) * 10, r(0, 4) * 10, horizontal, r(0, 2)};
        };
        for (int op = 0; op < 60; ++op) {
            int32_t sheet = r(0, 2);
            bool h = r(0, 1) == 1;
            TPoint a{r(0, 6) * 10, r(0, 6) * 10};
            TPoint b = h ? TPoint{a.X + r(0, 3) * 10, a.Y} : TPoint{a.X, a.Y + r(0, 3) * 10};
            // Mostly on a cut there is, end to end, or from its end on.
            if (plain.Count() > 0 && r(0, 3) > 0) {
                const TMillLine &m = plain[r(0, plain.Count() - 1)];
                sheet = m.SheetIndex;
                h = m.Horizontal;
                const TPoint end = h ? TPoint{m.X + m.Length, m.Y} : TPoint{m.X, m.Y + m.Length};
                a = r(0, 1) ? TPoint{m.X, m.Y} : end;
                b = a.X == m.X && a.Y == m.Y ? end : (h ? TPoint{a.X + 10, a.Y} : TPoint{a.X, a.Y + 10});
            }
            switch (r(0, 5)) {
            case 0: {
                TMillLine m = cut(h);
                if (r(0, 1)) // again where a cut was
                    m = TMillLine{a.X, a.Y, h ? b.X - a.X : b.Y - a.Y, h, sheet};
                EXPECT_EQ(cuts.AddMill(m), plain.AddMill(m.X, m.Y, m.Length, m.Horizontal, m.SheetIndex));
                break;
            }
            case 1: {
                const TMillLine first = cut(h), second = cut(r(0, 1) == 1);
                cuts.AddMillPair(first, second);
                plain.AddMillPair(first, second);
                break;
            }
            case 2:
                cuts.ShortenMill(sheet, a, b, h);
                plain.ShortenMill(sheet, a, b, h);
                break;
            case 3:
                cuts.ExtendMill(sheet, a, b, h);
                plain.ExtendMill(sheet, a, b, h);
                break;
            case 4:
                cuts.RemoveMill(sheet, a, b, h);
                plain.RemoveMill(sheet, a, b, h);
                break;
            default:
                // A variant ends and the next goes on from the same cuts.
                cuts.Finish();
                cuts.Begin(indexed);
                break;
            }
        }
        cuts.Finish();
        ASSERT_EQ(indexed.size(), plain.Vector().size()) << "round " << round;
        for (size_t i = 0; i < indexed.size(); ++i) {
            const TMillLine &x = indexed[i], &y = plain.Vector()[i];
            EXPECT_TRUE(x.X == y.X && x.Y == y.Y && x.Length == y.Length && x.Horizontal == y.Horizontal &&
                        x.SheetIndex == y.SheetIndex)
                << "round " << round << ", cut " << i;
        }
    }
}

#include "toolbars/dock.h"

#include <gtest/gtest.h>

using kv::tb::ArrangeDockItems;
using kv::tb::DockArrangeItem;

namespace {

DockArrangeItem bar(int id, int row, int pos, int length, int thickness = 22, bool fullSize = false, bool shown = true)
{
    DockArrangeItem i;
    i.id = id;
    i.row = row;
    i.pos = pos;
    i.length = length;
    i.thickness = thickness;
    i.fullSize = fullSize;
    i.shown = shown;
    return i;
}

const DockArrangeItem &byId(const std::vector<DockArrangeItem> &v, int id)
{
    for (const auto &i : v)
        if (i.id == id)
            return i;
    throw std::runtime_error("no such bar");
}

} // namespace

TEST(DockArrange, BarsThatFitKeepTheirPlaces)
{
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 100), bar(1, 0, 150, 100)};
    auto r = ArrangeDockItems(v, true, 300, false, true);
    EXPECT_EQ(byId(v, 0).bounds, QRect(0, 0, 100, 26));
    EXPECT_EQ(byId(v, 1).bounds, QRect(150, 0, 100, 26));
    EXPECT_EQ(r.thickness, 26);
    ASSERT_EQ(r.rowSizes.size(), 1u);
    EXPECT_EQ(r.rowSizes[0], 22);
}

struct ArrangeCase {
    const char *name;
    std::vector<int> pos;     // three bars of 100 in row 0
    int length;
    std::vector<int> expected;
};

class DockArrangeTable : public testing::TestWithParam<ArrangeCase> {};

TEST_P(DockArrangeTable, PositionsAlongTheDock)
{
    const ArrangeCase &c = GetParam();
    std::vector<DockArrangeItem> v;
    for (size_t i = 0; i < c.pos.size(); ++i)
        v.push_back(bar(int(i), 0, c.pos[i], 100));
    ArrangeDockItems(v, true, c.length, false, true);
    for (size_t i = 0; i < c.pos.size(); ++i) {
        EXPECT_EQ(byId(v, int(i)).pos, c.expected[i]) << c.name << " bar " << i;
        EXPECT_EQ(byId(v, int(i)).bounds.left(), c.expected[i]) << c.name << " bar " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DockArrangeTable,
    testing::Values(
        // 0/150/250 in 300: the last bar is pulled back, the middle one with it.
        ArrangeCase{"pulled back", {0, 150, 250}, 300, {0, 100, 200}},
        // Too long for the dock: bars run past the end rather than overlap.
        ArrangeCase{"run past end", {0, 150, 250}, 250, {0, 100, 200}},
        ArrangeCase{"overlapping pushed apart", {0, 50, 60}, 400, {0, 100, 200}},
        // -8 (a double-click docking) ends at 0 and pushes the others right.
        ArrangeCase{"minus eight", {-8, 50, 300}, 600, {0, 100, 300}},
        ArrangeCase{"order by position", {250, 0, 120}, 600, {250, 0, 120}}),
    [](const testing::TestParamInfo<ArrangeCase> &i) {
        std::string s = i.param.name;
        for (char &ch : s)
            if (ch == ' ')
                ch = '_';
        return s;
    });

TEST(DockArrange, FullSizeBarMovesOthersToANewRow)
{
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 100), bar(1, 0, 120, 300, 35, true)};
    auto r = ArrangeDockItems(v, true, 600, false, true);
    EXPECT_EQ(byId(v, 1).row, 0);
    EXPECT_EQ(byId(v, 0).row, 1);
    EXPECT_EQ(byId(v, 1).bounds, QRect(0, 0, 600, 39));
    EXPECT_EQ(byId(v, 0).bounds, QRect(0, 39, 100, 26));
    EXPECT_EQ(r.thickness, 39 + 26);
}

TEST(DockArrange, EmptyRowsAreRemovedCompletely)
{
    // Rows 0 and 3 used: both empty rows between them go in one arrangement.
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 100), bar(1, 3, 0, 100)};
    auto r = ArrangeDockItems(v, true, 600, false, false);
    EXPECT_EQ(byId(v, 1).row, 1);
    EXPECT_EQ(r.rowSizes.size(), 2u);
    // Two empty rows at the start.
    std::vector<DockArrangeItem> w{bar(0, 2, 0, 100)};
    ArrangeDockItems(w, true, 600, false, false);
    EXPECT_EQ(w[0].row, 0);
}

TEST(DockArrange, EqualRowAndPositionKeepTheirOrder)
{
    std::vector<DockArrangeItem> v{bar(7, 0, 0, 100), bar(3, 0, 0, 100), bar(5, 0, 0, 100)};
    ArrangeDockItems(v, true, 600, false, true);
    EXPECT_EQ(v[0].id, 7);
    EXPECT_EQ(v[1].id, 3);
    EXPECT_EQ(v[2].id, 5);
    EXPECT_EQ(byId(v, 7).pos, 0);
    EXPECT_EQ(byId(v, 3).pos, 100);
    EXPECT_EQ(byId(v, 5).pos, 200);
}

TEST(DockArrange, WithoutClippingStoredPositionsStay)
{
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 100), bar(1, 0, 250, 100)};
    ArrangeDockItems(v, true, 300, false, false);
    EXPECT_EQ(byId(v, 1).pos, 250);
    EXPECT_EQ(byId(v, 1).bounds.left(), 200);
}

TEST(DockArrange, HiddenBarsKeepRowsButTakeNoRoom)
{
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 100, 22, false, false), bar(1, 1, 0, 100)};
    auto r = ArrangeDockItems(v, true, 300, false, true);
    ASSERT_EQ(r.rowSizes.size(), 2u);
    EXPECT_EQ(r.rowSizes[0], 0);
    EXPECT_EQ(byId(v, 1).bounds, QRect(0, 0, 100, 26));
    EXPECT_EQ(r.thickness, 26);
}

TEST(DockArrange, NoShownBarIsEmpty)
{
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 100, 22, false, false)};
    EXPECT_TRUE(ArrangeDockItems(v, true, 300, false, true).empty);
}

TEST(DockArrange, VerticalDockStacksAcross)
{
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 80, 30), bar(1, 1, 10, 60, 20)};
    auto r = ArrangeDockItems(v, false, 400, false, true);
    EXPECT_EQ(byId(v, 0).bounds, QRect(0, 0, 34, 80));
    EXPECT_EQ(byId(v, 1).bounds, QRect(34, 10, 24, 60));
    EXPECT_EQ(r.thickness, 58);
}

TEST(DockArrange, LimitToOneRow)
{
    std::vector<DockArrangeItem> v{bar(0, 0, 0, 100), bar(1, 2, 0, 100)};
    ArrangeDockItems(v, true, 300, true, true);
    EXPECT_EQ(byId(v, 1).row, 0);
    EXPECT_EQ(byId(v, 1).pos, 100);
}

struct RowAtCase {
    int p;
    int row;
    bool insert;
};

class GetRowAtTable : public testing::TestWithParam<RowAtCase> {};

TEST_P(GetRowAtTable, DropRows)
{
    // Rows of 22 and 30: extents 26 and 34, boundary at 26, end at 60.
    std::vector<int> sizes{22, 30};
    bool insert = false;
    int row = kv::tb::GetRowAtSizes(sizes, GetParam().p, insert);
    EXPECT_EQ(row, GetParam().row) << "p=" << GetParam().p;
    EXPECT_EQ(insert, GetParam().insert) << "p=" << GetParam().p;
}

INSTANTIATE_TEST_SUITE_P(Cases, GetRowAtTable,
                         testing::Values(RowAtCase{-3, 0, true}, RowAtCase{4, 0, true}, RowAtCase{5, 0, false},
                                         RowAtCase{20, 0, false}, RowAtCase{21, 1, true},
                                         RowAtCase{23, 1, true},   // 3 above the boundary: new row 1
                                         RowAtCase{30, 1, true}, RowAtCase{31, 1, false}, RowAtCase{43, 1, false},
                                         RowAtCase{54, 1, false}, RowAtCase{55, 2, true},
                                         RowAtCase{200, 2, false}));

TEST(GetRowAt, EmptyRowsAreSkippedAndEmptyDockStartsRowZero)
{
    bool insert = false;
    EXPECT_EQ(kv::tb::GetRowAtSizes({}, 10, insert), 0);
    EXPECT_FALSE(insert);
    std::vector<int> sizes{0, 22};
    EXPECT_EQ(kv::tb::GetRowAtSizes(sizes, 12, insert), 1);
    EXPECT_FALSE(insert);
}

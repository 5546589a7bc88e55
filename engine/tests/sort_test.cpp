#include "engine/exchange_sort.h"
#include "engine/model.h"

#include <gtest/gtest.h>

#include <random>

using namespace kv::engine;

namespace {

struct Item
{
    int key;
    int id; // tells equal keys apart
    bool operator==(const Item &o) const { return key == o.key && id == o.id; }
};

std::vector<Item> RandomItems(std::mt19937 &rng, int n, int distinct)
{
    std::uniform_int_distribution<int> k(0, distinct - 1);
    std::vector<Item> v;
    for (int i = 0; i < n; ++i)
        v.push_back({k(rng), i});
    return v;
}

} // namespace

TEST(ExchangeSort, LiteralLeavesTheExchangeOrderOfEqualKeys)
{
    // Hand-run: i=0 swaps with 1 (key 1 < 2), then with 3 (0 < 1); i=1 ...
    std::vector<Item> v{{2, 0}, {1, 1}, {2, 2}, {0, 3}, {1, 4}};
    ExchangeSortLiteral(v, [](const Item &x) { return x.key; });
    const std::vector<Item> expected{{0, 3}, {1, 1}, {1, 4}, {2, 0}, {2, 2}};
    EXPECT_EQ(v, expected);
}

TEST(ExchangeSort, FastEqualsLiteralOnRandomArraysWithManyTies)
{
    std::mt19937 rng(12345);
    const int sizes[] = {0, 1, 2, 23, 24, 25, 40, 100, 333, 1000};
    const int distinct[] = {1, 2, 3, 7, 50, 100000};
    for (int n : sizes) {
        for (int d : distinct) {
            for (int rep = 0; rep < 5; ++rep) {
                auto a = RandomItems(rng, n, d);
                auto b = a;
                auto key = [](const Item &x) { return x.key; };
                ExchangeSortLiteral(a, key);
                ExchangeSort(b, key);
                ASSERT_EQ(a, b) << "n=" << n << " distinct=" << d;
            }
        }
    }
}

TEST(ExchangeSort, FastEqualsLiteralOnNearlySortedArrays)
{
    // The layout re-sorts lists that are sorted but for a few changed items.
    std::mt19937 rng(777);
    for (int rep = 0; rep < 200; ++rep) {
        auto a = RandomItems(rng, 300, 20);
        std::stable_sort(a.begin(), a.end(), [](const Item &x, const Item &y) { return x.key < y.key; });
        std::uniform_int_distribution<int> pos(0, 299), val(0, 19);
        for (int c = 0; c < 3; ++c)
            a[size_t(pos(rng))].key = val(rng);
        a.push_back({val(rng), 1000});
        auto b = a;
        auto key = [](const Item &x) { return x.key; };
        ExchangeSortLiteral(a, key);
        ExchangeSort(b, key);
        ASSERT_EQ(a, b);
    }
}

TEST(ExchangeSort, SheetSortsMatchTheLiteralOnes)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> side(0, 12);
    for (int rep = 0; rep < 50; ++rep) {
        std::vector<TSheet> a;
        for (int i = 0; i < 120; ++i)
            a.push_back(TSheet("", i, 0, side(rng) * 10, side(rng) * 10, 0));
        auto b = a, c = a, d = a;
        SortSheets(a, true);
        SortSheets(b, false);
        SortSheetsByArea(c, true);
        SortSheetsByArea(d, false);
        for (size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(a[i].X, b[i].X);
            ASSERT_EQ(c[i].X, d[i].X);
        }
        for (size_t i = 1; i < a.size(); ++i) {
            const int32_t l0 = std::max(a[i - 1].SizeX, a[i - 1].SizeY), l1 = std::max(a[i].SizeX, a[i].SizeY);
            ASSERT_GE(l0, l1);
            ASSERT_GE(c[i - 1].Area(), c[i].Area());
        }
    }
}

namespace {

// Sorted lists with a few items changed or appended, re-sorted by the dirty
// positions version: the same list as the literal loop, and nothing moved
// outside the positions it reports.
void CheckDirtyVersion(unsigned seed, int reps, int maxLen, int maxDistinct)
{
    std::mt19937 rng(seed);
    auto key = [](const Item &x) { return x.key; };
    for (int rep = 0; rep < reps; ++rep) {
        std::uniform_int_distribution<int> len(0, maxLen), nd(1, 8), dist(1, maxDistinct);
        const int n = len(rng);
        const int distinct = dist(rng);
        auto a = RandomItems(rng, n, distinct);
        ExchangeSortLiteral(a, key); // sorted, with the exchange order of ties
        std::vector<int> dirty;
        std::uniform_int_distribution<int> val(0, distinct - 1);
        const int changes = rep % 10 == 0 ? 40 : nd(rng); // many: the tree takes over
        for (int c = 0; c < changes; ++c) {
            if (n > 0 && c % 3 != 2) {
                const int p = std::uniform_int_distribution<int>(0, n - 1)(rng);
                a[size_t(p)].key = val(rng);
                dirty.push_back(p);
            } else {
                a.push_back({val(rng), 100000 + c});
                dirty.push_back(int(a.size()) - 1);
            }
        }
        auto b = a;
        const auto before = a;
        ExchangeSortLiteral(a, key);
        TouchedRange touched;
        ExchangeSortDirty(b, key, dirty.data(), dirty.size(), &touched);
        ASSERT_EQ(a, b) << "rep " << rep;
        for (size_t p = 0; p < b.size(); ++p) {
            if (int(p) < touched.lo || int(p) > touched.hi) {
                ASSERT_EQ(b[p], before[p]) << "rep " << rep << " position " << p;
            }
        }
    }
}

} // namespace

TEST(ExchangeSort, DirtyPositionsVersionEqualsLiteral)
{
    CheckDirtyVersion(4242, 3000, 300, 40);
}

TEST(ExchangeSort, DirtyPositionsVersionEqualsLiteralOnLongListsOfManyKeys)
{
    // An item rising past hundreds of groups of equal keys, short and long.
    CheckDirtyVersion(77, 300, 1500, 1200);
}

TEST(ExchangeSort, ShortListsEqualLiteralAtEverySize)
{
    // Lists of up to 64 items take their own road; the layout's lists are
    // mostly that short and stand in order but for a few changed items.
    std::mt19937 rng(2024);
    auto key = [](const Item &x) { return x.key; };
    for (int n = 0; n <= 65; ++n) {
        for (int rep = 0; rep < 60; ++rep) {
            const int distinct = 1 + rep % 9;
            auto a = RandomItems(rng, n, distinct);
            if (rep % 2 == 1 && n > 0) {
                ExchangeSortLiteral(a, key);
                std::uniform_int_distribution<int> pos(0, n - 1), val(0, distinct - 1);
                for (int c = 0; c < 1 + rep % 4; ++c)
                    a[size_t(pos(rng))].key = val(rng);
            }
            auto b = a;
            ExchangeSortLiteral(a, key);
            ExchangeSort(b, key);
            ASSERT_EQ(a, b) << "n=" << n << " rep=" << rep;
        }
    }
}

TEST(ExchangeSort, ASortWhoseDisorderSpreadLeavesTheNextOnesExact)
{
    // A few changed items whose exchanges reach many others hand the list to
    // the tree half way; the sorts after it, on other lists of this thread,
    // must know only their own changed positions.
    std::mt19937 rng(31337);
    auto key = [](const Item &x) { return x.key; };
    int spread = 0;
    for (int rep = 0; rep < 4000 && spread < 20; ++rep) {
        const int n = std::uniform_int_distribution<int>(80, 400)(rng);
        const int distinct = std::uniform_int_distribution<int>(2, 12)(rng);
        auto a = RandomItems(rng, n, distinct);
        ExchangeSortLiteral(a, key);
        std::vector<int> dirty;
        for (int c = 0; c < 20; ++c) {
            const int p = std::uniform_int_distribution<int>(0, n - 1)(rng);
            a[size_t(p)].key = std::uniform_int_distribution<int>(0, distinct - 1)(rng);
            dirty.push_back(p);
        }
        auto b = a;
        ExchangeSortLiteral(a, key);
        TouchedRange touched;
        ExchangeSortDirty(b, key, dirty.data(), dirty.size(), &touched);
        ASSERT_EQ(a, b) << "rep " << rep;
        if (touched.lo != 0 || touched.hi != n - 1)
            continue;
        ++spread;
        // Then a long list with one changed item, once at each of a few places.
        for (int p : {0, 1, 37, 150, 298, 299}) {
            auto c = RandomItems(rng, 300, 50);
            ExchangeSortLiteral(c, key);
            c[size_t(p)].key = std::uniform_int_distribution<int>(0, 49)(rng);
            auto d = c;
            ExchangeSortLiteral(c, key);
            ExchangeSortDirty(d, key, &p, 1);
            ASSERT_EQ(c, d) << "rep " << rep << ", changed at " << p;
        }
    }
    EXPECT_GT(spread, 0) << "no sort handed its list to the tree";
}

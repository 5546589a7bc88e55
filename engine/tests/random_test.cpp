#include "engine_test_util.h"

#include <random>

using namespace kv::engine;
using kvtest::AllSound;
using kvtest::DumpAll;
using kvtest::RunAll;

namespace {

struct Instance
{
    TRaskroyParams p;
    std::vector<std::tuple<int, int, int, int>> parts; // length, width, count, rotate
    std::vector<std::tuple<int, int, int>> offcuts;    // length, width, copies
};

Instance RandomInstance(std::mt19937 &rng)
{
    auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Instance in;
    TRaskroyParams &p = in.p;
    p.MillWidth = r(0, 5);
    p.LIndent = r(0, 15);
    p.RIndent = r(0, 15);
    p.TIndent = r(0, 15);
    p.BIndent = r(0, 15);
    p.StdSheetLength = r(200, 1200);
    p.StdSheetWidth = r(150, 800);
    p.ExSearch = r(0, 24);
    p.OptimCriterion = uint8_t(r(2, 4));
    p.AlgorithmNumber = r(0, 1);
    p.OneDimOpt = r(0, 2) == 0;
    p.FullSearch = r(0, 3) == 0;
    const int tech = r(0, 5);
    p.MultiSaw = tech == 1;
    p.PropilLen = tech == 2 ? r(100, 600) : 0;
    const int u = p.StdSheetLength - p.LIndent - p.RIndent, v = p.StdSheetWidth - p.TIndent - p.BIndent;
    const int kinds = r(1, 7);
    for (int i = 0; i < kinds; ++i) {
        // Round sizes make exact fits and ties frequent.
        const int step = r(0, 1) ? 50 : 1;
        int l = std::max(1, r(1, std::max(1, u / 2)) / step * step);
        int w = std::max(1, r(1, std::max(1, v / 2)) / step * step);
        const int rot = r(0, 2);
        if (rot == 1 && (l > u || w > v))
            std::swap(l, w);
        in.parts.emplace_back(std::min(l, u), std::min(w, v), r(1, 12), rot);
    }
    if (r(0, 1)) {
        const int rows = r(1, 4);
        for (int i = 0; i < rows; ++i)
            in.offcuts.emplace_back(r(50, 700) / 10 * 10, r(50, 500) / 10 * 10, r(1, 4));
    }
    return in;
}

void Load(TRaskroy &e, const Instance &in)
{
    e.ResetRaskroy();
    e.P = in.p;
    int n = 0;
    for (auto [l, w, c, rot] : in.parts)
        e.Detals.Add(std::string("D").append(std::to_string(n++)), l, w, c, uint8_t(rot));
    n = 0;
    for (auto [l, w, c] : in.offcuts) {
        for (int i = 0; i < c; ++i)
            e.Stock.Sheets.Append(TSheet(std::string("S").append(std::to_string(n)), 0, 0, l, w, 0, true));
        ++n;
    }
}

} // namespace

TEST(Random, EveryMapIsSoundAndTheFastPathsEqualThePlainOnes)
{
    std::mt19937 rng(20261209);
    for (int iter = 0; iter < 300; ++iter) {
        const Instance in = RandomInstance(rng);
        TRaskroy fast, plain;
        plain.Reference = true;
        Load(fast, in);
        Load(plain, in);
        RunAll(fast, 500);
        RunAll(plain, 500);
        ASSERT_TRUE(AllSound(fast)) << "instance " << iter;
        const std::string a = DumpAll(fast), b = DumpAll(plain);
        ASSERT_EQ(a, b) << "instance " << iter;
    }
}

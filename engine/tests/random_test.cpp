#include "engine/tests/engine_test_util.h"

#include <random>

using namespace kv::engine;
using kvtest::AllSound;
using kvtest::DumpAll;
using kvtest::Instance;
using kvtest::Load;
using kvtest::RunAll;

namespace {

Instance RandomInstance(std::mt19937 &rng)
{
    return kvtest::RandomInstance(rng, kvtest::RandomShape{});
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

// A full warehouse: a thousand off-cut copies make lists long enough for the
// indexes of the fast path (sizes, cuts by line, rectangles by stock sheet),
// which short random jobs never reach.
TEST(Random, AThousandOffcutCopiesGiveThePlainMapsAtEveryThreadCount)
{
    std::mt19937 rng(1000);
    auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int iter = 0; iter < 4; ++iter) {
        Instance in;
        in.p.MillWidth = r(0, 4);
        in.p.LIndent = in.p.RIndent = in.p.TIndent = in.p.BIndent = r(0, 10);
        in.p.StdSheetLength = 2800;
        in.p.StdSheetWidth = 2070;
        in.p.ExSearch = 3;
        in.p.OptimCriterion = uint8_t(2 + iter % 3);
        in.p.OneDimOpt = iter == 3;
        for (int k = 0; k < 14; ++k)
            in.parts.emplace_back(r(16, 139) * 10, r(8, 79) * 10, r(1, 6), r(0, 2));
        for (int s = 0; s < 20; ++s)
            in.offcuts.emplace_back(r(40, 170) * 10, r(20, 119) * 10, 50);
        TRaskroy plain;
        plain.Reference = true;
        Load(plain, in);
        RunAll(plain, 500);
        const std::string want = DumpAll(plain);
        for (int threads : {1, 3}) {
            TRaskroy fast;
            fast.Threads = threads;
            fast.ParallelMinWorkNs = 0;
            Load(fast, in);
            RunAll(fast, 500);
            ASSERT_TRUE(AllSound(fast)) << "instance " << iter;
            ASSERT_EQ(DumpAll(fast), want) << threads << " threads, instance " << iter;
        }
    }
}

// The variants of a pass built on several threads give what one thread gives,
// to the last tie-break and the state the engine is left in.
#include "engine_test_util.h"

#include <random>

using namespace kv::engine;
using kvtest::AllSound;
using kvtest::DumpAll;

namespace {

struct Instance
{
    TRaskroyParams p;
    std::vector<std::tuple<int, int, int, int>> parts; // length, width, count, rotate
    std::vector<std::tuple<int, int, int>> offcuts;    // length, width, copies
};

// Always some off-cuts; every rotate mode, kerf, trims, both searches, and
// one-way parts often enough that their orientations carry between variants.
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
    p.ExSearch = r(0, 40);
    p.OptimCriterion = uint8_t(r(2, 4));
    p.AlgorithmNumber = r(0, 1);
    p.OneDimOpt = r(0, 1) == 0;
    p.FullSearch = r(0, 2) == 0;
    const int tech = r(0, 5);
    p.MultiSaw = tech == 1;
    p.PropilLen = tech == 2 ? r(100, 600) : 0;
    const int u = p.StdSheetLength - p.LIndent - p.RIndent, v = p.StdSheetWidth - p.TIndent - p.BIndent;
    const int kinds = r(1, 9);
    for (int i = 0; i < kinds; ++i) {
        const int step = r(0, 1) ? 50 : 1;
        int l = std::max(1, r(1, std::max(1, u / 2)) / step * step);
        int w = std::max(1, r(1, std::max(1, v / 2)) / step * step);
        const int rot = r(0, 2);
        if (rot == 1 && (l > u || w > v))
            std::swap(l, w);
        in.parts.emplace_back(std::min(l, u), std::min(w, v), r(1, 14), rot);
    }
    const int rows = r(1, 5);
    for (int i = 0; i < rows; ++i)
        in.offcuts.emplace_back(r(50, 700) / 10 * 10, r(50, 500) / 10 * 10, r(1, 5));
    return in;
}

void Load(TRaskroy &e, const Instance &in)
{
    e.ResetRaskroy();
    e.StopRaskroy = false;
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

// Asks for a stop after the k-th variant of every pass, and records the
// progress as the engine reports it.
struct StopAfter : TRaskroyObserver
{
    int64_t k;
    std::string progress;
    explicit StopAfter(int64_t k) : k(k) {}
    void variantDone(int64_t i, int64_t total) override
    {
        progress += std::to_string(i) + "/" + std::to_string(total) + " ";
        last = i;
    }
    bool stopRequested() override { return k >= 0 && last >= k + 1; }
    int64_t last = 0;
};

// The maps, and everything of the engine's state that a pass leaves behind.
std::string State(const TRaskroy &e)
{
    std::string s = DumpAll(e);
    s += "last orientation " + std::to_string(e.LastOrientation) + ", bits " + std::to_string(e.VariantBits) +
         ", depth " + std::to_string(e.Depth) + ", pass " + std::to_string(e.PassCounter) + ", stop " +
         std::to_string(e.StopRaskroy) + ", sheets left " + std::to_string(e.P.StdSheetsLeft) + "\n";
    for (const TDetal &d : e.Detals)
        s += d.Name + " " + std::to_string(d.Length) + "x" + std::to_string(d.Width) + " remaining " +
             std::to_string(d.Remaining) + "/" + std::to_string(d.PassRemaining) + " pass " +
             std::to_string(d.PassNo) + " orientation " + std::to_string(d.Orientation) + " skipped " +
             std::to_string(d.Skipped) + "\n";
    return s;
}

// Every pass of the material, the state after each.
std::string RunPasses(const Instance &in, int threads, bool reference, int64_t stopAfter = -1)
{
    TRaskroy e;
    e.Threads = threads;
    e.Reference = reference;
    Load(e, in);
    StopAfter obs(stopAfter);
    e.SetObserver(&obs);
    std::string s;
    e.RaskroyFromStock();
    s += State(e);
    for (int i = 0; i < 200 && e.RaskroyState != rsNothingFits && !e.Detals.NothingLeft() && !e.StopRaskroy; ++i) {
        e.RaskroyNextSheet();
        s += State(e);
        if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp)
            break;
    }
    EXPECT_TRUE(AllSound(e));
    return s + "progress " + obs.progress + "\n";
}

} // namespace

TEST(Threads, EveryThreadCountGivesTheMapsAndStateOfOneThreadAndOfThePlainPath)
{
    std::mt19937 rng(20261210);
    for (int iter = 0; iter < 300; ++iter) {
        const Instance in = RandomInstance(rng);
        const std::string one = RunPasses(in, 1, false);
        ASSERT_EQ(RunPasses(in, 1, true), one) << "plain path, instance " << iter;
        for (int threads : {2, 3, 8})
            ASSERT_EQ(RunPasses(in, threads, false), one) << threads << " threads, instance " << iter;
    }
}

TEST(Threads, AStopAfterVariantKKeepsVariantsUpToKAtEveryThreadCount)
{
    std::mt19937 rng(7);
    for (int iter = 0; iter < 40; ++iter) {
        Instance in = RandomInstance(rng);
        in.p.ExSearch = 30;
        for (int64_t k : {0, 1, 5, 17, 29}) {
            const std::string one = RunPasses(in, 1, false, k);
            for (int threads : {2, 3, 8})
                ASSERT_EQ(RunPasses(in, threads, false, k), one)
                    << threads << " threads, stop after " << k << ", instance " << iter;
        }
    }
}

TEST(Threads, RepeatedRunsGiveTheSameMaps)
{
    std::mt19937 rng(99);
    for (int iter = 0; iter < 20; ++iter) {
        Instance in = RandomInstance(rng);
        in.p.ExSearch = 120;
        const std::string first = RunPasses(in, 8, false);
        for (int again = 0; again < 3; ++again)
            ASSERT_EQ(RunPasses(in, 8, false), first) << "instance " << iter << ", run " << again + 2;
    }
}

// Many one-way parts and many variants: the orientations they take in one
// variant of a standard-sheet pass hold for the next, so variants built
// ahead from the old orientations must be built again.
TEST(Threads, OneWayPartsChangingOrientationMidPassGiveTheSequentialMaps)
{
    std::mt19937 rng(5);
    for (int iter = 0; iter < 12; ++iter) {
        Instance in;
        in.p.MillWidth = 4;
        in.p.StdSheetLength = 1000;
        in.p.StdSheetWidth = 700;
        in.p.ExSearch = 200;
        for (int i = 0; i < 14; ++i) {
            const int l = std::uniform_int_distribution<int>(60, 480)(rng);
            const int w = std::uniform_int_distribution<int>(40, 330)(rng);
            in.parts.emplace_back(l, w, std::uniform_int_distribution<int>(2, 12)(rng), i % 3 == 0 ? 0 : 2);
        }
        in.offcuts.emplace_back(300, 200, 2);
        const std::string one = RunPasses(in, 1, false);
        for (int threads : {2, 3, 8})
            ASSERT_EQ(RunPasses(in, threads, false), one) << threads << " threads, instance " << iter;
    }
}

// The variants of a pass built on several threads give what one thread gives,
// to the last tie-break and the state the engine is left in.
#include "engine/tests/engine_test_util.h"

#include <condition_variable>
#include <mutex>
#include <random>

using namespace kv::engine;
using kvtest::AllSound;
using kvtest::DumpAll;
using kvtest::Instance;
using kvtest::Load;

namespace {

Instance RandomInstance(std::mt19937 &rng)
{
    // Always some off-cuts, and one-way parts often enough that their
    // orientations carry between variants.
    return kvtest::RandomInstance(rng, kvtest::RandomShape{40, 2, 3, 9, 14, true, 5, 5});
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
std::string RunPasses(const Instance &in, int threads, bool reference, int64_t stopAfter = -1,
                      bool impatient = false)
{
    TRaskroy e;
    e.Threads = threads;
    e.ParallelMinWorkNs = 0; // these passes are small: share them all the same
    if (impatient)
        e.LateBuildNs = 0; // every variant waited for is built twice, racing its worker
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

// A pass goes to the pool only when what its first variants took says it
// pays, and never to more threads than asked for or than variants are left.
TEST(Threads, APassIsSharedOnlyWhenItsWorkPays)
{
    struct Case
    {
        int32_t threads;
        int64_t variantNs, left;
        int expected;
    };
    const Case cases[] = {
        {8, 20000, 500, 1},         // 10 ms in all: one thread, whatever was asked
        {8, 100000, 500, 8},        // 50 ms: every thread asked for
        {3, 100000, 500, 3},        // the count asked for is an upper bound
        {8, 50000, 500, 6},         // 25 ms: as many as get 4 ms each
        {8, 10000000, 3, 3},        // no more threads than variants left
        {8, 10000000, 1, 1},        // one variant left: nothing to share
        {1, 10000000, 500, 1},      // one thread asked for
    };
    for (const Case &c : cases) {
        TRaskroy e;
        e.Threads = c.threads;
        EXPECT_EQ(e.ThreadsFor(c.variantNs, c.left), c.expected)
            << c.threads << " threads, " << c.variantNs << " ns x " << c.left;
    }
}

// The loop builds a variant itself when its worker is late; whichever build
// ends first is taken, and the maps stay those of one thread.
TEST(Threads, VariantsBuiltTwiceWhenTheirWorkerIsLateGiveTheMapsOfOneThread)
{
    std::mt19937 rng(4711);
    for (int iter = 0; iter < 80; ++iter) {
        const Instance in = RandomInstance(rng);
        const std::string one = RunPasses(in, 1, false);
        for (int threads : {2, 3, 8})
            ASSERT_EQ(RunPasses(in, threads, false, -1, true), one) << threads << " threads, instance " << iter;
    }
}

TEST(Threads, AWorkerThatDoesNotComeBackDoesNotHoldThePass)
{
    TVariantPool pool(4);
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    int held = 0;
    auto build = [&](int worker, int64_t i, const TCarry &) {
        std::unique_lock lock(m);
        if (worker != 0) {
            ++held;
            cv.notify_all();
            cv.wait(lock, [&] { return release; });
        } else if (i == 0) {
            cv.wait(lock, [&] { return held > 0; }); // a worker holds one of them
        }
        TVariantOutcome o;
        o.VariantBits = int32_t(i);
        return o;
    };
    auto next = [](const std::shared_ptr<const TCarry> &c, const TVariantOutcome &) { return c; };
    // Runs of several variants a job: the rest of a held run waits too.
    constexpr int64_t count = 400;
    pool.BeginPass(0, count, 4, build, next, std::make_shared<const TCarry>(), 0);
    for (int64_t i = 0; i < count; ++i) {
        std::shared_ptr<const TCarry> assumed;
        ASSERT_EQ(pool.Take(i, assumed).VariantBits, i);
        ASSERT_TRUE(assumed);
    }
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    pool.EndPass();
}

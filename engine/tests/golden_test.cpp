#include "engine/tests/engine_test_util.h"
#include "engine/testsupport/mixedjob.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace kv::engine;

namespace {

struct ParamSet
{
    const char *name;
    void (*apply)(TRaskroyParams &);
};

const ParamSet kSets[] = {
    {"default", [](TRaskroyParams &) {}},
    {"longest off-cut", [](TRaskroyParams &p) { p.OptimCriterion = 3; }},
    {"shortest cuts", [](TRaskroyParams &p) { p.OptimCriterion = 4; }},
    {"rectangle first", [](TRaskroyParams &p) { p.AlgorithmNumber = 1; }},
    {"exact fit first", [](TRaskroyParams &p) { p.OneDimOpt = true; }},
    {"leave parts out", [](TRaskroyParams &p) { p.FullSearch = true; }},
    {"multi-saw", [](TRaskroyParams &p) { p.MultiSaw = true; }},
    {"saw reach 1500", [](TRaskroyParams &p) { p.PropilLen = 1500; }},
};

std::string RunAllSets(bool reference)
{
    std::string out;
    for (const ParamSet &s : kSets) {
        TRaskroy e;
        e.Reference = reference;
        kvtest::LoadMixedJob(e);
        s.apply(e.P);
        kvtest::RunAll(e);
        EXPECT_TRUE(kvtest::AllSound(e)) << s.name;
        out += std::string("=== ") + s.name + "\n" + kvtest::DumpAll(e);
    }
    return out;
}

} // namespace

TEST(Golden, MixedJobUnderEightParameterSets)
{
    const std::string got = RunAllSets(false);
    EXPECT_EQ(got, RunAllSets(true)); // the plain sorts and searches agree
    const std::string path = std::string(KV_TEST_DATA_DIR) + "/golden_mixed.txt";
    if (std::getenv("KV_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << got;
        GTEST_SKIP() << "written " << path;
    }
    std::ifstream f(path, std::ios::binary);
    ASSERT_TRUE(f) << "missing " << path << " (run with KV_UPDATE_GOLDEN=1 to make it)";
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_EQ(got, ss.str());
}

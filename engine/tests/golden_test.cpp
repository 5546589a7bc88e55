#include "engine_test_util.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace kv::engine;

namespace {

// A mixed job: eight kinds with every rotate mode, three off-cut rows.
void LoadMixed(TRaskroy &e)
{
    e.ResetRaskroy();
    e.P = TRaskroyParams();
    e.P.StdSheetLength = 2800;
    e.P.StdSheetWidth = 2070;
    e.P.MillWidth = 4;
    e.P.LIndent = e.P.RIndent = e.P.TIndent = e.P.BIndent = 10;
    e.P.UseScraps = true;
    e.P.ExSearch = 40;
    e.Detals.Add("Bok", 720, 560, 6, 1);
    e.Detals.Add("Dno", 564, 560, 3, 0);
    e.Detals.Add("Polka", 560, 280, 8, 0);
    e.Detals.Add("Fasad", 716, 396, 5, 2);
    e.Detals.Add("Pen", 2100, 560, 2, 1);
    e.Detals.Add("Tsokol", 2400, 100, 2, 0);
    e.Detals.Add("Yashchik", 500, 140, 9, 2);
    e.Detals.Add("Planka", 564, 100, 7, 0);
    for (int i = 0; i < 2; ++i)
        e.Stock.Sheets.Append(TSheet("OST-1", 0, 0, 800, 600, 0, true));
    e.Stock.Sheets.Append(TSheet("OST-2", 0, 0, 1200, 300, 0, true));
    for (int i = 0; i < 3; ++i)
        e.Stock.Sheets.Append(TSheet("OST-3", 0, 0, 600, 1500, 0, true));
}

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
        LoadMixed(e);
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

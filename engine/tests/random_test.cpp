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

#include "memdata/memdata.h"
#include <gtest/gtest.h>
TEST(MemDataSmoke, Opens) { TMemData md; md.Open(); EXPECT_TRUE(md.Active()); }

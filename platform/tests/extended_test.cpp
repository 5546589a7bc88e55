#include "platform/extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using kv::decodeExtended;
using kv::encodeExtended;
using kv::Extended80;

namespace {

Extended80 bytes(const std::string &hex)
{
    Extended80 out{};
    for (size_t i = 0; i < 10; ++i)
        out[i] = std::uint8_t(std::stoul(hex.substr(i * 3, 2), nullptr, 16));
    return out;
}

std::string hex(const Extended80 &b)
{
    static const char *digits = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < b.size(); ++i) {
        if (i) s += ' ';
        s += digits[b[i] >> 4];
        s += digits[b[i] & 15];
    }
    return s;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

TEST(Extended, EncodesKnownValues)
{
    struct Case { double v; const char *hex; };
    const Case cases[] = {
        {1.0, "00 00 00 00 00 00 00 80 FF 3F"},
        {-1.0, "00 00 00 00 00 00 00 80 FF BF"},
        {0.0, "00 00 00 00 00 00 00 00 00 00"},
        {-0.0, "00 00 00 00 00 00 00 00 00 80"},
        {2.0, "00 00 00 00 00 00 00 80 00 40"},
        {0.5, "00 00 00 00 00 00 00 80 FE 3F"},
        {3.0, "00 00 00 00 00 00 00 C0 00 40"},
        {0.1, "00 D0 CC CC CC CC CC CC FB 3F"},
        {1000.0, "00 00 00 00 00 00 00 FA 08 40"},
        {std::numeric_limits<double>::infinity(), "00 00 00 00 00 00 00 80 FF 7F"},
        {std::numeric_limits<double>::denorm_min(), "00 00 00 00 00 00 00 80 CD 3B"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(hex(encodeExtended(c.v)), c.hex) << c.v;
        EXPECT_TRUE(sameBits(decodeExtended(bytes(c.hex)), c.v)) << c.v;
    }
}

TEST(Extended, EveryDoubleRoundTrips)
{
    const double values[] = {
        3.141592653589793, -2.718281828459045, 1e300, -1e-300, 1e-310, 4.9e-324,
        std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
        std::numeric_limits<double>::lowest(), 123456789.125, 0.30000000000000004,
        -std::numeric_limits<double>::infinity(),
    };
    for (double v : values)
        EXPECT_TRUE(sameBits(decodeExtended(encodeExtended(v)), v)) << v;
    EXPECT_TRUE(std::isnan(decodeExtended(encodeExtended(std::nan("")))));
}

TEST(Extended, RoundsExtraPrecisionToNearestDouble)
{
    // Pi as an 80-bit value carries 11 more bits than a double holds.
    EXPECT_TRUE(sameBits(decodeExtended(bytes("35 C2 68 21 A2 DA 0F C9 00 40")), 3.141592653589793));
    // 1 + 2^-53 is a tie between 1 and the next double: even wins (1).
    EXPECT_EQ(decodeExtended(bytes("00 04 00 00 00 00 00 80 FF 3F")), 1.0);
    // 1 + 3 * 2^-54 rounds up to 1 + 2^-52.
    EXPECT_EQ(decodeExtended(bytes("00 06 00 00 00 00 00 80 FF 3F")), 1.0 + std::ldexp(1.0, -52));
}

TEST(Extended, OutOfDoubleRange)
{
    // 2^16383 and 2^-16382 lie far outside the double range.
    EXPECT_EQ(decodeExtended(bytes("00 00 00 00 00 00 00 80 FE 7F")), std::numeric_limits<double>::infinity());
    EXPECT_EQ(decodeExtended(bytes("00 00 00 00 00 00 00 80 FE FF")), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(sameBits(decodeExtended(bytes("00 00 00 00 00 00 00 80 01 80")), -0.0));
    // A denormal extended (exponent field 0) is tiny: zero as a double.
    EXPECT_EQ(decodeExtended(bytes("01 00 00 00 00 00 00 00 00 00")), 0.0);
    // An unnormal (integer bit clear) still means mantissa * 2^exponent.
    EXPECT_EQ(decodeExtended(bytes("00 00 00 00 00 00 00 40 00 40")), 1.0);
    // Exactly half the smallest subnormal ties to zero; a bit more rounds up.
    EXPECT_EQ(decodeExtended(bytes("00 00 00 00 00 00 00 80 CC 3B")), 0.0);
    EXPECT_EQ(decodeExtended(bytes("00 00 00 00 00 00 01 80 CC 3B")), std::numeric_limits<double>::denorm_min());
}

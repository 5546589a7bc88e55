#include "platform/extended.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace kv {
namespace {

constexpr int kExtBias = 16383;
constexpr int kDblBias = 1023;

// Shifts m right by n bits rounding to nearest, ties to even.
std::uint64_t shiftRoundEven(std::uint64_t m, int n)
{
    if (n <= 0) return m;
    if (n > 64) return 0;
    if (n == 64) {
        const std::uint64_t half = 1ull << 63;
        return (m > half) ? 1 : 0;   // exactly half rounds to even (0)
    }
    const std::uint64_t kept = m >> n;
    const std::uint64_t rest = m & ((1ull << n) - 1);
    const std::uint64_t half = 1ull << (n - 1);
    if (rest > half || (rest == half && (kept & 1))) return kept + 1;
    return kept;
}

} // namespace

Extended80 encodeExtended(double v)
{
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    const bool neg = (bits >> 63) != 0;
    const int e = int((bits >> 52) & 0x7FF);
    const std::uint64_t frac = bits & ((1ull << 52) - 1);

    std::uint16_t exp = 0;
    std::uint64_t mant = 0;
    if (e == 0x7FF) {                       // infinity or NaN
        exp = 0x7FFF;
        mant = (1ull << 63) | (frac << 11);
        if (frac != 0) mant |= 1ull << 62;  // keep NaNs quiet
    } else if (e == 0) {
        if (frac != 0) {                    // subnormal double: normal in 80 bits
            const int lead = 63 - std::countl_zero(frac);   // highest set bit
            mant = frac << (63 - lead);
            exp = std::uint16_t(kExtBias + (lead - 52) - (kDblBias - 1));
        }
    } else {
        mant = (1ull << 63) | (frac << 11);
        exp = std::uint16_t(e - kDblBias + kExtBias);
    }
    if (neg) exp |= 0x8000;

    Extended80 out{};
    for (int i = 0; i < 8; ++i) out[size_t(i)] = std::uint8_t(mant >> (8 * i));
    out[8] = std::uint8_t(exp & 0xFF);
    out[9] = std::uint8_t(exp >> 8);
    return out;
}

double decodeExtended(const std::uint8_t *b)
{
    std::uint64_t mant = 0;
    for (int i = 0; i < 8; ++i) mant |= std::uint64_t(b[i]) << (8 * i);
    const std::uint16_t se = std::uint16_t(b[8] | (b[9] << 8));
    const bool neg = (se & 0x8000) != 0;
    const int exp = se & 0x7FFF;
    const double sign = neg ? -1.0 : 1.0;

    if (exp == 0x7FFF) {
        if ((mant << 1) == 0) return sign * std::numeric_limits<double>::infinity();
        return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
    }
    if (mant == 0) return neg ? -0.0 : 0.0;

    // value = mant * 2^(e2), e2 counted for the integer mantissa; a zero
    // exponent field (denormal or pseudo-denormal) scales like exponent 1.
    const int e2 = (exp == 0 ? 1 : exp) - kExtBias - 63;
    const int lead = 63 - std::countl_zero(mant);
    const int topExp = e2 + lead;           // exponent of the leading bit
    if (topExp > 1023) return sign * std::numeric_limits<double>::infinity();

    // Keep 53 significant bits, or fewer when the result is a subnormal double.
    int keep = 53;
    if (topExp < -1022) keep = 53 - (-1022 - topExp);
    if (keep <= 0) {
        // Below half the smallest subnormal, or exactly half of it (ties to 0).
        if (keep == 0) {
            const std::uint64_t half = 1ull << lead;
            if (mant > half) return sign * std::numeric_limits<double>::denorm_min();
        }
        return neg ? -0.0 : 0.0;
    }
    const int drop = lead + 1 - keep;
    std::uint64_t m = drop > 0 ? shiftRoundEven(mant, drop) : mant;
    const int scale = e2 + (drop > 0 ? drop : 0);
    // m has at most keep+1 bits: exact in a double, ldexp is exact unless it
    // overflows (then infinity is right).
    return sign * std::ldexp(double(m), scale);
}

double decodeExtended(const Extended80 &bytes)
{
    return decodeExtended(bytes.data());
}

} // namespace kv

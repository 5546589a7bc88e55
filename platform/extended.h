#pragma once
// The 80-bit extended real of the binary formats (map files, report records):
// sign bit, 15-bit exponent biased by 16383, 64-bit mantissa with an explicit
// integer bit, stored little-endian in 10 bytes. Done with integer arithmetic
// so the result is the same on every compiler and CPU (no long double).
#include <array>
#include <cstdint>

namespace kv {

using Extended80 = std::array<std::uint8_t, 10>;

// Exact: every double has an extended form.
Extended80 encodeExtended(double v);
// Rounded to the nearest double (ties to even); values beyond the double range
// become +-infinity, values below it +-0. NaNs stay NaN.
double decodeExtended(const Extended80 &bytes);
double decodeExtended(const std::uint8_t *bytes);

} // namespace kv

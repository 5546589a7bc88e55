#pragma once
// Bounds on the numbers a template, a prepared report or a script hands the
// engine. They lie far beyond any real paper, so correct files are never
// touched, and keep the engine's arithmetic on positions within 32 bits and
// its loops within what a page can show.
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <limits>

constexpr qint32 rpMaxCoord = 100000;     // page units, some 28 metres
constexpr qint32 rpMaxPaper = 100000;     // tenths of a millimetre, 10 metres
constexpr qint32 rpMaxFontSize = 1000;    // points
constexpr qint32 rpMaxSpacing = 1000;     // pixels between lines or characters
constexpr qint32 rpMaxColumns = 100;
// A computed height (a long text stretched over many pages) stays below this.
constexpr qint32 rpMaxExtent = 1 << 28;

inline qint32 rpBounded(qint64 v, qint64 lo, qint64 hi) { return qint32(std::clamp(v, lo, hi)); }
// A position or size in page units.
inline qint32 rpCoord(qint64 v) { return rpBounded(v, -rpMaxCoord, rpMaxCoord); }
inline qint32 rpFontSize(qint64 v) { return rpBounded(v, 0, rpMaxFontSize); }
inline qint32 rpSpacing(qint64 v) { return rpBounded(v, -rpMaxSpacing, rpMaxSpacing); }

// A double as a 32-bit integer, saturated; NaN gives 0.
inline int rpSaturate(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(v);
}

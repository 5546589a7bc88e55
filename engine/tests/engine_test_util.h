#pragma once
#include "engine/dump.h"
#include "engine/raskroy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace kvtest {

using namespace kv::engine;

struct Box
{
    int64_t x, y, w, h;
};

inline bool Overlap(const Box &a, const Box &b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// Geometry of a finished map: parts (with kerf) and free rectangles tile the
// usable area exactly, and no cut runs through a part.
inline ::testing::AssertionResult MapIsSound(const TRaskroy &e, const TSheetsList &m)
{
    const auto &p = e.P;
    const int64_t k = p.MillWidth, h = p.MillWidth / 2;
    Box u = m.IsScrap ? Box{-h, -h, m.SizeX + k, m.SizeY + k}
                      : Box{p.LIndent - h, p.TIndent - h, m.SizeX + k - p.LIndent - p.RIndent,
                            m.SizeY + k - p.TIndent - p.BIndent};
    std::vector<Box> parts, all;
    for (const TDetalHandle &hd : m.Detals) {
        const TDetal *d = e.Detals.Items(hd.DetalIndex);
        if (!d)
            return ::testing::AssertionFailure() << "handle of a missing part " << hd.DetalIndex;
        const int64_t px = (hd.Rotated ? d->Width : d->Length) + k;
        const int64_t py = (hd.Rotated ? d->Length : d->Width) + k;
        parts.push_back({hd.X, hd.Y, px, py});
    }
    all = parts;
    for (const TSheet &s : m.Sheets) {
        if (s.SizeX < 0 || s.SizeY < 0)
            return ::testing::AssertionFailure() << "negative free rectangle";
        if (s.SizeX > 0 && s.SizeY > 0)
            all.push_back({s.X, s.Y, s.SizeX, s.SizeY});
    }
    int64_t area = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        const Box &b = all[i];
        if (b.x < u.x || b.y < u.y || b.x + b.w > u.x + u.w || b.y + b.h > u.y + u.h)
            return ::testing::AssertionFailure() << "outside the usable area: " << b.x << "," << b.y << " " << b.w
                                                 << "x" << b.h << "\n" << kv::engine::DumpMap(m, e.Detals);
        area += b.w * b.h;
        for (size_t j = i + 1; j < all.size(); ++j)
            if (Overlap(b, all[j]))
                return ::testing::AssertionFailure() << "overlap at " << b.x << "," << b.y << " and " << all[j].x
                                                     << "," << all[j].y << "\n" << kv::engine::DumpMap(m, e.Detals);
    }
    if (area != u.w * u.h)
        return ::testing::AssertionFailure() << "areas " << area << " != usable " << u.w * u.h << "\n"
                                             << kv::engine::DumpMap(m, e.Detals);
    for (const TMillLine &c : m.Mills) {
        for (const Box &b : parts) {
            bool through;
            if (c.Horizontal)
                through = b.y < c.Y && c.Y < b.y + b.h && c.X < b.x + b.w && int64_t(c.X) + c.Length > b.x;
            else
                through = b.x < c.X && c.X < b.x + b.w && c.Y < b.y + b.h && int64_t(c.Y) + c.Length > b.y;
            if (through)
                return ::testing::AssertionFailure() << "cut " << (c.Horizontal ? "H " : "V ") << c.X << "," << c.Y
                                                     << " " << c.Length << " through a part at " << b.x << ","
                                                     << b.y << "\n" << kv::engine::DumpMap(m, e.Detals);
        }
    }
    return ::testing::AssertionSuccess();
}

// Copies laid out times the quantity of their maps = count - remaining.
inline ::testing::AssertionResult CountsAreSound(const TRaskroy &e)
{
    std::vector<int64_t> used(size_t(e.Detals.Count()), 0);
    for (int i = 0; i < e.ResultMaps.Count(); ++i) {
        const TSheetsList &m = *e.ResultMaps.Items(i);
        for (const TDetalHandle &h : m.Detals)
            used[size_t(h.DetalIndex)] += m.Quantity;
    }
    for (int i = 0; i < e.Detals.Count(); ++i) {
        const TDetal &d = e.Detals[i];
        if (used[size_t(i)] != int64_t(d.Count) - d.Remaining)
            return ::testing::AssertionFailure() << "part " << d.Name << ": laid out " << used[size_t(i)]
                                                 << ", count " << d.Count << ", remaining " << d.Remaining;
        if (d.Remaining < 0)
            return ::testing::AssertionFailure() << "part " << d.Name << " remaining " << d.Remaining;
    }
    return ::testing::AssertionSuccess();
}

// All passes of a material without the windows: the off-cut pass, then
// standard sheets while copies remain.
inline void RunAll(TRaskroy &e, int maxPasses = 100000)
{
    e.RaskroyFromStock();
    if (e.RaskroyState == kv::engine::rsNothingFits || e.StopRaskroy)
        return;
    for (int i = 0; i < maxPasses && !e.Detals.NothingLeft() && !e.StopRaskroy; ++i) {
        e.RaskroyNextSheet();
        if (e.RaskroyState != kv::engine::rsDone && e.RaskroyState != kv::engine::rsDoneUsedUp)
            break;
    }
}

inline std::string DumpAll(const TRaskroy &e)
{
    std::string s;
    for (int i = 0; i < e.ResultMaps.Count(); ++i)
        s += kv::engine::DumpMap(*e.ResultMaps.Items(i), e.Detals);
    s += "state " + std::to_string(e.RaskroyState) + "\n";
    return s;
}

inline ::testing::AssertionResult AllSound(const TRaskroy &e)
{
    for (int i = 0; i < e.ResultMaps.Count(); ++i) {
        auto r = MapIsSound(e, *e.ResultMaps.Items(i));
        if (!r)
            return r << " (map " << i << ")";
    }
    return CountsAreSound(e);
}

// A random material: parts of every rotate mode, kerf, trims, both searches,
// the technologies and, as `Shape` says, off-cuts. Round sizes make exact fits
// and ties frequent.
struct Instance
{
    TRaskroyParams p;
    std::vector<std::tuple<int, int, int, int>> parts; // length, width, count, rotate
    std::vector<std::tuple<int, int, int>> offcuts;    // length, width, copies
};

struct RandomShape
{
    int maxExSearch = 24;
    int oneDimOneIn = 3;    // exact-fit search first in one of so many
    int fullSearchOneIn = 4;
    int maxKinds = 7;
    int maxCount = 12;
    bool alwaysOffcuts = false; // else off-cuts in every other instance
    int maxOffcutRows = 4;
    int maxOffcutCopies = 4;
};

inline Instance RandomInstance(std::mt19937 &rng, const RandomShape &shape)
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
    p.ExSearch = r(0, shape.maxExSearch);
    p.OptimCriterion = uint8_t(r(2, 4));
    p.AlgorithmNumber = r(0, 1);
    p.OneDimOpt = r(0, shape.oneDimOneIn - 1) == 0;
    p.FullSearch = r(0, shape.fullSearchOneIn - 1) == 0;
    const int tech = r(0, 5);
    p.MultiSaw = tech == 1;
    p.PropilLen = tech == 2 ? r(100, 600) : 0;
    const int u = p.StdSheetLength - p.LIndent - p.RIndent, v = p.StdSheetWidth - p.TIndent - p.BIndent;
    const int kinds = r(1, shape.maxKinds);
    for (int i = 0; i < kinds; ++i) {
        const int step = r(0, 1) ? 50 : 1;
        int l = std::max(1, r(1, std::max(1, u / 2)) / step * step);
        int w = std::max(1, r(1, std::max(1, v / 2)) / step * step);
        const int rot = r(0, 2);
        if (rot == 1 && (l > u || w > v))
            std::swap(l, w);
        in.parts.emplace_back(std::min(l, u), std::min(w, v), r(1, shape.maxCount), rot);
    }
    if (shape.alwaysOffcuts || r(0, 1)) {
        const int rows = r(1, shape.maxOffcutRows);
        for (int i = 0; i < rows; ++i)
            in.offcuts.emplace_back(r(50, 700) / 10 * 10, r(50, 500) / 10 * 10, r(1, shape.maxOffcutCopies));
    }
    return in;
}

// A fresh material of the engine from the instance.
inline void Load(TRaskroy &e, const Instance &in)
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

} // namespace kvtest

#pragma once
// The free rectangles of the map being built, seen in the order of SortSheets.
// The layout step re-sorts them after every split; TFreeRects does that on
// (key, id) pairs while the rectangles stay where they are, and writes the
// order into the map when the variant is done. TPlainRects is the map's own
// list, sorted whole, for the plain path and for callers outside a variant.
#include "engine/exchange_sort.h"
#include "engine/model.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace kv::engine {

inline int64_t SidesKeyOf(const TSheet &s) { return SidesKey(s.SizeX, s.SizeY); }

template <class Map>
class TPlainRects
{
public:
    TPlainRects(Map &map, bool literal) : m_map(map), m_literal(literal) {}
    int Count() const { return m_map.Sheets.Count(); }
    auto &operator[](int p) const { return m_map.Sheets[p]; }
    // Only a list known to stand in order may be cut short by its longer sides.
    bool Sorted() const { return false; }
    int Append(TSheet s)
    {
        m_map.Sheets.Append(std::move(s));
        return Count() - 1;
    }
    void Resort(const int *, std::size_t) { SortSheets(m_map.Sheets.Vector(), m_literal); }
    // The first rectangle after `from` in list order that `pred` takes, or -1;
    // `k` is passed over.
    template <class Pred>
    int FirstOnSheet(int32_t, int k, Pred pred) const
    {
        for (int i = 0; i < Count(); ++i)
            if (i != k && pred((*this)[i]))
                return i;
        return -1;
    }
private:
    Map &m_map;
    bool m_literal;
};

// Where a part fits: over the positions of the sorted list, the shorter side
// of every rectangle lying along X (its longer side is SizeX) and of every
// one lying along Y, the largest per node. Since the list stands longer side
// first, the rectangles at least `a` long make a prefix, and the last one in
// it whose shorter side reaches `b` is one walk down the tree.
class TFitIndex
{
public:
    void Build(const std::vector<TSheet> &sheets, const std::vector<int32_t> &ids)
    {
        const int n = int(ids.size());
        m_cap = 1;
        while (m_cap < n + 16)
            m_cap <<= 1;
        m_along.assign(size_t(2 * m_cap), kNone);
        m_across.assign(size_t(2 * m_cap), kNone);
        for (int p = 0; p < n; ++p)
            SetLeaf(p, sheets[size_t(ids[size_t(p)])]);
        for (int v = m_cap - 1; v >= 1; --v)
            Pull(v);
    }
    int Capacity() const { return m_cap; }
    // Leaves lo..hi took new rectangles.
    template <class SheetAt>
    void Update(int lo, int hi, SheetAt sheetAt)
    {
        for (int p = lo; p <= hi; ++p)
            SetLeaf(p, sheetAt(p));
        for (int a = (lo + m_cap) >> 1, b = (hi + m_cap) >> 1; a >= 1; a >>= 1, b >>= 1)
            for (int v = a; v <= b; ++v)
                Pull(v);
    }
    // The last position before `along` whose rectangle lies along X with a
    // shorter side of at least `b`, or -1; `across` likewise for those along Y.
    int LastAlong(int before, int32_t b) const { return Last(m_along, 1, 0, m_cap, before, b); }
    int LastAcross(int before, int32_t b) const { return Last(m_across, 1, 0, m_cap, before, b); }

private:
    static constexpr int32_t kNone = std::numeric_limits<int32_t>::min();
    void SetLeaf(int p, const TSheet &s)
    {
        const bool along = s.SizeX >= s.SizeY;
        m_along[size_t(m_cap + p)] = along ? s.SizeY : kNone;
        m_across[size_t(m_cap + p)] = along ? kNone : s.SizeX;
    }
    void Pull(int v)
    {
        m_along[size_t(v)] = std::max(m_along[size_t(2 * v)], m_along[size_t(2 * v + 1)]);
        m_across[size_t(v)] = std::max(m_across[size_t(2 * v)], m_across[size_t(2 * v + 1)]);
    }
    static int Last(const std::vector<int32_t> &t, int v, int lo, int hi, int before, int32_t b)
    {
        if (lo >= before || t[size_t(v)] < b)
            return -1;
        if (hi - lo == 1)
            return lo;
        const int mid = (lo + hi) / 2;
        const int r = Last(t, 2 * v + 1, mid, hi, before, b);
        return r >= 0 ? r : Last(t, 2 * v, lo, mid, before, b);
    }

    int m_cap = 0;
    std::vector<int32_t> m_along, m_across;
};

class TFreeRects
{
public:
    explicit TFreeRects(TSheetsList &map) : m_sheets(map.Sheets.Vector())
    {
        const int n = int(m_sheets.size());
        m_order.reserve(size_t(n) * 2 + 16);
        m_pos.reserve(size_t(n) * 2 + 16);
        for (int i = 0; i < n; ++i) {
            m_order.push_back({SidesKeyOf(m_sheets[size_t(i)]), i});
            m_pos.push_back(i);
            Join(i);
        }
    }
    TFreeRects(const TFreeRects &) = delete;
    TFreeRects &operator=(const TFreeRects &) = delete;
    // The map's list takes this order.
    ~TFreeRects()
    {
        if (!m_sorted)
            return;
        std::vector<TSheet> out;
        out.reserve(m_order.size());
        for (const Entry &e : m_order)
            out.push_back(std::move(m_sheets[size_t(e.id)]));
        m_sheets.swap(out);
    }

    int Count() const { return int(m_order.size()); }
    TSheet &operator[](int p) const { return m_sheets[size_t(m_order[size_t(p)].id)]; }
    bool Sorted() const { return m_sorted; }

    int Append(TSheet s)
    {
        const int id = int(m_sheets.size());
        m_sheets.push_back(std::move(s));
        m_order.push_back({SidesKeyOf(m_sheets.back()), id});
        m_pos.push_back(Count() - 1);
        Join(id);
        return Count() - 1;
    }

    // SortSheets after the rectangles at `dirty` changed (any order, -1 ignored).
    void Resort(const int *dirty, std::size_t count)
    {
        auto key = [](const Entry &e) { return e.key; };
        TouchedRange touched;
        int32_t ids[8];
        std::size_t nids = 0;
        if (!m_sorted) {
            for (Entry &e : m_order)
                e.key = SidesKeyOf(m_sheets[size_t(e.id)]);
            ExchangeSort(m_order, key);
            touched.Add(0, Count() - 1);
            m_sorted = true;
        } else {
            for (std::size_t i = 0; i < count; ++i)
                if (dirty[i] >= 0) {
                    m_order[size_t(dirty[i])].key = SidesKeyOf((*this)[dirty[i]]);
                    if (nids < 8)
                        ids[nids++] = m_order[size_t(dirty[i])].id;
                }
            ExchangeSortDirty(m_order, key, dirty, count, &touched);
        }
        for (int p = touched.lo; p <= touched.hi; ++p)
            m_pos[size_t(m_order[size_t(p)].id)] = p;
        // The index follows: what moved, and what changed in place.
        auto at = [this](int p) -> const TSheet & { return (*this)[p]; };
        if (m_fit.Capacity() < Count() + 1 || (touched.lo == 0 && touched.hi == Count() - 1)) {
            std::vector<int32_t> order(m_order.size());
            for (std::size_t p = 0; p < m_order.size(); ++p)
                order[p] = m_order[p].id;
            m_fit.Build(m_sheets, order);
        } else {
            if (touched.lo <= touched.hi)
                m_fit.Update(touched.lo, touched.hi, at);
            for (std::size_t i = 0; i < nids; ++i) {
                const int p = m_pos[size_t(ids[i])];
                m_fit.Update(p, p, at);
            }
        }
    }

    // The last position whose rectangle holds `px` along X and `py` along Y,
    // or -1: what a scan of the sorted list from its end finds first.
    int LastFitting(int32_t px, int32_t py) const
    {
        const int alongEnd = LongerAtLeast(px), acrossEnd = LongerAtLeast(py);
        const int along = m_fit.LastAlong(alongEnd, py);  // SizeX the longer side, at least px
        const int across = m_fit.LastAcross(acrossEnd, px); // SizeY the longer side, at least py
        return std::max(along, across);
    }

    // The first rectangle of stock sheet `sheet` in list order, other than the
    // one at `k`, that `pred` takes; or -1. Only that sheet's rectangles are
    // looked at.
    template <class Pred>
    int FirstOnSheet(int32_t sheet, int k, Pred pred) const
    {
        const std::vector<int> *ids = OnSheet(sheet);
        if (!ids || m_unlisted || ids->size() * 4 > m_order.size()) {
            // Most of the list: walking it in order stops at the first.
            for (int i = 0; i < Count(); ++i)
                if (i != k && pred((*this)[i]))
                    return i;
            return -1;
        }
        int best = -1;
        for (int id : *ids) {
            const int p = m_pos[size_t(id)];
            if (p != k && (best < 0 || p < best) && pred(m_sheets[size_t(id)]))
                best = p;
        }
        return best;
    }

private:
    struct Entry
    {
        int64_t key;
        int32_t id;
    };
    // How many rectangles from the top have a longer side of at least `a`.
    int LongerAtLeast(int32_t a) const
    {
        const int64_t k = SidesKeyLongAtLeast(a);
        return int(std::upper_bound(m_order.begin(), m_order.end(), k,
                                    [](int64_t v, const Entry &e) { return v < e.key; }) -
                   m_order.begin());
    }
    // Stock indexes beyond any stock list go without a list of their own.
    static constexpr int32_t kMaxSheetIndex = 1 << 20;
    const std::vector<int> *OnSheet(int32_t s) const
    {
        return s >= 0 && size_t(s) < m_bySheet.size() ? &m_bySheet[size_t(s)] : nullptr;
    }
    void Join(int id)
    {
        const int32_t s = m_sheets[size_t(id)].SheetIndex;
        if (s < 0 || s > kMaxSheetIndex) {
            m_unlisted = true;
            return;
        }
        if (size_t(s) >= m_bySheet.size())
            m_bySheet.resize(size_t(s) + 1);
        m_bySheet[size_t(s)].push_back(id);
    }

    std::vector<TSheet> &m_sheets; // by id: where they stand until Finish
    std::vector<Entry> m_order;    // by position
    std::vector<int> m_pos;        // position of every id
    std::vector<std::vector<int>> m_bySheet;
    TFitIndex m_fit;
    bool m_unlisted = false;
    bool m_sorted = false;
};

} // namespace kv::engine

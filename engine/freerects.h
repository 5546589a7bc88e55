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

// Where a part fits. The rectangles of one key (longer and shorter side) make
// one node of a tree ordered by key, with how many of them lie along X (SizeX
// the longer side) and along Y; each node knows the largest shorter side of
// either kind beneath it. A split changes a few keys, so the tree changes in
// a few places, however far the rectangles move in the list.
class TFitIndex
{
public:
    void Clear()
    {
        m_nodes.clear();
        m_free.clear();
        m_root = -1;
    }
    void Add(int64_t key, bool along, int delta)
    {
        if (delta > 0 && !Contains(key)) {
            const int n = NewNode(key);
            m_root = Insert(m_root, n);
        }
        m_root = Change(m_root, key, along ? delta : 0, along ? 0 : delta);
    }
    // The largest key at most `maxKey` with a rectangle along X (`along`) or
    // along Y whose shorter side is at least `b`; false when none.
    bool LastKey(int64_t maxKey, bool along, int32_t b, int64_t &key) const
    {
        const int n = Last(m_root, maxKey, along, b);
        if (n < 0)
            return false;
        key = m_nodes[size_t(n)].key;
        return true;
    }
    static int32_t ShorterOf(int64_t key) { return int32_t(((-key) & 0xffffffffLL) - 2147483648LL); }

private:
    static constexpr int32_t kNone = std::numeric_limits<int32_t>::min();
    struct Node
    {
        int64_t key;
        uint32_t prio;
        int left, right;
        int32_t along, across;       // rectangles of this key lying each way
        int32_t maxAlong, maxAcross; // largest shorter side beneath, of those present
    };
    int NewNode(int64_t key)
    {
        m_seed ^= m_seed << 13;
        m_seed ^= m_seed >> 17;
        m_seed ^= m_seed << 5;
        Node nd{key, m_seed, -1, -1, 0, 0, kNone, kNone};
        if (!m_free.empty()) {
            const int n = m_free.back();
            m_free.pop_back();
            m_nodes[size_t(n)] = nd;
            return n;
        }
        m_nodes.push_back(nd);
        return int(m_nodes.size()) - 1;
    }
    void Pull(int t)
    {
        Node &n = m_nodes[size_t(t)];
        const int32_t s = ShorterOf(n.key);
        int32_t a = n.along > 0 ? s : kNone, c = n.across > 0 ? s : kNone;
        if (n.left >= 0) {
            const Node &l = m_nodes[size_t(n.left)];
            a = std::max(a, l.maxAlong);
            c = std::max(c, l.maxAcross);
        }
        if (n.right >= 0) {
            const Node &r = m_nodes[size_t(n.right)];
            a = std::max(a, r.maxAlong);
            c = std::max(c, r.maxAcross);
        }
        n.maxAlong = a;
        n.maxAcross = c;
    }
    bool Contains(int64_t key) const
    {
        for (int t = m_root; t >= 0;) {
            const Node &n = m_nodes[size_t(t)];
            if (n.key == key)
                return true;
            t = key < n.key ? n.left : n.right;
        }
        return false;
    }
    // Keys below `key` to `l`, the rest to `r`.
    void Split(int t, int64_t key, int &l, int &r)
    {
        if (t < 0) {
            l = r = -1;
            return;
        }
        Node &n = m_nodes[size_t(t)];
        if (n.key < key) {
            Split(n.right, key, m_nodes[size_t(t)].right, r);
            l = t;
        } else {
            Split(n.left, key, l, m_nodes[size_t(t)].left);
            r = t;
        }
        Pull(t);
    }
    int Join(int l, int r)
    {
        if (l < 0)
            return r;
        if (r < 0)
            return l;
        if (m_nodes[size_t(l)].prio > m_nodes[size_t(r)].prio) {
            m_nodes[size_t(l)].right = Join(m_nodes[size_t(l)].right, r);
            Pull(l);
            return l;
        }
        m_nodes[size_t(r)].left = Join(l, m_nodes[size_t(r)].left);
        Pull(r);
        return r;
    }
    int Insert(int t, int n)
    {
        if (t < 0)
            return n;
        if (m_nodes[size_t(n)].prio > m_nodes[size_t(t)].prio) {
            Split(t, m_nodes[size_t(n)].key, m_nodes[size_t(n)].left, m_nodes[size_t(n)].right);
            Pull(n);
            return n;
        }
        if (m_nodes[size_t(n)].key < m_nodes[size_t(t)].key)
            m_nodes[size_t(t)].left = Insert(m_nodes[size_t(t)].left, n);
        else
            m_nodes[size_t(t)].right = Insert(m_nodes[size_t(t)].right, n);
        Pull(t);
        return t;
    }
    int Change(int t, int64_t key, int dAlong, int dAcross)
    {
        if (t < 0)
            return t;
        Node &n = m_nodes[size_t(t)];
        if (key == n.key) {
            n.along += dAlong;
            n.across += dAcross;
            if (n.along <= 0 && n.across <= 0) {
                const int j = Join(n.left, n.right);
                m_free.push_back(t);
                return j;
            }
        } else if (key < n.key) {
            const int c = Change(n.left, key, dAlong, dAcross);
            m_nodes[size_t(t)].left = c;
        } else {
            const int c = Change(n.right, key, dAlong, dAcross);
            m_nodes[size_t(t)].right = c;
        }
        Pull(t);
        return t;
    }
    int32_t MaxOf(int t, bool along) const
    {
        return t < 0 ? kNone : along ? m_nodes[size_t(t)].maxAlong : m_nodes[size_t(t)].maxAcross;
    }
    int Last(int t, int64_t maxKey, bool along, int32_t b) const
    {
        if (t < 0 || MaxOf(t, along) < b)
            return -1;
        const Node &n = m_nodes[size_t(t)];
        if (n.key > maxKey)
            return Last(n.left, maxKey, along, b);
        const int r = Last(n.right, maxKey, along, b);
        if (r >= 0)
            return r;
        if ((along ? n.along : n.across) > 0 && ShorterOf(n.key) >= b)
            return t;
        return Last(n.left, maxKey, along, b);
    }

    std::vector<Node> m_nodes;
    std::vector<int> m_free;
    int m_root = -1;
    uint32_t m_seed = 2463534242u;
};

class TFreeRects
{
public:
    explicit TFreeRects(TSheetsList &map) : m_sheets(map.Sheets.Vector())
    {
        const int n = int(m_sheets.size());
        m_order.reserve(size_t(n) * 2 + 16);
        m_keyOf.reserve(size_t(n) * 2 + 16);
        m_alongOf.reserve(size_t(n) * 2 + 16);
        for (int i = 0; i < n; ++i)
            Enter(i);
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
        Enter(id);
        return Count() - 1;
    }

    // SortSheets after the rectangles at `dirty` changed (any order, -1 ignored).
    void Resort(const int *dirty, std::size_t count)
    {
        auto key = [](const Entry &e) { return e.key; };
        if (!m_sorted) {
            for (Entry &e : m_order) {
                Refresh(e.id);
                e.key = m_keyOf[size_t(e.id)];
            }
            ExchangeSort(m_order, key);
            m_sorted = true;
        } else {
            for (std::size_t i = 0; i < count; ++i)
                if (dirty[i] >= 0) {
                    Entry &e = m_order[size_t(dirty[i])];
                    Refresh(e.id);
                    e.key = m_keyOf[size_t(e.id)];
                }
            ExchangeSortDirty(m_order, key, dirty, count);
        }
        m_sortedCount = Count();
        if (!m_indexed && Count() >= kIndexFrom) {
            for (std::size_t id = 0; id < m_keyOf.size(); ++id)
                m_fit.Add(m_keyOf[id], bool(m_alongOf[id]), 1);
            m_indexed = true;
        }
    }
    // Short lists are searched faster by a scan than through the index.
    bool Indexed() const { return m_indexed; }

    // The last position whose rectangle holds the part (`px` along X and
    // `py` along Y, or turned when `turn` allows it), or -1: what a scan of
    // the sorted list from its end finds first.
    int LastFitting(int32_t px, int32_t py, bool straight, bool turn) const
    {
        int64_t best = 0;
        bool found = false;
        auto offer = [&](int32_t x, int32_t y) {
            int64_t k;
            // Along X: SizeX is the longer side, at least x; SizeY at least y.
            if (m_fit.LastKey(SidesKeyLongAtLeast(x), true, y, k) && (!found || k > best))
                best = k, found = true;
            // Along Y: SizeY is the longer side, at least y; SizeX at least x.
            if (m_fit.LastKey(SidesKeyLongAtLeast(y), false, x, k) && (!found || k > best))
                best = k, found = true;
        };
        if (straight)
            offer(px, py);
        if (turn)
            offer(py, px);
        if (!found)
            return -1;
        // The rectangles of that key stand together; the last one that
        // takes the part either way allowed.
        const auto first = std::lower_bound(m_order.begin(), m_order.end(), best,
                                            [](const Entry &e, int64_t v) { return e.key < v; });
        for (auto it = std::upper_bound(first, m_order.end(), best,
                                        [](int64_t v, const Entry &e) { return v < e.key; });
             it != first;) {
            --it;
            const TSheet &r = m_sheets[size_t(it->id)];
            if ((straight && px <= r.SizeX && py <= r.SizeY) || (turn && py <= r.SizeX && px <= r.SizeY))
                return int(it - m_order.begin());
        }
        return -1;
    }

    // The first rectangle of stock sheet `sheet` in list order, other than the
    // one at `k`, that `pred` takes; or -1. Only that sheet's rectangles are
    // looked at.
    template <class Pred>
    int FirstOnSheet(int32_t sheet, int k, Pred pred) const
    {
        const std::vector<int> *ids = OnSheet(sheet);
        if (!m_sorted || !ids || m_unlisted || ids->size() * 4 > m_order.size()) {
            // Most of the list: walking it in order stops at the first.
            for (int i = 0; i < Count(); ++i)
                if (i != k && pred((*this)[i]))
                    return i;
            return -1;
        }
        int best = -1;
        for (int id : *ids) {
            if (!pred(m_sheets[size_t(id)]))
                continue;
            const int p = PositionOf(id);
            if (p != k && (best < 0 || p < best))
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
    // Stock indexes beyond any stock list go without a list of their own.
    static constexpr int32_t kMaxSheetIndex = 1 << 20;
    const std::vector<int> *OnSheet(int32_t s) const
    {
        return s >= 0 && size_t(s) < m_bySheet.size() ? &m_bySheet[size_t(s)] : nullptr;
    }
    static bool Along(const TSheet &s) { return s.SizeX >= s.SizeY; }
    void Enter(int id)
    {
        const TSheet &r = m_sheets[size_t(id)];
        const int64_t k = SidesKeyOf(r);
        m_order.push_back({k, id});
        m_keyOf.push_back(k);
        m_alongOf.push_back(Along(r));
        if (m_indexed)
            m_fit.Add(k, Along(r), 1);
        const int32_t s = r.SheetIndex;
        if (s < 0 || s > kMaxSheetIndex) {
            m_unlisted = true;
            return;
        }
        if (size_t(s) >= m_bySheet.size())
            m_bySheet.resize(size_t(s) + 1);
        m_bySheet[size_t(s)].push_back(id);
    }
    // The rectangle's key and way round as it now stands, in the index too.
    void Refresh(int id)
    {
        const TSheet &r = m_sheets[size_t(id)];
        const int64_t k = SidesKeyOf(r);
        const bool along = Along(r);
        if (k == m_keyOf[size_t(id)] && along == bool(m_alongOf[size_t(id)]))
            return;
        if (m_indexed) {
            m_fit.Add(m_keyOf[size_t(id)], bool(m_alongOf[size_t(id)]), -1);
            m_fit.Add(k, along, 1);
        }
        m_keyOf[size_t(id)] = k;
        m_alongOf[size_t(id)] = along;
    }
    // Where a rectangle stands: among those of its key in the sorted part,
    // or in the few appended since the last sort.
    int PositionOf(int id) const
    {
        for (int p = m_sortedCount; p < Count(); ++p)
            if (m_order[size_t(p)].id == id)
                return p;
        const int64_t k = m_keyOf[size_t(id)];
        const auto end = m_order.begin() + m_sortedCount;
        for (auto it = std::lower_bound(m_order.begin(), end, k, [](const Entry &e, int64_t v) { return e.key < v; });
             it != end && it->key == k; ++it)
            if (it->id == id)
                return int(it - m_order.begin());
        return -1;
    }

    std::vector<TSheet> &m_sheets; // by id: where they stand until Finish
    std::vector<Entry> m_order;    // by position
    std::vector<int64_t> m_keyOf;  // by id: the key m_order holds for it
    std::vector<char> m_alongOf;   // by id: lies along X, as the index has it
    std::vector<std::vector<int>> m_bySheet;
    TFitIndex m_fit;
    int m_sortedCount = 0; // positions before this stand in order
    static constexpr int kIndexFrom = 96;
    bool m_indexed = false;
    bool m_unlisted = false;
    bool m_sorted = false;
};

} // namespace kv::engine

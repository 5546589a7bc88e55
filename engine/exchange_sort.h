#pragma once
// The engine's one sort: for each position i from the first to the last but
// one, every later item j (in increasing j) that ranks strictly before the item
// currently at i is exchanged with it. The order of equal keys that this leaves
// is part of the layout's behaviour, so every sort of the engine goes through it.
//
// ExchangeSort gives exactly the same result as the literal double loop, but
// in O((n + exchanges) log n): a tree over the positions finds the next position
// whose item is not already the smallest of the rest, and at that position the
// chain of exchanges ("the first later item that ranks strictly before the held
// one") hop by hop.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kv::engine {

// Keys compare with operator<; "a ranks before b" is key(a) < key(b).
template <class T, class KeyFn>
void ExchangeSortLiteral(std::vector<T> &a, KeyFn keyOf)
{
    const std::size_t n = a.size();
    for (std::size_t i = 0; i + 1 < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            if (keyOf(a[j]) < keyOf(a[i]))
                { using std::swap; swap(a[i], a[j]); }
}

// The literal loop with the keys worked out once, for short lists; positions
// whose item already ranks at or before everything after it exchange nothing
// and are skipped. The exchanges run on keys and positions; the items move
// once, at the end.
template <class T, class KeyFn>
void ExchangeSortSmall(std::vector<T> &a, KeyFn keyOf)
{
    using K = decltype(keyOf(a[0]));
    constexpr std::size_t kMax = 128;
    const std::size_t n = a.size();
    if (n < 2)
        return;
    K k[kMax];
    K suf[kMax]; // smallest key from a position to the end
    unsigned char from[kMax]; // where the item that ends at a position stood
    for (std::size_t i = 0; i < n; ++i) {
        k[i] = keyOf(a[i]);
        from[i] = static_cast<unsigned char>(i);
    }
    suf[n - 1] = k[n - 1];
    for (std::size_t i = n - 1; i-- > 0;)
        suf[i] = k[i] < suf[i + 1] ? k[i] : suf[i + 1];
    bool moved = false;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (!(suf[i + 1] < k[i]))
            continue;
        K cur = k[i];
        std::size_t last = i;
        for (std::size_t j = i + 1; j < n; ++j) {
            // Nothing from j on has changed yet in this scan: when its smallest
            // key does not rank before the held one, the scan is over.
            if (!(suf[j] < cur))
                break;
            if (k[j] < cur) {
                const K kj = k[j];
                k[j] = cur;
                cur = kj;
                std::swap(from[i], from[j]);
                last = j;
            }
        }
        k[i] = cur;
        moved = true;
        for (std::size_t p = last + 1; p-- > i + 1;)
            suf[p] = (p + 1 < n && suf[p + 1] < k[p]) ? suf[p + 1] : k[p];
    }
    if (!moved)
        return;
    // Follow each cycle of the permutation once.
    bool done[kMax] = {};
    for (std::size_t p = 0; p < n; ++p) {
        if (done[p] || from[p] == p)
            continue;
        T held = std::move(a[p]);
        std::size_t q = p;
        while (from[q] != p) {
            a[q] = std::move(a[from[q]]);
            done[q] = true;
            q = from[q];
        }
        a[q] = std::move(held);
        done[q] = true;
    }
}

// The literal loop for lists of at most 64 items, on keys and positions. A
// mask marks every position whose key ranks strictly before the one before it;
// between two marks the keys never rank before each other, so the search for
// the first later key that ranks before the held one jumps from mark to mark.
template <class T, class KeyFn>
void ExchangeSortTiny(std::vector<T> &a, KeyFn keyOf)
{
    using K = decltype(keyOf(a[0]));
    const std::size_t n = a.size();
    if (n < 2)
        return;
    K k[64];
    unsigned char from[64]; // where the item that ends at a position stood
    for (std::size_t i = 0; i < n; ++i) {
        k[i] = keyOf(a[i]);
        from[i] = static_cast<unsigned char>(i);
    }
    std::uint64_t drop = 0;
    for (std::size_t j = 1; j < n; ++j)
        if (k[j] < k[j - 1])
            drop |= std::uint64_t(1) << j;
    auto mark = [&](std::size_t p) {
        if (p == 0 || p >= n)
            return;
        if (k[p] < k[p - 1])
            drop |= std::uint64_t(1) << p;
        else
            drop &= ~(std::uint64_t(1) << p);
    };
    std::size_t lo = n, hi = 0; // the positions that changed lie in [lo, hi]
    for (std::size_t i = 0; i + 1 < n; ++i) {
        // No break in the order after i: the rest stands sorted.
        if ((drop >> (i + 1)) == 0)
            break;
        K cur = k[i];
        std::size_t j = i + 1;
        while (j < n) {
            if (k[j] < cur) {
                const K kj = k[j];
                k[j] = cur;
                cur = kj;
                k[i] = cur;
                std::swap(from[i], from[j]);
                lo = std::min(lo, i);
                hi = std::max(hi, j);
                mark(j);
                mark(j + 1);
                ++j;
                continue;
            }
            const std::uint64_t later = j + 1 < 64 ? drop & (~std::uint64_t(0) << (j + 1)) : 0;
            if (!later)
                break;
            j = std::size_t(__builtin_ctzll(later));
        }
    }
    if (lo > hi)
        return;
    // Follow each cycle of the permutation once.
    bool done[64];
    std::fill(done + lo, done + hi + 1, false);
    for (std::size_t p = lo; p <= hi; ++p) {
        if (done[p] || from[p] == p)
            continue;
        T held = std::move(a[p]);
        std::size_t q = p;
        while (from[q] != p) {
            a[q] = std::move(a[from[q]]);
            done[q] = true;
            q = from[q];
        }
        a[q] = std::move(held);
        done[q] = true;
    }
}

namespace detail {

template <class K>
class ExchangeTree
{
public:
    explicit ExchangeTree(std::vector<K> &keys) : m_k(keys), m_n(int(keys.size()))
    {
        m_size = 1;
        while (m_size < m_n)
            m_size <<= 1;
        m_min.assign(2 * m_size, -1);
        m_max.assign(2 * m_size, -1);
        m_sorted.assign(2 * m_size, 1);
        for (int i = 0; i < m_n; ++i) {
            m_min[m_size + i] = i;
            m_max[m_size + i] = i;
        }
        for (int v = m_size - 1; v >= 1; --v)
            pull(v);
    }

    void update(int pos)
    {
        for (int v = (pos + m_size) >> 1; v >= 1; v >>= 1)
            pull(v);
    }

    // Leftmost position whose item has a later item ranking strictly before it.
    int firstUnsettled() const
    {
        if (!unsettled(1, -1))
            return -1;
        int v = 1, ctx = -1;
        while (v < m_size) {
            const int l = 2 * v, r = l + 1;
            const int lctx = minOf(m_min[r], ctx);
            if (unsettled(l, lctx)) {
                v = l;
                ctx = lctx;
            } else {
                v = r;
            }
        }
        return v - m_size;
    }

    // First position after p whose key ranks strictly before key.
    int firstBefore(int p, const K &key) const { return firstBefore(1, 0, m_size, p, key); }

private:
    bool less(int a, int b) const { return m_k[a] < m_k[b]; }
    int minOf(int a, int b) const
    {
        if (a < 0) return b;
        if (b < 0) return a;
        return less(b, a) ? b : a;
    }
    int maxOf(int a, int b) const
    {
        if (a < 0) return b;
        if (b < 0) return a;
        return less(a, b) ? b : a;
    }
    void pull(int v)
    {
        const int l = 2 * v, r = l + 1;
        m_min[v] = minOf(m_min[l], m_min[r]);
        m_max[v] = maxOf(m_max[l], m_max[r]);
        bool s = m_sorted[l] && m_sorted[r];
        if (s && m_max[l] >= 0 && m_min[r] >= 0 && less(m_min[r], m_max[l]))
            s = false;
        m_sorted[v] = s;
    }
    // Does the node hold a position with a later item (inside it or in ctx,
    // the smallest item to its right) ranking strictly before its own?
    bool unsettled(int v, int ctx) const
    {
        if (m_max[v] < 0)
            return false;
        if (!m_sorted[v])
            return true;
        return ctx >= 0 && less(ctx, m_max[v]);
    }
    int firstBefore(int v, int lo, int hi, int p, const K &key) const
    {
        if (hi <= p + 1 || m_min[v] < 0 || !(m_k[m_min[v]] < key))
            return -1;
        if (v >= m_size)
            return lo;
        const int mid = (lo + hi) / 2;
        const int res = firstBefore(2 * v, lo, mid, p, key);
        if (res >= 0)
            return res;
        return firstBefore(2 * v + 1, mid, hi, p, key);
    }

    std::vector<K> &m_k;
    int m_n;
    int m_size = 1;
    std::vector<int> m_min, m_max;
    std::vector<char> m_sorted;
};

} // namespace detail

// Below these sizes the literal loop is faster than building the tree, or
// than following the few changed items.
inline constexpr std::size_t kExchangeSortDirtySmall = 64;
inline constexpr std::size_t kExchangeSortSmall = 128;

template <class T, class KeyFn>
void ExchangeSort(std::vector<T> &a, KeyFn keyOf)
{
    const std::size_t n = a.size();
    if (n <= 64) {
        ExchangeSortTiny(a, keyOf);
        return;
    }
    if (n <= kExchangeSortSmall) {
        ExchangeSortSmall(a, keyOf);
        return;
    }
    using K = decltype(keyOf(a[0]));
    std::vector<K> keys;
    keys.reserve(n);
    for (const T &x : a)
        keys.push_back(keyOf(x));
    detail::ExchangeTree<K> tree(keys);
    for (;;) {
        const int i = tree.firstUnsettled();
        if (i < 0)
            break;
        // The item at i is carried along the chain of exchanges; the tree keeps
        // its old key at i meanwhile, which only positions after i are asked about.
        K held = keys[i];
        T heldItem = std::move(a[i]);
        int p = i;
        for (;;) {
            const int j = tree.firstBefore(p, held);
            if (j < 0)
                break;
            std::swap(held, keys[j]);
            { using std::swap; swap(heldItem, a[j]); }
            tree.update(j);
            p = j;
        }
        keys[i] = std::move(held);
        a[i] = std::move(heldItem);
        tree.update(i);
    }
}


// The same result for a list whose items stand in order except at a few known
// positions (`dirty`, any order, duplicates allowed): the layout re-sorts its
// rectangles after every split, when only the split and merged ones changed.
// Falls back to the tree when the disorder spreads.
// The positions a sort may have written to: callers that index the list by
// position refresh only these.
struct TouchedRange
{
    int lo = 1 << 30, hi = -1;
    void Add(int a, int b)
    {
        lo = std::min(lo, a);
        hi = std::max(hi, b);
    }
};

template <class T, class KeyFn>
void ExchangeSortDirty(std::vector<T> &a, KeyFn keyOf, const int *dirty, std::size_t dirtyCount,
                       TouchedRange *touched = nullptr)
{
    using K = decltype(keyOf(a[0]));
    const int n = int(a.size());
    auto touch = [touched](int lo, int hi) {
        if (touched)
            touched->Add(lo, hi);
    };
    // Dirty positions at or after the current one, ascending; few, so nothing
    // here walks the whole list.
    if (dirtyCount > 24 || a.size() <= kExchangeSortDirtySmall) {
        ExchangeSort(a, keyOf);
        touch(0, n - 1);
        return;
    }
    int d[32];
    int nd = 0;
    // Which positions are in d, so that asking costs nothing however many
    // there are; cleared again on the way out.
    thread_local std::vector<unsigned char> marks;
    if (marks.size() < std::size_t(n))
        marks.resize(std::size_t(n));
    unsigned char *const mark = marks.data();
    struct Unmark
    {
        unsigned char *mark;
        const int *d;
        const int &nd;
        ~Unmark()
        {
            for (int m = 0; m < nd; ++m)
                mark[d[m]] = 0;
        }
    } unmark{mark, d, nd};
    auto dropBefore = [&](int c) {
        int drop = 0;
        while (drop < nd && d[drop] < c)
            mark[d[drop++]] = 0;
        if (drop) {
            for (int m = drop; m < nd; ++m)
                d[m - drop] = d[m];
            nd -= drop;
        }
    };
    for (std::size_t di = 0; di < dirtyCount; ++di) {
        const int x = dirty[di];
        if (x < 0 || x >= n)
            continue;
        int at = nd;
        while (at > 0 && d[at - 1] > x)
            --at;
        if (at > 0 && d[at - 1] == x)
            continue;
        for (int m = nd; m > at; --m)
            d[m] = d[m - 1];
        d[at] = x;
        mark[x] = 1;
        ++nd;
    }
    // Keys are read from the items: nothing here walks the whole list.
    auto key = [&](int p) -> K { return keyOf(a[size_t(p)]); };
    auto inD = [mark](int p) { return mark[p] != 0; };
    auto nextClean = [&](int p) {
        while (p < n && inD(p))
            ++p;
        return p;
    };
    // First clean position in [lo, hi) whose key ranks strictly after `k`.
    auto firstAfter = [&](int lo, int hi, const K &k) {
        int ans = hi;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            int m2 = mid;
            while (m2 < hi && inD(m2))
                ++m2;
            if (m2 == hi) {
                hi = mid;
                continue;
            }
            if (k < key(m2)) {
                ans = m2;
                hi = mid;
            } else {
                lo = m2 + 1;
            }
        }
        return ans;
    };
    // First position after p whose key ranks strictly before `k`, or -1.
    auto firstBefore = [&](int p, const K &k) {
        int best = -1;
        const int q = nextClean(p + 1);
        if (q < n && key(q) < k)
            best = q;
        for (int m = 0; m < nd; ++m) {
            const int x = d[m];
            if (best >= 0 && x > best)
                break;
            if (x > p && key(x) < k) {
                best = x;
                break;
            }
        }
        return best;
    };
    int cur = 0;
    while (cur < n - 1 && nd > 0) {
        // Next position whose item has a later item ranking before it.
        int i = n;
        for (int m = 0; m < nd; ++m) {
            const int x = d[m];
            const K kx = key(x);
            // Clean positions before x (and before the best so far) holding
            // items that rank after it.
            const int hi = std::min(x, i);
            const int c = firstAfter(cur, hi, kx);
            if (c < hi)
                i = c;
            else if (x < i && firstBefore(x, kx) >= 0)
                i = x;
        }
        if (i >= n - 1)
            return;
        if (inD(i)) {
            // A changed item sinking past smaller clean items, one exchange a
            // step: while every item it passes ranks at or before all later
            // changed items, the whole run is one rotation.
            const K kx = key(i);
            int limit = n;
            bool hasZ = false;
            K z{};
            for (int m = 0; m < nd; ++m) {
                const int x = d[m];
                if (x <= i)
                    continue;
                if (limit == n)
                    limit = x;
                const K kz = key(x);
                if (!hasZ || kz < z)
                    z = kz;
                hasZ = true;
            }
            // Clean positions, keys ascending: the run it passes is mostly
            // short, so look near first, then halve.
            auto passes = [&](int p) {
                const K km = key(p);
                return km < kx && !(hasZ && z < km);
            };
            int lo = i + 1, hi = limit;
            for (int step = 1; lo < hi;) {
                const int probe = std::min(hi, lo + step) - 1;
                if (!passes(probe)) {
                    hi = probe;
                    break;
                }
                lo = probe + 1;
                step *= 2;
            }
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                if (passes(mid))
                    lo = mid + 1;
                else
                    hi = mid;
            }
            const int q = lo;
            if (q > i + 2) {
                std::rotate(a.begin() + i, a.begin() + i + 1, a.begin() + q);
                touch(i, q - 1);
                for (int m = 0; m < nd; ++m)
                    if (d[m] == i)
                        d[m] = q - 1; // no changed item lies between
                mark[i] = 0;
                mark[q - 1] = 1;
                cur = q - 1;
                dropBefore(cur);
                continue;
            }
        }
        if (!inD(i)) {
            // A changed item rising past larger clean items: each step moves
            // the first item of one group of equal keys to the next group's
            // first place, and the last one to where the changed item was.
            int p = -1, pm = -1;
            for (int m = 0; m < nd; ++m)
                if (d[m] > i) {
                    p = d[m];
                    pm = m;
                    break;
                }
            if (p >= 0) {
                const K kp = key(p);
                K k1 = key(i);
                bool hasZ = false;
                K z{};
                for (int m = pm + 1; m < nd; ++m) {
                    const K kz = key(d[m]);
                    if (!hasZ || kz < z)
                        z = kz;
                    hasZ = true;
                }
                if (kp < k1 && !(hasZ && z < k1)) {
                    // The exchanges run as the groups are found: nothing at or
                    // after the next group's start has moved yet.
                    T carry = std::move(a[size_t(p)]);
                    int gpos = i;
                    K kg = k1;
                    for (;;) {
                        { using std::swap; swap(carry, a[size_t(gpos)]); }
                        // Next group: first place after gpos whose key ranks
                        // after kg; groups are mostly short, so look near first.
                        int lo = gpos + 1, hi = lo + 1;
                        while (hi < p && !(kg < key(hi - 1))) {
                            lo = hi;
                            hi = std::min(p, lo + 2 * (hi - gpos));
                        }
                        hi = std::min(hi, p);
                        while (lo < hi) {
                            const int mid = lo + (hi - lo) / 2;
                            if (kg < key(mid))
                                hi = mid;
                            else
                                lo = mid + 1;
                        }
                        if (lo >= p)
                            break;
                        const K kn = key(lo);
                        if (hasZ && z < kn)
                            break;
                        gpos = lo;
                        kg = kn;
                    }
                    a[size_t(p)] = std::move(carry);
                    touch(i, p);
                    cur = gpos + 1;
                    dropBefore(cur);
                    continue;
                }
            }
        }
        // The item at i rides along the chain of exchanges.
        K held = key(i);
        T heldItem = std::move(a[size_t(i)]);
        int p = i;
        for (;;) {
            const int j = firstBefore(p, held);
            if (j < 0)
                break;
            { using std::swap; swap(heldItem, a[size_t(j)]); }
            held = keyOf(heldItem);
            touch(i, j);
            if (!inD(j)) {
                if (nd == 32) {
                    // The disorder spread: the tree goes on from here. Scanning
                    // again from i + 1 exchanges nothing before j, since the
                    // held item only ever gets smaller.
                    a[size_t(i)] = std::move(heldItem);
                    ExchangeSort(a, keyOf);
                    touch(0, n - 1);
                    return;
                }
                int at = nd;
                while (at > 0 && d[at - 1] > j)
                    --at;
                for (int m = nd; m > at; --m)
                    d[m] = d[m - 1];
                d[at] = j;
                mark[j] = 1;
                ++nd;
            }
            p = j;
        }
        a[size_t(i)] = std::move(heldItem);
        touch(i, i);
        cur = i + 1;
        // Settled positions leave the dirty list.
        dropBefore(cur);
        if (nd > 24) {
            ExchangeSort(a, keyOf); // settled positions stay as they are
            touch(0, n - 1);
            return;
        }
    }
}

template <class T, class KeyFn>
void ExchangeSortDirty(std::vector<T> &a, KeyFn keyOf, const std::vector<int> &dirty)
{
    ExchangeSortDirty(a, keyOf, dirty.data(), dirty.size());
}

} // namespace kv::engine

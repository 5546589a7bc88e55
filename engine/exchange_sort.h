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
                std::swap(a[i], a[j]);
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

// Below this size the literal loop is faster than building the tree.
inline constexpr std::size_t kExchangeSortSmall = 24;

template <class T, class KeyFn>
void ExchangeSort(std::vector<T> &a, KeyFn keyOf)
{
    const std::size_t n = a.size();
    if (n < kExchangeSortSmall) {
        ExchangeSortLiteral(a, keyOf);
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
            std::swap(heldItem, a[j]);
            tree.update(j);
            p = j;
        }
        keys[i] = std::move(held);
        a[i] = std::move(heldItem);
        tree.update(i);
    }
}

} // namespace kv::engine

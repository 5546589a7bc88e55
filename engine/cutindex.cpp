#include "engine/cutindex.h"

#include <algorithm>

namespace kv::engine {

namespace {
uint64_t Mix(uint64_t k)
{
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    return k ^ (k >> 33);
}
int32_t StartOf(const TMillLine &m) { return m.Horizontal ? m.X : m.Y; }
int32_t LineOfCut(const TMillLine &m) { return m.Horizontal ? m.Y : m.X; }
int32_t Along(TPoint p, bool horizontal) { return horizontal ? p.X : p.Y; }
int32_t Across(TPoint p, bool horizontal) { return horizontal ? p.Y : p.X; }
} // namespace

void TCutIndex::Clear(TTable &t)
{
    // A new stamp frees every slot at once.
    if (++t.stamp == 0) {
        std::fill(t.cells.begin(), t.cells.end(), TLine());
        t.stamp = 1;
    }
    t.used = 0;
}

void TCutIndex::Begin(std::vector<TMillLine> &mills)
{
    m_mills = &mills;
    m_next.clear();
    m_gone.clear();
    m_anyGone = false;
    Clear(m_horizontal);
    Clear(m_vertical);
    std::vector<TMillLine> had;
    had.swap(mills);
    for (const TMillLine &m : had)
        Push(m);
}

void TCutIndex::Finish()
{
    if (!m_mills)
        return;
    if (m_anyGone) {
        size_t keep = 0;
        for (size_t i = 0; i < m_mills->size(); ++i)
            if (!m_gone[i])
                (*m_mills)[keep++] = (*m_mills)[i];
        m_mills->resize(keep);
    }
    m_mills = nullptr;
}

void TCutIndex::Grow(TTable &t)
{
    std::vector<TLine> old;
    old.swap(t.cells);
    t.cells.assign(std::max<size_t>(64, old.size() * 2), TLine());
    const size_t mask = t.cells.size() - 1;
    for (const TLine &l : old) {
        if (l.stamp != t.stamp)
            continue;
        size_t i = Mix(l.key) & mask;
        while (t.Taken(t.cells[i]))
            i = (i + 1) & mask;
        t.cells[i] = l;
    }
}

TCutIndex::TLine &TCutIndex::Slot(TTable &t, uint64_t key)
{
    if ((t.used + 1) * 2 > t.cells.size())
        Grow(t);
    const size_t mask = t.cells.size() - 1;
    size_t i = Mix(key) & mask;
    while (t.Taken(t.cells[i]) && t.cells[i].key != key)
        i = (i + 1) & mask;
    if (!t.Taken(t.cells[i])) {
        t.cells[i] = TLine{key, t.stamp, -1, -1};
        ++t.used;
    }
    return t.cells[i];
}

int32_t TCutIndex::First(bool horizontal, int32_t sheetIndex, int32_t line) const
{
    const TTable &t = horizontal ? m_horizontal : m_vertical;
    if (t.cells.empty())
        return -1;
    const uint64_t key = KeyOf(sheetIndex, line);
    const size_t mask = t.cells.size() - 1;
    for (size_t i = Mix(key) & mask; t.Taken(t.cells[i]); i = (i + 1) & mask)
        if (t.cells[i].key == key)
            return t.cells[i].head;
    return -1;
}

void TCutIndex::Push(const TMillLine &m)
{
    const int32_t at = int32_t(m_mills->size());
    m_mills->push_back(m);
    m_next.push_back(-1);
    m_gone.push_back(0);
    TLine &l = Slot(TableOf(m.Horizontal), KeyOf(m.SheetIndex, LineOfCut(m)));
    if (l.head < 0)
        l.head = at;
    else
        m_next[size_t(l.tail)] = at;
    l.tail = at;
}

bool TCutIndex::Covered(const TMillLine &m) const
{
    const int64_t start = StartOf(m), end = start + m.Length;
    for (int32_t i = First(m.Horizontal, m.SheetIndex, LineOfCut(m)); i >= 0; i = m_next[size_t(i)]) {
        if (m_gone[size_t(i)])
            continue;
        const TMillLine &c = (*m_mills)[size_t(i)];
        if (StartOf(c) <= start && int64_t(StartOf(c)) + c.Length >= end)
            return true;
    }
    return false;
}

bool TCutIndex::AddMill(const TMillLine &m)
{
    if (Covered(m))
        return false;
    Push(m);
    return true;
}

void TCutIndex::AddMillPair(const TMillLine &first, const TMillLine &second)
{
    if (first.Horizontal == second.Horizontal || first.SheetIndex != second.SheetIndex) {
        AddMill(first);
        AddMill(second);
        return;
    }
    // Across each other: neither can cover the other.
    const bool addFirst = !Covered(first), addSecond = !Covered(second);
    if (addFirst)
        Push(first);
    if (addSecond)
        Push(second);
}

void TCutIndex::ShortenMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal)
{
    const int32_t a = Along(p1, horizontal), b = Along(p2, horizontal);
    for (int32_t i = First(horizontal, sheetIndex, Across(p1, horizontal)); i >= 0; i = m_next[size_t(i)]) {
        TMillLine &m = (*m_mills)[size_t(i)];
        if (!m_gone[size_t(i)] && StartOf(m) <= a && StartOf(m) + m.Length >= b) {
            m.Length -= b - a;
            return;
        }
    }
}

void TCutIndex::ExtendMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal)
{
    const int32_t a = Along(p1, horizontal), b = Along(p2, horizontal);
    for (int32_t i = First(horizontal, sheetIndex, Across(p1, horizontal)); i >= 0; i = m_next[size_t(i)]) {
        TMillLine &m = (*m_mills)[size_t(i)];
        if (!m_gone[size_t(i)] && StartOf(m) + m.Length == a)
            m.Length += b - a;
    }
}

void TCutIndex::RemoveMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal)
{
    const int32_t a = Along(p1, horizontal), b = Along(p2, horizontal);
    for (int32_t i = First(horizontal, sheetIndex, Across(p1, horizontal)); i >= 0; i = m_next[size_t(i)]) {
        const TMillLine &m = (*m_mills)[size_t(i)];
        if (!m_gone[size_t(i)] && StartOf(m) == a && StartOf(m) + m.Length == b) {
            m_gone[size_t(i)] = 1;
            m_anyGone = true;
            return;
        }
    }
}

} // namespace kv::engine

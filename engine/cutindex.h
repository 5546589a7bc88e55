#pragma once
// The saw cuts of the map being built, found by their stock sheet and line.
// The layout step asks only for the cuts on one line of one sheet (to add one,
// shorten, lengthen or remove one); walking every cut of the map for that
// made the off-cut pass grow with the square of the warehouse. Each line keeps
// its cuts in list order; a removed cut is only marked until the variant is
// done, when the list closes up.
#include "engine/model.h"

#include <cstdint>
#include <vector>

namespace kv::engine {

class TCutIndex
{
public:
    // Takes the map's cuts over until Finish.
    void Begin(std::vector<TMillLine> &mills);
    // Removed cuts leave the list.
    void Finish();
    bool Active() const { return m_mills != nullptr; }

    // As TMillList's operations of the same names.
    bool AddMill(const TMillLine &m);
    void AddMillPair(const TMillLine &first, const TMillLine &second);
    void ShortenMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal);
    void ExtendMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal);
    void RemoveMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal);

private:
    struct TLine
    {
        uint64_t key = 0;
        uint32_t stamp = 0; // a slot of another variant is free
        int32_t head = -1, tail = -1;
    };
    struct TTable
    {
        std::vector<TLine> cells;
        size_t used = 0;
        uint32_t stamp = 1;
        bool Taken(const TLine &l) const { return l.stamp == stamp; }
    };
    static uint64_t KeyOf(int32_t sheetIndex, int32_t line)
    {
        return uint64_t(uint32_t(sheetIndex)) << 32 | uint32_t(line);
    }
    TTable &TableOf(bool horizontal) { return horizontal ? m_horizontal : m_vertical; }
    // The cuts of a line, first in list order, or -1.
    int32_t First(bool horizontal, int32_t sheetIndex, int32_t line) const;
    TLine &Slot(TTable &t, uint64_t key);
    void Grow(TTable &t);
    // Covered by a cut on its line: AddMill refuses it.
    bool Covered(const TMillLine &m) const;
    void Push(const TMillLine &m);
    void Clear(TTable &t);

    std::vector<TMillLine> *m_mills = nullptr;
    std::vector<int32_t> m_next; // next cut on the same line, by position
    std::vector<char> m_gone;
    bool m_anyGone = false;
    TTable m_horizontal, m_vertical;
};

} // namespace kv::engine

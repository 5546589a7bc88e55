#pragma once
// Objects of one cutting job: parts, rectangles, laid-out parts, saw cuts,
// maps and lists of maps. Lengths are whole millimetres; areas are 64-bit.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kv::engine {

struct TRaskroyParams;

// A remembered way round of a part.
enum TOrientation : uint8_t {
    orNone = 0,     // nothing remembered yet
    orStraight = 1, // Length along X
    orTurned = 2,   // Width along X
};
inline uint8_t OrientationOf(bool turned) { return turned ? orTurned : orStraight; }

// One kind of part.
struct TDetal
{
    int32_t Count = 0;         // copies as entered
    int32_t Remaining = 0;     // copies not yet cut by a committed map
    std::string Name;
    int32_t Length = 0;        // along X when not turned; kerf added during a pass
    int32_t Width = 0;
    int32_t PassNo = 0;
    uint8_t RotateMode = 0;    // 0 may turn, 1 never turns, 2 one orientation for all copies
    int32_t PassRemaining = 0; // copies still free in the variant being built
    uint8_t Orientation = orNone; // a TOrientation
    bool Skipped = false;
    int32_t LBorder = 0, RBorder = 0, TBorder = 0, BBorder = 0;

    void SetCount(int32_t n) { Count = Remaining = PassRemaining = n; }
    void SetRemaining(int32_t n) { Remaining = PassRemaining = n; }
    void ApplyKerf(bool add, int32_t millWidth);
    int32_t LongSide() const { return Length > Width ? Length : Width; }
    int32_t ShortSide() const { return Length > Width ? Width : Length; }
};

// A rectangle: a stock sheet, or a free rectangle of a map.
struct TSheet
{
    int32_t SizeX = 0, SizeY = 0;
    int32_t X = 0, Y = 0;
    std::string Name;
    int32_t SheetIndex = 0;
    bool IsScrap = true; // made by hand it is an off-cut; AddSheet makes it false

    TSheet() = default;
    TSheet(std::string name, int32_t x, int32_t y, int32_t sizeX, int32_t sizeY, int32_t sheetIndex,
           bool isScrap = true)
        : SizeX(sizeX), SizeY(sizeY), X(x), Y(y), Name(std::move(name)), SheetIndex(sheetIndex),
          IsScrap(isScrap) {}

    int64_t Area() const { return int64_t(SizeX) * int64_t(SizeY); }
    bool AtLeftEdge(const TRaskroyParams &p) const;

    // The sorts exchange rectangles a lot: one string swap, not three moves.
    friend void swap(TSheet &a, TSheet &b) noexcept
    {
        std::swap(a.SizeX, b.SizeX);
        std::swap(a.SizeY, b.SizeY);
        std::swap(a.X, b.X);
        std::swap(a.Y, b.Y);
        a.Name.swap(b.Name);
        std::swap(a.SheetIndex, b.SheetIndex);
        std::swap(a.IsScrap, b.IsScrap);
    }
};

// A part laid out on a map.
struct TDetalHandle
{
    int32_t DetalIndex = 0;
    int32_t X = 0, Y = 0;
    bool Rotated = false;
    int32_t SheetIndex = 0;
};

// A saw cut.
struct TMillLine
{
    int32_t X = 0, Y = 0;
    int32_t Length = 0;
    bool Horizontal = false;
    int32_t SheetIndex = 0;
};

struct TPoint
{
    int32_t X = 0, Y = 0;
};

// Owning list of values; Items past the end yields no object.
template <class T>
class TValueList
{
public:
    int Count() const { return int(m_items.size()); }
    T *Items(int i) { return i >= 0 && i < Count() ? &m_items[size_t(i)] : nullptr; }
    const T *Items(int i) const { return i >= 0 && i < Count() ? &m_items[size_t(i)] : nullptr; }
    T &operator[](int i) { return m_items[size_t(i)]; }
    const T &operator[](int i) const { return m_items[size_t(i)]; }
    void Delete(int i)
    {
        if (i >= 0 && i < Count())
            m_items.erase(m_items.begin() + i);
    }
    void Clear() { m_items.clear(); }
    void Append(T item) { m_items.push_back(std::move(item)); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    std::vector<T> &Vector() { return m_items; }
    const std::vector<T> &Vector() const { return m_items; }

protected:
    std::vector<T> m_items;
};

class TSheetsList;

class TDetalsList : public TValueList<TDetal>
{
public:
    TDetal &Add(const std::string &name, int32_t length, int32_t width, int32_t count, uint8_t rotateMode);
    void ResetPass(bool all);
    void RememberOrientations(const TSheetsList &map);
    void ApplyKerf(bool add, int32_t millWidth);
    bool NothingLeft() const;
    void ClearSkipped();
    bool AnySkipped() const;
    int64_t RemainingCount() const;
    bool HasSmallerDetal(const TDetal &part) const;
};

class TDetalsHandleList : public TValueList<TDetalHandle>
{
public:
    void AddHandle(int32_t detalIndex, int32_t sheetIndex, bool rotated, int32_t x, int32_t y);
    void SortByDetal(bool literal = false);
};

class TMillList : public TValueList<TMillLine>
{
public:
    bool AddMill(int32_t x, int32_t y, int32_t length, bool horizontal, int32_t sheetIndex);
    // AddMill of a horizontal and then a vertical cut (or the other way
    // round) in one walk: neither can cover the other.
    void AddMillPair(const TMillLine &first, const TMillLine &second);
    // The segment P1-P2 runs along X when `horizontal`, else along Y.
    void ShortenMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal);
    void ExtendMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal);
    void RemoveMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal);
};

struct TRect
{
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
bool HorzMillInRect(int32_t x, int32_t y, int32_t length, const TRect &r);
bool VertMillInRect(int32_t x, int32_t y, int32_t length, const TRect &r);

// One cutting map; also the stock list (only its rectangles are used there).
class TSheetsList
{
public:
    TValueList<TSheet> Sheets;
    TDetalsHandleList Detals;
    TMillList Mills;
    std::string Name;
    int32_t VariantNo = -1;
    int32_t Quantity = 0;
    int32_t SizeX = 0, SizeY = 0;
    bool IsScrap = false;

    TSheet &AddSheet(const std::string &name, int32_t x, int32_t y, int32_t sizeX, int32_t sizeY,
                     int32_t sheetIndex);
    int64_t FreeArea(const TDetalsList &parts) const;
    int32_t MaxSheetLength() const;
    int64_t MaxAreaWithLength(int32_t length) const;
    int64_t MillLength() const;
    int MillCount() const { return Mills.Count(); }
    // Same sheet, and the same parts at the same places the same way round, and
    // the same free rectangles and cuts.
    bool IsSameMap(const TSheetsList &other) const;
    void ClipMillsToSheet();
    void ClipMillsToTrims(const TRaskroyParams &p);
    void AddTrimMills(const TRaskroyParams &p);
};

// Longer side descending, then shorter side descending, as one ascending number.
inline int64_t SidesKey(int32_t a, int32_t b)
{
    const int64_t longer = a > b ? a : b, shorter = a > b ? b : a;
    return -(longer * 4294967296LL + (shorter + 2147483648LL));
}
// The largest key of a rectangle whose longer side is at least `longer`.
inline int64_t SidesKeyLongAtLeast(int32_t longer) { return -(int64_t(longer) * 4294967296LL + 2147483648LL); }

// The sorts, with the exchange procedure's order of equal keys.
void SortDetals(std::vector<TDetal> &parts, bool literal = false);
void SortSheets(std::vector<TSheet> &rects, bool literal = false);
void SortSheetsByArea(std::vector<TSheet> &rects, bool literal = false);

class TVariantsList
{
public:
    bool KeepBest = false;

    int Count() const { return int(m_items.size()); }
    TSheetsList *Items(int i) const { return i >= 0 && i < Count() ? m_items[size_t(i)].get() : nullptr; }
    void Delete(int i)
    {
        if (i >= 0 && i < Count())
            m_items.erase(m_items.begin() + i);
    }
    void Clear() { m_items.clear(); }
    // Takes the map over; with KeepBest only the better of the two maps stays.
    TSheetsList *AddVariant(std::unique_ptr<TSheetsList> map, int32_t n, const TDetalsList &parts,
                            uint8_t criterion, bool literal = false);
    // AddVariant's sorts of a map about to be added.
    static void PrepareVariant(TSheetsList &map, int32_t n, bool literal = false);
    // AddVariant of a map already prepared.
    TSheetsList *KeepBetter(std::unique_ptr<TSheetsList> map, const TDetalsList &parts, uint8_t criterion);
    // Appends without sorting or comparing.
    TSheetsList *Append(std::unique_ptr<TSheetsList> map);
    // Hands an entry over to the caller.
    std::unique_ptr<TSheetsList> Take(int i);
    int FindSameMap(const TSheetsList &map) const;

private:
    std::vector<std::unique_ptr<TSheetsList>> m_items;
};

// Does `nu` beat `old` by the criterion (the smaller free area first)? Both
// maps have their rectangles sorted by area.
bool NewMapWins(const TSheetsList &old, const TSheetsList &nu, const TDetalsList &parts, uint8_t criterion);
// The best of a pass's variants as they come. The criteria do not depend on
// the order of a map's lists, so the variants are compared unsorted and only
// the one kept to the end gets AddVariant's sorts, when it is taken.
class TBestVariant
{
public:
    // `map` is variant `n`; it is kept when it beats the one kept so far.
    // Returns the map that is not kept, if any.
    std::unique_ptr<TSheetsList> Offer(std::unique_ptr<TSheetsList> map, int32_t n, const TDetalsList &parts,
                                       uint8_t criterion);
    // The kept map, sorted as AddVariant sorts it.
    std::unique_ptr<TSheetsList> Take();
    void Clear();

private:
    std::unique_ptr<TSheetsList> m_best;
    std::vector<int64_t> m_areas; // of m_best, largest first, when asked for
    bool m_areasKnown = false;
};

} // namespace kv::engine

#include "engine/model.h"

#include "engine/exchange_sort.h"
#include "engine/raskroy.h"

#include <algorithm>
#include <tuple>

namespace kv::engine {

void TDetal::ApplyKerf(bool add, int32_t millWidth)
{
    const int32_t d = add ? millWidth : -millWidth;
    Length += d;
    Width += d;
}

bool TSheet::AtLeftEdge(const TRaskroyParams &p) const
{
    int32_t edge = -(int32_t(p.MillWidth) / 2);
    if (!IsScrap)
        edge += p.LIndent;
    return X == edge;
}

// ---- parts

TDetal &TDetalsList::Add(const std::string &name, int32_t length, int32_t width, int32_t count,
                         uint8_t rotateMode)
{
    TDetal d;
    d.Name = name;
    d.Length = length;
    d.Width = width;
    d.RotateMode = rotateMode;
    d.SetCount(count);
    m_items.push_back(std::move(d));
    return m_items.back();
}

void TDetalsList::ResetPass(bool all)
{
    for (TDetal &d : m_items) {
        d.PassRemaining = d.Remaining;
        if (all || d.RotateMode != 2)
            d.Orientation = orNone;
    }
}

void TDetalsList::RememberOrientations(const TSheetsList &map)
{
    for (const TDetalHandle &h : map.Detals) {
        TDetal *d = Items(h.DetalIndex);
        if (d && d->RotateMode == 2)
            d->Orientation = OrientationOf(h.Rotated);
    }
}

void TDetalsList::ApplyKerf(bool add, int32_t millWidth)
{
    for (TDetal &d : m_items)
        d.ApplyKerf(add, millWidth);
}

bool TDetalsList::NothingLeft() const
{
    return std::none_of(m_items.begin(), m_items.end(), [](const TDetal &d) { return d.Remaining > 0; });
}

void TDetalsList::ClearSkipped()
{
    for (TDetal &d : m_items)
        d.Skipped = false;
}

bool TDetalsList::AnySkipped() const
{
    return std::any_of(m_items.begin(), m_items.end(), [](const TDetal &d) { return d.Skipped; });
}

int64_t TDetalsList::RemainingCount() const
{
    int64_t n = 0;
    for (const TDetal &d : m_items)
        n += d.Remaining;
    return n;
}

bool TDetalsList::HasSmallerDetal(const TDetal &part) const
{
    for (const TDetal &d : m_items) {
        if ((d.Length < part.Length && d.Width < part.Width) || (d.Length < part.Width && d.Width < part.Length))
            return true;
        if (d.PassRemaining > 0)
            break;
    }
    return false;
}

// ---- laid-out parts

void TDetalsHandleList::AddHandle(int32_t detalIndex, int32_t sheetIndex, bool rotated, int32_t x, int32_t y)
{
    m_items.push_back(TDetalHandle{detalIndex, x, y, rotated, sheetIndex});
}

void TDetalsHandleList::SortByDetal(bool literal)
{
    auto key = [](const TDetalHandle &h) { return h.DetalIndex; };
    if (literal)
        ExchangeSortLiteral(m_items, key);
    else
        ExchangeSort(m_items, key);
}

// ---- cuts

bool TMillList::AddMill(int32_t x, int32_t y, int32_t length, bool horizontal, int32_t sheetIndex)
{
    const int64_t start = horizontal ? x : y;
    const int64_t end = start + length;
    const int32_t line = horizontal ? y : x;
    for (const TMillLine &m : m_items) {
        // The line first: it tells most cuts apart.
        if ((m.Horizontal ? m.Y : m.X) != line || m.Horizontal != horizontal || m.SheetIndex != sheetIndex)
            continue;
        const int64_t ms = horizontal ? m.X : m.Y;
        if (ms <= start && ms + m.Length >= end)
            return false;
    }
    m_items.push_back(TMillLine{x, y, length, horizontal, sheetIndex});
    return true;
}

void TMillList::AddMillPair(const TMillLine &first, const TMillLine &second)
{
    if (first.Horizontal == second.Horizontal || first.SheetIndex != second.SheetIndex) {
        AddMill(first.X, first.Y, first.Length, first.Horizontal, first.SheetIndex);
        AddMill(second.X, second.Y, second.Length, second.Horizontal, second.SheetIndex);
        return;
    }
    const TMillLine &h = first.Horizontal ? first : second;
    const TMillLine &v = first.Horizontal ? second : first;
    const int64_t hEnd = int64_t(h.X) + h.Length, vEnd = int64_t(v.Y) + v.Length;
    bool addH = true, addV = true;
    for (const TMillLine &m : m_items) {
        if (m.SheetIndex != h.SheetIndex)
            continue;
        if (m.Horizontal) {
            if (m.Y == h.Y && m.X <= h.X && int64_t(m.X) + m.Length >= hEnd)
                addH = false;
        } else {
            if (m.X == v.X && m.Y <= v.Y && int64_t(m.Y) + m.Length >= vEnd)
                addV = false;
        }
    }
    if (first.Horizontal ? addH : addV)
        m_items.push_back(first);
    if (second.Horizontal ? addH : addV)
        m_items.push_back(second);
}

namespace {
bool OnLine(const TMillLine &m, int32_t sheetIndex, TPoint p, bool horizontal)
{
    return m.SheetIndex == sheetIndex && m.Horizontal == horizontal && (horizontal ? m.Y == p.Y : m.X == p.X);
}
int32_t StartOf(const TMillLine &m) { return m.Horizontal ? m.X : m.Y; }
int32_t Along(TPoint p, bool horizontal) { return horizontal ? p.X : p.Y; }
} // namespace

void TMillList::ShortenMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal)
{
    const int32_t a = Along(p1, horizontal), b = Along(p2, horizontal);
    for (TMillLine &m : m_items) {
        if (OnLine(m, sheetIndex, p1, horizontal) && StartOf(m) <= a && StartOf(m) + m.Length >= b) {
            m.Length -= b - a;
            return;
        }
    }
}

void TMillList::ExtendMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal)
{
    const int32_t a = Along(p1, horizontal), b = Along(p2, horizontal);
    for (TMillLine &m : m_items)
        if (OnLine(m, sheetIndex, p1, horizontal) && StartOf(m) + m.Length == a)
            m.Length += b - a;
}

void TMillList::RemoveMill(int32_t sheetIndex, TPoint p1, TPoint p2, bool horizontal)
{
    const int32_t a = Along(p1, horizontal), b = Along(p2, horizontal);
    for (size_t i = 0; i < m_items.size(); ++i) {
        const TMillLine &m = m_items[i];
        if (OnLine(m, sheetIndex, p1, horizontal) && StartOf(m) == a && StartOf(m) + m.Length == b) {
            m_items.erase(m_items.begin() + long(i));
            return;
        }
    }
}

bool HorzMillInRect(int32_t x, int32_t y, int32_t length, const TRect &r)
{
    return !(y < r.Top || y > r.Bottom || int64_t(x) + length < r.Left || x > r.Right);
}

bool VertMillInRect(int32_t x, int32_t y, int32_t length, const TRect &r)
{
    return !(x < r.Left || x > r.Right || int64_t(y) + length < r.Top || y > r.Bottom);
}

// ---- maps

TSheet &TSheetsList::AddSheet(const std::string &name, int32_t x, int32_t y, int32_t sizeX, int32_t sizeY,
                              int32_t sheetIndex)
{
    Sheets.Append(TSheet(name, x, y, sizeX, sizeY, sheetIndex, false));
    return Sheets[Sheets.Count() - 1];
}

int64_t TSheetsList::FreeArea(const TDetalsList &parts) const
{
    int64_t area = int64_t(SizeX) * SizeY;
    for (const TDetalHandle &h : Detals)
        if (const TDetal *d = parts.Items(h.DetalIndex))
            area -= int64_t(d->Length) * d->Width;
    return area;
}

int32_t TSheetsList::MaxSheetLength() const
{
    int32_t m = 0;
    for (const TSheet &s : Sheets)
        m = std::max(m, s.SizeX);
    return m;
}

int64_t TSheetsList::MaxAreaWithLength(int32_t length) const
{
    int64_t m = 0;
    for (const TSheet &s : Sheets)
        if (s.SizeX == length)
            m = std::max(m, s.Area());
    return m;
}

int64_t TSheetsList::MillLength() const
{
    int64_t n = 0;
    for (const TMillLine &m : Mills)
        n += m.Length;
    return n;
}

namespace {
template <class T, class Key>
bool SameAsSets(const std::vector<T> &a, const std::vector<T> &b, Key key)
{
    if (a.size() != b.size())
        return false;
    std::vector<decltype(key(a[0]))> ka, kb;
    ka.reserve(a.size());
    kb.reserve(b.size());
    for (const T &x : a)
        ka.push_back(key(x));
    for (const T &x : b)
        kb.push_back(key(x));
    std::sort(ka.begin(), ka.end());
    std::sort(kb.begin(), kb.end());
    return ka == kb;
}
} // namespace

bool TSheetsList::IsSameMap(const TSheetsList &other) const
{
    if (SizeX != other.SizeX || SizeY != other.SizeY || Name != other.Name)
        return false;
    if (Sheets.Count() != other.Sheets.Count() || Detals.Count() != other.Detals.Count())
        return false;
    for (int i = 0; i < Detals.Count(); ++i)
        if (Detals[i].DetalIndex != other.Detals[i].DetalIndex)
            return false;
    // Equal counts alone would join two different layouts into one map.
    if (!SameAsSets(Detals.Vector(), other.Detals.Vector(),
                    [](const TDetalHandle &h) { return std::make_tuple(h.DetalIndex, h.X, h.Y, h.Rotated); }))
        return false;
    if (!SameAsSets(Sheets.Vector(), other.Sheets.Vector(),
                    [](const TSheet &s) { return std::make_tuple(s.X, s.Y, s.SizeX, s.SizeY); }))
        return false;
    return SameAsSets(Mills.Vector(), other.Mills.Vector(), [](const TMillLine &m) {
        return std::make_tuple(m.X, m.Y, m.Length, m.Horizontal);
    });
}

void TSheetsList::ClipMillsToSheet()
{
    const TRect r{0, 0, SizeX, SizeY};
    for (int i = Mills.Count() - 1; i >= 0; --i) {
        const TMillLine &m = Mills[i];
        const bool in = m.Horizontal ? HorzMillInRect(m.X, m.Y, m.Length, r) : VertMillInRect(m.X, m.Y, m.Length, r);
        if (!in)
            Mills.Delete(i);
    }
}

void TSheetsList::ClipMillsToTrims(const TRaskroyParams &p)
{
    // Cuts that reach the usable area's right edge run on through the right
    // trim; those that reach its bottom edge stop at the kerf's near side.
    const int64_t right = int64_t(SizeX) - p.RIndent;
    const int64_t bottom = int64_t(SizeY) - p.BIndent;
    for (TMillLine &m : Mills) {
        if (m.Horizontal) {
            if (int64_t(m.X) + m.Length >= right)
                m.Length = m.Length - p.MillWidth + p.RIndent;
        } else {
            if (int64_t(m.Y) + m.Length >= bottom)
                m.Length = m.Length - p.MillWidth;
        }
    }
}

void TSheetsList::AddTrimMills(const TRaskroyParams &p)
{
    const int32_t h = p.MillWidth / 2;
    if (p.TIndent > 0)
        Mills.AddMill(0, p.TIndent - h, SizeX, true, VariantNo);
    if (p.LIndent > 0) {
        const int32_t t = p.TIndent > 0 ? p.TIndent : 0;
        Mills.AddMill(p.LIndent - h, t, SizeY - t, false, VariantNo);
    }
}

// ---- sorts

void SortDetals(std::vector<TDetal> &parts, bool literal)
{
    auto key = [](const TDetal &d) { return SidesKey(d.Length, d.Width); };
    literal ? ExchangeSortLiteral(parts, key) : ExchangeSort(parts, key);
}

void SortSheets(std::vector<TSheet> &rects, bool literal)
{
    auto key = [](const TSheet &s) { return SidesKey(s.SizeX, s.SizeY); };
    literal ? ExchangeSortLiteral(rects, key) : ExchangeSort(rects, key);
}

void SortSheetsByArea(std::vector<TSheet> &rects, bool literal)
{
    auto key = [](const TSheet &s) { return -s.Area(); };
    literal ? ExchangeSortLiteral(rects, key) : ExchangeSort(rects, key);
}

// ---- lists of maps

namespace {
// `areaOld` and `areaNew` give the areas of the rectangles, largest first.
template <class AreaOld, class AreaNew>
bool NewWins(const TSheetsList &old, AreaOld areaOld, const TSheetsList &nu, AreaNew areaNew,
             const TDetalsList &parts, uint8_t criterion)
{
    const int64_t fo = old.FreeArea(parts), fn = nu.FreeArea(parts);
    if (fo != fn)
        return fn < fo;
    switch (criterion) {
    case 2: {
        const int n = std::min(old.Sheets.Count(), nu.Sheets.Count());
        for (int i = 0; i < n; ++i) {
            const int64_t ao = areaOld(i), an = areaNew(i);
            if (ao != an)
                return an > ao;
        }
        return true;
    }
    case 3: {
        const int32_t lo = old.MaxSheetLength(), ln = nu.MaxSheetLength();
        if (lo != ln)
            return ln > lo;
        const int64_t ao = old.MaxAreaWithLength(lo), an = nu.MaxAreaWithLength(ln);
        if (ao != an)
            return an > ao;
        return true;
    }
    case 4: {
        const int64_t mo = old.MillLength(), mn = nu.MillLength();
        if (mo != mn)
            return mn < mo;
        return true;
    }
    default:
        return true;
    }
}
} // namespace

bool NewMapWins(const TSheetsList &old, const TSheetsList &nu, const TDetalsList &parts, uint8_t criterion)
{
    return NewWins(
        old, [&](int i) { return old.Sheets[i].Area(); }, nu, [&](int i) { return nu.Sheets[i].Area(); }, parts,
        criterion);
}

namespace {
// The areas of the free rectangles, largest first: all that the criterion of
// the largest off-cuts looks at, whatever the order of equal areas.
void AreasDescending(const TSheetsList &map, std::vector<int64_t> &a)
{
    a.clear();
    a.reserve(size_t(map.Sheets.Count()));
    for (const TSheet &s : map.Sheets)
        a.push_back(s.Area());
    std::sort(a.begin(), a.end(), [](int64_t x, int64_t y) { return x > y; });
}
} // namespace

std::unique_ptr<TSheetsList> TBestVariant::Offer(std::unique_ptr<TSheetsList> map, int32_t n,
                                                  const TDetalsList &parts, uint8_t criterion)
{
    map->VariantNo = n;
    if (m_best) {
        static thread_local std::vector<int64_t> nuAreas;
        bool nuKnown = false;
        auto areaOld = [&](int i) {
            if (!m_areasKnown) {
                AreasDescending(*m_best, m_areas);
                m_areasKnown = true;
            }
            return m_areas[size_t(i)];
        };
        auto areaNew = [&](int i) {
            if (!nuKnown) {
                AreasDescending(*map, nuAreas);
                nuKnown = true;
            }
            return nuAreas[size_t(i)];
        };
        if (!NewWins(*m_best, areaOld, *map, areaNew, parts, criterion))
            return map;
        if (nuKnown)
            m_areas.swap(nuAreas);
        m_areasKnown = nuKnown;
    }
    std::swap(m_best, map);
    return map;
}

std::unique_ptr<TSheetsList> TBestVariant::Take()
{
    if (m_best)
        TVariantsList::PrepareVariant(*m_best, m_best->VariantNo);
    m_areasKnown = false;
    return std::move(m_best);
}

void TBestVariant::Clear()
{
    m_best.reset();
    m_areasKnown = false;
}

void TVariantsList::PrepareVariant(TSheetsList &map, int32_t n, bool literal)
{
    map.VariantNo = n;
    SortSheetsByArea(map.Sheets.Vector(), literal);
    map.Detals.SortByDetal(literal);
}

TSheetsList *TVariantsList::AddVariant(std::unique_ptr<TSheetsList> map, int32_t n, const TDetalsList &parts,
                                       uint8_t criterion, bool literal)
{
    PrepareVariant(*map, n, literal);
    return KeepBetter(std::move(map), parts, criterion);
}

TSheetsList *TVariantsList::KeepBetter(std::unique_ptr<TSheetsList> map, const TDetalsList &parts,
                                       uint8_t criterion)
{
    m_items.push_back(std::move(map));
    if (KeepBest && m_items.size() > 1) {
        const size_t last = m_items.size() - 1;
        if (NewMapWins(*m_items[last - 1], *m_items[last], parts, criterion))
            m_items.erase(m_items.begin() + long(last - 1));
        else
            m_items.pop_back();
    }
    return m_items.back().get();
}

TSheetsList *TVariantsList::Append(std::unique_ptr<TSheetsList> map)
{
    m_items.push_back(std::move(map));
    return m_items.back().get();
}

std::unique_ptr<TSheetsList> TVariantsList::Take(int i)
{
    if (i < 0 || i >= Count())
        return nullptr;
    std::unique_ptr<TSheetsList> m = std::move(m_items[size_t(i)]);
    m_items.erase(m_items.begin() + i);
    return m;
}

int TVariantsList::FindSameMap(const TSheetsList &map) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[size_t(i)].get() != &map && m_items[size_t(i)]->IsSameMap(map))
            return i;
    return -1;
}

} // namespace kv::engine

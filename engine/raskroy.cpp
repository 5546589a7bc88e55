#include "engine/raskroy.h"

#include "engine/freerects.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <thread>
#include <type_traits>

namespace kv::engine {

std::string CheckParams(const TRaskroyParams &p)
{
    auto in16 = [](int32_t v) { return v >= 0 && v <= kMaxSize16; };
    if (!in16(p.MillWidth))
        return "Ширина пропила должна быть от 0 до 65535 мм.";
    if (!in16(p.LIndent) || !in16(p.RIndent) || !in16(p.TIndent) || !in16(p.BIndent))
        return "Отступы от краев листа должны быть от 0 до 65535 мм.";
    if (p.StdSheetLength <= 0 || p.StdSheetWidth <= 0 || !in16(p.StdSheetLength) || !in16(p.StdSheetWidth))
        return "Размеры стандартного листа должны быть от 1 до 65535 мм.";
    if (int64_t(p.LIndent) + p.RIndent >= p.StdSheetLength || int64_t(p.TIndent) + p.BIndent >= p.StdSheetWidth)
        return "Отступы от краев листа больше размера листа.";
    return {};
}

TRaskroy::TRaskroy()
{
    m_workVariants.KeepBest = true;
}

TRaskroy::~TRaskroy() = default;

void TRaskroy::ResetRaskroy()
{
    Detals.Clear();
    Stock = TSheetsList();
    ResultMaps.Clear();
    m_workVariants.Clear();
    m_workVariants.KeepBest = true;
    m_bestVariant.Clear();
    m_workMap = nullptr;
    VariantBits = 0;
    PassCounter = 0;
    LastOrientation = orNone;
    Depth = 0;
    RaskroyState = rsDone;
}

// ---- fits and orientations

bool TRaskroy::DetalFits(const TDetal &part, const TSheet &r, bool turned)
{
    const int32_t px = turned ? part.Width : part.Length;
    const int32_t py = turned ? part.Length : part.Width;
    return px <= r.SizeX && py <= r.SizeY;
}

bool TRaskroy::DetalFitsExactly(const TDetal &part, const TSheet &r, bool turned)
{
    const int32_t px = turned ? part.Width : part.Length;
    const int32_t py = turned ? part.Length : part.Width;
    return px <= r.SizeX && py <= r.SizeY && (px == r.SizeX || py == r.SizeY);
}

bool TRaskroy::OrientationAllowed(const TDetal &part, bool turned)
{
    switch (part.RotateMode) {
    case 0:
        return true;
    case 1:
        return !turned;
    case 2:
        if (part.Orientation == orStraight)
            return !turned;
        if (part.Orientation == orTurned)
            return turned;
        return true;
    default:
        return !turned;
    }
}

bool TRaskroy::DetalFitsSheet(const TDetal &d, int32_t sizeX, int32_t sizeY) const
{
    const TSheet r("", 0, 0, sizeX, sizeY, 0);
    return (OrientationAllowed(d, false) && DetalFits(d, r, false)) ||
           (OrientationAllowed(d, true) && DetalFits(d, r, true));
}

bool TRaskroy::AllRemainingFit(int32_t usableX, int32_t usableY) const
{
    for (const TDetal &d : Detals)
        if (d.Remaining > 0 && !DetalFitsSheet(d, usableX, usableY))
            return false;
    return true;
}

int TRaskroy::NextVariantBit()
{
    const int bit = VariantBits % 2;
    VariantBits /= 2;
    return bit;
}

int TRaskroy::ChooseOrientation(const TDetal &part, const TSheet &r)
{
    const bool fitN = OrientationAllowed(part, false) && DetalFits(part, r, false);
    const bool fitT = OrientationAllowed(part, true) && DetalFits(part, r, true);
    if (!fitN && !fitT)
        return -1;
    bool turned;
    if (fitN && fitT) {
        if (r.SizeY == part.Width || r.SizeX == part.Length)
            turned = false;
        else if (r.SizeY == part.Length || r.SizeX == part.Width)
            turned = true;
        else if (VariantBits > 0)
            turned = NextVariantBit() == 1;
        else {
            if (!m_loSet)
                m_loRead = true;
            turned = LastOrientation == orTurned;
        }
    } else {
        turned = fitT;
    }
    LastOrientation = OrientationOf(turned);
    m_loSet = true;
    return turned ? 1 : 0;
}

// ---- searches

static bool IsCandidate(const TDetal &d)
{
    return !d.Skipped && d.PassRemaining > 0;
}

int TRaskroy::FindDetalForSheet(const TSheet &r, bool &turned)
{
    for (int i = 0; i < Detals.Count(); ++i) {
        const TDetal &d = Detals[i];
        if (!IsCandidate(d))
            continue;
        const int o = ChooseOrientation(d, r);
        if (o >= 0) {
            turned = o == 1;
            return i;
        }
    }
    return -1;
}

int TRaskroy::FindExactDetalForSheet(const TSheet &r, bool &turned)
{
    for (int i = 0; i < Detals.Count(); ++i) {
        const TDetal &d = Detals[i];
        if (!IsCandidate(d))
            continue;
        const bool exN = OrientationAllowed(d, false) && DetalFitsExactly(d, r, false);
        const bool exT = OrientationAllowed(d, true) && DetalFitsExactly(d, r, true);
        if (exN || exT) {
            turned = !exN;
            LastOrientation = OrientationOf(turned);
            m_loSet = true;
            return i;
        }
    }
    return -1;
}

int TRaskroy::FindExactDetal(const TSheet &r, bool turned) const
{
    for (int i = 0; i < Detals.Count(); ++i) {
        const TDetal &d = Detals[i];
        if (IsCandidate(d) && OrientationAllowed(d, turned) && DetalFitsExactly(d, r, turned))
            return i;
    }
    return -1;
}

template <class Rects>
bool TRaskroy::FindExactPairIn(const Rects &rects, int &part, bool &turned, int &rect) const
{
    for (int r = rects.Count() - 1; r >= 0; --r) {
        int p = FindExactDetal(rects[r], false);
        bool t = false;
        if (p < 0) {
            p = FindExactDetal(rects[r], true);
            t = true;
        }
        if (p >= 0) {
            part = p;
            turned = t;
            rect = r;
            return true;
        }
    }
    return false;
}

bool TRaskroy::FindExactPair(const TSheetsList &map, int &part, bool &turned, int &rect) const
{
    return FindExactPairIn(TPlainRects<const TSheetsList>(map, Reference), part, turned, rect);
}

template <class Rects>
int TRaskroy::FindSheetForDetalIn(const Rects &rects, int part, bool &turned)
{
    const TDetal &d = Detals[part];
    if constexpr (std::is_same_v<Rects, TFreeRects>) {
        if (rects.Indexed() && !Reference) {
            const int r = rects.LastFitting(d.Length, d.Width, OrientationAllowed(d, false), OrientationAllowed(d, true));
            if (r < 0)
                return -1;
            turned = ChooseOrientation(d, rects[r]) == 1;
            return r;
        }
    }
    int from = rects.Count() - 1;
    if (rects.Sorted() && !Reference) {
        // Longer sides descend along the list: the tail whose longer side is
        // shorter than the part's cannot hold it either way.
        const int32_t need = d.LongSide();
        int lo = 0, hi = rects.Count();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (std::max(rects[mid].SizeX, rects[mid].SizeY) >= need)
                lo = mid + 1;
            else
                hi = mid;
        }
        from = lo - 1;
    }
    const int32_t shortSide = Reference ? 0 : d.ShortSide();
    for (int r = from; r >= 0; --r) {
        const TSheet &s = rects[r];
        if (std::min(s.SizeX, s.SizeY) < shortSide)
            continue; // too narrow either way round
        const int o = ChooseOrientation(d, s);
        if (o >= 0) {
            turned = o == 1;
            return r;
        }
    }
    return -1;
}

int TRaskroy::FindSheetForDetal(const TSheetsList &map, int part, bool &turned)
{
    return FindSheetForDetalIn(TPlainRects<const TSheetsList>(map, Reference), part, turned);
}

// ---- the step

template <class Rects>
TRaskroy::Reach TRaskroy::ReachOf(const Rects &rects) const
{
    Reach r;
    for (int i = 0; i < rects.Count(); ++i) {
        const TSheet &s = rects[i];
        r.sx = std::max(r.sx, s.SizeX);
        r.sy = std::max(r.sy, s.SizeY);
        r.longer = std::max(r.longer, std::max(s.SizeX, s.SizeY));
        r.shorter = std::max(r.shorter, std::min(s.SizeX, s.SizeY));
    }
    return r;
}

inline bool TRaskroy::MayFit(const TDetal &d, const Reach &r) const
{
    // Neither way round within the largest sides: the common case, decided
    // without looking at the turn rules.
    const bool straight = d.Length <= r.sx && d.Width <= r.sy;
    const bool turned = d.Width <= r.sx && d.Length <= r.sy;
    if (!straight && !turned)
        return false;
    if (d.LongSide() > r.longer || d.ShortSide() > r.shorter)
        return false;
    return (OrientationAllowed(d, false) && d.Length <= r.sx && d.Width <= r.sy) ||
           (OrientationAllowed(d, true) && d.Width <= r.sx && d.Length <= r.sy);
}

void TRaskroy::PutNextDetal(TSheetsList &map)
{
    if (Reference) {
        TPlainRects<TSheetsList> rects(map, true);
        Steps(rects, map);
    } else {
        TFreeRects rects(map);
        m_cuts.Begin(map.Mills.Vector());
        struct TFinish
        {
            TCutIndex &cuts;
            ~TFinish() { cuts.Finish(); }
        } finish{m_cuts};
        Steps(rects, map);
    } // the free rectangles and the cuts stand in their order from here on
}

template <class Rects>
TRaskroy::TPlacement TRaskroy::choosePlacement(const Rects &rects, TStepSearch &s)
{
    TPlacement at;
    if (P.AlgorithmNumber == 1) {
        for (int r = rects.Count() - 1; r >= 0; --r) {
            bool t = false;
            int p = P.OneDimOpt ? FindExactDetalForSheet(rects[r], t) : -1;
            if (p < 0)
                p = FindDetalForSheet(rects[r], t);
            if (p >= 0)
                return {p, r, t};
        }
        return at;
    }
    if (P.OneDimOpt && FindExactPairIn(rects, at.part, at.turned, at.rect))
        return at;
    if (Reference) {
        for (int i = 0; i < Detals.Count(); ++i) {
            const TDetal &d = Detals[i];
            if (d.Skipped || d.PassRemaining == 0)
                continue;
            bool t = false;
            const int r = FindSheetForDetalIn(rects, i, t);
            if (r >= 0)
                return {i, r, t};
        }
        return at;
    }
    if (!s.reachKnown) {
        s.reach = ReachOf(rects);
        s.reachKnown = true;
        s.sinceExact = 0;
    }
    size_t from = 0;
    if (s.byLongSide)
        from = size_t(std::partition_point(s.live.begin(), s.live.end(),
                                           [&](int i) { return Detals[i].LongSide() > s.reach.longer; }) -
                      s.live.begin());
    for (size_t n = from; n < s.live.size(); ++n) {
        const int i = s.live[n];
        const TDetal &d = Detals[i];
        if (d.Skipped || d.PassRemaining == 0 || !MayFit(d, s.reach))
            continue;
        bool t = false;
        const int r = FindSheetForDetalIn(rects, i, t);
        if (r >= 0)
            return {i, r, t};
        // Out of the search until a merge makes room for it.
        s.live.erase(s.live.begin() + long(n));
        --n;
        s.dead.push_back(i);
        s.deadShortest = std::min(s.deadShortest, d.ShortSide());
    }
    return at;
}

void TRaskroy::TStepSearch::Drop(int part)
{
    auto at = std::lower_bound(live.begin(), live.end(), part);
    if (at != live.end() && *at == part)
        live.erase(at);
}

void TRaskroy::Revive(TStepSearch &s) const
{
    // A part fits a rectangle only when its shorter side does.
    if (s.dead.empty() ||
        std::max(std::min(m_grown[0].SizeX, m_grown[0].SizeY), std::min(m_grown[1].SizeX, m_grown[1].SizeY)) <
            s.deadShortest)
        return;
    size_t keep = 0;
    s.deadShortest = std::numeric_limits<int32_t>::max();
    for (int i : s.dead) {
        const TDetal &x = Detals[i];
        bool fits = false;
        for (const TSheet &g : m_grown)
            fits = fits || (OrientationAllowed(x, false) && DetalFits(x, g, false)) ||
                   (OrientationAllowed(x, true) && DetalFits(x, g, true));
        if (fits) {
            s.live.insert(std::lower_bound(s.live.begin(), s.live.end(), i), i);
        } else {
            s.dead[keep++] = i;
            s.deadShortest = std::min(s.deadShortest, x.ShortSide());
        }
    }
    s.dead.resize(keep);
}

template <class Rects>
void TRaskroy::Steps(Rects &rects, TSheetsList &map)
{
    TStepSearch search;
    if (!Reference) {
        // Parts with copies free, in list order; when the list stands longer
        // side first, those too long for every rectangle make a prefix to skip.
        search.live.reserve(size_t(Detals.Count()));
        search.byLongSide = true;
        for (int i = 0; i < Detals.Count(); ++i) {
            if (Detals[i].PassRemaining != 0)
                search.live.push_back(i);
            if (i > 0 && Detals[i].LongSide() > Detals[i - 1].LongSide())
                search.byLongSide = false;
        }
    }
    for (;;) {
        ++Depth;
        TPlacement at = choosePlacement(rects, search);
        if (P.FullSearch && at.rect < 0 && Detals.AnySkipped()) {
            Detals.ClearSkipped();
            at = choosePlacement(rects, search);
        }
        const int part = at.part, rect = at.rect;
        const bool turned = at.turned;
        if (part < 0 || rect < 0)
            return;

        TDetal &d = Detals[part];
        const TSheet &r = rects[rect];
        const int32_t px = turned ? d.Width : d.Length;
        const int32_t py = turned ? d.Length : d.Width;

        bool horz;
        if (P.MultiSaw && r.AtLeftEdge(P))
            horz = true;
        else if (py == r.SizeY)
            horz = false;
        else if (r.SizeX == px)
            horz = true;
        else
            horz = NextVariantBit() != 1;
        if (P.PropilLen > 0) {
            if (r.SizeY > P.PropilLen)
                horz = true;
            if (r.SizeX > P.PropilLen)
                horz = false;
        }

        if (P.FullSearch && (Depth > 1 || !Detals.HasSmallerDetal(d))) {
            if (NextVariantBit() == 1) {
                d.Skipped = true;
                continue;
            }
        }

        d.PassRemaining -= 1;
        if (d.PassRemaining == 0 && !Reference)
            search.Drop(part);
        d.Orientation = OrientationOf(turned);
        d.PassNo = PassCounter;
        map.Detals.AddHandle(part, r.SheetIndex, turned, r.X, r.Y);
        const bool merged = SplitIn(rects, map, rect, d, horz, turned);
        if (merged)
            Revive(search);
        if (search.reachKnown) {
            Reach &reach = search.reach;
            if (rects.Count() < 256 || ++search.sinceExact >= 32) {
                search.reachKnown = false;
            } else {
                for (const TSheet &g : m_grown) {
                    reach.sx = std::max(reach.sx, g.SizeX);
                    reach.sy = std::max(reach.sy, g.SizeY);
                    reach.longer = std::max(reach.longer, std::max(g.SizeX, g.SizeY));
                    reach.shorter = std::max(reach.shorter, std::min(g.SizeX, g.SizeY));
                }
            }
        }
    }
}

void TRaskroy::SplitSheet(TSheetsList &map, int rect, const TDetal &part, bool horzFirst, bool turned)
{
    TPlainRects<TSheetsList> rects(map, Reference);
    SplitIn(rects, map, rect, part, horzFirst, turned);
}

template <class Rects>
bool TRaskroy::SplitIn(Rects &rects, TSheetsList &map, int rect, const TDetal &part, bool horzFirst, bool turned)
{
    TSheet &r = rects[rect];
    const int32_t px = turned ? part.Width : part.Length;
    const int32_t py = turned ? part.Length : part.Width;
    const int32_t s = r.SheetIndex;
    TSheet nu("", 0, 0, 0, 0, s, r.IsScrap);
    if (horzFirst) {
        if (Reference) {
            map.Mills.AddMill(r.X, r.Y + py, r.SizeX, true, s);
            map.Mills.AddMill(r.X + px, r.Y, py, false, s);
        } else if (m_cuts.Active()) {
            m_cuts.AddMillPair({r.X, r.Y + py, r.SizeX, true, s}, {r.X + px, r.Y, py, false, s});
        } else {
            map.Mills.AddMillPair({r.X, r.Y + py, r.SizeX, true, s}, {r.X + px, r.Y, py, false, s});
        }
        nu.X = r.X + px;
        nu.Y = r.Y;
        nu.SizeX = r.SizeX - px;
        nu.SizeY = py;
        r.Y += py;
        r.SizeY -= py;
    } else {
        if (Reference) {
            map.Mills.AddMill(r.X + px, r.Y, r.SizeY, false, s);
            map.Mills.AddMill(r.X, r.Y + py, px, true, s);
        } else if (m_cuts.Active()) {
            m_cuts.AddMillPair({r.X + px, r.Y, r.SizeY, false, s}, {r.X, r.Y + py, px, true, s});
        } else {
            map.Mills.AddMillPair({r.X + px, r.Y, r.SizeY, false, s}, {r.X, r.Y + py, px, true, s});
        }
        nu.X = r.X;
        nu.Y = r.Y + py;
        nu.SizeX = px;
        nu.SizeY = r.SizeY - py;
        r.X += px;
        r.SizeX -= px;
    }
    // `r` may not outlive the append.
    const int last = rects.Append(std::move(nu));
    int q1 = -1, q2 = -1;
    if (!P.MultiSaw && !(P.PropilLen > 0)) {
        q1 = MergeIn(rects, map, rect);
        q2 = MergeIn(rects, map, last);
    }
    // Only these two can have grown.
    m_grown[0] = rects[rect];
    m_grown[1] = rects[last];
    const int changed[4] = {rect, last, q1, q2};
    rects.Resort(changed, 4);
    return q1 >= 0 || q2 >= 0;
}

void TRaskroy::MergeSheets(TSheetsList &map, int k)
{
    TPlainRects<TSheetsList> rects(map, Reference);
    MergeIn(rects, map, k);
}

template <class Rects>
int TRaskroy::MergeIn(Rects &rects, TSheetsList &map, int k)
{
    TSheet &r = rects[k];
    const int32_t x1 = r.X, y1 = r.Y, x2 = r.X + r.SizeX, y2 = r.Y + r.SizeY, s = r.SheetIndex;
    auto left = [&](const TSheet &q) { return q.X + q.SizeX == x1 && q.Y == y1 && q.Y + q.SizeY == y2; };
    auto above = [&](const TSheet &q) { return q.X == x1 && q.Y + q.SizeY == y1 && q.X + q.SizeX == x2; };
    const int i =
        rects.FirstOnSheet(s, k, [&](const TSheet &q) { return q.SheetIndex == s && (left(q) || above(q)); });
    if (i < 0)
        return -1;
    TSheet &q = rects[i];
    // Along the shared edge, and along the edge that runs on over the merged one.
    auto cuts = [&](bool shared, TPoint a, TPoint b, bool horizontal) {
        if (m_cuts.Active()) {
            if (shared)
                m_cuts.ShortenMill(s, a, b, horizontal);
            else {
                m_cuts.ExtendMill(s, a, b, horizontal);
                m_cuts.RemoveMill(s, a, b, horizontal);
            }
        } else if (shared) {
            map.Mills.ShortenMill(s, a, b, horizontal);
        } else {
            map.Mills.ExtendMill(s, a, b, horizontal);
            map.Mills.RemoveMill(s, a, b, horizontal);
        }
    };
    if (left(q)) {
        cuts(true, {x1, y1}, {x1, y2}, false);
        cuts(false, {x1, y1}, {x2, y1}, true);
        r.X = q.X;
        r.SizeX += q.SizeX;
        q.SizeX = 0;
    } else {
        cuts(true, {x1, y1}, {x2, y1}, true);
        cuts(false, {x1, y1}, {x1, y2}, false);
        r.Y = q.Y;
        r.SizeY += q.SizeY;
        q.SizeY = 0;
    }
    return i;
}

// ---- variants and passes

std::unique_ptr<TSheetsList> TRaskroy::NewStandardMap() const
{
    auto map = std::make_unique<TSheetsList>();
    map->SizeX = P.StdSheetLength;
    map->SizeY = P.StdSheetWidth;
    AddStandardArea(*map);
    return map;
}

void TRaskroy::AddStandardArea(TSheetsList &map) const
{
    const int32_t h = P.MillWidth / 2, k = P.MillWidth;
    // The standard sheet's usable area is no off-cut (the multi-saw rule needs that).
    map.Sheets.Append(TSheet("", P.LIndent - h, P.TIndent - h, P.StdSheetLength + k - P.LIndent - P.RIndent,
                             P.StdSheetWidth + k - P.TIndent - P.BIndent, 1, false));
}

void TRaskroy::PrepareMapSheets(TSheetsList &map) const
{
    const int32_t h = P.MillWidth / 2, k = P.MillWidth;
    for (int i = 0; i < Stock.Sheets.Count(); ++i) {
        const TSheet &s = Stock.Sheets[i];
        if (s.IsScrap)
            map.Sheets.Append(TSheet(s.Name, -h, -h, s.SizeX + k, s.SizeY + k, i, true));
        else
            map.Sheets.Append(TSheet("", P.LIndent - h, P.TIndent - h, P.StdSheetLength + k - P.LIndent - P.RIndent,
                                     P.StdSheetWidth + k - P.TIndent - P.BIndent, i, false));
    }
}

void TRaskroy::PrepareStock()
{
    SortSheets(Stock.Sheets.Vector(), Reference);
    bool anyFits = false;
    for (const TDetal &d : Detals) {
        for (const TSheet &s : Stock.Sheets) {
            const bool n = DetalFits(d, s, false);
            const bool t = d.RotateMode != 1 && DetalFits(d, s, true);
            if (n || t) {
                anyFits = true;
                break;
            }
        }
        if (anyFits)
            break;
    }
    if (!anyFits) {
        Stock.AddSheet("", 0, 0, P.StdSheetLength, P.StdSheetWidth, Stock.Sheets.Count());
        SortSheets(Stock.Sheets.Vector(), Reference);
    }
}

std::unique_ptr<TSheetsList> TRaskroy::FreshMap(bool firstPass, std::unique_ptr<TSheetsList> spare) const
{
    // A map left over from an earlier variant keeps its lists' room.
    std::unique_ptr<TSheetsList> map = spare ? std::move(spare) : std::make_unique<TSheetsList>();
    map->Sheets.Clear();
    map->Detals.Clear();
    map->Mills.Clear();
    map->Name.clear();
    map->VariantNo = -1;
    map->Quantity = 0;
    map->IsScrap = false;
    map->SizeX = P.StdSheetLength;
    map->SizeY = P.StdSheetWidth;
    if (firstPass)
        PrepareMapSheets(*map);
    else
        AddStandardArea(*map);
    return map;
}

int TRaskroy::ThreadCount() const
{
    if (Threads > 0)
        return Threads;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

namespace {
// Work a thread of the pool must get to pay for handing variants over.
constexpr int64_t kThreadShareNs = 4000000;
// A variant a worker has been building for so much longer than one took
// here is built again by the loop waiting for it (the worker lost its
// processor on a busy machine); less, and variants that are only slower than
// the first ones would be built twice.
constexpr int64_t kLateVariants = 3;
constexpr int64_t kLateNs = 1000000;

int64_t ThreadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
} // namespace

int TRaskroy::ThreadsFor(int64_t variantNs, int64_t variantsLeft) const
{
    const int bound = ThreadCount();
    if (bound < 2 || variantsLeft < 2)
        return 1;
    const int64_t work = variantNs * variantsLeft;
    if (work < ParallelMinWorkNs)
        return 1;
    const int64_t share = std::max<int64_t>(1, std::min(kThreadShareNs, ParallelMinWorkNs));
    return int(std::clamp<int64_t>(work / share, 2, std::min<int64_t>(bound, variantsLeft)));
}

std::unique_ptr<TSheetsList> TRaskroy::VariantLoop(bool all, bool firstPass)
{
    const int64_t last = std::clamp<int64_t>(P.ExSearch, 0, kMaxExSearch);
    const int64_t total = last + 1;
    if (m_observer)
        m_observer->variantDone(0, total);
    LastOrientation = orNone;
    m_workVariants.Clear();
    m_workVariants.KeepBest = true;
    m_bestVariant.Clear();
    // The first variants run here; the rest go to the pool only when what
    // they took says the pass is worth sharing. The maps are the same either way.
    int64_t fastest = -1;
    int64_t clock = ThreadCpuNs();
    std::unique_ptr<TSheetsList> work = FreshMap(firstPass);
    for (int64_t i = 0; i <= last; ++i) {
        VariantBits = int32_t(i);
        Depth = 0;
        Detals.ResetPass(all);
        Detals.ClearSkipped();
        PutNextDetal(*work);
        if (Reference)
            m_workVariants.AddVariant(std::move(work), int32_t(i), Detals, P.OptimCriterion, true);
        else
            work = m_bestVariant.Offer(std::move(work), int32_t(i), Detals, P.OptimCriterion);
        Detals.ResetPass(all);
        Detals.ClearSkipped();
        work = FreshMap(firstPass, std::move(work));
        if (m_observer) {
            m_observer->variantDone(i + 1, total);
            if (m_observer->stopRequested())
                StopRaskroy = true;
        }
        if (StopRaskroy)
            break;
        if (i < kVariantsMeasured && i < last) {
            // The fastest of them, in this thread's own time: a variant that
            // lost the processor for a while must not make the pass look big.
            const int64_t now = ThreadCpuNs();
            fastest = fastest < 0 ? now - clock : std::min(fastest, now - clock);
            clock = now;
            const int threads = i + 1 == kVariantsMeasured ? ThreadsFor(fastest, last - i) : 1;
            if (threads > 1) {
                VariantLoopParallel(all, firstPass, threads, i + 1, fastest);
                break;
            }
        }
    }
    Detals.ApplyKerf(false, P.MillWidth);
    return Reference ? m_workVariants.Take(0) : m_bestVariant.Take();
}

TVariantOutcome TRaskroy::BuildVariant(int64_t i, bool all, bool firstPass, const TCarry &carry)
{
    if (!all && carry.Orientations.size() == size_t(Detals.Count()))
        for (int p = 0; p < Detals.Count(); ++p)
            Detals[p].Orientation = carry.Orientations[size_t(p)];
    LastOrientation = carry.LastOrientation;
    VariantBits = int32_t(i);
    Depth = 0;
    Detals.ResetPass(all);
    Detals.ClearSkipped();
    m_loSet = false;
    m_loRead = false;
    TVariantOutcome out;
    out.Map = FreshMap(firstPass, m_spares.Take());
    PutNextDetal(*out.Map);
    out.VariantBits = VariantBits;
    out.Depth = Depth;
    out.LoWritten = m_loSet;
    out.LoRead = m_loRead;
    out.LoOut = LastOrientation;
    Detals.ResetPass(all);
    Detals.ClearSkipped();
    if (!all)
        for (const TDetal &d : Detals)
            out.Orientations.push_back(d.Orientation);
    if (Reference)
        TVariantsList::PrepareVariant(*out.Map, int32_t(i), true);
    return out;
}

void TRaskroy::VariantLoopParallel(bool all, bool firstPass, int threads, int64_t first, int64_t variantNs)
{
    const int64_t last = std::clamp<int64_t>(P.ExSearch, 0, kMaxExSearch);
    const int64_t total = last + 1;
    Detals.ResetPass(all);
    Detals.ClearSkipped();

    // One pool for the engine's life, as large as it may ever be asked to be.
    const int bound = std::max(threads, ThreadCount());
    if (!m_pool || m_pool->Threads() < threads) {
        m_pool.reset();
        m_pool = std::make_unique<TVariantPool>(bound);
    }
    m_workers.resize(size_t(m_pool->Threads()));
    for (auto &w : m_workers) {
        if (!w)
            w = std::make_unique<TRaskroy>();
        w->Threads = 1;
        w->m_spares.Share(m_spares);
        w->Reference = Reference;
        w->P = P;
        w->Detals = Detals;
        if (firstPass) // only the off-cut pass lays its maps out from the stock
            w->Stock = Stock;
        w->PassCounter = PassCounter;
    }
    // One-way parts keep their orientation from variant to variant in the
    // standard-sheet passes: a variant built from other orientations than the
    // ones the variants before it left is built again.
    std::vector<int> oneWay;
    if (!all)
        for (int p = 0; p < Detals.Count(); ++p)
            if (Detals[p].RotateMode == 2)
                oneWay.push_back(p);
    auto sameOrientations = [&oneWay](const TCarry &a, const TCarry &b) {
        for (int p : oneWay)
            if (a.Orientations[size_t(p)] != b.Orientations[size_t(p)])
                return false;
        return true;
    };
    auto after = [all](const std::shared_ptr<const TCarry> &c,
                       const TVariantOutcome &o) -> std::shared_ptr<const TCarry> {
        const bool turns = !all && o.Orientations != c->Orientations;
        if (!turns && !(o.LoWritten && o.LoOut != c->LastOrientation))
            return c;
        auto next = std::make_shared<TCarry>(*c);
        if (o.LoWritten)
            next->LastOrientation = o.LoOut;
        if (turns)
            next->Orientations = o.Orientations;
        return next;
    };
    // Where the variants built here before left the carried state.
    TCarry start;
    start.LastOrientation = LastOrientation;
    if (!all)
        for (const TDetal &d : Detals)
            start.Orientations.push_back(d.Orientation);
    auto carry = std::make_shared<const TCarry>(std::move(start));

    m_pool->BeginPass(
        first, total, threads,
        [this, all, firstPass](int worker, int64_t i, const TCarry &c) {
            return m_workers[size_t(worker)]->BuildVariant(i, all, firstPass, c);
        },
        after, carry, LateBuildNs >= 0 ? LateBuildNs : kLateVariants * variantNs + kLateNs);
    try {
        for (int64_t i = first; i <= last; ++i) {
            std::shared_ptr<const TCarry> assumed;
            TVariantOutcome o = m_pool->Take(i, assumed);
            // The last orientation counts only when the variant used it before
            // choosing one, and then only as turned or not.
            while (!sameOrientations(*assumed, *carry) ||
                   (o.LoRead && (assumed->LastOrientation == orTurned) != (carry->LastOrientation == orTurned))) {
                m_pool->Redo(i, carry);
                o = m_pool->Take(i, assumed);
            }
            std::shared_ptr<const TCarry> next = after(carry, o);
            if (next != carry) {
                const bool turnsChanged = !sameOrientations(*next, *carry);
                carry = next;
                if (turnsChanged)
                    m_pool->SetGuess(carry, [&](const TCarry &a) { return !sameOrientations(a, *carry); });
                else
                    m_pool->SetGuess(carry, nullptr);
            }
            for (const TDetalHandle &h : o.Map->Detals)
                Detals[h.DetalIndex].PassNo = PassCounter;
            VariantBits = o.VariantBits;
            Depth = o.Depth;
            if (Reference)
                m_workVariants.KeepBetter(std::move(o.Map), Detals, P.OptimCriterion);
            else if (std::unique_ptr<TSheetsList> spare =
                         m_bestVariant.Offer(std::move(o.Map), int32_t(i), Detals, P.OptimCriterion))
                m_spares.Give(std::move(spare));
            if (m_observer) {
                m_observer->variantDone(i + 1, total);
                if (m_observer->stopRequested())
                    StopRaskroy = true;
            }
            if (StopRaskroy)
                break;
        }
    } catch (...) {
        m_pool->EndPass();
        throw;
    }
    m_pool->EndPass();
    LastOrientation = carry->LastOrientation;
    if (!all)
        for (int p = 0; p < Detals.Count(); ++p)
            Detals[p].Orientation = carry->Orientations[size_t(p)];
    Detals.ResetPass(all);
    Detals.ClearSkipped();
}

void TRaskroy::CommitMap(const TSheetsList &map)
{
    RaskroyState = rsDone;
    if (P.Standart)
        P.StdSheetsLeft -= 1;
    for (const TDetalHandle &h : map.Detals)
        if (TDetal *d = Detals.Items(h.DetalIndex))
            d->SetRemaining(d->Remaining - 1);
}

bool TRaskroy::CanRepeatMap(const TSheetsList &map)
{
    RaskroyState = rsDone;
    if (P.Standart && P.StdSheetsLeft < 1) {
        RaskroyState = rsSheetsUsedUp;
        return false;
    }
    Detals.ResetPass(false);
    for (const TDetalHandle &h : map.Detals) {
        TDetal *d = Detals.Items(h.DetalIndex);
        if (!d)
            continue;
        d->PassRemaining -= 1;
        if (d->PassRemaining < 0)
            return false;
    }
    return true;
}

void TRaskroy::RepeatMap(TSheetsList &map)
{
    int32_t q = 1;
    while (CanRepeatMap(map)) {
        CommitMap(map);
        ++q;
    }
    if (RaskroyState == rsSheetsUsedUp)
        RaskroyState = rsDoneUsedUp;
    map.Quantity = q;
}

void TRaskroy::RaskroyFromStock()
{
    RaskroyState = rsDone;
    m_workMap = nullptr;
    // Sorted before anything else, so that later passes see the same order
    // even when this one ends at once.
    SortDetals(Detals.Vector(), Reference);
    if (P.Standart && P.StdSheetsLeft < 1) {
        RaskroyState = rsSheetsUsedUp;
        return;
    }
    PassCounter = 1;
    PrepareStock();
    Detals.ApplyKerf(true, P.MillWidth);
    std::unique_ptr<TSheetsList> whole = VariantLoop(true, true);
    if (!whole || whole->Detals.Count() == 0) {
        RaskroyState = rsNothingFits;
        return;
    }
    // Remembered from the whole map, so a part on an off-cut and on the
    // standard sheet lies the same way round.
    Detals.RememberOrientations(*whole);
    CommitMap(*whole);
    SplitMapByStock(std::move(whole));

    TSheetsList *standard = nullptr;
    for (int i = 0; i < ResultMaps.Count(); ++i)
        if (!ResultMaps.Items(i)->IsScrap) {
            standard = ResultMaps.Items(i);
            break;
        }
    if (standard) {
        m_workMap = standard;
        RepeatMap(*standard);
    } else if (P.Standart) {
        P.StdSheetsLeft += 1;
    }
    for (int i = 0; i < ResultMaps.Count(); ++i) {
        TSheetsList &m = *ResultMaps.Items(i);
        m.ClipMillsToSheet();
        if (!m.IsScrap) {
            m.ClipMillsToTrims(P);
            m.AddTrimMills(P);
        }
    }
}

void TRaskroy::SplitMapByStock(std::unique_ptr<TSheetsList> whole)
{
    const int n = Stock.Sheets.Count();
    std::vector<std::vector<int>> rects(static_cast<size_t>(n)), handles(static_cast<size_t>(n)), mills(static_cast<size_t>(n));
    for (int i = whole->Sheets.Count() - 1; i >= 0; --i)
        if (whole->Sheets[i].SheetIndex >= 0 && whole->Sheets[i].SheetIndex < n)
            rects[size_t(whole->Sheets[i].SheetIndex)].push_back(i);
    for (int i = whole->Detals.Count() - 1; i >= 0; --i)
        if (whole->Detals[i].SheetIndex >= 0 && whole->Detals[i].SheetIndex < n)
            handles[size_t(whole->Detals[i].SheetIndex)].push_back(i);
    for (int i = whole->Mills.Count() - 1; i >= 0; --i)
        if (whole->Mills[i].SheetIndex >= 0 && whole->Mills[i].SheetIndex < n)
            mills[size_t(whole->Mills[i].SheetIndex)].push_back(i);

    for (int s = 0; s < n; ++s) {
        if (handles[size_t(s)].empty())
            continue;
        const TSheet &stock = Stock.Sheets[s];
        auto m = std::make_unique<TSheetsList>();
        m->Name = stock.Name;
        for (int i : rects[size_t(s)]) {
            const TSheet &r = whole->Sheets[i];
            m->AddSheet(r.Name, r.X, r.Y, r.SizeX, r.SizeY, r.SheetIndex);
        }
        for (int i : handles[size_t(s)]) {
            const TDetalHandle &h = whole->Detals[i];
            m->Detals.AddHandle(h.DetalIndex, h.SheetIndex, h.Rotated, h.X, h.Y);
        }
        for (int i : mills[size_t(s)]) {
            const TMillLine &c = whole->Mills[i];
            m->Mills.AddMill(c.X, c.Y, c.Length, c.Horizontal, c.SheetIndex);
        }
        m->SizeX = stock.SizeX;
        m->SizeY = stock.SizeY;
        m->IsScrap = stock.IsScrap;
        m->Quantity = 1;
        ResultMaps.AddVariant(std::move(m), whole->VariantNo, Detals, P.OptimCriterion, Reference);
    }
    for (int i = ResultMaps.Count() - 1; i >= 0; --i) {
        if (i >= ResultMaps.Count())
            continue;
        const int j = ResultMaps.FindSameMap(*ResultMaps.Items(i));
        if (j >= 0) {
            ResultMaps.Items(i)->Quantity += ResultMaps.Items(j)->Quantity;
            ResultMaps.Delete(j);
        }
    }
    m_workMap = ResultMaps.Items(0);
}

void TRaskroy::RaskroyNextSheet()
{
    RaskroyState = rsDone;
    m_workMap = nullptr;
    if (P.Standart && P.StdSheetsLeft <= 0) {
        RaskroyState = rsSheetsUsedUp;
        return;
    }
    if (Detals.NothingLeft()) {
        RaskroyState = rsNothingLeft;
        return;
    }
    PassCounter += 1;
    Detals.ApplyKerf(true, P.MillWidth);
    std::unique_ptr<TSheetsList> map = VariantLoop(false, false);
    if (!map || map->Detals.Count() == 0) {
        // Nothing fits the sheet: such a map must never be repeated.
        RaskroyState = rsNothingFits;
        return;
    }
    CommitMap(*map);
    map->IsScrap = false;
    map->SizeX = P.StdSheetLength;
    map->SizeY = P.StdSheetWidth;
    RepeatMap(*map);
    m_workMap = ResultMaps.Append(std::move(map));
    m_workMap->ClipMillsToSheet();
    m_workMap->ClipMillsToTrims(P);
    m_workMap->AddTrimMills(P);
}

} // namespace kv::engine

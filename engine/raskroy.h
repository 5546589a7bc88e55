#pragma once
// The cutting engine: lays the parts of one material out on off-cuts and
// standard sheets by guillotine cuts, tries the variants of every pass and
// keeps the best by the chosen criterion.
#include "engine/cutindex.h"
#include "engine/model.h"
#include "engine/variantpool.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace kv::engine {

// Parameters of one material, set by the run driver (defaults as a fresh
// installation has them).
struct TRaskroyParams
{
    int32_t ExSearch = 4;          // variants 0..ExSearch are tried per pass
    int32_t MillWidth = 4;         // kerf
    int32_t LIndent = 10, RIndent = 10, TIndent = 10, BIndent = 10;
    uint8_t OptimCriterion = 2;    // 2 largest off-cuts, 3 longest off-cut, 4 shortest cuts
    int32_t PropilLen = 0;         // longest cut the saw can make; 0 no limit
    bool MultiSaw = false;
    bool FullSearch = false;       // variants may leave parts out
    int32_t StdSheetLength = 900, StdSheetWidth = 600;
    bool Standart = false;         // standard sheets are counted
    int32_t StdSheetsLeft = 0;
    int32_t StdSheetsCount = 0;
    bool UseScraps = false;
    bool ScrapCheckLength = false, ScrapCheckWidth = false, ScrapCheckSquare = false;
    int32_t ScrapMinLength = 10, ScrapMinWidth = 10, ScrapMinSquare = 100;
    bool ScrapLogicSumma = false, ScrapCheckSquareWidth = false, ScrapCheckSquareHeight = false;
    int32_t ScrapSquareWidth = 0, ScrapSquareHeight = 0;
    bool OneDimOpt = false;        // exact-fit search first
    int32_t AlgorithmNumber = 0;   // 1 rectangle-first, otherwise part-first
    std::string RaskroyRemark;
};

// Largest value of the 16-bit sizes (kerf, trims, standard sheet).
inline constexpr int32_t kMaxSize16 = 65535;
// Largest variant number; the variant count ExSearch + 1 must stay a 32-bit value.
inline constexpr int32_t kMaxExSearch = 2147483646;

// Empty when the sizes are sound, else what is wrong, in the user's words.
std::string CheckParams(const TRaskroyParams &p);

// Outcome of the last pass.
enum TRaskroyState : int32_t {
    rsDone = 0,          // a map was made
    rsSheetsUsedUp = 1,  // no standard sheet left, nothing made
    rsNothingLeft = 2,   // no copies remain, nothing made
    rsDoneUsedUp = 3,    // a map was made, the standard sheets ran out while repeating it
    rsNothingFits = 4,   // copies remain but none of them fits the sheet: nothing made
};

// Progress and stop, asked after every variant.
class TRaskroyObserver
{
public:
    virtual ~TRaskroyObserver() = default;
    virtual void variantDone(int64_t i, int64_t total) = 0;
    virtual bool stopRequested() = 0;
};

class TRaskroy
{
public:
    TRaskroyParams P;
    bool StopRaskroy = false;
    int32_t RaskroyState = rsDone;

    // Working state of the material.
    TDetalsList Detals;
    TSheetsList Stock;
    TVariantsList ResultMaps;  // the maps of the material, in order
    int32_t VariantBits = 0;
    int32_t PassCounter = 0;
    uint8_t LastOrientation = orNone; // a TOrientation
    int32_t Depth = 0;

    // Runs the sorts and searches the plain way, for comparison in tests.
    bool Reference = false;
    // Threads that may build the variants of a pass: 0 up to every core, N at
    // most N, 1 one variant after the other on the calling thread. A pass is
    // shared only when its first variants show it pays. The maps are the same
    // either way.
    int32_t Threads = 0;
    int ThreadCount() const;
    // Estimated work of the rest of a pass (ns) below which it stays on one
    // thread; tests set 0 to have every pass shared.
    int64_t ParallelMinWorkNs = 20000000;
    // How long the loop waits for a variant a worker is building before it
    // builds it too; negative: the engine's own measure. Tests set 0.
    int64_t LateBuildNs = -1;
    // How many threads the rest of a pass gets, from what a variant took.
    int ThreadsFor(int64_t variantNs, int64_t variantsLeft) const;

    TRaskroy();
    ~TRaskroy();
    TRaskroy(const TRaskroy &) = delete;
    TRaskroy &operator=(const TRaskroy &) = delete;

    void SetObserver(TRaskroyObserver *observer) { m_observer = observer; }
    void ResetRaskroy();

    // The map of the last pass: an entry of ResultMaps, or none.
    TSheetsList *WorkMap() const { return m_workMap; }

    // Passes.
    void RaskroyFromStock();
    void RaskroyNextSheet();
    void CommitMap(const TSheetsList &map);
    bool CanRepeatMap(const TSheetsList &map);
    // Repeats the map as often as the counts allow; sets its Quantity.
    void RepeatMap(TSheetsList &map);
    void PrepareStock();
    void PrepareMapSheets(TSheetsList &map) const;

    // Does every part with copies left fit a usable area of this size?
    bool AllRemainingFit(int32_t usableX, int32_t usableY) const;
    bool DetalFitsSheet(const TDetal &d, int32_t sizeX, int32_t sizeY) const;

    // Layout step and its searches, on `map` (the map being built).
    void PutNextDetal(TSheetsList &map);
    int NextVariantBit();
    static bool DetalFits(const TDetal &part, const TSheet &r, bool turned);
    static bool DetalFitsExactly(const TDetal &part, const TSheet &r, bool turned);
    static bool OrientationAllowed(const TDetal &part, bool turned);
    int FindDetalForSheet(const TSheet &r, bool &turned);
    int FindExactDetalForSheet(const TSheet &r, bool &turned);
    int FindExactDetal(const TSheet &r, bool turned) const;
    bool FindExactPair(const TSheetsList &map, int &part, bool &turned, int &rect) const;
    int FindSheetForDetal(const TSheetsList &map, int part, bool &turned);
    void SplitSheet(TSheetsList &map, int rect, const TDetal &part, bool horzFirst, bool turned);
    void MergeSheets(TSheetsList &map, int k);

    // A map of the standard size with the sheet's usable area as its one rectangle.
    std::unique_ptr<TSheetsList> NewStandardMap() const;

private:
    // Returns -1 when the part fits in no allowed orientation, else 0 or 1 (turned).
    int ChooseOrientation(const TDetal &part, const TSheet &r);
    // Largest sides among the free rectangles of the map being built: a part
    // that exceeds them fits nowhere, and its search can be skipped.
    struct Reach
    {
        int32_t sx = 0, sy = 0, longer = 0, shorter = 0;
    };
    // The step and its searches on a view of the free rectangles (freerects.h).
    // What one step lays out where, and which way round; part -1 when nothing fits.
    struct TPlacement
    {
        int part = -1, rect = -1;
        bool turned = false;
    };
    // What the fast search keeps from one step of a variant to the next.
    struct TStepSearch
    {
        // Parts with copies free that may fit somewhere, in list order.
        std::vector<int> live;
        bool byLongSide = false;
        // Parts that fit no free rectangle: a split only makes smaller ones,
        // so they stay out of the search until a merge grows one they fit.
        std::vector<int> dead;
        int32_t deadShortest = std::numeric_limits<int32_t>::max();
        void Drop(int part);
        // Largest sides among the free rectangles, or more: on a big map it
        // is raised by what a split makes and worked out afresh now and then.
        Reach reach;
        bool reachKnown = false;
        int sinceExact = 0;
    };
    template <class Rects>
    TPlacement choosePlacement(const Rects &rects, TStepSearch &search);
    // Parts out of the search that a rectangle grown by a merge may hold go back in.
    void Revive(TStepSearch &search) const;
    template <class Rects>
    void Steps(Rects &rects, TSheetsList &map);
    template <class Rects>
    bool FindExactPairIn(const Rects &rects, int &part, bool &turned, int &rect) const;
    template <class Rects>
    int FindSheetForDetalIn(const Rects &rects, int part, bool &turned);
    // True when a merge grew a rectangle.
    template <class Rects>
    bool SplitIn(Rects &rects, TSheetsList &map, int rect, const TDetal &part, bool horzFirst, bool turned);
    // The merge; returns the position of the rectangle merged away, or -1.
    template <class Rects>
    int MergeIn(Rects &rects, TSheetsList &map, int k);
    template <class Rects>
    Reach ReachOf(const Rects &rects) const;
    bool MayFit(const TDetal &d, const Reach &r) const;
    std::unique_ptr<TSheetsList> VariantLoop(bool all, bool firstPass);
    void SplitMapByStock(std::unique_ptr<TSheetsList> whole);

    // One variant built on this engine's parts from a carried state: the
    // variant loop's steps up to the list of variants, for the workers.
    TVariantOutcome BuildVariant(int64_t i, bool all, bool firstPass, const TCarry &carry);
    // A map to build a variant on, in `spare` when one is given.
    std::unique_ptr<TSheetsList> FreshMap(bool firstPass, std::unique_ptr<TSheetsList> spare = nullptr) const;
    void AddStandardArea(TSheetsList &map) const;
    // Variants `first`.. of the pass on the pool, on from the state the ones
    // before them left; `variantNs` is what one of them took here.
    void VariantLoopParallel(bool all, bool firstPass, int threads, int64_t first, int64_t variantNs);
    // Variants timed before the rest of a pass may go to the pool.
    static constexpr int64_t kVariantsMeasured = 3;
    TMapSpares m_spares;
    bool m_loSet = false;  // the variant chose an orientation
    bool m_loRead = false; // ... or used the one carried over before it did
    std::unique_ptr<TVariantPool> m_pool;
    std::vector<std::unique_ptr<TRaskroy>> m_workers;

    TSheet m_grown[2]; // the split rectangle and the new one, after the merges
    TCutIndex m_cuts;  // the cuts of the map being built, while a variant runs

    TRaskroyObserver *m_observer = nullptr;
    TSheetsList *m_workMap = nullptr;
    TVariantsList m_workVariants; // the plain path's
    TBestVariant m_bestVariant;
};

} // namespace kv::engine

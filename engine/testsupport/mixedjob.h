#pragma once
// The engine's mixed job, shared by the suites of every library that cuts it:
// eight kinds with every rotate mode, three off-cut rows, one kind banded on
// all four sides with four codes (banding does not move the layout).
#include "engine/raskroy.h"

namespace kvtest {

inline void LoadMixedJob(kv::engine::TRaskroy &e)
{
    using namespace kv::engine;
    e.ResetRaskroy();
    e.P = TRaskroyParams();
    e.P.StdSheetLength = 2800;
    e.P.StdSheetWidth = 2070;
    e.P.MillWidth = 4;
    e.P.LIndent = e.P.RIndent = e.P.TIndent = e.P.BIndent = 10;
    e.P.UseScraps = true;
    e.P.ExSearch = 40;
    e.Detals.Add("Bok", 720, 560, 6, 1);
    e.Detals.Add("Dno", 564, 560, 3, 0);
    e.Detals.Add("Polka", 560, 280, 8, 0);
    TDetal &f = e.Detals.Add("Fasad", 716, 396, 5, 2);
    f.LBorder = 1, f.RBorder = 2, f.TBorder = 3, f.BBorder = 4;
    e.Detals.Add("Pen", 2100, 560, 2, 1);
    e.Detals.Add("Tsokol", 2400, 100, 2, 0);
    e.Detals.Add("Yashchik", 500, 140, 9, 2);
    e.Detals.Add("Planka", 564, 100, 7, 0);
    for (int i = 0; i < 2; ++i) e.Stock.Sheets.Append(TSheet("OST-1", 0, 0, 800, 600, 0, true));
    e.Stock.Sheets.Append(TSheet("OST-2", 0, 0, 1200, 300, 0, true));
    for (int i = 0; i < 3; ++i) e.Stock.Sheets.Append(TSheet("OST-3", 0, 0, 600, 1500, 0, true));
}

// The off-cut pass, then standard sheets until every part is laid out.
inline void RunMixedJob(kv::engine::TRaskroy &e)
{
    using namespace kv::engine;
    e.RaskroyFromStock();
    for (int i = 0; i < 1000 && !e.Detals.NothingLeft(); ++i) {
        e.RaskroyNextSheet();
        if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp) break;
    }
}

} // namespace kvtest

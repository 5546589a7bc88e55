#pragma once
// The engine's golden mixed job: eight kinds with every rotate mode, three
// off-cut rows, one kind banded on all four sides with four codes. The map
// document of it is what the map, print and template tests read.
// Other libraries' tests reach this header through their include path.
#include "data/maps/mapdoc.h"
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

// Every map of the job as a tab of material 7, in the engine's order.
inline kv::MapDocument MixedJobTabs(const kv::engine::TRaskroy &e, const QString &remark)
{
    kv::MapDocument doc;
    int32_t n = 0;
    for (int i = 0; i < e.ResultMaps.Count(); ++i) {
        const kv::engine::TSheetsList &m = *e.ResultMaps.Items(i);
        doc.AddMapTab(kv::MapCaption(int(doc.Tabs.size()), n, m.Quantity, QString::fromStdString(m.Name)), 7, m,
                      e.Detals, e.P.MillWidth, remark);
        n += m.Quantity;
    }
    return doc;
}

// The whole job as a results window holds it: off-cuts shorter or narrower
// than 100 mm are waste.
inline kv::MapDocument MixedJobDocument()
{
    kv::engine::TRaskroy e;
    LoadMixedJob(e);
    RunMixedJob(e);
    kv::MapDocument doc = MixedJobTabs(e, QStringLiteral("Примечание"));
    kv::ColorizeMaps(doc, kv::MapEnvironment{[](int32_t) {
                                                 kv::TScrapLimits l;
                                                 l.Length = 100, l.Width = 100;
                                                 return l;
                                             },
                                             {}, {}});
    return doc;
}

} // namespace kvtest

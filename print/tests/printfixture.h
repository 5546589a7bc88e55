#pragma once
// The engine's golden mixed job as a map document, with the look-ups and
// the program folder a print needs.
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "engine/raskroy.h"
#include "print/flows/mapprint.h"

#include <QTemporaryDir>

#include <memory>

namespace kvtest {

inline kv::MapDocument MixedJobDocument()
{
    using namespace kv::engine;
    TRaskroy e;
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
    e.RaskroyFromStock();
    for (int i = 0; i < 1000 && !e.Detals.NothingLeft(); ++i) {
        e.RaskroyNextSheet();
        if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp) break;
    }
    kv::MapDocument doc;
    int32_t n = 0;
    for (int i = 0; i < e.ResultMaps.Count(); ++i) {
        const TSheetsList &m = *e.ResultMaps.Items(i);
        doc.AddMapTab(kv::MapCaption(int(doc.Tabs.size()), n, m.Quantity, QString::fromStdString(m.Name)), 7, m,
                      e.Detals, e.P.MillWidth, QStringLiteral("Примечание"));
        n += m.Quantity;
    }
    kv::ColorizeMaps(doc, kv::MapEnvironment{[](int32_t) {
                                                 kv::TScrapLimits l;
                                                 l.Length = 100, l.Width = 100;
                                                 return l;
                                             },
                                             {}, {}});
    return doc;
}

inline kv::MapPrintLookups Lookups()
{
    kv::MapPrintLookups l;
    l.materialName = [](int code) { return code == 7 ? QStringLiteral("ЛДСП Бук 16") : QString(); };
    l.borderName = [](int code) { return QStringLiteral("Кромка %1").arg(code); };
    l.borderColor = [](int code, qint32 def) { return code == 3 ? qint32(0x0000FF) : code == 4 ? qint32(0xFF0000) : def; };
    l.borderPripusk = [](int code) { return code == 3 ? 20 : 0; };
    l.isBorderCode = [](int code) { return code >= 0 && code <= 4; };
    return l;
}

} // namespace kvtest

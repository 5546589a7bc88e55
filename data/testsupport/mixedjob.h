#pragma once
// The map document of the engine's mixed job: what the map, print and
// template tests read.
#include "data/maps/mapdoc.h"
#include "engine/testsupport/mixedjob.h"

namespace kvtest {

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

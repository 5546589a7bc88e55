#pragma once
// The template of the cutting maps, "Reports\RskMaps.rpf".
class TrpReportBase;
class QString;

namespace kv {

// The user data source of the results window the maps band walks.
QString MapsSourceName();
// A4 landscape: one band per map with the map "Map" on the left, the map's
// figures "mmMapParams" and the parts list "mmDetalsList" on the right; the
// band takes MAP_H, so MAPSPERPAGE maps share a page.
void DescribeMapsReport(TrpReportBase &report);

} // namespace kv

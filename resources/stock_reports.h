#pragma once
// The warehouse templates: the list of standard sheets, the list of
// off-cuts and the warehouse statistics.
#include <QString>

class TrpReportBase;

namespace kv {

// The data source of the two lists (the print query: the working copy's
// columns and MatName) and the one of the statistics (Code, Material,
// ShSquare, ScSquare).
inline const QString kStockSource = QStringLiteral("rpdsStock");
inline const QString kWareHouseInfoSource = QStringLiteral("rpdsWareHouseInfo");

// "StdSheets.rpf" and "Scraps.rpf": grouped by material; variable DATE.
void DescribeStockListReport(TrpReportBase &report, bool scraps);
// "WareHouseInfo.rpf": one line per material; variable DATE.
void DescribeWareHouseInfoReport(TrpReportBase &report);

} // namespace kv

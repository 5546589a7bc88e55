#pragma once
// Printing of the warehouse: the list of standard sheets, the list of
// off-cuts and the warehouse statistics, over the templates of "Reports\".
#include "data/stock/stock.h"

#include <functional>

class AppContext;
class QWidget;
class TrpReport;

// Instead of the preview, tests get the report once it is built.
using StockReportHook = std::function<void(TrpReport &)>;
StockReportHook SetStockReportHook(StockReportHook hook);

// "Reports\StdSheets.rpf" (title "База стандартных листов") or
// "Reports\Scraps.rpf" ("База остатков") over the print query.
void PrintStockList(AppContext &ctx, kv::StockService &stock, bool scraps, QWidget *parent);
// "Reports\WareHouseInfo.rpf" over one row per material (unknown codes too).
void PrintWareHouseInfo(AppContext &ctx, kv::StockService &stock, QWidget *parent);

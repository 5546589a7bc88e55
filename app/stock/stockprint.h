#pragma once
// Printing of the warehouse: the list of standard sheets, the list of
// off-cuts and the warehouse statistics, over the templates of "Reports\".
#include "data/stock/stock.h"

class AppContext;
class QWidget;

// "Reports\StdSheets.rpf" (title "База стандартных листов") or
// "Reports\Scraps.rpf" ("База остатков") over the print query.
void PrintStockList(AppContext &ctx, kv::StockService &stock, bool scraps, QWidget *parent);
// "Reports\WareHouseInfo.rpf" over one row per material (unknown codes too).
void PrintWareHouseInfo(AppContext &ctx, kv::StockService &stock, QWidget *parent);

#pragma once
// The run driver's view of the warehouse: the standard sheets of a material
// counted down in tblSheets2 over the sheets' working copy, and the off-cuts
// read from theirs. The stock tables themselves are never touched; the
// warehouse changes only when a variant is accepted.
#include "engine/driver.h"

namespace kv {

class StockService;

class StockRunSource : public engine::IStockSource
{
public:
    explicit StockRunSource(StockService &stock) : m_stock(stock) {}

    bool openStdSheets(int32_t code) override;
    bool setStdSheetMany(int32_t length, int32_t width, int32_t many) override;
    bool readScraps(int32_t code, std::vector<engine::TScrapRow> &rows) override;

private:
    StockService &m_stock;
};

}   // namespace kv

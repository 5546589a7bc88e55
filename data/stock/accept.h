#pragma once
// Accepting the variant of a results window into the warehouse: the stock
// off-cuts a map used are lowered or removed, the usable off-cuts it leaves
// come in (with automatic codes when the settings ask for them), equal
// off-cut rows are merged and the standard sheets used take their remaining
// quantities. Everything runs on staged copies of the two working copies,
// which replace them only when every step has succeeded.
#include "data/maps/mapdoc.h"

#include <QDate>
#include <QStringList>

namespace kv {

class Settings;
class StockService;

inline constexpr auto kAcceptQuestion = u"Принять данный вариант разложения?\r\rПодтверждение приведёт к изменению\r"
                                        u"склада листов и базы отходов!";

struct AcceptOutcome
{
    int scrapsTaken = 0;    // stock off-cut rows lowered or removed
    int scrapsAdded = 0;    // usable off-cut rows inserted
    int sheetsUpdated = 0;  // standard-sheet rows given their remaining quantity
    QStringList warnings;   // shown after the warehouse has changed
};

// Accepts the variant. On success the working copies hold the result, their
// dirty flags are set, and off-cuts that got an automatic code carry it in
// `doc` (which is then modified). On failure kv::Error is raised and the
// working copies, the settings and `doc` are as they were, so the variant can
// be accepted again.
AcceptOutcome AcceptVariant(StockService &stock, Settings &settings, MapDocument &doc, const QDate &today);

} // namespace kv

#pragma once
// Saved warehouse states: "Warehouse\WHSave.ini" lists the state numbers in
// creation order under [Root] Sections, each number has a section with its
// Date, Time and Remark, and "N.wh" / "N_.wh" hold the two stock tables.
#include "data/stock/stock.h"
#include "platform/clock.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace kv {

class Paths;

struct WareHouseState
{
    int number = 0;
    QString date;
    QString time;
    QString remark;
};

class WareHouseStates
{
public:
    explicit WareHouseStates(const Paths &paths);

    QList<int> Sections() const;             // a missing index is an empty list
    QList<WareHouseState> List() const;      // in the order of Sections
    int NextNumber() const;                  // smallest positive number not listed
    QString SheetsFile(int number) const;    // "Warehouse\N.wh"
    QString ScrapsFile(int number) const;    // "Warehouse\N_.wh"

    // Copies the two stock tables as a new state. On failure raises
    // "Ошибка сохранения состояния склада." and leaves the index and the
    // folder as they were. Returns the state's number.
    int Save(const QString &remark, const QDateTime &when = kv::Now());
    void SetRemark(int number, const QString &remark);
    // Removes the number, its section and both files.
    void Delete(int number);

private:
    void writeSections(const QList<int> &list);
    const Paths &m_paths;
};

// The whole road of "Сохранить состояние склада": the unsaved edits are
// offered for saving first (Cancel ends), then the remark is asked
// (nullopt ends). Returns the new state's number, or 0 when the user ended
// it. Raises on failure.
int SaveWareHouseState(StockService &stock, WareHouseStates &states, const StockAsk &ask,
                       const std::function<std::optional<QString>()> &askRemark);

// "Восстановить": asks whether to save the current state first (Cancel
// ends; Yes saves one by SaveWareHouseState, and when that does not end with
// a state the restore is not carried out); then the state's files replace
// the stock tables and the working copies together. Returns whether it was
// restored. Raises on failure, with everything as it was.
bool RestoreWareHouseState(StockService &stock, WareHouseStates &states, int number, const StockAsk &ask,
                           const std::function<std::optional<QString>()> &askRemark);

inline constexpr const char *kRestoreQuestion =
    "ВНИМАНИЕ!\r\rПеред восстановлением сохраненного состояния склада\rрекомендуется сохранить его текущее "
    "состояние!\r\rСохранить?";

} // namespace kv

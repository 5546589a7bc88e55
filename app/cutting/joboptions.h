#pragma once
// The per-job options file "Korvalt.tmp": one section "Material" + code per
// material of the job holding Optim. Made from the settings file when the
// options dialog is shown, copied back into it on OK, read by the job loop.
#include "data/stock/minsheets.h"
#include "platform/ini.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace kv {

// The standard sheets of a material in the warehouse's working copy, in table order.
using StdSheetsOf = std::function<QList<StdSheetRow>(int code)>;

// Optim of every material from the settings file, the remark from the job's
// remarks ("code=remark" lines; empty when missing), DefQuantity 0.
void PrepareJobFile(const TIniFile &settings, TIniFile &job, const QStringList &codes, const QStringList &remarks);

// Every section of the job file, key by key, into the settings file.
void CopyJobToSettings(const TIniFile &job, TIniFile &settings);

// "&Авто - размер листов": the first standard sheet of each material in
// stock (0 x 0 when none) with the counting switched on.
void AutoBounds(TIniFile &job, const QStringList &codes, const StdSheetsOf &sheetsOf);

// The stock check of OK: for every material switched on with counting, the
// quantity of its sheet size in stock (all rows of that size summed) becomes
// DefQuantity. The error text of the first material without such sheets, or
// empty when every one has them.
QString CheckJobStock(TIniFile &job, const QStringList &codes, const QStringList &names, const StdSheetsOf &sheetsOf);

} // namespace kv

#pragma once
// The minimum stock of standard sheets: the minimum of each material (WH of
// its options), the table "Quantity.dbf" the minimum dialog edits, and the
// check that lists every sheet size of the warehouse that falls short.
#include <QList>
#include <QString>
#include <QStringList>

class TModule;

namespace kv {

class MaterialsService;
class Paths;
class Settings;

struct StdSheetRow
{
    qint64 length = 0, width = 0, quantity = 0;
};

namespace minsheetstext {
inline constexpr const char *Enough = "Стандартных листов на складе достаточно!";
inline constexpr const char *Warning = "ВНИМАНИЕ!\r\nНедостаточно следующих стандартных листов на складе";
inline constexpr const char *ReadFailed = "Ошибка чтения таблицы минимального количества листов.";
inline constexpr const char *WriteFailed = "Ошибка записи минимального количества листов.";
} // namespace minsheetstext

// Options of the all-materials code 999 are never read nor written.
bool HasMaterialOptions(int code);
int GetMinSheets(const Settings &settings, int code);     // 0 for 999 and when missing
void SetMinSheets(Settings &settings, int code, int minimum);   // nothing for 999

// The rows of one material in the standard-sheet table `sheetsTable` (the
// warehouse's working copy), in table order. Raises when it cannot be read.
QList<StdSheetRow> StdSheetsOfMaterial(const QString &sheetsTable, int code);

// The lines of the check: per material ordered by name, its name, then one
// line per sheet size whose quantity (summed over every row of that size)
// is below the material's minimum, then an empty line. A minimum of 0 never
// reports; a material without rows is not reported.
QStringList CheckStdSheetsLines(const MaterialsService &materials, const Settings &settings,
                                const QString &sheetsTable);

// "Quantity.dbf" while the minimum dialog is open: made anew from its
// template and filled with (code, name, minimum) of every material ordered by
// name. Raises kv::Error with ReadFailed when it cannot be made.
QString MakeMinSheetsTable(const Paths &paths, const MaterialsService &materials, const Settings &settings);
// Every row's Quantity into WH of its material. Raises kv::Error with
// WriteFailed when the table cannot be read or the settings not written.
void StoreMinSheetsTable(const QString &table, Settings &settings);

} // namespace kv

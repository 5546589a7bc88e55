#pragma once
// The commands of a results window that reach past it: saving its maps to a
// ".map" file, accepting its variant into the warehouse, the INI export,
// opening a map file in a new results window, and the printing, statistics
// and stickers of its variant.
#include <QString>

class AppContext;
class QWidget;
class TFormSheets;

namespace kv {

// The save dialog, then the binary file; the window takes the file's name.
// False when the user cancelled. A failed write raises kv::Error and leaves
// an existing file and the window's modified flag as they were.
bool SaveMapsWithDialog(TFormSheets &w);

// The accept question, then the acceptance on the warehouse's working
// copies; the warehouse shows its current material again and the accept
// button stays disabled. A failure raises kv::Error with the warehouse as it
// was; the variant may be accepted again.
void AcceptVariantCommand(TFormSheets &w);

// "Экспорт карт раскроя ... в INI - файл": its dialog, then the file. False
// when cancelled; a failure shows "Ошибка экспорта данных!".
bool ExportMapsToIniDialog(TFormSheets &w);

// "Открыть карты раскроя" for a chosen file: the file is read first (the
// older INI layout under the wait window), and only a document that could be
// read becomes a new results window, shown in the frame. Null after a shown
// failure; no window is left behind.
TFormSheets *OpenMapsFile(AppContext &ctx, const QString &path, QWidget *parent);

// "Печать": the print settings dialog, then the maps report's preview.
void PrintMapsCommand(TFormSheets &w);
// "Статистика" of the variant, of the material shown in the navigator.
void StatisticsCommand(TFormSheets &w);
// "Расход кромки" of the active map.
void BordersInfoCommand(TFormSheets &w);
// The stickers of the variant's parts and off-cuts.
void DetalsLabelsCommand(TFormSheets &w);
void ScrapsLabelsCommand(TFormSheets &w);
// "Печать статистики по расходу материалов": the off-cut totals.
void PrintScrapsInfoCommand(TFormSheets &w);

} // namespace kv

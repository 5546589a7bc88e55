#pragma once
// The commands of a results window that reach past it: saving its maps to a
// ".map" file, accepting its variant into the warehouse, the INI export, and
// opening a map file in a new results window. The frame wires them in.
#include <QString>

#include <functional>

class AppContext;
class QWidget;
class TFormSheets;
class TfrmWareHouse;

namespace kv {

// The save dialog, then the binary file; the window takes the file's name.
// False when the user cancelled. A failed write raises kv::Error and leaves
// an existing file and the window's modified flag as they were.
bool SaveMapsWithDialog(TFormSheets &w);

// The accept question, then the acceptance on the warehouse's working
// copies; the warehouse shows its current material again and the accept
// button stays disabled. `warehouse` is asked only after a Yes. A failure
// raises kv::Error with the warehouse as it was; the variant may be accepted
// again.
void AcceptVariantCommand(TFormSheets &w, const std::function<TfrmWareHouse *()> &warehouse);

// "Экспорт карт раскроя ... в INI - файл": its dialog, then the file. False
// when cancelled; a failure shows "Ошибка экспорта данных!".
bool ExportMapsToIniDialog(TFormSheets &w);

// "Открыть карты раскроя" for a chosen file: the file is read first (the
// older INI layout under the wait window), and only a document that could be
// read becomes a new results window, shown in the frame. Null after a shown
// failure; no window is left behind.
TFormSheets *OpenMapsFile(AppContext &ctx, const QString &path, QWidget *parent);

} // namespace kv

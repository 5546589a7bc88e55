#pragma once
// The open and save dialogs of the part-base commands, with a hook that
// answers them in tests.
#include <QString>

#include <functional>

class QWidget;

namespace kv {

struct FileDialogSpec
{
    bool save = false;
    QString title;
    QString folder;       // first folder
    QString fileName;     // proposed name (may be empty)
    QString filter;       // "Файлы баз деталей (*.kdx)|*.kdx|Все файлы|*.*"
    QString defaultExt;   // "kdx"
};

// The chosen path, empty when cancelled. The default extension is added to a
// name typed without one.
QString ExecFileDialog(const FileDialogSpec &spec, QWidget *parent = nullptr);
using FileDialogAnswer = std::function<QString(const FileDialogSpec &)>;
// Installs a hook that answers every dialog; returns the previous one.
FileDialogAnswer SetFileDialogHook(FileDialogAnswer hook);

} // namespace kv

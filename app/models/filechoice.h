#pragma once
// The open and save dialogs of the models room and the imports, with a hook
// through which tests choose the file instead of a user.
#include <QString>

#include <functional>

class QWidget;

struct FileChoice
{
    bool save = false;
    QString title;
    QString folder;          // first folder
    QString filter;          // the system's form: "Name (*.x)|*.x|Все файлы|*.*"
    QString defaultExt;      // without the point
    QString fileName;        // proposed name
};

using FileChoiceHook = std::function<QString(const FileChoice &)>;
// Installs a hook that answers every dialog; returns the previous one.
FileChoiceHook SetFileChoiceHook(FileChoiceHook hook);
// The chosen full path, or "" on Cancel. A save asks before overwriting.
QString ChooseFile(const FileChoice &choice, QWidget *parent = nullptr);
// "A (*.x)|*.x|B|*.*" as Qt's "A (*.x);;B (*.*)".
QString QtFilter(const QString &systemFilter);

#include "app/models/filechoice.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {
FileChoiceHook &hookRef()
{
    static FileChoiceHook hook;
    return hook;
}
} // namespace

FileChoiceHook SetFileChoiceHook(FileChoiceHook hook)
{
    FileChoiceHook previous = std::move(hookRef());
    hookRef() = std::move(hook);
    return previous;
}

QString QtFilter(const QString &systemFilter)
{
    const QStringList parts = systemFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i], mask = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        out << (name.contains(QLatin1Char('(')) ? name : name + QStringLiteral(" (") + mask + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

QString ChooseFile(const FileChoice &choice, QWidget *parent)
{
    if (hookRef()) return hookRef()(choice);
    QFileDialog dialog(parent, choice.title, choice.folder, QtFilter(choice.filter));
    dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(choice.defaultExt);
    if (!choice.fileName.isEmpty()) dialog.selectFile(choice.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

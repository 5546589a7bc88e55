#include "app/partbase/filedialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace kv {

namespace {

FileDialogAnswer &hook()
{
    static FileDialogAnswer h;
    return h;
}

// "Name (*.a)|*.a|Other|*.*" as Qt's ";;"-separated filter list.
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        if (!name.contains(QLatin1Char('('))) name += QStringLiteral(" (%1)").arg(parts[i + 1]);
        out << name;
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace

FileDialogAnswer SetFileDialogHook(FileDialogAnswer h)
{
    FileDialogAnswer prev = std::move(hook());
    hook() = std::move(h);
    return prev;
}

QString ExecFileDialog(const FileDialogSpec &spec, QWidget *parent)
{
    QString path;
    if (hook()) {
        path = hook()(spec);
    } else {
        QFileDialog dlg(parent, spec.title, spec.folder, qtFilter(spec.filter));
        dlg.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dlg.setDefaultSuffix(spec.defaultExt);
        if (!spec.fileName.isEmpty()) dlg.selectFile(spec.fileName);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
        path = dlg.selectedFiles().constFirst();
    }
    if (!path.isEmpty() && !spec.defaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + spec.defaultExt;
    return path;
}

} // namespace kv

#include "platform/db/copytable.h"

#include "platform/db/dbffile.h"
#include "platform/db/table.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"

#include <QDir>
#include <cstdio>
#include <QFile>
#include <QFileInfo>

namespace kv {

void CopyTable(Table &table, const QString &destName, bool overwrite)
{
    const bool wasActive = table.Active();
    if (!wasActive) table.Open();
    try {
        QString dest = destName;
        dest.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!QDir::isAbsolutePath(dest)) dest = QFileInfo(table.FullPath()).absolutePath() + QLatin1Char('/') + dest;
        if (QFileInfo(dest).suffix().isEmpty()) dest += QStringLiteral(".dbf");
        dest = resolvePath(dest);
        if (QFileInfo::exists(dest) && !overwrite)
            throw Error(QStringLiteral("Таблица \"%1\" уже существует.").arg(QDir::toNativeSeparators(dest)));
        CopyTableFile(resolvePath(table.FullPath()), dest);
    } catch (...) {
        if (!wasActive) table.Close();
        throw;
    }
    if (!wasActive) table.Close();
}

void CopyTableFile(const QString &from, const QString &to)
{
    const QString src = resolvePath(from);
    const QString dst = resolvePath(to);
    if (TableStore::canonicalPath(src) == TableStore::canonicalPath(dst)) return;
    copyFileAtomically(src, dst);
    TableStore::invalidate(dst);
}

void RenameTableFile(const QString &from, const QString &to)
{
    const QString src = resolvePath(from);
    const QString dst = resolvePath(to);
    if (TableStore::canonicalPath(src) == TableStore::canonicalPath(dst)) return;
    // rename(2) replaces the target in one step: the old table stays until the new one is in place.
    if (!QFileInfo::exists(src) || std::rename(QFile::encodeName(src).constData(), QFile::encodeName(dst).constData()) != 0)
        throw Error(QStringLiteral("Не удаётся переименовать файл \"%1\".").arg(QDir::toNativeSeparators(src)));
    TableStore::invalidate(src);
    TableStore::invalidate(dst);
}

void DeleteTableFile(const QString &path)
{
    const QString p = resolvePath(path);
    if (!QFileInfo::exists(p)) return;
    if (!QFile::remove(p))
        throw Error(QStringLiteral("Не удаётся удалить файл \"%1\".").arg(QDir::toNativeSeparators(p)));
    TableStore::invalidate(p);
}

} // namespace kv

#include "data/models/catalogimport.h"

#include "data/models/modelbase.h"
#include "data/paths.h"
#include "platform/error.h"
#include "platform/ini.h"

#include <QFile>
#include <QFileInfo>

namespace kv {

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

QByteArray contents(const QString &path, bool *ok)
{
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

// Copies and reads the copy back: a backup is trusted only when it is whole.
bool checkedCopy(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to)) return false;
    bool okFrom = false, okTo = false;
    const QByteArray a = contents(from, &okFrom), b = contents(to, &okTo);
    return okFrom && okTo && a == b;
}

} // namespace

void ImportModelsCatalog(const Paths &paths)
{
    TIniFile ini(paths.CatalogIniFile());
    CompoundFile::Update update(ModelsBaseFile());
    int i = 0;
    for (const QString &key : ini.ReadSection(QStringLiteral("Sections"))) {
        ++i;
        TmdlModelSection section;
        section.Name = ini.ReadString(QStringLiteral("Sections"), key, QString());
        section.StorageName = QStringLiteral("imModelSection%1").arg(i);
        section.CreateStorage();
        const StorageRef models = section.ModelsStorage();
        int j = 0;
        for (const QString &modelKey : ini.ReadSection(key)) {
            ++j;
            TmdlModelInfo m;
            m.Name = ini.ReadString(key, modelKey, QString());
            m.PartsTable = ini.ReadString(key + QLatin1Char('_'), modelKey, QString());
            m.StreamName = QStringLiteral("imModel%1").arg(j);
            m.CreateStream(models);
        }
    }
    update.Commit();
}

void ReplaceModelsBaseFromCatalog(const Paths &paths)
{
    const QString base = paths.ModelsBaseFile();
    const QString backup = paths.ModelsBackupFile();
    CloseModelsBase();
    QFile::remove(backup);
    const bool hadBase = QFileInfo::exists(base);
    if (hadBase && !checkedCopy(base, backup)) {
        QFile::remove(backup);
        try { OpenModelsBase(base); } catch (...) {}
        throw Error(u("Ошибка импорта базы моделей."));
    }
    try {
        WriteModelsTemplateIfMissing(paths);
        QFile::remove(base);
        if (!QFile::copy(paths.ModelsTemplateFile(), base)) throw Error(u("Ошибка импорта базы моделей."));
        OpenModelsBase(base);
        ImportModelsCatalog(paths);
    } catch (const std::exception &) {
        CloseModelsBase();
        if (hadBase) {
            QFile::remove(base);
            QFile::copy(backup, base);
        }
        try { OpenModelsBase(base); } catch (...) {}
        QFile::remove(backup);
        throw Error(u("Ошибка импорта базы моделей."));
    }
    QFile::remove(backup);
}

} // namespace kv

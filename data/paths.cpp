#include "data/paths.h"

#include "platform/error.h"
#include "platform/text.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

namespace {

QString withSlash(const QString &path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return path;
    return path + QLatin1Char('/');
}

// The entry of `dir` named `name` without regard to case; "" when none.
QString matchEntry(const QString &dir, const QString &name)
{
    if (name.isEmpty()) return QString();
    if (QFileInfo::exists(dir + name)) return name;
    const QStringList entries =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &e : entries)
        if (sameText(e, name)) return e;
    return QString();
}

} // namespace

Paths::Paths(const QString &root)
{
    QString r = root;
    r.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (r.size() > 1 && r.endsWith(QLatin1String("//"))) r.chop(1);
    m_root = withSlash(r);
    m_pattern = folder(QStringLiteral("Pattern"));
    m_catalog = folder(QStringLiteral("Catalog"));
    m_sheets = folder(QStringLiteral("Sheets"));
    m_detals = folder(QStringLiteral("Detals"));
    m_groups = folder(QStringLiteral("Groups"));
    m_maps = folder(QStringLiteral("Maps"));
    m_export = folder(QStringLiteral("Export"));
    m_temp = folder(QStringLiteral("Temp"));
    m_constructor = folder(QStringLiteral("Constructor"));
    m_warehouse = folder(QStringLiteral("Warehouse"));
    m_autorun = folder(QStringLiteral("AutoRun"));
    m_reports = folder(QStringLiteral("Reports"));
}

QString Paths::DefaultRoot()
{
    const QString home = qEnvironmentVariable("KORVALT_HOME");
    if (!home.isEmpty()) return withSlash(QDir::cleanPath(QDir(home).absolutePath()));
    return withSlash(QDir::homePath() + QStringLiteral("/.local/share/korvalt"));
}

QString Paths::folder(const QString &name) const
{
    // A folder copied from an old installation may differ in case ("SHEETS").
    const QString existing = matchEntry(m_root, name);
    return m_root + (existing.isEmpty() ? name : existing) + QLatin1Char('/');
}

QStringList Paths::AllFolders() const
{
    return {m_pattern, m_catalog, m_sheets, m_detals, m_groups, m_maps,
            m_export, m_temp, m_constructor, m_warehouse, m_autorun, m_reports};
}

void Paths::CreateFolders() const
{
    QStringList all = AllFolders();
    all.prepend(m_root);
    for (const QString &f : all) {
        if (!QDir().mkpath(f))
            throw Error(QStringLiteral("Невозможно создать папку \"%1\".").arg(QDir::toNativeSeparators(f)));
    }
}

QString Paths::FileIn(const QString &folder, const QString &name)
{
    const QString dir = withSlash(folder);
    const QString existing = matchEntry(dir, name);
    return dir + (existing.isEmpty() ? name : existing);
}

bool Paths::IsBareFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20) return false;
    return true;
}

QString Paths::BareFileIn(const QString &folder, const QString &name)
{
    return IsBareFileName(name) ? FileIn(folder, name) : QString();
}

QString Paths::SettingsFile() const { return FileIn(m_root, QStringLiteral("Korvalt.ini")); }
QString Paths::SettingsBackupFile() const { return FileIn(m_root, QStringLiteral("Korvalt.~ini")); }
QString Paths::SettingsDamagedFile() const { return FileIn(m_root, QStringLiteral("Korvalt.ini.bad")); }
QString Paths::JobOptionsFile() const { return FileIn(m_root, QStringLiteral("Korvalt.tmp")); }
QString Paths::CatalogIniFile() const { return FileIn(m_root, QStringLiteral("Catalog.ini")); }
QString Paths::ModelsBaseFile() const { return FileIn(m_root, QStringLiteral("Models.dat")); }
QString Paths::ModelsTemplateFile() const { return FileIn(m_pattern, QStringLiteral("Models.dat")); }
QString Paths::ModelsBackupFile() const { return FileIn(m_temp, QStringLiteral("Models.dat")); }
QString Paths::GroupTemplateFile() const { return FileIn(m_pattern, QStringLiteral("Group.dbf")); }
QString Paths::SheetsTable() const { return FileIn(m_sheets, QStringLiteral("Sheets.dbf")); }
QString Paths::BordersTable() const { return FileIn(m_sheets, QStringLiteral("Borders.dbf")); }
QString Paths::ScrapsTable() const { return FileIn(m_sheets, QStringLiteral("Scraps.dbf")); }
QString Paths::OwnMaterialsTable() const { return FileIn(m_sheets, QStringLiteral("Types.dbf")); }
QString Paths::ExternalMaterialsCopy() const { return FileIn(m_sheets, QStringLiteral("Materials.dbf")); }
QString Paths::AcceptedMapsFile() const { return FileIn(m_root, QStringLiteral("Accepted.ini")); }
QString Paths::WHSaveIniFile() const { return FileIn(m_warehouse, QStringLiteral("WHSave.ini")); }
QString Paths::TempSheetsTable() const { return FileIn(m_temp, QStringLiteral("TempSh.dbf")); }
QString Paths::TempTypesTable() const { return FileIn(m_temp, QStringLiteral("TempTp.dbf")); }
QString Paths::TempScrapsTable() const { return FileIn(m_temp, QStringLiteral("TempSc.dbf")); }

QString Paths::ExternalMaterialsBase(const QString &baseFolder)
{
    QString f = baseFolder.trimmed();
    f.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (f.isEmpty()) return QString();
    return FileIn(f, QStringLiteral("ListMat.ini"));
}

QString Paths::MaterialsTable() const
{
    return m_externalMaterials ? ExternalMaterialsCopy() : OwnMaterialsTable();
}

QString Paths::Resolve(const QString &oldPath) const
{
    QString p = oldPath.trimmed();
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.isEmpty()) return p;
    QString base;
    if (p.startsWith(QLatin1Char('/'))) {
        base = QStringLiteral("/");
    } else if (p.size() >= 2 && p.at(1) == QLatin1Char(':')) {
        return p;   // a drive of the old system: nothing to find here
    } else {
        base = m_root;
    }
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString cur = base;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        QString name = part;
        if (part != QLatin1String(".") && part != QLatin1String("..")) {
            const QString existing = matchEntry(cur, part);
            if (!existing.isEmpty()) name = existing;
        }
        cur += name;
        if (i + 1 < parts.size() || p.endsWith(QLatin1Char('/'))) cur += QLatin1Char('/');
    }
    return cur;
}

} // namespace kv

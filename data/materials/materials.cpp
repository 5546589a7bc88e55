#include "data/materials/materials.h"

#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/copytable.h"
#include "platform/db/query.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/ui.h"

#include <QFileInfo>

#include <memory>

namespace kv {

namespace {

QString fileNameOf(const QString &path) { return QFileInfo(path).fileName(); }

// A key of [Materials]: plain decimal digits (an optional "+"), within int.
bool materialKey(const QString &key, int &code)
{
    const QString k = key.trimmed();
    if (k.isEmpty()) return false;
    for (qsizetype i = 0; i < k.size(); ++i) {
        const QChar c = k.at(i);
        if (c.isDigit() && c.unicode() < 128) continue;
        if (i == 0 && c == QLatin1Char('+') && k.size() > 1) continue;
        return false;
    }
    bool ok = false;
    const int v = k.toInt(&ok, 10);
    if (!ok || v < 0) return false;
    code = v;
    return true;
}

QChar foldLatin(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') ? QChar(u - 32) : c;
}

} // namespace

MaterialsService::MaterialsService(Paths &paths, Settings &settings, Ui &ui, TModule *module, QObject *parent)
    : QObject(parent), m_paths(paths), m_settings(settings), m_ui(ui), m_module(module)
{
}

QString MaterialsService::MaterialsTable() const
{
    return m_paths.MaterialsTable();
}

void MaterialsService::LoadMaterialsLists(QStringList &names, QStringList &codes, bool withAll) const
{
    names.clear();
    codes.clear();
    for (const MaterialItem &m : MaterialItems(withAll)) {
        names << m.name;
        codes << QString::number(m.code);
    }
}

QList<MaterialItem> MaterialsService::MaterialItems(bool withAll) const
{
    QList<MaterialItem> items;
    if (withAll) items.append({kAllMaterialsCode, QString::fromUtf8(kAllMaterialsName)});
    Query q;
    q.AddSQL(QStringLiteral("Select * from %1 tp").arg(Query::QuotePath(MaterialsTable())));
    q.AddSQL(QStringLiteral("Order by tp.\"Material\""));
    q.Open();
    Field *name = q.FieldByName(QStringLiteral("Material"));
    Field *code = q.FieldByName(QStringLiteral("Code"));
    for (q.First(); !q.Eof(); q.Next())
        items.append({code->IsNull() ? 0 : code->AsInteger(), name->AsString()});
    return items;
}

QString MaterialsService::GetMaterialName(int code) const
{
    try {
        Query q;
        q.AddSQL(QStringLiteral("Select * from %1 tp").arg(Query::QuotePath(MaterialsTable())));
        q.AddSQL(QStringLiteral("Where tp.\"Code\"=:Code"));
        q.SetParam(QStringLiteral("Code"), code);
        q.Open();
        if (q.IsEmpty()) return QString();
        q.First();
        return q.FieldByName(QStringLiteral("Material"))->AsString();
    } catch (const Error &) {
        return QString();
    }
}

QString MaterialsService::FindNameByCode(int code, const QStringList &codes, const QStringList &names)
{
    const qsizetype i = codes.indexOf(QString::number(code));
    return i >= 0 && i < names.size() ? names.at(i) : QString();
}

bool MaterialsService::IsLocalMaterialsBase() const
{
    return m_settings.IsLocalMaterialsBase();
}

QString MaterialsService::GetBasePath() const
{
    return m_settings.GetBasePath();
}

bool MaterialsService::UsesExternalBase() const
{
    return m_paths.UsesExternalMaterials();
}

bool MaterialsService::ConnectMaterialsBase()
{
    bool external = false;
    if (!IsLocalMaterialsBase()) {
        const QString file = Paths::ExternalMaterialsBase(NormalizeFolderPath(GetBasePath()));
        if (file.isEmpty() || !QFileInfo::exists(file))
            m_ui.error(QString::fromUtf8(mattext::BaseNotFound));
        else
            external = ImportExternalMaterials(file);
    }
    m_paths.UseExternalMaterials(external);
    emit MaterialsChanged();
    return external;
}

void MaterialsService::ConnectAtStartup()
{
    if (IsLocalMaterialsBase()) return;
    const QString file = Paths::ExternalMaterialsBase(NormalizeFolderPath(GetBasePath()));
    if (file.isEmpty() || !QFileInfo::exists(file)) return;
    ConnectMaterialsBase();
}

QList<MaterialItem> MaterialsService::ReadListMat(const QString &listMatFile)
{
    QList<MaterialItem> items;
    TIniFile ini(listMatFile);
    for (const QString &line : ini.ReadSectionValues(QStringLiteral("Materials"))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        int code = 0;
        if (!materialKey(line.left(eq), code)) continue;
        items.append({code, line.mid(eq + 1)});
    }
    return items;
}

bool MaterialsService::ImportExternalMaterials(const QString &listMatFile)
{
    const QString table = m_paths.ExternalMaterialsCopy();
    try {
        DeleteTableFile(table);
        if (QFileInfo::exists(table)) throw Error(QStringLiteral("Не удаётся удалить %1").arg(table));
        CopyTableFile(Paths::FileIn(m_paths.PatternFolder(), fileNameOf(m_paths.OwnMaterialsTable())), table);
        // User text from the file is bound, never pasted into the statement.
        const QString sql = QStringLiteral("Insert into %1\r\nValues(?, ?)").arg(Query::QuotePath(table));
        for (const MaterialItem &m : ReadListMat(listMatFile)) Query::Exec(sql, {m.name, m.code});
        return true;
    } catch (const std::exception &) {
        m_ui.error(QString::fromUtf8(mattext::ImportFailed));
        return false;
    }
}

void MaterialsService::OpenWorkingCopy()
{
    if (!m_module) throw Error(QString::fromUtf8(mattext::OpenFailed));
    Table *t = m_module->Table;
    t->Close();
    const QString work = m_paths.TempTypesTable();
    m_module->MakeWorkingCopy(Paths::FileIn(m_paths.PatternFolder(), fileNameOf(m_paths.OwnMaterialsTable())), work,
                              MaterialsTable());
    t->SetDatabaseName(m_paths.TempFolder());
    t->SetTableName(fileNameOf(work));
    t->Open();
}

void MaterialsService::SaveWorkingCopy()
{
    if (UsesExternalBase())
        throw Error(QStringLiteral("Внешняя база материалов открыта только для чтения.\r"
                                   "Изменения вносятся в файл ListMat.ini внешней базы."));
    if (m_module && m_module->Table->Active()) m_module->Table->CheckBrowseMode();
    CopyTableFile(m_paths.TempTypesTable(), MaterialsTable());
    emit MaterialsChanged();
}

void MaterialsService::CloseWorkingCopy()
{
    if (m_module) m_module->Table->Close();
    DeleteTableFile(m_paths.TempTypesTable());
}

int MaterialsService::FindByPrefix(const QStringList &names, const QString &text)
{
    if (names.isEmpty()) return -1;
    for (qsizetype len = text.size(); len >= 1; --len) {
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString &n = names.at(i);
            if (n.size() < len) continue;
            bool same = true;
            for (qsizetype k = 0; k < len && same; ++k) same = foldLatin(n.at(k)) == foldLatin(text.at(k));
            if (same) return int(i);
        }
    }
    return 0;
}

} // namespace kv

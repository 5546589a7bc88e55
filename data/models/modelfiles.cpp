#include "data/models/modelfiles.h"

#include "data/paths.h"
#include "platform/db/copytable.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/savefile.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

const QStringList kPartColumns = {"Name", "Length", "Width", "Many", "Rotate",
                                  "LBorder", "RBorder", "TBorder", "BBorder", "Material"};

// INI text of one section, cp1251 with CRLF, written through a temporary file.
void writeIniSection(const QString &path, const QString &section, const QList<QPair<QString, QString>> &lines)
{
    QString text = QLatin1Char('[') + section + QStringLiteral("]\r\n");
    for (const auto &kv : lines)
        text += kv.first + QLatin1Char('=') + kv.second + QStringLiteral("\r\n");
    QString reason;
    if (!SaveFileAtomically(path, toCp1251(text), &reason)) throw Error(WriteErrorText(path, reason), reason);
}

// A value that keeps its text through the comma-text reading: always quoted,
// inner quotes doubled; line breaks cannot stand in an INI value.
QString quoted(QString s)
{
    s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

qint64 wholeNumber(const Field *f)
{
    const double v = f->AsFloat();
    if (!std::isfinite(v)) return 0;
    return qint64(std::llround(std::clamp(v, -9.0e15, 9.0e15)));
}

QString quotePath(const QString &p) { return Query::QuotePath(p); }

} // namespace

QString ModelTablePath(const Paths &paths, const QString &stem)
{
    // The stem comes from the models base or the catalog: only a bare name
    // stays in the catalog folder; any other names no table.
    if (!Paths::IsBareFileName(stem)) return QString();
    return Paths::FileIn(paths.CatalogFolder(), stem + QStringLiteral(".dbf"));
}

QString NextModelTableStem(const Paths &paths)
{
    for (int n = 0;; ++n) {
        const QString stem = QStringLiteral("mdl%1").arg(n);
        if (!QFileInfo::exists(ModelTablePath(paths, stem))) return stem;
    }
}

// --- model description files ------------------------------------------------------

QList<ModelListEntry> ReadModelListFile(const QString &path)
{
    TIniFile ini(path);
    const int count = ini.ReadInteger(QStringLiteral("MODELS"), QStringLiteral("COUNT"), 0);
    // Only the keys that exist are visited: a damaged COUNT costs nothing.
    QList<int> keys;
    for (const QString &key : ini.ReadSection(QStringLiteral("MODELS"))) {
        bool ok = false;
        const int n = key.trimmed().toInt(&ok);
        if (ok && n >= 1 && n <= count && !keys.contains(n)) keys << n;
    }
    std::sort(keys.begin(), keys.end());
    QList<ModelListEntry> out;
    for (int n : keys) {
        const QStringList items = fromCommaText(ini.ReadString(QStringLiteral("MODELS"), QString::number(n), QString()));
        if (items.isEmpty()) continue;
        ModelListEntry e;
        e.name = items.at(0);
        if (items.size() > 1) e.quantity = TIniFile::parseInteger(items.at(1).trimmed()).value_or(0);
        out << e;
    }
    return out;
}

void WriteModelListFile(const QString &path, const QList<ModelListEntry> &entries)
{
    QList<QPair<QString, QString>> lines;
    lines << qMakePair(QStringLiteral("COUNT"), QString::number(entries.size()));
    for (int i = 0; i < entries.size(); ++i)
        lines << qMakePair(QString::number(i + 1),
                           toCommaText({entries[i].name, QString::number(entries[i].quantity)}));
    writeIniSection(path, QStringLiteral("MODELS"), lines);
}

void ApplyModelListFiles(TmdlModelSectionList &sections, const QStringList &files, QStringList &notFound,
                         QList<int> &counts)
{
    for (const QString &file : files) {
        for (const ModelListEntry &e : ReadModelListFile(file)) {
            if (TmdlModelInfo *m = FindModelByName(sections, e.name)) {
                const qint64 sum = qint64(m->Quantity) + e.quantity;
                m->Quantity = int(std::clamp<qint64>(sum, 0, 2147483647));
            } else if (e.quantity > 0) {
                notFound << e.name;
                counts << e.quantity;
            }
        }
    }
}

// --- model export ------------------------------------------------------------------

void ExportModelParts(const QString &tablePath, const QString &iniPath,
                      const std::function<QString(int code)> &materialName)
{
    if (QFileInfo::exists(iniPath) && !QFile::remove(iniPath))
        throw Error(u("Ошибка экспорта данных!"));
    if (!QFileInfo::exists(tablePath))
        throw Error(u("Ошибка чтения файла модели!") + QStringLiteral("\r\r") + u("Ошибка экспорта данных!"));
    try {
        Table t;
        t.SetFile(tablePath);
        t.Open();
        QList<QPair<QString, QString>> lines;
        int n = 0;
        for (t.First(); !t.Eof(); t.Next()) {
            const QString material = materialName ? materialName(int(wholeNumber(t.FieldByName("Material")))) : QString();
            lines << qMakePair(QString::number(++n),
                               QStringLiteral("%1,%2,%3,%4,%5")
                                   .arg(quoted(t.FieldByName("Name")->AsString()))
                                   .arg(wholeNumber(t.FieldByName("Length")))
                                   .arg(wholeNumber(t.FieldByName("Width")))
                                   .arg(wholeNumber(t.FieldByName("Many")))
                                   .arg(quoted(material)));
        }
        lines << qMakePair(QStringLiteral("DCOUNT"), QString::number(n));
        writeIniSection(iniPath, QStringLiteral("DETALS"), lines);
    } catch (const std::exception &) {
        QFile::remove(iniPath);
        throw Error(u("Ошибка экспорта данных!"));
    }
}

// --- part base from models ---------------------------------------------------------

QList<ImportedPart> PartsFromModels(const Paths &paths, const TmdlModelSectionList &sections,
                                    QStringList &modelNames, QStringList &modelCounts, QString *mergeFailure)
{
    const QString work = paths.TempFolder() + QStringLiteral("OpenElem.dbf");
    const QString grouped = paths.TempFolder() + QStringLiteral("OpenElemG.dbf");
    struct Cleanup
    {
        QStringList paths;
        ~Cleanup()
        {
            for (const QString &p : paths) {
                try { DeleteTableFile(p); } catch (...) {}
            }
        }
    } cleanup{{work, grouped}};
    try {
        const QString tpl = Paths::FileIn(paths.PatternFolder(), QStringLiteral("Group.dbf"));
        CopyTableFile(tpl, work);
    } catch (const std::exception &) {
        throw Error(u("Ошибка копирования файла шаблона базы деталей."));
    }
    QStringList names, counts;
    QStringList cols;
    for (const QString &c : kPartColumns) cols << QStringLiteral("a.\"%1\"").arg(c);
    try {
        for (int s = 0; s < sections.Count(); ++s) {
            const TmdlModelSection &sec = sections[s];
            for (int m = 0; m < sec.Models.Count(); ++m) {
                const TmdlModelInfo &model = sec.Models[m];
                if (model.Quantity <= 0 || model.PartsTable.isEmpty()) continue;
                const QString table = ModelTablePath(paths, model.PartsTable);
                if (!QFileInfo::exists(table)) continue;
                names << model.Name;
                counts << QString::number(model.Quantity);
                // One insert with the quantities multiplied stands for the
                // model's copies inserted one by one (bounded whatever the count).
                QStringList sel = cols;
                sel[3] = QStringLiteral("a.\"Many\" * %1").arg(model.Quantity);
                Query::Exec(QStringLiteral("Insert into %1\r\nSelect %2 from %3 a")
                                .arg(quotePath(work), sel.join(QStringLiteral(", ")), quotePath(table)));
            }
        }
    } catch (const std::exception &) {
        throw Error(u("Ошибка создания базы деталей."));
    }
    QList<ImportedPart> parts;
    try {
        CopyTableFile(Paths::FileIn(paths.PatternFolder(), QStringLiteral("Group.dbf")), grouped);
        QStringList sel = cols, group = cols;
        sel[3] = QStringLiteral("Sum(a.\"Many\") as NewMany");
        group.removeAt(3);
        Query::Exec(QStringLiteral("Insert into %1\r\nSelect %2 from %3 a\r\nGroup by %4")
                        .arg(quotePath(grouped), sel.join(QStringLiteral(", ")), quotePath(work),
                             group.join(QStringLiteral(", "))));
        Table t;
        t.SetFile(grouped);
        t.Open();
        parts = ReadParts(t);
        t.Close();
    } catch (const std::exception &) {
        // The parts go on unmerged: the models chosen are not lost.
        if (mergeFailure) *mergeFailure = u("Внутренняя ошибка при подсчёте одинаковых деталей!");
        try {
            Table t;
            t.SetFile(work);
            t.Open();
            parts = ReadParts(t);
            t.Close();
        } catch (const std::exception &) {
            throw Error(u("Ошибка создания базы деталей."));
        }
    }
    modelNames << names;
    modelCounts << counts;
    return parts;
}

// --- sections of the older catalog ------------------------------------------------

CatalogSectionsEdit::CatalogSectionsEdit(const Paths &paths) : m_paths(paths)
{
    m_work = paths.TempFolder() + QStringLiteral("Catalog.ini");
    QFile::remove(m_work);
    const QString catalog = paths.CatalogIniFile();
    if (QFileInfo::exists(catalog) && !QFile::copy(catalog, m_work))
        throw Error(u("Ошибка копирования файла \"%1\".").arg(QDir::toNativeSeparators(catalog)));
    m_ini = std::make_unique<TIniFile>(m_work);
}

CatalogSectionsEdit::~CatalogSectionsEdit()
{
    m_ini.reset();
    QFile::remove(m_work);
}

QList<CatalogSectionsEdit::Line> CatalogSectionsEdit::Sections() const
{
    QList<Line> out;
    for (const QString &key : m_ini->ReadSection(QStringLiteral("Sections")))
        out << Line{key, m_ini->ReadString(QStringLiteral("Sections"), key, QString())};
    return out;
}

QString CatalogSectionsEdit::Add(const QString &name)
{
    QList<int> used;
    for (const QString &key : m_ini->ReadSection(QStringLiteral("Sections"))) used << key.toInt();
    int n = 1;
    while (used.contains(n)) ++n;
    m_ini->WriteString(QStringLiteral("Sections"), QString::number(n), name);
    m_changed = true;
    return QString::number(n);
}

void CatalogSectionsEdit::Rename(const QString &number, const QString &name)
{
    m_ini->WriteString(QStringLiteral("Sections"), number, name);
    m_changed = true;
}

void CatalogSectionsEdit::Delete(const QString &number)
{
    for (const QString &key : m_ini->ReadSection(number + QLatin1Char('_'))) {
        const QString stem = m_ini->ReadString(number + QLatin1Char('_'), key, QString());
        if (!stem.isEmpty()) m_deletedStems << stem;
    }
    m_deleted << number;
    m_ini->DeleteKey(QStringLiteral("Sections"), number);
    for (const QString &suffix : {QString(), QStringLiteral("_"), QStringLiteral("_c")})
        m_ini->EraseSection(number + suffix);
    m_changed = true;
}

void CatalogSectionsEdit::Save()
{
    TIniFile catalog(m_paths.CatalogIniFile());
    // The section is replaced whole, and the sections of deleted entries go
    // with them, so no stale entry stays behind.
    catalog.Update([&] {
        for (const QString &number : m_deleted)
            for (const QString &suffix : {QString(), QStringLiteral("_"), QStringLiteral("_c")})
                catalog.EraseSection(number + suffix);
        catalog.EraseSection(QStringLiteral("Sections"));
        for (const Line &l : Sections()) catalog.WriteString(QStringLiteral("Sections"), l.number, l.name);
    });
    for (const QString &stem : m_deletedStems) {
        try {
            DeleteTableFile(ModelTablePath(m_paths, stem));
        } catch (...) {   // a table already gone is no failure of the save
        }
    }
    m_deleted.clear();
    m_deletedStems.clear();
    m_changed = false;
}

} // namespace kv

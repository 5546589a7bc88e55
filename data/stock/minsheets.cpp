#include "data/stock/minsheets.h"

#include "data/materials/materials.h"
#include "data/matoptions.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/copytable.h"
#include "platform/db/query.h"
#include "platform/error.h"

#include <QFileInfo>

#include <cmath>
#include <map>
#include <utility>

namespace kv {

namespace {

qint64 whole(const Field *f)
{
    if (!f || f->IsNull()) return 0;
    const double v = f->AsFloat();
    return std::isfinite(v) ? qint64(std::nearbyint(v)) : 0;
}

} // namespace

bool HasMaterialOptions(int code)
{
    return code != kAllMaterialsCode;
}

int GetMinSheets(const Settings &settings, int code)
{
    if (!HasMaterialOptions(code)) return 0;
    return UnpackWHSettings(settings.Ini(), MaterialSection(code));
}

void SetMinSheets(Settings &settings, int code, int minimum)
{
    if (!HasMaterialOptions(code)) return;
    PackWHSettings(settings.Ini(), MaterialSection(code), minimum);
}

QList<StdSheetRow> StdSheetsOfMaterial(const QString &sheetsTable, int code)
{
    QList<StdSheetRow> rows;
    Query q;
    q.SetSQL(QStringLiteral("select * from %1 a where a.\"Code\"=:Code").arg(Query::QuotePath(sheetsTable)));
    q.SetParam(QStringLiteral("Code"), code);
    q.Open();
    Field *l = q.FieldByName(QStringLiteral("Length"));
    Field *w = q.FieldByName(QStringLiteral("Width"));
    Field *m = q.FieldByName(QStringLiteral("Many"));
    for (q.First(); !q.Eof(); q.Next()) rows.append({whole(l), whole(w), whole(m)});
    return rows;
}

QStringList CheckStdSheetsLines(const MaterialsService &materials, const Settings &settings,
                                const QString &sheetsTable)
{
    QStringList lines;
    for (const MaterialItem &mat : materials.MaterialItems(false)) {
        const int minimum = GetMinSheets(settings, mat.code);
        if (minimum <= 0) continue;
        // One line per size: the stock of a size is every row of it together.
        std::vector<std::pair<std::pair<qint64, qint64>, qint64>> sizes;
        for (const StdSheetRow &r : StdSheetsOfMaterial(sheetsTable, mat.code)) {
            auto it = std::find_if(sizes.begin(), sizes.end(),
                                   [&](const auto &s) { return s.first == std::make_pair(r.length, r.width); });
            if (it == sizes.end()) sizes.push_back({{r.length, r.width}, r.quantity});
            else it->second += r.quantity;
        }
        bool any = false;
        for (const auto &s : sizes) {
            if (s.second >= minimum) continue;
            if (!any) lines << mat.name;
            any = true;
            lines << QStringLiteral("Лист %1 x %2, %3 шт. (из %4)")
                         .arg(s.first.first)
                         .arg(s.first.second)
                         .arg(s.second)
                         .arg(minimum);
        }
        if (any) lines << QString();
    }
    return lines;
}

QString MakeMinSheetsTable(const Paths &paths, const MaterialsService &materials, const Settings &settings)
{
    const QString table = Paths::FileIn(paths.SheetsFolder(), QStringLiteral("Quantity.dbf"));
    try {
        CopyTableFile(Paths::FileIn(paths.PatternFolder(), QStringLiteral("Quantity.dbf")), table);
        Query q;
        q.AddSQL(QStringLiteral("Select b.\"Code\", b.\"Material\" from %1 b").arg(Query::QuotePath(materials.MaterialsTable())));
        q.AddSQL(QStringLiteral("Order By b.\"Material\""));
        q.Open();
        Field *code = q.FieldByName(QStringLiteral("Code"));
        Field *name = q.FieldByName(QStringLiteral("Material"));
        const QString insert = QStringLiteral("Insert into %1 Values(?, ?, ?)").arg(Query::QuotePath(table));
        for (q.First(); !q.Eof(); q.Next()) {
            const int c = int(whole(code));
            if (!HasMaterialOptions(c)) continue;
            Query::Exec(insert, {c, name->AsString(), GetMinSheets(settings, c)});
        }
    } catch (const std::exception &e) {
        const QString why = dynamic_cast<const Error *>(&e) ? static_cast<const Error &>(e).message()
                                                           : QString::fromUtf8(e.what());
        throw Error(QString::fromUtf8(minsheetstext::ReadFailed) + QLatin1Char('\r') + why);
    }
    return table;
}

void StoreMinSheetsTable(const QString &table, Settings &settings)
{
    try {
        Query q;
        q.SetSQL(QStringLiteral("Select * from %1 q").arg(Query::QuotePath(table)));
        q.Open();
        Field *code = q.FieldByName(QStringLiteral("Material"));
        Field *quantity = q.FieldByName(QStringLiteral("Quantity"));
        for (q.First(); !q.Eof(); q.Next()) {
            const qint64 v = whole(quantity);
            SetMinSheets(settings, int(whole(code)), int(std::clamp<qint64>(v, 0, 2147483647)));
        }
    } catch (const std::exception &e) {
        const QString why = dynamic_cast<const Error *>(&e) ? static_cast<const Error &>(e).message()
                                                           : QString::fromUtf8(e.what());
        throw Error(QString::fromUtf8(minsheetstext::WriteFailed) + QLatin1Char('\r') + why);
    }
}

} // namespace kv

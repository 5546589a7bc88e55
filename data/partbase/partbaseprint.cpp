#include "data/partbase/partbaseprint.h"

#include "data/settings.h"
#include "platform/db/query.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace kv {

QString PartBasePrintSql(const QString &partsCopy, const QString &materialsTable, int filter)
{
    // A left join: a part whose material left the materials base still
    // prints, so the printed totals equal the printed rows.
    QString sql = QStringLiteral("select a.*, coalesce(m.\"Material\", '%1') as MatName from %2 a left join %3 m ")
                      .arg(kUnknownMaterial, Query::QuotePath(partsCopy), Query::QuotePath(materialsTable));
    sql += QStringLiteral("on a.\"Material\"=m.\"Code\" ");
    if (filter != PartBaseDocument::kAllMaterials) sql += QStringLiteral("where a.\"Material\"=%1 ").arg(filter);
    sql += QStringLiteral("order by MatName, a.\"Name\"");
    return sql;
}

QString FreePrintCopy(const QString &tempFolder)
{
    const QDir dir(tempFolder);
    for (int n = 0;; ++n) {
        const QString name = QStringLiteral("prn%1.dbf").arg(n);
        if (!QFileInfo::exists(dir.filePath(name))) return dir.filePath(name);
    }
}

int ReportMargin(int mm)
{
    return int(std::lround(mm / 5.0 * 18.0));
}

QString DetalBordersText(int firstCode, int secondCode, const std::function<QString(int code)> &nameOf)
{
    QStringList names;
    for (int code : {firstCode, secondCode}) {
        const QString n = nameOf ? nameOf(code) : QString();
        if (!n.isEmpty()) names << n;
    }
    return names.join(QLatin1Char('\r'));
}

QString BordersVariable(const QMap<int, qint64> &edgeByCode, const std::function<QString(int code)> &nameOf,
                        const QList<int> &order)
{
    QList<int> codes = order;
    for (auto it = edgeByCode.constBegin(); it != edgeByCode.constEnd(); ++it)
        if (!codes.contains(it.key())) codes << it.key();
    QStringList lines;
    for (int code : codes) {
        if (code == 0 || !edgeByCode.contains(code)) continue;
        const QString name = nameOf ? nameOf(code) : QString();
        if (name.isEmpty()) continue;
        lines << name + QStringLiteral(": ") + FormatLength(double(edgeByCode.value(code)) / 1000.0) +
                     QStringLiteral(" м");
    }
    if (lines.isEmpty()) return QString();
    lines.prepend(QStringLiteral("\rКромки: "));
    return lines.join(QStringLiteral("\r"));
}

PartBaseTotalsText FormatTotals(const PartBaseTotals &t)
{
    return {QString::number(t.quantity), FormatSquare(double(t.areaMm2) / 1e6),
            FormatLength(double(t.perimeterMm) / 1000.0), FormatLength(double(t.edgeMm) / 1000.0)};
}

QList<QPair<QString, QString>> PartBaseReportVariables(const QString &caption, const PartBaseTotals &totals,
                                                       const QString &bordersText)
{
    const PartBaseTotalsText t = FormatTotals(totals);
    return {
        {QStringLiteral("BASENAME"), caption},
        {QStringLiteral("QUANTITY"), t.quantity + QStringLiteral(" шт")},
        {QStringLiteral("SQUARE"), t.square + QStringLiteral(" кв м")},
        {QStringLiteral("PERIMETR"), t.perimeter + QStringLiteral(" м")},
        {QStringLiteral("BORDERLEN"), t.edge + QStringLiteral(" м")},
        {QStringLiteral("BORDERS"), bordersText},
        {QStringLiteral("Arr_RotateArray_0"), PartBaseDocument::GetRotateName(0)},
        {QStringLiteral("Arr_RotateArray_1"), PartBaseDocument::GetRotateName(1)},
        {QStringLiteral("Arr_RotateArray_2"), PartBaseDocument::GetRotateName(2)},
    };
}

} // namespace kv

#pragma once
// What printing a part base needs besides the report itself: the print
// query, the free name of the temporary copy, the page margins in report
// units, the report variables and the edge texts of one printed part.
#include "data/partbase/partbasedoc.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

namespace kv {

// The material group of parts whose material is not in the materials base.
inline const QString kUnknownMaterial = QStringLiteral("<не определен>");

// The print query over the temporary copy and the materials table: every
// part of the copy, those of an unknown material under kUnknownMaterial,
// ordered by material name and part code; filter 999 takes every material.
QString PartBasePrintSql(const QString &partsCopy, const QString &materialsTable, int filter);
// The first "prn<n>.dbf" (n = 0, 1, ...) that does not exist in the folder.
QString FreePrintCopy(const QString &tempFolder);
// Millimetres of the page margins in report units: the nearest whole number to mm / 5 x 18.
int ReportMargin(int mm);
// DETAL_BORDERS1 / DETAL_BORDERS2: the names of two edges joined by "\r"
// (first one first); only codes with a name count.
QString DetalBordersText(int firstCode, int secondCode, const std::function<QString(int code)> &nameOf);
// BORDERS: "\r" "Кромки: " and one line per code with a name (code 0 left
// out): name, ": ", the length in metres and " м"; empty without lines.
QString BordersVariable(const QMap<int, qint64> &edgeByCode, const std::function<QString(int code)> &nameOf,
                        const QList<int> &order = {});

// The texts of the status bar and of the report variables.
struct PartBaseTotalsText
{
    QString quantity;    // "12"
    QString square;      // area with the area digits
    QString perimeter;   // metres with the length digits
    QString edge;        // metres with the length digits
};
PartBaseTotalsText FormatTotals(const PartBaseTotals &totals);
// BASENAME, QUANTITY, SQUARE, PERIMETR, BORDERLEN, BORDERS and the three
// rotation names "Arr_RotateArray_0..2", in that order.
QList<QPair<QString, QString>> PartBaseReportVariables(const QString &caption, const PartBaseTotals &totals,
                                                       const QString &bordersText);

} // namespace kv

#pragma once
// The spreadsheet export of a part base: title, statistics, the titles of
// the shown columns and one row per shown part.
#include "data/partbase/partbaseprint.h"
#include "platform/spreadsheet.h"

#include <QList>
#include <QString>

namespace kv {

class DataSet;

struct ExportColumn
{
    QString title;   // as the grid shows it
    QString field;   // the field of the data set
};

// Row 1 "База деталей" and the file name, row 3 "Статистика", rows 4 to 7
// the totals with their units, row 9 the column titles, from row 10 the
// records of `ds` as shown (from its first; its position is kept).
void ExportPartBase(SpreadsheetSink &sheet, const QString &fileName, const PartBaseTotalsText &totals,
                    const QList<ExportColumn> &columns, DataSet &ds);
// "Export\<name>.xlsx" for a part base's caption name (its file's base
// name; "База деталей" while untitled); when that file exists, the first
// free "<name> (n).xlsx" from n = 1.
QString ExportFileFor(const QString &exportFolder, const QString &captionName);

} // namespace kv

#include "data/partbase/partbaseexport.h"

#include "platform/db/dataset.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

void ExportPartBase(SpreadsheetSink &sheet, const QString &fileName, const PartBaseTotalsText &totals,
                    const QList<ExportColumn> &columns, DataSet &ds)
{
    sheet.SetCell(1, 1, QStringLiteral("База деталей"));
    sheet.SetCell(1, 2, fileName);
    sheet.SetCell(3, 1, QStringLiteral("Статистика"));
    const QString labels[4] = {QStringLiteral("Количество: "), QStringLiteral("Площадь: "),
                               QStringLiteral("Периметр: "), QStringLiteral("Кромка: ")};
    const QString values[4] = {totals.quantity, totals.square, totals.perimeter, totals.edge};
    const QString units[4] = {QStringLiteral("шт"), QStringLiteral("кв м"), QStringLiteral("м"), QStringLiteral("м")};
    for (int i = 0; i < 4; ++i) {
        sheet.SetCell(4 + i, 1, labels[i]);
        sheet.SetCell(4 + i, 2, values[i]);
        sheet.SetCell(4 + i, 3, units[i]);
    }
    QList<Field *> fields;
    for (int c = 0; c < columns.size(); ++c) {
        sheet.SetCell(9, c + 1, columns[c].title);
        fields << ds.FieldByName(columns[c].field);
    }
    DataSet::ControlsLock lock(ds);
    const Bookmark mark = ds.GetBookmark();
    try {
        int row = 10;
        for (ds.First(); !ds.Eof(); ds.Next(), ++row)
            for (int c = 0; c < fields.size(); ++c) sheet.SetCell(row, c + 1, fields[c]->DisplayText());
    } catch (...) {
        if (mark && ds.BookmarkValid(mark)) ds.GotoBookmark(mark);
        throw;
    }
    if (mark && ds.BookmarkValid(mark)) ds.GotoBookmark(mark);
}

QString ExportFileFor(const QString &exportFolder, const QString &captionName)
{
    QString base = QFileInfo(captionName).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("База деталей");
    return QDir(exportFolder).filePath(base + QStringLiteral(".xlsx"));
}

} // namespace kv

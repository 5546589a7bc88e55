#include "data/partbase/partbaseexport.h"

#include "platform/db/dataset.h"
#include "platform/error.h"
#include "platform/strutils.h"

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
    // Every export is a new spreadsheet: an earlier one is never replaced.
    QString name = base + QStringLiteral(".xlsx");
    // Names are compared as the numbered ones are: without regard to case.
    const QStringList taken = QDir(exportFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    if (taken.contains(name, Qt::CaseInsensitive)) {
        QString pattern = base;
        pattern.replace(QLatin1Char('%'), QStringLiteral("%%"));
        name = FindFreeFileName(exportFolder, pattern + QStringLiteral(" (%d).xlsx"), kFindFreeFileNameTries, 1);
        if (name.isEmpty())
            throw Error(QStringLiteral("Не удаётся подобрать имя нового файла в папке \"%1\".")
                            .arg(QDir::toNativeSeparators(exportFolder)));
    }
    return QDir(exportFolder).filePath(name);
}

} // namespace kv

#pragma once
// Every table layout the program creates: the stock tables of "Sheets\"
// (standard sheets, off-cuts, materials, edge banding, minimum quantities)
// and the parts table "Group.dbf". The empty templates of "Pattern\" are
// written from here at first start; the program ships no table made
// elsewhere.
#include "platform/db/dbffile.h"

#include <QList>
#include <QString>

namespace kv {

struct TableSchema
{
    QString fileName;          // "Sheets.dbf"
    QList<DbfField> fields;
};

const QList<TableSchema> &tableSchemas();
// The layout of a template by its file name (case-insensitive); null when none.
const TableSchema *findTableSchema(const QString &fileName);
// Writes every template missing from the folder (which is created when
// needed); returns the names written. Raises when a file cannot be written.
QStringList writeMissingTemplates(const QString &patternFolder);

} // namespace kv

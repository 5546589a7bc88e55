#pragma once
// Copies of tables. CopyTable is the one table copy of the database engine;
// the file routines below are what the program uses to copy templates over
// working copies, save working copies over live tables, rename and delete
// tables. Every copy goes through a temporary file and a rename, and the
// shared store of the destination is told, so open cursors and statements
// see the new contents.
#include <QString>

namespace kv {

class Table;

// Copies the table's file under destName (a bare name lands in the table's
// folder); an existing destination is replaced only with overwrite. Opens a
// closed table for the copy and leaves it as it was. Raises on failure.
void CopyTable(Table &table, const QString &destName, bool overwrite);

// File-level operations on dBASE tables (overwriting the destination).
void CopyTableFile(const QString &from, const QString &to);
void RenameTableFile(const QString &from, const QString &to);
void DeleteTableFile(const QString &path);   // no error when it is missing

} // namespace kv

#pragma once
// The few differences between the program's SQL texts and what SQLite reads:
// - a double-quoted table path becomes the name the caller gives for it;
// - "Update "path" a Set" and "Delete from "path" a" get "AS" before the alias;
// - "a."Field"=" on the left of Set loses its alias;
// - a 'dd.mm.yyyy' literal becomes 'yyyy-mm-dd' (how D columns appear);
// - "/" divides as decimals ("*1.0/"), whole-number columns included.
// Carriage returns are white space to both.
#include <QString>

#include <functional>

namespace kv {

// True for a double-quoted name that is a table path (holds a slash or a
// backslash, or ends with ".dbf").
bool looksLikeTablePath(const QString &quotedContent);

// Rewrites sql; tableName(path) gives the identifier (unquoted) to put in
// place of each quoted table path.
QString rewriteSql(const QString &sql, const std::function<QString(const QString &path)> &tableName);

// A path as it goes into a statement: in double quotes, inner quotes doubled.
QString quoteTablePath(const QString &path);

} // namespace kv

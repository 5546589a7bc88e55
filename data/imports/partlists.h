#pragma once
// Part lists from outside: version 1.x lists (".de1"), version 2.x headers
// with a parts table (".det"), tab-separated text (".txt", also written),
// designer-module files (".dkm"). Every reader is bounded: a damaged or
// hostile file gives kv::Error with the message to show, or skips the line,
// never a crash, a hang or an unbounded allocation.
#include "engine/model.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace kv {

class DataSet;

// One record of a parts table, in the table's column order.
struct ImportedPart
{
    QString Name;
    int Length = 0, Width = 0, Many = 0, Rotate = 0;
    int LBorder = 0, RBorder = 0, TBorder = 0, BBorder = 0;
    int Material = 0;
    QVariantList Values() const;
    bool operator==(const ImportedPart &o) const = default;
};

// Files larger than this are refused before reading.
inline constexpr qint64 kMaxImportFileSize = 64LL * 1024 * 1024;

// --- version 1.x ----------------------------------------------------------------
// "((\"code\" length width rotation quantity) ...)": the parts in order, the
// version 1 rotation mapped (0 -> 1, 1 -> 0, 2 -> 2; other codes -> 0).
// Raises kv::Error on a malformed line.
void ParseOldDetals(engine::TDetalsList &parts, const QString &line);
// The first line of a file (bounded).
QString ReadFirstLine(const QString &path);

// --- version 2.x ----------------------------------------------------------------
struct DetHeader
{
    QString Table;         // the header's folder + FName (a file name only)
    int VersionHi = 2, VersionLo = 0;
    int Code = 0;
    // Above 2.0 the edges hold codes; up to 2.0 they are logical. Compared as
    // (major, minor) pairs: 2.10 is later than 2.9.
    bool CodeEdges() const { return VersionAbove(2, 0); }
    bool VersionAbove(int hi, int lo) const { return VersionHi != hi ? VersionHi > hi : VersionLo > lo; }
};
DetHeader ReadDetHeader(const QString &path);
// The records of a version 2.x parts table with the chosen material; logical
// edges become `defaultEdge` or 0, codes are copied.
QList<ImportedPart> ReadDetTable(const DetHeader &header, int material, int defaultEdge);

// --- tab-separated text ------------------------------------------------------------
struct TextRowDefaults
{
    int Rotate = 0;        // when the rotation is not a number
    int Edge = 0;          // for an edge marked banded
};
ImportedPart ParseTextRow(const QString &line, QChar separator, int material, const TextRowDefaults &defaults);
// Every line of the file; a failure of reading after some lines keeps them in
// `parts` and raises "Ошибка импорта данных!". A file with NUL bytes or other
// control characters than TAB, CR and LF is not text: it raises that message
// with nothing read. A list in the shape the export writes is read as cp1251
// (as it was written); another is UTF-8 with a byte-order mark, or when it is
// valid UTF-8 with non-ASCII bytes, else cp1251.
void ReadTextFile(const QString &path, int material, const TextRowDefaults &defaults, QList<ImportedPart> &parts);
// The line of a record (code, length, width, quantity, rotation, four edges
// as "0"/"1"); empty when a field holds a TAB, CR, LF or another control
// character, which the format cannot carry.
QString TextRowOf(const ImportedPart &part);
// Writes the rows in order (CR LF after each) through a temporary file and
// returns the 1-based numbers of the rows refused; raises
// "Ошибка экспорта данных!" when the file cannot be written.
QList<int> WriteTextFile(const QString &path, const QList<ImportedPart> &parts);

// --- designer module -------------------------------------------------------------
// One part per section in section order; edges none.
QList<ImportedPart> ReadDesignerFile(const QString &path, int defaultRotate);

// --- command line ---------------------------------------------------------------
// A command-line parameter names a part-base document to open: the file
// exists and its extension is exactly ".kdx" (".KDX" is not opened).
bool IsCommandLineGroupFile(const QString &parameter);

// --- parts tables ---------------------------------------------------------------
// The records of a parts data set from its first row (position kept).
QList<ImportedPart> ReadParts(DataSet &table);
// How far a long append has come: parts done of the total.
using PartsProgress = std::function<void(int done, int total)>;
// Appends the parts to an open parts data set; returns the number of parts
// that could not be inserted (each failed record is cancelled). `progress`
// hears every thousand parts and the end.
int AppendParts(DataSet &table, const QList<ImportedPart> &parts, const PartsProgress &progress = {});

} // namespace kv

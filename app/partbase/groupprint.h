#pragma once
// Printing and spreadsheet export of a part-base window.
#include "platform/spreadsheet.h"

#include <QString>

class TExDBGrid;
class TfrmRaskroyGroup;

struct GroupPrinting
{
    // The list ("Group2") or grouped ("Group") layout, with edge banding when
    // [Default] PrintDetalBorders is on; the preview follows.
    static void PrintPartBase(TfrmRaskroyGroup &w, bool grouped);
    static void PrintModelsList(TfrmRaskroyGroup &w);
    // Writes "Export\<name>.xlsx" from the grid's shown columns and rows
    // (into `sink` when given, instead of the file) and opens it; returns
    // the path (empty when there was nothing to export).
    static QString ExportToSpreadsheet(TfrmRaskroyGroup &w, TExDBGrid &grid, kv::SpreadsheetSink *sink = nullptr);
};

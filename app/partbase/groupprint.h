#pragma once
// Printing and spreadsheet export of a part-base window.
#include "platform/spreadsheet.h"

#include <QString>

#include <functional>
#include <memory>

class TExDBGrid;
class TfrmRaskroyGroup;
class TrpReport;

struct GroupPrinting
{
    // The list ("Group2") or grouped ("Group") layout, with edge banding when
    // [Default] PrintDetalBorders is on; the preview follows.
    static void PrintPartBase(TfrmRaskroyGroup &w, bool grouped);
    static void PrintModelsList(TfrmRaskroyGroup &w);
    // Writes "Export\<name>.xlsx" from the grid's shown columns and rows and
    // opens it; returns the path (empty when there was nothing to export).
    static QString ExportToSpreadsheet(TfrmRaskroyGroup &w, TExDBGrid &grid);

    // Tests: the prepared report instead of the preview; the sheet instead
    // of the file; the opening of the file.
    static std::function<void(TrpReport &)> PreviewHook;
    static std::function<std::unique_ptr<kv::SpreadsheetSink>(const QString &path)> SpreadsheetFactory;
    static std::function<bool(const QString &path)> OpenHook;
};

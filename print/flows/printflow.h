#pragma once
// What the print windows share: the program's folder and settings with the
// look-ups, how their modal dialogs run (the program hands them to its own
// modal runner, tests answer them through it) and how a built report reaches
// the preview.
#include "print/stats/sums.h"

#include <QString>

#include <functional>

class QDialog;
class QObject;
class TrpReport;

namespace kv {

class Paths;
class Settings;

struct PrintContext
{
    Paths &paths;
    Settings &settings;
    StatLookups lookups;
};

// Every modal dialog of printing runs through this; the hook gets the
// dialog ready to show and returns its result. Empty: exec().
using PrintModalHook = std::function<int(QDialog &dialog)>;
PrintModalHook SetPrintModalHook(PrintModalHook hook);
int RunPrintModal(QDialog &dialog);

// Instead of the preview, tests get the report ready to be built.
using PreparedReportHook = std::function<void(TrpReport &report)>;
PreparedReportHook SetPreparedReportHook(PreparedReportHook hook);

// Loads "Reports\<name>"; raises the user's message when it cannot be read.
void LoadReportTemplate(TrpReport &report, const Paths &paths, const QString &name);
// The first page: landscape when the printer is (and `followPrinter`), and
// the margins in millimetres (left, right, top, bottom).
void SetReportPage(TrpReport &report, const int marginsMm[4], bool followPrinter);
// The margins of [PageParams] (left, right, top, bottom).
void PageMargins(const Settings &settings, int marginsMm[4]);
// Builds the report and shows the preview (or hands it to the hook).
void PreviewReport(TrpReport &report);

// The export filters a report's window holds: the preview's save list offers
// them, in this order, while they live; they go with `owner`.
//   Statistics: RTF (1.3 wide), CSV (";"), HTML, text, none asking for options;
//   PartBase: RTF (1.3 wide, 1.0 high) without options, then CSV, text, HTML.
enum class ReportExports { Statistics, PartBase };
void CreateExportFilters(QObject *owner, ReportExports which);

} // namespace kv

#pragma once
// What the statistics, edge-banding and label windows share: the program's
// folder and settings with the look-ups, how their modal dialogs run (tests
// answer them through a hook) and how a built report reaches the preview.
#include "print/stats/sums.h"

#include <QString>

#include <functional>

class QDialog;
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

// Modal dialogs of the print windows run through this; the hook gets the
// dialog ready to show and returns its result. Empty: shown for real.
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

} // namespace kv

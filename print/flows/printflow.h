#pragma once
// What the print windows share: the program's folder and settings with the
// look-ups and the UI service their dialogs, boxes and previews go through
// (the program's own, or a test's fake), and how a report reaches the preview.
#include "print/stats/sums.h"

#include <QString>

#include <functional>

class QObject;
class TrpPage;
class TrpReport;

namespace kv {

class Paths;
class Settings;
class Ui;

struct PrintContext
{
    Paths &paths;
    Settings &settings;
    StatLookups lookups;
    Ui &ui;
};

// Connects the report to `ui` (its failures, the password prompt, the
// scripts' dialogs) and loads "Reports\<name>". Raises the user's message
// when the file is missing; false when the template did not load (the user
// was told why, or cancelled its password prompt).
[[nodiscard]] bool LoadReportTemplate(Ui &ui, TrpReport &report, const Paths &paths, const QString &name,
                                      QWidget *parent = nullptr);
// The first page: landscape when the printer is (and `followPrinter`), and
// the margins in millimetres (left, right, top, bottom).
void SetReportPage(TrpReport &report, const int marginsMm[4], bool followPrinter);
// The margins of [PageParams] (left, right, top, bottom).
void PageMargins(const Settings &settings, int marginsMm[4]);
// A page's margins in millimetres (left, right, top, bottom). The page's
// objects are built where the template put them, moved by the change of the
// margins, as its bands move with the top margin.
void SetPageMargins(TrpPage &page, const int marginsMm[4]);
void SetPageMargins(TrpPage &page, const Settings &settings);
// The report, ready to be built, to its preview through `ui`; false when it
// could not be built (the report said why).
bool PreviewReport(Ui &ui, TrpReport &report);

// The export filters a report's window holds: the preview's save list offers
// them, in this order, while they live; they go with `owner`.
//   Statistics: RTF (1.3 wide), CSV (";"), HTML, text, none asking for options;
//   PartBase: RTF (1.3 wide, 1.0 high) without options, then CSV, text, HTML.
enum class ReportExports { Statistics, PartBase };
void CreateExportFilters(QObject *owner, ReportExports which);

} // namespace kv

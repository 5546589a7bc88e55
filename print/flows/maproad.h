#pragma once
// The road from a results window's print action to the printed cutting
// maps: the print settings dialog, the template "Reports\RskMaps.rpf",
// variables, orientation, margins and styles, then the engine's preview
// (from which the user prints, saves as PDF or exports).
#include "print/flows/mapprint.h"

#include <functional>

class QWidget;
class TrpReport;

namespace kv {
class Settings;
class Ui;

struct MapPrintRequest
{
    const MapDocument *doc = nullptr;
    int activeTab = 0;
    Settings *settings = nullptr;
    QString reportsFolder;
    MapPrintLookups lookups;
    QWidget *parent = nullptr;
    // The print settings dialog, the boxes and the preview go through it.
    Ui *ui = nullptr;
};

// The results window's print action. Failures are shown, never thrown;
// false when nothing was built (cancelled, nothing to print, an error).
bool PrintCuttingMaps(const MapPrintRequest &request);
// From the confirmed choices on: template, variables, page, styles, and the
// report to its preview; false when it could not be built (the report said
// why). Raises kv::Error.
bool PrintMapsReport(TMapsPrinter &printer, const MapPrintRequest &request);

} // namespace kv

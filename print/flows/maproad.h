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

// Instead of the preview, tests get the report once it is built.
using MapPreviewHook = std::function<void(TrpReport &)>;
MapPreviewHook SetMapPreviewHook(MapPreviewHook hook);

struct MapPrintRequest
{
    const MapDocument *doc = nullptr;
    int activeTab = 0;
    Settings *settings = nullptr;
    QString reportsFolder;
    MapPrintLookups lookups;
    QWidget *parent = nullptr;
};

// The results window's print action. Failures are shown, never thrown;
// false when nothing was built (cancelled, nothing to print, an error).
bool PrintCuttingMaps(const MapPrintRequest &request);
// From the confirmed choices on: template, variables, page, styles, the
// build and the preview (or the test hook). Raises kv::Error.
void PrintMapsReport(TMapsPrinter &printer, const MapPrintRequest &request);

} // namespace kv

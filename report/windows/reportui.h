#pragma once
// A report reaches the user through the UI service of the window that shows
// it: its failures (a template that does not load, a damaged object, a build
// or script error) as message boxes under "Error", the password prompt of
// protected templates, and the INPUT and MESSAGEBOX dialogs of its scripts.
// Every report road of the program connects its report this way before it
// loads the template.
#include <QString>

class QWidget;
class TrpReport;
namespace kv {
class Ui;
}

void rpConnectUi(TrpReport &report, kv::Ui &ui, QWidget *parent = nullptr);

enum class TrpLoadResult {
    Loaded,    // the template was taken whole
    Missing,   // no such file: the report is unchanged, nothing was said
    Failed     // not taken: the user was told why (or cancelled the password prompt)
};

// Loads a template file into a report connected by rpConnectUi. A template
// that loads only in part (damaged objects, components this program does not
// have) counts as failed: what it would print is not what it was made for.
// A wrong password is said here; the engine only empties the report.
TrpLoadResult rpLoadTemplate(TrpReport &report, const QString &fileName);

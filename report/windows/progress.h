#pragma once
// The modal window in which reports are built, printed and exported: two
// lines of progress and Cancel.
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

class TrpProgressForm : public QDialog
{
    Q_OBJECT
public:
    explicit TrpProgressForm(QWidget *parent = nullptr);

    QLabel *Label1, *Label2;
    QPushButton *Button1;

    // Shows the window modally and runs `work` from inside its modal loop;
    // the work updates the labels and lets events through (SetLine does
    // both). Cancel calls `cancel` (which sets the report's stop flag) and
    // ends the window with Rejected; the work ends at its next check of that
    // flag. Returns Accepted when the work ended without Cancel.
    int ShowForWork(const std::function<void()> &work, const std::function<void()> &cancel);
    bool Cancelled() const { return m_cancelled; }

    // Sets the first line and lets pending events through.
    void SetLine(const QString &text);

public slots:
    void Button1Click();

private:
    std::function<void()> m_cancel;
    bool m_cancelled = false;
    bool m_running = false;
};

// The progress window in which the current work runs (nullptr when none).
TrpProgressForm *rpCurrentProgressForm();

// Builds a report inside the progress window (caption "Preparing report",
// with " - " and the title when there is one) unless it reports progress by
// OnProgress or ShowProgress is off; Cancel stops the build.
class QPrinter;
class TrpExportFilter;
class TrpReport;
struct TrpPrintOptions;
bool rpPrepareWithProgress(TrpReport &report);
// Prints the prepared pages inside the progress window ("Printing page:" and
// the page number); Cancel aborts the print job. The sheets printed.
int rpPrintWithProgress(TrpReport &report, QPrinter &printer, const TrpPrintOptions &options);
// Exports the prepared pages inside the progress window ("Processing page:",
// the number, "from" and the page count) after the filter's own dialog;
// Cancel leaves no file (an old one stays as it was). True when written.
bool rpExportWithProgress(TrpReport &report, TrpExportFilter &filter, const QString &fileName,
                          QWidget *parent = nullptr);


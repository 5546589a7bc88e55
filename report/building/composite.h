#pragma once
// Several reports built one after another into one set of prepared pages, so
// they are previewed, printed and exported as one document; with a data
// source the whole sequence repeats once per record.
#include <QList>
#include <QPointer>

#include "report/building/report.h"

class TrpCompositeReport : public TrpReport
{
public:
    explicit TrpCompositeReport(QObject *owner = nullptr);

    // The reports to build, in order (not owned).
    QList<TrpReport *> Reports;

    // Builds every member into this report's prepared pages. Page numbers run
    // on through the document ("PAGE#"); with DoublePassReport "TOTALPAGES"
    // is the page count of the whole document. False when nothing was built,
    // a member failed or the build was stopped (the pages are cleared then).
    bool Prepare();
    void Show() { if (Prepare()) ShowPrepared(); }
    // Stops the build after the member being built (the progress window's Cancel).
    void Cancel() { m_cancelled = true; }
    // Number of member builds of the last Prepare, in order (tests, progress).
    QList<int> BuildOrder;

private:
    bool m_cancelled = false;
    bool buildRound(bool keep, int &pageOffset, int totalPages, QList<QByteArray> &pages, QString &printer);
};

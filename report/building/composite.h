#pragma once
// Several reports built one after another into one set of prepared pages, so
// they are previewed, printed and exported as one document; with a data
// source the whole sequence repeats once per record.
#include <QList>

#include "report/building/report.h"

class TrpCompositeReport : public TrpReport
{
public:
    explicit TrpCompositeReport(QObject *owner = nullptr);

    // The reports to build, in order (not owned).
    QList<TrpReport *> Reports;

    // Builds every member into this report's prepared pages. One page counter
    // runs through the document ("PAGE#"); with DoublePassReport "TOTALPAGES"
    // is the page count of the whole document. A member whose first page
    // prints to the previous page goes on on the last page of the member
    // before it when the paper is the same. False when nothing was built, a
    // member failed or the build was stopped (the pages are cleared then).
    bool Prepare() override;
    // Stops the build (the progress window's Cancel); the member being built stops too.
    void Cancel() { Stop(); }
    // Indexes of the member builds of the last Prepare, in order (tests, progress).
    QList<int> BuildOrder;

protected:
    void BuildPages() override;
};

#pragma once
// The program's report templates ("Reports\*.rpf"), each described in our
// own code. At start-up every template missing from the program folder is
// written there, as the empty tables of "Pattern\" are; a template a user
// has changed is left as it is.
//
// A new template: write its description (a function that fills a report,
// see reportkit.h) and add one line to the list in reports.cpp.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class TrpReportBase;

namespace kv {

struct ReportTemplate
{
    QString fileName;                                // "Group.rpf"
    std::function<void(TrpReportBase &)> describe;   // fills the report's pages
};

const QList<ReportTemplate> &reportTemplates();
// The description of a template by its file name (without regard to case); null when none.
const ReportTemplate *findReportTemplate(const QString &fileName);
// Writes every template missing from `reportsFolder` (made when needed);
// returns the file names written. Raises kv::Error when one cannot be written.
QStringList WriteMissingReports(const QString &reportsFolder);

} // namespace kv

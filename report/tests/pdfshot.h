#pragma once
// Prepared pages printed into a PDF file for a person to look at, only when
// KV_REPORT_PDF names a folder: the file is that folder, the name and ".pdf".
#include <QPrinter>
#include <QString>

#include "report/building/report.h"

inline void rpLookAtPdf(TrpReport &report, const QString &name)
{
    if (!qEnvironmentVariableIsSet("KV_REPORT_PDF")) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(qEnvironmentVariable("KV_REPORT_PDF") + QLatin1Char('/') + name + QStringLiteral(".pdf"));
    report.PrintPrepared(printer, QString(), 1, true);
}

#include "resources/reports.h"

#include "platform/error.h"
#include "platform/text.h"
#include "report/building/report.h"
#include "resources/maps_reports.h"
#include "resources/partbase_reports.h"
#include "resources/stats_reports.h"
#include "resources/stock_reports.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

const QList<ReportTemplate> &reportTemplates()
{
    static const QList<ReportTemplate> all = {
        {QStringLiteral("Group.rpf"), [](TrpReportBase &r) { DescribePartBaseReport(r, true, false); }},
        {QStringLiteral("Group_brd.rpf"), [](TrpReportBase &r) { DescribePartBaseReport(r, true, true); }},
        {QStringLiteral("Group2.rpf"), [](TrpReportBase &r) { DescribePartBaseReport(r, false, false); }},
        {QStringLiteral("Group2_brd.rpf"), [](TrpReportBase &r) { DescribePartBaseReport(r, false, true); }},
        {QStringLiteral("ModelsList.rpf"), [](TrpReportBase &r) { DescribeModelsListReport(r); }},
        {QStringLiteral("StdSheets.rpf"), [](TrpReportBase &r) { DescribeStockListReport(r, false); }},
        {QStringLiteral("Scraps.rpf"), [](TrpReportBase &r) { DescribeStockListReport(r, true); }},
        {QStringLiteral("WareHouseInfo.rpf"), [](TrpReportBase &r) { DescribeWareHouseInfoReport(r); }},
        {QStringLiteral("RskMaps.rpf"), [](TrpReportBase &r) { DescribeMapsReport(r); }},
        {QStringLiteral("Statistic.rpf"), [](TrpReportBase &r) { DescribeStatisticReport(r); }},
        {QStringLiteral("ScrapsLbl.rpf"), [](TrpReportBase &r) { DescribeScrapsLabelReport(r); }},
        {QStringLiteral("ScrapsInfo.rpf"), [](TrpReportBase &r) { DescribeScrapsInfoReport(r); }},
    };
    return all;
}

const ReportTemplate *findReportTemplate(const QString &fileName)
{
    for (const ReportTemplate &t : reportTemplates())
        if (sameText(t.fileName, fileName)) return &t;
    return nullptr;
}

QStringList WriteMissingReports(const QString &reportsFolder)
{
    QStringList written;
    QDir dir(reportsFolder);
    if (!dir.exists() && !QDir().mkpath(reportsFolder))
        throw Error(QStringLiteral("Невозможно создать папку \"%1\".").arg(QDir::toNativeSeparators(reportsFolder)));
    const QStringList present = dir.entryList(QDir::Files);
    for (const ReportTemplate &t : reportTemplates()) {
        bool exists = false;
        for (const QString &name : present)
            if (sameText(name, t.fileName)) exists = true;
        if (exists) continue;
        TrpReport report;
        t.describe(report);
        report.SaveToFile(dir.filePath(t.fileName));
        written << t.fileName;
    }
    return written;
}

} // namespace kv

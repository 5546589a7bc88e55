#include "resources/stats_reports.h"

#include "report/building/band.h"
#include "resources/reportkit.h"

namespace kv {

namespace {

void title(ReportSketch &s, const QString &caption)
{
    s.Band(btReportTitle, QStringLiteral("ReportTitle1"), 48);
    s.Text({0, ReportSketch::kWidth}, caption, {14, true, rptaCenter}, 0, 26);
    s.Text({ReportSketch::kWidth - 160, 160}, QStringLiteral("[DATE]"), {8, false, rptaRight}, 30, 16);
}

void pageFooter(ReportSketch &s)
{
    s.Band(btPageFooter, QStringLiteral("PageFooter1"), 20);
    s.Text({ReportSketch::kWidth - 160, 160}, QStringLiteral("Стр. [PAGE#]"), {8, false, rptaRight});
}

} // namespace

void DescribeStatisticReport(TrpReportBase &report)
{
    ReportSketch s(report);
    title(s, QStringLiteral("Статистика"));
    // One section per map: its number and sheet, then its figures and banding.
    TrpBandView &data = s.Band(btMasterData, QStringLiteral("MasterData1"), 150, QStringLiteral("rpsrcStatistic"));
    data.Flags |= rpbfStretched;
    s.Text({0, 40}, QStringLiteral("[NUMBER]."), {10, true, rptaLeft}, 4, 20);
    s.Text({40, ReportSketch::kWidth - 40}, QStringLiteral("[SHEETINFO]"), {10, true, rptaLeft, 0, rpClNone, true}, 4, 36);
    TrpMemoView &figures = s.Text({40, ReportSketch::kWidth - 40},
                                  QStringLiteral("[LOSTSCRAP]\n[SCRAP]\n[TOTALSCRAP]\n[MILLLINESCOUNT]\n[MILLLINESLENGTH]\n[BORDERSLIST]"),
                                  {9, false, rptaLeft, 0, rpClNone, true}, 44, 100);
    figures.FrameTyp = rpftBottom;
    // The totals of the variant.
    TrpBandView &sum = s.Band(btReportSummary, QStringLiteral("ReportSummary1"), 150);
    sum.Flags |= rpbfStretched;
    s.Text({0, ReportSketch::kWidth}, QStringLiteral("Итого:"), {10, true, rptaLeft}, 8, 20);
    s.Text({40, ReportSketch::kWidth - 40}, QStringLiteral("[TOTALDATA]"), {9, false, rptaLeft, 0, rpClNone, true}, 30, 110);
    pageFooter(s);
}

void DescribeScrapsLabelReport(TrpReportBase &report)
{
    ReportSketch s(report);
    // 45 x 15 mm stickers, four across; the dialog sets size and columns.
    TrpBandView &data = s.Band(btMasterData, QStringLiteral("MasterData1"), 54, QStringLiteral("rpsrcLabels"));
    data.Columns = 4;
    data.ColumnWidth = 162;
    data.ColumnGap = 0;
    s.Text({0, 162}, QStringLiteral("[DATA]"), {10, false, rptaLeft, kAllFrames});
}

void DescribeScrapsInfoReport(TrpReportBase &report)
{
    ReportSketch s(report);
    title(s, QStringLiteral("Остатки и отходы по материалам"));
    const QList<Column> cols = columns({60, 324, 150, 150});
    TrpBandView &head = s.Band(btMasterHeader, QStringLiteral("MasterHeader1"), 34);
    head.Flags |= rpbfRepeatHeader;
    s.Row(cols, {QStringLiteral("Код"), QStringLiteral("Материал"), QStringLiteral("Полезный отход, кв м"),
                 QStringLiteral("Отход, кв м")},
          {9, true, rptaCenter | rptaMiddle, kAllFrames, kHeaderFill, true});
    s.Band(btMasterData, QStringLiteral("MasterData1"), 20, QStringLiteral("rpdsScrapsInfo"));
    const QStringList cells = {QStringLiteral("[CODE]"), QStringLiteral("[NAME]"), QStringLiteral("[SCRAPS]"),
                               QStringLiteral("[LOSTSCRAPS]")};
    for (int i = 0; i < cols.size(); ++i)
        s.Text(cols[i], cells[i], {9, false, (i == 0 ? rptaCenter : i == 1 ? rptaLeft : rptaRight) | rptaMiddle, kAllFrames});
    pageFooter(s);
}

} // namespace kv

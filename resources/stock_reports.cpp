#include "resources/stock_reports.h"

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

void header(ReportSketch &s, const QList<Column> &cols, const QStringList &heads)
{
    TrpBandView &head = s.Band(btMasterHeader, QStringLiteral("MasterHeader1"), 22);
    head.Flags |= rpbfRepeatHeader;
    s.Row(cols, heads, {9, true, rptaCenter | rptaMiddle, kAllFrames, kHeaderFill});
}

void data(ReportSketch &s, const QString &source, const QList<Column> &cols, const QStringList &cells,
          int leftAligned)
{
    s.Band(btMasterData, QStringLiteral("MasterData1"), 20, source);
    for (int i = 0; i < cols.size(); ++i) {
        const bool text = i < leftAligned;
        s.Text(cols[i], cells[i], {9, false, (text ? rptaLeft : rptaRight) | rptaMiddle, kAllFrames});
    }
}

} // namespace

void DescribeStockListReport(TrpReportBase &report, bool scraps)
{
    ReportSketch s(report);
    title(s, scraps ? QStringLiteral("База остатков") : QStringLiteral("База стандартных листов"));
    QStringList heads, cells;
    QList<int> widths;
    if (scraps) {
        heads = {QStringLiteral("Шифр"), QStringLiteral("Длина"), QStringLiteral("Ширина"), QStringLiteral("Количество"),
                 QStringLiteral("Дата")};
        cells = {QStringLiteral("[Name]"), QStringLiteral("[Length]"), QStringLiteral("[Width]"),
                 QStringLiteral("[Many]"), QStringLiteral("[rpdsStock.\"Date\"]")};   // DATE alone is the variable
        widths = {204, 120, 120, 120, 120};
    } else {
        heads = {QStringLiteral("Длина"), QStringLiteral("Ширина"), QStringLiteral("Количество")};
        cells = {QStringLiteral("[Length]"), QStringLiteral("[Width]"), QStringLiteral("[Many]")};
        widths = {228, 228, 228};
    }
    const QList<Column> cols = columns(widths);
    // Each material opens with its name and the column titles.
    s.Band(btGroupHeader, QStringLiteral("GroupHeader1"), 46, QStringLiteral("[MatName]"));
    s.Text({0, ReportSketch::kWidth}, QStringLiteral("Материал: [MatName]"), {10, true, rptaLeft | rptaMiddle}, 2, 22);
    const TextStyle headStyle{9, true, rptaCenter | rptaMiddle, kAllFrames, kHeaderFill};
    for (int i = 0; i < cols.size(); ++i) s.Text(cols[i], heads[i], headStyle, 24, 22);
    data(s, kStockSource, cols, cells, scraps ? 1 : 0);
    pageFooter(s);
}

void DescribeWareHouseInfoReport(TrpReportBase &report)
{
    ReportSketch s(report);
    title(s, QStringLiteral("Статистика по складу"));
    const QList<Column> cols = columns({324, 180, 180});
    header(s, cols, {QStringLiteral("Материал"), QStringLiteral("Стандартные листы, кв м"), QStringLiteral("Остатки, кв м")});
    data(s, kWareHouseInfoSource, cols,
         {QStringLiteral("[Material]"), QStringLiteral("[ShSquare]"), QStringLiteral("[ScSquare]")}, 1);
    pageFooter(s);
}

} // namespace kv

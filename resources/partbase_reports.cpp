#include "resources/partbase_reports.h"

#include "report/building/band.h"
#include "resources/reportkit.h"

namespace kv {

namespace {

void title(ReportSketch &s, const QString &caption)
{
    s.Band(btReportTitle, QStringLiteral("ReportTitle1"), 64);
    s.Text({0, ReportSketch::kWidth}, caption, {14, true, rptaCenter}, 0, 26);
    s.Text({0, ReportSketch::kWidth}, QStringLiteral("[BASENAME]"), {10, false, rptaCenter}, 28, 20);
    s.Text({ReportSketch::kWidth - 160, 160}, QStringLiteral("[DATE]"), {8, false, rptaRight}, 48, 16);
}

void pageFooter(ReportSketch &s)
{
    s.Band(btPageFooter, QStringLiteral("PageFooter1"), 20);
    s.Text({ReportSketch::kWidth - 160, 160}, QStringLiteral("Стр. [PAGE#]"), {8, false, rptaRight});
}

} // namespace

void DescribePartBaseReport(TrpReportBase &report, bool grouped, bool borders)
{
    ReportSketch s(report);
    QStringList heads = {QStringLiteral("Шифр"), QStringLiteral("Длина"), QStringLiteral("Ширина"),
                         QStringLiteral("Кол-во"), QStringLiteral("Поворот")};
    QStringList cells = {QStringLiteral("[Name]"), QStringLiteral("[Length]"), QStringLiteral("[Width]"),
                         QStringLiteral("[Many]"), QStringLiteral("[GETARRAY(RotateArray, [Rotate])]")};
    QList<int> widths;
    if (!grouped) {
        heads << QStringLiteral("Материал");
        cells << QStringLiteral("[MatName]");
    }
    if (borders) {
        heads << QStringLiteral("Кромки по\nдлине") << QStringLiteral("Кромки по\nширине");
        cells << QStringLiteral("[DETAL_BORDERS1]") << QStringLiteral("[DETAL_BORDERS2]");
    }
    if (grouped && !borders) widths = {264, 80, 80, 80, 180};
    else if (grouped) widths = {184, 64, 64, 56, 112, 102, 102};
    else if (!borders) widths = {194, 70, 70, 60, 120, 170};
    else widths = {134, 56, 56, 48, 100, 110, 90, 90};
    const QList<Column> cols = columns(widths);

    title(s, QStringLiteral("База деталей"));

    // The titles of the edge-banding columns are longer than their columns:
    // they take two lines, and so does the row of titles.
    const int headH = borders ? 34 : 22;
    // Titles of two lines and of one start on the same line (top), so the
    // exports keep the row of titles and the second lines apart.
    const TextStyle headStyle{9, true, borders ? rptaCenter : rptaCenter | rptaMiddle, kAllFrames, kHeaderFill, borders};
    if (grouped) {
        // Each material opens with its name and the column titles.
        s.Band(btGroupHeader, QStringLiteral("GroupHeader1"), 24 + headH, QStringLiteral("[MatName]"));
        s.Text({0, ReportSketch::kWidth}, QStringLiteral("Материал: [MatName]"), {10, true, rptaLeft | rptaMiddle}, 2,
               22);
        for (int i = 0; i < cols.size(); ++i) s.Text(cols[i], heads[i], headStyle, 24, headH);
    } else {
        TrpBandView &head = s.Band(btMasterHeader, QStringLiteral("MasterHeader1"), headH);
        head.Flags |= rpbfRepeatHeader;
        s.Row(cols, heads, headStyle);
    }

    TrpBandView &data = s.Band(btMasterData, QStringLiteral("MasterData1"), 20, kPartBaseSource);
    data.Flags |= rpbfStretched;
    for (int i = 0; i < cols.size(); ++i) {
        const bool text = i == 0 || i >= 4;
        TextStyle st{9, false, text ? rptaLeft : rptaRight, kAllFrames, rpClNone, true};
        s.Text(cols[i], cells[i], st);
    }

    if (grouped) {
        s.Band(btGroupFooter, QStringLiteral("GroupFooter1"), 20);
        s.Text({0, ReportSketch::kWidth}, QStringLiteral("Итого по материалу: [SUM([Many])] шт"),
               {9, true, rptaRight | rptaMiddle});
    }

    TrpBandView &sum = s.Band(btReportSummary, QStringLiteral("ReportSummary1"), 96);
    sum.Flags |= rpbfStretched;
    s.Text({0, ReportSketch::kWidth}, QStringLiteral("Статистика"), {10, true}, 8, 18);
    s.Text({0, ReportSketch::kWidth},
           QStringLiteral("Количество: [QUANTITY]\nПлощадь: [SQUARE]\nПериметр: [PERIMETR]\nКромка: [BORDERLEN][BORDERS]"),
           {9, false, rptaLeft, 0, rpClNone, true}, 28, 64);

    pageFooter(s);
}

void DescribeModelsListReport(TrpReportBase &report)
{
    ReportSketch s(report);
    const QList<Column> cols = columns({60, 464, 160});
    title(s, QStringLiteral("Список моделей"));
    TrpBandView &head = s.Band(btMasterHeader, QStringLiteral("MasterHeader1"), 22);
    head.Flags |= rpbfRepeatHeader;
    s.Row(cols, {QStringLiteral("№"), QStringLiteral("Модель"), QStringLiteral("Количество")},
          {9, true, rptaCenter | rptaMiddle, kAllFrames, kHeaderFill});
    TrpBandView &data = s.Band(btMasterData, QStringLiteral("MasterData1"), 20, kModelsSource);
    data.Flags |= rpbfStretched;
    s.Text(cols[0], QStringLiteral("[LINE#]"), {9, false, rptaRight, kAllFrames});
    s.Text(cols[1], QStringLiteral("[MODELNAME]"), {9, false, rptaLeft, kAllFrames, rpClNone, true});
    s.Text(cols[2], QStringLiteral("[MODELCOUNT]"), {9, false, rptaRight, kAllFrames});
    pageFooter(s);
}

} // namespace kv

#include "print/flows/printflow.h"

#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "report/building/report.h"
#include "report/model/page.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "report/windows/preview.h"
#include "report/windows/reportui.h"

namespace kv {

bool LoadReportTemplate(Ui &ui, TrpReport &report, const Paths &paths, const QString &name, QWidget *parent)
{
    const QString file = Paths::FileIn(paths.ReportsFolder(), name);
    rpConnectUi(report, ui, parent);
    const TrpLoadResult r = rpLoadTemplate(report, file);
    if (r == TrpLoadResult::Missing)
        throw Error(QStringLiteral("Ошибка загрузки шаблона отчета \"%1\".").arg(file));
    return r == TrpLoadResult::Loaded;
}

void SetReportPage(TrpReport &report, const int m[4], bool followPrinter)
{
    TrpPage *page = report.Pages().GetPage(0);
    if (!page) return;
    const int orientation = followPrinter && rpPrinter().Orientation == 1 ? 1 : page->Orientation;
    page->SetPaper(page->PaperSize, page->PaperWidth, page->PaperHeight, page->PaperBin, orientation);
    SetPageMargins(*page, m);
}

void SetPageMargins(TrpPage &page, const int m[4])
{
    // The build moves the views by the change of the used margins.
    page.SetMargins(ReportMargin(m[0]), ReportMargin(m[2]), ReportMargin(m[1]), ReportMargin(m[3]));
}

void SetPageMargins(TrpPage &page, const Settings &settings)
{
    int m[4];
    PageMargins(settings, m);
    SetPageMargins(page, m);
}

void PageMargins(const Settings &s, int m[4])
{
    m[0] = s.GetPageLeft();
    m[1] = s.GetPageRight();
    m[2] = s.GetPageTop();
    m[3] = s.GetPageBottom();
}

void CreateExportFilters(QObject *owner, ReportExports which)
{
    const bool dialogs = which == ReportExports::PartBase;
    auto *rtf = new TrpRTFExport(owner);
    rtf->SetScaleX(1.3);
    rtf->SetScaleY(1.0);
    rtf->ShowDialog = false;
    auto *csv = new TrpCSVExport(owner);
    csv->Delimiter = QLatin1Char(';');
    csv->ShowDialog = dialogs;
    if (which == ReportExports::Statistics) {
        (new TrpHTMExport(owner))->ShowDialog = dialogs;
        (new TrpTextExport(owner))->ShowDialog = dialogs;
    } else {
        (new TrpTextExport(owner))->ShowDialog = dialogs;
        (new TrpHTMExport(owner))->ShowDialog = dialogs;
    }
}

bool PreviewReport(Ui &ui, TrpReport &report)
{
    return ui.showReport(report, [&report] { return rpShowReport(report); });
}

} // namespace kv

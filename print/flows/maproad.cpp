#include "print/flows/maproad.h"

#include "print/flows/printflow.h"
#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "print/flows/printsetup.h"
#include "print/objects/registration.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/model/memo.h"
#include "report/output/printer.h"
#include "report/windows/preview.h"
#include "report/windows/reportui.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>

namespace kv {

bool PrintMapsReport(TMapsPrinter &printer, const MapPrintRequest &rq)
{
    if (!printer.RangeHasVisibleTab())
        throw Error(QStringLiteral("Нет карт раскроя для печати."));
    RegisterPrintObjects();
    QObject holder;
    holder.setObjectName(QStringLiteral("FormSheets"));
    TrpReport repMaps(&holder);
    repMaps.setObjectName(QStringLiteral("repMaps"));
    repMaps.Host().Owner = &holder;
    auto *rpsrcMaps = new TrpUserDataset(&holder);
    rpsrcMaps->SetName(QStringLiteral("rpsrcMaps"));
    repMaps.Title = QStringLiteral("Карты раскроя");

    const QString file = Paths::FileIn(rq.reportsFolder, QStringLiteral("RskMaps.rpf"));
    Ui &ui = *rq.ui;
    QWidget *parent = rq.parent;
    rpConnectUi(repMaps, ui, parent);
    switch (rpLoadTemplate(repMaps, file)) {
    case TrpLoadResult::Missing:
        throw Error(QStringLiteral("Ошибка загрузки шаблона отчета \"%1\".").arg(QDir::toNativeSeparators(file)));
    case TrpLoadResult::Failed: return false;
    case TrpLoadResult::Loaded: break;
    }
    if (!repMaps.FindView(QStringLiteral("Map")))
        throw Error(QStringLiteral("В шаблоне отчета \"%1\" нет карты раскроя \"Map\".").arg(QDir::toNativeSeparators(file)));
    printer.SetVariables();
    if (TrpPage *page = repMaps.Pages().GetPage(0)) {
        // A landscape printer turns the page; a portrait one leaves the template as it is.
        if (rpPrinter().Orientation == 1)
            page->SetPaper(page->PaperSize, page->PaperWidth, page->PaperHeight, page->PaperBin, 1);
        SetPageMargins(*page, *rq.settings);
    }
    printer.Styles = ReadPrintStyles(rq.settings->Ini());
    if (auto *params = dynamic_cast<TrpMemoView *>(repMaps.FindView(QStringLiteral("mmMapParams"))))
        params->SetFont(ToReportFont(printer.Options.MapFont));
    printer.Attach(repMaps, *rpsrcMaps);

    TrpPreviewSettings preview;
    preview.PreviewButtons = pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbExit;
    preview.InitialZoom = pzDefault;
    preview.RebuildPrinter = false;
    return ui.showReport(repMaps, [&] { return rpShowReport(repMaps, preview); });
}

bool PrintCuttingMaps(const MapPrintRequest &rq)
{
    if (!rq.doc || !rq.settings || !rq.ui) return false;
    try {
        TMapsPrinter printer(*rq.doc, rq.lookups);
        Owned<TfrmPrintSetup> dlg(new TfrmPrintSetup(*rq.ui, rq.settings->Ini(), rq.parent));
        dlg->setWindowTitle(QStringLiteral("Параметры печати раскроя"));
        dlg->CurrentMap = rq.activeTab + 1;
        dlg->FirstMap = printer.PrintFirstTab + 1;
        dlg->LastMap = printer.PrintLastTab + 1;
        // The window that asked may be gone once the dialog is answered.
        if (!dlg->Execute() || !dlg) return false;
        printer.Options = dlg->Options();
        printer.PrintFirstTab = dlg->GetBeginPage() - 1;
        printer.PrintLastTab = dlg->GetEndPage() - 1;
        return PrintMapsReport(printer, rq);
    } catch (const std::exception &e) {
        rq.ui->exception(e, rq.parent);
        return false;
    }
}

} // namespace kv

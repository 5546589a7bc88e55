#include "app/shell/wiring.h"

#include "app/shell/mainform.h"
#include "app/common/modal.h"
#include "app/common/optionform.h"
#include "app/common/printcontext.h"
#include "app/cutting/launch.h"
#include "app/cutting/raskroyoptions.h"
#include "app/materials/borderssetup.h"
#include "app/materials/matbasechange.h"
#include "app/materials/materialsform.h"
#include "app/partbase/raskroygroup.h"
#include "app/models/imports.h"
#include "app/models/modeldialogs.h"
#include "app/models/modelsbase.h"
#include "app/stock/minsheets.h"
#include "app/results/formsheets.h"
#include "app/results/mapcommands.h"
#include "app/results/resultsdialogs.h"
#include "app/stock/warehouse.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "print/flows/maproad.h"
#include "print/flows/pageform.h"
#include "print/flows/printsetup.h"
#include "print/flows/printsetupadv.h"

#include <QPointer>
#include "print/flows/bordersinfo.h"
#include "print/flows/fullstat.h"
#include "print/flows/labeldialogs.h"
#include "print/flows/scrapsinfo.h"

namespace kv {

// Each room joins its windows and commands here, one short block each:
//   form.hooks.groupWindow = [](AppContext &ctx, const QString &file) { ... };
//   form.hooks.commands["SaveWHStateAction"] = [&form] { ... };
// A command left unwired stays in its menu and does nothing; a command that
// acts on a child window is forwarded to it (TMdiChild::ExecuteCommand).
void WireShell(TMainForm &form)
{
    // Materials and edge banding: the settings menu's windows.
    form.hooks.materialsWindow = [](TMainForm &f) { ExecuteMaterials(f.Context(), &f); };
    form.hooks.editBorders = [](TMainForm &f) { return ExecuteBordersSetup(f.Context(), &f); };
    form.hooks.commands["SwitchMaterialsAction"] = [&form] { RunMatBaseChange(form.Context(), &form); };
    // The minimum stock check of the start and the end: shortages only.
    form.hooks.checkMinimum = [](TMainForm &f, bool reportAll) { CheckStdSheetsStock(f.Context(), reportAll, &f); };

    // Part-base windows: a new untitled one, or one opened from its header
    // (closed again when the open failed; the failure was shown).
    form.hooks.groupWindow = [](AppContext &ctx, const QString &file) -> TMdiChild * {
        auto *w = new TfrmRaskroyGroup(ctx);
        if (!(file.isEmpty() ? w->NewGroup() : w->LoadFromFile(file))) {
            delete w;
            return nullptr;
        }
        w->ShowChild();
        return w;
    };

    // The warehouse: made at start-up, kept for the whole run; its commands
    // bring it to the front first.
    form.hooks.warehouseWindow = [](AppContext &ctx) -> TMdiChild * {
        auto *w = new TfrmWareHouse(ctx);
        w->ShowChild();
        return w;
    };
    auto warehouse = [&form](void (TfrmWareHouse::*command)()) {
        return [&form, command] {
            if (auto *w = static_cast<TfrmWareHouse *>(form.ShowWarehouseWindow())) (w->*command)();
        };
    };
    form.hooks.commands["SaveWHStateAction"] = warehouse(&TfrmWareHouse::SaveWareHouseState);
    form.hooks.commands["WHStatesAction"] = warehouse(&TfrmWareHouse::ViewWareHouseStates);
    form.hooks.commands["SaveSheetsAction"] = warehouse(&TfrmWareHouse::SaveSheetsActionExecute);
    form.hooks.commands["PrintSheetsAction"] = warehouse(&TfrmWareHouse::PrintSheetsActionExecute);
    form.hooks.commands["AddSheetAction"] = warehouse(&TfrmWareHouse::AddSheetActionExecute);
    form.hooks.commands["MinSheetsAction"] = warehouse(&TfrmWareHouse::MinSheetsActionExecute);
    form.hooks.commands["CheckSheetsAction"] = warehouse(&TfrmWareHouse::CheckSheetsActionExecute);
    form.hooks.commands["SaveScrapsAction"] = warehouse(&TfrmWareHouse::SaveScrapsActionExecute);
    form.hooks.commands["PrintScrapsAction"] = warehouse(&TfrmWareHouse::PrintScrapsActionExecute);
    form.hooks.commands["ScrapsParamsAction"] = warehouse(&TfrmWareHouse::ScrapsParamsActionExecute);
    form.hooks.commands["ClearScrapsAction"] = warehouse(&TfrmWareHouse::ClearScrapsActionExecute);
    form.hooks.commands["MarkScrapsAction"] = warehouse(&TfrmWareHouse::MarkScrapsActionExecute);
    form.hooks.commands["FilterScrapsAction"] = warehouse(&TfrmWareHouse::FilterScrapsActionExecute);
    // Models base, the part-list imports and "AutoRun\" at the first show.
    form.hooks.modelsBaseWindow = [](AppContext &ctx) -> TMdiChild * { return CreateModelsBaseWindow(ctx); };
    form.hooks.importAutoRun = [](TMainForm &f) { ImportAutoRunFiles(f.Context(), &f); };
    form.hooks.commands["ImportTabAction"] = [&form] { ImportTextFile(form.Context(), &form); };
    form.hooks.commands["ImportConstructorAction"] = [&form] { ImportDesignerBase(form.Context(), QString(), &form); };
    form.hooks.commands["ImportV1Action"] = [&form] { ImportOldVersion(form.Context(), &form); };
    form.hooks.commands["ImportV2Action"] = [&form] { ImportVersion2(form.Context(), &form); };
    form.hooks.commands["ImportModelsAction"] = [&form] { ImportModelsCatalogCommand(form.Context(), &form); };
    form.hooks.commands["AddModelAction"] = [&form] {
        if (auto *g = qobject_cast<TfrmRaskroyGroup *>(form.ActiveChild()))
            AddModelToGroup(form.Context(), &g->Document(), &form);
    };
    form.hooks.commands["ExportTabAction"] = [&form] {
        if (auto *g = qobject_cast<TfrmRaskroyGroup *>(form.ActiveChild()))
            ExportGroupText(form.Context(), g->Document(), &form);
    };

    form.hooks.commands["WHStatisticsAction"] = [&form] {
        if (auto *w = qobject_cast<TfrmWareHouse *>(form.ActiveChild())) w->ShowWareHouseInfo();
    };

    // Cutting: the results window of a job, the default options on the two
    // cutting pages from the cutting options dialog, the element colours.
    form.hooks.resultsWindow = [](AppContext &ctx, bool withProgress) -> TMdiChild * {
        auto *w = new TFormSheets(ctx);
        if (!withProgress) w->HideProgress();
        w->ShowChild();
        return w;
    };
    // Map files and acceptance: the results window's save, accept and INI
    // export, and "Открыть карты раскроя". The hooks reach the frame through
    // the window, so they outlive any one main window.
    TFormSheets::Hooks().save = [](TFormSheets &w) { return SaveMapsWithDialog(w); };
    TFormSheets::Hooks().exportIni = [](TFormSheets &w) { ExportMapsToIniDialog(w); };
    TFormSheets::Hooks().apply = [](TFormSheets &w) {
        AcceptVariantCommand(w, [&w]() -> TfrmWareHouse * {
            IMainWindow *frame = w.Context().mainWindow();
            if (!frame) return nullptr;
            TMdiChild *c = frame->FindChildOfKind(ChildKind::Warehouse);
            return qobject_cast<TfrmWareHouse *>(c ? c : frame->ShowWarehouseWindow());
        });
    };
    form.hooks.openMaps = [](TMainForm &f, const QString &file) { OpenMapsFile(f.Context(), file, &f); };
    TfrmRaskroyOptions::DefaultOptions() = [&form](QWidget *) { form.OptionForm()->Execute(false); };
    TfrmRaskroyGroup::RaskroyHook = [](TfrmRaskroyGroup &g) { tbRaskroyClick(g); };
    form.hooks.optionLists = [](TOptionForm &o) {
        o.EditColors = [&o](QList<int> &five) {
            TfrmAdvResult d(&o);
            MapColors c;
            c.Sheet = MapColor(five[0]), c.Detal = MapColor(five[1]), c.Mill = MapColor(five[2]);
            c.Lost = MapColor(five[3]), c.Scrap = MapColor(five[4]);
            d.SetColors(c);
            if (ExecModal(d) != QDialog::Accepted) return false;
            d.GetColors(c);
            five = {int(c.Sheet), int(c.Detal), int(c.Mill), int(c.Lost), int(c.Scrap)};
            return true;
        };
    };
    // Printing of cutting maps: the results window's print action, the
    // drawing styles and the page margins of the main window.
    SetPrintModalHook([](QDialog &d) { return ExecModal(d); });
    TFormSheets::Hooks().print = [](TFormSheets &w) {
        AppContext &ctx = w.Context();
        MapPrintRequest rq;
        rq.doc = &w.Document();
        rq.activeTab = w.ActivePage();
        rq.settings = &ctx.settings();
        rq.reportsFolder = ctx.paths().ReportsFolder();
        rq.parent = &w;
        if (ctx.hasMaterials()) rq.lookups.materialName = [&ctx](int code) { return ctx.materials().GetMaterialName(code); };
        if (ctx.hasBorders()) {
            BordersService &b = ctx.borders();
            rq.lookups.borderName = [&b](int code) { return b.GetBorderName(code); };
            rq.lookups.borderColor = [&b](int code, qint32 def) { return qint32(b.GetBorderColor(code, quint32(def))); };
            rq.lookups.borderPripusk = [&b](int code) { return b.GetBorderPripusk(code); };
            rq.lookups.isBorderCode = [&b](int code) { return b.Codes().contains(QString::number(code)); };
        }
        PrintCuttingMaps(rq);
    };
    form.hooks.commands["MapsPrintSetupAction"] = [&form] {
        TfrmPrintSetupAdv d(form.Settings().Ini(), &form);
        d.Execute();
    };
    form.hooks.editPageMargins = [](TMainForm &f, int m[4]) {
        static QPointer<TPageForm> pageForm;   // made once and kept, as the program always did
        if (!pageForm) pageForm = new TPageForm(&f);
        return pageForm->Edit(m);
    };

    // Figures of a variant: statistics, edge banding of a map, stickers of
    // parts and off-cuts (also from a part base and the warehouse), off-cut totals.
    ResultsHooks &results = TFormSheets::Hooks();
    results.statistics = [](TFormSheets &w) {
        const int code = w.Document().CurrentMaterial;
        const QString name = code == kMapAllMaterials ? QStringLiteral("<все материалы>")
                                                      : PrintContextOf(w.Context()).lookups.MaterialName(code);
        ShowFullStatistics(PrintContextOf(w.Context()), w.Document(), name, &w);
    };
    results.bordersInfo = [](TFormSheets &w) {
        const int tab = w.ActivePage();
        if (tab < 0 || tab >= int(w.Document().Tabs.size())) return;
        const PrintContext pc = PrintContextOf(w.Context());
        ShowBordersInfo(pc, WithoutNoBorder(SumBordersLength(GetSheetDetals(w.Document().Tabs[size_t(tab)]), pc.lookups)), &w);
    };
    results.detalsLabels = [](TFormSheets &w) {
        const PrintContext pc = PrintContextOf(w.Context());
        ExecuteDetalsLabels(pc, [&](DetalLabelLists &l) { l = GetDetalsLabels(w.Document(), pc.lookups); }, &w);
    };
    results.scrapsLabels = [](TFormSheets &w) {
        const PrintContext pc = PrintContextOf(w.Context());
        ExecuteScrapsLabels(pc, [&](ScrapsLabelLists &l) { l = GetScrapsLabels(w.Document(), pc.lookups); }, &w);
    };
    results.printScrapsInfo = [](TFormSheets &w) { PrintScrapsInfo(PrintContextOf(w.Context()), w.Document(), &w); };
    form.hooks.commands["PrintDetalsLabelsAction"] = [&form] {
        if (auto *r = qobject_cast<TFormSheets *>(form.ActiveChild())) TFormSheets::Hooks().detalsLabels(*r);
        else if (auto *g = qobject_cast<TfrmRaskroyGroup *>(form.ActiveChild()))
            ExecuteDetalsLabels(PrintContextOf(form.Context()), [g](DetalLabelLists &l) { g->GetDetalsLabels(l); }, &form);
    };
    form.hooks.commands["PrintScrapsLabelsAction"] = [&form] {
        if (auto *r = qobject_cast<TFormSheets *>(form.ActiveChild())) TFormSheets::Hooks().scrapsLabels(*r);
        else if (auto *w = qobject_cast<TfrmWareHouse *>(form.ActiveChild()))
            ExecuteScrapsLabels(PrintContextOf(form.Context()),
                                [w](ScrapsLabelLists &l) { w->FillScrapsLabelLists(l.names, l.sizes, l.materials, l.comments); },
                                &form);
    };
}

} // namespace kv

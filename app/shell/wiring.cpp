#include "app/shell/wiring.h"

#include "app/shell/mainform.h"
#include "app/common/optionform.h"
#include "app/common/printcontext.h"
#include "app/cutting/launch.h"
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
#include "platform/ui.h"
#include "print/flows/labeldialogs.h"
#include "print/flows/pageform.h"
#include "print/flows/printsetupadv.h"

namespace kv {

namespace {

// Materials and edge banding: the settings menu's windows; the minimum stock
// check of the start and the end (shortages only).
void wireMaterials(TMainForm &form)
{
    form.hooks.materialsWindow = [](TMainForm &f) { ExecuteMaterials(f.Context(), &f); };
    form.hooks.editBorders = [](TMainForm &f) { return ExecuteBordersSetup(f.Context(), &f); };
    form.hooks.commands["SwitchMaterialsAction"] = [&form] { RunMatBaseChange(form.Context(), &form); };
    form.hooks.checkMinimum = [](TMainForm &f, bool reportAll) { CheckStdSheetsStock(f.Context(), reportAll, &f); };
}

// Part-base windows: a new untitled one, or one opened from its header
// (closed again when the open failed; the failure was shown). Their
// "Разложить" runs the cutting job.
void wirePartBases(TMainForm &form)
{
    form.hooks.groupWindow = [](AppContext &ctx, const QString &file) -> TMdiChild * {
        auto *w = new TfrmRaskroyGroup(ctx);
        if (!(file.isEmpty() ? w->NewGroup() : w->LoadFromFile(file))) {
            delete w;
            return nullptr;
        }
        QObject::connect(w, &TfrmRaskroyGroup::RaskroyRequested, w, [w] { tbRaskroyClick(*w); });
        w->ShowChild();
        return w;
    };
}

// The warehouse: made at start-up, kept for the whole run; its commands
// bring it to the front first.
void wireStock(TMainForm &form)
{
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
    const std::pair<const char *, void (TfrmWareHouse::*)()> commands[] = {
        {"SaveWHStateAction", &TfrmWareHouse::SaveWareHouseState},
        {"WHStatesAction", &TfrmWareHouse::ViewWareHouseStates},
        {"SaveSheetsAction", &TfrmWareHouse::SaveSheetsActionExecute},
        {"PrintSheetsAction", &TfrmWareHouse::PrintSheetsActionExecute},
        {"AddSheetAction", &TfrmWareHouse::AddSheetActionExecute},
        {"MinSheetsAction", &TfrmWareHouse::MinSheetsActionExecute},
        {"CheckSheetsAction", &TfrmWareHouse::CheckSheetsActionExecute},
        {"SaveScrapsAction", &TfrmWareHouse::SaveScrapsActionExecute},
        {"PrintScrapsAction", &TfrmWareHouse::PrintScrapsActionExecute},
        {"ScrapsParamsAction", &TfrmWareHouse::ScrapsParamsActionExecute},
        {"ClearScrapsAction", &TfrmWareHouse::ClearScrapsActionExecute},
        {"MarkScrapsAction", &TfrmWareHouse::MarkScrapsActionExecute},
        {"FilterScrapsAction", &TfrmWareHouse::FilterScrapsActionExecute},
    };
    for (const auto &[command, member] : commands) form.hooks.commands[command] = warehouse(member);
    form.hooks.commands["WHStatisticsAction"] = [&form] {
        if (auto *w = qobject_cast<TfrmWareHouse *>(form.ActiveChild())) w->ShowWareHouseInfo();
    };
}

// Models base, the part-list imports and "AutoRun\" at the first show.
void wireModels(TMainForm &form)
{
    form.hooks.modelsBaseWindow = [](AppContext &ctx) -> TMdiChild * { return CreateModelsBaseWindow(ctx); };
    form.hooks.importAutoRun = [](TMainForm &f) { ImportAutoRunFiles(f.Context(), &f); };
    form.hooks.commands["ImportTabAction"] = [&form] { ImportTextFile(form.Context(), &form); };
    form.hooks.commands["ImportConstructorAction"] = [&form] {
        ImportDesignerBase(form.Context(), QString(), &form);
    };
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
}

// Cutting results: the results window of a job and of a map file, and the
// element colours of the default options.
void wireResults(TMainForm &form)
{
    form.hooks.resultsWindow = [](AppContext &ctx, bool withProgress) -> TMdiChild * {
        auto *w = new TFormSheets(ctx);
        if (!withProgress) w->HideProgress();
        w->ShowChild();
        return w;
    };
    form.hooks.openMaps = [](TMainForm &f, const QString &file) { OpenMapsFile(f.Context(), file, &f); };
    form.hooks.optionLists = [](TOptionForm &o) {
        o.EditColors = [&o](QList<int> &five) {
            Ui &ui = UiOf(&o);
            Owned<TfrmAdvResult> d(new TfrmAdvResult(ui, &o));
            MapColors c;
            c.Sheet = MapColor(five[0]), c.Detal = MapColor(five[1]), c.Mill = MapColor(five[2]);
            c.Lost = MapColor(five[3]), c.Scrap = MapColor(five[4]);
            d->SetColors(c);
            if (ui.runModal(*d) != QDialog::Accepted || !d) return false;
            d->GetColors(c);
            five = {int(c.Sheet), int(c.Detal), int(c.Mill), int(c.Lost), int(c.Scrap)};
            return true;
        };
    };
}

// Printing of the main window: the drawing styles, the page margins (the
// dialog made once and kept with the frame, as the program always did) and
// the stickers of parts (also from a part base) and off-cuts (also from the
// warehouse).
void wirePrinting(TMainForm &form)
{
    form.hooks.commands["MapsPrintSetupAction"] = [&form] {
        Owned<TfrmPrintSetupAdv> d(new TfrmPrintSetupAdv(form.ui(), form.Settings().Ini(), &form));
        d->Execute();
    };
    form.hooks.editPageMargins = [](TMainForm &f, int m[4]) {
        auto *pageForm = f.findChild<TPageForm *>(QString(), Qt::FindDirectChildrenOnly);
        if (!pageForm) pageForm = new TPageForm(f.ui(), &f);
        return pageForm->Edit(m);
    };
    form.hooks.commands["PrintDetalsLabelsAction"] = [&form] {
        if (auto *r = qobject_cast<TFormSheets *>(form.ActiveChild())) DetalsLabelsCommand(*r);
        else if (auto *g = qobject_cast<TfrmRaskroyGroup *>(form.ActiveChild()))
            ExecuteDetalsLabels(PrintContextOf(form.Context()), [g](DetalLabelLists &l) { g->GetDetalsLabels(l); }, &form);
    };
    form.hooks.commands["PrintScrapsLabelsAction"] = [&form] {
        if (auto *r = qobject_cast<TFormSheets *>(form.ActiveChild())) ScrapsLabelsCommand(*r);
        else if (auto *w = qobject_cast<TfrmWareHouse *>(form.ActiveChild()))
            ExecuteScrapsLabels(PrintContextOf(form.Context()),
                                [w](ScrapsLabelLists &l) { w->FillScrapsLabelLists(l.names, l.sizes, l.materials, l.comments); },
                                &form);
    };
}

} // namespace

void WireShell(TMainForm &form)
{
    wireMaterials(form);
    wirePartBases(form);
    wireStock(form);
    wireModels(form);
    wireResults(form);
    wirePrinting(form);
}

} // namespace kv

// Printing of a part base (list and grouped by materials, with or without
// edge banding), the models list and the spreadsheet export.
#include "app/partbase/groupprint.h"

#include "app/common/appcontext.h"
#include "app/partbase/raskroygroup.h"
#include "controls/dbgrid.h"
#include "data/datamodule.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/partbase/partbaseexport.h"
#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/copytable.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "report/building/datasource.h"
#include "report/script/scriptengine.h"
#include "report/windows/preview.h"
#include "report/windows/reportui.h"
#include "report/building/report.h"
#include "report/output/printer.h"
#include "print/flows/printflow.h"
#include "resources/partbase_reports.h"

#include <QDir>
#include <QFileInfo>

using kv::PartBaseDocument;


namespace {

void setMargins(TrpPage *page, kv::Settings &settings)
{
    if (page) kv::SetPageMargins(*page, settings);
}

// The part base's preview has no help button; the models list's has every one.
void show(kv::Ui &ui, TrpReport &report, bool partBase)
{
    ui.showReport(report, [&report, partBase] {
        TrpPreviewSettings settings;
        if (partBase) settings.PreviewButtons = pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbExit;
        rpInstallPreview(report, settings);
        report.Show();
        return report.EMFPages().Count() > 0;
    });
}

} // namespace

void GroupPrinting::PrintPartBase(TfrmRaskroyGroup &w, bool grouped)
{
    AppContext &ctx = w.Context();
    PartBaseDocument &doc = w.Document();
    w.PostIfEditing();
    if (!doc.HasTable()) return;
    // The printer as the user left it: a new report and its template set it
    // to their own paper.
    const bool landscape = rpPrinter().Orientation == 1;
    kv::Query *query = ctx.module().qryPrint;
    const QString copy = kv::FreePrintCopy(ctx.paths().TempFolder());
    const bool borders = ctx.settings().Get(kv::key::PrintDetalBorders);
    const QString file = grouped ? (borders ? "Group_brd.rpf" : "Group.rpf") : (borders ? "Group2_brd.rpf" : "Group2.rpf");
    auto cleanup = [&] {
        query->Close();
        try {
            kv::DeleteTableFile(copy);
        } catch (const kv::Error &) {
            // A copy left in Temp is taken by no later print (each takes a free name).
        }
    };
    try {
        PartBaseDocument::CopyPartsTable(doc.table(), copy, ctx.paths());
        const QString materials =
            ctx.hasMaterials() ? ctx.materials().MaterialsTable() : ctx.paths().MaterialsTable();
        query->Close();
        query->SetSQL(kv::PartBasePrintSql(copy, materials, doc.FilterCode()));
        query->Open();

        QObject holder;
        kv::CreateExportFilters(&holder, kv::ReportExports::PartBase);
        TrpDBDataSet source(&holder);
        source.SetName(kv::kPartBaseSource);
        source.SetDataSet(query);
        TrpReport report(&holder);
        report.SetDataset(&source);
        report.Title = QStringLiteral("База деталей");
        report.ShowProgress = false;
        rpConnectUi(report, ctx.ui(), &w);
        switch (rpLoadTemplate(report, QDir(ctx.paths().ReportsFolder()).filePath(file))) {
        case TrpLoadResult::Missing:
            throw kv::Error(QStringLiteral("Не найден шаблон отчёта \"%1\".")
                                .arg(QDir::toNativeSeparators(ctx.paths().ReportsFolder() + file)));
        case TrpLoadResult::Failed: cleanup(); return;
        case TrpLoadResult::Loaded: break;
        }
        const kv::PartBaseTotals totals = w.Totals();
        const QString bordersText =
            kv::BordersVariable(totals.edgeByCode, [&w](int code) { return w.BorderName(code); }, totals.edgeCodes);
        for (const auto &[name, value] : kv::PartBaseReportVariables(w.windowTitle(), totals, bordersText))
            rpEngine().Variables().SetValue(name, TrpValue(value));
        report.OnGetValue = [&](const QString &name, TrpValue &value) {
            auto code = [&](const char *f) {
                kv::Field *fld = query->FindField(QString::fromLatin1(f));
                return fld ? fld->AsInteger() : 0;
            };
            auto nameOf = [&w](int c) { return w.BorderName(c); };
            if (name == QLatin1String("DETAL_BORDERS1"))
                value = TrpValue(kv::DetalBordersText(code("TBORDER"), code("BBORDER"), nameOf));
            else if (name == QLatin1String("DETAL_BORDERS2"))
                value = TrpValue(kv::DetalBordersText(code("LBORDER"), code("RBORDER"), nameOf));
            else
                return false;
            return true;
        };
        if (TrpPage *page = report.Pages().GetPage(0); page && landscape)
            page->SetPaper(page->PaperSize, page->PaperWidth, page->PaperHeight, page->PaperBin, 1);
        setMargins(report.Pages().GetPage(0), ctx.settings());
        show(ctx.ui(), report, true);
    } catch (...) {
        cleanup();
        throw;
    }
    cleanup();
}

void GroupPrinting::PrintModelsList(TfrmRaskroyGroup &w)
{
    AppContext &ctx = w.Context();
    const QList<kv::ModelEntry> models = w.Document().Models;
    QObject holder;
    kv::CreateExportFilters(&holder, kv::ReportExports::PartBase);
    TrpUserDataset source(&holder);
    source.SetName(kv::kModelsSource);
    int pos = 0;
    source.OnFirst = [&](TrpDataset &) { pos = 0; };
    source.OnNext = [&](TrpDataset &) { ++pos; };
    source.OnCheckEOF = [&](TrpDataset &, bool &eof) { eof = pos >= models.size(); };
    TrpReport report(&holder);
    report.SetDataset(&source);
    report.Title = QStringLiteral("Список моделей");
    report.ShowProgress = false;
    const QString file = QDir(ctx.paths().ReportsFolder()).filePath(QStringLiteral("ModelsList.rpf"));
    rpConnectUi(report, ctx.ui(), &w);
    switch (rpLoadTemplate(report, file)) {
    case TrpLoadResult::Missing:
        throw kv::Error(QStringLiteral("Не найден шаблон отчёта \"%1\".").arg(QDir::toNativeSeparators(file)));
    case TrpLoadResult::Failed: return;
    case TrpLoadResult::Loaded: break;
    }
    rpEngine().Variables().SetValue(QStringLiteral("BASENAME"), TrpValue(w.windowTitle()));
    report.OnGetValue = [&](const QString &name, TrpValue &value) {
        if (pos < 0 || pos >= models.size()) return false;
        const QString up = name.toUpper();
        if (up == QLatin1String("MODELNAME")) value = TrpValue(models[pos].name);
        else if (up == QLatin1String("MODELCOUNT")) value = TrpValue(models[pos].count);
        else return false;
        return true;
    };
    setMargins(report.Pages().GetPage(0), ctx.settings());
    show(ctx.ui(), report, false);
}

QString GroupPrinting::ExportToSpreadsheet(TfrmRaskroyGroup &w, TExDBGrid &grid, kv::SpreadsheetSink *sink)
{
    AppContext &ctx = w.Context();
    PartBaseDocument &doc = w.Document();
    w.PostIfEditing();
    if (!doc.HasTable() || doc.table().IsEmpty()) return QString();
    QList<kv::ExportColumn> columns;
    for (int i = 0; i < grid.ColumnCount(); ++i) {
        TColumn *c = grid.Columns(i);
        if (c->Visible()) columns.append({c->Caption(), c->FieldName});
    }
    const QString path = kv::ExportFileFor(ctx.paths().ExportFolder(), doc.CaptionName);
    std::unique_ptr<kv::SpreadsheetSink> file;
    if (!sink) sink = (file = std::make_unique<kv::XlsxSpreadsheet>(path, QStringLiteral("База деталей"))).get();
    kv::ExportPartBase(*sink, QFileInfo(doc.CaptionName).fileName(), kv::FormatTotals(w.Totals()), columns,
                       doc.table());
    sink->Close();
    if (!ctx.ui().openWithDesktop(path))
        ctx.ui().inform(QStringLiteral("Таблица записана в файл\r\"%1\".").arg(QDir::toNativeSeparators(path)), &w);
    return path;
}

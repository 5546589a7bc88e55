#include "app/stock/stockprint.h"

#include "print/flows/printflow.h"
#include "app/common/appcontext.h"
#include "data/datamodule.h"
#include "data/materials/materials.h"
#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "data/settings.h"
#include "memdata/memdata.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/output/printer.h"
#include "report/windows/preview.h"
#include "report/windows/reportui.h"
#include "resources/stock_reports.h"
#include "platform/clock.h"

#include <QDate>
#include <QObject>

#include <cmath>

using namespace kv;

namespace {

// Loads the template, sets the page and the variable DATE, and shows it.
void showReport(AppContext &ctx, QObject &holder, TrpDataset *source, const QString &templateName,
                const QString &title, QWidget *parent)
{
    // The printer as the user left it: a new report and its template set it
    // to their own paper.
    const bool landscape = rpPrinter().Orientation == 1;
    TrpReport report(&holder);
    report.Host().Owner = &holder;
    report.SetDataset(source);
    const QString file = Paths::FileIn(ctx.paths().ReportsFolder(), templateName);
    rpConnectUi(report, ctx.ui(), parent);
    switch (rpLoadTemplate(report, file)) {
    case TrpLoadResult::Missing: throw Error(QStringLiteral("Ошибка загрузки шаблона отчета \"%1\".").arg(file));
    case TrpLoadResult::Failed: return;
    case TrpLoadResult::Loaded: break;
    }
    report.Title = title;
    if (report.Pages().Count() > 0) {
        TrpPage *page = report.Pages()[0];
        if (landscape)
            page->SetPaper(page->PaperSize, page->PaperWidth, page->PaperHeight, page->PaperBin, 1);
        SetPageMargins(*page, ctx.settings());
    }
    const QString today = formatDate(kv::Today());
    report.OnGetValue = [today](const QString &name, TrpValue &value) {
        if (!sameText(name, QStringLiteral("DATE"))) return false;
        value = TrpValue(today);
        return true;
    };
    ctx.ui().showReport(report, [&report] { return rpShowReport(report); });
}

} // namespace

void PrintStockList(AppContext &ctx, StockService &stock, bool scraps, QWidget *parent)
{
    scraps ? stock.PostScraps() : stock.PostSheets();
    Query &q = *ctx.module().qryPrint;
    struct CloseAfter
    {
        Query &q;
        ~CloseAfter() { q.Close(); }
    } closeAfter{q};
    q.Close();
    q.SetSQL(stock.PrintListSQL(scraps, ctx.materials().MaterialsTable()));
    q.Open();
    QObject holder;
    holder.setObjectName(QStringLiteral("frmWareHouse"));
    auto *source = new TrpDBDataSet(&holder);
    source->SetName(kStockSource);
    source->SetDataSet(&q);
    showReport(ctx, holder, source, scraps ? QStringLiteral("Scraps.rpf") : QStringLiteral("StdSheets.rpf"),
               scraps ? QStringLiteral("База остатков") : QStringLiteral("База стандартных листов"), parent);
}

void PrintWareHouseInfo(AppContext &ctx, StockService &stock, QWidget *parent)
{
    MaterialList materials;
    for (const MaterialItem &m : ctx.materials().MaterialItems(false)) materials << qMakePair(m.code, m.name);
    const QList<StockStatRow> rows = stock.Statistics(materials);   // "Ошибка создания отчета." on failure

    QObject holder;
    holder.setObjectName(QStringLiteral("MainForm"));
    auto *md = new TMemData(&holder);
    md->setObjectName(QStringLiteral("mdWareHouseInfo"));
    md->AddField(QStringLiteral("Code"), FieldType::Integer);
    md->AddField(QStringLiteral("Material"), FieldType::String, 100);
    md->AddField(QStringLiteral("ShSquare"), FieldType::Float);
    md->AddField(QStringLiteral("ScSquare"), FieldType::Float);
    md->Open();
    const double scale = std::pow(10.0, SqrDigitsValue());
    auto rounded = [scale](double v) { return std::round(v * scale) / scale; };
    for (const StockStatRow &r : rows) {
        md->Append();
        md->FieldByName(QStringLiteral("Code"))->SetAsInteger(r.code);
        md->FieldByName(QStringLiteral("Material"))->SetAsString(r.material);
        md->FieldByName(QStringLiteral("ShSquare"))->SetAsFloat(rounded(r.shSquare));
        md->FieldByName(QStringLiteral("ScSquare"))->SetAsFloat(rounded(r.scSquare));
        md->Post();
    }
    md->First();
    auto *source = new TrpDBDataSet(&holder);
    source->SetName(kWareHouseInfoSource);
    source->SetDataSet(md);
    showReport(ctx, holder, source, QStringLiteral("WareHouseInfo.rpf"), QStringLiteral("Статистика по складу"), parent);
}

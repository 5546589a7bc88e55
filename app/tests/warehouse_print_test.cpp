// The warehouse's printed lists and statistics over our own templates.
#include "app/stock/stockprint.h"
#include "app/stock/warehouse.h"
#include "app/tests/appfixture.h"
#include "app/tests/scopedprinter.h"
#include "data/materials/materials.h"
#include "platform/clock.h"
#include "platform/db/query.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "report/building/report.h"
#include "report/model/page.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "resources/reports.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

using namespace kv;

namespace {

QString textOf(TrpReport &report)
{
    QTemporaryDir out;
    TrpTextExport text;
    text.ShowDialog = false;
    const QString file = out.filePath("out.txt");
    if (!report.ExportPrepared(text, file)) return {};
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return fromCp1251(f.readAll());
}

class WarehousePrint : public ::testing::Test
{
protected:
    const kv::test::ScopedEnginePrinter keepPrinter;
    AppFixture app;
    std::unique_ptr<MaterialsService> materials;
    std::unique_ptr<TfrmWareHouse> w;
    QStringList printed;

    void SetUp() override
    {
        Query::Exec("Insert into " + Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)",
                    {QString("ДСП 16 мм"), 1});
        materials = std::make_unique<MaterialsService>(app.paths, *app.settings, app.ui, app.module.get());
        app.ctx.setMaterials(materials.get());
        WriteMissingReports(app.paths.ReportsFolder());
        w = std::make_unique<TfrmWareHouse>(app.ctx);
        w->show();
        TModule &m = *app.module;
        m.tblSheets->AppendRecord({2750.0, 1830.0, 4.0, 1.0});
        m.tblSheets->AppendRecord({2440.0, 1220.0, 2.0, 42.0});   // not in the materials base
        m.tblScraps->AppendRecord({QString("Д-1"), 600.0, 400.0, 1.0, 1.0, QDate(2024, 3, 5)});
        m.tblScraps->AppendRecord({QString("Х-7"), 500.0, 500.0, 2.0, 42.0, QDate(2024, 3, 6)});
        app.ui.onReports<TrpReport>([this](TrpReport &r) {
            ASSERT_TRUE(r.Prepare()) << r.LastBuildError.toStdString();
            printed << textOf(r);
            if (qEnvironmentVariableIsSet("KV_STOCK_PDF")) {
                QPrinter pdf(QPrinter::HighResolution);
                pdf.setOutputFormat(QPrinter::PdfFormat);
                pdf.setOutputFileName(qEnvironmentVariable("KV_STOCK_PDF") + QString::number(printed.size()) + ".pdf");
                r.PrintPrepared(pdf, QString(), 1, true);
            }
        });
    }
    void TearDown() override { w.reset(); }
};

} // namespace

TEST_F(WarehousePrint, ListsAndStatisticsKeepUnknownMaterials)
{
    // Printed at the last second of a day: the lists carry that day.
    const kv::FixedClock lastSecond(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)));
    struct Case { std::function<void()> print; QStringList present; };
    const Case cases[] = {
        {[&] { w->PrintSheetsActionExecute(); },
         {"База стандартных листов", "Материал: ДСП 16 мм", "2750", "<неизвестный материал, код 42>", "2440"}},
        {[&] { w->PrintScrapsActionExecute(); }, {"База остатков", "Д-1", "Х-7", "05.03.2024"}},
        {[&] { w->ShowWareHouseInfo(); },
         {"Статистика по складу", "ДСП 16 мм", "20.13", "<неизвестный материал, код 42>", "5.954", "0.5"}},
    };
    for (const Case &c : cases) {
        printed.clear();
        kv::test::ScopedAnswers answers(app.ui);
        c.print();
        for (const ShownMessage &m : answers.shown()) ADD_FAILURE() << m.text.toStdString();
        ASSERT_EQ(printed.size(), 1);
        if (qEnvironmentVariableIsSet("KV_STOCK_PDF")) std::cout << printed[0].toStdString();
        for (const QString &s : c.present) EXPECT_TRUE(printed[0].contains(s)) << s.toStdString() << "\n" << printed[0].toStdString();
        EXPECT_TRUE(printed[0].contains(QStringLiteral("31.12.2025"))) << printed[0].toStdString();
    }
    EXPECT_FALSE(app.module->qryPrint->Active());   // the print query is closed afterwards
}

TEST_F(WarehousePrint, OneMaterialPrintsOnlyItsRows)
{
    w->SetCurrentMaterial(1);
    w->PrintSheetsActionExecute();
    ASSERT_EQ(printed.size(), 1);
    EXPECT_TRUE(printed[0].contains("2750"));
    EXPECT_FALSE(printed[0].contains("2440"));
}

// The lists follow a printer the user left in landscape, though loading the
// template sets the engine printer to the template's paper.
TEST_F(WarehousePrint, ListsFollowALandscapePrinter)
{
    std::vector<int> orientations;
    const auto pages = kv::test::ScopedSet(app.ui.onReport, [&](QObject &r) {
        orientations.push_back(dynamic_cast<TrpReport &>(r).Pages().GetPage(0)->Orientation);
        return true;
    });
    // The user's printer: A4 in each orientation; the engine printer as it
    // was afterwards.
    const kv::test::ScopedEnginePrinter keepPrinter;
    TrpPrinter &pr = rpPrinter();
    for (int orientation : {0, 1}) {
        pr.SetPrinterInfo(9, orientation ? 2970 : 2100, orientation ? 2100 : 2970, orientation, rpDefaultBin, true);
        w->PrintSheetsActionExecute();
        w->PrintScrapsActionExecute();
    }
    EXPECT_EQ(orientations, (std::vector<int>{0, 0, 1, 1}));
}

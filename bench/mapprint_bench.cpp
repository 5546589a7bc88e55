// Preparing the cutting-maps report of a 100-map job and printing it to PDF
// through the engine's virtual printer. A figure, nothing is asserted; the
// goal is under a second for the whole.
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "engine/raskroy.h"
#include "print/flows/maproad.h"
#include "platform/testsupport/fakeui.h"
#include "print/objects/registration.h"
#include "report/building/report.h"
#include "report/output/printer.h"
#include "resources/reports.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kv;

namespace {

// The maps of a kitchen order, repeated to 100 tabs.
MapDocument hundredMaps()
{
    using namespace kv::engine;
    TRaskroy e;
    e.ResetRaskroy();
    e.P.StdSheetLength = 2800;
    e.P.StdSheetWidth = 2070;
    e.P.MillWidth = 4;
    e.Detals.Add("Bok", 720, 560, 6, 1);
    e.Detals.Add("Dno", 564, 560, 3, 0);
    e.Detals.Add("Polka", 560, 280, 8, 0);
    TDetal &f = e.Detals.Add("Fasad", 716, 396, 5, 2);
    f.LBorder = 1, f.RBorder = 2, f.TBorder = 3, f.BBorder = 4;
    e.Detals.Add("Yashchik", 500, 140, 9, 2);
    e.RaskroyFromStock();
    for (int i = 0; i < 100 && !e.Detals.NothingLeft(); ++i) {
        e.RaskroyNextSheet();
        if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp) break;
    }
    MapDocument doc;
    while (doc.Tabs.size() < 100)
        for (int i = 0; i < e.ResultMaps.Count() && doc.Tabs.size() < 100; ++i)
            doc.AddMapTab(MapCaption(int(doc.Tabs.size()), int(doc.Tabs.size()), 1, QString()), 7,
                          *e.ResultMaps.Items(i), e.Detals, 4, QStringLiteral("Заказ"));
    return doc;
}

void BM_HundredMapsToPdf(benchmark::State &state)
{
    QTemporaryDir dir;
    Paths paths(dir.path());
    paths.CreateFolders();
    WriteMissingReports(paths.ReportsFolder());
    Settings settings(dir.filePath(QStringLiteral("Korvalt.ini")));
    const MapDocument doc = hundredMaps();
    MapPrintLookups lookups;
    lookups.borderName = [](int code) { return QStringLiteral("ПВХ %1").arg(code); };
    lookups.isBorderCode = [](int) { return true; };
    const QString pdf = dir.filePath(QStringLiteral("maps.pdf"));
    kv::test::FakeUi ui;
    ui.onReports<TrpReport>([&](TrpReport &r) {
        r.Prepare();
        rpPrinter().SetPrinterIndex(rpPrinter().VirtualPrinterIndex());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        r.PrintPrepared(printer, QString(), 1, true);
        state.counters["pages"] = r.EMFPages().Count();
    });
    for (auto _ : state) {
        TMapsPrinter printer(doc, lookups);
        printer.Options.Position = int(state.range(0)) == 1 ? 0 : 2;
        printer.Options.MapQuantity = int(state.range(0));
        MapPrintRequest rq;
        rq.doc = &doc;
        rq.settings = &settings;
        rq.reportsFolder = paths.ReportsFolder();
        rq.lookups = lookups;
        rq.ui = &ui;
        PrintMapsReport(printer, rq);
    }
}
BENCHMARK(BM_HundredMapsToPdf)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterPrintObjects();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// "Reports\RskMaps.rpf" over the engine's golden mixed job: the whole print
// road from the confirmed choices to the built report, its text export as a
// golden file, and a PDF through the virtual printer.
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "engine/raskroy.h"
#include "platform/text.h"
#include "print/flows/maproad.h"
#include "print/objects/registration.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "resources/reports.h"
#include "platform/testsupport/golden.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

// Eight kinds with every rotate mode and three off-cut rows; one kind banded.
MapDocument mixedJob()
{
    using namespace kv::engine;
    TRaskroy e;
    e.ResetRaskroy();
    e.P = TRaskroyParams();
    e.P.StdSheetLength = 2800;
    e.P.StdSheetWidth = 2070;
    e.P.MillWidth = 4;
    e.P.LIndent = e.P.RIndent = e.P.TIndent = e.P.BIndent = 10;
    e.P.UseScraps = true;
    e.P.ExSearch = 40;
    e.Detals.Add("Bok", 720, 560, 6, 1);
    e.Detals.Add("Dno", 564, 560, 3, 0);
    e.Detals.Add("Polka", 560, 280, 8, 0);
    TDetal &f = e.Detals.Add("Fasad", 716, 396, 5, 2);
    f.LBorder = 1, f.RBorder = 2, f.TBorder = 3, f.BBorder = 4;
    e.Detals.Add("Pen", 2100, 560, 2, 1);
    e.Detals.Add("Tsokol", 2400, 100, 2, 0);
    e.Detals.Add("Yashchik", 500, 140, 9, 2);
    e.Detals.Add("Planka", 564, 100, 7, 0);
    for (int i = 0; i < 2; ++i) e.Stock.Sheets.Append(TSheet("OST-1", 0, 0, 800, 600, 0, true));
    e.Stock.Sheets.Append(TSheet("OST-2", 0, 0, 1200, 300, 0, true));
    for (int i = 0; i < 3; ++i) e.Stock.Sheets.Append(TSheet("OST-3", 0, 0, 600, 1500, 0, true));
    e.RaskroyFromStock();
    for (int i = 0; i < 1000 && !e.Detals.NothingLeft(); ++i) {
        e.RaskroyNextSheet();
        if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp) break;
    }
    MapDocument doc;
    int32_t n = 0;
    for (int i = 0; i < e.ResultMaps.Count(); ++i) {
        const TSheetsList &m = *e.ResultMaps.Items(i);
        doc.AddMapTab(MapCaption(int(doc.Tabs.size()), n, m.Quantity, QString::fromStdString(m.Name)), 7, m,
                      e.Detals, e.P.MillWidth, QStringLiteral("Примечание"));
        n += m.Quantity;
    }
    ColorizeMaps(doc, MapEnvironment{[](int32_t) {
                                         TScrapLimits l;
                                         l.Length = 100, l.Width = 100;
                                         return l;
                                     },
                                     {}, {}});
    return doc;
}

MapPrintLookups lookups()
{
    MapPrintLookups l;
    l.materialName = [](int) { return QStringLiteral("ЛДСП Бук 16"); };
    l.borderName = [](int code) { return QStringLiteral("ПВХ-%1").arg(code); };
    l.borderColor = [](int code, qint32 def) { return code == 3 ? qint32(0x0000FF) : def; };
    l.borderPripusk = [](int) { return 0; };
    l.isBorderCode = [](int code) { return code >= 0 && code <= 4; };
    return l;
}

class MapsReport : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    std::unique_ptr<Settings> settings;
    MapDocument doc = mixedJob();
    MapPreviewHook old;

    void SetUp() override
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        RegisterPrintObjects();
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        WriteMissingReports(paths->ReportsFolder());
        settings = std::make_unique<Settings>(dir.filePath(QStringLiteral("Korvalt.ini")));
        SetNumberDigits(2, 3);
    }
    void TearDown() override
    {
        rpMeasuringCanvas().SetMeasurer(nullptr);
        SetMapPreviewHook(old);
    }

    // Builds the maps report of the whole job and hands it over.
    void build(int mapsPerPage, const std::function<void(TrpReport &)> &take)
    {
        old = SetMapPreviewHook(take);
        TMapsPrinter printer(doc, lookups());
        printer.Options.Position = 2;
        printer.Options.MapQuantity = mapsPerPage;
        MapPrintRequest rq;
        rq.doc = &doc;
        rq.settings = settings.get();
        rq.reportsFolder = paths->ReportsFolder();
        rq.lookups = lookups();
        PrintMapsReport(printer, rq);
    }
};

QByteArray textExport(TrpReport &report)
{
    QTemporaryDir out;
    TrpTextExport text;
    text.ShowDialog = false;
    const QString file = out.filePath("out.txt");
    if (!report.ExportPrepared(text, file)) return {};
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void expectGolden(const QByteArray &bytes, const QString &name)
{
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, name));
}

int pdfPages(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray b = f.readAll();
    return int(b.count("/Type /Page\n") + b.count("/Type /Page\r") + b.count("/Type /Page "));
}

} // namespace

TEST_F(MapsReport, OneMapAPageWithFiguresAndPartsLists)
{
    ASSERT_GE(doc.Tabs.size(), 4u);
    int pages = 0;
    QByteArray text;
    build(1, [&](TrpReport &r) {
        pages = r.EMFPages().Count();
        text = textExport(r);
    });
    EXPECT_EQ(pages, int(doc.Tabs.size()));
    expectGolden(text, QStringLiteral("RskMaps.txt"));
    // Every map's caption and its parts list reach the export (cp1251).
    for (const MapTab &t : doc.Tabs) EXPECT_TRUE(text.contains(toCp1251(t.Caption))) << t.Caption.toStdString();
    EXPECT_EQ(text.count(toCp1251(QStringLiteral("Список деталей:"))), qsizetype(doc.Tabs.size()));
}

TEST_F(MapsReport, PrintedToPdfThroughTheVirtualPrinter)
{
    struct Case { int perPage; };
    for (const Case c : {Case{1}, Case{2}, Case{3}}) {
        const QString pdf = dir.filePath(QStringLiteral("maps%1.pdf").arg(c.perPage));
        int pages = 0;
        build(c.perPage, [&](TrpReport &r) {
            pages = r.EMFPages().Count();
            rpPrinter().SetPrinterIndex(rpPrinter().VirtualPrinterIndex());
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            r.PrintPrepared(printer, QString(), 1, true);
        });
        const int maps = int(doc.Tabs.size());
        EXPECT_EQ(pages, (maps + c.perPage - 1) / c.perPage) << c.perPage;
        EXPECT_EQ(pdfPages(pdf), pages) << c.perPage;
        if (qEnvironmentVariableIsSet("KV_MAPS_PDF")) QFile::copy(pdf, qEnvironmentVariable("KV_MAPS_PDF") + QString::number(c.perPage) + ".pdf");
    }
}

// "Reports\RskMaps.rpf" over the engine's golden mixed job: the whole print
// road from the confirmed choices to the built report, its text export as a
// golden file, and a PDF through the virtual printer.
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/text.h"
#include "print/flows/maproad.h"
#include "print/objects/registration.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "resources/reports.h"
#include "mixedjob.h"   // data/tests
#include "platform/testsupport/golden.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

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
    MapDocument doc = kvtest::MixedJobDocument();
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

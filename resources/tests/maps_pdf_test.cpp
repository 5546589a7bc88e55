// The cutting maps printed from their preview on a machine without a printer:
// the virtual printer writes a PDF that reads as the maps do (one page per
// map, the report's title, the part names as text).
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "print/flows/maproad.h"
#include "print/objects/registration.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/output/printer.h"
#include "report/windows/preview.h"
#include "report/windows/printdialog.h"
#include "resources/reports.h"
#include "mixedjob.h"   // data/tests
#include "platform/testsupport/pdf.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

TEST(MapsPdf, OnePagePerMapWithTheTitleAndThePartNames)
{
    ASSERT_TRUE(rpPrinter().IsVirtual());
    QTemporaryDir dir;
    rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
    RegisterPrintObjects();
    Paths paths(dir.path());
    paths.CreateFolders();
    WriteMissingReports(paths.ReportsFolder());
    Settings settings(dir.filePath(QStringLiteral("Korvalt.ini")));
    SetNumberDigits(2, 3);
    MapDocument doc = kvtest::MixedJobDocument();
    MapPrintLookups lookups;
    lookups.materialName = [](int) { return QStringLiteral("ЛДСП Бук 16"); };
    lookups.borderName = [](int code) { return QStringLiteral("ПВХ-%1").arg(code); };
    lookups.borderColor = [](int, qint32 def) { return def; };
    lookups.borderPripusk = [](int) { return 0; };
    lookups.isBorderCode = [](int code) { return code >= 0 && code <= 4; };

    const QString pdf = dir.filePath(QStringLiteral("карты.pdf"));
    int pages = 0;
    QString title;
    TrpPreviewForm::SetFileDialogHook([&](bool, const QString &, int &) { return pdf; });
    TrpPreviewForm::SetPrintDialogHook([](TrpPrintForm &) { return true; });
    const MapPreviewHook old = SetMapPreviewHook([&](TrpReport &r) {
        pages = r.EMFPages().Count();
        title = r.Title;
        TrpPreviewForm preview;
        preview.Connect(r);
        preview.PrintBtnClick();
    });
    TMapsPrinter printer(doc, lookups);
    printer.Options.Position = 2;
    printer.Options.MapQuantity = 1;
    MapPrintRequest rq;
    rq.doc = &doc;
    rq.settings = &settings;
    rq.reportsFolder = paths.ReportsFolder();
    rq.lookups = lookups;
    PrintMapsReport(printer, rq);
    SetMapPreviewHook(old);
    TrpPreviewForm::SetFileDialogHook({});
    TrpPreviewForm::SetPrintDialogHook({});
    rpMeasuringCanvas().SetMeasurer(nullptr);

    EXPECT_EQ(pages, int(doc.Tabs.size()));
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(test::PdfPageCount(pdf), pages);
    if (qEnvironmentVariableIsSet("KV_MAPS_PDF")) QFile::copy(pdf, qEnvironmentVariable("KV_MAPS_PDF") + "-virtual.pdf");
    if (!test::HavePdfTools()) GTEST_SKIP() << "pdfinfo and pdftotext are missing: the title and text are not read";
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(test::PdfInfo(pdf, QStringLiteral("Title")), title);
    EXPECT_EQ(test::PdfInfo(pdf, QStringLiteral("Pages")).toInt(), pages);
    const QStringList text = test::PdfText(pdf).split(QChar(12), Qt::SkipEmptyParts);
    ASSERT_EQ(text.size(), pages);
    for (int i = 0; i < pages; ++i)
        for (const MapPart &p : doc.Tabs[size_t(i)].Parts)
            EXPECT_TRUE(text[i].contains(p.Title)) << "map " << i + 1 << ": " << p.Title.toStdString();
}

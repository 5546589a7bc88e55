// The cutting maps printed from their preview on a machine without a printer:
// the virtual printer writes a PDF that reads as the maps do (one page per
// map, the report's title, the part names as text).
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/output/printer.h"
#include "report/windows/preview.h"
#include "report/windows/printdialog.h"
#include "resources/tests/mapjob.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/pdf.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kv;

TEST(MapsPdf, OnePagePerMapWithTheTitleAndThePartNames)
{
    ASSERT_TRUE(rpPrinter().IsVirtual());
    rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
    kvtest::MapJob job;
    const MapDocument &doc = job.doc;
    const QString pdf = job.dir.filePath(QStringLiteral("карты.pdf"));
    int pages = 0;
    QString title;
    // The user of the preview: OK in its print dialog, then the file.
    test::FakeUi user;
    user.onModal = [](QDialog &d) { return int(qobject_cast<TrpPrintForm *>(&d) ? QDialog::Accepted : QDialog::Rejected); };
    user.onFile = [&](FileChoice &) { return pdf; };
    job.PrintMaps(1, [&](TrpReport &r) {
        pages = r.EMFPages().Count();
        title = r.Title;
        TrpPreviewForm preview;
        AttachUi(&preview, &user);
        preview.Connect(r);
        preview.PrintBtnClick();
    });
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

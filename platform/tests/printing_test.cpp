// The machine's print system through Qt. Runs against whatever printers the
// machine has; the reading of a printer is checked where there is one.
#include <gtest/gtest.h>

#include <QPrinter>

#include "platform/printing.h"

TEST(QtPrintSystem, ReadsTheDefaultPrinterInOneGo)
{
    auto system = kv::CreateQtPrintSystem();
    const QStringList names = system->PrinterNames();
    kv::PrinterProfile profile;
    EXPECT_FALSE(system->ReadPrinter(QStringLiteral("no such printer here"), profile));
    if (names.isEmpty()) GTEST_SKIP() << "no printer on this machine";
    const QString name = system->DefaultPrinter().isEmpty() ? names.first() : system->DefaultPrinter();
    const int before = kv::PrintSystemQueries();
    ASSERT_TRUE(system->ReadPrinter(name, profile));
    EXPECT_EQ(kv::PrintSystemQueries() - before, 1);
    EXPECT_EQ(profile.Name, name);
    EXPECT_GT(profile.DpiX, 0);
    ASSERT_FALSE(profile.Papers.isEmpty());
    EXPECT_TRUE(profile.FindPaper(profile.PaperSize) || profile.PaperSize == 256);
    for (const kv::PrinterPaper &p : profile.Papers) {
        EXPECT_GT(p.Code, 0);
        EXPECT_NE(p.Code, 256);
        EXPECT_EQ(p.Sheet[1].size(), p.Sheet[0].size().transposed()) << p.Name.toStdString();
        for (int o = 0; o < 2; ++o)
            EXPECT_TRUE(p.Sheet[o].contains(p.Printable[o])) << p.Name.toStdString() << " " << o;
    }
    if (const kv::PrinterPaper *a4 = profile.FindPaper(9)) {
        EXPECT_EQ(a4->Width, 2100);
        EXPECT_EQ(a4->Height, 2970);
        // Qt keeps sizes in whole points.
        EXPECT_NEAR(a4->Sheet[0].width(), 210 / 25.4 * profile.DpiX, profile.DpiX / 72.0 + 1);
    }
}

TEST(QtPrintSystem, TargetsAPrinterOrAPdfFile)
{
    QPrinter printer(QPrinter::HighResolution);
    kv::TargetPrinter(printer, QString(), QStringLiteral("/tmp/x.pdf"));
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer.outputFileName(), QStringLiteral("/tmp/x.pdf"));
    // No file yet (a page setup): still no printer of the machine.
    QPrinter setup(QPrinter::HighResolution);
    kv::TargetPrinter(setup, QString());
    EXPECT_EQ(setup.outputFormat(), QPrinter::PdfFormat);
    EXPECT_TRUE(setup.printerName().isEmpty()) << setup.printerName().toStdString();
    auto system = kv::CreateQtPrintSystem();
    const QStringList names = system->PrinterNames();
    if (names.isEmpty()) GTEST_SKIP() << "no printer on this machine";
    kv::TargetPrinter(printer, names.first());
    EXPECT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
    EXPECT_EQ(printer.printerName(), names.first());
}

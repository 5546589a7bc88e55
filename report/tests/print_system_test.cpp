// The print system is asked when a printer is chosen, never per page: a
// report of 100 pages built, exported, saved, loaded and unpacked on a real
// (here: counted) printer asks it nothing more.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QObject>
#include <QTemporaryDir>

#include "platform/printing.h"
#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/model/prepared.h"
#include "report/model/views.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"

namespace {

// One office printer with A4 and A3 at 300 dpi and a 6 mm unprintable edge;
// every question to it is counted.
class CountedPrintSystem : public kv::PrintSystem
{
public:
    explicit CountedPrintSystem(int &calls) : m_calls(calls) {}
    QStringList PrinterNames() override { return ++m_calls, QStringList{"Office"}; }
    QString DefaultPrinter() override { return ++m_calls, QStringLiteral("Office"); }
    bool ReadPrinter(const QString &name, kv::PrinterProfile &profile) override
    {
        ++m_calls;
        profile = kv::PrinterProfile();
        profile.Name = name;
        profile.DpiX = profile.DpiY = 300;
        for (const auto &[code, w, h] : {std::tuple{9, 2480, 3508}, std::tuple{8, 3508, 4961}}) {
            kv::PrinterPaper p;
            p.Code = code;
            p.Name = code == 9 ? "A4" : "A3";
            p.Width = code == 9 ? 2100 : 2970;
            p.Height = code == 9 ? 2970 : 4200;
            p.Sheet[0] = QRect(0, 0, w, h);
            p.Sheet[1] = QRect(0, 0, h, w);
            p.Printable[0] = QRect(71, 71, w - 142, h - 142);
            p.Printable[1] = QRect(71, 71, h - 142, w - 142);
            profile.Papers.append(p);
        }
        return true;
    }

private:
    int &m_calls;
};

struct HundredPages
{
    QObject owner;
    TrpReport report{&owner};
    int pos = 0;

    HundredPages()
    {
        report.ShowProgress = false;
        report.Pages().Clear();
        TrpPage *page = report.Pages().Add();
        page->Name = QStringLiteral("Page1");
        page->SetPaper(9, 2100, 2970, -1, 0);
        auto *src = new TrpUserDataset(&owner);
        src->SetName(QStringLiteral("rpsrcRows"));
        src->OnFirst = [this](TrpDataset &) { pos = 0; };
        src->OnNext = [this](TrpDataset &) { ++pos; };
        src->OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = pos >= 100; };
        report.OnGetValue = [this](const QString &name, TrpValue &value) {
            if (name != QLatin1String("N")) return false;
            value = pos + 1;
            return true;
        };
        auto band = std::make_unique<TrpBandView>();
        band->SetBandType(btMasterData);
        band->Name = QStringLiteral("MasterData1");
        band->SetBounds(0, 40, 700, 20);
        band->DisplayFormatText = QStringLiteral("rpsrcRows");
        band->Flags |= rpbfFormNewPage;
        page->AddView(std::move(band));
        auto memo = std::make_unique<TrpMemoView>();
        memo->Name = QStringLiteral("Memo1");
        memo->SetBounds(10, 40, 300, 20);
        memo->Memo = QStringList{QStringLiteral("Деталь [N]")};
        page->AddView(std::move(memo));
    }
};

} // namespace

TEST(PrintSystem, AskedWhenChosenNeverPerPage)
{
    rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
    struct Restore
    {
        ~Restore()
        {
            rpAssignPrintSystem(nullptr);
            rpMeasuringCanvas().SetMeasurer(nullptr);
        }
    } restore;
    int calls = 0;
    auto counted = std::make_unique<CountedPrintSystem>(calls);
    // The machine's own print system, whatever it has, is counted by the platform.
    for (const bool machine : {false, true}) {
        const int queriesBefore = kv::PrintSystemQueries();
        if (machine) rpAssignPrintSystem(kv::CreateQtPrintSystem());
        else rpAssignPrintSystem(std::move(counted));
        const int chosen = machine ? kv::PrintSystemQueries() : calls;
        const int engineCalls = rpPrinter().PlatformCalls();
        EXPECT_LE(chosen - (machine ? queriesBefore : 0), 3) << machine;

        HundredPages r;
        ASSERT_TRUE(r.report.Prepare());
        TrpEMFPages &pages = r.report.EMFPages();
        ASSERT_EQ(pages.Count(), 100);
        if (!machine) {
            // The pages stand on the office printer's A4, not on the virtual one's.
            TrpPageMetrics m;
            rpPrinter().FillPageMetrics(m);
            EXPECT_EQ(pages.GetPage(99)->PageMetrics, m);
            EXPECT_EQ(m.OffsetX, 22);        // 71 px at 300 dpi
            EXPECT_EQ(m.DeviceWidth, 2480);
        }
        QTemporaryDir dir;
        TrpTextExport text;
        TrpHTMExport htm;
        TrpCSVExport csv;
        TrpRTFExport rtf;
        for (TrpExportFilter *f : std::initializer_list<TrpExportFilter *>{&text, &htm, &csv, &rtf}) {
            f->ShowDialog = false;
            ASSERT_TRUE(r.report.ExportPrepared(*f, dir.filePath(QStringLiteral("out"))));
        }
        const QString rpp = dir.filePath(QStringLiteral("out.rpp"));
        r.report.SavePrepared(rpp);
        r.report.LoadPrepared(rpp);
        ASSERT_EQ(pages.Count(), 100);
        for (int i = 0; i < pages.Count(); ++i) ASSERT_TRUE(pages.UnpackPage(i));
        // A page of another paper and orientation is answered from what was read.
        TrpPage a3(8, 2970, 4200, -1, 1);
        if (!machine) {
            EXPECT_EQ(a3.PaperWidth, 4200);
        }

        EXPECT_EQ(machine ? kv::PrintSystemQueries() : calls, chosen) << machine;
        EXPECT_EQ(rpPrinter().PlatformCalls(), engineCalls) << machine;
    }
}

// "Reports\RskMaps.rpf" over the engine's golden mixed job: the whole print
// road from the confirmed choices to the built report, its text export as a
// golden file, and a PDF through the virtual printer.
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/text.h"
#include "print/flows/maproad.h"
#include "print/objects/registration.h"
#include "report/model/prepared.h"
#include "print/stats/sums.h"
#include "print/objects/rskmapview.h"
#include "print/objects/detalslistview.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "resources/reports.h"
#include "data/testsupport/mixedjob.h"
#include "platform/testsupport/fakeui.h"
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

// Pages are built on the engine's virtual printer, whatever is installed,
// and the printer is given back as it was.
struct PinnedVirtualPrinter
{
    int index = rpPrinter().PrinterIndex();
    PinnedVirtualPrinter() { rpPrinter().SetPrinterIndex(rpPrinter().VirtualPrinterIndex()); }
    ~PinnedVirtualPrinter() { rpPrinter().SetPrinterIndex(index); }
};

class MapsReport : public ::testing::Test
{
protected:
    PinnedVirtualPrinter pinned;
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    std::unique_ptr<Settings> settings;
    MapDocument doc = kvtest::MixedJobDocument();
    kv::test::FakeUi ui;

    void SetUp() override
    {
        // Cells as high as Arial 10's: a line of the parts list then never
        // shares a line of the text export with the next one.
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6, 15));
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
    }

    // Builds the maps report of the whole job and hands it over.
    void build(int mapsPerPage, const std::function<void(TrpReport &)> &take)
    {
        ui.onReports<TrpReport>([take](TrpReport &r) {
            ASSERT_TRUE(r.Prepare()) << r.LastBuildError.toStdString();
            take(r);
        });
        TMapsPrinter printer(doc, lookups());
        printer.Options.Position = 2;
        printer.Options.MapQuantity = mapsPerPage;
        MapPrintRequest rq;
        rq.doc = &doc;
        rq.settings = settings.get();
        rq.reportsFolder = paths->ReportsFolder();
        rq.lookups = lookups();
        rq.ui = &ui;
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

namespace {

// A sheet of 40 groups of parts (two of each), every third banded, between
// two ordinary maps: its list is far longer than the room beside the map.
MapTab fortyGroups()
{
    MapTab t;
    t.Caption = QStringLiteral("2: Лист 2");
    t.MaterialCode = 7;
    t.RealWidth = 2800, t.RealHeight = 2070;
    for (int i = 0; i < 40; ++i) {
        MapPart p;
        p.Title = QStringLiteral("Деталь %1").arg(i + 1, 2, 10, QLatin1Char('0'));
        p.RealLeft = (i % 8) * 350, p.RealTop = (i / 8) * 410;
        p.RealWidth = 300 + i, p.RealHeight = 200;
        if (i % 3 == 0) p.LeftBorder = 1 + i % 4, p.TopBorder = 3;
        t.Parts.push_back(p);
        t.Parts.push_back(p);
    }
    return t;
}

struct ListPieces
{
    QStringList names;        // the parts of the pieces in page order
    QList<int> totals;        // their edge-banding codes
    int pieces = 0;
};

} // namespace

TEST_F(MapsReport, EveryPartAndTotalOfALongListReachesThePagesAtEveryMapsPerPage)
{
    MapDocument small = doc;
    doc.Tabs = {small.Tabs[0], fortyGroups(), small.Tabs[1]};
    QStringList want;
    for (int i = 0; i < 40; ++i) want << QStringLiteral("Деталь %1").arg(i + 1, 2, 10, QLatin1Char('0'));
    for (const int perPage : {1, 2, 3, 4}) {
        std::vector<ListPieces> lists(doc.Tabs.size());
        int pages = 0;
        QByteArray text;
        QStringList cut;
        build(perPage, [&](TrpReport &r) {
            pages = r.EMFPages().Count();
            text = textExport(r);
            // The records of each list, piece by piece; a piece belongs to
            // the map before it.
            int map = -1;
            for (int i = 0; i < pages; ++i) {
                TrpPage *pg = r.EMFPages().UnpackPage(i);
                ASSERT_TRUE(pg);
                for (const auto &v : pg->Views()) {
                    if (dynamic_cast<TrpRskMapView *>(v.get())) ++map;
                    auto *list = dynamic_cast<TrpDetalsListView *>(v.get());
                    if (!list || map < 0) continue;
                    ListPieces &l = lists[size_t(map)];
                    ++l.pieces;
                    for (const TDetalsListRec &d : list->Detals) l.names << d.Name;
                    for (const TBorderTotalRec &t : list->Totals) l.totals << t.Code;
                }
            }
            if (qEnvironmentVariableIsSet("KV_MAPS_PDF")) {
                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(qEnvironmentVariable("KV_MAPS_PDF") + QStringLiteral("long%1.pdf").arg(perPage));
                r.PrintPrepared(printer, QString(), 1, true);
            }
            // Drawn at three zooms, every line is drawn and stands whole inside its piece.
            for (const double zoom : {0.75, 1.0, 1.5}) {
                QStringList drawn;
                for (int i = 0; i < pages; ++i) {
                    TrpCanvas c(std::make_shared<TrpFixedPitchMeasurer>(6, 15));
                    const TrpPreparedPage *pg = r.EMFPages().GetPage(i);
                    ASSERT_TRUE(pg);
                    r.EMFPages().DrawPage(i, &c, QRect(0, 0, int(1071 * zoom), int(758 * zoom)));
                    for (const TrpCanvasRecord &rec : c.Records()) {
                        // The list's lines, not the names written on the map.
                        if (rec.Kind != TrpCanvasRecord::Text || !rec.Str.startsWith(QStringLiteral("Деталь")) ||
                            !rec.Str.endsWith(QStringLiteral(" шт")))
                            continue;
                        drawn << rec.Str.section(QLatin1Char(' '), 0, 1);
                        if (!rec.Clip.isEmpty() && rec.Rect.Bottom > rec.Clip.Bottom)
                            cut << QStringLiteral("%1 at %2 on page %3").arg(rec.Str).arg(zoom).arg(i + 1);
                    }
                }
                EXPECT_EQ(drawn, want) << perPage << " maps a page at zoom " << zoom;
            }
        });
        const ListPieces &l = lists[1];
        EXPECT_EQ(l.names, want) << perPage << " maps a page";
        EXPECT_EQ(l.totals, (QList<int>{1, 3, 4, 2})) << perPage << " maps a page";
        EXPECT_GT(l.pieces, 1) << perPage << " maps a page: the list goes on over the page";
        EXPECT_TRUE(cut.isEmpty()) << perPage << ": " << cut.join(QStringLiteral(", ")).toStdString();
        for (const QString &name : want) EXPECT_TRUE(text.contains(toCp1251(name))) << name.toStdString();
        EXPECT_TRUE(text.contains(toCp1251(QStringLiteral("ПВХ-4[4]")))) << perPage;
        // The maps around it keep their lists whole too.
        EXPECT_EQ(lists[0].names.size(), qsizetype(GetSheetDetals(doc.Tabs[0]).size()));
        EXPECT_EQ(lists[2].names.size(), qsizetype(GetSheetDetals(doc.Tabs[2]).size()));
    }
}

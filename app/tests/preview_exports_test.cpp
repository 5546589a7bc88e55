// Every report the program previews, opened as a user opens it: the real
// preview window, its buttons and the list of its save dialog, with the
// settings of each export that list offers.
#include "app/common/printcontext.h"
#include "app/models/modelsprint.h"
#include "app/partbase/raskroygroup.h"
#include "app/stock/warehouse.h"
#include "app/tests/appfixture.h"
#include "app/tests/fakemainwindow.h"
#include "app/tests/scopedprinter.h"
#include "data/maps/mapdoc.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"
#include "platform/ui.h"
#include "print/flows/fullstat.h"
#include "print/flows/labeldialogs.h"
#include "print/flows/maproad.h"
#include "print/flows/scrapsinfo.h"
#include "print/objects/registration.h"
#include "print/stats/labels.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "report/windows/preview.h"
#include "resources/reports.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kv;

namespace {

// What the open preview offers: its visible toolbar buttons, its save list
// ("description|mask" pairs) and each export's options.
struct Offered
{
    QStringList buttons;
    QString saveList;
    QStringList exports;   // "rtf 1.3 1 no dialog", "csv ; no dialog", ...
    int previews = 0;
};

QString exportLine(const TrpExportFilterInfo &info)
{
    auto *t = dynamic_cast<TrpTextExport *>(info.Filter);
    QString line = info.Mask.mid(2);
    if (t) line += QStringLiteral(" %1 %2").arg(t->ScaleX()).arg(t->ScaleY());
    if (auto *csv = dynamic_cast<TrpCSVExport *>(info.Filter)) line += QLatin1Char(' ') + csv->Delimiter;
    line += info.Filter->ShowDialog ? QStringLiteral(" dialog") : QStringLiteral(" no dialog");
    return line;
}

// Takes what the preview the road opens offers through its own save button
// (the file dialog answered with Cancel), and closes it. A modal preview is
// run by the user interface; a modeless one is waited for.
Offered whatThePreviewOffers(kv::test::FakeUi &ui, const std::function<void()> &road)
{
    Offered seen;
    const auto answer = kv::test::ScopedSet(ui.onFile, [&seen](FileChoice &c) {
        if (c.save) seen.saveList = c.filter;
        return QString();
    });
    auto look = [&seen](TrpPreviewForm *preview) {
        preview->setProperty("seen", true);
        ++seen.previews;
        for (const char *name : {"ZoomBtn", "LoadBtn", "SaveBtn", "PrintBtn", "PageSetupBtn", "FindBtn", "HelpBtn",
                                 "ExitBtn"})
            if (QWidget *b = preview->findChild<QWidget *>(QLatin1String(name)); b && !b->isHidden())
                seen.buttons << QString::fromLatin1(name);
        for (const TrpExportFilterInfo &info : rpExportFilters()) seen.exports << exportLine(info);
        preview->SaveBtnClick();
        preview->ExitBtnClick();
    };
    auto other = ui.onModal;
    const auto modal = kv::test::ScopedSet(ui.onModal, [&look, other](QDialog &d) {
        auto *preview = qobject_cast<TrpPreviewForm *>(&d);
        if (!preview) return other ? other(d) : int(QDialog::Rejected);
        d.show();
        look(preview);
        return d.result();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *preview = qobject_cast<TrpPreviewForm *>(w);
            if (preview && preview->isVisible() && !preview->property("seen").toBool()) look(preview);
        }
    });
    poll.start(5);
    road();
    for (int i = 0; i < 200 && seen.previews == 0; ++i) QTest::qWait(5);   // a modeless preview
    poll.stop();
    return seen;
}

MapDocument oneMap()
{
    MapDocument doc;
    MapTab t;
    t.Caption = QStringLiteral("1: Лист 1");
    t.MaterialCode = 1;
    t.RealWidth = 2800, t.RealHeight = 2070;
    MapPart p;
    p.Title = QStringLiteral("Бок");
    p.RealWidth = 720, p.RealHeight = 560;
    p.LeftBorder = 3;
    t.Parts = {p};
    MapScrap s;
    s.ScrapType = stNormalScrap;
    s.RealLeft = 724, s.RealWidth = 2076, s.RealHeight = 2070;
    t.Scraps = {s};
    t.DetalsSquare = 720.0 * 560;
    t.ScrapSquare = 2076.0 * 2070;
    t.LostSquare = 2800.0 * 2070 - t.DetalsSquare - t.ScrapSquare;
    t.TotalSquare = t.ScrapSquare + t.LostSquare;
    doc.Tabs = {t};
    return doc;
}

class PreviewExports : public ::testing::Test
{
protected:
    const kv::test::ScopedEnginePrinter keepPrinter;
    AppFixture app{true};   // with the warehouse's working copies
    std::unique_ptr<FakeMainWindow> frame;
    MapDocument doc = oneMap();

    void SetUp() override
    {
        rpPrinter().SetPrinterIndex(rpPrinter().VirtualPrinterIndex());
        RegisterPrintObjects();
        const QString types = Query::QuotePath(app.paths.OwnMaterialsTable());
        Query::Exec("Insert into " + types + " Values(?, ?)", {QStringLiteral("ЛДСП Бук"), 1});
        Query::Exec("Insert into " + Query::QuotePath(app.paths.BordersTable()) + " Values(?, ?, ?, ?)",
                    {3, QStringLiteral("ПВХ 2 мм"), 255, 20});
        app.borders->LoadBorders();
        WriteMissingReports(app.paths.ReportsFolder());
        frame = std::make_unique<FakeMainWindow>(app.ctx);
        frame->area.show();
        app.ui.realReports = true;
    }
    void TearDown() override
    {
        for (TMdiChild *c : frame->Children()) c->SetShuttingDown();
        frame->area.closeAllSubWindows();
    }
    PrintContext ctx() { return PrintContextOf(app.ctx); }

    TfrmRaskroyGroup *partBaseWindow()
    {
        auto *w = new TfrmRaskroyGroup(app.ctx);
        EXPECT_TRUE(w->NewGroup());
        w->ShowChild();
        Table &t = w->Document().table();
        t.Append();
        t.FieldByName("NAME")->SetAsString(QStringLiteral("Полка"));
        t.FieldByName("LENGTH")->SetAsInteger(600);
        t.FieldByName("WIDTH")->SetAsInteger(300);
        t.FieldByName("MANY")->SetAsInteger(2);
        t.FieldByName("MATERIAL")->SetAsInteger(1);
        t.Post();
        w->Document().Models = {{QStringLiteral("Шкаф"), QStringLiteral("1")}};
        return w;
    }
};

} // namespace

TEST_F(PreviewExports, EveryPreviewOffersTheExportsOfItsWindow)
{
    const QString rpp = QStringLiteral("Report file (*.rpp)|*.rpp");
    // The statistics window's four, none asking for options.
    const QString statisticsList = rpp + QStringLiteral("|Rich Text file (*.rtf)|*.rtf|CSV File (*.csv)|*.csv"
                                                        "|HTML file (*.htm)|*.htm|ASCII Text file (*.txt)|*.txt");
    const QStringList statistics = {"rtf 1.3 1 no dialog", "csv 1 1 ; no dialog", "htm 1 1 no dialog",
                                    "txt 1 1 no dialog"};
    // The part-base window's: RTF without options, the others with theirs.
    const QString partBaseList = rpp + QStringLiteral("|Rich Text file (*.rtf)|*.rtf|CSV File (*.csv)|*.csv"
                                                      "|ASCII Text file (*.txt)|*.txt|HTML file (*.htm)|*.htm");
    const QStringList partBase = {"rtf 1.3 1 no dialog", "csv 1 1 ; dialog", "txt 1 1 dialog", "htm 1 1 dialog"};
    const QStringList mapButtons = {"ZoomBtn", "LoadBtn", "SaveBtn", "PrintBtn", "FindBtn", "ExitBtn"};
    const QStringList allButtons = {"ZoomBtn", "LoadBtn", "SaveBtn", "PrintBtn", "FindBtn", "HelpBtn", "ExitBtn"};

    std::unique_ptr<TfrmWareHouse> warehouse;
    struct Case
    {
        const char *what;
        std::function<void()> road;
        QString saveList;
        QStringList exports;
        QStringList buttons;
    };
    const Case cases[] = {
        {"cutting maps",
         [&] {
             TMapsPrinter printer(doc, {});
             MapPrintRequest rq;
             rq.doc = &doc;
             rq.settings = app.settings.get();
             rq.reportsFolder = app.paths.ReportsFolder();
             rq.ui = &app.ui;
             PrintMapsReport(printer, rq);
         },
         rpp, {}, mapButtons},
        {"statistics of a variant",
         [&] {
             TfrmFullStat w(ctx());
             w.SetVariant(&doc, QStringLiteral("ЛДСП Бук"), MapsBordersLength(doc, ctx().lookups));
             w.bbPrintClick();
         },
         statisticsList, statistics, allButtons},
        {"off-cut totals", [&] { PrintScrapsInfo(ctx(), doc, nullptr); }, rpp, {}, allButtons},
        {"part labels",
         [&] {
             TfrmPrintDetalsLabel d(ctx());
             d.Lists() = GetDetalsLabels(doc, ctx().lookups);
             d.bbPrintClick();
         },
         rpp, {}, allButtons},
        {"part base as a list", [&] { partBaseWindow()->ExecuteCommand(MainCommand::PrintList); }, partBaseList, partBase,
         mapButtons},
        {"part base grouped by materials", [&] { partBaseWindow()->ExecuteCommand(MainCommand::PrintGrouped); },
         partBaseList, partBase, mapButtons},
        {"models of a part base", [&] { partBaseWindow()->PrintModelsListExecute(); }, partBaseList, partBase, allButtons},
        {"models base list", [&] { PrintModelsList(app.ctx, {{QStringLiteral("Стол"), 2}}); }, rpp, {}, allButtons},
        {"standard sheets",
         [&] {
             warehouse = std::make_unique<TfrmWareHouse>(app.ctx);
             warehouse->PrintSheetsActionExecute();
         },
         rpp, {}, allButtons},
        {"warehouse statistics", [&] { warehouse->ShowWareHouseInfo(); }, rpp, {}, allButtons},
    };
    for (const Case &c : cases) {
        kv::test::ScopedAnswers answers(app.ui);
        const Offered seen = whatThePreviewOffers(app.ui, c.road);
        for (const ShownMessage &m : answers.shown()) ADD_FAILURE() << c.what << ": " << m.text.toStdString();
        ASSERT_EQ(seen.previews, 1) << c.what;
        EXPECT_EQ(seen.saveList, c.saveList) << c.what;
        EXPECT_EQ(seen.exports, c.exports) << c.what;
        EXPECT_EQ(seen.buttons, c.buttons) << c.what;
        EXPECT_TRUE(rpExportFilters().isEmpty()) << c.what << ": the exports go with their window";
    }
}

// Statistics, edge-banding consumption, stickers and off-cut totals of a
// variant: the windows, their settings, the printed reports over our own
// templates, and the main window's commands from a results, part-base and
// warehouse window.
#include "app/common/printcontext.h"
#include "app/partbase/raskroygroup.h"
#include "app/results/formsheets.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "app/stock/warehouse.h"
#include "app/tests/appfixture.h"
#include "app/tests/scopedprinter.h"
#include "controls/spinedit.h"
#include "controls/stringgrid.h"
#include "data/datamodule.h"
#include "platform/db/query.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "print/flows/bordersinfo.h"
#include "print/flows/fullstat.h"
#include "print/flows/labeldialogs.h"
#include "print/flows/scrapsinfo.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/model/page.h"
#include "report/model/prepared.h"
#include "report/output/textexports.h"
#include "report/windows/enginectl.h"
#include "report/windows/preview.h"
#include "report/windows/printdialog.h"
#include "resources/reports.h"
#include "platform/testsupport/pdf.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QPoint>
#include <QRect>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

const QChar CR(13);

template <class T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
}

QByteArray textOf(TrpReport &report)
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
    const QString path = QStringLiteral(KV_TEST_DATA_DIR "/") + name;
    if (qEnvironmentVariableIsSet("KV_UPDATE_GOLDEN")) {
        QDir().mkpath(QStringLiteral(KV_TEST_DATA_DIR));
        QFile g(path);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write(bytes);
        return;
    }
    QFile g(path);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly)) << path.toStdString();
    EXPECT_EQ(fromCp1251(bytes).toStdString(), fromCp1251(g.readAll()).toStdString()) << name.toStdString();
}

MapPart part(const QString &name, int w, int h, int l = 0, int t = 0, int r = 0, int b = 0)
{
    MapPart p;
    p.Title = name;
    p.RealWidth = w, p.RealHeight = h;
    p.LeftBorder = l, p.TopBorder = t, p.RightBorder = r, p.BottomBorder = b;
    return p;
}

MapScrap scrap(int w, int h, bool usable, const QString &name = QString())
{
    MapScrap s;
    s.RealWidth = w, s.RealHeight = h;
    s.ScrapType = usable ? stNormalScrap : stLostScrap;
    s.ScrapName = name;
    return s;
}

MapTab tab(int code, int w, int h, int quantity, std::vector<MapPart> parts, std::vector<MapScrap> scraps, int cuts,
           double cutLength)
{
    MapTab t;
    t.MaterialCode = code;
    t.RealWidth = w, t.RealHeight = h, t.Quantity = quantity;
    t.Parts = std::move(parts);
    t.Scraps = std::move(scraps);
    t.MillLinesCount = cuts;
    t.MillLinesLength = cutLength;
    t.Remark = QStringLiteral("заказ 12");
    for (const MapPart &p : t.Parts) t.DetalsSquare += double(p.Area());
    for (const MapScrap &s : t.Scraps)
        if (s.ScrapType == stNormalScrap) t.ScrapSquare += double(s.Area());
    t.LostSquare = double(t.SheetArea()) - t.ScrapSquare - t.DetalsSquare;
    t.TotalSquare = t.ScrapSquare + t.LostSquare;
    return t;
}

// Two materials, a map cut from two sheets, an off-cut map, a hidden map.
void fillVariant(MapDocument &doc)
{
    doc.Tabs.push_back(tab(1, 2800, 2070, 2, {part("Бок", 720, 560, 1), part("Бок", 720, 560, 1), part("Полка", 560, 280, 0, 2, 0, 2)},
                           {scrap(1000, 600, true, "Ост-1"), scrap(100, 50, false)}, 5, 9000));
    MapTab off = tab(2, 1200, 600, 1, {part("Дверь", 716, 396)}, {scrap(400, 600, true)}, 2, 1800);
    off.SheetName = QStringLiteral("OST-7");
    doc.Tabs.push_back(off);
    MapTab hidden = tab(1, 2800, 2070, 1, {part("Цоколь", 800, 100, 2, 2, 2, 2)}, {scrap(2000, 2000, true, "Ост-9")}, 1, 2800);
    hidden.Visible = false;
    doc.Tabs.push_back(hidden);
}

class StatsPrint : public ::testing::Test
{
protected:
    const kv::test::ScopedEnginePrinter keepPrinter;
    AppFixture app;
    QList<QByteArray> printed;
    QList<int> pages;
    std::function<void(TrpReport &)> onReport;

    void SetUp() override
    {
        Query::Exec("Insert into " + Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)", {"ДСП 16 мм", 1});
        Query::Exec("Insert into " + Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)", {"МДФ белый", 2});
        const QString b = Query::QuotePath(app.paths.BordersTable());
        Query::Exec("Insert into " + b + " Values(?, ?, ?, ?)", {1, "ПВХ 0.4 мм", 255, 2});
        Query::Exec("Insert into " + b + " Values(?, ?, ?, ?)", {2, "ПВХ 2 мм", 65280, 20});
        app.borders->LoadBorders();
        WriteMissingReports(app.paths.ReportsFolder());
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        app.ui.onReports<TrpReport>([this](TrpReport &r) {
            r.Now = [] { return 46000.0; };
            ASSERT_TRUE(r.Prepare()) << r.LastBuildError.toStdString();
            printed << textOf(r);
            pages << r.EMFPages().Count();
            if (qEnvironmentVariableIsSet("KV_STATS_PDF")) {   // to look at the pages
                static int n = 0;
                QPrinter pdf(QPrinter::HighResolution);
                pdf.setOutputFormat(QPrinter::PdfFormat);
                pdf.setOutputFileName(qEnvironmentVariable("KV_STATS_PDF") + QString::number(++n) + ".pdf");
                r.PrintPrepared(pdf, QString(), 1, true);
            }
            if (onReport) onReport(r);
        });
    }
    void TearDown() override
    {
        rpMeasuringCanvas().SetMeasurer(nullptr);
    }
    PrintContext ctx() { return PrintContextOf(app.ctx); }
};

} // namespace

TEST_F(StatsPrint, StatisticsWindowShowsTheVariantAndPrintsOneSectionPerMap)
{
    MapDocument doc;
    fillVariant(doc);
    int shown = 0;
    const auto answer = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
        if (auto *b = qobject_cast<TfrmBordersInfo *>(&d)) {
            d.show();
            EXPECT_EQ(b->Grid->RowCount(), 3);
            EXPECT_EQ(b->Grid->GetCellText(0, 1), "ПВХ 0.4 мм");
            EXPECT_EQ(b->Grid->GetCellText(1, 1), "2.25");   // 2 sheets x 2 x (560 + 2)
            EXPECT_EQ(b->Grid->GetCellText(0, 2), "ПВХ 2 мм");
            EXPECT_EQ(b->Grid->GetCellText(1, 2), "2.32");   // 2 sheets x 2 x (560 + 20)
            b->grab().save("/tmp/h23-bordersinfo.png");
            b->bbOk->click();
            return int(d.result());
        }
        auto *w = qobject_cast<TfrmFullStat *>(&d);
        EXPECT_TRUE(w);
        if (!w) return int(QDialog::Rejected);
        ++shown;
        d.show();
        EXPECT_EQ(w->lbMatName->text(), "<все материалы>");
        EXPECT_EQ(w->lbDetalsSquare->text(), "2.210 кв м");
        EXPECT_EQ(w->lbScraps->text(), "1.440 кв м");
        EXPECT_EQ(w->lbMillCount->text(), "12");
        EXPECT_EQ(w->lbMillLength->text(), "19.80 м");
        EXPECT_TRUE(w->bbBorders->isEnabled());
        w->grab().save("/tmp/h23-fullstat.png");
        w->bbBorders->click();
        w->bbPrint->click();
        w->bbOk->click();
        return int(QDialog::Accepted);
    });
    ShowFullStatistics(ctx(), doc, "<все материалы>", nullptr);
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(printed.size(), 1);
    const QString text = fromCp1251(printed[0]);
    EXPECT_TRUE(text.contains("Лист (OST-7): 1200 x 600")) << text.toStdString();
    EXPECT_TRUE(text.contains("Кол-во: 2"));
    EXPECT_FALSE(text.contains("Цоколь"));
    EXPECT_EQ(text.count("Лист"), 2) << "the hidden map makes no section";
    expectGolden(printed[0], "Statistic.txt");
}

// The page margins move the whole print on the built page: the objects by
// the left margin as the bands by the top one (0 is the printer's own edge).
TEST_F(StatsPrint, PageMarginsMoveThePrintedPage)
{
    MapDocument doc;
    fillVariant(doc);
    struct Place { QRect r; bool right; };
    QMap<QString, Place> at;   // first line of each memo -> its place on the built page
    int rightEdge = 0;
    onReport = [&](TrpReport &r) {
        at.clear();
        if (TrpPage *pg = r.EMFPages().UnpackPage(0)) {
            rightEdge = pg->RightEdge();
            for (const auto &v : pg->Views())
                if (auto *m = dynamic_cast<TrpMemoView *>(v.get()); m && !m->Memo.isEmpty())
                    at.insert(m->Memo.first(), {QRect(m->Left, m->Top, m->Width, m->Height), (m->Alignment & 7) == rptaRight});
        }
    };
    const auto answer = kv::test::ScopedSet(app.ui.onModal, [](QDialog &d) {
        if (auto *w = qobject_cast<TfrmFullStat *>(&d)) w->bbPrint->click();
        return int(QDialog::Accepted);
    });
    struct Case { const char *print; std::function<void()> run; };
    const Case cases[] = {
        {"statistics", [&] { ShowFullStatistics(ctx(), doc, "<все материалы>", nullptr); }},
        {"off-cut totals", [&] { PrintScrapsInfo(ctx(), doc, nullptr); }},
    };
    for (const Case &c : cases) {
        QList<QMap<QString, Place>> pages;
        for (QPoint mm : {QPoint(0, 0), QPoint(10, 10), QPoint(100, 50)}) {
            app.settings->SetPageLeft(mm.x());
            app.settings->SetPageTop(mm.y());
            c.run();
            pages << at;
        }
        ASSERT_EQ(pages.size(), 3);
        ASSERT_FALSE(pages[0].isEmpty()) << c.print;
        // 0 is the printer's edge of 5 mm; 10 mm are 36 units, 100 mm 360, 50 mm
        // 180. The page footer keeps to the bottom margin, which stays. A text
        // reaching past the right edge ends at it; a right-aligned one starting
        // beyond it (date, page number) moves back to it; a table column that
        // starts beyond it stays where the margin puts it.
        for (auto it = pages[0].constBegin(); it != pages[0].constEnd(); ++it) {
            const std::string what = std::string(c.print) + ": " + it.key().toStdString();
            ASSERT_TRUE(pages[1].contains(it.key()) && pages[2].contains(it.key())) << what;
            const bool footer = it.key().startsWith("Стр.");
            const QRect was = it.value().r, ten = pages[1][it.key()].r, hundred = pages[2][it.key()].r;
            EXPECT_EQ(ten.topLeft() - was.topLeft(), QPoint(18, footer ? 0 : 18)) << what;
            EXPECT_EQ(hundred.top() - was.top(), footer ? 0 : 162) << what;
            if (was.left() + 342 < rightEdge) {
                EXPECT_EQ(hundred.left() - was.left(), 342) << what;
                EXPECT_LE(hundred.left() + hundred.width(), rightEdge) << what;
            } else if (it.value().right) {
                EXPECT_EQ(hundred.left() + hundred.width(), rightEdge) << what;
            } else {
                EXPECT_EQ(hundred.left() - was.left(), 342) << what;
            }
        }
    }
}

TEST_F(StatsPrint, VariantWithoutBandingHasNoBordersButton)
{
    MapDocument doc;
    doc.Tabs.push_back(tab(1, 2800, 2070, 1, {part("A", 100, 100)}, {}, 0, 0));
    const auto answer = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
        d.show();
        auto &w = static_cast<TfrmFullStat &>(d);
        EXPECT_FALSE(w.bbBorders->isEnabled());
        EXPECT_TRUE(w.Borders().isEmpty());   // code 0 dropped
        return int(QDialog::Accepted);
    });
    ShowFullStatistics(ctx(), doc, "ДСП 16 мм", nullptr);
}

TEST_F(StatsPrint, BordersWindowShowsEmptyListAndKeepsItsColumnWidths)
{
    {
        TfrmBordersInfo w(ctx());
        w.show();
        ASSERT_EQ(w.Grid->RowCount(), 2);
        EXPECT_EQ(w.Grid->GetCellText(0, 1), "");
        EXPECT_EQ(w.Grid->GetCellText(1, 1), "0");
        EXPECT_EQ(w.Grid->GetColumnWidth(0), 60);
        w.Grid->SetColumnWidth(0, 140);
        w.Grid->SetColumnWidth(1, 77);
        w.bbOk->click();
    }
    EXPECT_EQ(TIniFile(app.paths.SettingsFile()).ReadInteger("BorderInfo_Window", "ColWidth0", 0), 140);
    TfrmBordersInfo again(ctx());
    BorderTotals t;
    t.add(2, 4160);
    again.SetList(t);
    again.show();
    EXPECT_EQ(again.Grid->GetColumnWidth(0), 140);
    EXPECT_EQ(again.Grid->GetColumnWidth(1), 77);
    EXPECT_EQ(again.Grid->GetCellText(0, 1), "ПВХ 2 мм");
    EXPECT_EQ(again.Grid->GetCellText(1, 1), "4.16");
}

TEST_F(StatsPrint, LabelsOfTwoSizesTileThePageAndKeepTheirSettings)
{
    MapDocument doc;
    fillVariant(doc);
    struct Case { int w, h; const char *golden; };
    const Case cases[] = {{45, 25, "LabelsParts45x25.txt"}, {70, 30, "LabelsParts70x30.txt"}};
    for (const Case &c : cases) {
        printed.clear();
        TfrmPrintDetalsLabel d(ctx());
        d.Lists() = GetDetalsLabels(doc, ctx().lookups);
        EXPECT_EQ(d.StickerCount(), 7);   // 3 parts x 2 sheets + 1 off-cut map part
        d.show();
        d.seWidth->setValue(c.w);
        d.seHeight->setValue(c.h);
        d.rbAlignment[2]->setChecked(true);
        if (c.w == 70 && qEnvironmentVariableIsSet("KV_DIALOG_SHOTS"))
            d.grab().save(qEnvironmentVariable("KV_DIALOG_SHOTS") + QStringLiteral("detalslabel.png"));
        kv::test::ScopedAnswers answers(app.ui);
        d.bbPrint->click();
        EXPECT_TRUE(answers.shown().empty());
        ASSERT_EQ(printed.size(), 1);
        EXPECT_EQ(pages.back(), 1);
        const QString text = fromCp1251(printed[0]);
        EXPECT_TRUE(text.contains("Бок")) << text.toStdString();
        EXPECT_TRUE(text.contains("л: ПВХ 0.4 мм"));
        EXPECT_TRUE(text.contains("в: ПВХ 2 мм") && text.contains("н: ПВХ 2 мм")) << text.toStdString();
        expectGolden(printed[0], c.golden);
        d.bbCancel->click();
        EXPECT_EQ(d.StickerCount(), 0);   // emptied at the close
    }
    // The last choice is kept and shown again.
    TfrmPrintDetalsLabel again(ctx());
    again.show();
    EXPECT_EQ(again.seWidth->Value(), 70);
    EXPECT_EQ(again.seHeight->Value(), 30);
    EXPECT_TRUE(again.rbAlignment[2]->isChecked());
    EXPECT_EQ(TIniFile(app.paths.SettingsFile()).ReadInteger("Print_Detals_Label", "Height", 0), 30);
}

TEST_F(StatsPrint, StickersHoldTheirLinesInASmallerTextOrShowWhereTheyAreCut)
{
    MapDocument doc;
    fillVariant(doc);   // "Полка" banded at top and bottom: six lines with everything ticked
    int size = 0;
    onReport = [&size](TrpReport &r) {
        if (TrpPage *pg = r.EMFPages().UnpackPage(0))
            for (const auto &v : pg->Views())
                if (auto *m = dynamic_cast<TrpMemoView *>(v.get())) size = m->Font.size;
    };
    struct Case { int w, h; bool comment; int size; bool cut; };
    const Case cases[] = {
        {70, 30, true, 10, false},   // room enough at the chosen size
        {45, 25, true, 9, false},    // a point smaller
        {45, 15, false, 6, false},   // five lines at the least size
        {45, 15, true, 6, true},     // the defaults: six lines, the last cut where it shows
    };
    for (const Case &c : cases) {
        printed.clear();
        size = 0;
        TfrmPrintDetalsLabel d(ctx());
        d.Lists() = GetDetalsLabels(doc, ctx().lookups);
        d.show();
        d.seWidth->setValue(c.w);
        d.seHeight->setValue(c.h);
        d.cbxComment->setChecked(c.comment);
        kv::test::ScopedAnswers answers(app.ui);
        d.bbPrint->click();
        EXPECT_TRUE(answers.shown().empty()) << c.w << "x" << c.h;
        ASSERT_EQ(printed.size(), 1);
        EXPECT_EQ(size, c.size) << c.w << "x" << c.h;
        const QString text = fromCp1251(printed[0]);
        for (const char *line : {"Полка", "560 x 280", "ДСП 16 мм", "в: ПВХ 2 мм", "н: ПВХ 2 мм", "л: ПВХ 0.4 мм"})
            EXPECT_EQ(text.contains(QString::fromUtf8(line)), !c.cut || QByteArray(line) != "н: ПВХ 2 мм")
                << c.w << "x" << c.h << ": " << line << "\n" << text.toStdString();
        EXPECT_EQ(text.contains(QChar(0x2026)), c.cut) << text.toStdString();
    }
}

TEST_F(StatsPrint, OffCutLabelsFillPagesAndRefuseImpossibleSizes)
{
    app.ini().WriteInteger("Print_Scraps_Label", "rgrAlignment", 5);
    TfrmPrintScrapsLabel d(ctx());
    for (int i = 0; i < 150; ++i) {
        d.Lists().names << QStringLiteral("О-%1").arg(i + 1);
        d.Lists().sizes << "600 x 400";
        d.Lists().materials << "ДСП 16 мм";
        d.Lists().comments << QString();
    }
    d.show();
    EXPECT_TRUE(d.rbAlignment[0]->isChecked());   // a stored 5 shows the first item
    QString pdf;
    QTemporaryDir out;
    int expected = 0;
    onReport = [&](TrpReport &r) {
        const TrpPage &p = *r.Pages().GetPage(0);
        expected = LabelLayout(45, 15, p.RightEdge() - p.LeftMarginUsed(), p.BottomEdgeOfPaper() - p.TopMarginUsed()).pages(150);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        pdf = out.filePath("labels.pdf");
        printer.setOutputFileName(pdf);
        EXPECT_EQ(r.PrintPrepared(printer, QString(), 1, true), r.EMFPages().Count());
        if (qEnvironmentVariableIsSet("KV_LABELS_PDF")) QFile::copy(pdf, qEnvironmentVariable("KV_LABELS_PDF"));
    };
    d.bbPrint->click();
    ASSERT_EQ(pages.size(), 1);
    // A4 holds 4 x 18 or 19 stickers of 45 x 15 mm: 150 need two or three pages.
    EXPECT_GE(pages[0], 2);
    EXPECT_EQ(pages[0], expected);
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(fromCp1251(printed[0]).contains("О-150"));

    struct Bad { int w, h; const char *message; };
    const Bad bad[] = {{0, 15, "Размер ярлычка должен быть больше нуля."},
                       {45, 0, "Размер ярлычка должен быть больше нуля."},
                       {300, 15, "Ярлычок такого размера не помещается на странице."}};
    for (const Bad &b : bad) {
        printed.clear();
        d.seWidth->setValue(b.w);
        d.seHeight->setValue(b.h);
        kv::test::ScopedAnswers answers(app.ui);
        d.bbPrint->click();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, QString::fromUtf8(b.message));
        EXPECT_TRUE(printed.isEmpty());
    }
}

TEST_F(StatsPrint, OffCutTotalsOneLinePerMaterial)
{
    MapDocument doc;
    fillVariant(doc);
    PrintScrapsInfo(ctx(), doc, nullptr);
    ASSERT_EQ(printed.size(), 1);
    const QString text = fromCp1251(printed[0]);
    EXPECT_EQ(text.count("ДСП 16 мм"), 1) << text.toStdString();
    EXPECT_TRUE(text.contains("5.200"));   // 2 x 0.6 + 4.0 of the hidden map
    expectGolden(printed[0], "ScrapsInfo.txt");
    printed.clear();
    PrintScrapsInfo(ctx(), MapDocument(), nullptr);
    ASSERT_EQ(printed.size(), 1);
    EXPECT_FALSE(fromCp1251(printed[0]).contains("ДСП"));
}

TEST_F(StatsPrint, EveryPreviewPrintsAPdfWithoutAPrinter)
{
    // A PC without printers: the preview of each of these reports still
    // prints, on the virtual printer, into a PDF file the user names.
    ASSERT_TRUE(rpPrinter().IsVirtual());
    ASSERT_EQ(rpPrinter().Printers().size(), 1);
    MapDocument doc;
    fillVariant(doc);
    QTemporaryDir out;
    struct Printed { QString title, pdf; int pages = 0; bool enabled = false; };
    QList<Printed> got;
    onReport = [&](TrpReport &r) {
        Printed p;
        p.title = r.Title;
        p.pages = r.EMFPages().Count();
        p.pdf = out.filePath(QStringLiteral("отчёт%1.pdf").arg(got.size() + 1));
        // The user of the preview: OK in its print dialog, then the file.
        kv::test::FakeUi user;
        user.onModal = [](QDialog &d) { return int(qobject_cast<TrpPrintForm *>(&d) ? QDialog::Accepted : QDialog::Rejected); };
        user.onFile = [&](kv::FileChoice &) { return p.pdf; };
        TrpPreviewForm preview;
        kv::AttachUi(&preview, &user);
        preview.Connect(r);
        p.enabled = preview.PrintBtn->isEnabled();
        preview.PrintBtnClick();
        EXPECT_TRUE(user.unanswered.isEmpty()) << user.unanswered.join(", ").toStdString();
        got << p;
    };
    struct Case { const char *name; std::function<void()> run; const char *text; };
    const Case cases[] = {
        {"statistics", [&] {
             const auto answer = kv::test::ScopedSet(app.ui.onModal, [](QDialog &d) {
                 if (auto *w = qobject_cast<TfrmFullStat *>(&d)) {
                     d.show();
                     w->bbPrint->click();
                 }
                 return int(QDialog::Accepted);
             });
             ShowFullStatistics(ctx(), doc, "<все материалы>", nullptr);
         }, "Лист (OST-7): 1200 x 600"},
        {"part labels", [&] {
             TfrmPrintDetalsLabel d(ctx());
             d.Lists() = GetDetalsLabels(doc, ctx().lookups);
             d.show();
             d.seWidth->setValue(70);
             d.seHeight->setValue(30);
             d.bbPrint->click();
         }, "Полка"},
        {"off-cut labels", [&] {
             TfrmPrintScrapsLabel d(ctx());
             d.Lists().names << "О-1";
             d.Lists().sizes << "600 x 400";
             d.Lists().materials << "ДСП 16 мм";
             d.Lists().comments << QString();
             d.show();
             d.seWidth->setValue(70);
             d.seHeight->setValue(30);
             d.bbPrint->click();
         }, "О-1"},
        {"off-cut totals", [&] { PrintScrapsInfo(ctx(), doc, nullptr); }, "ДСП 16 мм"},
    };
    for (const Case &c : cases) {
        got.clear();
        kv::test::ScopedAnswers answers(app.ui);
        c.run();
        EXPECT_TRUE(answers.shown().empty()) << c.name << ": " << answers.shown()[0].text.toStdString();
        ASSERT_EQ(got.size(), 1) << c.name;
        const Printed &p = got[0];
        EXPECT_TRUE(p.enabled) << c.name;
        ASSERT_TRUE(QFile::exists(p.pdf)) << c.name;
        EXPECT_GT(p.pages, 0) << c.name;
        EXPECT_EQ(kv::test::PdfPageCount(p.pdf), p.pages) << c.name;
        if (!kv::test::HavePdfTools()) continue;
        EXPECT_EQ(kv::test::PdfInfo(p.pdf, QStringLiteral("Title")), p.title.isEmpty() ? "Untitled" : p.title) << c.name;
        EXPECT_TRUE(kv::test::PdfText(p.pdf).contains(QString::fromUtf8(c.text))) << c.name;
    }
}

TEST(StatsCommands, MainWindowLabelsAndStatisticsFromEachKindOfWindow)
{
    QTemporaryDir tmp;
    PrepareProgramFolder(tmp.path());
    kv::test::FakeUi ui;
    TMainForm form{Paths(tmp.path()), ui};
    WireShell(form);
    form.CreateDataModule();
    Query::Exec("Insert into " + Query::QuotePath(form.Paths().OwnMaterialsTable()) + " Values(?, ?)", {"ДСП 16 мм", 1});
    int detals = -1, scraps = -1;
    const auto answer = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
        if (auto *p = qobject_cast<TfrmPrintDetalsLabel *>(&d)) detals = p->StickerCount();
        if (auto *s = qobject_cast<TfrmPrintScrapsLabel *>(&d)) scraps = s->StickerCount();
        return int(QDialog::Rejected);
    });
    auto activate = [&](TMdiChild *c) {
        for (QMdiSubWindow *s : form.MdiArea()->subWindowList())
            if (s->widget() == c) form.MdiArea()->setActiveSubWindow(s);
        form.updateActions();
    };

    // A results window: both kinds of stickers.
    auto *r = qobject_cast<TFormSheets *>(form.CreateResultsWindow(false));
    ASSERT_TRUE(r);
    fillVariant(r->Document());
    activate(r);
    ASSERT_TRUE(form.Action("PrintDetalsLabelsAction")->isEnabled());
    ASSERT_TRUE(form.Action("PrintScrapsLabelsAction")->isEnabled());
    form.Action("PrintDetalsLabelsAction")->trigger();
    form.Action("PrintScrapsLabelsAction")->trigger();
    EXPECT_EQ(detals, 7);
    EXPECT_EQ(scraps, 3);   // "Ост-1" twice, the off-cut of OST-7; waste and hidden maps none

    // A part-base window: one sticker per copy; no off-cut stickers.
    auto *g = qobject_cast<TfrmRaskroyGroup *>(form.NewGroupWindow());
    ASSERT_TRUE(g);
    Table &t = g->Document().table();
    for (int i = 0; i < 2; ++i) {
        t.Append();
        t.FieldByName("NAME")->SetAsString(i ? "Полка" : "Бок");
        t.FieldByName("LENGTH")->SetAsInteger(600);
        t.FieldByName("WIDTH")->SetAsInteger(300);
        t.FieldByName("MANY")->SetAsInteger(i ? 3 : 2);
        t.FieldByName("MATERIAL")->SetAsInteger(1);
        t.Post();
    }
    activate(g);
    EXPECT_TRUE(form.Action("PrintDetalsLabelsAction")->isEnabled());
    EXPECT_FALSE(form.Action("PrintScrapsLabelsAction")->isEnabled());
    detals = -1;
    form.Action("PrintDetalsLabelsAction")->trigger();
    EXPECT_EQ(detals, 5);
    DetalLabelLists lists;
    ASSERT_TRUE(g->GetDetalsLabels(lists));
    EXPECT_EQ(lists.sizes.value(0), "600 x 300");
    EXPECT_EQ(lists.materials.value(0), "ДСП 16 мм");

    // The warehouse window: its off-cuts, one sticker per piece.
    auto *w = qobject_cast<TfrmWareHouse *>(form.ShowWarehouseWindow());
    ASSERT_TRUE(w);
    form.Module()->tblScraps->AppendRecord({QString("Д-1"), 600.0, 400.0, 2.0, 1.0, QDate(2024, 3, 5)});
    activate(w);
    EXPECT_TRUE(form.Action("PrintScrapsLabelsAction")->isEnabled());
    EXPECT_FALSE(form.Action("PrintDetalsLabelsAction")->isEnabled());
    scraps = -1;
    form.Action("PrintScrapsLabelsAction")->trigger();
    EXPECT_EQ(scraps, 2);

    // Off-cut totals of the active results window.
    QStringList totals;
    {
        const auto report = kv::test::ScopedSet(ui.onReport, [&](QObject &o) {
            auto &rep = dynamic_cast<TrpReport &>(o);
            EXPECT_TRUE(rep.Prepare());
            totals << fromCp1251(textOf(rep));
            return true;
        });
        activate(r);
        ASSERT_TRUE(form.Action("PrintStatisticsAction")->isEnabled());
        form.Action("PrintStatisticsAction")->trigger();
    }
    ASSERT_EQ(totals.size(), 1);
    EXPECT_TRUE(totals[0].contains("ДСП 16 мм"));
    for (TMdiChild *c : form.Children()) c->SetShuttingDown();
}

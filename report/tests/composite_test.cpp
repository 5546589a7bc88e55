#include <gtest/gtest.h>

#include <QApplication>
#include <QObject>
#include <QPushButton>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include "report/building/band.h"
#include "report/building/composite.h"
#include "report/building/datasource.h"
#include "report/model/memo.h"
#include "report/model/views.h"
#include "report/windows/preview.h"
#include "report/windows/progress.h"
#include "report/windows/winpos.h"

namespace {

// A report of `records` rows, one row to a page, with the page number in its header.
struct Member
{
    QObject window;
    TrpReport report{&window};
    TrpUserDataset *rows = nullptr;

    Member(const QString &name, int records)
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        window.setObjectName(name);
        report.ShowProgress = false;
        report.Pages().Clear();
        TrpPage *page = report.Pages().Add();
        page->Name = QStringLiteral("Page1");
        page->SetPaper(256, 1000, 1000, -1, 0);
        page->MarginLeft = page->MarginTop = page->MarginRight = page->MarginBottom = 20;
        rows = new TrpUserDataset(&window);
        rows->SetName(QStringLiteral("Rows"));
        rows->RangeEnd = reCount;
        rows->RangeEndCount = records;
        addBand(page, btPageHeader, 0, 40, QStringLiteral("Header"), QString());
        addBand(page, btMasterData, 60, 300, QStringLiteral("Data"), QStringLiteral("Rows"));
        addMemo(page, 10, 5, 200, 20, QStringLiteral("No [PAGE#]"));
        addMemo(page, 10, 70, 200, 20, name);
    }
    static void addBand(TrpPage *page, int kind, int top, int height, const QString &name, const QString &source)
    {
        auto v = std::make_unique<TrpBandView>();
        v->SetBandType(kind);
        v->Name = name;
        v->SetBounds(0, top, 300, height);
        v->DisplayFormatText = source;
        page->AddView(std::move(v));
    }
    static void addMemo(TrpPage *page, int left, int top, int w, int h, const QString &text)
    {
        static int n = 0;
        auto v = std::make_unique<TrpMemoView>();
        v->Name = QStringLiteral("Memo%1").arg(++n);
        v->SetBounds(left, top, w, h);
        v->Memo = {text};
        page->AddView(std::move(v));
    }
};

QStringList pageTexts(TrpReport &report, int index)
{
    QStringList out;
    for (const auto &v : report.EMFPages().UnpackPage(index)->Views()) {
        QString t = v->Memo.join(QLatin1Char('|'));
        t.remove(QChar(1));
        if (!t.isEmpty()) out << t;
    }
    return out;
}

} // namespace

TEST(CompositeReport, TwoReportsBecomeOneDocumentWithRunningPageNumbers)
{
    Member a(QStringLiteral("First"), 2), b(QStringLiteral("Second"), 1);
    ASSERT_TRUE(a.report.Prepare());
    EXPECT_EQ(a.report.EMFPages().Count(), 2);
    TrpCompositeReport c;
    c.Reports = {&a.report, &b.report};
    ASSERT_TRUE(c.Prepare());
    ASSERT_EQ(c.EMFPages().Count(), 3);
    EXPECT_TRUE(pageTexts(c, 0).contains(QStringLiteral("No 1")));
    EXPECT_TRUE(pageTexts(c, 0).contains(QStringLiteral("First")));
    EXPECT_TRUE(pageTexts(c, 1).contains(QStringLiteral("No 2")));
    EXPECT_TRUE(pageTexts(c, 2).contains(QStringLiteral("No 3")));
    EXPECT_TRUE(pageTexts(c, 2).contains(QStringLiteral("Second")));
    EXPECT_EQ(c.BuildOrder, (QList<int>{0, 1}));
    // Members keep their own numbering when built alone, and building again gives the same.
    ASSERT_TRUE(b.report.Prepare());
    EXPECT_TRUE(pageTexts(b.report, 0).contains(QStringLiteral("No 1")));
    ASSERT_TRUE(c.Prepare());
    EXPECT_TRUE(pageTexts(c, 2).contains(QStringLiteral("No 3")));
}

TEST(CompositeReport, DataSourceRepeatsTheSequencePerRecord)
{
    Member a(QStringLiteral("First"), 1), b(QStringLiteral("Second"), 1);
    QObject owner;
    auto *records = new TrpUserDataset(&owner);
    records->RangeEnd = reCount;
    records->RangeEndCount = 3;
    TrpCompositeReport c(&owner);
    c.SetDataset(records);
    c.Reports = {&a.report, &b.report};
    ASSERT_TRUE(c.Prepare());
    EXPECT_EQ(c.BuildOrder, (QList<int>{0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(c.EMFPages().Count(), 6);
    EXPECT_TRUE(pageTexts(c, 5).contains(QStringLiteral("No 6")));
}

TEST(CompositeReport, CancelDuringTheFirstReportBuildsNoFurtherReport)
{
    Member a(QStringLiteral("First"), 9), b(QStringLiteral("Second"), 1);
    TrpCompositeReport c;
    c.ShowProgress = true;
    c.Reports = {&a.report, &b.report};
    a.report.OnBeginDoc = [] {
        if (TrpProgressForm *f = rpCurrentProgressForm()) QTest::mouseClick(f->Button1, Qt::LeftButton);
    };
    EXPECT_FALSE(rpPrepareWithProgress(c));
    EXPECT_EQ(c.BuildOrder, (QList<int>{0}));
    EXPECT_EQ(c.EMFPages().Count(), 0);
    // A new build after a cancelled one runs whole.
    a.report.OnBeginDoc = nullptr;
    EXPECT_TRUE(rpPrepareWithProgress(c));
    EXPECT_EQ(c.BuildOrder, (QList<int>{0, 1}));
}

TEST(ReportShow, BuiltReportOpensInAPreviewWindow)
{
    QTemporaryDir dir;
    rpSetWindowPositionStore(dir.filePath(QStringLiteral("pos.ini")));
    Member a(QStringLiteral("Ведомость деталей"), 2);
    a.report.Title = QStringLiteral("Детали");
    TrpPreviewSettings s;
    s.ModalPreview = false;
    rpInstallPreview(a.report, s);
    a.report.Show();
    TrpPreviewForm *shown = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<TrpPreviewForm *>(w); f && f->isVisible()) shown = f;
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("Preview - Детали"));
    EXPECT_EQ(shown->PageCount(), 2);
    shown->resize(500, 400);
    shown->SetZoom(100);
    if (qEnvironmentVariableIsSet("KV_PREVIEW_SHOT")) shown->grab().save(qEnvironmentVariable("KV_PREVIEW_SHOT"));
    shown->StartSearch(QStringLiteral("no 2"), false, false);
    EXPECT_EQ(shown->FoundPage(), 1);
    shown->close();

    // A report without pages opens nothing.
    Member empty(QStringLiteral("Empty"), 0);
    empty.report.PrintIfEmpty = false;
    EXPECT_FALSE(rpShowReport(empty.report, s));
    rpSetWindowPositionStore(QString());
}

TEST(ReportShow, PageSetupTakesTheMarginsAndBuildsAgain)
{
    QTemporaryDir dir;
    rpSetWindowPositionStore(dir.filePath(QStringLiteral("pos.ini")));
    Member a(QStringLiteral("Setup"), 5);
    a.report.Pages().GetPage(0)->SetPaper(9, 2100, 2970, -1, 0);
    a.report.Pages().GetPage(0)->MarginLeft = 36;   // 36 units = 10 mm
    ASSERT_TRUE(a.report.Prepare());
    TrpPreviewForm f;
    f.resize(500, 400);
    f.Connect(a.report);
    f.GoToPage(2);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (QWidget *d = QApplication::activeModalWidget()) {
            seen = true;
            static_cast<QDialog *>(d)->accept();
        }
    });
    f.PageSetupBtnClick();
    ASSERT_TRUE(seen);
    EXPECT_EQ(a.report.Pages().GetPage(0)->MarginLeft, 36);
    const TrpPage *p = a.report.Pages().GetPage(0);
    EXPECT_EQ(p->PaperSize, 9);
    EXPECT_EQ(p->PaperWidth, 2100);
    EXPECT_EQ(f.PageCount(), 2);
    EXPECT_EQ(f.CurPage(), 1);
    rpSetWindowPositionStore(QString());
}

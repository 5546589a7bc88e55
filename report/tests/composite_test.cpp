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
#include "report/tests/pdfshot.h"

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

// A member report with bands and memos placed by the test.
struct Doc
{
    QObject window;
    TrpReport report{&window};
    TrpPage *page = nullptr;
    int memos = 0;

    explicit Doc(const QString &name, int paperSize = 256, int width = 1000, int height = 1000, int orientation = 0)
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        window.setObjectName(name);
        report.ShowProgress = false;
        report.Pages().Clear();
        page = report.Pages().Add();
        page->Name = QStringLiteral("Page1");
        page->SetPaper(paperSize, width, height, -1, orientation);
        page->MarginLeft = page->MarginTop = page->MarginRight = page->MarginBottom = 20;
    }
    void band(int kind, int top, int height, const QString &name, const QString &source = QString(), quint16 flags = 0)
    {
        Member::addBand(page, kind, top, height, name, source);
        static_cast<TrpBandView *>(page->Views().back().get())->Flags |= flags;
    }
    void memo(int top, const QString &text, int left = 0)
    {
        auto v = std::make_unique<TrpMemoView>();
        v->Name = QStringLiteral("M%1").arg(++memos);
        v->SetBounds(left, top, 200, 20);
        v->Memo = {text};
        page->AddView(std::move(v));
    }
};

// "text@top" of every memo of a prepared page, top to bottom.
QStringList placed(TrpReport &report, int index)
{
    QList<std::pair<int, QString>> items;
    for (const auto &v : report.EMFPages().UnpackPage(index)->Views()) {
        QString t = v->Memo.join(QLatin1Char('|'));
        t.remove(QChar(1));
        items.append({v->Top, t});
    }
    std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList out;
    for (const auto &[top, text] : items) out << QStringLiteral("%1@%2").arg(text).arg(top);
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
    // the members begin their documents before the progress window runs the build
    a.report.OnBeginPage = [](int page) {
        if (TrpProgressForm *f = rpCurrentProgressForm(); f && page == 1) QTest::mouseClick(f->Button1, Qt::LeftButton);
    };
    EXPECT_FALSE(rpPrepareWithProgress(c));
    EXPECT_EQ(c.BuildOrder, (QList<int>{0}));
    EXPECT_EQ(c.EMFPages().Count(), 0);
    // A new build after a cancelled one runs whole.
    a.report.OnBeginPage = nullptr;
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

TEST(CompositeReport, MemberPrintingToThePreviousPageGoesOnWhereTheLastEnded)
{
    struct Case
    {
        const char *what;
        int firstRows;
        int paper, width, height, orientation;   // of the second member
        bool flag;
        QList<QStringList> pages;
    };
    const Case cases[] = {
        {"same paper", 3, 256, 1000, 1000, 0, true,
         {{"A 1@20", "A 2@40", "A 3@60", "B 1@80", "B 2@100"}}},
        {"without the flag", 3, 256, 1000, 1000, 0, false,
         {{"A 1@20", "A 2@40", "A 3@60"}, {"B 1@20", "B 2@40"}}},
        {"landscape", 3, 256, 1000, 1000, 1, true,
         {{"A 1@20", "A 2@40", "A 3@60"}, {"B 1@20", "B 2@40"}}},
        {"other size", 3, 256, 1000, 1200, 0, true,
         {{"A 1@20", "A 2@40", "A 3@60"}, {"B 1@20", "B 2@40"}}},
        // 16 rows of 20 fill the page to its bottom edge: nothing more goes on it
        {"full page", 16, 256, 1000, 1000, 0, true, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Doc a(QStringLiteral("A"));
        a.band(btMasterData, 0, 20, QStringLiteral("DataA"), QString::number(c.firstRows));
        a.memo(0, QStringLiteral("A [LINE#]"));
        Doc b(QStringLiteral("B"), c.paper, c.width, c.height, c.orientation);
        b.page->PrintToPrevPage = c.flag;
        b.band(btMasterData, 0, 20, QStringLiteral("DataB"), QStringLiteral("2"));
        b.memo(0, QStringLiteral("B [LINE#]"));
        TrpCompositeReport comp;
        comp.ShowProgress = false;
        comp.Reports = {&a.report, &b.report};
        ASSERT_TRUE(comp.Prepare()) << comp.LastBuildError.toStdString();
        if (c.pages.isEmpty()) {
            ASSERT_EQ(comp.EMFPages().Count(), 2);
            EXPECT_EQ(placed(comp, 0).size(), 16);
            EXPECT_EQ(placed(comp, 1), (QStringList{"B 1@20", "B 2@40"}));
            continue;
        }
        ASSERT_EQ(comp.EMFPages().Count(), c.pages.size());
        for (int i = 0; i < c.pages.size(); ++i) EXPECT_EQ(placed(comp, i), c.pages[i]) << i;
        // the second member's paper stays its own
        const TrpPreparedPage *last = comp.EMFPages().GetPage(comp.EMFPages().Count() - 1);
        EXPECT_EQ(last->Orientation, c.pages.size() == 1 ? 0 : c.orientation);
    }
}

TEST(CompositeReport, ContinuedPageKeepsTheFooterOfTheFirstMember)
{
    // A prints its footer on its last page; B goes on above it and its own
    // footer comes on the pages it starts.
    Doc a(QStringLiteral("A"));
    a.band(btMasterData, 0, 20, QStringLiteral("DataA"), QStringLiteral("2"));
    a.memo(0, QStringLiteral("A [LINE#]"));
    a.band(btPageFooter, 100, 20, QStringLiteral("FooterA"), QString(), rpbfOnFirstPage | rpbfOnLastPage);
    a.memo(100, QStringLiteral("Подвал A [PAGE#]"));
    Doc b(QStringLiteral("B"));
    b.page->PrintToPrevPage = true;
    b.band(btMasterData, 0, 20, QStringLiteral("DataB"), QStringLiteral("15"));
    b.memo(0, QStringLiteral("B [LINE#]"));
    b.band(btPageFooter, 100, 20, QStringLiteral("FooterB"), QString(), rpbfOnFirstPage | rpbfOnLastPage);
    b.memo(100, QStringLiteral("Подвал B [PAGE#]"));
    TrpCompositeReport comp;
    comp.ShowProgress = false;
    comp.Reports = {&a.report, &b.report};
    ASSERT_TRUE(comp.Prepare()) << comp.LastBuildError.toStdString();
    ASSERT_EQ(comp.EMFPages().Count(), 2);
    const QStringList first = placed(comp, 0);
    // rows from 20 up to the footer at 320: A 1, A 2 and B 1..B 13
    EXPECT_EQ(first.first(), QStringLiteral("A 1@20"));
    EXPECT_TRUE(first.contains(QStringLiteral("B 13@300"))) << first.join(' ').toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("B 14@320")));
    EXPECT_EQ(first.last(), QStringLiteral("Подвал A 1@321"));
    EXPECT_EQ(first.filter(QStringLiteral("Подвал")).size(), 1);
    EXPECT_EQ(placed(comp, 1), (QStringList{"B 14@20", "B 15@40", "Подвал B 2@321"}));
    rpLookAtPdf(comp, QStringLiteral("composite-continued"));
}

TEST(CompositeReport, PageNumbersTotalsAndPageEventsRunThroughTheDocument)
{
    for (bool twoPass : {false, true}) {
        SCOPED_TRACE(twoPass);
        Doc a(QStringLiteral("A")), b(QStringLiteral("B"));
        for (Doc *d : {&a, &b}) {
            d->band(btPageHeader, 0, 20, QStringLiteral("Header"));
            d->memo(0, QStringLiteral("Стр. [PAGE#] из [TOTALPAGES]"));
            d->band(btMasterData, 40, 300, QStringLiteral("Data"), QStringLiteral("2"));
            d->memo(40, d->window.objectName() + QStringLiteral(" [LINE#]"));
            d->page->Views().front()->Flags |= rpbfOnFirstPage;
        }
        // a member's own two passes give way to the composite's
        a.report.DoublePassReport = !twoPass;
        TrpCompositeReport comp;
        comp.ShowProgress = false;
        comp.DoublePassReport = twoPass;
        comp.Reports = {&a.report, &b.report};
        QList<int> begun, ended, begunInB;
        comp.OnBeginPage = [&](int n) { begun << n; };
        comp.OnEndPage = [&](int n) { ended << n; };
        b.report.OnBeginPage = [&](int n) { begunInB << n; };
        ASSERT_TRUE(comp.Prepare()) << comp.LastBuildError.toStdString();
        ASSERT_EQ(comp.EMFPages().Count(), 4);
        const QString total = twoPass ? QStringLiteral("4") : QStringLiteral("0");
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(placed(comp, i).first(), QStringLiteral("Стр. %1 из %2@20").arg(i + 1).arg(total)) << i;
        EXPECT_EQ(placed(comp, 3)[1], QStringLiteral("B 2@40"));
        const QList<int> once{0, 1, 2, 3};
        EXPECT_EQ(begun, twoPass ? once + once : once);
        // the end of the first page comes with a footer printed on the first page only
        const QList<int> endOnce{1, 2, 3};
        EXPECT_EQ(ended, twoPass ? endOnce + endOnce : endOnce);
        EXPECT_EQ(begunInB, twoPass ? (QList<int>{2, 3, 2, 3}) : (QList<int>{2, 3}));
        // the members come back as they were, and build alone with their own numbers
        ASSERT_TRUE(b.report.Prepare());
        EXPECT_EQ(placed(b.report, 0).first(), QStringLiteral("Стр. 1 из 0@20"));
    }
}

TEST(CompositeReport, FirstMemberOfARoundStartsAPageOfItsOwn)
{
    // Per record of the composite's source: A's page, B going on on it. The
    // next round's A does not go on on B's page, though it asks to.
    Doc a(QStringLiteral("A")), b(QStringLiteral("B"));
    a.page->PrintToPrevPage = true;
    b.page->PrintToPrevPage = true;
    a.band(btMasterData, 0, 20, QStringLiteral("DataA"), QStringLiteral("1"));
    a.memo(0, QStringLiteral("A [PAGE#]"));
    b.band(btMasterData, 0, 20, QStringLiteral("DataB"), QStringLiteral("1"));
    b.memo(0, QStringLiteral("B [PAGE#]"));
    QObject owner;
    auto *records = new TrpUserDataset(&owner);
    records->RangeEnd = reCount;
    records->RangeEndCount = 2;
    TrpCompositeReport comp(&owner);
    comp.ShowProgress = false;
    comp.SetDataset(records);
    comp.Reports = {&a.report, &b.report};
    ASSERT_TRUE(comp.Prepare()) << comp.LastBuildError.toStdString();
    EXPECT_EQ(comp.BuildOrder, (QList<int>{0, 1, 0, 1}));
    ASSERT_EQ(comp.EMFPages().Count(), 2);
    EXPECT_EQ(placed(comp, 0), (QStringList{"A 1@20", "B 1@40"}));
    EXPECT_EQ(placed(comp, 1), (QStringList{"A 2@20", "B 2@40"}));
}

TEST(CompositeReport, FailingMemberEndsTheBuildWithItsMessage)
{
    Doc a(QStringLiteral("A")), b(QStringLiteral("B")), c(QStringLiteral("C"));
    for (Doc *d : {&a, &b, &c}) {
        d->band(btMasterData, 0, 20, QStringLiteral("Data"), QStringLiteral("1"));
        d->memo(0, d->window.objectName());
    }
    b.page->PrintScript = {QStringLiteral("begin"), QStringLiteral("x := ;"), QStringLiteral("end")};
    TrpCompositeReport comp;
    comp.ShowProgress = false;
    QString shown;
    comp.ErrorHook = [&](const QString &text) { shown = text; };
    comp.Reports = {&a.report, &b.report, &c.report};
    EXPECT_FALSE(comp.Prepare());
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_EQ(comp.BuildOrder, (QList<int>{0, 1}));
    EXPECT_EQ(comp.EMFPages().Count(), 0);
    // the failing member's template is as it was
    EXPECT_EQ(b.report.Pages().GetPage(0)->PrintScript.size(), 3);
}

#include <gtest/gtest.h>

#include <array>

#include <QDir>
#include <QFile>
#include <QObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <array>

#include "platform/error.h"
#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/model/views.h"
#include "report/output/textexports.h"
#include "platform/testsupport/golden.h"
#include "report/tests/pdfshot.h"

namespace {

// Rows the application hands to a report through a source of its own.
struct Rows
{
    QList<QMap<QString, TrpValue>> rows;
    int pos = 0;
    void bind(TrpUserDataset &src, TrpReport &report, bool withPrior = false)
    {
        src.OnFirst = [this](TrpDataset &) { pos = 0; };
        src.OnNext = [this](TrpDataset &) { ++pos; };
        if (withPrior) src.OnPrior = [this](TrpDataset &) { --pos; };
        src.OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = pos >= rows.size(); };
        report.OnGetValue = [this](const QString &name, TrpValue &value) {
            if (pos < 0 || pos >= rows.size() || !rows[pos].contains(name)) return false;
            value = rows[pos].value(name);
            return true;
        };
    }
};

class Builder
{
public:
    Builder()
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        window.setObjectName("FormTest");
        report.Pages().Clear();
        page = report.Pages().Add();
        page->Name = "Page1";
        setPaper(page, 1000, 1000);
    }
    static void setPaper(TrpPage *p, int w, int h)
    {
        p->SetPaper(256, w, h, -1, 0);
        p->MarginLeft = p->MarginTop = p->MarginRight = p->MarginBottom = 20;
    }
    TrpBandView *band(int kind, int top, int height, const QString &name, const QString &source = QString(),
                      quint16 extraFlags = 0, TrpPage *on = nullptr)
    {
        auto v = std::make_unique<TrpBandView>();
        v->SetBandType(kind);
        v->Name = name;
        v->SetBounds(0, top, 300, height);
        v->DisplayFormatText = source;
        v->Flags |= extraFlags;
        return static_cast<TrpBandView *>((on ? on : page)->AddView(std::move(v)));
    }
    TrpMemoView *memo(int left, int top, int width, int height, const QString &text, TrpPage *on = nullptr)
    {
        auto v = std::make_unique<TrpMemoView>();
        v->Name = QStringLiteral("Memo%1").arg(++m_memos);
        v->SetBounds(left, top, width, height);
        v->Memo = text.split(QLatin1Char('\n'));
        return static_cast<TrpMemoView *>((on ? on : page)->AddView(std::move(v)));
    }
    // Another page of the same paper.
    TrpPage *addPage(const QString &name)
    {
        TrpPage *p = report.Pages().Add();
        p->Name = name;
        setPaper(p, 1000, 1000);
        return p;
    }
    void subreport(TrpPage *on, int target, int left, int top)
    {
        auto sub = std::make_unique<TrpSubReportView>();
        sub->Name = QStringLiteral("SubReport%1").arg(++m_subreports);
        sub->TargetPage = target;
        sub->SetBounds(left, top, 150, 20);
        on->AddView(std::move(sub));
    }
    TrpUserDataset *source(const QString &name)
    {
        auto *s = new TrpUserDataset(&window);
        s->SetName(name);
        return s;
    }

    QObject window;
    TrpReport report{&window};
    TrpPage *page = nullptr;

private:
    int m_memos = 0;
    int m_subreports = 0;
};

// The prepared pages as text: every memo with its rectangle, top to bottom.
QString dump(TrpReport &report)
{
    QStringList out;
    for (int i = 0; i < report.EMFPages().Count(); ++i) {
        out << QStringLiteral("== page %1").arg(i + 1);
        TrpPage *p = report.EMFPages().UnpackPage(i);
        struct Line { int top, left; QString text; };
        std::vector<Line> lines;
        for (const auto &v : p->Views()) {
            QString text = v->Memo.join(QLatin1Char('|'));
            text.remove(QChar(1));
            lines.push_back({v->Top, v->Left,
                             QStringLiteral("%1,%2 %3x%4 %5").arg(v->Left).arg(v->Top).arg(v->Width).arg(v->Height).arg(text)});
        }
        std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
            return a.top != b.top ? a.top < b.top : a.left < b.left;
        });
        for (const Line &l : lines) out << l.text;
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void expectGolden(const QString &text, const QString &name)
{
    EXPECT_TRUE(kv::test::MatchesGolden(text.toUtf8(), name));
}

// The prepared pages through the text export, compared with a golden file
// (cp1251 bytes as the export writes them).
void expectGoldenExport(TrpReport &report, const QString &name)
{
    QTemporaryDir dir;
    TrpTextExport text;
    text.ShowDialog = false;
    const QString file = dir.filePath(QStringLiteral("out.txt"));
    ASSERT_TRUE(report.ExportPrepared(text, file));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kv::test::MatchesGolden(out.readAll(), name));
}

// A stock list by material with a total per material and in all.
void groupedReport(Builder &b, Rows &rows, bool withPrior)
{
    TrpUserDataset *src = b.source("rpsrcRows");
    rows.rows = {
        {{"GRP", "ЛДСП"}, {"NAME", "Лист 2800x2070"}, {"PRICE", 10}},
        {{"GRP", "ЛДСП"}, {"NAME", "Обрезок 900x400"}, {"PRICE", 20}},
        {{"GRP", "МДФ"}, {"NAME", "Лист 2800x2070"}, {"PRICE", 5}},
    };
    rows.bind(*src, b.report, withPrior);
    b.band(btReportTitle, 0, 20, "Title");
    b.memo(0, 0, 200, 20, "Остатки склада");
    b.band(btGroupHeader, 30, 20, "GroupHeader1", "[GRP]");
    b.memo(0, 30, 200, 20, "Материал: [GRP]");
    b.band(btMasterData, 60, 20, "MasterData1", "rpsrcRows");
    b.memo(10, 60, 150, 20, "[NAME]");
    b.memo(170, 60, 60, 20, "[PRICE]");
    b.band(btGroupFooter, 90, 20, "GroupFooter1");
    b.memo(10, 90, 200, 20, "Итого по материалу: [SUM([PRICE])]");
    b.band(btReportSummary, 120, 20, "Summary");
    b.memo(0, 120, 250, 20, "Позиций: [COUNT()], сумма: [SUM([PRICE])]");
}

} // namespace

TEST(ReportPageBuilding, GroupFooterSumAndSummaryCount)
{
    Builder b;
    Rows rows;
    groupedReport(b, rows, true);
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    EXPECT_TRUE(text.contains("Итого по материалу: 30")) << text.toStdString();
    EXPECT_TRUE(text.contains("Итого по материалу: 5")) << text.toStdString();
    EXPECT_TRUE(text.contains("Позиций: 3, сумма: 35")) << text.toStdString();
    expectGolden(text, "grouped_report.txt");
    expectGoldenExport(b.report, "grouped_report_export.txt");
}

TEST(ReportPageBuilding, GroupsOverSourceThatCannotStepBackKeepEveryRecord)
{
    // Without OnPrior the source cannot go back to the group's last record;
    // stepping back and forth would skip the first record of the next group.
    Builder b;
    Rows rows;
    groupedReport(b, rows, false);
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    EXPECT_EQ(text.count("Лист 2800x2070"), 2) << text.toStdString();
    EXPECT_TRUE(text.contains("Итого по материалу: 30"));
    EXPECT_TRUE(text.contains("Позиций: 3, сумма: 35"));
}

TEST(ReportPageBuilding, EachAggregateOfAGroupFooterStartsAgainWithItsGroup)
{
    // The middle group's values lie above the first's and the last's below
    // both: a total carried over from the group before shows.
    struct Case { const char *call; QStringList totals; };
    const Case cases[] = {
        {"SUM([PRICE])", {"30", "30", "5"}},
        {"MIN([PRICE])", {"10", "30", "5"}},
        {"MAX([PRICE])", {"20", "30", "5"}},
        {"AVG([PRICE])", {"15", "30", "5"}},
        {"COUNT()", {"2", "1", "1"}},
    };
    for (const Case &c : cases) {
        Builder b;
        Rows rows;
        rows.rows = {
            {{"GRP", "A"}, {"PRICE", 10}},
            {{"GRP", "A"}, {"PRICE", 20}},
            {{"GRP", "B"}, {"PRICE", 30}},
            {{"GRP", "C"}, {"PRICE", 5}},
        };
        rows.bind(*b.source("rpsrcRows"), b.report, true);
        b.band(btGroupHeader, 0, 20, "GroupHeader1", "[GRP]");
        b.band(btMasterData, 30, 20, "MasterData1", "rpsrcRows");
        b.memo(0, 30, 100, 20, "[PRICE]");
        b.band(btGroupFooter, 60, 20, "GroupFooter1");
        b.memo(0, 60, 200, 20, QStringLiteral("Итог: [%1]").arg(c.call));
        ASSERT_TRUE(b.report.Prepare()) << c.call << ": " << b.report.LastBuildError.toStdString();
        const QString text = dump(b.report);
        QStringList totals;
        for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral("Итог: (\\S+)")).globalMatch(text))
            totals << m.captured(1);
        EXPECT_EQ(totals, c.totals) << c.call << "\n" << text.toStdString();
    }
}

TEST(ReportPageBuilding, TwoPassPageNumbersWithRepeatedHeader)
{
    Builder b;
    b.report.DoublePassReport = true;
    b.band(btMasterHeader, 0, 20, "MasterHeader1", QString(), rpbfRepeatHeader);
    b.memo(0, 0, 200, 20, "Код   Название");
    b.band(btMasterData, 30, 20, "MasterData1", "30");
    b.memo(0, 30, 200, 20, "Строка [LINE#]");
    b.band(btPageFooter, 60, 20, "PageFooter1");
    b.memo(0, 60, 200, 20, "Стр. [PAGE#]/[TOTALPAGES]");
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const int pages = b.report.EMFPages().Count();
    ASSERT_GE(pages, 2);
    const QString text = dump(b.report);
    for (int p = 1; p <= pages; ++p)
        EXPECT_TRUE(text.contains(QStringLiteral("Стр. %1/%2").arg(p).arg(pages))) << text.toStdString();
    EXPECT_EQ(text.count("Код   Название"), pages);
    EXPECT_TRUE(text.contains("Строка 30"));
    expectGolden(text, "two_pass_report.txt");
    expectGoldenExport(b.report, "two_pass_report_export.txt");
}

TEST(ReportPageBuilding, ThreeColumnStickers)
{
    Builder b;
    TrpBandView *data = b.band(btMasterData, 0, 40, "Stickers", "7");
    data->Columns = 3;
    data->ColumnWidth = 100;
    data->ColumnGap = 10;
    b.memo(0, 0, 90, 40, "Наклейка [LINE#]");
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    expectGolden(text, "sticker_columns.txt");
    expectGoldenExport(b.report, "sticker_columns_export.txt");
    TrpPage *p = b.report.EMFPages().UnpackPage(0);
    ASSERT_EQ(p->ViewCount(), 7);
    // 1 2 3 / 4 5 6 / 7
    EXPECT_EQ(p->View(1)->Left - p->View(0)->Left, 110);
    EXPECT_EQ(p->View(2)->Left - p->View(0)->Left, 220);
    EXPECT_EQ(p->View(3)->Left, p->View(0)->Left);
    EXPECT_EQ(p->View(3)->Top - p->View(0)->Top, 40);
    EXPECT_EQ(p->View(6)->Top - p->View(0)->Top, 80);
}

TEST(ReportPageBuilding, StretchedMemoSplitsOverTwoPages)
{
    Builder b;
    b.band(btMasterData, 0, 20, "MasterData1", "1", rpbfStretched);
    QStringList lines;
    for (int i = 1; i <= 30; ++i) lines << QStringLiteral("Деталь %1").arg(i);
    b.memo(0, 0, 200, 20, lines.join('\n'));
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    ASSERT_EQ(b.report.EMFPages().Count(), 2);
    const QString text = dump(b.report);
    expectGolden(text, "split_memo.txt");
    expectGoldenExport(b.report, "split_memo_export.txt");
    // every line printed once, in order, over the two pages
    int last = -1;
    for (int i = 1; i <= 30; ++i) {
        const QString line = QStringLiteral("Деталь %1|").arg(i);
        const QString end = QStringLiteral("Деталь %1\n").arg(i);
        qsizetype at = text.indexOf(line);
        if (at < 0) at = text.indexOf(end);
        ASSERT_GE(at, 0) << i;
        EXPECT_GT(at, last) << i;
        last = int(at);
    }
}

TEST(ReportPageBuilding, BuildingTwiceGivesTheSamePages)
{
    Builder b;
    Rows rows;
    groupedReport(b, rows, true);
    // a script that changes an object while building must not leak into the next build
    b.report.FindView("Memo1")->PrintScript = QStringList{"Memo1.Left := Memo1.Left + 50"};
    ASSERT_TRUE(b.report.Prepare());
    const QString first = dump(b.report);
    ASSERT_TRUE(b.report.Prepare());
    EXPECT_EQ(dump(b.report).toStdString(), first.toStdString());
}

TEST(ReportPageBuilding, EventsAndFunctions)
{
    Builder b;
    rpEngine().Variables().SetValue("MATERIAL", TrpValue("ЛДСП 16"));
    b.band(btMasterData, 0, 20, "MasterData1", "2");
    b.memo(0, 0, 300, 20, "[MATERIAL] [ASKED] [KVTOTAL(2)]");
    int bands = 0, before = 0;
    b.report.OnGetValue = [](const QString &name, TrpValue &value) {
        if (name != "ASKED") return false;   // everything else stays with the engine
        value = TrpValue("да");
        return true;
    };
    b.report.OnBeginBand = [&](TrpBand *) { ++bands; };
    b.report.OnBeforePrint = [&](QStringList &, TrpView *) { ++before; };
    b.report.OnUserFunction = [](const QString &name, const QString &p1, const QString &, const QString &, TrpValue &v) {
        if (name != "KVTOTAL") return false;
        v = TrpValue(p1.toInt() * 100);
        return true;
    };
    QList<int> progress;
    b.report.OnProgress = [&](int n) { progress << n; };
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    EXPECT_TRUE(dump(b.report).contains("ЛДСП 16 да 200"));
    EXPECT_GE(bands, 2);
    EXPECT_GE(before, 2);
    EXPECT_FALSE(progress.isEmpty());
    rpEngine().Variables().Delete(rpEngine().Variables().IndexOf("MATERIAL"));
}

TEST(ReportPageBuilding, StopReportEndsTheBuildWithoutPages)
{
    Builder b;
    b.band(btMasterData, 0, 20, "MasterData1", "100");
    b.memo(0, 0, 200, 20, "[LINE#]")->PrintScript = QStringList{"if [LINE#] = 5 then StopReport"};
    EXPECT_FALSE(b.report.Prepare());
    EXPECT_EQ(b.report.EMFPages().Count(), 0);
}

TEST(ReportPageBuilding, PagesThatCannotAdvanceEndWithAnError)
{
    struct Case { const char *what; std::function<void(Builder &)> setUp; const char *message; };
    const Case cases[] = {
        {"footer taller than the page",
         [](Builder &b) {
             b.band(btPageFooter, 100, 400, "PageFooter1");
             b.band(btMasterData, 0, 20, "MasterData1", "50");
         },
         "leave no room"},
        {"header and footer fill the page",
         [](Builder &b) {
             b.band(btPageHeader, 0, 170, "PageHeader1");
             b.band(btPageFooter, 300, 160, "PageFooter1");
             b.band(btMasterData, 200, 20, "MasterData1", "50");
         },
         "leave no room"},
        {"margins wider than the paper",
         [](Builder &b) {
             b.page->MarginLeft = 300;
             b.page->MarginRight = 300;
             b.band(btMasterData, 0, 20, "MasterData1", "5");
         },
         "no room between its margins"},
        {"a 0 x 0 custom paper",
         [](Builder &b) {
             b.page->SetPaper(256, 0, 0, -1, 0);
             b.band(btMasterData, 0, 20, "MasterData1", "5");
         },
         "no room between its margins"},
    };
    for (const Case &c : cases) {
        Builder b;
        c.setUp(b);
        EXPECT_FALSE(b.report.Prepare()) << c.what;
        EXPECT_EQ(b.report.EMFPages().Count(), 0) << c.what;
        EXPECT_TRUE(b.report.LastBuildError.contains(QLatin1String(c.message))) << c.what << ": "
                                                                                 << b.report.LastBuildError.toStdString();
    }
}

// Margins changed after the views were laid out move what the build prints by
// the change: data rows, an overlay and a view on no band alike; a view centred
// by its alignment stays centred between the new margins; a page stretched to
// the printable area does not move. The template keeps its places.
TEST(ReportPageBuilding, ChangedMarginsMoveThePrintedViews)
{
    struct Case { const char *what; std::array<qint32, 4> margins; bool useMargins; QPoint moved; };
    const Case cases[] = {
        {"as laid out", {20, 20, 20, 20}, true, {0, 0}},
        {"left and top", {60, 50, 20, 20}, true, {40, 30}},
        {"right only", {20, 20, 60, 20}, true, {0, 0}},
        {"stretched to the printable area", {60, 50, 20, 20}, false, {0, 0}},
    };
    for (const Case &c : cases) {
        Builder b;
        b.band(btMasterData, 20, 20, "MasterData1", "2");
        b.memo(20, 20, 100, 20, "Запись [LINE#]");
        b.band(btOverlay, 200, 30, "Overlay1");
        b.memo(20, 200, 100, 20, "Фон");
        b.memo(20, 300, 100, 20, "Сбоку");   // on no band
        TrpMemoView *centre = b.memo(0, 100, 100, 20, "Середина");
        b.band(btReportTitle, 100, 20, "ReportTitle1");
        centre->BandAlign = baCenter;
        b.page->UseMargins = c.useMargins;
        auto places = [&] {
            QMap<QString, QPoint> at;
            if (TrpPage *p = b.report.EMFPages().UnpackPage(0))
                for (const auto &v : p->Views()) at.insert(v->Memo.join(QString()).remove(QChar(1)), QPoint(v->Left, v->Top));
            return at;
        };
        ASSERT_TRUE(b.report.Prepare()) << c.what;
        const QMap<QString, QPoint> before = places();
        // A build gives the report its template back as new objects.
        b.page = b.report.Pages().GetPage(0);
        b.page->SetMargins(c.margins[0], c.margins[1], c.margins[2], c.margins[3]);
        ASSERT_TRUE(b.report.Prepare()) << c.what << b.report.LastBuildError.toStdString();
        b.page = b.report.Pages().GetPage(0);
        const QMap<QString, QPoint> after = places();
        for (const char *text : {"Запись 1", "Запись 2", "Фон", "Сбоку"})
            EXPECT_EQ(after.value(QString::fromUtf8(text)) - before.value(QString::fromUtf8(text)), c.moved) << c.what << ": " << text;
        const int left = b.page->LeftMarginUsed();
        EXPECT_EQ(after.value(QStringLiteral("Середина")).x(), left + (b.page->RightEdge() - left - 100) / 2) << c.what;
        EXPECT_EQ(QPoint(b.page->View(1)->Left, b.page->View(1)->Top), QPoint(20, 20)) << c.what;
    }
}

TEST(ReportPageBuilding, BandTallerThanThePageUnderAHeaderStillEnds)
{
    Builder b;
    b.band(btPageHeader, 0, 30, "PageHeader1", QString(), rpbfOnFirstPage);
    b.memo(0, 0, 200, 20, "Шапка");
    b.band(btMasterData, 40, 600, "MasterData1", "2");
    b.memo(0, 40, 200, 20, "Запись [LINE#]");
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    EXPECT_LE(b.report.EMFPages().Count(), 6);
    const QString text = dump(b.report);
    EXPECT_TRUE(text.contains("Запись 1"));
    EXPECT_TRUE(text.contains("Запись 2"));
}

TEST(ReportPageBuilding, CyclesAndMissingPagesAreRefused)
{
    {
        Builder b;
        TrpBandView *a = b.band(btMasterData, 0, 20, "MasterData1", "1");
        TrpBandView *c1 = b.band(btChild, 30, 20, "Child1");
        TrpBandView *c2 = b.band(btChild, 60, 20, "Child2");
        a->ChildBand = "Child1";
        c1->ChildBand = "Child2";
        c2->ChildBand = "child1";
        EXPECT_FALSE(b.report.Prepare());
        EXPECT_TRUE(b.report.LastBuildError.contains("lead back")) << b.report.LastBuildError.toStdString();
    }
    {
        Builder b;
        TrpPage *second = b.report.Pages().Add();
        second->Name = "Page2";
        Builder::setPaper(second, 1000, 1000);
        auto s1 = std::make_unique<TrpSubReportView>();
        s1->Name = "SubReport1";
        s1->TargetPage = 1;
        b.page->AddView(std::move(s1));
        auto s2 = std::make_unique<TrpSubReportView>();
        s2->Name = "SubReport2";
        s2->TargetPage = 0;
        second->AddView(std::move(s2));
        EXPECT_FALSE(b.report.Prepare());
        EXPECT_TRUE(b.report.LastBuildError.contains("lead back")) << b.report.LastBuildError.toStdString();
    }
    {
        Builder b;
        auto s = std::make_unique<TrpSubReportView>();
        s->Name = "SubReport1";
        s->TargetPage = 7;
        b.page->AddView(std::move(s));
        EXPECT_FALSE(b.report.Prepare());
        EXPECT_TRUE(b.report.LastBuildError.contains("SubReport1")) << b.report.LastBuildError.toStdString();
    }
}

TEST(ReportPageBuilding, EmptyMasterSourceAndPrintIfEmpty)
{
    for (bool printIfEmpty : {true, false}) {
        Builder b;
        b.report.PrintIfEmpty = printIfEmpty;
        TrpUserDataset *src = b.source("rpsrcEmpty");
        src->OnCheckEOF = [](TrpDataset &, bool &eof) { eof = true; };
        b.band(btReportTitle, 0, 20, "Title");
        b.memo(0, 0, 200, 20, "Заголовок");
        b.band(btMasterData, 30, 20, "MasterData1", "rpsrcEmpty");
        b.memo(0, 30, 200, 20, "Запись");
        b.band(btReportSummary, 60, 20, "Summary");
        b.memo(0, 60, 200, 20, "Итог");
        EXPECT_EQ(b.report.Prepare(), printIfEmpty);
        const QString text = dump(b.report);
        EXPECT_EQ(text.contains("Заголовок"), printIfEmpty);
        EXPECT_EQ(text.contains("Итог"), printIfEmpty);
        EXPECT_FALSE(text.contains("Запись"));
    }
}

TEST(ReportPageBuilding, SubreportPrintsInsideItsBandAndBreaksPages)
{
    for (int rows : {3, 40}) {
        Builder b;
        TrpPage *second = b.report.Pages().Add();
        second->Name = "Page2";
        Builder::setPaper(second, 1000, 1000);
        b.band(btMasterData, 0, 20, "Sheets", "2");
        b.memo(0, 0, 90, 20, "Лист [LINE#]");
        auto sub = std::make_unique<TrpSubReportView>();
        sub->Name = "SubReport1";
        sub->TargetPage = 1;
        sub->SetBounds(100, 0, 150, 20);
        b.page->AddView(std::move(sub));
        b.band(btMasterData, 0, 20, "Parts", QString::number(rows), 0, second);
        b.memo(0, 0, 150, 20, "Деталь [LINE#]", second);
        ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
        const QString text = dump(b.report);
        if (rows == 3) {
            EXPECT_EQ(text.toStdString(),
                      "== page 1\n0,20 90x20 Лист 1\n100,20 150x20 Деталь 1\n100,40 150x20 Деталь 2\n"
                      "100,60 150x20 Деталь 3\n0,80 90x20 Лист 2\n100,80 150x20 Деталь 1\n100,100 150x20 Деталь 2\n"
                      "100,120 150x20 Деталь 3\n");
        } else {
            EXPECT_GE(b.report.EMFPages().Count(), 5);
            EXPECT_EQ(text.count("Деталь 40"), 2) << text.toStdString();
            EXPECT_EQ(text.count("Лист "), 2);
        }
    }
}

TEST(ReportPageBuilding, PageFootersOnFirstAndLastPages)
{
    struct Case { quint16 flags; const char *expected; };
    // 40 records of 20 on pages holding 15: three pages
    const Case cases[] = {
        {rpbfOnFirstPage | rpbfOnLastPage, "123"},
        {rpbfOnLastPage, "23"},
        {rpbfOnFirstPage, "12"},
        {0, "2"},
    };
    for (const Case &c : cases) {
        Builder b;
        b.band(btMasterData, 0, 20, "MasterData1", "40");
        b.memo(0, 0, 200, 20, "Строка [LINE#]");
        TrpBandView *pf = b.band(btPageFooter, 60, 20, "PageFooter1");
        pf->Flags = c.flags;
        b.memo(0, 60, 200, 20, "Подвал [PAGE#]");
        ASSERT_TRUE(b.report.Prepare());
        ASSERT_EQ(b.report.EMFPages().Count(), 3) << c.flags << dump(b.report).toStdString();
        QString got;
        const QString text = dump(b.report);
        for (int p = 1; p <= 3; ++p)
            if (text.contains(QStringLiteral("Подвал %1").arg(p))) got += QString::number(p);
        EXPECT_EQ(got.toStdString(), c.expected) << c.flags;
    }
}

TEST(ReportPageBuilding, GroupHeadersRepeatOnNewPagesAndGroupsStartPages)
{
    Builder b;
    TrpUserDataset *src = b.source("rpsrcRows");
    Rows rows;
    for (int i = 0; i < 20; ++i) rows.rows << QMap<QString, TrpValue>{{"GRP", i < 16 ? "A" : "B"}, {"N", i + 1}};
    rows.bind(*src, b.report, true);
    b.band(btGroupHeader, 0, 20, "GroupHeader1", "[GRP]", rpbfRepeatHeader | rpbfFormNewPage);
    b.memo(0, 0, 200, 20, "Группа [GRP]");
    b.band(btMasterData, 30, 20, "MasterData1", "rpsrcRows");
    b.memo(0, 30, 200, 20, "N [N]");
    b.band(btGroupFooter, 60, 20, "GroupFooter1");
    b.memo(0, 60, 200, 20, "Сумма [SUM([N])]");
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    // group A runs over two pages (header repeated), B starts a page of its own
    ASSERT_EQ(b.report.EMFPages().Count(), 3) << text.toStdString();
    EXPECT_EQ(text.count("Группа A"), 2) << text.toStdString();
    EXPECT_EQ(text.count("Группа B"), 1);
    EXPECT_TRUE(text.contains("Сумма 136")) << text.toStdString();    // 1..16
    EXPECT_TRUE(text.contains("Сумма 74")) << text.toStdString();     // 17..20
    const qsizetype page3 = text.indexOf("== page 3");
    EXPECT_GT(text.indexOf("Группа B"), page3);
}

TEST(ReportPageBuilding, SecondPageContinuesOnThePrevious)
{
    Builder b;
    b.band(btMasterData, 0, 20, "MasterData1", "3");
    b.memo(0, 0, 200, 20, "Первая [LINE#]");
    TrpPage *second = b.report.Pages().Add();
    second->Name = "Page2";
    Builder::setPaper(second, 1000, 1000);
    second->PrintToPrevPage = true;
    b.band(btMasterData, 0, 20, "MasterData2", "2", 0, second);
    b.memo(0, 0, 200, 20, "Вторая [LINE#]", second);
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    EXPECT_EQ(dump(b.report).toStdString(),
              "== page 1\n0,20 200x20 Первая 1\n0,40 200x20 Первая 2\n0,60 200x20 Первая 3\n"
              "0,80 200x20 Вторая 1\n0,100 200x20 Вторая 2\n");
    // without the flag the second page starts a prepared page of its own
    // (the template is read back after a build: pages are new objects)
    b.report.Pages().GetPage(1)->PrintToPrevPage = false;
    ASSERT_TRUE(b.report.Prepare());
    EXPECT_EQ(b.report.EMFPages().Count(), 2);
}

TEST(ReportPageBuilding, ScriptsDriveTheBuiltBand)
{
    Builder b;
    TrpBandView *data = b.band(btMasterData, 0, 20, "MasterData1", "6");
    // the band's script asks for a new page after the third record
    data->PrintScript = QStringList{"if [LINE#] = 3 then NewPage"};
    b.memo(0, 0, 200, 20, "[LINE#] [MasterData1.Height]");
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    ASSERT_EQ(b.report.EMFPages().Count(), 2) << text.toStdString();
    EXPECT_TRUE(text.contains("== page 2\n0,20 200x20 3 20")) << text.toStdString();
}

TEST(ReportPageBuilding, CrossTabRowsAndColumns)
{
    Builder b;
    // rows: a master data band; columns: a cross data strip with 3 records
    b.band(btMasterData, 40, 20, "Rows", "2");
    TrpBandView *cross = b.band(btCrossData, 0, 100, "Columns", "3");
    cross->SetBounds(100, 0, 50, 100);
    TrpBandView *footer = b.band(btCrossFooter, 0, 100, "Total");
    footer->SetBounds(150, 0, 60, 100);
    b.memo(0, 40, 90, 20, "Строка [LINE#]");
    b.memo(100, 40, 50, 20, "[LINE#]x[COLUMN#]");
    b.memo(150, 40, 60, 20, "=[SUM([COLUMN#])]");
    int rowsBegun = 0;
    QList<int> columns;
    b.report.OnBeginColumn = [&](TrpBand *) { ++rowsBegun; };
    b.report.OnPrintColumn = [&](int column, int &width) { columns << column; (void)width; };
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    EXPECT_EQ(rowsBegun, 2);
    EXPECT_EQ(columns, QList<int>({1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(dump(b.report).toStdString(),
              "== page 1\n0,20 90x20 Строка 1\n100,20 50x20 1x1\n150,20 50x20 1x2\n200,20 50x20 1x3\n"
              "250,20 60x20 =6\n0,40 90x20 Строка 2\n100,40 50x20 2x1\n150,40 50x20 2x2\n200,40 50x20 2x3\n"
              "250,40 60x20 =6\n");
}

TEST(ReportPageBuilding, WideCrossTabGoesOnOnTheNextPageOfTheRow)
{
    Builder b;
    b.band(btMasterData, 40, 20, "Rows", "2");
    TrpBandView *cross = b.band(btCrossData, 0, 100, "Columns", "8");
    cross->SetBounds(100, 0, 50, 100);
    b.memo(0, 40, 90, 20, "Строка [LINE#]");
    b.memo(100, 40, 50, 20, "[LINE#]x[COLUMN#]");
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    ASSERT_EQ(b.report.EMFPages().Count(), 2);
    const QString text = dump(b.report);
    const qsizetype page2 = text.indexOf("== page 2");
    // the columns that do not fit go to the second page, each row at its own height
    EXPECT_GT(text.indexOf("1x5"), page2) << text.toStdString();
    EXPECT_LT(text.indexOf("1x4"), page2);
    EXPECT_TRUE(text.contains("20,40 50x20 2x5")) << text.toStdString();
}

TEST(ReportPageBuilding, SourceWithoutAnEndIsRefused)
{
    // nothing could ever end it: refused instead of making pages for ever
    Builder b;
    TrpUserDataset *src = b.source("rpsrcEndless");
    src->OnNext = [](TrpDataset &) {};
    b.band(btMasterData, 0, 20, "MasterData1", "rpsrcEndless");
    b.memo(0, 0, 200, 20, "[LINE#]");
    EXPECT_FALSE(b.report.Prepare());
    EXPECT_TRUE(b.report.LastBuildError.contains("rpsrcEndless")) << b.report.LastBuildError.toStdString();
    EXPECT_EQ(b.report.EMFPages().Count(), 0);
}

TEST(ReportPageBuilding, PageColumnsFillDownThenAcross)
{
    for (int columns : {0, 2}) {
        Builder b;
        b.page->Columns = columns;
        b.page->ColumnGap = 10;
        b.band(btColumnHeader, 0, 20, "ColumnHeader1");
        b.memo(0, 0, 100, 20, "Колонка");
        b.band(btMasterData, 30, 20, "MasterData1", "20");
        b.memo(0, 30, 100, 20, "[LINE#]");
        ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
        TrpPage *p = b.report.EMFPages().UnpackPage(0);
        if (columns == 0) {   // builds with one column
            EXPECT_EQ(b.report.EMFPages().Count(), 2);
            continue;
        }
        ASSERT_EQ(b.report.EMFPages().Count(), 1) << dump(b.report).toStdString();
        // (341 - 20 - 10) / 2 = 155 wide columns: 15 records under the header, then the second column
        int secondColumn = 0;
        for (const auto &v : p->Views())
            if (v->Left == 165) ++secondColumn;
        EXPECT_EQ(secondColumn, 1 + 20 - 15) << dump(b.report).toStdString();
    }
}

TEST(ReportPageBuilding, OversizedContentEndsTheBuild)
{
    {
        // a picture taller than the page cannot be cut: it is printed as it is
        Builder b;
        b.band(btMasterData, 0, 600, "MasterData1", "2");
        auto pic = std::make_unique<TrpPictureView>();
        pic->Name = "Picture1";
        pic->SetBounds(0, 0, 100, 600);
        b.page->AddView(std::move(pic));
        ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
        EXPECT_LE(b.report.EMFPages().Count(), 4);
    }
    {
        // a stretching page header that outgrows the page
        Builder b;
        b.band(btPageHeader, 0, 20, "PageHeader1", QString(), rpbfStretched | rpbfOnFirstPage);
        QStringList lines;
        for (int i = 0; i < 40; ++i) lines << QStringLiteral("Шапка %1").arg(i);
        b.memo(0, 0, 200, 20, lines.join('\n'));
        b.band(btMasterData, 30, 20, "MasterData1", "40");
        b.memo(0, 30, 200, 20, "[LINE#]");
        EXPECT_FALSE(b.report.Prepare());
        EXPECT_TRUE(b.report.LastBuildError.contains("does not fit")) << b.report.LastBuildError.toStdString();
    }
}

TEST(ReportPageBuilding, PageFooterTotalsPerPage)
{
    Builder b;
    b.band(btMasterData, 0, 20, "MasterData1", "40");
    b.memo(0, 0, 200, 20, "[LINE#]");
    b.band(btPageFooter, 60, 20, "PageFooter1");
    b.memo(0, 60, 200, 20, "На странице: [SUM([LINE#])]");
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    // 1..15, 16..30, 31..40
    EXPECT_TRUE(text.contains("На странице: 120\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("На странице: 345\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("На странице: 355\n")) << text.toStdString();
}

TEST(ReportPageBuilding, ChainedMasterBandsAndEmptySubsets)
{
    {
        // only the first master band has a source: the two print together per record
        Builder b;
        b.band(btMasterData, 0, 20, "MasterData1", "2");
        b.memo(0, 0, 200, 20, "Первая [LINE#]");
        b.band(btMasterData, 30, 20, "MasterData2");
        b.memo(0, 30, 200, 20, "Вторая");
        ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
        EXPECT_EQ(dump(b.report).toStdString(),
                  "== page 1\n0,20 200x20 Первая 1\n0,40 200x20 Вторая\n0,60 200x20 Первая 2\n0,80 200x20 Вторая\n");
    }
    for (bool printEmpty : {false, true}) {
        // a master record whose detail is empty prints only with PrintIfSubsetEmpty
        Builder b;
        TrpUserDataset *details = b.source("rpsrcDetails");
        int pos = 0;
        details->OnFirst = [&](TrpDataset &) { pos = 0; };
        details->OnNext = [&](TrpDataset &) { ++pos; };
        details->OnCheckEOF = [&](TrpDataset &, bool &eof) { eof = true; };
        b.band(btMasterData, 0, 20, "MasterData1", "2", printEmpty ? rpbfPrintIfSubsetEmpty : 0);
        b.memo(0, 0, 200, 20, "Лист [LINE#]");
        b.band(btDetailData, 30, 20, "DetailData1", "rpsrcDetails");
        b.memo(0, 30, 200, 20, "Деталь");
        const bool built = b.report.Prepare();
        const QString text = dump(b.report);
        EXPECT_EQ(text.contains("Лист 1"), printEmpty) << text.toStdString();
        EXPECT_EQ(text.contains("Лист 2"), printEmpty) << text.toStdString();
        EXPECT_FALSE(text.contains("Деталь"));
        (void)built;
    }
}

TEST(ReportPageBuilding, StretchedCrossRowTakesItsTallestCell)
{
    Builder b;
    b.band(btMasterData, 40, 20, "Rows", "2", rpbfStretched);
    TrpBandView *cross = b.band(btCrossData, 0, 100, "Columns", "3");
    cross->SetBounds(100, 0, 50, 100);
    b.memo(0, 40, 90, 20, "Строка [LINE#]");
    // the third column of each row has three lines
    b.memo(100, 40, 50, 20, "[IF([COLUMN#] = 3, 'a' + CHR(13) + 'b' + CHR(13) + 'c', 'x')]");
    b.report.OnUserFunction = [](const QString &name, const QString &p1, const QString &, const QString &, TrpValue &v) {
        if (name != "CHR") return false;
        v = TrpValue(QString(QChar(p1.toInt())));
        return true;
    };
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    TrpPage *p = b.report.EMFPages().UnpackPage(0);
    int secondRowTop = -1;
    for (const auto &v : p->Views())
        if (v->Memo.join(QString()).contains("Строка 2")) secondRowTop = v->Top;
    EXPECT_GT(secondRowTop, 20 + 40) << dump(b.report).toStdString();
}

TEST(ReportPageBuilding, ObjectScriptBreaksAfterItsBand)
{
    Builder b;
    b.band(btMasterData, 0, 20, "MasterData1", "4");
    b.memo(0, 0, 200, 20, "[LINE#]")->PrintScript = QStringList{"if [LINE#] = 2 then NewPage"};
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    EXPECT_EQ(dump(b.report).toStdString(),
              "== page 1\n0,20 200x20 1\n0,40 200x20 2\n== page 2\n0,20 200x20 3\n0,40 200x20 4\n");
}

// A text export that fails once the second page ends.
class FailingExport : public TrpTextExport
{
public:
    void EndPage() override
    {
        TrpTextExport::EndPage();
        if (++pages == 2) throw kv::Error(QStringLiteral("disk full"));
    }
    int pages = 0;
};

TEST(ReportPageBuilding, FailedExportLeavesTheOldFileByteIdentical)
{
    Builder b;
    b.band(btMasterData, 0, 20, "MasterData1", "1", rpbfStretched);
    QStringList lines;
    for (int i = 1; i <= 30; ++i) lines << QStringLiteral("Деталь %1").arg(i);
    b.memo(0, 0, 200, 20, lines.join('\n'));
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    ASSERT_EQ(b.report.EMFPages().Count(), 2);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.txt"));
    const QByteArray old("the export of yesterday\r\n");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    FailingExport failing;
    failing.ShowDialog = false;
    EXPECT_THROW(b.report.ExportPrepared(failing, file), kv::Error);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
    f.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.txt"});   // no temporary left
    // A whole export replaces it.
    TrpTextExport text;
    text.ShowDialog = false;
    ASSERT_TRUE(b.report.ExportPrepared(text, file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_NE(f.readAll(), old);
}

TEST(ReportPageBuilding, NestedSubreportGoesOnOnTheNextPages)
{
    // sheets, two sections per sheet, 30 parts per section: the parts run over
    // pages from inside two levels of subreports
    Builder b;
    TrpPage *sections = b.addPage("Sections");
    TrpPage *parts = b.addPage("Parts");
    b.band(btMasterData, 0, 20, "Sheets", "2");
    b.memo(0, 0, 90, 20, "Лист [LINE#]");
    b.subreport(b.page, 1, 100, 0);
    b.band(btMasterData, 0, 20, "SectionRows", "2", 0, sections);
    b.memo(0, 0, 90, 20, "Раздел [LINE#]", sections);
    b.subreport(sections, 2, 100, 0);
    b.band(btMasterData, 0, 20, "PartRows", "30", 0, parts);
    b.memo(0, 0, 90, 20, "Деталь [LINE#]", parts);
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    // every part once, in order, and nothing below the bottom edge (340)
    QStringList partOrder;
    for (const QString &l : lines) {
        if (l.startsWith("==")) continue;
        const QStringList f = l.split(' ');
        const int top = f[0].section(',', 1).toInt();
        EXPECT_LE(top + 20, 340) << l.toStdString();
        if (l.contains("Деталь")) partOrder << f.last();
    }
    ASSERT_EQ(partOrder.size(), 120) << text.toStdString();
    for (int i = 0; i < 120; ++i) EXPECT_EQ(partOrder[i], QString::number(i % 30 + 1)) << i;
    EXPECT_EQ(text.count("Лист "), 2);
    EXPECT_EQ(text.count("Раздел "), 4);
    // the first section fills page 1 and goes on at the top of page 2; the
    // second section starts below its end
    const qsizetype page2 = text.indexOf("== page 2");
    EXPECT_TRUE(text.mid(0, page2).contains("200,320 90x20 Деталь 16\n")) << text.toStdString();
    EXPECT_TRUE(text.mid(page2).startsWith("== page 2\n200,20 90x20 Деталь 17\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("200,280 90x20 Деталь 30\n100,300 90x20 Раздел 2\n200,300 90x20 Деталь 1\n"))
        << text.toStdString();
    EXPECT_EQ(b.report.EMFPages().Count(), 8) << text.toStdString();
    rpLookAtPdf(b.report, QStringLiteral("nested-subreports"));
}

TEST(ReportPageBuilding, NestedSubreportRowTallerThanAPageStillEnds)
{
    Builder b;
    TrpPage *inner = b.addPage("Inner");
    TrpPage *deepest = b.addPage("Deepest");
    b.band(btMasterData, 0, 40, "Outer", "1");
    b.memo(0, 0, 90, 20, "Внешняя");
    b.subreport(b.page, 1, 0, 20);
    b.band(btMasterData, 0, 40, "Middle", "1", 0, inner);
    b.memo(0, 0, 90, 20, "Средняя", inner);
    b.subreport(inner, 2, 0, 20);
    // 330 units, and a page holds 320
    b.band(btMasterData, 0, 330, "Rows", "3", 0, deepest);
    b.memo(0, 0, 90, 20, "Строка [LINE#]", deepest);
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(text.count(QStringLiteral("Строка %1\n").arg(i)), 1) << text.toStdString();
    // each row on a page of its own, none empty
    EXPECT_EQ(b.report.EMFPages().Count(), 4) << text.toStdString();
    EXPECT_FALSE(text.contains("== page 2\n== page")) << text.toStdString();
}

TEST(ReportPageBuilding, RightToLeftMemoKeepsItsReadingOrderOnThePreparedPage)
{
    // Pages keep their texts in code page 1251: read right to left, Cyrillic
    // words keep their order and the dashes and stops move to the other end.
    Builder b;
    // measured with the fonts it is printed with, so the PDF shows it as laid out
    rpMeasuringCanvas().SetMeasurer(nullptr);
    b.band(btMasterData, 0, 60, "Rows", "2");
    TrpMemoView *right = b.memo(0, 0, 150, 20, QStringLiteral("- Лист [LINE#]."));
    right->Alignment = rptaRight;
    right->Flags |= rpmfRTLReading;
    right->FrameTyp = 15;
    TrpMemoView *justified = b.memo(160, 0, 150, 60, QStringLiteral("- Раскрой 12 листов ЛДСП толщиной 16 мм по карте."));
    justified->Alignment = rptaJustify;
    justified->Flags |= rpmfRTLReading;
    justified->FrameTyp = 15;
    b.memo(0, 30, 150, 20, QStringLiteral("- Строка [LINE#]."))->Alignment = rptaRight;
    ASSERT_TRUE(b.report.Prepare()) << b.report.LastBuildError.toStdString();
    const QString text = dump(b.report);
    // the texts are kept as they are read
    EXPECT_TRUE(text.contains(QStringLiteral("0,20 150x20 - Лист 1.\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("160,20 150x60 - Раскрой 12 листов ЛДСП толщиной 16 мм по карте.\n")))
        << text.toStdString();
    TrpPage *page = b.report.EMFPages().UnpackPage(0);
    int rtl = 0;
    for (const auto &v : page->Views()) {
        const bool strokes = v->Memo.join(QString()).contains(QStringLiteral("Строка"));
        EXPECT_EQ(bool(v->Flags & rpmfRTLReading), !strokes) << v->Memo.join('|').toStdString();
        if (!strokes) ++rtl;
    }
    EXPECT_EQ(rtl, 4);
    rpLookAtPdf(b.report, QStringLiteral("rtl-memo"));
    rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
}

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QObject>
#include <QPainter>
#include <QTemporaryDir>

#include "platform/error.h"
#include "platform/text.h"
#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/model/views.h"
#include "report/output/textexports.h"
#include "report/script/scriptengine.h"
#include "report/tests/templatefixture.h"

// Numbers from damaged templates, prepared reports and scripts: each one of
// these once crashed, hung or exhausted the memory of the engine.

namespace {

constexpr qint32 kHuge = 2000000000;

struct VirtualPaper
{
    VirtualPaper()
    {
        SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
    }
    ~VirtualPaper() { SetPaperHandler({}); }
};

// A report over three records with one data band; the views are put on it
// by the test with any numbers, as a damaged file would hold them.
struct Fixture
{
    VirtualPaper paper;
    QObject window;
    TrpReport report{&window};
    TrpUserDataset *rows = new TrpUserDataset(&window);
    TrpPage *page = nullptr;
    int pos = 0;

    Fixture()
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        report.ShowProgress = false;
        report.Now = [] { return 45000.5; };
        rows->SetName(QStringLiteral("Rows"));
        rows->OnFirst = [this](TrpDataset &) { pos = 0; };
        rows->OnNext = [this](TrpDataset &) { ++pos; };
        rows->OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = pos >= 3; };
        report.OnProgress = [this](int pages) {
            if (pages > 50) report.Stop();
        };
        report.Pages().Clear();
        page = report.Pages().Add();
        page->Name = QStringLiteral("Page1");
        page->SetPaper(9, 2100, 2970, -1, 0);
        auto band = std::make_unique<TrpBandView>();
        band->SetBandType(btMasterData);
        band->Name = QStringLiteral("Data");
        band->SetBounds(0, 100, 700, 40);
        band->DisplayFormatText = QStringLiteral("Rows");
        page->AddView(std::move(band));
    }

    TrpMemoView *memo(const QString &text)
    {
        auto m = std::make_unique<TrpMemoView>();
        m->Name = QStringLiteral("Memo%1").arg(page->ViewCount());
        m->SetBounds(10, 105, 200, 20);
        m->Memo = {text};
        return static_cast<TrpMemoView *>(page->AddView(std::move(m)));
    }

    // Through the template writer and reader, as the file reaches the program.
    void reload()
    {
        ASSERT_TRUE(kvtest::load(report, kvtest::save(report)));
        page = report.Pages().GetPage(0);
    }

    // The size of each export of the prepared pages.
    QList<qint64> exportSizes()
    {
        QTemporaryDir dir;
        TrpTextExport text;
        text.ExportFrames = true;
        TrpCSVExport csv;
        TrpHTMExport htm;
        QList<qint64> sizes;
        int n = 0;
        for (TrpExportFilter *f : {static_cast<TrpExportFilter *>(&text), static_cast<TrpExportFilter *>(&csv),
                                   static_cast<TrpExportFilter *>(&htm)}) {
            f->ShowDialog = false;
            const QString file = dir.filePath(QStringLiteral("out%1").arg(++n));
            report.ExportPrepared(*f, file);
            sizes << QFile(file).size();
        }
        return sizes;
    }
};

TEST(DamagedInput, NumbersOutOfEveryRangeAreBoundedWhenATemplateIsRead)
{
    Fixture f;
    TrpMemoView *m = f.memo(QStringLiteral("Текст"));
    m->Left = -kHuge;
    m->Top = kHuge;
    m->Width = kHuge;
    m->Height = -kHuge;
    m->GapX = kHuge;
    m->GapY = -kHuge;
    m->FrameStyle = 66;
    m->FrameWidth = 2000000;
    m->Font.size = kHuge;
    m->LineSpacing = -kHuge;
    m->CharSpacing = kHuge;
    auto *band = static_cast<TrpBandView *>(f.page->FindView(QStringLiteral("Data")));
    band->Columns = kHuge;
    band->ColumnWidth = -kHuge;
    band->ColumnGap = kHuge;
    band->NewColumnAfter = kHuge;
    f.page->Columns = kHuge;
    f.page->ColumnGap = -kHuge;
    f.page->MarginLeft = kHuge;
    f.page->MarginBottom = -kHuge;
    f.page->SetPaper(256, 1000, 1000, -1, 0);
    f.page->PaperWidth = kHuge;   // as a damaged record holds it
    const QString name = m->Name;
    f.reload();   // the views are read anew: the old pointers are gone

    m = static_cast<TrpMemoView *>(f.page->FindView(name));
    band = static_cast<TrpBandView *>(f.page->FindView(QStringLiteral("Data")));
    ASSERT_TRUE(m && band);
    const struct { const char *what; qint64 value, expected; } cases[] = {
        {"memo left", m->Left, -rpMaxCoord},
        {"memo top", m->Top, rpMaxCoord},
        {"memo width", m->Width, rpMaxCoord},
        {"memo height", m->Height, -rpMaxCoord},
        {"gap x", m->GapX, rpMaxCoord},
        {"gap y", m->GapY, -rpMaxCoord},
        {"frame style (no such style)", m->FrameStyle, rppsSolid},
        {"frame width", qint64(m->FrameWidth), qint64(TrpView::kMaxFrameWidth)},
        {"font size", m->Font.size, rpMaxFontSize},
        {"line spacing", m->LineSpacing, -rpMaxSpacing},
        {"character spacing", m->CharSpacing, rpMaxSpacing},
        {"band columns", band->Columns, rpMaxColumns},
        {"band column width", band->ColumnWidth, -rpMaxCoord},
        {"band column gap", band->ColumnGap, rpMaxCoord},
        {"new column after", band->NewColumnAfter, rpMaxColumns},
        {"page columns", f.page->Columns, rpMaxColumns},
        {"page column gap", f.page->ColumnGap, -rpMaxCoord},
        {"left margin", f.page->MarginLeft, rpMaxCoord},
        {"bottom margin", f.page->MarginBottom, -rpMaxCoord},
        {"paper width", f.page->PaperWidth, rpMaxPaper},
    };
    for (const auto &c : cases) EXPECT_EQ(c.value, c.expected) << c.what;

    // What was read builds and exports without running away.
    f.report.Prepare();
    for (qint64 size : f.exportSizes()) EXPECT_LT(size, 64 * 1024 * 1024);
}

TEST(DamagedInput, ScriptsCannotSetNumbersOutOfRange)
{
    Fixture f;
    TrpMemoView *m = f.memo(QStringLiteral("x"));
    const struct { const char *property; qint64 value, expected; } cases[] = {
        {"Left", -kHuge, -rpMaxCoord},     {"Height", kHuge, rpMaxCoord},
        {"FrameStyle", 66, rppsDouble},    {"FrameStyle", -3, rppsSolid},
        {"FrameWidth", kHuge, qint64(TrpView::kMaxFrameWidth)},
        {"Font.Size", kHuge, rpMaxFontSize}, {"LineSpacing", -kHuge, -rpMaxSpacing},
    };
    for (const auto &c : cases) {
        m->SetProperty(QString::fromLatin1(c.property), TrpValue(c.value));
        EXPECT_EQ(qint64(m->GetProperty(QString::fromLatin1(c.property)).toFloat()), c.expected) << c.property;
    }
}

// A font of size 0 without line spacing gives lines of no height: the part of
// a memo that holds no whole line was a division by zero.
TEST(DamagedInput, LinesOfNoHeightSplitWithoutADivisionByZero)
{
    Fixture f;
    TrpMemoView *m = f.memo(QStringLiteral("one\ntwo\nthree"));
    m->Font.size = 0;
    m->LineSpacing = 0;
    m->Flags |= rpmfUnderlines;
    m->Height = 4000;   // taller than the page: printed in parts
    auto *band = static_cast<TrpBandView *>(f.page->FindView(QStringLiteral("Data")));
    band->Height = 4100;
    band->Flags |= rpbfBreaked;
    const QString name = m->Name;
    f.reload();
    m = static_cast<TrpMemoView *>(f.page->FindView(name));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->RemainHeight(), 2 * m->GapY + 2);
    f.report.Prepare();
    EXPECT_GT(f.report.EMFPages().Count(), 0);
    f.exportSizes();
}

// A memo placed far to the left with underlines over a huge height, in a
// prepared report file: the text and CSV exports padded it for minutes.
TEST(DamagedInput, PreparedPagesWithHugePositionsExportQuickly)
{
    Fixture f;
    TrpMemoView *m = f.memo(QStringLiteral("far away"));
    m->Flags |= rpmfUnderlines;
    m->FrameTyp = 15;
    f.report.Prepare();
    ASSERT_GT(f.report.EMFPages().Count(), 0);
    // The built page holds the memo; a damaged file holds it with other numbers.
    TrpEMFPages &pages = f.report.EMFPages();
    TrpPage *built = pages.UnpackPage(0);
    for (int i = 0; i < built->ViewCount(); ++i) {
        TrpView *v = built->View(i);
        if (v->TypeCode != rpgtMemo) continue;
        v->Left = -kHuge;
        v->Height = kHuge;
        v->Width = kHuge;
    }
    pages.PackPage(0);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    pages.WritePreparedFile(out);
    QByteArray bytes = out.data();
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    pages.ReadPreparedFile(in);
    ASSERT_GT(pages.Count(), 0);
    for (qint64 size : f.exportSizes()) EXPECT_LT(size, 64 * 1024 * 1024);
    QImage image(170, 240, QImage::Format_RGB32);
    QPainter painter(&image);
    TrpCanvas canvas(&painter, TrpCanvasKind::Screen);
    pages.GetPage(0)->Visible = true;
    pages.DrawPage(0, &canvas, QRect(5, 5, 160, 230));
}

TEST(DamagedInput, ATextThatDoublesInALoopEndsWithAnError)
{
    TrpEngine engine;
    TrpCompiledScript compiled;
    QStringList errors;
    TrpInterpretator &interp = engine.Interpreter();
    ASSERT_TRUE(interp.Compile({QStringLiteral("begin s := 'ab'; while 1 do s := s + s end")}, compiled, errors));
    try {
        interp.Run(compiled);
        FAIL() << "the loop ran to its end";
    } catch (const kv::Error &e) {
        EXPECT_TRUE(e.message().contains(QString::number(rpMaxTextLength))) << e.message().toStdString();
    }
    EXPECT_LE(engine.Variables().GetValue(QStringLiteral("S")).toText().size(), rpMaxTextLength);
    // A long text that stays within the limit is kept.
    EXPECT_EQ(engine.Calculate(QStringLiteral("COPY('x' + '%1', 1, 3)").arg(QString(1000, 'y'))).toText(),
              QStringLiteral("xyy"));
}

// Each new element of a script array went into the sorted list of the
// application's variables by moving all that followed it.
TEST(DamagedInput, ScriptArraysOfManyElementsFillInLinearTime)
{
    TrpEngine engine;
    TrpCompiledScript compiled;
    QStringList errors;
    TrpInterpretator &interp = engine.Interpreter();
    ASSERT_TRUE(interp.Compile({QStringLiteral("begin i := 0; while i < 100000 do begin a[i] := i * 2; i := i + 1 end; "
                                               "b := a[99999] + a[0] end")},
                               compiled, errors))
        << errors.join(QLatin1Char('\n')).toStdString();
    interp.Run(compiled);
    TrpVariables &vars = engine.Variables();
    EXPECT_EQ(vars.GetValue(QStringLiteral("B")).toFloat(), 199998.0);
    // The list still reads in sorted order by position.
    const int i0 = vars.IndexOf(QStringLiteral("Arr_A_0")), i1 = vars.IndexOf(QStringLiteral("Arr_A_1"));
    ASSERT_GE(i0, 0);
    EXPECT_EQ(i1, i0 + 1);
    EXPECT_TRUE(kv::sameText(vars.Name(i1), QStringLiteral("Arr_A_1")));
    for (int i = 1; i < vars.Count(); ++i) EXPECT_LT(kv::compareText(vars.Name(i - 1), vars.Name(i)), 0);
}

} // namespace

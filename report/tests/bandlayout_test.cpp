// Templates that place views by their band: alignment on a band row, views
// that follow the band's top, bottom and width, auto-width memos at every
// scale, page values while building, bare field names and field links.
// Each template is written by the engine's own writer and read back before it
// is prepared, as a template from a file would be.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QObject>
#include <QWidget>
#include <algorithm>

#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/model/views.h"
#include "report/output/exportfilter.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"

#include "platform/testsupport/memdataset.h"
#include "report/tests/pdfshot.h"
#include "report/windows/preview.h"
#include "report/tests/templatefixture.h"

namespace {

class Table : public kv::test::MemDataSet
{
public:
    Table(const QString &name, const QList<QVariantList> &rows, QObject *parent)
        : MemDataSet({kv::FieldDef{QStringLiteral("Name"), kv::FieldType::String, 30}}, rows, parent)
    {
        setObjectName(name);
    }
};

// A report on A4 (756 x 1069 page units, margins 20) whose template goes
// through the writer and the reader before it is built.
struct Template
{
    Template()
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        window.setObjectName("FormLayout");
        report.Pages().Clear();
        page = report.Pages().Add();
        page->Name = "Page1";
        page->SetPaper(256, 2100, 2970, -1, 0);
        page->MarginLeft = page->MarginTop = page->MarginRight = page->MarginBottom = 20;
    }
    ~Template() { rpMeasuringCanvas().SetMeasurer(nullptr); }
    TrpBandView *band(int kind, int top, int height, const QString &name, const QString &source = QString(),
                      quint16 extraFlags = 0)
    {
        auto v = std::make_unique<TrpBandView>();
        v->SetBandType(kind);
        v->Name = name;
        v->SetBounds(0, top, 700, height);
        v->DisplayFormatText = source;
        v->Flags |= extraFlags;
        return static_cast<TrpBandView *>(page->AddView(std::move(v)));
    }
    TrpMemoView *memo(const QString &name, int left, int top, int width, int height, const QString &text,
                      quint8 align = baNone)
    {
        auto v = std::make_unique<TrpMemoView>();
        v->Name = name;
        v->SetBounds(left, top, width, height);
        v->Memo = text.split(QLatin1Char('\n'));
        v->BandAlign = align;
        v->FrameTyp = rpftLeft | rpftTop | rpftRight | rpftBottom;
        return static_cast<TrpMemoView *>(page->AddView(std::move(v)));
    }
    TrpView *line(const QString &name, int left, int top, int width, int height, quint8 align)
    {
        auto v = std::make_unique<TrpLineView>();
        v->Name = name;
        v->SetBounds(left, top, width, height);
        v->Flags &= ~rpflStretched;
        v->BandAlign = align;
        return page->AddView(std::move(v));
    }
    TrpUserDataset *records(const QString &name)
    {
        auto *s = new TrpUserDataset(&window);
        s->SetName(name);
        return s;
    }
    TrpDBDataSet *table(const QString &name, const QStringList &names)
    {
        QList<QVariantList> rows;
        for (const QString &n : names) rows << QVariantList{n};
        auto *t = new Table(name + QStringLiteral("Table"), rows, &window);
        t->Open();   // as the application's tables are
        auto *s = new TrpDBDataSet(&window);
        s->SetName(name);
        s->SetDataSet(t);
        return s;
    }
    // Through the writer and back, then built.
    bool prepare()
    {
        if (!kvtest::load(report, kvtest::save(report))) return false;
        page = report.Pages().GetPage(0);
        return report.Prepare();
    }
    // Views of a prepared page by name, in the order they were written.
    std::vector<TrpView *> printed(int pageIndex, const QString &name)
    {
        std::vector<TrpView *> out;
        TrpPage *p = report.EMFPages().UnpackPage(pageIndex);
        for (const auto &v : p->Views())
            if (v->Name == name) out.push_back(v.get());
        return out;
    }
    QStringList texts(int pageIndex)
    {
        QStringList out;
        TrpPage *p = report.EMFPages().UnpackPage(pageIndex);
        for (const auto &v : p->Views()) out << v->Memo.join(QLatin1Char('|')).remove(QChar(1));
        return out;
    }

    QObject window;
    TrpReport report{&window};
    TrpPage *page = nullptr;
};

} // namespace

// ---------------------------------------------------------------- alignment on a row

TEST(BandLayout, AlignedViewsOfARowPackFromTheEdgesOnEveryRecord)
{
    Template t;
    t.band(btMasterData, 100, 30, "MasterData1", "2");
    // designed out of order and apart: printing packs them
    t.memo("Left1", 200, 100, 100, 20, "L1", baLeft);
    t.memo("Left2", 400, 100, 80, 20, "L2", baLeft);
    t.memo("Rest", 450, 100, 10, 20, "R", baRest);
    t.memo("Right1", 500, 100, 50, 20, "R1", baRight);
    t.memo("Right2", 690, 100, 60, 20, "R2", baRight);
    // another row of the same band: no neighbour of the first row
    t.memo("Lower", 300, 110, 40, 10, "D", baLeft);
    const int left = t.page->LeftMarginUsed(), right = t.page->RightEdge();
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();

    struct Case { const char *name; int left, width; };
    const Case cases[] = {
        {"Left1", left, 100}, {"Left2", left + 100, 80}, {"Rest", left + 180, right - 60 - 50 - 1 - (left + 180)},
        {"Right1", right - 60 - 50 - 1, 50}, {"Right2", right - 60, 60}, {"Lower", left, 40},
    };
    for (const Case &c : cases) {
        const auto views = t.printed(0, c.name);
        ASSERT_EQ(views.size(), 2u) << c.name;
        for (TrpView *v : views) {
            EXPECT_EQ(v->Left, c.left) << c.name;
            EXPECT_EQ(v->Width, c.width) << c.name;
        }
    }
    rpLookAtPdf(t.report, QStringLiteral("band_row_alignment"));
    // the rows stay where the band put them
    const auto first = t.printed(0, "Left1"), lower = t.printed(0, "Lower");
    EXPECT_EQ(first[1]->Top - first[0]->Top, 30);
    EXPECT_EQ(lower[0]->Top - first[0]->Top, 10);
}

// ---------------------------------------------------------------- top, bottom and width of the band

TEST(BandLayout, ViewsFollowTheTopAndBottomOfAStretchedBand)
{
    Template t;
    t.band(btMasterData, 100, 20, "MasterData1", "1", rpbfStretched);
    TrpMemoView *tall = t.memo("Tall", 20, 100, 60, 20, "one two three four five six seven");
    tall->Flags |= rpmfStretched | rpmfWordWrap;
    t.line("Bottom", 100, 100, 200, 0, baBottom);
    t.line("TopLine", 100, 110, 200, 0, baTop);
    TrpMemoView *note = t.memo("Note", 320, 102, 100, 12, "end", baBottom);
    note->Flags &= ~rpflStretched;
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();

    const TrpView *m = t.printed(0, "Tall").at(0);
    const int bandTop = m->Top, bandBottom = m->Top + m->Height;
    ASSERT_GT(m->Height, 20) << "the band did not stretch";
    rpLookAtPdf(t.report, QStringLiteral("band_top_and_bottom"));
    const TrpView *bottom = t.printed(0, "Bottom").at(0);
    EXPECT_EQ(bottom->Top + bottom->Height, bandBottom);
    EXPECT_EQ(t.printed(0, "TopLine").at(0)->Top, bandTop);
    const TrpView *n = t.printed(0, "Note").at(0);
    EXPECT_EQ(n->Top + n->Height, bandBottom);
    // placed for good: the drawn page does not move it again
    EXPECT_EQ(n->BandAlign, baNone);
}

TEST(BandLayout, AViewAlignedToTheWidthOfACrossBandTakesTheStrip)
{
    Template t;
    t.band(btMasterData, 100, 20, "MasterData1", "1");
    TrpBandView *cross = t.band(btCrossData, 0, 300, "CrossData1", "3");
    cross->SetBounds(300, 0, 60, 300);
    t.memo("Cell", 310, 100, 20, 20, "c", baWidth);
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();
    const auto cells = t.printed(0, "Cell");
    ASSERT_EQ(cells.size(), 3u);
    for (size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i]->Width, 60) << i;
        EXPECT_EQ(cells[i]->BandAlign, baNone) << i;
        if (i > 0) {
            EXPECT_EQ(cells[i]->Left - cells[i - 1]->Left, 60) << i;
        }
    }
}

// ---------------------------------------------------------------- notification

namespace {

QStringList g_notified;

class Watcher : public TrpView
{
public:
    Watcher() { Flags |= rpflNotify; }
    QString ClassName() const override { return QStringLiteral("TLayoutWatcher"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<Watcher>(); }
    void Notify(TrpView *view) override { g_notified << view->Name; }
};

struct WatcherClass
{
    WatcherClass() { RegisterObject<Watcher>(QImage(), QStringLiteral("watcher")); }
    ~WatcherClass() { UnregisterObject(QStringLiteral("TLayoutWatcher")); }
};

} // namespace

TEST(BandLayout, WatchersHearOfEachMemoPrintedNotOfSuppressedOrHiddenOnes)
{
    WatcherClass registered;
    g_notified.clear();
    Template t;
    auto w = std::make_unique<Watcher>();
    w->Name = "Watcher1";
    w->SetBounds(600, 0, 10, 10);
    t.page->AddView(std::move(w));
    t.band(btMasterData, 100, 20, "MasterData1", "3");
    t.memo("Shown", 20, 100, 60, 20, "[LINE#]");
    TrpMemoView *same = t.memo("Same", 100, 100, 60, 20, "constant");
    same->Flags |= rpmfSuppress;
    TrpMemoView *hidden = t.memo("Hidden", 200, 100, 60, 20, "x");
    hidden->PrintScript = QStringList{"Hidden.Visible := 1 = 0"};
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();
    g_notified.sort();
    EXPECT_EQ(g_notified, (QStringList{"Same", "Shown", "Shown", "Shown"}));
}

TEST(BandLayout, AWatcherHearsOfAMemoSplitAcrossPagesOnce)
{
    WatcherClass registered;
    g_notified.clear();
    Template t;
    auto w = std::make_unique<Watcher>();
    w->Name = "Watcher1";
    w->SetBounds(600, 0, 10, 10);
    t.page->AddView(std::move(w));
    t.band(btMasterData, 100, 20, "MasterData1", "1", rpbfStretched | rpbfBreaked);
    QStringList lines;
    for (int i = 1; i <= 120; ++i) lines << QStringLiteral("line %1").arg(i);
    TrpMemoView *m = t.memo("Long", 20, 100, 200, 20, lines.join(QLatin1Char('\n')));
    m->Flags |= rpflStretched;
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();
    ASSERT_GE(t.report.EMFPages().Count(), 2);
    EXPECT_EQ(g_notified, QStringList{"Long"});
}

// ---------------------------------------------------------------- page values

TEST(BandLayout, BottomMarginWhileBuildingIsTheEdgeAboveThePageFooter)
{
    Template t;
    t.band(btReportTitle, 20, 20, "Title");
    t.memo("Edge", 20, 20, 200, 20, "[Page1.BottomMargin] [Page1.RightMargin]");
    t.band(btPageFooter, 900, 40, "PageFooter1");
    t.memo("Foot", 20, 900, 200, 20, "footer");
    const int paperBottom = t.page->BottomEdgeOfPaper();
    const int right = t.page->RightEdge();
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();
    EXPECT_EQ(t.printed(0, "Edge").at(0)->Memo.join(QString()).remove(QChar(1)),
              QStringLiteral("%1 %2").arg(paperBottom - 40).arg(right));
    // outside a build the stored margin is read
    EXPECT_EQ(t.report.Pages().GetPage(0)->GetProperty("BottomMargin").toInt32(), 20);
}

TEST(BandLayout, PageScriptsAndPaperNamesByName)
{
    TrpPages pages;
    TrpPage *report = pages.Add();
    TrpPage *dialog = pages.Add();
    dialog->PageType = ptDialog;
    struct Case { TrpPage *page; const char *name; const char *other; };
    const Case cases[] = {{report, "OnBeforePrint", "OnActivate"}, {dialog, "onactivate", "OnBeforePrint"}};
    for (const Case &c : cases) {
        c.page->SetProperty(c.name, QStringLiteral("a := 1\r\nb := 2"));
        EXPECT_EQ(c.page->PrintScript, (QStringList{"a := 1", "b := 2"})) << c.name;
        EXPECT_EQ(c.page->GetProperty(c.name).toText(), QStringLiteral("a := 1\r\nb := 2")) << c.name;
        EXPECT_TRUE(c.page->GetProperty(c.other).isNull()) << c.name;
    }
    const TrpPropertyRecord *size = report->FindProperty("size");
    ASSERT_NE(size, nullptr);
    const TrpPrinter &printer = rpPrinter();
    if (printer.PaperNames.isEmpty()) {
        EXPECT_EQ(size->EnumNames, QStringList{"No data"});
    } else {
        EXPECT_EQ(size->EnumNames, printer.PaperNames);
        ASSERT_EQ(size->EnumValues.size(), printer.PaperCodes.size());
        for (qsizetype i = 0; i < size->EnumValues.size(); ++i)
            EXPECT_EQ(size->EnumValues[i].toInt32(), printer.PaperCodes[i]) << i;
    }
}

// ---------------------------------------------------------------- bare field names

TEST(BandLayout, ABareFieldNameReadsTheDataBandOfItsLevel)
{
    struct Case { int kind; int top; const char *expected; };
    // the master table's one record, the detail table's last, the report's own data set
    const Case cases[] = {
        {btReportTitle, 40, "sheet"}, {btPageHeader, 70, "sheet"}, {btMasterHeader, 250, "sheet"},
        {btMasterData, 300, "sheet"}, {btMasterFooter, 520, "sheet"}, {btGroupFooter, 490, "sheet"},
        {btDetailData, 400, "cut"}, {btDetailFooter, 450, "cut"},
        {btDetailHeader, 350, "own"}, {btPageFooter, 900, "sheet"}, {btChild, 600, "own"},
    };
    for (const Case &c : cases) {
        Template t;
        t.table("rpdbSheets", {"sheet"});
        t.table("rpdbCuts", {"cut"});
        t.report.SetDataset(t.table("rpdbOwn", {"own"}));
        t.band(btMasterData, 300, 20, "MasterData1", "rpdbSheets");
        t.band(btDetailData, 400, 20, "DetailData1", "rpdbCuts");
        if (c.kind != btMasterData && c.kind != btDetailData) {
            t.band(c.kind, c.top, 20, "Probe");
            if (c.kind == btGroupFooter) t.band(btGroupHeader, 270, 20, "Group", "[Name]");
            if (c.kind == btChild) t.page->FindView("MasterData1")->SetProperty("ChildBand", "Probe");
        }
        t.memo("Value", 20, c.top, 200, 20, "[Name]");
        ASSERT_TRUE(t.prepare()) << c.kind << ": " << t.report.LastBuildError.toStdString();
        const auto views = t.printed(0, "Value");
        ASSERT_FALSE(views.empty()) << c.kind;
        EXPECT_EQ(views.back()->Memo.join(QString()).remove(QChar(1)), QString::fromLatin1(c.expected)) << c.kind;
    }
}

TEST(BandLayout, ABareFieldNameOverRecordsWithoutFieldsIsNoField)
{
    Template t;
    t.report.SetDataset(t.table("rpdbOwn", {"own"}));
    t.band(btMasterData, 100, 20, "MasterData1", "1");
    t.memo("Value", 20, 100, 200, 20, "[Name]");
    // counted records have no fields, and the report's data set is not asked instead
    EXPECT_FALSE(t.prepare());
    EXPECT_TRUE(t.report.LastBuildError.contains("NAME", Qt::CaseInsensitive)) << t.report.LastBuildError.toStdString();
}

// ---------------------------------------------------------------- field links

TEST(BandLayout, AViewShowingADictionaryVariableLinksToItsField)
{
    Template t;
    t.table("rpdbSheets", {"first", "second"});
    t.report.Dictionary().VariableList.SetValue(QStringLiteral(" Sheets"), QString());
    t.report.Dictionary().VariableList.SetValue(QStringLiteral("SheetName"), QStringLiteral("rpdbSheets.Name"));
    t.band(btMasterData, 100, 20, "MasterData1", "rpdbSheets");
    t.memo("Value", 20, 100, 200, 20, "[SheetName]");
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();
    QStringList got;
    for (TrpView *v : t.printed(0, "Value")) got << v->Memo.join(QString()).remove(QChar(1));
    EXPECT_EQ(got, (QStringList{"first", "second"}));
}

TEST(BandLayout, ADictionaryVariableOpensItsClosedDataSet)
{
    Template t;
    TrpDBDataSet *s = t.table("rpdbSheets", {"only"});
    TrpDataDictionary &d = t.report.Dictionary();
    d.VariableList.SetValue(QStringLiteral(" Sheets"), QString());
    d.VariableList.SetValue(QStringLiteral("Sheet"), QStringLiteral("rpdbSheets.Name"));
    d.CacheField(QStringLiteral("Sheet"), s, QStringLiteral("Name"));
    // the owner closed it after the field was found
    s->DataSet()->Close();
    EXPECT_EQ(d.VariableValue(QStringLiteral("sheet")).toText(), QStringLiteral("only"));
    EXPECT_TRUE(s->DataSet()->Active());
}

// ---------------------------------------------------------------- export filters

TEST(BandLayout, AnExportFilterClassIsListedOnce)
{
    auto count = [](const QString &mask) {
        int n = 0;
        for (const TrpExportFilterInfo &i : rpExportFilters())
            if (i.Mask == mask) ++n;
        return n;
    };
    const int before = count(QStringLiteral("*.rtf"));
    {
        TrpRTFExport first, second;
        EXPECT_EQ(count(QStringLiteral("*.rtf")), std::max(before, 1));
        TrpHTMExport html;
        EXPECT_GE(count(QStringLiteral("*.htm")), 1);
    }
    EXPECT_EQ(count(QStringLiteral("*.rtf")), before);
}

// ---------------------------------------------------------------- auto-width memos

TEST(BandLayout, AnAutoWidthMemoHoldsItsTextAtEveryScaleAndKeepsItsEdge)
{
    Template t;
    t.band(btReportTitle, 20, 40, "Title");
    TrpMemoView *right = t.memo("Right", 300, 20, 200, 20, "Hello world");
    right->Flags |= rpmfAutoWidth;
    right->Alignment = rptaRight;
    right->Font.size = 10;
    TrpMemoView *left = t.memo("Left", 20, 40, 200, 20, "Hello world");
    left->Flags |= rpmfAutoWidth;
    ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();
    // drawn with Qt's own metrics, as the preview and the printer draw
    rpMeasuringCanvas().SetMeasurer(nullptr);
    rpLookAtPdf(t.report, QStringLiteral("auto_width_memos"));
    const TrpPageMetrics &m = t.report.EMFPages().GetPage(0)->PageMetrics;
    TrpPage *p = t.report.EMFPages().UnpackPage(0);
    TrpView *r = p->FindView("Right");
    TrpView *l = p->FindView("Left");
    ASSERT_TRUE(r && l);
    const int rightEdge = r->Left + r->Width, leftEdge = l->Left;

    for (double k : {1.0, 2.0, 4.0, 2.0, 1.0}) {
        TrpCanvas canvas;   // a recording canvas that measures as Qt does at 96 dpi
        t.report.EMFPages().DrawPage(0, &canvas, QRect(0, 0, int(m.Width * k), int(m.Height * k)));
        int texts = 0;
        for (const TrpCanvasRecord &rec : canvas.Records()) {
            if (rec.Kind != TrpCanvasRecord::Text) continue;
            ++texts;
            EXPECT_EQ(rec.Str, QStringLiteral("Hello world")) << "scale " << k;
            // the whole text inside its clip rectangle
            EXPECT_LE(rec.Rect.Right, rec.Clip.Right) << "scale " << k;
            EXPECT_GE(rec.Rect.Left, rec.Clip.Left) << "scale " << k;
        }
        EXPECT_EQ(texts, 2) << "scale " << k;
        EXPECT_EQ(r->Left + r->Width, rightEdge) << "scale " << k;
        EXPECT_EQ(l->Left, leftEdge) << "scale " << k;
    }

    // a printer of 300 dots an inch: the font keeps its points there
    QImage paper(int(m.Width * 300 / 96.0) + 1, int(m.Height * 300 / 96.0) + 1, QImage::Format_RGB32);
    paper.setDotsPerMeterX(11811);
    paper.setDotsPerMeterY(11811);
    paper.fill(Qt::white);
    {
        TrpCanvas printer(&paper, TrpCanvasKind::Printer);
        t.report.EMFPages().DrawPage(0, &printer, QRect(0, 0, paper.width(), paper.height()));
        printer.SetFont(static_cast<TrpMemoView *>(r)->Font, 1.0);
        const double k = double(paper.width()) / m.Width;
        EXPECT_GE((r->Width - 2 * r->GapX) * k, printer.TextWidth(QStringLiteral("Hello world")));
        EXPECT_EQ(r->Left + r->Width, rightEdge);
    }
    // for a person to look at: the page in the preview at 200 %
    if (qEnvironmentVariableIsSet("KV_PREVIEW_SHOT")) {
        TrpPreviewForm form;
        form.resize(900, 700);
        form.Connect(t.report);
        form.show();
        form.SetZoom(200);
        form.grab().save(qEnvironmentVariable("KV_PREVIEW_SHOT"));
    }
}

// ---------------------------------------------------------------- justification

TEST(BandLayout, AJustifiedLineWithNonBreakingSpacesIsSpread)
{
    // the first line of each wraps before the long word; a spread line is
    // drawn word by word
    struct Case { const char *name; QString text; int pieces; };
    const Case cases[] = {
        {"blanks", QStringLiteral("aaaa bbbb cccc dddd eeeeeeeeeeeeeeeeeeeee"), 5},
        {"non-breaking", QStringLiteral("aaaa\u00A0bbbb\u00A0cccc\u00A0dddd eeeeeeeeeeeeeeeeeeeee"), 5},
        {"last line", QStringLiteral("aaaa\u00A0bbbb"), 1},
    };
    rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
    for (const Case &c : cases) {
        TrpMemoView m;
        m.SetBounds(0, 0, 150, 60);
        m.Alignment = rptaJustify;
        m.Flags |= rpmfWordWrap;
        m.FrameTyp = rpftNone;
        m.Memo = QStringList{c.text};
        TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
        m.Draw(&canvas);
        EXPECT_EQ(canvas.RecordedTexts().size(), c.pieces) << c.name << ": " << canvas.RecordedTexts().join('/').toStdString();
    }
    rpMeasuringCanvas().SetMeasurer(nullptr);
}

// ---------------------------------------------------------------- dialog controls

TEST(BandLayout, ANonVisualControlDrawsAsARaisedIconOfItsOwnSize)
{
    TrpNonVisualControl c;
    c.SetBounds(40, 30, 100, 70);
    TrpCanvas canvas;
    c.Draw(&canvas);
    EXPECT_EQ(c.Width, 28);
    EXPECT_EQ(c.Height, 28);
    bool faced = false, iconed = false;
    int lines = 0;
    for (const TrpCanvasRecord &r : canvas.Records()) {
        if (r.Kind == TrpCanvasRecord::Fill && r.Color == rpClBtnFace) faced = r.Rect.width() >= 28 && r.Rect.Left == 40;
        if (r.Kind == TrpCanvasRecord::Line) ++lines;
        if (r.Kind == TrpCanvasRecord::Picture) iconed = r.Rect.Left == 42 && r.Rect.Top == 32 && r.Rect.width() >= 24;
    }
    EXPECT_TRUE(faced);
    EXPECT_GE(lines, 8);   // two edges of four lines
    EXPECT_TRUE(iconed);
}

TEST(BandLayout, ControlsFollowTheirViewsNameAndVisibility)
{
    QWidget form;
    auto *label = new QWidget(&form);
    label->resize(80, 20);
    TrpControl c;
    c.ShownControl = label;
    c.SetBounds(10, 10, 80, 20);
    label->show();
    c.SetProperty("visible", false);
    EXPECT_TRUE(label->isHidden());
    c.SetProperty("VISIBLE", true);
    EXPECT_FALSE(label->isHidden());
    TrpCanvas canvas;
    c.Draw(&canvas);
    ASSERT_FALSE(canvas.Records().isEmpty());
    EXPECT_EQ(canvas.Records().last().Kind, TrpCanvasRecord::Picture);
    EXPECT_EQ(canvas.Records().last().Rect.width(), 81);

    QObject query;
    query.setObjectName("Query1");
    TrpNonVisualControl n;
    n.HostedComponent = &query;
    n.SetProperty("Name", QStringLiteral("SheetsQuery"));
    EXPECT_EQ(n.Name, QStringLiteral("SheetsQuery"));
    EXPECT_EQ(query.objectName(), QStringLiteral("SheetsQuery"));
}

TEST(BandLayout, TheBandUnderAViewIsTheLastBandHoldingItsCorner)
{
    TrpPage page;
    auto add = [&](int kind, int left, int top, int width, int height) {
        auto b = std::make_unique<TrpBandView>();
        b->SetBandType(kind);
        b->SetBounds(left, top, width, height);
        return static_cast<TrpBandView *>(page.AddView(std::move(b)));
    };
    TrpBandView *data = add(btMasterData, 0, 100, 700, 20);
    TrpBandView *cross = add(btCrossData, 300, 0, 60, 300);
    auto v = std::make_unique<TrpMemoView>();
    TrpView *m = page.AddView(std::move(v));
    m->OwnerPage = &page;
    struct Case { int left, top; TrpBandView *band; };
    const Case cases[] = {{10, 100, data}, {10, 120, data}, {310, 110, cross}, {360, 300, cross}, {10, 121, nullptr}};
    for (const Case &c : cases) {
        m->SetBounds(c.left, c.top, 10, 10);
        EXPECT_EQ(m->FindBandUnder(), c.band) << c.left << "," << c.top;
    }
}

// ---------------------------------------------------------------- skipped pages

TEST(BandLayout, ASkippedPageLeavesThePageNumbersOfTheRestRight)
{
    struct Case { bool thirdContinues; QList<QStringList> pages; };
    const Case cases[] = {
        {true, {{"A 1", "C 1"}}},
        {false, {{"A 1"}, {"C 2"}}},
    };
    for (const Case &c : cases) {
        Template t;
        t.report.PrintIfEmpty = false;
        TrpUserDataset *none = t.records("rpsrcNone");
        none->OnCheckEOF = [](TrpDataset &, bool &eof) { eof = true; };
        auto addPage = [&](const QString &name, bool continues) {
            TrpPage *p = t.report.Pages().Add();
            p->Name = name;
            p->SetPaper(256, 2100, 2970, -1, 0);
            p->PrintToPrevPage = continues;
            t.page = p;
        };
        t.band(btMasterData, 100, 20, "MasterData1", "3");
        t.band(btReportTitle, 20, 20, "Title1");
        t.memo("First", 20, 20, 100, 20, "A [PAGE#]");
        addPage("Page2", true);
        t.band(btMasterData, 100, 20, "MasterData2", "rpsrcNone");
        t.memo("Second", 20, 100, 100, 20, "B");
        addPage("Page3", c.thirdContinues);
        t.band(btMasterData, 100, 20, "MasterData3", "1");
        t.memo("Third", 20, 100, 100, 20, "C [PAGE#]");
        t.page = t.report.Pages().GetPage(0);
        ASSERT_TRUE(t.prepare()) << t.report.LastBuildError.toStdString();
        QList<QStringList> got;
        for (int i = 0; i < t.report.EMFPages().Count(); ++i) got << t.texts(i);
        EXPECT_EQ(got, c.pages) << c.thirdContinues;
    }
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QObject>
#include <QPrinter>
#include <QTemporaryDir>

#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/model/views.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"

#include "platform/testsupport/golden.h"
#include "platform/testsupport/memdataset.h"

namespace {

class SheetsTable : public kv::test::MemDataSet
{
public:
    explicit SheetsTable(const QList<QVariantList> &rows, QObject *parent = nullptr)
        : MemDataSet({kv::FieldDef{QStringLiteral("Code"), kv::FieldType::Integer},
                      kv::FieldDef{QStringLiteral("Name"), kv::FieldType::String, 30},
                      kv::FieldDef{QStringLiteral("Qty"), kv::FieldType::Integer}},
                     rows, parent)
    {
    }
};

struct Fixture
{
    Fixture()
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        window.setObjectName("FormSheets");
        table = new SheetsTable({{1, "ЛДСП 16 белый", 3}, {2, "МДФ 19", 0}, {3, "ДВП 3,2", 5}}, &window);
        table->setObjectName("Query");
        dbSource = new TrpDBDataSet(&window);
        dbSource->SetName("rpdbSheets");
        dbSource->SetDataSet(table);
        report = new TrpReport(&window);
        report->Pages().Clear();
        page = report->Pages().Add();
        page->Name = "Page1";
        page->SetPaper(256, 1000, 1000, -1, 0);
        page->MarginLeft = page->MarginTop = page->MarginRight = page->MarginBottom = 20;
    }
    TrpBandView *band(int kind, int top, int height, const QString &name, const QString &source = QString())
    {
        auto v = std::make_unique<TrpBandView>();
        v->SetBandType(kind);
        v->Name = name;
        v->SetBounds(0, top, 300, height);
        v->DisplayFormatText = source;
        return static_cast<TrpBandView *>(page->AddView(std::move(v)));
    }
    TrpMemoView *memo(int left, int top, int width, const QString &text)
    {
        auto v = std::make_unique<TrpMemoView>();
        v->Name = QStringLiteral("Memo%1").arg(++memos);
        v->SetBounds(left, top, width, 20);
        v->Memo = QStringList{text};
        return static_cast<TrpMemoView *>(page->AddView(std::move(v)));
    }
    QString texts(TrpReport &r)
    {
        QStringList out;
        for (int i = 0; i < r.EMFPages().Count(); ++i) {
            TrpPage *p = r.EMFPages().UnpackPage(i);
            out << QStringLiteral("== %1").arg(i + 1);
            for (const auto &v : p->Views()) out << QString::number(v->Top) + " " + v->Memo.join('|').remove(QChar(1));
        }
        return out.join('\n');
    }

    QObject window;
    SheetsTable *table;
    TrpDBDataSet *dbSource;
    TrpReport *report;
    TrpPage *page;
    int memos = 0;
};

} // namespace

TEST(ReportComponent, MasterDetailOverADataSet)
{
    Fixture f;
    auto *cuts = new TrpUserDataset(&f.window);
    cuts->SetName("rpsrcCuts");
    int cut = 0;
    cuts->OnFirst = [&](TrpDataset &) { cut = 0; };
    cuts->OnNext = [&](TrpDataset &) { ++cut; };
    // as many cuts as the sheet's quantity
    cuts->OnCheckEOF = [&](TrpDataset &, bool &eof) { eof = cut >= f.table->FieldByName("Qty")->AsInteger(); };
    f.band(btMasterData, 0, 20, "MasterData1", "rpdbSheets");
    f.memo(0, 0, 200, "[rpdbSheets.Name]: [Qty] шт.");
    f.band(btDetailData, 30, 20, "DetailData1", "rpsrcCuts");
    f.memo(20, 30, 200, "рез [LINE#]");
    f.band(btDetailFooter, 60, 20, "DetailFooter1");
    f.memo(20, 60, 200, "резов: [COUNT()]");
    f.band(btReportSummary, 90, 20, "Summary");
    f.memo(0, 90, 200, "листов: [COUNT(MasterData1)]");
    ASSERT_TRUE(f.report->Prepare()) << f.report->LastBuildError.toStdString();
    const QString t = f.texts(*f.report);
    // the sheet without cuts is left out (its detail printed nothing)
    EXPECT_EQ(t.toStdString(),
              "== 1\n20 ЛДСП 16 белый: 3 шт.\n40 рез 1\n60 рез 2\n80 рез 3\n100 резов: 3\n"
              "120 ДВП 3,2: 5 шт.\n140 рез 1\n160 рез 2\n180 рез 3\n200 рез 4\n220 рез 5\n240 резов: 5\n"
              "260 листов: 2");
    // the data set is back where it stood and still open
    EXPECT_TRUE(f.table->Active());
}

TEST(ReportComponent, TemplateFileAndPreparedFileRoundTrip)
{
    QTemporaryDir dir;
    Fixture f;
    f.report->DoublePassReport = true;
    f.band(btMasterData, 0, 20, "MasterData1", "rpdbSheets");
    f.memo(0, 0, 250, "[LINE#]. [rpdbSheets.Name] из [TOTALPAGES]");
    const QString rpf = dir.filePath("Sheets.rpf");
    f.report->SaveToFile(rpf);

    TrpReport loaded(&f.window);
    ASSERT_TRUE(loaded.LoadTemplate(rpf));
    ASSERT_TRUE(loaded.Prepare()) << loaded.LastBuildError.toStdString();
    const QString built = f.texts(loaded);
    EXPECT_TRUE(built.contains("3. ДВП 3,2 из 1")) << built.toStdString();

    const QString rpp = dir.filePath("Sheets.rpp");
    loaded.SavePrepared(rpp);
    TrpReport again(&f.window);
    again.LoadPrepared(rpp);
    EXPECT_EQ(f.texts(again).toStdString(), built.toStdString());
}

TEST(ReportComponent, MissingDataSetStopsTheBuildWithItsMessage)
{
    Fixture f;
    f.dbSource->SetDataSet(nullptr);
    f.band(btMasterData, 0, 20, "MasterData1", "rpdbSheets");
    QString shown;
    f.report->ErrorHook = [&](const QString &text) { shown = text; };
    EXPECT_FALSE(f.report->Prepare());
    EXPECT_TRUE(shown.contains("Unable to open dataset rpdbSheets")) << shown.toStdString();
    EXPECT_EQ(f.report->EMFPages().Count(), 0);
}

TEST(ReportComponent, MultipleReportBuildsThePagesOncePerRecord)
{
    Fixture f;
    f.report->ReportType = rtMultiple;
    f.report->SetDataset(f.dbSource);
    f.band(btReportTitle, 0, 20, "Title");
    f.memo(0, 0, 200, "Карта [rpdbSheets.Code]");
    ASSERT_TRUE(f.report->Prepare()) << f.report->LastBuildError.toStdString();
    EXPECT_EQ(f.texts(*f.report).toStdString(), "== 1\n20 Карта 1\n== 2\n20 Карта 2\n== 3\n20 Карта 3");
}

TEST(ReportComponent, ScriptsReachBandsObjectsAndVariables)
{
    Fixture f;
    TrpBandView *data = f.band(btMasterData, 0, 20, "MasterData1", "4");
    // every second record is hidden by the band's own script
    data->PrintScript = QStringList{"MasterData1.Visible := [LINE#] mod 2 = 1"};
    f.memo(0, 0, 200, "[LINE#] [CallsDone]");
    f.band(btReportSummary, 30, 20, "Summary");
    f.memo(0, 30, 200, "[COUNT(MasterData1, 1)]/[COUNT(MasterData1)]")->PrintScript = QStringList{"CallsDone := 7"};
    rpEngine().Variables().SetValue("CallsDone", TrpValue(0));
    ASSERT_TRUE(f.report->Prepare()) << f.report->LastBuildError.toStdString();
    EXPECT_EQ(f.texts(*f.report).toStdString(), "== 1\n20 1 0\n40 3 0\n60 4/2");
    rpEngine().Variables().Delete(rpEngine().Variables().IndexOf("CallsDone"));
}

TEST(ReportComponent, FunctionNoOneKnowsGivesZeroText)
{
    Fixture f;
    f.band(btReportTitle, 0, 20, "Title");
    f.memo(0, 0, 200, "[NOSUCHFUNC(1)]");
    ASSERT_TRUE(f.report->Prepare());
    EXPECT_TRUE(f.texts(*f.report).contains("20 0"));
}

TEST(ReportComponent, DictionaryVariablesAndFieldAliases)
{
    Fixture f;
    TrpDataDictionary &d = f.report->Dictionary();
    d.VariableList.SetValue(" Склад", TrpValue());            // a category heading
    d.VariableList.SetValue("Материал", TrpValue("rpdbSheets.Name"));
    d.VariableList.SetValue("Вдвое", TrpValue("[rpdbSheets.Qty] * 2"));
    f.band(btMasterData, 0, 20, "MasterData1", "rpdbSheets");
    f.memo(0, 0, 250, "[Материал] [Вдвое]");
    ASSERT_TRUE(f.report->Prepare()) << f.report->LastBuildError.toStdString();
    EXPECT_EQ(f.texts(*f.report).toStdString(), "== 1\n20 ЛДСП 16 белый 6\n40 МДФ 19 0\n60 ДВП 3,2 10");
}

TEST(ReportComponent, PrintsToPdfThroughThePlatformPrinter)
{
    QTemporaryDir dir;
    Fixture f;
    f.band(btMasterData, 0, 20, "MasterData1", "45");
    f.memo(0, 0, 200, "Строка [LINE#]");
    ASSERT_TRUE(f.report->Prepare());
    ASSERT_EQ(f.report->EMFPages().Count(), 3);
    struct Case { const char *pages; int copies; bool collate; int sheets; };
    int fired = 0;
    f.report->OnPrintReport = [&] { ++fired; };
    for (const Case c : {Case{"", 1, true, 3}, Case{"1,3", 2, true, 4}, Case{"2-", 0, false, 2}}) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString file = dir.filePath(QStringLiteral("out%1.pdf").arg(c.sheets));
        printer.setOutputFileName(file);
        fired = 0;
        EXPECT_EQ(f.report->PrintPrepared(printer, QString::fromLatin1(c.pages), c.copies, c.collate), c.sheets) << c.pages;
        EXPECT_EQ(fired, 1);
        EXPECT_GT(QFile(file).size(), 0);
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("bad.pdf"));
    EXPECT_THROW(f.report->PrintPrepared(printer, "1,,3", 1, true), kv::Error);
}

TEST(ReportComponent, PrinterSelection)
{
    Fixture f;
    TrpPrinter &printer = rpPrinter();
    const int current = printer.PrinterIndex();
    QString shown;
    f.report->ErrorHook = [&](const QString &text) { shown = text; };
    EXPECT_FALSE(f.report->SetPrinterIndex(current, 99));
    EXPECT_EQ(shown, "Printer selected is not valid");
    EXPECT_EQ(printer.PrinterIndex(), current);
    EXPECT_EQ(f.report->PrinterName, printer.PrinterName());
    EXPECT_TRUE(f.report->SetPrinterIndex(current, printer.VirtualPrinterIndex()));
    EXPECT_TRUE(printer.IsVirtual());
    // a stored printer that is not installed leaves the current one
    f.report->PrintToDefault = false;
    f.report->ChangePrinter("No such printer");
    EXPECT_EQ(f.report->PrinterName, "No such printer");
    EXPECT_TRUE(printer.IsVirtual());
}

TEST(ReportComponent, ProgressHookStopsAndManualBuild)
{
    {
        Fixture f;
        f.band(btMasterData, 0, 20, "MasterData1", "200");
        f.memo(0, 0, 200, "[LINE#]");
        QList<int> seen;
        f.report->OnProgress = [&](int n) {
            seen << n;
            if (n >= 3) f.report->Stop();
        };
        EXPECT_FALSE(f.report->Prepare());
        EXPECT_EQ(f.report->EMFPages().Count(), 0);
        EXPECT_TRUE(seen.contains(3));
        EXPECT_LT(seen.last(), 6);
    }
    {
        Fixture f;
        f.band(btMasterData, 0, 20, "MasterData1", "5");
        f.memo(0, 0, 200, "[LINE#]");
        int manual = 0, begun = 0, ended = 0;
        f.report->OnManualBuild = [&](TrpPage *) { ++manual; };
        f.report->OnBeginPage = [&](int) { ++begun; };
        f.report->OnEndPage = [&](int) { ++ended; };
        ASSERT_TRUE(f.report->Prepare());
        EXPECT_EQ(manual, 1);
        EXPECT_EQ(begun, 1);
        EXPECT_GE(ended, 1);
        // the application builds the page: no band printed
        EXPECT_EQ(f.texts(*f.report).toStdString(), "== 1");
    }
}

TEST(ReportComponent, GroupedReportAsTextExport)
{
    QTemporaryDir dir;
    Fixture f;
    auto *rows = new TrpUserDataset(&f.window);
    rows->SetName("rpsrcRows");
    int pos = 0;
    const QList<std::pair<QString, int>> data{{"ЛДСП", 10}, {"ЛДСП", 20}, {"МДФ", 5}};
    rows->OnFirst = [&](TrpDataset &) { pos = 0; };
    rows->OnNext = [&](TrpDataset &) { ++pos; };
    rows->OnPrior = [&](TrpDataset &) { --pos; };
    rows->OnCheckEOF = [&](TrpDataset &, bool &eof) { eof = pos >= data.size(); };
    f.report->OnGetValue = [&](const QString &name, TrpValue &v) {
        if (pos >= data.size()) return false;
        if (name == "GRP") v = TrpValue(data[pos].first);
        else if (name == "PRICE") v = TrpValue(data[pos].second);
        else return false;
        return true;
    };
    f.band(btGroupHeader, 0, 20, "GroupHeader1", "[GRP]");
    f.memo(20, 0, 200, "Материал: [GRP]");
    f.band(btMasterData, 30, 20, "MasterData1", "rpsrcRows");
    f.memo(80, 30, 100, "[PRICE]");
    f.band(btGroupFooter, 60, 20, "GroupFooter1");
    f.memo(20, 60, 200, "Итого: [SUM([PRICE])]");
    f.band(btReportSummary, 90, 20, "Summary");
    f.memo(20, 90, 200, "Позиций: [COUNT()]");
    ASSERT_TRUE(f.report->Prepare()) << f.report->LastBuildError.toStdString();
    TrpTextExport text;
    text.ShowDialog = false;
    const QString file = dir.filePath("grouped.txt");
    ASSERT_TRUE(f.report->ExportPrepared(text, file));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, QStringLiteral("grouped_export.txt")));
}

// What the scripts and expressions of a report read and set while it builds.
TEST(ReportComponent, ScriptValuesDuringTheBuild)
{
    struct Case
    {
        const char *what;
        std::function<void(Fixture &)> arrange;
        std::function<void(Fixture &, const QString &texts)> check;
    };
    QStringList progressTexts;
    const Case cases[] = {
        {"PROGRESS shows its text in the progress window's second line",
         [&](Fixture &f) {
             f.band(btReportTitle, 0, 20, "Title");
             f.memo(0, 0, 200, "Готово")->PrintScript = QStringList{"PROGRESS := 'working'"};
             f.report->OnProgressText = [&](const QString &t) { progressTexts << t; };
         },
         [&](Fixture &, const QString &texts) {
             EXPECT_EQ(progressTexts, QStringList{"working"});
             EXPECT_TRUE(texts.contains("Готово"));
         }},
        {"an assignment sets the report's own dictionary variable, not an application one",
         [](Fixture &f) {
             f.report->Dictionary().VariableList.SetValue("Total", TrpValue(1));
             f.band(btReportTitle, 0, 20, "Title");
             f.memo(0, 0, 200, "[Total]")->PrintScript = QStringList{"Total := 5"};
         },
         [](Fixture &, const QString &texts) {
             EXPECT_TRUE(texts.contains("20 5")) << texts.toStdString();
             EXPECT_FALSE(rpEngine().Variables().Contains("Total"));
         }},
        {"CURY set with a new page keeps the position on the new page",
         [](Fixture &f) {
             TrpBandView *data = f.band(btMasterData, 0, 20, "MasterData1", "3");
             data->PrintScript = QStringList{"if [LINE#] = 2 then begin NEWPAGE; CURY := 300 end"};
             f.memo(0, 0, 200, "Строка [LINE#]");
         },
         [](Fixture &, const QString &texts) {
             EXPECT_EQ(texts.toStdString(), "== 1\n20 Строка 1\n== 2\n300 Строка 2\n320 Строка 3");
         }},
        {"a Null field reads as an empty text, 0 or an empty date; a closed data set is opened",
         [](Fixture &f) {
             auto *nulls = new kv::test::MemDataSet({kv::FieldDef{QStringLiteral("Name"), kv::FieldType::String, 20},
                                                     kv::FieldDef{QStringLiteral("Qty"), kv::FieldType::Integer},
                                                     kv::FieldDef{QStringLiteral("Made"), kv::FieldType::Date}},
                                                    {{QVariant(), QVariant(), QVariant()}}, &f.window);
             auto *source = new TrpDBDataSet(&f.window);
             source->SetName("rpdbNulls");
             source->SetDataSet(nulls);
             f.table->Close();
             f.band(btReportTitle, 0, 20, "Title");
             f.memo(0, 0, 300, "<[rpdbNulls.Name]> <[rpdbNulls.Qty]> <[rpdbNulls.Made]> [rpdbSheets.Name]");
         },
         [](Fixture &, const QString &texts) {
             EXPECT_TRUE(texts.contains("20 <> <0> <> ЛДСП 16 белый")) << texts.toStdString();
         }},
        {"FIELDISNULL starts from the band's data only with UseDefaultDataSetName",
         [](Fixture &f) {
             f.band(btMasterData, 0, 20, "MasterData1", "rpdbSheets");
             f.memo(0, 0, 200, "[FIELDISNULL('Name')]");
         },
         [](Fixture &f, const QString &texts) {
             // no data source to start from: no field
             EXPECT_EQ(texts.toStdString(), "== 1\n20 True\n40 True\n60 True");
             f.report->UseDefaultDataSetName = true;
             ASSERT_TRUE(f.report->Prepare());
             EXPECT_EQ(f.texts(*f.report).toStdString(), "== 1\n20 False\n40 False\n60 False");
         }},
        {"an aggregate outside its band's passes gives an empty result",
         [](Fixture &f) {
             f.band(btReportTitle, 0, 20, "Title");
             f.memo(0, 0, 200, "<[SUM([rpdbSheets.Qty], NoSuchBand)]>");
             f.band(btMasterData, 30, 20, "MasterData1", "rpdbSheets");
         },
         [](Fixture &, const QString &texts) { EXPECT_TRUE(texts.contains("20 <>")) << texts.toStdString(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        c.arrange(f);
        ASSERT_TRUE(f.report->Prepare()) << f.report->LastBuildError.toStdString();
        c.check(f, f.texts(*f.report));
    }
}

// A text longer than its record can hold is refused, and the refusal names
// the object that holds it.
TEST(ReportComponent, ATextTooLongForItsRecordNamesItsObject)
{
    Fixture f;
    f.band(btReportTitle, 0, 20, "Title");
    f.memo(0, 0, 200, QString(70000, QChar('x')));
    QString shown;
    f.report->ErrorHook = [&](const QString &text) { shown = text; };
    EXPECT_FALSE(f.report->Prepare());
    EXPECT_TRUE(shown.contains("\"Memo1\"")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("65535")) << shown.toStdString();
    EXPECT_EQ(f.report->EMFPages().Count(), 0);
}

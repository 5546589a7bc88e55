// A report connected to the user interface of its window: its failures as
// boxes under "Error", the password prompt, the scripts' INPUT and
// MESSAGEBOX, and the progress window of printing and exporting with Cancel.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"
#include "report/building/report.h"
#include "report/core/utils.h"
#include "report/model/memo.h"
#include "report/model/page.h"
#include "report/model/prepared.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "report/windows/dialogs.h"
#include "report/windows/progress.h"
#include "report/windows/reportui.h"

namespace {

TrpMemoView *addMemo(TrpReport &r, const QString &text, const QStringList &script = {})
{
    auto memo = std::make_unique<TrpMemoView>();
    memo->Name = QStringLiteral("Memo1");
    memo->SetBounds(40, 40, 400, 24);
    memo->Memo = {text};
    memo->PrintScript = script;
    return static_cast<TrpMemoView *>(r.Pages().GetPage(0)->AddView(std::move(memo)));
}

QString firstText(TrpReport &r)
{
    TrpPage *p = r.EMFPages().UnpackPage(0);
    return p && p->ViewCount() > 0 ? p->View(0)->Memo.join('|') : QString();
}

int pdfPages(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

struct Connected : ::testing::Test
{
    QTemporaryDir dir;
    kv::test::FakeUi ui;
    QObject window;
    TrpReport *report = new TrpReport(&window);

    void SetUp() override { rpConnectUi(*report, ui); }
    void TearDown() override { rpEngine().SetDialogs(nullptr); }
    QString saved(TrpReport &r, const QString &name)
    {
        const QString file = dir.filePath(name);
        r.SaveToFile(file);
        return file;
    }
};

} // namespace

TEST_F(Connected, LoadingAndBuildingFailuresComeAsBoxesUnderError)
{
    struct Case
    {
        const char *what;
        std::function<QString(Connected &)> file;
        TrpLoadResult result;
        QString message;
    };
    const Case cases[] = {
        {"missing file", [](Connected &c) { return c.dir.filePath("none.rpf"); }, TrpLoadResult::Missing, {}},
        {"newer version",
         [](Connected &c) {
             TrpReport r;
             const QString file = c.saved(r, "v26.rpf");
             QFile f(file);
             f.open(QIODevice::ReadWrite);
             f.write(QByteArray(1, char(26)));
             return file;
         },
         TrpLoadResult::Failed, LoadEngineString(55345)},
        {"garbage", [](Connected &c) {
             const QString file = c.dir.filePath("bad.rpf");
             QFile f(file);
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray("\x19\x00\x00\x00\x00\x00\xC8junk", 11));
             return file;
         },
         TrpLoadResult::Failed, LoadEngineString(55345)},
        {"whole template", [](Connected &c) {
             TrpReport r;
             addMemo(r, QStringLiteral("Лист"));
             return c.saved(r, "good.rpf");
         },
         TrpLoadResult::Loaded, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        kv::test::ScopedAnswers boxes(ui);
        const QString file = c.file(*this);
        EXPECT_EQ(rpLoadTemplate(*report, file), c.result);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(boxes.shown().empty());
            continue;
        }
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].caption, LoadEngineString(55206));
        EXPECT_EQ(boxes.shown()[0].text, c.message);
    }
    // A build error says which name is unknown, once, and builds nothing.
    addMemo(*report, QStringLiteral("[NOSUCHNAME]"));
    kv::test::ScopedAnswers boxes(ui);
    EXPECT_FALSE(report->Prepare());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains("NOSUCHNAME")) << boxes.shown()[0].text.toStdString();
    EXPECT_EQ(report->EMFPages().Count(), 0);
}

TEST_F(Connected, AProtectedTemplateAsksForItsPassword)
{
    TrpReport r;
    addMemo(r, QStringLiteral("Секретный лист"));
    r.Info.Protected = true;
    r.Info.Password = QStringLiteral("Цех-7");
    const QString file = saved(r, "protected.rpf");
    struct Case
    {
        const char *what;
        QString typed;   // empty: Cancel
        TrpLoadResult result;
        int boxes;
    };
    const Case cases[] = {
        {"right password", QStringLiteral("Цех-7"), TrpLoadResult::Loaded, 0},
        {"wrong case", QStringLiteral("цех-7"), TrpLoadResult::Failed, 1},
        {"cancelled", QString(), TrpLoadResult::Failed, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        int prompts = 0;
        const auto modal = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
            auto *p = qobject_cast<TrpPasswForm *>(&d);
            EXPECT_TRUE(p);
            ++prompts;
            if (!p || c.typed.isEmpty()) return int(QDialog::Rejected);
            p->E1->setText(c.typed);
            return int(QDialog::Accepted);
        });
        kv::test::ScopedAnswers boxes(ui);
        EXPECT_EQ(rpLoadTemplate(*report, file), c.result);
        EXPECT_EQ(prompts, 1);
        EXPECT_EQ(int(boxes.shown().size()), c.boxes);
        if (c.result == TrpLoadResult::Loaded) {
            ASSERT_TRUE(report->Prepare());
            EXPECT_EQ(firstText(*report), QStringLiteral("Секретный лист"));
        } else {
            // the report holds one empty page and its name is "Untitled"
            EXPECT_EQ(report->Pages().Count(), 1);
            EXPECT_EQ(report->Pages().GetPage(0)->ViewCount(), 0);
            EXPECT_EQ(report->FileName, LoadEngineString(55209));
        }
    }
}

TEST_F(Connected, ScriptDialogsAskThroughTheWindowsUi)
{
    struct Case
    {
        const char *what;
        QStringList script;
        std::function<int(QDialog &)> modal;
        std::vector<kv::ModalResult> answers;
        QString printed;
    };
    const Case cases[] = {
        {"INPUT takes what is typed", {"X := INPUT('Длина', '100')"},
         [](QDialog &d) {
             EXPECT_EQ(d.objectName(), "rpInputBox");
             EXPECT_EQ(d.findChild<QLabel *>("Label1")->text(), "Длина");
             auto *e = d.findChild<QLineEdit *>("E1");
             EXPECT_EQ(e->text(), "100");
             e->setText("250");
             return int(QDialog::Accepted);
         },
         {}, "250"},
        {"INPUT cancelled keeps the default", {"X := INPUT('Длина', '100')"},
         [](QDialog &) { return int(QDialog::Rejected); }, {}, "100"},
        {"MESSAGEBOX Yes/No answered No", {"X := MESSAGEBOX('Дальше?', 'Вопрос', 36)"}, nullptr,
         {kv::ModalResult::No}, "7"},
        {"MESSAGEBOX OK/Cancel answered OK", {"X := MESSAGEBOX('Дальше?', 'Вопрос', 1)"}, nullptr,
         {kv::ModalResult::Ok}, "1"},
    };
    addMemo(*report, QStringLiteral("[X]"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        report->Pages().GetPage(0)->View(0)->PrintScript = c.script;
        const auto modal = kv::test::ScopedSet(ui.onModal, c.modal);
        kv::test::ScopedAnswers boxes(ui, c.answers);
        ASSERT_TRUE(report->Prepare()) << report->LastBuildError.toStdString();
        EXPECT_EQ(firstText(*report), c.printed);
        if (c.answers.empty()) continue;
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].caption, "Вопрос");
        EXPECT_EQ(boxes.shown()[0].text, "Дальше?");
        EXPECT_EQ(boxes.shown()[0].kind, c.script[0].contains("36") ? kv::MsgKind::Confirmation : kv::MsgKind::Information);
    }
}

// Pages that say their number.
static void numbered(TrpReport &r, int count)
{
    TrpEMFPages &pages = r.EMFPages();
    pages.Clear();
    TrpPage page;
    for (int i = 0; i < count; ++i) {
        pages.AddPage(page);
        TrpMemoView m;
        m.Name = QStringLiteral("Memo1");
        m.SetBounds(40, 40, 400, 24);
        m.Memo = {QStringLiteral("Лист %1").arg(i + 1)};
        pages.AppendView(i, m);
    }
}

// Cancel after the 50th page of 200.
class CancellingText : public TrpTextExport
{
public:
    int pages = 0;
    QString line;
    void EndPage() override
    {
        TrpTextExport::EndPage();
        if (++pages == 50) {
            TrpProgressForm *f = rpCurrentProgressForm();
            EXPECT_TRUE(f);
            if (!f) return;
            line = f->Label1->text();
            f->Button1->click();
        }
    }
};

TEST_F(Connected, ExportAndPrintShowProgressAndStopOnCancel)
{
    SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
    numbered(*report, 200);
    // Export: the window counts "Processing page: n from 200"; Cancel leaves no file.
    CancellingText text;
    text.ShowDialog = false;
    const QString file = dir.filePath("list.txt");
    EXPECT_FALSE(rpExportWithProgress(*report, text, file));
    EXPECT_EQ(text.pages, 50);
    EXPECT_EQ(text.line, LoadEngineString(55205) + "  49 " + LoadEngineString(55199) + " 200");
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    // An export to the end writes the file.
    TrpTextExport whole;
    whole.ShowDialog = false;
    EXPECT_TRUE(rpExportWithProgress(*report, whole, file));
    EXPECT_TRUE(QFile::exists(file));

    // Printing: "Printing page:" and the number; Cancel aborts the print job.
    numbered(*report, 20);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir.filePath("out.pdf");
    printer.setOutputFileName(pdf);
    TrpPrintOptions all;
    EXPECT_EQ(rpPrintWithProgress(*report, printer, all), 20);
    EXPECT_EQ(pdfPages(pdf), 20);
    QPrinter stopped(QPrinter::ScreenResolution);
    stopped.setOutputFormat(QPrinter::PdfFormat);
    stopped.setOutputFileName(dir.filePath("stopped.pdf"));
    TrpPrintOptions cancelAt5;
    QString printing;
    // the fifth page's progress presses Cancel
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        TrpProgressForm *f = rpCurrentProgressForm();
        if (!f) return;
        printing = f->Label1->text();
        if (printing.endsWith(" 5")) f->Button1->click();
    });
    watch.start(0);
    const int drawn = rpPrintWithProgress(*report, stopped, cancelAt5);
    watch.stop();
    EXPECT_EQ(printing, LoadEngineString(55208) + "  5");
    EXPECT_GE(drawn, 4);
    EXPECT_LT(drawn, 20);
    SetPaperHandler({});
}

// Two copies without collation on a device that cannot make copies (the
// PDF output of the virtual printer): each page comes twice.
TEST(VirtualPrinter, CopiesWithoutCollationRepeatEachPage)
{
    QTemporaryDir dir;
    SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
    struct Case { bool collate; QList<int> order; };
    const Case cases[] = {{false, {1, 1, 2, 2}}, {true, {1, 2, 1, 2}}};
    for (const Case &c : cases) {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir.filePath(QStringLiteral("copies%1.pdf").arg(c.collate));
        printer.setOutputFileName(pdf);
        QList<int> order;
        TrpPrintOptions o;
        o.Copies = 2;
        o.Collate = c.collate;
        QList<TrpPrintPage> pages(2);
        rpPrintPages(printer, pages, o, [&](int i, TrpCanvas &, const TrpRect &) { order << i + 1; });
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(pdfPages(pdf), 4);
        EXPECT_EQ(printer.copyCount(), 1);
    }
    SetPaperHandler({});
}

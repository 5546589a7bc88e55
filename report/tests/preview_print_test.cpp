#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QRadioButton>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/printing.h"
#include "platform/testsupport/fakeui.h"
#include "report/building/report.h"
#include "report/model/memo.h"
#include "report/model/views.h"
#include "report/windows/enginectl.h"
#include "report/windows/preview.h"
#include "report/windows/printdialog.h"
#include "report/windows/winpos.h"
#include "platform/testsupport/pdf.h"

namespace {

// Two installed printers with A4 paper; what they print lands in a PDF file.
class TwoPrinters : public kv::PrintSystem
{
public:
    explicit TwoPrinters(QString pdf) : m_pdf(std::move(pdf)) {}
    void Target(QPrinter &printer, const QString &) override
    {
        QFile::remove(m_pdf);
        kv::TargetPrinter(printer, QString(), m_pdf);
    }
    QStringList PrinterNames() override { return {"Office", "Workshop"}; }
    QString DefaultPrinter() override { return "Office"; }
    bool ReadPrinter(const QString &name, kv::PrinterProfile &profile) override
    {
        profile = kv::PrinterProfile();
        profile.Name = name;
        profile.DpiX = profile.DpiY = 300;
        kv::PrinterPaper a4;
        a4.Code = 9;
        a4.Name = "A4";
        a4.Width = 2100;
        a4.Height = 2970;
        a4.Sheet[0] = a4.Printable[0] = QRect(0, 0, 2480, 3508);
        a4.Sheet[1] = a4.Printable[1] = QRect(0, 0, 3508, 2480);
        profile.Papers = {a4};
        return true;
    }

private:
    QString m_pdf;
};

int pdfPages(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(f.readAll());
    return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

struct PrintFixture : ::testing::Test
{
    QTemporaryDir dir;
    kv::test::FakeUi ui;
    TrpReport report;
    std::unique_ptr<TrpPreviewForm> form;
    QString pdf;
    int builds = 0;

    void SetUp() override
    {
        SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
        rpSetWindowPositionStore(dir.filePath(QStringLiteral("pos.ini")));
        pdf = dir.filePath(QStringLiteral("out.pdf"));
        // The virtual printer's file.
        ui.onFile = [this](kv::FileChoice &) {
            QFile::remove(pdf);
            return pdf;
        };
        // A template of one page with one memo.
        auto memo = std::make_unique<TrpMemoView>();
        memo->Name = QStringLiteral("Memo1");
        memo->SetBounds(40, 40, 400, 24);
        memo->Memo = {QStringLiteral("Лист")};
        report.Pages().GetPage(0)->AddView(std::move(memo));
        report.OnBeginDoc = [this] { ++builds; };
    }
    void TearDown() override
    {
        form.reset();
        rpSetWindowPositionStore(QString());
        SetPaperHandler({});
    }

    void preparedPages(int count)
    {
        TrpEMFPages &pages = report.EMFPages();
        pages.Clear();
        TrpPage page;
        for (int i = 0; i < count; ++i) pages.AddPage(page);
    }
    // Pages that say their number: "Лист 1", "Лист 2"...
    void numberedPages(int count)
    {
        preparedPages(count);
        for (int i = 0; i < count; ++i) {
            TrpMemoView m;
            m.Name = QStringLiteral("Memo1");
            m.SetBounds(40, 40, 400, 24);
            m.Memo = {QStringLiteral("Лист %1").arg(i + 1)};
            report.EMFPages().AppendView(i, m);
        }
    }

    void open(const TrpPreviewSettings &s = {})
    {
        form = std::make_unique<TrpPreviewForm>();
        kv::AttachUi(form.get(), &ui);
        form->resize(640, 480);
        form->Connect(report, s);
    }
    // The print dialog answered in place of the user: true for OK.
    void answerPrintDialog(std::function<bool(TrpPrintForm &)> answer)
    {
        ui.onModal = [answer = std::move(answer)](QDialog &d) {
            auto *f = qobject_cast<TrpPrintForm *>(&d);
            EXPECT_TRUE(f) << d.objectName().toStdString();
            return int(f && answer(*f) ? QDialog::Accepted : QDialog::Rejected);
        };
    }
    // The page setup dialog answered on its printer: true for OK.
    void answerPageSetup(std::function<bool(QPrinter &)> answer)
    {
        ui.onModal = [answer = std::move(answer)](QDialog &d) {
            auto *f = qobject_cast<QPageSetupDialog *>(&d);
            EXPECT_TRUE(f) << d.objectName().toStdString();
            return int(f && answer(*f->printer()) ? QDialog::Accepted : QDialog::Rejected);
        };
    }
};

} // namespace

TEST_F(PrintFixture, OddEvenCopiesAndCollationReachThePrinter)
{
    preparedPages(5);
    report.DefaultCopies = 2;
    report.DefaultCollate = false;
    open();
    struct Case { int oddEven; int copies; bool collate; int sheets; };
    // These printers print into a PDF file, which makes no copies itself:
    // without collation each page comes three times.
    const Case cases[] = {{0, 1, true, 5}, {1, 1, true, 3}, {2, 1, true, 2}, {1, 2, true, 6}, {2, 3, false, 6}};
    for (const Case &c : cases) {
        QString copiesShown;
        bool collateShown = true;
        answerPrintDialog([&](TrpPrintForm &d) {
            copiesShown = d.E1->text();
            collateShown = d.CollateCB->isChecked();
            d.CB2->setCurrentIndex(c.oddEven);
            d.E1->setText(QString::number(c.copies));
            d.CollateCB->setChecked(c.collate);
            return true;
        });
        form->PrintBtnClick();
        // The dialog opens with the report's copies and collation.
        EXPECT_EQ(copiesShown, QStringLiteral("2"));
        EXPECT_FALSE(collateShown);
        EXPECT_EQ(pdfPages(pdf), c.sheets) << c.oddEven << " " << c.copies;
    }
    // Cancel prints nothing.
    QFile::remove(pdf);
    answerPrintDialog([](TrpPrintForm &) { return false; });
    form->PrintBtnClick();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintFixture, AnotherPrinterRebuildsThePagesWhenAsked)
{
    TrpPrinter &engine = rpPrinter();
    rpAssignPrintSystem(std::make_unique<TwoPrinters>(pdf));
    struct Restore
    {
        ~Restore() { rpAssignPrintSystem(nullptr); }
    } restore;
    struct Case { bool rebuildPrinter; bool fromFile; bool changePrinter; int builds; };
    const Case cases[] = {{true, false, true, 2}, {true, false, false, 1}, {false, false, true, 1}, {true, true, true, 1}};
    for (const Case &c : cases) {
        engine.SetPrinterIndex(0);
        builds = 0;
        ASSERT_TRUE(report.Prepare());
        report.PreparedFromFile = c.fromFile;
        TrpPreviewSettings s;
        s.RebuildPrinter = c.rebuildPrinter;
        open(s);
        answerPrintDialog([&](TrpPrintForm &d) {
            if (c.changePrinter) {
                d.CB1->setCurrentIndex(1);
                d.CB1Click();
            }
            return true;
        });
        form->PrintBtnClick();
        EXPECT_EQ(builds, c.builds) << c.rebuildPrinter << c.fromFile << c.changePrinter;
        EXPECT_EQ(engine.PrinterIndex(), c.changePrinter ? 1 : 0);
        EXPECT_EQ(pdfPages(pdf), 1);
    }
}

TEST_F(PrintFixture, PageSetupHandsPaperAndMarginsToPrinterAndPages)
{
    ASSERT_TRUE(report.Prepare());
    open();
    builds = 0;
    answerPageSetup([](QPrinter &p) {
        p.setPageSize(QPageSize(QPageSize::A5));
        p.setPageOrientation(QPageLayout::Landscape);
        p.setPageMargins(QMarginsF(10, 20, 10, 20), QPageLayout::Millimeter);
        return true;
    });
    form->PageSetupBtnClick();
    EXPECT_EQ(rpPrinter().PaperSize, 11);
    EXPECT_EQ(rpPrinter().Orientation, 1);
    const TrpPage *page = report.Pages().GetPage(0);
    EXPECT_EQ(page->PaperSize, 11);
    EXPECT_EQ(page->Orientation, 1);
    EXPECT_EQ(page->PaperWidth, 2100);   // as the printer answers: landscape A5
    EXPECT_EQ(page->PaperHeight, 1480);
    EXPECT_EQ(page->MarginLeft, 36);     // 10 mm = 1000 hundredths x 18 / 500
    EXPECT_EQ(page->MarginTop, 72);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(report.EMFPages().GetPage(0)->Orientation, 1);
    // Cancel changes nothing.
    answerPageSetup([](QPrinter &) { return false; });
    form->PageSetupBtnClick();
    EXPECT_EQ(builds, 1);
    rpPrinter().SetPrinterInfo(9, 2100, 2970, 0, -1, true);
}

// A margin changed in the preview's page setup moves the built page as the
// program's own margins do: every object by the change from the margins the
// template was laid out for (10 mm here), never twice, and the template keeps
// its places. A right-set page number pushed past the right margin comes back
// to it; the paper shows what the preview shows.
TEST_F(PrintFixture, PageSetupMarginsMoveTheBuiltPage)
{
    TrpPage *page = report.Pages().GetPage(0);
    page->ClearViews();
    page->MarginLeft = page->MarginTop = page->MarginRight = page->MarginBottom = 36;   // 10 mm
    const int right = page->RightEdge();
    auto band = std::make_unique<TrpBandView>();
    band->SetBandType(btReportTitle);
    band->Name = QStringLiteral("Title");
    band->SetBounds(0, 36, right, 30);
    page->AddView(std::move(band));
    auto memo = [&](const QString &text, int left, int top, int width, int align) {
        auto m = std::make_unique<TrpMemoView>();
        m->Name = QStringLiteral("Memo%1").arg(page->ViewCount());
        m->SetBounds(left, top, width, 20);
        m->Memo = {text};
        m->Alignment = align;
        page->AddView(std::move(m));
    };
    memo(QStringLiteral("Заголовок"), 36, 40, 300, rptaLeft);
    memo(QStringLiteral("Стр. 1"), right - 60, 40, 60, rptaRight);
    memo(QStringLiteral("Подпись"), 36, 400, 200, rptaLeft);   // on no band: keeps its place
    const QMap<QString, QRect> designed = [&] {
        QMap<QString, QRect> m;
        for (const auto &v : page->Views())
            if (auto *t = dynamic_cast<TrpMemoView *>(v.get())) m.insert(t->Memo.first(), QRect(t->Left, t->Top, t->Width, t->Height));
        return m;
    }();
    auto built = [&] {
        QMap<QString, QRect> m;
        if (TrpPage *pg = report.EMFPages().UnpackPage(0))
            for (const auto &v : pg->Views())
                if (auto *t = dynamic_cast<TrpMemoView *>(v.get()); t && !t->Memo.isEmpty())
                    m.insert(t->Memo.first(), QRect(t->Left, t->Top, t->Width, t->Height));
        return m;
    };
    ASSERT_TRUE(report.Prepare());
    const QMap<QString, QRect> asDesigned = built();
    ASSERT_EQ(asDesigned.size(), 3);
    // The program's own margins come first (20 mm left), then the preview's.
    // A build gives the report its template back as new objects.
    page = report.Pages().GetPage(0);
    page->SetMargins(72, 36, 36, 36);
    ASSERT_TRUE(report.Prepare());
    EXPECT_EQ(built()[QStringLiteral("Заголовок")].topLeft() - asDesigned[QStringLiteral("Заголовок")].topLeft(), QPoint(36, 0));
    open();
    struct Case { const char *what; QMarginsF mm; QPoint moved; };
    const Case cases[] = {
        {"as designed", {10, 10, 10, 10}, {0, 0}},
        {"left 30 mm", {30, 10, 10, 10}, {72, 0}},
        {"top 40 mm", {10, 40, 10, 10}, {0, 108}},
        {"both", {30, 40, 10, 10}, {72, 108}},
        {"left 5 mm", {5, 10, 10, 10}, {-18, 0}},
    };
    for (const Case &c : cases) {
        answerPageSetup([&](QPrinter &p) {
            p.setPageMargins(c.mm, QPageLayout::Millimeter);
            return true;
        });
        form->PageSetupBtnClick();
        const QMap<QString, QRect> now = built();
        ASSERT_EQ(now.size(), 3) << c.what;
        for (auto it = asDesigned.constBegin(); it != asDesigned.constEnd(); ++it) {
            const QRect was = it.value(), is = now[it.key()];
            const std::string what = std::string(c.what) + ": " + it.key().toStdString();
            if (it.key() == QStringLiteral("Стр. 1") && c.moved.x() > 0) {
                EXPECT_EQ(is.left() + is.width(), right) << what;   // back at the right margin
                EXPECT_EQ(is.top() - was.top(), c.moved.y()) << what;
            } else {
                EXPECT_EQ(is.topLeft() - was.topLeft(), c.moved) << what;
                EXPECT_EQ(is.size(), was.size()) << what;
            }
        }
    }
    // The template keeps its places and the margins last set.
    page = report.Pages().GetPage(0);
    EXPECT_EQ(page->MarginLeft, 18);
    for (const auto &v : page->Views()) {
        const auto *t = dynamic_cast<TrpMemoView *>(v.get());
        if (!t) continue;
        EXPECT_EQ(QRect(t->Left, t->Top, t->Width, t->Height), designed[t->Memo.first()]) << t->Memo.first().toStdString();
    }
    // On paper: at 30 mm left the title starts 30 mm from the sheet's edge.
    answerPageSetup([](QPrinter &p) {
        p.setPageMargins(QMarginsF(30, 10, 10, 10), QPageLayout::Millimeter);
        return true;
    });
    form->PageSetupBtnClick();
    answerPrintDialog([](TrpPrintForm &) { return true; });
    form->PrintBtnClick();
    ASSERT_TRUE(QFile::exists(pdf));
    const QString boxes = kv::test::RunPdfTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!boxes.isNull()) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("xMin=\"([0-9.]+)\"[^>]*>Заголовок<")).match(boxes);
        ASSERT_TRUE(m.hasMatch()) << boxes.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), 30 / 25.4 * 72, 3);   // points
    }
    rpPrinter().SetPrinterInfo(9, 2100, 2970, 0, -1, true);
}

// The page setup of pages on the virtual printer keeps them there, also on a
// machine whose print system has a default printer of its own.
TEST_F(PrintFixture, PageSetupOnTheVirtualPrinterStaysOnIt)
{
    rpAssignPrintSystem(kv::CreateQtPrintSystem());
    struct Restore
    {
        ~Restore() { rpAssignPrintSystem(nullptr); }
    } restore;
    TrpPrinter &engine = rpPrinter();
    engine.SetPrinterIndex(engine.VirtualPrinterIndex());
    ASSERT_TRUE(report.Prepare());
    open();
    QString offered;
    answerPageSetup([&](QPrinter &p) {
        offered = p.printerName();
        p.setPageSize(QPageSize(QPageSize::A5));
        return true;
    });
    form->PageSetupBtnClick();
    EXPECT_TRUE(offered.isEmpty()) << offered.toStdString();
    EXPECT_TRUE(engine.IsVirtual()) << engine.PrinterName().toStdString();
    EXPECT_EQ(report.Pages().GetPage(0)->PaperSize, 11);
    if (engine.Printers().size() == 1) std::printf("no printer on this machine: the virtual printer is the only one\n");
}

TEST_F(PrintFixture, TheVirtualPrinterWritesThePdfTheUserNames)
{
    // No printer here but the virtual one: the dialog lists it, and OK asks
    // for the file through the same choices of pages, parity and copies.
    ASSERT_TRUE(rpPrinter().IsVirtual());
    numberedPages(5);
    report.Title = QStringLiteral("Остатки склада");
    open();
    EXPECT_TRUE(form->PrintBtn->isEnabled());
    QString askedFilter;
    QString answer;
    int asked = 0;
    ui.onFile = [&](kv::FileChoice &c) {
        EXPECT_TRUE(c.save);
        askedFilter = c.filter;
        ++asked;
        return answer;
    };
    struct Case { const char *pages; int oddEven; int copies; bool collate; QStringList sheets; };
    const Case cases[] = {
        {"", 0, 1, true, {"1", "2", "3", "4", "5"}},
        {"2-", 1, 1, true, {"3", "5"}},
        {"1-4", 2, 2, true, {"2", "4", "2", "4"}},
        // The PDF output makes no copies itself: each page comes as many times.
        {"1,3", 0, 3, false, {"1", "1", "1", "3", "3", "3"}},
        {"1-2", 0, 2, false, {"1", "1", "2", "2"}},
    };
    int n = 0;
    for (const Case &c : cases) {
        QStringList listed;
        answerPrintDialog([&](TrpPrintForm &d) {
            for (int i = 0; i < d.CB1->count(); ++i) listed << d.CB1->itemText(i);
            EXPECT_EQ(d.CB1->currentIndex(), d.CB1->count() - 1);
            if (*c.pages) {
                d.RB3->setChecked(true);
                d.E2->setText(QString::fromLatin1(c.pages));
            }
            d.CB2->setCurrentIndex(c.oddEven);
            d.E1->setText(QString::number(c.copies));
            d.CollateCB->setChecked(c.collate);
            return true;
        });
        // A name without the extension gets ".pdf".
        answer = dir.filePath(QStringLiteral("остатки%1").arg(++n));
        form->PrintBtnClick();
        const QString file = answer + QStringLiteral(".pdf");
        EXPECT_EQ(listed, QStringList{"Virtual printer"});
        EXPECT_EQ(askedFilter, QStringLiteral("PDF file (*.pdf)|*.pdf"));
        ASSERT_TRUE(QFile::exists(file)) << c.pages;
        EXPECT_EQ(kv::test::PdfPageCount(file), int(c.sheets.size())) << c.pages;
        if (!kv::test::HavePdfTools()) continue;
        EXPECT_EQ(kv::test::PdfInfo(file, QStringLiteral("Title")), report.Title);
        const QStringList text = kv::test::PdfText(file).split(QChar(12), Qt::SkipEmptyParts);
        QStringList seen;
        for (const QString &page : text)
            if (page.trimmed().startsWith(QStringLiteral("Лист "))) seen << page.trimmed().mid(5);
        EXPECT_EQ(seen, c.sheets) << c.pages;
    }
    if (!kv::test::HavePdfTools()) std::printf("pdfinfo and pdftotext are missing: the title and text are not read\n");
    // Cancel in the file chooser prints nothing.
    answer.clear();
    answerPrintDialog([](TrpPrintForm &) { return true; });
    const int before = asked;
    form->PrintBtnClick();
    EXPECT_EQ(asked, before + 1);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.pdf")}).size(), 5);
}

// The report or the window gone while the print dialog is open: nothing is
// printed and nothing is asked any more.
TEST_F(PrintFixture, AReportOrWindowGoneInsideThePrintDialogPrintsNothing)
{
    for (bool windowGoes : {false, true}) {
        auto shown = std::make_unique<TrpReport>();
        TrpEMFPages &pages = shown->EMFPages();
        TrpPage page;
        pages.AddPage(page);
        form = std::make_unique<TrpPreviewForm>();
        kv::AttachUi(form.get(), &ui);
        form->Connect(*shown);
        ui.files.clear();
        QFile::remove(pdf);
        answerPrintDialog([&](TrpPrintForm &) {
            if (windowGoes) form.reset();
            else shown.reset();
            return true;
        });
        TrpPreviewForm *w = form.get();
        w->PrintBtnClick();
        EXPECT_TRUE(ui.files.empty()) << windowGoes;
        EXPECT_FALSE(QFile::exists(pdf)) << windowGoes;
        if (!windowGoes) {
            EXPECT_EQ(form->PageCount(), 0);
        }
    }
}

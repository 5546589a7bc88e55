#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "platform/error.h"
#include "platform/ui.h"
#include "report/core/canvas.h"
#include "report/model/page.h"
#include "report/output/printer.h"
#include "report/windows/printdialog.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"

namespace {

// Two printers: "Office" knows A4 and A3 at 300 dpi with a 5 mm margin;
// "Broken" cannot be read.
class FakePrinters : public kv::PrintSystem
{
public:
    QStringList PrinterNames() override { return {"Office", "Broken"}; }
    QString DefaultPrinter() override { return "Office"; }
    bool ReadPrinter(const QString &name, kv::PrinterProfile &profile) override
    {
        ++reads;
        if (name != "Office") return false;
        profile = kv::PrinterProfile();
        profile.Name = name;
        profile.DpiX = profile.DpiY = 300;
        profile.PaperSize = 9;
        for (int code : {9, 8}) {
            const TrpPaper *p = rpFindStandardPaper(code);
            kv::PrinterPaper paper;
            paper.Code = code;
            paper.Name = code == 9 ? "A4" : "A3";
            paper.Width = p->Width;
            paper.Height = p->Height;
            const int w = int(p->Width / 254.0 * 300 + 0.5), h = int(p->Height / 254.0 * 300 + 0.5);
            paper.Sheet[0] = QRect(0, 0, w, h);
            paper.Sheet[1] = QRect(0, 0, h, w);
            paper.Printable[0] = QRect(59, 59, w - 118, h - 118);
            paper.Printable[1] = QRect(59, 59, h - 118, w - 118);
            profile.Papers.append(paper);
        }
        profile.BinCodes = {7, 15};
        profile.BinNames = {"Auto", "Tray 1"};
        return true;
    }
    int reads = 0;
};
} // namespace

TEST(PaperTable, SixtySevenRowsWithTheirSizes)
{
    const QVector<TrpPaper> &t = rpStandardPapers();
    ASSERT_EQ(t.size(), 67);
    EXPECT_EQ(t.first().Code, 1);
    EXPECT_EQ(t[46].Code, 47);
    EXPECT_EQ(t[47].Code, 50);
    EXPECT_EQ(t.last().Code, 256);
    EXPECT_EQ(t.last().Width, 0);
    struct Case { int code, w, h; };
    const Case cases[] = {{9, 2100, 2970}, {8, 2970, 4200}, {35, 1760, 1250}, {66, 4200, 5940}, {5, 2159, 3556}};
    for (const Case &c : cases) {
        const TrpPaper *p = rpFindStandardPaper(c.code);
        ASSERT_TRUE(p) << c.code;
        EXPECT_EQ(p->Width, c.w);
        EXPECT_EQ(p->Height, c.h);
        EXPECT_FALSE(p->Name.isEmpty());
    }
    EXPECT_EQ(rpFindStandardPaper(48), nullptr);
}

TEST(VirtualPrinter, A4MetricsAndLandscape)
{
    TrpPrinter p;
    ASSERT_TRUE(p.IsVirtual());
    EXPECT_EQ(p.Printers(), QStringList{"Virtual printer"});
    EXPECT_EQ(p.PaperCodes.size(), 67);
    TrpPageMetrics m;
    p.FillPageMetrics(m);
    EXPECT_EQ(m.Width, 758);
    EXPECT_EQ(m.Height, 1071);
    EXPECT_EQ(m.OffsetX, 18);
    EXPECT_EQ(m.OffsetY, 18);
    EXPECT_EQ(m.PrintableWidth, 758 - 36);
    EXPECT_EQ(m.DeviceWidth, 0);

    p.SetPrinterInfo(9, 0, 0, 1, -1);
    EXPECT_EQ(p.PaperWidth, 2970);
    EXPECT_EQ(p.PaperHeight, 2100);
    p.FillPageMetrics(m);
    EXPECT_EQ(m.Width, 1071);
    EXPECT_EQ(m.Height, 758);

    p.SetPrinterInfo(256, 1000, 500, 0, -1);   // custom size kept as given
    EXPECT_EQ(p.PaperWidth, 1000);
    EXPECT_EQ(p.PaperHeight, 500);
}

// The numbers every page built in a test stands on, whatever printers the
// machine has: sheet, 5 mm unprintable edge and printable area in page units,
// and the edges a page of that paper builds within.
TEST(VirtualPrinter, PageMetricsOfPapersArePinned)
{
    struct Case { int code, width, height, orientation; int w, h, printW, printH; int paperW, paperH; };
    const Case cases[] = {
        {9, 2100, 2970, 0, 758, 1071, 722, 1035, 2100, 2970},
        {9, 2100, 2970, 1, 1071, 758, 1035, 722, 2970, 2100},
        {8, 0, 0, 0, 1071, 1515, 1035, 1479, 2970, 4200},
        {11, 0, 0, 1, 758, 534, 722, 498, 2100, 1480},
        {1, 0, 0, 0, 779, 1008, 743, 972, 2159, 2794},
        {256, 1000, 500, 0, 361, 180, 325, 144, 1000, 500},
    };
    TrpPrinter &engine = rpPrinter();
    ASSERT_TRUE(engine.IsVirtual());
    for (const Case &c : cases) {
        TrpPage page(c.code, c.width, c.height, -1, c.orientation);
        const TrpPageMetrics &m = page.PageMetrics;
        const std::string what = std::to_string(c.code) + "/" + std::to_string(c.orientation);
        EXPECT_EQ(page.PaperSize, c.code) << what;
        EXPECT_EQ(page.PaperWidth, c.paperW) << what;
        EXPECT_EQ(page.PaperHeight, c.paperH) << what;
        EXPECT_EQ(m.Width, c.w) << what;
        EXPECT_EQ(m.Height, c.h) << what;
        EXPECT_EQ(m.OffsetX, 18) << what;
        EXPECT_EQ(m.OffsetY, 18) << what;
        EXPECT_EQ(m.PrintableWidth, c.printW) << what;
        EXPECT_EQ(m.PrintableHeight, c.printH) << what;
        EXPECT_EQ(m.DeviceWidth, 0) << what;
        // Margins 0: the printable edges; given margins: the page's own.
        EXPECT_EQ(page.LeftMarginUsed(), 18) << what;
        EXPECT_EQ(page.RightEdge(), 18 + c.printW) << what;
        EXPECT_EQ(page.BottomEdgeOfPaper(), 18 + c.printH) << what;
        page.MarginLeft = page.MarginRight = page.MarginBottom = 36;
        EXPECT_EQ(page.LeftMarginUsed(), 36) << what;
        EXPECT_EQ(page.RightEdge(), c.w - 36) << what;
        EXPECT_EQ(page.BottomEdgeOfPaper(), c.h - 36) << what;
    }
    engine.SetPrinterInfo(9, 2100, 2970, 0, -1, true);
}

TEST(VirtualPrinter, IsEqualTo)
{
    TrpPrinter p;
    p.SetPrinterInfo(256, 2100, 2970, 0, -1, true);
    EXPECT_TRUE(p.IsEqualTo(256, 2101, 2969, 0, -1));
    EXPECT_FALSE(p.IsEqualTo(256, 2102, 2970, 0, -1));
    EXPECT_FALSE(p.IsEqualTo(256, 2100, 2970, 1, -1));
    EXPECT_FALSE(p.IsEqualTo(9, 2100, 2970, 0, -1));
    p.SetPrinterInfo(9, 0, 0, 0, 3, true);
    EXPECT_TRUE(p.IsEqualTo(9, 1, 1, 0, 3));
    EXPECT_TRUE(p.IsEqualTo(9, 1, 1, 0, -1));
    EXPECT_FALSE(p.IsEqualTo(9, 1, 1, 0, 4));
    // Nothing changes while printing.
    p.Printing = true;
    p.SetPrinterInfo(8, 0, 0, 1, -1, true);
    EXPECT_EQ(p.PaperSize, 9);
}

TEST(PlatformPrinter, ReadOnceWhenChosenAndFallsBack)
{
    TrpPrinter p;
    auto fake = std::make_unique<FakePrinters>();
    FakePrinters *f = fake.get();
    p.SetPlatform(std::move(fake));
    EXPECT_EQ(p.Printers(), (QStringList{"Office", "Broken", "Virtual printer"}));
    EXPECT_EQ(p.PrinterIndex(), 0);
    EXPECT_EQ(p.PaperCodes, (QVector<int>{9, 8}));
    EXPECT_EQ(p.BinCodes, (QVector<int>{-1, 7, 15}));
    EXPECT_EQ(p.BinNames.size(), 3);
    EXPECT_EQ(f->reads, 1);

    TrpPageMetrics m;
    p.FillPageMetrics(m);
    EXPECT_EQ(m.DeviceWidth, 2480);
    EXPECT_EQ(m.Width, 757);              // 2480 px at 300 dpi: 757.4
    EXPECT_EQ(m.OffsetX, 18);             // 59 px

    // Papers come from what was read: the print system is not asked again.
    p.SetPrinterInfo(8, 0, 0, 1, -1);
    EXPECT_EQ(p.PaperSize, 8);
    EXPECT_EQ(p.PaperWidth, 4200);        // A3 as the printer has it, turned
    EXPECT_EQ(p.PaperHeight, 2970);
    p.FillPageMetrics(m);
    EXPECT_EQ(m.DeviceWidth, 4961);
    EXPECT_EQ(m.PrintableHeight, 1035);  // (3508 - 118) px
    p.SetPrinterInfo(11, 0, 0, 1, -1);    // the printer refuses A5 and keeps A3
    EXPECT_EQ(p.PaperSize, 8);
    p.SetPrinterInfo(256, 1000, 500, 0, 3);   // custom size as asked; an unknown bin is refused
    EXPECT_EQ(p.PaperWidth, 1000);
    EXPECT_EQ(p.Bin, -1);
    p.SetPrinterInfo(9, 0, 0, 0, 15);
    EXPECT_EQ(p.Bin, 15);
    EXPECT_EQ(f->reads, 1);
    EXPECT_EQ(p.PlatformCalls(), 3);      // names, default printer, one reading

    p.SetPrinterIndex(1);                 // cannot be read: the virtual printer
    EXPECT_TRUE(p.IsVirtual());
    EXPECT_EQ(p.PaperCodes.size(), 67);
    p.SetPrinterIndex(0);
    EXPECT_FALSE(p.IsVirtual());
    EXPECT_EQ(f->reads, 3);
}

TEST(PageList, MembershipNotExpansion)
{
    struct Case { const char *text; int pages; std::vector<int> in; std::vector<int> out; };
    const Case cases[] = {
        {"1,3,5-7", 10, {1, 3, 5, 6, 7}, {2, 4, 8}},
        {"3-1", 10, {}, {1, 2, 3}},
        {"2-", 4, {2, 3, 4}, {1}},
        {" 1 , 4 - 5 ", 10, {1, 4, 5}, {2, 3, 6}},
        {"1-2000000000", 5, {1, 5, 1999999999}, {0, -1}},
    };
    for (const Case &c : cases) {
        const TrpPageList l = TrpPageList::Parse(QString::fromUtf8(c.text), c.pages);
        EXPECT_FALSE(l.IsEmpty()) << c.text;
        for (int n : c.in) EXPECT_TRUE(l.Contains(n)) << c.text << " " << n;
        for (int n : c.out) EXPECT_FALSE(l.Contains(n)) << c.text << " " << n;
    }
    EXPECT_TRUE(TrpPageList::Parse("", 3).IsEmpty());
    EXPECT_TRUE(TrpPageList::Parse("   ", 3).IsEmpty());
    for (const char *bad : {"1,,3", "1,", ",2", "a", "1-x", "-3", "1-2-3", "99999999999999999999", "1.5"})
        EXPECT_THROW(TrpPageList::Parse(QString::fromUtf8(bad), 5), kv::Error) << bad;
}

namespace {

QList<TrpPrintPage> threePages()
{
    TrpPrintPage a4;
    TrpPrintPage land = a4;
    land.Orientation = 1;
    land.PaperWidth = 2970;
    land.PaperHeight = 2100;
    TrpPrintPage custom = a4;
    custom.PaperSize = 256;
    custom.PaperWidth = 1000;
    custom.PaperHeight = 500;
    custom.Orientation = 1;
    return {a4, land, custom};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Printing, ToPdfWithFullPagesOfEachPaper)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QList<TrpRect> rects;
    QList<int> indexes;
    TrpCanvasFont startFont;
    startFont.Name = QStringLiteral("Liberation Serif");
    startFont.Size = 9;
    startFont.Style = 1;
    const TrpCanvasFont keepFont = rpPrinter().CanvasFont;
    rpPrinter().CanvasFont = startFont;
    const int sheets = rpPrintPages(printer, threePages(), {}, [&](int i, TrpCanvas &c, const TrpRect &r) {
        EXPECT_TRUE(c.IsPrinter());
        // Every sheet starts with the printer's canvas font.
        EXPECT_EQ(c.Font.Name, startFont.Name);
        EXPECT_EQ(c.Font.Size, 9);
        EXPECT_EQ(c.Font.Style, 1);
        rects << r;
        indexes << i;
        c.Pen.Width = 4;
        c.Brush.Style = bsClear;
        c.Rectangle(r);
        TrpFont f;
        c.SetFont(f);
        c.TextOut(r.Left + 100, r.Top + 100, QStringLiteral("Страница"));
    });
    rpPrinter().CanvasFont = keepFont;
    EXPECT_EQ(sheets, 3);
    EXPECT_EQ(indexes, (QList<int>{0, 1, 2}));
    ASSERT_EQ(rects.size(), 3);
    // The whole sheet at 1200 dpi: A4 is 9921 x 14031 device pixels.
    // (the PDF writer keeps sizes in whole points)
    EXPECT_NEAR(rects[0].width(), 9921, 10);
    EXPECT_NEAR(rects[0].height(), 14031, 10);
    EXPECT_NEAR(rects[1].width(), 14031, 10);
    EXPECT_NEAR(rects[2].width(), 4724, 10);
    EXPECT_NEAR(rects[2].height(), 2362, 10);

    const QByteArray pdf = readAll(path);
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    const QString text = QString::fromLatin1(pdf);
    EXPECT_EQ(text.count(QRegularExpression("/Type\\s*/Page[^s]")), 3);
    // Each sheet on its own paper: A4, A4 turned, 100 x 50 mm (in points).
    static const QRegularExpression box("/MediaBox \\[0 0 (\\d+)[.\\d]* (\\d+)");
    QStringList boxes;
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        boxes << m.captured(1) + "x" + m.captured(2);
    }
    EXPECT_EQ(boxes, (QStringList{"595x842", "842x595", "283x142"}));
}

TEST(Printing, PagesOddEvenCopiesAndCollation)
{
    QTemporaryDir dir;
    QList<TrpPrintPage> pages(5);
    auto printWith = [&](const TrpPrintOptions &o) {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("p.pdf"));
        QList<int> seen;
        rpPrintPages(printer, pages, o, [&](int i, TrpCanvas &, const TrpRect &) { seen << i + 1; });
        return seen;
    };
    TrpPrintOptions o;
    o.Pages = "2-";
    EXPECT_EQ(printWith(o), (QList<int>{2, 3, 4, 5}));
    o.OddEven = 1;
    EXPECT_EQ(printWith(o), (QList<int>{3, 5}));
    o.OddEven = 2;
    EXPECT_EQ(printWith(o), (QList<int>{2, 4}));
    o = {};
    o.Pages = "1,3";
    o.Copies = 2;
    o.Collate = true;
    EXPECT_EQ(printWith(o), (QList<int>{1, 3, 1, 3}));
    o.Collate = false;   // the PDF output makes no copies: each page comes twice
    EXPECT_EQ(printWith(o), (QList<int>{1, 1, 3, 3}));
    o.Pages = "3-1";
    EXPECT_EQ(printWith(o), QList<int>{});
    EXPECT_FALSE(rpPrinter().Printing);
}

TEST(Printing, ZeroSizedCustomPaperIsRefused)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("z.pdf"));
    TrpPrintPage zero;
    zero.PaperSize = 256;
    zero.PaperWidth = 0;
    zero.PaperHeight = 0;
    EXPECT_THROW(rpPrintPages(printer, {zero}, {}, [](int, TrpCanvas &, const TrpRect &) {}), kv::Error);
    EXPECT_FALSE(QFile::exists(dir.filePath("z.pdf")));
}

TEST(Printing, QtPageSizesByWindowsCode)
{
    EXPECT_EQ(rpQtPageSize(9, 0, 0, 0).id(), QPageSize::A4);
    EXPECT_EQ(rpQtPageSize(8, 0, 0, 1).id(), QPageSize::A3);
    EXPECT_EQ(rpQtPageSize(1, 0, 0, 0).id(), QPageSize::Letter);
    const QPageSize custom = rpQtPageSize(256, 3000, 2000, 1);
    EXPECT_NEAR(custom.size(QPageSize::Millimeter).width(), 200, 0.01);
    EXPECT_NEAR(custom.size(QPageSize::Millimeter).height(), 300, 0.01);
    EXPECT_FALSE(rpQtPageSize(256, 0, 0, 0).isValid());
}

TEST(PrintDialog, ComponentsCopiesAndPages)
{
    TrpPrintForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Print"));
    auto *e1 = form.findChild<QLineEdit *>("E1");
    auto *down = form.findChild<QPushButton *>("DownButton");
    auto *up = form.findChild<QPushButton *>("UpButton");
    auto *collate = form.findChild<QCheckBox *>("CollateCB");
    auto *rb1 = form.findChild<QRadioButton *>("RB1");
    auto *rb3 = form.findChild<QRadioButton *>("RB3");
    auto *e2 = form.findChild<QLineEdit *>("E2");
    auto *cb2 = form.findChild<QComboBox *>("CB2");
    ASSERT_TRUE(e1 && down && up && collate && rb1 && rb3 && e2 && cb2);
    ASSERT_TRUE(form.findChild<QComboBox *>("CB1") && form.findChild<QPushButton *>("PropButton"));
    ASSERT_TRUE(form.findChild<QWidget *>("PB1"));
    EXPECT_EQ(e1->text(), "1");
    EXPECT_TRUE(collate->isChecked());
    EXPECT_TRUE(rb1->isChecked());
    EXPECT_EQ(cb2->count(), 3);
    EXPECT_EQ(cb2->currentText(), "All pages");

    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(e1->text(), "1");   // never below 1
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(e1->text(), "3");

    form.show();
    QApplication::setActiveWindow(&form);
    QTest::keyClicks(e2, "1,3");
    EXPECT_TRUE(rb3->isChecked());
    cb2->setCurrentIndex(2);
    const TrpPrintOptions o = form.Options(7);
    EXPECT_EQ(o.Pages, "1,3");
    EXPECT_EQ(o.Copies, 3);
    EXPECT_EQ(o.OddEven, 2);
    EXPECT_TRUE(o.Collate);
    form.findChild<QRadioButton *>("RB2")->setChecked(true);
    EXPECT_EQ(form.Options(7).Pages, "7");
    form.hide();
}

TEST(PrintDialog, WrongPagesAreSaidAndTheDialogStays)
{
    QStringList said;
    kv::test::FakeUi ui;
    ui.onMessage = [&said](const kv::ShownMessage &m) {
        said << m.text;
        return kv::ModalResult::Ok;
    };
    TrpPrintForm form;
    kv::AttachUi(&form, &ui);
    form.findChild<QRadioButton *>("RB3")->setChecked(true);
    form.findChild<QLineEdit *>("E2")->setText("1,,3");
    form.accept();
    EXPECT_EQ(form.result(), 0);
    ASSERT_EQ(said.size(), 1);
    EXPECT_EQ(said[0], "'' is not a valid integer value");
    form.findChild<QLineEdit *>("E2")->setText("1,3");
    form.findChild<QLineEdit *>("E1")->setText("x");
    form.accept();
    EXPECT_EQ(said.size(), 2);
    form.findChild<QLineEdit *>("E1")->setText("2");
    form.accept();
    EXPECT_EQ(form.result(), int(QDialog::Accepted));
}

namespace {

// Printers that come and go while the program runs.
class ChangingPrinters : public kv::PrintSystem
{
public:
    explicit ChangingPrinters(QStringList &names) : m_names(names) {}
    QStringList PrinterNames() override { return m_names; }
    QString DefaultPrinter() override { return m_names.value(0); }
    bool ReadPrinter(const QString &name, kv::PrinterProfile &profile) override
    {
        if (!m_names.contains(name)) return false;
        profile = kv::PrinterProfile();
        profile.Name = name;
        kv::PrinterPaper a4;
        a4.Code = 9;
        a4.Width = 2100;
        a4.Height = 2970;
        a4.Sheet[0] = a4.Printable[0] = QRect(0, 0, 4961, 7016);
        a4.Sheet[1] = a4.Printable[1] = QRect(0, 0, 7016, 4961);
        profile.Papers = {a4};
        return true;
    }

private:
    QStringList &m_names;
};

} // namespace

TEST(PrintDialog, ListsThePrintersOfNowAndTheVirtualOneLast)
{
    QStringList names{"Office", "Workshop"};
    rpAssignPrintSystem(std::make_unique<ChangingPrinters>(names));
    const kv::test::OnScopeExit restore([] { rpAssignPrintSystem(nullptr); });
    auto listed = [](TrpPrintForm &f) {
        QStringList l;
        for (int i = 0; i < f.CB1->count(); ++i) l << f.CB1->itemText(i);
        return l;
    };
    {
        TrpPrintForm f;
        EXPECT_EQ(listed(f), (QStringList{"Office", "Workshop", "Virtual printer"}));
        EXPECT_EQ(f.CB1->currentIndex(), 0);
        EXPECT_TRUE(f.PropButton->isEnabled());
        f.CB1->setCurrentIndex(2);
        f.CB1Click();
        EXPECT_TRUE(rpPrinter().IsVirtual());
        EXPECT_FALSE(f.PropButton->isEnabled());
        f.accept();
    }
    // A printer added since shows; the virtual printer stays chosen.
    names << "Plotter";
    {
        TrpPrintForm f;
        EXPECT_EQ(listed(f), (QStringList{"Office", "Workshop", "Plotter", "Virtual printer"}));
        EXPECT_EQ(f.CB1->currentIndex(), 3);
        f.CB1->setCurrentIndex(1);
        f.CB1Click();
        EXPECT_EQ(rpPrinter().PrinterName(), "Workshop");
        f.accept();
    }
    // The chosen printer is gone: the next dialog falls back on the virtual one.
    names = QStringList{"Office"};
    {
        TrpPrintForm f;
        EXPECT_EQ(listed(f), (QStringList{"Office", "Virtual printer"}));
        EXPECT_EQ(f.CB1->currentIndex(), 1);
        EXPECT_TRUE(rpPrinter().IsVirtual());
        f.reject();
    }
}

TEST(PlatformPrinter, EnginePrinterStartsOnTheVirtualPrinter)
{
    // Whatever the machine has: the program hands over its print system itself.
    TrpPrinter &p = rpPrinter();
    EXPECT_FALSE(p.HasPlatform());
    EXPECT_TRUE(p.IsVirtual());
    EXPECT_EQ(p.Printers(), QStringList{"Virtual printer"});
    EXPECT_EQ(rpDefaultPaperSize(), 9);
    EXPECT_FALSE(p.PropertiesDialog());
}

TEST(PrintDialog, EveryTextIsShownWhole)
{
    TrpPrintForm form;
    form.show();
    QApplication::processEvents();
    if (qEnvironmentVariableIsSet("KV_DIALOG_SHOTS"))
        form.grab().save(qEnvironmentVariable("KV_DIALOG_SHOTS") + QStringLiteral("printform.png"));
    for (QLabel *l : form.findChildren<QLabel *>()) {
        if (l->text().isEmpty()) continue;
        if (l->wordWrap())
            EXPECT_GE(l->height(), l->heightForWidth(l->width())) << l->text().toStdString();
        else
            EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
    }
    for (QAbstractButton *b : form.findChildren<QAbstractButton *>()) {
        // Push buttons may be narrower than the style's least width ("+", "-").
        const int need = qobject_cast<QPushButton *>(b) ? b->fontMetrics().horizontalAdvance(b->text()) + 6
                                                       : b->sizeHint().width();
        EXPECT_GE(b->width(), need) << b->text().toStdString();
    }
    for (QGroupBox *g : form.findChildren<QGroupBox *>())
        EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title()) + 10) << g->title().toStdString();
}

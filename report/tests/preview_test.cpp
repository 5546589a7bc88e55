#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPdfWriter>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "platform/testsupport/fakeui.h"
#include "report/building/report.h"
#include "report/model/memo.h"
#include "report/output/textexports.h"
#include "report/windows/enginectl.h"
#include "report/windows/preview.h"
#include "report/windows/printdialog.h"
#include "report/windows/winpos.h"

namespace {

// A3 on the virtual printer: 758 x 1071 page units for A4.
constexpr int kPageW = 758, kPageH = 1071;

struct PreviewFixture : ::testing::Test
{
    QTemporaryDir dir;
    kv::test::FakeUi ui;
    TrpReport report;
    std::unique_ptr<TrpPreviewForm> form;

    void SetUp() override
    {
        SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
        rpSetWindowPositionStore(dir.filePath(QStringLiteral("pos.ini")));
        rpPreviewZoom() = TrpPreviewZoom();
        fill(report.EMFPages(), 3);
        form = std::make_unique<TrpPreviewForm>();
        kv::AttachUi(form.get(), &ui);
        form->resize(640, 480);
        form->Connect(report);
    }
    void TearDown() override
    {
        form.reset();
        rpSetWindowPositionStore(QString());
        SetPaperHandler({});
        rpPreviewZoom() = TrpPreviewZoom();
    }

    static void memo(TrpEMFPages &pages, int page, const QString &name, int top, const QString &text,
                     const QString &tag = QString())
    {
        TrpMemoView m;
        m.Name = name;
        m.Tag = tag;
        m.SetBounds(40, top, 400, 24);
        m.Memo = {text};
        m.FrameTyp = 15;
        pages.AppendView(page, m);
    }

    // Page 1: a title and links; page 2: the word twice; page 3: once more.
    static void fill(TrpEMFPages &pages, int count)
    {
        pages.Clear();
        TrpPage page;
        for (int i = 0; i < count; ++i) pages.AddPage(page);
        memo(pages, 0, QStringLiteral("Memo1"), 40, QStringLiteral("Ведомость деталей"));
        memo(pages, 0, QStringLiteral("URL1"), 100, QStringLiteral("to page 3"), QStringLiteral("@3"));
        memo(pages, 0, QStringLiteral("URL2"), 160, QStringLiteral("a file"), QStringLiteral("file:///etc/passwd"));
        memo(pages, 0, QStringLiteral("URL3"), 220, QStringLiteral("bad number"), QStringLiteral("@x7"));
        memo(pages, 0, QStringLiteral("URL4"), 280, QStringLiteral("site"), QStringLiteral("https://example.org/"));
        if (count > 1) {
            memo(pages, 1, QStringLiteral("Memo2"), 100, QStringLiteral("Плита ДСП 16 мм"));
            memo(pages, 1, QStringLiteral("Memo3"), 600, QStringLiteral("вторая плита ДСП"));
        }
        if (count > 2) memo(pages, 2, QStringLiteral("Memo4"), 100, QStringLiteral("Итого"));
    }

    // Clicks a point of a page given in page units.
    void clickOnPage(int index, int x, int y)
    {
        const TrpRect r = form->PageRect(index);
        const QPoint p(r.Left + form->OffsetX() + int(x * form->ZoomFactor()) + 1,
                       r.Top + form->OffsetY() + int(y * form->ZoomFactor()) + 1);
        QTest::mouseClick(form->PBox, Qt::LeftButton, {}, p);
    }
};

} // namespace

TEST_F(PreviewFixture, ZoomModesGiveTheScaleOfTheBox)
{
    const int boxW = form->PBox->width(), boxH = form->PBox->height();
    EXPECT_EQ(boxW, 640 - 16);
    EXPECT_EQ(boxH, 480 - 26 - 18);
    struct Case { int tag; double factor; };
    const Case cases[] = {
        {1, double(boxW - 20) / kPageW},
        {2, double(boxH - 20) / kPageH},
        {3, double(boxW - 30) / (2.0 * kPageW)},
        {75, 0.75},
        {200, 2.0},
    };
    for (const Case &c : cases) {
        form->SetZoom(c.tag);
        EXPECT_DOUBLE_EQ(form->ZoomFactor(), c.factor) << c.tag;
        EXPECT_EQ(form->ZoomMode(), c.tag <= 3 ? c.tag : 0);
        EXPECT_EQ(form->ZoomBtn->Caption(), QString::number(qRound(c.factor * 100)) + QLatin1Char('%'));
    }
    // Whole page: one per row, centred; two pages: two per row from the left.
    form->SetZoom(2);
    const TrpRect r0 = form->PageRect(0);
    EXPECT_EQ(r0.Left, (boxW - r0.width()) / 2);
    EXPECT_EQ(form->PageRect(1).Top, r0.Bottom + 10);
    form->SetZoom(3);
    EXPECT_EQ(form->PageRect(0).Left, 10);
    EXPECT_EQ(form->PageRect(1).Left, form->PageRect(0).Right + 10);
    EXPECT_EQ(form->PageRect(2).Top, form->PageRect(0).Bottom + 10);
    // 100%: the page is wider than the box: one per row, range page - box + 20.
    form->SetZoom(100);
    EXPECT_EQ(form->PageRect(0).Left, 10);
    EXPECT_EQ(form->HScrollBar->maximum(), kPageW - boxW + 20);
    EXPECT_TRUE(form->N1001->isChecked());
}

// Maximised or resized, the window lays its pages out again: a whole page
// fills the page area, which fills the window.
TEST_F(PreviewFixture, ThePagesFollowTheWindowsSize)
{
    form->SetZoom(2);
    form->show();   // maximised, as a first preview opens
    QApplication::processEvents();
    ASSERT_TRUE(form->isMaximized());
    for (const QSize size : {QSize(), QSize(780, 700), QSize(500, 760), QSize(640, 480)}) {   // inside the offscreen screen
        if (size.isValid()) {
            form->showNormal();
            form->resize(size);
            QApplication::processEvents();
            ASSERT_EQ(form->size(), size);
        }
        EXPECT_EQ(form->PBox->size(), form->size() - QSize(16, 26 + 18));
        const TrpRect page = form->PageRect(0);
        EXPECT_EQ(page.height(), form->PBox->height() - 20) << size.width();
        EXPECT_DOUBLE_EQ(form->ZoomFactor(), double(form->PBox->height() - 20) / kPageH);
        EXPECT_EQ(page.Left, page.width() < form->PBox->width() ? (form->PBox->width() - page.width()) / 2 : 10);
    }
}

TEST_F(PreviewFixture, ChosenZoomOpensTheNextPreview)
{
    form->N751->trigger();
    EXPECT_DOUBLE_EQ(form->ZoomFactor(), 0.75);
    form.reset();
    TrpPreviewForm next;
    next.resize(640, 480);
    next.Connect(report);
    EXPECT_DOUBLE_EQ(next.ZoomFactor(), 0.75);
    EXPECT_TRUE(next.N751->isChecked());
}

TEST_F(PreviewFixture, TwoPagesModeWithOnePageLaysItLeft)
{
    fill(report.EMFPages(), 1);
    form->SetZoom(3);
    form->Connect(report);
    EXPECT_EQ(form->PageRect(0).Left, 10);
    EXPECT_DOUBLE_EQ(form->ZoomFactor(), double(form->PBox->width() - 30) / (2.0 * kPageW));
}

TEST_F(PreviewFixture, PagesAndKeys)
{
    form->show();
    form->SetZoom(2);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Page 1/3"));
    QTest::keyClick(form->PBox, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->CurPage(), 2);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Page 2/3"));
    EXPECT_EQ(form->VScrollBar->value(), form->PageRect(1).Top - 10);
    QTest::keyClick(form->PBox, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form->CurPage(), 3);
    QTest::mouseClick(form->PgDown, Qt::LeftButton);
    EXPECT_EQ(form->CurPage(), 3);
    QTest::mouseClick(form->PgUp, Qt::LeftButton);
    EXPECT_EQ(form->CurPage(), 2);
    QTest::keyClick(form->PBox, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(form->VScrollBar->value(), 0);
    EXPECT_EQ(form->CurPage(), 1);
    QTest::keyClick(form->PBox, Qt::Key_Down);
    EXPECT_EQ(form->VScrollBar->value(), 10);
    QTest::keyClick(form->PBox, Qt::Key_PageDown);
    EXPECT_EQ(form->VScrollBar->value(), 210);
    QTest::keyClick(form->PBox, Qt::Key_Up);
    EXPECT_EQ(form->VScrollBar->value(), 200);
    form->SetZoom(100);
    QTest::keyClick(form->PBox, Qt::Key_Right);
    EXPECT_EQ(form->HScrollBar->value(), 10);
    QTest::keyClick(form->PBox, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

// The page number follows the page the view shows most of while the keys
// scroll: Page Down into the next page, Page Up back.
TEST_F(PreviewFixture, PageNumberFollowsThePageShown)
{
    form->show();
    form->SetZoom(2);   // a whole page in the view
    const int between = (form->PageRect(0).Bottom + form->PageRect(1).Top) / 2;
    int presses = 0;
    while (form->VScrollBar->value() + form->PBox->height() / 2 < between + 20 && presses < 50) {
        QTest::keyClick(form->PBox, Qt::Key_PageDown);
        ++presses;
    }
    ASSERT_LT(presses, 50);
    EXPECT_EQ(form->CurPage(), 2);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Page 2/3"));
    while (form->VScrollBar->value() > 0) QTest::keyClick(form->PBox, Qt::Key_PageUp);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Page 1/3"));
}

TEST_F(PreviewFixture, LinksJumpToPagesAndOpenOnlyWebAddresses)
{
    form->show();
    form->SetZoom(50);
    clickOnPage(0, 50, 105);       // "@3"
    EXPECT_EQ(form->CurPage(), 3);
    form->GoToPage(1);
    clickOnPage(0, 50, 225);       // "@x7": ignored
    EXPECT_EQ(form->CurPage(), 1);
    clickOnPage(0, 50, 165);       // a file: never opened
    EXPECT_TRUE(ui.links.isEmpty());
    EXPECT_TRUE(ui.opened.isEmpty());
    clickOnPage(0, 50, 285);
    EXPECT_EQ(ui.links, QStringList{QStringLiteral("https://example.org/")});
    struct Case { const char *link; int page; };
    const Case cases[] = {{"@0", 1}, {"@2", 2}, {"@9", 2}, {"@", 2}, {"@abc", 2}};
    for (const Case &c : cases) {
        form->FollowLink(QString::fromLatin1(c.link));
        EXPECT_EQ(form->CurPage(), c.page) << c.link;
    }
}

TEST_F(PreviewFixture, SearchFindsTheSecondHitOnPageTwoAndHighlightsIt)
{
    form->show();
    form->SetZoom(50);
    form->StartSearch(QStringLiteral("дсп"), false, false);
    EXPECT_EQ(form->FoundPage(), 1);
    EXPECT_EQ(form->CurPage(), 2);
    EXPECT_GE(form->FoundRect().Top, 100);
    EXPECT_LT(form->FoundRect().Top, 130);
    QTest::keyClick(form->PBox, Qt::Key_F3);
    EXPECT_EQ(form->FoundPage(), 1);
    EXPECT_GE(form->FoundRect().Top, 600);
    // The find is inverted on screen: white paper turns black there.
    const QImage shot = form->PBox->grab().toImage();
    const TrpRect pr = form->PageRect(1);
    const TrpRect fr = form->FoundRect();
    const QRect onScreen(pr.Left + form->OffsetX() + qRound(fr.Left * 0.5), pr.Top + form->OffsetY() + qRound(fr.Top * 0.5),
                         qRound(fr.width() * 0.5), qRound(fr.height() * 0.5));
    ASSERT_TRUE(shot.rect().contains(onScreen));
    int dark = 0;
    for (int y = onScreen.top(); y <= onScreen.bottom(); ++y)
        for (int x = onScreen.left(); x <= onScreen.right(); ++x) dark += qGray(shot.pixel(x, y)) < 128;
    EXPECT_GT(dark, onScreen.width() * onScreen.height() * 3 / 4);
    // Case-sensitive, from the current page: no hit for lower case "плита" except the second memo.
    form->StartSearch(QStringLiteral("плита"), true, true);
    EXPECT_GE(form->FoundRect().Top, 600);
    form->StartSearch(QStringLiteral("нет такого"), false, false);
    EXPECT_EQ(form->FoundPage(), -1);
}

TEST_F(PreviewFixture, SearchFromTheFirstPageStartsThereWhateverPageIsShown)
{
    form->show();
    struct Case { int shown; bool fromCurrent; const char *text; int found; };
    const Case cases[] = {
        {3, false, "ведомость", 0},    // page 3 shown, the first page searched
        {3, false, "дсп", 1},
        {2, true, "ведомость", -1},    // from the current page the pages before it are not searched
        {2, true, "итого", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        form->GoToPage(c.shown);
        form->StartSearch(QString::fromUtf8(c.text), false, c.fromCurrent);
        EXPECT_EQ(form->FoundPage(), c.found);
        if (c.found >= 0) {
            EXPECT_EQ(form->CurPage(), c.found + 1);
        }
    }
}

TEST_F(PreviewFixture, SaveAndOpenPreparedReportThroughTheWindow)
{
    const QString saved = dir.filePath(QStringLiteral("out"));
    ui.onFile = [&](kv::FileChoice &c) {
        EXPECT_TRUE(c.save);
        EXPECT_TRUE(c.filter.startsWith(QStringLiteral("Report file (*.rpp)|*.rpp")));
        c.filterIndex = 1;
        return saved;
    };
    QTest::keyClick(form->PBox, Qt::Key_S, Qt::ControlModifier);
    form->SaveBtnClick();
    ASSERT_TRUE(QFile::exists(saved + QStringLiteral(".rpp")));

    // Another report with one page, then open the saved three pages in it.
    TrpReport other;
    fill(other.EMFPages(), 1);
    form->Connect(other);
    EXPECT_EQ(form->PageCount(), 1);
    ui.onFile = [&](kv::FileChoice &c) {
        EXPECT_FALSE(c.save);
        EXPECT_EQ(c.filter, QStringLiteral("Report file (*.rpp)|*.rpp"));
        return saved + QStringLiteral(".rpp");
    };
    form->GoToPage(1);
    form->LoadBtnClick();
    EXPECT_EQ(form->PageCount(), 3);
    EXPECT_EQ(form->CurPage(), 1);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Page 1/3"));
    form->StartSearch(QStringLiteral("итого"), false, false);
    EXPECT_EQ(form->FoundPage(), 2);
}

TEST_F(PreviewFixture, ExportThroughAFilterTakesItsExtension)
{
    TrpTextExport text;
    text.ShowDialog = false;
    const QString target = dir.filePath(QStringLiteral("list.rpp"));
    ui.onFile = [&](kv::FileChoice &c) {
        const QStringList parts = c.filter.split(QLatin1Char('|'));
        for (int i = 0; i + 1 < parts.size(); i += 2)
            if (parts[i + 1] == QStringLiteral("*.txt")) c.filterIndex = i / 2 + 1;
        return target;
    };
    form->SaveBtnClick();
    QFile f(dir.filePath(QStringLiteral("list.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().isEmpty());
}

TEST_F(PreviewFixture, PrintedToPdfWithOnePageEach)
{
    fill(report.EMFPages(), 2);
    form->Connect(report);
    // The virtual printer: OK in the print dialog, then the file.
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    ui.onModal = [](QDialog &d) {
        EXPECT_TRUE(qobject_cast<TrpPrintForm *>(&d));
        return int(QDialog::Accepted);
    };
    ui.onFile = [&](kv::FileChoice &) { return pdf; };
    QTest::keyClick(form->PBox, Qt::Key_P, Qt::ControlModifier);
    form->PrintBtnClick();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 2 * 1);
    // A4 is 595 x 842 points.
    EXPECT_TRUE(bytes.contains("/MediaBox [0 0 595") || bytes.contains("/MediaBox [0 0 594"));
}

TEST_F(PreviewFixture, WithoutPrinterPrintingIsOff)
{
    TrpPreviewSettings none;
    none.HasPrinter = [] { return false; };
    form->Connect(report, none);
    EXPECT_FALSE(form->PrintBtn->isEnabled());
    EXPECT_FALSE(form->PageSetupBtn->isEnabled());
    EXPECT_FALSE(form->PageSetupBtn->isVisible());
    EXPECT_FALSE(form->N5->isVisible());
}

TEST_F(PreviewFixture, ScreenshotReadsLikeAPage)
{
    form->resize(700, 900);
    form->show();
    form->SetZoom(2);
    const QImage shot = form->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    if (qEnvironmentVariableIsSet("KV_PREVIEW_SHOT")) shot.save(qEnvironmentVariable("KV_PREVIEW_SHOT"));
    // Grey around, white paper in the middle.
    EXPECT_EQ(form->PBox->grab().toImage().pixel(3, 3) & 0xFFFFFF, 0x808080u);
    const TrpRect r = form->PageRect(0);
    EXPECT_EQ(form->PBox->grab().toImage().pixel(r.Left + 5, r.Bottom - 5) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(PreviewFixture, OutlivesItsReport)
{
    auto other = std::make_unique<TrpReport>();
    fill(other->EMFPages(), 2);
    form->Connect(*other);
    form->show();
    EXPECT_EQ(form->PageCount(), 2);
    other.reset();
    EXPECT_EQ(form->PageCount(), 0);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Page 1/0"));
    form->PBox->grab();
    form->SaveBtnClick();
    QTest::keyClick(form->PBox, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->CurPage(), 1);
}

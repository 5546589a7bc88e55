#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "platform/testsupport/fakeui.h"
#include "report/building/report.h"
#include "report/model/memo.h"
#include "report/windows/enginectl.h"
#include "report/windows/previewpanel.h"
#include "report/windows/winpos.h"

namespace {

struct PanelFixture : ::testing::Test
{
    QTemporaryDir dir;
    kv::test::FakeUi ui;
    TrpReport report;
    std::unique_ptr<QWidget> window;
    TrpPreview *panel = nullptr;
    QLabel *side = nullptr;
    QList<int> changes;

    void SetUp() override
    {
        SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
        rpSetWindowPositionStore(dir.filePath(QStringLiteral("pos.ini")));
        rpPreviewZoom() = TrpPreviewZoom();
        kv::AttachUi(&report, &ui);
        TrpPage page;
        for (int i = 0; i < 3; ++i) report.EMFPages().AddPage(page);
        for (int i = 0; i < 3; ++i) {
            TrpMemoView m;
            m.Name = QStringLiteral("Memo%1").arg(i + 1);
            m.SetBounds(40, 40, 400, 24);
            m.Memo = {QStringLiteral("Страница %1").arg(i + 1)};
            m.FrameTyp = 15;
            report.EMFPages().AppendView(i, m);
        }
        // A plain window: a label on top, the panel below it.
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("PlainWindow"));
        kv::AttachUi(window.get(), &ui);
        auto *layout = new QVBoxLayout(window.get());
        side = new QLabel(QStringLiteral("Карты раскроя"), window.get());
        side->setObjectName(QStringLiteral("SideLabel"));
        layout->addWidget(side);
        panel = new TrpPreview(window.get());
        layout->addWidget(panel, 1);
        panel->OnPageChanged = [this](TrpPreview &p) { changes << p.Page(); };
        window->resize(600, 700);
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        rpSetWindowPositionStore(QString());
        SetPaperHandler({});
        rpPreviewZoom() = TrpPreviewZoom();
    }

    template <class T> T *inWindow(const char *name) { return window->findChild<T *>(QLatin1String(name)); }

    void wheel(QWidget *target, int delta)
    {
        const QPointF at(5, 5);
        QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
};

} // namespace

TEST_F(PanelFixture, ShowsThePagesInsideAPlainWindow)
{
    EXPECT_EQ(panel->Page(), 0);
    panel->Connect(report);
    // The page area now lives in the window; the toolbar stays in the hidden preview window.
    ASSERT_TRUE(inWindow<QWidget>("TrpPBox"));
    EXPECT_TRUE(inWindow<QWidget>("TrpPBox")->isVisible());
    EXPECT_FALSE(inWindow<QWidget>("Panel1"));
    EXPECT_FALSE(panel->Window()->isVisible());
    EXPECT_EQ(panel->Page(), 1);
    EXPECT_EQ(inWindow<QLabel>("Label1")->text(), QStringLiteral("Page 1/3"));
    EXPECT_EQ(panel->Window()->WheelMultiplier(), 3);
    // The pages fill the panel's inside.
    const QRect box = inWindow<QWidget>("ScrollBox1")->geometry();
    EXPECT_TRUE(panel->contentsRect().contains(box));
    EXPECT_GT(box.height(), 500);

    // The toolbar: in the panel on request, without help and exit.
    panel->SetShowToolbar(true);
    ASSERT_TRUE(inWindow<QWidget>("Panel1"));
    EXPECT_TRUE(inWindow<QWidget>("LoadBtn")->isVisible());
    EXPECT_TRUE(inWindow<QWidget>("PrintBtn")->isVisible());
    EXPECT_FALSE(inWindow<QWidget>("HelpBtn")->isVisible());
    EXPECT_FALSE(inWindow<QWidget>("ExitBtn")->isVisible());
    EXPECT_EQ(inWindow<QWidget>("ScrollBox1")->geometry().top(), box.top() + 26);
    const QImage shot = window->grab().toImage();
    if (qEnvironmentVariableIsSet("KV_PANEL_SHOT")) shot.save(qEnvironmentVariable("KV_PANEL_SHOT"));
    panel->SetShowToolbar(false);
    EXPECT_FALSE(inWindow<QWidget>("Panel1"));
    EXPECT_EQ(panel->Window()->findChild<QWidget *>(QStringLiteral("Panel1"))->parentWidget(), panel->Window());

    // Disconnected: no pages, nothing left to page through.
    panel->Disconnect();
    EXPECT_EQ(panel->Page(), 0);
    EXPECT_EQ(inWindow<QLabel>("Label1")->text(), QStringLiteral("Page 1/0"));
    QTest::keyClick(inWindow<QWidget>("TrpPBox"), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(panel->Page(), 0);
    panel->Connect(report);
    EXPECT_EQ(panel->Page(), 1);
}

TEST_F(PanelFixture, PageChangesAreReported)
{
    panel->Connect(report);
    changes.clear();
    panel->Window()->PgDownClick();
    QTest::keyClick(inWindow<QWidget>("TrpPBox"), Qt::Key_PageDown, Qt::ControlModifier);
    QTest::keyClick(inWindow<QWidget>("TrpPBox"), Qt::Key_PageDown, Qt::ControlModifier);   // already last
    panel->Window()->PgUpClick();
    EXPECT_EQ(changes, (QList<int>{2, 3, 2}));
    EXPECT_EQ(panel->Page(), 2);
}

TEST_F(PanelFixture, ScrollBarsAndRelayout)
{
    panel->Connect(report);
    panel->Window()->SetZoom(1);   // page width follows the panel
    struct Case { TrpScrollBars bars; bool right, bottom; };
    for (const Case c : {Case{ssNone, false, false}, Case{ssHorizontal, false, true}, Case{ssVertical, true, false},
                         Case{ssBoth, true, true}}) {
        panel->SetScrollBars(c.bars);
        EXPECT_EQ(inWindow<QWidget>("RPanel")->isVisible(), c.right) << c.bars;
        EXPECT_EQ(inWindow<QWidget>("BPanel")->isVisible(), c.bottom) << c.bars;
        const int boxW = inWindow<QWidget>("ScrollBox1")->width();
        EXPECT_EQ(boxW, panel->contentsRect().width() - (c.right ? 16 : 0)) << c.bars;
    }
    const int before = panel->Window()->PageRect(0).Right - panel->Window()->PageRect(0).Left;
    window->resize(400, 700);
    QApplication::processEvents();
    const int after = panel->Window()->PageRect(0).Right - panel->Window()->PageRect(0).Left;
    EXPECT_LT(after, before);
    EXPECT_EQ(after, inWindow<QWidget>("ScrollBox1")->width() - 20);
}

TEST_F(PanelFixture, WheelOfTheWindowScrollsThreeSteps)
{
    panel->Connect(report);
    QScrollBar *v = panel->Window()->VScrollBar;
    ASSERT_TRUE(v->isEnabled());
    wheel(inWindow<QWidget>("TrpPBox"), -120);
    EXPECT_EQ(v->value(), 30);
    wheel(window.get(), -120);   // anywhere else in the window
    EXPECT_EQ(v->value(), 60);
    wheel(window.get(), 120);
    EXPECT_EQ(v->value(), 30);
    // A window of its own scrolls one step.
    TrpPreviewForm own;
    own.resize(640, 480);
    own.Connect(report);
    wheel(own.PBox, -120);
    EXPECT_EQ(own.VScrollBar->value(), 10);
}

TEST_F(PanelFixture, RightButtonOpensThePanelsMenu)
{
    QMenu menu;
    menu.setObjectName(QStringLiteral("ppmPreview"));
    menu.addAction(QStringLiteral("Печать"));
    panel->PopupMenu = &menu;
    panel->Connect(report);
    QTest::mouseClick(inWindow<QWidget>("TrpPBox"), Qt::RightButton, {}, QPoint(30, 30));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_FALSE(panel->Window()->ProcMenu->isVisible());
    menu.hide();
    panel->PopupMenu = nullptr;
    panel->Connect(report);
    QTest::mouseClick(inWindow<QWidget>("TrpPBox"), Qt::RightButton, {}, QPoint(30, 30));
    EXPECT_TRUE(panel->Window()->ProcMenu->isVisible());
    panel->Window()->ProcMenu->hide();
}

TEST_F(PanelFixture, ShowPreparedUsesThePanelOrAChildWindow)
{
    TrpPreviewSettings s;
    s.Preview = panel;
    rpShowPreview(report, s);
    EXPECT_EQ(panel->Page(), 1);
    EXPECT_EQ(panel->Window()->PageCount(), 3);

    // MDIPreview: the main window takes the preview as a child, modeless.
    QWidget *taken = nullptr;
    ui.onFrame = [&](QWidget &form) {
        taken = &form;
        return true;
    };
    TrpPreviewSettings mdi;
    mdi.MDIPreview = true;
    rpShowPreview(report, mdi);
    ASSERT_TRUE(taken);
    auto *form = qobject_cast<TrpPreviewForm *>(taken);
    ASSERT_TRUE(form);
    EXPECT_EQ(form->PageCount(), 3);
    EXPECT_FALSE(form->isModal());
    // Its dialogs ask through what the report was shown by.
    EXPECT_EQ(&kv::UiOf(form), &ui);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview"));
    delete form;

    // No frame takes it: a modal window of its own, run by the user
    // interface, and freed when it ends.
    ui.onFrame = nullptr;
    for (bool mdiAsked : {false, true}) {
        QPointer<QDialog> run;
        int pages = 0;
        ui.onModal = [&](QDialog &d) {
            run = &d;
            if (auto *f = qobject_cast<TrpPreviewForm *>(&d)) pages = f->PageCount();
            return int(QDialog::Accepted);
        };
        TrpPreviewSettings own;
        own.MDIPreview = mdiAsked;
        rpShowPreview(report, own);
        EXPECT_TRUE(run) << mdiAsked;
        EXPECT_EQ(pages, 3) << mdiAsked;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(run) << mdiAsked;
    }
}

TEST_F(PanelFixture, HelpButtonShowsTheHelpOfTheNextControlClicked)
{
    TrpPreviewForm form;
    kv::AttachUi(&form, &ui);
    form.resize(640, 480);
    form.Connect(report);
    form.show();
    form.HelpBtnClick();
    EXPECT_TRUE(form.HelpMode());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
    QTest::mouseClick(form.ZoomBtn, Qt::LeftButton);
    EXPECT_FALSE(form.HelpMode());
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_FALSE(form.ProcMenu->isVisible());   // the click only asked for help
    form.HelpBtnClick();
    QTest::mouseClick(form.PBox, Qt::LeftButton, {}, QPoint(5, 5));
    form.HelpBtnClick();
    QTest::mouseClick(form.HelpBtn, Qt::LeftButton);   // on the help button: nothing
    EXPECT_EQ(ui.helpShown, (std::vector<int>{200, 207}));
}

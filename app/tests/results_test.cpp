#include "app/results/formsheets.h"
#include "app/results/mapctrls.h"
#include "app/results/resultsdialogs.h"
#include "print/flows/fullstat.h"

#include "app/tests/appfixture.h"
#include "data/matoptions.h"
#include "engine/raskroy.h"
#include "engine/testsupport/mixedjob.h"
#include "platform/ui.h"
#include "widgets/gwcolors.h"
#include "widgets/outlooklist.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTabBar>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QTabWidget>
#include <QToolButton>

#include <cmath>

using namespace kv;
using namespace kv::engine;

namespace {

class ResultsWindow : public AppTest
{
protected:
    TRaskroy e;
    std::unique_ptr<TFormSheets> w;
    void SetUp() override
    {
        kvtest::LoadMixedJob(e);
        kvtest::RunMixedJob(e);
        w = std::make_unique<TFormSheets>(app.ctx);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->resize(900, 700);
    }
    void fill(int materials = 1)
    {
        int32_t n = 0;
        std::vector<int> codes;
        for (int i = 0; i < e.ResultMaps.Count(); ++i) {
            const TSheetsList &m = *e.ResultMaps.Items(i);
            const int code = materials == 1 ? 7 : (i % 2 ? 8 : 7);
            w->AddMapTab(MapCaption(w->TabCount(), n, m.Quantity, QString::fromStdString(m.Name)), code, m,
                         e.Detals, 4, QStringLiteral("Заказ 12"));
            n += m.Quantity;
        }
        codes.push_back(7);
        if (materials > 1)
            codes.push_back(8);
        w->SetJobMaterials(codes);
    }
};

// In the frame, maximised and back: the maps take the scale of the page as it
// is after each change, never the one it had before.
TEST_F(ResultsWindow, MapsFollowThePageWhenTheWindowIsMaximisedAndRestored)
{
    fill();
    QMdiArea area;
    area.resize(1200, 900);
    area.show();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    QMdiSubWindow *sub = area.addSubWindow(w.get());
    sub->resize(700, 500);
    sub->show();
    QApplication::processEvents();
    auto expected = [&] {
        int32_t mw = 0, mh = 0;
        w->Document().MaxSheetSize(mw, mh);
        TMapPage *p = w->Page(w->ActivePage());
        return MapScale(p->width(), p->height(), 2 * p->BarHeight(), mw, mh);
    };
    const double small = w->Scale();
    EXPECT_DOUBLE_EQ(small, expected());
    sub->showMaximized();
    QApplication::processEvents();
    EXPECT_GT(w->Scale(), small);
    EXPECT_DOUBLE_EQ(w->Scale(), expected());
    sub->showNormal();
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(w->Scale(), small);
    TMapPage *p = w->Page(w->ActivePage());
    EXPECT_LE(p->Sheet()->width(), p->width());
    area.removeSubWindow(w.get());
    w->setParent(nullptr);
}

// The accept action's hint is "Применить раскрой"; its tool button keeps a
// hint of its own, "Принять раскрой", however often the action changes.
TEST_F(ResultsWindow, AcceptButtonKeepsItsOwnHint)
{
    QWidget *button = w->findChild<QWidget *>("tbApply");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(w->ApplyAction->toolTip(), "Применить раскрой");
    for (const bool on : {false, true, false}) {
        w->ApplyAction->setEnabled(on);
        EXPECT_EQ(button->toolTip(), "Принять раскрой") << on;
    }
}

TEST_F(ResultsWindow, TabsMapControlsAndStatusBars)
{
    SetNumberDigits(2, 3);
    w->show();
    fill();
    ASSERT_EQ(w->PageCount(), e.ResultMaps.Count());
    QTabWidget *pages = w->findChild<QTabWidget *>(QStringLiteral("PageControl"));
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("1: Лист 1 (OST-3)"));
    for (int i = 0; i < w->PageCount(); ++i) {
        TMapPage *p = w->Page(i);
        const MapTab &t = w->Document().Tabs[size_t(i)];
        TSheetCtrl *s = p->Sheet();
        EXPECT_EQ(s->pos(), QPoint(4, 4));
        EXPECT_EQ(s->Items().size(), int(t.Parts.size() + t.Scraps.size() + t.Cuts.size()));
        // Every sheet fits its page above the two bars at the common scale.
        EXPECT_GT(w->Scale(), 0);
        EXPECT_LE(s->width(), p->width());
        EXPECT_LE(4 + s->height(), p->height() - 2 * p->BarHeight() + 1);
        EXPECT_EQ(p->Bar5()->PanelText(0), QStringLiteral("Лист: %1x%2").arg(t.RealWidth).arg(t.RealHeight));
        EXPECT_EQ(p->Bar5()->PanelText(1), QStringLiteral("Количество: %1").arg(t.Quantity));
    }
    // The information of a tab is the texts of its bars.
    const QString info = w->MapInfoText(0);
    EXPECT_TRUE(info.startsWith(QStringLiteral("Информация\r\rЛист: 600x1500\rМатериал: ")));
    EXPECT_TRUE(info.contains(QStringLiteral("\rРезов: ")));
    kv::test::ScopedAnswers answers(app.ui);
    w->MapInfo(0);
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, MsgKind::Information);
    EXPECT_EQ(answers.shown()[0].text, info);
}

// The pop-up of the map opens on the tab's header, on the sheet and on any
// empty spot of the page; each time for the shown tab.
TEST_F(ResultsWindow, TheMapPopupOpensAnywhereOnThePage)
{
    w->show();
    fill();
    QTabWidget *pages = w->findChild<QTabWidget *>(QStringLiteral("PageControl"));
    pages->setCurrentIndex(1);
    TMapPage *page = w->Page(1);
    TSheetCtrl *sheet = page->Sheet();
    struct Case { const char *where; QWidget *target; QPoint pos; };
    const Case cases[] = {
        {"header", pages->tabBar(), pages->tabBar()->tabRect(1).center()},
        {"sheet corner", sheet, QPoint(1, 1)},
        {"right of the sheet", page, QPoint(page->width() - 3, 10)},
        {"page bar", page->Bar4(), QPoint(5, 5)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.where);
        w->ppmRaskroyMap->hide();
        QContextMenuEvent ev(QContextMenuEvent::Mouse, c.pos, c.target->mapToGlobal(c.pos));
        QApplication::sendEvent(c.target, &ev);
        EXPECT_TRUE(w->ppmRaskroyMap->isVisible());
        w->ppmRaskroyMap->hide();
    }
}

TEST_F(ResultsWindow, RatioOneIsOnePixelPerMillimetreAndHitTesting)
{
    fill();
    TSheetCtrl *s = w->Page(0)->Sheet();
    const MapTab &t = s->Tab();
    s->SetRatio(1.0);
    EXPECT_EQ(s->size(), QSize(t.RealWidth, t.RealHeight));
    ASSERT_FALSE(t.Parts.empty());
    const MapPart &p = t.Parts[0];
    auto *dc = qobject_cast<TDetalCtrl *>(s->Items()[0]);
    ASSERT_TRUE(dc);
    EXPECT_EQ(dc->geometry(), QRect(p.RealLeft, p.RealTop, p.RealWidth, p.RealHeight));
    EXPECT_EQ(s->HitTest(QPoint(p.RealLeft + 5, p.RealTop + 5)), (MapHit{MapItemKind::Detal, 0}));
    EXPECT_EQ(s->HintAt(QPoint(p.RealLeft + 5, p.RealTop + 5)), DetalHint(p));
    s->SetRatio(0.5);
    EXPECT_EQ(dc->geometry(), QRect(ToPixels(p.RealLeft, 0.5), ToPixels(p.RealTop, 0.5), ToPixels(p.RealWidth, 0.5),
                                    ToPixels(p.RealHeight, 0.5)));
    // A cut lies over whatever it crosses, while it is shown.
    s->SetRatio(1.0);
    ASSERT_FALSE(t.Cuts.empty());
    const MapCut &c = t.Cuts[0];
    const QPoint onCut(c.RealLeft + c.RealWidth / 2, c.RealTop + c.RealHeight / 2);
    w->SetMillLinesMode(1);
    EXPECT_EQ(s->HitTest(onCut), (MapHit{MapItemKind::MillLine, 0}));
    w->SetMillLinesMode(0);
    EXPECT_NE(s->HitTest(onCut).kind, MapItemKind::MillLine);
    EXPECT_EQ(s->HitTest(QPoint(-1, -1)), MapHit());
    // A cut's information gives its length, not the kerf.
    EXPECT_TRUE(s->HintOf({MapItemKind::MillLine, 0}).contains(QStringLiteral("Длина: %1 мм").arg(c.Length())));
}

TEST_F(ResultsWindow, ScaleStaysPositiveInATinyWindow)
{
    fill();
    w->show();
    w->resize(30, 30);
    QApplication::processEvents();
    w->FormResize();
    EXPECT_TRUE(std::isfinite(w->Scale()));
    EXPECT_GT(w->Scale(), 0);
}

TEST_F(ResultsWindow, CutLineModeFromSettingsFallsBackToZero)
{
    struct Case { int stored; int mode; const char *caption; };
    const Case cases[] = {{1, 1, "Резы: Рисовать"}, {2, 2, "Резы: Последний лист"}, {3, 0, "Резы: Не рисовать"},
                          {-4, 0, "Резы: Не рисовать"}};
    for (const Case &c : cases) {
        app.ini().WriteInteger("SheetParams", "MillState", c.stored);
        TFormSheets f(app.ctx);
        f.setAttribute(Qt::WA_DeleteOnClose, false);
        f.FormShow();
        EXPECT_EQ(f.Document().Display.MillLinesMode, c.mode) << c.stored;
        EXPECT_EQ(f.tbMillLines->text(), QString::fromUtf8(c.caption));
        EXPECT_TRUE(f.findChild<QAction *>(QStringLiteral("miMillLines%1").arg(c.mode))->isChecked());
    }
}

TEST_F(ResultsWindow, NavigatorShowsTheTabsOfOneMaterial)
{
    fill(2);
    w->show();
    w->FillMaterialsList();
    TgwOutlookList *nav = w->Navigator();
    ASSERT_EQ(nav->Items()->Count(), 3); // all, 7, 8
    EXPECT_EQ(nav->Items()->Item(0)->Tag, 999);
    w->SetMillLinesMode(2);
    w->OutlookListItemClick(nav, nav->Items()->Item(2));
    QTabWidget *pages = w->findChild<QTabWidget *>(QStringLiteral("PageControl"));
    int lastOf8 = -1;
    for (int i = 0; i < w->PageCount(); ++i) {
        const bool of8 = w->Document().Tabs[size_t(i)].MaterialCode == 8;
        EXPECT_EQ(pages->isTabVisible(i), of8);
        if (of8)
            lastOf8 = i;
    }
    for (int i = 0; i < w->PageCount(); ++i)
        for (const MapCut &c : w->Document().Tabs[size_t(i)].Cuts)
            EXPECT_EQ(c.Visible, i == lastOf8);
    // Totals follow the visible tabs.
    double parts8 = 0;
    for (const MapTab &t : w->Document().Tabs)
        if (t.MaterialCode == 8)
            parts8 += t.DetalsSquare * t.Quantity;
    EXPECT_DOUBLE_EQ(w->Document().SumDetalsSquare(), parts8);
}

// The statistics name the material as the navigator shows it: one the base
// does not know by its code, not by nothing.
TEST_F(ResultsWindow, StatisticsNameTheMaterialAsTheNavigatorShowsIt)
{
    fill(2);
    w->show();
    w->FillMaterialsList();
    TgwOutlookList *nav = w->Navigator();
    ASSERT_EQ(nav->Items()->Count(), 3);
    QStringList names;
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
        if (auto *f = qobject_cast<TfrmFullStat *>(&d)) names << f->lbMatName->text();
        return int(QDialog::Rejected);
    });
    for (int i : {0, 2}) {
        nav->Items()->Item(i)->SetSelected(true);
        w->OutlookListItemClick(nav, nav->Items()->Item(i));
        w->StatisticAction->trigger();
    }
    EXPECT_EQ(names, (QStringList{"<все материалы>", "8"}));
}

TEST_F(ResultsWindow, OffCutMenuRenamesAndSwitchesKind)
{
    fill();
    w->Document().Modified = false;
    int tab = -1, idx = -1;
    for (int t = 0; t < w->PageCount() && tab < 0; ++t)
        for (int i = 0; i < int(w->Document().Tabs[size_t(t)].Scraps.size()); ++i)
            if (w->Document().Tabs[size_t(t)].Scraps[size_t(i)].ScrapType == stNormalScrap) {
                tab = t, idx = i;
                break;
            }
    ASSERT_GE(tab, 0);
    QMenu *m = w->PreparePopup(tab, {MapItemKind::Scrap, idx});
    ASSERT_EQ(m, w->ppmScrap);
    QAction *change = m->findChild<QAction *>(QStringLiteral("miChangeScrapName"));
    QAction *normal = m->findChild<QAction *>(QStringLiteral("miScrapNormal"));
    EXPECT_TRUE(change->isVisible());
    EXPECT_TRUE(normal->isChecked());

    const auto hook = kv::test::ScopedSet(app.ui.onModal, [](QDialog &dialog) {
        auto &d = dynamic_cast<TfrmChangeScrapName &>(dialog);
        EXPECT_EQ(d.edScrapName->text(), QString());
        // Typed longer than the off-cut table holds: cut at 20.
        auto type = [&](const QString &text) {
            for (QChar c : text) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(d.edScrapName, &press);
            }
        };
        type(QStringLiteral("ОСТАТОК-КУХНЯ-2026-123456"));
        EXPECT_EQ(d.edScrapName->text(), QStringLiteral("ОСТАТОК-КУХНЯ-2026-1"));
        d.edScrapName->clear();
        type(QStringLiteral("ОСТ-77"));
        return int(QDialog::Accepted);
    });
    change->trigger();
    const MapScrap &s = w->Document().Tabs[size_t(tab)].Scraps[size_t(idx)];
    EXPECT_EQ(s.ScrapName, QStringLiteral("ОСТ-77"));
    EXPECT_EQ(s.Text, QStringLiteral("ОСТ-77"));
    EXPECT_TRUE(w->Document().Modified);

    const double total = w->Document().Tabs[size_t(tab)].TotalSquare;
    normal->trigger(); // usable -> waste
    EXPECT_EQ(s.ScrapType, stLostScrap);
    EXPECT_DOUBLE_EQ(w->Document().Tabs[size_t(tab)].TotalSquare, total);
    EXPECT_FALSE(w->PreparePopup(tab, {MapItemKind::Scrap, idx})
                     ->findChild<QAction *>(QStringLiteral("miChangeScrapName"))
                     ->isVisible());
    normal->trigger(); // back
    EXPECT_EQ(s.ScrapType, stNormalScrap);
    EXPECT_EQ(s.Text, QStringLiteral("ОСТ-77"));
    EXPECT_TRUE(w->Page(tab)->Bar4()->PanelText(2).startsWith(QStringLiteral("Остаток: ")));
}

TEST_F(ResultsWindow, ClosingAskToSaveAModifiedWindow)
{
    // A job that laid nothing out leaves a modified window without maps: it
    // closes without the question.
    {
        ASSERT_TRUE(w->Document().Modified);
        kv::test::ScopedAnswers none(app.ui);
        EXPECT_TRUE(w->CloseQuery());
        EXPECT_TRUE(none.shown().empty());
    }
    fill();
    struct Case { ModalResult answer; bool closes; int saves; };
    const Case cases[] = {{ModalResult::Cancel, false, 0}, {ModalResult::No, true, 0}, {ModalResult::Yes, true, 1}};
    const QString file = app.root() + "Maps/Заказ.map";
    app.ui.onFile = [&](const FileChoice &) { return file; };
    for (const Case &c : cases) {
        app.ui.files.clear();
        w->Document().Modified = true;
        kv::test::ScopedAnswers answers(app.ui, {c.answer});
        EXPECT_EQ(w->CloseQuery(), c.closes);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_TRUE(answers.shown()[0].text.contains(QStringLiteral("были изменеы")));
        EXPECT_EQ(int(app.ui.files.size()), c.saves);
        EXPECT_EQ(QFileInfo::exists(file), c.saves > 0);
    }
    w->Document().Modified = false;
    kv::test::ScopedAnswers none(app.ui);
    EXPECT_TRUE(w->CloseQuery());
    EXPECT_TRUE(none.shown().empty());
}

TEST_F(ResultsWindow, SwitchesReachTheControlsAndTheButtons)
{
    fill();
    w->SetShowBorders(true);
    w->SetShowScrapsText(true);
    EXPECT_TRUE(w->BorderAction->isChecked());
    EXPECT_TRUE(w->ScrapsAction->isChecked());
    for (const MapTab &t : w->Document().Tabs) {
        for (const MapPart &p : t.Parts)
            EXPECT_TRUE(p.ShowBorder);
        for (const MapScrap &s : t.Scraps)
            EXPECT_EQ(s.ShowText, s.ScrapType == stNormalScrap);
    }
    w->SetToolsEnabled(false);
    EXPECT_FALSE(w->SaveAction->isEnabled());
    EXPECT_FALSE(w->tbMillLines->isEnabled());
}

TEST_F(ResultsWindow, ElementColoursDialog)
{
    TfrmAdvResult d(app.ui);
    MapColors c;
    c.Sheet = 1, c.Detal = 2, c.Lost = 3, c.Scrap = 4, c.Mill = 5, c.Border = 99;
    d.SetColors(c);
    const auto hook = kv::test::ScopedSet(app.ui.onColor, [](QColor &col) {
        EXPECT_EQ(gw::fromQColor(col), 4); // preset to the swatch
        col = gw::toQColor(0x123456);
        return true;
    });
    d.ChangeElementColor(TfrmAdvResult::Scrap);
    MapColors back;
    back.Border = 77;
    d.GetColors(back);
    EXPECT_EQ(back.Scrap, 0x123456u);
    EXPECT_EQ(back.Sheet, 1u);
    EXPECT_EQ(back.Mill, 5u);
    EXPECT_EQ(back.Border, 77u);
}

// A picture of a results window for the eye: edge marks, off-cut labels, cuts.
TEST_F(ResultsWindow, Screenshot)
{
    app.ini().WriteInteger("SheetParams", "FontSize", 8);
    app.ini().WriteString("SheetParams", "FontName", "Liberation Sans");
    TScrapSettings limits; // strips narrower than 150 mm are waste
    limits.CheckLength = limits.CheckHeight = true;
    limits.Length = limits.Height = 150;
    PackScrapSettings(app.ini(), MaterialSection(7), limits);
    w->show();
    fill();
    for (MapTab &t : w->Document().Tabs)
        for (MapPart &p : t.Parts) {
            p.LeftBorderColor = p.RightBorderColor = 0x00A000;
            p.TopBorderColor = p.BottomBorderColor = 0xC000C0;
        }
    w->SetShowBorders(true);
    w->SetShowScrapsText(true);
    w->SetMillLinesMode(1);
    w->resize(1000, 760);
    QApplication::processEvents();
    w->FormResize();
    const QImage img = w->grab().toImage();
    EXPECT_FALSE(img.isNull());
    EXPECT_TRUE(w->ProgressBar()->isHidden() || !w->ProgressBar()->isVisible());
    if (const QByteArray dir = qgetenv("KV_SCREENSHOT_DIR"); !dir.isEmpty())
        img.save(QString::fromLocal8Bit(dir) + "/results_window.png");
}

} // namespace

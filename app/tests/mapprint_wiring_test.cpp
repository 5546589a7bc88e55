// Printing of cutting maps as the program wires it: the results window's
// print action through the print settings dialog to the built report of
// "Reports\RskMaps.rpf", and the main window's drawing styles and page
// margins commands.
#include "app/results/formsheets.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "app/tests/scopedprinter.h"
#include "controls/spinedit.h"
#include "data/paths.h"
#include "engine/raskroy.h"
#include "platform/ini.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"
#include "print/flows/maproad.h"
#include "print/flows/pageform.h"
#include "print/flows/printsetup.h"
#include "print/flows/printsetupadv.h"
#include "report/building/report.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;
using namespace kv::engine;

namespace {

class MapPrintWiring : public ::testing::Test
{
protected:
    const kv::test::ScopedEnginePrinter keepPrinter;
    QTemporaryDir tmp;
    test::FakeUi ui;
    std::unique_ptr<TMainForm> form;
    std::vector<int> pages;

    void SetUp() override
    {
        PrepareProgramFolder(tmp.path());
        form = std::make_unique<TMainForm>(Paths(tmp.path()), ui);
        form->CreateDataModule();
        WireShell(*form);
        {
            test::ScopedAnswers quiet(ui);
            form->show();
        }
        ui.onReports<TrpReport>([this](TrpReport &r) {
            if (!r.Prepare()) return false;
            pages.push_back(r.EMFPages().Count());
            return true;
        });
    }
    void TearDown() override
    {
        for (TMdiChild *c : form->Children()) c->SetShuttingDown();
        form.reset();
    }

    // Two materials' maps in one window.
    TFormSheets *jobWindow()
    {
        auto *w = qobject_cast<TFormSheets *>(form->CreateResultsWindow(false));
        int32_t n = 0;
        for (int material : {7, 12}) {
            TRaskroy e;
            e.ResetRaskroy();
            e.P.StdSheetLength = 2800;
            e.P.StdSheetWidth = 2070;
            e.Detals.Add("Бок", 720, 560, material == 7 ? 12 : 2, 1);
            e.Detals.Add("Полка", 560, 280, 5, 0);
            TDetal &f = e.Detals.Add("Фасад", 716, 396, 3, 2);
            f.LBorder = f.TBorder = 1;
            e.RaskroyFromStock();
            for (int i = 0; i < 10 && !e.Detals.NothingLeft(); ++i) {
                e.RaskroyNextSheet();
                if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp) break;
            }
            for (int i = 0; i < e.ResultMaps.Count(); ++i) {
                const TSheetsList &m = *e.ResultMaps.Items(i);
                w->AddMapTab(MapCaption(w->TabCount(), n, m.Quantity, QString::fromStdString(m.Name)), material, m,
                             e.Detals, 4, QString());
                n += m.Quantity;
            }
        }
        w->SetJobMaterials({7, 12});
        w->EndRun();
        return w;
    }
};

} // namespace

TEST_F(MapPrintWiring, ThePrintActionBuildsOnePagePerShownMap)
{
    TFormSheets *w = jobWindow();
    ASSERT_NE(w, nullptr);
    w->ShowMaterial(7);
    int shown = 0;
    for (const MapTab &t : w->Document().Tabs) shown += t.Visible;
    ASSERT_GT(shown, 0);
    ASSERT_LT(shown, w->TabCount());
    QStringList titles;
    const auto answer = test::ScopedSet(ui.onModal, [&](QDialog &d) {
        titles << d.windowTitle();
        if (auto *s = qobject_cast<TfrmPrintSetup *>(&d)) s->bbOkClick();
        return d.result();
    });
    test::ScopedAnswers messages(ui);
    w->PrintAction->trigger();
    for (const ShownMessage &m : messages.shown()) ADD_FAILURE() << m.text.toStdString();
    EXPECT_EQ(titles, QStringList{QStringLiteral("Параметры печати раскроя")});
    EXPECT_EQ(pages, std::vector<int>{shown});

    // "Текущая" prints the active map alone; a cancelled dialog prints nothing.
    const auto current = test::ScopedSet(ui.onModal, [&](QDialog &d) {
        if (auto *s = qobject_cast<TfrmPrintSetup *>(&d)) {
            s->rbCurrentPage->click();
            s->bbOkClick();
        }
        return d.result();
    });
    w->PrintAction->trigger();
    EXPECT_EQ(pages.back(), 1);
    const auto cancel = test::ScopedSet(ui.onModal, [&](QDialog &d) {
        d.reject();
        return d.result();
    });
    const size_t before = pages.size();
    w->PrintAction->trigger();
    EXPECT_EQ(pages.size(), before);
}

TEST_F(MapPrintWiring, MainWindowStylesAndMarginsCommands)
{
    QStringList shown;
    const auto answer = test::ScopedSet(ui.onModal, [&](QDialog &d) {
        shown << d.metaObject()->className();
        if (auto *p = qobject_cast<TPageForm *>(&d)) {
            p->LeftFld->setText(QStringLiteral("15"));
            p->BBOk->click();
        } else {
            d.findChild<QPushButton *>(QStringLiteral("bbOk"))->click();
        }
        return d.result();
    });
    form->Action(QStringLiteral("MapsPrintSetupAction"))->trigger();
    form->Action(QStringLiteral("PageSetupAction"))->trigger();
    EXPECT_EQ(shown, (QStringList{"TfrmPrintSetupAdv", "TPageForm"}));
    TIniFile &ini = form->Settings().Ini();
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("PrnSetupAdv")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("PageParams"), QStringLiteral("Left"), 0), 15);
}

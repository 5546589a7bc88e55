// The main window's materials, edge-banding and minimum-stock commands open
// their windows and reach the services made at start.
#include "app/materials/borderssetup.h"
#include "app/materials/matbasechange.h"
#include "app/materials/materialsform.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "app/stock/minsheets.h"
#include <QPlainTextEdit>
#include "app/stock/warehouse.h"
#include "controls/dbgrid.h"
#include "widgets/outlooklist.h"
#include "data/datamodule.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/stock/minsheets.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"
#include "platform/testsupport/scoped.h"

#include <QAction>
#include <QKeyEvent>
#include <QTest>
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kv;

namespace {

struct WiredShell
{
    QTemporaryDir tmp;
    test::FakeUi ui;
    std::unique_ptr<TMainForm> form;
    WiredShell()
    {
        PrepareProgramFolder(tmp.path());
        form = std::make_unique<TMainForm>(Paths(tmp.path()), ui);
        WireShell(*form);
        form->CreateDataModule();
    }
    // Triggers the command and names the class of the modal window it
    // opened; the window is closed with Cancel.
    QString modalOf(const char *action)
    {
        QString name;
        const auto answer = test::ScopedSet(ui.onModal, [&](QDialog &d) {
            name = QString::fromLatin1(d.metaObject()->className());
            return int(QDialog::Rejected);
        });
        form->Action(QString::fromLatin1(action))->trigger();
        return name;
    }
};

} // namespace

TEST(MaterialsWiring, CommandsOpenTheirWindows)
{
    WiredShell s;
    AppContext &ctx = s.form->Context();
    ASSERT_TRUE(ctx.hasMaterials());
    ASSERT_TRUE(ctx.hasBorders());
    EXPECT_EQ(s.modalOf("MaterialsAction"), "TMaterialsForm");
    EXPECT_EQ(s.modalOf("BordersAction"), "TfrmBordersSetup");
    EXPECT_EQ(s.modalOf("SwitchMaterialsAction"), "TfrmMatBaseChange");
}

TEST(MaterialsWiring, SheetCheckAndLookUpsOfTheMainWindow)
{
    WiredShell s;
    AppContext &ctx = s.form->Context();
    Query::Exec("Insert into " + Query::QuotePath(ctx.paths().OwnMaterialsTable()) + " Values(?, ?)", {"ДСП", 1});
    SetMinSheets(ctx.settings(), 1, 3);
    s.form->Module()->tblSheets->AppendRecord({2750, 1830, 1, 1});
    QStringList shown;
    const auto hook = kv::test::ScopedSet(s.ui.onModal, [&](QDialog &d) {
        if (auto *f = qobject_cast<TfrmMinStdSheets *>(&d)) shown << f->mmSheets->toPlainText();
        return int(QDialog::Accepted);
    });
    s.form->hooks.checkMinimum(*s.form, false);   // at first show and at close
    s.form->CheckStdSheetsStock(true);
    EXPECT_EQ(shown, QStringList(2, "ДСП\nЛист 2750 x 1830, 1 шт. (из 3)\n"));

    // The edge-banding lists the other windows read.
    Query::Exec("Insert into " + Query::QuotePath(ctx.paths().BordersTable()) + " Values(7, 'ПВХ', 255, 2)");
    s.form->LoadBorders();
    EXPECT_EQ(ctx.borders().GetBorderName(7), "ПВХ");
    // The main window's names reach the same services.
    EXPECT_EQ(s.form->GetBorderPripusk(7), 2);
    EXPECT_EQ(s.form->GetMaterialName(1), "ДСП");
}

TEST(MaterialsWiring, AMaterialAddedInItsWindowReachesTheNavigators)
{
    WiredShell s;
    AppContext &ctx = s.form->Context();
    TMdiChild *warehouse = s.form->hooks.warehouseWindow(ctx);
    ASSERT_NE(warehouse, nullptr);
    auto *navigator = warehouse->findChild<TgwOutlookList *>("olMaterials");
    ASSERT_NE(navigator, nullptr);
    auto texts = [&] {
        QStringList out;
        for (int i = 0; i < navigator->Items()->Count(); ++i) out << navigator->Items()->Item(i)->Text();
        return out;
    };
    EXPECT_FALSE(texts().contains("Фанера ФК"));

    TMaterialsForm f(ctx, s.form.get());
    f.show();
    TExDBGrid *grid = f.grdMaterials;
    for (QChar c : QString("Фанера ФК")) {
        QWidget *target = grid->InplaceEditor() && grid->InplaceEditor()->isVisible() ? grid->InplaceEditor() : grid;
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
    f.OkAction->trigger();

    EXPECT_EQ(ctx.materials().GetMaterialName(1), "Фанера ФК");
    EXPECT_TRUE(texts().contains("Фанера ФК"));   // refreshed through the main window
    delete warehouse;
}

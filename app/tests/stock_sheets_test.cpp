// The minimum-stock dialog and check, the standard-sheet chooser and the
// used-up sheets dialog behind the run driver's dialogs.
#include "app/common/detalnames.h"
#include "app/stock/minsheets.h"
#include "app/stock/selectsheets.h"
#include "app/tests/appfixture.h"
#include "controls/dbgrid.h"
#include "data/materials/materials.h"
#include "data/stock/minsheets.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "controls/spinedit.h"
#include "platform/testsupport/scoped.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <QTest>

#include <gtest/gtest.h>

using namespace kv;

namespace {

struct StockApp
{
    AppFixture app{true};
    MaterialsService mats{app.paths, *app.settings, app.ui, app.module.get()};

    StockApp() { app.ctx.setMaterials(&mats); }
    void material(int code, const QString &name, int minimum)
    {
        Query::Exec("Insert into " + Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)", {name, code});
        SetMinSheets(*app.settings, code, minimum);
    }
    // Written as a run leaves the stock: sheets used up keep their row with 0.
    void sheet(int code, int length, int width, int many)
    {
        Query::Exec("Insert into " + Query::QuotePath(app.paths.TempSheetsTable()) + " Values(?, ?, ?, ?)",
                    {length, width, many, code});
        app.module->tblSheets->Refresh();
    }
};

} // namespace

TEST(MinSheetsQuantity, OpensOnTheMaterialAndWritesEverySelectedRow)
{
    StockApp s;
    s.material(1, "ДСП", 3);
    s.material(2, "МДФ", 0);
    s.material(3, "ДВП", 1);
    TfrmMinSheetsQuantity f(s.app.ctx);
    ASSERT_TRUE(f.IsReady());
    EXPECT_TRUE(f.GotoMaterial(2));
    EXPECT_EQ(f.tblQuantity->FieldByName("Name")->AsString(), "МДФ");
    EXPECT_FALSE(f.GotoMaterial(42));
    f.show();

    // Two rows selected: one number for both, asked from 0.
    auto &sel = f.grdQuantity->SelectedRows();
    f.GotoMaterial(1);
    sel.SetCurrentRowSelected(true);
    f.GotoMaterial(3);
    sel.SetCurrentRowSelected(true);
    int asked = -1;
    {
        const auto answer = kv::test::ScopedSet(s.app.ui.onModal, kv::test::AsShown([&](QDialog &d) {
            EXPECT_EQ(d.windowTitle(), "Количество листов");
            auto *quantity = d.findChild<TExSpinEdit *>("seQuantity");
            asked = int(quantity->Value());
            quantity->setValue(6);
            d.findChild<QPushButton *>("bbOk")->click();
        }));
        f.QuantityActionExecute();
    }
    EXPECT_EQ(asked, 0);
    f.grab().save(QDir::temp().filePath("korvalt-minsheets.png"));

    // Rows are never added here.
    EXPECT_THROW(f.tblQuantity->Append(), Error);
    f.bbOkClick();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(GetMinSheets(*s.app.settings, 1), 6);
    EXPECT_EQ(GetMinSheets(*s.app.settings, 2), 0);
    EXPECT_EQ(GetMinSheets(*s.app.settings, 3), 6);
}

// A settings file from an earlier installation keeps its grids' widths: read
// from the grids' own sections and written back to the same ones.
TEST(GridLayouts, AnExistingSettingsFileKeepsItsColumnWidths)
{
    StockApp s;
    s.material(1, "ДСП", 3);
    kv::TIniFile &ini = s.app.ini();
    ini.WriteString("TfrmDetalNamesGrid", "Item0", "14");
    ini.WriteString("TfrmDetalNamesGrid", "Item1", "250");
    ini.WriteString("TfrmMinSheetsQuantityGrid", "Grid.Material", "0,40");
    ini.WriteString("TfrmMinSheetsQuantityGrid", "Grid.Name", "1,222");
    ini.WriteString("TfrmMinSheetsQuantityGrid", "Grid.Quantity", "2,65");
    {
        TfrmDetalNames names(s.app.ui, ini);
        TExDBGrid *grid = names.dbgNames();
        EXPECT_EQ(grid->verticalHeader()->width(), 14);   // the indicator column
        EXPECT_EQ(grid->columnWidth(0), 250);
        grid->setColumnWidth(0, 260);
    }
    EXPECT_EQ(ini.ReadString("TfrmDetalNamesGrid", "Item0", ""), "14");
    EXPECT_EQ(ini.ReadString("TfrmDetalNamesGrid", "Item1", ""), "260");
    {
        TfrmMinSheetsQuantity f(s.app.ctx);
        ASSERT_TRUE(f.IsReady());
        const int widths[] = {40, 222, 65};
        for (int i = 0; i < 3; ++i) EXPECT_EQ(f.grdQuantity->Columns(i)->Width(), widths[i]) << i;
        f.grdQuantity->Columns(2)->SetWidth(90);
        f.bbOkClick();
    }
    EXPECT_EQ(ini.ReadString("TfrmMinSheetsQuantityGrid", "Grid.Name", ""), "1,222");
    EXPECT_EQ(ini.ReadString("TfrmMinSheetsQuantityGrid", "Grid.Quantity", ""), "2,90");
    for (const char *old : {"TfrmDetalNamesdbgNames", "TfrmMinSheetsQuantity"}) {
        EXPECT_FALSE(ini.SectionExists(old)) << old;
    }
}

TEST(MinSheetsCheck, ListsShortSheetsOrSaysThereAreEnough)
{
    StockApp s;
    s.material(1, "ДСП", 5);
    s.sheet(1, 2750, 1830, 2);
    s.sheet(1, 2750, 1830, 4);   // with the row above: 6, enough
    s.sheet(1, 2440, 1220, 1);
    QStringList shown;
    const auto hook = kv::test::ScopedSet(s.app.ui.onModal, [&](QDialog &d) {
        if (auto *w = qobject_cast<TfrmMinStdSheets *>(&d)) shown << w->mmSheets->toPlainText();
        return int(QDialog::Accepted);
    });
    {
        kv::test::ScopedAnswers answers(s.app.ui);
        EXPECT_TRUE(CheckStdSheetsStock(s.app.ctx, true));
        EXPECT_TRUE(answers.shown().empty());
    }
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], "ДСП\nЛист 2440 x 1220, 1 шт. (из 5)\n");

    SetMinSheets(*s.app.settings, 1, 1);
    {
        kv::test::ScopedAnswers answers(s.app.ui);
        EXPECT_FALSE(CheckStdSheetsStock(s.app.ctx, false));   // quiet at start and close
        EXPECT_TRUE(answers.shown().empty());
        EXPECT_FALSE(CheckStdSheetsStock(s.app.ctx, true));
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "Стандартных листов на складе достаточно!");
    }

    TfrmMinStdSheets w("ДСП\nЛист 2440 x 1220, 1 шт. (из 5)\n");
    w.grab().save(QDir::temp().filePath("korvalt-minstd.png"));
}

TEST(SelectSheets, EmptyBaseIsReportedAndARowIsChosen)
{
    StockApp s;
    s.material(1, "ДСП", 0);
    s.sheet(1, 2750, 1830, 0);
    s.sheet(1, 2440, 1220, 0);
    s.sheet(2, 2800, 2070, 9);
    TFormSelectSheets f(s.app.ctx);
    f.Prepare(1);
    f.show();
    EXPECT_EQ(f.lblMaterial->text(), "ДСП");
    EXPECT_EQ(s.app.module->tblSheets2->RecordCount(), 0);   // all Many 0: empty grid
    {
        kv::test::ScopedAnswers answers(s.app.ui);
        f.BBOkClick();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "Выбрать стандартный лист невозможно.\rБаза листов материала <ДСП> пустая.");
        EXPECT_TRUE(f.isVisible());
    }
    f.reject();

    s.sheet(1, 2440, 1830, 7);
    TRaskroyDialogs dialogs(s.app.ctx, nullptr);
    const auto hook = kv::test::ScopedSet(s.app.ui.onModal, [](QDialog &d) {
        auto &form = dynamic_cast<TFormSelectSheets &>(d);
        form.show();
        form.grab().save(QDir::temp().filePath("korvalt-selectsheets.png"));
        form.BBOkClick();
        return form.result();
    });
    engine::TChosenSheet chosen;
    EXPECT_TRUE(dialogs.chooseStdSheet(1, chosen));
    EXPECT_EQ(chosen.Length, 2440);
    EXPECT_EQ(chosen.Width, 1830);
    EXPECT_EQ(chosen.Quantity, 7);
    EXPECT_EQ(s.app.settings->Ini().ReadInteger("SelectSheet", "ColWidth0", 0), 120);

    // Enter in the grid chooses its current row, as "Да" does.
    s.sheet(1, 2800, 2070, 3);
    const auto enter = kv::test::ScopedSet(s.app.ui.onModal, [](QDialog &d) {
        auto &form = dynamic_cast<TFormSelectSheets &>(d);
        form.show();
        form.grdSheets->setFocus();
        form.grdSheets->DataSet()->Last();
        QTest::keyClick(form.grdSheets, Qt::Key_Return);
        return form.result();
    });
    EXPECT_TRUE(dialogs.chooseStdSheet(1, chosen));
    EXPECT_EQ(chosen.Length, 2800);
    EXPECT_EQ(chosen.Quantity, 3);

    // Unknown material: the label says so.
    f.Prepare(5);
    f.FormShow();
    EXPECT_EQ(f.lblMaterial->text(), "<нет данных>");
}

TEST(SheetsError, StartsOnEndAndKeepsTheChoice)
{
    TfrmSheetsError f;
    EXPECT_EQ(f.ItemIndex(), 0);
    EXPECT_EQ(f.lblMessage->text(), "На складе закончились стандартные листы .");
    f.SetItemIndex(2);
    f.show();
    f.bbNext->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.ItemIndex(), 2);
    f.grab().save(QDir::temp().filePath("korvalt-sheetserror.png"));
}

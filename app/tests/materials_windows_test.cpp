// The materials windows: the materials base window, the base switch, the
// choosers and the edge-banding dialog, driven offscreen by object names.
#include "app/materials/borderssetup.h"
#include "app/materials/findmaterial.h"
#include "app/materials/matbasechange.h"
#include "app/materials/materialsform.h"
#include "app/materials/selectmaterial.h"
#include "app/tests/appfixture.h"
#include "controls/dateedit.h"
#include "controls/dbgrid.h"
#include "controls/lookuplist.h"
#include "controls/spinedit.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/testsupport/scoped.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace kv;

namespace {

// The fixture with the two look-up services in the context.
struct MaterialsApp
{
    AppFixture app;
    MaterialsService mats{app.paths, *app.settings, app.ui, app.module.get()};
    BordersService borders{app.paths, *app.settings};

    MaterialsApp()
    {
        app.ctx.setMaterials(&mats);
        app.ctx.setBorders(&borders);
    }
    void addOwn(int code, const QString &name)
    {
        Query::Exec("Insert into " + Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)", {name, code});
    }
    QString writeListMat(const QString &folder, const QStringList &lines)
    {
        QDir().mkpath(folder);
        QFile f(folder + "/ListMat.ini");
        f.open(QIODevice::WriteOnly);
        f.write(toCp1251("[Materials]\r\n" + lines.join("\r\n") + "\r\n"));
        return f.fileName();
    }
};

// Typed characters, Cyrillic too (QTest's key clicks take ASCII only): the
// first opens the grid's editor, the rest go into it.
QWidget *typingTarget(TExDBGrid *grid)
{
    return grid->InplaceEditor() && grid->InplaceEditor()->isVisible() ? grid->InplaceEditor() : grid;
}

void typeText(TExDBGrid *grid, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(typingTarget(grid), &press);
    }
}

template <class T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

} // namespace

TEST(MaterialsWindow, AddsAMaterialThatTheLookUpsAndNavigatorsThenKnow)
{
    MaterialsApp m;
    m.addOwn(4, "ДВП");
    QSignalSpy changed(&m.mats, &MaterialsService::MaterialsChanged);

    TMaterialsForm f(m.app.ctx);
    f.show();
    EXPECT_EQ(f.windowTitle(), "Материалы");
    EXPECT_FALSE(child<QLabel>(&f, "lblExternal")->isVisible());
    auto *grid = child<TExDBGrid>(&f, "grdMaterials");
    ASSERT_EQ(grid->ColumnCount(), 1);   // the code stays hidden
    EXPECT_EQ(grid->Columns(0)->Caption(), "Материал");
    EXPECT_EQ(grid->Columns(0)->Width(), 120);

    // A new row typed into the grid gets the next code.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    typeText(grid, "ЛДСП Бук, 16");
    QTest::keyClick(typingTarget(grid), Qt::Key_Return);
    f.grab().save(QDir::temp().filePath("korvalt-materials.png"));
    child<QAction>(&f, "OkAction")->trigger();
    EXPECT_EQ(f.result(), QDialog::Accepted);

    EXPECT_EQ(m.mats.GetMaterialName(5), "ЛДСП Бук, 16");
    QStringList names, codes;
    m.mats.LoadMaterialsLists(names, codes, true);
    EXPECT_EQ(names, QStringList({"<все материалы>", "ДВП", "ЛДСП Бук, 16"}));
    EXPECT_GE(changed.count(), 1);   // navigators refresh on this
    EXPECT_FALSE(QFile::exists(m.app.paths.TempTypesTable()));
    EXPECT_EQ(m.app.settings->Get(key::MaterialsColWidth), 120);
}

TEST(MaterialsWindow, ExternalBaseIsShownReadOnly)
{
    MaterialsApp m;
    const QString folder = m.app.root() + "Inbase";
    m.writeListMat(folder, {"5=Фанера"});
    m.app.settings->Set(key::BaseType, 1);
    m.app.settings->Set(key::BasePath, folder);
    ASSERT_TRUE(m.mats.ConnectMaterialsBase());

    TMaterialsForm f(m.app.ctx);
    f.show();
    EXPECT_EQ(f.windowTitle(), "Материалы (внешняя база)");
    EXPECT_TRUE(child<QLabel>(&f, "lblExternal")->isVisible());
    EXPECT_FALSE(child<QAction>(&f, "SaveAction")->isEnabled());
    EXPECT_TRUE(child<TExDBGrid>(&f, "grdMaterials")->ReadOnly());
    child<QAction>(&f, "OkAction")->trigger();
    EXPECT_EQ(m.mats.GetMaterialName(5), "Фанера");
}

TEST(MatBaseChange, ProposesTheSiblingFolderAndChecksTheListOnOk)
{
    MaterialsApp m;
    Registry::SetStoreFile(m.app.root() + "registry.ini");
    Registry::WriteString(HKEY_LOCAL_MACHINE_NAME, TfrmMatBaseChange::kSiblingKey, "ProgPath", "/opt/drumvel");
    {
        TfrmMatBaseChange f(m.app.ctx);
        EXPECT_TRUE(child<QRadioButton>(&f, "rbLocalBase")->isChecked());
        EXPECT_EQ(child<QLineEdit>(&f, "cedPath")->text(), "/opt/drumvel/Inbase/");
        EXPECT_FALSE(child<QLineEdit>(&f, "cedPath")->isEnabled());
        EXPECT_FALSE(child<TComboEdit>(&f, "cedPath")->DirectInput());   // the button alone sets it

        // An external base without its list: the error, and the dialog stays.
        child<QRadioButton>(&f, "rbExternalBase")->setChecked(true);
        EXPECT_TRUE(child<QLineEdit>(&f, "cedPath")->isEnabled());
        kv::test::ScopedAnswers answers(m.app.ui);
        f.bbOkClick();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "По указанному пути база материалов не найдена!");
        EXPECT_EQ(f.result(), 0);
        EXPECT_EQ(m.app.settings->Get(key::BaseType), 0);

        // Browse: a folder without the list is refused and the chooser opens again.
        const QString good = m.app.root() + "Ext";
        m.writeListMat(good, {"3=Плита"});
        QStringList offered = {m.app.root(), good};
        const auto hook = kv::test::ScopedSet(m.app.ui.onFolder, [&](const QString &, const QString &, QString &folder) {
            if (offered.isEmpty()) return false;
            folder = offered.takeFirst();
            return true;
        });
        child<TComboEdit>(&f, "cedPath")->Button()->Click();
        EXPECT_TRUE(offered.isEmpty());
        EXPECT_EQ(child<QLineEdit>(&f, "cedPath")->text(), good);
        f.bbOkClick();
        EXPECT_EQ(f.result(), QDialog::Accepted);
    }
    EXPECT_EQ(m.app.settings->Get(key::BaseType), 1);
    EXPECT_EQ(m.app.settings->Get(key::BasePath), m.app.root() + "Ext");
    Registry::SetStoreFile(QString());

    // The menu command connects the chosen base and refreshes the views.
    ASSERT_TRUE(m.mats.ConnectMaterialsBase());
    EXPECT_EQ(m.mats.GetMaterialName(3), "Плита");
}

TEST(FindMaterial, TypedTextSelectsByTheLongestPrefix)
{
    TfrmFindMaterial f;
    f.SetEntries({{999, "<все материалы>"}, {1, "ДСП БЕЛЫЙ"}, {2, "MDF white"}, {3, "Mdf black"}}, 2);
    EXPECT_EQ(f.SelectedIndex(), 2);
    EXPECT_TRUE(child<QLineEdit>(&f, "edMaterial")->text().isEmpty());
    struct Case { const char *typed; int expected; };
    for (const Case &c : {Case{"mdf b", 3}, Case{"дсп", 0}, Case{"ДСП", 1}, Case{"MDF q", 2}}) {
        child<QLineEdit>(&f, "edMaterial")->setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(f.SelectedIndex(), c.expected) << c.typed;
    }
    f.show();
    QTest::keyClick(child<QLineEdit>(&f, "edMaterial"), Qt::Key_Return);
    EXPECT_EQ(f.result(), QDialog::Accepted);
}

TEST(SelectMaterial, ChoosersPreselectAndKeepTheirColumns)
{
    MaterialsApp m;
    m.addOwn(1, "ДСП");
    m.addOwn(2, "МДФ");
    {
        TfrmSelectMaterial f(m.app.ctx);
        ASSERT_TRUE(f.Prepare(2, "МДФ (текущий)"));
        EXPECT_EQ(child<QLabel>(&f, "lblCurrent")->text(), "МДФ (текущий)");
        EXPECT_EQ(f.SelectedCode(), 2);
        EXPECT_TRUE(child<QAction>(&f, "ReplaceAction")->isEnabled());
        child<TExDBLookupList>(&f, "dblMaterials")->SetLookupValue(QString());
        EXPECT_FALSE(child<QAction>(&f, "ReplaceAction")->isEnabled());
    }
    {
        TfrmSelectMaterialDlg f(m.app.ctx);
        f.Prepare(1);
        EXPECT_EQ(child<QListWidget>(&f, "lbxMaterials")->count(), 2);   // no all-materials entry
        EXPECT_EQ(f.SelectedCode(), 1);
        child<TExSpinEdit>(&f, "seColumns")->setValue(3);
        // Each column takes its share of the list as it is shown, names unclipped.
        auto *list = child<QListWidget>(&f, "lbxMaterials");
        f.resize(420, 300);
        f.show();
        EXPECT_EQ(list->gridSize().width(), list->viewport()->width() / 3);
        f.Prepare(7);
        EXPECT_EQ(f.SelectedCode(), -1);
    }
    EXPECT_EQ(m.app.settings->Get(key::SelMatDlgColumns), 3);
}

// The substitute chooser finds a material as its name is typed: letters typed
// within two seconds of each other make one search text, a longer pause
// starts a new one.
TEST(SelectMaterial, TypedLettersWithinTwoSecondsSearchTogether)
{
    struct Case
    {
        qint64 gapMs;
        const char *found;
        int code;
    };
    const Case cases[] = {
        {400, "ДСП бук", 2},    // at once
        {1000, "ДСП бук", 2},   // a second later: still one word
        {2000, "ДСП бук", 2},
        {2001, "Сосна", 4},     // a pause: "С" alone
        {5000, "Сосна", 4},
    };
    MaterialsApp m;
    m.addOwn(1, "ДВП");
    m.addOwn(2, "ДСП бук");
    m.addOwn(3, "МДФ");
    m.addOwn(4, "Сосна");
    qint64 now = 1000000;
    TExLookupControl::SetSearchClock([&now] { return now; });
    for (const Case &c : cases) {
        TfrmSelectMaterial f(m.app.ctx);
        ASSERT_TRUE(f.Prepare(3, "МДФ"));
        f.show();
        auto *list = child<TExDBLookupList>(&f, "dblMaterials");
        list->setFocus();
        now += 10000;   // the last letter of the case before is long gone
        for (const char *letter : {"Д", "С"}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8(letter));
            QApplication::sendEvent(list, &press);
            now += c.gapMs;
        }
        EXPECT_EQ(list->DisplayText(), QString::fromUtf8(c.found)) << c.gapMs;
        EXPECT_TRUE(child<QAction>(&f, "ReplaceAction")->isEnabled()) << c.gapMs;
        child<QAction>(&f, "ReplaceAction")->trigger();
        EXPECT_EQ(f.result(), QDialog::Accepted);
        EXPECT_EQ(f.SelectedCode(), c.code) << c.gapMs;
    }
    TExLookupControl::SetSearchClock(nullptr);
}

// A code the base does not hold is no choice: nothing preselected, nothing to confirm.
TEST(SelectMaterial, AnUnknownCodeSelectsNothing)
{
    MaterialsApp m;
    m.addOwn(1, "ДСП");
    TfrmSelectMaterial f(m.app.ctx);
    ASSERT_TRUE(f.Prepare(0, "<не определен>"));
    EXPECT_EQ(f.SelectedCode(), -1);
    EXPECT_FALSE(child<QAction>(&f, "ReplaceAction")->isEnabled());
}

TEST(BordersSetup, CodesAreCheckedAndSavingReloadsTheLists)
{
    MaterialsApp m;
    for (int c : {1, 2, 4})
        Query::Exec("Insert into " + Query::QuotePath(m.app.paths.BordersTable()) + " Values(?, ?, 0, 0)",
                    {c, QString("К%1").arg(c)});
    m.borders.LoadBorders();
    TfrmBordersSetup f(m.app.ctx);
    f.show();
    EXPECT_EQ(f.CodeList(), QList<int>({1, 2, 4}));
    EXPECT_FALSE(f.Modified());

    Table *t = f.tblBorders;
    t->Append();
    EXPECT_EQ(t->FieldByName("CODE")->AsInteger(), 3);
    EXPECT_TRUE(f.Modified());
    t->FieldByName("NAME")->SetAsString("ПВХ");
    t->FieldByName("PRIPUSK")->SetAsFloat(20);
    // Typed codes: refused with the message, the value kept.
    struct Typed { const char *text; const char *message; };
    for (const Typed &c : {Typed{"x", bordertext::NotInteger}, Typed{"4", bordertext::InUse},
                           Typed{"-2", bordertext::OutOfRange}, Typed{"0", bordertext::OutOfRange}}) {
        try {
            t->FieldByName("CODE")->SetText(c.text);
            ADD_FAILURE() << c.text;
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
        EXPECT_EQ(t->FieldByName("CODE")->AsInteger(), 3);
    }
    t->Post();
    EXPECT_EQ(f.CodeList().size(), 4);

    // Colour through the chooser.
    // 0x00FF00 in the program's 0x00BBGGRR colours.
    const auto hook = kv::test::ScopedSet(m.app.ui.onColor, [](QColor &c) {
        c = QColor(0, 255, 0);
        return true;
    });
    f.ColorActionExecute();
    f.grab().save(QDir::temp().filePath("korvalt-borders.png"));

    f.OkActionExecute();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(m.borders.GetBorderName(3), "ПВХ");
    EXPECT_EQ(m.borders.GetBorderPripusk(3), 20);
    EXPECT_EQ(m.borders.GetBorderColor(3, 0), 0x00FF00u);
}

TEST(BordersSetup, ClosingWithChangesAsks)
{
    MaterialsApp m;
    TfrmBordersSetup f(m.app.ctx);
    f.show();
    f.tblBorders->Append();
    f.tblBorders->FieldByName("NAME")->SetAsString("Новая");
    f.tblBorders->Post();
    {
        kv::test::ScopedAnswers answers(m.app.ui, {ModalResult::Cancel});
        f.CancelActionExecute();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "Сохранить изменения в базе кромок?");
        EXPECT_TRUE(f.isVisible());
    }
    {
        kv::test::ScopedAnswers answers(m.app.ui, {ModalResult::No});
        f.CancelActionExecute();
        EXPECT_FALSE(f.isVisible());
    }
    m.borders.LoadBorders();
    EXPECT_EQ(m.borders.Codes(), QStringList({"0"}));   // discarded
}

// The warehouse window and its dialogs, driven offscreen.
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "app/stock/statesview.h"
#include "app/stock/stockdialogs.h"
#include "app/materials/findmaterial.h"
#include "app/stock/warehouse.h"
#include "app/tests/appfixture.h"
#include "app/tests/roadsupport.h"
#include "controls/calendar.h"
#include "controls/dbgrid.h"
#include "controls/dateedit.h"
#include "controls/spinedit.h"
#include "data/materials/materials.h"
#include "data/stock/whstates.h"
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/ui.h"
#include "widgets/bitbtn.h"
#include "platform/testsupport/scoped.h"
#include "widgets/outlooklist.h"

#include <QCheckBox>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kv;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template <class T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void click(QWidget &w, const char *name)
{
    if (auto *b = child<QPushButton>(w, name)) b->click();
}

// Answers every warehouse dialog of `ui` with the given steps, in order, as
// a user works the shown dialog.
class DialogScript
{
public:
    DialogScript(kv::test::FakeUi &ui, std::vector<std::function<void(QDialog &)>> steps)
        : m_ui(ui), m_steps(std::move(steps)), m_old(std::move(ui.onModal))
    {
        ui.onModal = kv::test::AsShown([this](QDialog &d) {
            ASSERT_LT(m_next, m_steps.size()) << "unexpected dialog " << d.windowTitle().toStdString();
            m_steps[m_next++](d);
        });
    }
    ~DialogScript() { m_ui.onModal = std::move(m_old); }
    size_t used() const { return m_next; }

private:
    kv::test::FakeUi &m_ui;
    std::vector<std::function<void(QDialog &)>> m_steps;
    size_t m_next = 0;
    std::function<int(QDialog &)> m_old;
};

class Warehouse : public ::testing::Test
{
protected:
    AppFixture app;
    std::unique_ptr<MaterialsService> materials;
    std::unique_ptr<TfrmWareHouse> w;

    void SetUp() override
    {
        for (auto [name, code] : {std::pair{"ДСП 16 мм", 1}, std::pair{"Фанера", 2}})
            Query::Exec("Insert into " + Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)",
                        {QString::fromUtf8(name), code});
        materials = std::make_unique<MaterialsService>(app.paths, *app.settings, app.ui, app.module.get());
        app.ctx.setMaterials(materials.get());
        w = std::make_unique<TfrmWareHouse>(app.ctx);
        w->show();
    }
    void TearDown() override { w.reset(); }

    TModule &mod() { return *app.module; }
    void addScrapRow(const QString &name, int l, int wd, int many, int code, const QDate &d)
    {
        mod().tblScraps->AppendRecord({name, double(l), double(wd), double(many), double(code), d});
    }
};

} // namespace

TEST(StockDialogs, DayChooserMonthKeepsDayAndYearAndAnyYearIsShown)
{
    TfrmSelectDate d;
    struct Case { QDate start; int month; QDate expected; };
    const Case cases[] = {
        {QDate(2024, 3, 15), 12, QDate(2024, 12, 15)},   // "декабрь"
        {QDate(2031, 1, 31), 2, QDate(2031, 2, 28)},     // no 31 February: last day
        {QDate(1985, 7, 4), 7, QDate(1985, 7, 4)},       // years far from 1991-2010 stay
    };
    for (const Case &c : cases) {
        d.SetDate(c.start);
        auto *month = child<QComboBox>(d, "cbMonth");
        month->setCurrentIndex(c.month - 1);
        d.cbMonthChange(c.month - 1);
        EXPECT_EQ(d.SelectedDate(), c.expected);
        EXPECT_EQ(child<TExSpinEdit>(d, "seYear")->Value(), c.expected.year());
        EXPECT_EQ(month->currentText(), month->itemText(c.expected.month() - 1));
    }
    auto *year = child<TExSpinEdit>(d, "seYear");
    year->setText("2026");
    d.seYearChange();
    EXPECT_EQ(d.SelectedDate().year(), 2026);
}

TEST(StockDialogs, ThresholdsDisableTheMinimumsWithoutTheAreaTest)
{
    TfmClearScraps d;
    d.show();
    struct Case { bool square, width, height; bool widthOn, heightOn; };
    const Case cases[] = {
        {false, true, true, false, false},
        {true, true, false, true, false},
        {true, false, true, false, true},
    };
    for (const Case &c : cases) {
        child<QCheckBox>(d, "chbSquare")->setChecked(c.square);
        child<QCheckBox>(d, "chbSquareWidth")->setChecked(c.width);
        child<QCheckBox>(d, "chbSquareHeight")->setChecked(c.height);
        EXPECT_EQ(child<TExSpinEdit>(d, "seSquareWidth")->isEnabled(), c.widthOn);
        EXPECT_EQ(child<TExSpinEdit>(d, "seSquareHeight")->isEnabled(), c.heightOn);
        EXPECT_EQ(child<QCheckBox>(d, "chbSquareWidth")->isEnabled(), c.square);
    }
    child<TExSpinEdit>(d, "seSquare")->setText("0.125");
    EXPECT_EQ(d.Read().Square, 125000);
    TScrapSettings s;
    s.CheckLogicSumma = true;
    s.Square = 2500000;
    d.Load(s);
    d.hide();
    d.show();
    EXPECT_TRUE(d.Read().CheckLogicSumma);   // kept through the show
    EXPECT_EQ(d.Read().Square, 2500000);
    // An area as large as the key holds comes back as it went; a larger one
    // typed stops at that limit instead of turning negative.
    struct Area { const char *typed; int square; };
    const Area areas[] = {{"2147.483", 2147483000}, {"3000", 2147483000}, {"0.001", 1000}};
    for (const Area &c : areas) {
        SCOPED_TRACE(c.typed);
        child<TExSpinEdit>(d, "seSquare")->setText(c.typed);
        const TScrapSettings read = d.Read();
        EXPECT_EQ(read.Square, c.square);
        d.Load(read);
        EXPECT_EQ(d.Read().Square, c.square);
    }
}

TEST(StockDialogs, MarkingStartNumberFollowsThroughNumbering)
{
    TfrmInputMarkerData d;
    d.Load(TMarkSettings{false, "A", "-Б", 41});
    d.show();
    auto *numbering = child<QCheckBox>(d, "chbNumbering");
    EXPECT_FALSE(child<TExSpinEdit>(d, "seMaxNumber")->isEnabled());
    numbering->click();
    EXPECT_TRUE(child<TExSpinEdit>(d, "seMaxNumber")->isEnabled());
    EXPECT_EQ(child<TExSpinEdit>(d, "seMaxNumber")->Value(), 42);   // last number + 1
    EXPECT_EQ(d.Read(), (TMarkSettings{true, "A", "-Б", 41}));
}

TEST_F(Warehouse, OpensOnTheStoredMaterialWithTheMaterialColumnOnlyForAll)
{
    EXPECT_TRUE(mod().tblSheets->Active());
    EXPECT_TRUE(mod().tblScraps->Active());
    auto *nav = child<TgwOutlookList>(*w, "olMaterials");
    ASSERT_EQ(nav->Items()->Count(), 3);
    EXPECT_EQ(nav->Items()->Item(0)->Tag, kAllMaterials);
    EXPECT_EQ(w->CurrentMaterial(), kAllMaterials);   // 0 is not a material: the first item
    auto *grid = child<TExDBGrid>(*w, "dbgSheets");
    EXPECT_TRUE(grid->ColumnByField("MatName")->Visible());
    w->SetCurrentMaterial(2);
    EXPECT_FALSE(grid->ColumnByField("MatName")->Visible());
    EXPECT_TRUE(nav->Items()->Item(2)->GetSelected() || nav->Items()->Item(1)->GetSelected());
}

// "Материалы" over the navigator finds a material by its first letters and
// shows its stock; Cancel keeps the one shown.
TEST_F(Warehouse, MaterialsButtonFindsAMaterial)
{
    auto *button = w->findChild<TgwCustomBitBtn *>("bbMaterials");
    ASSERT_NE(button, nullptr);
    const struct { const char *typed; bool ok; int shown; } cases[] = {
        {"Фан", true, 2}, {"ДСП", false, 2}, {"ДСП", true, 1}, {"<", true, kAllMaterials}};
    for (const auto &c : cases) {
        const auto answer = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
            auto *find = qobject_cast<TfrmFindMaterial *>(&d);
            EXPECT_NE(find, nullptr);
            if (!find) return int(QDialog::Rejected);
            find->edMaterial->setText(QString::fromUtf8(c.typed));
            return int(c.ok ? QDialog::Accepted : QDialog::Rejected);
        });
        button->Click();
        EXPECT_EQ(w->CurrentMaterial(), c.shown) << c.typed;
        auto *nav = child<TgwOutlookList>(*w, "olMaterials");
        ASSERT_NE(nav->GetSelectedItem(), nullptr) << c.typed;
        EXPECT_EQ(nav->GetSelectedItem()->Tag, c.shown) << c.typed;
    }
}

TEST_F(Warehouse, AddingSheetsThroughTheDialog)
{
    w->SetCurrentMaterial(1);
    auto fill = [](int l, int wd, int q) {
        return [=](QDialog &d) {
            EXPECT_EQ(d.windowTitle(), "Добавление листов");
            EXPECT_EQ(child<QComboBox>(d, "cbMaterial")->count(), 2);   // no "<все материалы>"
            // The material comes chosen: the keyboard starts on the length.
            auto *length = child<TExSpinEdit>(d, "seLength");
            QWidget *focus = d.focusWidget();
            EXPECT_TRUE(focus == length || length->isAncestorOf(focus))
                << (focus ? focus->metaObject()->className() : "no focus");
            child<TExSpinEdit>(d, "seLength")->setValue(l);
            child<TExSpinEdit>(d, "seWidth")->setValue(wd);
            child<TExSpinEdit>(d, "seQuantity")->setValue(q);
            click(d, "bbOk");
        };
    };
    {
        kv::test::ScopedAnswers answers(app.ui);
        DialogScript script(app.ui, {fill(2750, 1830, 2), fill(2750, 1830, 3), fill(2750, 0, 3)});
        click(*w, "tbAddSheet");
        click(*w, "tbAddSheet");
        click(*w, "tbAddSheet");   // width 0: refused, the dialog stays until cancelled
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "Ширина листа должна быть больше 0.");
    }
    EXPECT_EQ(mod().tblSheets->RecordCount(), 1);
    mod().tblSheets->First();
    EXPECT_EQ(mod().tblSheets->FieldByName("MANY")->AsInteger(), 5);
    EXPECT_EQ(mod().tblSheets->FieldByName("CODE")->AsInteger(), 1);
    EXPECT_TRUE(mod().SheetsModified);
}

// Rows are typed with Tab from cell to cell, past the row's end into a new
// row, in both grids; nothing typed goes astray.
TEST_F(Warehouse, RowsAreTypedWithTabBetweenTheCells)
{
    w->SetCurrentMaterial(1);
    struct Case { const char *grid; Table *table; QList<QStringList> rows; QStringList fields; };
    const Case cases[] = {
        {"dbgSheets", mod().tblSheets, {{"2800", "2070", "10"}, {"2440", "1830", "5"}}, {"LENGTH", "WIDTH", "MANY"}},
        // The date cell is passed over with Tab as it stands (today).
        {"dbgScraps", mod().tblScraps, {{"О-1", "1900", "800", "1", ""}, {"О-2", "1200", "600", "2", ""}},
         {"NAME", "LENGTH", "WIDTH", "MANY"}},
    };
    for (const Case &c : cases) {
        child<QTabWidget>(*w, "pcWareHouse")->setCurrentIndex(c.table == mod().tblScraps ? 1 : 0);
        auto *grid = child<TExDBGrid>(*w, c.grid);
        grid->setFocus();
        for (const QStringList &row : c.rows)
            for (const QString &cell : row) {
                roadtest::typeText(grid, cell);
                roadtest::pressKey(grid, Qt::Key_Tab);
            }
        QApplication::processEvents();
        c.grid == QLatin1String("dbgSheets") ? w->PostSheets() : w->PostScraps();
        QList<QStringList> stored;
        for (c.table->First(); !c.table->Eof(); c.table->Next()) {
            QStringList values;
            for (const QString &f : c.fields) values << c.table->FieldByName(f)->AsString();
            EXPECT_EQ(c.table->FieldByName("CODE")->AsInteger(), 1) << c.grid;
            stored << values;
        }
        QList<QStringList> typed;
        for (const QStringList &row : c.rows) typed << row.mid(0, c.fields.size());
        EXPECT_EQ(stored, typed) << c.grid;
    }
}

// A new row given up with Esc (typed into, or opened by Down past the last
// row), or an edit of a row given up, leaves the table as it was and
// unmodified: the close asks nothing.
TEST_F(Warehouse, ANewRowGivenUpWithEscLeavesTheTableUnmodified)
{
    w->SetCurrentMaterial(1);
    addScrapRow("О-1", 900, 400, 1, 1, QDate(2024, 3, 5));
    mod().tblSheets->AppendRecord({2800.0, 2070.0, 3.0, 1.0});
    w->PostScraps();
    w->PostSheets();
    click(*w, "tbSaveScraps");
    click(*w, "tbSaveSheets");
    ASSERT_FALSE(mod().SheetsModified || mod().ScrapsModified);
    struct Case
    {
        const char *grid;
        int page;
        Table *table;
        QStringList typed;       // after Down past the last row; none: the row only opened
        bool overExisting;       // typed over the last row instead
    };
    const Case cases[] = {
        {"dbgScraps", 1, mod().tblScraps, {"О-2"}, false},
        {"dbgScraps", 1, mod().tblScraps, {}, false},
        {"dbgScraps", 1, mod().tblScraps, {"О-3"}, true},
        {"dbgSheets", 0, mod().tblSheets, {"2440"}, false},
        {"dbgSheets", 0, mod().tblSheets, {}, false},
        {"dbgSheets", 0, mod().tblSheets, {"1830"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.grid) + " " + c.typed.join(",").toStdString() + (c.overExisting ? " over" : ""));
        child<QTabWidget>(*w, "pcWareHouse")->setCurrentIndex(c.page);
        auto *grid = child<TExDBGrid>(*w, c.grid);
        grid->setFocus();
        c.table->Last();
        if (!c.overExisting) roadtest::pressKey(grid, Qt::Key_Down);
        for (const QString &text : c.typed) roadtest::typeText(grid, text);
        QApplication::processEvents();
        EXPECT_EQ(c.table->State(), c.overExisting ? DataSetState::Edit : DataSetState::Insert);
        for (int i = 0; i < 2 && c.table->State() != DataSetState::Browse; ++i) roadtest::pressKey(grid, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(c.table->State(), DataSetState::Browse);
        EXPECT_EQ(c.table->RecordCount(), 1);
        EXPECT_FALSE(mod().SheetsModified || mod().ScrapsModified);
        kv::test::ScopedAnswers none(app.ui);
        EXPECT_TRUE(w->CloseQuery());
        EXPECT_TRUE(none.shown().empty());
    }
}

// A refused off-cut row says why once for the key that tried to post it.
// The box takes the focus from the grid as a real one does (the window is
// deactivated under a modal box), which must not post the row again.
TEST_F(Warehouse, ARefusedRowIsReportedOncePerKey)
{
    w->SetCurrentMaterial(1);
    addScrapRow("О-1", 900, 400, 1, 1, QDate(2024, 3, 5));
    w->PostScraps();
    child<QTabWidget>(*w, "pcWareHouse")->setCurrentIndex(1);
    auto *grid = child<TExDBGrid>(*w, "dbgScraps");
    // The window is active, as under a user: its focus is the grid's.
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    grid->setFocus();
    mod().tblScraps->Last();
    roadtest::pressKey(grid, Qt::Key_Down);
    roadtest::typeText(grid, "О-2");
    roadtest::pressKey(grid, Qt::Key_Tab);
    roadtest::typeText(grid, "-500");
    roadtest::pressKey(grid, Qt::Key_Tab);
    QStringList shown;
    app.ui.onMessage = [&](const ShownMessage &m) {
        shown << m.text;
        // A modal box over the window takes the activation and the focus
        // until it is answered.
        QDialog box(w.get());
        box.setModal(true);
        box.show();
        QApplication::setActiveWindow(&box);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
        box.hide();
        return ModalResult::Ok;
    };
    roadtest::pressKey(grid, Qt::Key_Up);
    QApplication::processEvents();
    app.ui.onMessage = nullptr;
    ASSERT_EQ(shown.size(), 1) << shown.join(" | ").toStdString();
    EXPECT_TRUE(shown[0].contains("Длина")) << shown[0].toStdString();
    EXPECT_EQ(mod().tblScraps->State(), DataSetState::Insert);
}

// An off-cut typed without a sound size never reaches the stock: every road
// out of the row says what is wrong, and the row waits to be put right.
TEST_F(Warehouse, AnOffCutWithoutASoundSizeIsNotTakenIn)
{
    w->SetCurrentMaterial(1);
    Table &t = *mod().tblScraps;
    t.Append();
    t.FieldByName("NAME")->SetAsString("О-1");
    t.FieldByName("LENGTH")->SetAsFloat(-500);   // the width and the quantity left empty
    const QString wrongLength = "Значение поля \"Длина\" должно быть больше 0.";
    {
        kv::test::ScopedAnswers answers(app.ui);
        w->SetCurrentMaterial(2);   // a navigator click
        click(*w, "tbSaveScraps");
        ASSERT_EQ(answers.shown().size(), 2u);
        EXPECT_EQ(answers.shown()[0].text, wrongLength);
        EXPECT_TRUE(answers.shown()[1].text.endsWith(wrongLength)) << answers.shown()[1].text.toStdString();
    }
    EXPECT_EQ(w->CurrentMaterial(), 1);
    EXPECT_EQ(t.State(), DataSetState::Insert);
    EXPECT_TRUE(DbfFile::read(app.paths.ScrapsTable()).rows.isEmpty());
    t.FieldByName("LENGTH")->SetAsFloat(500);
    {
        kv::test::ScopedAnswers answers(app.ui);
        click(*w, "tbSaveScraps");
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_TRUE(answers.shown()[0].text.endsWith("Необходимо указать значение поля \"Ширина\"."));
    }
    t.FieldByName("WIDTH")->SetAsFloat(300);
    t.FieldByName("MANY")->SetAsFloat(1);
    {
        kv::test::ScopedAnswers answers(app.ui);
        click(*w, "tbSaveScraps");
        EXPECT_TRUE(answers.shown().empty());
    }
    EXPECT_EQ(DbfFile::read(app.paths.ScrapsTable()).rows.size(), 1);
}

// Numbers typed beyond a field's bounds, OK pressed with the focus still in
// the field: the dialog's message and the field to correct, never a wrapped
// or silently cut value.
TEST_F(Warehouse, NumbersTypedOutOfRangeAreRefusedByTheDialog)
{
    w->SetCurrentMaterial(1);
    const struct { const char *field, *typed, *message; } cases[] = {
        {"seQuantity", "99999999999", "Введите число от 0 до 1000000."},
        {"seLength", "-5", "Введите число от 0 до 100000."},
        {"seWidth", "4294967296", "Введите число от 0 до 100000."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        kv::test::ScopedAnswers answers(app.ui);
        QString focused;
        DialogScript script(app.ui, {[&](QDialog &d) {
            child<TExSpinEdit>(d, "seLength")->setValue(2750);
            child<TExSpinEdit>(d, "seWidth")->setValue(1830);
            child<TExSpinEdit>(d, "seQuantity")->setValue(2);
            auto *e = child<TExSpinEdit>(d, c.field);
            e->setText(QString::fromLatin1(c.typed));
            click(d, "bbOk");
            if (d.focusWidget()) focused = d.focusWidget()->objectName();
            EXPECT_TRUE(d.isVisible());
        }});
        click(*w, "tbAddSheet");
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(focused, c.field);
        EXPECT_EQ(mod().tblSheets->RecordCount(), 0);
    }
}

TEST_F(Warehouse, ABadDateFilterKeepsThePreviousOne)
{
    auto setFilter = [](const char *from, const char *to) {
        return [=](QDialog &d) {
            child<TDateEdit>(d, "dtFrom")->setText(from);
            child<TDateEdit>(d, "dtBefore")->setText(to);
            click(d, "bbOk");
        };
    };
    kv::test::ScopedAnswers answers(app.ui);
    DialogScript script(app.ui, {setFilter("01.03.2024", "31.03.2024"), setFilter("31.02.2024", "31.03.2024"),
                         setFilter("10.03.2024", "01.03.2024")});
    for (int i = 0; i < 3; ++i) click(*w, "tbFilterScraps");
    ASSERT_EQ(answers.shown().size(), 2u);
    EXPECT_EQ(answers.shown()[0].text, "Ошибка ввода даты!\r\rПовторите ввод ещё раз.");
    EXPECT_EQ(w->Stock().Filter().dates->from, QDate(2024, 3, 1));
    EXPECT_EQ(child<QStatusBar>(*w, "sbScraps")->currentMessage(), "Установлен фильтр (с 01.03.2024 по 31.03.2024 )");
}

TEST_F(Warehouse, CloseMinimisesAndNoDiscardsTheEdits)
{
    addScrapRow("A", 500, 400, 1, 1, QDate(2024, 3, 5));
    {
        kv::test::ScopedAnswers answers(app.ui, {ModalResult::No});
        w->close();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "Сохранить изменения в базе остатков?");
        EXPECT_EQ(answers.shown()[0].kind, MsgKind::Warning);
    }
    EXPECT_TRUE(w->isMinimized());   // still there
    EXPECT_EQ(mod().tblScraps->RecordCount(), 0);
    EXPECT_FALSE(mod().ScrapsModified);
    addScrapRow("B", 500, 400, 1, 1, QDate(2024, 3, 5));
    {
        kv::test::ScopedAnswers answers(app.ui, {ModalResult::Cancel});
        EXPECT_FALSE(w->CloseQuery());   // as the frame asks at program end
    }
    EXPECT_EQ(mod().tblScraps->RecordCount(), 1);
}

TEST_F(Warehouse, TheWholeRoadEndsWithTheSavedStateRestoredByteForByte)
{
    w->SetCurrentMaterial(1);
    {
        DialogScript script(app.ui, {[](QDialog &d) {
            child<TExSpinEdit>(d, "seLength")->setValue(2750);
            child<TExSpinEdit>(d, "seWidth")->setValue(1830);
            child<TExSpinEdit>(d, "seQuantity")->setValue(4);
            click(d, "bbOk");
        }});
        click(*w, "tbAddSheet");
    }
    addScrapRow("", 600, 400, 1, 1, QDate(2024, 3, 5));
    addScrapRow("", 700, 300, 2, 1, QDate(2024, 3, 6));
    {
        DialogScript script(app.ui, {[](QDialog &d) {
            child<QLineEdit>(d, "edPrefix")->setText("Д-");
            click(d, "bbOk");
        }});
        click(*w, "tbMarkScraps");
    }
    QStringList names;
    for (mod().tblScraps->First(); !mod().tblScraps->Eof(); mod().tblScraps->Next())
        names << mod().tblScraps->FieldByName("NAME")->AsString();
    EXPECT_EQ(names, (QStringList{"Д-1", "Д-2"}));
    click(*w, "tbSaveSheets");
    click(*w, "tbSaveScraps");
    EXPECT_FALSE(mod().SheetsModified || mod().ScrapsModified);
    {
        DialogScript script(app.ui, {[](QDialog &d) {
            child<QLineEdit>(d, "edRemark")->setText("перед инвентаризацией");
            click(d, "bbOk");
        }});
        w->SaveWareHouseState();
    }
    WareHouseStates states(app.paths);
    ASSERT_EQ(states.Sections(), QList<int>{1});
    const QByteArray sheetsState = bytesOf(states.SheetsFile(1)), scrapsState = bytesOf(states.ScrapsFile(1));
    EXPECT_EQ(sheetsState, bytesOf(app.paths.SheetsTable()));

    // Change the stock, saved and unsaved.
    {
        kv::test::ScopedAnswers answers(app.ui, {ModalResult::Yes});
        click(*w, "tbClearScraps");
    }
    click(*w, "tbSaveScraps");
    addScrapRow("X", 1, 1, 1, 1, QDate(2024, 4, 1));
    EXPECT_NE(bytesOf(app.paths.ScrapsTable()), scrapsState);

    // Restore from the viewer, without a backup.
    {
        kv::test::ScopedAnswers answers(app.ui, {ModalResult::No});
        DialogScript script(app.ui, {[](QDialog &d) {
            auto *list = child<QTreeWidget>(d, "lvwWHs");
            ASSERT_EQ(list->topLevelItemCount(), 1);
            EXPECT_EQ(list->topLevelItem(0)->text(2), "перед инвентаризацией");
            list->setCurrentItem(list->topLevelItem(0));
            click(d, "btnRestoreAction");
        }});
        w->ViewWareHouseStates();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].kind, MsgKind::Confirmation);
    }
    EXPECT_EQ(bytesOf(app.paths.SheetsTable()), sheetsState);
    EXPECT_EQ(bytesOf(app.paths.TempSheetsTable()), sheetsState);
    EXPECT_EQ(bytesOf(app.paths.ScrapsTable()), scrapsState);
    EXPECT_EQ(bytesOf(app.paths.TempScrapsTable()), scrapsState);
    EXPECT_EQ(mod().tblScraps->RecordCount(), 2);
    EXPECT_FALSE(mod().ScrapsModified);

    w->SetCurrentMaterial(kAllMaterials);
    child<QTabWidget>(*w, "pcWareHouse")->setCurrentIndex(1);
    w->resize(760, 360);
    w->grab().save("/tmp/h19-warehouse.png");
}

// The sort pop-up orders a grid's rows, keeps the order through edits, and
// offers the name only for the off-cuts; the files stay as they were.
// "<все материалы>" keeps its own off-cut parameters and marking under code
// 999; its parameters go to every navigator item as well.
TEST_F(Warehouse, TheAllMaterialsItemHasOptionsOfItsOwn)
{
    w->SetCurrentMaterial(kAllMaterials);
    child<QTabWidget>(*w, "pcWareHouse")->setCurrentIndex(1);
    TIniFile &ini = app.ini();
    {
        DialogScript script(app.ui, {[](QDialog &d) {
            child<QCheckBox>(d, "chbLength")->setChecked(true);
            child<TExSpinEdit>(d, "seWidth")->setValue(150);
            click(d, "bbOk");
        }});
        click(*w, "tbScrapsParams");
    }
    for (int code : {kAllMaterials, 1, 2}) {
        SCOPED_TRACE(code);
        const TScrapSettings s = UnpackScrapSettings(ini, MaterialSection(code));
        EXPECT_TRUE(s.CheckLength);
        EXPECT_EQ(s.Length, 150);
    }
    // Opened again, the dialog shows what was written.
    {
        DialogScript script(app.ui, {[](QDialog &d) {
            EXPECT_TRUE(child<QCheckBox>(d, "chbLength")->isChecked());
            EXPECT_EQ(child<TExSpinEdit>(d, "seWidth")->Value(), 150);
            click(d, "bbCancel");
        }});
        click(*w, "tbScrapsParams");
    }
    addScrapRow("", 600, 400, 1, 1, QDate(2024, 3, 5));
    addScrapRow("", 700, 300, 1, 2, QDate(2024, 3, 6));
    PackMarkSettings(ini, MaterialSection(kAllMaterials), TMarkSettings{true, "В-", "", 6});
    {
        DialogScript script(app.ui, {[](QDialog &d) {
            EXPECT_EQ(child<QLineEdit>(d, "edPrefix")->text(), "В-");
            EXPECT_TRUE(child<QCheckBox>(d, "chbNumbering")->isChecked());
            EXPECT_EQ(child<TExSpinEdit>(d, "seMaxNumber")->Value(), 7);
            click(d, "bbOk");
        }});
        click(*w, "tbMarkScraps");
    }
    QStringList names;
    for (mod().tblScraps->First(); !mod().tblScraps->Eof(); mod().tblScraps->Next())
        names << mod().tblScraps->FieldByName("NAME")->AsString();
    EXPECT_EQ(names, (QStringList{"В-7", "В-8"}));
    EXPECT_EQ(UnpackMarkSettings(ini, MaterialSection(kAllMaterials)), (TMarkSettings{true, "В-", "", 8}));
}

TEST_F(Warehouse, SortPopupOrdersTheRowsOfAGrid)
{
    w->SetCurrentMaterial(kAllMaterials);
    addScrapRow("Б-2", 900, 300, 1, 1, QDate(2024, 3, 5));
    addScrapRow("А-7", 600, 500, 2, 1, QDate(2024, 3, 5));
    addScrapRow("В-1", 600, 400, 1, 2, QDate(2024, 3, 5));
    mod().tblSheets->AppendRecord({2800.0, 2070.0, 3.0, 1.0});
    mod().tblSheets->AppendRecord({2440.0, 1830.0, 1.0, 1.0});
    mod().tblSheets->AppendRecord({2440.0, 1220.0, 5.0, 2.0});
    w->PostScraps();
    w->PostSheets();
    auto column = [](DataSet &t, const char *field) {
        QStringList out;
        for (int row = 0; row < t.ViewRowCount(); ++row)
            out << t.ViewDisplayText(row, t.FieldByName(field)->Index());
        return out;
    };
    const QByteArray scrapsFile = bytesOf(app.paths.TempScrapsTable());
    struct Case { bool scraps; const char *item; const char *field; QStringList shown; };
    const Case cases[] = {
        {true, "miSortName", "NAME", {"А-7", "Б-2", "В-1"}},
        {true, "miSortLength", "NAME", {"В-1", "А-7", "Б-2"}},   // equal lengths in width order
        {true, "miSortWidth", "WIDTH", {"300", "400", "500"}},
        {true, "miNoSort", "NAME", {"Б-2", "А-7", "В-1"}},
        {false, "miSortWidth", "WIDTH", {"1220", "1830", "2070"}},
        {false, "miSortLength", "WIDTH", {"1220", "1830", "2070"}},
        {false, "miNoSort", "LENGTH", {"2800", "2440", "2440"}},
    };
    for (const Case &c : cases) {
        QMenu *menu = w->PrepareSortMenu(c.scraps);
        ASSERT_EQ(menu, w->pmSort);
        EXPECT_EQ(child<QAction>(*menu, "miSortName")->isVisible(), c.scraps);
        child<QAction>(*menu, c.item)->trigger();
        DataSet &t = c.scraps ? *mod().tblScraps : *mod().tblSheets;
        EXPECT_EQ(column(t, c.field), c.shown) << c.item;
        w->PrepareSortMenu(c.scraps);
        EXPECT_TRUE(child<QAction>(*menu, c.item)->isChecked()) << c.item;
    }
    EXPECT_EQ(bytesOf(app.paths.TempScrapsTable()), scrapsFile);

    // Sorted by name, an edited code moves its row and stays current; the
    // order outlives a change of material.
    child<QAction>(*w->PrepareSortMenu(true), "miSortName")->trigger();
    Table &sc = *mod().tblScraps;
    ASSERT_TRUE(sc.Locate("NAME", QStringLiteral("А-7")));
    sc.Edit();
    sc.FieldByName("NAME")->SetAsString(QStringLiteral("Я-7"));
    sc.Post();
    EXPECT_EQ(column(sc, "NAME"), (QStringList{"Б-2", "В-1", "Я-7"}));
    EXPECT_EQ(sc.FieldByName("NAME")->AsString(), QStringLiteral("Я-7"));
    w->SetCurrentMaterial(1);
    EXPECT_EQ(column(sc, "NAME"), (QStringList{"Б-2", "Я-7"}));
    EXPECT_EQ(w->CurrentSortOrder(true), TfrmWareHouse::soName);
}

TEST(WarehouseCommands, TheStockMenuReachesTheWarehouseWindow)
{
    QTemporaryDir tmp;
    kv::PrepareProgramFolder(tmp.path());
    kv::test::FakeUi ui;
    TMainForm form{kv::Paths(tmp.path()), ui};
    form.CreateDataModule();
    WireShell(form);
    auto *w = qobject_cast<TfrmWareHouse *>(form.ShowWarehouseWindow());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(form.ShowWarehouseWindow(), w);   // one for the whole run
    form.MdiArea()->setActiveSubWindow(form.MdiArea()->subWindowList().value(0));
    form.updateActions();
    EXPECT_TRUE(form.Action("WHStatisticsAction")->isEnabled());

    TModule &mod = *form.Module();
    mod.tblSheets->AppendRecord({2750.0, 1830.0, 3.0, 0.0});
    form.Action("SaveSheetsAction")->trigger();
    EXPECT_FALSE(mod.SheetsModified);
    EXPECT_EQ(bytesOf(form.Paths().SheetsTable()), bytesOf(form.Paths().TempSheetsTable()));
    {
        DialogScript script(ui, {[](QDialog &d) {
            child<QLineEdit>(d, "edRemark")->setText("из меню");
            click(d, "bbOk");
        }});
        form.Action("SaveWHStateAction")->trigger();
    }
    EXPECT_EQ(WareHouseStates(form.Paths()).Sections(), QList<int>{1});
    w->Stock().SetCurrentMaterial(kAllMaterials);
}

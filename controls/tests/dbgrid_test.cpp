// The data grid over a parts table, driven by keys and the mouse.
#include "controls/dbgrid.h"
#include "controls/layoutstore.h"
#include "controls/winlayout.h"
#include "platform/db/schema.h"
#include "platform/db/table.h"
#include "platform/testsupport/memdataset.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kv;

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

struct GridTest : ::testing::Test
{
    QTemporaryDir dir;
    Table t;
    kv::test::FakeUi ui;
    std::unique_ptr<TExDBGrid> g;
    static constexpr int kRows = 10;

    void SetUp() override
    {
        writeMissingTemplates(dir.path());
        t.setObjectName("tblDetals");
        t.SetDatabaseName(dir.path());
        t.SetTableName("Group.dbf");
        t.AddField("MatName", FieldType::String, 35, FieldKind::Calculated);
        t.AddField("RotateName", FieldType::String, 20, FieldKind::Calculated);
        t.OnCalcFields = [](DataSet &ds) {
            const int code = ds.FieldByName("MATERIAL")->AsInteger();
            ds.FieldByName("MatName")->SetAsString(code == 1 ? u("ДСП 16мм белый") : u("МДФ 19мм"));
            const char *rot[] = {"поворачивать", "не поворачивать", "один для всех"};
            ds.FieldByName("RotateName")->SetAsString(u(rot[ds.FieldByName("ROTATE")->AsInteger() % 3]));
        };
        t.Open();
        for (int i = 1; i <= kRows; ++i)
            t.AppendRecord({u("Деталь %1").arg(i), 300 + 10 * i, 200 + i, i, i % 3, 0, 0, 0, 0, 1 + i % 2});
        t.First();
        g = std::make_unique<TExDBGrid>();
        g->setObjectName("dbgDetals");
        kv::AttachUi(g.get(), &ui);
        g->SetDataSet(&t);
        g->AddColumn("NAME", u("Шифр"), 120);
        g->AddColumn("LENGTH", u("Длина"), 70);
        g->AddColumn("WIDTH", u("Ширина"), 70);
        g->AddColumn("MANY", u("Количество"), 80);
        g->AddColumn("MatName", u("Материал"), 140);
        g->resize(560, 320);
        g->show();
        QApplication::setActiveWindow(g.get());
        g->setFocus();
    }

    QWidget *target() { return g->InplaceEditor() ? g->InplaceEditor() : g.get(); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(target(), k, m); }
    void typeText(const QString &text)
    {
        // Key events carrying the text, so Cyrillic letters arrive as typed.
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target(), &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target(), &release);
        }
    }
    QString nameOf(int recNo)
    {
        Table fresh;
        fresh.SetDatabaseName(dir.path());
        fresh.SetTableName("Group.dbf");
        fresh.Open();
        fresh.SetRecNo(recNo);
        return fresh.FieldByName("NAME")->AsString();
    }
    QStringList selectedNames()
    {
        QStringList names;
        const Bookmark here = t.GetBookmark();
        for (int i = 0; i < g->SelectedRows().Count(); ++i) {
            t.GotoBookmark(g->SelectedRows().Items(i));
            names << t.FieldByName("NAME")->AsString();
        }
        t.GotoBookmark(here);
        names.sort();
        return names;
    }
    QPoint cellCenter(int row, int col) { return g->visualRect(g->model()->index(row, col)).center(); }
};

} // namespace

TEST_F(GridTest, ShiftArrowsExtendAndShrinkTheSelection)
{
    g->SetMultiSelect(true);
    t.SetRecNo(5);
    for (int i = 0; i < 3; ++i) key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(t.RecNo(), 8);
    EXPECT_EQ(selectedNames(), QStringList({u("Деталь 5"), u("Деталь 6"), u("Деталь 7"), u("Деталь 8")}));
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(selectedNames(), QStringList({u("Деталь 5"), u("Деталь 6"), u("Деталь 7")}));
    QApplication::processEvents();
    for (int row = 0; row < kRows; ++row) EXPECT_EQ(g->RowSelected(row), row >= 4 && row <= 6) << row;
    // A plain move drops the selection.
    key(Qt::Key_Down);
    EXPECT_EQ(g->SelectedRows().Count(), 0);
    // Ctrl+click toggles single rows.
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCenter(1, 0));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCenter(3, 0));
    EXPECT_EQ(selectedNames(), QStringList({u("Деталь 2"), u("Деталь 4")}));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCenter(1, 0));
    EXPECT_EQ(selectedNames(), QStringList({u("Деталь 4")}));
    g->GoToSelectedRow(0);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Деталь 4"));
    g->GoToSelectedRow(7);   // out of range: nothing
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Деталь 4"));
    // A plain click selects the clicked row alone.
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(6, 0));
    EXPECT_EQ(selectedNames(), QStringList({u("Деталь 7")}));
}

TEST_F(GridTest, SelectionRowsFollowChangesOfTheData)
{
    g->SetMultiSelect(true);
    t.SetRecNo(6);
    key(Qt::Key_Down, Qt::ShiftModifier);   // 6, 7
    t.SetRecNo(2);
    t.Delete();                              // rows below move up
    QApplication::processEvents();
    QApplication::processEvents();
    for (int row = 0; row < kRows - 1; ++row) EXPECT_EQ(g->RowSelected(row), row == 4 || row == 5) << row;
}

TEST_F(GridTest, CtrlDeleteAsksAndDeletesExactlyTheSelectedRows)
{
    g->SetMultiSelect(true);
    t.SetRecNo(3);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);   // 3, 4, 5
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::No});
        key(Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, u("Удалить все выбранные записи?"));
        EXPECT_EQ(answers.shown()[0].kind, MsgKind::Confirmation);
        EXPECT_EQ(answers.shown()[0].buttons, MsgButtons::YesNo);
    }
    EXPECT_EQ(t.RecordCount(), kRows);
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        key(Qt::Key_Delete, Qt::ControlModifier);
    }
    EXPECT_EQ(t.RecordCount(), kRows - 3);
    EXPECT_EQ(g->SelectedRows().Count(), 0);
    QStringList left;
    for (t.First(); !t.Eof(); t.Next()) {
        left << t.FieldByName("NAME")->AsString();
        if (t.RecNo() == t.RecordCount()) break;
    }
    EXPECT_EQ(left, QStringList({u("Деталь 1"), u("Деталь 2"), u("Деталь 6"), u("Деталь 7"), u("Деталь 8"),
                                 u("Деталь 9"), u("Деталь 10")}));
    // Without a selection the current row goes, after its own question.
    t.SetRecNo(1);
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        key(Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, u("Удалить запись?"));
    }
    EXPECT_EQ(t.RecordCount(), kRows - 4);
    EXPECT_EQ(nameOf(1), u("Деталь 2"));
}

TEST_F(GridTest, TypingThenLeavingTheRowPosts)
{
    t.SetRecNo(2);
    typeText(u("Стенка"));
    ASSERT_NE(g->InplaceEditor(), nullptr);
    EXPECT_EQ(t.State(), DataSetState::Edit);
    key(Qt::Key_Down);
    EXPECT_EQ(g->InplaceEditor(), nullptr);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(nameOf(2), u("Стенка"));

    // With dgTabs the value is kept when moving to the next cell, posted when
    // the row is left by the mouse.
    g->SetOptions(g->Options() | dgTabs);
    g->SetSelectedIndex(0);
    key(Qt::Key_Tab);   // without an editor too
    EXPECT_EQ(g->SelectedIndex(), 1);
    typeText("555");
    key(Qt::Key_Tab);
    EXPECT_EQ(g->SelectedIndex(), 2);
    EXPECT_EQ(t.State(), DataSetState::Edit);
    EXPECT_EQ(t.FieldByName("LENGTH")->AsInteger(), 555);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(6, 0));
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.RecNo(), 7);
    Table fresh;
    fresh.SetDatabaseName(dir.path());
    fresh.SetTableName("Group.dbf");
    fresh.Open();
    fresh.SetRecNo(3);
    EXPECT_EQ(fresh.FieldByName("LENGTH")->AsInteger(), 555);
}

TEST_F(GridTest, EscapeCancelsTheEdit)
{
    t.SetRecNo(4);
    typeText(u("Крышка"));
    key(Qt::Key_Escape);
    EXPECT_EQ(g->InplaceEditor(), nullptr);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Деталь 4"));
    // A value already written to the row goes with a second Escape.
    g->SetOptions(g->Options() | dgTabs);
    typeText(u("Крышка"));
    key(Qt::Key_Tab);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Крышка"));
    key(Qt::Key_Escape);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Деталь 4"));
    EXPECT_EQ(nameOf(4), u("Деталь 4"));
}

TEST_F(GridTest, DownOnTheLastRowAppendsAndAnUntouchedRowDisappears)
{
    t.Last();
    key(Qt::Key_Down);
    EXPECT_EQ(t.State(), DataSetState::Insert);
    EXPECT_EQ(g->model()->rowCount(), kRows + 1);
    EXPECT_EQ(g->currentIndex().row(), kRows);
    key(Qt::Key_Down);   // no second new row
    EXPECT_EQ(g->model()->rowCount(), kRows + 1);
    key(Qt::Key_Up);     // the untouched row goes
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(g->model()->rowCount(), kRows);
    EXPECT_EQ(t.RecNo(), kRows);

    // Filled in, it is posted on leaving.
    key(Qt::Key_Down);
    typeText(u("Цоколь"));
    key(Qt::Key_Up);
    EXPECT_EQ(t.RecordCount(), kRows + 1);
    EXPECT_EQ(nameOf(kRows + 1), u("Цоколь"));

    // Insert adds a row before the current one; a click elsewhere drops it untouched.
    t.SetRecNo(3);
    key(Qt::Key_Insert);
    EXPECT_EQ(t.State(), DataSetState::Insert);
    EXPECT_EQ(g->currentIndex().row(), 2);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(5, 0));
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.RecordCount(), kRows + 1);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Деталь 5"));   // row 5 of the view without the new row
}

TEST_F(GridTest, NewRowPostedByAClickLandsAndTheClickedRowIsKept)
{
    t.SetRecNo(3);
    key(Qt::Key_Insert);
    typeText(u("Задняя стенка"));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(6, 0));
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.RecordCount(), kRows + 1);
    // View row 6 showed "Деталь 6" while the new row stood at row 2.
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Деталь 6"));
}

TEST_F(GridTest, LeavingTheGridCancelsAnUntouchedNewRow)
{
    QLineEdit other;
    other.show();
    t.Last();
    key(Qt::Key_Down);
    ASSERT_EQ(t.State(), DataSetState::Insert);
    QApplication::setActiveWindow(g.get());
    g->setFocus();
    QList<DataSetState> exits;
    g->OnExit = [&](TExDBGrid &grid) { exits << grid.DataSet()->State(); };
    // Focus moving to another widget counts as leaving the grid.
    emit qApp->focusChanged(g.get(), &other);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.RecordCount(), kRows);
    // The exit event comes after the untouched row is gone; a typed text is
    // in its field by then.
    EXPECT_EQ(exits, QList<DataSetState>{DataSetState::Browse});
    g->SetSelectedIndex(0);
    typeText(u("Крышка"));
    emit qApp->focusChanged(g->InplaceEditor(), &other);
    ASSERT_EQ(exits.size(), 2);
    EXPECT_EQ(exits[1], DataSetState::Edit);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), u("Крышка"));
}

TEST_F(GridTest, ReadOnlyColumnsAndRefusedTexts)
{
    // The calculated material column never opens an editor.
    g->SetSelectedIndex(4);
    typeText("x");
    EXPECT_EQ(g->InplaceEditor(), nullptr);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    // A read-only column neither.
    g->Columns(3)->ReadOnly = true;
    g->SetSelectedIndex(3);
    key(Qt::Key_F2);
    EXPECT_EQ(g->InplaceEditor(), nullptr);
    // OnShowEditor may forbid a column.
    g->OnShowEditor = [](TExDBGrid &, Field *f, bool &allow) { allow = f->FieldName() != "WIDTH"; };
    g->SetSelectedIndex(2);
    typeText("1");
    EXPECT_EQ(g->InplaceEditor(), nullptr);
    g->OnShowEditor = nullptr;

    // A text the field refuses is reported; the editor stays and the row too.
    g->SetSelectedIndex(1);
    t.SetRecNo(2);
    typeText(u("12а"));
    kv::test::ScopedAnswers answers(ui);
    key(Qt::Key_Down);
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, MsgKind::Error);
    EXPECT_TRUE(answers.shown()[0].text.contains(u("12а")));
    EXPECT_NE(g->InplaceEditor(), nullptr);
    EXPECT_EQ(t.RecNo(), 2);
    key(Qt::Key_Escape);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(t.FieldByName("LENGTH")->AsInteger(), 320);

    // A read-only grid opens nothing and appends nothing.
    g->SetReadOnly(true);
    t.Last();
    key(Qt::Key_Down);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    key(Qt::Key_Insert);
    EXPECT_EQ(t.State(), DataSetState::Browse);
}

TEST_F(GridTest, PickListAndEllipsisButton)
{
    g->Columns(0)->PickList = QStringList({u("Боковина"), u("Полка")});
    typeText(u("Б"));
    auto *combo = qobject_cast<QComboBox *>(g->InplaceEditor());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    key(Qt::Key_Down);
    EXPECT_EQ(nameOf(1), u("Полка"));

    int clicks = 0;
    g->OnEditButtonClick = [&](TExDBGrid &) { ++clicks; };
    g->Columns(3)->ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    g->SetSelectedIndex(3);
    key(Qt::Key_F2);
    ASSERT_NE(g->InplaceEditor(), nullptr);
    auto *button = g->InplaceEditor()->findChild<QAction *>("EditButton");
    ASSERT_NE(button, nullptr);
    button->trigger();
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
}

TEST_F(GridTest, TypingIntoAnEmptyGridAppendsARow)
{
    while (!t.IsEmpty()) t.Delete();
    typeText(u("Фасад"));
    EXPECT_EQ(t.State(), DataSetState::Insert);
    key(Qt::Key_Return);
    key(Qt::Key_Up);   // changed: posted, not cancelled
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(nameOf(1), u("Фасад"));
}

TEST_F(GridTest, ColumnLayoutRoundTrip)
{
    MemIniStorage ini;
    g->Columns(1)->SetWidth(90);
    g->Columns(3)->SetIndex(0);   // MANY first
    g->SaveColumnLayout(ini, "Parts");
    EXPECT_EQ(ini.raw("Parts", "dbgDetals.MANY"), "0,80");
    EXPECT_EQ(ini.raw("Parts", "dbgDetals.LENGTH"), "2,90");
    EXPECT_EQ(ini.keys("Parts").size(), 5);

    TExDBGrid other;
    other.setObjectName("dbgDetals");
    other.SetDataSet(&t);
    for (const char *f : {"NAME", "LENGTH", "WIDTH", "MANY", "MatName"}) other.AddColumn(f, QString(), 50);
    ini.writeString("Parts", "dbgDetals.WIDTH", "");   // a missing key keeps index and width
    other.LoadColumnLayout(ini, "Parts");
    QStringList order;
    for (int i = 0; i < other.ColumnCount(); ++i) order << other.Columns(i)->FieldName;
    // WIDTH keeps its index 2, which LENGTH, coming first, takes.
    EXPECT_EQ(order, QStringList({"MANY", "NAME", "LENGTH", "WIDTH", "MatName"}));
    EXPECT_EQ(other.ColumnByField("LENGTH")->Width(), 90);
    EXPECT_EQ(other.ColumnByField("WIDTH")->Width(), 50);
    EXPECT_EQ(other.columnWidth(2), 90);

    // The default section is the form's class name followed by the grid's name.
    QWidget form;
    form.setProperty("kvClassName", "TfrmMinSheetsQuantity");
    g->setParent(&form);
    g->SaveColumnLayout(ini);
    EXPECT_EQ(ini.raw("TfrmMinSheetsQuantitydbgDetals", "dbgDetals.NAME"), "1,120");
    g->setParent(nullptr);
}

TEST_F(GridTest, DefaultColumnsFollowTheFieldsAndSaveTheFieldLayout)
{
    TExDBGrid d;
    d.SetDataSet(&t);
    EXPECT_FALSE(d.PersistentColumns());
    EXPECT_EQ(d.ColumnCount(), t.FieldCount());
    EXPECT_EQ(d.Columns(0)->FieldName, "NAME");
    t.FieldByName("ROTATE")->SetVisible(false);
    EXPECT_EQ(d.ColumnCount(), t.FieldCount() - 1);
    MemIniStorage ini;
    d.Columns(1)->SetIndex(0);
    EXPECT_EQ(t.Fields(0)->FieldName(), "LENGTH");
    d.SaveColumnLayout(ini, "Parts");
    EXPECT_EQ(ini.raw("Parts", "tblDetalsLENGTH"), "0,10,1");
    EXPECT_EQ(ini.raw("Parts", "tblDetalsROTATE"), "4,6,0");
}

TEST_F(GridTest, OptionsReflectMultiSelect)
{
    EXPECT_EQ(g->Options(), TExDBGrid::DefaultOptions);
    EXPECT_FALSE(g->Options() & dgTabs);
    g->SetOptions(g->Options() | dgMultiSelect);
    EXPECT_TRUE(g->MultiSelect());
    g->SetMultiSelect(false);
    EXPECT_FALSE(g->Options() & dgMultiSelect);
    g->SetMultiSelect(true);
    EXPECT_TRUE(g->Options() & dgMultiSelect);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(g->SelectedRows().Count(), 2);
    g->SetOptions(g->Options() & ~dgMultiSelect);
    EXPECT_EQ(g->SelectedRows().Count(), 0);
    g->SetRowsHeight(24);
    EXPECT_EQ(g->RowsHeight(), 24);
    EXPECT_EQ(g->horizontalHeader()->height(), 26);
}

TEST_F(GridTest, TitleButtons)
{
    g->SetTitleButtons(true);
    QList<int> clicked;
    g->OnTitleBtnClick = [&](TExDBGrid &, int col, Field *) { clicked << col; };
    g->OnGetBtnParams = [](TExDBGrid &, Field *f, QFont &, QColor &, QColor &, TSortMarker &m, bool) {
        if (f->FieldName() == "LENGTH") m = TSortMarker::smDown;
    };
    QHeaderView *h = g->horizontalHeader();
    auto center = [&](int col) { return QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2); };
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, center(1));
    EXPECT_EQ(clicked, QList<int>({1}));
    // Released over another column: no click.
    QTest::mousePress(h->viewport(), Qt::LeftButton, Qt::NoModifier, center(2));
    QTest::mouseMove(h->viewport(), center(3));
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, Qt::NoModifier, center(3));
    EXPECT_EQ(clicked, QList<int>({1}));
    // A disabled button does nothing.
    g->OnCheckButton = [](TExDBGrid &, int col, Field *, bool &enabled) { enabled = col != 0; };
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, center(0));
    EXPECT_EQ(clicked, QList<int>({1}));
    // A press on the line between two titles resizes instead.
    const int edge = h->sectionViewportPosition(1) + h->sectionSize(1) - 1;
    QTest::mousePress(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(edge, h->height() / 2));
    QMouseEvent drag(QEvent::MouseMove, QPointF(edge + 30, h->height() / 2), h->viewport()->mapToGlobal(QPointF(edge + 30, h->height() / 2)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h->viewport(), &drag);
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(edge + 30, h->height() / 2));
    EXPECT_EQ(clicked, QList<int>({1}));
    EXPECT_EQ(g->Columns(1)->Width(), 100);
    // The marker is drawn in the title (dark pixels near the right end).
    const QImage img = h->grab().toImage();
    const int right = h->sectionViewportPosition(1) + h->sectionSize(1) - 6;
    bool dark = false;
    for (int x = right - 8; x <= right; ++x)
        for (int y = 0; y < img.height(); ++y)
            if (qGray(img.pixel(x, y)) < 140) dark = true;
    EXPECT_TRUE(dark);
}

// A small data set held in memory, for field types the tables do not edit.
using MemSet = kv::test::MemDataSet;

TEST(GridMemo, MemoFieldsShowAPictureAndOpenNoEditor)
{
    MemSet t;
    t.defs = {{"NAME", FieldType::String, 20}, {"NOTE", FieldType::Memo, 0}};
    t.Open();
    t.AppendRecord({"a", u("длинный текст")});
    TExDBGrid g;
    g.SetDataSet(&t);
    g.resize(300, 200);
    g.show();
    Field *note = t.FieldByName("NOTE");
    EXPECT_TRUE(g.FieldHasPicture(note));
    g.SetSelectedIndex(1);
    QTest::keyClick(&g, Qt::Key_F2);
    EXPECT_EQ(g.InplaceEditor(), nullptr);
    // The picture, not the text, is drawn in the cell.
    const QImage img = g.viewport()->grab().toImage();
    const QRect cell = g.visualRect(g.model()->index(0, 1));
    EXPECT_NE(QColor(img.pixel(cell.center())), QColor(img.pixel(cell.left() + 3, cell.top() + 3)));
    // With both text handlers the text is shown and edited.
    note->OnGetText = [](Field &f, QString &text, bool) { text = f.AsString(); };
    note->OnSetText = [](Field &f, const QString &text) { f.SetAsString(text); };
    EXPECT_FALSE(g.FieldHasPicture(note));
    QTest::keyClick(&g, Qt::Key_F2);
    EXPECT_NE(g.InplaceEditor(), nullptr);
    g.HideEditor(false);
    g.SetShowGlyphs(false);
    note->OnSetText = nullptr;
    EXPECT_FALSE(g.FieldHasPicture(note));
}

TEST_F(GridTest, CellColoursFromEvents)
{
    g->OnGetCellProps = [](TExDBGrid &, Field *f, QFont &, QColor &, QColor &bg) {
        if (f && f->FieldName() == "MatName") bg = QColor(0xFF, 0xFF, 0xE1);
    };
    t.SetRecNo(1);
    const QImage img = g->viewport()->grab().toImage();
    const QRect other = g->visualRect(g->model()->index(3, 4));
    EXPECT_EQ(QColor(img.pixel(other.left() + 2, other.top() + 2)), QColor(0xFF, 0xFF, 0xE1));
    // Under the highlight the handler cannot change the colours.
    g->SetOptions(g->Options() | dgAlwaysShowSelection);
    g->SetSelectedIndex(4);
    const QImage img2 = g->viewport()->grab().toImage();
    const QRect cur = g->visualRect(g->model()->index(0, 4));
    EXPECT_EQ(QColor(img2.pixel(cur.left() + 2, cur.top() + 2)), g->palette().color(QPalette::Highlight));
    // OnGetCellParams sees the highlight and may change it.
    g->OnGetCellParams = [](TExDBGrid &, Field *, QFont &, QColor &, QColor &bg, bool highlight) {
        if (highlight) bg = QColor(0x80, 0, 0);
    };
    const QImage img3 = g->viewport()->grab().toImage();
    EXPECT_EQ(QColor(img3.pixel(cur.left() + 2, cur.top() + 2)), QColor(0x80, 0, 0));
}

// A part-base table as the user sees it, written where KV_DBGRID_SHOT points.
TEST_F(GridTest, Screenshot)
{
    const QByteArray path = qgetenv("KV_DBGRID_SHOT");
    if (path.isEmpty()) GTEST_SKIP();
    g->Columns(4)->Color = QColor(0xFF, 0xFF, 0xE1);
    g->Columns(0)->SetWidth(95);
    g->AddColumn("RotateName", u("Поворот"), 110);
    g->SetTitleButtons(true);
    g->OnGetBtnParams = [](TExDBGrid &, Field *f, QFont &, QColor &, QColor &, TSortMarker &m, bool) {
        if (f->FieldName() == "NAME") m = TSortMarker::smDown;
    };
    t.SetRecNo(3);
    g->SetSelectedIndex(1);
    typeText("1250");
    g->resize(640, 280);
    EXPECT_TRUE(g->grab().save(QString::fromLocal8Bit(path)));
}

TEST_F(GridTest, FixedColumnsStayAndKeysStopAtThem)
{
    TExDBGrid g3;
    g3.SetDataSet(&t);
    g3.AddColumn("NAME", u("Шифр"), 120);
    g3.AddColumn("LENGTH", u("Длина"), 200);
    g3.AddColumn("WIDTH", u("Ширина"), 400);
    g3.resize(400, 250);
    g3.show();
    g3.SetFixedCols(2);
    EXPECT_EQ(g3.FixedCols(), 2);
    EXPECT_EQ(g3.SelectedIndex(), 2);
    ASSERT_NE(g3.FixedColumnsView(), nullptr);
    EXPECT_TRUE(g3.FixedColumnsView()->isVisible());
    g3.SetSelectedIndex(2);
    QTest::keyClick(&g3, Qt::Key_Left);
    EXPECT_EQ(g3.SelectedIndex(), 2);
    QTest::keyClick(&g3, Qt::Key_Home);
    EXPECT_EQ(g3.SelectedIndex(), 2);
    QTest::keyClick(&g3, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(g3.SelectedIndex(), 2);
    // The third column scrolls beneath the fixed ones but stays clear of them.
    g3.horizontalScrollBar()->setValue(g3.horizontalScrollBar()->maximum());
    g3.scrollTo(g3.model()->index(0, 2));
    const QRect cell = g3.visualRect(g3.model()->index(0, 2));
    EXPECT_GE(cell.left() + g3.viewport()->x(), g3.FixedColumnsView()->width() - 2);
    // A click in a fixed column moves to its row and keeps the column.
    QTableView *fixed = g3.FixedColumnsView();
    const QPoint p = fixed->visualRect(fixed->model()->index(4, 0)).center();
    QTest::mouseClick(fixed->viewport(), Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(t.RecNo(), 5);
    EXPECT_EQ(g3.SelectedIndex(), 2);
    // Fixed columns open no editor.
    EXPECT_FALSE(g3.model()->flags(g3.model()->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(g3.model()->flags(g3.model()->index(0, 2)) & Qt::ItemIsEditable);
    g3.SetFixedCols(5);
    EXPECT_EQ(g3.FixedCols(), 2);
    g3.SetFixedCols(0);
    EXPECT_FALSE(g3.FixedColumnsView()->isVisible());
}

TEST_F(GridTest, LayoutGoesWithTheFormLayoutStore)
{
    QWidget form;
    form.setProperty("kvClassName", "TfrmMinSheetsQuantity");
    g->setParent(&form);
    MemIniStorage ini;
    TFormLayoutStore store(&form);
    store.SetStorage(&ini);
    store.SetIniSection("Quantity");
    g->SetIniStorage(&store);
    store.RestoreLayout();   // nothing stored yet: the columns stay
    EXPECT_EQ(g->Columns(0)->Width(), 120);
    g->Columns(0)->SetWidth(150);
    store.SaveLayout();
    EXPECT_EQ(ini.raw("Quantity\\TfrmMinSheetsQuantitydbgDetals", "dbgDetals.NAME"), "0,150");
    g->Columns(0)->SetWidth(60);
    store.RestoreLayout();
    EXPECT_EQ(g->Columns(0)->Width(), 150);
    g->SetIniStorage(nullptr);
    g->setParent(nullptr);
}

TEST_F(GridTest, WheelAndControlKeysMoveTheDataSet)
{
    g->SetMultiSelect(true);
    QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(g->viewport(), &down);
    EXPECT_EQ(t.RecNo(), 2);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(g->SelectedRows().Count(), 2);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(t.RecNo(), kRows);
    EXPECT_EQ(g->SelectedRows().Count(), 0);
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(t.RecNo(), 1);
    key(Qt::Key_PageDown);
    EXPECT_GT(t.RecNo(), 1);
}

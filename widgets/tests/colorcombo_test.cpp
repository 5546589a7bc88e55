#include "widgets/colorcombo.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/userinput.h"

using namespace kv::gw;

TEST(GwColorList, HueClasses)
{
    struct Case { int r, g, b, cls; };
    const Case cases[] = {
        {255, 0, 0, 14}, {255, 128, 0, 1}, {255, 250, 0, 2}, {255, 255, 0, 2}, {128, 128, 128, 15},
        {0, 255, 0, 5}, {0, 0, 255, 10}, {0, 255, 255, 7}, {255, 0, 255, 12}, {100, 255, 0, 3},
        {20, 255, 0, 4}, {0, 128, 255, 8}, {0, 255, 100, 6}, {0, 20, 255, 9}, {150, 0, 255, 11},
        {255, 0, 150, 13}, {255, 100, 100, 14},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HueClass(rgb(c.r, c.g, c.b)), c.cls) << c.r << "," << c.g << "," << c.b;
}

TEST(GwColorList, ValueTextAndRGBText)
{
    EXPECT_EQ(ColorValueText(clRed), QStringLiteral("0000FF"));
    EXPECT_EQ(ColorValueText(clBtnFace), QStringLiteral("8000000F"));
    EXPECT_EQ(ColorValueText(clNone), QStringLiteral("1FFFFFFF"));
    Color c = 0;
    EXPECT_TRUE(ParseRGBText(QStringLiteral("RGB: 1, 2, 3"), c));
    EXPECT_EQ(c, rgb(1, 2, 3));
    EXPECT_FALSE(ParseRGBText(QStringLiteral("RGB: 256, 0, 0"), c));
    EXPECT_FALSE(ParseRGBText(QStringLiteral("RGB: 1, 2"), c));
}

TEST(GwColorList, Building)
{
    TgwColorList l;
    QStringList names;
    for (int i = 0; i < l.count(); ++i)
        names << l.GetItemName(i);
    EXPECT_EQ(names.first(), QStringLiteral("Black"));
    EXPECT_TRUE(names.contains(QStringLiteral("MoneyGreen")));
    EXPECT_FALSE(names.contains(QStringLiteral("BtnFace")));
    EXPECT_FALSE(names.contains(QStringLiteral("None")));

    l.SetOptions(ccoShowStandardColors | ccoShowSystemColors | ccoShowColorNone | ccoShowGreyScale);
    EXPECT_EQ(l.GetItemName(0), QStringLiteral("None"));
    EXPECT_EQ(l.GetItemColor(0), clNone);
    EXPECT_GE(l.IndexOfName(QStringLiteral("btnface")), 0);
    // Greys equal by value to a listed colour are left out and not counted.
    EXPECT_TRUE(l.SetGreyScaleIncrement(64));
    EXPECT_FALSE(l.SetGreyScaleIncrement(0));
    EXPECT_EQ(l.GreyScaleIncrement(), 64);
    EXPECT_EQ(l.GetItemColor(l.IndexOfName(QStringLiteral("Grey1"))), rgb(64, 64, 64));
    EXPECT_EQ(l.IndexOfName(QStringLiteral("Grey2")), -1);
}

TEST(GwColorList, CustomColorsAndValueMatching)
{
    TgwColorList l;
    QString warned;
    l.OnWarning = [&](const QString &t) { warned = t; };
    EXPECT_FALSE(l.SetCustomColors({QStringLiteral("Mine=102030"), QStringLiteral("mine=405060")}));
    EXPECT_EQ(warned, QStringLiteral("Duplicate Color Name Not Allowed: mine"));
    l.SetOptions(ccoShowStandardColors | ccoShowCustomColors | ccoShowColorNames);
    EXPECT_TRUE(l.SetCustomColors({QStringLiteral("Mine=102030"), QStringLiteral("Short red=FF")}));
    EXPECT_GE(l.IndexOfName(QStringLiteral("Mine")), 0);
    // "FF" is red by value: not a second entry.
    EXPECT_EQ(l.IndexOfName(QStringLiteral("Short red")), -1);
    l.SetSelectedColor(Color(0xFF));
    EXPECT_EQ(l.GetItemName(l.currentRow()), QStringLiteral("Red"));
}

TEST(GwColorList, ADuplicateNameKeepsTheOtherEntries)
{
    TgwColorList l;
    QStringList warned;
    l.OnWarning = [&](const QString &t) { warned << t; };
    l.SetOptions(ccoShowCustomColors | ccoShowColorNames);
    EXPECT_FALSE(l.SetCustomColors({QStringLiteral("Mine=102030"), QStringLiteral("Other=405060"),
                                    QStringLiteral("mine=708090")}));
    EXPECT_EQ(warned, QStringList{QStringLiteral("Duplicate Color Name Not Allowed: mine")});
    // The first of the two names stands; the entries around it are not lost.
    ASSERT_GE(l.IndexOfName(QStringLiteral("Mine")), 0);
    EXPECT_EQ(l.GetItemColor(l.IndexOfName(QStringLiteral("Mine"))), Color(0x102030));
    EXPECT_GE(l.IndexOfName(QStringLiteral("Other")), 0);
    EXPECT_EQ(l.IndexOfColor(Color(0x708090)), -1);
}

TEST(GwColorList, SortByRGB)
{
    TgwColorList l;
    l.SetOptions(ccoShowStandardColors | ccoShowColorNames);
    l.SetSortBy(csoByRGB);
    auto pos = [&](const char *n) { return l.IndexOfName(QString::fromLatin1(n)); };
    EXPECT_LT(pos("Yellow"), pos("Red"));    // class 2 before 14
    EXPECT_LT(pos("Red"), pos("White"));     // greys last
    EXPECT_LT(pos("Red"), pos("Maroon"));    // even class 14: brighter first
    EXPECT_LT(pos("Black"), pos("White"));   // odd class 15: darker first
}

namespace {
struct ComboFixture {
    QWidget host;
    TgwColorCombo *combo;
    int changes = 0;
    int escapesReachingHost = 0;
    ComboFixture()
    {
        host.resize(300, 100);
        combo = new TgwColorCombo(&host);
        combo->setGeometry(10, 10, 150, 21);
        combo->OnChange = [this](TgwCustomColorCombo *) { ++changes; };
        host.show();
        combo->setFocus();
    }
};

class EscCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape)
            ++count;
        return false;
    }
};
} // namespace

TEST(GwColorCombo, SteppingWithKeys)
{
    ComboFixture f;
    f.combo->SetSelectedColor(clBlack);
    EXPECT_EQ(f.combo->text(), QStringLiteral("Black"));
    QTest::keyClick(f.combo, Qt::Key_Down);
    EXPECT_EQ(f.combo->SelectedColor(), clMaroon);
    EXPECT_EQ(f.changes, 1);
    QTest::keyClick(f.combo, Qt::Key_Up);
    QTest::keyClick(f.combo, Qt::Key_Up);   // already first: no change
    EXPECT_EQ(f.combo->SelectedColor(), clBlack);
    EXPECT_EQ(f.changes, 2);
    QTest::keyClick(f.combo, Qt::Key_Home);   // only while dropped down
    EXPECT_EQ(f.changes, 2);
}

TEST(GwColorCombo, UnlistedColourBecomesRGBItem)
{
    ComboFixture f;
    f.combo->SetSelectedColor(rgb(1, 2, 3));
    EXPECT_EQ(f.combo->text(), QStringLiteral("RGB: 1, 2, 3"));
    TgwCustomColorList *l = f.combo->ColorList();
    const int i = l->IndexOfColor(rgb(1, 2, 3));
    ASSERT_GE(i, 0);
    EXPECT_EQ(l->GetItemName(i), QStringLiteral("RGB: 1, 2, 3"));
    l->SetOptions(l->Options() | ccoShowGreyScale);   // survives a rebuild
    EXPECT_GE(l->IndexOfColor(rgb(1, 2, 3)), 0);
    EXPECT_EQ(f.changes, 0);   // set by code, not by the user
    f.combo->SetSelectedColor(clNoColorSelected);
    EXPECT_TRUE(f.combo->text().isEmpty());
}

TEST(GwColorCombo, MatchTextAndTypedRGB)
{
    ComboFixture f;
    f.combo->SetSelectedColor(clBlack);
    f.combo->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("ye"));
    EXPECT_EQ(f.combo->SelectedColor(), clYellow);
    EXPECT_EQ(f.combo->text(), QStringLiteral("Yellow"));
    EXPECT_EQ(f.combo->selectedText(), QStringLiteral("llow"));
    QTest::keyClicks(f.combo, QStringLiteral("q"));   // no match in a list-only combo: refused
    EXPECT_EQ(f.combo->SelectedColor(), clYellow);

    f.combo->SetStyle(csDropDown);
    f.combo->ShowMatchText = false;
    f.combo->clear();
    QTest::keyClicks(f.combo, QStringLiteral("RGB: 10, 20, 30"));
    EXPECT_EQ(f.combo->SelectedColor(), rgb(10, 20, 30));
}

TEST(GwColorCombo, EscapeResetsThenReachesTheDialog)
{
    ComboFixture f;
    EscCounter counter;
    f.host.installEventFilter(&counter);
    f.combo->SetStyle(csDropDown);
    f.combo->ShowMatchText = false;
    f.combo->SetSelectedColor(clRed);
    QTest::keyClicks(f.combo, QStringLiteral("x"));
    EXPECT_NE(f.combo->text(), QStringLiteral("Red"));
    QTest::keyClick(f.combo, Qt::Key_Escape);
    EXPECT_EQ(f.combo->text(), QStringLiteral("Red"));
    EXPECT_EQ(counter.count, 0);
    QTest::keyClick(f.combo, Qt::Key_Escape);
    EXPECT_EQ(counter.count, 1);
}

TEST(GwColorCombo, DropDownAndCloseWithoutAcceptRestores)
{
    ComboFixture f;
    f.combo->SetSelectedColor(clRed);
    f.combo->DropDown();
    EXPECT_TRUE(f.combo->IsDroppedDown());
    f.combo->ColorList()->setCurrentRow(0);
    f.combo->CloseUp(false);
    EXPECT_FALSE(f.combo->IsDroppedDown());
    EXPECT_EQ(f.combo->SelectedColor(), clRed);
    f.combo->DropDown();
    f.combo->ColorList()->setCurrentRow(0);
    f.combo->CloseUp(true);
    EXPECT_EQ(f.combo->SelectedColor(), clBlack);
    EXPECT_EQ(f.changes, 1);
}

TEST(GwColorCombo, EllipsisOpensTheDialog)
{
    ComboFixture f;
    f.combo->SetButtonStyle(cbsEllipsis);
    f.combo->ColorDialogRunner = [](TgwCustomColorCombo *, Color &c) { c = rgb(7, 8, 9); return true; };
    f.combo->ButtonMouseDown();
    EXPECT_FALSE(f.combo->IsDroppedDown());
    EXPECT_EQ(f.combo->SelectedColor(), rgb(7, 8, 9));
    EXPECT_EQ(f.combo->text(), QStringLiteral("RGB: 7, 8, 9"));
    f.combo->ColorDialogRunner = [](TgwCustomColorCombo *, Color &c) { c = clWhite; return false; };
    f.combo->ButtonMouseDown();
    EXPECT_EQ(f.combo->SelectedColor(), rgb(7, 8, 9));
}

// Without a runner of its own the ellipsis runs the colour dialog through
// the window's user interface: OK takes the colour, Cancel keeps the old one,
// a combo gone inside the dialog's loop is not touched.
TEST(GwColorCombo, EllipsisRunsTheColourDialogOfItsWindow)
{
    ComboFixture f;
    kv::test::FakeUi ui;
    kv::AttachUi(&f.host, &ui);
    f.combo->SetButtonStyle(cbsEllipsis);
    int closed = 0;
    f.combo->OnCloseColorDialog = [&](TgwCustomColorCombo *, QObject *, bool &, int) { ++closed; };
    struct Case { int answer; bool comboGoes; Color want; int closes; };
    const Case cases[] = {{QDialog::Accepted, false, rgb(1, 2, 3), 1}, {QDialog::Rejected, false, rgb(1, 2, 3), 2},
                          {QDialog::Accepted, true, rgb(1, 2, 3), 2}};
    for (const Case &c : cases) {
        ui.onModal = [&](QDialog &d) {
            auto *dlg = qobject_cast<QColorDialog *>(&d);
            EXPECT_TRUE(dlg);
            if (dlg) dlg->setCurrentColor(c.answer == QDialog::Accepted ? QColor(1, 2, 3) : QColor(9, 9, 9));
            if (c.comboGoes) delete f.combo;
            return c.answer;
        };
        const bool ok = f.combo->ExecuteColorDialog();
        EXPECT_EQ(ok, c.answer == QDialog::Accepted && !c.comboGoes);
        EXPECT_EQ(closed, c.closes);
        if (!c.comboGoes) {
            EXPECT_EQ(f.combo->SelectedColor(), c.want);
        }
    }
}

TEST(GwCombo, DropDownPlacement)
{
    const QRect screen(0, 0, 800, 600);
    struct Case { QRect combo; int w, h; QRect out; };
    const Case cases[] = {
        {QRect(10, 10, 100, 21), 150, 100, QRect(10, 31, 150, 100)},
        {QRect(700, 10, 100, 21), 150, 100, QRect(650, 31, 150, 100)},   // right edge: right-aligned
        {QRect(10, 560, 100, 21), 150, 100, QRect(10, 460, 150, 100)},   // bottom: opens upwards
        {QRect(700, 560, 100, 21), 150, 100, QRect(650, 460, 150, 100)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TgwCustomCombo::DropDownGeometry(c.combo, c.w, c.h, screen), c.out) << c.combo.x() << "," << c.combo.y();
}

TEST(GwColorCombo, ClearKeyAndBackspace)
{
    ComboFixture f;
    f.combo->SetSelectedColor(clYellow);
    f.combo->selectAll();
    QTest::keyClick(f.combo, Qt::Key_Backspace);   // without AllowClearKey: selection start moves back
    EXPECT_EQ(f.combo->SelectedColor(), clYellow);
    f.combo->AllowClearKey = true;
    f.combo->selectAll();
    QTest::keyClick(f.combo, Qt::Key_Backspace);
    EXPECT_EQ(f.combo->SelectedColor(), clNoColorSelected);
    EXPECT_TRUE(f.combo->text().isEmpty());
    EXPECT_EQ(f.changes, 1);
    // Without match text Delete clears too.
    f.combo->ShowMatchText = false;
    f.combo->SetSelectedColor(clRed);
    QTest::keyClick(f.combo, Qt::Key_Delete);
    EXPECT_EQ(f.combo->SelectedColor(), clNoColorSelected);
}

TEST(GwColorCombo, AutoDropDownAndEmptyDropDownHeight)
{
    ComboFixture f;
    f.combo->AutoDropDown = true;
    f.combo->SetSelectedColor(clBlack);
    f.combo->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("w"));
    EXPECT_TRUE(f.combo->IsDroppedDown());
    EXPECT_EQ(f.combo->SelectedColor(), clWhite);
    f.combo->CloseUp(true);
    // No items: as high as the combo plus two borders.
    f.combo->OnFilterColor = [](QObject *, Color, const QString &, bool &accept) { accept = false; };
    f.combo->RefreshColorList();
    EXPECT_EQ(f.combo->ColorList()->count(), 0);
    EXPECT_EQ(f.combo->DropDownSize().height(), f.combo->height() + 4);
}

TEST(GwColorCombo, MouseInTheOpenList)
{
    ComboFixture f;
    f.combo->SetSelectedColor(clBlack);
    f.combo->DropDown();
    TgwCustomColorList *l = f.combo->ColorList();
    ASSERT_TRUE(l->isVisible());
    const QRect second = l->visualItemRect(l->item(2));
    QTest::mouseMove(l->viewport(), second.center());
    QMouseEvent move(QEvent::MouseMove, QPointF(second.center()), l->viewport()->mapToGlobal(QPointF(second.center())),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(l->viewport(), &move);
    EXPECT_EQ(l->currentRow(), 2);   // hot tracking
    EXPECT_EQ(f.combo->SelectedColor(), clBlack);
    QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_FALSE(f.combo->IsDroppedDown());
    EXPECT_EQ(f.combo->SelectedColor(), l->GetItemColor(2));
    EXPECT_EQ(f.changes, 1);
}

// The drop-down driven as a user does it: presses, moves, releases and keys
// through the window system (so the open pop-up takes them, as it does on a
// screen), not sent to the widgets directly.
namespace {
using kv::test::MouseAct;
using kv::test::UserKey;
constexpr auto Press = MouseAct::Press, Release = MouseAct::Release, Click = MouseAct::Click, Move = MouseAct::Move;
void mouse(MouseAct act, QWidget *w, QPoint pos) { kv::test::UserMouse(act, w, pos); }
void key(QWidget *w, Qt::Key k, Qt::KeyboardModifiers m = {}) { UserKey(w, k, m); }

struct OpenedByTheUser : ComboFixture {
    QPushButton *other;
    int otherClicks = 0;
    OpenedByTheUser()
    {
        other = new QPushButton(QStringLiteral("other"), &host);
        other->setGeometry(200, 10, 80, 24);
        other->show();
        QObject::connect(other, &QPushButton::clicked, [this] { ++otherClicks; });
        combo->SetSelectedColor(clBlack);
        host.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&host));
        combo->setFocus();
    }
    QWidget *button() const { return combo->Button(); }
    TgwCustomColorList *list() const { return combo->ColorList(); }
    QPoint itemCenter(int row) const { return list()->visualItemRect(list()->item(row)).center(); }
    void clickButton() { mouse(Click, button(), button()->rect().center()); }
};
} // namespace

TEST(GwColorCombo, TheButtonOpensTheListAndAClickInItTakesTheColour)
{
    struct Case { const char *what; bool onText; };
    for (const Case c : {Case{"the button", false}, Case{"the text of the list-only combo", true}}) {
        OpenedByTheUser f;
        if (c.onText)
            mouse(Click, f.combo, QPoint(30, 10));
        else
            f.clickButton();
        ASSERT_TRUE(f.combo->IsDroppedDown()) << c.what;   // the release of the opening click keeps it open
        EXPECT_EQ(f.list()->currentRow(), f.list()->IndexOfColor(clBlack));
        mouse(Click, f.list()->viewport(), f.itemCenter(3));
        EXPECT_FALSE(f.combo->IsDroppedDown()) << c.what;
        EXPECT_EQ(f.combo->SelectedColor(), f.list()->GetItemColor(3)) << c.what;
        EXPECT_EQ(f.combo->text(), f.list()->GetItemName(3));
        EXPECT_EQ(f.changes, 1) << c.what;
    }
}

TEST(GwColorCombo, PressAndHoldOnTheButtonThenReleaseOverAnItem)
{
    OpenedByTheUser f;
    mouse(Press, f.button(), f.button()->rect().center());
    ASSERT_TRUE(f.combo->IsDroppedDown());
    mouse(Move, f.list()->viewport(), f.itemCenter(5));
    EXPECT_EQ(f.list()->currentRow(), 5);   // hot tracking while held
    EXPECT_EQ(f.changes, 0);
    mouse(Release, f.list()->viewport(), f.itemCenter(5));
    EXPECT_FALSE(f.combo->IsDroppedDown());
    EXPECT_EQ(f.combo->SelectedColor(), f.list()->GetItemColor(5));
    EXPECT_EQ(f.changes, 1);
}

TEST(GwColorCombo, KeysOpenMoveTakeAndCancel)
{
    OpenedByTheUser f;
    key(f.combo, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.combo->IsDroppedDown());
    key(f.list(), Qt::Key_Down);
    key(f.list(), Qt::Key_Down);
    EXPECT_TRUE(f.combo->IsDroppedDown());
    key(f.list(), Qt::Key_Return);
    EXPECT_FALSE(f.combo->IsDroppedDown());
    const Color chosen = f.combo->SelectedColor();
    EXPECT_EQ(chosen, f.list()->GetItemColor(f.list()->IndexOfColor(clBlack) + 2));
    key(f.combo, Qt::Key_Up, Qt::AltModifier);
    ASSERT_TRUE(f.combo->IsDroppedDown());
    key(f.list(), Qt::Key_Down);
    key(f.list(), Qt::Key_Escape);   // back to the colour of the opening
    EXPECT_FALSE(f.combo->IsDroppedDown());
    EXPECT_EQ(f.combo->SelectedColor(), chosen);
    key(f.combo, Qt::Key_Down, Qt::AltModifier);
    key(f.list(), Qt::Key_Down, Qt::AltModifier);   // Alt+Down again closes it
    EXPECT_FALSE(f.combo->IsDroppedDown());
}

TEST(GwColorCombo, AClickOutsideTheOpenList)
{
    struct Case { const char *what; bool onButton; };
    for (const Case c : {Case{"another control", false}, Case{"the combo's own button", true}}) {
        OpenedByTheUser f;
        f.clickButton();
        ASSERT_TRUE(f.combo->IsDroppedDown()) << c.what;
        mouse(Move, f.list()->viewport(), f.itemCenter(4));
        if (c.onButton) {
            // Takes the item under the mouse and does not open the list again.
            f.clickButton();
            EXPECT_EQ(f.combo->SelectedColor(), f.list()->GetItemColor(4)) << c.what;
        } else {
            // Closes without a change; the click goes on to what was clicked.
            mouse(Click, f.other, f.other->rect().center());
            EXPECT_EQ(f.combo->SelectedColor(), clBlack) << c.what;
            EXPECT_EQ(f.otherClicks, 1) << c.what;
        }
        EXPECT_FALSE(f.combo->IsDroppedDown()) << c.what;
    }
}

#include "controls/extimer.h"
#include "controls/spinedit.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <climits>
#include <functional>

using TS = TExSpinButton;

TEST(SpinButton, HitTest)
{
    // Diagonal from bottom-left (0,20) to top-right (20,0).
    EXPECT_EQ(TS::HalfAt(TS::sbsDefault, 20, 20, 2, 2), TS::shTop);
    EXPECT_EQ(TS::HalfAt(TS::sbsDefault, 20, 20, 18, 18), TS::shBottom);
    EXPECT_EQ(TS::HalfAt(TS::sbsDefault, 20, 20, 10, 10), TS::shTop);   // on the line
    EXPECT_EQ(TS::HalfAt(TS::sbsDefault, 20, 20, 10, 11), TS::shBottom);
    EXPECT_EQ(TS::HalfAt(TS::sbsDefault, 40, 20, 30, 4), TS::shTop);     // line at y 5
    EXPECT_EQ(TS::HalfAt(TS::sbsDefault, 40, 20, 30, 6), TS::shBottom);
    EXPECT_EQ(TS::HalfAt(TS::sbsClassic, 15, 20, 3, 10), TS::shTop);
    EXPECT_EQ(TS::HalfAt(TS::sbsClassic, 15, 20, 3, 11), TS::shBottom);
}

TEST(SpinEdit, MaxAloneClampsBothWays)
{
    TExSpinEdit e;
    e.setMaxValue(1000);
    EXPECT_TRUE(e.CheckMinValue());
    EXPECT_TRUE(e.CheckMaxValue());
    e.setValue(5000);
    EXPECT_EQ(e.text(), "1000");
    e.setValue(-5);
    EXPECT_EQ(e.text(), "0");
}

TEST(SpinEdit, NoBoundsAcceptsAnything)
{
    TExSpinEdit e;
    EXPECT_FALSE(e.CheckMinValue());
    e.setValue(-123456);
    EXPECT_EQ(e.text(), "-123456");
}

TEST(SpinEdit, MinAboveMaxEndsAtMax)
{
    TExSpinEdit e;
    e.setMinValue(10);
    e.setMaxValue(5);
    for (double v : {-1.0, 7.0, 100.0}) {
        e.setValue(v);
        EXPECT_EQ(e.text(), "5") << v;
    }
}

TEST(SpinEdit, IncrementRoundsForWholeTypes)
{
    struct Case { double inc, want; };
    for (const Case c : {Case{0.4, 1}, Case{0.5, 1}, Case{2.5, 2}, Case{3.5, 4}, Case{1.0, 1}}) {
        TExSpinEdit e;
        e.setValueType(TExSpinEdit::vtFloat);
        e.setIncrement(c.inc);
        e.setValueType(TExSpinEdit::vtInteger);
        EXPECT_EQ(e.Increment(), c.want) << c.inc;
    }
}

TEST(SpinEdit, ValueForms)
{
    TExSpinEdit e;
    e.setValueType(TExSpinEdit::vtFloat);
    e.setValue(2.5);
    EXPECT_EQ(e.text(), "2.50");
    e.setDecimal(1);
    EXPECT_EQ(e.text(), "2.5");
    e.setValueType(TExSpinEdit::vtHex);
    e.setValue(255);
    EXPECT_EQ(e.text(), "FF");
    EXPECT_EQ(e.Value(), 255);
    e.setMaxValue(1000);
    e.setMinValue(3);
    e.setText("1G");
    EXPECT_EQ(e.Value(), 3);   // unreadable: the minimum
    e.setValueType(TExSpinEdit::vtInteger);
    e.setValue(2.5);
    EXPECT_EQ(e.text(), "3");  // minimum 3 applies
    e.setMinValue(0);
    e.setValue(2.5);
    EXPECT_EQ(e.text(), "2");  // halves to even
}

TEST(SpinEdit, BeyondThirtyTwoBitsClamps)
{
    TExSpinEdit e;
    e.setMinValue(1);
    e.setMaxValue(2147483647);
    e.setText("99999999999");
    EXPECT_EQ(e.Value(), 2147483647.0);
    e.setText("abc");
    EXPECT_EQ(e.Value(), 1.0);
    TExSpinEdit free;
    free.setText("-99999999999");
    EXPECT_EQ(free.Value(), -2147483648.0);
}

// Every read is within the bounds (whole numbers within 32 bits), whatever
// was typed; the typed number is known to be out of range until corrected.
TEST(SpinEdit, EveryReadIsWithinTheBounds)
{
    using E = TExSpinEdit;
    const struct { E::TValueType type; double min, max; const char *text; double value; bool out; int whole; } cases[] = {
        {E::vtInteger, 0, 1000, "1000", 1000, false, 1000},
        {E::vtInteger, 0, 1000, "1001", 1000, true, 1000},
        {E::vtInteger, 0, 1000, "-5", 0, true, 0},
        {E::vtInteger, 1, 2147483647, "99999999999", 2147483647, true, 2147483647},
        {E::vtInteger, 0, 0, "99999999999", 2147483647, true, 2147483647},
        {E::vtInteger, 0, 0, "-99999999999", -2147483648.0, true, INT_MIN},
        {E::vtInteger, 0, 0, "-2147483648", -2147483648.0, false, INT_MIN},
        {E::vtFloat, 0, 100, "100.5", 100, true, 100},
        {E::vtFloat, 0, 100, "-0.1", 0, true, 0},
        {E::vtFloat, 0, 100, "2.5", 2.5, false, 2},
        {E::vtFloat, 0, 100, "abc", 0, false, 0},
        {E::vtFloat, 0, 0, "1e300", 1e300, false, INT_MAX},
        {E::vtFloat, 0, 0, "1e400", 0, false, 0},   // no double holds it: no number
        {E::vtFloat, 0, 0, "-3e9", -3e9, false, INT_MIN},
        {E::vtHex, 0, 255, "100", 255, true, 255},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        E e;
        e.setValueType(c.type);
        e.setMinValue(c.min);
        e.setMaxValue(c.max);
        e.setText(QString::fromLatin1(c.text));
        EXPECT_EQ(e.Value(), c.value);
        EXPECT_EQ(e.OutOfRange(), c.out);
        EXPECT_EQ(e.IntValue(), c.whole);
    }
}

TEST(SpinEdit, RangeTextAndTheDialogsCheck)
{
    QDialog dlg;
    auto *lay = new QVBoxLayout(&dlg);
    auto *length = new TExSpinEdit;
    length->setObjectName("seLength");
    length->setMaxValue(1000);
    auto *kerf = new TExSpinEdit;
    kerf->setObjectName("seMill");
    kerf->setValueType(TExSpinEdit::vtFloat);
    kerf->setDecimal(1);
    kerf->setMaxValue(10);
    auto *free = new TExSpinEdit;
    lay->addWidget(length);
    lay->addWidget(kerf);
    lay->addWidget(free);
    EXPECT_EQ(length->RangeText(), "Введите число от 0 до 1000.");
    EXPECT_EQ(kerf->RangeText(), "Введите число от 0.0 до 10.0.");
    EXPECT_EQ(free->RangeText(), "Введите число от -2147483648 до 2147483647.");
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    kerf->setText("12");
    length->setFocus();
    {
        kv::test::FakeUi ui;
        kv::AttachUi(&dlg, &ui);
        kv::test::ScopedAnswers answers(ui);
        EXPECT_FALSE(TExSpinEdit::CheckRanges(&dlg));
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "Введите число от 0.0 до 10.0.");
        EXPECT_EQ(answers.shown()[0].kind, kv::MsgKind::Error);
    }
    EXPECT_EQ(dlg.focusWidget(), kerf);
    kerf->setText("9.5");
    EXPECT_TRUE(TExSpinEdit::CheckRanges(&dlg));
}

TEST(SpinEdit, TypedCharacters)
{
    TExSpinEdit e;
    e.setValueType(TExSpinEdit::vtFloat);
    e.setText("1.5");
    EXPECT_FALSE(e.AcceptsChar('.'));   // a second separator
    EXPECT_TRUE(e.AcceptsChar('E'));
    e.setText("1.5E");
    EXPECT_FALSE(e.AcceptsChar('e'));
    EXPECT_FALSE(e.AcceptsChar('A'));
    e.setValueType(TExSpinEdit::vtHex);
    EXPECT_TRUE(e.AcceptsChar('a'));
    EXPECT_FALSE(e.AcceptsChar('g'));
    e.setValueType(TExSpinEdit::vtInteger);
    EXPECT_FALSE(e.AcceptsChar('a'));
    EXPECT_TRUE(e.AcceptsChar('-'));
    e.setEditorEnabled(false);
    EXPECT_FALSE(e.AcceptsChar('5'));
    EXPECT_FALSE(e.AcceptsChar(QChar(8)));
}

TEST(SpinEdit, TypingAndTabClamps)
{
    QDialog dlg;
    auto *lay = new QVBoxLayout(&dlg);
    auto *e = new TExSpinEdit;
    e->setObjectName("seKerf");
    e->setMaxValue(1000);
    auto *other = new QLineEdit;
    lay->addWidget(e);
    lay->addWidget(other);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto *se = dlg.findChild<TExSpinEdit *>("seKerf");
    se->setFocus();
    se->selectAll();
    QTest::keyClicks(se, "5x000");   // the letter is refused
    EXPECT_EQ(se->text(), "5000");
    QTest::keyClick(se, Qt::Key_Tab);
    EXPECT_EQ(se->text(), "1000");
    se->setFocus();
    QTest::keyClick(se, Qt::Key_Down);
    EXPECT_EQ(se->text(), "999");
    QTest::keyClick(se, Qt::Key_Up);
    QTest::keyClick(se, Qt::Key_Up);
    EXPECT_EQ(se->text(), "1000");
    se->selectAll();
    QTest::keyClicks(se, "-5");
    QTest::keyClick(se, Qt::Key_Tab);
    EXPECT_EQ(se->text(), "0");
}

TEST(SpinEdit, StepChangeEvents)
{
    TExSpinEdit e;
    e.setMaxValue(2);
    QSignalSpy change(&e, &TExSpinEdit::Change), top(&e, &TExSpinEdit::topClicked);
    e.StepUp();
    e.StepUp();
    e.StepUp();   // held at 2: no change, but the click still fires
    EXPECT_EQ(e.text(), "2");
    EXPECT_EQ(change.count(), 2);
    EXPECT_EQ(top.count(), 3);
    e.setReadOnly(true);
    e.StepDown();
    EXPECT_EQ(e.text(), "2");
}

TEST(SpinEdit, HoldTopHalfRepeats)
{
    kv::FakeClock clock;
    TExSpinEdit e;
    e.resize(80, 22);
    e.show();
    TExSpinButton *b = e.Button();
    ASSERT_NE(b, nullptr);
    const QPoint top(2, 2);
    QTest::mousePress(b, Qt::LeftButton, {}, top);
    EXPECT_EQ(e.text(), "1");      // one step at once
    clock.advance(399);
    EXPECT_EQ(e.text(), "1");
    clock.advance(1);
    EXPECT_EQ(e.text(), "2");      // after 400 ms
    clock.advance(300);
    EXPECT_EQ(e.text(), "5");      // then every 100 ms
    // Sliding to the bottom half stops the steps without reversing.
    QMouseEvent move(QEvent::MouseMove, QPointF(b->width() - 2, b->height() - 2), b->mapToGlobal(QPointF(b->width() - 2, b->height() - 2)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b, &move);
    clock.advance(500);
    EXPECT_EQ(e.text(), "5");
    // A release far outside the button leaves nothing pressed.
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(500, 500));
    EXPECT_EQ(b->PressedHalf(), TS::shNone);
    clock.advance(1000);
    EXPECT_EQ(e.text(), "5");
}

TEST(SpinEdit, ReleaseOutsideWithoutMoveDoesNotStick)
{
    kv::FakeClock clock;
    TExSpinEdit e;
    e.resize(80, 22);
    e.show();
    TExSpinButton *b = e.Button();
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(b->width() - 2, b->height() - 2));
    EXPECT_EQ(e.text(), "-1");
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(-50, -50));
    clock.advance(2000);
    EXPECT_EQ(e.text(), "-1");
    EXPECT_EQ(b->PressedHalf(), TS::shNone);
}

TEST(SpinEdit, EnterReachesDefaultButton)
{
    QDialog dlg;
    auto *lay = new QVBoxLayout(&dlg);
    auto *e = new TExSpinEdit;
    auto *ok = new QPushButton("OK");
    ok->setDefault(true);
    lay->addWidget(e);
    lay->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    e->setFocus();
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

// With EditorEnabled off the value changes only by the buttons and the arrow
// keys: every way of putting text in is refused.
TEST(SpinEdit, EditorDisabledRefusesEveryWayOfTyping)
{
    struct Way
    {
        const char *name;
        std::function<void(TExSpinEdit &)> put;
    };
    const auto dropText = [](TExSpinEdit &e) {
        QMimeData mime;
        mime.setText("99");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&e, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&e, &drop);
    };
    // The context menu's paste, picked as the user picks it.
    const auto menuPaste = [](TExSpinEdit &e) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu) return;
            seen = true;
            // Paste is the entry with the paste shortcut.
            const QString keys = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
            for (QAction *a : menu->actions())
                if (a->text().endsWith(keys) && a->isEnabled()) a->trigger();
            menu->close();
        });
        QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), e.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&e, &ev);
        EXPECT_TRUE(seen) << "no menu";
    };
    const Way ways[] = {
        {"a digit", [](TExSpinEdit &e) { QTest::keyClick(&e, Qt::Key_7); }},
        {"backspace", [](TExSpinEdit &e) { QTest::keyClick(&e, Qt::Key_Backspace); }},
        {"Ctrl+V", [](TExSpinEdit &e) { QTest::keySequence(&e, QKeySequence::Paste); }},
        {"Ctrl+X", [](TExSpinEdit &e) { QTest::keySequence(&e, QKeySequence::Cut); }},
        {"the menu's paste", menuPaste},
        {"a drop", dropText},
    };
    for (bool enabled : {false, true}) {
        for (const Way &w : ways) {
            QApplication::clipboard()->setText("42");
            TExSpinEdit e;
            e.setMaxValue(1000);
            e.setEditorEnabled(enabled);
            e.resize(80, 22);
            e.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&e));
            e.setFocus();
            e.setValue(5);
            e.selectAll();
            w.put(e);
            // Refused when off; with editing on the same way changes the text.
            if (enabled) {
                EXPECT_NE(e.text(), "5") << w.name;
            } else {
                EXPECT_EQ(e.text(), "5") << w.name;
            }
            const double before = e.Value();
            QTest::keyClick(&e, Qt::Key_Up);   // the arrow keys step either way
            EXPECT_EQ(e.Value(), before + 1) << w.name;
        }
    }
}

// bkStandard is the up-down control: its halves step up and down, at once and
// then repeating while held.
TEST(SpinEdit, StandardKindIsTheUpDownControl)
{
    kv::FakeClock clock;
    TExSpinEdit e;
    e.resize(80, 22);
    e.setButtonKind(TExSpinEdit::bkStandard);
    e.show();
    ASSERT_EQ(e.Button(), nullptr);
    TExUpDown *ud = e.UpDown();
    ASSERT_NE(ud, nullptr);
    EXPECT_EQ(ud->width(), 15);
    EXPECT_EQ(ud->geometry().right(), e.rect().right() - e.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &e));
    QTest::mousePress(ud, Qt::LeftButton, {}, QPoint(5, 2));
    EXPECT_EQ(e.text(), "1");
    clock.advance(400);
    EXPECT_EQ(e.text(), "2");
    clock.advance(100);
    EXPECT_EQ(e.text(), "3");
    QTest::mouseRelease(ud, Qt::LeftButton, {}, QPoint(5, 2));
    clock.advance(1000);
    EXPECT_EQ(e.text(), "3");
    QTest::mouseClick(ud, Qt::LeftButton, {}, QPoint(5, ud->height() - 2));
    EXPECT_EQ(e.text(), "2");
    // Back to the diagonal button: the up-down control goes.
    e.setButtonKind(TExSpinEdit::bkDiagonal);
    EXPECT_EQ(e.UpDown(), nullptr);
    EXPECT_NE(e.Button(), nullptr);
}

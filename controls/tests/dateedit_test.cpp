#include "controls/dateedit.h"
#include "platform/clock.h"

#include "platform/error.h"
#include "platform/testsupport/fakeui.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {
struct DateEditFixture : ::testing::Test
{
    // Answers the boxes and the date dialog of every edit a test attaches it to.
    kv::test::FakeUi ui;
    QStringList errors() const
    {
        QStringList out;
        for (const kv::ShownMessage &m : ui.shown) out << m.text;
        return out;
    }
    void SetUp() override { kv::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(12, 0)); }); }
    void TearDown() override { kv::SetClock({}); }
};
} // namespace

using DateEdit = DateEditFixture;
using CE = TCustomComboEdit;

TEST(ComboEdit, EllipsisGlyph)
{
    const QImage img = CE::EllipsisGlyph(21);   // 15 wide: gap 3, first dot at 1
    ASSERT_EQ(img.size(), QSize(15, 4));
    QString row;
    for (int x = 0; x < 15; ++x) row += img.pixelIndex(x, 1) == 0 ? '#' : '.';
    EXPECT_EQ(row, ".##...##...##..");
    EXPECT_EQ(CE::EllipsisGlyph(3).width(), 1);
}

TEST(ComboEdit, PopupPlacement)
{
    const QSize pop(187, 124), screen(1024, 768);
    EXPECT_EQ(CE::PopupPlacement(QRect(300, 100, 120, 21), pop, screen, CE::epaRight), QPoint(233, 121));
    EXPECT_EQ(CE::PopupPlacement(QRect(300, 700, 120, 21), pop, screen, CE::epaRight), QPoint(233, 576));
    EXPECT_EQ(CE::PopupPlacement(QRect(20, 100, 120, 21), pop, screen, CE::epaRight), QPoint(20, 121));
    EXPECT_EQ(CE::PopupPlacement(QRect(950, 100, 70, 21), pop, screen, CE::epaLeft), QPoint(833, 121));
    EXPECT_EQ(CE::PopupPlacement(QRect(-50, 100, 70, 21), pop, screen, CE::epaLeft), QPoint(0, 121));
}

TEST(ComboEdit, ButtonClickAndHiddenButton)
{
    TComboEdit e;
    e.setObjectName("cedPath");
    e.setDirectInput(false);
    QSignalSpy clicks(&e, &TComboEdit::ButtonClick);
    e.Button()->Click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(e.isReadOnly());   // text only through the button
    e.setReadOnly(true);
    e.Button()->Click();
    EXPECT_EQ(clicks.count(), 1);  // a read-only edit ignores its button
    e.setReadOnly(false);
    e.setButtonWidth(1);
    EXPECT_FALSE(e.findChild<QWidget *>("ButtonPanel")->isVisibleTo(&e));
    e.setButtonWidth(21);
    EXPECT_TRUE(e.findChild<QWidget *>("ButtonPanel")->isVisibleTo(&e));
}

TEST_F(DateEdit, FormatAndMask)
{
    EXPECT_EQ(QtInputMaskOf("!99/99/9999;1; ", QLatin1Char('.')), "00.00.0000; ");
    EXPECT_EQ(QtInputMaskOf("!99/99/99;1;_", QLatin1Char('.')), "00.00.00;_");
    EXPECT_EQ(QtDateFormatOf("DD/MM/YYYY", QLatin1Char('.')), "dd.MM.yyyy");
    TDateEdit e;
    kv::AttachUi(&e, &ui);
    EXPECT_EQ(e.inputMask(), "00.00.0000");   // Qt leaves out the default blank
    e.SetDate(QDate(2026, 2, 5));
    EXPECT_EQ(e.text(), "05.02.2026");
    EXPECT_EQ(e.Date(), QDate(2026, 2, 5));
    e.SetYearDigits(TDateEdit::dyTwo);
    EXPECT_EQ(e.text(), "05.02.26");
    EXPECT_EQ(e.Date(), QDate(2026, 2, 5));
}

TEST_F(DateEdit, EmptyText)
{
    TDateEdit e;
    kv::AttachUi(&e, &ui);
    EXPECT_TRUE(e.TextIsEmpty());
    EXPECT_FALSE(e.Date().isValid());
    e.SetDefaultToday(true);
    EXPECT_EQ(e.Date(), QDate(2026, 3, 15));
    e.SetDefaultToday(false);
    e.SetDate(QDate());
    EXPECT_TRUE(e.TextIsEmpty());
}

TEST_F(DateEdit, RangeMessages)
{
    TDateEdit e;
    kv::AttachUi(&e, &ui);
    e.SetDateAutoBetween(false);
    struct Case { QDate min, max, date; const char *msg; };
    const Case cases[] = {
        {QDate(2026, 1, 1), QDate(2026, 12, 31), QDate(2027, 1, 5),
         "\"05.01.2027\" - неверная дата. Значение должно быть между \"01.01.2026\" и \"31.12.2026\""},
        {QDate(2026, 1, 1), QDate(2026, 12, 31), QDate(2025, 1, 5),
         "\"05.01.2025\" - неверная дата. Значение должно быть между \"01.01.2026\" и \"31.12.2026\""},
        {QDate(), QDate(2026, 12, 31), QDate(2027, 1, 5),
         "\"05.01.2027\" - неверная дата. Значение должно быть не больше \"31.12.2026\""},
        {QDate(2026, 1, 1), QDate(), QDate(2025, 1, 5),
         "\"05.01.2025\" - неверная дата. Значение должно быть не меньше \"01.01.2026\""},
    };
    for (const Case &c : cases) {
        e.SetMinDate(QDate());
        e.SetMaxDate(QDate());
        e.SetMinDate(c.min);
        e.SetMaxDate(c.max);
        e.SetDate(QDate(2026, 6, 1));
        try {
            e.SetDate(c.date);
            ADD_FAILURE() << "no error for " << c.msg;
        } catch (const kv::Error &err) {
            EXPECT_EQ(err.message(), QString::fromUtf8(c.msg));
        }
        EXPECT_EQ(e.text(), "01.06.2026");   // nothing changed
    }
    // A limit across the other one is refused too.
    e.SetMinDate(QDate(2026, 1, 1));
    e.SetMaxDate(QDate(2026, 12, 31));
    EXPECT_THROW(e.SetMinDate(QDate(2027, 1, 1)), kv::Error);
    EXPECT_EQ(e.MinDate(), QDate(2026, 1, 1));
}

TEST_F(DateEdit, AutoBetweenClamps)
{
    TDateEdit e;
    kv::AttachUi(&e, &ui);
    e.SetDate(QDate(2026, 6, 1));
    e.SetMaxDate(QDate(2026, 5, 1));
    EXPECT_EQ(e.text(), "01.05.2026");
    e.SetMinDate(QDate(2026, 7, 1));   // across the maximum: the maximum follows
    EXPECT_EQ(e.MaxDate(), QDate(2026, 7, 1));
    EXPECT_EQ(e.text(), "01.07.2026");
    e.SetDate(QDate(2020, 1, 1));
    EXPECT_EQ(e.text(), "01.07.2026");
}

TEST_F(DateEdit, Keys)
{
    TDateEdit e;
    kv::AttachUi(&e, &ui);
    e.show();
    e.setFocus();
    QTest::keyClick(&e, Qt::Key_Plus, Qt::KeypadModifier);   // empty: today + 1
    EXPECT_EQ(e.Date(), QDate(2026, 3, 16));
    QTest::keyClick(&e, Qt::Key_Minus, Qt::KeypadModifier);
    QTest::keyClick(&e, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(e.Date(), QDate(2026, 3, 14));
    e.SetDate(QDate(2020, 1, 1));
    QTest::keyClick(&e, Qt::Key_T);
    EXPECT_EQ(e.Date(), QDate(2026, 3, 15));
}

TEST_F(DateEdit, CheckOnExit)
{
    QDialog dlg;
    kv::AttachUi(&dlg, &ui);
    auto *lay = new QVBoxLayout(&dlg);
    auto *from = new TDateEdit;
    from->setObjectName("dtFrom");
    from->SetCheckOnExit(true);
    auto *before = new TDateEdit;
    before->setObjectName("dtBefore");
    lay->addWidget(from);
    lay->addWidget(before);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto *dt = dlg.findChild<TDateEdit *>("dtFrom");
    dt->setFocus();
    dt->setText("31.02.2005");
    before->setFocus();
    ASSERT_EQ(errors().size(), 1);
    EXPECT_EQ(errors()[0], QString::fromUtf8("''31.02.2005'' - неверная дата"));
    QTest::qWait(5);
    EXPECT_TRUE(dt->hasFocus());            // the focus comes back
    EXPECT_EQ(dt->text(), "31.02.2005");    // the text stays as typed
    // A message box of the dialog's own check takes the focus to its own
    // window: that is no leaving of the field, the check stays silent.
    for (Qt::FocusReason away : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, away);
        QApplication::sendEvent(dt, &out);
        EXPECT_EQ(errors().size(), 1) << away;
    }
    dt->setText("05.03.2026");
    before->setFocus();
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(dt->Date(), QDate(2026, 3, 5));
    dt->setFocus();
    dt->SetDate(QDate());                   // empty is never checked
    before->setFocus();
    EXPECT_EQ(errors().size(), 1);
}

TEST_F(DateEdit, DialogButton)
{
    TDateEdit e;
    kv::AttachUi(&e, &ui);
    e.SetDialogTitle(QString::fromUtf8("Дата"));
    QString title;
    ui.onModal = [&](QDialog &d) {
        auto &dlg = dynamic_cast<TSelectDateDlg &>(d);
        title = dlg.windowTitle();
        dlg.Calendar()->Model().SetCalendarDate(QDate(2026, 1, 20));
        return int(QDialog::Accepted);
    };
    e.Button()->Click();
    EXPECT_EQ(title, QString::fromUtf8("Дата"));
    EXPECT_EQ(e.Date(), QDate(2026, 1, 20));
    e.OnAcceptDate = [](QDate &, bool &accept) { accept = false; };
    ui.onModal = [](QDialog &d) {
        dynamic_cast<TSelectDateDlg &>(d).Calendar()->Model().SetCalendarDate(QDate(2026, 1, 25));
        return int(QDialog::Accepted);
    };
    e.Button()->Click();
    EXPECT_EQ(e.Date(), QDate(2026, 1, 20));
}

TEST_F(DateEdit, PopupCalendar)
{
    QWidget w;
    kv::AttachUi(&w, &ui);
    auto *e = new TDateEdit(&w);
    e->SetCalendarStyle(TDateEdit::csPopup);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    e->SetDate(QDate(2026, 2, 5));
    e->Button()->Click();
    ASSERT_TRUE(e->PopupVisible());
    auto *pop = qobject_cast<TPopupCalendar *>(e->Popup());
    ASSERT_NE(pop, nullptr);
    EXPECT_TRUE(pop->isVisible());
    EXPECT_EQ(pop->Value(), QDate(2026, 2, 5));
    QTest::keyClick(e, Qt::Key_T);   // moves the pop-up, not the edit
    EXPECT_EQ(pop->Value(), QDate(2026, 3, 15));
    EXPECT_EQ(e->Date(), QDate(2026, 2, 5));
    QTest::keyClick(e, Qt::Key_PageDown);
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_FALSE(e->PopupVisible());
    EXPECT_EQ(e->Date(), QDate(2026, 4, 15));
    e->Button()->Click();
    QTest::keyClick(e, Qt::Key_Right);
    QTest::keyClick(e, Qt::Key_Escape);   // closes without taking the date
    EXPECT_EQ(e->Date(), QDate(2026, 4, 15));
}

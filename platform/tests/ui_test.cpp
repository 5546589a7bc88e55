#include "platform/ui.h"

#include "platform/error.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

using namespace kv;

namespace {

TEST(Ui, CaptionsAndButtonTexts)
{
    EXPECT_EQ(MessageCaption(MsgKind::Error), "Ошибка");
    EXPECT_EQ(MessageCaption(MsgKind::Warning), "Предупреждение");
    EXPECT_EQ(MessageCaption(MsgKind::Confirmation), "Подтверждение");
    EXPECT_EQ(MessageCaption(MsgKind::Information), "Информация");
    EXPECT_EQ(MessageButtonTexts(MsgButtons::Ok), QStringList{"ОК"});
    EXPECT_EQ(MessageButtonTexts(MsgButtons::YesNo), (QStringList{"Да", "Нет"}));
    EXPECT_EQ(MessageButtonTexts(MsgButtons::YesNoCancel), (QStringList{"Да", "Нет", "Отмена"}));
    EXPECT_EQ(MessageButtonTexts(MsgButtons::RetryCancel), (QStringList{"Повторить", "Отмена"}));
}

TEST(Ui, CarriageReturnIsALineBreak)
{
    EXPECT_EQ(MessageDisplayText("ВНИМАНИЕ!\r\rСохранить?"), "ВНИМАНИЕ!\n\nСохранить?");
    EXPECT_EQ(MessageDisplayText("a\r\nb"), "a\nb");
}

TEST(Ui, HookRecordsAndAnswersInOrder)
{
    ScopedMessageAnswers answers({ModalResult::No, ModalResult::Retry});
    EXPECT_EQ(ShowWarning("Сохранить?", MsgButtons::YesNoCancel), ModalResult::No);
    EXPECT_EQ(ShowConfirmation("x", MsgButtons::RetryCancel), ModalResult::Retry);
    ShowError("Ошибка\rзаписи");
    ASSERT_EQ(answers.shown().size(), 3u);
    EXPECT_EQ(answers.shown()[0].caption, "Предупреждение");
    EXPECT_EQ(answers.shown()[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(answers.shown()[2].kind, MsgKind::Error);
    EXPECT_EQ(answers.shown()[2].text, "Ошибка\rзаписи");
}

TEST(Ui, RunGuardedShowsTheErrorText)
{
    ScopedMessageAnswers answers;
    EXPECT_FALSE(RunGuarded([] { throw Error("База деталей не найдена."); }));
    EXPECT_TRUE(RunGuarded([] {}));
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, MsgKind::Error);
    EXPECT_EQ(answers.shown()[0].text, "База деталей не найдена.");
}

// Presses the button with `text` of the box that is open, once it is.
void pressLater(const QString &text, QString *seenTitle, QString *seenText, QStringList *seenButtons)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) { pressLater(text, seenTitle, seenText, seenButtons); return; }
        *seenTitle = box->windowTitle();
        *seenText = box->text();
        QPushButton *target = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            *seenButtons << b->text();
            if (b->text() == text) target = qobject_cast<QPushButton *>(b);
        }
        if (target) QTest::mouseClick(target, Qt::LeftButton);
        else box->reject();
    });
}

TEST(Ui, RealBoxShowsRussianButtonsAndReturnsThePressedOne)
{
    struct Case { MsgKind kind; MsgButtons buttons; const char *press; ModalResult want; } cases[] = {
        {MsgKind::Warning, MsgButtons::YesNoCancel, "Нет", ModalResult::No},
        {MsgKind::Confirmation, MsgButtons::RetryCancel, "Повторить", ModalResult::Retry},
        {MsgKind::Confirmation, MsgButtons::YesNo, "Да", ModalResult::Yes},
        {MsgKind::Information, MsgButtons::Ok, "ОК", ModalResult::Ok},
    };
    for (const Case &c : cases) {
        QString title, text;
        QStringList buttons;
        pressLater(QString::fromUtf8(c.press), &title, &text, &buttons);
        EXPECT_EQ(MessageBox(c.kind, "строка 1\rстрока 2", c.buttons), c.want) << c.press;
        EXPECT_EQ(title, MessageCaption(c.kind));
        EXPECT_EQ(text, "строка 1\nстрока 2");
        buttons.sort();
        QStringList want = MessageButtonTexts(c.buttons);
        want.sort();
        EXPECT_EQ(buttons, want);
    }
}

TEST(Ui, BoxUnderWaitCursorShowsArrowAndRestoresIt)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Qt::CursorShape during = Qt::WaitCursor;
    QTimer::singleShot(0, [&] {
        during = QApplication::overrideCursor()->shape();
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) box->reject();
    });
    ShowInformation("x");
    EXPECT_EQ(during, Qt::ArrowCursor);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
}

TEST(Ui, FolderChooserCancelGivesEmptyPath)
{
    QString folder = "stale";
    const auto hook = test::ScopedHook(&SetFolderHook, [](const QString &, const QString &, QString &f) {
        f = "/tmp/partial";
        return false;
    });
    EXPECT_FALSE(BrowseForFolder("Выберите папку", QString(), folder));
    EXPECT_TRUE(folder.isEmpty());
    SetFolderHook([](const QString &title, const QString &, QString &f) {
        f = "/data/" + title;
        return true;
    });
    EXPECT_TRUE(BrowseForFolder("base", QString(), folder));
    EXPECT_EQ(folder, "/data/base");
}

} // namespace

TEST(Ui, BusyCursorNests)
{
    ASSERT_EQ(kv::BusyCursorDepth(), 0);
    kv::EndBusyCursor();   // unmatched: nothing
    EXPECT_EQ(kv::BusyCursorDepth(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    kv::BeginBusyCursor();
    kv::BeginBusyCursor();
    kv::EndBusyCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    kv::EndBusyCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(kv::BusyCursorDepth(), 0);
}

TEST(Ui, BusyCursorGuardEndsWithItsScope)
{
    {
        kv::BusyCursor outer;
        kv::BusyCursor inner;
        EXPECT_EQ(kv::BusyCursorDepth(), 2);
    }
    EXPECT_EQ(kv::BusyCursorDepth(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/testsupport/fakeui.h"
#include "report/core/display_format.h"
#include "report/windows/dialogs.h"

TEST(FormatEditor, PacksCategoryTypeDecimalsAndSeparator)
{
    TrpFmtForm f;
    f.Format = rpMakeFormatCode(1, 1, 2, ',');
    f.Activate();
    EXPECT_EQ(f.CatLB->count(), 5);
    EXPECT_EQ(f.CatLB->currentRow(), 1);
    EXPECT_EQ(f.TypeLB->count(), 5);
    EXPECT_EQ(f.TypeLB->currentItem()->text(), QStringLiteral("1234,50"));
    EXPECT_TRUE(f.DecEdit->isEnabled());
    EXPECT_EQ(f.DecEdit->text(), QStringLiteral("2"));
    EXPECT_EQ(f.SplEdit->text(), QStringLiteral(","));
    EXPECT_FALSE(f.FormatEdit->isEnabled());
    f.Format = 0;
    f.Apply();
    const quint32 code = quint32(f.Format);
    EXPECT_EQ(code >> 24, 1u);
    EXPECT_EQ((code >> 16) & 0xFF, 1u);
    EXPECT_EQ((code >> 8) & 0xFF, 2u);
    EXPECT_EQ(code & 0xFF, 44u);
}

TEST(FormatEditor, CustomTypeTakesTheFormatText)
{
    TrpFmtForm f;
    f.Format = rpMakeFormatCode(2, 4, 0, ',');
    f.FormatText = QStringLiteral("dd.mm.yyyy");
    f.Activate();
    EXPECT_EQ(f.CatLB->currentRow(), 2);
    EXPECT_TRUE(f.FormatEdit->isEnabled());
    EXPECT_EQ(f.FormatEdit->text(), QStringLiteral("dd.mm.yyyy"));
    EXPECT_FALSE(f.DecEdit->isEnabled());
    EXPECT_TRUE(f.DecEdit->text().isEmpty());
    f.FormatEdit->setText(QStringLiteral("yyyy"));
    f.Apply();
    EXPECT_EQ(f.FormatText, QStringLiteral("yyyy"));
    EXPECT_EQ(f.Format, rpMakeFormatCode(2, 4, 0, ','));

    // Text has one type; the separator defaults to "," and a broken digit count to 0.
    f.CatLB->setCurrentRow(0);
    EXPECT_EQ(f.TypeLB->count(), 1);
    f.CatLB->setCurrentRow(1);
    f.DecEdit->setText(QStringLiteral("x"));
    f.SplEdit->clear();
    f.FormatText = QStringLiteral("kept");
    f.Apply();
    EXPECT_EQ(f.Format, rpMakeFormatCode(1, 0, 0, ','));
    EXPECT_EQ(f.FormatText, QStringLiteral("kept"));
}

TEST(FormatEditor, OkThroughTheWindow)
{
    int format = rpMakeFormatCode(1, 0, 0, ',');
    QString text;
    QTimer::singleShot(0, [] {
        auto *f = qobject_cast<TrpFmtForm *>(QApplication::activeModalWidget());
        ASSERT_TRUE(f);
        f->DecEdit->setText(QStringLiteral("3"));
        f->SplEdit->setText(QStringLiteral("."));
        QTest::mouseClick(f->OkBtn, Qt::LeftButton);
    });
    ASSERT_TRUE(rpEditFormat(format, text));
    EXPECT_EQ(format, rpMakeFormatCode(1, 0, 3, '.'));
}

TEST(PasswordPrompt, TypedTextComesBackOnlyWithOk)
{
    for (bool ok : {true, false}) {
        QTimer::singleShot(0, [ok] {
            auto *f = qobject_cast<TrpPasswForm *>(QApplication::activeModalWidget());
            ASSERT_TRUE(f);
            EXPECT_EQ(f->E1->echoMode(), QLineEdit::Password);
            EXPECT_EQ(f->L1->text(), QStringLiteral("Enter password for opening report"));
            QTest::keyClicks(f->E1, QStringLiteral("secret"));
            QTest::mouseClick(ok ? f->OK : f->Cancel, Qt::LeftButton);
        });
        QString typed;
        EXPECT_EQ(rpAskPassword(typed), ok);
        EXPECT_EQ(typed, ok ? QStringLiteral("secret") : QString());
    }
}

// The prompt asks through the user interface of its window: the typed text
// comes back with OK only, and a window gone inside the prompt's loop gives
// no answer.
TEST(PasswordPrompt, AsksThroughTheWindowsUserInterface)
{
    kv::test::FakeUi ui;
    struct Case { int answer; bool windowGoes; bool ok; const char *typed; };
    const Case cases[] = {{QDialog::Accepted, false, true, "secret"}, {QDialog::Rejected, false, false, ""},
                          {QDialog::Accepted, true, false, ""}};
    for (const Case &c : cases) {
        auto window = std::make_unique<QWidget>();
        kv::AttachUi(window.get(), &ui);
        ui.onModal = [&](QDialog &d) {
            auto *f = qobject_cast<TrpPasswForm *>(&d);
            EXPECT_TRUE(f);
            if (f) f->E1->setText(QStringLiteral("secret"));
            if (c.windowGoes) window.reset();
            return c.answer;
        };
        QString typed;
        EXPECT_EQ(rpAskPassword(typed, window.get()), c.ok) << c.answer << c.windowGoes;
        EXPECT_EQ(typed, QString::fromUtf8(c.typed)) << c.answer << c.windowGoes;
    }
}

#include "platform/ui.h"

#include "platform/error.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QPointer>
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

TEST(Ui, FakeRecordsAndAnswersInOrder)
{
    QWidget window;
    test::FakeUi ui;
    AttachUi(&window, &ui);
    test::ScopedAnswers answers(ui, {ModalResult::No, ModalResult::Retry});
    EXPECT_EQ(ShowWarning("Сохранить?", MsgButtons::YesNoCancel, &window), ModalResult::No);
    EXPECT_EQ(ShowConfirmation("x", MsgButtons::RetryCancel, &window), ModalResult::Retry);
    ShowError("Ошибка\rзаписи", &window);
    ASSERT_EQ(answers.shown().size(), 3u);
    EXPECT_EQ(answers.shown()[0].caption, "Предупреждение");
    EXPECT_EQ(answers.shown()[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(answers.shown()[2].kind, MsgKind::Error);
    EXPECT_EQ(answers.shown()[2].text, "Ошибка\rзаписи");
    EXPECT_EQ(ui.shown.size(), 3u);
}

TEST(Ui, RunGuardedShowsTheErrorText)
{
    test::FakeUi ui;
    test::ScopedAnswers answers(ui);
    EXPECT_FALSE(ui.guarded([] { throw Error("База деталей не найдена."); }));
    EXPECT_TRUE(ui.guarded([] {}));
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, MsgKind::Error);
    EXPECT_EQ(answers.shown()[0].text, "База деталей не найдена.");
}

TEST(Ui, WidgetsReachTheServiceOfTheirNearestWindow)
{
    test::FakeUi outer, inner;
    auto window = std::make_unique<QWidget>();
    auto *panel = new QWidget(window.get());
    auto *edit = new QLabel(panel);
    EXPECT_EQ(&UiOf(edit), &RealUi());
    AttachUi(window.get(), &outer);
    EXPECT_EQ(&UiOf(edit), &outer);
    AttachUi(panel, &inner);
    EXPECT_EQ(&UiOf(edit), &inner);
    EXPECT_EQ(&UiOf(window.get()), &outer);
    AttachUi(panel, nullptr);
    EXPECT_EQ(&UiOf(edit), &outer);
    {
        // A service that is gone is not found any more.
        test::FakeUi shortLived;
        AttachUi(panel, &shortLived);
        EXPECT_EQ(&UiOf(edit), &shortLived);
    }
    EXPECT_EQ(&UiOf(edit), &outer);
    EXPECT_EQ(&UiOf(nullptr), &RealUi());
}

TEST(Ui, ChosenFileGetsTheDefaultExtension)
{
    test::FakeUi ui;
    FileChoice c;
    c.defaultExt = "kdx";
    struct Case { const char *answer, *want; } cases[] = {
        {"/tmp/kitchen", "/tmp/kitchen.kdx"}, {"/tmp/kitchen.txt", "/tmp/kitchen.txt"}, {"", ""}};
    for (const Case &k : cases) {
        ui.onFile = [&](const FileChoice &) { return QString::fromUtf8(k.answer); };
        EXPECT_EQ(ui.chooseFile(c), QString::fromUtf8(k.want)) << k.answer;
    }
    EXPECT_EQ(QtFileFilter("Файлы баз деталей (*.kdx)|*.kdx|Все файлы|*.*"), "Файлы баз деталей (*.kdx);;Все файлы (*.*)");
}

// The real chooser opens on the filter asked for and gives back the one the
// user left chosen; Cancel leaves the asked filter alone.
TEST(Ui, RealFileChooserTakesAndGivesTheFilter)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("list.txt"));
    struct Case { bool accept; int pick; const char *want; int wantIndex; } cases[] = {
        {true, 3, "list.txt", 3}, {true, 0, "list.txt", 2}, {false, 3, "", 2}};
    for (const Case &k : cases) {
        FileChoice c;
        c.save = true;
        c.folder = dir.path();
        c.filter = QStringLiteral("Отчёт (*.rpp)|*.rpp|Текст|*.txt|Таблица|*.csv");
        c.filterIndex = 2;
        QString shownFilter;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!d) return;
            shownFilter = d->selectedNameFilter();
            if (k.pick) d->selectNameFilter(d->nameFilters().at(k.pick - 1));
            if (!k.accept) return d->reject();
            d->selectFile(target);
            QMetaObject::invokeMethod(d, "accept");
        });
        const QString chosen = RealUi().chooseFileName(c, nullptr);
        EXPECT_EQ(shownFilter, QStringLiteral("Текст (*.txt)")) << k.pick;
        EXPECT_EQ(QFileInfo(chosen).fileName(), QString::fromUtf8(k.want)) << k.pick;
        EXPECT_EQ(c.filterIndex, k.wantIndex) << k.pick;
    }
}

// The font dialog with its effects: the colour is picked under the font and
// comes back with it; a colour outside the sixteen stays on offer; Cancel
// leaves both as they were.
TEST(Ui, RealFontDialogGivesTheColourWithTheFont)
{
    struct Case
    {
        QColor start;
        const char *pick;   // the colour entry chosen, none: as offered
        bool accept;
        QColor want;
    };
    const Case cases[] = {
        {QColor(Qt::black), "Красный", true, QColor(0xFF, 0, 0)},
        {QColor(0x12, 0x34, 0x56), nullptr, true, QColor(0x12, 0x34, 0x56)},
        {QColor(Qt::black), "Синий", false, QColor(Qt::black)},
    };
    for (const Case &c : cases) {
        QFont font(QStringLiteral("Sans"), 11);
        QColor color = c.start;
        QString offered;
        QTimer::singleShot(0, [&] {
            QWidget *d = QApplication::activeModalWidget();
            auto *combo = d ? d->findChild<QComboBox *>(QStringLiteral("cbColor")) : nullptr;
            if (!combo) return;
            offered = combo->currentText();
            if (c.pick) combo->setCurrentIndex(combo->findText(QString::fromUtf8(c.pick)));
            if (qEnvironmentVariableIsSet("KV_DIALOG_SHOTS"))
                d->grab().save(qEnvironmentVariable("KV_DIALOG_SHOTS") + QStringLiteral("font-dialog.png"));
            if (c.accept) QMetaObject::invokeMethod(d, "accept");
            else QMetaObject::invokeMethod(d, "reject");
        });
        EXPECT_EQ(RealUi().chooseFontAndColor(font, color, nullptr), c.accept) << c.pick;
        EXPECT_EQ(color, c.want) << c.pick;
        if (!c.pick) {
            EXPECT_EQ(offered, QStringLiteral("Другой"));
        }
    }
}

// A report handed to a service for its preview reaches that service (its
// preview window then asks through it); the real one has no frame for windows.
TEST(Ui, AShownReportReachesTheServiceThatShowedIt)
{
    test::FakeUi ui;
    ui.realReports = true;
    QObject report;
    const Ui *seen = nullptr;
    EXPECT_TRUE(ui.showReport(report, [&] {
        seen = &UiOf(&report);
        return true;
    }));
    EXPECT_EQ(seen, &ui);
    EXPECT_TRUE(RealUi().showReport(report, [&] {
        seen = &UiOf(&report);
        return true;
    }));
    EXPECT_EQ(seen, &RealUi());
    QWidget window;
    EXPECT_FALSE(RealUi().showInFrame(window));
    EXPECT_FALSE(ui.showInFrame(window));
    ui.onFrame = [](QWidget &) { return true; };
    EXPECT_TRUE(ui.showInFrame(window));
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
    QWidget window;
    test::FakeUi ui;
    AttachUi(&window, &ui);
    QString folder = "stale";
    ui.onFolder = [](const QString &, const QString &, QString &f) {
        f = "/tmp/partial";
        return false;
    };
    EXPECT_FALSE(BrowseForFolder("Выберите папку", QString(), folder, &window));
    EXPECT_TRUE(folder.isEmpty());
    ui.onFolder = [](const QString &title, const QString &, QString &f) {
        f = "/data/" + title;
        return true;
    };
    EXPECT_TRUE(BrowseForFolder("base", QString(), folder, &window));
    EXPECT_EQ(folder, "/data/base");
}

// A real box whose parent window is deleted while the box's loop runs (a
// deleteLater that lands there, say): the box goes with its parent, no answer
// comes back, and nothing frees memory it does not own.
TEST(Ui, RealBoxWhoseParentDiesInsideItsLoop)
{
    struct Case { bool later; } cases[] = {{false}, {true}};
    for (const Case &c : cases) {
        QPointer<QWidget> window = new QWidget;
        window->show();
        QPointer<QMessageBox> seen;
        QTimer::singleShot(0, [&] {
            seen = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (c.later) window->deleteLater();
            else delete window.data();
        });
        EXPECT_EQ(RealUi().warn("Сохранить?", MsgButtons::YesNoCancel, window), ModalResult::None);
        QApplication::processEvents();
        EXPECT_TRUE(window.isNull());
        EXPECT_TRUE(seen.isNull());
    }
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

// A dialog narrower than its title grows to hold it with the frame's
// buttons; a wider one and a fixed one keep or widen their size as needed.
TEST(Ui, DialogsWidenToShowTheirTitleWhole)
{
    struct Case { const char *title; int fixed; bool grows; };
    const Case cases[] = {
        {"Параметры поступления остатков", 0, true},
        {"Параметры страницы", 120, true},   // a fixed size widens
        {"Да", 0, false},
        {"", 0, false},
    };
    for (const Case &c : cases) {
        QDialog d;
        d.setWindowTitle(QString::fromUtf8(c.title));
        if (c.fixed) d.setFixedSize(c.fixed, 80);
        else d.setMinimumWidth(240);
        const int before = d.minimumWidth();
        kv::FitWindowTitle(d);
        QFont bold = d.font();
        bold.setBold(true);
        EXPECT_EQ(d.minimumWidth() > before, c.grows) << c.title;
        if (c.grows) {
            EXPECT_GE(d.minimumWidth(), QFontMetrics(bold).horizontalAdvance(d.windowTitle()) + 140) << c.title;
            if (c.fixed) {
                EXPECT_EQ(d.maximumWidth(), d.minimumWidth()) << c.title;
            }
        }
    }
}

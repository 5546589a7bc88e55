// Real message boxes in real nested loops, answered from a timer as a user
// does, while the window that asks goes away or a second close of the main
// window arrives. The fake's queued answers run no loop, so these faults
// show only here.
#include "app/results/formsheets.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "engine/raskroy.h"
#include "engine/testsupport/mixedjob.h"
#include "platform/ini.h"
#include "platform/testsupport/fakeui.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QWindow>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

using namespace kv;

namespace {

class NestedLoops : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    test::FakeUi ui;
    std::unique_ptr<TMainForm> form;
    engine::TRaskroy job;

    void SetUp() override
    {
        PrepareProgramFolder(tmp.path());
        ui.realMessages = true;
        form = std::make_unique<TMainForm>(Paths(tmp.path()), ui);
        form->CreateDataModule();
        form->show();
        kvtest::LoadMixedJob(job);
        kvtest::RunMixedJob(job);
    }

    // A results window of the mixed job, not saved yet.
    TFormSheets *results()
    {
        auto *w = new TFormSheets(form->Context());
        int32_t n = 0;
        for (int i = 0; i < job.ResultMaps.Count(); ++i) {
            const engine::TSheetsList &m = *job.ResultMaps.Items(i);
            w->AddMapTab(MapCaption(w->TabCount(), n, m.Quantity, QString::fromStdString(m.Name)), 7, m, job.Detals, 4,
                         QStringLiteral("Заказ 12"));
            n += m.Quantity;
        }
        w->SetJobMaterials({7});
        w->Document().Modified = true;
        w->ShowChild();
        return w;
    }

    bool mainLayoutStored() const
    {
        TIniFile::ClearCache();
        return TIniFile(tmp.path() + "/Korvalt.ini").SectionExists("Main_Form");
    }
};

// The box open now, or null.
QMessageBox *openBox()
{
    return qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
}

// Presses the button of the open box that reads `text`.
void press(const QString &text)
{
    QMessageBox *box = openBox();
    ASSERT_NE(box, nullptr);
    for (QAbstractButton *b : box->buttons())
        if (b->text() == text) {
            b->click();
            return;
        }
    FAIL() << "no button " << text.toStdString();
}

} // namespace

TEST_F(NestedLoops, ASecondCloseWaitsForTheAnswerOfTheFirst)
{
    struct Case { const char *button; bool closes; };
    // A close that went ahead ends the program: "Отмена" comes first.
    const Case cases[] = {{"Отмена", false}, {"Нет", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.button);
        ui.shown.clear();
        QPointer<TFormSheets> w = results();
        bool boxOpen = false, stillAsking = false, secondAccepted = true;
        QTimer::singleShot(0, [&] {
            boxOpen = openBox() != nullptr;
            // The title bar's close button while "Сохранить?" is open: the
            // window system's close reaches the frame's window.
            QCloseEvent second;
            QApplication::sendEvent(form->windowHandle(), &second);
            secondAccepted = second.isAccepted();
            stillAsking = openBox() != nullptr && form->windowHandle() && form->windowHandle()->handle();
            press(QString::fromUtf8(c.button));
        });
        EXPECT_EQ(form->close(), c.closes);
        EXPECT_TRUE(boxOpen);
        EXPECT_FALSE(secondAccepted);
        EXPECT_TRUE(stillAsking);
        ASSERT_EQ(ui.shown.size(), 1u);   // one question, answered by the user
        EXPECT_TRUE(ui.shown[0].text.contains(QStringLiteral("были изменеы")));
        EXPECT_EQ(form->isVisible(), !c.closes);
        EXPECT_EQ(mainLayoutStored(), c.closes);
        if (!c.closes) {
            ASSERT_TRUE(w);
            EXPECT_TRUE(w->Document().Modified);   // the maps are still there to be saved
            w->Document().Modified = false;
            w->CloseChild();
            QApplication::processEvents();
        }
    }
}

TEST_F(NestedLoops, AResultsWindowDeletedWhileItsQuestionIsOpen)
{
    struct Case { const char *name; bool later; };
    const Case cases[] = {{"delete", false}, {"deleteLater", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<TFormSheets> w = results();
        QPointer<QWidget> frame = w->parentWidget();
        ASSERT_TRUE(qobject_cast<QMdiSubWindow *>(frame.data()));
        QPointer<QMessageBox> box;
        QTimer::singleShot(0, [&] {
            box = openBox();
            if (c.later) frame->deleteLater();
            else delete frame.data();
        });
        // The close stops at the window that went without an answer; the box
        // went with its window, not from under the stack.
        EXPECT_FALSE(form->close());
        QApplication::processEvents();
        EXPECT_TRUE(w.isNull());
        EXPECT_TRUE(box.isNull());
        EXPECT_TRUE(form->isVisible());
    }
    // Nothing is left to ask: the next close ends the program.
    ui.shown.clear();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_TRUE(mainLayoutStored());
}

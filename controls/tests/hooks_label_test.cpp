#include "controls/exlabel.h"
#include "controls/hooks.h"
#include "controls/layoutstore.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

namespace {
// Counts the key presses that reach it.
class Target : public QWidget
{
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent *) override { ++keys; }
};

QKeyEvent keyA() { return QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"); }
} // namespace

TEST(WindowHooks, LastAddedFirstAndHandledStopsAll)
{
    Target w;
    QStringList log;
    TExWindowHook first, second;
    first.BeforeMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) log << "before1";
    };
    first.AfterMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) log << "after1";
    };
    second.BeforeMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) log << "before2";
    };
    second.AfterMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) log << "after2";
    };
    first.SetWinControl(&w);
    second.SetWinControl(&w);
    EXPECT_EQ(THookList::Shared().FindForControl(&w)->HookCount(), 2);
    QKeyEvent k = keyA();
    QApplication::sendEvent(&w, &k);
    EXPECT_EQ(w.keys, 1);
    EXPECT_EQ(log, QStringList({"before2", "before1", "after2", "after1"}));

    log.clear();
    second.BeforeMessage = [&](TExWindowHook *, QEvent *e, bool &handled) {
        if (e->type() == QEvent::KeyPress) {
            log << "before2";
            handled = true;
        }
    };
    QKeyEvent k2 = keyA();
    QApplication::sendEvent(&w, &k2);
    EXPECT_EQ(w.keys, 1);   // the control did not get it
    EXPECT_EQ(log, QStringList({"before2"}));

    second.SetActive(false);
    log.clear();
    QKeyEvent k3 = keyA();
    QApplication::sendEvent(&w, &k3);
    EXPECT_EQ(w.keys, 2);
    EXPECT_EQ(log, QStringList({"before1", "after1"}));
}

TEST(WindowHooks, SwitchingControlFreesTheOldHook)
{
    Target a, b;
    TExWindowHook h;
    int seen = 0;
    h.BeforeMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) ++seen;
    };
    h.SetWinControl(&a);
    ASSERT_NE(THookList::Shared().FindForControl(&a), nullptr);
    h.SetWinControl(&b);
    EXPECT_EQ(h.WinControl(), &b);
    QCoreApplication::processEvents();   // the empty hook goes from the event loop
    EXPECT_EQ(THookList::Shared().FindForControl(&a), nullptr);
    QKeyEvent k = keyA();
    QApplication::sendEvent(&a, &k);
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(a.keys, 1);
    QKeyEvent k2 = keyA();
    QApplication::sendEvent(&b, &k2);
    EXPECT_EQ(seen, 1);
}

TEST(WindowHooks, HandlerErrorsDoNotStopTheEvent)
{
    Target w;
    TExWindowHook first, second;
    int firstCalls = 0;
    first.BeforeMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) ++firstCalls;
    };
    second.BeforeMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) throw std::runtime_error("boom");
    };
    first.SetWinControl(&w);
    second.SetWinControl(&w);
    kv::test::FakeUi ui;
    kv::AttachUi(&w, &ui);
    kv::test::ScopedAnswers answers(ui);
    QKeyEvent k = keyA();
    QApplication::sendEvent(&w, &k);
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(w.keys, 1);
    ASSERT_EQ(answers.shown().size(), 1u);
}

TEST(ShadowLabel, FitSizes)
{
    using L = TExLabel;
    const QSize t(40, 13);
    EXPECT_EQ(L::FitSize(t, L::spLeftTop, 1), QSize(42, 13));
    EXPECT_EQ(L::FitSize(t, L::spRightTop, 1), QSize(43, 13));
    EXPECT_EQ(L::FitSize(t, L::spLeftBottom, 1), QSize(42, 14));
    EXPECT_EQ(L::FitSize(t, L::spRightBottom, 2), QSize(44, 15));
    EXPECT_EQ(L::FitSize(t, L::spRightBottom, 0), QSize(42, 13));
    EXPECT_EQ(L::ShadowRect(QRect(10, 10, 5, 5), L::spRightTop, 2), QRect(12, 8, 5, 5));
}

TEST(ShadowLabel, AutoSize)
{
    QWidget parent;
    auto *l = new TExLabel(&parent);
    l->setObjectName("lblTitle");
    l->SetCaption(QString());
    const int line = QFontMetrics(l->font()).height();
    EXPECT_EQ(l->height(), line);          // an empty label keeps one line
    l->SetShadowPos(TExLabel::spRightBottom);
    l->SetShadowSize(3);
    EXPECT_EQ(l->height(), line + 3);
    // Right-aligned: a longer caption grows to the left.
    l->SetAlignment(Qt::AlignRight);
    l->move(200, 10);
    l->SetCaption("Short");
    const int right = l->x() + l->width();
    l->SetCaption("A much longer caption");
    EXPECT_EQ(l->x() + l->width(), right);
    EXPECT_LT(l->x(), 200);
}

TEST(ShadowLabel, AcceleratorFocusesItsControl)
{
    QDialog dlg;
    auto *edit = new QLineEdit(&dlg);
    edit->move(0, 40);
    auto *other = new QLineEdit(&dlg);
    other->move(0, 80);
    auto *l = new TExLabel(&dlg);
    l->SetCaption(QString::fromUtf8("&Name"));
    l->SetFocusControl(edit);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    other->setFocus();
    QTest::keyClick(&dlg, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());
}

TEST(FormLayoutStore, SavesOnCloseAndRestoresOnShow)
{
    kv::MemIniStorage ini;
    QRect frame;
    {
        QDialog form;
        form.setObjectName("dlg");
        form.setProperty("kvClassName", "TfrmTest");
        auto *edit = new QLineEdit(&form);
        edit->setObjectName("edName");
        auto *store = new TFormLayoutStore(&form);
        store->SetStorage(&ini);
        store->SetOptions(TFormLayoutStore::fpPosition | TFormLayoutStore::fpActiveControl);
        store->SetVersion(2);
        form.setGeometry(50, 60, 300, 200);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_TRUE(store->Restored());
        edit->setFocus();
        form.setGeometry(70, 80, 320, 210);
        frame = form.frameGeometry();
        form.close();
        EXPECT_TRUE(store->Saved());
    }
    EXPECT_EQ(ini.readString("TfrmTest", "FormVersion", ""), "2");
    EXPECT_EQ(ini.readString("TfrmTest", "ActiveControl", ""), "edName");
    EXPECT_EQ(ini.readString("TfrmTest", "Visible", ""), "0");
    // The outer rectangle, frame included.
    EXPECT_EQ(ini.readString("TfrmTest", "NormPos", ""), QStringLiteral("%1,%2,%3,%4")
                  .arg(frame.left()).arg(frame.top()).arg(frame.left() + frame.width()).arg(frame.top() + frame.height()));

    QDialog again;
    again.setProperty("kvClassName", "TfrmTest");
    auto *edit = new QLineEdit(&again);
    edit->setObjectName("edName");
    new QLineEdit(&again);
    auto *store = new TFormLayoutStore(&again);
    store->SetStorage(&ini);
    store->SetOptions(TFormLayoutStore::fpPosition | TFormLayoutStore::fpActiveControl);
    store->SetVersion(2);
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(again.geometry(), QRect(70, 80, 320, 210));
    EXPECT_EQ(again.focusWidget(), edit);
}

TEST(FormLayoutStore, OlderVersionRestoresNothingButSavesLater)
{
    kv::MemIniStorage ini;
    ini.writeString("TfrmOld", "FormVersion", "1");
    ini.writeString("TfrmOld", "NormPos", "10,10,100,100");
    QWidget form;
    form.setProperty("kvClassName", "TfrmOld");
    form.setGeometry(200, 200, 150, 150);
    auto *store = new TFormLayoutStore(&form);
    store->SetStorage(&ini);
    store->SetVersion(3);
    int links = 0;
    TIniLink link;
    link.SetStore(store);
    link.OnLoad = [&](TIniLink &l) {
        ++links;
        EXPECT_EQ(l.RootSection(), "TfrmOld\\");
        EXPECT_NE(l.IniObject(), nullptr);
    };
    store->RestoreLayout();
    EXPECT_EQ(form.geometry(), QRect(200, 200, 150, 150));
    EXPECT_EQ(links, 0);
    EXPECT_TRUE(store->Restored());
    store->SaveLayout();
    EXPECT_EQ(ini.readString("TfrmOld", "FormVersion", ""), "3");
    store->RestoreLayout();
    EXPECT_EQ(links, 1);
}

TEST(FormLayoutStore, NeverShownWritesNothing)
{
    kv::MemIniStorage ini;
    {
        QWidget form;
        form.setProperty("kvClassName", "TfrmHidden");
        auto *store = new TFormLayoutStore(&form);
        store->SetStorage(&ini);
    }
    EXPECT_FALSE(ini.sectionExists("TfrmHidden"));
}

TEST(FormLayoutStore, PreventResize)
{
    QWidget form;
    form.resize(300, 200);
    auto *store = new TFormLayoutStore(&form);
    store->SetPreventResize(true);
    EXPECT_EQ(form.minimumSize(), QSize(300, 200));
    EXPECT_EQ(form.maximumSize(), QSize(300, 200));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST(WindowHooks, HookedEditStillWorks)
{
    QWidget parent;
    auto *edit = new QLineEdit(&parent);
    TExWindowHook hook;
    int keysAfter = 0, paints = 0;
    hook.AfterMessage = [&](TExWindowHook *, QEvent *e, bool &) {
        if (e->type() == QEvent::KeyPress) ++keysAfter;
        if (e->type() == QEvent::Paint) ++paints;
    };
    hook.SetWinControl(edit);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    edit->setFocus();
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(edit->text(), "abc");
    EXPECT_EQ(keysAfter, 3);
    const QImage shot = parent.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_GT(paints, 0);
    delete edit;   // the hook lets go of a destroyed control
    EXPECT_EQ(hook.WinControl(), nullptr);
}

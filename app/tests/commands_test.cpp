// Every item of the main window's menus and toolbar runs a command once the
// rooms are wired in, and every name in the command tables is an action: a
// misspelt name on either side would leave an item that does nothing.
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "data/paths.h"
#include "platform/testsupport/fakeui.h"
#include "toolbars/toolbar.h"
#include "toolbars/toolbarbutton.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <functional>

using namespace kv;

namespace {

void walkMenu(TMainForm &form, const QMenu &menu, QStringList &problems)
{
    for (QAction *a : menu.actions()) {
        if (a->isSeparator()) continue;
        if (a->menu()) {
            walkMenu(form, *a->menu(), problems);
            continue;
        }
        if (a->objectName().isEmpty()) problems << a->text() + ": unnamed menu item";
        else if (!form.Command(a->objectName())) problems << a->objectName() + ": no command";
    }
}

// The action a toolbar button triggers, with the commands held back.
QAction *actionOfButton(TMainForm &form, TToolbarButton &button)
{
    QAction *hit = nullptr;
    QList<QMetaObject::Connection> spies;
    for (QAction *a : form.findChildren<QAction *>()) {
        a->setEnabled(true);   // a disabled action ignores its trigger
        spies << QObject::connect(a, &QAction::triggered, [&hit, a] { hit = a; });
    }
    // As a mouse click: its signal, or the action it is linked to.
    button.Click();
    for (const QMetaObject::Connection &c : spies) QObject::disconnect(c);
    return hit;
}

// What is wrong with the commands of the main window, one line each.
QStringList commandProblems(TMainForm &form)
{
    QStringList problems;
    for (QAction *top : form.menuBar()->actions())
        if (top->menu()) walkMenu(form, *top->menu(), problems);
    // Clicking a button below runs nothing but the spies.
    for (QAction *a : form.findChildren<QAction *>()) QObject::disconnect(a, &QAction::triggered, &form, nullptr);
    for (QWidget *item : form.StandardToolbar()->Items()) {
        auto *button = qobject_cast<TToolbarButton *>(item);
        if (!button) continue;
        QAction *a = actionOfButton(form, *button);
        if (!a) problems << button->objectName() + ": no action";
        else if (!form.Command(a->objectName())) problems << button->objectName() + ": " + a->objectName() + ": no command";
    }
    // The actions outside menus and toolbar (the warehouse window's buttons).
    for (QAction *a : form.findChildren<QAction *>()) {
        if (a->isSeparator() || a->menu() || a->objectName().isEmpty()) continue;
        if (!form.Command(a->objectName()) && !problems.contains(a->objectName() + ": no command"))
            problems << a->objectName() + ": no command";
    }
    for (const QString &name : form.CommandNames())
        if (!form.Action(name)) problems << name + ": no such action";
    problems.sort();
    return problems;
}

TEST(MainFormCommands, EveryMenuItemAndToolbarButtonRunsACommand)
{
    // The window as the program wires it, and the mistakes the check must see.
    struct Case
    {
        const char *name;
        std::function<void(TMainForm &)> spoil;
        QStringList problems;
    };
    const Case cases[] = {
        {"as wired", [](TMainForm &) {}, {}},
        {"a misspelt name in a room's command table",
         [](TMainForm &f) {
             auto run = f.hooks.commands.extract(QStringLiteral("SaveWHStateAction"));
             f.hooks.commands[QStringLiteral("SaveWHStatAction")] = run.mapped();
         },
         {"SaveWHStatAction: no such action", "SaveWHStateAction: no command"}},
        {"a menu item nobody wired",
         [](TMainForm &f) {
             auto *a = new QAction(QStringLiteral("Новый пункт"), &f);
             a->setObjectName(QStringLiteral("NewItemAction"));
             f.Menu(QStringLiteral("mnuWarehouse"))->addAction(a);
         },
         {"NewItemAction: no command"}},
        {"a toolbar button that triggers nothing",
         [](TMainForm &f) {
             auto *b = new TToolbarButton(f.StandardToolbar());
             b->setObjectName(QStringLiteral("tbNothing"));
         },
         {"tbNothing: no action"}},
        {"a command wired to nothing",
         [](TMainForm &f) { f.hooks.commands[QStringLiteral("PrintWHAction")] = [] {}; },
         {"PrintWHAction: no such action"}},
    };
    for (const Case &c : cases) {
        QTemporaryDir tmp;
        PrepareProgramFolder(tmp.path());
        test::FakeUi ui;
        TMainForm form{Paths(tmp.path()), ui};
        WireShell(form);
        form.CreateDataModule();
        c.spoil(form);
        EXPECT_EQ(commandProblems(form), c.problems) << c.name;
    }
}

} // namespace

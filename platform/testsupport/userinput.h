#pragma once
// Presses, moves, releases and keys as a user makes them: through the window
// system, so that an open pop-up, a mouse grab or a modal window takes them
// as it would on a screen (QTest's widget overloads hand events to the
// widget directly and step around all of that).
#include <QApplication>
#include <QPoint>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace kv::test {

enum class MouseAct { Press, Release, Click, Move };

// `pos` in `w`'s coordinates; `w` must lie in a shown window.
inline void UserMouse(MouseAct act, QWidget *w, QPoint pos)
{
    QWindow *win = w->window()->windowHandle();
    if (!win) return;
    const QPoint at = w->mapTo(w->window(), pos);
    switch (act) {
    case MouseAct::Press: QTest::mousePress(win, Qt::LeftButton, {}, at); break;
    case MouseAct::Release: QTest::mouseRelease(win, Qt::LeftButton, {}, at); break;
    case MouseAct::Click: QTest::mouseClick(win, Qt::LeftButton, {}, at); break;
    case MouseAct::Move: QTest::mouseMove(win, at); break;
    }
    QApplication::processEvents();
}

inline void UserClick(QWidget *w) { UserMouse(MouseAct::Click, w, w->rect().center()); }

// To the window of `w`, which hands it to its focus widget (or the pop-up).
inline void UserKey(QWidget *w, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    if (QWindow *win = w->window()->windowHandle()) QTest::keyClick(win, key, modifiers);
    QApplication::processEvents();
}

} // namespace kv::test

#pragma once
// Driving the real windows of the running program as a user does: typing
// into grids, clicking navigator entries, answering the modal windows the
// program opens from inside their own loops, and every message box by its
// text. Shared by the whole-road and the desktop tests.
#include "controls/dbgrid.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"
#include "widgets/outlooklist.h"

#include <QApplication>
#include <QFile>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace roadtest {

using namespace kv;

// --- the kitchen order ----------------------------------------------------------------

struct OrderPart
{
    QString name;
    int length = 0, width = 0, many = 0, rotate = 0;
};

struct Order
{
    int sheetLength = 0, sheetWidth = 0;
    std::vector<OrderPart> parts;
    double area() const
    {
        double a = 0;
        for (const OrderPart &p : parts) a += double(p.length) * p.width * p.many;
        return a;
    }
};

// bench/data/kitchen.txt: "sheet L W" and "part name L W count rotate" lines.
inline Order ReadOrder(const QString &path)
{
    Order o;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
    while (!f.atEnd()) {
        const QStringList w = QString::fromUtf8(f.readLine()).simplified().split(QLatin1Char(' '));
        if (w.value(0) == QLatin1String("sheet") && w.size() >= 3) {
            o.sheetLength = w[1].toInt();
            o.sheetWidth = w[2].toInt();
        } else if (w.value(0) == QLatin1String("part") && w.size() >= 6) {
            o.parts.push_back({w[1], w[2].toInt(), w[3].toInt(), w[4].toInt(), w[5].toInt()});
        }
    }
    return o;
}

template <class T>
T *child(QObject *w, const QString &name)
{
    T *c = w ? w->findChild<T *>(name) : nullptr;
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
}

inline QWidget *typingTarget(TExDBGrid *g)
{
    QWidget *ed = g->InplaceEditor();
    return ed && ed->isVisible() ? ed : g;
}

// Characters as the keyboard sends them, into the grid or its open editor.
inline void typeText(TExDBGrid *g, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(typingTarget(g), &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(typingTarget(g), &release);
    }
}

inline void pressKey(TExDBGrid *g, Qt::Key k) { QTest::keyClick(typingTarget(g), k); }

// One row typed cell by cell, back to the first column. Tab moves on where
// the grid takes it; elsewhere Enter ends the cell and the arrow moves on.
inline void typeRow(TExDBGrid *g, const QStringList &cells)
{
    const bool tabs = g->Options() & dgTabs;
    for (const QString &c : cells) {
        typeText(g, c);
        if (tabs) {
            pressKey(g, Qt::Key_Tab);
        } else {
            pressKey(g, Qt::Key_Return);
            pressKey(g, Qt::Key_Right);
        }
    }
    pressKey(g, Qt::Key_Home);
    QApplication::processEvents();
}

// Runs `f` on the next modal window of class T, from inside its own loop
// (for windows the program opens with exec()).
template <class T>
void onNextModal(std::function<void(T &)> f)
{
    struct Poll
    {
        std::function<void(T &)> f;
        int tries = 0;
    };
    auto poll = std::make_shared<Poll>(Poll{std::move(f)});
    // Each timer holds the poll until it runs and hands it to the next one.
    static const auto next = [](const std::shared_ptr<Poll> &p, auto self) -> void {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            p->f(*w);
            return;
        }
        if (++p->tries < 6000) QTimer::singleShot(10, [p, self] { self(p, self); });
    };
    QTimer::singleShot(0, [poll] { next(poll, next); });
}

// Clicks an item of a materials navigator with the mouse, by its text.
inline void clickNavigatorItem(TgwOutlookList *list, const QString &text)
{
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->Items()->Count(); ++i) {
        TgwOutlookListItem *it = list->Items()->Item(i);
        if (it->Text() != text) continue;
        list->MakeVisible(it);
        const QRect r = list->GetItemRect(it, 0);
        QTest::mouseClick(list, Qt::LeftButton, {}, r.center());
        QApplication::processEvents();
        return;
    }
    FAIL() << "no navigator item " << text.toStdString();
}

// The pages of a PDF file (-1 when it cannot be read).
inline int pdfPages(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

// The UI service of the road: every message box is answered by its text
// (an unexpected one is recorded as a failure and answered with the safest
// button); a dialog no step of the road answers runs for real, answered by
// its step from a timer as a user would.
class RoadUi : public kv::test::FakeUi
{
public:
    RoadUi()
    {
        onMessage = [this](const ShownMessage &m) {
            messages << m.text;
            auto it = answers.find(m.text);
            if (it != answers.end()) return it->second;
            ADD_FAILURE() << "unexpected message: " << m.text.toStdString();
            return m.buttons == MsgButtons::Ok ? ModalResult::Ok : ModalResult::Cancel;
        };
        onModal = [](QDialog &d) { return RealUi().runModal(d); };
    }
    std::map<QString, ModalResult> answers;
    QStringList messages;
};

// A modal window that nobody answers within five seconds (or `seconds`) is
// closed and recorded, so a window new on the road fails the test instead of
// hanging it.
class ModalWatch
{
public:
    explicit ModalWatch(int seconds = 5) : m_patience(seconds * 10)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *w = QApplication::activeModalWidget();
            if (!w || w != m_seen) {
                m_seen = w;
                m_ticks = 0;
                return;
            }
            if (++m_ticks < m_patience) return;
            closed << QString::fromLatin1(w->metaObject()->className());
            if (auto *d = qobject_cast<QDialog *>(w)) d->reject();
            else w->close();
            m_ticks = 0;
        });
        m_timer.start(100);
    }
    QStringList closed;

private:
    QTimer m_timer;
    QPointer<QWidget> m_seen;
    int m_ticks = 0;
    int m_patience;
};

} // namespace roadtest

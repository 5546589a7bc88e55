#include "widgets/keyhook.h"

#include <QCoreApplication>
#include <QKeyEvent>

TgwKeyboardStateHook::TgwKeyboardStateHook(QObject *parent) : QObject(parent)
{
    if (parent)
        parent->installEventFilter(this);
}

TgwKeyboardStateHook *TgwKeyboardStateHook::Instance()
{
    static TgwKeyboardStateHook *hook = nullptr;
    if (!hook && QCoreApplication::instance()) {
        hook = new TgwKeyboardStateHook(QCoreApplication::instance());
        QObject::connect(hook, &QObject::destroyed, [] { hook = nullptr; });
    }
    return hook;
}

int TgwKeyboardStateHook::PanelKindOfKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_CapsLock: return 3;
    case Qt::Key_Insert: return 2;
    case Qt::Key_NumLock: return 4;
    case Qt::Key_ScrollLock: return 13;
    default: return 0;
    }
}

bool TgwKeyboardStateHook::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto *ke = static_cast<QKeyEvent *>(event);
        // A key event travelling up the parents passes here once per widget.
        const bool same = ke == m_lastEvent && int(event->type()) == m_lastType && ke->timestamp() == m_lastStamp;
        m_lastEvent = ke;
        m_lastType = int(event->type());
        m_lastStamp = ke->timestamp();
        const int kind = PanelKindOfKey(ke->key());
        if (!same && kind != 0) {
            const QList<TgwStatusBarPanels *> bars = m_bars;
            for (TgwStatusBarPanels *b : bars)
                b->UpdatePanelsOfKind(kind);
        }
    }
    return QObject::eventFilter(watched, event);
}

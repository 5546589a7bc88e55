#include "controls/hooks.h"

#include "platform/ui.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <exception>

TExWindowHook::TExWindowHook(QObject *owner) : QObject(owner) {}

TExWindowHook::~TExWindowHook()
{
    Detach();
}

void TExWindowHook::SetActive(bool v)
{
    m_active = v;
    if (v) Attach();
    else Detach();
}

QObject *TExWindowHook::WinControl() const
{
    return m_hook ? m_hook->Control() : m_control.data();
}

void TExWindowHook::SetWinControl(QObject *control)
{
    if (control == WinControl()) return;
    const bool wasActive = m_active;
    TControlHook *old = m_hook;
    Detach();
    m_control = control;
    if (old && old->HookCount() == 0) THookList::Shared().ReleaseLater(old);
    if (wasActive) Attach();
}

void TExWindowHook::Attach()
{
    if (!m_control || m_hook || !m_active) return;
    THookList::Shared().ObtainForControl(m_control)->AddHook(this);
}

void TExWindowHook::Detach()
{
    if (m_hook) m_hook->RemoveHook(this);
}

TControlHook::TControlHook(QObject *control) : m_control(control)
{
    if (control) control->installEventFilter(this);
}

TControlHook::~TControlHook()
{
    m_destroying = true;
    auto &list = THookList::Shared().m_hooks;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    while (!m_hooks.empty()) RemoveHook(m_hooks.back());
    if (m_control) m_control->removeEventFilter(this);
}

void TControlHook::AddHook(TExWindowHook *h)
{
    if (std::find(m_hooks.begin(), m_hooks.end(), h) == m_hooks.end()) m_hooks.push_back(h);
    h->m_hook = this;
    if (m_control) {
        m_control->removeEventFilter(this);
        m_control->installEventFilter(this);
    }
}

void TControlHook::RemoveHook(TExWindowHook *h)
{
    h->m_hook = nullptr;
    m_hooks.erase(std::remove(m_hooks.begin(), m_hooks.end(), h), m_hooks.end());
    if (m_hooks.empty() && m_control) m_control->removeEventFilter(this);
}

void TControlHook::CallHooks(QEvent *e, bool &handled, bool before)
{
    if (m_hooks.empty() || !m_control || m_destroying) return;
    // The hook added last is called first and can stop the others.
    const std::vector<TExWindowHook *> hooks = m_hooks;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        TExWindowHook *h = *it;
        if (std::find(m_hooks.begin(), m_hooks.end(), h) == m_hooks.end()) continue;
        try {
            const auto &f = before ? h->BeforeMessage : h->AfterMessage;
            if (f) f(h, e, handled);
        } catch (const std::exception &ex) {
            kv::UiOf(m_control).exception(ex, qobject_cast<QWidget *>(m_control.data()));
        }
        if (handled) break;
    }
}

bool TControlHook::eventFilter(QObject *o, QEvent *e)
{
    if (o != m_control || e == m_passing || m_hooks.empty()) return false;
    bool handled = false;
    CallHooks(e, handled, true);
    if (handled) return true;
    // Let the widget have the event now, then the after pass.
    QEvent *outer = m_passing;
    m_passing = e;
    QPointer<QObject> guard(o);
    QPointer<TControlHook> self(this);
    QCoreApplication::sendEvent(o, e);
    if (!self) return true;
    m_passing = outer;
    if (guard) CallHooks(e, handled, false);
    return true;
}

THookList &THookList::Shared()
{
    static THookList *list = new THookList;
    return *list;
}

TControlHook *THookList::FindForControl(QObject *control) const
{
    if (!control) return nullptr;
    for (TControlHook *h : m_hooks)
        if (h->Control() == control) return h;
    return nullptr;
}

TControlHook *THookList::ObtainForControl(QObject *control)
{
    if (TControlHook *h = FindForControl(control)) return h;
    auto *h = new TControlHook(control);
    m_hooks.push_back(h);
    // Freed with the control when nobody released it before.
    connect(control, &QObject::destroyed, h, [h] { delete h; });
    return h;
}

void THookList::ReleaseLater(TControlHook *hook)
{
    QPointer<TControlHook> p(hook);
    QMetaObject::invokeMethod(this, [this, p] {
        if (p && std::find(m_hooks.begin(), m_hooks.end(), p.data()) != m_hooks.end() && p->HookCount() == 0)
            delete p.data();
    }, Qt::QueuedConnection);
}

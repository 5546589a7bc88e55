#pragma once
// Watching and intercepting the events of any widget without subclassing it.
// Each hook gets a widget's events before it (and may stop them) and after
// it. Several hooks on one widget share one filter object, which calls the
// hook added last first.
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class TControlHook;

class TExWindowHook : public QObject
{
    Q_OBJECT
public:
    // The event, and Handled: true stops it (before: neither the widget nor
    // the later hooks see it).
    using THookMessageEvent = std::function<void(TExWindowHook *sender, QEvent *e, bool &handled)>;

    explicit TExWindowHook(QObject *owner = nullptr);
    ~TExWindowHook() override;

    bool Active() const { return m_active; }
    void SetActive(bool v);
    QObject *WinControl() const;
    void SetWinControl(QObject *control);

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

private:
    friend class TControlHook;
    void Attach();
    void Detach();

    bool m_active = true;
    QPointer<QObject> m_control;
    TControlHook *m_hook = nullptr;
};

class TControlHook : public QObject
{
    Q_OBJECT
public:
    explicit TControlHook(QObject *control);
    ~TControlHook() override;
    QObject *Control() const { return m_control; }
    int HookCount() const { return int(m_hooks.size()); }
    void AddHook(TExWindowHook *h);
    void RemoveHook(TExWindowHook *h);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void CallHooks(QEvent *e, bool &handled, bool before);
    QPointer<QObject> m_control;
    std::vector<TExWindowHook *> m_hooks;
    QEvent *m_passing = nullptr;
    bool m_destroying = false;
};

// The control hooks of the program; empty ones are freed from the event loop.
class THookList : public QObject
{
    Q_OBJECT
public:
    static THookList &Shared();
    TControlHook *FindForControl(QObject *control) const;
    TControlHook *ObtainForControl(QObject *control);
    void ReleaseLater(TControlHook *hook);
    int Count() const { return int(m_hooks.size()); }

private:
    friend class TControlHook;
    std::vector<TControlHook *> m_hooks;
};

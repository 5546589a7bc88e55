#pragma once
// One application-wide watcher of the lock keys, so status bars showing the
// state of Caps Lock, Insert, Num Lock and Scroll Lock can refresh. It only
// looks at key events and never takes them.
#include <QList>
#include <QObject>

class TgwStatusBarPanels {
public:
    virtual ~TgwStatusBarPanels() = default;
    virtual void UpdatePanelsOfKind(int kind) = 0;
};

class TgwKeyboardStateHook : public QObject {
    Q_OBJECT
public:
    // Installed on first use for the application; removed with it.
    static TgwKeyboardStateHook *Instance();

    void RegisterStatusBar(TgwStatusBarPanels *bar) { if (bar) m_bars.append(bar); }
    void UnRegisterStatusBar(TgwStatusBarPanels *bar) { m_bars.removeOne(bar); }
    int StatusBarCount() const { return int(m_bars.size()); }
    // Panel kind of a lock key: Caps Lock 3, Insert 2, Num Lock 4, Scroll Lock 13; 0 otherwise.
    static int PanelKindOfKey(int qtKey);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TgwKeyboardStateHook(QObject *parent);
    QList<TgwStatusBarPanels *> m_bars;
    const void *m_lastEvent = nullptr;
    int m_lastType = 0;
    quint64 m_lastStamp = 0;
};

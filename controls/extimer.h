#pragma once
// The repeat timer of the controls. It runs on a QTimer, unless a FakeClock is
// installed: then time only moves when the clock is advanced, which keeps the
// repeat rules testable without waiting.
#include <QObject>
#include <QTimer>

namespace kv {

class FakeClock;

class ExTimer : public QObject
{
    Q_OBJECT
public:
    explicit ExTimer(QObject *parent = nullptr);
    ~ExTimer() override;

    void setInterval(int ms);
    int interval() const { return m_interval; }
    void start();              // (re)starts with the current interval
    void start(int ms);
    void stop();
    bool isActive() const { return m_active; }

signals:
    void timeout();

private:
    friend class FakeClock;
    void fire();
    QTimer m_timer;
    int m_interval = 0;
    bool m_active = false;
    long long m_due = 0;       // fake-clock time of the next tick
};

// Installed for the lifetime of the object (tests).
class FakeClock
{
public:
    FakeClock();
    ~FakeClock();
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;

    long long now() const { return m_now; }
    // Moves time forward, firing every due timer in time order.
    void advance(int ms);
    static FakeClock *current();

private:
    friend class ExTimer;
    long long m_now = 0;
};

} // namespace kv

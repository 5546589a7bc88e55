#include "controls/extimer.h"

#include <QPointer>
#include <algorithm>
#include <vector>

namespace kv {

namespace {
FakeClock *g_clock = nullptr;
std::vector<ExTimer *> g_timers;   // live timers, for the fake clock
}

ExTimer::ExTimer(QObject *parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ExTimer::fire);
    g_timers.push_back(this);
}

ExTimer::~ExTimer()
{
    g_timers.erase(std::remove(g_timers.begin(), g_timers.end(), this), g_timers.end());
}

void ExTimer::setInterval(int ms)
{
    m_interval = std::max(0, ms);
    if (!m_active) return;
    if (g_clock) m_due = g_clock->now() + std::max(1, m_interval);
    else m_timer.setInterval(m_interval);
}

void ExTimer::start()
{
    m_active = true;
    if (g_clock) m_due = g_clock->now() + std::max(1, m_interval);
    else m_timer.start(m_interval);
}

void ExTimer::start(int ms)
{
    m_interval = std::max(0, ms);
    start();
}

void ExTimer::stop()
{
    m_active = false;
    m_timer.stop();
}

void ExTimer::fire()
{
    if (!m_active) return;
    if (g_clock) m_due += std::max(1, m_interval);
    emit timeout();
}

FakeClock::FakeClock() { g_clock = this; }
FakeClock::~FakeClock()
{
    if (g_clock == this) g_clock = nullptr;
}

FakeClock *FakeClock::current() { return g_clock; }

void FakeClock::advance(int ms)
{
    const long long end = m_now + ms;
    for (;;) {
        ExTimer *next = nullptr;
        for (ExTimer *t : g_timers)
            if (t->m_active && t->m_due <= end && (!next || t->m_due < next->m_due)) next = t;
        if (!next) break;
        m_now = next->m_due;
        QPointer<ExTimer> guard(next);
        next->fire();
        Q_UNUSED(guard);
    }
    m_now = end;
}

} // namespace kv

#include "platform/clock.h"

namespace kv {

namespace {

ClockSource &source()
{
    static ClockSource s;
    return s;
}

} // namespace

QDateTime Now()
{
    if (const ClockSource &s = source()) return s();
    return QDateTime::currentDateTime();
}

QDate Today() { return Now().date(); }

ClockSource SetClock(ClockSource s)
{
    ClockSource previous = std::move(source());
    source() = std::move(s);
    return previous;
}

FixedClock::FixedClock(const QDateTime &at) : m_previous(SetClock([at] { return at; })) {}

FixedClock::~FixedClock() { SetClock(std::move(m_previous)); }

} // namespace kv

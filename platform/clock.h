#pragma once
// The program's one clock: today's date and the time of day come from here,
// wherever they are stamped into a table, a report or a file, so that a test
// (or anyone who needs reproducible files) can fix them.
#include <QDate>
#include <QDateTime>
#include <functional>

namespace kv {

using ClockSource = std::function<QDateTime()>;

// The local date and time; the system clock unless a source is set.
QDateTime Now();
QDate Today();
// Sets the source and returns the one it replaces; an empty one restores the
// system clock.
ClockSource SetClock(ClockSource source);

// Fixes the clock for the lifetime of the object (tests).
class [[nodiscard]] FixedClock
{
public:
    explicit FixedClock(const QDateTime &at);
    ~FixedClock();
    FixedClock(const FixedClock &) = delete;
    FixedClock &operator=(const FixedClock &) = delete;

private:
    ClockSource m_previous;
};

} // namespace kv

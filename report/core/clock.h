#pragma once
// The engine's clock. DATE, TIME, the report's last-change date and anything
// else that stamps a file read the time here, so that tests (and anyone who
// needs reproducible files) can fix it.
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <functional>

using TrpClockSource = std::function<QDateTime()>;

// The current local date and time; the system clock unless a source is set.
QDateTime rpNow();
QDate rpToday();
QTime rpTimeNow();
// Days since 30.12.1899 with the time as the fraction (the engine's date-time).
double rpNowAsDays();
// Sets the source; an empty one restores the system clock.
void rpSetClock(TrpClockSource source);

// Fixes the clock for the lifetime of the object (tests).
class TrpFixedClock
{
public:
    explicit TrpFixedClock(const QDateTime &at);
    ~TrpFixedClock();
    TrpFixedClock(const TrpFixedClock &) = delete;
    TrpFixedClock &operator=(const TrpFixedClock &) = delete;
};

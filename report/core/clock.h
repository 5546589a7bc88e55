#pragma once
// The engine's view of the program's clock (platform/clock.h): DATE, TIME,
// the report's last-change date and anything else that stamps a file read
// the time here.
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <functional>

#include "platform/clock.h"

using TrpClockSource = kv::ClockSource;

// The current local date and time; the system clock unless a source is set.
QDateTime rpNow();
QDate rpToday();
QTime rpTimeNow();
// Days since 30.12.1899 with the time as the fraction (the engine's date-time).
double rpNowAsDays();
// Sets the source of the program's clock; an empty one restores the system clock.
void rpSetClock(TrpClockSource source);

// Fixes the clock for the lifetime of the object (tests).
using TrpFixedClock = kv::FixedClock;

#include "report/core/clock.h"

#include "platform/text.h"

namespace {

TrpClockSource &clockSource()
{
    static TrpClockSource source;
    return source;
}

} // namespace

QDateTime rpNow()
{
    if (const TrpClockSource &s = clockSource()) return s();
    return QDateTime::currentDateTime();
}

QDate rpToday() { return rpNow().date(); }
QTime rpTimeNow() { return rpNow().time(); }

double rpNowAsDays()
{
    const QDateTime now = rpNow();
    const qint64 days = kv::daysSince1899(now.date());
    return double(days) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

void rpSetClock(TrpClockSource source) { clockSource() = std::move(source); }

TrpFixedClock::TrpFixedClock(const QDateTime &at)
{
    rpSetClock([at] { return at; });
}

TrpFixedClock::~TrpFixedClock() { rpSetClock({}); }

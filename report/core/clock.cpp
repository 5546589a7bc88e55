#include "report/core/clock.h"

#include "platform/text.h"

QDateTime rpNow() { return kv::Now(); }
QDate rpToday() { return rpNow().date(); }
QTime rpTimeNow() { return rpNow().time(); }

double rpNowAsDays()
{
    const QDateTime now = rpNow();
    const qint64 days = kv::daysSince1899(now.date());
    return double(days) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

void rpSetClock(TrpClockSource source) { kv::SetClock(std::move(source)); }

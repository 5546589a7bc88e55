#include "controls/dates.h"

#include "platform/error.h"
#include "platform/text.h"
#include "platform/clock.h"

#include <cmath>

namespace kv {

namespace {

constexpr int kCenturyWindow = 60;
constexpr int kBlank = -1;

// Floor division, so the century of a year before 60 is still right.
int floorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int toNumberOrBlank(const QString &s)
{
    if (s.isEmpty()) return kBlank;
    bool ok = false;
    const int v = s.toInt(&ok, 10);
    return ok ? v : kBlank;
}

// The text under the first run of `letter` in the upper-cased format, blanks
// skipped, at most 20 characters. `run` is the run to look for.
bool collectUnder(const QString &upFormat, const QString &text, const QString &run, QString &out)
{
    const qsizetype start = upFormat.indexOf(run);
    if (start < 0) return false;
    const QChar letter = run.front();
    out.clear();
    for (qsizetype i = start; i < upFormat.size() && upFormat.at(i) == letter && i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(' ')) continue;
        if (out.size() >= 20) break;
        out += text.at(i);
    }
    return true;
}

QDate encode(int y, int m, int d)
{
    if (!IsValidDateParts(y, m, d)) return QDate();
    return QDate(y, m, d);
}

bool readPositional(const QString &format, const QString &text, const DateLocale &loc, QDate &date)
{
    if (text.size() > format.size()) return false;
    const QString up = upperCase(format);
    int day = 1, month = 0, year = loc.currentYear;
    bool yearBlank = false;
    QString part;

    if (collectUnder(up, text, QStringLiteral("MMM"), part)) {
        month = kBlank;
        if (!part.isEmpty()) {
            for (int i = 0; i < loc.longMonthNames.size() && i < 12; ++i) {
                if (sameText(loc.longMonthNames.at(i).left(part.size()), part)) {
                    month = i + 1;
                    break;
                }
            }
        }
    } else if (collectUnder(up, text, QStringLiteral("M"), part)) {
        month = toNumberOrBlank(part);
    }
    if (collectUnder(up, text, QStringLiteral("D"), part)) day = toNumberOrBlank(part);
    if (collectUnder(up, text, QStringLiteral("Y"), part)) {
        year = toNumberOrBlank(part);
        yearBlank = part.isEmpty();
    }
    // A year left blank is this year (it used to become 1999).
    if (yearBlank) year = loc.currentYear;
    else year = ExpandTwoDigitYear(year, loc.currentYear);
    date = encode(year, month, day);
    return date.isValid();
}

// Digits while the value stays below 1000 (so at most four), blanks before.
bool scanNumber(const QString &s, qsizetype &pos, int &value)
{
    while (pos < s.size() && s.at(pos) == QLatin1Char(' ')) ++pos;
    const qsizetype start = pos;
    value = 0;
    while (pos < s.size() && s.at(pos).unicode() >= '0' && s.at(pos).unicode() <= '9' && value < 1000) {
        value = value * 10 + (s.at(pos).unicode() - '0');
        ++pos;
    }
    return pos > start;
}

bool scanChar(const QString &s, qsizetype &pos, QChar c)
{
    qsizetype p = pos;
    while (p < s.size() && s.at(p) == QLatin1Char(' ')) ++p;
    if (p < s.size() && s.at(p) == c) {
        pos = p + 1;
        return true;
    }
    return false;
}

bool readByLocale(const QString &text, const DateLocale &loc, QDate &date)
{
    qsizetype pos = 0;
    if (loc.shortDateFormat.startsWith(QLatin1Char('g'))) {
        while (pos < text.size() && !(text.at(pos).unicode() >= '0' && text.at(pos).unicode() <= '9')) ++pos;
    }
    int n1 = 0, n2 = 0, n3 = 0;
    if (!scanNumber(text, pos, n1) || !scanChar(text, pos, loc.dateSeparator) || !scanNumber(text, pos, n2))
        return false;
    const DateOrder order = LocaleDateOrder(loc.shortDateFormat);
    int y = 0, m = 0, d = 0;
    qsizetype afterTwo = pos;
    bool three = false;
    if (scanChar(text, pos, loc.dateSeparator) && scanNumber(text, pos, n3)) three = true;
    else pos = afterTwo;
    if (three) {
        switch (order) {
        case DateOrder::MDY: m = n1; d = n2; y = n3; break;
        case DateOrder::DMY: d = n1; m = n2; y = n3; break;
        case DateOrder::YMD: y = n1; m = n2; d = n3; break;
        }
        y = ExpandTwoDigitYear(y, loc.currentYear);
    } else {
        y = loc.currentYear;
        if (order == DateOrder::DMY) { d = n1; m = n2; }
        else { m = n1; d = n2; }
    }
    scanChar(text, pos, loc.dateSeparator);
    while (pos < text.size() && text.at(pos) == QLatin1Char(' ')) ++pos;
    if (pos != text.size()) return false;
    date = encode(y, m, d);
    return date.isValid();
}

} // namespace

QStringList RussianMonthNames()
{
    return {QStringLiteral("Январь"), QStringLiteral("Февраль"), QStringLiteral("Март"),
            QStringLiteral("Апрель"), QStringLiteral("Май"), QStringLiteral("Июнь"),
            QStringLiteral("Июль"), QStringLiteral("Август"), QStringLiteral("Сентябрь"),
            QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"), QStringLiteral("Декабрь")};
}

DateLocale SystemDateLocale()
{
    DateLocale loc;
    loc.longMonthNames = RussianMonthNames();
    loc.currentYear = CurrentYear();
    return loc;
}

bool YearIsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int MonthDays(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && YearIsLeap(year) ? 29 : days[month - 1];
}

bool IsValidDateParts(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= MonthDays(year, month);
}

int CurrentYear()
{
    return kv::Today().year();
}

double DateToValue(const QDate &date)
{
    if (!date.isValid()) return 0;
    return double(kv::daysSince1899(date));
}

QDate ValueToDate(double value)
{
    if (!IsValidDateValue(value) || std::trunc(value) == 0) return QDate();
    return kv::dateFromDays1899(static_cast<qint64>(std::trunc(value)));
}

bool IsValidDateValue(double value)
{
    if (!std::isfinite(value)) return false;
    // 01.01.0001 .. 31.12.9999
    return value >= -693593.0 && value < 2958466.0;
}

DateOrder LocaleDateOrder(const QString &dateFormat)
{
    for (QChar c : upperCase(dateFormat)) {
        switch (c.unicode()) {
        case 'D': return DateOrder::DMY;
        case 'E':
        case 'Y': return DateOrder::YMD;
        case 'M': return DateOrder::MDY;
        default: break;
        }
    }
    return DateOrder::DMY;
}

int ExpandTwoDigitYear(int year, int currentYear)
{
    if (year >= 100) return year;
    const int pivot = currentYear - kCenturyWindow;
    year += floorDiv(pivot, 100) * 100;
    if (year < pivot) year += 100;
    return year;
}

bool TryParseDateWithFormat(const QString &format, const QString &text, QDate &date, const DateLocale &loc)
{
    date = QDate();
    if (text.isEmpty()) return true;
    QDate d;
    if (readPositional(format, text, loc, d) || readByLocale(text, loc, d)) {
        date = d;
        return true;
    }
    return false;
}

QDate ParseDateWithFormat(const QString &format, const QString &text, const DateLocale &loc)
{
    QDate d;
    if (!TryParseDateWithFormat(format, text, d, loc))
        throw Error(QStringLiteral("''%1'' - неверная дата").arg(text));
    return d;
}

QDate ParseDateWithFormatOr(const QString &format, const QString &text, const QDate &def, const DateLocale &loc)
{
    QDate d;
    return TryParseDateWithFormat(format, text, d, loc) ? d : def;
}

QString DateFormatForLocale(bool fourDigitYear, const DateLocale &loc)
{
    switch (LocaleDateOrder(loc.shortDateFormat)) {
    case DateOrder::MDY: return fourDigitYear ? QStringLiteral("MM/DD/YYYY") : QStringLiteral("MM/DD/YY");
    case DateOrder::DMY: return fourDigitYear ? QStringLiteral("DD/MM/YYYY") : QStringLiteral("DD/MM/YY");
    case DateOrder::YMD: return fourDigitYear ? QStringLiteral("YYYY/MM/DD") : QStringLiteral("YY/MM/DD");
    }
    return QString();
}

QString DateMaskForLocale(QChar blanks, bool fourDigitYear, const DateLocale &loc)
{
    QString mask;
    if (!fourDigitYear) mask = QStringLiteral("!99/99/99;1;");
    else if (LocaleDateOrder(loc.shortDateFormat) == DateOrder::YMD) mask = QStringLiteral("!9999/99/99;1;");
    else mask = QStringLiteral("!99/99/9999;1;");
    return mask + blanks;
}

bool FourDigitYearDefault(const DateLocale &loc)
{
    return upperCase(loc.shortDateFormat).contains(QLatin1String("YYYY"));
}

} // namespace kv

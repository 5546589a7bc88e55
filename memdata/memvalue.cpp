#include "memdata/memvalue.h"

#include "platform/error.h"
#include "platform/text.h"

#include <cmath>
#include <limits>

namespace kv {

namespace {

[[noreturn]] void badValue(const QString &fmt, const QString &text)
{
    throw Error(fmt.arg(text));
}

const QString kBadInteger = QStringLiteral("'%1' не является допустимым целым значением");
const QString kBadFloat = QStringLiteral("'%1' не является допустимым вещественным значением");
const QString kBadDate = QStringLiteral("'%1' не является допустимой датой");
const QString kBadTime = QStringLiteral("'%1' не является допустимым временем");
const QString kBadDateTime = QStringLiteral("'%1' не является допустимой датой и временем");
const QString kBadBool = QStringLiteral("'%1' не является допустимым логическим значением");
const QString kOutOfRange = QStringLiteral("Значение %1 вне допустимого диапазона от %2 до %3");

qlonglong toInteger(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: return v.toBool() ? 1 : 0;
    // The common ones read straight, not through the type conversion.
    case QMetaType::Int: return *static_cast<const int *>(v.constData());
    case QMetaType::LongLong: return *static_cast<const qlonglong *>(v.constData());
    case QMetaType::UInt:
    case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar:
        return v.toLongLong();
    case QMetaType::Double: case QMetaType::Float: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > 9.2e18) badValue(kBadInteger, formatShortest(d));
        return roundToInt64(d);
    }
    default: {
        const QString s = v.toString().trimmed();
        bool ok = false;
        const qlonglong r = s.startsWith(QLatin1Char('+')) ? s.mid(1).toLongLong(&ok) : s.toLongLong(&ok);
        if (!ok) badValue(kBadInteger, v.toString());
        return r;
    }
    }
}

double toFloat(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double: return *static_cast<const double *>(v.constData());
    case QMetaType::Int: return *static_cast<const int *>(v.constData());
    case QMetaType::Bool: return v.toBool() ? 1.0 : 0.0;
    case QMetaType::QString: case QMetaType::QByteArray: {
        bool ok = false;
        const double d = parseFloat(v.toString(), &ok);
        if (!ok) badValue(kBadFloat, v.toString());
        return d;
    }
    default: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok) badValue(kBadFloat, v.toString());
        return d;
    }
    }
}

qlonglong checkRange(qlonglong v, qlonglong lo, qlonglong hi)
{
    if (v < lo || v > hi)
        throw Error(kOutOfRange.arg(v).arg(lo).arg(hi));
    return v;
}

QTime parseTime(const QString &text, bool *ok)
{
    const QStringList p = text.trimmed().split(QLatin1Char(':'));
    *ok = false;
    if (p.size() < 2 || p.size() > 3) return QTime();
    int h, m, s = 0, ms = 0;
    bool a, b, c = true;
    h = p[0].toInt(&a);
    m = p[1].toInt(&b);
    if (p.size() == 3) {
        const QStringList sp = p[2].split(QLatin1Char('.'));
        s = sp[0].toInt(&c);
        if (c && sp.size() == 2) ms = sp[1].leftJustified(3, QLatin1Char('0')).left(3).toInt(&c);
        else if (sp.size() > 2) c = false;
    }
    if (!a || !b || !c) return QTime();
    QTime t(h, m, s, ms);
    *ok = t.isValid();
    return t;
}

int toDay(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QDate: {
        const QDate d = v.toDate();
        if (!d.isValid()) badValue(kBadDate, QString());
        return memDayNumber(d);
    }
    case QMetaType::QDateTime: return memDayNumber(v.toDateTime().date());
    case QMetaType::QString: {
        const QString s = v.toString().trimmed();
        const QDate d = parseDateDMY(s.section(QLatin1Char(' '), 0, 0));
        if (!d.isValid() || d.year() < 1) badValue(kBadDate, v.toString());
        return memDayNumber(d);
    }
    default:
        // A number is a date of the platform's day count (0 = 30.12.1899).
        return int(std::floor(toFloat(v))) + kDateDelta;
    }
}

int toTimeMs(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QTime: {
        const QTime t = v.toTime();
        if (!t.isValid()) badValue(kBadTime, QString());
        return memTimeMSecs(t);
    }
    case QMetaType::QDateTime: return memTimeMSecs(v.toDateTime().time());
    case QMetaType::QString: {
        bool ok = false;
        const QTime t = parseTime(v.toString(), &ok);
        if (!ok) badValue(kBadTime, v.toString());
        return memTimeMSecs(t);
    }
    default: {
        const double d = toFloat(v);
        const double frac = d - std::floor(d);
        return int(std::llround(frac * kMSecsPerDay)) % int(kMSecsPerDay);
    }
    }
}

double toDateTimeMs(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid()) badValue(kBadDateTime, QString());
        return memDateTimeMSecs(dt);
    }
    case QMetaType::QDate: return double(toDay(v)) * kMSecsPerDay;
    case QMetaType::QString: {
        const QString s = v.toString().trimmed();
        const QString datePart = s.section(QLatin1Char(' '), 0, 0);
        const QString timePart = s.section(QLatin1Char(' '), 1).trimmed();
        const QDate d = parseDateDMY(datePart);
        if (!d.isValid() || d.year() < 1) badValue(kBadDateTime, v.toString());
        int ms = 0;
        if (!timePart.isEmpty()) {
            bool ok = false;
            const QTime t = parseTime(timePart, &ok);
            if (!ok) badValue(kBadDateTime, v.toString());
            ms = memTimeMSecs(t);
        }
        return double(memDayNumber(d)) * kMSecsPerDay + ms;
    }
    default: {
        const double d = toFloat(v);
        return std::round((d + kDateDelta) * kMSecsPerDay);
    }
    }
}

bool toBool(const QVariant &v)
{
    if (v.typeId() != QMetaType::QString) return v.toBool();
    const QString s = v.toString().trimmed();
    const QString t = QStringLiteral("True"), f = QStringLiteral("False");
    if (sameText(s, f.left(s.size()))) return false;
    if (sameText(s, t.left(s.size()))) return true;
    badValue(kBadBool, v.toString());
}

// Sort weight of a character: its upper case, with Ё/ё right after Е as in
// the Russian alphabet.
int weight(QChar c)
{
    char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z') u = char16_t(u - 32);
    else if (u >= 0x0430 && u <= 0x044F) u = char16_t(u - 0x20);
    else if (u >= 0x0450 && u <= 0x045F) u = char16_t(u - 0x50);
    else if (u == 0x0491) u = 0x0490;
    else if (u > 0x7F && u < 0x0400) u = upperCase(QString(c)).at(0).unicode();
    if (u == 0x0401) return 0x0415 * 2 + 1;      // Ё
    if (u == 0x0451) return 0x0435 * 2 + 1;      // ё
    return int(u) * 2;
}

int compareDoubles(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

} // namespace

bool memTypeSupported(MemFieldType t)
{
    const int c = int(t);
    return c >= 1 && c <= 21;
}

bool memTypeIsBlob(MemFieldType t)
{
    return int(t) >= int(MemFieldType::Blob) && int(t) <= int(MemFieldType::TypedBinary);
}

bool memTypeIsString(MemFieldType t)
{
    return t == MemFieldType::String || t == MemFieldType::WideString;
}

bool memTypeIsMemoLike(MemFieldType t)
{
    return t == MemFieldType::Memo || t == MemFieldType::FmtMemo;
}

bool memTypeIsAutoNumbered(MemFieldType t)
{
    return t == MemFieldType::AutoInc;
}

MemFieldType memTypeFromCode(int code)
{
    return code >= 1 && code <= 21 ? MemFieldType(code) : MemFieldType::Unknown;
}

QString memTypeName(MemFieldType t)
{
    static const char *const names[] = {
        "Unknown", "String", "Smallint", "Integer", "Word", "Boolean", "Float",
        "Currency", "BCD", "Date", "Time", "DateTime", "AutoInc", "Blob", "Memo",
        "Graphic", "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary",
        "WideString", "Largeint"};
    const int c = int(t);
    if (c >= 0 && c <= 21) return QString::fromLatin1(names[c]);
    return QStringLiteral("Unknown");
}

int memNativeSize(MemFieldType t, int size)
{
    switch (t) {
    case MemFieldType::String: return size + 1;
    case MemFieldType::WideString: return (size + 1) * 2;
    case MemFieldType::Smallint: case MemFieldType::Word: case MemFieldType::Boolean: return 2;
    case MemFieldType::Integer: case MemFieldType::AutoInc: case MemFieldType::Date:
    case MemFieldType::Time: return 4;
    case MemFieldType::Float: case MemFieldType::Currency: case MemFieldType::DateTime:
    case MemFieldType::Largeint: return 8;
    case MemFieldType::BCD: return 34;
    default: return 0;
    }
}

int memDayNumber(const QDate &d)
{
    return int(daysSince1899(d) + kDateDelta);
}

QDate memDateFromDay(int day)
{
    return dateFromDays1899(qint64(day) - kDateDelta);
}

int memTimeMSecs(const QTime &t)
{
    return t.msecsSinceStartOfDay();
}

QTime memTimeFromMSecs(int ms)
{
    return QTime::fromMSecsSinceStartOfDay(ms);
}

double memDateTimeMSecs(const QDateTime &dt)
{
    return double(memDayNumber(dt.date())) * kMSecsPerDay + memTimeMSecs(dt.time());
}

QDateTime memDateTimeFromMSecs(double ms)
{
    const double day = std::floor(ms / kMSecsPerDay);
    const int rest = int(ms - day * kMSecsPerDay);
    return QDateTime(memDateFromDay(int(day)), memTimeFromMSecs(rest));
}

QVariant memToStored(MemFieldType t, int size, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) return QVariant();
    if (value.typeId() == QMetaType::QString && value.toString().isEmpty()) return QVariant();
    switch (t) {
    case MemFieldType::String:
    case MemFieldType::WideString: {
        QString s = value.typeId() == QMetaType::Double ? formatShortest(value.toDouble())
                                                        : value.toString();
        if (size > 0 && s.size() > size) s.truncate(size);
        if (s.isEmpty()) return QVariant();
        return s;
    }
    case MemFieldType::Smallint: return int(checkRange(toInteger(value), -32768, 32767));
    case MemFieldType::Word: return int(checkRange(toInteger(value), 0, 65535));
    case MemFieldType::Integer:
    case MemFieldType::AutoInc:
        return int(checkRange(toInteger(value), std::numeric_limits<int>::min(),
                              std::numeric_limits<int>::max()));
    case MemFieldType::Largeint: return toInteger(value);
    case MemFieldType::Boolean: return toBool(value);
    case MemFieldType::Float:
    case MemFieldType::Currency: return toFloat(value);
    case MemFieldType::BCD: return std::round(toFloat(value) * 10000.0) / 10000.0;
    case MemFieldType::Date: return toDay(value);
    case MemFieldType::Time: return toTimeMs(value);
    case MemFieldType::DateTime: return toDateTimeMs(value);
    default:
        return value.typeId() == QMetaType::QByteArray ? value : QVariant(value.toString());
    }
}

QVariant memFromStored(MemFieldType t, const QVariant &stored)
{
    if (!stored.isValid()) return QVariant();
    switch (t) {
    case MemFieldType::Date: return memDateFromDay(stored.toInt());
    case MemFieldType::Time: return memTimeFromMSecs(stored.toInt());
    case MemFieldType::DateTime: return memDateTimeFromMSecs(stored.toDouble());
    default: return stored;
    }
}

QString memStoredText(MemFieldType t, const QVariant &stored)
{
    if (!stored.isValid()) return QString();
    switch (t) {
    case MemFieldType::Boolean: return stored.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case MemFieldType::Float: case MemFieldType::Currency: case MemFieldType::BCD:
        return formatShortest(stored.toDouble());
    case MemFieldType::Date: return formatDate(memDateFromDay(stored.toInt()));
    case MemFieldType::Time: {
        const QTime tm = memTimeFromMSecs(stored.toInt());
        return tm.toString(tm.msec() ? QStringLiteral("hh:mm:ss.zzz") : QStringLiteral("hh:mm:ss"));
    }
    case MemFieldType::DateTime: {
        const QDateTime dt = memDateTimeFromMSecs(stored.toDouble());
        QString s = formatDate(dt.date());
        const QTime tm = dt.time();
        if (tm.msecsSinceStartOfDay() != 0)
            s += QLatin1Char(' ') + tm.toString(tm.msec() ? QStringLiteral("hh:mm:ss.zzz")
                                                          : QStringLiteral("hh:mm:ss"));
        return s;
    }
    default: return stored.toString();
    }
}

int memCompareText(const QString &a, const QString &b, bool caseInsensitive)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int x = weight(a.at(i)), y = weight(b.at(i));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    if (caseInsensitive) return 0;
    // Same letters: the first difference in case decides, small letter first.
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x != y) return x > y ? -1 : 1;
    }
    return 0;
}

double memMSecsOf(MemFieldType t, const QVariant &stored)
{
    bool ok = false;
    switch (t) {
    case MemFieldType::Date: {
        const int d = stored.toInt(&ok);
        return ok ? double(d) * kMSecsPerDay : 0.0;
    }
    case MemFieldType::Time: {
        const int ms = stored.toInt(&ok);
        return ok ? double(kDateDelta) * kMSecsPerDay + ms : 0.0;
    }
    default: {
        const double ms = stored.toDouble(&ok);
        return ok && std::isfinite(ms) ? ms : 0.0;
    }
    }
}

int memCompareValues(MemFieldType t, const QVariant &a, const QVariant &b, bool caseInsensitive)
{
    const bool na = !a.isValid(), nb = !b.isValid();
    if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    switch (t) {
    case MemFieldType::String:
    case MemFieldType::WideString:
        return memCompareText(a.toString(), b.toString(), caseInsensitive);
    case MemFieldType::Smallint: case MemFieldType::Integer: case MemFieldType::Word:
    case MemFieldType::AutoInc: case MemFieldType::Largeint: case MemFieldType::Boolean: {
        const qlonglong x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case MemFieldType::Float: case MemFieldType::Currency: case MemFieldType::BCD:
        return compareDoubles(a.toDouble(), b.toDouble());
    case MemFieldType::Date: case MemFieldType::Time: case MemFieldType::DateTime:
        return compareDoubles(memMSecsOf(t, a), memMSecsOf(t, b));
    default:
        return 0;
    }
}

} // namespace kv

#include "report/core/value.h"

#include <QDateTime>
#include <cmath>
#include <limits>

#include "platform/text.h"
#include "report/core/format.h"

namespace {

// Integers stay integers while they fit; past the 64-bit range the result is a float.
bool addOverflows(qint64 a, qint64 b, qint64 &r) { return __builtin_add_overflow(a, b, &r); }
bool subOverflows(qint64 a, qint64 b, qint64 &r) { return __builtin_sub_overflow(a, b, &r); }
bool mulOverflows(qint64 a, qint64 b, qint64 &r) { return __builtin_mul_overflow(a, b, &r); }

bool isTextLike(const TrpValue &v) { return v.type() == TrpValue::Text; }

// A text in arithmetic: an integer text stays an integer, any other number is a float.
TrpValue numericOf(const TrpValue &v)
{
    switch (v.type()) {
    case TrpValue::Empty: return TrpValue(qint64(0));
    case TrpValue::Boolean: return TrpValue(qint64(v.toInteger()));
    case TrpValue::Text: {
        const QString t = v.toText().trimmed();
        bool ok = false;
        const qint64 i = t.toLongLong(&ok);
        if (ok) return TrpValue(i);
        return TrpValue(v.toFloat());
    }
    default: return v;
    }
}

enum class Op { Add, Sub, Mul };

TrpValue arith(const TrpValue &a0, const TrpValue &b0, Op op)
{
    if (a0.isNull() || b0.isNull()) return TrpValue::null();
    if (op == Op::Add && (isTextLike(a0) || a0.isEmpty()) && (isTextLike(b0) || b0.isEmpty())
        && (isTextLike(a0) || isTextLike(b0))) {
        const QString x = a0.toText(), y = b0.toText();
        // A text that doubles in a script loop would take all memory.
        if (x.size() + y.size() > rpMaxTextLength)
            throw EConvertError(QStringLiteral("Text of more than %1 characters").arg(rpMaxTextLength));
        return TrpValue(x + y);
    }
    const TrpValue a = numericOf(a0), b = numericOf(b0);
    if (a.type() == TrpValue::Integer && b.type() == TrpValue::Integer) {
        qint64 r = 0;
        const qint64 x = a.toInteger(), y = b.toInteger();
        bool over = false;
        switch (op) {
        case Op::Add: over = addOverflows(x, y, r); break;
        case Op::Sub: over = subOverflows(x, y, r); break;
        case Op::Mul: over = mulOverflows(x, y, r); break;
        }
        if (!over) return TrpValue(r);
    }
    const double x = a.toFloat(), y = b.toFloat();
    double r = 0;
    switch (op) {
    case Op::Add: r = x + y; break;
    case Op::Sub: r = x - y; break;
    case Op::Mul: r = x * y; break;
    }
    // A date moved by a number of days stays a date; the difference of two is days.
    const bool da = a.type() == TrpValue::DateTime, db = b.type() == TrpValue::DateTime;
    if (op == Op::Add && (da != db)) return TrpValue::dateTime(r);
    if (op == Op::Sub && da && !db) return TrpValue::dateTime(r);
    return TrpValue(r);
}

int cmpNumbers(const TrpValue &a, const TrpValue &b)
{
    if (a.type() == TrpValue::Integer && b.type() == TrpValue::Integer) {
        const qint64 x = a.toInteger(), y = b.toInteger();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const double x = a.toFloat(), y = b.toFloat();
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

QString rpInvalidFloatText(const QString &s)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(s);
}

QString rpVariantConvertText(TrpValue::Type from, const QString &to)
{
    return QStringLiteral("Could not convert variant of type (%1) into type (%2)")
        .arg(TrpValue::typeName(from), to);
}

QString TrpValue::typeName(Type t)
{
    switch (t) {
    case Empty: return QStringLiteral("Empty");
    case Null: return QStringLiteral("Null");
    case Boolean: return QStringLiteral("Boolean");
    case Integer: return QStringLiteral("Integer");
    case Float: return QStringLiteral("Double");
    case DateTime: return QStringLiteral("Date");
    case Text: return QStringLiteral("String");
    }
    return QString();
}

double TrpValue::toFloat() const
{
    switch (m_type) {
    case Empty: return 0;
    case Null: throw EConvertError(rpVariantConvertText(m_type, QStringLiteral("Double")));
    case Boolean: return m_int ? -1 : 0;
    case Integer: return double(m_int);
    case Float:
    case DateTime: return m_float;
    case Text: {
        bool ok = false;
        const double v = kv::parseFloat(m_text, &ok);
        if (!ok) throw EConvertError(rpInvalidFloatText(m_text));
        return v;
    }
    }
    return 0;
}

qint64 TrpValue::toInteger() const
{
    switch (m_type) {
    case Empty: return 0;
    case Null: throw EConvertError(rpVariantConvertText(m_type, QStringLiteral("Integer")));
    case Boolean: return m_int ? -1 : 0;
    case Integer: return m_int;
    case Text: {
        bool ok = false;
        const qint64 i = m_text.trimmed().toLongLong(&ok);
        if (ok) return i;
        break;
    }
    default: break;
    }
    const double f = (m_type == Text) ? toFloat() : m_float;
    const double r = kv::roundHalfEven(f);
    // 2^63 itself is out of range; everything below it converts exactly.
    if (!std::isfinite(r) || r >= 9223372036854775808.0 || r < -9223372036854775808.0)
        throw EConvertError(rpVariantConvertText(m_type, QStringLiteral("Integer")));
    return qint64(r);
}

int TrpValue::toInt32() const
{
    const qint64 i = toInteger();
    if (i > std::numeric_limits<int>::max() || i < std::numeric_limits<int>::min())
        throw EConvertError(rpVariantConvertText(m_type, QStringLiteral("Integer")));
    return int(i);
}

bool TrpValue::toBool() const
{
    switch (m_type) {
    case Empty: return false;
    case Null: throw EConvertError(rpVariantConvertText(m_type, QStringLiteral("Boolean")));
    case Boolean:
    case Integer: return m_int != 0;
    case Float:
    case DateTime: return m_float != 0;
    case Text:
        if (kv::sameText(m_text.trimmed(), QStringLiteral("True"))) return true;
        if (kv::sameText(m_text.trimmed(), QStringLiteral("False"))) return false;
        return toFloat() != 0;
    }
    return false;
}

QString TrpValue::toText() const
{
    switch (m_type) {
    case Empty:
    case Null: return QString();
    case Boolean: return m_int ? QStringLiteral("True") : QStringLiteral("False");
    case Integer: return QString::number(m_int);
    case Float: return rpFloatToStr(m_float);
    case DateTime: return rpDateTimeToStr(m_float);
    case Text: return m_text;
    }
    return QString();
}

TrpValue TrpValue::fromVariant(const QVariant &v)
{
    if (!v.isValid() || v.isNull()) return null();
    switch (v.typeId()) {
    case QMetaType::Bool: return TrpValue(v.toBool());
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::Short:
    case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
        return TrpValue(qint64(v.toLongLong()));
    case QMetaType::ULongLong: {
        const quint64 u = v.toULongLong();
        return u > quint64(std::numeric_limits<qint64>::max()) ? TrpValue(double(u)) : TrpValue(qint64(u));
    }
    case QMetaType::Double: case QMetaType::Float: return TrpValue(v.toDouble());
    case QMetaType::QDate: return dateTime(rpDateToValue(v.toDate()));
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        const QTime t = dt.time();
        const double days = rpDateToValue(dt.date());
        const double frac = rpEncodeTime(t.hour(), t.minute(), t.second(), t.msec());
        return dateTime(days < 0 ? days - frac : days + frac);
    }
    case QMetaType::QTime: {
        const QTime t = v.toTime();
        return dateTime(rpEncodeTime(t.hour(), t.minute(), t.second(), t.msec()));
    }
    default: return TrpValue(v.toString());
    }
}

QVariant TrpValue::toVariant() const
{
    switch (m_type) {
    case Empty: return QVariant();
    case Null: return QVariant();
    case Boolean: return QVariant(m_int != 0);
    case Integer: return QVariant(m_int);
    case Float: return QVariant(m_float);
    case DateTime: {
        const QDate d = rpValueToDate(m_float);
        int h = 0, m = 0, s = 0, ms = 0;
        rpDecodeTime(m_float, h, m, s, ms);
        return QVariant(QDateTime(d, QTime(h, m, s, ms)));
    }
    case Text: return QVariant(m_text);
    }
    return QVariant();
}

bool TrpValue::operator==(const TrpValue &o) const
{
    if (m_type != o.m_type) return false;
    switch (m_type) {
    case Empty:
    case Null: return true;
    case Boolean:
    case Integer: return m_int == o.m_int;
    case Float:
    case DateTime: return m_float == o.m_float || (std::isnan(m_float) && std::isnan(o.m_float));
    case Text: return m_text == o.m_text;
    }
    return false;
}

TrpValue rpAdd(const TrpValue &a, const TrpValue &b) { return arith(a, b, Op::Add); }
TrpValue rpSub(const TrpValue &a, const TrpValue &b) { return arith(a, b, Op::Sub); }
TrpValue rpMul(const TrpValue &a, const TrpValue &b) { return arith(a, b, Op::Mul); }

TrpValue rpDiv(const TrpValue &a, const TrpValue &b)
{
    if (a.isNull() || b.isNull()) return TrpValue::null();
    const double y = numericOf(b).toFloat();
    if (y == 0) return TrpValue(0.0);
    return TrpValue(numericOf(a).toFloat() / y);
}

TrpValue rpMod(const TrpValue &a, const TrpValue &b)
{
    if (a.isNull() || b.isNull()) return TrpValue::null();
    const qint64 y = numericOf(b).toInteger();
    const qint64 x = numericOf(a).toInteger();
    if (y == 0 || y == -1) return TrpValue(qint64(0));   // -1: avoids the overflow of min % -1
    return TrpValue(qint64(x % y));
}

TrpValue rpAnd(const TrpValue &a, const TrpValue &b)
{
    if (a.isNull() || b.isNull()) return TrpValue::null();
    if (a.type() == TrpValue::Boolean && b.type() == TrpValue::Boolean)
        return TrpValue(a.toBool() && b.toBool());
    return TrpValue(qint64(numericOf(a).toInteger() & numericOf(b).toInteger()));
}

TrpValue rpOr(const TrpValue &a, const TrpValue &b)
{
    if (a.isNull() || b.isNull()) return TrpValue::null();
    if (a.type() == TrpValue::Boolean && b.type() == TrpValue::Boolean)
        return TrpValue(a.toBool() || b.toBool());
    return TrpValue(qint64(numericOf(a).toInteger() | numericOf(b).toInteger()));
}

TrpValue rpNeg(const TrpValue &a)
{
    if (a.isNull()) return a;
    const TrpValue n = numericOf(a);
    if (n.type() == TrpValue::Integer && n.toInteger() != std::numeric_limits<qint64>::min())
        return TrpValue(-n.toInteger());
    if (n.type() == TrpValue::DateTime) return TrpValue::dateTime(-n.toFloat());
    return TrpValue(-n.toFloat());
}

TrpValue rpCompare(const TrpValue &a, const TrpValue &b, TrpRelation rel)
{
    int c = 0;
    if (a.isNull() || b.isNull()) {
        const bool both = a.isNull() && b.isNull();
        bool r = false;
        switch (rel) {
        case TrpRelation::Eq: case TrpRelation::Le: case TrpRelation::Ge: r = both; break;
        case TrpRelation::Ne: r = !both; break;
        default: r = false; break;
        }
        return TrpValue(qint64(r ? 1 : 0));
    }
    if ((isTextLike(a) || a.isEmpty()) && (isTextLike(b) || b.isEmpty())) {
        const int s = QString::compare(a.toText(), b.toText(), Qt::CaseSensitive);
        c = s < 0 ? -1 : (s > 0 ? 1 : 0);
    } else if (a.type() == TrpValue::Boolean && b.type() == TrpValue::Boolean) {
        c = int(a.toBool()) - int(b.toBool());
    } else {
        c = cmpNumbers(numericOf(a), numericOf(b));
    }
    bool r = false;
    switch (rel) {
    case TrpRelation::Eq: r = c == 0; break;
    case TrpRelation::Ne: r = c != 0; break;
    case TrpRelation::Lt: r = c < 0; break;
    case TrpRelation::Gt: r = c > 0; break;
    case TrpRelation::Le: r = c <= 0; break;
    case TrpRelation::Ge: r = c >= 0; break;
    }
    return TrpValue(qint64(r ? 1 : 0));
}

bool rpEqualsZero(const TrpValue &a)
{
    return rpCompare(a, TrpValue(qint64(0)), TrpRelation::Eq).toInteger() == 1;
}

#pragma once
// The value that expressions, variables and scripts of the report engine work
// with: empty, Null, Boolean, integer, float, date-time (days since 30.12.1899)
// or text, with the arithmetic and comparison rules the templates rely on.
#include <QString>
#include <QVariant>
#include <QtGlobal>

#include "platform/error.h"

// A failed conversion (text to number, to date, a number too large for an integer).
class EConvertError : public kv::Error
{
public:
    using kv::Error::Error;
};

// The longest text a value holds (more than any template line can carry).
constexpr qsizetype rpMaxTextLength = 1 << 20;

class TrpValue
{
public:
    enum Type { Empty, Null, Boolean, Integer, Float, DateTime, Text };

    TrpValue() = default;
    TrpValue(bool b) : m_type(Boolean), m_int(b ? 1 : 0) {}
    TrpValue(int i) : m_type(Integer), m_int(i) {}
    TrpValue(qint64 i) : m_type(Integer), m_int(i) {}
    TrpValue(double f) : m_type(Float), m_float(f) {}
    TrpValue(const QString &s) : m_type(Text), m_text(s) {}
    TrpValue(const char *s) : m_type(Text), m_text(QString::fromUtf8(s)) {}

    static TrpValue null() { TrpValue v; v.m_type = Null; return v; }
    static TrpValue dateTime(double days) { TrpValue v(days); v.m_type = DateTime; return v; }
    // From and to the values of data sets and the application: a null or invalid
    // QVariant is Null; QDate and QDateTime are date-times.
    static TrpValue fromVariant(const QVariant &v);
    QVariant toVariant() const;

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Empty; }
    bool isNull() const { return m_type == Null; }
    bool isNumeric() const { return m_type == Integer || m_type == Float || m_type == DateTime; }

    // Conversions; they raise EConvertError when the value cannot be read so.
    double toFloat() const;         // Empty 0, Boolean -1/0, text read as a number
    qint64 toInteger() const;       // floats rounded halves to even, range-checked
    int toInt32() const;            // as toInteger, within the 32-bit range
    bool toBool() const;            // numbers: not 0; texts "True"/"False" or a number
    QString toText() const;         // the engine's text form of the value

    // Same type and same contents (for tests and change checks, not the '=' operator).
    bool operator==(const TrpValue &o) const;
    bool operator!=(const TrpValue &o) const { return !(*this == o); }

    static QString typeName(Type t);

private:
    Type m_type = Empty;
    qint64 m_int = 0;
    double m_float = 0;
    QString m_text;
};

// Operators of the expression language.
TrpValue rpAdd(const TrpValue &a, const TrpValue &b);
TrpValue rpSub(const TrpValue &a, const TrpValue &b);
TrpValue rpMul(const TrpValue &a, const TrpValue &b);
TrpValue rpDiv(const TrpValue &a, const TrpValue &b);   // 0 when b is 0
TrpValue rpMod(const TrpValue &a, const TrpValue &b);   // 0 when b is 0
TrpValue rpAnd(const TrpValue &a, const TrpValue &b);
TrpValue rpOr(const TrpValue &a, const TrpValue &b);
TrpValue rpNeg(const TrpValue &a);

enum class TrpRelation { Eq, Ne, Lt, Gt, Le, Ge };
// The integer 1 when the relation holds, else 0. A Null operand makes every
// relation false except equality with another Null (and "<>" its negation).
TrpValue rpCompare(const TrpValue &a, const TrpValue &b, TrpRelation rel);
// True when the value equals 0 under the comparison rules.
bool rpEqualsZero(const TrpValue &a);

// Error texts of failed conversions.
QString rpInvalidFloatText(const QString &s);           // "'x' is not a valid floating point value"
QString rpVariantConvertText(TrpValue::Type from, const QString &to);

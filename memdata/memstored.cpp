#include "memdata/memstored.h"

#include "platform/error.h"
#include "platform/text.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace kv {

namespace {

[[noreturn]] void corrupt()
{
    throw Error(memDataIncorrectText());
}

class Reader
{
public:
    explicit Reader(const QByteArray &b) : m_b(b) {}
    qsizetype remaining() const { return m_b.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_b.size(); }
    qsizetype pos() const { return m_pos; }
    void need(qint64 n) const { if (n < 0 || n > remaining()) corrupt(); }
    QByteArray bytes(qint64 n)
    {
        need(n);
        QByteArray r = m_b.mid(m_pos, qsizetype(n));
        m_pos += qsizetype(n);
        return r;
    }
    void skip(qint64 n) { need(n); m_pos += qsizetype(n); }
    template <typename T> T num()
    {
        need(sizeof(T));
        T v = qFromLittleEndian<T>(m_b.constData() + m_pos);
        m_pos += sizeof(T);
        return v;
    }
    double dbl()
    {
        const quint64 u = num<quint64>();
        double d;
        std::memcpy(&d, &u, sizeof d);
        return d;
    }
    quint8 byte() { return num<quint8>(); }

private:
    const QByteArray &m_b;
    qsizetype m_pos = 0;
};

class Writer
{
public:
    template <typename T> void num(T v)
    {
        char buf[sizeof(T)];
        qToLittleEndian<T>(v, buf);
        m_b.append(buf, sizeof(T));
    }
    void dbl(double d)
    {
        quint64 u;
        std::memcpy(&u, &d, sizeof d);
        num<quint64>(u);
    }
    void bytes(const QByteArray &b) { m_b.append(b); }
    QByteArray result() const { return m_b; }

private:
    QByteArray m_b;
};

enum class Layout { String, Wide, Blob, Fixed };

Layout layoutOf(MemFieldType t)
{
    if (t == MemFieldType::String) return Layout::String;
    if (t == MemFieldType::WideString) return Layout::Wide;
    if (memTypeIsBlob(t)) return Layout::Blob;
    return Layout::Fixed;
}

// A fixed-size value in the native buffer format of type t.
QVariant decodeFixed(MemFieldType t, const QByteArray &b)
{
    const char *p = b.constData();
    switch (t) {
    case MemFieldType::Smallint: return int(qFromLittleEndian<qint16>(p));
    case MemFieldType::Word: return int(qFromLittleEndian<quint16>(p));
    case MemFieldType::Boolean: return qFromLittleEndian<quint16>(p) != 0;
    case MemFieldType::Integer: case MemFieldType::AutoInc: case MemFieldType::Date:
    case MemFieldType::Time:
        return int(qFromLittleEndian<qint32>(p));
    case MemFieldType::Largeint: return qlonglong(qFromLittleEndian<qint64>(p));
    case MemFieldType::Float: case MemFieldType::Currency: case MemFieldType::DateTime: {
        const quint64 u = qFromLittleEndian<quint64>(p);
        double d;
        std::memcpy(&d, &u, sizeof d);
        if (!std::isfinite(d)) corrupt();
        return d;
    }
    case MemFieldType::BCD: {
        double d = 0;
        if (!memDecodeBcd(b, &d)) corrupt();
        return d;
    }
    default: return QVariant();
    }
}

void encodeFixed(Writer &w, MemFieldType t, const QVariant &v)
{
    switch (t) {
    case MemFieldType::Smallint: w.num<qint16>(qint16(v.toInt())); break;
    case MemFieldType::Word: w.num<quint16>(quint16(v.toInt())); break;
    case MemFieldType::Boolean: w.num<quint16>(v.toBool() ? 1 : 0); break;
    case MemFieldType::Integer: case MemFieldType::AutoInc: case MemFieldType::Date:
    case MemFieldType::Time:
        w.num<qint32>(qint32(v.toInt())); break;
    case MemFieldType::Largeint: w.num<qint64>(v.toLongLong()); break;
    case MemFieldType::Float: case MemFieldType::Currency: case MemFieldType::DateTime:
        w.dbl(v.toDouble()); break;
    case MemFieldType::BCD: w.bytes(memEncodeBcd(v.toDouble())); break;
    default: break;
    }
}

// Converts a value read under the descriptor's type to the stored form of the
// table's field; a value that does not fit the field makes the stream unreadable.
QVariant toField(const MemStreamField &f, MemFieldType from, const QVariant &raw)
{
    if (!raw.isValid()) return QVariant();
    if (memTypeIsBlob(f.type))
        return raw.typeId() == QMetaType::QByteArray ? raw
                                                     : QVariant(toCp1251(memStoredText(from, raw)));
    if (from == f.type && !memTypeIsString(f.type)) return raw;
    try {
        QVariant v = raw;
        if (raw.typeId() == QMetaType::QByteArray) v = fromCp1251(raw.toByteArray());
        else if (!memTypeIsString(from)) v = memFromStored(from, raw);
        QVariant stored = memToStored(f.type, f.size, v);
        if (memTypeIsString(f.type)) {
            // A text ends at its first NUL and an empty text is no value, as the
            // string readers and the writer have it, whatever the descriptor's type.
            QString text = stored.toString();
            if (const qsizetype zero = text.indexOf(QChar(0)); zero >= 0) text.truncate(zero);
            if (text.isEmpty()) return QVariant();
            stored = text;
        }
        return stored;
    } catch (const Error &) {
        corrupt();
    }
}

int findField(const QVector<MemStreamField> &fields, const QString &name)
{
    for (int i = 0; i < fields.size(); ++i)
        if (sameText(fields[i].name, name)) return i;
    return -1;
}

} // namespace

QString memDataIncorrectText()
{
    return QStringLiteral("The data is incorrect");
}

MemStoredData readMemStoredData(const QByteArray &bytes, const QVector<MemStreamField> &fields)
{
    MemStoredData data;
    Reader r(bytes);
    if (bytes.startsWith("Ver")) {
        r.skip(3);
        data.version = r.dbl();
        if (!(data.version >= 1)) data.version = 1;   // also a NaN
    }
    const qint32 count = r.num<qint32>();
    // A descriptor takes at least 8 bytes.
    if (count < 0 || qint64(count) * 8 > r.remaining()) corrupt();
    for (qint32 i = 0; i < count; ++i) {
        MemStoredDescriptor d;
        d.size = r.num<qint32>();
        d.code = r.num<quint16>();
        const quint16 len = r.num<quint16>();
        if (len > 255 || d.size < 0) corrupt();
        d.name = fromCp1251(r.bytes(len));
        d.target = findField(fields, d.name);
        const MemFieldType t = memTypeFromCode(d.code);
        if (layoutOf(t) == Layout::Fixed && t != MemFieldType::Unknown
            && d.size != memNativeSize(t, 0))
            corrupt();
        data.descriptors.append(d);
    }
    if (data.descriptors.isEmpty() && !r.atEnd()) corrupt();

    const bool presence = data.version > 0;
    while (!r.atEnd()) {
        // Descriptors of width 0 without presence bytes make records of no
        // bytes: the bytes that follow could never be read.
        const qsizetype start = r.pos();
        QVector<QVariant> row(fields.size());
        for (const MemStoredDescriptor &d : std::as_const(data.descriptors)) {
            const MemFieldType t = memTypeFromCode(d.code);
            QVariant raw;
            switch (layoutOf(t)) {
            case Layout::String: {
                const qint32 len = r.num<qint32>();
                QByteArray b = r.bytes(len);
                if (len >= 2) {
                    const qsizetype zero = b.indexOf('\0');
                    if (zero >= 0) b.truncate(zero);
                    if (!b.isEmpty()) raw = b;
                }
                break;
            }
            case Layout::Wide: {
                const qint32 len = r.num<qint32>();
                if (len < 0) corrupt();
                const quint8 flag = r.byte();
                if (flag == 1) {
                    const QByteArray b = r.bytes(qint64(len) * 2);
                    if (len >= 2) {
                        QString s(len, Qt::Uninitialized);
                        for (qint32 k = 0; k < len; ++k)
                            s[k] = QChar(qFromLittleEndian<quint16>(b.constData() + 2 * k));
                        const qsizetype zero = s.indexOf(QChar(0));
                        if (zero >= 0) s.truncate(zero);
                        if (!s.isEmpty()) raw = s;
                    }
                }
                break;
            }
            case Layout::Blob: {
                const qint32 len = r.num<qint32>();
                const QByteArray b = r.bytes(len);
                if (len >= 1) raw = b;
                break;
            }
            case Layout::Fixed: {
                bool present = true;
                if (presence) present = r.byte() != 0;
                const QByteArray b = r.bytes(d.size);
                if (present && t != MemFieldType::Unknown) raw = decodeFixed(t, b);
                break;
            }
            }
            if (d.target >= 0) row[d.target] = toField(fields[d.target], t, raw);
        }
        if (r.pos() == start) corrupt();
        data.rows.append(row);
    }
    return data;
}

QByteArray writeMemStoredData(const QVector<MemStreamField> &fields,
                              const QVector<QVector<QVariant>> &rows)
{
    Writer w;
    w.bytes(QByteArrayLiteral("Ver"));
    w.dbl(1.0);
    w.num<qint32>(qint32(fields.size()));
    for (const MemStreamField &f : fields) {
        const QByteArray name = toCp1251(f.name).left(255);
        w.num<qint32>(memNativeSize(f.type, f.size));
        w.num<quint16>(quint16(f.type));
        w.num<quint16>(quint16(name.size()));
        w.bytes(name);
    }
    for (const QVector<QVariant> &row : rows) {
        for (int i = 0; i < fields.size(); ++i) {
            const MemStreamField &f = fields[i];
            const QVariant v = i < row.size() ? row[i] : QVariant();
            switch (layoutOf(f.type)) {
            case Layout::String: {
                const QByteArray b = v.isValid() ? toCp1251(v.toString()) : QByteArray();
                if (b.isEmpty()) {
                    w.num<qint32>(0);
                } else {
                    w.num<qint32>(qint32(b.size() + 1));
                    w.bytes(b);
                    w.bytes(QByteArray(1, '\0'));
                }
                break;
            }
            case Layout::Wide: {
                const QString s = v.isValid() ? v.toString() : QString();
                if (s.isEmpty()) {
                    w.num<qint32>(0);
                    w.num<quint8>(0);
                } else {
                    w.num<qint32>(qint32(s.size() + 1));
                    w.num<quint8>(1);
                    for (QChar c : s) w.num<quint16>(c.unicode());
                    w.num<quint16>(0);
                }
                break;
            }
            case Layout::Blob: {
                const QByteArray b = v.isValid() ? v.toByteArray() : QByteArray();
                w.num<qint32>(qint32(b.size()));
                w.bytes(b);
                break;
            }
            case Layout::Fixed:
                w.num<quint8>(v.isValid() ? 1 : 0);
                if (v.isValid()) encodeFixed(w, f.type, v);
                else w.bytes(QByteArray(memNativeSize(f.type, f.size), '\0'));
                break;
            }
        }
    }
    return w.result();
}

QByteArray memEncodeBcd(double value)
{
    QByteArray out(34, '\0');
    if (!std::isfinite(value)) return out;
    QString text = formatFixed(std::fabs(value), 4);
    int places = 4;
    text.remove(QLatin1Char('.'));
    while (text.size() > places + 1 && text.startsWith(QLatin1Char('0'))) text.remove(0, 1);
    // Drop decimals first, then give up on values beyond 64 digits.
    while (text.size() > 64 && places > 0) { text.chop(1); --places; }
    if (text.size() > 64) return out;
    out[0] = char(text.size());
    out[1] = char(places | (value < 0 && text.count(QLatin1Char('0')) != text.size() ? 0x80 : 0));
    for (int i = 0; i < text.size(); ++i) {
        const int digit = text.at(i).unicode() - '0';
        char &b = out[2 + i / 2];
        b = char(i % 2 == 0 ? (digit << 4) : (quint8(b) | digit));
    }
    return out;
}

bool memDecodeBcd(const QByteArray &bytes, double *value)
{
    if (bytes.size() != 34) return false;
    const int precision = quint8(bytes[0]);
    const int places = quint8(bytes[1]) & 0x3F;
    const bool negative = quint8(bytes[1]) & 0x80;
    if (precision > 64 || places > precision) return false;
    QString digits;
    for (int i = 0; i < precision; ++i) {
        const quint8 b = quint8(bytes[2 + i / 2]);
        const int d = i % 2 == 0 ? b >> 4 : b & 0x0F;
        if (d > 9) return false;
        digits += QChar(char16_t('0' + d));
    }
    if (digits.isEmpty()) { *value = 0; return true; }
    QString text = digits.left(precision - places);
    if (text.isEmpty()) text = QStringLiteral("0");
    if (places > 0) text += QLatin1Char('.') + digits.right(places);
    bool ok = false;
    const double d = parseFloat(text, &ok);
    if (!ok) return false;
    *value = negative ? -d : d;
    return true;
}

} // namespace kv

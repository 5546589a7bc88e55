#include "platform/db/dbffile.h"

#include "platform/error.h"
#include "platform/savefile.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <vector>

namespace kv {

namespace {

quint16 rd16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }
quint32 rd32(const uchar *p) { return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24); }
void wr16(QByteArray &b, int at, quint16 v) { b[at] = char(v & 0xFF); b[at + 1] = char(v >> 8); }
void wr32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

QString notATable(const QString &path)
{
    return QStringLiteral("Файл \"%1\" не является таблицей dBASE или повреждён.").arg(QDir::toNativeSeparators(path));
}

QByteArray trimRightBytes(const QByteArray &b)
{
    int e = b.size();
    while (e > 0 && (b[e - 1] == ' ' || b[e - 1] == '\0')) --e;
    return b.left(e);
}

bool asciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// decodeValue over the bytes of a record without copying them, for the
// plain cases; false leaves a value to decodeValue (same result, slower).
bool decodeInPlace(const DbfField &f, bool integer, const char *p, int len, QVariant &out)
{
    switch (f.type) {
    case 'C': {
        int e = len;
        while (e > 0 && (p[e - 1] == ' ' || p[e - 1] == '\0')) --e;
        out = e == 0 ? QVariant() : QVariant(fromCp1251(std::string_view(p, size_t(e))));
        return true;
    }
    case 'N':
    case 'F':
    case 'D': {
        int b = 0, e = len;
        while (b < e && asciiSpace(p[b])) ++b;
        while (e > b && asciiSpace(p[e - 1])) --e;
        if (b == e) {
            out = QVariant();
            return true;
        }
        if (f.type == 'D') {
            if (e - b != 8) {
                out = QVariant();
                return true;
            }
            int digits[8];
            for (int i = 0; i < 8; ++i) {
                if (p[b + i] < '0' || p[b + i] > '9') return false;
                digits[i] = p[b + i] - '0';
            }
            const QDate d(digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3], digits[4] * 10 + digits[5],
                          digits[6] * 10 + digits[7]);
            out = d.isValid() ? QVariant(d) : QVariant();
            return true;
        }
        // Plain decimals that the column's own form writes back unchanged:
        // no more decimals than declared and few enough digits for a double,
        // so rounding to the column (decodeValue) gives the same number.
        int before = 0, after = 0;
        bool point = false;
        for (int i = b; i < e; ++i) {
            const char c = p[i];
            if (c >= '0' && c <= '9') (point ? after : before)++;
            else if (c == '.' && !point) point = true;
            else if (!((c == '-' || c == '+') && i == b)) return false;
        }
        if (after > f.decimals || before + f.decimals > 15) return false;
        const char *first = p + b, *last = p + e;
        if (*first == '+') ++first;
        double v = 0;
        const auto res = std::from_chars(first, last, v);
        if (res.ec != std::errc() || res.ptr != last) {
            out = QVariant();   // rubbish: no value
            return true;
        }
        if (v == 0 && std::signbit(v)) return false;   // how a negative zero is written back decides
        if (integer && v == std::floor(v) && std::fabs(v) <= 2147483647.0) out = QVariant(int(v));
        else out = QVariant(v);
        return true;
    }
    default:
        return false;
    }
}

QString doesNotFit(const DbfField &f, const QString &text)
{
    return QStringLiteral("Значение %1 не помещается в поле '%2'.").arg(text, f.name);
}

} // namespace

FieldDef toFieldDef(const DbfField &f)
{
    FieldDef d;
    d.name = f.name;
    d.size = f.length;
    d.decimals = f.decimals;
    switch (f.type) {
    case 'C': d.type = FieldType::String; break;
    case 'N':
        if (f.decimals > 0 || f.length >= 10) d.type = FieldType::Float;
        else if (f.length < 5) d.type = FieldType::SmallInt;
        else d.type = FieldType::Integer;
        break;
    case 'F': d.type = FieldType::Float; break;
    case 'D': d.type = FieldType::Date; d.size = 0; break;
    case 'L': d.type = FieldType::Boolean; d.size = 0; break;
    case 'M': d.type = FieldType::Memo; d.size = 0; break;
    default: d.type = FieldType::String; break;
    }
    return d;
}

QString DbfFile::fieldsError(const QList<DbfField> &fields)
{
    if (fields.isEmpty()) return QStringLiteral("Таблица должна иметь хотя бы одно поле.");
    int total = 1;
    for (const DbfField &f : fields) {
        const QByteArray n = toCp1251(f.name);
        if (n.isEmpty() || n.size() > 10) return QStringLiteral("Неверное имя поля '%1'.").arg(f.name);
        switch (f.type) {
        case 'C': if (f.length < 1 || f.length > 254) return QStringLiteral("Неверная длина поля '%1'.").arg(f.name); break;
        case 'N': case 'F':
            if (f.length < 1 || f.length > 20 || f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2))
                return QStringLiteral("Неверная длина поля '%1'.").arg(f.name);
            break;
        case 'D': if (f.length != 8) return QStringLiteral("Неверная длина поля '%1'.").arg(f.name); break;
        case 'L': if (f.length != 1) return QStringLiteral("Неверная длина поля '%1'.").arg(f.name); break;
        case 'M': if (f.length != 10) return QStringLiteral("Неверная длина поля '%1'.").arg(f.name); break;
        default: return QStringLiteral("Неверный тип поля '%1'.").arg(f.name);
        }
        total += f.length;
    }
    if (total > 4000) return QStringLiteral("Слишком длинная запись таблицы.");
    return QString();
}

QVariant DbfFile::decodeValue(const DbfField &f, const QByteArray &raw)
{
    switch (f.type) {
    case 'C': {
        // A blank text is no value, as the desktop engine reported it.
        const QByteArray t = trimRightBytes(raw);
        if (t.isEmpty()) return QVariant();
        return fromCp1251(t);
    }
    case 'N':
    case 'F': {
        const QByteArray t = raw.trimmed();
        if (t.isEmpty()) return QVariant();
        bool ok = false;
        double v = parseFloat(QString::fromLatin1(t), &ok);
        if (!ok || !std::isfinite(v)) return QVariant();   // asterisks or rubbish: no value
        // Shown as it would be written: rounded to the declared decimals.
        v = parseFloat(formatFixed(v, f.decimals));
        const FieldDef d = toFieldDef(f);
        if (isIntegerType(d.type)) {
            if (v != std::floor(v) || std::fabs(v) > 2147483647.0) return QVariant(v);
            return QVariant(int(v));
        }
        return QVariant(v);
    }
    case 'D': {
        const QByteArray t = raw.trimmed();
        if (t.size() != 8) return QVariant();
        const QDate d = QDate::fromString(QString::fromLatin1(t), QStringLiteral("yyyyMMdd"));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case 'L': {
        const char c = raw.isEmpty() ? ' ' : raw[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return QVariant(true);
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return QVariant(false);
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QByteArray DbfFile::encodeValue(const DbfField &f, const QVariant &v)
{
    const bool null = !v.isValid() || v.isNull();
    QByteArray out;
    switch (f.type) {
    case 'C': {
        QByteArray b = null ? QByteArray() : toCp1251(v.toString());
        if (b.size() > f.length) b.truncate(f.length);
        out = b + QByteArray(f.length - b.size(), ' ');
        break;
    }
    case 'N':
    case 'F': {
        if (null) {
            out = QByteArray(f.length, ' ');
            break;
        }
        QByteArray text;
        if (v.typeId() == QMetaType::Int) {
            // What the fixed form of the number gives, without the detour through a double.
            text = QByteArray::number(v.toInt());
            if (f.decimals > 0) text += '.' + QByteArray(std::clamp(f.decimals, 0, 18), '0');
        } else {
            bool ok = true;
            const QVariant c = coerceValue(FieldType::Float, v, &ok);
            if (!ok) throw Error(doesNotFit(f, v.toString()));
            if (!c.isValid()) {
                out = QByteArray(f.length, ' ');
                break;
            }
            const double d = c.toDouble();
            if (!std::isfinite(d)) throw Error(doesNotFit(f, v.toString()));
            text = formatFixed(d, f.decimals).toLatin1();
        }
        if (text.size() > f.length) throw Error(doesNotFit(f, QString::fromLatin1(text)));
        out.reserve(f.length);
        out.fill(' ', f.length - text.size());
        out += text;
        break;
    }
    case 'D': {
        if (null) {
            out = QByteArray(8, ' ');
            break;
        }
        bool ok = true;
        const QVariant c = coerceValue(FieldType::Date, v, &ok);
        if (!ok) throw Error(QStringLiteral("'%1' - неверная дата для поля '%2'").arg(v.toString(), f.name));
        if (!c.isValid()) {
            out = QByteArray(8, ' ');
            break;
        }
        const QDate d = c.toDate();
        if (d.year() < 1 || d.year() > 9999) throw Error(doesNotFit(f, formatDate(d)));
        out = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        break;
    }
    case 'L': {
        if (null) {
            out = QByteArray(1, '?');
            break;
        }
        bool ok = true;
        const QVariant c = coerceValue(FieldType::Boolean, v, &ok);
        if (!ok) throw Error(QStringLiteral("'%1' - неверное логическое значение для поля '%2'").arg(v.toString(), f.name));
        out = QByteArray(1, !c.isValid() ? '?' : (c.toBool() ? 'T' : 'F'));
        break;
    }
    default:
        out = QByteArray(f.length, ' ');
        break;
    }
    return out;
}

void DbfFile::checkValue(const DbfField &f, const QVariant &v)
{
    (void)encodeValue(f, v);
}

DbfFile DbfFile::parse(const QByteArray &bytes, const QString &path, bool withRows)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 33) throw Error(notATable(path));
    DbfFile t;
    t.version = p[0];
    switch (t.version & 0x07) {
    case 0x03: break;   // dBASE III+/IV and their memo/SQL variants
    default:
        if (t.version != 0x30 && t.version != 0x31 && t.version != 0xF5) throw Error(notATable(path));
    }
    const int headerLen = rd16(p + 8);
    const int recordLen = rd16(p + 10);
    t.languageDriver = p[29];
    if (headerLen < 33 || headerLen > size || recordLen < 1) throw Error(notATable(path));
    int at = 32;
    int sum = 1;
    while (at + 32 <= headerLen && p[at] != 0x0D) {
        DbfField f;
        int nameLen = 0;
        while (nameLen < 11 && p[at + nameLen] != 0) ++nameLen;
        f.name = fromCp1251(QByteArray(reinterpret_cast<const char *>(p + at), nameLen)).trimmed();
        f.type = char(p[at + 11]);
        f.length = p[at + 16];
        f.decimals = p[at + 17];
        if (f.type == 'C' && f.decimals > 0) {   // long character fields of some writers
            f.length += f.decimals * 256;
            f.decimals = 0;
        }
        if (f.name.isEmpty() || f.length == 0) throw Error(notATable(path));
        t.fields << f;
        sum += f.length;
        at += 32;
    }
    if (t.fields.isEmpty() || sum != recordLen) throw Error(notATable(path));
    if (!withRows) return t;
    const qsizetype n = t.recordsIn(bytes);
    t.rows.reserve(n);
    const RecordDecoder decoder(t.fields);
    for (qsizetype r = 0; r < n; ++r) {
        const char *rec = bytes.constData() + headerLen + r * recordLen;
        DbfRow row;
        row.deleted = rec[0] == '*';
        row.raw = QByteArray(rec + 1, recordLen - 1);
        decoder.decode(rec + 1, row.values);
        t.rows << std::move(row);
    }
    return t;
}

qsizetype DbfFile::recordsIn(const QByteArray &bytes) const
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype headerLen = headerLengthOf(bytes), recordLen = recordLength();
    // A short file keeps the records that are there in full.
    const qsizetype available = (bytes.size() - headerLen) / recordLen;
    const qsizetype n = std::min<qsizetype>(rd32(p + 4), available);
    for (qsizetype r = 0; r < n; ++r)
        if (p[headerLen + r * recordLen] == 0x1A) return r;
    return n;
}

int DbfFile::headerLengthOf(const QByteArray &bytes)
{
    return rd16(reinterpret_cast<const uchar *>(bytes.constData()) + 8);
}

RecordDecoder::RecordDecoder(const QList<DbfField> &fields) : m_fields(fields)
{
    for (const DbfField &f : fields) m_integer.push_back(isIntegerType(toFieldDef(f).type));
}

QVariant RecordDecoder::field(qsizetype i, const char *at) const
{
    const DbfField &f = m_fields[i];
    QVariant v;
    if (!decodeInPlace(f, m_integer[size_t(i)], at, f.length, v)) v = DbfFile::decodeValue(f, QByteArray(at, f.length));
    return v;
}

void RecordDecoder::decode(const char *data, QVariantList &values) const
{
    values.resize(m_fields.size());
    int off = 0;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const DbfField &f = m_fields[i];
        const char *at = data + off;
        if (!decodeInPlace(f, m_integer[size_t(i)], at, f.length, values[i]))
            values[i] = DbfFile::decodeValue(f, QByteArray(at, f.length));
        off += f.length;
    }
}

DbfFile DbfFile::read(const QString &path, QByteArray *raw, bool withRows)
{
    QFile file(path);
    if (!file.exists())
        throw Error(QStringLiteral("Файл \"%1\" не найден.").arg(QDir::toNativeSeparators(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удаётся открыть файл \"%1\".").arg(QDir::toNativeSeparators(path)));
    if (!raw) return parse(file.readAll(), path, withRows);
    *raw = file.readAll();
    return parse(*raw, path, withRows);
}

QByteArray DbfFile::serialize(const QDate &today) const
{
    const QString err = fieldsError(fields);
    if (!err.isEmpty()) throw Error(err);
    // Memo texts live in a .dbt we do not keep: writing would lose them.
    for (const DbfField &f : fields)
        if (f.type == 'M') throw Error(QStringLiteral("Изменение таблиц с полями примечаний (MEMO) не поддерживается."));
    int recordLen = 1;
    for (const DbfField &f : fields) recordLen += f.length;
    const int headerLen = 32 + 32 * int(fields.size()) + 1;
    const int n = int(rows.size());
    QByteArray out(headerLen, '\0');
    out[0] = char(0x03);
    out[1] = char(std::clamp(today.year() - 1900, 0, 255));
    out[2] = char(today.month());
    out[3] = char(today.day());
    wr32(out, 4, quint32(n));
    wr16(out, 8, quint16(headerLen));
    wr16(out, 10, quint16(recordLen));
    out[29] = char(languageDriver);
    int at = 32;
    for (const DbfField &f : fields) {
        const QByteArray name = upperCase(f.name).toLatin1().left(10);
        for (int i = 0; i < name.size(); ++i) out[at + i] = name[i];
        out[at + 11] = f.type;
        out[at + 16] = char(f.length);
        out[at + 17] = char(f.decimals);
        at += 32;
    }
    out[headerLen - 1] = char(0x0D);
    out.reserve(headerLen + n * recordLen + 1);
    for (const DbfRow &row : rows) out.append(encodeRecord(row));
    out.append(char(0x1A));
    return out;
}

QByteArray DbfFile::encodeRecord(const DbfRow &row) const
{
    const int recordLen = recordLength();
    QByteArray out;
    out.reserve(recordLen);
    out.append(row.deleted ? '*' : ' ');
    const bool withRaw = row.raw.size() == recordLen - 1;
    if (withRaw && row.asRead) {
        out.append(row.raw);
        return out;
    }
    int off = 0;
    for (int i = 0; i < fields.size(); ++i) {
        const DbfField &f = fields[i];
        const QVariant value = row.values.value(i);
        // A field nobody changed keeps the bytes another writer put there.
        const QByteArray before = withRaw ? row.raw.mid(off, f.length) : QByteArray();
        if (withRaw && decodeValue(f, before) == value) out.append(before);
        else out.append(encodeValue(f, value));
        off += f.length;
    }
    return out;
}

int DbfFile::recordLength() const
{
    int n = 1;
    for (const DbfField &f : fields) n += f.length;
    return n;
}

void DbfFile::write(const QString &path) const
{
    writeFileAtomically(path, serialize());
}

void DbfFile::create(const QString &path, const QList<DbfField> &fields)
{
    DbfFile t;
    t.fields = fields;
    t.write(path);
}

void DbfFile::pack()
{
    QList<DbfRow> kept;
    for (const DbfRow &r : rows)
        if (!r.deleted) kept << r;
    rows = kept;
}

int DbfFile::liveCount() const
{
    int n = 0;
    for (const DbfRow &r : rows)
        if (!r.deleted) ++n;
    return n;
}

namespace {
WriteFailHook &writeFailHook()
{
    static WriteFailHook hook;
    return hook;
}
} // namespace

WriteFailHook SetWriteFailHook(WriteFailHook hook)
{
    WriteFailHook previous = std::move(writeFailHook());
    writeFailHook() = std::move(hook);
    return previous;
}

void writeFileAtomically(const QString &path, const QByteArray &data)
{
    if (writeFailHook() && writeFailHook()(path)) throw Error(WriteErrorText(path, QString()));
    QString reason;
    if (!SaveFileAtomically(path, data, &reason)) throw Error(WriteErrorText(path, reason), reason);
}

namespace {
WriteCutHook &writeCutHook()
{
    static WriteCutHook hook;
    return hook;
}
} // namespace

WriteCutHook SetWriteCutHook(WriteCutHook hook)
{
    WriteCutHook previous = std::move(writeCutHook());
    writeCutHook() = std::move(hook);
    return previous;
}

void writeInPlace(const QString &path, qint64 offset, const QByteArray &bytes)
{
    const auto fail = [&](int err) { throw Error(WriteErrorText(path, FileErrorReason(err)), FileErrorReason(err)); };
    if (writeFailHook() && writeFailHook()(path)) fail(0);
    if (const int injected = InjectedWriteError(path)) fail(injected);
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) fail(errno);
    if (offset < 0 || offset + bytes.size() > f.size() || !f.seek(offset)) fail(0);
    const qint64 cut = writeCutHook() ? writeCutHook()(path) : -1;
    if (cut >= 0) {
        f.write(bytes.constData(), std::min<qint64>(cut, bytes.size()));
        f.flush();
        fail(0);
    }
    if (f.write(bytes) != bytes.size() || !f.flush()) fail(errno);
}

void copyFileAtomically(const QString &from, const QString &to)
{
    QFile src(from);
    if (!src.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удаётся открыть файл \"%1\".").arg(QDir::toNativeSeparators(from)));
    writeFileAtomically(to, src.readAll());
}

QString resolvePath(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.isEmpty() || QFileInfo::exists(p)) return p;
    // Walk the path, matching each missing part without regard to case.
    const bool absolute = p.startsWith(QLatin1Char('/'));
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString cur = absolute ? QStringLiteral("/") : QString();
    for (int i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        const QString base = cur.isEmpty() ? QStringLiteral(".") : cur;
        QString next = cur.isEmpty() || cur.endsWith(QLatin1Char('/')) ? cur + part : cur + QLatin1Char('/') + part;
        if (!QFileInfo::exists(next) && part != QLatin1String(".") && part != QLatin1String("..")) {
            const QStringList entries = QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            for (const QString &e : entries) {
                if (sameText(e, part)) {
                    next = cur.isEmpty() || cur.endsWith(QLatin1Char('/')) ? cur + e : cur + QLatin1Char('/') + e;
                    break;
                }
            }
        }
        cur = next;
    }
    return QFileInfo::exists(cur) ? cur : p;
}

} // namespace kv

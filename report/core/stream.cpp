#include "report/core/stream.h"
#include "report/core/bounds.h"

#include "platform/error.h"
#include "platform/extended.h"
#include "platform/text.h"

#include <cstring>
#include <typeinfo>

namespace {

constexpr int kMaxWord = 65535;

[[noreturn]] void readError() { throw kv::Error(QStringLiteral("Stream read error")); }
[[noreturn]] void writeError() { throw kv::Error(QStringLiteral("Stream write error")); }

// `count` more bytes at the end of `a`, to be filled by the caller. With room
// left in an array of its own the size is only moved on: resize and append
// cost a call and their checks for every few bytes of a record.
char *appendRoom(QByteArray &a, qsizetype count)
{
    QByteArray::DataPointer &d = a.data_ptr();
    const qsizetype n = d.size;
    if (!d.needsDetach() && d.freeSpaceAtEnd() > count) {
        d.size = n + count;
        d.data()[d.size] = '\0';
    } else {
        a.resize(n + count);
    }
    return a.data() + n;
}

// The engine's own memory stream, reached without QIODevice's work per call.
// The class is final and its type information lives in this library, so the
// addresses compare; a miss would only take the slower road.
TrpMemoryStream *fast(QIODevice &s)
{
    return &typeid(s) == &typeid(TrpMemoryStream) ? static_cast<TrpMemoryStream *>(&s) : nullptr;
}

// Exactly `count` bytes into `out`.
void readRaw(QIODevice &s, char *out, qint64 count)
{
    if (TrpMemoryStream *m = fast(s)) {
        const char *p = m->take(count);
        if (!p) readError();
        std::memcpy(out, p, size_t(count));
        return;
    }
    if (s.read(out, count) != count) readError();
}

void writeRaw(QIODevice &s, const char *data, qint64 count)
{
    if (count <= 0) return;
    if (TrpMemoryStream *m = fast(s)) {
        m->put(data, count);
        return;
    }
    if (s.write(data, count) != count) writeError();
}

char readChar(QIODevice &s)
{
    char c = 0;
    readRaw(s, &c, 1);
    return c;
}

quint16 readU16(QIODevice &s)
{
    char b[2];
    readRaw(s, b, 2);
    return quint16(quint8(b[0]) | (quint8(b[1]) << 8));
}

void writeU16(QIODevice &s, quint16 v)
{
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    writeRaw(s, b, 2);
}

[[noreturn]] void tooLong(qsizetype bytes)
{
    throw kv::Error(QStringLiteral("Text of %1 bytes is too long to be saved (at most 65535)").arg(bytes));
}

QByteArray checkedBytes(const QString &value)
{
    QByteArray b = kv::toCp1251(value);
    if (b.size() > kMaxWord) tooLong(b.size());
    return b;
}

// Short texts recur in every record of a page (view names, font names,
// the same values): the last ones decoded are kept and shared, so a repeat
// costs no allocation.
class RecentTexts
{
public:
    QString decode(const char *p, quint16 n)
    {
        if (n > kLongest) return kv::fromCp1251(std::string_view(p, n));
        quint32 h = n;
        for (quint16 i = 0; i < n; ++i) h = h * 31 + quint8(p[i]);
        Slot &slot = m_slots[(h ^ (h >> 9)) % kSlots];
        if (slot.size == n && std::memcmp(slot.bytes, p, n) == 0) return slot.text;
        slot.text = kv::fromCp1251(std::string_view(p, n));
        slot.size = n;
        std::memcpy(slot.bytes, p, n);
        return slot.text;
    }

private:
    static constexpr quint16 kLongest = 32;
    static constexpr quint32 kSlots = 512;
    struct Slot
    {
        quint16 size = 0xFFFF;
        char bytes[kLongest];
        QString text;
    };
    Slot m_slots[kSlots];
};

QString decodeText(const char *p, quint16 n)
{
    thread_local RecentTexts recent;
    return recent.decode(p, n);
}

// cp1251 text read as `n` bytes.
QString readText(QIODevice &s, quint16 n)
{
    if (n == 0) return QString();
    if (TrpMemoryStream *m = fast(s)) {
        const char *p = m->take(n);
        if (!p) readError();
        return decodeText(p, n);
    }
    char buf[kMaxWord];
    readRaw(s, buf, n);
    return kv::fromCp1251(std::string_view(buf, n));
}

// A 16-bit length and the cp1251 bytes of `value`, encoded straight into a
// memory stream's array when writing at its end.
void writeCountedText(QIODevice &s, const QString &value)
{
    TrpMemoryStream *m = fast(s);
    QByteArray *t = m ? m->target() : nullptr;
    if (!t || m->pos() != t->size()) {
        const QByteArray b = checkedBytes(value);
        writeU16(s, quint16(b.size()));
        writeRaw(s, b.constData(), b.size());
        return;
    }
    const qsizetype at = t->size();
    char *d = appendRoom(*t, 2 + value.size()) + 2;
    qsizetype n = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        // A surrogate pair is one character without a code: one '?'.
        if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) ++i;
        d[n++] = kv::toCp1251Char(c);
    }
    if (n > kMaxWord) {
        t->truncate(at);
        tooLong(n);
    }
    d[-2] = char(n & 0xFF);
    d[-1] = char(n >> 8);
    if (n < value.size()) t->truncate(at + 2 + n);
    m->seek(t->size());
}

} // namespace

// ---------------------------------------------------------------- memory stream

TrpMemoryStream::~TrpMemoryStream() = default;

void TrpMemoryStream::reopen(OpenMode mode)
{
    if (isOpen()) close();
    // Unbuffered: nothing is held between this object and its bytes.
    open(mode | QIODevice::Unbuffered);
}

void TrpMemoryStream::attach(QByteArray *target)
{
    m_target = target;
    m_data = nullptr;
    m_size = 0;
    reopen(QIODevice::ReadWrite);
    m_pos = target->size();
}

void TrpMemoryStream::attach(const char *data, qint64 size)
{
    m_target = nullptr;
    m_data = data;
    m_size = size;
    reopen(QIODevice::ReadOnly);
    m_pos = 0;
}

bool TrpMemoryStream::seek(qint64 pos)
{
    if (pos < 0) return false;
    if (!m_target && pos > m_size) return false;
    m_pos = pos;
    return true;
}

const char *TrpMemoryStream::take(qint64 count)
{
    const char *base = m_target ? m_target->constData() : m_data;
    if (count < 0 || count > size() - m_pos) return nullptr;
    const char *p = base + m_pos;
    m_pos += count;
    return p;
}

void TrpMemoryStream::put(const char *data, qint64 count)
{
    if (!m_target) writeError();
    const qint64 n = m_target->size();
    if (m_pos == n) {
        std::memcpy(appendRoom(*m_target, count), data, size_t(count));
    } else {
        // Over bytes written before (a length filled in afterwards); past the
        // end the gap is zero bytes, as a buffer would leave it.
        if (m_pos + count > n) m_target->resize(m_pos + count, char(0));
        if (m_pos > n) std::memset(m_target->data() + n, 0, size_t(m_pos - n));
        std::memcpy(m_target->data() + m_pos, data, size_t(count));
    }
    m_pos += count;
}

qint64 TrpMemoryStream::readData(char *data, qint64 maxSize)
{
    const qint64 n = std::min(maxSize, size() - m_pos);
    if (n <= 0) return 0;
    std::memcpy(data, (m_target ? m_target->constData() : m_data) + m_pos, size_t(n));
    m_pos += n;
    return n;
}

qint64 TrpMemoryStream::writeData(const char *data, qint64 size)
{
    if (!m_target) return -1;
    put(data, size);
    return size;
}

// ---------------------------------------------------------------- primitives

QByteArray ReadStreamBytes(QIODevice &s, qint64 count)
{
    if (count <= 0) return QByteArray();
    if (TrpMemoryStream *m = fast(s)) {
        const char *p = m->take(count);
        if (!p) readError();
        return QByteArray(p, count);
    }
    QByteArray b = s.read(count);
    if (b.size() != count) readError();
    return b;
}

void WriteStreamBytes(QIODevice &s, const QByteArray &bytes)
{
    writeRaw(s, bytes.constData(), bytes.size());
}

QString ReadStreamString(QIODevice &s)
{
    const quint16 n = readU16(s);
    QString text = readText(s, n);
    readChar(s);   // the terminating byte, whatever it holds
    return text;
}

void WriteStreamString(QIODevice &s, const QString &value)
{
    writeCountedText(s, value);
    const char zero = 0;
    writeRaw(s, &zero, 1);
}

QStringList ReadStreamMemo(QIODevice &s)
{
    QStringList lines;
    const quint16 count = readU16(s);
    if (count == 0) {
        readChar(s);
        return lines;
    }
    // The separators, not the count, decide how many lines there are.
    lines.reserve(std::min<qsizetype>(count, 16));
    while (true) {
        const quint16 n = readU16(s);
        lines << readText(s, n);
        if (readChar(s) == 0) break;
    }
    return lines;
}

void WriteStreamMemo(QIODevice &s, const QStringList &lines)
{
    if (lines.size() > kMaxWord)
        throw kv::Error(QStringLiteral("A list of %1 lines is too long to be saved (at most 65535)").arg(lines.size()));
    TrpMemoryStream *m = fast(s);
    if (m && m->target() && m->pos() == m->target()->size()) {
        // Straight into the array; a line too long leaves it as it was.
        QByteArray *t = m->target();
        const qsizetype at = t->size();
        try {
            writeU16(s, quint16(lines.size()));
            for (qsizetype i = 0; i < lines.size(); ++i) {
                writeCountedText(s, lines[i]);
                if (i + 1 < lines.size()) m->put("\r", 1);
            }
            m->put("", 1);
        } catch (...) {
            t->truncate(at);
            m->seek(at);
            throw;
        }
        return;
    }
    QByteArray out;
    out.append(char(lines.size() & 0xFF)).append(char(lines.size() >> 8));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray b = checkedBytes(lines[i]);
        out.append(char(b.size() & 0xFF)).append(char(b.size() >> 8)).append(b);
        if (i + 1 < lines.size()) out.append('\r');
    }
    out.append('\0');
    WriteStreamBytes(s, out);
}

QString ReadStreamStringOld(QIODevice &s)
{
    QByteArray b;
    for (char c = readChar(s); c != 0; c = readChar(s)) b.append(c);
    return kv::fromCp1251(b);
}

QStringList ReadStreamMemoOld(QIODevice &s)
{
    QStringList lines;
    QByteArray cur;
    for (char c = readChar(s);; c = readChar(s)) {
        if (c == 0) {
            if (!cur.isEmpty()) lines << kv::fromCp1251(cur);
            break;
        }
        if (c == '\r') {
            lines << kv::fromCp1251(cur);
            cur.clear();
        } else {
            cur.append(c);
        }
    }
    return lines;
}

QString ReadStreamString(QIODevice &s, int version)
{
    return version < 23 ? ReadStreamStringOld(s) : ReadStreamString(s);
}

QStringList ReadStreamMemo(QIODevice &s, int version)
{
    return version < 23 ? ReadStreamMemoOld(s) : ReadStreamMemo(s);
}

bool ReadStreamBoolean(QIODevice &s) { return readChar(s) != 0; }
void WriteStreamBoolean(QIODevice &s, bool value) { WriteStreamByte(s, value ? 1 : 0); }
quint8 ReadStreamByte(QIODevice &s) { return quint8(readChar(s)); }
void WriteStreamByte(QIODevice &s, quint8 value)
{
    const char c = char(value);
    writeRaw(s, &c, 1);
}
qint16 ReadStreamWord(QIODevice &s) { return qint16(readU16(s)); }
void WriteStreamWord(QIODevice &s, qint16 value) { writeU16(s, quint16(value)); }

qint32 ReadStreamInteger(QIODevice &s)
{
    char b[4];
    readRaw(s, b, 4);
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) v |= quint32(quint8(b[i])) << (8 * i);
    return qint32(v);
}

void WriteStreamInteger(QIODevice &s, qint32 value)
{
    const quint32 v = quint32(value);
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    writeRaw(s, b, 4);
}

double ReadStreamExtended(QIODevice &s)
{
    char b[10];
    readRaw(s, b, 10);
    return kv::decodeExtended(reinterpret_cast<const std::uint8_t *>(b));
}

void WriteStreamExtended(QIODevice &s, double value)
{
    const kv::Extended80 e = kv::encodeExtended(value);
    writeRaw(s, reinterpret_cast<const char *>(e.data()), 10);
}

int StreamToFontStyle(int bits)
{
    int style = 0;
    if (bits & 1) style |= TrpFont::Italic;
    if (bits & 2) style |= TrpFont::Bold;
    if (bits & 4) style |= TrpFont::Underline;
    if (bits & 8) style |= TrpFont::StrikeOut;
    return style;
}

int FontStyleToStream(int style)
{
    int bits = 0;
    if (style & TrpFont::Italic) bits |= 1;
    if (style & TrpFont::Bold) bits |= 2;
    if (style & TrpFont::Underline) bits |= 4;
    if (style & TrpFont::StrikeOut) bits |= 8;
    return bits;
}

void ReadStreamFont(QIODevice &s, TrpFont &font)
{
    font.name = ReadStreamString(s);
    font.size = rpFontSize(ReadStreamInteger(s));
    font.style = StreamToFontStyle(ReadStreamWord(s));
    font.color = ReadStreamInteger(s);
    font.charset = quint8(ReadStreamWord(s));
}

void WriteStreamFont(QIODevice &s, const TrpFont &font)
{
    WriteStreamString(s, font.name);
    WriteStreamInteger(s, font.size);
    WriteStreamWord(s, qint16(FontStyleToStream(font.style)));
    WriteStreamInteger(s, font.color);
    WriteStreamWord(s, qint16(font.charset & 0xFF));
}

#include "report/core/stream.h"

#include "platform/error.h"
#include "platform/extended.h"
#include "platform/text.h"

namespace {

constexpr int kMaxWord = 65535;

[[noreturn]] void readError() { throw kv::Error(QStringLiteral("Stream read error")); }

char readChar(QIODevice &s)
{
    char c = 0;
    if (!s.getChar(&c)) readError();
    return c;
}

quint16 readU16(QIODevice &s)
{
    const QByteArray b = ReadStreamBytes(s, 2);
    return quint16(quint8(b[0]) | (quint8(b[1]) << 8));
}

void writeU16(QIODevice &s, quint16 v)
{
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    WriteStreamBytes(s, QByteArray(b, 2));
}

QByteArray checkedBytes(const QString &value)
{
    QByteArray b = kv::toCp1251(value);
    if (b.size() > kMaxWord)
        throw kv::Error(QStringLiteral("Text of %1 bytes is too long to be saved (at most 65535)").arg(b.size()));
    return b;
}

} // namespace

QByteArray ReadStreamBytes(QIODevice &s, qint64 count)
{
    if (count <= 0) return QByteArray();
    QByteArray b = s.read(count);
    if (b.size() != count) readError();
    return b;
}

void WriteStreamBytes(QIODevice &s, const QByteArray &bytes)
{
    if (bytes.isEmpty()) return;
    if (s.write(bytes) != bytes.size()) throw kv::Error(QStringLiteral("Stream write error"));
}

QString ReadStreamString(QIODevice &s)
{
    const quint16 n = readU16(s);
    const QByteArray b = ReadStreamBytes(s, n);
    readChar(s);   // the terminating byte, whatever it holds
    return kv::fromCp1251(b);
}

void WriteStreamString(QIODevice &s, const QString &value)
{
    const QByteArray b = checkedBytes(value);
    QByteArray out;
    out.reserve(b.size() + 3);
    out.append(char(b.size() & 0xFF)).append(char(b.size() >> 8)).append(b).append('\0');
    WriteStreamBytes(s, out);
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
    while (true) {
        const quint16 n = readU16(s);
        lines << kv::fromCp1251(ReadStreamBytes(s, n));
        if (readChar(s) == 0) break;
    }
    return lines;
}

void WriteStreamMemo(QIODevice &s, const QStringList &lines)
{
    if (lines.size() > kMaxWord)
        throw kv::Error(QStringLiteral("A list of %1 lines is too long to be saved (at most 65535)").arg(lines.size()));
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
void WriteStreamByte(QIODevice &s, quint8 value) { WriteStreamBytes(s, QByteArray(1, char(value))); }
qint16 ReadStreamWord(QIODevice &s) { return qint16(readU16(s)); }
void WriteStreamWord(QIODevice &s, qint16 value) { writeU16(s, quint16(value)); }

qint32 ReadStreamInteger(QIODevice &s)
{
    const QByteArray b = ReadStreamBytes(s, 4);
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) v |= quint32(quint8(b[i])) << (8 * i);
    return qint32(v);
}

void WriteStreamInteger(QIODevice &s, qint32 value)
{
    const quint32 v = quint32(value);
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    WriteStreamBytes(s, QByteArray(b, 4));
}

double ReadStreamExtended(QIODevice &s)
{
    const QByteArray b = ReadStreamBytes(s, 10);
    return kv::decodeExtended(reinterpret_cast<const std::uint8_t *>(b.constData()));
}

void WriteStreamExtended(QIODevice &s, double value)
{
    const kv::Extended80 e = kv::encodeExtended(value);
    WriteStreamBytes(s, QByteArray(reinterpret_cast<const char *>(e.data()), 10));
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
    font.size = ReadStreamInteger(s);
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

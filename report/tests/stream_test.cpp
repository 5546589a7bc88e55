#include <gtest/gtest.h>

#include <QBuffer>

#include "platform/error.h"
#include "report/core/stream.h"

namespace {

QByteArray fromHex(const char *hex) { return QByteArray::fromHex(QByteArray(hex).replace(' ', "")); }
QString toHex(const QByteArray &b) { return QString::fromLatin1(b.toHex(' ').toUpper()); }

// Every case runs on a Qt buffer and on the engine's own memory stream,
// whose primitives take another road to the same bytes.
enum class Device { Buffer, Memory };
const Device kDevices[] = {Device::Buffer, Device::Memory};
const char *nameOf(Device d) { return d == Device::Buffer ? "buffer" : "memory stream"; }

template <typename F>
QByteArray written(F write, Device kind = Device::Buffer)
{
    if (kind == Device::Memory) {
        QByteArray out;
        TrpMemoryStream m(&out);
        write(m);
        return out;
    }
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    write(buf);
    return buf.data();
}

struct Reader
{
    QByteArray data;
    QBuffer qbuf;
    TrpMemoryStream mem;
    QIODevice &buf;
    explicit Reader(const QByteArray &d, Device kind = Device::Buffer)
        : data(d), qbuf(&data), buf(kind == Device::Buffer ? static_cast<QIODevice &>(qbuf) : mem)
    {
        qbuf.open(QIODevice::ReadOnly);
        mem.attach(data.constData(), data.size());
    }
};

} // namespace

TEST(Stream, StringsAndListsHaveTheirExactBytes)
{
    struct Case { QStringList lines; bool asString; const char *hex; };
    const Case cases[] = {
        {{""}, true, "00 00 00"},
        {{"ab"}, true, "02 00 61 62 00"},
        {{QString::fromUtf8("Лист")}, true, "04 00 CB E8 F1 F2 00"},
        {{}, false, "00 00 00"},
        {{""}, false, "01 00 00 00 00"},
        {{"ab", "c"}, false, "02 00 02 00 61 62 0D 01 00 63 00"},
    };
    for (Device kind : kDevices) {
        for (const Case &c : cases) {
            const QByteArray bytes = written([&](QIODevice &d) {
                if (c.asString) WriteStreamString(d, c.lines.value(0)); else WriteStreamMemo(d, c.lines);
            }, kind);
            EXPECT_EQ(toHex(bytes), QString::fromLatin1(c.hex)) << nameOf(kind);
            Reader r(bytes, kind);
            if (c.asString) EXPECT_EQ(ReadStreamString(r.buf), c.lines.value(0)) << nameOf(kind);
            else EXPECT_EQ(ReadStreamMemo(r.buf), c.lines) << nameOf(kind);
            EXPECT_TRUE(r.buf.atEnd());
        }
        // A character outside the code page is one '?', a surrogate pair too.
        const QByteArray odd = written([](QIODevice &d) {
            WriteStreamString(d, QString::fromUtf8("a\u20AC\U0001F600b"));
        }, kind);
        EXPECT_EQ(toHex(odd), "04 00 61 88 3F 62 00") << nameOf(kind);
    }
}

TEST(Stream, MemoReaderFollowsSeparatorsNotTheCount)
{
    Reader r(fromHex("05 00 02 00 61 62 0D 01 00 63 00 FF"));
    EXPECT_EQ(ReadStreamMemo(r.buf), QStringList({"ab", "c"}));
    EXPECT_EQ(ReadStreamByte(r.buf), 0xFF);
}

TEST(Stream, OldForms)
{
    struct Case { const char *hex; QStringList lines; };
    const Case memos[] = {
        {"41 0D 00", {"A"}},
        {"41 0D 0D 42 00", {"A", "", "B"}},
        {"00", {}},
        {"41 0A 42 00", {"A\nB"}},
    };
    for (const Case &c : memos) {
        Reader r(fromHex(c.hex));
        EXPECT_EQ(ReadStreamMemoOld(r.buf), c.lines) << c.hex;
        EXPECT_TRUE(r.buf.atEnd());
    }
    Reader s(fromHex("61 62 00 63 00"));
    EXPECT_EQ(ReadStreamString(s.buf, 22), "ab");
    EXPECT_EQ(ReadStreamStringOld(s.buf), "c");
    Reader v(fromHex("02 00 61 62 00"));
    EXPECT_EQ(ReadStreamString(v.buf, 23), "ab");
}

TEST(Stream, IntegersAreLittleEndian)
{
    for (Device kind : kDevices) {
        const QByteArray bytes = written([](QIODevice &d) {
            WriteStreamInteger(d, -2);
            WriteStreamWord(d, 0x1234);
            WriteStreamByte(d, 7);
            WriteStreamBoolean(d, true);
            WriteStreamExtended(d, 1.0);
        }, kind);
        EXPECT_EQ(toHex(bytes), "FE FF FF FF 34 12 07 01 00 00 00 00 00 00 00 80 FF 3F") << nameOf(kind);
        Reader r(bytes, kind);
        EXPECT_EQ(ReadStreamInteger(r.buf), -2);
        EXPECT_EQ(ReadStreamWord(r.buf), 0x1234);
        EXPECT_EQ(ReadStreamByte(r.buf), 7);
        EXPECT_TRUE(ReadStreamBoolean(r.buf));
        EXPECT_EQ(ReadStreamExtended(r.buf), 1.0);
        EXPECT_TRUE(r.buf.atEnd());

        Reader b(fromHex("02 00"), kind);
        EXPECT_TRUE(ReadStreamBoolean(b.buf));    // any byte but 0 is true
        EXPECT_FALSE(ReadStreamBoolean(b.buf));
    }
}

TEST(Stream, FontStyleBitsPutItalicLowest)
{
    TrpFont f;
    f.name = "Arial";
    f.size = 9;
    f.style = TrpFont::Bold | TrpFont::Underline;
    f.color = 0xFF;
    f.charset = 204;
    EXPECT_EQ(FontStyleToStream(TrpFont::Italic), 1);
    EXPECT_EQ(StreamToFontStyle(0xFF), TrpFont::Bold | TrpFont::Italic | TrpFont::Underline | TrpFont::StrikeOut);
    for (Device kind : kDevices) {
        const QByteArray bytes = written([&](QIODevice &d) { WriteStreamFont(d, f); }, kind);
        EXPECT_EQ(toHex(bytes), "05 00 41 72 69 61 6C 00 09 00 00 00 06 00 FF 00 00 00 CC 00") << nameOf(kind);
        Reader r(bytes, kind);
        TrpFont back;
        ReadStreamFont(r.buf, back);
        EXPECT_EQ(back, f);
    }
}

TEST(Stream, EarlyEndIsAReadError)
{
    for (Device kind : kDevices) {
        for (const char *hex : {"05 00 61 62", "02 00 61 62", "03 00 01 00 61 0D", "61 62", "01 02 03"}) {
            Reader r(fromHex(hex), kind);
            EXPECT_THROW({
                ReadStreamString(r.buf);
                ReadStreamMemo(r.buf);
                ReadStreamInteger(r.buf);
            }, kv::Error) << hex << " " << nameOf(kind);
        }
        Reader e(fromHex("01 02 03"), kind);
        EXPECT_THROW(ReadStreamBytes(e.buf, 4), kv::Error);
    }
}

TEST(Stream, OverlongTextIsRefusedAndNothingIsWritten)
{
    const QString big(65536, QLatin1Char('x'));
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    EXPECT_THROW(WriteStreamString(buf, big), kv::Error);
    EXPECT_THROW(WriteStreamMemo(buf, {"a", big}), kv::Error);
    EXPECT_THROW(WriteStreamMemo(buf, QStringList(65536, QStringLiteral("a"))), kv::Error);
    EXPECT_EQ(buf.size(), 0);
    // The largest allowed string goes through whole.
    WriteStreamString(buf, QString(65535, QLatin1Char('y')));
    buf.close();
    buf.open(QIODevice::ReadOnly);
    EXPECT_EQ(ReadStreamString(buf).size(), 65535);
}

TEST(Stream, OverlongTextLeavesTheMemoryStreamAsItWas)
{
    const QString big(65536, QLatin1Char('x'));
    QByteArray out("head");
    TrpMemoryStream m(&out);
    EXPECT_THROW(WriteStreamString(m, big), kv::Error);
    EXPECT_THROW(WriteStreamMemo(m, {"a", big}), kv::Error);
    EXPECT_EQ(out, QByteArray("head"));
    EXPECT_EQ(m.pos(), 4);
    WriteStreamString(m, "z");
    EXPECT_EQ(toHex(out), "68 65 61 64 01 00 7A 00");
}

TEST(Stream, MemoryStreamWritesOverAndReadsBackLikeABuffer)
{
    // A record whose end position is filled in after its data, as pictures
    // and prepared pages write theirs, on both devices.
    auto record = [](QIODevice &d) {
        WriteStreamByte(d, 9);
        const qint64 at = d.pos();
        WriteStreamInteger(d, 0);
        WriteStreamString(d, QString::fromUtf8("Лист"));
        const qint64 end = d.pos();
        d.seek(at);
        WriteStreamInteger(d, qint32(end));
        d.seek(end);
        WriteStreamMemo(d, {"x", "y"});
        d.write("!", 1);
    };
    const QByteArray expected = written(record, Device::Buffer);
    EXPECT_EQ(toHex(expected), "09 0C 00 00 00 04 00 CB E8 F1 F2 00 02 00 01 00 78 0D 01 00 79 00 21");
    EXPECT_EQ(written(record, Device::Memory), expected);

    // Re-aimed at another array, the same stream object appends there.
    QByteArray a("A"), b("B");
    TrpMemoryStream m(&a);
    WriteStreamByte(m, 1);
    m.attach(&b);
    WriteStreamByte(m, 2);
    EXPECT_EQ(a, QByteArray("A\x01"));
    EXPECT_EQ(b, QByteArray("B\x02"));

    // Reading through QIODevice's own calls and through the primitives mixes.
    m.attach(expected.constData(), expected.size());
    EXPECT_EQ(ReadStreamByte(m), 9);
    char raw[4];
    EXPECT_EQ(m.read(raw, 4), 4);
    EXPECT_EQ(m.pos(), 5);
    EXPECT_EQ(ReadStreamString(m), QString::fromUtf8("Лист"));
    EXPECT_TRUE(m.seek(expected.size() - 1));
    EXPECT_EQ(m.bytesAvailable(), 1);
    EXPECT_EQ(ReadStreamByte(m), '!');
    EXPECT_TRUE(m.atEnd());
    EXPECT_FALSE(m.seek(expected.size() + 1));
    EXPECT_THROW(WriteStreamByte(m, 1), kv::Error);   // a span is read-only
}

// Short texts read again come from the decoder's recent ones: texts that
// differ in one byte, share a length, recur far apart or are just too long
// to be kept all read back as written, on both devices.
TEST(Stream, RecurringTextsReadBackAsWritten)
{
    QStringList texts;
    for (int i = 0; i < 3000; ++i) {
        texts << QStringLiteral("Memo%1").arg(i % 700) << QString::fromUtf8("Деталь %1").arg(i)
              << QString(32, QChar(u'a' + i % 26)) << QString(33, QChar(u'a' + i % 26)) << QString()
              << QString::fromUtf8("Ёё").repeated(i % 17);
    }
    for (Device d : kDevices) {
        const QByteArray bytes = written([&](QIODevice &s) {
            for (const QString &t : texts) WriteStreamString(s, t);
        }, d);
        Reader r(bytes, d);
        for (const QString &t : texts) ASSERT_EQ(ReadStreamString(r.buf), t) << nameOf(d);
        EXPECT_TRUE(r.buf.atEnd());
    }
}

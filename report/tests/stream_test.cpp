#include <gtest/gtest.h>

#include <QBuffer>

#include "platform/error.h"
#include "report/core/stream.h"

namespace {

QByteArray fromHex(const char *hex) { return QByteArray::fromHex(QByteArray(hex).replace(' ', "")); }
QString toHex(const QByteArray &b) { return QString::fromLatin1(b.toHex(' ').toUpper()); }

template <typename F>
QByteArray written(F write)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    write(buf);
    return buf.data();
}

struct Reader
{
    QByteArray data;
    QBuffer buf;
    explicit Reader(const QByteArray &d) : data(d), buf(&data) { buf.open(QIODevice::ReadOnly); }
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
    for (const Case &c : cases) {
        const QByteArray bytes = written([&](QIODevice &d) {
            if (c.asString) WriteStreamString(d, c.lines.value(0)); else WriteStreamMemo(d, c.lines);
        });
        EXPECT_EQ(toHex(bytes), QString::fromLatin1(c.hex));
        Reader r(bytes);
        if (c.asString) EXPECT_EQ(ReadStreamString(r.buf), c.lines.value(0));
        else EXPECT_EQ(ReadStreamMemo(r.buf), c.lines);
        EXPECT_TRUE(r.buf.atEnd());
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
    const QByteArray bytes = written([](QIODevice &d) {
        WriteStreamInteger(d, -2);
        WriteStreamWord(d, 0x1234);
        WriteStreamByte(d, 7);
        WriteStreamBoolean(d, true);
        WriteStreamExtended(d, 1.0);
    });
    EXPECT_EQ(toHex(bytes), "FE FF FF FF 34 12 07 01 00 00 00 00 00 00 00 80 FF 3F");
    Reader r(bytes);
    EXPECT_EQ(ReadStreamInteger(r.buf), -2);
    EXPECT_EQ(ReadStreamWord(r.buf), 0x1234);
    EXPECT_EQ(ReadStreamByte(r.buf), 7);
    EXPECT_TRUE(ReadStreamBoolean(r.buf));
    EXPECT_EQ(ReadStreamExtended(r.buf), 1.0);

    Reader b(fromHex("02 00"));
    EXPECT_TRUE(ReadStreamBoolean(b.buf));    // any byte but 0 is true
    EXPECT_FALSE(ReadStreamBoolean(b.buf));
}

TEST(Stream, FontStyleBitsPutItalicLowest)
{
    TrpFont f;
    f.name = "Arial";
    f.size = 9;
    f.style = TrpFont::Bold | TrpFont::Underline;
    f.color = 0xFF;
    f.charset = 204;
    const QByteArray bytes = written([&](QIODevice &d) { WriteStreamFont(d, f); });
    EXPECT_EQ(toHex(bytes), "05 00 41 72 69 61 6C 00 09 00 00 00 06 00 FF 00 00 00 CC 00");
    EXPECT_EQ(FontStyleToStream(TrpFont::Italic), 1);
    EXPECT_EQ(StreamToFontStyle(0xFF), TrpFont::Bold | TrpFont::Italic | TrpFont::Underline | TrpFont::StrikeOut);
    Reader r(bytes);
    TrpFont back;
    ReadStreamFont(r.buf, back);
    EXPECT_EQ(back, f);
}

TEST(Stream, EarlyEndIsAReadError)
{
    for (const char *hex : {"05 00 61 62", "02 00 61 62", "03 00 01 00 61 0D", "61 62", "01 02 03"}) {
        Reader r(fromHex(hex));
        EXPECT_THROW({
            ReadStreamString(r.buf);
            ReadStreamMemo(r.buf);
            ReadStreamInteger(r.buf);
        }, kv::Error) << hex;
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

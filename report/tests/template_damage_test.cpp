#include <gtest/gtest.h>

#include <QBuffer>
#include <random>

#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/model/reportbase.h"
#include "report/model/views.h"
#include "report/tests/templatefixture.h"

// Damaged and older templates, as users have them: what can be read is kept,
// the damage is reported once, and no byte sequence crashes or hangs the reader.

using kvtest::fromHex;
using kvtest::load;
using kvtest::save;
using kvtest::TestReport;
using kvtest::VirtualPaper;

namespace {

void le32(QByteArray &b, qsizetype at, qint32 v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = char((quint32(v) >> (8 * i)) & 0xFF);
}

// Three memos on one page and a band on a second one, written by our own writer.
QByteArray threeMemos()
{
    TestReport r;
    TrpPage *p1 = r.Pages().Add();
    p1->Name = QStringLiteral("Page2");
    for (const char *name : {"MemoA", "MemoB", "MemoC"}) {
        auto m = std::make_unique<TrpMemoView>();
        m->Name = QString::fromLatin1(name);
        m->SetBounds(10, 10, 200, 20);
        m->Memo = {QStringLiteral("Текст ") + m->Name};
        m->DisplayFormatText = QStringLiteral("fmt");
        r.Pages().GetPage(0)->AddView(std::move(m));
    }
    auto band = std::make_unique<TrpBandView>();
    band->Name = QStringLiteral("Band1");
    band->SetBandType(5);
    band->SetBounds(0, 100, 700, 20);
    p1->AddView(std::move(band));
    auto pic = std::make_unique<TrpPictureView>();
    pic->Name = QStringLiteral("Picture1");
    pic->SetBounds(0, 0, 50, 50);
    p1->AddView(std::move(pic));
    r.Dictionary().VariableList.SetValue(QStringLiteral("Sum1"), QStringLiteral("1 + 2"));
    r.Info.Comment = QStringLiteral("Комментарий");
    return save(r);
}

// The offset of the length word of MemoB's display-format text.
qsizetype formatLengthOf(const QByteArray &bytes, const char *name)
{
    const qsizetype at = bytes.indexOf(QByteArray(name));
    const qsizetype format = bytes.indexOf(QByteArray("fmt"), at);
    return format - 2;
}

// Version 21 (no version byte), old strings: a picture of an unknown kind between two memos.
QByteArray version21WithDamagedPicture()
{
    const QByteArray head = fromHex(
        "0000 0000 50 00"                          // print to default 0, one pass, printer "P"
        "FF 09000000 34080000 9A0B0000"            // page: paper size 9, A4
        "00000000 00000000 00000000 00000000 00"   // margins, portrait
        "000000000000"                             // six reserved bytes
        "0000 FFFF 01000000 00000000");            // not continued, margins used, columns, gap
    const QByteArray viewRecord = fromHex(
        "0A000000 0A000000 64000000 14000000"
        "0100 0000 01000000 00000000 0000 FFFFFF1F"
        "00000000 00");                            // display format, empty old string
    const QByteArray memoTail = fromHex("41 72 69 61 6C 00 0A000000 0000 00000000 00000000 0000"
                                        "0200 00000000 FFFFFF00 00");
    QByteArray b = head;
    b += fromHex("00 00") + viewRecord + QByteArray("First", 6) + memoTail;   // memo "First"
    b += fromHex("01 00") + viewRecord + fromHex("00");                       // picture, empty memo
    b += char(9);                                                             // kind 9: no such picture
    const qsizetype endAt = b.size();
    b += QByteArray(4, '\0') + fromHex("ABCD");
    le32(b, endAt, qint32(b.size()));
    b += fromHex("00 00") + viewRecord + QByteArray("Second", 7) + memoTail;   // memo "Second"
    b += char(char(0xFC));
    return b;
}

QStringList viewNames(TrpReportBase &r, int page)
{
    QStringList names;
    for (const auto &v : r.Pages().GetPage(page)->Views()) names << v->Name;
    return names;
}

} // namespace

TEST(TemplateDamage, DamagedObjectOfVersion24StaysOnItsPageAndIsReportedOnce)
{
    VirtualPaper vp;
    for (const quint8 version : {quint8(24), quint8(25)}) {
        QByteArray bytes = threeMemos();
        bytes[0] = char(version);
        // MemoB's display format claims more text than the file holds: its record fails.
        const qsizetype at = formatLengthOf(bytes, "MemoB");
        bytes[at] = char(0xFF);
        bytes[at + 1] = char(0xFF);
        TestReport r;
        EXPECT_TRUE(load(r, bytes)) << int(version);
        EXPECT_EQ(viewNames(r, 0), (QStringList{"MemoA", "MemoB", "MemoC"})) << int(version);
        EXPECT_EQ(viewNames(r, 1), (QStringList{"Band1", "Picture1"}));
        EXPECT_EQ(r.Errors, QStringList{QStringLiteral("Unsupported RPF format\rMemoB\r")});
        // What came after the damaged object is intact.
        auto *c = dynamic_cast<TrpMemoView *>(r.FindView(QStringLiteral("MemoC")));
        ASSERT_TRUE(c);
        EXPECT_EQ(c->Memo, QStringList{QStringLiteral("Текст MemoC")});
        EXPECT_EQ(r.Info.Comment, QStringLiteral("Комментарий"));
        EXPECT_EQ(r.Dictionary().VariableList.Count(), 1);
    }
}

TEST(TemplateDamage, DamagedObjectWithoutNameGetsOne)
{
    VirtualPaper vp;
    QByteArray bytes = threeMemos();
    // MemoB's name length runs past the end of the file.
    const qsizetype nameAt = bytes.indexOf(QByteArray("MemoB")) - 2;
    bytes[nameAt] = char(0xF0);
    bytes[nameAt + 1] = char(0xFF);
    TestReport r;
    EXPECT_TRUE(load(r, bytes));
    EXPECT_EQ(viewNames(r, 0), (QStringList{"MemoA", "Memo1", "MemoC"}));
    EXPECT_EQ(r.Errors, QStringList{QStringLiteral("Unsupported RPF format\rMemo1\r")});
}

TEST(TemplateDamage, OlderTemplateKeepsTheObjectsAroundADamagedOne)
{
    VirtualPaper vp;
    TestReport r;
    EXPECT_TRUE(load(r, version21WithDamagedPicture()));
    ASSERT_EQ(r.Pages().Count(), 1);
    EXPECT_EQ(viewNames(r, 0), (QStringList{"Memo1", "Picture1", "Memo2"}));
    auto *second = dynamic_cast<TrpMemoView *>(r.Pages().GetPage(0)->View(2));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Memo, QStringList{QStringLiteral("Second")});
    EXPECT_EQ(r.Errors, QStringList{QStringLiteral("Unsupported RPF format\rPicture1\r")});
}

TEST(TemplateDamage, OlderTemplateWithoutItsEndTagOrWithAnUnknownClass)
{
    VirtualPaper vp;
    QByteArray noEnd = version21WithDamagedPicture();
    ASSERT_EQ(quint8(noEnd.back()), 0xFC);
    noEnd.chop(1);
    TestReport r;
    EXPECT_TRUE(load(r, noEnd));
    EXPECT_EQ(viewNames(r, 0), (QStringList{"Memo1", "Picture1", "Memo2"}));

    // Below version 24 an entry has no end position: the record of a class
    // this program does not know cannot be stepped over, and reading its
    // bytes as tags would make objects of them. The block ends there; the
    // message names the class and what came before stays.
    QByteArray foreign = version21WithDamagedPicture();
    const qsizetype picture = foreign.indexOf(fromHex("01 00 0A000000 0A000000"));
    ASSERT_GT(picture, 0);
    foreign.replace(picture, 2, QByteArray("\x0A" "TForeign\0\0", 11));
    TestReport f;
    EXPECT_FALSE(load(f, foreign));
    EXPECT_EQ(viewNames(f, 0), QStringList{"Memo1"});
    EXPECT_EQ(f.Errors, QStringList{QStringLiteral("Report contains the following non-plugged components:\rTForeign\r"
                                                   "You must include these components into your project.")});
}

TEST(TemplateDamage, EntriesWithoutObjectAndTheExtensionTag)
{
    VirtualPaper vp;
    const QByteArray whole = threeMemos();
    const qsizetype memoA = whole.indexOf(QByteArray("MemoA")) - 2 - 4 - 2;   // tag, page, end position
    ASSERT_EQ(quint8(whole[memoA]), 0);
    // Types 5 to 9 make no object: from version 24 on their end position steps over the entry.
    for (const char type : {5, 7, 9}) {
        QByteArray b = whole;
        b[memoA] = type;
        TestReport r;
        EXPECT_TRUE(load(r, b)) << int(type);
        EXPECT_EQ(viewNames(r, 0), (QStringList{"MemoB", "MemoC"}));
        EXPECT_TRUE(r.Errors.isEmpty());
    }
    // Below version 24 such an entry is a tag and a page number, nothing more.
    QByteArray old = version21WithDamagedPicture();
    old.insert(old.size() - 1, fromHex("06 00 08 00"));
    TestReport r21;
    EXPECT_TRUE(load(r21, old));
    EXPECT_EQ(r21.Pages().GetPage(0)->ViewCount(), 3);

    // Tag 253: no extension hook, so the byte after it is consumed and the pages block ends
    // (the document information follows).
    // Document information: eight lengths, the 11 bytes of the comment, marker, flag, two dates.
    const qsizetype endTag = whole.size() - (16 + 11 + 2 + 16) - 1;
    ASSERT_EQ(quint8(whole[endTag]), 0xFC);
    for (const char after : {char(0xFC), char(0x00)}) {
        QByteArray b = whole;
        b[endTag] = char(0xFD);
        b.insert(endTag + 1, after);
        TestReport r;
        EXPECT_TRUE(load(r, b)) << int(after);
        EXPECT_EQ(r.Info.Comment, QStringLiteral("Комментарий"));
        EXPECT_EQ(r.Pages().GetPage(0)->ViewCount(), 3);
    }
}

// Random damage of templates written by our own writer (and an older hand-built
// one): every result is a clean load or a clean refusal, and a template that
// loads saves and loads again the same.
TEST(TemplateDamage, RandomDamageNeverCrashesOrHangs)
{
    VirtualPaper vp;
    const QByteArray v25 = threeMemos();
    QByteArray v24 = v25;
    v24[0] = char(24);
    const QList<QByteArray> seeds = {v25, v24, version21WithDamagedPicture()};
    const qint32 extremes[] = {0, -1, 0x7FFFFFFF, qint32(0x80000000), 65535, 1000000000, -1000000000};
    std::mt19937 rng(20261210);
    for (int round = 0; round < 12000; ++round) {
        QByteArray b = seeds[round % seeds.size()];
        std::uniform_int_distribution<int> kind(0, 5);
        const int edits = 1 + round % 4;
        for (int e = 0; e < edits && !b.isEmpty(); ++e) {
            std::uniform_int_distribution<qsizetype> pos(0, b.size() - 1);
            const qsizetype at = pos(rng);
            switch (kind(rng)) {
            case 0: b[at] = char(b[at] ^ (1 << (rng() % 8))); break;
            case 1: b[at] = char(rng()); break;
            case 2: b.truncate(at); break;
            case 3: b.insert(at, char(rng())); break;
            case 4: b.remove(at, 1 + rng() % 8); break;
            default:
                if (at + 4 <= b.size()) le32(b, at, extremes[rng() % std::size(extremes)]);
            }
        }
        TestReport r;
        const bool ok = load(r, b);
        ASSERT_GE(r.Pages().Count(), 1) << round;
        if (!ok) continue;
        QByteArray again;
        try {
            again = save(r);
        } catch (const kv::Error &e) {
            // A value kept from a damaged file may be refused at saving, with a message.
            EXPECT_FALSE(e.message().isEmpty());
            continue;
        }
        TestReport r2;
        ASSERT_TRUE(load(r2, again)) << round << " " << r2.Errors.join('|').toStdString();
        EXPECT_EQ(r2.Pages().Count(), r.Pages().Count()) << round;
        EXPECT_TRUE(r2.Errors.isEmpty()) << round;
        // A whole frame width over 10 reads back as thousandths, so the bytes settle
        // after one more turn.
        const QByteArray settled = save(r2);
        TestReport r3;
        ASSERT_TRUE(load(r3, settled)) << round;
        EXPECT_EQ(save(r3), settled) << round;
    }
}

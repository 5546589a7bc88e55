#include "data/maps/mapfiles.h"

#include "platform/error.h"
#include "platform/savefile.h"
#include "platform/text.h"
#include "platform/testsupport/golden.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cmath>
#include <limits>
#include <set>

using namespace kv;

namespace {

// Bytes put together by hand from the layout, field by field: nothing of the
// code under test is used to make them.
struct Bytes
{
    QByteArray b;
    Bytes &u8(int v) { b.append(char(v & 0xFF)); return *this; }
    Bytes &u16(int v) { return u8(v).u8(v >> 8); }
    Bytes &u32(uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    Bytes &hex(const char *h) { b.append(QByteArray::fromHex(h)); return *this; }
    // A short string: length byte, text, then filler (readers ignore it).
    Bytes &sstr(const QByteArray &text, int capacity, int length = -1)
    {
        u8(length < 0 ? int(text.size()) : length);
        b.append(text);
        b.append(QByteArray(capacity - text.size(), 'z'));
        return *this;
    }
    Bytes &pen(uint32_t c) { return u32(c).u8(0).u8(1); }
    Bytes &brush(uint32_t c) { return u32(c).u8(0); }
    Bytes &font() { return sstr("Tahoma", 30).u8(9).u32(0x0000FF).u8(1 | 4).u8(204); }
};

// x87 extended values, little-endian: mantissa with its integer bit, then
// the biased exponent.
const char *const kExt0 = "00000000000000000000";
const char *const kExt1_5 = "00000000000000c0ff3f";
const char *const kExt100 = "00000000000000c80540";
const char *const kExtNaN = "00000000000000c0ff7f";

// A small map file: one sheet with a part, a coded usable off-cut, a waste,
// a cut, an unknown tag byte and a used standard sheet. `ends` gets the
// offset after the header and after every record.
QByteArray Fixture(std::vector<int> *ends = nullptr, const char *lostSquare = kExt0)
{
    Bytes f;
    auto end = [&] { if (ends) ends->push_back(int(f.b.size())); };
    f.u8(6).hex("4b565f4d4150"); // "KV_MAP"
    f.u16(1).u16(0);
    f.sstr("Job", 100);
    f.u8(7);             // cut-line mode above 2: read as 1
    f.u8(1).u8(0).u8(1); // edge marks, labels, hints
    f.pen(0).pen(0).pen(0).pen(0x00FF00).pen(0);
    f.brush(0xAAAAAA).brush(0x0000FF).brush(0x123456).brush(0x8000000C);
    f.font().font().font().font();
    end();
    // sheet: name "Лист" in cp1251; a length above 32767 (unsigned word)
    f.u8(1).u16(0).sstr(QByteArray::fromHex("cbe8f1f2"), 50).sstr("1: A", 50).sstr("rem", 100).u32(5);
    f.u16(40000).u16(1200);
    f.pen(0).brush(0x00C0C0).font();
    f.u16(4).u16(3).u8(1).u8(0);
    f.hex(kExt1_5).hex(lostSquare).hex(kExt100);
    f.u16(2).hex(kExt100);
    end();
    // part at a negative left (signed word), garbage in the unused bytes
    f.u8(2).u16(0).sstr("P1", 50).u16(0xFFFB).u16(10).u16(300).u16(200).u32(0xDEADBEEF);
    f.pen(0).brush(0xFFFFFF).font();
    f.u8(1).u8(0).u8(1).u32(1).u32(2).u32(3).u32(4).u32(0x11).u32(0x22).u32(0x33).u32(0x44);
    end();
    f.u8(0xEE); // unknown tag: skipped
    end();
    // usable off-cut whose length byte claims more than the record holds
    f.u8(3).u16(0).sstr("K7", 50, 200).u16(0).u16(210).u16(500).u16(300).u32(0);
    f.pen(0).brush(0x0000FF).font().u8(0).u8(1).u8(1);
    end();
    // waste with no code
    f.u8(3).u16(0).sstr("", 50).u16(300).u16(0).u16(60).u16(5).u32(0);
    f.pen(0).brush(0x123456).font().u8(1).u8(0).u8(0);
    end();
    // hidden horizontal cut
    f.u8(4).u16(0).u16(0).u16(208).u16(500).u16(4).pen(0x00FF00).u8(1).u8(0);
    end();
    // used standard sheet: remaining 40000 (unsigned)
    f.u8(5).sstr("", 50).u32(5).u16(2800).u16(2070).u16(40000).u16(45000);
    end();
    return f.b;
}

MapDocument ExpectedFixtureDocument()
{
    MapDocument d;
    d.Caption = QStringLiteral("Job");
    d.Display.MillLinesMode = 1;
    d.Display.ShowBorders = true;
    d.Display.ShowScrapsText = false;
    d.Display.ShowHints = true;
    d.Display.Colors.Mill = 0x00FF00;
    d.Display.Colors.Detal = 0xAAAAAA;
    d.Display.Colors.Scrap = 0x0000FF;
    d.Display.Colors.Lost = 0x123456;
    d.Display.Colors.Sheet = 0x8000000C;
    d.Display.Font.name = QStringLiteral("Tahoma");
    d.Display.Font.size = 9;
    d.Display.Font.color = 0xFF;
    d.Display.Font.bold = true;
    d.Display.Font.underline = true;
    d.Display.Font.charset = 204;
    MapTab t;
    t.MaterialCode = 5;
    t.SheetName = QStringLiteral("Лист");
    t.Caption = QStringLiteral("1: A");
    t.Remark = QStringLiteral("rem");
    t.RealWidth = 40000;
    t.RealHeight = 1200;
    t.Color = 0x00C0C0;
    t.MillSize = 4;
    t.Quantity = 3;
    t.IsScraps = true;
    t.ScrapSquare = 1.5;
    t.LostSquare = 0;
    t.DetalsSquare = 100;
    t.TotalSquare = 1.5;
    t.MillLinesCount = 2;
    t.MillLinesLength = 100;
    MapPart p;
    p.Title = QStringLiteral("P1");
    p.RealLeft = -5, p.RealTop = 10, p.RealWidth = 300, p.RealHeight = 200;
    p.BrushColor = 0xFFFFFF;
    p.ShowTitle = true, p.ShowDim = false, p.ShowBorder = true;
    p.LeftBorder = 1, p.RightBorder = 2, p.TopBorder = 3, p.BottomBorder = 4;
    p.LeftBorderColor = 0x11, p.RightBorderColor = 0x22, p.TopBorderColor = 0x33, p.BottomBorderColor = 0x44;
    t.Parts.push_back(p);
    MapScrap usable;
    usable.ScrapName = QStringLiteral("K7") + QString(48, QLatin1Char('z'));
    usable.Text = usable.ScrapName;
    usable.RealLeft = 0, usable.RealTop = 210, usable.RealWidth = 500, usable.RealHeight = 300;
    usable.Color = 0x0000FF;
    usable.ScrapType = stNormalScrap;
    usable.ShowText = usable.ShowDim = true;
    t.Scraps.push_back(usable);
    MapScrap waste;
    waste.Text = QStringLiteral("Отход");
    waste.RealLeft = 300, waste.RealTop = 0, waste.RealWidth = 60, waste.RealHeight = 5;
    waste.Color = 0x123456;
    waste.ScrapType = stLostScrap;
    t.Scraps.push_back(waste);
    MapCut c;
    c.RealLeft = 0, c.RealTop = 208, c.RealWidth = 500, c.RealHeight = 4;
    c.Color = 0x00FF00;
    c.MillOrient = true;
    c.Visible = false;
    t.Cuts.push_back(c);
    d.Tabs.push_back(t);
    d.UsingSheets.Add(5, 2800, 2070, 40000, 45000);
    d.MaterialCodes = {5};
    d.LastSheetWidth = 40000;
    d.LastSheetHeight = 1200;
    return d;
}

void ExpectSameDocument(const MapDocument &a, const MapDocument &b)
{
    EXPECT_EQ(a.Caption, b.Caption);
    EXPECT_EQ(a.Display, b.Display);
    ASSERT_EQ(a.Tabs.size(), b.Tabs.size());
    for (size_t i = 0; i < a.Tabs.size(); ++i) {
        EXPECT_EQ(a.Tabs[i].Parts, b.Tabs[i].Parts) << i;
        EXPECT_EQ(a.Tabs[i].Scraps, b.Tabs[i].Scraps) << i;
        EXPECT_EQ(a.Tabs[i].Cuts, b.Tabs[i].Cuts) << i;
        EXPECT_EQ(a.Tabs[i], b.Tabs[i]) << i;
    }
    EXPECT_EQ(a.UsingSheets, b.UsingSheets);
    EXPECT_EQ(a.MaterialCodes, b.MaterialCodes);
    EXPECT_EQ(a.LastSheetWidth, b.LastSheetWidth);
    EXPECT_EQ(a.LastSheetHeight, b.LastSheetHeight);
}

// Two materials, both kinds of off-cut, Cyrillic texts, a hidden cut and a
// hidden tab's neighbours, fractional areas, used standard sheets.
MapDocument MixedJob()
{
    MapDocument d;
    d.Caption = QStringLiteral("Вариант раскроя 2");
    d.Display.MillLinesMode = 2;
    d.Display.ShowScrapsText = true;
    d.Display.Font.name = QStringLiteral("Arial Cyr");
    d.Display.Font.italic = true;
    d.Display.Font.strikeOut = true;
    for (int n = 0; n < 3; ++n) {
        MapTab t;
        t.MaterialCode = n == 2 ? 12 : 7;
        t.Caption = QStringLiteral("%1: Лист %1").arg(n + 1);
        t.SheetName = n == 0 ? QStringLiteral("ОСТ-\"1\"") : QString();
        t.IsScraps = n == 0;
        t.Remark = QStringLiteral("ДСП 16 мм");
        t.RealWidth = 2800 - n, t.RealHeight = 2070;
        t.MillSize = 4;
        t.Quantity = n + 1;
        t.Color = 0x8000000C;
        t.ScrapSquare = 12345.25 * (n + 1);
        t.LostSquare = 1.0 / 3.0;
        t.DetalsSquare = 5796000.0 - n;
        t.TotalSquare = t.ScrapSquare + t.LostSquare;
        t.MillLinesCount = 7;
        t.MillLinesLength = 10456.5;
        for (int i = 0; i < 3; ++i) {
            MapPart p;
            p.Title = QStringLiteral("Бок %1").arg(i);
            p.RealLeft = -2 + 600 * i, p.RealTop = -2, p.RealWidth = 560, p.RealHeight = 720;
            p.LeftBorder = i, p.BottomBorder = 3;
            p.BrushColor = 0xFFFFFF - i;
            p.ShowBorder = i != 1;
            t.Parts.push_back(p);
            MapScrap s;
            s.RealLeft = 600 * i, s.RealTop = 722, s.RealWidth = 500, s.RealHeight = 300 + i;
            s.ScrapType = i == 1 ? stLostScrap : stNormalScrap;
            s.ScrapName = i == 2 ? QStringLiteral("К-%1").arg(n) : QString();
            s.Text = s.ScrapType == stLostScrap ? QStringLiteral("Отход")
                                                : (s.ScrapName.isEmpty() ? QStringLiteral("Остаток") : s.ScrapName);
            s.Color = s.ScrapType == stLostScrap ? 0 : 255;
            s.ShowText = s.ShowDim = s.ScrapType == stNormalScrap;
            t.Scraps.push_back(s);
            MapCut c;
            c.RealLeft = 558 + 600 * i, c.RealTop = -2, c.RealWidth = 4, c.RealHeight = 724;
            c.Color = 0xFF0000;
            c.Visible = i != 0;
            t.Cuts.push_back(c);
        }
        d.Tabs.push_back(t);
    }
    d.UsingSheets.Add(7, 2800, 2070, 4, 9);
    d.UsingSheets.Add(12, 2750, 1830, 0, 2);
    return d;
}

} // namespace

TEST(MapFiles, HandMadeFixtureReadsIntoTheExpectedDocument)
{
    MapDocument doc;
    QString why;
    ASSERT_EQ(DecodeMapFile(Fixture(), doc, &why), mlrLoaded) << why.toStdString();
    ExpectSameDocument(doc, ExpectedFixtureDocument());
}

TEST(MapFiles, WriterMatchesTheLayoutSizes)
{
    // Saving what the fixture holds gives records at the layout's offsets:
    // the header, then tag and record each, and the tab index in each record.
    const QByteArray b = EncodeMapFile(ExpectedFixtureDocument());
    int at = kMapHeaderSize;
    for (int size : {kMapSheetRecordSize, kMapPartRecordSize, kMapScrapRecordSize, kMapScrapRecordSize,
                     kMapCutRecordSize, kMapUsingSheetRecordSize}) {
        ASSERT_LT(at, b.size());
        at += 1 + size;
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(b.left(7), QByteArray("\x06KV_MAP"));
    EXPECT_EQ(b.mid(7, 4), QByteArray::fromHex("01000000"));
    // Sheet record: length 40000 as an unsigned word at 209, areas at 268.
    const int sheet = kMapHeaderSize + 1;
    EXPECT_EQ(b.mid(sheet + 209, 4), QByteArray::fromHex("409cb004"));
    EXPECT_EQ(b.mid(sheet + 268, 10), QByteArray::fromHex(kExt1_5));
    EXPECT_EQ(b.mid(sheet + 300, 10), QByteArray::fromHex(kExt100));
}

TEST(MapFiles, SaveOpenSaveGivesIdenticalBytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("job.map"));
    const MapDocument job = MixedJob();
    SaveMapsToFile(job, path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();

    MapDocument opened;
    ASSERT_EQ(LoadMapsFromFile(path, opened), mlrLoaded);
    EXPECT_EQ(opened.Tabs, job.Tabs);
    EXPECT_EQ(opened.UsingSheets, job.UsingSheets);
    EXPECT_EQ(opened.Display, job.Display);
    EXPECT_EQ(opened.MaterialCodes, (std::vector<int32_t>{7, 12}));
    SaveMapsToFile(opened, path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);
}

TEST(MapFiles, AFullDiskIsNamedAndTheOldFileKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("job.map"));
    SaveMapsToFile(MixedJob(), path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    MapDocument other = MixedJob();
    other.Caption = QStringLiteral("другой");
    const auto full = test::ScopedHook(&SetWriteErrorHook, [](const QString &) { return ENOSPC; });
    try {
        SaveMapsToFile(other, path);
        ADD_FAILURE() << "saved on a full disk";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "Ошибка записи в файл \"" + QDir::toNativeSeparators(path) +
                                   "\".\rНедостаточно места на диске.");
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST(MapFiles, EveryPrefixOfTheFixtureIsRefusedOrReadWhole)
{
    std::vector<int> ends;
    const QByteArray full = Fixture(&ends);
    const std::set<int> whole(ends.begin(), ends.end());
    for (int n = 0; n < full.size(); ++n) {
        MapDocument doc;
        doc.Caption = QStringLiteral("untouched");
        QString why;
        const MapLoadResult r = DecodeMapFile(full.left(n), doc, &why);
        if (n == 0) {
            EXPECT_EQ(r, mlrNotMapFile) << n;
        } else if (n < kMapHeaderSize) {
            // Begun as the binary layout: never the older one, always a reason.
            EXPECT_EQ(r, mlrReadError) << n;
            EXPECT_EQ(why, QStringLiteral("Файл карт раскроя обрезан: заголовок неполон (%1 из 318 байт).").arg(n)) << n;
        } else if (whole.count(n)) {
            EXPECT_EQ(r, mlrLoaded) << n;
        } else {
            EXPECT_EQ(r, mlrReadError) << n;
            EXPECT_FALSE(why.isEmpty()) << n;
        }
        if (r != mlrLoaded) {
            EXPECT_EQ(doc.Caption, QStringLiteral("untouched")) << n;
        }
    }
}

TEST(MapFiles, DamagedFilesAreRefused)
{
    const int afterHeader = kMapHeaderSize;
    struct Case
    {
        const char *name;
        QByteArray bytes;
        MapLoadResult result;
    };
    QByteArray otherMagic = Fixture();
    otherMagic[3] = 'X';
    QByteArray partFirst = Fixture().left(afterHeader);
    {
        const QByteArray f = Fixture();
        const int part = afterHeader + 1 + kMapSheetRecordSize;
        partFirst += f.mid(part, 1 + kMapPartRecordSize); // a part before any sheet
    }
    QByteArray cutFirst = Fixture().left(afterHeader) + Fixture().right(1 + kMapUsingSheetRecordSize + 1 + kMapCutRecordSize).left(1 + kMapCutRecordSize);
    const Case cases[] = {
        {"empty", QByteArray(), mlrNotMapFile},
        {"other magic", otherMagic, mlrNotMapFile},
        {"ini text", QByteArray("[Global]\r\nSheetsCount=0\r\n"), mlrNotMapFile},
        {"part before sheet", partFirst, mlrReadError},
        {"cut before sheet", cutFirst, mlrReadError},
        {"NaN area", Fixture(nullptr, kExtNaN), mlrReadError},
        {"infinite area", Fixture(nullptr, "0000000000000080ff7f"), mlrReadError},
        {"huge area", Fixture(nullptr, "00000000000000804140"), mlrReadError},
    };
    for (const Case &c : cases) {
        MapDocument doc;
        QString why;
        EXPECT_EQ(DecodeMapFile(c.bytes, doc, &why), c.result) << c.name;
        EXPECT_TRUE(doc.Tabs.empty()) << c.name;
        if (c.result == mlrReadError) {
            EXPECT_FALSE(why.isEmpty()) << c.name;
        }
    }
}

TEST(MapFiles, ValuesThatDoNotFitAreRefusedAtSave)
{
    struct Case
    {
        const char *name;
        std::function<void(MapDocument &)> spoil;
    };
    const Case cases[] = {
        {"sheet length", [](MapDocument &d) { d.Tabs[0].RealWidth = 65536; }},
        {"negative quantity", [](MapDocument &d) { d.Tabs[0].Quantity = -1; }},
        {"part position", [](MapDocument &d) { d.Tabs[0].Parts[0].RealLeft = 32768; }},
        {"off-cut size", [](MapDocument &d) { d.Tabs[1].Scraps[0].RealHeight = -32769; }},
        {"cut length", [](MapDocument &d) { d.Tabs[2].Cuts[1].RealHeight = 40000; }},
        {"long code", [](MapDocument &d) { d.Tabs[0].Scraps[2].ScrapName = QString(51, QChar(0x0416)); }},
        {"long caption", [](MapDocument &d) { d.Caption = QString(101, QLatin1Char('c')); }},
        {"used sheet quantity", [](MapDocument &d) { d.UsingSheets.Add(7, 100, 100, 70000, 1); }},
        {"NaN area", [](MapDocument &d) { d.Tabs[0].LostSquare = std::numeric_limits<double>::quiet_NaN(); }},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.map"));
    SaveMapsToFile(MixedJob(), path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray old = f.readAll();
    f.close();
    for (const Case &c : cases) {
        MapDocument d = MixedJob();
        c.spoil(d);
        try {
            SaveMapsToFile(d, path);
            ADD_FAILURE() << c.name << ": saved";
        } catch (const Error &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Карты раскроя нельзя сохранить"))) << c.name;
        }
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), old) << c.name << ": the old file must stay";
        f.close();
    }
    // The limits themselves still fit.
    MapDocument edge = MixedJob();
    edge.Tabs[0].RealWidth = 65535;
    edge.Tabs[0].Parts[0].RealLeft = -32768;
    edge.Tabs[0].Scraps[2].ScrapName = QString(50, QChar(0x0416));
    MapDocument back;
    ASSERT_EQ(DecodeMapFile(EncodeMapFile(edge), back), mlrLoaded);
    EXPECT_EQ(back.Tabs[0].RealWidth, 65535);
    EXPECT_EQ(back.Tabs[0].Parts[0].RealLeft, -32768);
    EXPECT_EQ(back.Tabs[0].Scraps[2].ScrapName, QString(50, QChar(0x0416)));
}

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// An older-layout file as the old program wrote it (cp1251, CRLF); the
// second sheet leaves most keys to their defaults.
const char *const kOldLayout =
    "[Global]\r\nCaption=Старый вариант\r\nSheetsCount=2\r\nMatCode=7\r\nMillState=2\r\n"
    "ShowHints=0\r\nShowBorder=0\r\nShowScrapsText=1\r\n"
    "[Font]\r\nName=Times\r\nBold=1\r\nSize=11\r\nColor=255\r\n"
    "[Sheet1]\r\nMatCode=7\r\nDetalsCount=2\r\nScrapsCount=1\r\nMillsCount=2\r\nRemark=ДСП\r\n"
    "Width=2800\r\nHeigth=2070\r\nColor=12632256\r\nMillSize=5\r\nQuantity=2\r\nIsScraps=1\r\n"
    "MillLinesCount=2\r\nMillLinesLength=4870.5\r\nTitle=ОСТ-1\r\nPageTitle=1: Лист 1\r\n"
    "DetLeft1=-2\r\nDetTop1=-2\r\nDetWidth1=720\r\nDetHeigth1=560\r\nDetColor1=65535\r\nDetTitle1=Бок\r\n"
    "ShowTitle1=0\r\nLBorder1=3\r\nBBorder1=4\r\n"
    "DetLeft2=722\r\nDetWidth2=100\r\nDetHeigth2=100\r\nShowBorder2=1\r\n"
    "ScrLeft1=0\r\nScrTop1=562\r\nScrWidth1=2800\r\nScrHeigth1=1500\r\nScrColor1=255\r\nScrName1=К-1\r\n"
    "MillLeft1=0\r\nMillTop1=558\r\nMillWidth1=2800\r\nMillHeigth1=4\r\nMillColor1=16711680\r\n"
    "MillLeft2=718\r\nMillWidth2=4\r\nMillHeigth2=560\r\n"
    "[Sheet2]\r\nMatCode=-1\r\nWidth=1000\r\nHeigth=500\r\nDetalsCount=1\r\nDetWidth1=10\r\nDetHeigth1=10\r\n"
    "ShowBorder1=0\r\n";

} // namespace

TEST(MapFiles, OlderIniLayoutIsReadWithoutWritingIntoIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.map"));
    const QByteArray bytes = toCp1251(QString::fromUtf8(kOldLayout));
    WriteAll(path, bytes);

    MapDocument probe;
    EXPECT_EQ(LoadMapsFromFile(path, probe), mlrNotMapFile);
    EXPECT_EQ(ReadMapsMaterials(path), (std::vector<int32_t>{7}));

    MapDocument doc;
    doc.Display.Colors.Scrap = 0x00ABCD; // the window's colours stay
    LoadIniMaps(path, doc);
    EXPECT_EQ(ReadAll(path), bytes);

    EXPECT_EQ(doc.Caption, QStringLiteral("Старый вариант"));
    EXPECT_EQ(doc.Display.MillLinesMode, 2);
    EXPECT_FALSE(doc.Display.ShowHints);
    EXPECT_TRUE(doc.Display.ShowScrapsText);
    EXPECT_FALSE(doc.Display.ShowBorders); // from the last part read
    for (const MapTab &tab : doc.Tabs)
        for (const MapPart &p : tab.Parts) EXPECT_FALSE(p.ShowBorder) << p.Title.toStdString();
    EXPECT_EQ(doc.Display.Colors.Scrap, 0x00ABCDu);
    EXPECT_EQ(doc.Display.Font.name, QStringLiteral("Times"));
    EXPECT_TRUE(doc.Display.Font.bold);
    EXPECT_EQ(doc.Display.Font.size, 11);
    EXPECT_EQ(doc.Display.Font.color, 255);
    EXPECT_EQ(doc.Display.Font.charset, 204);
    ASSERT_EQ(doc.Tabs.size(), 2u);
    const MapTab &t = doc.Tabs[0];
    EXPECT_EQ(t.MaterialCode, 7);
    EXPECT_EQ(t.Caption, QStringLiteral("1: Лист 1"));
    EXPECT_EQ(t.SheetName, QStringLiteral("ОСТ-1"));
    EXPECT_EQ(t.Remark, QStringLiteral("ДСП"));
    EXPECT_EQ(t.RealWidth, 2800);
    EXPECT_EQ(t.RealHeight, 2070);
    EXPECT_EQ(t.Color, 12632256u);
    EXPECT_EQ(t.MillSize, 5);
    EXPECT_EQ(t.Quantity, 2);
    EXPECT_TRUE(t.IsScraps);
    EXPECT_EQ(t.MillLinesCount, 2);
    EXPECT_DOUBLE_EQ(t.MillLinesLength, 4870.5);
    ASSERT_EQ(t.Parts.size(), 2u);
    EXPECT_EQ(t.Parts[0].Title, QStringLiteral("Бок"));
    EXPECT_EQ(t.Parts[0].RealLeft, -2);
    EXPECT_EQ(t.Parts[0].RealHeight, 560);
    EXPECT_EQ(t.Parts[0].BrushColor, 65535u);
    EXPECT_FALSE(t.Parts[0].ShowTitle);
    EXPECT_TRUE(t.Parts[0].ShowDim);
    EXPECT_EQ(t.Parts[0].LeftBorder, 3);
    EXPECT_EQ(t.Parts[0].BottomBorder, 4);
    EXPECT_EQ(t.Parts[1].BrushColor, 0xFFFFFFu);
    ASSERT_EQ(t.Scraps.size(), 1u);
    EXPECT_EQ(t.Scraps[0].ScrapName, QStringLiteral("К-1"));
    EXPECT_EQ(t.Scraps[0].RealHeight, 1500);
    ASSERT_EQ(t.Cuts.size(), 2u);
    EXPECT_TRUE(t.Cuts[0].MillOrient);  // default: height below width
    EXPECT_FALSE(t.Cuts[1].MillOrient);
    EXPECT_EQ(t.Cuts[0].Color, 0xFF0000u);
    const MapTab &d = doc.Tabs[1];
    EXPECT_EQ(d.MaterialCode, -1);
    EXPECT_EQ(d.Color, kAppWorkspaceColor);
    EXPECT_EQ(d.MillSize, 4);
    EXPECT_EQ(d.Quantity, 1);
    EXPECT_EQ(doc.LastSheetWidth, 1000);
    EXPECT_EQ(doc.LastSheetHeight, 500);
}

TEST(MapFiles, OlderLayoutEdgeSwitchOfTheLastPartGoesForEveryPart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("on.map"));
    QString text = QString::fromUtf8(kOldLayout);
    text.replace(QStringLiteral("ShowBorder1=0\r\n"), QStringLiteral("ShowBorder1=1\r\n"));
    text.replace(QStringLiteral("ShowBorder2=1\r\n"), QStringLiteral("ShowBorder2=0\r\n"));
    WriteAll(path, toCp1251(text));
    MapDocument doc;
    LoadIniMaps(path, doc);
    EXPECT_TRUE(doc.Display.ShowBorders);
    for (const MapTab &tab : doc.Tabs)
        for (const MapPart &p : tab.Parts) EXPECT_TRUE(p.ShowBorder);
}

TEST(MapFiles, DamagedOlderLayoutIsRefusedAndLeavesTheDocument)
{
    QTemporaryDir dir;
    for (const char *text : {"[Global]\r\nSheetsCount=2000000000\r\n", "[Global]\r\nSheetsCount=1\r\n[Sheet1]\r\nDetalsCount=-3\r\n",
                             "[Global]\r\nSheetsCount=1\r\n[Sheet1]\r\nMillLinesLength=1e300\r\n"}) {
        const QString path = dir.filePath(QString::number(qHash(QByteArray(text))) + ".map");
        WriteAll(path, text);
        MapDocument doc;
        doc.Caption = QStringLiteral("untouched");
        EXPECT_THROW(LoadIniMaps(path, doc), Error) << text;
        EXPECT_EQ(doc.Caption, QStringLiteral("untouched")) << text;
    }
    MapDocument doc;
    EXPECT_THROW(LoadIniMaps(dir.filePath(QStringLiteral("missing.map")), doc), Error);
}

TEST(MapFiles, IniExportMatchesTheGoldenFile)
{
    MapDocument job = MixedJob();
    const QByteArray bytes = ExportMapsToIniBytes(job, [](int32_t code) {
        return code == 7 ? QStringLiteral("ДСП Бук 16") : QStringLiteral("МДФ %1").arg(code);
    });
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, QStringLiteral("maps_export.ini")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("e.ini"));
    WriteAll(path, "old");
    ExportMapsToIni(job, path, {});
    EXPECT_TRUE(ReadAll(path).startsWith("[SHEET1]\r\nSNAME=1: "));
}

// The fuzzer's map seeds are files the readers take whole, each with the
// records it is there for: a seed that no longer loads starts the fuzzer
// nowhere.
TEST(MapFiles, FuzzSeedsLoadWithTheirRecords)
{
    const QString dir = QStringLiteral(KV_SOURCE_DIR "/fuzz/corpus/maps/");
    const struct { const char *file; bool ini; size_t tabs, parts, scraps, cuts; int stock; } cases[] = {
        {"one.map", false, 1, 1, 1, 1, 1},
        {"sheet.map", false, 1, 0, 0, 0, 0},
        {"parts.map", false, 1, 2, 0, 0, 0},
        {"scraps.map", false, 1, 0, 2, 0, 0},
        {"cuts.map", false, 1, 0, 0, 2, 0},
        {"stock.map", false, 0, 0, 0, 0, 2},
        {"old_layout.map", true, 2, 2, 1, 2, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir + QString::fromLatin1(c.file);
        MapDocument doc;
        if (c.ini) {
            ASSERT_NO_THROW(LoadIniMaps(path, doc));
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            QString why;
            ASSERT_EQ(DecodeMapFile(f.readAll(), doc, &why), mlrLoaded) << why.toStdString();
        }
        ASSERT_EQ(doc.Tabs.size(), c.tabs);
        size_t parts = 0, scraps = 0, cuts = 0;
        for (const MapTab &t : doc.Tabs) {
            parts += t.Parts.size();
            scraps += t.Scraps.size();
            cuts += t.Cuts.size();
        }
        EXPECT_EQ(parts, c.parts);
        EXPECT_EQ(scraps, c.scraps);
        EXPECT_EQ(cuts, c.cuts);
        EXPECT_EQ(int(doc.UsingSheets.Entries().size()), c.stock);
    }
}

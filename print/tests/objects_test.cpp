// The stored records of the two report objects: byte-for-byte round trips,
// golden files, refusal of every prefix and of counts the stream cannot hold,
// and the emptying on save that keeps one map's items out of the next.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include "platform/error.h"
#include "print/objects/detalslistview.h"
#include "print/objects/registration.h"
#include "print/objects/rskmapview.h"
#include "report/model/factory.h"
#include "platform/testsupport/golden.h"

namespace {

QByteArray save(TrpView &v)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    v.SaveToStream(b);
    return b.data();
}

template <class T>
std::unique_ptr<T> load(const QByteArray &bytes)
{
    auto v = std::make_unique<T>();
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    v->LoadFromStream(b);
    EXPECT_TRUE(b.atEnd());
    return v;
}

void fillMap(TrpRskMapView &v)
{
    v.Name = QStringLiteral("Map");
    v.SetBounds(10, 20, 300, 200);
    v.DetalFont.size = 12;
    v.DetalFont.style = TrpFont::Bold;
    v.ScrapFont.name = QStringLiteral("Liberation Serif");
    v.LostScrapFont.color = 0x0000FF;
    v.DetalBrush = {0x00FFEE, kvbsCross};
    v.LostScrapBrush = {clNone, kvbsClear};
    v.DetalPen = {0x112233, psDash, 1};
    v.MillPen = {0xFF0000, psSolid, 3};
    v.MapScale = 0.1234567;
    auto &d = v.AddItem(1);
    d.Text = QStringLiteral("Боковина");
    d.X = 0, d.Y = 0, d.Width = 720, d.Height = 560;
    d.ShowTitle = d.ShowDim = d.TruncText = true;
    auto &s = static_cast<TkvrpScrapData &>(v.AddItem(2));
    s.Text = QStringLiteral("Отход");
    s.X = 720, s.Y = 0, s.Width = 80, s.Height = 560, s.IsLost = true, s.ShowDim = true;
    auto &m = v.AddItem(3);
    m.X = 722, m.Y = 0, m.Width = 0, m.Height = 560;
}

void fillList(TrpDetalsListView &v)
{
    v.Name = QStringLiteral("mmDetalsList");
    v.SetBounds(400, 20, 250, 300);
    v.ShowBorder = true;
    v.BorderCodes = true;
    v.ListFont.size = 9;
    TDetalsListRec r;
    r.Name = QStringLiteral("Фасад");
    r.Width = 716, r.Height = 396, r.Count = 5;
    r.LeftCode = 1, r.TopCode = 3, r.RightCode = 2, r.BottomCode = 4;
    r.LeftColor = 0xFF, r.TopColor = 0xFF00;
    v.Detals.push_back(r);
    r = {};
    r.Name = QStringLiteral("Polka");
    r.Width = 560, r.Height = 280, r.Count = 8;
    v.Detals.push_back(r);
    v.Totals.push_back({QStringLiteral("ПВХ 2 мм"), 1500, 3});
}

void checkGolden(const QString &name, const QByteArray &bytes)
{
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, name));
}

template <class T>
void expectEveryPrefixRefused(const QByteArray &bytes)
{
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        QByteArray prefix = bytes.left(n);
        QBuffer b(&prefix);
        b.open(QIODevice::ReadOnly);
        T v;
        EXPECT_THROW(v.LoadFromStream(b), kv::Error) << "prefix " << n;
    }
}

} // namespace

TEST(RskMapRecord, RoundTripsByteForByteAndMatchesItsGoldenFile)
{
    TrpRskMapView v;
    fillMap(v);
    const QByteArray bytes = save(v);
    checkGolden(QStringLiteral("rskmap_record.bin"), bytes);
    auto back = load<TrpRskMapView>(bytes);
    ASSERT_EQ(back->Items.size(), 3u);
    EXPECT_EQ(back->Items[0]->Text, QStringLiteral("Боковина"));
    EXPECT_EQ(back->Items[1]->ItemKind(), 2);
    EXPECT_TRUE(static_cast<TkvrpScrapData &>(*back->Items[1]).IsLost);
    EXPECT_EQ(back->Items[2]->ItemKind(), 3);
    EXPECT_EQ(back->DetalBrush, (TkvrpBrush{0x00FFEE, kvbsCross}));
    EXPECT_EQ(back->MillPen, (TkvrpPen{0xFF0000, psSolid, 3}));
    EXPECT_EQ(back->DetalFont, v.DetalFont);
    EXPECT_DOUBLE_EQ(back->MapScale, 0.1234567);
    EXPECT_EQ(back->Name, QStringLiteral("Map"));
    // What was read writes the same bytes again.
    EXPECT_EQ(save(*back), bytes);
}

TEST(RskMapRecord, SavingEmptiesTheItemsSoTheNextMapStartsClean)
{
    TrpRskMapView v;
    fillMap(v);
    save(v);
    EXPECT_TRUE(v.Items.empty());
    auto again = load<TrpRskMapView>(save(v));
    EXPECT_TRUE(again->Items.empty());
}

TEST(RskMapRecord, RefusesPrefixesUnknownKindsAndImpossibleCounts)
{
    TrpRskMapView v;
    fillMap(v);
    const QByteArray bytes = save(v);
    expectEveryPrefixRefused<TrpRskMapView>(bytes);

    // The count sits before the first item's kind byte; the first item is a part.
    TrpRskMapView probe;
    fillMap(probe);
    probe.Items.clear();
    const qsizetype countAt = save(probe).size() - 4;
    struct Case { const char *what; std::function<void(QByteArray &)> damage; };
    const Case cases[] = {
        {"kind 0", [&](QByteArray &b) { b[countAt + 4] = 0; }},
        {"kind 4", [&](QByteArray &b) { b[countAt + 4] = 4; }},
        {"negative count", [&](QByteArray &b) { b[countAt + 3] = char(0x80); }},
        {"count beyond the stream", [&](QByteArray &b) { b[countAt + 2] = 0x10; }},
    };
    for (const Case &c : cases) {
        QByteArray damaged = bytes;
        c.damage(damaged);
        QBuffer b(&damaged);
        b.open(QIODevice::ReadOnly);
        TrpRskMapView target;
        target.AddItem(1);   // what the object held stays when a read fails
        EXPECT_THROW(target.LoadFromStream(b), kv::Error) << c.what;
        EXPECT_EQ(target.Items.size(), 1u) << c.what;
    }
}

TEST(DetalsListRecord, RoundTripsByteForByteAndMatchesItsGoldenFile)
{
    TrpDetalsListView v;
    fillList(v);
    const QByteArray bytes = save(v);
    checkGolden(QStringLiteral("detalslist_record.bin"), bytes);
    EXPECT_TRUE(v.Detals.empty());
    EXPECT_TRUE(v.Totals.empty());
    auto back = load<TrpDetalsListView>(bytes);
    ASSERT_EQ(back->Detals.size(), 2u);
    EXPECT_EQ(back->Detals[0].Name, QStringLiteral("Фасад"));
    EXPECT_EQ(back->Detals[0].TopCode, 3);
    EXPECT_EQ(back->Detals[0].TopColor, 0xFF00);
    ASSERT_EQ(back->Totals.size(), 1u);
    EXPECT_EQ(back->Totals[0], (TBorderTotalRec{QStringLiteral("ПВХ 2 мм"), 1500, 3}));
    EXPECT_TRUE(back->ShowBorder);
    EXPECT_TRUE(back->BorderCodes);
    EXPECT_FALSE(back->BorderStat);
    EXPECT_EQ(save(*back), bytes);
}

TEST(DetalsListRecord, RefusesPrefixesAndBadLengths)
{
    TrpDetalsListView v;
    fillList(v);
    const QByteArray bytes = save(v);
    expectEveryPrefixRefused<TrpDetalsListView>(bytes);

    TrpDetalsListView probe;
    fillList(probe);
    probe.Detals.clear();
    probe.Totals.clear();
    const qsizetype countAt = save(probe).size() - 8;   // part count, then the total count
    struct Case { const char *what; std::function<void(QByteArray &)> damage; };
    const Case cases[] = {
        {"name length 21", [&](QByteArray &b) { b[countAt + 4] = 21; }},
        {"negative count", [&](QByteArray &b) { b[countAt + 3] = char(0xFF); }},
        {"count beyond the stream", [&](QByteArray &b) { b[countAt] = 3; }},
    };
    for (const Case &c : cases) {
        QByteArray damaged = bytes;
        c.damage(damaged);
        QBuffer b(&damaged);
        b.open(QIODevice::ReadOnly);
        TrpDetalsListView target;
        EXPECT_THROW(target.LoadFromStream(b), kv::Error) << c.what;
    }
}

TEST(DetalsListRecord, RecordsArePackedAndNamesCutToTwenty)
{
    TDetalsListRec r;
    r.Name = QStringLiteral("Очень-длинное-имя-детали-34");
    r.Width = 1, r.BottomColor = -1;
    const QByteArray b = r.Pack();
    ASSERT_EQ(b.size(), 65);
    EXPECT_EQ(int(b[0]), 20);
    EXPECT_EQ(TDetalsListRec::Unpack(b).Name, QStringLiteral("Очень-длинное-имя-де"));
    EXPECT_EQ(b.mid(21, 4), QByteArray("\x01\0\0\0", 4));
    EXPECT_EQ(b.right(4), QByteArray("\xFF\xFF\xFF\xFF", 4));
    TBorderTotalRec t{QStringLiteral("Кромка"), 1500, 3};
    EXPECT_EQ(t.Pack().size(), 29);
    EXPECT_EQ(TBorderTotalRec::Unpack(t.Pack()), t);
}

TEST(PrintObjects, RegisteredUnderTheirCaptionsAndReadBackFromTemplates)
{
    RegisterPrintObjects();
    RegisterPrintObjects();   // harmless twice
    QStringList captions;
    for (const TrpObjectClass &c : ObjectTable()) captions << c.Description;
    EXPECT_TRUE(captions.contains(QStringLiteral("Карта раскроя")));
    EXPECT_TRUE(captions.contains(QStringLiteral("Список деталей")));
    auto map = CreateObject(rpgtAddIn, QStringLiteral("TrpRskMapView"));
    ASSERT_TRUE(map);
    EXPECT_EQ(map->BaseName, QStringLiteral("RskMap"));
    auto list = CreateObject(rpgtAddIn, QStringLiteral("TrpDetalsListView"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->BaseName, QStringLiteral("DetalsList"));

    // Through the engine's own object reader, as a prepared page holds it.
    TrpRskMapView v;
    fillMap(v);
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    v.WriteObject(b);
    b.seek(0);
    auto back = ReadObject(b, false);
    auto *m = dynamic_cast<TrpRskMapView *>(back.get());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Items.size(), 3u);
}

// Writes the seed files of the data-layer harnesses that are binary (dBASE
// tables, stored streams, map files) with our own writers:
//   kv_fuzz_seeds <fuzz/corpus>
#include "data/maps/mapfiles.h"
#include "fuzz/memstream_fields.h"
#include "memdata/memdata.h"
#include "platform/db/dbffile.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace kv;

namespace {

void put(const QString &dir, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(dir);
    QFile f(dir + QLatin1Char('/') + name);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kv_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QDate day(2024, 3, 5);

    DbfFile t;
    t.fields = {{"NAME", 'C', 12, 0}, {"LENGTH", 'N', 10, 0}, {"SQUARE", 'F', 20, 4},
                {"DAY", 'D', 8, 0}, {"OK", 'L', 1, 0}};
    t.rows << DbfRow{false, {QStringLiteral("Бок"), 700, 0.35, QDate(2024, 1, 2), true}}
           << DbfRow{true, {QStringLiteral("Полка"), 600, 0.18, QVariant(), false}}
           << DbfRow{false, {QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}};
    put(root + "/dbf", "parts.dbf", t.serialize(day));
    DbfFile e;
    e.fields = {{"CODE", 'N', 6, 0}};
    put(root + "/dbf", "empty.dbf", e.serialize(day));
    // A parts table as the ".det" lists name it, after the header and a NUL.
    DbfFile p;
    p.fields = {{"NAME", 'C', 40, 0}, {"LENGTH", 'N', 10, 0}, {"WIDTH", 'N', 10, 0}, {"MANY", 'N', 10, 0},
                {"ROTATE", 'N', 6, 0}, {"LBORDER", 'L', 1, 0}, {"RBORDER", 'L', 1, 0},
                {"TBORDER", 'L', 1, 0}, {"BBORDER", 'L', 1, 0}};
    p.rows << DbfRow{false, {QStringLiteral("Бок"), 700, 500, 2, 0, true, false, true, false}};
    put(root + "/imports", "det", QByteArray("\x01[Header]\r\nFName=parts.dbf\r\nVersionHi=2\r\n", 41)
                                      + QByteArray(1, '\0') + p.serialize(day));

    TMemData md;
    kvfuzz::addMemStreamFields(md);
    md.Open();
    md.AppendRecord({QVariant(), 5, QStringLiteral("Лист"), QStringLiteral("Ωmega"), 12.5, 2.25,
                     QDate(2024, 3, 1), true, QStringLiteral("заметка"), -7, qint64(1) << 40});
    md.AppendRecord({QVariant(), 6});
    put(root + "/memstream", "two.bin", md.SaveToStream());

    MapDocument doc;
    MapTab tab;
    tab.MaterialCode = 3;
    tab.Caption = QStringLiteral("Лист 1");
    tab.RealWidth = 2750;
    tab.RealHeight = 2070;
    tab.SheetName = QStringLiteral("ДСП");
    tab.MillSize = 4;
    tab.Parts.push_back(MapPart{10, 10, 700, 500, QStringLiteral("Бок")});
    tab.Scraps.push_back(MapScrap{714, 10, 300, 500, QStringLiteral("Остаток"), QStringLiteral("R1")});
    tab.Cuts.push_back(MapCut{710, 10, 4, 500, false});
    doc.Tabs.push_back(tab);
    doc.MaterialCodes = {3};
    doc.UsingSheets.Add(3, 2750, 2070, 4, 5);
    put(root + "/maps", "one.map", EncodeMapFile(doc));

    // A seed per record kind, each with what its fields may say, so the
    // fuzzer starts from every branch of the reader.
    auto sheet = [](int code, const QString &caption) {
        MapTab t;
        t.MaterialCode = code;
        t.Caption = caption;
        t.SheetName = QStringLiteral("МДФ 16");
        t.RealWidth = 2800;
        t.RealHeight = 2070;
        t.MillSize = 4;
        t.Quantity = 3;
        t.MillLinesCount = 2;
        t.MillLinesLength = 4870.5;
        t.DetalsSquare = 1.25;
        t.ScrapSquare = 0.5;
        t.LostSquare = 0.125;
        return t;
    };
    auto single = [&](const MapTab &t) {
        MapDocument d;
        d.Caption = QStringLiteral("Вариант раскроя");
        d.Display.MillLinesMode = 2;
        d.Display.ShowBorders = d.Display.ShowScrapsText = d.Display.ShowHints = true;
        d.Tabs.push_back(t);
        d.MaterialCodes = {t.MaterialCode};
        return EncodeMapFile(d);
    };
    MapTab bare = sheet(7, QStringLiteral("Остаток 1"));
    bare.IsScraps = true;
    bare.Visible = false;
    bare.Remark = QStringLiteral("с края скол");
    put(root + "/maps", "sheet.map", single(bare));
    MapTab parts = sheet(7, QStringLiteral("Лист 1"));
    MapPart banded{0, 0, 716, 396, QStringLiteral("Дверь"), 3, 3, 4, 0, 0x123456, 0xEEEEEE, 0xFF, 0xFF00, 0xFF0000, 0};
    banded.ShowTitle = false;
    parts.Parts.push_back(banded);
    MapPart plain{720, 0, 560, 720, QStringLiteral("Бок")};
    plain.ShowBorder = plain.ShowDim = false;
    parts.Parts.push_back(plain);
    put(root + "/maps", "parts.map", single(parts));
    MapTab scraps = sheet(7, QStringLiteral("Лист 2"));
    MapScrap kept{0, 400, 1200, 300, QStringLiteral("Остаток"), QStringLiteral("R-12"), true, true, stNormalScrap, 255};
    MapScrap waste{1204, 400, 80, 300, QStringLiteral("Отход"), QString(), false, false, stLostScrap, 0};
    scraps.Scraps = {kept, waste};
    put(root + "/maps", "scraps.map", single(scraps));
    MapTab cuts = sheet(7, QStringLiteral("Лист 3"));
    cuts.Cuts.push_back(MapCut{0, 396, 2800, 4, true, 0xFF0000, true});
    cuts.Cuts.push_back(MapCut{716, 0, 4, 396, false, 0xFF, false});
    put(root + "/maps", "cuts.map", single(cuts));
    MapDocument stock;
    stock.UsingSheets.Add(7, 2800, 2070, 0, 3);
    stock.UsingSheets.Add(9, -1, 1830, 65535, 1);
    put(root + "/maps", "stock.map", EncodeMapFile(stock));
    return 0;
}

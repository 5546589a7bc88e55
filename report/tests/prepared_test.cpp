#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include "platform/error.h"
#include "report/model/memo.h"
#include "report/model/reportbase.h"
#include "report/model/views.h"
#include "platform/testsupport/golden.h"

namespace {

QByteArray fromHex(const char *hex) { return QByteArray::fromHex(QByteArray(hex).replace(' ', "")); }

struct VirtualPaper
{
    VirtualPaper()
    {
        SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
        rpSetMeasuringMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
    }
    ~VirtualPaper()
    {
        SetPaperHandler({});
        rpSetMeasuringMeasurer(nullptr);
    }
};

class TestReport : public TrpReportBase
{
public:
    TestReport() { Now = [] { return 0.0; }; }
};

void fillPages(TrpEMFPages &pages)
{
    TrpPage page;
    page.MarginLeft = 30;
    pages.AddPage(page);
    TrpMemoView m;
    m.Name = QStringLiteral("Memo1");
    m.SetBounds(20, 30, 200, 20);
    m.Memo = {QStringLiteral("Итого 5\001")};
    pages.AppendView(0, m);
    TrpLineView l;
    l.Name = QStringLiteral("Line1");
    l.SetBounds(0, 60, 300, 0);
    pages.AppendView(0, l);
    page.SetPaper(9, 2100, 2970, 7, 1);
    page.UseMargins = false;
    pages.AddPage(page);
    TrpPictureView p;
    p.Name = QStringLiteral("URLsite");
    p.Tag = QStringLiteral("https://example.org/");
    p.SetBounds(100, 100, 50, 50);
    p.Picture.load(rppkMetafile, QByteArray("\x01\x00\x00\x00wmf", 7));
    pages.AppendView(1, p);
}

QByteArray written(TrpEMFPages &pages)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    pages.WritePreparedFile(b);
    return b.data();
}

void read(TrpEMFPages &pages, QByteArray bytes)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    pages.ReadPreparedFile(b);
}

} // namespace

TEST(Prepared, FileRoundTripIsByteIdentical)
{
    VirtualPaper vp;
    TestReport r;
    TrpEMFPages &pages = r.EMFPages();
    pages.PrinterName = QStringLiteral("Virtual printer");
    fillPages(pages);
    const QByteArray first = written(pages);
    EXPECT_EQ(quint8(first[0]), 25);
    EXPECT_EQ(quint8(first[1]), 0);
    // With compression off, the page data in the file is the page stream itself.
    EXPECT_TRUE(first.contains(pages.GetPage(0)->ObjectStream));
    TestReport r2;
    read(r2.EMFPages(), first);
    ASSERT_EQ(r2.EMFPages().Count(), 2);
    EXPECT_EQ(r2.EMFPages().GetPage(1)->Orientation, 1);
    EXPECT_EQ(r2.EMFPages().GetPage(1)->PaperBin, 7);
    EXPECT_FALSE(r2.EMFPages().GetPage(1)->UseMargins);
    EXPECT_EQ(r2.EMFPages().GetPage(0)->Margins[0], 30);
    EXPECT_EQ(r2.EMFPages().PrinterName, QStringLiteral("Virtual printer"));
    TrpPage *p0 = r2.EMFPages().UnpackPage(0);
    ASSERT_EQ(p0->ViewCount(), 2);
    EXPECT_EQ(p0->View(0)->Memo, QStringList{QStringLiteral("Итого 5\001")});
    EXPECT_EQ(written(r2.EMFPages()), first);
    // Packing an unpacked page gives its stream back.
    const QByteArray stream = r2.EMFPages().GetPage(0)->ObjectStream;
    r2.EMFPages().PackPage(0);
    EXPECT_EQ(r2.EMFPages().GetPage(0)->ObjectStream, stream);
}

TEST(Prepared, ZeroPagesAndOlderLayouts)
{
    VirtualPaper vp;
    TestReport r;
    const QByteArray empty = written(r.EMFPages());
    EXPECT_EQ(empty, fromHex("19 00 0000 00 00000000 58"));
    read(r.EMFPages(), empty);
    EXPECT_EQ(r.EMFPages().Count(), 0);
    // A file without a version byte (the layout before version 24) starts with
    // the compression flag and has no bin and no margins.
    const QByteArray noVersion = fromHex(
        "00 0000 00 01000000"
        "19000000 0900 34080000 9A0B0000 00 01"
        "19" "58");
    read(r.EMFPages(), noVersion);
    ASSERT_EQ(r.EMFPages().Count(), 1);
    EXPECT_EQ(r.EMFPages().GetPage(0)->PaperBin, -1);
    EXPECT_EQ(r.EMFPages().GetPage(0)->Margins[0], 0);
    EXPECT_EQ(r.EMFPages().GetPage(0)->PageMetrics.Width, 758);
}

TEST(Prepared, DamagedFilesFailCleanlyAndKeepThePages)
{
    VirtualPaper vp;
    TestReport r;
    fillPages(r.EMFPages());
    const QByteArray whole = written(r.EMFPages());
    TestReport target;
    fillPages(target.EMFPages());
    for (qsizetype n = 0; n < whole.size(); ++n) {
        EXPECT_THROW(read(target.EMFPages(), whole.left(n)), kv::Error) << "prefix " << n;
        EXPECT_EQ(target.EMFPages().Count(), 2);
    }
    // Next offsets before the page, past the file; counts beyond the file.
    const qsizetype offsetAt = 2 + 3 + 4;   // version, flag, empty printer name, page count
    for (qint32 bad : {qint32(0), qint32(offsetAt), qint32(whole.size() + 1)}) {
        QByteArray b = whole;
        for (int i = 0; i < 4; ++i) b[offsetAt + i] = char((quint32(bad) >> (8 * i)) & 0xFF);
        EXPECT_THROW(read(target.EMFPages(), b), kv::Error) << bad;
    }
    QByteArray many = whole;
    many[2 + 3 + 3] = char(0x7F);
    EXPECT_THROW(read(target.EMFPages(), many), kv::Error);
    // A page whose records are damaged is refused when the file is read.
    QByteArray rec = whole;
    rec[offsetAt + 4 + 2 + 4 + 4 + 1 + 4 + 1 + 16 + 1] = char(0x09);   // first record's type code
    EXPECT_THROW(read(target.EMFPages(), rec), kv::Error);
    EXPECT_EQ(target.EMFPages().Count(), 2);
}

TEST(Prepared, CompressedFilesAndCutMetafileFilesAreRefused)
{
    VirtualPaper vp;
    TestReport r;
    // pages of metafiles: the count promises a page the file does not hold
    try {
        read(r.EMFPages(), fromHex("50 72 69 6E 74 65 72 0D 00 01000000"));
        FAIL();
    } catch (const kv::Error &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("damaged")));
    }
    EXPECT_THROW(read(r.EMFPages(), fromHex("19 01 0000 00 00000000 58")), kv::Error);
}

TEST(Prepared, PageIndexesAreChecked)
{
    VirtualPaper vp;
    TestReport r;
    fillPages(r.EMFPages());
    EXPECT_THROW(r.EMFPages().UnpackPage(2), kv::Error);
    EXPECT_THROW(r.EMFPages().UnpackPage(-1), kv::Error);
    EXPECT_THROW(r.EMFPages().DeletePage(5), kv::Error);
    EXPECT_THROW(r.EMFPages().ExportPage(9), kv::Error);
    TrpHit hit;
    EXPECT_FALSE(r.EMFPages().ObjectAt(7, QPoint(1, 1), true, hit));
}

TEST(Prepared, LinksOpenOnlyWebAndMailAddresses)
{
    VirtualPaper vp;
    TestReport r;
    fillPages(r.EMFPages());
    TrpPage *page = r.EMFPages().UnpackPage(1);
    TrpView *v = page->View(0);
    TrpHit hit;
    // The page uses the whole sheet: the view is hit at its own units scaled to the printable area.
    const TrpPreparedPage *e = r.EMFPages().GetPage(1);
    const double kx = double(e->PageMetrics.PrintableWidth - e->Margins[0] - e->Margins[2]) / e->PageMetrics.Width;
    const double ky = double(e->PageMetrics.PrintableHeight - e->Margins[1] - e->Margins[3]) / e->PageMetrics.Height;
    const QPoint at(int(110 * kx + e->Margins[0] + e->PageMetrics.OffsetX), int(110 * ky + e->Margins[1] + e->PageMetrics.OffsetY));
    EXPECT_TRUE(r.EMFPages().ObjectAt(1, at, true, hit));
    EXPECT_EQ(hit.View, v);
    // A web address is handed on to be opened; files and programs never are.
    EXPECT_EQ(hit.Link, QStringLiteral("https://example.org/"));
    for (const char *link : {"file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)"}) {
        v->Tag = QString::fromLatin1(link);
        hit = TrpHit();
        EXPECT_TRUE(r.EMFPages().ObjectAt(1, at, true, hit));
        EXPECT_TRUE(hit.Link.isEmpty()) << link;
    }
    v->Tag = QStringLiteral("@3");
    EXPECT_TRUE(r.EMFPages().ObjectAt(1, at, true, hit));
    EXPECT_EQ(hit.Link, QStringLiteral("@3"));
    EXPECT_TRUE(r.EMFPages().ObjectAt(1, at, false, hit));
    EXPECT_EQ(hit.Cursor, -21);
    EXPECT_FALSE(r.EMFPages().ObjectAt(1, QPoint(2, 2), true, hit));
}

TEST(Prepared, PagesDrawScaledIntoTheirRectangle)
{
    VirtualPaper vp;
    TestReport r;
    fillPages(r.EMFPages());
    TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
    const TrpPageMetrics &m = r.EMFPages().GetPage(0)->PageMetrics;
    r.EMFPages().DrawPage(0, &canvas, QRect(100, 50, m.Width * 2, m.Height * 2));
    QStringList texts = canvas.RecordedTexts();
    ASSERT_EQ(texts, QStringList{QStringLiteral("Итого 5")});
    for (const TrpCanvasRecord &rec : canvas.Records())
        if (rec.Kind == TrpCanvasRecord::Text) {
            EXPECT_EQ(rec.Rect.Left, 100 + 2 * 20 + 1 + 4);   // offset, scaled left, half the frame, scaled gap
            EXPECT_EQ(rec.Font.Height, -26);             // 13 pixels at scale 2
        }
    // The drawing does not keep the objects of a page that is not shown.
    EXPECT_FALSE(r.EMFPages().GetPage(0)->UnpackedPage);
}

TEST(Prepared, GoldenFileIsReproduced)
{
    VirtualPaper vp;
    TestReport r;
    fillPages(r.EMFPages());
    const QByteArray bytes = written(r.EMFPages());
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, QStringLiteral("sample_prepared.rpp")));
}

// Metafile pictures: the two kinds drawn through their libraries, in a
// picture view on a prepared page, and the oldest prepared-report layout
// whose pages are metafiles. The metafiles are made here, record by record.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QObject>
#include <QtEndian>

#include "platform/error.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/core/metafile.h"
#include "report/model/prepared.h"
#include "report/model/views.h"
#include "report/tests/pdfshot.h"
#include "report/tests/templatefixture.h"

namespace {

struct Bytes
{
    QByteArray b;
    Bytes &u8(int v) { b.append(char(v)); return *this; }
    Bytes &u16(int v) { char d[2]; qToLittleEndian<quint16>(quint16(v), d); b.append(d, 2); return *this; }
    Bytes &u32(qint64 v) { char d[4]; qToLittleEndian<quint32>(quint32(v), d); b.append(d, 4); return *this; }
    void put32(int at, qint64 v) { qToLittleEndian<quint32>(quint32(v), b.data() + at); }
};

// A Windows metafile with its placeable header: one inch square (96 pixels),
// a red rectangle over its middle.
QByteArray redSquareWmf()
{
    Bytes h;
    h.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(1440).u16(1440).u16(1440).u32(0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= qFromLittleEndian<quint16>(h.b.constData() + 2 * i);
    h.u16(sum);
    Bytes r;
    r.u32(5).u16(0x020B).u16(0).u16(0);               // window origin
    r.u32(5).u16(0x020C).u16(1440).u16(1440);         // window extent
    r.u32(7).u16(0x02FC).u16(0).u32(0x0000FF).u16(0); // solid red brush
    r.u32(4).u16(0x012D).u16(0);                      // select it
    r.u32(7).u16(0x041B).u16(1200).u16(1200).u16(240).u16(240);   // rectangle
    r.u32(3).u16(0);                                  // end
    Bytes m;
    const int words = (18 + r.b.size()) / 2;
    m.u16(1).u16(9).u16(0x0300).u32(words).u16(1).u32(7).u16(0);
    return h.b + m.b + r.b;
}

// An enhanced metafile of 100 x 100 pixels (26.46 mm), a red rectangle over its middle.
QByteArray redSquareEmf()
{
    Bytes r;
    r.u32(39).u32(24).u32(1).u32(0).u32(0x0000FF).u32(0);   // solid red brush as object 1
    r.u32(37).u32(12).u32(1);                               // select it
    r.u32(43).u32(24).u32(20).u32(20).u32(80).u32(80);      // rectangle
    r.u32(14).u32(20).u32(0).u32(16).u32(20);               // end
    Bytes h;
    h.u32(1).u32(88);
    h.u32(0).u32(0).u32(99).u32(99);          // bounds in pixels
    h.u32(0).u32(0).u32(2646).u32(2646);      // frame in hundredths of a millimetre
    h.u32(0x464D4520).u32(0x10000).u32(0).u32(5).u16(2).u16(0).u32(0).u32(0).u32(0);
    h.u32(1024).u32(768).u32(271).u32(203);   // the device, 96 pixels an inch
    QByteArray all = h.b + r.b;
    qToLittleEndian<quint32>(quint32(all.size()), all.data() + 48);
    return all;
}

bool reddish(QRgb c) { return qAlpha(c) > 200 && qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }

int redPixels(const QImage &img, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (reddish(img.pixel(x, y))) ++n;
    return n;
}

} // namespace

TEST(MetafilePicture, BothKindsAreDrawnAtTheirOwnSize)
{
    struct Case { const char *name; QByteArray bytes; TrpMetafileKind kind; int side; };
    const Case cases[] = {
        {"enhanced", redSquareEmf(), TrpMetafileKind::Enhanced, 100},
        {"windows", redSquareWmf(), TrpMetafileKind::Windows, 96},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(rpMetafileKind(c.bytes), c.kind) << c.name;
        const QImage img = rpRenderMetafile(c.bytes);
        ASSERT_FALSE(img.isNull()) << c.name;
        EXPECT_NEAR(img.width(), c.side, 2) << c.name;
        EXPECT_NEAR(img.height(), c.side, 2) << c.name;
        // red in the middle, nothing red in the corners
        EXPECT_TRUE(reddish(img.pixel(img.width() / 2, img.height() / 2))) << c.name;
        EXPECT_FALSE(reddish(img.pixel(2, 2))) << c.name;
        EXPECT_FALSE(reddish(img.pixel(img.width() - 3, img.height() - 3))) << c.name;
    }
}

TEST(MetafilePicture, BrokenBytesGiveNoPictureAndNoCrash)
{
    const QByteArray emf = redSquareEmf(), wmf = redSquareWmf();
    const QByteArray cases[] = {QByteArray(), QByteArray("not a picture"), emf.left(60), emf.left(100), wmf.left(30),
                                QByteArray(emf).replace(48, 4, QByteArray("\xff\xff\xff\x7f", 4))};
    for (const QByteArray &c : cases) {
        const QImage img = rpRenderMetafile(c);
        if (!img.isNull()) {
            EXPECT_LE(img.width(), 8000);
        }
    }
}

TEST(MetafilePicture, APictureViewDrawsItsMetafileOnThePreparedPage)
{
    QObject window;
    TrpReport report(&window);
    report.Pages().Clear();
    TrpPage *page = report.Pages().Add();
    page->SetPaper(256, 2100, 2970, -1, 0);
    auto band = std::make_unique<TrpBandView>();
    band->SetBandType(btReportTitle);
    band->Name = "Title";
    band->SetBounds(0, 20, 700, 120);
    page->AddView(std::move(band));
    auto pic = std::make_unique<TrpPictureView>();
    pic->Name = "Picture1";
    pic->SetBounds(100, 20, 100, 100);
    pic->FrameTyp = rpftNone;
    ASSERT_TRUE(pic->Picture.load(rppkMetafile, redSquareEmf()));
    page->AddView(std::move(pic));
    // through the writer and back
    ASSERT_TRUE(kvtest::load(report, kvtest::save(report)));
    ASSERT_TRUE(report.Prepare()) << report.LastBuildError.toStdString();

    rpLookAtPdf(report, QStringLiteral("metafile_picture"));
    // shown in the preview
    report.EMFPages().GetPage(0)->Visible = true;
    const TrpPageMetrics &m = report.EMFPages().GetPage(0)->PageMetrics;
    QImage img(m.Width, m.Height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        TrpCanvas canvas(&img, TrpCanvasKind::Screen);
        report.EMFPages().DrawPage(0, &canvas, QRect(0, 0, m.Width, m.Height));
    }
    TrpPage *prepared = report.EMFPages().UnpackPage(0);
    ASSERT_EQ(prepared->Views().size(), 1u);
    const TrpView *v = prepared->Views().front().get();
    const QRect area(v->Left, v->Top, v->Width, v->Height);
    EXPECT_GT(redPixels(img, area), area.width() * area.height() / 4);
    EXPECT_EQ(redPixels(img, QRect(0, 0, m.Width, area.top() - 1)), 0);
}

TEST(MetafilePicture, TheOldestPreparedReportLayoutOpensWithItsPages)
{
    // text lines (the printer's name first), the page count, then per page its
    // header and a metafile
    Bytes f;
    f.b.append("Virtual printer\r");
    f.u8(0);
    f.u32(2);
    for (const QByteArray &pic : {redSquareEmf(), redSquareWmf()}) {
        const int at = f.b.size();
        f.u32(0).u16(9).u32(2100).u32(2970).u8(0).u8(1);
        f.b.append(pic);
        f.put32(at, f.b.size());
    }
    QObject window;
    TrpReport report(&window);
    QBuffer in(&f.b);
    in.open(QIODevice::ReadOnly);
    report.EMFPages().ReadPreparedFile(in);
    ASSERT_EQ(report.EMFPages().Count(), 2);
    EXPECT_EQ(report.EMFPages().PrinterName, QStringLiteral("Virtual printer"));
    for (int i = 0; i < 2; ++i) {
        TrpPage *p = report.EMFPages().UnpackPage(i);
        ASSERT_EQ(p->Views().size(), 1u) << i;
        auto *pic = dynamic_cast<TrpPictureView *>(p->Views().front().get());
        ASSERT_NE(pic, nullptr) << i;
        EXPECT_EQ(pic->Left, 0);
        EXPECT_EQ(pic->Width, report.EMFPages().GetPage(i)->PageMetrics.Width) << i;
        EXPECT_FALSE(pic->Picture.Image.isNull()) << i;
    }
    // a page whose picture is no metafile is refused with a message
    Bytes bad;
    bad.b.append("P\r");
    bad.u8(0);
    bad.u32(1);
    const int at = bad.b.size();
    bad.u32(0).u16(9).u32(2100).u32(2970).u8(0).u8(1);
    bad.b.append("garbage, not a picture");
    bad.put32(at, bad.b.size());
    QBuffer badIn(&bad.b);
    badIn.open(QIODevice::ReadOnly);
    TrpReport other(&window);
    try {
        other.EMFPages().ReadPreparedFile(badIn);
        FAIL() << "a page without a picture was read";
    } catch (const kv::Error &e) {
        EXPECT_TRUE(e.message().contains("damaged")) << e.message().toStdString();
    }
}

TEST(MetafilePicture, APictureIsCopiedByTheReferenceItsViewGives)
{
    QObject window;
    TrpReport report(&window);
    report.Pages().Clear();
    TrpPage *first = report.Pages().Add();
    TrpPage *second = report.Pages().Add();
    auto makePicture = [](TrpPage *page) {
        auto v = std::make_unique<TrpPictureView>();
        v->OwnerPage = page;
        return static_cast<TrpPictureView *>(page->AddView(std::move(v)));
    };
    TrpPictureView *source = makePicture(first);
    TrpPictureView *same = makePicture(first);
    TrpPictureView *other = makePicture(second);
    ASSERT_TRUE(source->Picture.load(rppkMetafile, redSquareWmf()));
    TrpReportLink *saved = rpObjects().Report;
    rpObjects().Report = &report;
    const TrpValue ref = source->GetProperty("Picture");
    same->SetProperty("PICTURE", ref);
    other->SetProperty("Picture", ref);
    rpObjects().Report = saved;
    for (TrpPictureView *v : {same, other}) {
        EXPECT_EQ(v->Picture.Kind, rppkMetafile);
        EXPECT_EQ(v->Picture.Data, source->Picture.Data);
        EXPECT_FALSE(v->Picture.Image.isNull());
    }
    // a number that is no picture's leaves the picture as it is
    other->SetProperty("Picture", TrpValue(-5));
    EXPECT_EQ(other->Picture.Data, source->Picture.Data);
}

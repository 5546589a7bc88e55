#include "widgets/bitbtn.h"
#include "widgets/gwtext.h"
#include "widgets/imagelist.h"
#include "widgets/shapebtn.h"
#include "platform/error.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

using namespace kv::gw;

TEST(GwEvaluator, Expressions)
{
    struct Case { const char *text; int value; };
    for (const Case &c : {Case{"10 - 2 * 3", 4}, Case{"7 / 2", 3}, Case{"2 * 3 + 4 * 5", 26},
                          Case{"20 - 5 - 3", 12}, Case{"100/7*7", 98}, Case{" 42 ", 42}, Case{"80 / 2", 40}})
        EXPECT_EQ(TgwEvaluator::Evaluate(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(GwEvaluator, ErrorsAreClean)
{
    auto message = [](const char *text) {
        try {
            TgwEvaluator::Evaluate(QString::fromLatin1(text));
        } catch (const kv::Error &e) {
            return e.message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(message("8 / 0"), QStringLiteral("Divide By Zero Error"));
    EXPECT_EQ(message("a + 1"), QStringLiteral("Only alpha characters \"+\", \"-\", \"x\", and \"/\" are allowed."));
    for (const char *bad : {"-5", "5 -", "3 * - 2", "", "3 5", "1,2", "* 4", "99999999999"})
        EXPECT_TRUE(message(bad).startsWith(QStringLiteral("Invalid expression"))) << bad << " " << qPrintable(message(bad));
}

TEST(GwShape, PolygonPoints)
{
    using P = QPolygon;
    struct Case { TgwButtonShape shape; TgwShapeOrientation o; P points; };
    const Case cases[] = {
        {bsTriangle, soUp, P({{40, 0}, {80, 40}, {0, 40}, {40, 0}})},
        {bsDiamond, soUp, P({{40, 0}, {80, 20}, {40, 40}, {0, 20}, {40, 0}})},
        {bsTrapezoid, soUp, P({{20, 0}, {60, 0}, {80, 40}, {0, 40}, {20, 0}})},
        {bsRect, soRight, P({{80, 0}, {80, 40}, {0, 40}, {0, 0}, {80, 0}})},
        {bsArrow, soUp, P({{0, 13}, {40, 0}, {80, 13}, {60, 13}, {60, 40}, {20, 40}, {20, 13}, {0, 13}})},
        {bsArrow, soRight, P({{54, 0}, {80, 20}, {54, 40}, {54, 30}, {0, 30}, {0, 10}, {54, 10}, {54, 0}})},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TgwCustomShapeBtn::PolygonPoints(c.shape, c.o, 81, 41), c.points) << int(c.shape) << " " << int(c.o);
    const QPolygon star = TgwCustomShapeBtn::PolygonPoints(bsStar, soUp, 81, 41);
    ASSERT_EQ(star.size(), 11);
    EXPECT_EQ(star[0], QPoint(40, 0));
    EXPECT_EQ(star[9].x(), 80 - star[1].x());
    EXPECT_EQ(star[4].y(), 40);
    // A one-pixel button turned has nothing to divide by.
    EXPECT_EQ(TgwCustomShapeBtn::PolygonPoints(bsArrow, soLeft, 1, 20).size(), 8);
    EXPECT_EQ(TgwCustomShapeBtn::PolygonPoints(bsArrow, soDown, 20, 1).size(), 8);
}

TEST(GwShape, CustomPoints)
{
    const QPolygon p = TgwCustomShapeBtn::CustomPoints({QStringLiteral("width / 2, 0"), QStringLiteral("WIDTH,HEIGHT"),
                                                         QStringLiteral("0,  height - 1")}, 80, 40);
    EXPECT_EQ(p, QPolygon({{40, 0}, {80, 40}, {0, 39}}));
    EXPECT_TRUE(TgwCustomShapeBtn::PolygonPoints(bsCustom, soUp, 81, 41, {QStringLiteral("1, 1"), QStringLiteral("2, 2")}).isEmpty());

    TgwShapeBtn b;
    b.resize(81, 41);
    b.SetShape(bsCustom);
    EXPECT_THROW(b.SetPointList({QStringLiteral("10 20")}), kv::Error);
    EXPECT_EQ(b.Shape(), bsRect);
    EXPECT_TRUE(b.PointList().isEmpty());
}

TEST(GwShape, KeyColourAndRegion)
{
    EXPECT_EQ(TgwCustomShapeBtn::KeyColor(clBtnFace), clRed);
    EXPECT_EQ(TgwCustomShapeBtn::KeyColor(clRed), clBlue);
    TgwShapeBtn b;
    b.resize(41, 41);
    b.SetShape(bsDiamond);
    const QRegion r = b.CreateRegion(true, false);
    EXPECT_TRUE(r.contains(QPoint(20, 20)));
    EXPECT_FALSE(r.contains(QPoint(1, 1)));
    // Stored for the state and read back as the same region.
    EXPECT_EQ(RegionFromData(b.RegionData), r);
}

TEST(GwRegionData, RoundTrip)
{
    QRegion r(QRect(1, 2, 10, 3));
    r += QRect(4, 9, 2, 2);
    const QByteArray d = RegionToData(r);
    EXPECT_EQ(d.size(), 32 + 16 * r.rectCount());
    EXPECT_EQ(RegionFromData(d), r);
    const QByteArray s = TgwCustomBitBtn::WriteRegionStream(d);
    EXPECT_EQ(TgwCustomBitBtn::ReadRegionStream(s), d);
    EXPECT_TRUE(TgwCustomBitBtn::ReadRegionStream(QByteArray("\x05\0\0\0ab", 6)).isEmpty());   // short block
    EXPECT_TRUE(RegionFromData(d.left(40)).isEmpty());
}

TEST(GwText, RotationIsNormalised)
{
    struct Case { int in, out; };
    TgwText t;
    for (const Case &c : {Case{-90, 270}, Case{360, 0}, Case{-360, 0}, Case{725, 5}, Case{-1, 359}, Case{-720, 0}}) {
        t.SetRotation(c.in);
        EXPECT_EQ(t.Rotation(), c.out) << c.in;
    }
}

TEST(GwText, AcceleratorsAndLines)
{
    TgwText t;
    t.Font = QFont(QStringLiteral("Liberation Sans"));
    t.Font.setPixelSize(12);
    const QFontMetrics fm(t.Font);
    t.SetText(QStringLiteral("A&&B"));
    EXPECT_EQ(t.TextExtent().width(), fm.horizontalAdvance(QStringLiteral("A&B")));
    t.SetText(QStringLiteral("&Open"));
    EXPECT_EQ(t.TextExtent().width(), fm.horizontalAdvance(QStringLiteral("Open")));
    t.SetOptions(0);
    EXPECT_EQ(t.TextExtent().width(), fm.horizontalAdvance(QStringLiteral("&Open")));
    t.SetText(QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(t.TextExtent().height(), 3 * fm.height() + 10);
    t.SetText(QString());
    EXPECT_EQ(t.TextExtent(), QSize(0, 0));
}

TEST(GwText, ShadowAgainstExtrusionAndStriation)
{
    TgwText t;
    t.Font = QFont(QStringLiteral("Liberation Sans"));
    t.SetText(QStringLiteral("X"));
    t.Area = QRect(0, 0, 1000, 1000);
    const QSize plain = t.RotatedExtent(true);
    t.Extrude.Enabled = true;
    t.Shadow.Enabled = true;   // offsets 10, 10 point against the bottom-right step: zeroed
    EXPECT_EQ(t.RotatedExtent(true), plain + QSize(10, 10));
    t.Extrude.NearColor = clWhite;
    t.Extrude.FarColor = clWhite;
    t.Extrude.Striated = true;
    // ((255 - 255) div 10 + 255) * 3 = 765 -> low byte 253.
    EXPECT_EQ(redOf(t.ExtrudeColor(3)), 253);
    t.Extrude.Striated = false;
    t.Extrude.FarColor = clBlack;
    EXPECT_EQ(redOf(t.ExtrudeColor(10)), 255);
    EXPECT_EQ(redOf(t.ExtrudeColor(5)), 127);
}

namespace {
struct Group {
    QWidget parent;
    TgwShapeBtn *a, *b;
    QStringList log;
    Group()
    {
        parent.resize(200, 100);
        a = new TgwShapeBtn(&parent);
        b = new TgwShapeBtn(&parent);
        a->setGeometry(0, 0, 60, 30);
        b->setGeometry(70, 0, 60, 30);
        for (TgwShapeBtn *x : {a, b}) {
            x->SetGroupIndex(1);
            x->OnSelChange = [this, x](TgwCustomBitBtn *) { log << (x == a ? "a" : "b") + QString(x->Down() ? "+" : "-"); };
            x->OnClick = [this, x](TgwCustomBitBtn *) { log << (x == a ? "click a" : "click b"); };
        }
        parent.show();
    }
};
} // namespace

TEST(GwBitBtn, GroupIsExclusive)
{
    Group g;
    g.a->SetDown(true);
    g.b->SetDown(true);
    EXPECT_FALSE(g.a->Down());
    EXPECT_TRUE(g.b->Down());
    EXPECT_EQ(g.log, QStringList({"a+", "a-", "b+"}));
    g.log.clear();
    QTest::mouseClick(g.a, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_TRUE(g.a->Down());
    EXPECT_FALSE(g.b->Down());
    EXPECT_EQ(g.log, QStringList({"b-", "a+", "click a"}));
    // Without AllowAllUp a down button stays down.
    QTest::mouseClick(g.a, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_TRUE(g.a->Down());
    g.a->SetAllowAllUp(true);
    QTest::mouseClick(g.a, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_FALSE(g.a->Down());
}

TEST(GwBitBtn, ReleaseOutsideNeitherTogglesNorClicks)
{
    Group g;
    QTest::mousePress(g.a, Qt::LeftButton, {}, QPoint(30, 15));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 15), g.a->mapToGlobal(QPointF(300, 15)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g.a, &move);
    EXPECT_FALSE(g.a->Down());
    QTest::mouseRelease(g.a, Qt::LeftButton, {}, QPoint(300, 15));
    EXPECT_FALSE(g.a->Down());
    EXPECT_FALSE(g.log.contains(QStringLiteral("click a")));
}

TEST(GwBitBtn, NoGroupIgnoresDownAndKindsFallBack)
{
    TgwShapeBtn b;
    b.SetDown(true);
    EXPECT_FALSE(b.Down());
    b.SetKind(bkOK);
    EXPECT_EQ(b.Caption(), QStringLiteral("OK"));
    EXPECT_TRUE(b.Default());
    EXPECT_EQ(b.Kind(), bkOK);
    b.SetModalResult(mrCancel);
    EXPECT_EQ(b.Kind(), bkCustom);
    EXPECT_EQ(TgwCustomBitBtn::KindCaption(bkIgnore), QStringLiteral("Про&должить"));
}

TEST(GwBitBtn, CaptionOnlyLayout)
{
    TgwShapeBtn b;
    b.resize(75, 25);
    QRect content, g, t;
    b.CalcLayout(QRect(2, 2, 71, 21), content, QSize(30, 10), g, t);
    // Margin -1 grows the content by one pixel; no glyph: spacing (0 - 6) div 2 = -3.
    EXPECT_EQ(content, QRect(1, 1, 73, 23));
    EXPECT_EQ(t.topLeft(), QPoint(37 - (30 - 3) / 2 - 3, 12 - 5));
}

TEST(GwBitBtn, GlyphCellsByState)
{
    QWidget host;
    auto *b = new TgwShapeBtn(&host);
    b->resize(40, 30);
    QImage strip(20, 10, QImage::Format_RGB32);
    strip.fill(QColor(0, 128, 128));   // lower-left pixel: transparent colour
    QPainter p(&strip);
    p.fillRect(2, 2, 6, 6, QColor(255, 0, 0));
    p.fillRect(12, 2, 6, 6, QColor(0, 0, 255));
    p.end();
    b->SetGlyph(strip);
    b->SetNumGlyphs(2);
    host.show();
    QImage face = b->RenderFace().convertToFormat(QImage::Format_RGB32);
    const QPoint spot = b->GlyphRect().topLeft() + QPoint(4, 4);
    EXPECT_EQ(face.pixel(spot), qRgb(255, 0, 0));
    b->setEnabled(false);
    face = b->RenderFace().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(face.pixel(spot), qRgb(0, 0, 255));   // the disabled cell
    b->SetNumGlyphs(1);
    b->SetGlyph(strip.copy(0, 0, 10, 10));
    face = b->RenderFace().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(face.pixel(b->GlyphRect().topLeft() + QPoint(4, 4)), toQColor(clBtnShadow).rgb());   // embossed
}

TEST(GwBitBtn, EnterClicksTheActiveDefault)
{
    QWidget w;
    auto *a = new TgwShapeBtn(&w);
    auto *b = new TgwShapeBtn(&w);
    auto *other = new QWidget(&w);
    other->setFocusPolicy(Qt::StrongFocus);
    a->setGeometry(0, 0, 50, 20);
    b->setGeometry(60, 0, 50, 20);
    a->SetOptions(boFocusable);
    b->SetOptions(boFocusable);
    a->SetDefault(true);
    b->SetCancel(true);
    QStringList log;
    a->OnClick = [&](TgwCustomBitBtn *) { log << "a"; };
    b->OnClick = [&](TgwCustomBitBtn *) { log << "b"; };
    w.show();
    QApplication::setActiveWindow(&w);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Return);
    QTest::keyClick(other, Qt::Key_Escape);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Return);   // the focused bit button is the active default now
    EXPECT_EQ(log, QStringList({"a", "b", "b"}));
}

TEST(GwText, DrawsEveryStyle)
{
    QImage img(120, 60, QImage::Format_RGB32);
    for (int style = gwlsDefault; style <= gwlsOutline; ++style)
        for (int rot : {0, 90}) {
            img.fill(Qt::white);
            QPainter p(&img);
            TgwText t;
            t.Font = QFont(QStringLiteral("Liberation Sans"));
            t.Font.setPixelSize(14);
            t.SetText(QStringLiteral("Кнопка"));
            t.SetStyle(TgwTextStyle(style));
            t.SetRotation(rot);
            t.Shadow.Enabled = style == gwlsRaised;
            t.Painter = &p;
            t.Area = img.rect();
            t.Alignment = taCenter;
            t.VAlignment = vaVCenter;
            t.Draw();
            p.end();
            int dark = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (qGray(img.pixel(x, y)) < 100)
                        ++dark;
            EXPECT_GT(dark, 20) << style << " " << rot;
        }
}

TEST(GwBitBtn, ActionImageFillsAnEmptyGlyph)
{
    kv::ImageList images(8, 8);
    QImage cell(8, 8, QImage::Format_RGB32);
    cell.fill(QColor(0, 0, 200));
    images.add(cell);
    TgwShapeBtn b;
    b.ActionChange(&images, 5);   // no such image
    EXPECT_TRUE(b.Glyph().isNull());
    b.ActionChange(&images, 0);
    ASSERT_EQ(b.Glyph().size(), QSize(8, 8));
    EXPECT_EQ(b.Glyph().pixel(3, 3), qRgb(0, 0, 200));
    TgwChangeLink link;
    int loaded = 0;
    link.OnOwnerLoaded = [&](const void *s) { loaded += (s == &b); };
    b.RegisterChanges(&link);
    b.Loaded();
    EXPECT_EQ(loaded, 1);
}

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "platform/testsupport/fakeui.h"
#include "report/core/canvas.h"
#include "report/core/clock.h"

// The report suite runs without a test main of its own for widgets: the
// drawing, printing and dialog tests need an application object.
namespace {

class GuiEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (QCoreApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef KV_SOURCE_DIR
        if (qEnvironmentVariableIsEmpty("FONTCONFIG_FILE"))
            qputenv("FONTCONFIG_FILE", KV_SOURCE_DIR "/platform/testsupport/fonts.conf");
#endif
        static int argc = 1;
        static char name[] = "kv_report_tests";
        static char *argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
};

const auto *kGuiEnv = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

QImage whiteImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    img.fill(Qt::white);
    return img;
}

QRgb px(const QImage &img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

} // namespace

TEST(CanvasColors, IntegersSystemColoursAndNone)
{
    struct Case { TrpColor in; int r, g, b; bool valid; };
    const Case cases[] = {
        {0x0000FF, 255, 0, 0, true},          // 0x00BBGGRR: red in the low byte
        {0xFF0000, 0, 0, 255, true},
        {0x123456, 0x56, 0x34, 0x12, true},
        {clBtnFace, 0xD4, 0xD0, 0xC8, true},
        {clWindow, 255, 255, 255, true},
        {clWindowText, 0, 0, 0, true},
        {clNone, 0, 0, 0, false},
        {qint32(0x800000FFu), 0, 0, 0, false}, // no such system colour
    };
    for (const Case &c : cases) {
        const QColor q = rpToQColor(c.in);
        EXPECT_EQ(q.isValid(), c.valid) << std::hex << c.in;
        if (c.valid) {
            EXPECT_EQ(q, QColor(c.r, c.g, c.b)) << std::hex << c.in;
        }
    }
    EXPECT_EQ(rpFromQColor(QColor(255, 0, 0)), 0x0000FF);
    EXPECT_EQ(rpColorToRGB(clBtnFace), rpRGB(0xD4, 0xD0, 0xC8));
}

TEST(CanvasFonts, PixelHeightRoundsAtScaleOneAndTruncatesOtherwise)
{
    EXPECT_EQ(rpFontPixelHeight(10), 13);        // 13.33
    EXPECT_EQ(rpFontPixelHeight(8), 11);         // 10.67
    EXPECT_EQ(rpFontPixelHeight(9), 12);         // 12.0
    EXPECT_EQ(rpFontPixelHeight(8, 2.0), 21);    // 21.33 cut
    EXPECT_EQ(rpFontPixelHeight(11, 0.5), 7);    // 7.33 cut
}

TEST(CanvasFonts, PrinterKeepsPointSizeOthersGetPixelHeight)
{
    QImage printerLike = whiteImage(10, 10);
    printerLike.setDotsPerMeterX(11811);          // 300 dpi
    printerLike.setDotsPerMeterY(11811);
    TrpFont font;
    font.size = 10;
    {
        TrpCanvas printer(&printerLike, TrpCanvasKind::Printer);
        printer.SetFont(font, 3.0);
        EXPECT_EQ(printer.Font.Height, 0);
        EXPECT_EQ(printer.FontPixelHeight(), 42); // 10 pt at 300 dpi
        EXPECT_EQ(printer.QtFont().pointSize(), 10);
    }
    QImage screen = whiteImage(10, 10);
    TrpCanvas canvas(&screen, TrpCanvasKind::Screen);
    canvas.SetFont(font, 1.0);
    EXPECT_EQ(canvas.Font.Height, -13);
    EXPECT_EQ(canvas.QtFont().pixelSize(), 13);
    canvas.SetFont(font, 1.5);
    EXPECT_EQ(canvas.Font.Height, -20);
}

TEST(CanvasDrawing, RectangleExcludesRightAndBottomEdge)
{
    QImage img = whiteImage(20, 20);
    {
        TrpCanvas c(&img, TrpCanvasKind::Screen);
        c.Brush.Color = clRed;
        c.Pen.Color = clBlack;
        c.Rectangle({2, 3, 10, 8});
    }
    EXPECT_EQ(px(img, 2, 3), 0u);          // outline on the first pixels
    EXPECT_EQ(px(img, 9, 7), 0u);          // and on the last ones inside
    EXPECT_EQ(px(img, 10, 7), 0xFFFFFFu);  // right edge excluded
    EXPECT_EQ(px(img, 9, 8), 0xFFFFFFu);   // bottom edge excluded
    EXPECT_EQ(px(img, 5, 5), 0xFF0000u);   // filled with the brush

    QImage fill = whiteImage(20, 20);
    {
        TrpCanvas c(&fill, TrpCanvasKind::Screen);
        c.Brush.Color = clBlack;
        c.FillRect({0, 0, 4, 4});
    }
    EXPECT_EQ(px(fill, 3, 3), 0u);
    EXPECT_EQ(px(fill, 4, 3), 0xFFFFFFu);
    EXPECT_EQ(px(fill, 3, 4), 0xFFFFFFu);
}

TEST(CanvasDrawing, LinesOmitTheLastPixel)
{
    QImage img = whiteImage(20, 20);
    {
        TrpCanvas c(&img, TrpCanvasKind::Screen);
        c.Line(0, 5, 10, 5);     // horizontal
        c.Line(15, 0, 15, 10);   // vertical
        c.Line(10, 18, 3, 18);   // drawn leftwards
    }
    EXPECT_EQ(px(img, 0, 5), 0u);
    EXPECT_EQ(px(img, 9, 5), 0u);
    EXPECT_EQ(px(img, 10, 5), 0xFFFFFFu);
    EXPECT_EQ(px(img, 15, 9), 0u);
    EXPECT_EQ(px(img, 15, 10), 0xFFFFFFu);
    EXPECT_EQ(px(img, 10, 18), 0u);
    EXPECT_EQ(px(img, 4, 18), 0u);
    EXPECT_EQ(px(img, 3, 18), 0xFFFFFFu);
}

TEST(CanvasDrawing, OpaquePenGapsTakeTheBrushColour)
{
    auto draw = [](TrpBkMode mode) {
        QImage img = whiteImage(40, 4);
        TrpCanvas c(&img, TrpCanvasKind::Screen);
        c.Pen.Style = psDot;
        c.Brush.Color = rpRGB(0, 255, 0);
        c.BkMode = mode;
        c.Line(0, 1, 40, 1);
        return img;
    };
    const QImage opaque = draw(bkOpaque), clear = draw(bkTransparent);
    int green = 0, black = 0, white = 0;
    for (int x = 0; x < 39; ++x) {
        if (px(opaque, x, 1) == 0x00FF00u) ++green;
        if (px(opaque, x, 1) == 0u) ++black;
        if (px(clear, x, 1) == 0xFFFFFFu) ++white;
    }
    EXPECT_GT(black, 5);
    EXPECT_GT(green, 5);
    EXPECT_EQ(green + black, 39);           // no white gap when opaque
    EXPECT_GT(white, 5);                   // gaps stay untouched when transparent
}

TEST(CanvasText, PlacedByTheTopOfItsCell)
{
    QImage img = whiteImage(60, 40);
    int top = -1, bottom = -1;
    {
        TrpCanvas c(&img, TrpCanvasKind::Screen);
        TrpFont f;
        f.size = 20;
        c.SetFont(f);
        c.BkMode = bkTransparent;
        c.TextOut(5, 10, QStringLiteral("ШЕ"));
    }
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                if (top < 0) top = y;
                bottom = y;
            }
    // Capital letters start a few pixels below the top of the cell and end
    // above its bottom (27 pixels for 20 points).
    ASSERT_GE(top, 0);
    EXPECT_GE(top, 10);
    EXPECT_LE(top, 18);
    EXPECT_LE(bottom, 10 + 27 + 6);
    EXPECT_GE(bottom, 10 + 15);
}

TEST(CanvasText, ClippedTextStaysInsideItsRectangle)
{
    QImage img = whiteImage(80, 30);
    {
        TrpCanvas c(&img, TrpCanvasKind::Screen);
        c.BkMode = bkTransparent;
        c.TextRect({0, 0, 20, 30}, 2, 2, QStringLiteral("WWWWWWWWWW"));
    }
    bool inside = false, outside = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            if (qGray(img.pixel(x, y)) < 200) (x < 20 ? inside : outside) = true;
    EXPECT_TRUE(inside);
    EXPECT_FALSE(outside);
}

TEST(CanvasText, RightToLeftTextStaysInItsCell)
{
    QImage img = whiteImage(80, 30);
    int w = 0;
    {
        TrpCanvas c(&img, TrpCanvasKind::Screen);
        c.BkMode = bkTransparent;
        c.RightToLeft = true;
        w = c.TextWidth(QStringLiteral("abc"));
        c.TextOut(10, 2, QStringLiteral("abc"));
    }
    int minX = 80, maxX = -1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            if (qGray(img.pixel(x, y)) < 160) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    EXPECT_GE(minX, 10);
    EXPECT_LE(maxX, 10 + w + 1);
}

TEST(CanvasText, OpaqueClippedTextPaintsTheRectangle)
{
    QImage img = whiteImage(30, 30);
    {
        TrpCanvas c(&img, TrpCanvasKind::Screen);
        c.Brush.Color = clRed;
        c.BkMode = bkOpaque;
        c.TextRect({0, 0, 20, 20}, 2, 2, QStringLiteral("."));
    }
    EXPECT_EQ(px(img, 19, 19), 0xFF0000u);
    EXPECT_EQ(px(img, 20, 19), 0xFFFFFFu);
}

TEST(CanvasText, CharacterExtraJustificationAndTurnedTextAreRecorded)
{
    TrpCanvas c(std::make_shared<TrpFixedPitchMeasurer>(6));
    TrpFont f;
    f.size = 10;
    c.SetFont(f);
    EXPECT_EQ(c.TextWidth(QStringLiteral("abc")), 18);
    c.CharExtra = 2;
    EXPECT_EQ(c.TextWidth(QStringLiteral("abc")), 24);
    c.CharExtra = 0;

    c.TextOut(10, 20, QStringLiteral("abc"));
    // 5 extra pixels over two blanks: the first gets 3, the second 2.
    c.TextOutJustified({}, 0, 40, QStringLiteral("a b c"), 5);
    c.Font.Orientation = 900;
    c.TextOut(30, 100, QStringLiteral("up"));
    c.TextRect({0, 0, 50, 50}, 1, 1, QStringLiteral("clip"));

    const QList<TrpCanvasRecord> &r = c.Records();
    ASSERT_EQ(r.size(), 6);
    EXPECT_EQ(r[0].Rect, (TrpRect{10, 20, 28, 33}));
    EXPECT_EQ(r[1].Str, QStringLiteral("a "));
    EXPECT_EQ(r[1].Rect.Left, 0);
    EXPECT_EQ(r[2].Str, QStringLiteral("b "));
    EXPECT_EQ(r[2].Rect.Left, 15);
    EXPECT_EQ(r[3].Str, QStringLiteral("c"));
    EXPECT_EQ(r[3].Rect.Left, 29);
    EXPECT_EQ(r[4].Rect, (TrpRect{30, 88, 43, 100}));   // runs upwards from y 100
    EXPECT_EQ(r[4].Font.Orientation, 900);
    EXPECT_EQ(r[5].Clip, (TrpRect{0, 0, 50, 50}));
    EXPECT_EQ(c.RecordedTexts(), (QStringList{"abc", "a ", "b ", "c", "up", "clip"}));
}

TEST(CanvasText, JustifiedRightToLeftLinePutsTheWordsInVisualOrder)
{
    // characters are 6 wide, a blank 6 plus its share of the extra pixels
    struct Case { const char *text; int extra; QStringList words; QList<int> lefts; };
    const Case cases[] = {
        // the first word read stands on the right; the second blank read gets the smaller share
        {"אבג דהו זחט", 5, {"זחט", "דהו", "אבג"}, {0, 26, 53}},
        // left-to-right words keep their order inside the line
        {"אבג abc def גדה", 3, {"גדה", "abc", "def", "אבג"}, {0, 25, 50, 75}},
        // a number stands as a left-to-right word
        {"אבג 12 דהו", 2, {"דהו", "12", "אבג"}, {0, 25, 44}},
        // a line of left-to-right words only reads as it is written
        {"one two", 4, {"one", "two"}, {0, 28}},
    };
    for (const Case &c : cases) {
        TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
        canvas.RightToLeft = true;
        canvas.TextOutJustified({}, 0, 0, QString::fromUtf8(c.text), c.extra);
        QStringList words;
        QList<int> lefts;
        for (const TrpCanvasRecord &r : canvas.Records()) {
            EXPECT_TRUE(r.RightToLeft);
            words << r.Str;
            lefts << r.Rect.Left;
        }
        EXPECT_EQ(words, c.words) << c.text;
        EXPECT_EQ(lefts, c.lefts) << c.text;
    }
}

TEST(CanvasText, RecordingKeepsLinesAndFills)
{
    TrpCanvas c(std::make_shared<TrpFixedPitchMeasurer>(6));
    c.Brush.Color = clBtnFace;
    c.FillRect({1, 2, 3, 4});
    c.Pen.Width = 3;
    c.Pen.Color = clRed;
    c.Line(0, 0, 0, 9);
    ASSERT_EQ(c.Records().size(), 2);
    EXPECT_EQ(c.Records()[0].Kind, TrpCanvasRecord::Fill);
    EXPECT_EQ(c.Records()[0].Color, clBtnFace);
    EXPECT_EQ(c.Records()[1].Kind, TrpCanvasRecord::Line);
    EXPECT_EQ(c.Records()[1].P2, QPoint(0, 9));
    EXPECT_EQ(c.Records()[1].PenWidth, 3);
}

TEST(CanvasText, LiberationFontsMeasureLikeArial)
{
    // Other suites put a fixed-pitch fake on the shared canvas: measure with Qt's metrics.
    rpSetMeasuringMeasurer(nullptr);
    TrpCanvas &m = rpMeasuringCanvas();
    TrpFont f;
    f.size = 10;
    m.SetFont(f);
    EXPECT_EQ(m.QtFont().pixelSize(), 13);
    const int w = m.TextWidth(QStringLiteral("0123456789"));
    // Arial's digits are 0.556 em wide: 10 x 13 x 0.556 = 72, hinting aside.
    EXPECT_GE(w, 68);
    EXPECT_LE(w, 76);
    EXPECT_GE(m.TextHeight(QStringLiteral("X")), 14);
    EXPECT_LE(m.TextHeight(QStringLiteral("X")), 17);
}

TEST(CanvasLinks, OnlyWebAndMailAddressesOpen)
{
    struct Case { const char *link; bool ok; };
    const Case cases[] = {
        {"http://example.com/a", true},
        {"https://example.com", true},
        {"HTTPS://example.com", true},
        {"mailto:someone@example.com", true},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"C:\\Windows\\notepad.exe", false},
        {"javascript:alert(1)", false},
        {"smb://server/share", false},
        {"http://", false},
        {"", false},
    };
    kv::test::FakeUi ui;
    for (const Case &c : cases) {
        EXPECT_EQ(rpIsOpenableLink(QString::fromUtf8(c.link)), c.ok) << c.link;
        EXPECT_EQ(rpOpenLink(ui, QString::fromUtf8(c.link)), c.ok) << c.link;
    }
    EXPECT_EQ(ui.links.size(), 4);
    // An address the desktop could not open is no success.
    ui.onLink = [](const QString &) { return false; };
    EXPECT_FALSE(rpOpenLink(ui, QStringLiteral("https://example.org/")));
}

TEST(Clock, FixedClockIsSeenAndReleased)
{
    const QDateTime at(QDate(2024, 3, 1), QTime(12, 0));
    {
        TrpFixedClock fixed(at);
        EXPECT_EQ(rpNow(), at);
        EXPECT_EQ(rpToday(), QDate(2024, 3, 1));
        EXPECT_DOUBLE_EQ(rpNowAsDays(), 45352.5);
    }
    EXPECT_NE(rpNow(), at);
}

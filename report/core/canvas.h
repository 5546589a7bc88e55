#pragma once
// The drawing surface of the report engine. Views were written for a device
// whose rectangles exclude their right and bottom edge, whose lines omit their
// last pixel, whose text is placed by the top of its cell, and whose colours
// are 32-bit integers 0x00BBGGRR; TrpCanvas gives them exactly that over
// QPainter, on a screen, a printer, an off-screen bitmap used for measuring,
// or on nothing at all while it records what would have been drawn.
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

#include "report/core/stream.h"

class QPainter;
class QPaintDevice;
namespace kv {
class Ui;
}

// ---------------------------------------------------------------- colours
using TrpColor = qint32;
constexpr TrpColor clNone = 0x1FFFFFFF;          // "no colour": no fill, no font colour
constexpr TrpColor clBlack = 0x000000;
constexpr TrpColor clWhite = 0xFFFFFF;
constexpr TrpColor clRed = 0x0000FF;
constexpr TrpColor clSystemBase = qint32(0x80000000u);   // system colours: base + index
constexpr TrpColor clBtnFace = qint32(0x8000000Fu);
constexpr TrpColor clBtnShadow = qint32(0x80000010u);
constexpr TrpColor clWindow = qint32(0x80000005u);
constexpr TrpColor clWindowText = qint32(0x80000008u);

inline constexpr TrpColor rpRGB(int r, int g, int b) { return TrpColor(r | (g << 8) | (b << 16)); }
inline constexpr int rpRed(TrpColor c) { return c & 0xFF; }
inline constexpr int rpGreen(TrpColor c) { return (c >> 8) & 0xFF; }
inline constexpr int rpBlue(TrpColor c) { return (c >> 16) & 0xFF; }
inline constexpr bool rpIsSystemColor(TrpColor c) { return (quint32(c) & 0xFF000000u) == 0x80000000u; }

// System colours resolve through one fixed table (the classic desktop
// scheme), so drawings look alike everywhere; "none" and unknown system
// indexes give an invalid QColor.
QColor rpToQColor(TrpColor c);
// The plain RGB value of a colour (system colours resolved); clNone stays clNone.
TrpColor rpColorToRGB(TrpColor c);
TrpColor rpFromQColor(const QColor &c);

// ---------------------------------------------------------------- geometry
// A rectangle as the views compute it: Right and Bottom lie just outside.
struct TrpRect
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
    bool isEmpty() const { return Right <= Left || Bottom <= Top; }
    bool contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    QRect toQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TrpRect fromQRect(const QRect &r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
    bool operator==(const TrpRect &o) const = default;
};

// ---------------------------------------------------------------- tools
enum TrpPenStyle { psSolid = 0, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TrpBrushStyle { bsSolid = 0, bsClear };
enum TrpBkMode { bkTransparent = 1, bkOpaque = 2 };

struct TrpPen
{
    TrpColor Color = clBlack;
    int Width = 1;                 // device pixels; 0 draws as 1
    TrpPenStyle Style = psSolid;
};

struct TrpBrush
{
    TrpColor Color = clWhite;
    TrpBrushStyle Style = bsSolid;
};

// The canvas font: a TrpFont plus how big it is on this device. Height < 0
// is a character height in pixels (the views' -rnd(size x 96 / 72)); 0 means
// "use Size in points" (printers). Orientation is in tenths of a degree; 900
// is text turned 90 degrees, read from bottom to top.
struct TrpCanvasFont
{
    QString Name = QStringLiteral("Arial");
    int Size = 10;                 // points
    int Height = 0;                // pixels, negative; 0 = by Size
    int Style = 0;                 // TrpFont::Style bits: bold 1, italic 2, underline 4, strike-out 8
    TrpColor Color = clBlack;
    int Charset = 1;
    int Orientation = 0;
};

// Pixel height of a point size on screens and bitmaps at a drawing scale:
// size x 96 / 72 x scale, rounded at scale 1 and truncated otherwise.
int rpFontPixelHeight(int pointSize, double scaleY = 1.0);

// ---------------------------------------------------------------- measuring
// Text measurement is injectable so that layout logic can be tested with a
// fixed-pitch fake; drawing tests use the real fonts.
class TrpTextMeasurer
{
public:
    virtual ~TrpTextMeasurer() = default;
    // Advance width of the text in device pixels, without character extra.
    virtual int TextWidth(const QFont &font, const QString &text) = 0;
    // Cell height (ascent + descent) and ascent in device pixels.
    virtual int CellHeight(const QFont &font) = 0;
    virtual int Ascent(const QFont &font) = 0;
};

// Every character `charWidth` wide; cell height = pixel size (or `height`
// when given), ascent four fifths of it.
class TrpFixedPitchMeasurer : public TrpTextMeasurer
{
public:
    explicit TrpFixedPitchMeasurer(int charWidth = 6, int height = 0) : m_w(charWidth), m_h(height) {}
    int TextWidth(const QFont &font, const QString &text) override;
    int CellHeight(const QFont &font) override;
    int Ascent(const QFont &font) override;

private:
    int m_w, m_h;
};

// Measures with Qt's font metrics on a paint device (nullptr: 96 dpi). The
// metrics of the last fonts and the widths of texts measured in them are
// kept, so a text laid out and then drawn, or a value that recurs, is
// measured once.
class TrpQtMeasurer : public TrpTextMeasurer
{
public:
    explicit TrpQtMeasurer(QPaintDevice *device = nullptr) : m_device(device) {}
    int TextWidth(const QFont &font, const QString &text) override;
    int CellHeight(const QFont &font) override;
    int Ascent(const QFont &font) override;

private:
    struct Entry
    {
        QFont font;
        QFontMetrics metrics;
        QHash<QString, int> widths, older;
    };
    static constexpr qsizetype kGeneration = 16384;
    Entry &entry(const QFont &font);
    QPaintDevice *m_device;
    std::vector<std::unique_ptr<Entry>> m_entries;
};

// ---------------------------------------------------------------- recording
// What a recording canvas saw. Text: Rect is the text's own cell (for turned
// text the cell as it lies on the page), Clip the clip rectangle of a clipped
// output (else empty). Line: from P1 to P2 as given (the last pixel is not
// drawn). Fill and Rectangle: Rect. Picture: Rect the target.
struct TrpCanvasRecord
{
    enum Op { Text, Line, Fill, Rectangle, Picture };
    Op Kind = Text;
    TrpRect Rect;
    TrpRect Clip;
    QPoint P1, P2;
    QString Str;
    TrpColor Color = clBlack;      // text: font colour; line/rectangle: pen; fill: brush
    TrpColor FillColor = clNone;   // rectangle: brush colour (clNone when clear)
    int PenWidth = 1;
    TrpPenStyle PenStyle = psSolid;
    TrpCanvasFont Font;
    int CharExtra = 0;
    bool Opaque = false;           // background mode opaque
    bool RightToLeft = false;      // text in right-to-left reading order
};

// ---------------------------------------------------------------- canvas
enum class TrpCanvasKind { Screen, Printer, Measuring, Recording };

class TrpCanvas
{
public:
    // Paints on a device with a painter of its own (begun here, ended on destruction).
    TrpCanvas(QPaintDevice *device, TrpCanvasKind kind);
    // Paints through a painter that someone else owns (a widget's paint event,
    // a print job); the painter's state is saved and restored.
    TrpCanvas(QPainter *painter, TrpCanvasKind kind);
    // A recording canvas; measures with the given measurer (nullptr: Qt at 96 dpi).
    explicit TrpCanvas(std::shared_ptr<TrpTextMeasurer> measurer = nullptr);
    ~TrpCanvas();
    TrpCanvas(const TrpCanvas &) = delete;
    TrpCanvas &operator=(const TrpCanvas &) = delete;

    TrpCanvasKind Kind() const { return m_kind; }
    bool IsPrinter() const { return m_kind == TrpCanvasKind::Printer; }
    QPainter *Painter() const { return m_painter; }
    QPaintDevice *Device() const { return m_device; }
    // Device resolution (96 for screens, bitmaps and recording).
    int DpiX() const;
    int DpiY() const;

    void SetMeasurer(std::shared_ptr<TrpTextMeasurer> measurer);
    TrpTextMeasurer &Measurer() const { return *m_measurer; }

    // Tools, as the views set them before drawing.
    TrpPen Pen;
    TrpBrush Brush;
    TrpCanvasFont Font;
    TrpBkMode BkMode = bkOpaque;
    // Extra pixels after every character of TextOut/TextRect/TextWidth.
    int CharExtra = 0;
    // Text in right-to-left reading order (the cell stays where it is).
    bool RightToLeft = false;

    // Sets Font from a stream font: on a printer the point size is kept, on
    // other canvases the height becomes -rpFontPixelHeight(size, scaleY).
    void SetFont(const TrpFont &font, double scaleY = 1.0);
    // The QFont that Font stands for on this device.
    QFont QtFont() const;
    // Character height of the current font in pixels (|Height|, or the
    // point size converted with DpiY).
    int FontPixelHeight() const;

    // Rectangles exclude Right and Bottom. FillRect paints with the brush;
    // Rectangle outlines with the pen and fills inside with the brush.
    void FillRect(const TrpRect &r);
    void Rectangle(const TrpRect &r);
    // Lines omit their last pixel.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Line(int x1, int y1, int x2, int y2) { MoveTo(x1, y1); LineTo(x2, y2); }

    // Text placed by the top-left corner of its cell (for turned text: the
    // text starts at (x, y) and runs upwards, its cell to the right of x).
    // The opaque background mode paints the cell with the brush colour.
    void TextOut(int x, int y, const QString &text);
    // Text clipped to a rectangle; with an opaque background the rectangle is
    // painted with the brush colour first.
    void TextRect(const TrpRect &clip, int x, int y, const QString &text);
    // Spreads `extra` pixels over the blanks (32 and 160) of the text: each
    // blank gets extra / blanks, the first extra mod blanks one more. No
    // blanks: as TextRect. A null clip draws unclipped. In right-to-left
    // reading order the words stand in their visual order from the left.
    void TextOutJustified(const TrpRect &clip, int x, int y, const QString &text, int extra);
    // Width including CharExtra for every character; height of the cell.
    int TextWidth(const QString &text) const;
    int TextHeight(const QString &text) const;

    // Pictures: stretched into the target.
    void StretchDraw(const TrpRect &target, const QImage &image);

    // Clipping of everything drawn; a null rectangle lifts it.
    void SetClipRect(const TrpRect &r);
    void ResetClip();
    bool HasClip() const { return m_hasClip; }
    TrpRect ClipRect() const { return m_clip; }
    // Whether a rectangle is at least partly inside the clip area (or the device).
    bool RectVisible(const TrpRect &r) const;

    // The records of a recording canvas (empty for the other kinds).
    const QList<TrpCanvasRecord> &Records() const { return m_records; }
    void ClearRecords() { m_records.clear(); }
    // Texts of the Text records in order (for search and for tests).
    QStringList RecordedTexts() const;

private:
    void applyPen();
    void applyBrushBackground();
    void drawTextAt(int x, int y, const QString &text, const TrpRect *clip);
    void justifyRightToLeft(const TrpRect *clip, int x, int y, const QString &text, int extra, int blanks);
    void record(TrpCanvasRecord rec);

    TrpCanvasKind m_kind;
    QPaintDevice *m_device = nullptr;
    QPainter *m_painter = nullptr;
    bool m_ownsPainter = false;
    std::shared_ptr<TrpTextMeasurer> m_measurer;
    // QtFont() of the font it was last built for.
    mutable QFont m_qtFont;
    mutable TrpCanvasFont m_qtFontOf;
    mutable bool m_qtFontValid = false;
    QPoint m_pos;
    bool m_hasClip = false;
    TrpRect m_clip;
    QList<TrpCanvasRecord> m_records;
};

// The engine's measuring canvas: one off-screen 96-dpi bitmap that serves all
// measuring. rpSetMeasuringMeasurer swaps its measurer (tests use a
// fixed-pitch fake); nullptr restores Qt's metrics.
TrpCanvas &rpMeasuringCanvas();
void rpSetMeasuringMeasurer(std::shared_ptr<TrpTextMeasurer> measurer);

// ---------------------------------------------------------------- links
// Links of prepared pages open only as http, https or mailto addresses;
// anything else (files, programs, other schemes) is refused.
bool rpIsOpenableLink(const QString &link);
// Opens an allowed link through the user interface; false when refused or
// failed.
bool rpOpenLink(kv::Ui &ui, const QString &link);

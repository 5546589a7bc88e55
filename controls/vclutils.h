#pragma once
// Routines shared by the extended controls: the nestable wait cursor, text
// shortening with "...", cell-text painting, colour-keyed and embossed glyphs.
#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QList>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;
class QWidget;

namespace kv {

inline int MaxInt(int a, int b) { return a > b ? a : b; }
inline int MinInt(int a, int b) { return a < b ? a : b; }

// Text measurement behind layout decisions, so logic tests can use a
// fixed-pitch fake instead of real fonts.
class ExTextMetrics
{
public:
    virtual ~ExTextMetrics() = default;
    virtual int textWidth(const QString &text) const = 0;
    virtual int lineHeight() const = 0;
    // Size of the text laid out in a box `width` wide (lines split at '\n';
    // with wordWrap also at blanks so that no line is wider than `width`).
    virtual QSize textSize(const QString &text, int width, bool wordWrap) const;
};

// Real fonts.
class ExFontMetrics : public ExTextMetrics
{
public:
    explicit ExFontMetrics(const QFont &font) : m_font(font) {}
    int textWidth(const QString &text) const override;
    int lineHeight() const override;
    QSize textSize(const QString &text, int width, bool wordWrap) const override;

private:
    QFont m_font;
};

// Fixed pitch: every character is `charWidth` wide, a line `lineHeight` high.
class ExFixedMetrics : public ExTextMetrics
{
public:
    ExFixedMetrics(int charWidth = 6, int lineH = 13) : m_cw(charWidth), m_lh(lineH) {}
    int textWidth(const QString &text) const override { return int(text.size()) * m_cw; }
    int lineHeight() const override { return m_lh; }

private:
    int m_cw, m_lh;
};

// The text, cut until it fits maxWidth: the first max(0, len - i - 1)
// characters followed by "..."; the shortest form when nothing fits.
QString ShortenTextToWidth(const QString &text, const ExTextMetrics &m, int maxWidth);

// Cell text. `align` is Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
enum class CellVAlign { Top, Center, Bottom };
// Vertical indent of a grid cell text: top 2, centre max(1,(H-h)/2), bottom max(2,H-h).
int GridCellIndentY(CellVAlign v, int cellHeight, int textHeight);
// Where a single-line text starts when drawn straight onto the canvas.
int CellTextX(const QRect &cell, int dx, int textWidth, Qt::Alignment align);
// Whether the text goes through the wrapping path (word wrap, or a line break).
bool CellTextNeedsBox(const QString &text, bool wordWrap);
void PaintCellText(QPainter &p, const QRect &cell, int dx, int dy, const QString &text,
                   Qt::Alignment align, bool wordWrap, bool rightToLeft = false);
// The grid form: DY from the vertical alignment and the height of "W", DX 2.
void DrawGridCellText(QPainter &p, const QRect &cell, const QString &text, Qt::Alignment align,
                      CellVAlign v, bool wordWrap, bool rightToLeft = false);
// The short form: word wrap exactly when centred.
void DrawGridCellText(QPainter &p, const QRect &cell, const QString &text, Qt::Alignment align,
                      CellVAlign v);

// Colour-keyed drawing. An invalid key colour means a plain copy; for a
// one-bit (mono) image the key is white. A source rect with width or height
// below 1 means the whole image, a destination one the image's size.
QColor BottomLeftColor(const QImage &img);
QImage KeyedImage(const QImage &src, const QColor &key);   // ARGB, key pixels transparent
void StretchBitmapKeyed(QPainter &p, QRect dest, const QImage &bmp, QRect src, const QColor &key);
void DrawBitmapKeyed(QPainter &p, int x, int y, const QImage &bmp, const QColor &key);

// The embossed (disabled) look: where the source has the key colour the mask
// is set; the result is background, the mask in highlight at (1,1) when asked,
// then the mask in shadow at (0,0).
QImage MakeEmbossedBitmap(const QImage &src, const QColor &key, const QColor &background,
                          bool withHighlight, const QColor &shadow, const QColor &highlight);
// Black parts of a glyph in button shadow with a highlight copy, on button face.
QImage MakeDisabledGlyph(const QImage &src, const QColor &key = QColor(0, 0, 0));

// The program's two extra screen cursors (numbers 14000 and 14001).
QCursor HandCursor();
QCursor DragHandCursor();
// True when the active window belongs to this program.
bool IsOwnThreadActive();

// Icons. Bytes of one bitmap line: ((bits + 31) div 32) * 4.
int ScanLineBytes(int bitsPerLine);
// Colour table entries for 1, 4 and 8 bits per pixel; 0 otherwise.
int PaletteSizeOfBitCount(int bits);
// The image of an icon file that best fits a display of `displayColors`
// colours (0 for true colour), from the colour counts of its directory: an
// equal count at once; otherwise the first not above the display's, replaced
// by any later one with more colours than it; else the first image.
int BestIconImage(const QList<int> &colorCounts, int displayColors);
// Width and height of an icon; the standard 32 x 32 when it has none.
QSize MeasureIcon(const QIcon &icon);

// System colours of the button face, as the controls paint them.
QColor BtnFaceColor();
QColor BtnHighlightColor();
QColor BtnShadowColor();
QColor WindowFrameColor();
QColor BtnTextColor();
QColor GrayTextColor();

} // namespace kv

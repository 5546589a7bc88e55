#pragma once
// Free routines shared by the widgets: string pieces for the colour lists,
// colour arithmetic, glyph/caption layout, dithering, regions and the
// stepwise movement of controls.
#include "widgets/gwcolors.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QWidget;
class QObject;
struct QMetaObject;

namespace kv { class ImageList; }

namespace kv::gw {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TgwLayout { loVertical, loHorizontal };

// --- class-name tests --------------------------------------------------------
bool InheritsFromName(const QMetaObject *cls, const QString &name);
bool InheritsFromName(const QObject *obj, const QString &name);
bool InGrid(const QWidget *control);
// The companion library's data grid and record inspector: no window of this
// program holds one, so these only ever answer for foreign hosts.
extern const char *const kDataGridClassName;
extern const char *const kInspectorClassName;
bool InFocusedDBGrid(const QWidget *control);
bool InDataInspector(const QWidget *control);
bool InDataInspectorPaintCopy(const QWidget *control);
int GridOptionsByte(const QWidget *control);
// The integer value of the object's property of that name; 0 when it has none.
int OrdPropByName(const QObject *obj, const char *name);

// --- strings -----------------------------------------------------------------
QString TrimLeftTabs(const QString &s);
QString TrimRightTabs(const QString &s);
QString TrimTabs(const QString &s);
struct ColorParts { int top, blue, green, red; };
ColorParts SplitColor(Color c);
QString HexRGB(int r, int g, int b);
QString ColorToRGBText(Color c);
QString NameAt(const QStringList &list, int index);
QString ValueAt(const QStringList &list, int index);
// The value of line `index` read as a hexadecimal colour; clNone when it is not one.
Color ColorValueAt(const QStringList &list, int index);
int IndexOfValue(const QString &text, const QStringList &list);
int IndexOfNameText(const QString &text, const QStringList &list);
void SortStrings(QStringList &list, int low, int high,
                 const std::function<bool(const QString &, const QString &)> &less);
// 1-based positions as the system's string routines use them.
QString CopyBetween(const QString &s, int from, int upto);
int PosFrom(const QString &sub, const QString &s, int start);
int PosOfOccurrence(const QString &sub, const QString &s, int k);
int PieceCount(const QString &s, const QString &delim);
QString Piece(const QString &s, const QString &delim, int k);
int PieceIndex(const QString &s, const QString &delim, const QString &text);
QString StripAccelerators(const QString &s);
QString UniqueComponentName(const QObject *owner, const QString &base);

// --- small routines ----------------------------------------------------------
inline int IfInt(bool flag, int a, int b) { return flag ? a : b; }
void SetFlagBit(bool on, int &flags, int bit);
int BrightestChannel(Color c);
// Largest rectangle of proportion w:h at r's top-left inside r; an empty
// rectangle at r's top-left when w or h is not positive.
QRect FitProportional(const QRect &r, int w, int h);
// Lines at CR LF (or LF); widest line, heights summed with lineSpacing between.
QSize MultiLineExtent(const QFont &font, const QString &text, int lineSpacing, int wrapWidth = 0);
int KeyShiftState();   // bit 0 Shift, bit 1 Alt, bit 2 Ctrl

// --- colours -----------------------------------------------------------------
Color StepColor(Color c, int amount, bool percent);

// --- layout ------------------------------------------------------------------
// Positions glyph and caption as one block centred on `centre`.
void ButtonLayout(const QPoint &centre, QRect &textR, QRect &glyphR, int spacing,
                  TButtonLayout layout, const QSize &glyphSize, const QSize &textSize);

// --- drawing -----------------------------------------------------------------
// 8x8 checkerboard: pixels with even x+y in color1, odd in color2; color1
// clNone leaves the even pixels untouched. color2 clNone is refused.
void DitherFill(QPainter &p, const QRect &r, Color color1, Color color2);
void DitherFill(QImage &image, const QRect &r, Color color1, Color color2);
void DrawImageListItem(const kv::ImageList *list, int index, QPainter &p, bool enabled, int x, int y);
// Every pixel whose colour differs from `color` (-1: the top-left pixel).
QRegion RegionFromBitmap(const QImage &image, Color color);
void DrawEllipsisButton(QPainter &p, const QRect &r, int state, int flags);
void DrawComboArrow(QPainter &p, const QRect &r, bool pressed, int flags, bool enabled);
void Frame3D(QPainter &p, QRect &r, const QColor &topLeft, const QColor &bottomRight, int width);

// --- stepwise movement ---------------------------------------------------------
struct TgwAnimatedItem {
    QWidget *Control = nullptr;
    QRect Start, End, Before;
};
struct TgwAnimationEntry {
    TgwAnimatedItem Primary;
    TgwAnimatedItem Partner;   // Control null when there is none
};
using TgwAnimateCallback = std::function<void(QWidget *, const QRect &)>;
// The rectangle of step k of `steps` between start and end.
QRect AnimationStep(const QRect &start, const QRect &end, int k, int steps);
// Moves every entry in `steps` steps, sleeping `interval` ms between them and
// letting pending events through; the last step lands exactly on the ends.
void AnimateControls(QList<TgwAnimationEntry> &list, const TgwAnimateCallback &callback,
                     int steps, int interval);

} // namespace kv::gw

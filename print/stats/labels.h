#pragma once
// Stickers of parts and off-cuts: the parallel lists a label dialog prints
// (one entry per piece), filled from a variant's maps or a part base's table,
// the text of one sticker, the sticker settings kept in the settings file,
// and how many stickers a page holds.
#include "print/stats/sums.h"

#include <QStringList>

namespace kv {

class DataSet;
class TIniFile;

// Part dialog: names, sizes, material names, comments, edge texts.
struct DetalLabelLists
{
    QStringList names, sizes, materials, comments, edges;
    void clear() { names.clear(), sizes.clear(), materials.clear(), comments.clear(), edges.clear(); }
    int count() const { return int(names.size()); }
};
// Off-cut dialog: names, sizes, material names, comments.
struct ScrapsLabelLists
{
    QStringList names, sizes, materials, comments;
    void clear() { names.clear(), sizes.clear(), materials.clear(), comments.clear(); }
    int count() const { return int(names.size()); }
};

// "л: name\r" for left, "пр: " right, "в: " top, "н: " bottom, in that
// order, for each side whose code is above 0.
QString EdgeLabelText(int left, int right, int top, int bottom, const StatLookups &lookups);

// One sticker per part and per sheet cut by its map (visible tabs only).
DetalLabelLists GetDetalsLabels(const MapDocument &doc, const StatLookups &lookups);
// One sticker per usable off-cut and per sheet cut by its map (visible tabs only).
ScrapsLabelLists GetScrapsLabels(const MapDocument &doc, const StatLookups &lookups);
// One sticker per copy of every row of a part-base table (Name, Length,
// Width, Many, Material, LBorder, RBorder, TBorder, BBorder), from its first
// row; the position is kept.
DetalLabelLists PartBaseLabels(DataSet &parts, const StatLookups &lookups);

// What a sticker shows.
struct LabelSettings
{
    int width = 45, height = 15;   // mm
    bool name = true, dim = true, material = true, comment = true, borders = true;
    bool drawBorder = true, wordWrap = false;
    int alignment = 0;             // 0 left, 1 right, 2 centre
    QString fontName = QStringLiteral("Ms Sans Serif");
    int fontSize = 10;
    bool bold = false, italic = false;
    int charset = 204;
    bool operator==(const LabelSettings &) const = default;
};
inline const QString kDetalsLabelSection = QStringLiteral("Print_Detals_Label");
inline const QString kScrapsLabelSection = QStringLiteral("Print_Scraps_Label");
inline const QString kLabelPageSection = QStringLiteral("Lbl_PageParams");
// `borders` is read and written only for parts.
LabelSettings ReadLabelSettings(const TIniFile &ini, const QString &section, bool parts);
void WriteLabelSettings(TIniFile &ini, const QString &section, bool parts, const LabelSettings &s);

// The text of sticker i (CR between lines).
QString DetalLabelText(const DetalLabelLists &l, int i, const LabelSettings &s);
QString ScrapLabelText(const ScrapsLabelLists &l, int i, const LabelSettings &s);

// Stickers on a page of `printableWidth` x `printableHeight` (report units):
// whole stickers per row and rows per page. A size of 0 or one that fits no
// sticker on the page is refused with the message the user sees.
struct LabelGrid
{
    int cellWidth = 0, cellHeight = 0;   // report units
    int columns = 0, rows = 0;
    QString error;                       // empty when the stickers fit
    bool ok() const { return error.isEmpty(); }
    int perPage() const { return columns * rows; }
    int pages(int stickers) const { return ok() && stickers > 0 ? (stickers + perPage() - 1) / perPage() : 0; }
};
LabelGrid LabelLayout(int widthMm, int heightMm, int printableWidth, int printableHeight);
// Millimetres in report units (mm / 5 x 18).
double LabelUnits(int mm);

namespace labeltext {
inline constexpr const char *ZeroSize = "Размер ярлычка должен быть больше нуля.";
inline constexpr const char *TooLarge = "Ярлычок такого размера не помещается на странице.";
inline constexpr const char *ListError = "Ошибка создания списка деталей.";
} // namespace labeltext

} // namespace kv

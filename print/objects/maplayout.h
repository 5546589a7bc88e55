#pragma once
// Where the name and the dimensions of a map item go: a pure function of the
// item's device rectangle, its texts and their measured widths, so the
// choice between the spread, one-line and two-line layouts is tested without
// fonts.
#include <QList>
#include <QString>

#include <functional>

namespace kv {

// What the layout needs measured in the item's font.
struct MapTextMetrics
{
    int textHeight = 0;   // height of "A"
    int nameWidth = 0;    // width of the name (0 without the name)
    int widthWidth = 0;   // width of the decimal width (0 without dimensions)
    int heightWidth = 0;  // width of the decimal height (0 without dimensions)
    int xWidth = 0;       // width of "x"
};

struct MapTextItem
{
    int x = 0, y = 0;         // top-left of the box
    int boxW = 0, boxH = 0;
    QString text;
    int align = 0;            // 0 left (vertical: from the bottom), 1 right, 2 centre
    bool vertical = false;    // written upwards
    bool operator==(const MapTextItem &) const = default;
};

struct MapTextInput
{
    int left = 0, top = 0, w = 0, h = 0;    // device rectangle (w, h as the item is drawn)
    QString name;
    int width = 0, height = 0;              // the item's size in millimetres
    bool showTitle = false, showDim = false, truncText = false;
};

// The texts to write, in drawing order; empty when neither name nor
// dimensions are asked for. `measure` gives the width of a line in the
// item's font.
QList<MapTextItem> LayoutMapText(const MapTextInput &in, const MapTextMetrics &m,
                                 const std::function<int(const QString &)> &measure);

} // namespace kv

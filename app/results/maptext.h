#pragma once
// Where the texts of a part or an off-cut go on its control: a pure function
// of the values, the control's pixel size and the font's measurements, so
// the decisions are tested with a fixed-pitch fake.
#include "data/maps/mapdoc.h"

#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QFont;

struct TextMeasure
{
    std::function<int(const QString &)> width; // pixel width of a text
    int height = 0;                            // height of the text "A"
};
// Measurement with the metrics of a real font.
TextMeasure FontMeasure(const QFont &font);

struct TextOp
{
    QString text;
    int x = 0, y = 0;  // top-left of the text cell; a turned text starts at y and reads upwards
    bool turned = false;
    QRect clip;        // empty: not clipped
    bool operator==(const TextOp &) const = default;
};

// A part of pixel size w x h.
std::vector<TextOp> LayoutDetalText(const kv::MapPart &p, int w, int h, const TextMeasure &m);
// An off-cut of pixel size w x h.
std::vector<TextOp> LayoutScrapText(const kv::MapScrap &s, int w, int h, const TextMeasure &m);

// Edge-banding marks: the middle third of each banded side.
struct BorderMark
{
    int x1, y1, x2, y2;
    kv::MapColor color;
    bool operator==(const BorderMark &) const = default;
};
std::vector<BorderMark> LayoutBorderMarks(const kv::MapPart &p, int w, int h);

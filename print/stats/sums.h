#pragma once
// The figures of a cutting variant read from its map document: totals over
// the visible tabs (each map counted as often as it is cut), the parts of one
// sheet with identical parts merged, edge-banding use per sheet and per
// variant, the off-cut totals per material, and the texts that show them.
// Areas are mm², lengths mm; sums are 64-bit integers or doubles, so a job of
// many large sheets never wraps.
#include "data/maps/mapdoc.h"
#include "data/materials/borders.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace kv {

// What the figures need from the materials and edge-banding bases.
struct StatLookups
{
    std::function<QString(int code)> materialName;   // empty when unknown
    std::function<QString(int code)> borderName;     // empty when unknown
    std::function<int(int code)> borderAllowance;    // mm, 0 when unknown
    std::function<bool(int code)> borderKnown;       // in the edge-banding list

    QString MaterialName(int code) const { return materialName ? materialName(code) : QString(); }
    QString BorderName(int code) const { return borderName ? borderName(code) : QString(); }
    int BorderAllowance(int code) const { return borderAllowance ? borderAllowance(code) : 0; }
    bool BorderKnown(int code) const { return borderKnown ? borderKnown(code) : code == 0; }

    // From the program's edge-banding base (the service must outlive the result).
    static StatLookups FromBorders(const BordersService &borders,
                                   std::function<QString(int code)> materialName);
};

// Whether a tab takes part in the figures of the statistics.
inline bool CountsInStatistics(const MapTab &t) { return t.Visible; }

// Totals of the visible tabs (see MapDocument::Totals).
inline MapTotals VariantTotals(const MapDocument &doc) { return doc.Totals(); }

// One group of identical parts on one sheet: same name (case-sensitive),
// same size as laid out, same edge banding.
struct SheetPartGroup
{
    QString name;
    int32_t width = 0, height = 0;
    int64_t count = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    QString edges() const;   // "left,top,right,bottom"
    bool operator==(const SheetPartGroup &) const = default;
};

// "0,3,0,3": the codes left, top, right, bottom as decimal integers.
QString BordersToText(int left, int top, int right, int bottom);

// The parts of one map, identical ones merged, in order of first appearance.
std::vector<SheetPartGroup> GetSheetDetals(const MapTab &tab);

// Edge banding of one sheet: left and right sides count the height, top and
// bottom the width, each plus the code's allowance; codes in order of first
// appearance; codes not in the edge-banding list are dropped.
BorderTotals SumBordersLength(const std::vector<SheetPartGroup> &parts, const StatLookups &lookups);
// The same over the visible tabs of a variant, each map `Quantity` times.
// Code 0 is kept, like any other code in the list.
BorderTotals MapsBordersLength(const MapDocument &doc, const StatLookups &lookups);
// The lines whose code is 0 removed.
BorderTotals WithoutNoBorder(const BorderTotals &t);

// Off-cut totals per material over every tab (hidden ones too), sorted by name.
struct MaterialData
{
    int code = 0;
    QString name;
    double scrap = 0;   // mm², usable off-cuts
    double lost = 0;    // mm², waste
    bool operator==(const MaterialData &) const = default;
};
QList<MaterialData> BuildScrapsInfo(const MapDocument &doc, const StatLookups &lookups);

// --- texts -----------------------------------------------------------------

QString AreaText(double mm2);       // "1.234 кв м"
QString LengthText(double mm);      // "12.34 м"
QString ShareText(double part, double whole);   // "12.34": 0 of a zero whole
QString ScrapsInfoArea(double mm2); // "#0.000" m², always three decimals

// The window's figures of a variant, in the order of its labels.
struct VariantFigures
{
    QString lost, scrap, total, detals, millCount, millLength;
};
VariantFigures FiguresOf(const MapTotals &t);

// One line per edge-banding line: "name: 1.23 м", each ended by CR.
QString BordersLines(const BorderTotals &t, const StatLookups &lookups);

// The variables of the statistics report: the totals of the variant ...
QString TotalDataText(const MapDocument &doc, const BorderTotals &variantBorders, const StatLookups &lookups);
// ... and one map, for one sheet. `number` is the record number.
struct SheetReportTexts
{
    QString sheetInfo, lostScrap, scrap, totalScrap, millLinesCount, millLinesLength, bordersList;
};
SheetReportTexts SheetTexts(const MapTab &tab, const StatLookups &lookups);

} // namespace kv

#pragma once
// The map document of a results window: one tab per cutting map with every
// value the map controls show, the window's display settings and its list of
// standard sheets used. The map controls paint and hit-test this value; the
// map files, acceptance into the warehouse, statistics and printing read it.
// Sizes and positions are whole millimetres, areas square millimetres.
#include "data/settings.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace kv::engine {
class TSheetsList;
class TDetalsList;
} // namespace kv::engine

namespace kv {

// Colours are the files' 32-bit values (0x00BBGGRR, system colours 0x800000nn).
using MapColor = uint32_t;
inline constexpr MapColor kAppWorkspaceColor = 0x8000000Cu;
inline constexpr int32_t kMapAllMaterials = 999;

enum TScrapType : int { stLostScrap = 0, stNormalScrap = 1 };

// A laid-out part (TDetalCtrl).
struct MapPart
{
    int32_t RealLeft = 0, RealTop = 0, RealWidth = 0, RealHeight = 0; // as laid out (turned: swapped)
    QString Title;                                                     // part code
    int32_t LeftBorder = 0, RightBorder = 0, TopBorder = 0, BottomBorder = 0; // banding codes as drawn
    MapColor FrameColor = 0;
    MapColor BrushColor = 0xFFFFFF;
    MapColor LeftBorderColor = 0xFF0000, RightBorderColor = 0xFF0000, TopBorderColor = 0xFF0000,
             BottomBorderColor = 0xFF0000;
    bool ShowBorder = true, ShowTitle = true, ShowDim = true;

    int64_t Area() const { return int64_t(RealWidth) * RealHeight; }
    bool operator==(const MapPart &) const = default;
};

// A free rectangle left by the map: usable off-cut or waste (TScrapCtrl).
struct MapScrap
{
    int32_t RealLeft = 0, RealTop = 0, RealWidth = 0, RealHeight = 0;
    QString Text;       // drawn label: "Отход", "Остаток" or the code
    QString ScrapName;  // off-cut code given by the user or automatic marking
    bool ShowDim = false, ShowText = false;
    TScrapType ScrapType = stLostScrap;
    MapColor Color = 0;

    int64_t Area() const { return int64_t(RealWidth) * RealHeight; }
    bool operator==(const MapScrap &) const = default;
};

// A saw cut (TMillLineCtrl): horizontal has RealWidth = length, RealHeight = kerf.
struct MapCut
{
    int32_t RealLeft = 0, RealTop = 0, RealWidth = 0, RealHeight = 0;
    bool MillOrient = false; // true: horizontal
    MapColor Color = 0;
    bool Visible = true;

    int32_t Length() const { return MillOrient ? RealWidth : RealHeight; }
    int32_t Kerf() const { return MillOrient ? RealHeight : RealWidth; }
    bool operator==(const MapCut &) const = default;
};

// One tab: the sheet (TSheetCtrl) with its parts, off-cuts and cuts in
// creation order.
struct MapTab
{
    int32_t MaterialCode = 0;  // the tab's tag
    QString Caption;
    bool Visible = true;       // the navigator hides the tabs of other materials

    int32_t RealWidth = 0, RealHeight = 0; // sheet length (X) and width (Y)
    MapColor Color = kAppWorkspaceColor;
    bool IsScraps = false;     // cut from an off-cut of the stock
    QString SheetName;
    int32_t MillSize = 0;      // kerf
    QString Remark;
    int32_t Quantity = 1;      // sheets cut by this map
    int32_t MillLinesCount = 0;
    double MillLinesLength = 0;
    double DetalsSquare = 0, ScrapSquare = 0, LostSquare = 0, TotalSquare = 0;

    std::vector<MapPart> Parts;
    std::vector<MapScrap> Scraps;
    std::vector<MapCut> Cuts;

    int64_t SheetArea() const { return int64_t(RealWidth) * RealHeight; }
    bool operator==(const MapTab &) const = default;
};

struct MapColors
{
    MapColor Sheet = kAppWorkspaceColor;
    MapColor Detal = 0xFFFFFF;
    MapColor Mill = 0xFF0000;
    MapColor Lost = 0;
    MapColor Scrap = 255;
    MapColor Border = 0xFF00FF; // read, not used by the map
    bool operator==(const MapColors &) const = default;
};
// Section "Default" of the settings file.
MapColors ReadMapColors(const TIniFile &settings);

// Display settings of a results window.
struct MapDisplay
{
    int MillLinesMode = 0;      // 0 none, 1 all, 2 the last tab
    bool ShowBorders = false;   // edge-banding marks
    bool ShowScrapsText = false; // off-cut labels and dimensions
    bool ShowHints = false;
    bool ShowTitles = true, ShowDims = true; // part codes and dimensions
    MapColors Colors;
    IniFont Font = DefaultMapFont();
    bool operator==(const MapDisplay &) const = default;

    static IniFont DefaultMapFont();
};
// A cut-line mode outside 0..2 counts as 0.
int NormalizeMillLinesMode(int mode);

// The standard sheets a job counted against the stock, per limited material.
class TUsingSheets
{
public:
    struct Entry
    {
        int32_t Code = 0, Length = 0, Width = 0, Remaining = 0, Initial = 0;
        bool operator==(const Entry &) const = default;
    };
    void Clear() { m_entries.clear(); }
    void Add(int32_t code, int32_t length, int32_t width, int32_t remaining, int32_t initial)
    {
        m_entries.push_back({code, length, width, remaining, initial});
    }
    // Every entry of that code and size takes the remaining quantity.
    void SetQuantity(int32_t code, int32_t length, int32_t width, int32_t remaining);
    int Count() const { return int(m_entries.size()); }
    const Entry &operator[](int i) const { return m_entries[size_t(i)]; }
    const std::vector<Entry> &Entries() const { return m_entries; }
    bool operator==(const TUsingSheets &) const = default;

private:
    std::vector<Entry> m_entries;
};

// When an off-cut counts as usable: the material's limits as the engine
// holds them (a switched-off limit is 0, a switched-off area side the
// largest integer).
struct TScrapLimits
{
    bool Combined = false;   // CheckLogicSumma
    int32_t Length = 0, Width = 0;
    int64_t Square = 0;
    int32_t SquareWidth = INT32_MAX, SquareHeight = INT32_MAX;
};
TScrapLimits ScrapLimitsOf(const TIniFile &settings, int materialCode);
bool IsWasteScrap(int32_t w, int32_t h, const TScrapLimits &l);

// What recolouring needs from outside: the limits of a material and the
// colour of an edge-banding code (the part colour when it has none).
struct MapEnvironment
{
    std::function<TScrapLimits(int32_t materialCode)> scrapLimits;
    std::function<MapColors()> colors;                          // reread per material; empty: keep
    std::function<MapColor(int32_t borderCode, MapColor def)> borderColor; // empty: def
};

// Totals over the visible tabs, each map counted Quantity times.
struct MapTotals
{
    double LostSquare = 0, ScrapSquare = 0, TotalSquare = 0, DetalsSquare = 0; // mm²
    int64_t MillCount = 0;
    double MillLength = 0;  // mm
    double SheetArea = 0;   // mm², what percentages are taken of
};

class MapDocument
{
public:
    QString Caption;         // variant caption
    QString FileName;        // empty until saved or loaded
    bool Modified = true;
    MapDisplay Display;
    std::vector<MapTab> Tabs;
    TUsingSheets UsingSheets;
    std::vector<int32_t> MaterialCodes; // materials of the job, for the navigator
    int32_t CurrentMaterial = kMapAllMaterials;
    int32_t LastSheetWidth = 0, LastSheetHeight = 0; // older files: fallback for scaling

    MapTotals Totals() const;
    double SumLostSquare() const { return Totals().LostSquare; }
    double SumScrapSquare() const { return Totals().ScrapSquare; }
    double SumTotalSquare() const { return Totals().TotalSquare; }
    double SumDetalsSquare() const { return Totals().DetalsSquare; }
    int64_t SumMillCount() const { return Totals().MillCount; }
    double SumMillLength() const { return Totals().MillLength; }

    // Largest sheet length and width over all tabs (the fallback when 0).
    void MaxSheetSize(int32_t &w, int32_t &h) const;

    // Appends a tab built from an engine map; marks the document modified.
    MapTab &AddMapTab(const QString &caption, int32_t code, const engine::TSheetsList &map, const engine::TDetalsList &parts,
                      int32_t kerf, const QString &remark);

    // Display switches, applied to every control of every tab.
    void SetShowBorders(bool on);
    void SetShowScrapsText(bool on);
    void SetMillLinesMode(int mode);   // also reapplies cut visibility
    // Tabs of the material visible (999: all); reapplies the cut-line mode.
    void ShowMaterial(int32_t code);
    // Cut visibility from the cut-line mode and the visible tabs.
    void ApplyMillLinesMode();

    // Off-cut edits; both mark the document modified.
    void RenameScrap(int tab, int scrap, const QString &name);
    void SetScrapUsable(int tab, int scrap, bool usable);
};

// One tab from an engine map (caption and tag set by the caller): parts at
// half a kerf from their stored place, free rectangles less the kerf, cuts
// centred on their line.
MapTab BuildSheetTab(const engine::TSheetsList &map, const engine::TDetalsList &parts, int32_t kerf, const QString &remark,
                     const MapDisplay &display);

// Recolours and reclassifies every tab and recomputes its areas.
void ColorizeMaps(MapDocument &doc, const MapEnvironment &env);

// Pixels per millimetre so that the largest sheet fits: never zero, never
// negative, never infinite.
double MapScale(int pixelWidth, int pixelHeight, int reservedHeight, int32_t maxW, int32_t maxH);
// Share of a whole in per cent; 0 when the whole is not positive.
double Percent(double part, double whole);

// Texts shown on demand.
QString DetalHint(const MapPart &p);
QString ScrapHint(const MapScrap &s);
QString MillHint(const MapCut &c);
struct MapStatusTexts
{
    QStringList Four; // material, waste, usable, total
    QStringList Five; // sheet, quantity, parts, cuts, cut length
};
MapStatusTexts StatusTexts(const MapTab &t, const QString &materialName);
QString TabInfo(const MapStatusTexts &s);
// The automatic part of a tab caption: "Лист n" or "Листы n - m", the sheet's
// name in brackets, prefixed with the tab number.
QString MapCaption(int tabs, int32_t n, int32_t quantity, const QString &name);

} // namespace kv

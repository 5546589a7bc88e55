#pragma once
// Printing of cutting maps: the print settings and drawing styles as the
// settings file holds them, and the state of one print that answers the
// report's variables, walks the tabs as records and fills the map and
// parts-list objects of "Reports\RskMaps.rpf" from the map document.
#include "data/maps/mapdoc.h"
#include "data/settings.h"
#include "print/stats/sums.h"
#include "report/core/value.h"

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;
class TrpReport;
class TrpView;
class TrpRskMapView;
class TrpDetalsListView;
class TrpDataset;
struct TrpFont;

namespace kv {

// Section [Sheet_Page_Params]: what the print settings dialog chooses.
struct MapPrintOptions
{
    int Position = 0;         // 0 one map a page, 1 two, 2 MapQuantity
    int MapQuantity = 0;
    bool MillStat = true, TotalWStat = true, UsefulWStat = true, UselessWStat = true, DetalStat = true;
    bool DetalsList = true, ShowBorder = true, BorderCodes = true, BorderStat = true, BorderBlack = false;
    IniFont MapFont;

    int MapsPerPage() const;
    // Lines of MAPPARAMS: the caption and the remark count as two.
    int ParamsLines() const;
    bool operator==(const MapPrintOptions &) const = default;
};
inline const QString kSheetPageParams = QStringLiteral("Sheet_Page_Params");
MapPrintOptions ReadMapPrintOptions(const TIniFile &ini);
void WriteMapPrintOptions(TIniFile &ini, const MapPrintOptions &o);

// Section [PrnSetupAdv]: how each kind of map item is drawn. Brush styles
// are the drawing styles dialog's order (solid, clear, diagonal 1,
// diagonal 2, cross, diagonal cross, horizontal, vertical).
struct MapKindStyle
{
    bool Draw = true, Title = true, Dim = true, TruncText = true;
    IniFont Font;
    IniBrush Brush;
    IniPen Pen;
    bool operator==(const MapKindStyle &) const = default;
};
struct MapPrintStyles
{
    int CurrentPage = 0;
    MapKindStyle Detal, Scrap, LostScrap;
    bool MillDraw = true;
    IniPen MillPen;
    bool operator==(const MapPrintStyles &) const = default;
};
inline const QString kPrnSetupAdv = QStringLiteral("PrnSetupAdv");
MapPrintStyles ReadPrintStyles(const TIniFile &ini);
// In the dialog's key order; the area kinds' pens always with width 1.
void WritePrintStyles(TIniFile &ini, const MapPrintStyles &s);

TrpFont ToReportFont(const IniFont &f);

// What printing needs from the materials and edge-banding bases.
struct MapPrintLookups
{
    std::function<QString(int)> materialName;
    std::function<QString(int)> borderName;
    std::function<qint32(int, qint32)> borderColor;   // code, default
    std::function<int(int)> borderPripusk;
    std::function<bool(int)> isBorderCode;            // the code stands in the edge-band list
    StatLookups Stats() const;
};

// The state of one print: the range of tabs, the current record, the options
// and the styles. Bound to a report, it answers DETALSLIST and MAPPARAMS and
// fills "Map" and "mmDetalsList" before they print.
class TMapsPrinter
{
public:
    TMapsPrinter(const MapDocument &doc, MapPrintLookups lookups);

    int PrintFirstTab = 0, PrintLastTab = -1, PrintTab = 0;
    MapPrintOptions Options;
    MapPrintStyles Styles;

    int FirstVisibleTab() const;   // 0 when none is visible
    int LastVisibleTab() const;    // the last tab when none is visible
    // Whether the range holds a tab that is shown.
    bool RangeHasVisibleTab() const;

    // The user data source: every index of the range is a record.
    void First() { PrintTab = PrintFirstTab; }
    void Next() { ++PrintTab; }
    bool Eof() const { return PrintTab > PrintLastTab; }

    QString DetalsListText(int tab) const;
    QString MapParamsText(int tab) const;
    // Variables answered for the report; false leaves the name to the engine.
    bool GetValue(const QString &name, TrpValue &value) const;
    // The report's variables set before building.
    void SetVariables() const;

    // The objects of the current record; an index outside the tabs leaves them empty.
    void FillMap(TrpRskMapView &view, int tab, double mapW, double mapH) const;
    void FillDetalsList(TrpDetalsListView &view, int tab) const;
    void BeforePrint(TrpReport &report, TrpView *view);

    // Binds the report's events and the data source to this print.
    void Attach(TrpReport &report, TrpDataset &source);

private:
    const MapTab *tab(int i) const;
    const MapDocument &m_doc;
    MapPrintLookups m_lookups;
};

// The room of one map (MAP_W, MAP_H) as the template gives it; false when
// either is missing or too small to draw in.
bool ReadMapRoom(TrpReport &report, double &mapW, double &mapH);

} // namespace kv

#include "resources/maps_reports.h"

#include "print/objects/detalslistview.h"
#include "print/objects/rskmapview.h"
#include "report/building/band.h"
#include "resources/reportkit.h"

#include <QString>

namespace kv {

namespace {

// Printable room of A4 landscape within the sketch's margins, page units.
constexpr int kPageW = 999;
constexpr int kMapW = 700;
constexpr int kGap = 12;
constexpr int kLine = 16;   // one line of the map's figures

} // namespace

QString MapsSourceName() { return QStringLiteral("rpsrcMaps"); }

void DescribeMapsReport(TrpReportBase &report)
{
    ReportSketch s(report);
    TrpPage &page = s.Page();
    page.SetPaper(9, 2100, 2970, page.PaperBin, 1);
    // The room of one map: the width beside the right column, the height a
    // share of the page.
    TrpVariables &vars = report.Dictionary().VariableList;
    vars.SetValue(QStringLiteral(" Карты"), TrpValue());
    vars.SetValue(QStringLiteral("MAP_W"), TrpValue(QString::number(kMapW)));
    vars.SetValue(QStringLiteral("MAP_H"), TrpValue(QStringLiteral("670 / MAPSPERPAGE - 8")));

    TrpBandView &band = s.Band(btMasterData, QStringLiteral("MasterData1"), 666, MapsSourceName());
    // The band grows with the parts list; one longer than the page goes on
    // at the top of the next, so every part and every total reaches paper.
    band.Flags |= rpbfStretched;
    // The figures take the lines they wrap into (a long material name takes
    // two), the parts list starts under them and grows from there.
    band.PrintScript = {QStringLiteral("begin"), QStringLiteral("MasterData1.Height := MAP_H + 4;"),
                        QStringLiteral("mmMapParams.Height := mmMapParams.CalcHeight() + 4;"),
                        QStringLiteral("mmDetalsList.Top := mmMapParams.Height + 6;"),
                        QStringLiteral("mmDetalsList.Height := 1"), QStringLiteral("end")};
    const int left = page.MarginLeft, top = band.Top;
    const int right = left + kMapW + kGap, rightW = kPageW - kMapW - kGap;

    auto map = std::make_unique<TrpRskMapView>();
    map->Name = QStringLiteral("Map");
    map->SetBounds(left, top, kMapW, 662);
    page.AddView(std::move(map));

    TrpMemoView &params = s.Text({kMapW + kGap, rightW}, QStringLiteral("[MAPPARAMS]"), {10, false, rptaLeft}, 0,
                                 7 * kLine + 4);
    params.Name = QStringLiteral("mmMapParams");
    params.Flags = quint16(rpmfWordWrap);

    auto list = std::make_unique<TrpDetalsListView>();
    list->Name = QStringLiteral("mmDetalsList");
    list->SetBounds(right, top + 7 * kLine + 10, rightW, 662 - 7 * kLine - 10);
    page.AddView(std::move(list));
}

} // namespace kv

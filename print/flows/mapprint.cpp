#include "print/flows/mapprint.h"

#include "platform/error.h"
#include "platform/text.h"
#include "print/objects/detalslistview.h"
#include "print/objects/rskmapview.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/model/memo.h"
#include "report/script/scriptengine.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

const QString crlf = QStringLiteral("\r\n");

void readKind(const TIniFile &ini, const QString &kind, MapKindStyle &k)
{
    const QString &sec = kPrnSetupAdv;
    k.Draw = ini.ReadBool(sec, kind + QStringLiteral("Draw"), true);
    ReadFontFromIni(ini, sec, kind + QStringLiteral("Font"), k.Font);
    ReadBrushFromIni(ini, sec, kind + QStringLiteral("Brush"), k.Brush);
    ReadPenFromIni(ini, sec, kind + QStringLiteral("Pen"), k.Pen);
    k.Title = ini.ReadBool(sec, kind + QStringLiteral("Title"), true);
    k.Dim = ini.ReadBool(sec, kind + QStringLiteral("Dim"), true);
    k.TruncText = ini.ReadBool(sec, kind + QStringLiteral("TruncText"), true);
}

void writeKind(TIniFile &ini, const QString &kind, const MapKindStyle &k)
{
    const QString &sec = kPrnSetupAdv;
    ini.WriteBool(sec, kind + QStringLiteral("Draw"), k.Draw);
    WriteFontToIni(ini, sec, kind + QStringLiteral("Font"), k.Font);
    WriteBrushToIni(ini, sec, kind + QStringLiteral("Brush"), k.Brush);
    IniPen pen = k.Pen;
    pen.width = 1;
    WritePenToIni(ini, sec, kind + QStringLiteral("Pen"), pen);
    ini.WriteBool(sec, kind + QStringLiteral("Title"), k.Title);
    ini.WriteBool(sec, kind + QStringLiteral("Dim"), k.Dim);
    ini.WriteBool(sec, kind + QStringLiteral("TruncText"), k.TruncText);
}

TkvrpBrush toBrush(const IniBrush &b)
{
    return {qint32(b.color), quint8(std::clamp(b.style, 0, kvBrushStyleCount - 1))};
}

TkvrpPen toPen(const IniPen &p)
{
    return {qint32(p.color), quint8(std::clamp(p.style, 0, kvPenStyleCount - 1)), quint8(std::clamp(p.width, 1, 255))};
}

QString percentLine(const QString &title, double area, double sheet)
{
    return title + FormatSquare(area / 1000000.0) + QStringLiteral(" кв м") + QStringLiteral(" (") +
           FormatPercent(Percent(area, sheet)) + QStringLiteral("%)");
}

QString withCrlf(const QStringList &lines)
{
    QString out;
    for (const QString &l : lines) out += l + crlf;
    return out;
}

} // namespace

// ---------------------------------------------------------------- settings

int MapPrintOptions::MapsPerPage() const
{
    if (Position == 0) return 1;
    if (Position == 1) return 2;
    return std::clamp(MapQuantity, 1, 5);
}

int MapPrintOptions::ParamsLines() const
{
    return 2 + int(MillStat) + int(TotalWStat) + int(UsefulWStat) + int(UselessWStat) + int(DetalStat);
}

MapPrintOptions ReadMapPrintOptions(const TIniFile &ini)
{
    const QString &sec = kSheetPageParams;
    MapPrintOptions o;
    o.Position = ini.ReadInteger(sec, QStringLiteral("Position"), 0);
    o.MapQuantity = ini.ReadInteger(sec, QStringLiteral("MapQuantity"), 0);
    o.MillStat = ini.ReadBool(sec, QStringLiteral("MillStat"), true);
    o.TotalWStat = ini.ReadBool(sec, QStringLiteral("TotalWStat"), true);
    o.UsefulWStat = ini.ReadBool(sec, QStringLiteral("UsefulWStat"), true);
    o.UselessWStat = ini.ReadBool(sec, QStringLiteral("UselessWStat"), true);
    o.DetalStat = ini.ReadBool(sec, QStringLiteral("DetalStat"), true);
    o.DetalsList = ini.ReadBool(sec, QStringLiteral("DetalsList"), true);
    o.ShowBorder = ini.ReadBool(sec, QStringLiteral("ShowBorder"), true);
    o.BorderCodes = ini.ReadBool(sec, QStringLiteral("BorderCodes"), true);
    o.BorderStat = ini.ReadBool(sec, QStringLiteral("BorderStat"), true);
    o.BorderBlack = ini.ReadBool(sec, QStringLiteral("BorderBlack"), false);
    ReadFontFromIni(ini, sec, QStringLiteral("MapFont"), o.MapFont);
    return o;
}

void WriteMapPrintOptions(TIniFile &ini, const MapPrintOptions &o)
{
    ini.Update([&] {
        const QString &sec = kSheetPageParams;
        ini.WriteInteger(sec, QStringLiteral("Position"), o.Position);
        ini.WriteInteger(sec, QStringLiteral("MapQuantity"), o.MapQuantity);
        ini.WriteBool(sec, QStringLiteral("MillStat"), o.MillStat);
        ini.WriteBool(sec, QStringLiteral("TotalWStat"), o.TotalWStat);
        ini.WriteBool(sec, QStringLiteral("UsefulWStat"), o.UsefulWStat);
        ini.WriteBool(sec, QStringLiteral("UselessWStat"), o.UselessWStat);
        ini.WriteBool(sec, QStringLiteral("DetalStat"), o.DetalStat);
        ini.WriteBool(sec, QStringLiteral("DetalsList"), o.DetalsList);
        ini.WriteBool(sec, QStringLiteral("ShowBorder"), o.ShowBorder);
        ini.WriteBool(sec, QStringLiteral("BorderCodes"), o.BorderCodes);
        ini.WriteBool(sec, QStringLiteral("BorderStat"), o.BorderStat);
        ini.WriteBool(sec, QStringLiteral("BorderBlack"), o.BorderBlack);
        WriteFontToIni(ini, sec, QStringLiteral("MapFont"), o.MapFont);
    });
}

MapPrintStyles ReadPrintStyles(const TIniFile &ini)
{
    MapPrintStyles s;
    s.CurrentPage = ini.ReadInteger(kPrnSetupAdv, QStringLiteral("CurrentPage"), 0);
    if (s.CurrentPage < 0 || s.CurrentPage > 3) s.CurrentPage = 0;
    readKind(ini, QStringLiteral("Detal"), s.Detal);
    s.MillDraw = ini.ReadBool(kPrnSetupAdv, QStringLiteral("MillDraw"), true);
    ReadPenFromIni(ini, kPrnSetupAdv, QStringLiteral("MillPen"), s.MillPen);
    readKind(ini, QStringLiteral("Scrap"), s.Scrap);
    readKind(ini, QStringLiteral("LostScrap"), s.LostScrap);
    return s;
}

void WritePrintStyles(TIniFile &ini, const MapPrintStyles &s)
{
    ini.Update([&] {
        ini.WriteInteger(kPrnSetupAdv, QStringLiteral("CurrentPage"), s.CurrentPage);
        writeKind(ini, QStringLiteral("Detal"), s.Detal);
        ini.WriteBool(kPrnSetupAdv, QStringLiteral("MillDraw"), s.MillDraw);
        WritePenToIni(ini, kPrnSetupAdv, QStringLiteral("MillPen"), s.MillPen);
        writeKind(ini, QStringLiteral("Scrap"), s.Scrap);
        writeKind(ini, QStringLiteral("LostScrap"), s.LostScrap);
    });
}

TrpFont ToReportFont(const IniFont &f)
{
    TrpFont out;
    out.name = f.name;
    out.size = f.size;
    out.color = f.color;
    out.charset = std::clamp(f.charset, 0, 255);
    out.style = (f.bold ? TrpFont::Bold : 0) | (f.italic ? TrpFont::Italic : 0) |
                (f.underline ? TrpFont::Underline : 0) | (f.strikeOut ? TrpFont::StrikeOut : 0);
    return out;
}

StatLookups MapPrintLookups::Stats() const
{
    StatLookups l;
    l.materialName = materialName;
    l.borderName = borderName;
    l.borderAllowance = borderPripusk;
    l.borderKnown = isBorderCode;
    return l;
}

// ---------------------------------------------------------------- one print

TMapsPrinter::TMapsPrinter(const MapDocument &doc, MapPrintLookups lookups) : m_doc(doc), m_lookups(std::move(lookups))
{
    PrintFirstTab = FirstVisibleTab();
    PrintLastTab = LastVisibleTab();
}

const MapTab *TMapsPrinter::tab(int i) const
{
    if (i < 0 || i >= int(m_doc.Tabs.size())) return nullptr;
    return &m_doc.Tabs[size_t(i)];
}

int TMapsPrinter::FirstVisibleTab() const
{
    for (int i = 0; i < int(m_doc.Tabs.size()); ++i)
        if (m_doc.Tabs[size_t(i)].Visible) return i;
    return 0;
}

int TMapsPrinter::LastVisibleTab() const
{
    for (int i = int(m_doc.Tabs.size()) - 1; i >= 0; --i)
        if (m_doc.Tabs[size_t(i)].Visible) return i;
    return int(m_doc.Tabs.size()) - 1;
}

bool TMapsPrinter::RangeHasVisibleTab() const
{
    for (int i = std::max(0, PrintFirstTab); i <= PrintLastTab; ++i)
        if (const MapTab *t = tab(i); t && t->Visible) return true;
    return false;
}

QString TMapsPrinter::DetalsListText(int i) const
{
    const MapTab *t = tab(i);
    if (!t) return QString();
    QStringList lines{QStringLiteral("Список деталей: "), QString()};
    for (const SheetPartGroup &d : GetSheetDetals(*t))
        lines << QStringLiteral("%1   %2x%3   %4 шт").arg(d.name).arg(d.width).arg(d.height).arg(d.count);
    return withCrlf(lines);
}

QString TMapsPrinter::MapParamsText(int i) const
{
    const MapTab *t = tab(i);
    if (!t) return QString();
    const QString material = m_lookups.materialName ? m_lookups.materialName(t->MaterialCode) : QString();
    QString first = QStringLiteral("<%1>  %2 x %3 (%4)").arg(t->Caption).arg(t->RealWidth).arg(t->RealHeight).arg(material);
    if (t->Quantity > 1) first = QStringLiteral("%1 %2 шт").arg(first).arg(t->Quantity);
    QStringList lines{first};
    const double sheet = double(t->SheetArea());
    if (Options.MillStat)
        lines << QStringLiteral("Количество резов: %1 (длина резов: %2 м)")
                     .arg(t->MillLinesCount)
                     .arg(FormatLength(t->MillLinesLength / 1000.0));
    if (Options.TotalWStat) lines << percentLine(QStringLiteral("Полный отход: "), t->TotalSquare, sheet);
    if (Options.UsefulWStat) lines << percentLine(QStringLiteral("Полезный отход: "), t->ScrapSquare, sheet);
    if (Options.UselessWStat) lines << percentLine(QStringLiteral("Бесполезный отход: "), t->LostSquare, sheet);
    if (Options.DetalStat) lines << percentLine(QStringLiteral("Площадь деталей: "), t->DetalsSquare, sheet);
    if (!t->Remark.isEmpty()) lines << t->Remark;
    return withCrlf(lines);
}

bool TMapsPrinter::GetValue(const QString &name, TrpValue &value) const
{
    const QString n = upperCase(name);
    if (n == QLatin1String("DETALSLIST")) value = TrpValue(DetalsListText(PrintTab));
    else if (n == QLatin1String("MAPPARAMS")) value = TrpValue(MapParamsText(PrintTab));
    else return false;
    return true;
}

void TMapsPrinter::SetVariables() const
{
    TrpVariables &v = rpEngine().Variables();
    v.SetValue(QStringLiteral("MAPPARAMSLINES"), TrpValue(Options.ParamsLines()));
    v.SetValue(QStringLiteral("PRNDETALSLIST"), TrpValue(Options.DetalsList));
    v.SetValue(QStringLiteral("MAPSPERPAGE"), TrpValue(Options.MapsPerPage()));
}

void TMapsPrinter::FillMap(TrpRskMapView &view, int i, double mapW, double mapH) const
{
    // One map's items never reach the next, whatever happened before.
    view.ClearItems();
    const MapTab *t = tab(i);
    if (!t || t->RealWidth <= 0 || t->RealHeight <= 0) return;
    const double sx = (mapW - 9) / t->RealWidth, sy = (mapH - 9) / t->RealHeight;
    const double s = sy < sx ? sy : sx;
    view.MapScale = s;
    view.DetalFont = ToReportFont(Styles.Detal.Font);
    view.ScrapFont = ToReportFont(Styles.Scrap.Font);
    view.LostScrapFont = ToReportFont(Styles.LostScrap.Font);
    view.DetalBrush = toBrush(Styles.Detal.Brush);
    view.ScrapBrush = toBrush(Styles.Scrap.Brush);
    view.LostScrapBrush = toBrush(Styles.LostScrap.Brush);
    view.DetalPen = toPen(Styles.Detal.Pen);
    view.ScrapPen = toPen(Styles.Scrap.Pen);
    view.LostScrapPen = toPen(Styles.LostScrap.Pen);
    view.MillPen = toPen(Styles.MillPen);
    view.Width = int(std::trunc(t->RealWidth * s));
    view.Height = int(std::trunc(t->RealHeight * s));

    auto add = [&view](quint8 kind, int x, int y, int w, int h, const QString &text, const MapKindStyle *k) {
        TkvrpCommonData &d = view.AddItem(kind);
        d.X = x, d.Y = y, d.Width = w, d.Height = h;
        d.Text = text;
        if (k) {
            d.ShowTitle = k->Title;
            d.ShowDim = k->Dim;
            d.TruncText = k->TruncText;
        }
        return &d;
    };
    if (Styles.Detal.Draw)
        for (const MapPart &p : t->Parts)
            add(1, p.RealLeft, p.RealTop, p.RealWidth, p.RealHeight, p.Title, &Styles.Detal);
    for (const MapScrap &sc : t->Scraps) {
        const bool lost = sc.ScrapType == stLostScrap;
        if (lost ? !Styles.LostScrap.Draw : !Styles.Scrap.Draw) continue;
        auto *d = static_cast<TkvrpScrapData *>(add(2, sc.RealLeft, sc.RealTop, sc.RealWidth, sc.RealHeight, sc.Text,
                                                    lost ? &Styles.LostScrap : &Styles.Scrap));
        d->IsLost = lost;
    }
    // Cuts along the middle of the kerf, over parts and off-cuts.
    if (Styles.MillDraw)
        for (const MapCut &c : t->Cuts) {
            if (c.MillOrient) add(3, c.RealLeft, c.RealTop + c.RealHeight / 2, c.RealWidth, 0, QString(), nullptr);
            else add(3, c.RealLeft + c.RealWidth / 2, c.RealTop, 0, c.RealHeight, QString(), nullptr);
        }
}

void TMapsPrinter::FillDetalsList(TrpDetalsListView &view, int i) const
{
    view.Detals.clear();
    view.Totals.clear();
    const MapTab *t = tab(i);
    if (!t) return;
    view.ShowBorder = Options.ShowBorder;
    view.BorderCodes = Options.BorderCodes;
    view.BorderStat = Options.BorderStat;
    view.ListFont = ToReportFont(Options.MapFont);
    const std::vector<SheetPartGroup> detals = GetSheetDetals(*t);
    auto color = [this](int code) -> qint32 {
        if (Options.BorderBlack) return 0;
        return m_lookups.borderColor ? m_lookups.borderColor(code, 0) : 0;
    };
    for (const SheetPartGroup &d : detals) {
        TDetalsListRec r;
        r.Name = d.name.left(kListNameChars);
        r.Width = d.width;
        r.Height = d.height;
        r.Count = qint32(std::min<int64_t>(d.count, INT32_MAX));
        r.LeftCode = d.left;
        r.TopCode = d.top;
        r.RightCode = d.right;
        r.BottomCode = d.bottom;
        r.LeftColor = color(r.LeftCode);
        r.RightColor = color(r.RightCode);
        r.TopColor = color(r.TopCode);
        r.BottomColor = color(r.BottomCode);
        view.Detals.push_back(r);
    }
    if (!Options.BorderStat) return;
    const StatLookups stats = m_lookups.Stats();
    const BorderTotals totals = SumBordersLength(detals, stats);
    for (const auto &[code, length] : totals.lines()) {
        if (code == 0) continue;
        view.Totals.push_back({stats.BorderName(code).left(kListNameChars),
                               qint32(std::min<qint64>(length, INT32_MAX)), code});
    }
}

bool ReadMapRoom(TrpReport &report, double &mapW, double &mapH)
{
    auto value = [&report](const QString &name, double &out) {
        TrpValue v = rpEngine().Variables().GetValue(name);
        if (v.isNull() && report.Dictionary().HasVariable(name)) v = report.Dictionary().VariableValue(name);
        if (v.isNull() || v.isEmpty()) return false;
        try {
            out = v.toFloat();
        } catch (const Error &) {
            return false;
        }
        return std::isfinite(out) && out - 9 >= 1;
    };
    return value(QStringLiteral("MAP_W"), mapW) && value(QStringLiteral("MAP_H"), mapH);
}

void TMapsPrinter::BeforePrint(TrpReport &report, TrpView *view)
{
    if (!view) return;
    if (auto *memo = dynamic_cast<TrpMemoView *>(view)) {
        memo->SetFont(ToReportFont(Options.MapFont));
        return;
    }
    if (auto *map = dynamic_cast<TrpRskMapView *>(view); map && view->Name == QLatin1String("Map")) {
        double w = 0, h = 0;
        if (!ReadMapRoom(report, w, h)) {
            map->ClearItems();
            report.BuildError(QStringLiteral("В шаблоне отчета \"%1\" не заданы размеры карты раскроя "
                                             "(переменные MAP_W и MAP_H).")
                                  .arg(report.FileName));
            return;
        }
        FillMap(*map, PrintTab, w, h);
        return;
    }
    if (auto *list = dynamic_cast<TrpDetalsListView *>(view); list && view->Name == QLatin1String("mmDetalsList")) {
        if (Options.DetalsList) FillDetalsList(*list, PrintTab);
        else {
            list->Detals.clear();
            list->Totals.clear();
        }
    }
}

void TMapsPrinter::Attach(TrpReport &report, TrpDataset &source)
{
    report.OnGetValue = [this](const QString &name, TrpValue &value) { return GetValue(name, value); };
    report.OnBeforePrint = [this, &report](QStringList &, TrpView *view) { BeforePrint(report, view); };
    // Bound but without work, as the template's user functions get no value here.
    report.OnBeginBand = [](TrpBand *) {};
    report.OnUserFunction = [](const QString &, const QString &, const QString &, const QString &, TrpValue &) {
        return false;
    };
    source.OnFirst = [this](TrpDataset &) { First(); };
    source.OnNext = [this](TrpDataset &) { Next(); };
    source.OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = Eof(); };
}

} // namespace kv

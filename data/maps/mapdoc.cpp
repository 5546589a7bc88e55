#include "data/maps/mapdoc.h"

#include "data/matoptions.h"
#include "engine/driver.h"
#include "engine/model.h"
#include "engine/raskroy.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

QString Sq(double mm2) { return FormatSquare(mm2 / 1000000.0); }

QString AreaWithPercent(const QString &label, double area, double whole)
{
    return label + Sq(area) + QStringLiteral(" кв м") + QStringLiteral(" (") + FormatPercent(Percent(area, whole)) +
           QStringLiteral(" %)");
}

} // namespace

MapColors ReadMapColors(const TIniFile &settings)
{
    MapColors c;
    c.Scrap = MapColor(ReadKey(settings, key::ScrapColor));
    c.Lost = MapColor(ReadKey(settings, key::LostColor));
    c.Sheet = MapColor(ReadKey(settings, key::SheetColor));
    c.Mill = MapColor(ReadKey(settings, key::MillColor));
    c.Detal = MapColor(ReadKey(settings, key::DetalColor));
    c.Border = MapColor(ReadKey(settings, key::BorderColor));
    return c;
}

IniFont MapDisplay::DefaultMapFont()
{
    IniFont f;
    f.name = QString::fromLatin1(key::FontName.def);
    f.size = key::FontSize.def;
    f.color = key::FontColor.def;
    f.charset = key::FontCharSet.def;
    return f;
}

int NormalizeMillLinesMode(int mode) { return mode >= 0 && mode <= 2 ? mode : 0; }

void TUsingSheets::SetQuantity(int32_t code, int32_t length, int32_t width, int32_t remaining)
{
    for (Entry &e : m_entries)
        if (e.Code == code && e.Length == length && e.Width == width)
            e.Remaining = remaining;
}

TScrapLimits ScrapLimitsOf(const TIniFile &settings, int materialCode)
{
    engine::TRaskroyParams p;
    LoadScrapLimits(settings, materialCode, p);
    TScrapLimits l;
    l.Combined = p.ScrapLogicSumma;
    l.Length = p.ScrapMinLength;
    l.Width = p.ScrapMinWidth;
    l.Square = p.ScrapMinSquare;
    l.SquareWidth = p.ScrapSquareWidth;
    l.SquareHeight = p.ScrapSquareHeight;
    return l;
}

bool IsWasteScrap(int32_t w, int32_t h, const TScrapLimits &l)
{
    const bool small = int64_t(w) * h < l.Square;
    if (l.Combined)
        return w < l.Length && h < l.Width && small && w < l.SquareWidth && h < l.SquareHeight;
    return w < l.Length || h < l.Width || (small && w < l.SquareWidth && h < l.SquareHeight);
}

MapTotals MapDocument::Totals() const
{
    MapTotals t;
    for (const MapTab &tab : Tabs) {
        if (!tab.Visible)
            continue;
        const double q = tab.Quantity;
        t.LostSquare += q * tab.LostSquare;
        t.ScrapSquare += q * tab.ScrapSquare;
        t.TotalSquare += q * tab.TotalSquare;
        t.DetalsSquare += q * tab.DetalsSquare;
        t.MillCount += int64_t(tab.MillLinesCount) * tab.Quantity;
        t.MillLength += q * tab.MillLinesLength;
        t.SheetArea += double(tab.SheetArea()) * q;
    }
    return t;
}

void MapDocument::MaxSheetSize(int32_t &w, int32_t &h) const
{
    w = h = 0;
    for (const MapTab &t : Tabs) {
        w = std::max(w, t.RealWidth);
        h = std::max(h, t.RealHeight);
    }
    if (w == 0)
        w = LastSheetWidth;
    if (h == 0)
        h = LastSheetHeight;
}

MapTab &MapDocument::AddMapTab(const QString &caption, int32_t code, const engine::TSheetsList &map,
                               const engine::TDetalsList &parts, int32_t kerf, const QString &remark)
{
    Modified = true;
    MapTab tab = BuildSheetTab(map, parts, kerf, remark, Display);
    tab.Caption = caption;
    tab.MaterialCode = code;
    // A tab of another material than the navigator shows stays hidden.
    tab.Visible = CurrentMaterial == kMapAllMaterials || CurrentMaterial == code;
    Tabs.push_back(std::move(tab));
    return Tabs.back();
}

void MapDocument::SetShowBorders(bool on)
{
    Display.ShowBorders = on;
    for (MapTab &t : Tabs)
        for (MapPart &p : t.Parts)
            p.ShowBorder = on;
}

void MapDocument::SetShowScrapsText(bool on)
{
    Display.ShowScrapsText = on;
    for (MapTab &t : Tabs)
        for (MapScrap &s : t.Scraps)
            if (s.ScrapType == stNormalScrap)
                s.ShowText = s.ShowDim = on;
}

void MapDocument::SetMillLinesMode(int mode)
{
    Display.MillLinesMode = NormalizeMillLinesMode(mode);
    ApplyMillLinesMode();
}

void MapDocument::ShowMaterial(int32_t code)
{
    if (code == CurrentMaterial)
        return;
    CurrentMaterial = code;
    for (MapTab &t : Tabs)
        t.Visible = code == kMapAllMaterials || t.MaterialCode == code;
    ApplyMillLinesMode();
}

void MapDocument::ApplyMillLinesMode()
{
    const int mode = NormalizeMillLinesMode(Display.MillLinesMode);
    int shown = -1;
    if (mode == 2 && !Tabs.empty()) {
        if (CurrentMaterial == kMapAllMaterials) {
            shown = int(Tabs.size()) - 1;
        } else {
            shown = 0;
            for (int i = int(Tabs.size()) - 1; i >= 0; --i)
                if (Tabs[size_t(i)].Visible) {
                    shown = i;
                    break;
                }
        }
    }
    for (size_t i = 0; i < Tabs.size(); ++i)
        for (MapCut &c : Tabs[i].Cuts)
            c.Visible = mode == 1 || (mode == 2 && int(i) == shown);
}

void MapDocument::RenameScrap(int tab, int scrap, const QString &name)
{
    if (tab < 0 || tab >= int(Tabs.size()))
        return;
    MapTab &t = Tabs[size_t(tab)];
    if (scrap < 0 || scrap >= int(t.Scraps.size()))
        return;
    MapScrap &s = t.Scraps[size_t(scrap)];
    s.ScrapName = name;
    s.Text = name;
    Modified = true;
}

void MapDocument::SetScrapUsable(int tab, int scrap, bool usable)
{
    if (tab < 0 || tab >= int(Tabs.size()))
        return;
    MapTab &t = Tabs[size_t(tab)];
    if (scrap < 0 || scrap >= int(t.Scraps.size()))
        return;
    MapScrap &s = t.Scraps[size_t(scrap)];
    const double a = double(s.Area());
    if (usable && s.ScrapType == stLostScrap) {
        s.ScrapType = stNormalScrap;
        s.Color = Display.Colors.Scrap;
        s.ShowDim = Display.ShowScrapsText;
        s.Text = s.ScrapName.isEmpty() ? QStringLiteral("Остаток") : s.ScrapName;
        s.ShowText = s.ShowDim;
        t.LostSquare -= a;
        t.ScrapSquare += a;
    } else if (!usable && s.ScrapType == stNormalScrap) {
        s.ScrapType = stLostScrap;
        s.Color = Display.Colors.Lost;
        s.ShowText = s.ShowDim = false;
        t.ScrapSquare -= a;
        t.LostSquare += a;
    } else {
        return;
    }
    t.TotalSquare = t.ScrapSquare + t.LostSquare;
    Modified = true;
}

MapTab BuildSheetTab(const engine::TSheetsList &map, const engine::TDetalsList &parts, int32_t kerf, const QString &remark,
                     const MapDisplay &display)
{
    const int32_t k = kerf, e = kerf / 2;
    MapTab t;
    t.RealWidth = map.SizeX;
    t.RealHeight = map.SizeY;
    t.IsScraps = map.IsScrap;
    t.SheetName = QString::fromStdString(map.Name);
    t.MillSize = k;
    t.Remark = remark;
    t.Color = display.Colors.Sheet;

    for (const engine::TDetalHandle &h : map.Detals) {
        const engine::TDetal *d = parts.Items(h.DetalIndex);
        if (!d)
            continue;
        MapPart p;
        p.RealLeft = e + h.X;
        p.RealTop = e + h.Y;
        p.Title = QString::fromStdString(d->Name);
        if (!h.Rotated) {
            p.RealWidth = d->Length;
            p.RealHeight = d->Width;
            p.LeftBorder = d->LBorder;
            p.RightBorder = d->RBorder;
            p.TopBorder = d->TBorder;
            p.BottomBorder = d->BBorder;
        } else {
            p.RealWidth = d->Width;
            p.RealHeight = d->Length;
            p.LeftBorder = d->TBorder;
            p.RightBorder = d->BBorder;
            p.TopBorder = d->RBorder;
            p.BottomBorder = d->LBorder;
        }
        p.ShowTitle = display.ShowTitles;
        p.ShowDim = display.ShowDims;
        p.ShowBorder = display.ShowBorders;
        t.Parts.push_back(std::move(p));
    }
    for (const engine::TSheet &r : map.Sheets) {
        if (r.SizeX - k <= 0 || r.SizeY - k <= 0)
            continue;
        MapScrap s;
        s.RealLeft = e + r.X;
        s.RealTop = e + r.Y;
        s.RealWidth = r.SizeX - k;
        s.RealHeight = r.SizeY - k;
        t.Scraps.push_back(std::move(s));
    }
    for (const engine::TMillLine &m : map.Mills) {
        MapCut c;
        c.RealLeft = m.X;
        c.RealTop = m.Y;
        c.MillOrient = m.Horizontal;
        if (m.Horizontal) {
            c.RealWidth = m.Length;
            c.RealHeight = k;
            c.RealTop -= e;
        } else {
            c.RealHeight = m.Length;
            c.RealWidth = k;
            c.RealLeft -= e;
        }
        t.Cuts.push_back(c);
    }
    t.MillLinesCount = map.MillCount();
    t.MillLinesLength = double(map.MillLength());
    t.Quantity = map.Quantity;
    return t;
}

void ColorizeMaps(MapDocument &doc, const MapEnvironment &env)
{
    bool first = true;
    int32_t previous = 0;
    TScrapLimits limits;
    for (MapTab &t : doc.Tabs) {
        if (first || t.MaterialCode != previous) {
            limits = env.scrapLimits ? env.scrapLimits(t.MaterialCode) : TScrapLimits();
            if (env.colors)
                doc.Display.Colors = env.colors();
            previous = t.MaterialCode;
            first = false;
        }
        const MapColors &c = doc.Display.Colors;
        t.Color = c.Sheet;
        for (MapCut &m : t.Cuts)
            m.Color = c.Mill;
        auto border = [&](int32_t code) { return env.borderColor ? env.borderColor(code, c.Detal) : c.Detal; };
        double parts = 0, usable = 0;
        for (MapPart &p : t.Parts) {
            p.BrushColor = c.Detal;
            p.LeftBorderColor = border(p.LeftBorder);
            p.RightBorderColor = border(p.RightBorder);
            p.TopBorderColor = border(p.TopBorder);
            p.BottomBorderColor = border(p.BottomBorder);
            parts += double(p.Area());
        }
        for (MapScrap &s : t.Scraps) {
            if (IsWasteScrap(s.RealWidth, s.RealHeight, limits)) {
                s.Color = c.Lost;
                s.ScrapType = stLostScrap;
                s.Text = QStringLiteral("Отход");
            } else {
                s.ScrapType = stNormalScrap;
                s.Color = c.Scrap;
                s.ShowDim = doc.Display.ShowScrapsText;
                s.Text = s.ScrapName.isEmpty() ? QStringLiteral("Остаток") : s.ScrapName;
                s.ShowText = s.ShowDim;
                usable += double(s.Area());
            }
        }
        t.DetalsSquare = parts;
        t.ScrapSquare = usable;
        t.LostSquare = double(t.SheetArea()) - usable - parts;
        t.TotalSquare = t.ScrapSquare + t.LostSquare;
    }
}

double MapScale(int pixelWidth, int pixelHeight, int reservedHeight, int32_t maxW, int32_t maxH)
{
    constexpr double kMin = 0.001;
    double s = HUGE_VAL;
    if (maxH > 0)
        s = std::min(s, double(pixelHeight - reservedHeight - 8) / maxH);
    if (maxW > 0)
        s = std::min(s, double(pixelWidth - 8) / maxW);
    if (!std::isfinite(s))
        return 1.0; // nothing to fit
    return std::max(s, kMin);
}

double Percent(double part, double whole)
{
    if (!(whole > 0) || !std::isfinite(part))
        return 0;
    return part / whole * 100.0;
}

QString DetalHint(const MapPart &p)
{
    return QStringLiteral("Деталь: ") + QStringLiteral("\r\r") + QStringLiteral("Шифр: ") + p.Title +
           QStringLiteral("\r") + QStringLiteral("Длина: ") + QString::number(p.RealWidth) + QStringLiteral(" мм") +
           QStringLiteral("\r") + QStringLiteral("Ширина: ") + QString::number(p.RealHeight) +
           QStringLiteral(" мм") + QStringLiteral("\r") + QStringLiteral("Площадь: ") + Sq(double(p.Area())) +
           QStringLiteral(" кв м");
}

QString ScrapHint(const MapScrap &s)
{
    QString h = s.ScrapType == stLostScrap ? QStringLiteral("Отход") : QStringLiteral("Остаток");
    h += QStringLiteral(":\r\r");
    if (s.ScrapType == stNormalScrap && !s.ScrapName.isEmpty())
        h += QStringLiteral("Шифр: ") + s.ScrapName + QStringLiteral("\r");
    h += QStringLiteral("Длина: ") + QString::number(s.RealWidth) + QStringLiteral(" мм") + QStringLiteral("\r") +
         QStringLiteral("Ширина: ") + QString::number(s.RealHeight) + QStringLiteral(" мм") + QStringLiteral("\r") +
         QStringLiteral("Площадь: ") + Sq(double(s.Area())) + QStringLiteral(" кв м");
    return h;
}

QString MillHint(const MapCut &c)
{
    // The length along the cut and the kerf, whichever way the cut runs.
    return QStringLiteral("Рез:\r\rДлина: ") + QString::number(c.Length()) + QStringLiteral(" мм") +
           QStringLiteral("\r") + QStringLiteral("Ширина: ") + QString::number(c.Kerf()) + QStringLiteral(" мм") +
           QStringLiteral("\r\r");
}

MapStatusTexts StatusTexts(const MapTab &t, const QString &materialName)
{
    const double a = double(t.SheetArea());
    MapStatusTexts s;
    s.Four << QStringLiteral("Материал: ") + materialName
           << AreaWithPercent(QStringLiteral("Отход: "), t.LostSquare, a)
           << AreaWithPercent(QStringLiteral("Остаток: "), t.ScrapSquare, a)
           << AreaWithPercent(QStringLiteral("Всего: "), t.TotalSquare, a);
    s.Five << QStringLiteral("Лист: ") + QString::number(t.RealWidth) + QStringLiteral("x") +
                  QString::number(t.RealHeight)
           << QStringLiteral("Количество: ") + QString::number(t.Quantity)
           << AreaWithPercent(QStringLiteral("Детали: "), t.DetalsSquare, a)
           << QStringLiteral("Резов: ") + QString::number(t.MillLinesCount)
           << QStringLiteral("Длина резов: ") + FormatLength(t.MillLinesLength / 1000.0) + QStringLiteral(" м");
    return s;
}

QString TabInfo(const MapStatusTexts &s)
{
    if (s.Four.size() < 4 || s.Five.size() < 5)
        return QString();
    return QStringLiteral("Информация") + QStringLiteral("\r\r") + s.Five[0] + QStringLiteral("\r") + s.Four[0] +
           QStringLiteral("\r") + s.Five[1] + QStringLiteral("\r\r") + s.Five[2] + QStringLiteral("\r\r") +
           s.Five[3] + QStringLiteral("\r") + s.Five[4] + QStringLiteral("\r\r") + s.Four[1] +
           QStringLiteral("\r") + s.Four[2] + QStringLiteral("\r") + s.Four[3];
}

QString MapCaption(int tabs, int32_t n, int32_t quantity, const QString &name)
{
    return QString::fromStdString(engine::TRaskroyDriver::MapCaption(tabs, n, quantity, name.toStdString()));
}

} // namespace kv

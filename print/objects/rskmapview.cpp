#include "print/objects/rskmapview.h"

#include "platform/error.h"
#include "print/objects/maplayout.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Smallest item record: kind, empty string (length, zero), four integers, three flags.
constexpr qint64 kMinItemBytes = 1 + 3 + 16 + 3;

void readBrush(QIODevice &s, TkvrpBrush &b)
{
    b.Color = ReadStreamInteger(s);
    b.Style = ReadStreamByte(s);
}

void writeBrush(QIODevice &s, const TkvrpBrush &b)
{
    WriteStreamInteger(s, b.Color);
    WriteStreamByte(s, b.Style);
}

void readPen(QIODevice &s, TkvrpPen &p)
{
    p.Color = ReadStreamInteger(s);
    p.Style = ReadStreamByte(s);
    p.Width = ReadStreamByte(s);
}

void writePen(QIODevice &s, const TkvrpPen &p)
{
    WriteStreamInteger(s, p.Color);
    WriteStreamByte(s, p.Style);
    WriteStreamByte(s, p.Width);
}

int scaled(double v) { return rpRound(v); }

// The canvas font of an item: on screen its pixel height follows the zoom,
// never below one pixel (a zero height would mean "by point size").
void applyFont(TrpCanvas &c, const TrpFont &font, bool printing, double scaleY)
{
    c.SetFont(font, printing ? 1.0 : scaleY);
    if (!c.IsPrinter() && c.Font.Height == 0) c.Font.Height = -1;
    if (c.Font.Color == clNone) c.Font.Color = clBlack;
}

Qt::BrushStyle qtHatch(quint8 style)
{
    switch (style) {
    case kvbsBDiagonal: return Qt::BDiagPattern;
    case kvbsFDiagonal: return Qt::FDiagPattern;
    case kvbsCross: return Qt::CrossPattern;
    case kvbsDiagCross: return Qt::DiagCrossPattern;
    case kvbsHorizontal: return Qt::HorPattern;
    case kvbsVertical: return Qt::VerPattern;
    default: return Qt::NoBrush;
    }
}

} // namespace

// ---------------------------------------------------------------- tools

void ApplyMapPen(TrpCanvas &c, const TkvrpPen &pen)
{
    c.Pen.Color = pen.Color;
    c.Pen.Width = std::max<int>(1, pen.Width);
    c.Pen.Style = pen.Style < kvPenStyleCount ? TrpPenStyle(pen.Style) : psSolid;
    if (pen.Color == clNone) c.Pen.Style = psClear;
}

void ApplyMapBrush(TrpCanvas &c, const TkvrpBrush &brush)
{
    c.Brush.Color = brush.Color;
    c.Brush.Style = brush.Style == kvbsSolid && brush.Color != clNone ? bsSolid : bsClear;
}

void FillHatch(TrpCanvas &c, const TrpRect &r, const TkvrpBrush &brush)
{
    const Qt::BrushStyle hatch = qtHatch(brush.Style);
    if (hatch == Qt::NoBrush || brush.Color == clNone || r.isEmpty() || !c.Painter()) return;
    const QColor color = rpToQColor(brush.Color);
    if (!color.isValid()) return;
    c.Painter()->fillRect(r.toQRect(), QBrush(color, hatch));
}

// ---------------------------------------------------------------- items

void TkvrpCommonData::LoadFromStream(QIODevice &s)
{
    Text = ReadStreamString(s);
    X = ReadStreamInteger(s);
    Y = ReadStreamInteger(s);
    Width = ReadStreamInteger(s);
    Height = ReadStreamInteger(s);
    ShowTitle = ReadStreamBoolean(s);
    ShowDim = ReadStreamBoolean(s);
    TruncText = ReadStreamBoolean(s);
}

void TkvrpCommonData::SaveToStream(QIODevice &s) const
{
    WriteStreamString(s, Text);
    WriteStreamInteger(s, X);
    WriteStreamInteger(s, Y);
    WriteStreamInteger(s, Width);
    WriteStreamInteger(s, Height);
    WriteStreamBoolean(s, ShowTitle);
    WriteStreamBoolean(s, ShowDim);
    WriteStreamBoolean(s, TruncText);
}

void TkvrpScrapData::LoadFromStream(QIODevice &s)
{
    TkvrpCommonData::LoadFromStream(s);
    IsLost = ReadStreamBoolean(s);
}

void TkvrpScrapData::SaveToStream(QIODevice &s) const
{
    TkvrpCommonData::SaveToStream(s);
    WriteStreamBoolean(s, IsLost);
}

const TkvrpBrush *TkvrpDetalData::GetBrush() const { return &Owner->DetalBrush; }
const TkvrpPen *TkvrpDetalData::GetPen() const { return &Owner->DetalPen; }
const TrpFont *TkvrpDetalData::GetFont() const { return &Owner->DetalFont; }
const TkvrpBrush *TkvrpScrapData::GetBrush() const { return IsLost ? &Owner->LostScrapBrush : &Owner->ScrapBrush; }
const TkvrpPen *TkvrpScrapData::GetPen() const { return IsLost ? &Owner->LostScrapPen : &Owner->ScrapPen; }
const TrpFont *TkvrpScrapData::GetFont() const { return IsLost ? &Owner->LostScrapFont : &Owner->ScrapFont; }
const TkvrpPen *TkvrpMillLineData::GetPen() const { return &Owner->MillPen; }

void TkvrpCommonData::DrawHorzText(TrpCanvas &c, int x, int y, int boxW, int boxH, const QString &s, int align)
{
    const TrpRect clip{x, y, x + boxW, y + boxH};
    const int tw = c.TextWidth(s);
    int sx = x + 1;
    if (align == 1) sx = x + boxW - tw - 2;
    else if (align == 2) sx = x + (boxW - tw - 2) / 2 + 1;
    c.TextRect(clip, sx, y, s);
}

void TkvrpCommonData::DrawVertText(TrpCanvas &c, int x, int y, int boxW, int boxH, const QString &s, int align)
{
    const int keep = c.Font.Orientation;
    c.Font.Orientation = 900;
    const TrpRect clip{x, y, x + boxW, y + boxH};
    const int tw = c.TextWidth(s);
    int sy = y + boxH - 1;
    if (align == 1) sy = y + tw + 1;
    else if (align == 2) sy = y + boxH - 2 - (boxH - 2 - tw) / 2;
    c.TextRect(clip, x, sy, s);
    c.Font.Orientation = keep;
}

void TkvrpCommonData::Draw(TrpCanvas &c, int x0, int y0) const
{
    const TrpRskMapView &v = *Owner;
    const double s = v.MapScale, sx = v.DrawScaleX, sy = v.DrawScaleY;
    const int L = scaled(X * sx * s) + x0;
    const int T = scaled(Y * sy * s) + y0;
    // At a tiny zoom an item still covers one device unit.
    const int W = std::max(1, scaled(Width * sx * s) - 1);
    const int H = std::max(1, scaled(Height * sy * s) - 1);
    const TrpRect r{L, T, L + W, T + H};

    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    c.FillRect(r);
    const TkvrpBrush &brush = *GetBrush();
    ApplyMapBrush(c, brush);
    ApplyMapPen(c, *GetPen());
    applyFont(c, *GetFont(), v.IsPrinting(), sy);
    FillHatch(c, r, brush);
    c.Rectangle(r);
    if (!ShowTitle && !ShowDim) return;

    kv::MapTextMetrics m;
    m.textHeight = c.TextHeight(QStringLiteral("A"));
    m.nameWidth = ShowTitle ? c.TextWidth(Text) : 0;
    if (ShowDim) {
        m.widthWidth = c.TextWidth(QString::number(Width));
        m.heightWidth = c.TextWidth(QString::number(Height));
    }
    m.xWidth = c.TextWidth(QStringLiteral("x"));
    kv::MapTextInput in;
    in.left = L;
    in.top = T;
    in.w = W;
    in.h = H;
    in.name = Text;
    in.width = Width;
    in.height = Height;
    in.showTitle = ShowTitle;
    in.showDim = ShowDim;
    in.truncText = TruncText;
    const auto items = kv::LayoutMapText(in, m, [&c](const QString &t) { return c.TextWidth(t); });
    c.Brush.Style = bsClear;
    c.BkMode = bkTransparent;
    // Cut texts stay inside their item on every side: a strip lower than a
    // line would otherwise write over its neighbours.
    const bool hadClip = c.HasClip();
    const TrpRect oldClip = c.ClipRect();
    if (TruncText) {
        TrpRect inside{L, T, L + W + 1, T + H + 1};
        if (hadClip)
            inside = {std::max(inside.Left, oldClip.Left), std::max(inside.Top, oldClip.Top),
                      std::min(inside.Right, oldClip.Right), std::min(inside.Bottom, oldClip.Bottom)};
        if (inside.isEmpty()) return;
        c.SetClipRect(inside);
    }
    for (const kv::MapTextItem &t : items) {
        if (t.vertical) DrawVertText(c, t.x, t.y, t.boxW, t.boxH, t.text, t.align);
        else DrawHorzText(c, t.x, t.y, t.boxW, t.boxH, t.text, t.align);
    }
    if (!TruncText) return;
    if (hadClip) c.SetClipRect(oldClip);
    else c.ResetClip();
}

void TkvrpMillLineData::Draw(TrpCanvas &c, int x0, int y0) const
{
    const TrpRskMapView &v = *Owner;
    const double s = v.MapScale, sx = v.DrawScaleX, sy = v.DrawScaleY;
    ApplyMapPen(c, *GetPen());
    const int x1 = x0 + scaled(X * sx * s), y1 = y0 + scaled(Y * sy * s);
    c.Line(x1, y1, x1 + scaled(sx * Width * s), y1 + scaled(sy * Height * s));
}

// ---------------------------------------------------------------- view

TrpRskMapView::TrpRskMapView()
{
    BaseName = QStringLiteral("RskMap");
    for (TrpFont *f : {&DetalFont, &ScrapFont, &LostScrapFont}) {
        f->name = QStringLiteral("Arial");
        f->charset = 204;
    }
}

TrpRskMapView::~TrpRskMapView() = default;

TkvrpCommonData &TrpRskMapView::AddItem(quint8 kind)
{
    std::unique_ptr<TkvrpCommonData> item;
    switch (kind) {
    case 1: item = std::make_unique<TkvrpDetalData>(this); break;
    case 2: item = std::make_unique<TkvrpScrapData>(this); break;
    case 3: item = std::make_unique<TkvrpMillLineData>(this); break;
    default: throw kv::Error(QStringLiteral("Неизвестный элемент карты раскроя (%1).").arg(kind));
    }
    Items.push_back(std::move(item));
    return *Items.back();
}

void TrpRskMapView::LoadFromStream(QIODevice &s)
{
    readViewRecord(s);
    TrpFont fonts[3];
    for (TrpFont &f : fonts) ReadStreamFont(s, f);
    TkvrpBrush brushes[3];
    for (TkvrpBrush &b : brushes) readBrush(s, b);
    TkvrpPen pens[4];
    for (TkvrpPen &p : pens) readPen(s, p);
    const double scale = ReadStreamExtended(s);
    const qint32 count = ReadStreamInteger(s);
    if (count < 0 || (!s.isSequential() && count > (s.size() - s.pos()) / kMinItemBytes))
        throw kv::Error(QStringLiteral("Stream read error"));
    if (!std::isfinite(scale)) throw kv::Error(QStringLiteral("Stream read error"));
    std::vector<std::unique_ptr<TkvrpCommonData>> keep;
    keep.swap(Items);
    try {
        for (qint32 i = 0; i < count; ++i) AddItem(ReadStreamByte(s)).LoadFromStream(s);
    } catch (...) {
        Items.swap(keep);
        throw;
    }
    DetalFont = fonts[0];
    ScrapFont = fonts[1];
    LostScrapFont = fonts[2];
    DetalBrush = brushes[0];
    ScrapBrush = brushes[1];
    LostScrapBrush = brushes[2];
    DetalPen = pens[0];
    ScrapPen = pens[1];
    LostScrapPen = pens[2];
    MillPen = pens[3];
    MapScale = scale;
}

void TrpRskMapView::SaveToStream(QIODevice &s)
{
    writeViewRecord(s);
    for (const TrpFont *f : {&DetalFont, &ScrapFont, &LostScrapFont}) WriteStreamFont(s, *f);
    for (const TkvrpBrush *b : {&DetalBrush, &ScrapBrush, &LostScrapBrush}) writeBrush(s, *b);
    for (const TkvrpPen *p : {&DetalPen, &ScrapPen, &LostScrapPen, &MillPen}) writePen(s, *p);
    WriteStreamExtended(s, MapScale);
    WriteStreamInteger(s, qint32(Items.size()));
    for (const auto &item : Items) {
        WriteStreamByte(s, item->ItemKind());
        item->SaveToStream(s);
    }
    while (!Items.empty()) Items.pop_back();   // last to first
}

void TrpRskMapView::Draw(TrpCanvas *canvas)
{
    if (!canvas) return;
    SetupDraw(canvas);
    ExpandedMemo = Memo;
    ApplyScale();
    const qint32 fill = FillColor;
    FillColor = rpClNone;
    DrawBackground();
    DrawFrame();
    FillColor = fill;
    DrawMap();
    RestoreScale();
}

void TrpRskMapView::DrawMap()
{
    TrpCanvas *c = CurCanvas;
    if (!c || rpReport().IsFirstPass()) return;
    const TrpPen pen = c->Pen;
    const TrpBrush brush = c->Brush;
    const TrpCanvasFont font = c->Font;
    const TrpBkMode mode = c->BkMode;

    c->Pen.Width = std::max(1, rpRound(FrameWidth));
    c->Pen.Color = FrameColor;
    c->Pen.Style = FrameColor == rpClNone ? psClear : psSolid;
    c->Brush.Style = FillColor == rpClNone ? bsClear : bsSolid;
    c->Brush.Color = FillColor;
    const int right = rpRound((SavedBounds.Left + SavedBounds.Width) * DrawScaleX + DrawOffsetX) + 1;
    const int bottom = rpRound((SavedBounds.Top + SavedBounds.Height) * DrawScaleY + DrawOffsetY) + 1;
    c->Rectangle(TrpRect{Left, Top, right, bottom});
    for (const auto &item : Items) item->Draw(*c, Left, Top);

    c->Pen = pen;
    c->Brush = brush;
    c->Font = font;
    c->BkMode = mode;
}

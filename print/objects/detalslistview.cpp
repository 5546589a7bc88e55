#include "print/objects/detalslistview.h"

#include "data/settings.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QBuffer>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void readError() { throw kv::Error(QStringLiteral("Stream read error")); }

// Length byte and up to 20 characters, padded with zeros.
void packName(QByteArray &out, const QString &name)
{
    QByteArray bytes = kv::toCp1251(name).left(kListNameChars);
    out.append(char(bytes.size()));
    out.append(bytes);
    out.append(QByteArray(kListNameChars - bytes.size(), '\0'));
}

QString unpackName(const QByteArray &bytes)
{
    const int n = quint8(bytes[0]);
    if (n > kListNameChars) readError();
    return kv::fromCp1251(bytes.mid(1, n));
}

void packInt(QByteArray &out, qint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// Clipped, aligned text in a box: left, right (1) or centred (2).
void drawText(TrpCanvas &c, int x, int y, int boxW, int boxH, const QString &s, int align)
{
    const int tw = c.TextWidth(s);
    int sx = x + 1;
    if (align == 1) sx = x + boxW - tw - 2;
    else if (align == 2) sx = x + (boxW - tw - 2) / 2 + 1;
    c.TextRect(TrpRect{x, y, x + boxW, y + boxH}, sx, y, s);
}

qint32 unpackInt(const QByteArray &bytes, int offset) { return qFromLittleEndian<qint32>(bytes.constData() + offset); }

void checkCount(QIODevice &s, qint32 count, int recordSize)
{
    if (count < 0 || (!s.isSequential() && count > (s.size() - s.pos()) / recordSize)) readError();
}

} // namespace

// ---------------------------------------------------------------- records

QByteArray TDetalsListRec::Pack() const
{
    QByteArray out;
    out.reserve(kSize);
    packName(out, Name);
    for (qint32 v : {Width, Height, Count, LeftCode, RightCode, TopCode, BottomCode, LeftColor, RightColor, TopColor,
                     BottomColor})
        packInt(out, v);
    return out;
}

TDetalsListRec TDetalsListRec::Unpack(const QByteArray &bytes)
{
    if (bytes.size() != kSize) readError();
    TDetalsListRec r;
    r.Name = unpackName(bytes);
    qint32 *fields[] = {&r.Width, &r.Height, &r.Count, &r.LeftCode, &r.RightCode, &r.TopCode, &r.BottomCode,
                        &r.LeftColor, &r.RightColor, &r.TopColor, &r.BottomColor};
    int offset = 1 + kListNameChars;
    for (qint32 *f : fields) {
        *f = unpackInt(bytes, offset);
        offset += 4;
    }
    return r;
}

QByteArray TBorderTotalRec::Pack() const
{
    QByteArray out;
    out.reserve(kSize);
    packName(out, Name);
    packInt(out, Length);
    packInt(out, Code);
    return out;
}

TBorderTotalRec TBorderTotalRec::Unpack(const QByteArray &bytes)
{
    if (bytes.size() != kSize) readError();
    TBorderTotalRec r;
    r.Name = unpackName(bytes);
    r.Length = unpackInt(bytes, 21);
    r.Code = unpackInt(bytes, 25);
    return r;
}

QString TrpDetalsListView::DetalLine(const TDetalsListRec &r)
{
    return QStringLiteral("%1 [%2x%3] %4 шт").arg(r.Name).arg(r.Width).arg(r.Height).arg(r.Count);
}

QString TrpDetalsListView::TotalLine(const TBorderTotalRec &r, bool withCode)
{
    const QString metres = kv::FormatWithDigits(r.Length / 1000.0, 2) + QStringLiteral("м");
    if (withCode) return QStringLiteral("%1[%2]: %3").arg(r.Name).arg(r.Code).arg(metres);
    return QStringLiteral("%1: %2").arg(r.Name, metres);
}

// ---------------------------------------------------------------- view

TrpDetalsListView::TrpDetalsListView()
{
    BaseName = QStringLiteral("DetalsList");
    ListFont.name = QStringLiteral("Arial");
    ListFont.size = 10;
    ListFont.charset = 204;
}

void TrpDetalsListView::LoadFromStream(QIODevice &s)
{
    readViewRecord(s);
    TrpFont font;
    ReadStreamFont(s, font);
    const bool showBorder = ReadStreamBoolean(s);
    const bool borderCodes = ReadStreamBoolean(s);
    const bool borderStat = ReadStreamBoolean(s);
    const qint32 nDetals = ReadStreamInteger(s);
    checkCount(s, nDetals, TDetalsListRec::kSize);
    std::vector<TDetalsListRec> detals;
    detals.reserve(size_t(nDetals));
    for (qint32 i = 0; i < nDetals; ++i) detals.push_back(TDetalsListRec::Unpack(ReadStreamBytes(s, TDetalsListRec::kSize)));
    const qint32 nTotals = ReadStreamInteger(s);
    checkCount(s, nTotals, TBorderTotalRec::kSize);
    std::vector<TBorderTotalRec> totals;
    totals.reserve(size_t(nTotals));
    for (qint32 i = 0; i < nTotals; ++i) totals.push_back(TBorderTotalRec::Unpack(ReadStreamBytes(s, TBorderTotalRec::kSize)));
    ListFont = font;
    ShowBorder = showBorder;
    BorderCodes = borderCodes;
    BorderStat = borderStat;
    Detals = std::move(detals);
    Totals = std::move(totals);
}

void TrpDetalsListView::SaveToStream(QIODevice &s)
{
    writeViewRecord(s);
    WriteStreamFont(s, ListFont);
    WriteStreamBoolean(s, ShowBorder);
    WriteStreamBoolean(s, BorderCodes);
    WriteStreamBoolean(s, BorderStat);
    WriteStreamInteger(s, qint32(Detals.size()));
    for (const TDetalsListRec &r : Detals) WriteStreamBytes(s, r.Pack());
    WriteStreamInteger(s, qint32(Totals.size()));
    for (const TBorderTotalRec &r : Totals) WriteStreamBytes(s, r.Pack());
    Detals.clear();
    Totals.clear();
}

void TrpDetalsListView::Draw(TrpCanvas *canvas)
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
    DrawView();
    RestoreScale();
}

void TrpDetalsListView::ExportData()
{
    TrpView::ExportData();
    m_exporting = true;
    try {
        Draw(&rpMeasuringCanvas());
    } catch (...) {
        m_exporting = false;
        throw;
    }
    m_exporting = false;
}

void TrpDetalsListView::DrawView()
{
    TrpCanvas *c = CurCanvas;
    if (!c || rpReport().IsFirstPass()) return;
    const int right = rpRound((SavedBounds.Left + SavedBounds.Width) * DrawScaleX + DrawOffsetX);
    const int bottom = rpRound((SavedBounds.Top + SavedBounds.Height) * DrawScaleY + DrawOffsetY);
    const TrpPen pen = c->Pen;
    const TrpBrush brush = c->Brush;
    const TrpCanvasFont font = c->Font;
    const TrpBkMode mode = c->BkMode;
    const bool hadClip = c->HasClip();
    const TrpRect oldClip = c->ClipRect();
    // Nothing runs over the objects below or beside the list.
    c->SetClipRect(TrpRect{Left, Top, right + 1, bottom + 1});
    DrawList(Left, Top, bottom, right);
    if (hadClip) c->SetClipRect(oldClip);
    else c->ResetClip();
    c->Pen = pen;
    c->Brush = brush;
    c->Font = font;
    c->BkMode = mode;
}

TrpDetalsListView::Metrics TrpDetalsListView::MeasureLines() const
{
    TrpCanvas &c = rpMeasuringCanvas();
    const TrpCanvasFont keep = c.Font;
    c.SetFont(ListFont, 1.0);
    if (c.Font.Height == 0) c.Font.Height = -1;
    Metrics m;
    m.line = std::max(1, c.TextHeight(QStringLiteral("A")));
    c.Font.Height = std::min(-1, int(std::trunc(c.Font.Height * 0.8)));
    m.sketch = std::max(1, c.TextHeight(QStringLiteral("A")));
    c.Font = keep;
    return m;
}

int TrpDetalsListView::ContentHeight(size_t detals, size_t totals, const Metrics &m) const
{
    detals = std::min(detals, Detals.size());
    totals = std::min(totals, Totals.size());
    int h = 0;
    if (detals > 0) {
        h += int(m.line * 1.3);
        for (size_t i = 0; i < detals; ++i) {
            h += m.line;
            if (ShowBorder && Detals[i].HasBorder()) h += 2 + 2 * m.sketch + 2;
        }
    }
    if (totals > 0) h += m.line / 2 + int(m.line * 1.3) + int(totals) * m.line;
    // Below the last line half of one: at some zooms a line of text stands a
    // little taller than its place, and what follows the list keeps apart.
    if (h > 0) h += m.line / 2;
    return h;
}

int TrpDetalsListView::CalcHeight()
{
    LayoutMode = 1;
    ApplyBandAlign(nullptr);
    TrpReportLink &r = rpReport();
    ExpandedMemo = Memo;
    r.BeforePrint(ExpandedMemo, this);
    if (!PrintScript.isEmpty()) r.RunScript(PrintScript, this);
    if (!Visible) return 0;
    return ContentHeight(Detals.size(), Totals.size(), MeasureLines());
}

int TrpDetalsListView::MinHeight()
{
    const Metrics m = MeasureLines();
    return Detals.empty() ? ContentHeight(0, 1, m) : ContentHeight(1, 0, m);
}

void TrpDetalsListView::Print(QIODevice &stream)
{
    if (LayoutMode == 0) {
        TrpView::Print(stream);
        return;
    }
    ApplyBandAlign(nullptr);
    m_remain = 0;
    if (!Visible) {   // hidden by a script when it was measured
        LayoutMode = 0;
        return;
    }
    std::vector<TDetalsListRec> restDetals;
    std::vector<TBorderTotalRec> restTotals;
    if (LayoutMode == 2) {
        const Metrics m = MeasureLines();
        size_t nd = 0, nt = 0;
        while (nd < Detals.size() && ContentHeight(nd + 1, 0, m) <= Height) ++nd;
        if (nd == Detals.size())
            while (nt < Totals.size() && ContentHeight(nd, nt + 1, m) <= Height) ++nt;
        // Each piece takes a line at least, so a page too low for one still ends the list.
        if (nd == 0 && nt == 0) (Detals.empty() ? nt : nd) = 1;
        const int used = ContentHeight(nd, nt, m);
        // The next piece repeats its heading and has a bottom of its own.
        int heading = m.line / 2;
        if (nd < Detals.size()) heading += int(m.line * 1.3);
        else if (nt > 0 && nt < Totals.size()) heading += m.line / 2 + int(m.line * 1.3);
        m_remain = std::max(0, Height - used) + heading;
        restDetals.assign(Detals.begin() + qsizetype(std::min(nd, Detals.size())), Detals.end());
        restTotals.assign(Totals.begin() + qsizetype(std::min(nt, Totals.size())), Totals.end());
        Detals.resize(std::min(nd, Detals.size()));
        Totals.resize(std::min(nt, Totals.size()));
    }
    const bool wasPrepared = InPreparedPage;
    InPreparedPage = true;
    try {
        WriteObject(stream);   // empties both lists
    } catch (...) {
        InPreparedPage = wasPrepared;
        LayoutMode = 0;
        throw;
    }
    InPreparedPage = wasPrepared;
    if (LayoutMode == 2) {
        Detals = std::move(restDetals);
        Totals = std::move(restTotals);
    } else {
        LayoutMode = 0;
    }
}

void TrpDetalsListView::DrawList(int x, int y, int bottom, int right)
{
    TrpCanvas &c = *CurCanvas;
    // Lines stand at their places in page units, scaled: the list takes the
    // height it was measured for at every zoom, on paper and in an export.
    const Metrics m = MeasureLines();
    const double scale = DrawScaleY;
    auto at = [&](int units) { return y + rpRound(units * scale); };
    c.SetFont(ListFont, IsPrinting() ? 1.0 : DrawScaleY);
    if (!c.IsPrinter() && c.Font.Height == 0) c.Font.Height = -1;
    if (c.Font.Color == clNone) c.Font.Color = clBlack;
    c.Brush.Style = bsClear;
    c.BkMode = bkTransparent;
    const int boxW = right - x;
    auto text = [&](int ty, const QString &s) {
        if (ty >= bottom) return;
        if (m_exporting) rpReport().ExportText(TrpRect{x, ty, x + boxW, bottom}, x + 1, ty, this, 0, s);
        else drawText(c, x, ty, boxW, bottom - ty, s, 0);
    };
    int u = 0;
    if (!Detals.empty()) {
        text(at(u), QStringLiteral("Список деталей:"));
        u += int(m.line * 1.3);
        for (const TDetalsListRec &r : Detals) {
            if (at(u) >= bottom) break;
            text(at(u), DetalLine(r));
            u += m.line;
            if (ShowBorder && r.HasBorder()) {
                u += 2;
                int by = at(u);
                DrawBorderBox(x, by, r, std::max(1, rpRound(m.sketch * scale)));
                u += 2 * m.sketch + 2;
            }
        }
    }
    if (!Totals.empty() && at(u) < bottom) {
        u += m.line / 2;
        text(at(u), QStringLiteral("Список кромок:"));
        u += int(m.line * 1.3);
        for (const TBorderTotalRec &r : Totals) {
            if (at(u) >= bottom) break;
            text(at(u), TotalLine(r, BorderCodes));
            u += m.line;
        }
    }
}

void TrpDetalsListView::DrawBorderBox(int x, int &y, const TDetalsListRec &rec, int s)
{
    TrpCanvas &c = *CurCanvas;
    const TrpCanvasFont keep = c.Font;
    const int pw = std::max(1, int(std::trunc(DrawScaleY * 3)));
    if (c.Font.Height != 0) c.Font.Height = std::min(-1, int(std::trunc(c.Font.Height * 0.8)));
    else c.Font.Size = std::max(1, int(std::trunc(c.Font.Size * 0.8)));
    c.Brush.Style = bsClear;
    c.Pen.Style = psSolid;
    const int x2 = x + 3 * s, y2 = y + 2 * s;
    struct Side { qint32 code, color; };
    const Side sides[] = {{rec.LeftCode, rec.LeftColor}, {rec.RightCode, rec.RightColor}, {rec.TopCode, rec.TopColor},
                          {rec.BottomCode, rec.BottomColor}};
    const int midY = y + (y2 - y - s) / 2;
    for (int i = 0; i < 4; ++i) {
        const Side &side = sides[i];
        if (side.code < 1) {
            c.Pen.Color = clBlack;
            c.Pen.Width = 1;
        } else {
            c.Pen.Color = side.color == clNone ? clBlack : side.color;
            c.Pen.Width = pw;
            if (BorderCodes && !m_exporting) {
                const QString code = QString::number(side.code);
                switch (i) {
                case 0: drawText(c, x + 1, midY, x2 - x, s, code, 0); break;
                case 1: drawText(c, x, midY, x2 - x - 1, s, code, 1); break;
                case 2: drawText(c, x, y, x2 - x, s, code, 2); break;
                default: drawText(c, x, y2 - s, x2 - x, s, code, 2); break;
                }
            }
        }
        switch (i) {
        case 0: c.Line(x, y, x, y2); break;
        case 1: c.Line(x2, y, x2, y2); break;
        case 2: c.Line(x, y, x2, y); break;
        default: c.Line(x, y2, x2, y2); break;
        }
    }
    c.Font = keep;
    y = y2;
}

// Drawing of the views on a canvas: fill, frame, text, pictures and lines,
// and the drawing of prepared pages.
#include <QPainter>

#include "platform/error.h"
#include "report/model/memo.h"
#include "report/model/page.h"
#include "report/model/prepared.h"
#include "report/model/views.h"

namespace {

// Scaled right and bottom of the saved geometry.
int scaledRight(const TrpView &v)
{
    return rpRound(v.DrawScaleX * (v.SavedBounds.Left + v.SavedBounds.Width) + v.DrawOffsetX);
}

int scaledBottom(const TrpView &v)
{
    return rpRound(v.DrawScaleY * (v.SavedBounds.Top + v.SavedBounds.Height) + v.DrawOffsetY);
}

// Justification spreads over both kinds of blank, so either makes a line justifiable.
bool hasBlank(const QString &text)
{
    return text.contains(QLatin1Char(' ')) || text.contains(QChar(0xA0));
}

} // namespace

// ---------------------------------------------------------------- fill and frame

void TrpView::FillBackground()
{
    TrpCanvas *c = CurCanvas;
    if (!c || rpReport().IsFirstPass()) return;
    if (FillColor == rpClNone && (rpObjects().DrawingPrepared || !rpObjects().Designing)) return;
    c->BkMode = bkOpaque;
    c->Brush.Style = bsSolid;
    c->Brush.Color = FillColor == rpClNone ? rpClWhite : FillColor;
    if (rpObjects().Designing) c->FillRect(DrawRect);
    else c->FillRect(TrpRect{Left, Top, scaledRight(*this), scaledBottom(*this)});
}

void TrpView::DrawFrame()
{
    TrpCanvas *c = CurCanvas;
    if (!c || rpReport().IsFirstPass()) return;
    if (FrameTyp == rpftNone) return;
    const int w = std::max(1, rpRound(FrameWidth));
    const int l = Left, t = Top, r = Left + Width, b = Top + Height;
    struct Seg { int bit; int x1, y1, x2, y2; bool vertical; };
    const Seg segs[] = {{rpftRight, r, t, r, b + 1, true}, {rpftLeft, l, t, l, b + 1, true},
                        {rpftBottom, l, b, r + 1, b, false}, {rpftTop, l, t, r + 1, t, false}};
    auto line = [c](const Seg &s, int off) {
        if (s.vertical) c->Line(s.x1 + off, s.y1, s.x2 + off, s.y2);
        else c->Line(s.x1, s.y1 + off, s.x2, s.y2 + off);
    };
    const TrpBkMode savedMode = c->BkMode;
    for (const Seg &s : segs) {
        if (!(FrameTyp & s.bit)) continue;
        c->Pen.Color = FrameColor;
        if (FrameStyle == rppsSolid) {
            c->Pen.Style = psSolid;
            c->Pen.Width = w;
            line(s, 0);
        } else if (FrameStyle == rppsDouble) {
            c->Pen.Style = psSolid;
            c->Pen.Width = w;
            line(s, -w);
            line(s, w);
            if (FillColor != rpClNone) {
                c->Pen.Color = FillColor;
                line(s, 0);
            }
        } else {
            // Dashed styles: one-pixel lines side by side; the gaps take the fill colour.
            c->Pen.Style = TrpPenStyle(FrameStyle);
            c->Pen.Width = 1;
            c->BkMode = FillColor == rpClNone ? bkTransparent : bkOpaque;
            c->Brush.Color = FillColor;
            for (int k = 0; k < w; ++k) line(s, k - w / 2);
        }
    }
    c->BkMode = savedMode;
    c->Pen.Style = psSolid;
    c->Pen.Width = 1;
}

void TrpView::Draw(TrpCanvas *canvas)
{
    ApplyBandAlign(canvas);
    BeginDraw();
    FillBackground();
    DrawFrame();
    EndDraw();
}

// ---------------------------------------------------------------- memo

void TrpMemoView::Draw(TrpCanvas *canvas)
{
    TrpObjectState &st = rpObjects();
    const bool autoWidth = (Flags & rpmfAutoWidth) && st.DrawingPrepared && !Memo.isEmpty();
    if (autoWidth) {
        const int w = CalcAutoWidth(Memo, canvas);
        if (!AutoAnchored) {
            AutoAnchored = true;
            AutoLeft = Left;
            AutoRight = Left + Width;
        }
        if (Alignment & rptaVertical) Height = w;
        else {
            // right or justified: the right edge stays where it was
            Left = (Alignment & 1) ? AutoRight - w : AutoLeft;
            Width = w;
        }
    }
    ApplyBandAlign(canvas);
    StopAtBottom = false;
    ExpandedMemo = Memo;
    if (!ExpandedMemo.isEmpty()) {
        PreWrapped = ExpandedMemo.join(QString()).contains(QChar(1));
        if (ExpandedMemo.last() == QString(QChar(1))) ExpandedMemo.removeLast();
        const double sx = DrawScaleX, sy = DrawScaleY;
        const int ox = DrawOffsetX, oy = DrawOffsetY;
        DrawScaleX = DrawScaleY = 1;
        DrawOffsetX = DrawOffsetY = 0;
        BeginDraw();
        if (autoWidth) Width += 100;
        const QStringList lines = LayoutText();
        EndDraw();
        DrawScaleX = sx;
        DrawScaleY = sy;
        DrawOffsetX = ox;
        DrawOffsetY = oy;
        ExpandedMemo = lines;
    }
    BeginDraw();
    if (!ExportMode) {
        FillBackground();
        DrawFrame();
        drawUnderlines();
    }
    if (!ExpandedMemo.isEmpty()) drawText();
    if (CurCanvas) CurCanvas->CharExtra = 0;
    EndDraw();
}

void TrpMemoView::drawUnderlines()
{
    TrpCanvas *c = CurCanvas;
    if (!c || !(Flags & rpmfUnderlines)) return;
    c->Pen.Color = FrameColor;
    c->Pen.Width = std::max(1, rpRound(FrameWidth));
    c->Pen.Style = psSolid;
    const int fontPx = ToPrinter ? c->FontPixelHeight() : rpFontPixelHeight(Font.size, DrawScaleY);
    const int step = rpRound(LineSpacing * DrawScaleY) + fontPx;
    if (step <= 0) return;
    for (int i = 0; i < Height / step; ++i) {
        const int y = Top + GapY + i * step + fontPx + rpRound(2 * DrawScaleY);
        c->Line(Left, y, Left + Width - 1, y);
    }
}

void TrpMemoView::drawText()
{
    TrpCanvas *c = CurCanvas;
    if (!c) return;
    c->BkMode = bkTransparent;
    c->SetFont(Font, ToPrinter ? 1.0 : DrawScaleY);
    const bool vertical = Alignment & rptaVertical;
    if (vertical) c->Font.Orientation = 900;
    c->CharExtra = rpRound(CharSpacing * DrawScaleX);
    const TrpRect clip{DrawRect.Left + 1, DrawRect.Top, DrawRect.Right - 2, DrawRect.Bottom - 1};
    TextHeight = rpRound(TextHeight * DrawScaleY);
    const int savedLeft = Left, savedTop = Top;
    const int block = Alignment & (rptaMiddle | rptaDown);
    const int align = Alignment & 7;
    if (block) {
        if (!vertical && !StopAtBottom) {
            if (block == rptaMiddle) Top = Top + (DrawRect.height() - TextHeight) / 2;
            else Top = DrawRect.Bottom - TextHeight - 1;
        } else if (vertical) {
            if (block == rptaMiddle) Left = Left + (DrawRect.width() - TextHeight) / 2;
            else Left = DrawRect.Right - TextHeight;
        }
    }
    const int fontPx = c->FontPixelHeight();
    const qsizetype n = ExpandedMemo.size();
    LinesDrawn = 0;
    TrpReportLink &report = rpReport();
    auto frameFor = [&](qsizetype i) {
        if (vertical) return 0;
        int f = FrameTyp;
        if (n > 1) {
            if (i == 0) f &= ~rpftBottom;
            else if (i == n - 1) f &= ~rpftTop;
            else f &= ~(rpftTop | rpftBottom);
        }
        return f;
    };
    if (!vertical) {
        // the lines keep their place; only their reading order turns
        const bool savedRtl = c->RightToLeft;
        c->RightToLeft = (Flags & rpmfRTLReading) != 0;
        int y = Top + GapY;
        const int step = rpRound(LineSpacing * DrawScaleY) + fontPx;
        for (qsizetype i = 0; i < n; ++i) {
            if (StopAtBottom && y + step > clip.Bottom) break;
            QString text = ExpandedMemo[i];
            const bool last = text.endsWith(QChar(1));
            text.remove(QChar(1));
            // Only the alignments that place the text by its width measure it.
            const bool byWidth = align == rptaRight || align == rptaCenter || (align == rptaJustify && !ExportMode);
            const int tw = byWidth ? c->TextWidth(text) : 0;
            int x = Left + GapX;
            if (align == rptaRight) x = Left + DrawRect.width() - GapX - tw - 1;
            else if (align == rptaCenter) x = Left + GapX + (DrawRect.width() - 2 * GapX - tw) / 2;
            if (ExportMode) {
                report.ExportText(DrawRect, x, y, this, frameFor(i), text);
            } else if (align == rptaJustify && !last && hasBlank(text)) {
                c->TextOutJustified(clip, x, y, text, DrawRect.width() - 2 * GapX - tw);
            } else {
                c->TextRect(clip, x, y, text);
            }
            ++LinesDrawn;
            y += step;
        }
        c->RightToLeft = savedRtl;
    } else {
        int x = Left + GapX;
        const int step = rpRound(LineSpacing * DrawScaleX) + fontPx;
        for (qsizetype i = 0; i < n; ++i) {
            QString text = ExpandedMemo[i];
            const bool last = text.endsWith(QChar(1));
            text.remove(QChar(1));
            const bool byWidth = align == 5 || align == 6 || (align == 7 && !ExportMode);
            const int tw = byWidth ? c->TextWidth(text) : 0;
            int y = DrawRect.Bottom - GapY;
            if (align == 5) y = Top + GapY + tw;
            else if (align == 6) y = DrawRect.Bottom - GapY - (DrawRect.height() - 2 * GapY - tw) / 2 - 1;
            else if (align == 7) y = Top + DrawRect.height() - GapY;
            if (ExportMode) report.ExportText(DrawRect, x, y, this, 0, text);
            else if (align == 7 && !last && hasBlank(text))
                c->TextOutJustified(clip, x, y, text, DrawRect.height() - 2 * GapY - tw);
            else c->TextRect(clip, x, y, text);
            ++LinesDrawn;
            x += step;
        }
    }
    Left = savedLeft;
    Top = savedTop;
    c->Font.Orientation = 0;
}

void TrpMemoView::ExportData()
{
    TrpView::ExportData();
    ExportMode = true;
    try {
        Draw(&rpMeasuringCanvas());
    } catch (...) {
        ExportMode = false;
        throw;
    }
    ExportMode = false;
}

// ---------------------------------------------------------------- other views

void TrpPictureView::Draw(TrpCanvas *canvas)
{
    ApplyBandAlign(canvas);
    BeginDraw();
    FillBackground();
    if (CurCanvas && !Picture.Image.isNull() && !(ToPrinter && Picture.Kind == rppkIcon))
        CurCanvas->StretchDraw(PictureTarget(), Picture.Image);
    DrawFrame();
    EndDraw();
}

void TrpLineView::Draw(TrpCanvas *canvas)
{
    ApplyBandAlign(canvas);
    Orient();
    BeginDraw();
    DrawFrame();
    EndDraw();
}

// ---------------------------------------------------------------- dialog controls

// TrpControl::Draw paints a widget: it lives with the windows.

void TrpNonVisualControl::Draw(TrpCanvas *canvas)
{
    Width = Height = 28;
    ApplyBandAlign(canvas);
    BeginDraw();
    if (TrpCanvas *c = CurCanvas) {
        c->BkMode = bkOpaque;
        c->Brush.Style = bsSolid;
        c->Brush.Color = rpClBtnFace;
        c->FillRect(DrawRect);
        // a raised edge: light outer and inner lines at the top left, dark ones at the bottom right
        const TrpRect r = DrawRect;
        auto edge = [c](const TrpRect &e, TrpColor light, TrpColor dark) {
            c->Pen.Style = psSolid;
            c->Pen.Width = 1;
            c->Pen.Color = light;
            c->Line(e.Left, e.Bottom - 1, e.Left, e.Top);
            c->Line(e.Left, e.Top, e.Right - 1, e.Top);
            c->Pen.Color = dark;
            c->Line(e.Right - 1, e.Top, e.Right - 1, e.Bottom - 1);
            c->Line(e.Right - 1, e.Bottom - 1, e.Left - 1, e.Bottom - 1);
        };
        edge(r, rpClWhite, rpClBlack);
        edge(TrpRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, 0xE3E3E3, 0x808080);
        if (!IconBitmap.isNull())
            c->StretchDraw(TrpRect{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2}, IconBitmap);
    }
    EndDraw();
}

const QImage &rpNonVisualIcon()
{
    static const QImage icon = [] {
        QImage img(24, 24, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setPen(QColor(64, 64, 64));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(3, 5, 17, 14);
        p.setBrush(QColor(0, 90, 170));
        p.drawRect(6, 8, 5, 5);
        p.drawLine(13, 9, 17, 9);
        p.drawLine(13, 12, 17, 12);
        p.drawLine(6, 15, 17, 15);
        return img;
    }();
    return icon;
}

// Band and subreport views show themselves only in a designer.
void TrpBandView::Draw(TrpCanvas *canvas) { CurCanvas = canvas; }
void TrpSubReportView::Draw(TrpCanvas *canvas) { CurCanvas = canvas; }

// ---------------------------------------------------------------- prepared pages

void TrpEMFPages::DrawPage(int index, TrpCanvas *canvas, const QRect &rect)
{
    TrpPreparedPage *e = GetPage(index);
    if (!e) throw kv::Error(QStringLiteral("There is no prepared page %1").arg(index + 1));
    if (!canvas) return;
    const bool screen = canvas->Kind() == TrpCanvasKind::Screen;
    // The preview keeps objects only of the pages it shows; printing and
    // exporting draw any page.
    if (!e->Visible && screen) {
        e->UnpackedPage.reset();
        return;
    }
    const bool keep = e->UnpackedPage != nullptr || e->Visible;
    TrpObjectState &st = rpObjects();
    const bool savedPrepared = st.DrawingPrepared;
    TrpPage *savedPage = st.CurPage;
    st.DrawingPrepared = true;
    try {
        TrpPage *page = UnpackPage(index);
        st.CurPage = page;
        const double kx = e->PageMetrics.Width > 0 ? double(rect.width()) / e->PageMetrics.Width : 1;
        const double ky = e->PageMetrics.Height > 0 ? double(rect.height()) / e->PageMetrics.Height : 1;
        for (const auto &v : page->Views()) {
            if (screen) {
                const TrpRect r{rpRound(v->Left * kx) + rect.left() - 10, rpRound(v->Top * ky) + rect.top() - 10,
                                rpRound((v->Left + v->Width) * kx) + rect.left() + 10,
                                rpRound((v->Top + v->Height) * ky) + rect.top() + 10};
                if (!canvas->RectVisible(r)) continue;
            }
            v->DrawScaleX = kx;
            v->DrawScaleY = ky;
            v->DrawOffsetX = rect.left();
            v->DrawOffsetY = rect.top();
            v->ToPrinter = canvas->IsPrinter();
            v->Draw(canvas);
        }
    } catch (...) {
        st.DrawingPrepared = savedPrepared;
        st.CurPage = savedPage;
        throw;
    }
    st.DrawingPrepared = savedPrepared;
    st.CurPage = savedPage;
    if (!keep) e->UnpackedPage.reset();
}

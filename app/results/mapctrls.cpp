#include "app/results/mapctrls.h"

#include "app/results/maptext.h"
#include "platform/ui.h"
#include "widgets/gwcolors.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

using namespace kv;

namespace {

QColor Qc(MapColor c) { return gw::toQColor(gw::Color(c)); }

void DrawTexts(QPainter &p, const std::vector<TextOp> &ops)
{
    const QFontMetrics fm(p.font());
    for (const TextOp &op : ops) {
        p.save();
        if (!op.clip.isNull())
            p.setClipRect(op.clip);
        if (op.turned) {
            p.translate(op.x, op.y);
            p.rotate(-90);
            p.drawText(0, fm.ascent(), op.text);
        } else {
            p.drawText(op.x, op.y + fm.ascent(), op.text);
        }
        p.restore();
    }
}

} // namespace

int ToPixels(int32_t mm, double ratio)
{
    const double v = std::nearbyint(double(mm) * ratio);
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(v, -1e6, 1e6));
}

// --- items -------------------------------------------------------------------

TMapItemCtrl::TMapItemCtrl(TSheetCtrl *sheet, MapItemKind kind, int index)
    : QWidget(sheet), m_sheet(sheet), m_kind(kind), m_index(index)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TMapItemCtrl::place(int32_t left, int32_t top, int32_t w, int32_t h, double ratio)
{
    setGeometry(ToPixels(left, ratio), ToPixels(top, ratio), std::max(0, ToPixels(w, ratio)),
                std::max(0, ToPixels(h, ratio)));
}

bool TMapItemCtrl::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        // Hints are made when asked, so loaded maps have them as fresh ones do.
        auto *he = static_cast<QHelpEvent *>(e);
        if (m_sheet->Document().Display.ShowHints)
            QToolTip::showText(he->globalPos(), MessageDisplayText(m_sheet->HintOf({m_kind, m_index})), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void TMapItemCtrl::contextMenuEvent(QContextMenuEvent *e)
{
    if (m_sheet->OnItemMenu)
        m_sheet->OnItemMenu(m_sheet, {m_kind, m_index}, e->globalPos());
}

TDetalCtrl::TDetalCtrl(TSheetCtrl *sheet, int index) : TMapItemCtrl(sheet, MapItemKind::Detal, index)
{
    setObjectName(QStringLiteral("TDetalCtrl%1").arg(index));
}

const MapPart &TDetalCtrl::Part() const { return m_sheet->Tab().Parts[size_t(m_index)]; }

void TDetalCtrl::ApplyRatio(double ratio)
{
    const MapPart &p = Part();
    place(p.RealLeft, p.RealTop, p.RealWidth, p.RealHeight, ratio);
}

void TDetalCtrl::paintEvent(QPaintEvent *)
{
    const MapPart &part = Part();
    const int w = width(), h = height();
    QPainter p(this);
    // The last column and row stay the sheet's: a line between neighbours.
    p.fillRect(QRect(0, 0, w - 1, h - 1), Qc(part.BrushColor));
    for (const BorderMark &m : LayoutBorderMarks(part, w, h)) {
        QPen pen(Qc(m.color));
        pen.setWidth(3);
        p.setPen(pen);
        p.drawLine(m.x1, m.y1, m.x2, m.y2);
    }
    p.setFont(m_sheet->MapFont());
    p.setPen(Qc(MapColor(m_sheet->Document().Display.Font.color)));
    DrawTexts(p, LayoutDetalText(part, w, h, FontMeasure(p.font())));
}

TScrapCtrl::TScrapCtrl(TSheetCtrl *sheet, int index) : TMapItemCtrl(sheet, MapItemKind::Scrap, index)
{
    setObjectName(QStringLiteral("TScrapCtrl%1").arg(index));
}

const MapScrap &TScrapCtrl::Scrap() const { return m_sheet->Tab().Scraps[size_t(m_index)]; }

void TScrapCtrl::ApplyRatio(double ratio)
{
    const MapScrap &s = Scrap();
    place(s.RealLeft, s.RealTop, s.RealWidth, s.RealHeight, ratio);
}

void TScrapCtrl::paintEvent(QPaintEvent *)
{
    const MapScrap &s = Scrap();
    QPainter p(this);
    p.fillRect(rect(), Qc(s.Color));
    p.setFont(m_sheet->MapFont());
    p.setPen(Qc(MapColor(m_sheet->Document().Display.Font.color)));
    DrawTexts(p, LayoutScrapText(s, width(), height(), FontMeasure(p.font())));
}

TMillLineCtrl::TMillLineCtrl(TSheetCtrl *sheet, int index) : TMapItemCtrl(sheet, MapItemKind::MillLine, index)
{
    setObjectName(QStringLiteral("TMillLineCtrl%1").arg(index));
}

const MapCut &TMillLineCtrl::Cut() const { return m_sheet->Tab().Cuts[size_t(m_index)]; }

void TMillLineCtrl::ApplyRatio(double ratio)
{
    const MapCut &c = Cut();
    place(c.RealLeft, c.RealTop, c.RealWidth, c.RealHeight, ratio);
    // A kerf thinner than a pixel still shows as a line.
    if (c.MillOrient && height() == 0 && c.RealHeight > 0)
        resize(width(), 1);
    if (!c.MillOrient && width() == 0 && c.RealWidth > 0)
        resize(1, height());
    setVisible(c.Visible);
}

void TMillLineCtrl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qc(Cut().Color));
}

// --- sheet -------------------------------------------------------------------

TSheetCtrl::TSheetCtrl(MapDocument &doc, int tab, QWidget *parent) : QWidget(parent), m_doc(doc), m_tab(tab)
{
    setObjectName(QStringLiteral("TSheetCtrl"));
    move(4, 4);
    resize(20, 20);
    const MapTab &t = Tab();
    for (int i = 0; i < int(t.Parts.size()); ++i)
        m_items << new TDetalCtrl(this, i);
    for (int i = 0; i < int(t.Scraps.size()); ++i)
        m_items << new TScrapCtrl(this, i);
    for (int i = 0; i < int(t.Cuts.size()); ++i)
        m_items << new TMillLineCtrl(this, i);
    SetRatio(1.0);
}

void TSheetCtrl::SetRatio(double ratio)
{
    if (!(ratio > 0) || !std::isfinite(ratio))
        ratio = 1.0;
    m_ratio = ratio;
    const MapTab &t = Tab();
    resize(std::max(0, ToPixels(t.RealWidth, ratio)), std::max(0, ToPixels(t.RealHeight, ratio)));
    for (TMapItemCtrl *c : m_items)
        c->ApplyRatio(ratio);
}

void TSheetCtrl::SyncFromDocument()
{
    for (TMapItemCtrl *c : m_items) {
        if (c->Kind() == MapItemKind::MillLine)
            c->setVisible(Tab().Cuts[size_t(c->Index())].Visible);
        c->update();
    }
    update();
}

QFont TSheetCtrl::MapFont() const
{
    QFont f = m_doc.Display.Font.toQFont();
    return f;
}

void TSheetCtrl::SetMapFont(const QFont &f)
{
    m_doc.Display.Font.setFromQFont(f);
    SyncFromDocument();
}

MapHit TSheetCtrl::HitTest(const QPoint &pos) const
{
    if (!rect().contains(pos))
        return {};
    // Later children lie on top.
    for (int i = int(m_items.size()) - 1; i >= 0; --i) {
        const TMapItemCtrl *c = m_items[i];
        if (c->isVisibleTo(this) && c->geometry().contains(pos))
            return {c->Kind(), c->Index()};
    }
    return {MapItemKind::Sheet, m_tab};
}

QString TSheetCtrl::HintOf(const MapHit &hit) const
{
    const MapTab &t = Tab();
    switch (hit.kind) {
    case MapItemKind::Detal:
        return DetalHint(t.Parts[size_t(hit.index)]);
    case MapItemKind::Scrap:
        return ScrapHint(t.Scraps[size_t(hit.index)]);
    case MapItemKind::MillLine:
        return MillHint(t.Cuts[size_t(hit.index)]);
    default:
        return QString();
    }
}

QString TSheetCtrl::HintAt(const QPoint &pos) const { return HintOf(HitTest(pos)); }

void TSheetCtrl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qc(Tab().Color));
}

bool TSheetCtrl::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void TSheetCtrl::contextMenuEvent(QContextMenuEvent *e)
{
    if (OnItemMenu)
        OnItemMenu(this, {MapItemKind::Sheet, m_tab}, e->globalPos());
}

#include "widgets/gwtext.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

using namespace kv::gw;

QPoint kv::gw::OrientationStep(TgwOrientation o)
{
    switch (o) {
    case gwTopLeft: return {1, 1};
    case gwTopRight: return {-1, 1};
    case gwBottomLeft: return {1, -1};
    case gwBottomRight: return {-1, -1};
    case gwTop: return {0, 1};
    case gwRight: return {-1, 0};
    case gwLeft: return {1, 0};
    case gwBottom: return {0, -1};
    }
    return {0, 0};
}

int TgwText::R(double x) { return int(std::lround(x - 0.4999)); }

void TgwText::SetRotation(int v)
{
    // -360 and its multiples are 0, not 360.
    m_rotation = v < 0 ? (360 - ((-v) % 360)) % 360 : v % 360;
    sizeChanged();
}

QStringList TgwText::lines() const
{
    if (m_text.isEmpty())
        return {};
    QString t = m_text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t.split(QLatin1Char('\n'));
}

QSize TgwText::TextExtent() const
{
    QString t = m_text;
    if (m_options & toShowAccel)
        t = StripAccelerators(t);
    if (t.isEmpty())
        return QSize(0, 0);
    return MultiLineExtent(Font, t, m_lineSpacing, WordWrap ? std::max(1, Area.width()) : 0);
}

QPoint TgwText::shadowOffset() const
{
    if (!Shadow.Enabled)
        return {0, 0};
    int x = Shadow.XOffset, y = Shadow.YOffset;
    if (Extrude.Enabled) {
        const QPoint s = OrientationStep(Extrude.Orientation);
        if ((s.x() >= 0 && x <= 0) || (s.x() < 0 && x > 0)) x = 0;
        if ((s.y() >= 0 && y <= 0) || (s.y() < 0 && y > 0)) y = 0;
    }
    return {x, y};
}

QSize TgwText::RotatedExtent(bool unclipped) const
{
    const double a = m_rotation * M_PI / 180.0;
    QSize s = TextExtent();
    int w = s.width(), h = s.height();
    if (Extrude.Enabled) {
        const QPoint st = OrientationStep(Extrude.Orientation);
        w += std::abs(st.x()) * Extrude.Depth;
        h += std::abs(st.y()) * Extrude.Depth;
    }
    const QPoint so = shadowOffset();
    w += std::abs(so.x());
    h += std::abs(so.y());
    if (m_style == gwlsOutline) {
        w += 2;
        h += 2;
    }
    int rw = R(std::fabs(std::cos(a)) * w + std::fabs(std::sin(a)) * h);
    int rh = R(std::fabs(std::sin(a)) * w + std::fabs(std::cos(a)) * h);
    if (!unclipped) {
        rw = std::min(rw, Area.width());
        rh = std::min(rh, Area.height());
    }
    return QSize(rw, rh);
}

QRect TgwText::CalcRect(bool unclipped) const
{
    const double a = m_rotation * M_PI / 180.0;
    int x = Area.left() + Area.width() / 2;
    int y = Area.top() + Area.height() / 2;
    const QPoint so = shadowOffset();
    x -= so.x() / 2;
    y -= so.y() / 2;
    if (Extrude.Enabled) {
        x -= Extrude.Depth / 2;
        y -= Extrude.Depth / 2;
    }
    const QSize te = TextExtent();
    x -= R(std::cos(a) * te.width()) / 2;
    y += R(std::sin(a) * te.width()) / 2;
    y -= R(std::cos(a) * te.height()) / 2;
    x -= R(std::sin(a) * te.height()) / 2;
    QRect r(x, y, 0, 0);
    r.setSize(RotatedExtent(unclipped));
    if (r.left() < Area.left())
        r.moveLeft(Area.left());
    if (r.top() < Area.top())
        r.moveTop(Area.top());
    return r;
}

Color TgwText::ExtrudeColor(int i) const
{
    const Color n = colorToRGB(Extrude.NearColor), f = colorToRGB(Extrude.FarColor);
    const int depth = std::max(1, Extrude.Depth);
    auto chan = [&](int nc, int fc) {
        if (!Extrude.Striated)
            return R(double(nc - fc) / (double(depth) / i) + fc);
        int v = ((nc - fc) / depth + fc) * i;
        v = (i % 2 == 0) ? v / 4 : v;
        return v & 0xFF;
    };
    return rgb(std::clamp(chan(redOf(n), redOf(f)), 0, 255), std::clamp(chan(greenOf(n), greenOf(f)), 0, 255),
               std::clamp(chan(blueOf(n), blueOf(f)), 0, 255));
}

int TgwText::alignFlags() const
{
    int f = Qt::AlignTop | m_hFlags;
    if (!(m_hFlags & (Qt::AlignHCenter | Qt::AlignRight)))
        f |= Qt::AlignLeft;
    if (m_options & toShowAccel)
        f |= Qt::TextShowMnemonic;
    if (WordWrap)
        f |= Qt::TextWordWrap;
    return f;
}

void TgwText::DrawTextLines(QRect r, Color color)
{
    if (!Painter || color == clNone)
        return;
    const double a = m_rotation * M_PI / 180.0;
    QPainter &p = *Painter;
    p.save();
    p.setFont(Font);
    p.setPen(toQColor(color));
    const QFontMetrics fm(Font);
    for (const QString &raw : lines()) {
        QString line = raw;
        if ((m_options & toShowEllipsis) && !WordWrap && r.width() > 0)
            line = fm.elidedText(line, Qt::ElideRight, r.width(), (m_options & toShowAccel) ? Qt::TextShowMnemonic : 0);
        const int width = std::max(1, r.width());
        const int lineH = fm.boundingRect(QRect(0, 0, width, 100000), alignFlags(), line).height() + m_lineSpacing;
        if (m_rotation == 0) {
            p.drawText(QRect(r.left(), r.top(), width, std::max(r.height(), lineH)), alignFlags(), line);
        } else {
            p.save();
            p.translate(r.topLeft());
            p.rotate(-m_rotation);
            p.drawText(QRect(0, 0, std::max(width, fm.horizontalAdvance(line) + 1), lineH), alignFlags(), line);
            p.restore();
        }
        r.translate(R(std::sin(a) * lineH), R(std::cos(a) * lineH));
    }
    p.restore();
}

void TgwText::DrawShadow(const QRect &r)
{
    if (!Shadow.Enabled)
        return;
    DrawTextLines(r.translated(Shadow.XOffset, Shadow.YOffset), enabled() ? Shadow.Color : Disabled.ShadeColor);
}

void TgwText::DrawExtrusion(QRect &r)
{
    if (!Extrude.Enabled)
        return;
    const QPoint s = OrientationStep(Extrude.Orientation);
    const QPoint e(std::abs(s.x()) * Extrude.Depth, std::abs(s.y()) * Extrude.Depth);
    r.translate(e.x() / 2, e.y() / 2);
    r.translate(-s.x() * (e.x() / 2), -s.y() * (e.y() / 2));
    for (int i = 1; i <= Extrude.Depth; ++i) {
        r.translate(s);
        DrawTextLines(r, ExtrudeColor(i));
    }
}

void TgwText::Draw()
{
    if (!Painter)
        return;
    const QRect saved = Area;
    m_hFlags = 0;
    if (m_rotation % 360 == 0) {
        if (Alignment == taCenter)
            m_hFlags = Qt::AlignHCenter;
        else if (Alignment == taRightJustify)
            m_hFlags = Qt::AlignRight;
        const QRect cr = CalcRect(false);
        if (Alignment == taLeftJustify)
            Area = QRect(Area.left(), Area.top(), cr.width(), Area.height());
        else if (Alignment == taRightJustify)
            Area = QRect(Area.right() + 1 - cr.width(), Area.top(), cr.width(), Area.height());
        if (VAlignment == vaTop)
            Area = QRect(Area.left(), Area.top(), Area.width(), cr.height());
        else if (VAlignment == vaBottom)
            Area = QRect(Area.left(), Area.bottom() + 1 - cr.height(), Area.width(), cr.height());
    }
    switch (m_style) {
    case gwlsDefault: DrawStandard(); break;
    case gwlsLowered: DrawLoweredRaised(false); break;
    case gwlsRaised: DrawLoweredRaised(true); break;
    case gwlsOutline: DrawOutlined(); break;
    }
    Area = saved;
}

void TgwText::DrawStandard()
{
    if (!enabled()) {
        DrawLoweredRaised(false);
        return;
    }
    m_drawRect = CalcRect(false);
    DrawExtrusion(m_drawRect);
    DrawShadow(m_drawRect);
    DrawTextLines(m_drawRect, FontColor);
}

void TgwText::DrawOutlined()
{
    m_drawRect = CalcRect(false);
    DrawExtrusion(m_drawRect);
    DrawShadow(m_drawRect);
    const bool en = enabled();
    for (int o = gwTopLeft; o <= gwBottom; ++o)
        DrawTextLines(m_drawRect.translated(OrientationStep(TgwOrientation(o))),
                      en ? OutlineColor : Disabled.ShadeColor);
    DrawTextLines(m_drawRect, en ? FontColor : Disabled.HighlightColor);
}

void TgwText::DrawLoweredRaised(bool raised)
{
    m_drawRect = CalcRect(false);
    DrawExtrusion(m_drawRect);
    DrawShadow(m_drawRect);
    const bool en = enabled();
    const Color light = en ? HighlightColor : Disabled.HighlightColor;
    const Color dark = en ? ShadeColor : Disabled.ShadeColor;
    if (en)
        DrawTextLines(m_drawRect.translated(-1, -1), raised ? light : dark);
    DrawTextLines(m_drawRect.translated(1, 1), raised ? dark : light);
    DrawTextLines(m_drawRect, en ? FontColor : Disabled.ShadeColor);
}

void TgwText::DrawEmbossed()
{
    m_drawRect = CalcRect(false);
    const QPoint s = OrientationStep(Extrude.Orientation);
    DrawTextLines(m_drawRect.translated(-s.x(), -s.y()), HighlightColor);
    DrawTextLines(m_drawRect, FontColor);
}

#include "widgets/shapebtn.h"

#include "platform/error.h"
#include "platform/text.h"

#include <QPainter>
#include <cmath>

using namespace kv::gw;

// --- evaluator ---------------------------------------------------------------------

int TgwEvaluator::Evaluate(const QString &text)
{
    for (QChar c : text)
        if (!(c == QLatin1Char(' ') || c.isDigit() || QStringLiteral("*+,-/").contains(c)))
            throw kv::Error(QStringLiteral("Only alpha characters \"+\", \"-\", \"x\", and \"/\" are allowed."));
    QString s = text;
    for (const char *op : {"*", "/", "+", "-"})
        s.replace(QLatin1String(op), QStringLiteral(" %1 ").arg(QLatin1String(op)));
    while (s.contains(QLatin1String("  ")))
        s.replace(QLatin1String("  "), QLatin1String(" "));
    QStringList words = s.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString bad = QStringLiteral("Invalid expression: \"%1\"").arg(text.trimmed());
    auto isOp = [](const QString &w) { return w == QLatin1String("*") || w == QLatin1String("/") ||
                                              w == QLatin1String("+") || w == QLatin1String("-"); };
    auto toInt = [&](const QString &w) {
        bool ok = false;
        const int v = w.toInt(&ok);
        if (!ok)
            throw kv::Error(bad);
        return v;
    };
    for (;;) {
        int at = -1;
        for (int i = 0; i < words.size() && at < 0; ++i)
            if (words[i] == QLatin1String("*") || words[i] == QLatin1String("/"))
                at = i;
        for (int i = 0; i < words.size() && at < 0; ++i)
            if (words[i] == QLatin1String("+") || words[i] == QLatin1String("-"))
                at = i;
        if (at < 0)
            break;
        // A sign in front of a number or an operator without two operands.
        if (at == 0 || at + 1 >= words.size() || isOp(words[at - 1]) || isOp(words[at + 1]))
            throw kv::Error(bad);
        const qint64 l = toInt(words[at - 1]), r = toInt(words[at + 1]);
        qint64 v = 0;
        const QString &op = words[at];
        if (op == QLatin1String("*")) v = l * r;
        else if (op == QLatin1String("/")) {
            if (r == 0)
                throw kv::Error(QStringLiteral("Divide By Zero Error"));
            v = l / r;
        } else if (op == QLatin1String("+")) v = l + r;
        else v = l - r;
        if (v > INT_MAX || v < INT_MIN)
            throw kv::Error(bad);
        words[at - 1] = QString::number(v);
        words.removeAt(at);
        words.removeAt(at);
    }
    if (words.size() != 1)
        throw kv::Error(bad);
    return toInt(words[0]);
}

// --- points ---------------------------------------------------------------------------

QPolygon TgwCustomShapeBtn::CustomPoints(const QStringList &lines, int W, int H)
{
    QPolygon pts;
    for (const QString &raw : lines) {
        QString line = kv::upperCase(raw);
        if (!line.contains(QLatin1Char(',')))
            throw kv::Error(QStringLiteral(
                "Invalid Custom Points Format.  X and Y Coordinates must be separated by a comma and space."));
        line.replace(QLatin1String(","), QLatin1String(", "));
        while (line.contains(QLatin1String(",  ")))
            line.replace(QLatin1String(",  "), QLatin1String(", "));
        line.replace(QLatin1String("WIDTH"), QString::number(W));
        line.replace(QLatin1String("HEIGHT"), QString::number(H));
        const int sep = int(line.indexOf(QLatin1String(", ")));
        const QString xs = line.left(sep);
        QString ys = line.mid(sep + 2);
        const int next = int(ys.indexOf(QLatin1String(", ")));
        if (next >= 0)
            ys = ys.left(next);
        pts << QPoint(TgwEvaluator::Evaluate(xs), TgwEvaluator::Evaluate(ys));
    }
    return pts;
}

QPolygon TgwCustomShapeBtn::PolygonPoints(TgwButtonShape shape, TgwShapeOrientation o, int w, int h,
                                          const QStringList &custom)
{
    const int W = w - 1, H = h - 1;
    QPolygon p;
    switch (shape) {
    case bsTriangle: p << QPoint(W / 2, 0) << QPoint(W, H) << QPoint(0, H); break;
    case bsArrow:
        p << QPoint(0, H / 3) << QPoint(W / 2, 0) << QPoint(W, H / 3) << QPoint(W - W / 4, H / 3)
          << QPoint(W - W / 4, H) << QPoint(W / 4, H) << QPoint(W / 4, H / 3);
        break;
    case bsDiamond: p << QPoint(W / 2, 0) << QPoint(W, H / 2) << QPoint(W / 2, H) << QPoint(0, H / 2); break;
    case bsTrapezoid: {
        const int b = std::min(H / 2, W / 4);
        p << QPoint(b, 0) << QPoint(W - b, 0) << QPoint(W, H) << QPoint(0, H);
        break;
    }
    case bsStar: {
        const double d18 = 18 * M_PI / 180, d36 = 36 * M_PI / 180;
        const int c = int(std::trunc(H / std::cos(d18)));
        const int d = int(std::trunc(c / (2 * std::sin(d18) + 2)));
        const int e = int(std::trunc(std::cos(d18) * d));
        const int f = int(std::trunc(H * std::tan(d18)));
        const int g = W / 2;
        const int s = c - 2 * d;
        const QPoint P0(g, 0), P1(g + s / 2, e), P2(W, P1.y());
        const QPoint P3(P1.x() + int(std::trunc(s * std::sin(d18))), P1.y() + int(std::trunc(std::cos(d18) * s)));
        const QPoint P4(g + f, H), P5(g, H - int(std::trunc(d * std::sin(d36)))), P6(g - f, H);
        const QPoint P7(W - P3.x(), P3.y()), P8(0, P2.y()), P9(W - P1.x(), P1.y());
        p << P0 << P1 << P2 << P3 << P4 << P5 << P6 << P7 << P8 << P9;
        break;
    }
    case bsCustom:
        p = CustomPoints(custom, W, H);
        if (p.size() < 3)
            return QPolygon();
        break;
    case bsRect:
    default:
        p << QPoint(0, 0) << QPoint(W, 0) << QPoint(W, H) << QPoint(0, H);
        break;
    }
    p << p.first();
    const int turns = o == soUp ? 0 : o == soRight ? 1 : o == soDown ? 2 : 3;
    // A button one pixel wide or high has nothing to turn.
    if (W > 0 && H > 0)
        for (int t = 0; t < turns; ++t)
            for (QPoint &pt : p)
                pt = QPoint(W - (W * pt.y()) / H, (H * pt.x()) / W);
    return p;
}

QPolygon TgwCustomShapeBtn::GetPolygonPoints() const
{
    return PolygonPoints(m_shape, m_orientation, width(), height(), m_points);
}

// --- the button -------------------------------------------------------------------------

TgwCustomShapeBtn::TgwCustomShapeBtn(QWidget *parent) : TgwCustomImageBtn(parent)
{
    SetColor(clBtnFace);
    SetShadeStyle(fbsHighlight);
}

void TgwCustomShapeBtn::shapeChanged(bool invalidateGroup)
{
    RegionData.clear();
    DownRegionData.clear();
    ApplyRegion();
    update();
    if (invalidateGroup && parentWidget() &&
        InheritsFromName(parentWidget(), QStringLiteral("TgwCustomButtonGroup")) && parentWidget()->parentWidget())
        parentWidget()->parentWidget()->update(parentWidget()->geometry());
}

void TgwCustomShapeBtn::SetShape(TgwButtonShape s)
{
    if (s == m_shape)
        return;
    m_shape = s;
    shapeChanged(true);
}

void TgwCustomShapeBtn::SetOrientation(TgwShapeOrientation o)
{
    if (o == m_orientation)
        return;
    m_orientation = o;
    shapeChanged(false);
}

void TgwCustomShapeBtn::SetRoundRectBias(int v)
{
    if (v == m_bias)
        return;
    m_bias = v;
    shapeChanged(false);
}

void TgwCustomShapeBtn::SetPointList(const QStringList &points)
{
    m_points = points;
    if (m_shape == bsCustom) {
        try {
            CustomPoints(points, std::max(0, width() - 1), std::max(0, height() - 1));
        } catch (...) {
            m_points.clear();
            m_shape = bsRect;
            shapeChanged(false);
            throw;
        }
    }
    shapeChanged(false);
}

Color TgwCustomShapeBtn::KeyColor(kv::gw::Color faceColor)
{
    return colorToRGB(faceColor) == clRed ? clBlue : clRed;
}

void TgwCustomShapeBtn::DrawFace(TgwBitmap &target, bool plain, TgwShadeStyle style, bool down)
{
    const bool edges = !(style == fbsFlat && !MouseOver() && !down);
    target.BeginUpdate();
    target.SetSize(width(), height());
    target.EndUpdate();
    if (target.Empty())
        return;
    const kv::gw::Color key = KeyColor(Color());
    const QColor face = toQColor(Color() == clNone ? clBtnFace : Color());
    QPainter p(&target.Image());
    p.fillRect(target.Image().rect(), toQColor(key));
    QBrush brush(face);
    if (!plain && down && DitherColor() != clNone && GroupIndex() != 0) {
        QImage pat(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pat.setPixel(x, y, ((x + y) & 1) ? face.rgb() : toQColor(DitherColor()).rgb());
        brush = QBrush(pat);
    }
    p.setBrush(brush);
    p.setBrushOrigin(0, 0);
    p.setPen(edges ? toQColor(DitherColor() == clNone ? clBtnFace : DitherColor()) : face);
    const int W = width() - 1, H = height() - 1;
    if (IsRoundShape()) {
        p.setPen(face);
        if (m_shape == bsRoundRect)
            p.drawRoundedRect(QRect(0, 0, W - 1, H - 1), m_bias / 2.0, m_bias / 2.0);
        else
            p.drawEllipse(QRect(0, 0, W - 1, H - 1));
        p.end();
        if (edges && !plain) {
            const TgwBitmap copy = target;
            DrawOutlineBevel(copy, target, down, key);
        }
        return;
    }
    QPolygon pts;
    try {
        pts = GetPolygonPoints();
    } catch (const kv::Error &e) {
        // Painting must not throw: the button falls back to a rectangle.
        m_lastError = e.message();
        m_points.clear();
        m_shape = bsRect;
        pts = GetPolygonPoints();
    }
    if (pts.size() < 3)
        return;
    p.drawPolygon(pts, Qt::WindingFill);
    if (edges && !plain)
        DrawPolygonEdges(p, pts, down);
}

void TgwCustomShapeBtn::DrawPolygonEdges(QPainter &p, const QPolygon &pts, bool down)
{
    const QRegion region(pts, Qt::WindingFill);
    const int F = (hasFocus() || Default()) ? 1 : 0;
    const ShadeColors &sc = GetShadeColors();
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i < pts.size(); ++i) {
        const QPoint a = pts[i - 1], b = pts[i];
        const int dx = std::abs(b.x() - a.x()), dy = std::abs(b.y() - a.y());
        const QPoint m((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
        QPoint step;
        int kind;
        if (dy < dx) {
            if (region.contains(QPoint(m.x(), m.y() + 1))) { step = {0, 1}; kind = 1; }
            else { step = {0, -1}; kind = 0; }
        } else {
            if (region.contains(QPoint(m.x() + 1, m.y()))) { step = {1, 0}; kind = 1; }
            else { step = {-1, 0}; kind = 0; }
        }
        if (dx == 0 && region.contains(QPoint(a.x(), std::max(a.y(), b.y()) + 1)))
            step = {-1, 1};
        if (dy == 0 && region.contains(QPoint(std::max(a.x(), b.x()), a.y())))
            step = {1, -1};
        const bool same = kind == (down ? 1 : 0);
        p.setPen(toQColor(same ? sc.BtnShadow : sc.Btn3DLight));
        p.drawLine(a + step * (F + 1), b + step * (F + 1));
        p.setPen(toQColor(same ? sc.BtnBlack : sc.BtnHighlight));
        p.drawLine(a + step * F, b + step * F);
    }
    if (F) {
        p.setPen(toQColor(sc.BtnFocus));
        p.drawPolyline(pts);
    }
    p.restore();
}

QRegion TgwCustomShapeBtn::CreateRegion(bool build, bool down)
{
    QRegion r = TgwCustomBitBtn::CreateRegion(build, down);
    if (!r.isEmpty() || !build)
        return r;
    TgwBitmap tmp;
    DrawFace(tmp, true, ShadeStyle(), down);
    if (tmp.Empty())
        return QRegion();
    r = RegionFromBitmap(tmp.ToImage(), KeyColor(Color()));
    StoreRegion(r, down);
    return r;
}

void TgwCustomShapeBtn::SizeToImage()
{
    const int s = std::max(width(), height());
    resize(s, s);
}

void TgwCustomShapeBtn::AssignFrom(const TgwCustomBitBtn *src)
{
    if (auto *s = qobject_cast<const TgwCustomShapeBtn *>(src)) {
        m_orientation = s->m_orientation;
        m_points = s->m_points;
        m_bias = s->m_bias;
        m_shape = s->m_shape;
    }
    TgwCustomImageBtn::AssignFrom(src);
    shapeChanged(false);
}

#include "app/results/maptext.h"

#include <QFont>
#include <QFontMetrics>

using namespace kv;

TextMeasure FontMeasure(const QFont &font)
{
    QFontMetrics fm(font);
    TextMeasure m;
    m.width = [fm](const QString &s) { return fm.horizontalAdvance(s); };
    m.height = fm.height(); // the cell height of "A", as the texts are placed by cells
    return m;
}

namespace {

// The common method of parts and off-cuts: a label line at the top, the
// height turned along the left side and the width along the bottom; when the
// turned height does not fit the free height, both dimensions join the label
// line as "WxH".
struct Frame
{
    int x, y;          // left and top margin
    int lineRight;     // right edge of the label line
    int usableH;       // height the turned text must fit
    int bottomY;       // top of the width text
};

std::vector<TextOp> Layout(bool label, const QString &labelText, bool showDim, int32_t realW, int32_t realH,
                           int w, int h, const Frame &f, const TextMeasure &m)
{
    std::vector<TextOp> ops;
    const int th = m.height;
    const QString hText = QString::number(realH);
    const int tw = m.width ? m.width(hText) : 0;
    const bool fold = showDim && (label ? f.usableH - th < tw : f.usableH < tw);
    if (label || fold) {
        QString line = label ? labelText + QLatin1Char(' ') : QString();
        if (fold)
            line += QString::number(realW) + QLatin1Char('x') + hText;
        ops.push_back({line, f.x, f.y, false, QRect(QPoint(f.x, f.y), QPoint(f.lineRight - 1, f.y + th - 1))});
    }
    if (showDim && !fold) {
        ops.push_back({hText, f.x, (tw + h) / 2, true, QRect()});
        const QString wText = QString::number(realW);
        const int tw2 = m.width ? m.width(wText) : 0;
        ops.push_back({wText, (w - tw2) / 2, f.bottomY, false, QRect()});
    }
    return ops;
}

} // namespace

std::vector<TextOp> LayoutDetalText(const MapPart &p, int w, int h, const TextMeasure &m)
{
    if (!p.ShowTitle && !p.ShowDim)
        return {};
    const int usableW = p.RightBorder > 0 ? w - 5 : w - 2;
    const int usableH = p.BottomBorder > 0 ? h - 5 : h - 1;
    Frame f;
    f.x = p.LeftBorder > 0 ? 4 : 2;
    f.y = p.TopBorder > 0 ? 4 : 1;
    f.lineRight = usableW;
    f.usableH = usableH;
    f.bottomY = usableH - m.height;
    return Layout(p.ShowTitle, p.Title, p.ShowDim, p.RealWidth, p.RealHeight, w, h, f, m);
}

std::vector<TextOp> LayoutScrapText(const MapScrap &s, int w, int h, const TextMeasure &m)
{
    if (!s.ShowText && !s.ShowDim)
        return {};
    const bool label = s.ShowText && !s.Text.isEmpty();
    Frame f;
    f.x = 1;
    f.y = 1;
    f.lineRight = w - 2;
    f.usableH = h;
    f.bottomY = h - m.height - 2;
    return Layout(label, s.Text, s.ShowDim, s.RealWidth, s.RealHeight, w, h, f, m);
}

std::vector<BorderMark> LayoutBorderMarks(const MapPart &p, int w, int h)
{
    std::vector<BorderMark> marks;
    if (!p.ShowBorder)
        return marks;
    const int a = h / 3, b = w / 3;
    if (p.LeftBorder > 0)
        marks.push_back({2, a, 2, 2 * a, p.LeftBorderColor});
    if (p.RightBorder > 0)
        marks.push_back({w - 4, a, w - 4, 2 * a, p.RightBorderColor});
    if (p.TopBorder > 0)
        marks.push_back({b, 2, 2 * b, 2, p.TopBorderColor});
    if (p.BottomBorder > 0)
        marks.push_back({b, h - 4, 2 * b, h - 4, p.BottomBorderColor});
    return marks;
}

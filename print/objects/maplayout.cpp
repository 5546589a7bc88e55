#include "print/objects/maplayout.h"

#include <algorithm>

namespace kv {

QList<MapTextItem> LayoutMapText(const MapTextInput &in, const MapTextMetrics &m,
                                 const std::function<int(const QString &)> &measure)
{
    QList<MapTextItem> out;
    if (!in.showTitle && !in.showDim) return out;
    const int W = in.w, H = in.h, TH = m.textHeight;
    const int NW = in.showTitle ? m.nameWidth : 0;
    const int WW = in.showDim ? m.widthWidth : 0;
    const int HW = in.showDim ? m.heightWidth : 0;
    const int XD = in.showDim ? m.xWidth : 0;
    const int C = NW + HW + WW + m.xWidth + XD;
    const int D = HW + WW + XD;

    bool spread = H - 2 * TH >= HW && W >= NW && W >= WW;
    bool oneLineH = false, twoLinesH = false, oneLineV = false, twoLinesV = false;
    if (!spread) {
        oneLineH = W >= C;
        twoLinesH = W >= D && W >= NW && 2 * TH < H;
        oneLineV = H >= C;
        twoLinesV = H >= D && H >= NW && W > 2 * TH;
        if (!oneLineH && !twoLinesH && !oneLineV && !twoLinesV) {
            spread = (H - 2 * TH >= HW && W >= WW) || W >= NW;
            if (!spread) (in.truncText ? twoLinesH : oneLineH) = true;
        }
    }

    auto add = [&out](int x, int y, int bw, int bh, const QString &text, int align, bool vertical) {
        if (text.isEmpty()) return;
        out.append({x, y, bw, bh, text, align, vertical});
    };
    const QString dims = QStringLiteral("%1x%2").arg(in.width).arg(in.height);
    if (spread) {
        if (in.showTitle)
            add(in.left, in.top, in.truncText ? W : std::max(W, NW), TH, in.name, 0, false);
        if (in.showDim) {
            add(in.left, in.top + H - TH, in.truncText ? W : std::max(W, WW), TH, QString::number(in.width), 2, false);
            add(in.left, in.top, TH, in.truncText ? H : std::max(H, HW), QString::number(in.height), 2, true);
        }
        return out;
    }

    QString line1, line2;
    if (oneLineH || oneLineV) {
        line1 = in.showTitle ? in.name + QLatin1Char(' ') : QString();
        if (in.showDim) line1 += dims;
    } else {
        line1 = in.showTitle ? in.name : QString();
        line2 = in.showDim ? dims : QString();
        if (line1.isEmpty()) std::swap(line1, line2);
    }
    const bool horizontal = oneLineH || twoLinesH;
    const int L = in.left, T = in.top;
    if (in.truncText) {
        if (horizontal) {
            add(L, T, W, H, line1, 0, false);
            add(L, T + TH, W, H - TH, line2, 0, false);
        } else {
            add(L, T, W, H, line1, 0, true);
            add(L + TH, T, W - TH, H, line2, 0, true);
        }
    } else if (horizontal) {
        add(L, T, std::max(W, measure(line1)), TH, line1, 0, false);
        add(L, T + TH, std::max(W, measure(line2)), TH, line2, 0, false);
    } else {
        add(L, T, TH, measure(line1), line1, 0, true);
        add(L + TH, T, TH, measure(line2), line2, 0, true);
    }
    return out;
}

} // namespace kv

#include "platform/colors.h"

namespace kv {

namespace {
// The classic desktop scheme as RGB, by system colour index.
constexpr quint32 kSchemeRGB[kSystemColorCount] = {
    0xD4D0C8, // 0 scroll bar
    0x3A6EA5, // 1 desktop
    0x0A246A, // 2 active caption
    0x808080, // 3 inactive caption
    0xD4D0C8, // 4 menu
    0xFFFFFF, // 5 window
    0x000000, // 6 window frame
    0x000000, // 7 menu text
    0x000000, // 8 window text
    0xFFFFFF, // 9 caption text
    0xD4D0C8, // 10 active border
    0xD4D0C8, // 11 inactive border
    0x808080, // 12 application workspace
    0x0A246A, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xD4D0C8, // 15 button face
    0x808080, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0xD4D0C8, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x404040, // 21 3-D dark shadow
    0xD4D0C8, // 22 3-D light
    0x000000, // 23 info text
    0xFFFFE1, // 24 info background
    0xB5B5B5, // 25 (unused slot)
    0x000080, // 26 hot light
    0xA6CAF0, // 27 gradient active caption
    0xC0C0C0, // 28 gradient inactive caption
    0x316AC5, // 29 menu highlight
    0xD4D0C8, // 30 menu bar
};

constexpr quint32 swapRB(quint32 v) { return (v & 0x00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16); }
} // namespace

std::optional<quint32> SystemColorBGR(int index)
{
    if (index < 0 || index >= kSystemColorCount) return std::nullopt;
    return swapRB(kSchemeRGB[index]);
}

std::optional<quint32> ResolveColorBGR(quint32 c)
{
    if (c == kColorNone) return std::nullopt;
    if (IsSystemColor(c)) return SystemColorBGR(int(c & 0xFFu));
    return c & 0x00FFFFFFu;
}

QColor PlatformColor(quint32 c)
{
    const std::optional<quint32> v = ResolveColorBGR(c);
    if (!v) return QColor();
    return QColor(int(*v & 0xFF), int((*v >> 8) & 0xFF), int((*v >> 16) & 0xFF));
}

QImage EmbossedImage(QSize shape, const std::function<bool(int, int)> &inShape, QSize size,
                     const QColor &background, const QColor &shadow, const QColor &highlight)
{
    QImage out(size, QImage::Format_ARGB32);
    out.fill(background);
    const auto paint = [&](int dx, int dy, QRgb c) {
        for (int y = 0; y < shape.height(); ++y)
            for (int x = 0; x < shape.width(); ++x)
                if (x + dx < size.width() && y + dy < size.height() && inShape(x, y)) out.setPixel(x + dx, y + dy, c);
    };
    if (highlight.isValid()) paint(1, 1, highlight.rgba());
    paint(0, 0, shadow.rgba());
    return out;
}

QImage DisabledGlyph(QSize shape, const std::function<bool(int, int)> &inShape, QSize size)
{
    return EmbossedImage(shape, inShape, size, Qt::transparent, PlatformColor(kSysBtnShadow),
                         PlatformColor(kSysBtnHighlight));
}

} // namespace kv

#include "widgets/gwcolors.h"

namespace kv::gw {

namespace {
// Classic Windows scheme, so pictures look the same on every machine.
constexpr Color kSystem[kSystemColorCount] = {
    0xC8D0D4, // scroll bar
    0x984E00, // desktop
    0x6A240A, // active caption
    0x808080, // inactive caption
    0xC8D0D4, // menu
    0xFFFFFF, // window
    0x000000, // window frame
    0x000000, // menu text
    0x000000, // window text
    0xFFFFFF, // caption text
    0xC8D0D4, // active border
    0xC8D0D4, // inactive border
    0x808080, // app workspace
    0x6A240A, // highlight
    0xFFFFFF, // highlight text
    0xC8D0D4, // button face
    0x808080, // button shadow
    0x808080, // grey text
    0x000000, // button text
    0xC8D0D4, // inactive caption text
    0xFFFFFF, // button highlight
    0x404040, // 3D dark shadow
    0xC8D0D4, // 3D light
    0x000000, // info text
    0xE1FFFF, // info background
    0xB5B5B5, // (unused slot)
    0x800000, // hot light
    0xF0CAA6, // gradient active caption
    0xC0C0C0, // gradient inactive caption
};
} // namespace

bool isSystemColor(Color c) { return (std::uint32_t(c) & 0xFF000000u) == 0x80000000u; }

Color colorToRGB(Color c)
{
    if (isSystemColor(c)) {
        const int i = c & 0xFF;
        return i < kSystemColorCount ? kSystem[i] : 0;
    }
    if (c == clNone || c == clDefault)
        return 0;
    return c & 0x00FFFFFF;
}

QColor toQColor(Color c)
{
    const Color v = colorToRGB(c);
    return QColor(redOf(v), greenOf(v), blueOf(v));
}

Color fromQColor(const QColor &c) { return rgb(c.red(), c.green(), c.blue()); }

} // namespace kv::gw

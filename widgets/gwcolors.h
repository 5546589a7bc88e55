#pragma once
// Colour values as the system stores them: 0x00BBGGRR, system colours
// 0x800000nn (index into a fixed table), clNone and clDefault as markers.
// They turn into QColor only when painting.
#include <QColor>
#include <QString>
#include <cstdint>

class QWidget;

namespace kv {
class Ui;
}

namespace kv::gw {

using Color = std::int32_t;

constexpr Color clNone = 0x1FFFFFFF;
constexpr Color clDefault = 0x20000000;
constexpr Color clNoTransparency = 0x0FFFFFFF; // image buttons: no transparent colour

constexpr Color clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000,
                clOlive = 0x008080, clNavy = 0x800000, clPurple = 0x800080,
                clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0,
                clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                clWhite = 0xFFFFFF, clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6,
                clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;

constexpr Color sysColor(int index) { return Color(0x80000000u | unsigned(index)); }
constexpr Color clScrollBar = sysColor(0), clBackground = sysColor(1),
                clActiveCaption = sysColor(2), clInactiveCaption = sysColor(3),
                clMenu = sysColor(4), clWindow = sysColor(5), clWindowFrame = sysColor(6),
                clMenuText = sysColor(7), clWindowText = sysColor(8),
                clCaptionText = sysColor(9), clActiveBorder = sysColor(10),
                clInactiveBorder = sysColor(11), clAppWorkSpace = sysColor(12),
                clHighlight = sysColor(13), clHighlightText = sysColor(14),
                clBtnFace = sysColor(15), clBtnShadow = sysColor(16),
                clGrayText = sysColor(17), clBtnText = sysColor(18),
                clInactiveCaptionText = sysColor(19), clBtnHighlight = sysColor(20),
                cl3DDkShadow = sysColor(21), cl3DLight = sysColor(22),
                clInfoText = sysColor(23), clInfoBk = sysColor(24),
                clGradientActiveCaption = sysColor(27),
                clGradientInactiveCaption = sysColor(28);

bool isSystemColor(Color c);
// The RGB value (0x00BBGGRR) of any colour; system colours through the fixed
// platform's one table, an unknown system index gives black.
// clNone and clDefault give black as well (callers test them first).
Color colorToRGB(Color c);
QColor toQColor(Color c);
Color fromQColor(const QColor &c);   // 0x00BBGGRR
// The colour dialog of `ui`, preset to `color`; true and the chosen colour on OK.
bool ChooseColor(Ui &ui, Color &color, QWidget *parent = nullptr);
constexpr Color rgb(int r, int g, int b) { return Color((b & 0xFF) << 16 | (g & 0xFF) << 8 | (r & 0xFF)); }
constexpr int redOf(Color c) { return c & 0xFF; }
constexpr int greenOf(Color c) { return (c >> 8) & 0xFF; }
constexpr int blueOf(Color c) { return (c >> 16) & 0xFF; }

} // namespace kv::gw

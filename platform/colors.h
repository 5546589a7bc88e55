#pragma once
// Colours as the system's files and settings hold them: 32-bit 0x00BBGGRR,
// system colours 0x800000nn (an index into one fixed table, the classic
// desktop scheme, so drawings look alike on every machine), "none" 0x1FFFFFFF.
// They become QColor only when painting.
#include <QColor>
#include <QImage>
#include <QSize>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace kv {

inline constexpr quint32 kColorNone = 0x1FFFFFFFu;
inline constexpr int kSystemColorCount = 31;   // indexes 0..30
inline constexpr quint32 kSysBtnFace = 0x8000000Fu, kSysBtnShadow = 0x80000010u,
                         kSysBtnHighlight = 0x80000014u;

inline constexpr bool IsSystemColor(quint32 c) { return (c & 0xFF000000u) == 0x80000000u; }
// 0x00BBGGRR of system colour `index`; nothing for an index beyond the table.
std::optional<quint32> SystemColorBGR(int index);
// The plain 0x00BBGGRR value of any colour, system colours resolved;
// nothing for "none" and for an unknown system index.
std::optional<quint32> ResolveColorBGR(quint32 c);
// For painting; an invalid QColor where ResolveColorBGR gives nothing.
QColor PlatformColor(quint32 c);

// The embossed (disabled) look of a shape: the shape moved one pixel right
// and down in `highlight` (none when invalid), the shape itself in `shadow`
// over it, `background` elsewhere. `inShape` is asked for the points of
// `shape`; the result has `size`, what falls outside it is clipped.
QImage EmbossedImage(QSize shape, const std::function<bool(int x, int y)> &inShape, QSize size,
                     const QColor &background, const QColor &shadow, const QColor &highlight);
// The same in the button colours on a transparent ground.
QImage DisabledGlyph(QSize shape, const std::function<bool(int x, int y)> &inShape, QSize size);

} // namespace kv

#include "report/core/metafile.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <cstdlib>

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/gd.h>
}

namespace {

constexpr quint32 kEmfSignature = 0x464D4520;   // " EMF"
constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
// Pictures larger than this on a side are drawn smaller (memory of one image).
constexpr int kMaxSide = 8000;

quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
qint32 i32(const QByteArray &b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

QSize boundedSize(double w, double h)
{
    if (!(w >= 1) || !(h >= 1)) return {};
    const double k = std::min(1.0, kMaxSide / std::max(w, h));
    return QSize(std::max(1, int(std::lround(w * k))), std::max(1, int(std::lround(h * k))));
}

// An enhanced metafile: its frame (hundredths of a millimetre) gives the size;
// libemf2svg turns it into SVG, which Qt draws.
QImage renderEnhanced(const QByteArray &bytes)
{
    const double mm = 96.0 / 25.4;
    QSize size = boundedSize((i32(bytes, 32) - i32(bytes, 24)) / 100.0 * mm, (i32(bytes, 36) - i32(bytes, 28)) / 100.0 * mm);
    if (size.isEmpty()) size = boundedSize(i32(bytes, 16) - i32(bytes, 8) + 1, i32(bytes, 20) - i32(bytes, 12) + 1);
    if (size.isEmpty()) return {};
    generatorOptions options{};
    options.nameSpace = nullptr;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    QByteArray input = bytes;
    char *svg = nullptr;
    size_t svgLength = 0;
    const int ok = emf2svg(input.data(), size_t(input.size()), &svg, &svgLength, &options);
    QByteArray text;
    if (svg) {
        text = QByteArray(svg, qsizetype(svgLength));
        std::free(svg);
    }
    if (!ok || text.isEmpty()) return {};
    QSvgRenderer renderer(text);
    if (!renderer.isValid()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

// A Windows metafile, played by libwmf into a PNG image. With the placeable
// header its frame is drawn whole; without it the drawing's own extent.
QImage renderWindows(const QByteArray &bytes)
{
    wmfAPI *api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return {};
    }
    char *png = nullptr;
    size_t pngLength = 0;
    FILE *out = nullptr;
    bool playedWhole = false;
    QByteArray input = bytes;
    wmf_gd_t *gd = WMF_GD_GetData(api);
    if ((gd->flags & WMF_GD_SUPPORTS_PNG)
        && wmf_mem_open(api, reinterpret_cast<unsigned char *>(input.data()), long(input.size())) == wmf_E_None) {
        wmfD_Rect box;
        unsigned int w = 0, h = 0;
        if (wmf_scan(api, 0, &box) == wmf_E_None && wmf_display_size(api, &w, &h, 96, 96) == wmf_E_None) {
            const QSize size = boundedSize(w, h);
            const int inch = u32(bytes, 0) == kPlaceableKey ? u16(bytes, 14) : 0;
            if (inch > 0) {
                // the frame in points, as the player measures the drawing
                const auto at = [&](int offset) { return qFromLittleEndian<qint16>(bytes.constData() + offset) * 72.0 / inch; };
                box.TL.x = float(at(6));
                box.TL.y = float(at(8));
                box.BR.x = float(at(10));
                box.BR.y = float(at(12));
            }
            if (!size.isEmpty() && box.BR.x > box.TL.x && box.BR.y > box.TL.y)
                out = open_memstream(&png, &pngLength);
            if (out) {
                gd->type = wmf_gd_png;
                gd->flags = (gd->flags & ~WMF_GD_OUTPUT_MEMORY) | WMF_GD_OUTPUT_FILE;
                gd->file = out;
                gd->bbox = box;
                gd->width = unsigned(size.width());
                gd->height = unsigned(size.height());
                wmfD_Rect played = box;
                playedWhole = wmf_play(api, 0, &played) == wmf_E_None;
            }
        }
        wmf_mem_close(api);
    }
    // the image is written out when the player is closed down
    wmf_api_destroy(api);
    QImage image;
    if (out) {
        std::fclose(out);
        if (playedWhole && png && pngLength > 0) image.loadFromData(reinterpret_cast<const uchar *>(png), qsizetype(pngLength), "PNG");
        std::free(png);
    }
    return image;
}

} // namespace

TrpMetafileKind rpMetafileKind(const QByteArray &bytes)
{
    if (bytes.size() >= 88 && u32(bytes, 0) == 1 && u32(bytes, 40) == kEmfSignature) return TrpMetafileKind::Enhanced;
    if (bytes.size() >= 22 + 18 && u32(bytes, 0) == kPlaceableKey) return TrpMetafileKind::Windows;
    // a Windows metafile without the placeable header: type 1 or 2, a header of 9 words
    if (bytes.size() >= 18 && (u16(bytes, 0) == 1 || u16(bytes, 0) == 2) && u16(bytes, 2) == 9)
        return TrpMetafileKind::Windows;
    return TrpMetafileKind::Unknown;
}

QImage rpRenderMetafile(const QByteArray &bytes)
{
    switch (rpMetafileKind(bytes)) {
    case TrpMetafileKind::Enhanced: return renderEnhanced(bytes);
    case TrpMetafileKind::Windows: return renderWindows(bytes);
    default: return {};
    }
}

#include "widgets/gwbitmap.h"

#include "platform/error.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace kv::gw;

namespace {
inline uchar clampByte(int v) { return uchar(std::clamp(v, 0, 255)); }
} // namespace

TgwBitmap::TgwBitmap(const TgwBitmap &other)
    : TransparentColor(other.TransparentColor), Transparent(other.Transparent),
      SmoothStretch(other.SmoothStretch), RespectPalette(other.RespectPalette),
      m_image(other.m_image.copy())
{
}

TgwBitmap &TgwBitmap::operator=(const TgwBitmap &other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

QImage TgwBitmap::blank(int w, int h)
{
    QImage img(w, h, QImage::Format_BGR888);
    img.fill(Qt::white);
    return img;
}

void TgwBitmap::SetSize(int w, int h)
{
    m_image = (w > 0 && h > 0) ? blank(w, h) : QImage();
    Changed();
}

void TgwBitmap::SetDimensions(int w, int h)
{
    if (w != Width() || h != Height())
        SetSize(w, h);
}

void TgwBitmap::Clear()
{
    m_image = QImage();
    Changed();
}

void TgwBitmap::StretchToSize(int w, int h)
{
    if (w == Width() && h == Height())
        return;
    const QImage old = m_image;
    BeginUpdate();
    SetSize(w, h);
    if (!old.isNull() && !m_image.isNull()) {
        QPainter p(&m_image);
        p.drawImage(QRect(0, 0, w, h), old);
    }
    EndUpdate();
    Changed();
}

void TgwBitmap::LoadFromImage(const QImage &image)
{
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_BGR888);
    Changed();
}

QImage TgwBitmap::ToImage() const
{
    return m_image.isNull() ? QImage() : m_image.convertToFormat(QImage::Format_RGB32);
}

void TgwBitmap::Assign(const TgwBitmap &other)
{
    BeginUpdate();
    m_image = other.m_image.copy();
    Transparent = other.Transparent;
    SmoothStretch = other.SmoothStretch;
    TransparentColor = other.TransparentColor;
    RespectPalette = other.RespectPalette;
    EndUpdate();
    Changed();
}

QByteArray TgwBitmap::SaveToStream() const
{
    QByteArray out;
    if (Empty())
        return out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    m_image.convertToFormat(QImage::Format_RGB888).save(&buf, "BMP");
    return out;
}

bool TgwBitmap::LoadFromStream(const QByteArray &bytes)
{
    QImage img;
    if (!img.loadFromData(bytes, "BMP"))
        return false;
    LoadFromImage(img);
    return true;
}

Color TgwBitmap::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return clNone;
    const uchar *p = m_image.constScanLine(y) + 3 * x;
    return rgb(p[2], p[1], p[0]);
}

void TgwBitmap::SetPixel(int x, int y, Color c)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    const Color v = colorToRGB(c);
    uchar *p = m_image.scanLine(y) + 3 * x;
    p[0] = uchar(blueOf(v));
    p[1] = uchar(greenOf(v));
    p[2] = uchar(redOf(v));
}

Color TgwBitmap::EffectiveTransparentColor() const
{
    return TransparentColor == clNone ? TopLeftColor() : colorToRGB(TransparentColor);
}

void TgwBitmap::SavePixels()
{
    m_saved = m_image;
    m_image = QImage();
}

void TgwBitmap::RestorePixels()
{
    if (m_saved.isNull())
        return;
    m_image = m_saved;
    m_saved = QImage();
    Changed();
}

void TgwBitmap::Changed()
{
    if (m_updating > 0)
        return;
    if (OnChange)
        OnChange(this);
    m_links.NotifyChange(this);
}

// --- drawing -------------------------------------------------------------------

void TgwBitmap::Draw(QPainter &p, const QRect &r) const
{
    if (Empty())
        return;
    if (r.size() != m_image.size()) {
        if (SmoothStretch)
            SmoothStretchDraw(p, r);
        else
            StretchDrawTo(p, r);
    } else if (Transparent) {
        TransparentDraw(p, r);
    } else {
        p.drawImage(r.topLeft(), m_image);
    }
}

void TgwBitmap::StretchDrawTo(QPainter &p, const QRect &r) const
{
    if (Empty() || r.width() <= 0 || r.height() <= 0)
        return;
    if (Transparent) {
        TgwBitmap tmp;
        tmp.SetSize(r.width(), r.height());
        {
            QPainter tp(&tmp.m_image);
            tp.drawImage(QRect(0, 0, r.width(), r.height()), m_image);
        }
        tmp.Transparent = true;
        tmp.TransparentColor = TransparentColor;
        tmp.TransparentDraw(p, r);
        return;
    }
    p.drawImage(r, m_image);
}

TgwBitmap TgwBitmap::SmoothStretched(int w, int h) const
{
    TgwBitmap d;
    if (w <= 0 || h <= 0 || Empty())
        return d;
    d.SetSize(w, h);
    if (w == Width() && h == Height()) {
        d.m_image = m_image.copy();
        return d;
    }
    const int W = Width(), H = Height();
    // 15-bit fixed point; a single row or column has no neighbour to blend with.
    const qint64 xs = (qint64(W - 1) << 15) / w;
    const qint64 ys = (qint64(H - 1) << 15) / h;
    qint64 y = 0;
    for (int j = 0; j < h; ++j, y += ys) {
        const int r0 = int(y >> 15);
        const int r1 = std::min(r0 + 1, H - 1);
        const qint64 fy = y & 0x7FFF;
        const uchar *s0 = m_image.constScanLine(r0);
        const uchar *s1 = m_image.constScanLine(r1);
        uchar *out = d.m_image.scanLine(j);
        qint64 x = 0;
        for (int i = 0; i < w; ++i, x += xs) {
            const int c0 = int(x >> 15);
            const int c1 = std::min(c0 + 1, W - 1);
            const qint64 fx = x & 0x7FFF;
            const qint64 w01 = (fx * (0x8000 - fy)) >> 15;
            const qint64 w00 = (0x8000 - fy) - w01;
            const qint64 w11 = (fx * fy) >> 15;
            const qint64 w10 = fy - w11;
            for (int ch = 0; ch < 3; ++ch) {
                const qint64 v = s0[3 * c0 + ch] * w00 + s0[3 * c1 + ch] * w01 +
                                 s1[3 * c0 + ch] * w10 + s1[3 * c1 + ch] * w11;
                out[3 * i + ch] = clampByte(int(v >> 15));
            }
        }
    }
    return d;
}

void TgwBitmap::SmoothStretchDraw(QPainter &p, const QRect &r) const
{
    TgwBitmap d = SmoothStretched(r.width(), r.height());
    if (d.Empty())
        return;
    if (Transparent) {
        d.Transparent = true;
        d.TransparentColor = TransparentColor;
        d.TransparentDraw(p, r);
    } else {
        p.drawImage(r.topLeft(), d.m_image);
    }
}

void TgwBitmap::TileDraw(QPainter &p, const QRect &r) const
{
    if (Empty())
        return;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    for (int y = 0; y < r.bottom() + 1; y += Height())
        for (int x = 0; x < r.right() + 1; x += Width())
            p.drawImage(QPoint(x - r.left(), y - r.top()), m_image);
    p.restore();
}

void TgwBitmap::TransparentDraw(QPainter &p, const QRect &r) const
{
    if (Empty())
        return;
    const Color key = EffectiveTransparentColor();
    QImage img(m_image.size(), QImage::Format_ARGB32);
    for (int y = 0; y < Height(); ++y) {
        const uchar *s = m_image.constScanLine(y);
        QRgb *d = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < Width(); ++x, s += 3)
            d[x] = (rgb(s[2], s[1], s[0]) == key) ? 0 : qRgb(s[2], s[1], s[0]);
    }
    p.drawImage(r.topLeft(), img);
}

// --- effects -------------------------------------------------------------------

void TgwBitmap::GrayScale()
{
    for (int y = 0; y < Height(); ++y) {
        uchar *p = m_image.scanLine(y);
        for (int x = 0; x < Width(); ++x, p += 3) {
            const uchar g = uchar(p[0] / 3 + p[1] / 3 + p[2] / 3);
            p[0] = p[1] = p[2] = g;
        }
    }
    Changed();
}

void TgwBitmap::Invert()
{
    for (int y = 0; y < Height(); ++y) {
        uchar *p = m_image.scanLine(y);
        for (int i = 0; i < 3 * Width(); ++i)
            p[i] = uchar(255 - p[i]);
    }
    Changed();
}

namespace {
void applyTable(QImage &img, const uchar table[256])
{
    for (int y = 0; y < img.height(); ++y) {
        uchar *p = img.scanLine(y);
        for (int i = 0; i < 3 * img.width(); ++i)
            p[i] = table[p[i]];
    }
}
} // namespace

void TgwBitmap::Lightness(int v)
{
    uchar t[256];
    for (int i = 0; i < 256; ++i)
        t[i] = clampByte(v <= 0 ? i - ((i * std::abs(v)) >> 8) : i + (((255 - i) * v) >> 8));
    applyTable(m_image, t);
    Changed();
}

void TgwBitmap::Contrast(int v)
{
    uchar t[256];
    for (int i = 0; i < 256; ++i)
        t[i] = clampByte(i < 127 ? i - ((std::abs(128 - i) * v) >> 8) : i + ((std::abs(128 - i) * v) >> 8));
    applyTable(m_image, t);
    Changed();
}

void TgwBitmap::Saturation(int v)
{
    auto T = [v](int i) { return (i * v) >> 8; };
    for (int y = 0; y < Height(); ++y) {
        uchar *p = m_image.scanLine(y);
        for (int x = 0; x < Width(); ++x, p += 3) {
            const int grey = p[0] / 3 + p[1] / 3 + p[2] / 3;
            for (int c = 0; c < 3; ++c)
                p[c] = clampByte(grey + T(p[c]) - T(grey));
        }
    }
    Changed();
}

void TgwBitmap::ShiftColors(int dr, int dg, int db)
{
    for (int y = 0; y < Height(); ++y) {
        uchar *p = m_image.scanLine(y);
        for (int x = 0; x < Width(); ++x, p += 3) {
            p[0] = clampByte(p[0] + db);
            p[1] = clampByte(p[1] + dg);
            p[2] = clampByte(p[2] + dr);
        }
    }
    Changed();
}

void TgwBitmap::Colorize(int r, int g, int b)
{
    const bool skip = TransparentColor != clNone;
    const Color key = colorToRGB(TransparentColor);
    for (int y = 0; y < Height(); ++y) {
        uchar *p = m_image.scanLine(y);
        for (int x = 0; x < Width(); ++x, p += 3) {
            if (skip && rgb(p[2], p[1], p[0]) == key)
                continue;
            p[0] = clampByte(p[0] + b - 192);
            p[1] = clampByte(p[1] + g - 192);
            p[2] = clampByte(p[2] + r - 192);
        }
    }
    Changed();
}

void TgwBitmap::MaskColor(Color c)
{
    const Color key = colorToRGB(c);
    for (int y = 0; y < Height(); ++y) {
        uchar *p = m_image.scanLine(y);
        for (int x = 0; x < Width(); ++x, p += 3) {
            const uchar v = rgb(p[2], p[1], p[0]) == key ? 0 : 255;
            p[0] = p[1] = p[2] = v;
        }
    }
    Changed();
}

void TgwBitmap::Emboss()
{
    const int W = Width(), H = Height();
    if (W == 0 || H == 0)
        return;
    // Untouched copy of the last row: the last two rows read from it.
    std::vector<uchar> last(m_image.constScanLine(H - 1), m_image.constScanLine(H - 1) + 3 * W);
    const int lastCol = std::min(1, W - 1);   // a 1-pixel-wide picture has no column 1
    for (int y = 0; y < H; ++y) {
        uchar *p = m_image.scanLine(y);
        const bool fromCopy = y >= H - 2;
        const uchar *below = fromCopy ? nullptr : m_image.constScanLine(y + 1);
        for (int x = 0; x < W; ++x) {
            const uchar *n;
            if (fromCopy)
                n = last.data() + 3 * lastCol;
            else
                n = below + 3 * std::min(x + 1, W - 1);
            for (int c = 0; c < 3; ++c)
                p[3 * x + c] = uchar(((255 - n[c]) + p[3 * x + c]) >> 1);
        }
    }
    Changed();
}

void TgwBitmap::Sharpen(int a)
{
    const int W = Width(), H = Height();
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            uchar *p = m_image.scanLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (!dx && !dy)
                            continue;
                        const int xx = std::clamp(x + dx * a, 0, W - 1);
                        const int yy = std::clamp(y + dy * a, 0, H - 1);
                        sum += m_image.constScanLine(yy)[3 * xx + c];
                    }
                const int v = p[c] * 256 - 16 * sum;
                p[c] = clampByte(v / 128);
            }
        }
    }
    Changed();
}

void TgwBitmap::BlurStep(int a)
{
    const int W = Width(), H = Height();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uchar *p = m_image.scanLine(y) + 3 * x;
            const int x0 = std::clamp(x - a, 0, W - 1), x1 = std::clamp(x + a, 0, W - 1);
            const int y0 = std::clamp(y - a, 0, H - 1), y1 = std::clamp(y + a, 0, H - 1);
            for (int c = 0; c < 3; ++c) {
                const int s = m_image.constScanLine(y0)[3 * x0 + c] + m_image.constScanLine(y0)[3 * x1 + c] +
                              m_image.constScanLine(y1)[3 * x0 + c] + m_image.constScanLine(y1)[3 * x1 + c];
                p[c] = uchar(s >> 2);
            }
        }
    Changed();
}

void TgwBitmap::GaussianBlur(int n)
{
    BeginUpdate();
    for (int a = n; a >= 1; --a)
        BlurStep(a);
    EndUpdate();
    Changed();
}

void TgwBitmap::Sponge(int amount, const std::function<int(int)> &random)
{
    // Random(0) or a negative range would have no meaning: nothing moves.
    if (amount <= 0 || Empty())
        return;
    auto rnd = [&](int n) {
        if (n <= 0)
            return 0;
        return random ? random(n) : int(QRandomGenerator::global()->bounded(n));
    };
    const int W = Width(), H = Height();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int c = rnd(amount);
            const int xx = std::clamp(x + c - rnd(2 * c), 0, W - 1);
            const int yy = std::clamp(y + c - rnd(2 * c), 0, H - 1);
            std::memmove(m_image.scanLine(y) + 3 * x, m_image.constScanLine(yy) + 3 * xx, 3);
        }
    Changed();
}

void TgwBitmap::Flip(bool horizontal)
{
    const int W = Width(), H = Height();
    if (horizontal) {
        for (int y = 0; y < H; ++y) {
            uchar *p = m_image.scanLine(y);
            for (int d = 0; d <= (W - 1) / 2; ++d)
                for (int c = 0; c < 3; ++c)
                    std::swap(p[3 * d + c], p[3 * (W - 1 - d) + c]);
        }
    } else {
        std::vector<uchar> buf(static_cast<size_t>(Stride()));
        for (int d = 0; d < H / 2; ++d) {
            uchar *a = m_image.scanLine(d), *b = m_image.scanLine(H - 1 - d);
            std::memcpy(buf.data(), a, buf.size());
            std::memcpy(a, b, buf.size());
            std::memcpy(b, buf.data(), buf.size());
        }
    }
    Changed();
}

void TgwBitmap::Wave(bool wrap, int ratio, int yDiv, int xDiv)
{
    if (yDiv == 0 || xDiv == 0 || Empty())
        return;
    const int W = Width(), H = Height();
    std::vector<int> S(size_t(H), 0);
    for (int j = 0; j < H; ++j)
        S[size_t(j)] = int(std::nearbyint(ratio * std::sin(double(j) / yDiv)));
    QImage out = blank(W, H);
    for (int d = 0; d < W; ++d) {
        int F = int(std::nearbyint(ratio * std::sin(double(d) / xDiv)));
        if (wrap) {
            // A one-row picture has no second row to wrap to.
            if (F < 0)
                F = H - ((-F) % H) - 1;
            else if (F >= H)
                F = H > 1 ? F % (H - 1) : 0;
        }
        int row = F;
        for (int j = 0; j < H; ++j, ++row) {
            if (wrap) {
                if (row >= H)
                    row = 0;
            } else if (row >= H) {
                break;
            }
            if (row < 0)
                continue;
            int g = d + S[size_t(j)];
            if (wrap) {
                if (g < 0)
                    g = W - ((-g) % W) - 1;
                else if (g >= W)
                    g = g % W;
            } else if (g < 0 || g >= W) {
                continue;
            }
            std::memcpy(out.scanLine(j) + 3 * d, m_image.constScanLine(row) + 3 * g, 3);
        }
    }
    m_image = out;
    Changed();
}

void TgwBitmap::Rotate(QPoint center, double angle)
{
    if (Empty())
        return;
    const int W = Width(), H = Height();
    const int cx = center.x() < 0 ? W / 2 : center.x();
    const int cy = center.y() < 0 ? H / 2 : center.y();
    QImage out(W, H, QImage::Format_BGR888);
    const Color tl = Pixel(0, 0);
    out.fill(QColor(redOf(tl), greenOf(tl), blueOf(tl)));
    const double th = -angle * 3.1415926535897932385 / 180.0;
    const double cs = std::cos(th), sn = std::sin(th);
    auto truncDiv2 = [](long v) { return v >= 0 ? v / 2 : -((-v) / 2); };
    for (int i = 0; i < H; ++i) {
        const long v = 2L * i - 2L * cy + 1;
        uchar *dst = out.scanLine(i);
        for (int j = 0; j < W; ++j) {
            const long m = 2L * j - 2L * cx + 1;
            const long t = truncDiv2(long(std::nearbyint(m * cs - v * sn)) - 1);
            const long u = truncDiv2(long(std::nearbyint(m * sn + v * cs)) - 1);
            const long sx = cx + t, sy = cy + u;
            if (sx >= 0 && sy >= 0 && sx < W && sy < H)
                std::memcpy(dst + 3 * j, m_image.constScanLine(int(sy)) + 3 * sx, 3);
        }
    }
    m_image = out;
    Changed();
}

void TgwBitmap::AlphaBlend(const TgwBitmap &other, int amount, bool stretch)
{
    if (Empty() || other.Empty())
        return;
    const TgwBitmap *src = &other;
    TgwBitmap tmp;
    if (other.Width() != Width() || other.Height() != Height()) {
        if (!stretch)
            throw kv::Error(QStringLiteral(
                "In Alpha Blend, Blend Bitmap must be same dimensions as Current Bitmap"));
        tmp.SetSize(Width(), Height());
        {
            QPainter p(&tmp.m_image);
            p.drawImage(QRect(0, 0, Width(), Height()), other.m_image);
        }
        tmp.Transparent = other.Transparent;
        tmp.TransparentColor = other.TransparentColor;
        src = &tmp;
    }
    const bool skip = src->Transparent;
    const Color key = src->TopLeftColor();
    for (int y = 0; y < Height(); ++y) {
        uchar *p = m_image.scanLine(y);
        const uchar *q = src->m_image.constScanLine(y);
        for (int x = 0; x < Width(); ++x, p += 3, q += 3) {
            if (skip && rgb(q[2], q[1], q[0]) == key)
                continue;
            for (int c = 0; c < 3; ++c)
                p[c] = uchar(p[c] + ((amount * (q[c] - p[c])) >> 8));
        }
    }
    Changed();
}

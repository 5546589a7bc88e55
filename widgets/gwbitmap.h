#pragma once
// A 24-bit picture whose bytes the effects rewrite directly: rows top-down,
// blue-green-red, each row padded to a multiple of four bytes.
#include "widgets/changelink.h"
#include "widgets/gwcolors.h"

#include <QImage>
#include <QRect>
#include <functional>

class QPainter;

class TgwBitmap {
public:
    TgwBitmap() = default;
    TgwBitmap(const TgwBitmap &other);
    TgwBitmap &operator=(const TgwBitmap &other);
    ~TgwBitmap() = default;

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    bool Empty() const { return m_image.isNull(); }
    int Stride() const { return m_image.isNull() ? 0 : int(m_image.bytesPerLine()); }
    uchar *ScanLine(int row) { return m_image.scanLine(row); }
    const uchar *ScanLine(int row) const { return m_image.constScanLine(row); }
    // The pixels as a Qt image (Format_BGR888); painting on it changes the bitmap.
    QImage &Image() { return m_image; }
    const QImage &Image() const { return m_image; }

    // Empties the picture; a size with a zero side leaves it empty, else white.
    void SetSize(int w, int h);
    void SetDimensions(int w, int h);
    void SetWidth(int w) { SetDimensions(w, Height()); }
    void SetHeight(int h) { SetDimensions(Width(), h); }
    void Clear();
    void StretchToSize(int w, int h);
    void LoadFromImage(const QImage &image);
    QImage ToImage() const;   // RGB32 copy
    void Assign(const TgwBitmap &other);
    // An ordinary 24-bit bitmap file image, as the form stream keeps it.
    QByteArray SaveToStream() const;
    // False (picture unchanged) when the bytes are no bitmap.
    bool LoadFromStream(const QByteArray &bytes);

    kv::gw::Color Pixel(int x, int y) const;
    void SetPixel(int x, int y, kv::gw::Color c);
    kv::gw::Color TopLeftColor() const { return Empty() ? kv::gw::clNone : Pixel(0, 0); }
    // TransparentColor, or the top-left pixel for clNone.
    kv::gw::Color EffectiveTransparentColor() const;

    kv::gw::Color TransparentColor = kv::gw::clNone;
    bool Transparent = false;
    bool SmoothStretch = false;
    bool RespectPalette = false;

    // Parks the pixels while the owner has no window.
    void SavePixels();
    void RestorePixels();
    bool HasSavedPixels() const { return !m_saved.isNull(); }

    // Drawing. Draw picks stretched (plain or smooth), transparent or plain copy.
    void Draw(QPainter &p, const QRect &r) const;
    void StretchDrawTo(QPainter &p, const QRect &r) const;
    void SmoothStretchDraw(QPainter &p, const QRect &r) const;
    void TileDraw(QPainter &p, const QRect &r) const;
    void TransparentDraw(QPainter &p, const QRect &r) const;
    // The bilinear stretch as a picture of w x h.
    TgwBitmap SmoothStretched(int w, int h) const;

    // Pixel effects.
    void GrayScale();
    void Invert();
    void Lightness(int amount);
    void Contrast(int amount);
    void Saturation(int amount);
    void ShiftColors(int dr, int dg, int db);
    void Colorize(int r, int g, int b);
    void MaskColor(kv::gw::Color c);
    void Emboss();
    void Sharpen(int amount);
    void BlurStep(int amount);
    void GaussianBlur(int amount);
    // Random source: returns 0..n-1 (the program's random generator by default).
    void Sponge(int amount, const std::function<int(int)> &random = {});
    void Flip(bool horizontal);
    void Wave(bool wrap, int ratio, int yDiv, int xDiv);
    void Rotate(QPoint center, double angle);
    void AlphaBlend(const TgwBitmap &other, int amount, bool stretch);

    // Change notices.
    std::function<void(TgwBitmap *)> OnChange;
    void Changed();
    void BeginUpdate() { ++m_updating; }
    void EndUpdate() { if (m_updating > 0) --m_updating; }
    void RegisterChanges(TgwChangeLink *l) { m_links.RegisterChanges(l); }
    void UnRegisterChanges(TgwChangeLink *l) { m_links.UnRegisterChanges(l); }

private:
    static QImage blank(int w, int h);
    QImage m_image;
    QImage m_saved;
    int m_updating = 0;
    TgwChangeLinkList m_links;
};

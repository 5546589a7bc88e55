#pragma once
// A picture control that renders its picture through a fixed chain of pixel
// effects and paints the result in one of five drawing styles.
#include "widgets/gwbitmap.h"

#include <QImage>
#include <QWidget>

class TgwCustomImager;

class TgwBitmapOptions {
public:
    explicit TgwBitmapOptions(TgwCustomImager *owner) : m_owner(owner) {}

    struct AlphaBlendOptions { int Amount = 0; TgwBitmap Bitmap; };
    struct RotateOptions { int CenterX = -1, CenterY = -1; int Angle = 0; };
    struct WaveOptions { int XDiv = 0, YDiv = 0, Ratio = 0; bool Wrap = false; };

    // Every field; change through Set() so the picture renders again.
    struct Values {
        kv::gw::Color Color = kv::gw::clNone;
        int Contrast = 0;
        bool Embossed = false;
        kv::gw::Color TintColor = kv::gw::clNone;
        int GaussianBlur = 0;
        bool GrayScale = false;
        bool HorizontallyFlipped = false;
        bool Inverted = false;
        int Lightness = 0;
        int Saturation = -1;   // -1: off
        int Sharpen = 0;
        int Sponge = 0;
        bool VerticallyFlipped = false;
        RotateOptions Rotation;
        WaveOptions Wave;
        int AlphaAmount = 0;
    };
    const Values &Get() const { return m_values; }
    void Set(const Values &v) { m_values = v; Apply(); }
    void SetAlphaBlendBitmap(const TgwBitmap &b) { m_alphaBitmap = b; }   // no rendering
    const TgwBitmap &AlphaBlendBitmap() const { return m_alphaBitmap; }

    void BeginUpdate() { ++m_lock; }
    void EndUpdate() { if (m_lock > 0) --m_lock; }
    // Renders the source picture into the target through the effect chain.
    void Apply();

    // The chain on one bitmap (the source already in it).
    static void ApplyEffects(TgwBitmap &target, const Values &v, const TgwBitmap &alpha);

private:
    TgwCustomImager *m_owner;
    Values m_values;
    TgwBitmap m_alphaBitmap;
    int m_lock = 0;
    bool m_applying = false;
};

class TgwCustomImager : public QWidget {
    Q_OBJECT
public:
    enum DrawStyleKind { dsNormal = 0, dsCenter = 1, dsStretch = 2, dsTile = 3, dsProportional = 4 };

    explicit TgwCustomImager(QWidget *parent = nullptr);

    const QImage &Picture() const { return m_picture; }
    void SetPicture(const QImage &picture);
    bool PictureEmpty() const { return m_picture.isNull(); }
    bool PictureTransparent() const { return !m_picture.isNull() && m_pictureTransparent; }
    void SetPictureTransparent(bool v);

    int DrawStyle() const { return m_drawStyle; }
    void SetDrawStyle(int v);
    bool Tile() const { return m_drawStyle == dsTile; }

    TgwBitmapOptions &EffectOptions() { return m_options; }
    TgwBitmap &WorkingBitmap() { return m_working; }
    const TgwBitmap &WorkingBitmap() const { return m_working; }

    void UpdateWorkingBitmap();
    void ApplyEffects();
    void CopyToClipboard() const;
    // Called by the options after every rendering.
    void BitmapChanged();

    void RegisterChanges(TgwChangeLink *l) { m_links.RegisterChanges(l); }
    void UnRegisterChanges(TgwChangeLink *l) { m_links.UnRegisterChanges(l); }

    // The destination rectangle of the working bitmap by the drawing style.
    QRect DestRect() const;
    // Paints the working bitmap (used also by the outlook bar for its background).
    void PaintTo(QPainter &p);

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    QImage m_picture;
    bool m_pictureTransparent = false;
    int m_drawStyle = dsNormal;
    TgwBitmap m_working;
    TgwBitmapOptions m_options{this};
    TgwChangeLinkList m_links;
};

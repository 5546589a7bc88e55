#pragma once
// A bit button whose face is a picture, stretched, tinted, dithered when down
// in a group, bevelled along its outline; the window takes the shape of the
// picture's opaque pixels.
#include "widgets/bitbtn.h"

#include <QPointer>

class TgwCustomImager;

namespace kv::gw {
enum TgwDitherStyle { dsDither, dsBlendDither, dsFill };
}

class TgwCustomImageBtn : public TgwCustomBitBtn {
    Q_OBJECT
public:
    explicit TgwCustomImageBtn(QWidget *parent = nullptr);
    ~TgwCustomImageBtn() override;

    TgwBitmap &Image() { return m_image; }
    TgwBitmap &ImageDown() { return m_imageDown; }
    void SetImage(const TgwBitmap &b);
    void SetImageDown(const TgwBitmap &b);
    // Another image button or an imager; nullptr for the own picture.
    QObject *ExtImage() const { return m_ext; }
    QObject *ExtImageDown() const { return m_extDown; }
    void SetExtImage(QObject *src);
    void SetExtImageDown(QObject *src);

    kv::gw::Color TransparentColor() const { return m_transparentColor; }
    void SetTransparentColor(kv::gw::Color c);
    kv::gw::Color DitherColor() const { return m_ditherColor; }
    void SetDitherColor(kv::gw::Color c) { m_ditherColor = c; update(); }
    kv::gw::TgwDitherStyle DitherStyle() const { return m_ditherStyle; }
    void SetDitherStyle(kv::gw::TgwDitherStyle s) { m_ditherStyle = s; update(); }

    // The effective pictures.
    TgwBitmap *GetImage(bool down);
    kv::gw::Color EffectiveTransparentColor(bool down);
    void PrepareImage(const TgwBitmap &source, TgwBitmap &target, bool plain, kv::gw::TgwShadeStyle style);
    void DrawOutlineBevel(const TgwBitmap &source, TgwBitmap &target, bool down, kv::gw::Color transparent);
    kv::gw::Color FacePixel(const QPoint &pt);
    void BakeImages();

    bool StoreRegionData() const override { return true; }
    QRegion CreateRegion(bool build, bool down) override;
    bool UseRegions() const override { return m_transparentColor != kv::gw::clNoTransparency; }
    bool HasDownShape() const override;
    void SizeToImage() override;
    void DrawFace(TgwBitmap &target, bool plain, kv::gw::TgwShadeStyle style, bool down) override;
    void AssignFrom(const TgwCustomBitBtn *src) override;

protected:
    virtual void ImageChanged(const void *sender);
    void linkTo(QObject *src, bool down);
    void unlinkFrom(QObject *src, bool down);

private:
    TgwBitmap m_image, m_imageDown;
    QPointer<QObject> m_ext, m_extDown;
    kv::gw::Color m_transparentColor = kv::gw::clNone;
    kv::gw::Color m_ditherColor = kv::gw::clWhite;
    kv::gw::TgwDitherStyle m_ditherStyle = kv::gw::dsDither;
    TgwChangeLink m_link;
    bool m_muted = false;
};

class TgwImageBtn : public TgwCustomImageBtn {
    Q_OBJECT
public:
    using TgwCustomImageBtn::TgwCustomImageBtn;
};

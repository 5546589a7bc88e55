#include "widgets/imagebtn.h"

#include "widgets/imager.h"

#include <QPainter>

using namespace kv::gw;

TgwCustomImageBtn::TgwCustomImageBtn(QWidget *parent) : TgwCustomBitBtn(parent)
{
    SetColor(clNone);
    m_image.OnChange = [this](TgwBitmap *b) { ImageChanged(b); };
    m_imageDown.OnChange = [this](TgwBitmap *b) { ImageChanged(b); };
    m_link.OnChange = [this](const void *s) { ImageChanged(s); };
}

TgwCustomImageBtn::~TgwCustomImageBtn()
{
    unlinkFrom(m_ext, false);
    unlinkFrom(m_extDown, true);
}

void TgwCustomImageBtn::linkTo(QObject *src, bool down)
{
    if (auto *im = qobject_cast<TgwCustomImager *>(src))
        im->RegisterChanges(&m_link);
    else if (auto *b = qobject_cast<TgwCustomImageBtn *>(src))
        (down ? b->ImageDown() : b->Image()).RegisterChanges(&m_link);
}

void TgwCustomImageBtn::unlinkFrom(QObject *src, bool down)
{
    if (auto *im = qobject_cast<TgwCustomImager *>(src))
        im->UnRegisterChanges(&m_link);
    else if (auto *b = qobject_cast<TgwCustomImageBtn *>(src))
        (down ? b->ImageDown() : b->Image()).UnRegisterChanges(&m_link);
}

void TgwCustomImageBtn::SetImage(const TgwBitmap &b)
{
    SetExtImage(nullptr);
    m_image.Assign(b);
}

void TgwCustomImageBtn::SetImageDown(const TgwBitmap &b)
{
    SetExtImageDown(nullptr);
    m_imageDown.Assign(b);
}

void TgwCustomImageBtn::SetExtImage(QObject *src)
{
    if (src == m_ext)
        return;
    unlinkFrom(m_ext, false);
    if (src) {
        m_image.BeginUpdate();
        m_image.Clear();
        m_image.EndUpdate();
    }
    m_ext = src;
    linkTo(src, false);
    RegionData.clear();
    ApplyRegion();
    update();
}

void TgwCustomImageBtn::SetExtImageDown(QObject *src)
{
    if (src == m_extDown)
        return;
    unlinkFrom(m_extDown, true);
    if (src) {
        m_imageDown.BeginUpdate();
        m_imageDown.Clear();
        m_imageDown.EndUpdate();
    }
    m_extDown = src;
    linkTo(src, true);
    DownRegionData.clear();
    ApplyRegion();
    update();
}

void TgwCustomImageBtn::SetTransparentColor(kv::gw::Color c)
{
    m_transparentColor = c;
    RegionData.clear();
    DownRegionData.clear();
    ApplyRegion();
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
}

TgwBitmap *TgwCustomImageBtn::GetImage(bool down)
{
    QObject *src = down ? m_extDown.data() : m_ext.data();
    if (auto *im = qobject_cast<TgwCustomImager *>(src)) {
        if (im->WorkingBitmap().Empty() && !im->PictureEmpty())
            im->ApplyEffects();
        return &im->WorkingBitmap();
    }
    if (auto *b = qobject_cast<TgwCustomImageBtn *>(src))
        return down ? &b->ImageDown() : &b->Image();
    return down ? &m_imageDown : &m_image;
}

kv::gw::Color TgwCustomImageBtn::EffectiveTransparentColor(bool down)
{
    if (m_transparentColor == clNoTransparency)
        return clNoTransparency;
    if (m_transparentColor != clNone)
        return m_transparentColor;
    TgwBitmap *d = GetImage(true);
    if (down && !d->Empty())
        return d->Pixel(0, 0);
    TgwBitmap *u = GetImage(false);
    return u->Empty() ? clNone : u->Pixel(0, 0);
}

bool TgwCustomImageBtn::HasDownShape() const
{
    auto *self = const_cast<TgwCustomImageBtn *>(this);
    return m_transparentColor != clNoTransparency &&
           ((!self->GetImage(false)->Empty() && !self->GetImage(true)->Empty()) || ShadeStyle() == fbsRaised);
}

QRegion TgwCustomImageBtn::CreateRegion(bool build, bool down)
{
    if (m_transparentColor == clNoTransparency)
        return QRegion();
    const QByteArray &stored = down ? DownRegionData : RegionData;
    if (!stored.isEmpty() || !build)
        return TgwCustomBitBtn::CreateRegion(build, down);
    TgwBitmap *up = GetImage(false);
    if (up->Empty())
        return QRegion();
    TgwBitmap tmp;
    TgwBitmap *dn = GetImage(true);
    const TgwBitmap &src = (down && !dn->Empty()) ? *dn : *up;
    PrepareImage(src, tmp, true, ShadeStyle());
    QRegion r = RegionFromBitmap(tmp.ToImage(), EffectiveTransparentColor(down));
    if (ShadeStyle() == fbsRaised) {
        const QRegion moved = r.translated(2, 2);
        r = down ? moved : (r + moved);
    }
    StoreRegion(r, down);
    return r;
}

void TgwCustomImageBtn::PrepareImage(const TgwBitmap &source, TgwBitmap &target, bool plain, TgwShadeStyle style)
{
    int w = width(), h = height();
    if (style == fbsRaised) {
        w -= 2;
        h -= 2;
    }
    if (w <= 0 || h <= 0)
        return;
    target.BeginUpdate();
    target.SetSize(w, h);
    {
        QPainter p(&target.Image());
        if (!source.Empty())
            p.drawImage(QRect(0, 0, w, h), source.Image());
    }
    const bool tint = !plain && Color() != clNone;
    const bool dither = GroupIndex() > 0 && Down() && m_ditherColor != clNone && !plain && GetImage(true)->Empty();
    if (tint || dither) {
        QRegion clip = CreateRegion(true, Down());
        if (tint) {
            target.TransparentColor = EffectiveTransparentColor(Down());
            const kv::gw::Color c = colorToRGB(Color());
            target.Colorize(redOf(c), greenOf(c), blueOf(c));
        }
        if (dither) {
            if (style == fbsRaised)
                clip.translate(-2, -2);
            QPainter p(&target.Image());
            if (!clip.isEmpty())
                p.setClipRegion(clip);
            if (m_ditherStyle == dsFill)
                p.fillRect(0, 0, width(), height(), toQColor(m_ditherColor));
            else
                DitherFill(p, QRect(0, 0, width(), height()),
                           m_ditherStyle == dsDither ? clSilver : clNone, m_ditherColor);
        }
    }
    target.EndUpdate();
}

void TgwCustomImageBtn::DrawOutlineBevel(const TgwBitmap &source, TgwBitmap &target, bool down, kv::gw::Color transparent)
{
    if (source.Width() != target.Width() || source.Height() != target.Height() || source.Empty())
        return;
    const TgwBitmap src = source;
    const int W = src.Width(), H = src.Height();
    const ShadeColors &sc = const_cast<TgwCustomImageBtn *>(this)->GetShadeColors();
    const bool focusOrDefault = hasFocus() || Default();
    const bool focused = (Options() & boFocusable) && hasFocus();
    const kv::gw::Color key = colorToRGB(transparent);
    auto scan = [&](int x0, int y0) {
        const int len = std::min(W - x0, H - y0);
        auto opaque = [&](int k) { return src.Pixel(x0 + k, y0 + k) != key; };
        auto paint = [&](int k, kv::gw::Color c) {
            if (k >= 0 && k < len)
                target.SetPixel(x0 + k, y0 + k, c);
        };
        int k = 0;
        while (k < len) {
            while (k < len && !opaque(k))
                ++k;
            if (k >= len)
                break;
            const int s0 = k;
            while (k < len && opaque(k))
                ++k;
            const int e0 = k - 1;
            int s = s0, e = e0;
            if (focusOrDefault) {
                ++s;
                --e;
            }
            if (focused)
                ++s;
            if (!down) {
                paint(s, sc.BtnHighlight);
                paint(s + 1, sc.Btn3DLight);
                paint(e - 1, sc.BtnShadow);
                paint(e, sc.BtnBlack);
            } else {
                paint(s, sc.BtnBlack);
                paint(s + 1, sc.BtnShadow);
                paint(e - 1, sc.Btn3DLight);
                paint(e, sc.BtnHighlight);
                if (focused)
                    paint(s - 1, clBlack);
            }
            if (focusOrDefault) {
                paint(s0, sc.BtnBlack);
                paint(e0, sc.BtnBlack);
            }
        }
    };
    target.BeginUpdate();
    for (int x = W - 1; x >= 0; --x)
        scan(x, 0);
    for (int y = 1; y < H; ++y)
        scan(0, y);
    target.EndUpdate();
}

void TgwCustomImageBtn::DrawFace(TgwBitmap &target, bool plain, TgwShadeStyle style, bool down)
{
    target.BeginUpdate();
    target.SetSize(width(), height());
    target.EndUpdate();
    if (target.Empty())
        return;
    TgwBitmap *up = GetImage(false);
    if (up->Empty()) {
        QPainter p(&target.Image());
        p.setBrush(toQColor(clBtnFace));
        p.setPen(QPen(Qt::black, 1, Qt::DashDotLine));
        p.drawRect(0, 0, width() - 1, height() - 1);
        return;
    }
    TgwBitmap *dn = GetImage(true);
    TgwBitmap tmp;
    PrepareImage((down && !dn->Empty()) ? *dn : *up, tmp, plain, style);
    const QPoint pos = (down && dn->Empty()) ? QPoint(GetOffsets().ImageDownX, GetOffsets().ImageDownY) : QPoint(0, 0);
    if (style == fbsHighlight || (style == fbsFlat && MouseOver())) {
        {
            QPainter p(&target.Image());
            p.drawImage(pos, tmp.Image());
        }
        DrawOutlineBevel(tmp, target, down, EffectiveTransparentColor(down));
        return;
    }
    QPainter p(&target.Image());
    p.fillRect(target.Image().rect(), toQColor(GetShadeColors().Shadow));
    if (m_transparentColor != clNoTransparency) {
        tmp.Transparent = true;
        tmp.TransparentColor = EffectiveTransparentColor(down);
        tmp.TransparentDraw(p, QRect(pos, QSize(tmp.Width(), tmp.Height())));
    } else {
        p.drawImage(pos, tmp.Image());
    }
}

void TgwCustomImageBtn::ImageChanged(const void *sender)
{
    if (m_muted)
        return;
    if (sender == GetImage(false))
        RegionData.clear();
    if (sender == GetImage(true))
        DownRegionData.clear();
    m_muted = true;
    ApplyRegion();
    m_muted = false;
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
}

kv::gw::Color TgwCustomImageBtn::FacePixel(const QPoint &pt)
{
    TgwBitmap face;
    DrawFace(face, false, ShadeStyle(), Down());
    return face.Pixel(pt.x(), pt.y());
}

void TgwCustomImageBtn::BakeImages()
{
    if (GetImage(false)->Empty())
        return;
    TgwBitmap up, dn;
    DrawFace(up, false, fbsHighlight, false);
    DrawFace(dn, false, fbsHighlight, true);
    // Outside the down shape the down picture shows its transparent colour.
    const QRegion downShape = CreateRegion(true, true);
    const kv::gw::Color key = EffectiveTransparentColor(true);
    if (key != clNone && key != clNoTransparency) {
        QPainter p(&dn.Image());
        p.setClipRegion(QRegion(dn.Image().rect()) - downShape);
        p.fillRect(dn.Image().rect(), toQColor(key));
    }
    GetImage(false)->Assign(up);
    SetImageDown(dn);
}

void TgwCustomImageBtn::SizeToImage()
{
    TgwBitmap *up = GetImage(false);
    if (up->Empty())
        return;
    resize(up->Width(), up->Height());
    if (parentWidget())
        parentWidget()->update(geometry());
}

void TgwCustomImageBtn::AssignFrom(const TgwCustomBitBtn *src)
{
    if (auto *s = qobject_cast<const TgwCustomImageBtn *>(src)) {
        m_ditherColor = s->m_ditherColor;
        m_ditherStyle = s->m_ditherStyle;
        SetExtImage(const_cast<TgwCustomImageBtn *>(s));
        SetExtImageDown(const_cast<TgwCustomImageBtn *>(s));
        m_transparentColor = s->m_transparentColor;
    }
    TgwCustomBitBtn::AssignFrom(src);
}

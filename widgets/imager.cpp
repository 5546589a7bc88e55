#include "widgets/imager.h"

#include "widgets/gwutils.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>

using namespace kv::gw;

void TgwBitmapOptions::ApplyEffects(TgwBitmap &t, const Values &v, const TgwBitmap &alpha)
{
    t.BeginUpdate();
    if (v.GrayScale)
        t.GrayScale();
    if (v.Lightness != 0)
        t.Lightness(v.Lightness);
    if (v.AlphaAmount != 0 && !alpha.Empty())
        t.AlphaBlend(alpha, v.AlphaAmount, true);
    if (v.Color != clNone) {
        const Color c = colorToRGB(v.Color);
        t.Colorize(redOf(c), greenOf(c), blueOf(c));
    }
    if (v.TintColor != clNone) {
        const Color c = colorToRGB(v.TintColor);
        t.ShiftColors(redOf(c) / 2, greenOf(c) / 2, blueOf(c) / 2);
    }
    if (v.Sponge != 0)
        t.Sponge(v.Sponge);
    if (v.Saturation != -1)
        t.Saturation(v.Saturation);
    if (v.GaussianBlur != 0)
        t.GaussianBlur(v.GaussianBlur);
    if (v.Embossed)
        t.Emboss();
    if (v.Inverted)
        t.Invert();
    if (v.Contrast != 0)
        t.Contrast(v.Contrast);
    if (v.Sharpen != 0)
        t.Sharpen(v.Sharpen);
    if (v.HorizontallyFlipped)
        t.Flip(true);
    if (v.VerticallyFlipped)
        t.Flip(false);
    if (v.Wave.Ratio != 0 && v.Wave.XDiv != 0 && v.Wave.YDiv != 0)
        t.Wave(v.Wave.Wrap, v.Wave.Ratio, v.Wave.YDiv, v.Wave.XDiv);
    if (v.Rotation.Angle != 0)
        t.Rotate(QPoint(v.Rotation.CenterX, v.Rotation.CenterY), v.Rotation.Angle);
    t.EndUpdate();
}

void TgwBitmapOptions::Apply()
{
    if (m_lock > 0 || m_applying || !m_owner)
        return;
    TgwBitmap &target = m_owner->WorkingBitmap();
    const QImage &src = m_owner->Picture();
    if (target.Empty() || src.isNull())
        return;
    m_applying = true;
    target.BeginUpdate();
    {
        QImage &img = target.Image();
        QPainter p(&img);
        if (src.size() == img.size()) {
            p.drawImage(0, 0, src);
        } else if (m_owner->Tile()) {
            img.fill(Qt::white);
            for (int y = 0; y < img.height(); y += src.height())
                for (int x = 0; x < img.width(); x += src.width())
                    p.drawImage(x, y, src);
        } else {
            TgwBitmap tmp;
            tmp.LoadFromImage(src);
            tmp.SmoothStretch = target.SmoothStretch;
            if (tmp.SmoothStretch) {
                p.end();
                img = tmp.SmoothStretched(img.width(), img.height()).Image();
            } else {
                p.drawImage(QRect(0, 0, img.width(), img.height()), src);
            }
        }
    }
    ApplyEffects(target, m_values, m_alphaBitmap);
    target.EndUpdate();
    m_applying = false;
    m_owner->BitmapChanged();
}

TgwCustomImager::TgwCustomImager(QWidget *parent) : QWidget(parent)
{
    resize(100, 100);
    m_working.RespectPalette = true;
}

void TgwCustomImager::SetPicture(const QImage &picture)
{
    m_picture = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    UpdateWorkingBitmap();
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
    m_links.NotifyChange(&m_working);
}

void TgwCustomImager::SetPictureTransparent(bool v)
{
    m_pictureTransparent = v;
    update();
}

void TgwCustomImager::SetDrawStyle(int v)
{
    if (v == m_drawStyle)
        return;
    m_drawStyle = v;
    UpdateWorkingBitmap();
    update();
}

void TgwCustomImager::UpdateWorkingBitmap()
{
    if (m_picture.isNull()) {
        m_working.Clear();
        return;
    }
    int w = m_picture.width(), h = m_picture.height();
    if (m_options.Get().Rotation.Angle != 0)
        w = h = std::max(w, h);
    m_working.BeginUpdate();
    m_working.SetSize(w, h);
    m_working.EndUpdate();
    ApplyEffects();
}

void TgwCustomImager::ApplyEffects()
{
    if (m_picture.isNull())
        return;
    if (m_working.Empty()) {
        UpdateWorkingBitmap();
        return;
    }
    m_options.Apply();
}

void TgwCustomImager::BitmapChanged()
{
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
    m_links.NotifyChange(&m_working);
}

void TgwCustomImager::CopyToClipboard() const
{
    if (!m_working.Empty())
        QApplication::clipboard()->setImage(m_working.ToImage());
}

QRect TgwCustomImager::DestRect() const
{
    const int bw = m_working.Width(), bh = m_working.Height();
    switch (m_drawStyle) {
    case dsCenter: {
        const int x = width() / 2 - bw / 2, y = height() / 2 - bh / 2;
        return QRect(x, y, bw, bh);
    }
    case dsStretch:
    case dsTile:
        return rect();
    case dsProportional:
        return FitProportional(rect(), bw, bh);
    default:
        return QRect(0, 0, bw, bh);
    }
}

void TgwCustomImager::PaintTo(QPainter &p)
{
    if (m_working.Empty())
        return;
    const QRect r = DestRect();
    switch (m_drawStyle) {
    case dsNormal:
    case dsCenter:
        m_working.Draw(p, QRect(r.topLeft(), QSize(m_working.Width(), m_working.Height())));
        break;
    case dsTile:
        m_working.TileDraw(p, r);
        break;
    default:
        if (r.width() > 0 && r.height() > 0)
            m_working.Draw(p, r);
        break;
    }
}

void TgwCustomImager::paintEvent(QPaintEvent *)
{
    if (m_working.Empty() && !m_picture.isNull()) {
        ApplyEffects();
        return;
    }
    QPainter p(this);
    PaintTo(p);
}

void TgwCustomImager::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    UpdateWorkingBitmap();
}

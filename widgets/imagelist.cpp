#include "widgets/imagelist.h"

#include "platform/colors.h"
#include "widgets/gwcolors.h"

#include <QPainter>
#include <algorithm>

namespace kv {

ImageList::ImageList(int width, int height, QObject *parent)
    : QObject(parent), m_width(std::max(1, width)), m_height(std::max(1, height))
{
}

ImageList::ImageList(const QImage &strip, int width, int height, const QColor &transparent,
                     QObject *parent)
    : ImageList(width, height, parent)
{
    addStrip(strip, transparent);
}

void ImageList::setSize(int width, int height)
{
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    m_images.clear();
    emit changed();
}

QImage ImageList::cell(const QImage &source, int x, const QColor &transparent) const
{
    QImage out(m_width, m_height, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent.isValid() ? (transparent.rgb() & 0x00FFFFFF) : 0;
    const int h = std::min(m_height, src.height());
    const int w = std::min(m_width, src.width() - x);
    for (int row = 0; row < h; ++row) {
        const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(row)) + x;
        QRgb *dst = reinterpret_cast<QRgb *>(out.scanLine(row));
        for (int col = 0; col < w; ++col) {
            const QRgb p = in[col];
            if (transparent.isValid() && (p & 0x00FFFFFF) == key)
                continue;
            dst[col] = p;
        }
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

int ImageList::addStrip(const QImage &strip, const QColor &transparent)
{
    if (strip.isNull())
        return -1;
    const int cells = strip.width() / m_width;
    if (cells <= 0)
        return -1;
    const int first = count();
    for (int i = 0; i < cells; ++i)
        m_images.append(cell(strip, i * m_width, transparent));
    emit changed();
    return first;
}

int ImageList::addStripAutoTransparent(const QImage &strip)
{
    return addStrip(strip, autoTransparentColor(strip));
}

int ImageList::add(const QImage &image, const QColor &transparent)
{
    if (image.isNull())
        return -1;
    m_images.append(cell(image, 0, transparent));
    emit changed();
    return count() - 1;
}

void ImageList::replace(int index, const QImage &image, const QColor &transparent)
{
    if (!isValidIndex(index) || image.isNull())
        return;
    m_images[index] = cell(image, 0, transparent);
    emit changed();
}

void ImageList::remove(int index)
{
    if (!isValidIndex(index))
        return;
    m_images.removeAt(index);
    emit changed();
}

void ImageList::clear()
{
    if (m_images.isEmpty())
        return;
    m_images.clear();
    emit changed();
}

QImage ImageList::image(int index) const
{
    return isValidIndex(index) ? m_images.at(index) : QImage();
}

bool ImageList::isOpaqueAt(int index, int x, int y) const
{
    if (!isValidIndex(index) || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return false;
    return qAlpha(m_images.at(index).pixel(x, y)) > 127;
}

void ImageList::setBackgroundColor(const QColor &c)
{
    if (c == m_background)
        return;
    m_background = c;
    emit changed();
}

QColor ImageList::autoTransparentColor(const QImage &image)
{
    if (image.isNull())
        return QColor();
    return QColor::fromRgb(image.pixel(0, image.height() - 1) | 0xFF000000u);
}

QImage ImageList::disabledImage(const QImage &image)
{
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    return DisabledGlyph(src.size(), [&](int x, int y) { return qAlpha(src.pixel(x, y)) > 127; }, src.size())
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void ImageList::draw(QPainter &painter, int index, int x, int y, bool enabled) const
{
    if (!isValidIndex(index))
        return;
    if (m_background.isValid())
        painter.fillRect(x, y, m_width, m_height, m_background);
    if (enabled) {
        painter.drawImage(x, y, m_images.at(index));
        return;
    }
    // The highlight copy reaches one pixel past the cell on the right and below.
    const QImage &img = m_images.at(index);
    QImage big(img.width() + 1, img.height() + 1, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.drawImage(0, 0, img);
    }
    painter.drawImage(x, y, disabledImage(big));
}

} // namespace kv

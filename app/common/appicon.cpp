#include "app/common/appicon.h"

#include <QPainter>
#include <QPainterPath>

namespace kv {

QImage KorvaltIconImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64-unit grid; small sizes keep the big shapes only.
    p.scale(size / 64.0, size / 64.0);
    const bool small = size < 32;

    // The sheet: light chipboard with a darker edge.
    const QRectF sheet(4, 8, 56, 48);
    QPainterPath outline;
    outline.addRoundedRect(sheet, 3, 3);
    p.fillPath(outline, QColor(0xE9, 0xCB, 0x8F));
    p.setPen(QPen(QColor(0x8A, 0x5A, 0x2B), small ? 3.0 : 2.0));
    p.drawPath(outline);

    // Parts as the maps show them: white with a dark frame.
    const QColor part(0xFF, 0xFF, 0xFF), frame(0x33, 0x33, 0x33);
    const QRectF parts[] = {{7, 11, 24, 23}, {33, 11, 24, 11}, {33, 24, 24, 10}, {7, 37, 15, 16}, {24, 37, 15, 16}};
    p.setPen(QPen(frame, small ? 1.5 : 1.0));
    for (const QRectF &r : parts) {
        if (small && r.width() < 16) continue;
        p.fillRect(r, part);
        p.drawRect(r);
    }
    // A usable off-cut in the maps' red.
    const QRectF scrap(41, 37, 16, 16);
    p.fillRect(scrap, QColor(0xE0, 0x20, 0x20));
    if (!small) p.drawRect(scrap);

    // The saw's cuts in the maps' blue, across the whole sheet.
    p.setPen(QPen(QColor(0x10, 0x30, 0xE0), small ? 2.0 : 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(5, 35.5), QPointF(59, 35.5));
    p.drawLine(QPointF(32, 9), QPointF(32, 35.5));
    if (!small) {
        p.drawLine(QPointF(32, 23), QPointF(59, 23));
        p.drawLine(QPointF(23, 35.5), QPointF(23, 55));
        p.drawLine(QPointF(40, 35.5), QPointF(40, 55));
    }
    p.end();
    return img;
}

QIcon KorvaltIcon()
{
    QIcon icon;
    for (int s : kIconSizes) icon.addPixmap(QPixmap::fromImage(KorvaltIconImage(s)));
    return icon;
}

} // namespace kv

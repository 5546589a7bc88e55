#include "controls/vclutils.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include "platform/colors.h"

namespace kv {

QSize ExTextMetrics::textSize(const QString &text, int width, bool wordWrap) const
{
    int w = 0, lines = 0;
    const QStringList paras = text.split(QLatin1Char('\n'));
    for (const QString &para : paras) {
        if (!wordWrap) {
            w = MaxInt(w, textWidth(para));
            ++lines;
            continue;
        }
        const QStringList words = para.split(QLatin1Char(' '));
        QString line;
        int n = 0;
        for (const QString &word : words) {
            const QString next = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && textWidth(next) > width) {
                w = MaxInt(w, textWidth(line));
                ++n;
                line = word;
            } else {
                line = next;
            }
        }
        w = MaxInt(w, textWidth(line));
        lines += n + 1;
    }
    return QSize(w, lines * lineHeight());
}

int ExFontMetrics::textWidth(const QString &text) const
{
    return QFontMetrics(m_font).horizontalAdvance(text);
}

int ExFontMetrics::lineHeight() const
{
    return QFontMetrics(m_font).height();
}

QSize ExFontMetrics::textSize(const QString &text, int width, bool wordWrap) const
{
    if (text.isEmpty()) return QSize(0, 0);
    const int flags = Qt::AlignHCenter | Qt::AlignVCenter | (wordWrap ? Qt::TextWordWrap : 0);
    return QFontMetrics(m_font).boundingRect(QRect(0, 0, MaxInt(width, 1), 100000), flags, text).size();
}


QString ShortenTextToWidth(const QString &text, const ExTextMetrics &m, int maxWidth)
{
    QString result = text;
    const int len = int(text.size());
    for (int i = 1; i <= len && m.textWidth(result) > maxWidth; ++i)
        result = text.left(MaxInt(0, len - i - 1)) + QStringLiteral("...");
    return result;
}

int GridCellIndentY(CellVAlign v, int cellHeight, int textHeight)
{
    switch (v) {
    case CellVAlign::Top: return 2;
    case CellVAlign::Center: return MaxInt(1, (cellHeight - textHeight) / 2);
    case CellVAlign::Bottom: return MaxInt(2, cellHeight - textHeight);
    }
    return 2;
}

int CellTextX(const QRect &cell, int dx, int textWidth, Qt::Alignment align)
{
    const int left = cell.left(), right = cell.left() + cell.width();
    if (align & Qt::AlignRight) return right - textWidth - 3;
    if (align & Qt::AlignHCenter) return left + (right - left) / 2 - textWidth / 2;
    return left + dx;
}

bool CellTextNeedsBox(const QString &text, bool wordWrap)
{
    return wordWrap || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

static Qt::Alignment mirrored(Qt::Alignment a)
{
    if (a & Qt::AlignRight) return Qt::AlignLeft;
    if (a & Qt::AlignHCenter) return a;
    return Qt::AlignRight;
}

void PaintCellText(QPainter &p, const QRect &cell, int dx, int dy, const QString &text,
                   Qt::Alignment align, bool wordWrap, bool rightToLeft)
{
    p.save();
    p.setClipRect(cell);
    if (p.layoutDirection() == Qt::RightToLeft && !rightToLeft) align = mirrored(align);
    QString t = text;
    t.remove(QLatin1Char('\r'));
    if (CellTextNeedsBox(text, wordWrap)) {
        const QRect box(cell.left() + dx, cell.top() + dy, cell.width() - 1 - dx, cell.height() - 1 - dy);
        int flags = int(align & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextExpandTabs;
        if (wordWrap) flags |= Qt::TextWordWrap;
        p.drawText(box, flags, t);
    } else {
        const QFontMetrics fm(p.font());
        const int x = CellTextX(cell, dx, fm.horizontalAdvance(t), align);
        p.drawText(x, cell.top() + dy + fm.ascent(), t);
    }
    p.restore();
}

void DrawGridCellText(QPainter &p, const QRect &cell, const QString &text, Qt::Alignment align,
                      CellVAlign v, bool wordWrap, bool rightToLeft)
{
    const int h = QFontMetrics(p.font()).boundingRect(QStringLiteral("W")).height();
    PaintCellText(p, cell, 2, GridCellIndentY(v, cell.height(), h), text, align, wordWrap, rightToLeft);
}

void DrawGridCellText(QPainter &p, const QRect &cell, const QString &text, Qt::Alignment align,
                      CellVAlign v)
{
    DrawGridCellText(p, cell, text, align, v, bool(align & Qt::AlignHCenter), false);
}

QColor BottomLeftColor(const QImage &img)
{
    if (img.isNull()) return QColor();
    return QColor(img.pixel(0, img.height() - 1));
}

QImage KeyedImage(const QImage &src, const QColor &key)
{
    QImage out = src.convertToFormat(QImage::Format_ARGB32);
    QColor k = key;
    if (src.format() == QImage::Format_Mono || src.format() == QImage::Format_MonoLSB)
        k = QColor(255, 255, 255);
    if (!k.isValid()) return out;
    const QRgb kr = k.rgb() & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == kr) line[x] = 0;
    }
    return out;
}

void StretchBitmapKeyed(QPainter &p, QRect dest, const QImage &bmp, QRect src, const QColor &key)
{
    if (bmp.isNull()) return;
    if (dest.width() < 1) dest.setWidth(bmp.width());
    if (dest.height() < 1) dest.setHeight(bmp.height());
    if (src.width() < 1 || src.height() < 1) src = bmp.rect();
    p.drawImage(dest, KeyedImage(bmp.copy(src), key));
}

void DrawBitmapKeyed(QPainter &p, int x, int y, const QImage &bmp, const QColor &key)
{
    StretchBitmapKeyed(p, QRect(x, y, bmp.width(), bmp.height()), bmp, QRect(), key);
}

QImage MakeEmbossedBitmap(const QImage &src, const QColor &key, const QColor &background,
                          bool withHighlight, const QColor &shadow, const QColor &highlight)
{
    if (src.isNull()) return EmbossedImage(QSize(), {}, src.size(), background, shadow, highlight);
    QColor k = key;
    const bool mono = src.format() == QImage::Format_Mono || src.format() == QImage::Format_MonoLSB;
    if (mono) k = QColor(255, 255, 255);
    const QImage s = src.convertToFormat(QImage::Format_RGB32);
    const QRgb kr = k.rgb() & 0xFFFFFF;
    return EmbossedImage(
        s.size(), [&](int x, int y) { return (s.pixel(x, y) & 0xFFFFFF) == kr; }, s.size(), background, shadow,
        withHighlight ? highlight : QColor());
}

QImage MakeDisabledGlyph(const QImage &src, const QColor &key)
{
    return MakeEmbossedBitmap(src, key, BtnFaceColor(), true, BtnShadowColor(), BtnHighlightColor());
}

QCursor HandCursor() { return QCursor(Qt::PointingHandCursor); }
QCursor DragHandCursor() { return QCursor(Qt::ClosedHandCursor); }

bool IsOwnThreadActive()
{
    return QApplication::activeWindow() != nullptr;
}

int ScanLineBytes(int bitsPerLine)
{
    return ((bitsPerLine + 31) / 32) * 4;
}

int PaletteSizeOfBitCount(int bits)
{
    switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

int BestIconImage(const QList<int> &colorCounts, int displayColors)
{
    int candidate = -1;
    int firstCount = 0;
    for (int i = 0; i < colorCounts.size(); ++i) {
        const int c = colorCounts[i];
        if (c == displayColors) return i;
        if (candidate < 0) {
            if (c <= displayColors) {
                candidate = i;
                firstCount = c;
            }
        } else if (c > firstCount) {
            candidate = i;
        }
    }
    return candidate < 0 ? (colorCounts.isEmpty() ? -1 : 0) : candidate;
}

QSize MeasureIcon(const QIcon &icon)
{
    const QList<QSize> sizes = icon.availableSizes();
    if (!sizes.isEmpty()) return sizes.front();
    return QSize(32, 32);
}

// The platform's one fixed table, so drawings look the same everywhere.
QColor BtnFaceColor() { return PlatformColor(kSysBtnFace); }
QColor BtnHighlightColor() { return PlatformColor(kSysBtnHighlight); }
QColor BtnShadowColor() { return PlatformColor(kSysBtnShadow); }
QColor WindowFrameColor() { return PlatformColor(0x80000006u); }
QColor BtnTextColor() { return PlatformColor(0x80000012u); }
QColor GrayTextColor() { return PlatformColor(0x80000011u); }

} // namespace kv

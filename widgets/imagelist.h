#pragma once
// A list of images of one size, cut from strips, each with its own
// transparency. Shared by the widgets and the docking toolbars.
#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>

class QPainter;

namespace kv {

class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(int width = 16, int height = 16, QObject *parent = nullptr);
    // A list cut from a strip at once (see addStrip).
    ImageList(const QImage &strip, int width, int height,
              const QColor &transparent = QColor(), QObject *parent = nullptr);

    int width() const { return m_width; }
    int height() const { return m_height; }
    QSize size() const { return QSize(m_width, m_height); }
    // Changing the size drops every image (as the platform's image lists did).
    void setSize(int width, int height);

    int count() const { return int(m_images.size()); }
    bool isEmpty() const { return m_images.isEmpty(); }
    bool isValidIndex(int index) const { return index >= 0 && index < count(); }

    // Cuts the strip into cells of width() x height(), left to right; a last
    // partial cell is dropped, a strip lower than height() is padded with
    // transparency. Pixels of exactly `transparent` become transparent; an
    // invalid colour keeps the picture's own alpha. Returns the index of the
    // first image added, or -1 when the strip held no whole cell.
    int addStrip(const QImage &strip, const QColor &transparent = QColor());
    // Same with the strip's bottom-left pixel as the transparent colour.
    int addStripAutoTransparent(const QImage &strip);
    // One image, cut or padded to the cell size at its top-left corner.
    int add(const QImage &image, const QColor &transparent = QColor());
    void replace(int index, const QImage &image, const QColor &transparent = QColor());
    void remove(int index);
    void clear();

    // The image with its transparency (ARGB32, premultiplied); null when out of range.
    QImage image(int index) const;
    // Opaque pixels of the image (alpha above half).
    bool isOpaqueAt(int index, int x, int y) const;

    // Background drawn under transparent pixels; invalid (the default) draws
    // nothing there.
    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor &c);

    // Draws image `index` with its top-left at (x, y). A disabled image is the
    // embossed shape of its opaque pixels: button highlight one pixel down
    // and right, button shadow over it. Out-of-range indexes draw nothing.
    void draw(QPainter &painter, int index, int x, int y, bool enabled = true) const;

    // The bottom-left pixel, the platform's automatic transparent colour.
    static QColor autoTransparentColor(const QImage &image);
    // The embossed disabled look of one image (same size as the image).
    static QImage disabledImage(const QImage &image);

signals:
    // Any change of the images, their size or the background.
    void changed();

private:
    QImage cell(const QImage &source, int x, const QColor &transparent) const;

    int m_width;
    int m_height;
    QList<QImage> m_images;
    QColor m_background;
};

} // namespace kv

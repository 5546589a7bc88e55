#include "app/common/programimages.h"

#include "widgets/imagelist.h"

#include <QImage>

namespace kv {

namespace {

constexpr int kImageSize = 16;
constexpr int kImageCount = img::ModelSection + 1;

QImage LoadPicture(int index)
{
    QImage image(QStringLiteral(":/images/%1.png").arg(index));
    if (image.isNull())
        return {};
    // The theme's 48-pixel pictures, brought down in one smooth step.
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(kImageSize, kImageSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

ImageList &ProgramImages()
{
    static ImageList *list = [] {
        auto *l = new ImageList(kImageSize, kImageSize);
        QImage empty(kImageSize, kImageSize, QImage::Format_ARGB32_Premultiplied);
        empty.fill(Qt::transparent);
        for (int i = 0; i < kImageCount; ++i) {
            const QImage picture = LoadPicture(i);
            l->add(picture.isNull() ? empty : picture);
        }
        return l;
    }();
    return *list;
}

} // namespace kv

// The face of a dialog control: its widget painted where the view is drawn.
#include <QWidget>
#include <algorithm>

#include "report/model/object.h"

void TrpControl::Draw(TrpCanvas *canvas)
{
    ApplyBandAlign(canvas);
    if (auto *w = qobject_cast<QWidget *>(ShownControl.data())) w->resize(std::max(1, Width), std::max(1, Height));
    BeginDraw();
    PaintControl();
    EndDraw();
}

void TrpControl::PaintControl()
{
    TrpCanvas *c = CurCanvas;
    if (!c) return;
    const QColor face = rpToQColor(rpClBtnFace);
    QImage image;
    if (auto *w = qobject_cast<QWidget *>(ShownControl.data())) {
        // painted at its own size at the origin, then brought to the drawn size
        image = QImage(w->width() + 1, w->height() + 1, QImage::Format_ARGB32_Premultiplied);
        image.fill(face);
        const QPoint saved = w->pos();
        w->move(0, 0);
        w->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        w->move(saved);
    } else {
        image = QImage(std::max(1, Width) + 1, std::max(1, Height) + 1, QImage::Format_ARGB32_Premultiplied);
        image.fill(face);
    }
    c->StretchDraw(TrpRect{Left, Top, Left + std::max(1, Width) + 1, Top + std::max(1, Height) + 1}, image);
}

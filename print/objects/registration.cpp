#include "print/objects/registration.h"

#include "print/objects/detalslistview.h"
#include "print/objects/rskmapview.h"
#include "report/model/factory.h"

#include <QImage>
#include <QPainter>

namespace {

// Palette pictures drawn here rather than kept as files.
QImage paletteMap()
{
    QImage img(24, 24, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::black);
    p.drawRect(2, 4, 19, 15);
    p.fillRect(3, 5, 8, 6, QColor(0xC0, 0xC0, 0xC0));
    p.drawLine(11, 5, 11, 18);
    p.drawLine(3, 11, 11, 11);
    return img;
}

QImage paletteList()
{
    QImage img(24, 24, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::black);
    for (int y = 5; y <= 19; y += 4) p.drawLine(4, y, 19, y);
    return img;
}

} // namespace

bool RegisterRskMapObject()
{
    return RegisterReportObject<TrpRskMapView>(paletteMap(), QStringLiteral("Карта раскроя"));
}

void UnregisterRskMapObject() { UnregisterObject(QStringLiteral("TrpRskMapView")); }

bool RegisterDetalsListObject()
{
    return RegisterReportObject<TrpDetalsListView>(paletteList(), QStringLiteral("Список деталей"));
}

void UnregisterDetalsListObject() { UnregisterObject(QStringLiteral("TrpDetalsListView")); }

void RegisterPrintObjects()
{
    RegisterRskMapObject();
    RegisterDetalsListObject();
}

#pragma once
// A button that draws its face as a geometric shape, bevels it along the
// outline and cuts its window to the shape; and the small integer evaluator
// of its custom points.
#include "widgets/imagebtn.h"

#include <QPolygon>
#include <QStringList>

namespace kv::gw {
enum TgwButtonShape { bsRoundRect, bsEllipse, bsTriangle, bsArrow, bsDiamond, bsRect, bsStar, bsTrapezoid, bsCustom };
enum TgwShapeOrientation { soLeft, soRight, soUp, soDown };
}

class TgwEvaluator {
public:
    // "10 - 2 * 3" -> 4: * and / before + and -, each level left to right,
    // integer division truncating. Throws kv::Error on bad text.
    static int Evaluate(const QString &text);
};

class TgwCustomShapeBtn : public TgwCustomImageBtn {
    Q_OBJECT
public:
    explicit TgwCustomShapeBtn(QWidget *parent = nullptr);

    kv::gw::TgwButtonShape Shape() const { return m_shape; }
    void SetShape(kv::gw::TgwButtonShape s);
    kv::gw::TgwShapeOrientation Orientation() const { return m_orientation; }
    void SetOrientation(kv::gw::TgwShapeOrientation o);
    int RoundRectBias() const { return m_bias; }
    void SetRoundRectBias(int v);
    const QStringList &PointList() const { return m_points; }
    // Checks the points at once: bad text turns the button into a rectangle,
    // drops the points and throws.
    void SetPointList(const QStringList &points);
    bool IsRoundShape() const { return m_shape == kv::gw::bsRoundRect || m_shape == kv::gw::bsEllipse; }

    // Shape points for a button of w x h (closed: the first point repeated).
    static QPolygon PolygonPoints(kv::gw::TgwButtonShape shape, kv::gw::TgwShapeOrientation o, int w, int h,
                                  const QStringList &custom = {});
    static QPolygon CustomPoints(const QStringList &lines, int W, int H);
    QPolygon GetPolygonPoints() const;
    static kv::gw::Color KeyColor(kv::gw::Color faceColor);
    QString LastError() const { return m_lastError; }

    bool StoreRegionData() const override { return false; }
    QRegion CreateRegion(bool build, bool down) override;
    bool UseRegions() const override { return true; }
    bool HasDownShape() const override { return false; }
    void SizeToImage() override;
    void DrawFace(TgwBitmap &target, bool plain, kv::gw::TgwShadeStyle style, bool down) override;
    void AssignFrom(const TgwCustomBitBtn *src) override;

protected:
    void DrawPolygonEdges(QPainter &p, const QPolygon &pts, bool down);
    void shapeChanged(bool invalidateGroup);

private:
    kv::gw::TgwButtonShape m_shape = kv::gw::bsRect;
    kv::gw::TgwShapeOrientation m_orientation = kv::gw::soUp;
    int m_bias = 25;
    QStringList m_points;
    QString m_lastError;
};

class TgwShapeBtn : public TgwCustomShapeBtn {
    Q_OBJECT
public:
    using TgwCustomShapeBtn::TgwCustomShapeBtn;
};

#pragma once
// The cutting-map report object: the outline of the sheet, then its parts,
// usable off-cuts, waste and saw cuts, each kind in its own pen, brush and
// font, at one scale for the whole map. It knows nothing of cutting: the
// print road fills it just before the engine prints it, and saving it into a
// prepared page empties it, so the next map starts clean.
#include "report/model/object.h"

#include <QObject>

#include <memory>
#include <vector>

// Brush styles in the order of the drawing styles dialog.
enum TkvBrushStyle : quint8 {
    kvbsSolid = 0, kvbsClear, kvbsBDiagonal, kvbsFDiagonal, kvbsCross, kvbsDiagCross, kvbsHorizontal, kvbsVertical
};
constexpr int kvBrushStyleCount = 8;
constexpr int kvPenStyleCount = 6;   // solid, dash, dot, dash-dot, dash-dot-dot, clear

struct TkvrpBrush
{
    qint32 Color = clWhite;
    quint8 Style = kvbsSolid;
    bool operator==(const TkvrpBrush &) const = default;
};

struct TkvrpPen
{
    qint32 Color = clBlack;
    quint8 Style = psSolid;
    quint8 Width = 1;
    bool operator==(const TkvrpPen &) const = default;
};

class TrpRskMapView;

// An item of the map: a part, an off-cut or waste, or a saw cut.
class TkvrpCommonData
{
public:
    explicit TkvrpCommonData(TrpRskMapView *owner) : Owner(owner) {}
    virtual ~TkvrpCommonData() = default;

    virtual const TkvrpBrush *GetBrush() const = 0;
    virtual const TkvrpPen *GetPen() const = 0;
    virtual const TrpFont *GetFont() const = 0;
    virtual void LoadFromStream(QIODevice &s);
    virtual void SaveToStream(QIODevice &s) const;
    virtual quint8 ItemKind() const = 0;
    virtual void Draw(TrpCanvas &c, int x0, int y0) const;

    // Text boxes of the item (the common drawing's own helpers).
    static void DrawHorzText(TrpCanvas &c, int x, int y, int boxW, int boxH, const QString &s, int align);
    static void DrawVertText(TrpCanvas &c, int x, int y, int boxW, int boxH, const QString &s, int align);

    TrpRskMapView *Owner;
    QString Text;
    qint32 X = 0, Y = 0, Width = 0, Height = 0;
    bool ShowDim = false, ShowTitle = false, TruncText = false;
};

class TkvrpDetalData : public TkvrpCommonData
{
public:
    using TkvrpCommonData::TkvrpCommonData;
    const TkvrpBrush *GetBrush() const override;
    const TkvrpPen *GetPen() const override;
    const TrpFont *GetFont() const override;
    quint8 ItemKind() const override { return 1; }
};

class TkvrpScrapData : public TkvrpCommonData
{
public:
    using TkvrpCommonData::TkvrpCommonData;
    const TkvrpBrush *GetBrush() const override;
    const TkvrpPen *GetPen() const override;
    const TrpFont *GetFont() const override;
    void LoadFromStream(QIODevice &s) override;
    void SaveToStream(QIODevice &s) const override;
    quint8 ItemKind() const override { return 2; }
    bool IsLost = false;
};

class TkvrpMillLineData : public TkvrpCommonData
{
public:
    using TkvrpCommonData::TkvrpCommonData;
    const TkvrpBrush *GetBrush() const override { return nullptr; }
    const TkvrpPen *GetPen() const override;
    const TrpFont *GetFont() const override { return nullptr; }
    quint8 ItemKind() const override { return 3; }
    void Draw(TrpCanvas &c, int x0, int y0) const override;
};

class TrpRskMapView : public TrpView
{
public:
    TrpRskMapView();
    ~TrpRskMapView() override;

    QString ClassName() const override { return QStringLiteral("TrpRskMapView"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpRskMapView>(); }

    void Draw(TrpCanvas *canvas) override;
    // Read as untrusted input: an unknown item kind or a count the stream
    // cannot hold raises kv::Error.
    void LoadFromStream(QIODevice &stream) override;
    // Writes the items and then empties the list.
    void SaveToStream(QIODevice &stream) override;
    void DrawMap();

    // The items, drawn in list order.
    std::vector<std::unique_ptr<TkvrpCommonData>> Items;
    TkvrpCommonData &AddItem(quint8 kind);
    void ClearItems() { Items.clear(); }

    TrpFont DetalFont, ScrapFont, LostScrapFont;
    TkvrpBrush DetalBrush, ScrapBrush, LostScrapBrush;
    TkvrpPen DetalPen, ScrapPen, LostScrapPen, MillPen;
    double MapScale = 1;   // report units per millimetre of the sheet

};

// Sets a canvas pen and brush from the object's styles; colour none means no
// line or no fill. Hatched brushes are painted by FillHatch.
void ApplyMapPen(TrpCanvas &c, const TkvrpPen &pen);
void ApplyMapBrush(TrpCanvas &c, const TkvrpBrush &brush);
void FillHatch(TrpCanvas &c, const TrpRect &r, const TkvrpBrush &brush);

// The palette component that links the object into the program.
class TrpRskMapObject : public QObject
{
public:
    using QObject::QObject;
};

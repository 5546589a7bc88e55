#pragma once
// The map controls: one TSheetCtrl per tab with a TDetalCtrl per part, a
// TScrapCtrl per off-cut and a TMillLineCtrl per cut as its children, in the
// document's order. They only paint and hit-test the map document; every
// value lives there. Geometry in pixels is the millimetres times Ratio.
#include "data/maps/mapdoc.h"

#include <QWidget>

#include <functional>

class TSheetCtrl;

enum class MapItemKind { None, Sheet, Detal, Scrap, MillLine };

struct MapHit
{
    MapItemKind kind = MapItemKind::None;
    int index = -1; // within its kind
    bool operator==(const MapHit &) const = default;
};

// Base of the three child controls.
class TMapItemCtrl : public QWidget
{
    Q_OBJECT

public:
    TMapItemCtrl(TSheetCtrl *sheet, MapItemKind kind, int index);
    MapItemKind Kind() const { return m_kind; }
    int Index() const { return m_index; }
    TSheetCtrl *Sheet() const { return m_sheet; }
    virtual void ApplyRatio(double ratio) = 0;

protected:
    bool event(QEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void place(int32_t left, int32_t top, int32_t w, int32_t h, double ratio);

    TSheetCtrl *m_sheet;
    MapItemKind m_kind;
    int m_index;
};

class TDetalCtrl : public TMapItemCtrl
{
    Q_OBJECT
public:
    TDetalCtrl(TSheetCtrl *sheet, int index);
    const kv::MapPart &Part() const;
    void ApplyRatio(double ratio) override;

protected:
    void paintEvent(QPaintEvent *) override;
};

class TScrapCtrl : public TMapItemCtrl
{
    Q_OBJECT
public:
    TScrapCtrl(TSheetCtrl *sheet, int index);
    const kv::MapScrap &Scrap() const;
    void ApplyRatio(double ratio) override;

protected:
    void paintEvent(QPaintEvent *) override;
};

class TMillLineCtrl : public TMapItemCtrl
{
    Q_OBJECT
public:
    TMillLineCtrl(TSheetCtrl *sheet, int index);
    const kv::MapCut &Cut() const;
    void ApplyRatio(double ratio) override;

protected:
    void paintEvent(QPaintEvent *) override;
};

class TSheetCtrl : public QWidget
{
    Q_OBJECT

public:
    // The tab `tab` of the document; the document outlives the control.
    TSheetCtrl(kv::MapDocument &doc, int tab, QWidget *parent = nullptr);

    kv::MapDocument &Document() const { return m_doc; }
    int TabIndex() const { return m_tab; }
    const kv::MapTab &Tab() const { return m_doc.Tabs[size_t(m_tab)]; }

    double Ratio() const { return m_ratio; }
    // Pixel sizes and positions of the sheet and every child from millimetres.
    void SetRatio(double ratio);
    // Repaint after the document changed (colours, kinds, texts, cut visibility).
    void SyncFromDocument();

    QFont MapFont() const;
    void SetMapFont(const QFont &f);

    // What lies at a point of the sheet (in its pixels): the topmost visible child.
    MapHit HitTest(const QPoint &pos) const;
    QString HintAt(const QPoint &pos) const;
    QString HintOf(const MapHit &hit) const;

    // A context menu asked on an item (or on the bare sheet).
    std::function<void(TSheetCtrl *, const MapHit &, const QPoint &globalPos)> OnItemMenu;

    QList<TMapItemCtrl *> Items() const { return m_items; }

protected:
    void paintEvent(QPaintEvent *) override;
    bool event(QEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    kv::MapDocument &m_doc;
    int m_tab;
    double m_ratio = 1.0;
    QList<TMapItemCtrl *> m_items;
};

// The pixel value of a millimetre value at a ratio, rounded half to even.
int ToPixels(int32_t mm, double ratio);

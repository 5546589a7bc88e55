#pragma once
// Typed collections of the widget set, and the panel that can be transparent
// over its parent.
#include "widgets/gwcolors.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class TgwCollection;

class TgwCollectionItem {
public:
    explicit TgwCollectionItem(TgwCollection *collection);
    virtual ~TgwCollectionItem();
    TgwCollectionItem(const TgwCollectionItem &) = delete;
    TgwCollectionItem &operator=(const TgwCollectionItem &) = delete;

    TgwCollection *Collection() const { return m_collection; }
    int Index() const;
    virtual void SetIndex(int index);
    virtual QString GetDisplayName() const;

    int Key = 0;
    int Tag = 0;
    std::function<void(TgwCollectionItem *)> OnChange;

    virtual void ItemChanging(int, int) {}
    virtual void NotifyChange() { if (OnChange) OnChange(this); }
    virtual QWidget *GetControl() const { return nullptr; }
    virtual void Select() {}

private:
    friend class TgwCollection;
    TgwCollection *m_collection;
};

class TgwCollection {
public:
    TgwCollection() = default;
    virtual ~TgwCollection();
    TgwCollection(const TgwCollection &) = delete;
    TgwCollection &operator=(const TgwCollection &) = delete;

    int Count() const { return int(m_items.size()); }
    TgwCollectionItem *GetItem(int index) const
    {
        return index >= 0 && index < Count() ? m_items[size_t(index)] : nullptr;
    }
    int IndexOf(const TgwCollectionItem *item) const;
    virtual TgwCollectionItem *AddItem();
    void Delete(int index);
    virtual void Clear();

    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate() { if (m_updateCount > 0 && --m_updateCount == 0) Update(nullptr); }
    bool IsUpdating() const { return m_updateCount > 0; }
    // Called after every change (item nullptr: the whole collection).
    virtual void Update(TgwCollectionItem *) {}
    void Changed() { if (!IsUpdating()) Update(nullptr); }

protected:
    virtual TgwCollectionItem *CreateItem() = 0;
    virtual void ItemRemoved(TgwCollectionItem *) {}

private:
    friend class TgwCollectionItem;
    void attach(TgwCollectionItem *item);
    void detach(TgwCollectionItem *item);
    void move(TgwCollectionItem *item, int index);
    std::vector<TgwCollectionItem *> m_items;
    int m_updateCount = 0;
    bool m_clearing = false;
};

namespace kv::gw {
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };
}

class TgwCustomTransparentPanel : public QWidget {
    Q_OBJECT
public:
    explicit TgwCustomTransparentPanel(QWidget *parent = nullptr);

    bool Transparent() const { return GetTransparent(); }
    virtual void SetTransparent(bool value);
    virtual bool GetTransparent() const { return m_transparent; }

    kv::gw::Color Color() const { return m_color; }
    void SetColor(kv::gw::Color c);
    kv::gw::TBevelCut BevelOuter() const { return m_bevelOuter; }
    kv::gw::TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelOuter(kv::gw::TBevelCut v) { m_bevelOuter = v; update(); }
    void SetBevelInner(kv::gw::TBevelCut v) { m_bevelInner = v; update(); }
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int v) { m_bevelWidth = qMax(1, v); update(); }
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int v) { m_borderWidth = qMax(0, v); update(); }
    kv::gw::TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(kv::gw::TBorderStyle v) { m_borderStyle = v; update(); }

    // The rectangle inside bevels, border and border style.
    QRect InnerRect() const;

protected:
    void paintEvent(QPaintEvent *) override;
    void moveEvent(QMoveEvent *) override;
    // The frame (bevels, border) over the client rectangle.
    void PaintFrame(QPainter &p);

private:
    bool m_transparent = true;
    kv::gw::Color m_color = kv::gw::clBtnFace;
    kv::gw::TBevelCut m_bevelOuter = kv::gw::bvRaised;
    kv::gw::TBevelCut m_bevelInner = kv::gw::bvNone;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    kv::gw::TBorderStyle m_borderStyle = kv::gw::bsNone;
};

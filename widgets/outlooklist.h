#pragma once
// The painted, scrollable item list of an outlook page (the materials
// navigator of the program's windows), and the page panel it sits on.
#include "widgets/collection.h"
#include "widgets/gwutils.h"
#include "widgets/imagelist.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

class QMenu;
class TgwCustomOutlookList;
class TgwOutlookPage;
class TgwCustomOutlookBar;

namespace kv::gw {
enum TgwCustomOutlookListClickStyle { csClick, csSelect };
enum TgwOutlookHotTrackStyle { hsIconHilite, hsItemHilite };
}

class TgwOutlookListItem : public TgwCollectionItem {
public:
    using ItemEvent = std::function<void(TgwCustomOutlookList *, TgwOutlookListItem *)>;
    explicit TgwOutlookListItem(TgwCollection *items);
    ~TgwOutlookListItem() override;

    TgwCustomOutlookList *List() const;

    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int v);
    int Separation() const { return m_separation; }
    void SetSeparation(int v);
    QString Text() const { return m_text; }
    void SetText(const QString &t);
    kv::gw::TAlignment TextAlignment() const { return m_alignment; }
    void SetTextAlignment(kv::gw::TAlignment a);
    int GlyphOffset() const { return m_glyphOffset; }
    void SetGlyphOffset(int v);
    // Reads true only while the list selects on click.
    bool GetSelected() const;
    void SetSelected(bool v);
    ItemEvent OnClick;

    QString GetDisplayName() const override { return m_text; }

    // Run-time state; DrawnTextRect: what the lines of the text covered when
    // the item was last painted.
    QRect HitRect, ItemRect, DrawnTextRect;
    bool Pressed = false, Hot = false;

    bool IsVisible(bool full) const;
    int GetSize() const;
    bool IsDown() const { return (Hot && Pressed) || GetSelected(); }
    void Invalidate(bool erase);
    void Paint(QPainter &p);
    void PaintGlyphArea(QPainter &p, const QRect &glyphArea);

private:
    void changed();
    int m_imageIndex = 0;
    int m_separation = 10;
    QString m_text;
    kv::gw::TAlignment m_alignment = kv::gw::taCenter;
    int m_glyphOffset = 0;
    bool m_selected = false;
};

class TgwOutlookListItems : public TgwCollection {
public:
    explicit TgwOutlookListItems(TgwCustomOutlookList *list) : m_list(list) {}
    TgwCustomOutlookList *GetOwner() const { return m_list; }
    // A new item, with Separation 10 and centred text until the caller changes them.
    TgwOutlookListItem *Add() { return static_cast<TgwOutlookListItem *>(AddItem()); }
    TgwOutlookListItem *Item(int i) const { return static_cast<TgwOutlookListItem *>(GetItem(i)); }
    void Update(TgwCollectionItem *item) override;

protected:
    TgwCollectionItem *CreateItem() override { return new TgwOutlookListItem(this); }
    void ItemRemoved(TgwCollectionItem *item) override;

private:
    TgwCustomOutlookList *m_list;
};

// The panel of an outlook page; also the base of the list.
class TgwOutlookPanel : public QWidget {
    Q_OBJECT
public:
    explicit TgwOutlookPanel(QWidget *parent = nullptr);

    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    TgwOutlookPage *Page = nullptr;
    kv::gw::Color Color() const { return m_color; }
    void SetColor(kv::gw::Color c) { m_color = c; update(); }
    TgwCustomOutlookBar *Bar() const;

protected:
    void paintEvent(QPaintEvent *) override;
    // Paints the bar's picture behind this widget; false when there is none.
    bool PaintBarPicture(QPainter &p);

    bool m_transparent = true;
    kv::gw::Color m_color = kv::gw::clBtnFace;
};

class TgwCustomOutlookList : public TgwOutlookPanel {
    Q_OBJECT
public:
    using ItemEvent = TgwOutlookListItem::ItemEvent;
    using DrawItemEvent = std::function<void(TgwCustomOutlookList *, TgwOutlookListItem *, QPoint &glyphPos,
                                             QPoint &textPos, bool &defaultDrawing)>;

    explicit TgwCustomOutlookList(QWidget *parent = nullptr);
    ~TgwCustomOutlookList() override;

    TgwOutlookListItems *Items() const { return m_items; }
    // Copies text, glyph and settings of the given items.
    void AssignItems(const TgwOutlookListItems &other);

    kv::gw::TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(kv::gw::TBorderStyle s) { m_borderStyle = s; update(); }
    kv::gw::TgwCustomOutlookListClickStyle ClickStyle = kv::gw::csClick;
    kv::gw::TgwOutlookHotTrackStyle HotTrackStyle = kv::gw::hsIconHilite;
    kv::ImageList *Images() const { return m_images; }
    void SetImages(kv::ImageList *images);
    kv::gw::Color ItemHighlightColor() const { return m_itemHighlight; }
    void SetItemHighlightColor(kv::gw::Color c) { if (c != m_itemHighlight) { m_itemHighlight = c; update(); } }
    kv::gw::Color ItemHotTrackColor = kv::gw::clBtnShadow;
    kv::gw::TButtonLayout ItemLayout() const { return m_itemLayout; }
    void SetItemLayout(kv::gw::TButtonLayout l) { if (l != m_itemLayout) { m_itemLayout = l; update(); } }
    kv::gw::Color ItemShadowColor() const { return m_itemShadow; }
    void SetItemShadowColor(kv::gw::Color c) { if (c != m_itemShadow) { m_itemShadow = c; update(); } }
    kv::gw::Color ItemSelectedDitherColor = kv::gw::clBtnHighlight;
    int ItemSpacing() const { return m_itemSpacing; }
    // An odd value is stored as the next even one.
    void SetItemSpacing(int v) { m_itemSpacing = v + (v & 1); update(); }
    int ItemsWidth() const { return m_itemsWidth; }
    void SetItemsWidth(int v) { if (v != m_itemsWidth) { m_itemsWidth = v; update(); } }
    kv::gw::TgwLayout Layout() const { return m_layout; }
    void SetLayout(kv::gw::TgwLayout l) { if (l != m_layout) { m_layout = l; PositionScrollButtons(); update(); } }
    bool ScrollButtonsVisible() const { return m_scrollButtonsVisible; }
    void SetScrollButtonsVisible(bool v) { if (v != m_scrollButtonsVisible) { m_scrollButtonsVisible = v; update(); } }
    int ScrollInterval = 250;
    kv::gw::Color FontColor() const { return m_fontColor; }
    void SetFontColor(kv::gw::Color c) { m_fontColor = c; update(); }
    kv::gw::Color HotTextColor = kv::gw::clBlack;
    QMenu *PopupMenu = nullptr;

    ItemEvent OnItemClick, OnItemChange;
    DrawItemEvent OnDrawItem;

    // Items and scrolling.
    TgwOutlookListItem *GetTopItem();
    void SetTopItem(TgwOutlookListItem *item);
    TgwOutlookListItem *GetBottomItem();
    TgwOutlookListItem *GetSelectedItem() const;
    TgwOutlookListItem *ItemAtPos(int x, int y) const;
    // Scrolls so that the item is wholly shown when it can be.
    void MakeVisible(TgwOutlookListItem *item);
    bool IsItemHilite() const { return HotTrackStyle == kv::gw::hsItemHilite || !m_images; }
    // Part 0 whole item, 1 glyph area, 2 text; offset -1: computed.
    QRect GetItemRect(const TgwOutlookListItem *item, int part, int offset = -1);
    QSize MeasureItem(const TgwOutlookListItem *item, bool withSpacing) const;
    // The width the item's text is painted in, and its lines' height there.
    int TextWidth(const TgwOutlookListItem *item) const;
    int TextHeight(const TgwOutlookListItem *item) const;
    void UpdateHitRects();
    bool CanScroll(int button);
    void Scroll();
    void UpdateHotItem();
    void PositionScrollButtons();
    QRect ScrollRect(int button) const { return button == 1 ? m_scrollRects[0] : button == 2 ? m_scrollRects[1] : QRect(); }
    int PressedScrollButton() const { return m_pressedScroll; }
    int HotScrollButton() const { return m_hotScroll; }
    bool ScrollTimerActive() const { return m_timer.isActive(); }
    // One beat of the scroll-button repeat (the timer calls it).
    void ScrollTimerTick();
    virtual void ItemClicked(TgwOutlookListItem *item);
    void Invalidate(const QRect &r) { update(r); }
    // The list draws its items itself and takes no controls: putting one
    // into it raises, and the control stays where it was.
    void InsertControl(QWidget *control);
    static QString NoChildControlsMessage();

    // Used by the items while painting.
    void DoDrawItem(TgwOutlookListItem *item, QPoint &glyphPos, QPoint &textPos, bool &defaultDrawing);
    void PaintScrollButton(QPainter &p, int button);
    // By the base: a collection tells of an item when only its base part is left.
    void ForgetItem(const TgwCollectionItem *item);

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void leaveEvent(QEvent *) override;
    void contextMenuEvent(QContextMenuEvent *) override;
    void hideEvent(QHideEvent *) override;
    void childEvent(QChildEvent *) override;
    void stopScrolling();
    void updateHot(const QPoint &pt);

private:
    friend class TgwOutlookListItem;
    QPainter *m_painter = nullptr;   // set while painting
    TgwOutlookListItems *m_items;
    kv::gw::TBorderStyle m_borderStyle = kv::gw::bsSingle;
    QPointer<kv::ImageList> m_images;
    QMetaObject::Connection m_imagesConn, m_imagesDestroyedConn;
    kv::gw::Color m_itemHighlight = kv::gw::clBtnFace;
    kv::gw::TButtonLayout m_itemLayout = kv::gw::blGlyphTop;
    kv::gw::Color m_itemShadow = kv::gw::clBtnText;
    int m_itemSpacing = 20;
    int m_itemsWidth = 0;
    kv::gw::TgwLayout m_layout = kv::gw::loVertical;
    bool m_scrollButtonsVisible = true;
    kv::gw::Color m_fontColor = kv::gw::clWhite;
    TgwOutlookListItem *m_topItem = nullptr;
    QRect m_scrollRects[2];
    int m_pressedScroll = 0, m_hotScroll = 0;
    QTimer m_timer;
    QPoint m_lastPos{-1, -1};
};

class TgwOutlookList : public TgwCustomOutlookList {
    Q_OBJECT
public:
    using TgwCustomOutlookList::TgwCustomOutlookList;
};

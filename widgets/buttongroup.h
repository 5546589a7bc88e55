#pragma once
// A panel that owns a collection of items, each bound to one button, lays the
// buttons out in a grid and treats them as one group.
#include "widgets/bitbtn.h"
#include "widgets/collection.h"

#include <functional>

class TgwCustomButtonGroup;
class TgwButtonGroupItems;

class TgwButtonGroupItem : public TgwCollectionItem {
public:
    explicit TgwButtonGroupItem(TgwButtonGroupItems *items);
    ~TgwButtonGroupItem() override;

    TgwCustomBitBtn *Button = nullptr;
    TgwCustomButtonGroup *GetGroup() const;
    QString GetDisplayName() const override;
    void SetIndex(int index) override;
    QWidget *GetControl() const override { return Button; }
    int GetGroupIndex() const { return Button ? Button->GroupIndex() : 0; }
    void SetGroupIndex(int v) { if (Button) Button->SetGroupIndex(v); }
    virtual bool GetSelected() const { return Button && Button->SelectedState(); }
    virtual void SetSelected(bool value);
    virtual void ItemLoaded() {}
};

class TgwButtonGroupItems : public TgwCollection {
public:
    explicit TgwButtonGroupItems(TgwCustomButtonGroup *group) : m_group(group) {}
    TgwCustomButtonGroup *GetGroup() const { return m_group; }
    TgwButtonGroupItem *Item(int i) const { return static_cast<TgwButtonGroupItem *>(GetItem(i)); }
    TgwButtonGroupItem *Add() { return static_cast<TgwButtonGroupItem *>(AddItem()); }
    TgwCollectionItem *AddItem() override;
    TgwButtonGroupItem *FindByButton(const TgwCustomBitBtn *button) const;
    TgwButtonGroupItem *FindByKey(int value) const;
    void Update(TgwCollectionItem *item) override;
    virtual void ArrangeButtons();

    bool Adding = false;
    bool Removing = false;

protected:
    TgwCollectionItem *CreateItem() override { return new TgwButtonGroupItem(this); }

private:
    TgwCustomButtonGroup *m_group;
};

class TgwCustomButtonGroup : public TgwCustomTransparentPanel {
    Q_OBJECT
public:
    using ChangeEvent = std::function<void(TgwCustomButtonGroup *, TgwButtonGroupItem *oldSel, TgwButtonGroupItem *sel)>;
    using ButtonFactory = std::function<TgwCustomBitBtn *(QWidget *parent)>;

    explicit TgwCustomButtonGroup(QWidget *parent = nullptr);
    ~TgwCustomButtonGroup() override;

    TgwButtonGroupItems *Items() const { return m_items; }
    TgwButtonGroupItem *GetSelected() const;

    QString GetButtonClassName() const { return m_buttonClassName; }
    // A registered class name ("TgwShapeBtn", "TgwImageBtn"); clears the items.
    void SetButtonClassName(const QString &name);
    static void RegisterButtonClass(const QString &name, ButtonFactory factory);
    TgwCustomBitBtn *CreateButton();

    bool AutoBold() const { return m_autoBold; }
    void SetAutoBold(bool v) { if (v != m_autoBold) { m_autoBold = v; UpdateBoldFonts(true); } }
    bool ExclusiveButtons = true;
    int Spacing = 1;
    int ButtonsPerRow() const { return m_buttonsPerRow; }
    void SetButtonsPerRow(int v) { m_buttonsPerRow = v; m_items->ArrangeButtons(); }
    kv::gw::TgwLayout Layout() const { return m_layout; }
    void SetLayout(kv::gw::TgwLayout l);
    int ButtonExtent() const { return m_buttonExtent; }
    void SetButtonExtent(int v) { if (v != m_buttonExtent) { m_buttonExtent = v; m_items->ArrangeButtons(); } }
    TgwButtonGroupItem *PreviousSelection = nullptr;
    ChangeEvent OnChange, OnChanging;

    // Group size for the buttons' size (the first button's when null).
    virtual QSize GetGroupSize(TgwCustomBitBtn *button, bool setSize);
    virtual void ButtonChanged(TgwCustomBitBtn *sender);
    virtual void ButtonChanging(TgwCustomBitBtn *sender);
    void DoChanging(TgwButtonGroupItem *o, TgwButtonGroupItem *n) { if (OnChanging) OnChanging(this, o, n); }
    void DoChange(TgwButtonGroupItem *o, TgwButtonGroupItem *n) { if (OnChange) OnChange(this, o, n); }
    void UpdateBoldFonts(bool flag);
    bool GetTransparent() const override { return TgwCustomTransparentPanel::GetTransparent(); }
    bool Destroying() const { return m_destroying; }

    // Called by the items.
    void AttachButton(TgwCustomBitBtn *b);
    void DetachButton(TgwCustomBitBtn *b);

protected:
    TgwCustomButtonGroup(QWidget *parent, TgwButtonGroupItems *items);
    void init();
    void keyPressEvent(QKeyEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void paintEvent(QPaintEvent *) override;

    TgwButtonGroupItems *m_items;
    TgwChangeLink m_link;

private:
    QString m_buttonClassName = QStringLiteral("TgwShapeBtn");
    bool m_autoBold = true;
    int m_buttonsPerRow = 1;
    kv::gw::TgwLayout m_layout = kv::gw::loVertical;
    int m_buttonExtent = 0;
    bool m_destroying = false;
};

#pragma once
// A side bar of pages: each page has a shaped button, a panel and usually an
// outlook list filling the panel; pressing a button makes its page the
// selected one, with a short animation.
#include "widgets/buttongroup.h"
#include "widgets/imager.h"
#include "widgets/outlooklist.h"
#include "widgets/shapebtn.h"

#include <QPointer>

class TgwCustomImager;
class TgwCustomOutlookBar;
class TgwOutlookPages;

namespace kv::gw {
enum TgwPanelAlignment { paDynamic, paTop, paBottom };
enum TgwOutlookBarOption { cboAutoCreateOutlookList = 1, cboTransparentPanels = 2 };
}

class TgwOutlookPage : public TgwButtonGroupItem {
public:
    explicit TgwOutlookPage(TgwOutlookPages *pages);
    ~TgwOutlookPage() override;

    TgwOutlookPanel *Panel = nullptr;
    TgwOutlookList *List = nullptr;
    TgwCustomOutlookBar *GetOutlookBar() const;
    TgwShapeBtn *ShapeButton() const { return qobject_cast<TgwShapeBtn *>(Button); }
    void Select() override;
    void SetIndex(int index) override;
    void CreateOutlookList();
};

class TgwOutlookPages : public TgwButtonGroupItems {
public:
    explicit TgwOutlookPages(TgwCustomOutlookBar *bar);
    TgwCustomOutlookBar *GetOutlookBar() const { return m_bar; }
    TgwOutlookPage *Page(int i) const { return static_cast<TgwOutlookPage *>(GetItem(i)); }
    TgwOutlookPage *Add() { return static_cast<TgwOutlookPage *>(AddItem()); }
    TgwCollectionItem *AddItem() override;
    void ArrangeButtons() override;
    void SetControlBounds(QWidget *control, const QRect &r);

protected:
    TgwCollectionItem *CreateItem() override { return new TgwOutlookPage(this); }

private:
    TgwCustomOutlookBar *m_bar;
};

struct TgwAnimation {
    bool Enabled = true;
    int Interval = 1;
    int Steps = 7;
};

class TgwCustomOutlookBar : public TgwCustomButtonGroup {
    Q_OBJECT
public:
    explicit TgwCustomOutlookBar(QWidget *parent = nullptr);
    ~TgwCustomOutlookBar() override;

    TgwOutlookPages *OutlookItems() const { return static_cast<TgwOutlookPages *>(m_items); }
    TgwOutlookPage *AddPage() { return OutlookItems()->Add(); }
    TgwCustomBitBtn *ActivePage() const;
    void SetActivePage(TgwCustomBitBtn *button);
    TgwOutlookPage *SelectedPage() const { return static_cast<TgwOutlookPage *>(GetSelected()); }

    TgwAnimation Animation;
    int ButtonSize() const { return m_buttonSize; }
    void SetButtonSize(int v) { if (v != m_buttonSize) { m_buttonSize = v; OutlookItems()->ArrangeButtons(); } }
    TgwCustomImager *Imager() const { return m_imager; }
    void SetImager(TgwCustomImager *imager);
    int Options() const { return m_options; }
    void SetOptions(int v) { m_options = v; }
    kv::gw::TgwPanelAlignment PanelAlignment() const { return m_panelAlignment; }
    void SetPanelAlignment(kv::gw::TgwPanelAlignment a);
    bool ShowButtons() const { return m_showButtons; }
    void SetShowButtons(bool v);

    bool IsShapedButton(const QWidget *control) const;
    bool IsChangingPage() const { return m_pageChangeCount > 0; }
    void ButtonChanged(TgwCustomBitBtn *sender) override;
    QSize GetGroupSize(TgwCustomBitBtn *, bool) override { return size(); }
    // Paints the bar's picture (or colour) over r of the bar.
    void PaintBackground(QPainter &p, const QRect &r);

protected:
    void paintEvent(QPaintEvent *) override;
    void changeEvent(QEvent *) override;

private:
    int m_buttonSize = 20;
    QPointer<TgwCustomImager> m_imager;
    TgwChangeLink m_imagerLink;
    int m_options = kv::gw::cboAutoCreateOutlookList;
    kv::gw::TgwPanelAlignment m_panelAlignment = kv::gw::paDynamic;
    bool m_showButtons = true;
    int m_pageChangeCount = 0;
};

class TgwOutlookBar : public TgwCustomOutlookBar {
    Q_OBJECT
public:
    using TgwCustomOutlookBar::TgwCustomOutlookBar;
};

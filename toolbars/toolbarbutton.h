#pragma once
// The tool button of the toolbars: bordered only while hot, pressed or down,
// with a glyph (strip or image list), caption, five looks, hot tracking (one
// hot button at a time, checked every 125 ms), groups, auto-repeat, drop-down
// and split menus, and a link to a QAction.
#include "widgets/gwcolors.h"
#include "widgets/imagelist.h"

#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QTimer;

namespace kv::tb {

enum TButtonDrawState { dsUp = 0, dsDisabled = 1, dsPressed = 2, dsDown = 3, dsHot = 4 };
enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

} // namespace kv::tb

namespace kv::tb {

// Where glyph, caption and arrow go inside a content box of size `box`.
struct ButtonContentLayout {
    QPoint glyphPos;
    QRect textRect;
    QPoint arrowPos;
};
struct ButtonContentParams {
    QSize box;
    QSize glyph;          // (0, 0) when none is shown
    QSize text;           // measured caption, (0, 0) when none is shown
    int arrowWidth = 0;   // 0 when no arrow is drawn
    TButtonLayout layout = blGlyphLeft;
    int margin = -1;
    int spacing = 4;
};
ButtonContentLayout CalcButtonContentLayout(const ButtonContentParams &p);

// NumGlyphs a glyph strip of this size implies.
int NumGlyphsOfStrip(int width, int height);

} // namespace kv::tb

// Holds a button's glyph and the image of each look, made on first use.
class TButtonGlyph {
public:
    void SetGlyph(const QImage &glyph);
    void SetGlyphMask(const QImage &mask);
    void SetNumGlyphs(int n);
    void SetImageList(kv::ImageList *list, int index);
    void SetOldDisabledStyle(bool v);
    const QImage &Glyph() const { return m_glyph; }
    int NumGlyphs() const { return m_list ? 1 : m_numGlyphs; }
    QSize GlyphSize() const;
    // The image of a look; null when the button has no glyph.
    QPixmap Image(kv::tb::TButtonDrawState look);
    void Invalidate();

private:
    QImage cell(int index) const;
    QImage sourceImage() const;   // up image with transparency
    QImage derivedDisabled() const;
    QImage suppliedDisabled() const;

    QImage m_glyph;
    QImage m_mask;
    int m_numGlyphs = 1;
    QPointer<kv::ImageList> m_list;
    int m_index = -1;
    bool m_oldDisabledStyle = false;
    std::array<std::optional<QPixmap>, 5> m_cache;
};

class TToolbarButton : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarButton(QWidget *parent = nullptr);
    ~TToolbarButton() override;

    QAction *Action() const { return m_action; }
    void SetAction(QAction *a);
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment a);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool v);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int v);
    bool Down() const { return m_down; }
    void SetDown(bool v);
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool v);
    bool Default() const { return m_default; }
    void SetDefault(bool v);
    kv::tb::TButtonDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(kv::tb::TButtonDisplayMode m);
    QMenu *DropdownMenu() const { return m_menu; }
    void SetDropdownMenu(QMenu *m);
    bool DropdownAlways() const { return m_dropdownAlways; }
    void SetDropdownAlways(bool v);
    bool DropdownArrow() const { return m_dropdownArrow; }
    void SetDropdownArrow(bool v);
    int DropdownArrowWidth() const { return m_arrowWidth; }
    void SetDropdownArrowWidth(int v);
    bool DropdownCombo() const { return m_dropdownCombo; }
    void SetDropdownCombo(bool v);
    bool Flat() const { return m_flat; }
    void SetFlat(bool v);
    const QImage &Glyph() const { return m_glyph.Glyph(); }
    void SetGlyph(const QImage &g);
    void SetGlyphMask(const QImage &m);
    bool HighlightWhenDown() const { return m_highlightWhenDown; }
    void SetHighlightWhenDown(bool v);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int i);
    kv::ImageList *Images() const { return m_images; }
    void SetImages(kv::ImageList *list);
    kv::tb::TButtonLayout Layout() const { return m_layout; }
    void SetLayout(kv::tb::TButtonLayout l);
    int Margin() const { return m_margin; }
    void SetMargin(int v);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int v);
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int v) { m_modalResult = v; }
    bool NoBorder() const { return m_noBorder; }
    void SetNoBorder(bool v);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int n);
    bool OldDisabledStyle() const { return m_oldDisabledStyle; }
    void SetOldDisabledStyle(bool v);
    bool Opaque() const { return m_opaque; }
    void SetOpaque(bool v);
    bool Repeating() const { return m_repeating; }
    void SetRepeating(bool v) { m_repeating = v; }
    int RepeatDelay() const { return m_repeatDelay; }
    void SetRepeatDelay(int v) { m_repeatDelay = v; }
    int RepeatInterval() const { return m_repeatInterval; }
    void SetRepeatInterval(int v) { m_repeatInterval = v; }
    bool ShowBorderWhenInactive() const { return m_showBorderWhenInactive; }
    void SetShowBorderWhenInactive(bool v) { m_showBorderWhenInactive = v; }
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &c);
    QString Hint() const { return toolTip(); }
    void SetHint(const QString &h) { setToolTip(h); }
    kv::gw::Color Color() const { return m_color; }
    void SetColor(kv::gw::Color c);
    QString Version() const;

    kv::tb::TButtonDrawState State() const { return m_state; }
    bool MouseInControl() const { return m_mouseIn; }
    bool MenuIsDown() const { return m_menuIsDown; }
    static TToolbarButton *HotButton();
    static QTimer *HotTimer();
    // Buttons stay pressed while their click runs (on by default).
    static void SetButtonsStayDown(bool v);

    // Runs the button's click as a mouse click would.
    void Click();

    std::function<void(TToolbarButton *, bool &showMenu, bool &removeClicks)> OnDropdown;

signals:
    void clicked();
    void MouseEnter();
    void MouseExit();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void changeEvent(QEvent *e) override;
    bool event(QEvent *e) override;

private:
    friend void ButtonHookProc(int kind, QWidget *window, bool appActive);
    void MouseEntering();
    void MouseLeft();
    void PlatformClick();
    void RepeatTick();
    void UpdateUsesDropDown();
    void UpdateOpacity();
    void UpdateShortcuts();
    void ActionChanged();
    void ApplyGroupUp();
    bool InArrowPart(int x) const;
    bool InMainPart(const QPoint &p) const;
    void relayoutParent();

    QPointer<QAction> m_action;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    bool m_allowAllUp = false;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_cancel = false;
    bool m_default = false;
    kv::tb::TButtonDisplayMode m_displayMode = kv::tb::dmBoth;
    QPointer<QMenu> m_menu;
    bool m_dropdownAlways = false;
    bool m_dropdownArrow = true;
    int m_arrowWidth = 9;
    bool m_dropdownCombo = false;
    bool m_flat = true;
    bool m_highlightWhenDown = true;
    int m_imageIndex = -1;
    QPointer<kv::ImageList> m_images;
    kv::tb::TButtonLayout m_layout = kv::tb::blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    int m_modalResult = 0;
    bool m_noBorder = false;
    int m_numGlyphs = 1;
    bool m_oldDisabledStyle = false;
    bool m_opaque = true;
    bool m_repeating = false;
    int m_repeatDelay = 400;
    int m_repeatInterval = 100;
    bool m_showBorderWhenInactive = false;
    bool m_wordWrap = false;
    QString m_caption;
    kv::gw::Color m_color = kv::gw::clBtnFace;

    kv::tb::TButtonDrawState m_state = kv::tb::dsUp;
    bool m_mouseIn = false;
    bool m_mouseDown = false;
    bool m_menuIsDown = false;
    bool m_menuShown = false;
    bool m_inClick = false;
    bool m_usesDropDown = false;
    bool m_destroying = false;
    QTimer *m_repeatTimer = nullptr;
    TButtonGlyph m_glyph;
    int m_mnemonicId = 0, m_defaultId = 0, m_cancelId = 0;
};

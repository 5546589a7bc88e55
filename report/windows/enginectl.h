#pragma once
// The report engine's own toolbar controls: a speed button that can go
// without a frame and show its glyph grey while the mouse is elsewhere, and
// a toolbar button and separator that follow the toolbar's orientation.
#include <QImage>
#include <QWidget>
#include <functional>

// Drawing states of a speed button.
enum TrpButtonState { rbsUp = 0, rbsDisabled = 1, rbsDown = 2, rbsExclusive = 3, rbsInactive = 4 };
enum TrpButtonLayout { rblGlyphLeft = 0, rblGlyphRight, rblGlyphTop, rblGlyphBottom };
enum TrpAlign { raNone = 0, raTop, raBottom, raLeft, raRight, raClient };

// The glyph of one button: the source bitmap with up to four images side by
// side (up, disabled, pressed, down) and the images prepared per state.
class TrpButtonGlyph
{
public:
    TrpButtonGlyph();
    const QImage &Glyph() const { return m_source; }
    // The number of images becomes width / height when that divides evenly
    // and is below 5; the transparent colour the bottom-left pixel.
    void SetGlyph(const QImage &image);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int n);        // 1..4; larger values store 4
    QRgb TransparentColor() const { return m_transparent; }
    // The image of a state, prepared on first use (transparent parts are alpha 0).
    const QImage &StateImage(TrpButtonState state);
    // Whether a state's image has been prepared (tests).
    bool IsPrepared(TrpButtonState state) const { return !m_prepared[state].isNull(); }

private:
    void invalidate();
    QImage m_source;
    int m_numGlyphs = 1;
    QRgb m_transparent;
    QImage m_prepared[5];
};

class TrpSpeedButton : public QWidget
{
    Q_OBJECT
public:
    explicit TrpSpeedButton(QWidget *parent = nullptr);

    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool v);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int v);
    bool Down() const { return m_down; }
    void SetDown(bool v);
    bool Flat() const { return m_flat; }
    void SetFlat(bool v);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    const QImage &Glyph() const { return m_glyph.Glyph(); }
    void SetGlyph(const QImage &image);
    int NumGlyphs() const { return m_glyph.NumGlyphs(); }
    void SetNumGlyphs(int n);
    bool GrayedInactive() const { return m_grayedInactive; }
    void SetGrayedInactive(bool v);
    TrpButtonLayout Layout() const { return m_layout; }
    void SetLayout(TrpButtonLayout v);
    int Margin() const { return m_margin; }
    void SetMargin(int v);            // below -1 is ignored
    int Spacing() const { return m_spacing; }
    void SetSpacing(int v);
    TrpButtonGlyph &ButtonGlyph() { return m_glyph; }

    // The state the button would be drawn in now.
    TrpButtonState State() const;
    bool MouseInControl() const { return m_mouseIn; }
    // A click as the mouse would make it (also the accelerator of the caption).
    void Click();

    std::function<void()> OnClick, OnDblClick, OnMouseEnter, OnMouseLeave;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void changeEvent(QEvent *e) override;
    bool event(QEvent *e) override;

    // The one group rule: buttons of the same parent and group index.
    void updateExclusive();
    void buttonPressed(TrpSpeedButton *sender);

    bool m_allowAllUp = false;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_flat = false;
    QString m_caption;
    TrpButtonGlyph m_glyph;
    bool m_grayedInactive = true;
    TrpButtonLayout m_layout = rblGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    bool m_mouseIn = false;
    bool m_dragging = false;
    bool m_pressedState = false;   // shown pressed while tracking
    int m_shortcutId = 0;
};

class TrpTBButton : public TrpSpeedButton
{
    Q_OBJECT
public:
    explicit TrpTBButton(QWidget *parent = nullptr);
    TrpAlign Align() const { return m_align; }
    void SetAlign(TrpAlign a) { m_align = a; }
    // Left on a horizontal toolbar, top on a vertical one (see rpToolbarAlign).
    void AlignToParent();

private:
    TrpAlign m_align = raNone;
};

class TrpTBSeparator : public QWidget
{
    Q_OBJECT
public:
    explicit TrpTBSeparator(QWidget *parent = nullptr);
    TrpAlign Align() const { return m_align; }
    void SetAlign(TrpAlign a) { m_align = a; update(); }
    bool DrawBevel() const { return m_drawBevel; }
    void SetDrawBevel(bool v) { m_drawBevel = v; update(); }
    void AlignToParent();

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    TrpAlign m_align = raLeft;
    bool m_drawBevel = true;
};

// Where the toolbar's own panel is aligned: a toolbar panel lying on a panel
// aligned left or right is vertical. Panels tell their alignment through the
// dynamic property "rpAlign" (a TrpAlign).
TrpAlign rpPanelAlign(const QWidget *panel);
void rpSetPanelAlign(QWidget *panel, TrpAlign align);
// The alignment toolbar items take on a panel: raTop for a vertical toolbar, else raLeft.
TrpAlign rpToolbarItemAlign(const QWidget *toolbarPanel);
// Lays the items of a toolbar panel out by their alignment, in child order.
void rpLayoutToolbar(QWidget *toolbarPanel);

// Inactive glyph colour of one pixel: (R*77 + G*150 + B*29) div 256.
int rpGrayLevel(QRgb c);

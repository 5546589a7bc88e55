#pragma once
// The tool button of the program's windows: a glyph strip with per-state
// images, an optional caption, a flat look, latching groups, auto-repeat, a
// drop-down menu on press and a modal result for dialogs.
#include "controls/vclutils.h"

#include <QImage>
#include <QPointer>
#include <QToolButton>

#include <QAction>
#include <QMenu>

namespace kv {
class ExTimer;
}

class TExSpeedButton : public QToolButton
{
    Q_OBJECT
public:
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    enum TButtonFaceState { bfsUp, bfsDisabled, bfsDown, bfsExclusive, bfsInactive };
    enum TExDropDownMenuPos { dmpBottom, dmpRight };
    enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

    explicit TExSpeedButton(QWidget *parent = nullptr);
    ~TExSpeedButton() override;

    // Where glyph and caption go inside the client rectangle.
    struct GlyphLayout
    {
        QPoint glyphPos;
        QSize glyphSize;      // as drawn (with the mark's room when asked)
        QRect textRect;
        QString caption;      // shortened unless word-wrapped
    };
    static GlyphLayout ComputeLayout(const QRect &client, QSize glyph, const QString &caption,
                                     int margin, int spacing, TButtonLayout layout, bool drawMark,
                                     bool wordWrap, const kv::ExTextMetrics &metrics);
    // Glyph count taken from a new strip: width div height when that divides
    // evenly (1 when above 5); otherwise, or for an empty strip, `current`.
    static int GlyphCountForStrip(int width, int height, int current);
    // The popup point of the drop-down menu, in button coordinates.
    QPoint DropDownPoint() const;

    // Properties
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool v);
    bool AllowTimer() const { return m_allowTimer; }
    void setAllowTimer(bool v);
    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int v);
    bool Down() const { return m_down; }
    void setDown(bool v);
    QMenu *DropDownMenu() const { return m_menu; }
    void setDropDownMenu(QMenu *menu);
    TExDropDownMenuPos MenuPosition() const { return m_menuPos; }
    void setMenuPosition(TExDropDownMenuPos p) { m_menuPos = p; }
    QString Caption() const { return text(); }
    void setCaption(const QString &c);
    bool Flat() const { return m_flat; }
    void setFlat(bool v);
    bool FlatStandard() const { return m_flatStandard; }
    void setFlatStandard(bool v);
    QImage Glyph() const { return m_glyph; }
    void setGlyph(const QImage &img);
    bool GrayedInactive() const { return m_grayedInactive; }
    void setGrayedInactive(bool v);
    int InitPause() const { return m_initPause; }
    void setInitPause(int ms) { m_initPause = ms; }
    TButtonLayout ButtonLayout() const { return m_layout; }
    void setButtonLayout(TButtonLayout l);
    int Margin() const { return m_margin; }
    void setMargin(int m);            // below -1 refused
    bool MarkDropDown() const { return m_markDropDown; }
    void setMarkDropDown(bool v);
    int ModalResult() const { return m_modalResult; }
    void setModalResult(int r) { m_modalResult = r; }
    int NumGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int n);         // 0 ignored, above 5 taken as 5
    int RepeatInterval() const { return m_repeatInterval; }
    void setRepeatInterval(int ms) { m_repeatInterval = ms; }
    int Spacing() const { return m_spacing; }
    void setSpacing(int s);
    TButtonStyle Style() const { return m_style; }
    void setStyle(TButtonStyle s);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool v);
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool v);
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment a);
    QAction *Action() const { return m_action; }
    void setAction(QAction *a);

    TButtonFaceState FaceState() const { return m_state; }
    bool MouseInControl() const { return m_mouseInControl; }
    bool MenuTracking() const { return m_menuTracking; }
    // The image of a state (made on demand); null when there is none.
    QImage StateImage(TButtonFaceState s);

    // Fires the click: the parent dialog's result, the handlers, the action.
    virtual void Click();

    QSize sizeHint() const override { return QSize(25, 25); }
    QSize minimumSizeHint() const override { return QSize(0, 0); }

signals:
    void mouseEntered();
    void mouseLeft();
    void doubleClicked();

protected:
    virtual void DrawGlyphAndCaption(QPainter &p, const QRect &r, bool drawMark, TButtonFaceState state);
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void changeEvent(QEvent *e) override;
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void nextCheckState() override {}
    void checkStateSet() override {}

private:
    void FinishPress(const QPoint &pos);
    void RepeatTick();
    void RefreshHover();
    void PopupDropDown();
    void BroadcastGroup();
    void GroupMessage(TExSpeedButton *sender);
    void InvalidateImages();
    void ActionChange();
    bool inside(const QPoint &pos) const;
    static void DrawButtonFace(QPainter &p, QRect &r, bool pressed, bool newLook, bool flat);
    void DrawDropMark(QPainter &p, int x, int y, TButtonFaceState s);

    bool m_allowAllUp = false, m_allowTimer = false, m_down = false;
    int m_groupIndex = 0;
    QPointer<QMenu> m_menu;
    TExDropDownMenuPos m_menuPos = dmpBottom;
    bool m_flat = false, m_flatStandard = false, m_grayedInactive = true;
    QImage m_glyph;
    QColor m_transparentColor = QColor(0xFF, 0x00, 0xFF);
    QImage m_images[5];
    bool m_made[5] = {false, false, false, false, false};
    int m_initPause = 500, m_repeatInterval = 100;
    TButtonLayout m_layout = blGlyphTop;
    int m_margin = -1, m_spacing = 1;
    bool m_markDropDown = true;
    int m_modalResult = 0;
    int m_numGlyphs = 1;
    TButtonStyle m_style = bsAutoDetect;
    bool m_transparent = false, m_wordWrap = false;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    QPointer<QAction> m_action;

    TButtonFaceState m_state = bfsUp;
    bool m_dragging = false, m_mouseInControl = false, m_menuTracking = false;
    bool m_skipPress = false;
    kv::ExTimer *m_repeat = nullptr;
};

// The repeating navigation button of the calendars.
class TExTimerSpeedButton : public TExSpeedButton
{
    Q_OBJECT
public:
    explicit TExTimerSpeedButton(QWidget *parent = nullptr);
};

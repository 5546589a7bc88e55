#pragma once
// The numeric entry field of the dialogs: an edit whose text is the value,
// with optional bounds, integer/float/hex forms and a two-half spin button.
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

namespace kv {
class ExTimer;
}

// A windowless two-half button: diagonal split (default) or two stacked halves.
class TExSpinButton : public QWidget
{
    Q_OBJECT
public:
    enum TrSpinButtonStyle { sbsDefault, sbsClassic };
    enum Half { shNone = 0, shTop = 1, shBottom = 2 };

    explicit TExSpinButton(QWidget *parent = nullptr);

    // The half under (x, y): diagonal: bottom below the line from the
    // bottom-left to the top-right corner; classic: bottom below the middle.
    static Half HalfAt(TrSpinButtonStyle style, int w, int h, int x, int y);

    TrSpinButtonStyle ButtonStyle() const { return m_style; }
    void setButtonStyle(TrSpinButtonStyle s);
    QImage UpGlyph() const { return m_up; }
    void setUpGlyph(const QImage &img);
    QImage DownGlyph() const { return m_down; }
    void setDownGlyph(const QImage &img);
    QWidget *FocusControl() const { return m_focus; }
    void setFocusControl(QWidget *w) { m_focus = w; }
    Half PressedHalf() const { return m_pressed; }

signals:
    void topClick();
    void bottomClick();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    void fire(Half h);
    void repeatTick();
    void setPressed(Half h);

    TrSpinButtonStyle m_style = sbsDefault;
    QImage m_up, m_down;
    QPointer<QWidget> m_focus;
    Half m_pressed = shNone, m_pressHalf = shNone;
    bool m_dragging = false;
    kv::ExTimer *m_repeat = nullptr;
};

// The up-down control: two stacked arrow buttons drawn by the style. A press
// clicks once at once, then repeats (400 ms, then every 100 ms) while held.
class TExUpDown : public QWidget
{
    Q_OBJECT
public:
    enum TUDBtnType { btNext, btPrev };

    explicit TExUpDown(QWidget *parent = nullptr);
    // The button under (x, y): the upper half is the next one.
    TUDBtnType ButtonAt(int y) const { return y < height() / 2 ? btNext : btPrev; }
    bool Pressed() const { return m_pressed; }

signals:
    void Click(TExUpDown::TUDBtnType button);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    bool m_pressed = false;
    TUDBtnType m_button = btNext;
    kv::ExTimer *m_repeat = nullptr;
};

class TExSpinEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum TValueType { vtInteger, vtFloat, vtHex };
    enum TSpinButtonKind { bkStandard, bkDiagonal, bkClassic };

    explicit TExSpinEdit(QWidget *parent = nullptr);
    ~TExSpinEdit() override;

    // The number shown, always within the bounds that apply (and, for whole
    // numbers, within 32 bits): what a dialog reads, even before the focus
    // leaves a field typed out of range.
    double Value() const;
    void setValue(double v);
    // Value as a whole number (halves to even), never wrapped.
    int IntValue() const;
    // The typed number lies beyond the bounds (Value holds it at the nearest).
    bool OutOfRange() const;
    // What a dialog tells the user of such a number: "Введите число от 0 до 1000."
    QString RangeText() const;
    // The first enabled spin edit beneath `root` typed out of range.
    static TExSpinEdit *FirstOutOfRange(const QWidget *root);
    // A dialog's OK: false, after the message and with that field focused,
    // when a spin edit of the dialog is typed out of range.
    static bool CheckRanges(QWidget *dialog);
    TValueType ValueType() const { return m_type; }
    void setValueType(TValueType t);
    double MinValue() const { return m_min; }
    void setMinValue(double v);
    double MaxValue() const { return m_max; }
    void setMaxValue(double v);
    bool CheckMinValue() const { return m_checkMin; }
    void setCheckMinValue(bool v);
    bool CheckMaxValue() const { return m_checkMax; }
    void setCheckMaxValue(bool v);
    double Increment() const { return m_increment; }
    void setIncrement(double v) { m_increment = v; }
    int Decimal() const { return m_decimal; }
    void setDecimal(int d);
    bool EditorEnabled() const { return m_editorEnabled; }
    void setEditorEnabled(bool v);
    bool ArrowKeys() const { return m_arrowKeys; }
    void setArrowKeys(bool v) { m_arrowKeys = v; }
    TSpinButtonKind ButtonKind() const { return m_kind; }
    void setButtonKind(TSpinButtonKind k);
    TExSpinButton *Button() const { return m_button; }   // none with bkStandard
    TExUpDown *UpDown() const { return m_upDown; }        // only with bkStandard

    // The value within the bounds that apply (below the minimum first).
    double ClampValue(double v) const;
    virtual bool AcceptsChar(QChar c) const;
    virtual void StepUp();
    virtual void StepDown();

signals:
    void Change();          // the text changed (not while a step writes it)
    void topClicked();      // after every step up
    void bottomClicked();   // after every step down

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    // The number the text holds before any bound (MinValue when it is none).
    double typedValue() const;
    double limited(double v) const;
    void step(double delta, bool up);
    void rebuildButton();
    void arrangeButton();
    bool autoCheck() const { return m_min != 0 || m_max != 0; }

    TValueType m_type = vtInteger;
    double m_min = 0, m_max = 0, m_increment = 1.0;
    bool m_checkMin = false, m_checkMax = false;
    bool m_autoMin = true, m_autoMax = true;
    int m_decimal = 2;
    bool m_editorEnabled = true, m_arrowKeys = true;
    TSpinButtonKind m_kind = bkDiagonal;
    bool m_stepping = false;
    QWidget *m_panel = nullptr;
    TExSpinButton *m_button = nullptr;
    TExUpDown *m_upDown = nullptr;
};

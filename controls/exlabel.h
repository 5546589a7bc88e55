#pragma once
// A label that draws its caption with a one-colour shadow to one of the four
// diagonal sides, lays the text out at the top, middle or bottom, can be
// transparent and shows a focus rectangle while its focus control has focus.
#include <QColor>
#include <QPointer>
#include <QWidget>

class TExLabel : public QWidget
{
    Q_OBJECT
public:
    enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
    enum TTextLayout { tlTop, tlCenter, tlBottom };

    explicit TExLabel(QWidget *parent = nullptr);

    // The text rectangle moved to where the shadow goes.
    static QRect ShadowRect(const QRect &text, TShadowPosition pos, int size);
    // The auto size of a text of `text` size: the measured union of text and
    // shadow, one pixel wider on each side, counted from the client origin.
    static QSize FitSize(const QSize &text, TShadowPosition pos, int size);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &c);
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment a);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v);
    QColor Color() const { return m_color; }
    void SetColor(const QColor &c);     // invalid: the parent's colour
    QWidget *FocusControl() const { return m_focusControl; }
    void SetFocusControl(QWidget *w);
    TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout l);
    QColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(const QColor &c);
    int ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(int s);
    TShadowPosition ShadowPos() const { return m_shadowPos; }
    void SetShadowPos(TShadowPosition p);
    bool ShowAccelChar() const { return m_showAccel; }
    void SetShowAccelChar(bool v);
    bool ShowFocus() const { return m_showFocus; }
    void SetShowFocus(bool v);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v);

    QSize sizeHint() const override { return size(); }
    void FitToText();

signals:
    void mouseEntered();
    void mouseLeft();
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override;
    bool event(QEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    int textFlags(bool measuring) const;
    QString labelText(bool measuring) const;
    void updateShortcut();

    QString m_caption;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_autoSize = true;
    QColor m_color;
    QPointer<QWidget> m_focusControl;
    TTextLayout m_layout = tlTop;
    QColor m_shadowColor = QColor(255, 255, 255);
    int m_shadowSize = 1;
    TShadowPosition m_shadowPos = spLeftTop;
    bool m_showAccel = true, m_showFocus = false, m_transparent = false, m_wordWrap = false;
    bool m_pressed = false, m_mouseIn = false;
    int m_shortcutId = 0;
};

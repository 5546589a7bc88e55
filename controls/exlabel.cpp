#include "controls/exlabel.h"

#include "controls/vclutils.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyleOptionFocusRect>

TExLabel::TExLabel(QWidget *parent) : QWidget(parent)
{
    resize(65, 17);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *) {
        if (m_showFocus && m_focusControl) update();
    });
}

QRect TExLabel::ShadowRect(const QRect &text, TShadowPosition pos, int s)
{
    switch (pos) {
    case spLeftTop: return text.translated(-s, -s);
    case spLeftBottom: return text.translated(-s, s);
    case spRightBottom: return text.translated(s, s);
    case spRightTop: return text.translated(s, -s);
    }
    return text;
}

QSize TExLabel::FitSize(const QSize &text, TShadowPosition pos, int size)
{
    // Measured at (1, 0); the union with the shadow, then one pixel each side.
    const QRect t(1, 0, text.width(), text.height());
    const QRect u = t.united(ShadowRect(t, pos, size)).adjusted(-1, 0, 1, 0);
    return QSize(u.left() + u.width(), u.top() + u.height());
}

QString TExLabel::labelText(bool measuring) const
{
    QString t = m_caption;
    if (measuring && (t.isEmpty() || (m_showAccel && t == QLatin1String("&")))) t += QLatin1Char(' ');
    return t;
}

int TExLabel::textFlags(bool) const
{
    int f = int(m_alignment & Qt::AlignHorizontal_Mask) | Qt::TextExpandTabs;
    if (m_wordWrap) f |= Qt::TextWordWrap;
    if (m_showAccel) f |= Qt::TextShowMnemonic;
    return f;
}

void TExLabel::FitToText()
{
    if (!m_autoSize) return;
    const QFontMetrics fm(font());
    const QString text = labelText(true);
    QSize measured;
    if (m_wordWrap) {
        const QRect r = fm.boundingRect(QRect(0, 0, qMax(1, width() - 2), 100000),
                                        textFlags(true) & ~Qt::AlignHorizontal_Mask, text);
        measured = QSize(r.width(), qMax(r.height(), fm.height()));
    } else {
        // One line height per line, as the text is drawn.
        const QStringList lines = text.split(QLatin1Char('\n'));
        int w = 0;
        for (const QString &l : lines) {
            QString shown = l;
            if (m_showAccel) shown.remove(QLatin1Char('&'));
            w = qMax(w, fm.horizontalAdvance(shown));
        }
        measured = QSize(w, int(lines.size()) * fm.height());
    }
    const int s = (!isEnabled() && m_shadowSize == 0) ? 1 : m_shadowSize;
    const TShadowPosition pos = (!isEnabled() && m_shadowSize == 0) ? spRightBottom : m_shadowPos;
    const QSize fit = FitSize(measured, pos, s);
    const int right = x() + width();
    const bool rightAligned = (layoutDirection() == Qt::RightToLeft) ? (m_alignment & Qt::AlignLeft) : (m_alignment & Qt::AlignRight);
    setGeometry(rightAligned ? right - fit.width() : x(), y(), fit.width(), fit.height());
}

void TExLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!isEnabled()) m_pressed = false;
    if (!m_transparent) p.fillRect(rect(), m_color.isValid() ? m_color : palette().color(backgroundRole()));
    p.setFont(font());
    QRect r = rect().adjusted(1, 0, -1, 0);
    const int flags = textFlags(false);
    const QString text = labelText(false);
    if (m_layout != tlTop) {
        const QRect m = p.fontMetrics().boundingRect(r, flags, labelText(true));
        const int shift = rect().height() - (m.top() + m.height());
        r = QRect(r.left(), r.top() + (m_layout == tlBottom ? shift : shift / 2), r.width(), m.height());
    }
    QColor fg = palette().color(QPalette::WindowText), shadow = m_shadowColor;
    int s = m_shadowSize;
    TShadowPosition pos = m_shadowPos;
    if (!isEnabled()) {
        fg = kv::GrayTextColor();
        shadow = kv::BtnHighlightColor();
        if (s == 0) {
            s = 1;
            pos = spRightBottom;
        }
    }
    if (s > 0) {
        p.setPen(shadow);
        p.drawText(ShadowRect(r, pos, s), flags, text);
    }
    p.setPen(fg);
    p.drawText(r, flags, text);
    if (m_showFocus && m_focusControl && m_focusControl->hasFocus()) {
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
}

void TExLabel::SetCaption(const QString &c)
{
    m_caption = c;
    updateShortcut();
    FitToText();
    update();
}

#define KV_LABEL_SET(name, type, field, after) \
    void TExLabel::name(type v)                \
    {                                          \
        if (field == v) return;                \
        field = v;                             \
        after;                                 \
        update();                              \
    }
KV_LABEL_SET(SetAlignment, Qt::Alignment, m_alignment, (void)0)
KV_LABEL_SET(SetAutoSize, bool, m_autoSize, FitToText())
KV_LABEL_SET(SetLayout, TTextLayout, m_layout, (void)0)
KV_LABEL_SET(SetShadowColor, const QColor &, m_shadowColor, (void)0)
KV_LABEL_SET(SetShadowSize, int, m_shadowSize, FitToText())
KV_LABEL_SET(SetShadowPos, TShadowPosition, m_shadowPos, (void)0)
KV_LABEL_SET(SetShowAccelChar, bool, m_showAccel, updateShortcut())
KV_LABEL_SET(SetShowFocus, bool, m_showFocus, (void)0)
KV_LABEL_SET(SetWordWrap, bool, m_wordWrap, FitToText())
#undef KV_LABEL_SET

void TExLabel::SetColor(const QColor &c)
{
    m_color = c;
    update();
}

void TExLabel::SetTransparent(bool v)
{
    m_transparent = v;
    setAttribute(Qt::WA_OpaquePaintEvent, !v);
    update();
}

void TExLabel::SetFocusControl(QWidget *w)
{
    m_focusControl = w;
    updateShortcut();
    if (m_showFocus) update();
}

void TExLabel::updateShortcut()
{
    if (m_shortcutId) releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    if (m_showAccel && m_focusControl) {
        const QKeySequence k = QKeySequence::mnemonic(m_caption);
        if (!k.isEmpty()) m_shortcutId = grabShortcut(k);
    }
}

bool TExLabel::event(QEvent *e)
{
    if (e->type() == QEvent::Shortcut) {
        if (isEnabled() && m_showAccel && m_focusControl && m_focusControl->isEnabled() &&
            m_focusControl->focusPolicy() != Qt::NoFocus) {
            m_focusControl->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return QWidget::event(e);
}

void TExLabel::enterEvent(QEnterEvent *)
{
    if (!isEnabled() || m_mouseIn) return;
    m_mouseIn = true;
    emit mouseEntered();
}

void TExLabel::leaveEvent(QEvent *)
{
    if (!isEnabled() || m_pressed || !m_mouseIn) return;
    m_mouseIn = false;
    emit mouseLeft();
}

void TExLabel::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) m_pressed = true;
}

void TExLabel::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !m_pressed) return;
    m_pressed = false;
    if (rect().contains(e->position().toPoint())) emit clicked();
    if (!rect().contains(e->position().toPoint()) && m_mouseIn) {
        m_mouseIn = false;
        emit mouseLeft();
    }
}

void TExLabel::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::FontChange || e->type() == QEvent::EnabledChange) {
        FitToText();
        update();
    }
    QWidget::changeEvent(e);
}

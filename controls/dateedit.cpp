#include "controls/dateedit.h"

#include "controls/dates.h"
#include "platform/strutils.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>

using namespace kv;

// ---- button ------------------------------------------------------------

TEditButton::TEditButton(QWidget *parent) : TExSpeedButton(parent)
{
    setObjectName(QStringLiteral("Button"));
}

void TEditButton::paintEvent(QPaintEvent *e)
{
    TExSpeedButton::paintEvent(e);
    if (FaceState() == bfsDown || FaceState() == bfsExclusive) return;
    QPainter p(this);
    p.setPen(BtnFaceColor());
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(BtnHighlightColor());
    p.drawLine(1, 1, 1, height() - 2);
}

// ---- combo edit --------------------------------------------------------

namespace {
// The click of the edit's button, with the rules of the combo edit.
class ComboButton : public TEditButton
{
public:
    ComboButton(TCustomComboEdit *edit, QWidget *parent) : TEditButton(parent), m_edit(edit) {}
    void Click() override
    {
        if (skipNextClick) {
            skipNextClick = false;
            return;
        }
        if (!m_edit->ReadOnly()) m_edit->DoClick();
    }

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton) {
            if (m_edit->PopupVisible()) {
                m_edit->PopupCloseUp(true);
                skipNextClick = true;
            } else if ((m_edit->focusPolicy() & Qt::TabFocus) && m_edit->isEnabled() && !m_edit->hasFocus()) {
                m_edit->setFocus(Qt::MouseFocusReason);
            }
        }
        TEditButton::mousePressEvent(e);
    }

private:
    TCustomComboEdit *m_edit;
};
} // namespace

TCustomComboEdit::TCustomComboEdit(QWidget *parent) : QLineEdit(parent)
{
    resize(121, 21);
    m_container = new QWidget(this);
    m_container->setObjectName(QStringLiteral("ButtonPanel"));
    m_button = new ComboButton(this, m_container);
    m_button->setFocusPolicy(Qt::NoFocus);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (m_popupOpen) PopupKeyChange();
        else emit Change();
    });
    arrange();
}

QImage TCustomComboEdit::EllipsisGlyph(int buttonWidth)
{
    const int w = qMax(1, buttonWidth - 6);
    QImage img(w, 4, QImage::Format_Mono);
    img.fill(1);   // white
    const int g = qBound(1, (w - 6) / 2, 3);
    int x = (w - 6 - 2 * g) / 2;
    for (int dot = 0; dot < 3; ++dot, x += 2 + g)
        for (int dy = 1; dy <= 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                if (x + dx >= 0 && x + dx < w) img.setPixel(x + dx, dy, 0);
    return img;
}

QPoint TCustomComboEdit::PopupPlacement(const QRect &edit, const QSize &popup, const QSize &screen,
                                        TPopupAlign align)
{
    int y = edit.y() + edit.height();
    if (y + popup.height() > screen.height()) y = edit.y() - popup.height();
    int x;
    if (align == epaRight) {
        x = edit.x() + edit.width() - popup.width();
        if (x < 0) x = edit.x();
    } else {
        x = edit.x();
        if (x + popup.width() > screen.width()) x = edit.x() + edit.width() - popup.width();
    }
    x = qBound(0, x, qMax(0, screen.width() - popup.width()));
    return QPoint(x, y);
}

void TCustomComboEdit::setButtonWidth(int w)
{
    if (w == m_buttonWidth) return;
    if (w >= width() && w > 1) return;   // no room left for the text
    m_buttonWidth = w;
    applyGlyph();
    arrange();
}

void TCustomComboEdit::setGlyphKind(TGlyphKind k)
{
    m_glyphKind = k;
    applyGlyph();
    arrange();
}

void TCustomComboEdit::setGlyph(const QImage &img)
{
    m_glyphKind = gkCustom;
    m_button->setGlyph(img);
}

QImage TCustomComboEdit::DefaultGlyph(int &count) const
{
    count = 1;
    return QImage();
}

void TCustomComboEdit::applyGlyph()
{
    switch (m_glyphKind) {
    case gkCustom:
        break;
    case gkDefault: {
        int count = 1;
        const QImage g = DefaultGlyph(count);
        m_button->setGlyph(g);
        m_button->setNumGlyphs(count);
        if (!g.isNull()) m_buttonWidth = qMax(g.width() / qMax(1, count) + 6, m_buttonWidth);
        break;
    }
    case gkDropDown: {
        QImage arrow(7, 4, QImage::Format_RGB32);
        arrow.fill(QColor(0xFF, 0x00, 0xFF));
        for (int i = 0; i < 4; ++i)
            for (int x = i; x < 7 - i; ++x) arrow.setPixel(x, i, qRgb(0, 0, 0));
        m_button->setGlyph(arrow);
        m_button->setNumGlyphs(1);
        m_buttonWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        break;
    }
    case gkEllipsis:
        m_button->setGlyph(EllipsisGlyph(m_buttonWidth));
        m_button->setNumGlyphs(1);
        break;
    }
}

void TCustomComboEdit::arrange()
{
    const int f = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int bw = m_buttonWidth;
    m_container->setVisible(bw > 1);
    m_container->setGeometry(width() - f - qMax(bw, 0), f, qMax(bw, 0), height() - 2 * f);
    m_button->setGeometry(0, 0, qMax(bw, 0), m_container->height());
    setTextMargins(0, 0, bw > 1 ? bw : 0, 0);
}

void TCustomComboEdit::setDirectInput(bool v)
{
    m_directInput = v;
    QLineEdit::setReadOnly(m_readOnly || !m_directInput);
}

void TCustomComboEdit::setReadOnly(bool v)
{
    m_readOnly = v;
    QLineEdit::setReadOnly(m_readOnly || !m_directInput);
}

void TCustomComboEdit::setPopup(QWidget *popup)
{
    m_popup = popup;
}

void TCustomComboEdit::DoClick()
{
    emit ButtonClick();
    if (!m_popup) return;
    if (m_popupOpen) PopupCloseUp(true);
    else PopupDropDown(true);
}

void TCustomComboEdit::SetPopupValue() {}
void TCustomComboEdit::AcceptValue() {}

void TCustomComboEdit::PopupDropDown(bool disableEdit)
{
    if (!m_popup || m_readOnly || m_popupOpen) return;
    const QPoint o = mapToGlobal(QPoint(0, 0));
    QScreen *s = screen();
    const QSize sz = s ? s->geometry().size() : QSize(1024, 768);
    const QPoint at = PopupPlacement(QRect(o, size()), m_popup->size(), sz, m_popupAlign);
    SetPopupValue();
    if (!hasFocus()) setFocus();
    m_popup->move(at);
    m_popup->show();
    m_popupOpen = true;
    if (disableEdit) QLineEdit::setReadOnly(true);
}

void TCustomComboEdit::PopupCloseUp(bool accept)
{
    if (!m_popupOpen) return;
    if (m_popup) m_popup->hide();
    m_popupOpen = false;
    if (!hasFocus()) setFocus();
    QLineEdit::setReadOnly(m_readOnly || !m_directInput);
    update();
    if (accept && AcceptPopup() && !m_readOnly) {
        AcceptValue();
        if (hasFocus()) selectAll();
    }
}

void TCustomComboEdit::keyPressEvent(QKeyEvent *e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (ctrl && (e->key() == Qt::Key_Tab || enter) && !m_popupOpen) {
        e->ignore();   // the form's keys
        return;
    }
    if (m_popupOpen && (enter || e->key() == Qt::Key_Escape)) {
        PopupCloseUp(e->key() != Qt::Key_Escape);
        e->accept();
        return;
    }
    if (!m_clickKey.isEmpty() && QKeySequence(e->keyCombination()) == m_clickKey) {
        if (m_buttonWidth > 0) m_button->Click();
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TCustomComboEdit::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && hasFocus() && m_popupOpen) PopupCloseUp(false);
    QLineEdit::mousePressEvent(e);
}

void TCustomComboEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    if (!m_directInput) deselect();
}

void TCustomComboEdit::focusOutEvent(QFocusEvent *e)
{
    if (m_popupOpen) PopupCloseUp(false);
    QLineEdit::focusOutEvent(e);
}

void TCustomComboEdit::resizeEvent(QResizeEvent *e)
{
    QLineEdit::resizeEvent(e);
    arrange();
}

void TCustomComboEdit::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange) m_button->setEnabled(isEnabled());
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) arrange();
    QLineEdit::changeEvent(e);
}

// ---- date edit ---------------------------------------------------------

QString QtDateFormatOf(const QString &format, QChar separator)
{
    QString f = upperCase(format);
    f.replace(QLatin1String("YYYY"), QLatin1String("yyyy"));
    f.replace(QLatin1String("YY"), QLatin1String("yy"));
    f.replace(QLatin1String("DD"), QLatin1String("dd"));
    f.replace(QLatin1Char('/'), separator);
    return f;
}

QString QtInputMaskOf(const QString &mask, QChar separator)
{
    const QStringList parts = mask.split(QLatin1Char(';'));
    QString out;
    for (QChar c : parts.value(0)) {
        if (c == QLatin1Char('!')) continue;
        if (c == QLatin1Char('9')) out += QLatin1Char('0');       // digit, may stay blank
        else if (c == QLatin1Char('0')) out += QLatin1Char('9');  // digit, required
        else if (c == QLatin1Char('/')) out += separator;
        else out += c;
    }
    const QString blank = parts.size() >= 3 && !parts[2].isEmpty() ? parts[2].left(1) : QStringLiteral(" ");
    return out + QLatin1Char(';') + blank;
}

namespace {
QImage dateEditGlyph()
{
    // A small calendar sheet; the second image is the disabled look.
    QImage img(30, 13, QImage::Format_RGB32);
    img.fill(QColor(0xFF, 0x00, 0xFF));
    for (int k = 0; k < 2; ++k) {
        const QRgb ink = k ? qRgb(0x80, 0x80, 0x80) : qRgb(0, 0, 0);
        const int x0 = k * 15 + 1;
        for (int x = 0; x < 13; ++x) {
            img.setPixel(x0 + x, 1, ink);
            img.setPixel(x0 + x, 2, k ? ink : qRgb(0x80, 0, 0));
            img.setPixel(x0 + x, 12, ink);
        }
        for (int y = 1; y < 13; ++y) {
            img.setPixel(x0, y, ink);
            img.setPixel(x0 + 12, y, ink);
        }
        for (int y = 3; y < 12; ++y)
            for (int x = 1; x < 12; ++x) img.setPixel(x0 + x, y, qRgb(255, 255, 255));
        for (int y = 5; y < 12; y += 3)
            for (int x = 2; x < 11; x += 3) img.setPixel(x0 + x, y, ink);
    }
    return img;
}
} // namespace

TDateEdit::TDateEdit(QWidget *parent) : TCustomComboEdit(parent)
{
    m_dialogTitle = QString::fromUtf8("Выбор даты");
    setGlyphKind(gkDefault);
    UpdateFormat();
}

QImage TDateEdit::DefaultGlyph(int &count) const
{
    count = 2;
    return dateEditGlyph();
}

QString TDateEdit::fmt(const QDate &d) const
{
    return d.isValid() ? d.toString(QtDateFormatOf(m_format, SystemDateLocale().dateSeparator)) : QString();
}

void TDateEdit::UpdateFormat()
{
    const QDate keep = TextIsEmpty() ? QDate() : ParseDateWithFormatOr(m_format, text(), QDate());
    const bool four = m_yearDigits == dyFour || (m_yearDigits == dyDefault && FourDigitYearDefault());
    const QString format = DateFormatForLocale(four);
    const QString mask = DateMaskForLocale(m_blanks, four);
    // The edit's own re-formatting is no change of the user's.
    const bool wasBlocked = blockSignals(true);
    if (format != m_format || mask != m_mask) {
        m_format = format;
        m_mask = mask;
        setInputMask(QtInputMaskOf(mask, SystemDateLocale().dateSeparator));
    }
    if (keep.isValid()) setDateText(keep);
    blockSignals(wasBlocked);
}

bool TDateEdit::TextIsEmpty() const
{
    const QString chars = QString(m_blanks) + QLatin1Char(' ') + SystemDateLocale().dateSeparator + QChar(0);
    return ConsistsOnlyOf(text(), chars);
}

QDate TDateEdit::Date() const
{
    const QDate def = m_defaultToday ? TCalendarModel::Today() : QDate();
    if (TextIsEmpty()) return def;
    return ParseDateWithFormatOr(m_format, text(), def);
}

QDate TDateEdit::ClampDate(const QDate &d) const
{
    QDate v = d;
    if (!v.isValid()) return v;
    if (m_min.isValid() && v < m_min) v = m_min;
    if (m_max.isValid() && v > m_max) v = m_max;
    return v;
}

void TDateEdit::setDateText(const QDate &d)
{
    setText(fmt(d));
}

void TDateEdit::SetDate(const QDate &date)
{
    QDate d = date;
    if (!d.isValid()) d = m_defaultToday ? TCalendarModel::Today() : QDate();
    if (!m_autoBetween && d.isValid()) {
        const bool below = m_min.isValid() && d < m_min, above = m_max.isValid() && d > m_max;
        if (m_min.isValid() && m_max.isValid() && (below || above))
            throw Error(QString::fromUtf8("\"%1\" - неверная дата. Значение должно быть между \"%2\" и \"%3\"")
                            .arg(fmt(d), fmt(m_min), fmt(m_max)));
        if (above)
            throw Error(QString::fromUtf8("\"%1\" - неверная дата. Значение должно быть не больше \"%2\"")
                            .arg(fmt(d), fmt(m_max)));
        if (below)
            throw Error(QString::fromUtf8("\"%1\" - неверная дата. Значение должно быть не меньше \"%2\"")
                            .arg(fmt(d), fmt(m_min)));
    }
    if (m_autoBetween) d = ClampDate(d);
    const QDate before = Date();
    setDateText(d);
    if (Date() != before) setModified(true);
}

void TDateEdit::SetMinDate(const QDate &d)
{
    if (d.isValid() && m_max.isValid() && d > m_max) {
        if (!m_autoBetween)
            throw Error(QString::fromUtf8("\"%1\" - неверная минимальная дата. Значение должно быть не больше \"%2\"")
                            .arg(fmt(d), fmt(m_max)));
        m_max = d;
    }
    m_min = d;
    if (m_calendar) m_calendar->Calendar()->Model().SetMinDate(m_min);
    if (m_autoBetween && !TextIsEmpty()) SetDate(Date());
}

void TDateEdit::SetMaxDate(const QDate &d)
{
    if (d.isValid() && m_min.isValid() && d < m_min) {
        if (!m_autoBetween)
            throw Error(QString::fromUtf8("\"%1\" - неверная максимальная дата. Значение должно быть не меньше \"%2\"")
                            .arg(fmt(d), fmt(m_min)));
        m_min = d;
    }
    m_max = d;
    if (m_calendar) m_calendar->Calendar()->Model().SetMaxDate(m_max);
    if (m_autoBetween && !TextIsEmpty()) SetDate(Date());
}

void TDateEdit::SetDateAutoBetween(bool v)
{
    m_autoBetween = v;
    if (v && !TextIsEmpty()) SetDate(Date());
}

void TDateEdit::SetBlanksChar(QChar c)
{
    if (c.unicode() < 32) c = QLatin1Char(' ');
    if (c == m_blanks) return;
    m_blanks = c;
    UpdateFormat();
}

void TDateEdit::SetYearDigits(TYearDigits d)
{
    if (d == m_yearDigits) return;
    m_yearDigits = d;
    UpdateFormat();
}

void TDateEdit::SetCalendarHints(const QStringList &h)
{
    m_hints = h.mid(0, 4);
    if (m_calendar) m_calendar->SetHints(m_hints);
}

void TDateEdit::SetCalendarStyle(TCalendarStyle s)
{
    m_style = s;
    if (s == csPopup && !m_calendar) {
        m_calendar = new TPopupCalendar(this);
        TCalendarModel &m = m_calendar->Calendar()->Model();
        m.SetMinDate(m_min);
        m.SetMaxDate(m_max);
        m.SetStartOfWeek(m_startOfWeek);
        m.SetWeekends(m_weekends);
        m_calendar->Calendar()->SetWeekendColor(m_weekendColor);
        m_calendar->SetHints(m_hints);
        connect(m_calendar, &TPopupCalendar::CloseUp, this, [this](bool accept) { PopupCloseUp(accept); });
        setPopup(m_calendar);
    } else if (s == csDialog && m_calendar) {
        setPopup(nullptr);
        delete m_calendar;
        m_calendar = nullptr;
    }
}

void TDateEdit::CheckValidDate()
{
    if (TextIsEmpty()) return;
    const QDate d = ParseDateWithFormat(m_format, text());
    const bool wasBlocked = blockSignals(true);
    try {
        SetDate(d);
    } catch (...) {
        blockSignals(wasBlocked);
        throw;
    }
    blockSignals(wasBlocked);
}

void TDateEdit::SetPopupValue()
{
    if (m_calendar) m_calendar->SetValueText(text(), m_format);
}

void TDateEdit::AcceptValue()
{
    if (!m_calendar) return;
    QDate d = m_calendar->Value();
    bool accept = true;
    if (OnAcceptDate) OnAcceptDate(d, accept);
    if (!accept) return;
    try {
        SetDate(d);
    } catch (const Error &e) {
        ShowError(e.message(), this);
        return;
    }
    if (isModified()) emit Change();
}

void TDateEdit::DoClick()
{
    TCustomComboEdit::DoClick();
    if (m_style != csDialog) return;
    QDate d = Date();
    SelectDateOptions opt;
    opt.caption = m_dialogTitle;
    opt.minDate = m_min;
    opt.maxDate = m_max;
    opt.hints = m_hints;
    opt.weekendColor = m_weekendColor;
    opt.weekends = m_weekends;
    opt.startOfWeek = m_startOfWeek;
    const bool ok = RunSelectDateDialog(this, d, opt);
    setFocus();
    if (!ok) return;
    bool accept = true;
    if (OnAcceptDate) OnAcceptDate(d, accept);
    if (!accept) return;
    try {
        SetDate(d);
    } catch (const Error &e) {
        ShowError(e.message(), this);
        return;
    }
    if (hasFocus()) selectAll();
}

void TDateEdit::keyPressEvent(QKeyEvent *e)
{
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    const QString t = e->text();
    if (m_popupOpen && m_calendar) {
        const bool nav = key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Left ||
                         key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        const bool sign = t == QLatin1String("+") || t == QLatin1String("-");
        const bool today = t == QLatin1String("T") || t == QLatin1String("t");
        if (nav || sign || today) {
            m_calendar->HandleKey(key, e->modifiers(), t);
            e->accept();
            return;
        }
    }
    if (DirectInput() && !ReadOnly()) {
        if (keypad && mods == Qt::NoModifier && (key == Qt::Key_Plus || key == Qt::Key_Minus)) {
            const QDate base = Date().isValid() ? Date() : TCalendarModel::Today();
            try {
                SetDate(base.addDays(key == Qt::Key_Plus ? 1 : -1));
            } catch (const Error &err) {
                ShowError(err.message(), this);
            }
            selectAll();
            e->accept();
            return;
        }
        if (t == QLatin1String("+") || t == QLatin1String("-")) {
            e->accept();
            return;
        }
        if (t == QLatin1String("T") || t == QLatin1String("t")) {
            try {
                SetDate(TCalendarModel::Today());
            } catch (const Error &err) {
                ShowError(err.message(), this);
            }
            selectAll();
            e->accept();
            return;
        }
    }
    TCustomComboEdit::keyPressEvent(e);
}

namespace {
// Eats the mouse press that is on its way to a widget and the release that
// goes with it; it goes away with the release, or at once when the release
// was already swallowed by a message box.
class ClickHold : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (QGuiApplication::mouseButtons() == Qt::NoButton) deleteLater();
            return true;
        case QEvent::MouseButtonRelease:
            deleteLater();
            return true;
        case QEvent::MouseMove:
            return QGuiApplication::mouseButtons() != Qt::NoButton;
        default:
            return false;
        }
    }
};
} // namespace

void TDateEdit::focusOutEvent(QFocusEvent *e)
{
    TCustomComboEdit::focusOutEvent(e);
    if (!m_checkOnExit || m_checking || TextIsEmpty()) return;
    // The focus going to another window (a message box, the calendar's
    // pop-up, another program) does not leave the field: it comes back.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    try {
        CheckValidDate();
    } catch (const Error &err) {
        // The message first, then the focus back once the box is gone; the
        // focus change of the box itself must not check again.
        m_checking = true;
        // A click that took the focus away (a dialog's OK button) must not act.
        QWidget *to = QApplication::focusWidget();
        QPointer<ClickHold> hold;
        if (to && to != this && QGuiApplication::mouseButtons() != Qt::NoButton) {
            hold = new ClickHold(to);
            to->installEventFilter(hold);
        }
        ShowError(err.message(), this);
        // The press that moved the focus is delivered on return from here; a
        // hold left with no button down then has done its work.
        if (hold)
            QTimer::singleShot(0, hold, [hold] {
                if (hold && QGuiApplication::mouseButtons() == Qt::NoButton) hold->deleteLater();
            });
        QPointer<TDateEdit> self(this);
        QTimer::singleShot(0, this, [self] {
            if (!self) return;
            if (self->isEnabled() && self->isVisible()) self->setFocus(Qt::OtherFocusReason);
            self->m_checking = false;
        });
    }
}

#include "controls/spinedit.h"

#include "controls/extimer.h"
#include "controls/vclutils.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QStyleOptionSpinBox>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <tuple>

using namespace kv;

// ---- spin button -------------------------------------------------------

TExSpinButton::TExSpinButton(QWidget *parent) : QWidget(parent)
{
    resize(20, 20);
}

TExSpinButton::Half TExSpinButton::HalfAt(TrSpinButtonStyle style, int w, int h, int x, int y)
{
    if (style == sbsClassic) return y > h / 2 ? shBottom : shTop;
    if (w <= 0) return shTop;
    return double(y) > double(h) - (double(h) / double(w)) * double(x) ? shBottom : shTop;
}

void TExSpinButton::setButtonStyle(TrSpinButtonStyle s)
{
    m_style = s;
    update();
}

void TExSpinButton::setUpGlyph(const QImage &img)
{
    m_up = img;
    update();
}

void TExSpinButton::setDownGlyph(const QImage &img)
{
    m_down = img;
    update();
}

static void softEdge(QPainter &p, const QRect &r, bool sunken, bool topLeft, bool bottomRight)
{
    const QColor a = sunken ? BtnShadowColor() : BtnHighlightColor();
    const QColor b = sunken ? BtnHighlightColor() : BtnShadowColor();
    if (topLeft) {
        p.setPen(a);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
    }
    if (bottomRight) {
        p.setPen(b);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
}

// The default arrows: small solid triangles.
static void arrow(QPainter &p, QPoint c, bool up, const QColor &col)
{
    p.setPen(col);
    for (int i = 0; i < 3; ++i) {
        const int y = up ? c.y() - 1 + i : c.y() + 1 - i;
        p.drawLine(c.x() - i, y, c.x() + i, y);
    }
}

void TExSpinButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();
    p.fillRect(rect(), BtnFaceColor());
    const QColor glyphColor = isEnabled() ? BtnTextColor() : GrayTextColor();
    auto drawGlyph = [&](const QImage &img, QPoint c, bool up) {
        if (img.isNull()) arrow(p, c, up, glyphColor);
        else DrawBitmapKeyed(p, c.x() - img.width() / 2, c.y() - img.height() / 2, img, BottomLeftColor(img));
    };
    if (m_style == sbsDefault) {
        const QRect r = rect().adjusted(0, 0, -1, -1);
        softEdge(p, r, m_pressed == shTop, true, false);
        softEdge(p, r, m_pressed == shBottom, false, true);
        QColor c1 = BtnShadowColor(), c2 = WindowFrameColor(), c3 = BtnHighlightColor();
        if (m_pressed == shTop) {
            c1 = BtnFaceColor();
            c2 = BtnHighlightColor();
        } else if (m_pressed == shBottom) {
            c2 = BtnShadowColor();
            c3 = WindowFrameColor();
        }
        const QRect in = r.adjusted(1, 1, -1, -1);
        p.setPen(c1);
        p.drawLine(in.left(), in.bottom() - 1, in.right() - 1, in.top() - 1);
        p.setPen(c2);
        p.drawLine(in.right() - 1, in.top(), in.left(), in.bottom() - 1);
        p.setPen(c3);
        p.drawLine(in.left() + 1, in.bottom() - 1, in.right(), in.top());
        const int upShift = m_pressed == shTop ? 2 : 1;
        drawGlyph(m_up, QPoint(w / 4 + upShift, h / 4 + upShift), true);
        drawGlyph(m_down, QPoint(3 * w / 4 - 1, 3 * h / 4 - 1), false);
    } else {
        const QRect top(0, 0, w, h / 2 + (m_pressed == shTop ? 0 : 1));
        const QRect bottom(0, h / 2, w, h - h / 2);
        softEdge(p, top.adjusted(0, 0, -1, -1), m_pressed == shTop, true, true);
        softEdge(p, bottom.adjusted(0, 0, -1, -1), m_pressed == shBottom, true, true);
        p.save();
        p.setClipRect(top);
        drawGlyph(m_up, top.center(), true);
        p.restore();
        p.save();
        p.setClipRect(bottom);
        drawGlyph(m_down, bottom.center(), false);
        p.restore();
    }
}

void TExSpinButton::fire(Half h)
{
    if (h == shTop) emit topClick();
    else if (h == shBottom) emit bottomClick();
}

void TExSpinButton::setPressed(Half h)
{
    if (h == m_pressed) return;
    m_pressed = h;
    update();
}

void TExSpinButton::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !isEnabled()) return;
    if (m_focus && m_focus->focusPolicy() & Qt::TabFocus && m_focus->isEnabled() && !m_focus->hasFocus())
        m_focus->setFocus(Qt::MouseFocusReason);
    if (m_pressed == shNone) {
        const QPoint pos = e->position().toPoint();
        m_pressHalf = HalfAt(m_style, width(), height(), pos.x(), pos.y());
        setPressed(m_pressHalf);
        fire(m_pressHalf);
        if (!m_repeat) {
            m_repeat = new ExTimer(this);
            connect(m_repeat, &ExTimer::timeout, this, &TExSpinButton::repeatTick);
        }
        m_repeat->start(400);
    }
    m_dragging = true;
}

void TExSpinButton::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_dragging) return;
    const QPoint pos = e->position().toPoint();
    const bool in = pos.x() >= 0 && pos.x() <= width() && pos.y() >= 0 && pos.y() <= height();
    Half h = shNone;
    if (in && HalfAt(m_style, width(), height(), pos.x(), pos.y()) == m_pressHalf) h = m_pressHalf;
    setPressed(h);
}

void TExSpinButton::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) return;
    // Wherever the release happens, the button comes up and the repeat ends.
    m_dragging = false;
    m_pressHalf = shNone;
    if (m_repeat) m_repeat->stop();
    setPressed(shNone);
}

void TExSpinButton::repeatTick()
{
    m_repeat->setInterval(100);
    if (m_pressed != shNone && m_dragging) {
        try {
            fire(m_pressed);
        } catch (...) {
            m_repeat->stop();
            throw;
        }
    }
}

void TExSpinButton::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(e);
}

// ---- up-down control ---------------------------------------------------

TExUpDown::TExUpDown(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TExUpDown::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QStyleOptionSpinBox opt;
    opt.initFrom(this);
    opt.frame = false;
    opt.buttonSymbols = QAbstractSpinBox::UpDownArrows;
    opt.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    opt.stepEnabled = isEnabled() ? (QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled)
                                  : QAbstractSpinBox::StepNone;
    if (m_pressed) {
        opt.activeSubControls = m_button == btNext ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown;
        opt.state |= QStyle::State_Sunken;
    }
    // Each half a button of its own, as the platform's control draws them.
    const QRect up(0, 0, width(), height() / 2), down(0, height() / 2, width(), height() - height() / 2);
    p.fillRect(rect(), palette().button());
    for (const auto &[r, sub, arrow] : {std::tuple{up, QStyle::SC_SpinBoxUp, QStyle::PE_IndicatorArrowUp},
                                        std::tuple{down, QStyle::SC_SpinBoxDown, QStyle::PE_IndicatorArrowDown}}) {
        QStyleOptionButton b;
        b.initFrom(this);
        b.rect = r;
        if (m_pressed && opt.activeSubControls == sub) b.state |= QStyle::State_Sunken;
        else b.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &b, &p, this);
        QStyleOption a;
        a.initFrom(this);
        a.rect = r.adjusted(2, 1, -2, -1);
        style()->drawPrimitive(arrow, &a, &p, this);
    }
}

void TExUpDown::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !isEnabled()) return;
    m_pressed = true;
    m_button = ButtonAt(e->position().toPoint().y());
    update();
    emit Click(m_button);
    if (!m_repeat) {
        m_repeat = new kv::ExTimer(this);
        connect(m_repeat, &kv::ExTimer::timeout, this, [this] {
            m_repeat->setInterval(100);
            if (m_pressed) emit Click(m_button);
            else m_repeat->stop();
        });
    }
    if (m_pressed) m_repeat->start(400);
}

void TExUpDown::mouseReleaseEvent(QMouseEvent *)
{
    m_pressed = false;
    if (m_repeat) m_repeat->stop();
    update();
}

void TExUpDown::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange) {
        m_pressed = false;
        if (m_repeat) m_repeat->stop();
        update();
    }
    QWidget::changeEvent(e);
}

// ---- spin edit ---------------------------------------------------------

TExSpinEdit::TExSpinEdit(QWidget *parent) : QLineEdit(parent)
{
    setText(QStringLiteral("0"));
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_stepping) emit Change();
    });
    rebuildButton();
}

TExSpinEdit::~TExSpinEdit()
{
    m_stepping = true;
}

double TExSpinEdit::ClampValue(double v) const
{
    if (m_checkMin && v < m_min) v = m_min;
    if (m_checkMax && v > m_max) v = m_max;
    return v;
}

double TExSpinEdit::typedValue() const
{
    const QString t = text().trimmed();
    const double fallbackInt = roundHalfEven(m_min);
    constexpr double lo = std::numeric_limits<qint32>::min(), hi = std::numeric_limits<qint32>::max();
    switch (m_type) {
    case vtFloat: {
        bool ok = false;
        const double v = parseFloat(t, &ok);
        if (!ok) return m_min;
        // A number too large for a double is held at the largest one.
        if (std::isinf(v)) return v > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
        return v;
    }
    case vtHex:
    case vtInteger: {
        QString digits = t;
        bool neg = false;
        if (m_type == vtInteger && (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+')))) {
            neg = digits.startsWith(QLatin1Char('-'));
            digits = digits.mid(1);
        }
        const int base = m_type == vtHex ? 16 : 10;
        if (digits.isEmpty()) return fallbackInt;
        for (QChar c : digits) {
            const bool digit = c.isDigit() && c.unicode() < 128;
            const bool hex = base == 16 && QStringLiteral("abcdefABCDEF").contains(c);
            if (!digit && !hex) return fallbackInt;
        }
        bool ok = false;
        const qulonglong mag = digits.toULongLong(&ok, base);
        double v = ok ? double(mag) : hi + 1.0;
        if (neg) v = -v;
        // Whole numbers are 32-bit: one step beyond marks a number out of range.
        return std::clamp(v, lo - 1.0, hi + 1.0);
    }
    }
    return m_min;
}

double TExSpinEdit::Value() const
{
    return limited(typedValue());
}

double TExSpinEdit::limited(double v) const
{
    v = ClampValue(v);
    if (m_type != vtFloat) v = std::clamp(v, double(std::numeric_limits<qint32>::min()),
                                          double(std::numeric_limits<qint32>::max()));
    return v;
}

int TExSpinEdit::IntValue() const
{
    const double v = std::clamp(roundHalfEven(Value()), double(std::numeric_limits<qint32>::min()),
                                double(std::numeric_limits<qint32>::max()));
    return int(v);
}

bool TExSpinEdit::OutOfRange() const
{
    const double v = typedValue();
    return limited(v) != v;
}

QString TExSpinEdit::RangeText() const
{
    const bool whole = m_type != vtFloat;
    auto bound = [&](double b) {
        switch (m_type) {
        case vtFloat: return formatFixed(b, m_decimal);
        case vtHex: return QString::number(qulonglong(quint32(qint32(roundToInt64(b)))), 16).toUpper();
        case vtInteger: break;
        }
        return QString::number(roundToInt64(b));
    };
    const bool lo = m_checkMin || whole, hi = m_checkMax || whole;
    const double min = m_checkMin ? m_min : std::numeric_limits<qint32>::min();
    const double max = m_checkMax ? std::min(m_max, whole ? double(std::numeric_limits<qint32>::max()) : m_max)
                                  : std::numeric_limits<qint32>::max();
    if (lo && hi) return QStringLiteral("Введите число от %1 до %2.").arg(bound(std::min(min, max)), bound(max));
    if (hi) return QStringLiteral("Введите число не больше %1.").arg(bound(max));
    return QStringLiteral("Введите число не меньше %1.").arg(bound(min));
}

TExSpinEdit *TExSpinEdit::FirstOutOfRange(const QWidget *root)
{
    if (!root) return nullptr;
    for (TExSpinEdit *e : root->findChildren<TExSpinEdit *>())
        if (e->isEnabled() && e->OutOfRange()) return e;
    return nullptr;
}

bool TExSpinEdit::CheckRanges(QWidget *dialog)
{
    TExSpinEdit *e = FirstOutOfRange(dialog);
    if (!e) return true;
    ShowError(e->RangeText(), dialog);
    e->setFocus();
    e->selectAll();
    return false;
}

void TExSpinEdit::setValue(double v)
{
    v = limited(v);
    switch (m_type) {
    case vtFloat:
        setText(formatFixed(v, m_decimal));
        break;
    case vtHex: {
        const long long n = roundToInt64(v);
        setText(QString::number(n < 0 ? qulonglong(quint32(qint32(n))) : qulonglong(n), 16).toUpper());
        break;
    }
    case vtInteger:
        setText(QString::number(roundToInt64(v)));
        break;
    }
}

void TExSpinEdit::setValueType(TValueType t)
{
    const double v = typedValue();
    m_type = t;
    setValue(v);
    if (t != vtFloat) {
        m_increment = roundHalfEven(m_increment);
        if (m_increment == 0) m_increment = 1;
    }
}

void TExSpinEdit::setDecimal(int d)
{
    const double v = typedValue();
    m_decimal = std::clamp(d, 0, 18);
    setValue(v);
}

void TExSpinEdit::setCheckMinValue(bool v)
{
    if (m_min != 0) v = true;
    m_checkMin = v;
    setValue(typedValue());
}

void TExSpinEdit::setCheckMaxValue(bool v)
{
    if (m_max != 0) v = true;
    m_checkMax = v;
    setValue(typedValue());
}

void TExSpinEdit::setMinValue(double v)
{
    if (v == m_min) return;
    const double cur = typedValue();
    const bool wasAuto = m_checkMin == autoCheck();
    const bool crossed = (m_min == 0) != (v == 0);
    m_min = v;
    if (crossed && m_autoMin) {
        setCheckMinValue(autoCheck());
        if (wasAuto && m_autoMax) setCheckMaxValue(autoCheck());
    }
    setValue(cur);
}

void TExSpinEdit::setMaxValue(double v)
{
    if (v == m_max) return;
    const double cur = typedValue();
    const bool wasAuto = m_checkMax == autoCheck();
    const bool crossed = (m_max == 0) != (v == 0);
    m_max = v;
    if (crossed && m_autoMax) {
        setCheckMaxValue(autoCheck());
        if (wasAuto && m_autoMin) setCheckMinValue(autoCheck());
    }
    setValue(cur);
}

bool TExSpinEdit::AcceptsChar(QChar c) const
{
    if (!m_editorEnabled) return c.unicode() < 32 && c != QChar(8);
    if (c.unicode() < 32) return true;
    if (c == QLatin1Char('+') || c == QLatin1Char('-') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
        return true;
    if (m_type == vtFloat) {
        if (c == QLatin1Char('.') && !text().contains(QLatin1Char('.'))) return true;
        if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && !text().toUpper().contains(QLatin1Char('E')))
            return true;
    }
    if (m_type == vtHex) {
        const QChar u = c.toUpper();
        if (u >= QLatin1Char('A') && u <= QLatin1Char('F')) return true;
    }
    return false;
}

void TExSpinEdit::step(double delta, bool up)
{
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    const QString before = text();
    m_stepping = true;
    setValue(Value() + delta);
    m_stepping = false;
    if (QString::compare(before, text(), Qt::CaseInsensitive) != 0) {
        setModified(true);
        emit Change();
    }
    if (up) emit topClicked();
    else emit bottomClicked();
}

void TExSpinEdit::StepUp() { step(m_increment, true); }
void TExSpinEdit::StepDown() { step(-m_increment, false); }

void TExSpinEdit::keyPressEvent(QKeyEvent *e)
{
    if (m_arrowKeys && (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) &&
        !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (e->key() == Qt::Key_Up) StepUp();
        else StepDown();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)) {
        if (!m_editorEnabled || isReadOnly()) {
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (!m_editorEnabled && (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete)) {
        QApplication::beep();
        e->accept();
        return;
    }
    const QString t = e->text();
    if (t.size() == 1 && t.at(0).unicode() >= 32 && !(e->modifiers() & Qt::ControlModifier)) {
        if (!AcceptsChar(t.at(0))) {
            QApplication::beep();
            e->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

void TExSpinEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void TExSpinEdit::focusOutEvent(QFocusEvent *e)
{
    const double v = typedValue();
    if (limited(v) != v) setValue(v);
    QLineEdit::focusOutEvent(e);
}

void TExSpinEdit::setButtonKind(TSpinButtonKind k)
{
    if (k == m_kind) return;
    m_kind = k;
    rebuildButton();
}

void TExSpinEdit::setEditorEnabled(bool v)
{
    m_editorEnabled = v;
    setAcceptDrops(v);
}

// The standard menu; while only the buttons may change the text, the edit is
// read-only for as long as the menu is open, so the menu's paste, cut,
// delete, undo and redo are off and do nothing.
void TExSpinEdit::contextMenuEvent(QContextMenuEvent *e)
{
    const bool wasReadOnly = isReadOnly();
    if (!m_editorEnabled) setReadOnly(true);
    QPointer<TExSpinEdit> self(this);
    {
        std::unique_ptr<QMenu> menu(createStandardContextMenu());
        menu->exec(e->globalPos());
    }
    if (self) setReadOnly(wasReadOnly);
    e->accept();
}

void TExSpinEdit::dragEnterEvent(QDragEnterEvent *e)
{
    if (!m_editorEnabled) {
        e->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(e);
}

void TExSpinEdit::dropEvent(QDropEvent *e)
{
    if (!m_editorEnabled || isReadOnly()) {
        e->ignore();
        return;
    }
    QLineEdit::dropEvent(e);
}

void TExSpinEdit::rebuildButton()
{
    delete m_panel;
    delete m_upDown;
    m_panel = nullptr;
    m_button = nullptr;
    m_upDown = nullptr;
    if (m_kind == bkStandard) {
        m_upDown = new TExUpDown(this);
        m_upDown->setObjectName(QStringLiteral("UpDown"));
        m_upDown->setEnabled(isEnabled());
        connect(m_upDown, &TExUpDown::Click, this, [this](TExUpDown::TUDBtnType b) {
            if (focusPolicy() & Qt::TabFocus && isEnabled() && isVisible() && !hasFocus()) setFocus(Qt::MouseFocusReason);
            if (b == TExUpDown::btNext) StepUp();
            else StepDown();
        });
        m_upDown->show();
        arrangeButton();
        return;
    }
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("SpinPanel"));
    m_button = new TExSpinButton(m_panel);
    m_button->setObjectName(QStringLiteral("SpinButton"));
    m_button->setButtonStyle(m_kind == bkDiagonal ? TExSpinButton::sbsDefault : TExSpinButton::sbsClassic);
    m_button->setFocusControl(this);
    m_button->setEnabled(isEnabled());
    connect(m_button, &TExSpinButton::topClick, this, &TExSpinEdit::StepUp);
    connect(m_button, &TExSpinButton::bottomClick, this, &TExSpinEdit::StepDown);
    m_panel->show();
    arrangeButton();
}

void TExSpinEdit::arrangeButton()
{
    const int f = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int cw = width() - 2 * f, ch = height() - 2 * f;
    const int a = 15;   // scroll-arrow width
    if (m_upDown) {
        // The arrow width, the edit's height, at the right (left right-to-left).
        QRect r(cw - a, 0, a, ch);
        if (layoutDirection() == Qt::RightToLeft) r.moveLeft(0);
        m_upDown->setGeometry(r.translated(f, f));
        if (layoutDirection() == Qt::RightToLeft) setTextMargins(a + 1, 0, 0, 0);
        else setTextMargins(0, 0, a + 2, 0);
        return;
    }
    if (!m_panel) return;
    QRect r;
    if (m_kind == bkDiagonal) r = QRect(cw - ch, 0, ch, ch);
    else r = QRect(cw - a, 0, a, ch);
    if (layoutDirection() == Qt::RightToLeft) r.moveLeft(0);
    m_panel->setGeometry(r.translated(f, f));
    m_button->setGeometry(1, 1, r.width() - 1, r.height() - 1);
    if (layoutDirection() == Qt::RightToLeft) setTextMargins(r.width() + 1, 0, 0, 0);
    else setTextMargins(0, 0, r.width() + 2, 0);
}

void TExSpinEdit::resizeEvent(QResizeEvent *e)
{
    QLineEdit::resizeEvent(e);
    arrangeButton();
}

void TExSpinEdit::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange && m_button) m_button->setEnabled(isEnabled());
    if (e->type() == QEvent::EnabledChange && m_upDown) m_upDown->setEnabled(isEnabled());
    if (e->type() == QEvent::FontChange || e->type() == QEvent::LayoutDirectionChange) arrangeButton();
    QLineEdit::changeEvent(e);
}

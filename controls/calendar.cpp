#include "controls/calendar.h"

#include "controls/dates.h"
#include "controls/speedbutton.h"
#include "platform/strutils.h"
#include "controls/vclutils.h"
#include "platform/clock.h"
#include "platform/ui.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

// ---- model -------------------------------------------------------------

QDate TCalendarModel::Today() { return kv::Today(); }

TCalendarModel::TCalendarModel() : m_date(Today()) {}

void TCalendarModel::changed()
{
    if (OnChange) OnChange();
}

bool TCalendarModel::WithinLimits(const QDate &d) const
{
    if (m_min.isValid() && d < m_min) return false;
    if (m_max.isValid() && d > m_max) return false;
    return true;
}

void TCalendarModel::SetCalendarDate(const QDate &d)
{
    QDate v = d.isValid() ? d : Today();
    if (m_min.isValid() && v < m_min) v = m_min;
    if (m_max.isValid() && v > m_max) v = m_max;
    m_date = v;
    changed();
}

void TCalendarModel::SetMinDate(const QDate &d)
{
    m_min = d;
    if (!WithinLimits(m_date)) SetCalendarDate(m_date);
}

void TCalendarModel::SetMaxDate(const QDate &d)
{
    m_max = d;
    if (!WithinLimits(m_date)) SetCalendarDate(m_date);
}

void TCalendarModel::SetStartOfWeek(int dow)
{
    m_startOfWeek = ((dow % 7) + 7) % 7;
    changed();
}

void TCalendarModel::SetUseCurrentDate(bool v)
{
    m_useCurrent = v;
    if (v) SetCalendarDate(Today());
}

void TCalendarModel::SetYear(int y)
{
    if (y < 1) return;
    if (m_min.isValid() && y < m_min.year()) y = m_min.year();
    if (m_max.isValid() && y > m_max.year()) y = m_max.year();
    if (y == m_date.year()) return;
    int m = m_date.month(), d = m_date.day();
    if (m_min.isValid() && y == m_min.year()) {
        if (m < m_min.month()) m = m_min.month();
        if (m == m_min.month() && d < m_min.day()) d = m_min.day();
    }
    if (m_max.isValid() && y == m_max.year()) {
        if (m > m_max.month()) m = m_max.month();
        if (m == m_max.month() && d > m_max.day()) d = m_max.day();
    }
    d = qMin(d, kv::MonthDays(y, m));
    m_useCurrent = false;
    SetCalendarDate(QDate(y, m, d));
}

void TCalendarModel::SetMonth(int m)
{
    if (m < 1 || m > 12 || m == m_date.month()) return;
    const int y = m_date.year();
    int d = m_date.day();
    if (m_min.isValid() && y == m_min.year() && m < m_min.month()) m = m_min.month();
    if (m_max.isValid() && y == m_max.year() && m > m_max.month()) m = m_max.month();
    if (m_min.isValid() && y == m_min.year() && m == m_min.month() && d < m_min.day()) d = m_min.day();
    if (m_max.isValid() && y == m_max.year() && m == m_max.month() && d > m_max.day()) d = m_max.day();
    d = qMin(d, kv::MonthDays(y, m));
    m_useCurrent = false;
    SetCalendarDate(QDate(y, m, d));
}

void TCalendarModel::SetDay(int d)
{
    if (d < 1 || d > kv::MonthDays(m_date.year(), m_date.month()) || d == m_date.day()) return;
    QDate nd(m_date.year(), m_date.month(), d);
    if (m_min.isValid() && nd < m_min) nd = m_min;
    if (m_max.isValid() && nd > m_max) nd = m_max;
    m_useCurrent = false;
    SetCalendarDate(nd);
}

int TCalendarModel::Offset() const
{
    const QDate first(m_date.year(), m_date.month(), 1);
    const int dow = first.dayOfWeek() % 7 + 1;   // 1 = Sunday
    const int w = (dow - m_startOfWeek + 7) % 7;
    return w == 0 ? -5 : 2 - w;
}

int TCalendarModel::DayAt(int col, int row) const
{
    if (row < 1 || row > 6 || col < 0 || col > 6) return 0;
    const int d = col + Offset() + (row - 1) * 7;
    return (d >= 1 && d <= kv::MonthDays(m_date.year(), m_date.month())) ? d : 0;
}

QPoint TCalendarModel::CellOfDay(int day) const
{
    const int k = day - Offset();
    return QPoint(((k % 7) + 7) % 7, k / 7 + 1);
}

QString TCalendarModel::ShortDayName(int dow)
{
    static const char *names[] = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    return QString::fromUtf8(names[((dow % 7) + 7) % 7]);
}

QString TCalendarModel::DayNameAt(int col) const
{
    return ShortDayName(col + m_startOfWeek);
}

bool TCalendarModel::IsWeekendColumn(int col) const
{
    return m_weekends & (1u << ((col + m_startOfWeek) % 7));
}

bool TCalendarModel::CanSelect(int col, int row) const
{
    const int d = DayAt(col, row);
    return d != 0 && WithinLimits(QDate(m_date.year(), m_date.month(), d));
}

QDate TCalendarModel::AddMonths(const QDate &d, int delta)
{
    QDate r = d;
    const int day = d.day();
    for (int i = 0; i < qAbs(delta); ++i) {
        if (delta < 0) r = QDate(r.year(), r.month(), 1).addDays(-1);
        else r = QDate(r.year(), r.month(), kv::MonthDays(r.year(), r.month())).addDays(1);
    }
    return QDate(r.year(), r.month(), qMin(day, kv::MonthDays(r.year(), r.month())));
}

QDate TCalendarModel::AddYears(const QDate &d, int delta)
{
    int day = d.day();
    if (d.month() == 2 && day == 29) day = 28;
    return QDate(d.year() + delta, d.month(), day);
}

void TCalendarModel::PrevMonth()
{
    m_useCurrent = false;
    SetCalendarDate(AddMonths(m_date, -1));
}
void TCalendarModel::NextMonth()
{
    m_useCurrent = false;
    SetCalendarDate(AddMonths(m_date, 1));
}
void TCalendarModel::PrevYear()
{
    m_useCurrent = false;
    SetCalendarDate(AddYears(m_date, -1));
}
void TCalendarModel::NextYear()
{
    m_useCurrent = false;
    SetCalendarDate(AddYears(m_date, 1));
}

void TCalendarModel::PrevDay()
{
    const QDate d = m_date.addDays(-1);
    if (!WithinLimits(d)) return;
    m_useCurrent = false;
    SetCalendarDate(d);
}

void TCalendarModel::NextDay()
{
    const QDate d = m_date.addDays(1);
    if (!WithinLimits(d)) return;
    m_useCurrent = false;
    SetCalendarDate(d);
}

bool TCalendarModel::CanPrevYear() const
{
    return !m_min.isValid() || m_min.year() < Year();
}
bool TCalendarModel::CanPrevMonth() const
{
    return !m_min.isValid() || m_min.year() < Year() || (m_min.year() == Year() && m_min.month() < Month());
}
bool TCalendarModel::CanNextMonth() const
{
    return !m_max.isValid() || Year() < m_max.year() || (Year() == m_max.year() && Month() < m_max.month());
}
bool TCalendarModel::CanNextYear() const
{
    return !m_max.isValid() || Year() < m_max.year();
}

QString TCalendarModel::Title() const
{
    return kv::RussianMonthNames().value(Month() - 1) + QStringLiteral(", ") + QString::number(Year());
}

// ---- painted grid ------------------------------------------------------

TExCalendar::TExCalendar(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    m_model.OnChange = [this] {
        update();
        emit Change();
    };
}

QRect TExCalendar::CellRect(int col, int row) const
{
    const int cw = (width() - 6) / 7, rh = (height() - 6) / 7;
    return QRect(col * (cw + 1), row * (rh + 1), cw, rh);
}

QPoint TExCalendar::CellAt(const QPoint &pos) const
{
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            if (CellRect(c, r).contains(pos)) return QPoint(c, r);
    return QPoint(-1, -1);
}

void TExCalendar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setFont(font());
    const QPoint cur = m_model.CellOfDay(m_model.Day());
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c) {
            const QRect cell = CellRect(c, r);
            QString text;
            QColor fg = palette().color(QPalette::WindowText);
            const bool selected = r > 0 && QPoint(c, r) == cur;
            bool outside = false;
            if (r == 0) {
                text = m_model.DayNameAt(c);
            } else if (const int d = m_model.DayAt(c, r)) {
                text = QString::number(d);
                outside = !m_model.WithinLimits(QDate(m_model.Year(), m_model.Month(), d));
            }
            if (m_model.IsWeekendColumn(c) && !selected) fg = m_weekendColor;
            if (selected) {
                p.fillRect(cell, QColor(0, 0, 0x80));
                fg = Qt::white;
            }
            if (outside) {
                // A day that cannot be chosen: in the face colour, engraved on a face-coloured calendar.
                fg = kv::BtnFaceColor();
                if (palette().color(QPalette::Window) == kv::BtnFaceColor()) {
                    p.setPen(kv::BtnHighlightColor());
                    p.drawText(cell.translated(1, 1), Qt::AlignCenter, text);
                    fg = kv::BtnShadowColor();
                }
            }
            p.setPen(fg);
            p.drawText(cell, Qt::AlignCenter, text);
            if (r > 0) drawCellFrame(p, cell, c, r);
        }
    p.setPen(kv::BtnShadowColor());
    const QRect h = CellRect(0, 0);
    p.drawLine(0, h.bottom() + 1, width(), h.bottom() + 1);
}

void TExCalendar::mousePressEvent(QMouseEvent *e)
{
    const QPoint c = CellAt(e->position().toPoint());
    if (c.y() >= 1 && !m_model.ReadOnly() && m_model.CanSelect(c.x(), c.y()))
        m_model.SetDay(m_model.DayAt(c.x(), c.y()));
}

void TExCalendar::mouseDoubleClickEvent(QMouseEvent *e)
{
    mousePressEvent(e);
    emit doubleClicked();
}

bool TExCalendar::HandleKey(int key, Qt::KeyboardModifiers mods, const QString &text)
{
    const bool plain = !(mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    if (plain && (key == Qt::Key_Left || (key == Qt::Key_Minus && (mods & Qt::KeypadModifier)))) {
        m_model.PrevDay();
        return true;
    }
    if (plain && (key == Qt::Key_Right || (key == Qt::Key_Plus && (mods & Qt::KeypadModifier)))) {
        m_model.NextDay();
        return true;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if (m_model.ReadOnly()) return true;
        const QDate d = m_model.CalendarDate().addDays(key == Qt::Key_Up ? -7 : 7);
        if (d.month() == m_model.Month() && m_model.WithinLimits(d)) m_model.SetDay(d.day());
        return true;
    }
    if (text == QLatin1String("T") || text == QLatin1String("t")) {
        m_model.SetCalendarDate(TCalendarModel::Today());
        return true;
    }
    return false;
}

void TExCalendar::keyPressEvent(QKeyEvent *e)
{
    if (!HandleKey(e->key(), e->modifiers(), e->text())) QWidget::keyPressEvent(e);
}

TLocCalendar::TLocCalendar(QWidget *parent) : TExCalendar(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);   // the pop-up takes the mouse
    setAutoFillBackground(false);
    m_model.SetUseCurrentDate(false);
}

void TLocCalendar::drawCellFrame(QPainter &p, const QRect &r, int col, int row)
{
    const QDate today = TCalendarModel::Today();
    if (today.year() != m_model.Year() || today.month() != m_model.Month()) return;
    if (m_model.DayAt(col, row) != today.day()) return;
    p.setPen(kv::BtnShadowColor());
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(kv::BtnHighlightColor());
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

// ---- glyphs ------------------------------------------------------------

QImage CalendarGlyph(const QString &name)
{
    QImage img(10, 7, QImage::Format_RGB32);
    img.fill(QColor(0xFF, 0x00, 0xFF));
    const bool next = name.startsWith(QLatin1String("NEXT"));
    const int count = name.endsWith(QLatin1Char('2')) ? 2 : 1;
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < 4; ++i) {
            const int x = (count == 2 ? 1 + k * 4 : 3) + (next ? i : 3 - i);
            for (int y = 3 - (3 - i); y <= 3 + (3 - i); ++y) img.setPixel(x, y, qRgb(0, 0, 0));
        }
    return img;
}

// The small font of message boxes that the calendars use.
static void UseMessageFont(QWidget *w)
{
    QFont f = QApplication::font();
    f.setPointSize(8);
    w->setFont(f);
}

static const char *const kNav[4] = {"PrevYearBtn", "PrevMonthBtn", "NextMonthBtn", "NextYearBtn"};
static const char *const kGlyph[4] = {"PREV2", "PREV1", "NEXT1", "NEXT2"};
static const char *const kHint[4] = {"Предыдущий год|", "Предыдущий месяц|", "Следующий месяц|", "Следующий год|"};

static void applyHints(TExTimerSpeedButton *const buttons[4], const QStringList &hints)
{
    for (int i = 0; i < 4; ++i) {
        QString h = QString::fromUtf8(kHint[i]);
        if (i < hints.size() && !hints[i].isEmpty()) h = hints[i];
        buttons[i]->setToolTip(h.section(QLatin1Char('|'), 0, 0));
    }
}

static void enableNav(TExTimerSpeedButton *const b[4], const TCalendarModel &m)
{
    b[0]->setEnabled(m.CanPrevYear());
    b[1]->setEnabled(m.CanPrevMonth());
    b[2]->setEnabled(m.CanNextMonth());
    b[3]->setEnabled(m.CanNextYear());
}

// ---- pop-up ------------------------------------------------------------

TPopupCalendar::TPopupCalendar(QWidget *edit) : QWidget(edit, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("PopupCalendar"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    UseMessageFont(this);
    resize(187, 124);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kv::BtnFaceColor());
    setPalette(pal);
    auto *top = new QWidget(this);
    top->setGeometry(1, 1, width() - 2, 18);
    const int pw = top->width();
    const int xs[4] = {-1, 12, pw - 26, pw - 13};
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new TExTimerSpeedButton(top);
        m_buttons[i]->setObjectName(QString::fromLatin1(kNav[i]));
        m_buttons[i]->setGeometry(xs[i], -1, 14, 14);
        m_buttons[i]->setGlyph(CalendarGlyph(QString::fromLatin1(kGlyph[i])));
    }
    m_title = new QLabel(top);
    m_title->setObjectName(QStringLiteral("TitleLabel"));
    m_title->setGeometry(29, 1, pw - 58, 14);
    m_title->setAlignment(Qt::AlignCenter);
    m_calendar = new TLocCalendar(this);
    m_calendar->setObjectName(QStringLiteral("Calendar"));
    m_calendar->setGeometry(1, 19, width() - 2, height() - 20);
    connect(m_buttons[0], &QAbstractButton::clicked, this, [this] { m_calendar->Model().PrevYear(); });
    connect(m_buttons[1], &QAbstractButton::clicked, this, [this] { m_calendar->Model().PrevMonth(); });
    connect(m_buttons[2], &QAbstractButton::clicked, this, [this] { m_calendar->Model().NextMonth(); });
    connect(m_buttons[3], &QAbstractButton::clicked, this, [this] { m_calendar->Model().NextYear(); });
    connect(m_calendar, &TExCalendar::Change, this, &TPopupCalendar::UpdateTitle);
    applyHints(m_buttons, {});
    UpdateTitle();
    hide();
}

void TPopupCalendar::UpdateTitle()
{
    m_title->setText(m_calendar->Model().Title());
    enableNav(m_buttons, m_calendar->Model());
}

void TPopupCalendar::SetHints(const QStringList &hints)
{
    applyHints(m_buttons, hints);
}

void TPopupCalendar::SetValue(const QDate &d)
{
    m_calendar->Model().SetCalendarDate(d.isValid() ? d : TCalendarModel::Today());
    UpdateTitle();
}

void TPopupCalendar::SetValueText(const QString &text, const QString &format)
{
    const QString bare = kv::SubstituteAll(text, QStringLiteral("."), QString()).trimmed();
    QDate d;
    if (!bare.isEmpty()) d = kv::ParseDateWithFormatOr(format, text, TCalendarModel::Today());
    SetValue(d);
}

void TPopupCalendar::ShowAt(const QPoint &globalPos)
{
    move(globalPos);
    show();
}

bool TPopupCalendar::HandleKey(int key, Qt::KeyboardModifiers mods, const QString &text)
{
    TCalendarModel &m = m_calendar->Model();
    if (key == Qt::Key_PageUp) {
        (mods & Qt::ControlModifier) ? m.PrevYear() : m.PrevMonth();
        return true;
    }
    if (key == Qt::Key_PageDown) {
        (mods & Qt::ControlModifier) ? m.NextYear() : m.NextMonth();
        return true;
    }
    return m_calendar->HandleKey(key, mods, text);
}

void TPopupCalendar::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return;
    const QPoint c = m_calendar->CellAt(m_calendar->mapFrom(this, e->position().toPoint()));
    if (c.y() >= 1 && m_calendar->Model().CanSelect(c.x(), c.y())) {
        m_calendar->Model().SetDay(m_calendar->Model().DayAt(c.x(), c.y()));
        emit CloseUp(true);
    }
}

// ---- dialog ------------------------------------------------------------

TSelectDateDlg::TSelectDateDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SelectDateDlg"));
    setWindowTitle(QString::fromUtf8("Выбор даты"));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(222, 158);
    UseMessageFont(this);
    auto *top = new QFrame(this);
    top->setObjectName(QStringLiteral("TopPanel"));
    top->setFrameShape(QFrame::Panel);
    top->setFrameShadow(QFrame::Sunken);
    top->setGeometry(0, 0, 222, 22);
    m_title = new QLabel(top);
    m_title->setObjectName(QStringLiteral("TitleLabel"));
    m_title->setGeometry(35, 4, 152, 14);
    m_title->setAlignment(Qt::AlignCenter);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setStyleSheet(QStringLiteral("color: #0000ff"));
    m_title->installEventFilter(this);
    const int xs[4] = {3, 18, 188, 203};
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new TExTimerSpeedButton(top);
        m_buttons[i]->setObjectName(QString::fromLatin1(kNav[i]));
        m_buttons[i]->setGeometry(xs[i], 3, 16, 16);
        m_buttons[i]->setGlyph(CalendarGlyph(QString::fromLatin1(kGlyph[i])));
    }
    auto *middle = new QFrame(this);
    middle->setFrameShape(QFrame::Panel);
    middle->setFrameShadow(QFrame::Sunken);
    middle->setGeometry(0, 22, 222, 158 - 22 - 25);
    m_calendar = new TExCalendar(middle);
    m_calendar->setObjectName(QStringLiteral("Calendar"));
    m_calendar->setGeometry(1, 1, middle->width() - 2, middle->height() - 2);
    m_calendar->Model().SetUseCurrentDate(false);
    m_calendar->installEventFilter(this);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkBtn"));
    ok->setGeometry(0, 158 - 25, 111, 25);
    ok->setDefault(true);
    auto *cancel = new QPushButton(QString::fromUtf8("Отмена"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    cancel->setGeometry(111, 158 - 25, 111, 25);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_buttons[0], &QAbstractButton::clicked, this, &TSelectDateDlg::PrevYearBtnClick);
    connect(m_buttons[1], &QAbstractButton::clicked, this, &TSelectDateDlg::PrevMonthBtnClick);
    connect(m_buttons[2], &QAbstractButton::clicked, this, &TSelectDateDlg::NextMonthBtnClick);
    connect(m_buttons[3], &QAbstractButton::clicked, this, &TSelectDateDlg::NextYearBtnClick);
    connect(m_calendar, &TExCalendar::Change, this, &TSelectDateDlg::CalendarChange);
    connect(m_calendar, &TExCalendar::doubleClicked, this, &TSelectDateDlg::CalendarDblClick);
    applyHints(m_buttons, {});
    m_calendar->setFocus();
    CalendarChange();
}

void TSelectDateDlg::SetHints(const QStringList &hints) { applyHints(m_buttons, hints); }
void TSelectDateDlg::UpdateButtons() { enableNav(m_buttons, m_calendar->Model()); }
void TSelectDateDlg::PrevYearBtnClick() { m_calendar->Model().PrevYear(); }
void TSelectDateDlg::NextYearBtnClick() { m_calendar->Model().NextYear(); }
void TSelectDateDlg::PrevMonthBtnClick() { m_calendar->Model().PrevMonth(); }
void TSelectDateDlg::NextMonthBtnClick() { m_calendar->Model().NextMonth(); }
void TSelectDateDlg::CalendarDblClick() { accept(); }
void TSelectDateDlg::TopPanelDblClick() { m_calendar->Model().SetCalendarDate(TCalendarModel::Today()); }

void TSelectDateDlg::CalendarChange()
{
    m_title->setText(m_calendar->Model().Title());
    UpdateButtons();
}

static bool dialogKey(TSelectDateDlg *d, QKeyEvent *k)
{
    TCalendarModel &m = d->Calendar()->Model();
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    switch (k->key()) {
    case Qt::Key_Tab: m.NextMonth(); break;
    case Qt::Key_Backtab: m.PrevMonth(); break;
    case Qt::Key_PageUp: ctrl ? m.PrevYear() : m.PrevMonth(); break;
    case Qt::Key_PageDown: ctrl ? m.NextYear() : m.NextMonth(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: d->accept(); return true;
    case Qt::Key_Escape: d->reject(); return true;
    default: return false;
    }
    d->TitleLabel()->repaint();
    d->UpdateButtons();
    return true;
}

bool TSelectDateDlg::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress && dialogKey(this, static_cast<QKeyEvent *>(e))) return true;
    return QDialog::event(e);
}

void TSelectDateDlg::keyPressEvent(QKeyEvent *e)
{
    if (!dialogKey(this, e)) QDialog::keyPressEvent(e);
}

bool TSelectDateDlg::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_calendar && e->type() == QEvent::KeyPress && dialogKey(this, static_cast<QKeyEvent *>(e)))
        return true;
    if (o == m_title && e->type() == QEvent::MouseButtonDblClick) {
        TopPanelDblClick();
        return true;
    }
    return QDialog::eventFilter(o, e);
}

QPoint SelectDatePlacement(const QRect &edit, const QSize &dlg, const QSize &screen)
{
    int top = edit.y() + edit.height() - 1;
    if (top + dlg.height() > screen.height()) top = edit.y() - dlg.height() + 1;
    if (top < 0) top = edit.y() + edit.height() - 1;
    int left = edit.x() + edit.width() - dlg.width();
    if (left + dlg.width() > screen.width()) left = screen.width() - dlg.width();
    if (left < 0) left = qMax(edit.x(), 0);
    return QPoint(left, top);
}

bool RunSelectDateDialog(QWidget *edit, QDate &date, const SelectDateOptions &opt)
{
    kv::Owned<TSelectDateDlg> dlg(new TSelectDateDlg(edit ? edit->window() : nullptr));
    if (!opt.caption.isEmpty()) dlg->setWindowTitle(opt.caption);
    TCalendarModel &m = dlg->Calendar()->Model();
    m.SetMinDate(opt.minDate);
    m.SetMaxDate(opt.maxDate);
    if (edit) {
        const QPoint o = edit->mapToGlobal(QPoint(0, 0));
        QScreen *s = edit->screen();
        const QSize screen = s ? s->geometry().size() : QSize(1024, 768);
        dlg->move(SelectDatePlacement(QRect(o, edit->size()), dlg->frameGeometry().size(), screen));
    }
    m.SetCalendarDate(date.isValid() ? date : TCalendarModel::Today());
    m.SetStartOfWeek(opt.startOfWeek);
    m.SetWeekends(opt.weekends);
    dlg->Calendar()->SetWeekendColor(opt.weekendColor);
    dlg->SetHints(opt.hints);
    // The edit's window may go while the dialog runs: then nothing is taken.
    const bool ok = kv::UiOf(edit).runModal(*dlg) == QDialog::Accepted && dlg;
    if (ok) date = dlg->Calendar()->Model().CalendarDate();
    return ok;
}

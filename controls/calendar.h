#pragma once
// The month calendar: a pure model of one month laid out in a 7 x 7 grid
// (day names in row 0), the painted grid over it, the drop-down calendar of
// the date edit and the modal select-date dialog.
#include <QColor>
#include <QDate>
#include <QDialog>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class TExTimerSpeedButton;

// Days of the week: 0 Sunday .. 6 Saturday.
enum TDayOfWeekName { dowSun, dowMon, dowTue, dowWed, dowThu, dowFri, dowSat };

class TCalendarModel
{
public:
    TCalendarModel();

    // "Today", from the program's clock (tests fix it there).
    static QDate Today();

    QDate CalendarDate() const { return m_date; }
    void SetCalendarDate(const QDate &d);     // held within the limits
    QDate MinDate() const { return m_min; }    // invalid: no limit
    QDate MaxDate() const { return m_max; }
    void SetMinDate(const QDate &d);
    void SetMaxDate(const QDate &d);
    int StartOfWeek() const { return m_startOfWeek; }
    void SetStartOfWeek(int dow);
    unsigned Weekends() const { return m_weekends; }   // bit n: day n is a weekend day
    void SetWeekends(unsigned mask) { m_weekends = mask; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v) { m_readOnly = v; }
    bool UseCurrentDate() const { return m_useCurrent; }
    void SetUseCurrentDate(bool v);

    int Year() const { return m_date.year(); }
    int Month() const { return m_date.month(); }
    int Day() const { return m_date.day(); }
    void SetYear(int y);
    void SetMonth(int m);
    void SetDay(int d);

    // Layout of the shown month.
    int Offset() const;
    int DayAt(int col, int row) const;        // 0: the cell shows no day
    QPoint CellOfDay(int day) const;          // (col, row)
    static QString ShortDayName(int dow);     // "Вс".."Сб"
    QString DayNameAt(int col) const;
    bool IsWeekendColumn(int col) const;
    bool WithinLimits(const QDate &d) const;
    bool CanSelect(int col, int row) const;   // a day of the month within the limits

    // Stepping.
    void PrevMonth();
    void NextMonth();
    void PrevYear();
    void NextYear();
    void PrevDay();   // Left / numeric minus
    void NextDay();   // Right / numeric plus
    static QDate AddMonths(const QDate &d, int delta);
    static QDate AddYears(const QDate &d, int delta);

    // Which navigation buttons are on.
    bool CanPrevYear() const;
    bool CanPrevMonth() const;
    bool CanNextMonth() const;
    bool CanNextYear() const;
    // "Март, 2021"
    QString Title() const;

    std::function<void()> OnChange;

private:
    void changed();
    QDate m_date, m_min, m_max;
    int m_startOfWeek = dowMon;
    unsigned m_weekends = 1u << dowSun;
    bool m_readOnly = false, m_useCurrent = true;
};

// The painted grid.
class TExCalendar : public QWidget
{
    Q_OBJECT
public:
    explicit TExCalendar(QWidget *parent = nullptr);
    TCalendarModel &Model() { return m_model; }
    const TCalendarModel &Model() const { return m_model; }
    QColor WeekendColor() const { return m_weekendColor; }
    void SetWeekendColor(const QColor &c) { m_weekendColor = c; update(); }
    QRect CellRect(int col, int row) const;
    QPoint CellAt(const QPoint &pos) const;    // (-1,-1) outside
    // Keys of the calendar; true when used.
    bool HandleKey(int key, Qt::KeyboardModifiers mods, const QString &text);

signals:
    void Change();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    virtual void drawCellFrame(QPainter &, const QRect &, int, int) {}

    TCalendarModel m_model;
    QColor m_weekendColor = QColor(255, 0, 0);
};

// The grid inside the drop-down: no focus, frames today's cell.
class TLocCalendar : public TExCalendar
{
    Q_OBJECT
public:
    explicit TLocCalendar(QWidget *parent = nullptr);

protected:
    void drawCellFrame(QPainter &p, const QRect &r, int col, int row) override;
};

// The drop-down calendar of a date edit.
class TPopupCalendar : public QWidget
{
    Q_OBJECT
public:
    explicit TPopupCalendar(QWidget *edit);
    TLocCalendar *Calendar() const { return m_calendar; }
    QDate Value() const { return m_calendar->Model().CalendarDate(); }
    // The edit's text with its separators removed: empty or unreadable is today.
    void SetValueText(const QString &text, const QString &format);
    void SetValue(const QDate &d);
    void SetHints(const QStringList &hints);
    void ShowAt(const QPoint &globalPos);
    // Keys the edit hands over while the pop-up is open.
    bool HandleKey(int key, Qt::KeyboardModifiers mods, const QString &text);
    void UpdateTitle();

signals:
    void CloseUp(bool accept);

protected:
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    TLocCalendar *m_calendar;
    QLabel *m_title;
    TExTimerSpeedButton *m_buttons[4];
};

class TSelectDateDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TSelectDateDlg(QWidget *parent = nullptr);
    TExCalendar *Calendar() const { return m_calendar; }
    QLabel *TitleLabel() const { return m_title; }
    void SetHints(const QStringList &hints);
    void UpdateButtons();

public slots:
    void PrevYearBtnClick();
    void NextYearBtnClick();
    void PrevMonthBtnClick();
    void NextMonthBtnClick();
    void CalendarChange();
    void CalendarDblClick();
    void TopPanelDblClick();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    bool event(QEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    TExCalendar *m_calendar;
    QLabel *m_title;
    TExTimerSpeedButton *m_buttons[4];
};

// Where the dialog opens under (or above) an edit, given in screen pixels.
QPoint SelectDatePlacement(const QRect &editOnScreen, const QSize &dialog, const QSize &screen);

// The date edit's calendar dialog. An invalid date in means today; true
// when the user confirmed, with the date in `date`.
struct SelectDateOptions
{
    QString caption;
    QDate minDate, maxDate;
    QStringList hints;
    QColor weekendColor = QColor(255, 0, 0);
    unsigned weekends = 1u << dowSun;
    int startOfWeek = dowMon;
};
// Through the UI service of the edit's window (kv::UiOf).
bool RunSelectDateDialog(QWidget *edit, QDate &date, const SelectDateOptions &opt);

// The arrow glyphs of the navigation buttons: "PREV2", "PREV1", "NEXT1", "NEXT2".
QImage CalendarGlyph(const QString &name);

#pragma once
// A line edit with a button at its right end (TComboEdit), and the date edit
// built on it (TDateEdit) whose button opens the select-date dialog or a
// drop-down month calendar.
#include "controls/calendar.h"
#include "controls/speedbutton.h"

#include <QDate>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>

#include <functional>

class TPopupCalendar;

// The edit's button.
class TEditButton : public TExSpeedButton
{
    Q_OBJECT
public:
    explicit TEditButton(QWidget *parent = nullptr);
    bool skipNextClick = false;

protected:
    void paintEvent(QPaintEvent *e) override;
};

class TCustomComboEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
    enum TPopupAlign { epaRight, epaLeft };

    explicit TCustomComboEdit(QWidget *parent = nullptr);

    TEditButton *Button() const { return m_button; }
    int ButtonWidth() const { return m_buttonWidth; }
    void setButtonWidth(int w);            // 1 or less hides the button
    TGlyphKind GlyphKind() const { return m_glyphKind; }
    void setGlyphKind(TGlyphKind k);
    void setGlyph(const QImage &img);      // switches to gkCustom
    void setNumGlyphs(int n) { m_button->setNumGlyphs(n); }
    bool DirectInput() const { return m_directInput; }
    void setDirectInput(bool v);
    bool ReadOnly() const { return m_readOnly; }
    void setReadOnly(bool v);
    QKeySequence ClickKey() const { return m_clickKey; }
    void setClickKey(const QKeySequence &k) { m_clickKey = k; }
    TPopupAlign PopupAlign() const { return m_popupAlign; }
    void setPopupAlign(TPopupAlign a) { m_popupAlign = a; }
    void setButtonHint(const QString &h) { m_button->setToolTip(h); }
    bool PopupVisible() const { return m_popupOpen; }
    QWidget *Popup() const { return m_popup; }

    // The image of three dots of gkEllipsis for a button `buttonWidth` wide.
    static QImage EllipsisGlyph(int buttonWidth);
    // Where a drop-down of `popup` size opens under (or above) the edit.
    static QPoint PopupPlacement(const QRect &editOnScreen, const QSize &popup, const QSize &screen,
                                 TPopupAlign align);

    virtual void DoClick();                 // the button's click: OnButtonClick, then the pop-up
    virtual void PopupDropDown(bool disableEdit);
    virtual void PopupCloseUp(bool accept);

signals:
    void ButtonClick();
    void Change();

protected:
    virtual QImage DefaultGlyph(int &count) const;
    virtual void SetPopupValue();           // the edit's text into the pop-up
    virtual bool AcceptPopup() { return true; }
    virtual void AcceptValue();             // the pop-up's value into the edit
    virtual void PopupKeyChange() {}
    void setPopup(QWidget *popup);
    void arrange();

    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;

    bool m_popupOpen = false;

private:
    void applyGlyph();
    void buttonPressed();

    QWidget *m_container;
    TEditButton *m_button;
    QPointer<QWidget> m_popup;
    int m_buttonWidth = 21;
    TGlyphKind m_glyphKind = gkCustom;
    bool m_directInput = true, m_readOnly = false;
    QKeySequence m_clickKey = QKeySequence(Qt::ALT | Qt::Key_Down);
    TPopupAlign m_popupAlign = epaRight;
    bool m_wasTextChangeFromPopup = false;
};

class TComboEdit : public TCustomComboEdit
{
    Q_OBJECT
public:
    explicit TComboEdit(QWidget *parent = nullptr) : TCustomComboEdit(parent) {}
};

// "dd.MM.yyyy" for Qt from a format such as "DD/MM/YYYY" and the separator.
QString QtDateFormatOf(const QString &format, QChar separator);
// A Qt input mask from the system's mask ("!99/99/9999;1; " -> "00.00.0000; ").
QString QtInputMaskOf(const QString &mask, QChar separator);

class TDateEdit : public TCustomComboEdit
{
    Q_OBJECT
public:
    enum TYearDigits { dyDefault, dyFour, dyTwo };
    enum TCalendarStyle { csPopup, csDialog };

    explicit TDateEdit(QWidget *parent = nullptr);

    QDate Date() const;
    void SetDate(const QDate &d);           // throws kv::Error for a date out of range
    QDate MinDate() const { return m_min; }
    QDate MaxDate() const { return m_max; }
    void SetMinDate(const QDate &d);
    void SetMaxDate(const QDate &d);
    bool DateAutoBetween() const { return m_autoBetween; }
    void SetDateAutoBetween(bool v);
    bool DefaultToday() const { return m_defaultToday; }
    void SetDefaultToday(bool v) { m_defaultToday = v; }
    bool CheckOnExit() const { return m_checkOnExit; }
    void SetCheckOnExit(bool v) { m_checkOnExit = v; }
    QChar BlanksChar() const { return m_blanks; }
    void SetBlanksChar(QChar c);
    TYearDigits YearDigits() const { return m_yearDigits; }
    void SetYearDigits(TYearDigits d);
    TCalendarStyle CalendarStyle() const { return m_style; }
    void SetCalendarStyle(TCalendarStyle s);
    QString DialogTitle() const { return m_dialogTitle; }
    void SetDialogTitle(const QString &t) { m_dialogTitle = t; }
    QStringList CalendarHints() const { return m_hints; }
    void SetCalendarHints(const QStringList &h);
    int StartOfWeek() const { return m_startOfWeek; }
    void SetStartOfWeek(int d) { m_startOfWeek = d; }
    unsigned Weekends() const { return m_weekends; }
    void SetWeekends(unsigned w) { m_weekends = w; }
    QColor WeekendColor() const { return m_weekendColor; }
    void SetWeekendColor(const QColor &c) { m_weekendColor = c; }
    QString DateFormat() const { return m_format; }

    // Only blanks, spaces and separators.
    bool TextIsEmpty() const;
    // Parses the text and sets the date; throws kv::Error when it is no date.
    void CheckValidDate();

    // May change the date or refuse it.
    std::function<void(QDate &date, bool &accept)> OnAcceptDate;

    void DoClick() override;

protected:
    QImage DefaultGlyph(int &count) const override;
    void SetPopupValue() override;
    void AcceptValue() override;
    void keyPressEvent(QKeyEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    void UpdateFormat();
    QDate ClampDate(const QDate &d) const;
    void setDateText(const QDate &d);
    QString fmt(const QDate &d) const;

    QDate m_min, m_max;
    bool m_autoBetween = true, m_defaultToday = false, m_checkOnExit = false;
    QChar m_blanks = QLatin1Char(' ');
    TYearDigits m_yearDigits = dyDefault;
    TCalendarStyle m_style = csDialog;
    QString m_dialogTitle;
    QStringList m_hints;
    int m_startOfWeek = dowMon;
    unsigned m_weekends = 1u << dowSun;
    QColor m_weekendColor = QColor(255, 0, 0);
    QString m_format, m_mask;
    bool m_checking = false;
    TPopupCalendar *m_calendar = nullptr;
};

#pragma once
// The small modal dialogs of the warehouse: adding standard sheets, the
// quantity of sheets, the off-cut intake thresholds, the marking data, the
// date filter and the day chooser.
#include "data/matoptions.h"
#include "data/stock/stock.h"

#include <QDate>
#include <QDialog>
#include <QList>
#include <QPair>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDateEdit;
class TExCalendar;
class TExSpinEdit;
namespace kv {
class Ui;
}

// "Добавление листов".
class TfrmAddSheets : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAddSheets(QWidget *parent = nullptr);
    // The materials without the all-materials entry; `current` preselected.
    void SetMaterials(const kv::MaterialList &materials, int current);
    int SheetLength() const;
    int SheetWidth() const;
    int Quantity() const;
    int MaterialCode() const;   // -1 when none is chosen

public slots:
    void bbOkClick();

private:
    QComboBox *cbMaterial;
    TExSpinEdit *seLength, *seWidth, *seQuantity;
};

// "Количество листов": the entered number, or -1 on Cancel.
int ExecuteChangeSheetsQuantity(kv::Ui &ui, int start, QWidget *parent = nullptr);

// "Параметры поступления остатков".
class TfmClearScraps : public QDialog
{
    Q_OBJECT
public:
    explicit TfmClearScraps(QWidget *parent = nullptr);
    void SetMaterialName(const QString &name);
    // Areas go from square millimetres to square metres and back.
    void Load(const kv::TScrapSettings &s);
    kv::TScrapSettings Read() const;

public slots:
    void UpdateStates();

protected:
    void showEvent(QShowEvent *e) override;

private:
    QLabel *lbScrapsName;
    QCheckBox *chbLength, *chbHeight, *chbSquare, *chbSquareWidth, *chbSquareHeight, *chbLogicSumma, *cbxDelScraps;
    TExSpinEdit *seWidth, *seHeight, *seSquare, *seSquareWidth, *seSquareHeight;
    QLabel *lbWidthUnit, *lbHeightUnit, *lbSquareUnit, *lbSquareWidthUnit, *lbSquareHeightUnit;
};

// "Маркировка остатков".
class TfrmInputMarkerData : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmInputMarkerData(QWidget *parent = nullptr);
    // The dialog shows the start number: the last number given + 1.
    void Load(const kv::TMarkSettings &m);
    // The last number given = start number - 1.
    kv::TMarkSettings Read() const;

public slots:
    void chbNumberingClick();

protected:
    void showEvent(QShowEvent *e) override;

private:
    QLineEdit *edPrefix, *edSuffix;
    QCheckBox *chbNumbering;
    QLabel *lbStart;
    TExSpinEdit *seMaxNumber;
};

// "Фильтр": the date range of the off-cut list.
class TfrmInputDateFilter : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmInputDateFilter(QWidget *parent = nullptr);
    void SetRange(const kv::DateRange &r);
    bool ShowAll() const;
    // Valid after OK without "Показать все отходы".
    kv::DateRange Range() const { return m_range; }

public slots:
    void bbOkClick();
    void UpdateStates();

protected:
    void showEvent(QShowEvent *e) override;

private:
    TDateEdit *dtFrom, *dtBefore;
    QLabel *lbFrom, *lbBefore;
    QCheckBox *cbShowAll;
    kv::DateRange m_range;
};

// "Выбор дня".
class TfrmSelectDate : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kFirstYear = 1900;
    static constexpr int kLastYear = 2999;

    explicit TfrmSelectDate(QWidget *parent = nullptr);
    // Shows the date through `ui`; on OK the date becomes the calendar's day.
    bool Execute(kv::Ui &ui, QDate &date);
    void SetDate(const QDate &d);
    QDate SelectedDate() const;

public slots:
    void cbMonthChange(int index);
    void seYearChange();

private:
    void showCalendarDate();
    TExCalendar *Calendar;
    QComboBox *cbMonth;
    TExSpinEdit *seYear;
    bool m_updating = false;
};

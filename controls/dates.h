#pragma once
// Typed date texts into dates, by the short date format of the program or an
// explicit format, and the format and edit mask a date edit uses. Everything
// that depends on the clock or the locale comes in through DateLocale, so the
// routines are pure and the tests fix "today".
#include <QChar>
#include <QDate>
#include <QString>
#include <QStringList>

namespace kv {

enum class DateOrder { MDY, DMY, YMD };

struct DateLocale
{
    QString shortDateFormat = QStringLiteral("dd.mm.yyyy");
    QChar dateSeparator = QLatin1Char('.');
    QStringList longMonthNames;   // 12 names, January first
    int currentYear = 2000;
};

// The program's settings ("dd.mm.yyyy", ".", Russian month names) and the
// year of the local clock.
DateLocale SystemDateLocale();
QStringList RussianMonthNames();

bool YearIsLeap(int year);
int MonthDays(int year, int month);                 // 0 for a month outside 1..12
bool IsValidDateParts(int year, int month, int day);
int CurrentYear();                                  // year of the local clock

// Date values as whole days since 30.12.1899; 0 is the null date (no date),
// which is an invalid QDate here.
double DateToValue(const QDate &date);
QDate ValueToDate(double value);
bool IsValidDateValue(double value);

DateOrder LocaleDateOrder(const QString &dateFormat);
// A year below 100 lands in the hundred years that begin 60 years before
// the current year: with 2026, 0..65 give 2000..2065 and 66..99 1966..1999.
int ExpandTwoDigitYear(int year, int currentYear);

// Empty text gives the null date and success. The text is first read under
// the format's letters (D, M or MMM, Y), then by the locale's order with the
// locale's separator ("5.3" is 5 March of the current year).
bool TryParseDateWithFormat(const QString &format, const QString &text, QDate &date,
                            const DateLocale &loc = SystemDateLocale());
// Throws kv::Error "''<text>'' - неверная дата" when the text is no date.
QDate ParseDateWithFormat(const QString &format, const QString &text,
                          const DateLocale &loc = SystemDateLocale());
QDate ParseDateWithFormatOr(const QString &format, const QString &text, const QDate &def,
                            const DateLocale &loc = SystemDateLocale());

// "DD/MM/YYYY" and the like by the locale's order; "/" stands for the
// locale's separator.
QString DateFormatForLocale(bool fourDigitYear, const DateLocale &loc = SystemDateLocale());
// "!99/99/9999;1;" and the like, followed by the blanks character.
QString DateMaskForLocale(QChar blanks, bool fourDigitYear, const DateLocale &loc = SystemDateLocale());
// Whether the locale's short date format shows four-digit years.
bool FourDigitYearDefault(const DateLocale &loc = SystemDateLocale());

} // namespace kv

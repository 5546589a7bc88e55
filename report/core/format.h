#pragma once
// Number and date-time formatting of the report engine: the platform's format
// codes ("#,##0.00", "dd.mm.yyyy", "mmmm"), emulated with an explicit settings
// object so that nothing depends on the user's locale.
#include <QDate>
#include <QString>
#include <QStringList>

struct TrpFormatSettings
{
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandSeparator = QChar(0x00A0);      // no-break space, as the Russian locale has it
    QChar dateSeparator = QLatin1Char('.');
    QChar timeSeparator = QLatin1Char(':');
    QString shortDateFormat = QStringLiteral("dd.mm.yyyy");
    QString longDateFormat = QStringLiteral("d mmmm yyyy 'г.'");
    QString shortTimeFormat = QStringLiteral("h:nn");
    QString longTimeFormat = QStringLiteral("h:nn:ss");
    QString timeAMString;
    QString timePMString;
    QStringList shortMonthNames;   // 12 names, January first
    QStringList longMonthNames;
    QStringList shortDayNames;     // 7 names, Sunday first
    QStringList longDayNames;

    TrpFormatSettings();
    // The settings the program runs with ("." and "dd.mm.yyyy", Russian names).
    static const TrpFormatSettings &standard();
};

// Date-time values are days since 30.12.1899 with the time as the fraction.
double rpEncodeDate(int year, int month, int day);          // day count of a valid date
double rpEncodeTime(int hour, int min, int sec, int msec);  // fraction of a day
double rpDateToValue(const QDate &d);
QDate rpValueToDate(double dt);
// Splits the time of a day-count value into its parts (milliseconds rounded).
void rpDecodeTime(double dt, int &hour, int &min, int &sec, int &msec);

// The shortest general form with 15 significant digits ("2.5", "1E20", "1E-5").
QString rpFloatToStr(double v, const TrpFormatSettings &fs = TrpFormatSettings::standard());
// Fixed notation with the given decimals; with thousands separators when grouped.
QString rpFloatToStrFixed(double v, int decimals, bool grouped,
                          const TrpFormatSettings &fs = TrpFormatSettings::standard());
// Platform number format codes: sections "pos;neg;zero", "0", "#", ".", ",",
// "E+", "E-", quoted literals. An empty format gives rpFloatToStr.
QString rpFormatFloat(const QString &format, double v,
                      const TrpFormatSettings &fs = TrpFormatSettings::standard());
// Platform date-time format codes (d, dd, ddd, dddd, ddddd, dddddd, m..mmmm,
// yy, yyyy, h, hh, n, nn, s, ss, z, zzz, t, tt, c, am/pm, a/p, ampm, /, :, quotes).
QString rpFormatDateTime(const QString &format, double dt,
                         const TrpFormatSettings &fs = TrpFormatSettings::standard());
QString rpDateTimeToStr(double dt, const TrpFormatSettings &fs = TrpFormatSettings::standard());

// Reading dates and times typed in the short forms; EConvertError on failure.
double rpStrToDate(const QString &s, const TrpFormatSettings &fs = TrpFormatSettings::standard());
double rpStrToTime(const QString &s, const TrpFormatSettings &fs = TrpFormatSettings::standard());
double rpStrToDateTime(const QString &s, const TrpFormatSettings &fs = TrpFormatSettings::standard());

// Edit-mask formatting: the mask "mask;0; " places the characters of text into
// the mask's blanks and inserts its literals.
QString rpFormatMaskText(const QString &editMask, const QString &text,
                         const TrpFormatSettings &fs = TrpFormatSettings::standard());

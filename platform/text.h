#pragma once
// Text as the system's files hold it (code page 1251) and the number, date and
// list formatting the program relies on. Never depends on the user's locale.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace kv {

// Code page 1251. Every byte maps to one character and back (0x98, unused in
// the code page, maps to U+0098). A character without a code becomes '?'.
QString fromCp1251(std::string_view bytes);
QString fromCp1251(const QByteArray &bytes);
QByteArray toCp1251(const QString &text);
char toCp1251Char(QChar c);          // '?' when unmappable
QChar fromCp1251Char(unsigned char b);

// Upper and lower case, Latin and Cyrillic (cp1251 repertoire), locale-free.
QString upperCase(const QString &s);
QString lowerCase(const QString &s);
bool sameText(const QString &a, const QString &b);   // case-insensitive equality
int compareText(const QString &a, const QString &b); // case-insensitive order
// Without the trailing blanks that fixed-width table fields pad text with.
QString trimRight(const QString &s);

// Rounding of the system: halves to the even neighbour.
double roundHalfEven(double v);
long long roundToInt64(double v);    // halves to even, saturating

// Fixed notation with `digits` decimals (clamped to 0..18): the shortest decimal
// form of v is rounded half away from zero, so 1.005 -> "1.01". No point when
// digits is 0. The separator is always '.'.
QString formatFixed(double v, int digits);
// Shortest decimal text that reads back as v ("1.5", "2", "-0.25").
QString formatShortest(double v);
// Parses a decimal number with '.' (',' accepted too); ok=false when it does not.
double parseFloat(const QString &s, bool *ok = nullptr);

// Dates in the system's short form "dd.mm.yyyy".
QString formatDate(const QDate &d);
QDate parseDateDMY(const QString &s);    // strict "d.m.yyyy"; invalid on failure

// The system's day count: whole days since 30.12.1899 (day 0), the integer
// part of its date-time values.
qint64 daysSince1899(const QDate &d);
QDate dateFromDays1899(qint64 days);

// Comma text: items joined by ','; an item that is empty or holds a blank, a
// control character, a comma or a quote is quoted with inner quotes doubled.
QString toCommaText(const QStringList &items);
QStringList fromCommaText(const QString &text);

// A text the report engine's windows and the shared widgets show: written in
// English in the code, shown in the program's language through its own
// translation file once that is loaded (as written without it).
inline constexpr const char *kUiTextContext = "korvalt";
QString uiText(const char *english);
QString uiText(const QString &english);

} // namespace kv

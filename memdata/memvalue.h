#pragma once
// Field types of the in-memory dataset and the stored form of their values.
//
// A stored value is a QVariant, invalid when the value is missing (null):
//   string, wide string          QString, cut to the field's size
//   smallint, integer, word,
//   auto-increment               int
//   largeint                     qlonglong
//   boolean                      bool
//   float, currency, BCD         double (BCD kept to four decimals)
//   date                         int, day number (1 = 01.01.0001)
//   time                         int, milliseconds since midnight
//   date-time                    double, day number * 86400000 + milliseconds of the day
// Blob fields keep their bytes outside the record.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>

namespace kv {

// The numbers are the type codes of the stored "Data" stream.
enum class MemFieldType : quint16 {
    Unknown = 0,
    String = 1, Smallint = 2, Integer = 3, Word = 4, Boolean = 5, Float = 6,
    Currency = 7, BCD = 8, Date = 9, Time = 10, DateTime = 11, AutoInc = 12,
    Blob = 13, Memo = 14, Graphic = 15, FmtMemo = 16, ParadoxOle = 17,
    DBaseOle = 18, TypedBinary = 19, WideString = 20, Largeint = 21,
    // Types a dataset may declare but the in-memory table cannot hold.
    Bytes = 100, VarBytes, FixedChar, Cursor, ADT, Array, Reference, DataSet,
    Variant, Interface, Guid,
};

constexpr int kDateDelta = 693594;             // day number of 30.12.1899
constexpr double kMSecsPerDay = 86400000.0;

bool memTypeSupported(MemFieldType t);
bool memTypeIsBlob(MemFieldType t);
bool memTypeIsString(MemFieldType t);           // string or wide string
bool memTypeIsMemoLike(MemFieldType t);         // blob fields whose value is text
bool memTypeIsAutoNumbered(MemFieldType t);
MemFieldType memTypeFromCode(int code);         // Unknown for codes outside 1..21
QString memTypeName(MemFieldType t);

// Bytes one value takes in the native record buffer (0 for blobs).
int memNativeSize(MemFieldType t, int size);

// Day numbers and milliseconds as the stored forms hold them.
int memDayNumber(const QDate &d);
QDate memDateFromDay(int day);
int memTimeMSecs(const QTime &t);
QTime memTimeFromMSecs(int ms);
double memDateTimeMSecs(const QDateTime &dt);
QDateTime memDateTimeFromMSecs(double ms);

// Converts a caller's value (number, text, date, bool ...) to the stored form.
// A null or empty-text value gives null. Throws kv::Error when it does not convert.
QVariant memToStored(MemFieldType t, int size, const QVariant &value);
// The stored form as callers see it (QDate, QTime, QDateTime for the date types).
QVariant memFromStored(MemFieldType t, const QVariant &stored);
// Field text of a stored value, read back by memToStored.
QString memStoredText(MemFieldType t, const QVariant &stored);

// Comparison of two stored values: null equals null and sorts before anything.
int memCompareText(const QString &a, const QString &b, bool caseInsensitive);
int memCompareValues(MemFieldType t, const QVariant &a, const QVariant &b, bool caseInsensitive);
// Date, time and date-time values in milliseconds, as comparisons see them.
double memMSecsOf(MemFieldType t, const QVariant &stored);

} // namespace kv

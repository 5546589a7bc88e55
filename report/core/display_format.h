#pragma once
// How memos print values: the 32-bit format code (category, sub-format,
// decimals, decimal separator) and the inline format after " #" in a
// bracketed expression.
#include <QString>

#include "report/core/format.h"
#include "report/core/value.h"

enum TrpFormatCategory { rpfcText = 0, rpfcNumber = 1, rpfcDate = 2, rpfcTime = 3, rpfcBoolean = 4 };
constexpr int rpfsCustom = 4;

// bits 24-27 category, 16-23 sub-format, 8-15 decimals, 0-7 decimal separator.
constexpr int rpMakeFormatCode(int category, int subFormat, int decimals, char separator)
{
    return (category & 0x0F) << 24 | (subFormat & 0xFF) << 16 | (decimals & 0xFF) << 8 | (quint8(separator));
}
inline int rpFormatCategory(int code) { return (code >> 24) & 0x0F; }
inline int rpFormatSubFormat(int code) { return (code >> 16) & 0xFF; }
inline int rpFormatDecimals(int code) { return (code >> 8) & 0xFF; }
inline QChar rpFormatSeparator(int code) { return QChar(char16_t(code & 0xFF)); }

// Reads the inline format text (what follows " #"); false when it is not one.
bool rpParseInlineFormat(const QString &inlineFormat, int &code, QString &formatText);

// The printed text of a value. Null, empty and blank texts print nothing;
// a number category given a text that is no number prints the text.
QString rpFormatValue(const TrpValue &value, int code, const QString &formatText,
                      const TrpFormatSettings &fs = TrpFormatSettings::standard());

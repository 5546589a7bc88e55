#include "report/core/display_format.h"

#include "report/core/utils.h"

bool rpParseInlineFormat(const QString &inlineFormat, int &code, QString &formatText)
{
    QString f = inlineFormat.trimmed();
    if (f.isEmpty()) return false;
    const QChar first = f.at(0);
    if (first.isDigit() && first.unicode() < 128) f.prepend(QLatin1Char('N'));
    const QChar kind = f.at(0).toUpper();
    if (kind == QLatin1Char('N')) {
        QString rest = f.mid(1);
        char separator = '.';
        qsizetype sepPos = -1;
        for (qsizetype i = rest.size() - 1; i >= 0; --i)
            if (rest.at(i) == QLatin1Char(',') || rest.at(i) == QLatin1Char('-') || rest.at(i) == QLatin1Char('.')) {
                sepPos = i;
                separator = char(rest.at(i).unicode());
                rest[i] = QLatin1Char('.');
                break;
            }
        if (!rest.isEmpty() && rest.at(0).isDigit()) {
            const int decimals = sepPos < 0 ? 0 : int(rest.size() - sepPos - 1);
            code = rpMakeFormatCode(rpfcNumber, 1, decimals, separator);
            formatText.clear();
        } else {
            code = rpMakeFormatCode(rpfcNumber, rpfsCustom, 0, separator);
            formatText = rest;
        }
        return true;
    }
    if (kind == QLatin1Char('D') || kind == QLatin1Char('T')) {
        code = rpMakeFormatCode(kind == QLatin1Char('D') ? rpfcDate : rpfcTime, rpfsCustom, 0, '.');
        formatText = f.mid(1);
        return true;
    }
    if (kind == QLatin1Char('B')) {
        code = rpMakeFormatCode(rpfcBoolean, rpfsCustom, 0, '.');
        formatText = f.mid(1);
        return true;
    }
    return false;
}

QString rpFormatValue(const TrpValue &value, int code, const QString &formatText, const TrpFormatSettings &fs)
{
    if (value.isNull() || value.isEmpty()) return QString();
    if (value.type() == TrpValue::Text && value.toText().trimmed().isEmpty()) return QString();
    const int sub = rpFormatSubFormat(code);
    const int decimals = rpFormatDecimals(code);
    switch (rpFormatCategory(code)) {
    case rpfcNumber: {
        double v = 0;
        try {
            v = value.toFloat();
        } catch (const EConvertError &) {
            return value.toText();
        }
        TrpFormatSettings s = fs;
        if (const QChar sep = rpFormatSeparator(code); !sep.isNull()) s.decimalSeparator = sep;
        switch (sub) {
        case 0: return rpFormatFloat(QStringLiteral("##0.") + QString(decimals, QLatin1Char('#')), v, s);
        case 1: return rpFloatToStrFixed(v, decimals, false, s);
        case 2: return rpFormatFloat(QStringLiteral("#,##0.") + QString(decimals, QLatin1Char('#')), v, s);
        case 3: return rpFloatToStrFixed(v, decimals, true, s);
        default: return rpFormatFloat(formatText, v, s);
        }
    }
    case rpfcDate:
    case rpfcTime: {
        const double dt = value.type() == TrpValue::Text ? rpStrToDateTime(value.toText(), fs) : value.toFloat();
        QString f = formatText;
        if (rpFormatCategory(code) == rpfcDate) {
            if (sub <= 2) f = LoadEngineString(55175 + sub);
            else if (sub == 3) f = fs.longDateFormat;
        } else if (sub <= 3) {
            f = LoadEngineString(55179 + sub);
        }
        return rpFormatDateTime(f, dt, fs);
    }
    case rpfcBoolean: {
        const QString f = sub < rpfsCustom ? LoadEngineString(55170 + sub) : formatText;
        const qsizetype semi = f.indexOf(QLatin1Char(';'));
        bool set = false;
        try {
            set = value.toInteger() != 0;
        } catch (const EConvertError &) {
            set = value.toBool();
        }
        if (semi < 0) return set ? QString() : f;
        return set ? f.mid(semi + 1) : f.left(semi);
    }
    default:
        return value.toText();
    }
}

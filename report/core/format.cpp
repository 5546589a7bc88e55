#include "report/core/format.h"

#include <charconv>
#include <cmath>

#include "platform/text.h"
#include "report/core/clock.h"
#include "report/core/value.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

// Digits and decimal exponent of |v| rounded to `sig` significant digits:
// v = 0.DIGITS * 10^exp10 (the digit string has exactly `sig` digits).
void sigDigits(double v, int sig, std::string &digits, int &exp10)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, sig - 1);
    std::string s(buf, res.ptr);
    const auto e = s.find('e');
    digits.clear();
    for (size_t i = 0; i < e; ++i)
        if (s[i] != '.') digits += s[i];
    exp10 = std::stoi(s.substr(e + 1)) + 1;
}

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

bool startsWithCI(const QString &s, qsizetype i, const char *what)
{
    const QString w = QString::fromLatin1(what);
    return s.mid(i, w.size()).compare(w, Qt::CaseInsensitive) == 0;
}

QStringList splitSections(const QString &format)
{
    QStringList out;
    QString cur;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            out << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    out << cur;
    return out;
}

struct NumberPattern
{
    int intPlaceholders = 0;
    int firstIntZero = -1;
    int fracPlaceholders = 0;
    int lastFracZero = 0;
    bool thousands = false;
    bool scientific = false;
    int expDigits = 0;

    explicit NumberPattern(const QString &sec)
    {
        bool point = false;
        QChar quote;
        for (qsizetype i = 0; i < sec.size(); ++i) {
            const QChar c = sec.at(i);
            if (!quote.isNull()) { if (c == quote) quote = QChar(); continue; }
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) { quote = c; continue; }
            if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
                if (!point) {
                    if (c == QLatin1Char('0') && firstIntZero < 0) firstIntZero = intPlaceholders;
                    ++intPlaceholders;
                } else {
                    ++fracPlaceholders;
                    if (c == QLatin1Char('0')) lastFracZero = fracPlaceholders;
                }
            } else if (c == QLatin1Char('.')) {
                point = true;
            } else if (c == QLatin1Char(',')) {
                thousands = true;
            } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < sec.size()
                       && (sec.at(i + 1) == QLatin1Char('+') || sec.at(i + 1) == QLatin1Char('-'))) {
                scientific = true;
                i += 2;
                while (i < sec.size() && sec.at(i) == QLatin1Char('0')) { ++expDigits; ++i; }
                break;
            }
        }
    }
    int minIntDigits() const { return firstIntZero < 0 ? 0 : intPlaceholders - firstIntZero; }
};

// Formats |v| by one section; `isZero` tells whether the shown digits are all 0.
QString formatSection(const QString &sec, double v, const TrpFormatSettings &fs, bool &isZero)
{
    const NumberPattern p(sec);
    QString ip, fp;
    int shownExp = 0;
    if (p.scientific) {
        const int ints = std::max(1, p.intPlaceholders);
        std::string digits;
        int exp10 = 0;
        sigDigits(v, ints + p.fracPlaceholders, digits, exp10);
        if (v == 0) exp10 = ints;
        ip = QString::fromLatin1(digits.substr(0, size_t(ints)).c_str());
        fp = QString::fromLatin1(digits.substr(size_t(ints)).c_str());
        shownExp = exp10 - ints;
    } else {
        const QString fixed = kv::formatFixed(std::fabs(v), p.fracPlaceholders);
        const qsizetype dot = fixed.indexOf(QLatin1Char('.'));
        ip = dot < 0 ? fixed : fixed.left(dot);
        fp = dot < 0 ? QString() : fixed.mid(dot + 1);
        if (ip == QLatin1String("0")) ip.clear();
        while (ip.size() < p.minIntDigits()) ip.prepend(QLatin1Char('0'));
    }
    isZero = true;
    for (QChar c : ip + fp) if (c != QLatin1Char('0')) isZero = false;
    while (fp.size() > p.lastFracZero && fp.endsWith(QLatin1Char('0'))) fp.chop(1);

    QString out;
    const int n = p.intPlaceholders;
    const int len = int(ip.size());
    int intIdx = 0, fracIdx = 0;
    bool point = false;
    QChar quote;
    auto emitInt = [&](int j) {
        if (p.thousands && !p.scientific && j > 0 && (len - j) % 3 == 0) out += fs.thousandSeparator;
        out += ip.at(j);
    };
    for (qsizetype i = 0; i < sec.size(); ++i) {
        const QChar c = sec.at(i);
        if (!quote.isNull()) {
            if (c == quote) quote = QChar(); else out += c;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) { quote = c; continue; }
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (!point) {
                if (intIdx == 0)
                    for (int j = 0; j < len - n; ++j) emitInt(j);
                const int j = intIdx - n + len;
                if (j >= 0) emitInt(j);
                ++intIdx;
            } else {
                if (fracIdx < fp.size()) out += fp.at(fracIdx);
                ++fracIdx;
            }
        } else if (c == QLatin1Char('.')) {
            if (!point) {
                if (n == 0) for (int j = 0; j < len; ++j) emitInt(j);
                if (!fp.isEmpty()) out += fs.decimalSeparator;
                point = true;
            }
        } else if (c == QLatin1Char(',')) {
            // grouping flag only
        } else if (p.scientific && (c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < sec.size()
                   && (sec.at(i + 1) == QLatin1Char('+') || sec.at(i + 1) == QLatin1Char('-'))) {
            out += c;
            if (shownExp < 0) out += QLatin1Char('-');
            else if (sec.at(i + 1) == QLatin1Char('+')) out += QLatin1Char('+');
            QString e = QString::number(std::abs(shownExp));
            while (e.size() < std::max(1, p.expDigits)) e.prepend(QLatin1Char('0'));
            out += e;
            i += 2;
            while (i < sec.size() && sec.at(i) == QLatin1Char('0')) ++i;
            --i;
        } else {
            out += c;
        }
    }
    if (n == 0 && !point) for (int j = 0; j < len; ++j) emitInt(j);   // "#" never reached
    return out;
}

// Reads up to three numbers separated by `sep`; returns how many were read.
int scanNumbers(const QString &s, QChar sep, int *out, int maxCount, qsizetype &pos)
{
    int count = 0;
    while (count < maxCount) {
        while (pos < s.size() && s.at(pos) == QLatin1Char(' ')) ++pos;
        const qsizetype start = pos;
        while (pos < s.size() && s.at(pos).isDigit() && s.at(pos).unicode() < 128) ++pos;
        if (pos == start || pos - start > 9) return -1;
        out[count++] = s.mid(start, pos - start).toInt();
        if (pos < s.size() && s.at(pos) == sep) { ++pos; continue; }
        break;
    }
    return count;
}

bool scanDate(const QString &s, qsizetype &pos, double &result, const TrpFormatSettings &fs)
{
    int n[3] = {0, 0, 0};
    const int count = scanNumbers(s, fs.dateSeparator, n, 3, pos);
    if (count < 2) return false;
    // The order of day, month and year follows the short date format.
    const QString order = fs.shortDateFormat.toLower();
    const qsizetype dPos = order.indexOf(QLatin1Char('d')), mPos = order.indexOf(QLatin1Char('m')),
                    yPos = order.indexOf(QLatin1Char('y'));
    int day = 0, month = 0, year = rpToday().year();
    bool yearGiven = count == 3;
    if (yPos < mPos && yPos < dPos) {              // y m d
        if (count == 3) { year = n[0]; month = n[1]; day = n[2]; }
        else { month = n[0]; day = n[1]; }
    } else if (mPos < dPos) {                      // m d y
        month = n[0]; day = n[1]; if (count == 3) year = n[2];
    } else {                                       // d m y
        day = n[0]; month = n[1]; if (count == 3) year = n[2];
    }
    if (yearGiven && year < 100) year += rpToday().year() / 100 * 100;
    const QDate d(year, month, day);
    if (!d.isValid()) return false;
    result = kv::daysSince1899(d);
    return true;
}

bool scanTime(const QString &s, qsizetype &pos, double &result, const TrpFormatSettings &fs)
{
    int n[3] = {0, 0, 0};
    const int count = scanNumbers(s, fs.timeSeparator, n, 3, pos);
    if (count < 2) return false;
    int msec = 0;
    if (count == 3 && pos < s.size() && s.at(pos) == fs.decimalSeparator) {
        ++pos;
        const qsizetype st = pos;
        while (pos < s.size() && s.at(pos).isDigit() && pos - st < 3) ++pos;
        if (pos == st) return false;
        msec = s.mid(st, pos - st).leftJustified(3, QLatin1Char('0')).toInt();
    }
    int hour = n[0];
    while (pos < s.size() && s.at(pos) == QLatin1Char(' ')) ++pos;
    const QString rest = s.mid(pos);
    auto suffix = [&](const QString &name, const char *fallback) {
        for (const QString &w : {name, QString::fromLatin1(fallback)})
            if (!w.isEmpty() && rest.startsWith(w, Qt::CaseInsensitive)) { pos += w.size(); return true; }
        return false;
    };
    if (suffix(fs.timeAMString, "AM")) { if (hour > 12) return false; if (hour == 12) hour = 0; }
    else if (suffix(fs.timePMString, "PM")) { if (hour > 12) return false; if (hour < 12) hour += 12; }
    if (hour > 23 || n[1] > 59 || n[2] > 59) return false;
    result = rpEncodeTime(hour, n[1], n[2], msec);
    return true;
}

bool atEnd(const QString &s, qsizetype pos)
{
    while (pos < s.size() && s.at(pos) == QLatin1Char(' ')) ++pos;
    return pos == s.size();
}

} // namespace

TrpFormatSettings::TrpFormatSettings()
{
    longMonthNames = {u("Январь"), u("Февраль"), u("Март"), u("Апрель"), u("Май"), u("Июнь"),
                      u("Июль"), u("Август"), u("Сентябрь"), u("Октябрь"), u("Ноябрь"), u("Декабрь")};
    shortMonthNames = {u("янв"), u("фев"), u("мар"), u("апр"), u("май"), u("июн"),
                       u("июл"), u("авг"), u("сен"), u("окт"), u("ноя"), u("дек")};
    shortDayNames = {u("Вс"), u("Пн"), u("Вт"), u("Ср"), u("Чт"), u("Пт"), u("Сб")};
    longDayNames = {u("воскресенье"), u("понедельник"), u("вторник"), u("среда"),
                    u("четверг"), u("пятница"), u("суббота")};
}

const TrpFormatSettings &TrpFormatSettings::standard()
{
    static const TrpFormatSettings s;
    return s;
}

double rpEncodeDate(int year, int month, int day)
{
    return double(kv::daysSince1899(QDate(year, month, day)));
}

double rpEncodeTime(int hour, int min, int sec, int msec)
{
    return (double(hour) * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / 86400000.0;
}

double rpDateToValue(const QDate &d) { return double(kv::daysSince1899(d)); }

QDate rpValueToDate(double dt)
{
    if (!std::isfinite(dt) || std::fabs(dt) > 3e6) return QDate();
    return kv::dateFromDays1899(qint64(std::trunc(dt)));
}

void rpDecodeTime(double dt, int &hour, int &min, int &sec, int &msec)
{
    double f = std::isfinite(dt) ? std::fabs(dt - std::trunc(dt)) : 0;
    long long ms = std::llround(f * 86400000.0);
    if (ms >= 86400000) ms = 86399999;
    hour = int(ms / 3600000);
    min = int(ms / 60000 % 60);
    sec = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

QString rpFloatToStr(double v, const TrpFormatSettings &fs)
{
    if (std::isnan(v)) return QStringLiteral("NAN");
    if (std::isinf(v)) return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (v == 0) return QStringLiteral("0");
    std::string d;
    int e = 0;
    sigDigits(v, 15, d, e);
    while (d.size() > 1 && d.back() == '0') d.pop_back();
    QString out = v < 0 ? QStringLiteral("-") : QString();
    const QString digits = QString::fromLatin1(d.c_str());
    if (e > 15 || e < -3) {
        out += digits.left(1);
        if (digits.size() > 1) out += fs.decimalSeparator + digits.mid(1);
        out += QLatin1Char('E') + QString::number(e - 1);
    } else if (e <= 0) {
        out += QLatin1Char('0') + QString(fs.decimalSeparator) + QString(-e, QLatin1Char('0')) + digits;
    } else if (digits.size() <= e) {
        out += digits + QString(e - digits.size(), QLatin1Char('0'));
    } else {
        out += digits.left(e) + fs.decimalSeparator + digits.mid(e);
    }
    return out;
}

QString rpFloatToStrFixed(double v, int decimals, bool grouped, const TrpFormatSettings &fs)
{
    QString s = kv::formatFixed(v, decimals);
    if (!std::isfinite(v)) return s;
    const bool neg = s.startsWith(QLatin1Char('-'));
    if (neg) s.remove(0, 1);
    qsizetype dot = s.indexOf(QLatin1Char('.'));
    QString ip = dot < 0 ? s : s.left(dot);
    const QString fp = dot < 0 ? QString() : s.mid(dot + 1);
    if (grouped)
        for (qsizetype i = ip.size() - 3; i > 0; i -= 3) ip.insert(i, fs.thousandSeparator);
    QString out = (neg ? QStringLiteral("-") : QString()) + ip;
    if (!fp.isEmpty()) out += fs.decimalSeparator + fp;
    return out;
}

QString rpFormatFloat(const QString &format, double v, const TrpFormatSettings &fs)
{
    if (format.isEmpty()) return rpFloatToStr(v, fs);
    if (!std::isfinite(v)) return rpFloatToStr(v, fs);
    const QStringList sec = splitSections(format);
    auto pick = [&](int i) { return (i < sec.size() && !sec[i].isEmpty()) ? sec[i] : sec[0]; };
    bool zero = false;
    if (v < 0 && sec.size() > 1 && !sec[1].isEmpty()) {
        const QString s = formatSection(sec[1], v, fs, zero);
        if (zero && sec.size() > 2 && !sec[2].isEmpty()) return formatSection(sec[2], 0, fs, zero);
        return s;
    }
    QString s = formatSection(pick(0), v, fs, zero);
    if (zero && sec.size() > 2 && !sec[2].isEmpty()) return formatSection(sec[2], 0, fs, zero);
    if (v < 0 && !zero) s.prepend(QLatin1Char('-'));
    return s;
}

QString rpFormatDateTime(const QString &format, double dt, const TrpFormatSettings &fs)
{
    if (format.isEmpty()) return rpFormatDateTime(QStringLiteral("c"), dt, fs);
    const QDate date = rpValueToDate(dt);
    int hour = 0, minute = 0, second = 0, msec = 0;
    rpDecodeTime(dt, hour, minute, second, msec);

    // Am/pm markers anywhere in the format switch hours to the 12-hour clock.
    bool twelve = false;
    {
        QChar quote;
        for (qsizetype i = 0; i < format.size(); ++i) {
            const QChar c = format.at(i);
            if (!quote.isNull()) { if (c == quote) quote = QChar(); continue; }
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) { quote = c; continue; }
            if (startsWithCI(format, i, "am/pm") || startsWithCI(format, i, "a/p") || startsWithCI(format, i, "ampm"))
                twelve = true;
        }
    }

    QString out;
    bool lastHour = false;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        const QChar lc = c.toLower();
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(c, i + 1);
            out += format.mid(i + 1, (end < 0 ? format.size() : end) - i - 1);
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        qsizetype n = 1;
        while (i + n < format.size() && format.at(i + n).toLower() == lc) ++n;
        // "m" right after an hour (other letters in between reset it) means minutes.
        bool minutes = false;
        if (lc >= QLatin1Char('a') && lc <= QLatin1Char('z')) {
            minutes = lc == QLatin1Char('m') && lastHour;
            lastHour = lc == QLatin1Char('h');
        }
        if (lc == QLatin1Char('a')) {
            const bool pm = hour >= 12;
            if (startsWithCI(format, i, "am/pm")) {
                const QString t = format.mid(i, 5);
                out += pm ? t.right(2) : t.left(2);
                i += 5;
            } else if (startsWithCI(format, i, "a/p")) {
                out += pm ? format.at(i + 2) : format.at(i);
                i += 3;
            } else if (startsWithCI(format, i, "ampm")) {
                out += pm ? fs.timePMString : fs.timeAMString;
                i += 4;
            } else {
                out += c;
                ++i;
            }
            continue;
        }
        const bool dateOk = date.isValid();
        switch (lc.unicode()) {
        case 'c':
            out += rpFormatDateTime(fs.shortDateFormat, dt, fs);
            if (hour || minute || second || msec) out += QLatin1Char(' ') + rpFormatDateTime(fs.longTimeFormat, dt, fs);
            n = 1;
            break;
        case 'd':
            if (n > 6) n = 6;
            if (!dateOk) break;
            if (n == 1) out += QString::number(date.day());
            else if (n == 2) out += twoDigits(date.day());
            else if (n == 3) out += fs.shortDayNames.value(date.dayOfWeek() % 7);
            else if (n == 4) out += fs.longDayNames.value(date.dayOfWeek() % 7);
            else if (n == 5) out += rpFormatDateTime(fs.shortDateFormat, dt, fs);
            else out += rpFormatDateTime(fs.longDateFormat, dt, fs);
            break;
        case 'm':
            if (minutes && n <= 2) {
                out += n == 1 ? QString::number(minute) : twoDigits(minute);
            } else if (dateOk) {
                if (n > 4) n = 4;
                if (n == 1) out += QString::number(date.month());
                else if (n == 2) out += twoDigits(date.month());
                else if (n == 3) out += fs.shortMonthNames.value(date.month() - 1);
                else out += fs.longMonthNames.value(date.month() - 1);
            }
            break;
        case 'y':
            if (dateOk) {
                if (n <= 2) out += twoDigits(date.year() % 100);
                else out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
            }
            break;
        case 'h': {
            if (n > 2) n = 2;
            int h = hour;
            if (twelve) { h = hour % 12; if (h == 0) h = 12; }
            out += n == 1 ? QString::number(h) : twoDigits(h);
            break;
        }
        case 'n':
            if (n > 2) n = 2;
            out += n == 1 ? QString::number(minute) : twoDigits(minute);
            break;
        case 's':
            if (n > 2) n = 2;
            out += n == 1 ? QString::number(second) : twoDigits(second);
            break;
        case 'z':
            if (n >= 3) { n = 3; out += QStringLiteral("%1").arg(msec, 3, 10, QLatin1Char('0')); }
            else { n = 1; out += QString::number(msec); }
            break;
        case 't':
            if (n > 2) n = 2;
            out += rpFormatDateTime(n == 1 ? fs.shortTimeFormat : fs.longTimeFormat, dt, fs);
            break;
        case '/':
            n = 1;
            out += fs.dateSeparator;
            break;
        case ':':
            n = 1;
            out += fs.timeSeparator;
            break;
        default:
            out += format.mid(i, n);
            break;
        }
        i += n;
    }
    return out;
}

QString rpDateTimeToStr(double dt, const TrpFormatSettings &fs)
{
    return rpFormatDateTime(QStringLiteral("c"), dt, fs);
}

double rpStrToDate(const QString &s, const TrpFormatSettings &fs)
{
    qsizetype pos = 0;
    double d = 0;
    if (!scanDate(s, pos, d, fs) || !atEnd(s, pos))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(s));
    return d;
}

double rpStrToTime(const QString &s, const TrpFormatSettings &fs)
{
    qsizetype pos = 0;
    double t = 0;
    if (!scanTime(s, pos, t, fs) || !atEnd(s, pos))
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(s));
    return t;
}

double rpStrToDateTime(const QString &s, const TrpFormatSettings &fs)
{
    qsizetype pos = 0;
    double d = 0, t = 0;
    const qsizetype start = pos;
    if (scanDate(s, pos, d, fs)) {
        if (atEnd(s, pos)) return d;
        if (scanTime(s, pos, t, fs) && atEnd(s, pos)) return d < 0 ? d - t : d + t;
    } else {
        pos = start;
        if (scanTime(s, pos, t, fs) && atEnd(s, pos)) return t;
    }
    throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(s));
}

QString rpFormatMaskText(const QString &editMask, const QString &text, const TrpFormatSettings &fs)
{
    // The mask proper ends at its ";" fields: "mask;save literals;blank".
    QString mask = editMask;
    QChar blank = QLatin1Char('_');
    bool saveLiterals = true;
    {
        // The fields are the last two ";" groups when they look like "1"/"0" and one char.
        const qsizetype last = mask.lastIndexOf(QLatin1Char(';'));
        if (last > 0 && mask.size() - last - 1 <= 1) {
            const qsizetype prev = mask.lastIndexOf(QLatin1Char(';'), last - 1);
            if (prev >= 0 && last - prev == 2) {
                if (last + 1 < mask.size()) blank = mask.at(last + 1);
                saveLiterals = mask.at(prev + 1) != QLatin1Char('0');
                mask = mask.left(prev);
            }
        }
    }
    QString out;
    qsizetype ti = 0;
    enum { None, Upper, Lower } caseMode = None;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar m = mask.at(i);
        switch (m.unicode()) {
        case '!':
            continue;
        case '>':
            if (i + 1 < mask.size() && mask.at(i + 1) == QLatin1Char('<')) { caseMode = None; ++i; }
            else caseMode = Upper;
            continue;
        case '<':
            caseMode = Lower;
            continue;
        case '\\':
            if (i + 1 < mask.size()) {
                out += mask.at(++i);
                if (saveLiterals && ti < text.size()) ++ti;
            }
            continue;
        case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': case '0': case '9': case '#': {
            QChar ch = ti < text.size() ? text.at(ti++) : blank;
            if (caseMode == Upper) ch = kv::upperCase(QString(ch)).at(0);
            else if (caseMode == Lower) ch = kv::lowerCase(QString(ch)).at(0);
            out += ch;
            continue;
        }
        case ':':
            out += fs.timeSeparator;
            break;
        case '/':
            out += fs.dateSeparator;
            break;
        case '_':
            out += QLatin1Char(' ');
            break;
        default:
            out += m;
            break;
        }
        if (saveLiterals && ti < text.size()) ++ti;   // the text carries the literal too
    }
    return out;
}

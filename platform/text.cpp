#include "platform/text.h"

#include <QCoreApplication>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace kv {
namespace {

// Upper half of code page 1251 (0x80..0xBF); 0xC0..0xFF is U+0410..U+044F.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

QChar mapUpper(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z') return QChar(u - 32);
    if (u >= 0x0430 && u <= 0x044F) return QChar(u - 0x20);
    if (u >= 0x0450 && u <= 0x045F) return QChar(u - 0x50);
    if (u == 0x0491) return QChar(0x0490);
    return c;
}

QChar mapLower(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 'A' && u <= 'Z') return QChar(u + 32);
    if (u >= 0x0410 && u <= 0x042F) return QChar(u + 0x20);
    if (u >= 0x0400 && u <= 0x040F) return QChar(u + 0x50);
    if (u == 0x0490) return QChar(0x0491);
    return c;
}

bool needsQuotes(const QString &item)
{
    for (QChar c : item)
        if (c.unicode() <= ' ' || c == QLatin1Char(',') || c == QLatin1Char('"'))
            return true;
    return false;
}

} // namespace

QChar fromCp1251Char(unsigned char b)
{
    if (b < 0x80) return QChar(b);
    if (b >= 0xC0) return QChar(char16_t(0x0410 + (b - 0xC0)));
    return QChar(kHigh[b - 0x80]);
}

char toCp1251Char(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80) return char(u);
    if (u >= 0x0410 && u <= 0x044F) return char(0xC0 + (u - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == u) return char(0x80 + i);
    return '?';
}

QString fromCp1251(std::string_view bytes)
{
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar *d = out.data();
    for (size_t i = 0; i < bytes.size(); ++i)
        d[i] = fromCp1251Char(static_cast<unsigned char>(bytes[i]));
    return out;
}

QString fromCp1251(const QByteArray &bytes)
{
    return fromCp1251(std::string_view(bytes.constData(), size_t(bytes.size())));
}

QByteArray toCp1251(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *d = out.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A surrogate pair is one character without a code: one '?'.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        d[n++] = toCp1251Char(c);
    }
    out.truncate(n);
    return out;
}

QString upperCase(const QString &s)
{
    // Names are mostly upper case already: no copy is made for them.
    qsizetype i = 0;
    while (i < s.size() && mapUpper(s.at(i)) == s.at(i)) ++i;
    if (i == s.size()) return s;
    QString r = s;
    QChar *d = r.data();
    for (; i < r.size(); ++i) d[i] = mapUpper(d[i]);
    return r;
}

QString lowerCase(const QString &s)
{
    QString r = s;
    for (QChar &c : r) c = mapLower(c);
    return r;
}

QString trimRight(const QString &s)
{
    qsizetype e = s.size();
    while (e > 0 && s.at(e - 1) == QLatin1Char(' ')) --e;
    return s.left(e);
}

bool sameText(const QString &a, const QString &b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (mapUpper(a.at(i)) != mapUpper(b.at(i))) return false;
    return true;
}

int compareText(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = mapUpper(a.at(i)).unicode(), y = mapUpper(b.at(i)).unicode();
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

double roundHalfEven(double v)
{
    return std::nearbyint(v);   // default rounding mode: to nearest, ties to even
}

long long roundToInt64(double v)
{
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= 9.2233720368547758e18) return std::numeric_limits<long long>::max();
    if (r <= -9.2233720368547758e18) return std::numeric_limits<long long>::min();
    return static_cast<long long>(r);
}

QString formatShortest(double v)
{
    if (std::isnan(v)) return QStringLiteral("NAN");
    if (std::isinf(v)) return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    QString s = QString::fromLatin1(buf, res.ptr - buf);
    if (s == QLatin1String("-0")) s = QStringLiteral("0");
    return s;
}

QString formatFixed(double v, int digits)
{
    digits = std::clamp(digits, 0, 18);
    if (std::isnan(v) || std::isinf(v)) return formatShortest(v);
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
    std::string s(buf, res.ptr);
    std::string intPart = s, frac;
    if (auto dot = s.find('.'); dot != std::string::npos) {
        intPart = s.substr(0, dot);
        frac = s.substr(dot + 1);
    }
    bool roundUp = false;
    if (int(frac.size()) > digits) {
        roundUp = frac[size_t(digits)] >= '5';
        frac.resize(size_t(digits));
    }
    frac.append(size_t(digits) - frac.size(), '0');
    std::string all = intPart + frac;
    if (roundUp) {
        int i = int(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all[size_t(i)] == '9') { all[size_t(i)] = '0'; continue; }
            ++all[size_t(i)];
            break;
        }
        if (i < 0) all.insert(all.begin(), '1');
    }
    std::string ip = all.substr(0, all.size() - size_t(digits));
    std::string fp = all.substr(all.size() - size_t(digits));
    std::string out = ip;
    if (digits > 0) out += "." + fp;
    const bool zero = out.find_first_not_of("0.") == std::string::npos;
    if (std::signbit(v) && !zero) out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

double parseFloat(const QString &s, bool *ok)
{
    QString t = s.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    const QByteArray b = t.toLatin1();
    double v = 0;
    const char *first = b.constData();
    const char *last = first + b.size();
    if (first != last && *first == '+') ++first;
    auto res = std::from_chars(first, last, v);
    const bool good = !t.isEmpty() && res.ec == std::errc() && res.ptr == last;
    if (ok) *ok = good;
    return good ? v : 0.0;
}

namespace {
const QDate kDayZero(1899, 12, 30);
} // namespace

qint64 daysSince1899(const QDate &d) { return kDayZero.daysTo(d); }
QDate dateFromDays1899(qint64 days) { return kDayZero.addDays(days); }

QString formatDate(const QDate &d)
{
    if (!d.isValid()) return QString();
    return QStringLiteral("%1.%2.%3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

QDate parseDateDMY(const QString &s)
{
    const QStringList p = s.trimmed().split(QLatin1Char('.'));
    if (p.size() != 3) return QDate();
    bool ok1, ok2, ok3;
    const int d = p[0].toInt(&ok1), m = p[1].toInt(&ok2), y = p[2].toInt(&ok3);
    if (!ok1 || !ok2 || !ok3) return QDate();
    return QDate(y, m, d);
}

QString toCommaText(const QStringList &items)
{
    QStringList parts;
    parts.reserve(items.size());
    for (const QString &item : items) {
        // An empty item stands bare, as between two commas; only a list of
        // that one item quotes it, or it would read back as no item at all.
        if (needsQuotes(item) || (item.isEmpty() && items.size() == 1)) {
            QString q = item;
            q.replace(QLatin1String("\""), QLatin1String("\"\""));
            parts << QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            parts << item;
        }
    }
    return parts.join(QLatin1Char(','));
}

QStringList fromCommaText(const QString &text)
{
    QStringList out;
    if (text.isEmpty()) return out;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (true) {
        QString item;
        if (i < n && text.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) { item += QLatin1Char('"'); i += 2; continue; }
                    ++i;
                    break;
                }
                item += text.at(i++);
            }
            // Anything up to the next comma after a closing quote belongs to the item.
            while (i < n && text.at(i) != QLatin1Char(',')) item += text.at(i++);
        } else {
            while (i < n && text.at(i) != QLatin1Char(',')) item += text.at(i++);
        }
        out << item;
        if (i >= n) break;
        ++i; // the comma
        if (i >= n) { out << QString(); break; }
    }
    return out;
}

QString uiText(const char *english)
{
    return QCoreApplication::translate(kUiTextContext, english);
}

QString uiText(const QString &english)
{
    return english.isEmpty() ? english : uiText(english.toUtf8().constData());
}

} // namespace kv

#include "platform/strutils.h"

#include "platform/text.h"

#include <QDir>
#include <QSet>

namespace kv {

bool ConsistsOnlyOf(const QString &text, const QString &chars)
{
    for (QChar c : text)
        if (!chars.contains(c)) return false;
    return true;
}

QString SubstituteAll(const QString &text, const QString &search, const QString &subst)
{
    if (search.isEmpty()) return text;
    QString out;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(search, from);
        if (at < 0) break;
        out += QStringView(text).mid(from, at - from);
        out += subst;
        from = at + search.size();
    }
    out += QStringView(text).mid(from);
    return out;
}

QString RepeatChar(QChar c, int count)
{
    return count > 0 ? QString(count, c) : QString();
}

int NthWordStart(int n, const QString &text, const QString &delims)
{
    if (n < 1) return 0;
    int count = 0;
    qsizetype i = 0;
    const qsizetype len = text.size();
    while (i < len) {
        while (i < len && delims.contains(text.at(i))) ++i;
        if (i >= len) break;
        if (++count == n) return int(i + 1);
        while (i < len && !delims.contains(text.at(i))) ++i;
    }
    return 0;
}

QString NthWord(int n, const QString &text, const QString &delims)
{
    const int start = NthWordStart(n, text, delims);
    if (start == 0) return QString();
    qsizetype end = start - 1;
    while (end < text.size() && !delims.contains(text.at(end))) ++end;
    return text.mid(start - 1, end - (start - 1));
}

QString WithTrailingBackslash(const QString &folder)
{
    if (folder.isEmpty()) return folder;
    const QChar last = folder.back();
    if (last == QLatin1Char('/') || last == QLatin1Char('\\')) return folder;
    // A drive of an old path ("C:") is complete as it stands.
    if (folder.size() == 2 && last == QLatin1Char(':') && folder.front().isLetter()) return folder;
    const bool backslashesOnly = folder.contains(QLatin1Char('\\')) && !folder.contains(QLatin1Char('/'));
    return folder + (backslashesOnly ? QLatin1Char('\\') : QLatin1Char('/'));
}

namespace {

// Splits a pattern with exactly one "%d" ("%%" is a percent sign) into the
// text before and after it; false for any other pattern.
bool splitPattern(const QString &pattern, QString &before, QString &after)
{
    before.clear();
    after.clear();
    bool found = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%')) {
            (found ? after : before) += c;
            continue;
        }
        if (i + 1 >= pattern.size()) return false;
        const QChar next = pattern.at(++i);
        if (next == QLatin1Char('%')) {
            (found ? after : before) += next;
        } else if ((next == QLatin1Char('d') || next == QLatin1Char('D')) && !found) {
            found = true;
        } else {
            return false;
        }
    }
    return found;
}

} // namespace

QString FindFreeFileName(const QString &folder, const QString &pattern, int maxTries, int first)
{
    QString before, after;
    if (!splitPattern(pattern, before, after)) return QString();
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QSet<QString> taken;
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &n : names) taken.insert(upperCase(n));
    for (int n = first; n - first < maxTries; ++n) {
        const QString name = before + QString::number(n) + after;
        if (!taken.contains(upperCase(name))) return name;
    }
    return QString();
}

} // namespace kv

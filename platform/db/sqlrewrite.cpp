#include "platform/db/sqlrewrite.h"

#include <QRegularExpression>

#include <vector>

namespace kv {

namespace {

enum class T { Space, Word, Quoted, String, Punct };

struct Tok
{
    T kind;
    QString text;      // source text (quotes included)
    QString content;   // inner text of a quoted name or string
};

std::vector<Tok> tokenize(const QString &s)
{
    std::vector<Tok> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        const qsizetype start = i;
        if (c.isSpace()) {
            while (i < n && s.at(i).isSpace()) ++i;
            out.push_back({T::Space, s.mid(start, i - start), {}});
        } else if (c == QLatin1Char('-') && i + 1 < n && s.at(i + 1) == QLatin1Char('-')) {
            while (i < n && s.at(i) != QLatin1Char('\n') && s.at(i) != QLatin1Char('\r')) ++i;
            out.push_back({T::Space, QStringLiteral(" "), {}});
        } else if (c == QLatin1Char('/') && i + 1 < n && s.at(i + 1) == QLatin1Char('*')) {
            const qsizetype e = s.indexOf(QLatin1String("*/"), i + 2);
            i = e < 0 ? n : e + 2;
            out.push_back({T::Space, QStringLiteral(" "), {}});
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`')) {
            QString content;
            ++i;
            while (i < n) {
                if (s.at(i) == c) {
                    if (i + 1 < n && s.at(i + 1) == c) {
                        content += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                content += s.at(i++);
            }
            out.push_back({c == QLatin1Char('\'') ? T::String : T::Quoted, s.mid(start, i - start), content});
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$')) {
            while (i < n && (s.at(i).isLetterOrNumber() || s.at(i) == QLatin1Char('_') || s.at(i) == QLatin1Char('$') ||
                             (s.at(i) == QLatin1Char('.') && i + 1 < n && s.at(i + 1).isDigit() && s.at(start).isDigit())))
                ++i;
            out.push_back({T::Word, s.mid(start, i - start), {}});
        } else {
            ++i;
            out.push_back({T::Punct, QString(c), {}});
        }
    }
    return out;
}

bool isWord(const Tok &t, const char *w)
{
    return t.kind == T::Word && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}

QString quoteIdent(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// Index of the next non-space token at or after i; size() when none.
size_t nextSolid(const std::vector<Tok> &t, size_t i)
{
    while (i < t.size() && t[i].kind == T::Space) ++i;
    return i;
}

bool isTableRef(const Tok &t) { return t.kind == T::Word || t.kind == T::Quoted; }

} // namespace

bool looksLikeTablePath(const QString &q)
{
    return q.contains(QLatin1Char('/')) || q.contains(QLatin1Char('\\')) ||
           q.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive);
}

QString quoteTablePath(const QString &path) { return quoteIdent(path); }

QString rewriteSql(const QString &sql, const std::function<QString(const QString &)> &tableName)
{
    std::vector<Tok> t = tokenize(sql);
    static const QRegularExpression dmy(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})$"));

    for (Tok &k : t) {
        if (k.kind == T::Quoted && looksLikeTablePath(k.content)) {
            k.text = quoteIdent(tableName(k.content));
        } else if (k.kind == T::Punct && k.text == QLatin1String("/")) {
            // Numbers divide as decimals, as the desktop engine's did: whole
            // millimetres over 1000000 give square metres, not 0.
            k.text = QStringLiteral("*1.0/");
        } else if (k.kind == T::String) {
            const auto m = dmy.match(k.content);
            if (m.hasMatch()) {
                k.text = QStringLiteral("'%1-%2-%3'")
                             .arg(m.captured(3))
                             .arg(m.captured(2).toInt(), 2, 10, QLatin1Char('0'))
                             .arg(m.captured(1).toInt(), 2, 10, QLatin1Char('0'));
            }
        }
    }

    const size_t first = nextSolid(t, 0);
    if (first < t.size() && (isWord(t[first], "update") || isWord(t[first], "delete"))) {
        const bool isUpdate = isWord(t[first], "update");
        size_t i = nextSolid(t, first + 1);
        if (!isUpdate && i < t.size() && isWord(t[i], "from")) i = nextSolid(t, i + 1);
        // i: the table; the next solid token may be a bare alias.
        if (i < t.size() && isTableRef(t[i])) {
            const size_t a = nextSolid(t, i + 1);
            if (a < t.size() && t[a].kind == T::Word && !isWord(t[a], "set") && !isWord(t[a], "as") &&
                !isWord(t[a], "where")) {
                t[a].text = QStringLiteral("AS ") + t[a].text;
            }
        }
        if (isUpdate) {
            // Assignments: alias."Field" = ... loses the alias.
            size_t k = first;
            while (k < t.size() && !isWord(t[k], "set")) ++k;
            int depth = 0;
            bool atStart = true;
            for (++k; k < t.size(); ++k) {
                const Tok &x = t[k];
                if (x.kind == T::Space) continue;
                if (x.kind == T::Punct && x.text == QLatin1String("(")) { ++depth; atStart = false; continue; }
                if (x.kind == T::Punct && x.text == QLatin1String(")")) { --depth; continue; }
                if (depth == 0 && isWord(x, "where")) break;
                if (depth == 0 && x.kind == T::Punct && x.text == QLatin1String(",")) { atStart = true; continue; }
                if (atStart && depth == 0) {
                    const size_t dot = nextSolid(t, k + 1);
                    if (isTableRef(x) && dot < t.size() && t[dot].kind == T::Punct && t[dot].text == QLatin1String(".")) {
                        const size_t col = nextSolid(t, dot + 1);
                        if (col < t.size() && isTableRef(t[col])) {
                            for (size_t z = k; z < col; ++z) t[z].text.clear();
                            k = col;
                        }
                    }
                    atStart = false;
                }
            }
        }
    }

    QString out;
    out.reserve(sql.size() + 16);
    for (const Tok &k : t) out += k.text;
    return out;
}

} // namespace kv

#include "platform/db/filterexpr.h"

#include "platform/error.h"
#include "platform/text.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kv {

namespace {

enum class Tok { End, Ident, Number, String, Date, Null, And, Or, Not, LParen, RParen, Op, Arith };

struct Token
{
    Tok kind = Tok::End;
    QString text;
    double number = 0;
    QDate date;
};

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// A text as a message quotes it: a long one by its beginning.
QString quoted(const QString &text)
{
    constexpr qsizetype kShown = 200;
    return text.size() <= kShown ? text : text.left(kShown) + QStringLiteral("...");
}

QString badFilter(const QString &text)
{
    return QStringLiteral("Неверное выражение фильтра: %1").arg(quoted(text));
}

// Parentheses, "not" and signs nest at most this deep, and a condition
// holds at most this many levels of operations, so that parsing, checking
// and freeing a condition stay within the stack whatever the text.
constexpr int kMaxFilterDepth = 128;

QString tooDeepFilter(const QString &text)
{
    return QStringLiteral("Слишком глубокая вложенность в выражении фильтра: %1").arg(quoted(text));
}

std::vector<Token> tokenize(const QString &s)
{
    static const QRegularExpression dateRe(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})(?![\\d.])"));
    std::vector<Token> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) { ++i; continue; }
        Token t;
        if (c == QLatin1Char('(')) { t.kind = Tok::LParen; ++i; }
        else if (c == QLatin1Char(')')) { t.kind = Tok::RParen; ++i; }
        else if (c == QLatin1Char('[')) {
            const qsizetype e = s.indexOf(QLatin1Char(']'), i + 1);
            if (e < 0) throw Error(badFilter(s));
            t.kind = Tok::Ident;
            t.text = s.mid(i + 1, e - i - 1).trimmed();
            i = e + 1;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            QString v;
            qsizetype j = i + 1;
            bool closed = false;
            while (j < n) {
                if (s.at(j) == c) {
                    if (j + 1 < n && s.at(j + 1) == c) { v += c; j += 2; continue; }
                    closed = true;
                    ++j;
                    break;
                }
                v += s.at(j++);
            }
            if (!closed) throw Error(badFilter(s));
            t.kind = Tok::String;
            t.text = v;
            i = j;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s.at(i + 1).isDigit())) {
            const auto m = dateRe.match(QStringView(s).mid(i));
            if (m.hasMatch()) {
                t.kind = Tok::Date;
                t.date = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
                if (!t.date.isValid()) throw Error(badFilter(s));
                i += m.capturedLength(0);
            } else {
                qsizetype j = i;
                while (j < n && (s.at(j).isDigit() || s.at(j) == QLatin1Char('.'))) ++j;
                bool ok = false;
                t.kind = Tok::Number;
                t.number = parseFloat(s.mid(i, j - i), &ok);
                if (!ok) throw Error(badFilter(s));
                i = j;
            }
        } else if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('=') || c == QLatin1Char('!')) {
            qsizetype j = i + 1;
            if (j < n && (s.at(j) == QLatin1Char('=') || (c == QLatin1Char('<') && s.at(j) == QLatin1Char('>')))) ++j;
            t.kind = Tok::Op;
            t.text = s.mid(i, j - i);
            if (t.text == QLatin1String("!")) throw Error(badFilter(s));
            i = j;
        } else if (c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('*') || c == QLatin1Char('/')) {
            t.kind = Tok::Arith;
            t.text = QString(c);
            ++i;
        } else if (isIdentChar(c)) {
            qsizetype j = i;
            while (j < n && isIdentChar(s.at(j))) ++j;
            t.text = s.mid(i, j - i);
            const QString u = t.text.toUpper();
            if (u == QLatin1String("AND")) t.kind = Tok::And;
            else if (u == QLatin1String("OR")) t.kind = Tok::Or;
            else if (u == QLatin1String("NOT")) t.kind = Tok::Not;
            else if (u == QLatin1String("NULL")) t.kind = Tok::Null;
            else t.kind = Tok::Ident;
            i = j;
        } else {
            throw Error(badFilter(s));
        }
        out.push_back(t);
    }
    out.push_back(Token{});
    return out;
}

} // namespace

struct FilterExpr::Node
{
    enum Kind { And, Or, Not, Compare, Field, Literal, Null, Arith };
    Kind kind = Literal;
    int height = 1;             // levels of this node and those below it
    QString op;                 // comparison or arithmetic operator
    QString name;               // field name
    int slot = -1;
    FieldType type = FieldType::Unknown;
    QVariant value;             // literal
    std::unique_ptr<Node> a, b;
    std::vector<std::unique_ptr<Node>> items;   // the operands of And and Or, in order
};

namespace {

using Node = FilterExpr::Node;

class Parser
{
public:
    Parser(const QString &text) : m_text(text), m_toks(tokenize(text)) {}

    std::unique_ptr<Node> parseAll()
    {
        auto n = parseOr();
        if (peek().kind != Tok::End) throw Error(badFilter(m_text));
        return n;
    }

private:
    const Token &peek() const { return m_toks[m_pos]; }
    Token take() { return m_toks[m_pos++]; }

    // One level of nesting while the parser descends into it.
    class Nesting
    {
    public:
        explicit Nesting(Parser &p) : m_p(p)
        {
            if (++m_p.m_depth > kMaxFilterDepth) throw Error(tooDeepFilter(m_p.m_text));
        }
        ~Nesting() { --m_p.m_depth; }

    private:
        Parser &m_p;
    };

    std::unique_ptr<Node> binary(Node::Kind k, std::unique_ptr<Node> a, std::unique_ptr<Node> b, const QString &op = {})
    {
        auto n = std::make_unique<Node>();
        n->kind = k;
        n->height = 1 + std::max(a ? a->height : 0, b ? b->height : 0);
        if (n->height > kMaxFilterDepth) throw Error(tooDeepFilter(m_text));
        n->a = std::move(a);
        n->b = std::move(b);
        n->op = op;
        return n;
    }

    // "x and y and z" is one node of three operands, so a long list of
    // conditions is as deep as its deepest condition.
    std::unique_ptr<Node> list(Node::Kind k, Tok sep, std::unique_ptr<Node> (Parser::*operand)())
    {
        auto first = (this->*operand)();
        if (peek().kind != sep) return first;
        auto n = std::make_unique<Node>();
        n->kind = k;
        n->items.push_back(std::move(first));
        while (peek().kind == sep) {
            take();
            n->items.push_back((this->*operand)());
        }
        for (const auto &i : n->items) n->height = std::max(n->height, i->height + 1);
        if (n->height > kMaxFilterDepth) throw Error(tooDeepFilter(m_text));
        return n;
    }

    std::unique_ptr<Node> parseOr() { return list(Node::Or, Tok::Or, &Parser::parseAnd); }
    std::unique_ptr<Node> parseAnd() { return list(Node::And, Tok::And, &Parser::parseNot); }
    std::unique_ptr<Node> parseNot()
    {
        if (peek().kind == Tok::Not) {
            take();
            Nesting nest(*this);
            return binary(Node::Not, parseNot(), nullptr);
        }
        return parseCompare();
    }
    std::unique_ptr<Node> parseCompare()
    {
        auto left = parseSum();
        if (peek().kind == Tok::Op) {
            QString op = take().text;
            if (op == QLatin1String("!=")) op = QStringLiteral("<>");
            return binary(Node::Compare, std::move(left), parseSum(), op);
        }
        // A bare operand: a logical field or a parenthesised condition.
        return left;
    }
    std::unique_ptr<Node> parseSum()
    {
        auto n = parseProduct();
        while (peek().kind == Tok::Arith && (peek().text == QLatin1String("+") || peek().text == QLatin1String("-"))) {
            const QString op = take().text;
            n = binary(Node::Arith, std::move(n), parseProduct(), op);
        }
        return n;
    }
    std::unique_ptr<Node> parseProduct()
    {
        auto n = parseUnary();
        while (peek().kind == Tok::Arith && (peek().text == QLatin1String("*") || peek().text == QLatin1String("/"))) {
            const QString op = take().text;
            n = binary(Node::Arith, std::move(n), parseUnary(), op);
        }
        return n;
    }
    std::unique_ptr<Node> parseUnary()
    {
        if (peek().kind == Tok::Arith && peek().text == QLatin1String("-")) {
            take();
            Nesting nest(*this);
            auto zero = std::make_unique<Node>();
            zero->kind = Node::Literal;
            zero->value = 0.0;
            return binary(Node::Arith, std::move(zero), parseUnary(), QStringLiteral("-"));
        }
        return parsePrimary();
    }
    std::unique_ptr<Node> parsePrimary()
    {
        const Token t = take();
        auto n = std::make_unique<Node>();
        switch (t.kind) {
        case Tok::LParen: {
            Nesting nest(*this);
            n = parseOr();
            if (take().kind != Tok::RParen) throw Error(badFilter(m_text));
            return n;
        }
        case Tok::Ident: n->kind = Node::Field; n->name = t.text; return n;
        case Tok::Number: n->kind = Node::Literal; n->value = t.number; return n;
        case Tok::String: n->kind = Node::Literal; n->value = t.text; return n;
        case Tok::Date: n->kind = Node::Literal; n->value = t.date; return n;
        case Tok::Null: n->kind = Node::Null; return n;
        default: throw Error(badFilter(m_text));
        }
    }

    QString m_text;
    std::vector<Token> m_toks;
    size_t m_pos = 0;
    int m_depth = 0;
};

void bindNode(Node *n, const std::function<int(const QString &, FieldType &)> &resolve)
{
    if (!n) return;
    if (n->kind == Node::Field) {
        FieldType t = FieldType::Unknown;
        n->slot = resolve(n->name, t);
        if (n->slot < 0) throw Error(fieldNotFoundMessage(n->name));
        n->type = t;
    }
    bindNode(n->a.get(), resolve);
    bindNode(n->b.get(), resolve);
    for (const auto &i : n->items) bindNode(i.get(), resolve);
}

struct Val
{
    QVariant v;
    FieldType type = FieldType::Unknown;   // of the field it came from, if any
};

Val evalValue(const Node *n, const QVariantList &values)
{
    switch (n->kind) {
    case Node::Field: return {values.value(n->slot), n->type};
    case Node::Literal: return {n->value, FieldType::Unknown};
    case Node::Null: return {QVariant(), FieldType::Unknown};
    case Node::Arith: {
        const Val a = evalValue(n->a.get(), values), b = evalValue(n->b.get(), values);
        if (!a.v.isValid() || !b.v.isValid()) return {};
        bool ok1 = false, ok2 = false;
        const double x = a.v.toDouble(&ok1), y = b.v.toDouble(&ok2);
        if (!ok1 || !ok2) return {};
        double r = 0;
        if (n->op == QLatin1String("+")) r = x + y;
        else if (n->op == QLatin1String("-")) r = x - y;
        else if (n->op == QLatin1String("*")) r = x * y;
        else { if (y == 0) return {}; r = x / y; }
        return {r, FieldType::Float};
    }
    default: return {};
    }
}

bool isDateLike(const QVariant &v)
{
    const int id = v.metaType().id();
    return id == QMetaType::QDate || id == QMetaType::QDateTime;
}

QDate toDate(const QVariant &v)
{
    if (v.metaType().id() == QMetaType::QDate) return v.toDate();
    if (v.metaType().id() == QMetaType::QDateTime) return v.toDateTime().date();
    const QString s = v.toString().trimmed();
    QDate d = parseDateDMY(s);
    if (!d.isValid()) d = QDate::fromString(s, QStringLiteral("yyyy-MM-dd"));
    return d;
}

bool isNumberLike(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool:
        return true;
    default: return false;
    }
}

// -2 when the two values cannot be compared.
int compareValues(const Val &a, const Val &b, bool ci, bool *prefixMatch)
{
    *prefixMatch = false;
    if (isDateLike(a.v) || isDateLike(b.v)) {
        const QDate x = toDate(a.v), y = toDate(b.v);
        if (!x.isValid() || !y.isValid()) return -2;
        return x < y ? -1 : (x == y ? 0 : 1);
    }
    if (isNumberLike(a.v) || isNumberLike(b.v)) {
        bool ok1 = false, ok2 = false;
        const double x = isNumberLike(a.v) ? a.v.toDouble(&ok1) : parseFloat(a.v.toString(), &ok1);
        const double y = isNumberLike(b.v) ? b.v.toDouble(&ok2) : parseFloat(b.v.toString(), &ok2);
        if (!ok1 || !ok2) return -2;
        return x < y ? -1 : (x == y ? 0 : 1);
    }
    QString x = trimRight(a.v.toString()), y = trimRight(b.v.toString());
    // A literal ending in '*' on the right matches every text it begins.
    if (y.endsWith(QLatin1Char('*'))) {
        const QString p = y.left(y.size() - 1);
        const QString head = x.left(p.size());
        *prefixMatch = ci ? sameText(head, p) : head == p;
    }
    if (ci) return compareText(x, y);
    const int c = x.compare(y);
    return c < 0 ? -1 : (c == 0 ? 0 : 1);
}

bool evalBool(const Node *n, const QVariantList &values, bool ci)
{
    switch (n->kind) {
    case Node::And:
        for (const auto &i : n->items)
            if (!evalBool(i.get(), values, ci)) return false;
        return true;
    case Node::Or:
        for (const auto &i : n->items)
            if (evalBool(i.get(), values, ci)) return true;
        return false;
    case Node::Not: return !evalBool(n->a.get(), values, ci);
    case Node::Compare: {
        const Val a = evalValue(n->a.get(), values), b = evalValue(n->b.get(), values);
        const bool an = !a.v.isValid() || a.v.isNull(), bn = !b.v.isValid() || b.v.isNull();
        if (n->b->kind == Node::Null || n->a->kind == Node::Null) {
            const bool isNull = n->b->kind == Node::Null ? an : bn;
            if (n->op == QLatin1String("=")) return isNull;
            if (n->op == QLatin1String("<>")) return !isNull;
            return false;
        }
        if (an || bn) return false;
        bool prefix = false;
        const int c = compareValues(a, b, ci, &prefix);
        if (c == -2) return false;
        const QString &op = n->op;
        if (op == QLatin1String("=")) return c == 0 || prefix;
        if (op == QLatin1String("<>")) return !(c == 0 || prefix);
        if (op == QLatin1String("<")) return c < 0;
        if (op == QLatin1String(">")) return c > 0;
        if (op == QLatin1String("<=")) return c <= 0;
        if (op == QLatin1String(">=")) return c >= 0;
        return false;
    }
    default: {
        const Val v = evalValue(n, values);
        if (!v.v.isValid() || v.v.isNull()) return false;
        if (isNumberLike(v.v)) return v.v.toDouble() != 0;
        return !v.v.toString().isEmpty();
    }
    }
}

} // namespace

FilterExpr::~FilterExpr() = default;

std::shared_ptr<FilterExpr> FilterExpr::parse(const QString &text)
{
    std::shared_ptr<FilterExpr> e(new FilterExpr);
    Parser p(text);
    e->m_root = p.parseAll();
    return e;
}

void FilterExpr::bind(const std::function<int(const QString &, FieldType &)> &resolve)
{
    bindNode(m_root.get(), resolve);
}

bool FilterExpr::matches(const QVariantList &values, bool caseInsensitive) const
{
    return m_root ? evalBool(m_root.get(), values, caseInsensitive) : true;
}

} // namespace kv

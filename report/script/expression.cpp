#include "report/script/expression.h"

#include <QVarLengthArray>
#include <cmath>

#include "platform/text.h"
#include "report/core/utils.h"
#include "report/script/variables.h"

namespace {

// Characters that end a name or number (outside a double-quoted part).
bool isTerminator(QChar c)
{
    const char16_t u = c.unicode();
    if (u <= ' ') return true;   // blanks, line ends and the operator codes
    switch (u) {
    case '(': case ')': case '*': case '+': case '-': case '/': case '<': case '=': case '>': case '[': case ';':
        return true;
    default:
        return false;
    }
}

qsizetype readWord(const QString &t, qsizetype i)
{
    bool quoted = false;
    while (i < t.size()) {
        const QChar c = t.at(i);
        if (c == QLatin1Char('"')) quoted = !quoted;
        else if (!quoted && isTerminator(c)) break;
        ++i;
    }
    return i;
}

// Index after the closing quote of a literal starting at i ('' inside is one quote).
qsizetype skipLiteral(const QString &t, qsizetype i)
{
    ++i;
    while (i < t.size()) {
        if (t.at(i) == QLatin1Char('\'')) {
            if (i + 1 < t.size() && t.at(i + 1) == QLatin1Char('\'')) { i += 2; continue; }
            return i + 1;
        }
        ++i;
    }
    return i;
}

QString literalText(const QString &t, qsizetype from, qsizetype to)
{
    QString s = t.mid(from + 1, to - from - 1);
    if (s.endsWith(QLatin1Char('\'')) && to <= t.size()) s.chop(1);
    s.replace(QLatin1String("''"), QLatin1String("'"));
    return s;
}

// Index of the ")" matching the "(" at open, or -1.
qsizetype matchParen(const QString &t, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c == QLatin1Char('\'')) { i = skipLiteral(t, i) - 1; continue; }
        if (c == QLatin1Char('[')) {
            int end = 0;
            ScanBracketedPart(t, int(i) + 1, end);
            i = end - 1;
            continue;
        }
        if (c == QLatin1Char('(')) ++depth;
        else if (c == QLatin1Char(')') && --depth == 0) return i;
    }
    return -1;
}

[[noreturn]] void unmatchedParen(const QString &text)
{
    throw EParserError(QStringLiteral("Missing \")\" in expression \"%1\"").arg(text));
}

int priority(char16_t op)
{
    switch (op) {
    case TrpOp::Int: case TrpOp::Frac: case TrpOp::Round: case TrpOp::Str: return 0;
    case '*': case '/': case TrpOp::Mod: case TrpOp::And: case TrpOp::Or: case TrpOp::Not: return 1;
    case '+': case '-': case TrpOp::Neg: case TrpOp::Plus: return 2;
    case '=': case '<': case '>': case TrpOp::Le: case TrpOp::Ge: case TrpOp::Ne: return 3;
    default: return 5;   // "("
    }
}

bool isUnary(char16_t op)
{
    switch (op) {
    case TrpOp::Int: case TrpOp::Frac: case TrpOp::Round: case TrpOp::Str:
    case TrpOp::Not: case TrpOp::Neg: case TrpOp::Plus:
        return true;
    default:
        return false;
    }
}

bool isOperatorCode(char16_t c)
{
    if (c >= 1 && c <= 14 && c != 8) return true;
    return c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '=' || c == '>';
}

// The value of IF's condition: Booleans as they are, anything else as a number.
bool conditionHolds(const TrpValue &v)
{
    if (v.isNull() || v.isEmpty()) return false;
    if (v.type() == TrpValue::Boolean) return v.toBool();
    return std::trunc(v.toFloat()) != 0;
}

double snapped(double v, bool &whole)
{
    const double r = std::round(v);
    whole = std::fabs(v - r) < 1e-10;
    return r;
}

TrpValue applyUnary(char16_t op, const TrpValue &a)
{
    switch (op) {
    case TrpOp::Neg: return rpNeg(a);
    case TrpOp::Plus: return a;
    case TrpOp::Not: return TrpValue(qint64(rpEqualsZero(a) ? 1 : 0));
    case TrpOp::Str: return TrpValue(a.toText());
    default: break;
    }
    if (a.isNull()) return a;
    const double v = a.toFloat();
    bool whole = false;
    const double r = snapped(v, whole);
    switch (op) {
    case TrpOp::Int: return TrpValue(whole ? r : std::trunc(v));
    case TrpOp::Frac: return TrpValue(whole ? 0.0 : v - std::trunc(v));
    case TrpOp::Round: return TrpValue(kv::roundHalfEven(v));
    default: return a;
    }
}

TrpValue applyBinary(char16_t op, const TrpValue &a, const TrpValue &b)
{
    switch (op) {
    case '+': return rpAdd(a, b);
    case '-': return rpSub(a, b);
    case '*': return rpMul(a, b);
    case '/': return rpDiv(a, b);
    case TrpOp::Mod: return rpMod(a, b);
    case TrpOp::And: return rpAnd(a, b);
    case TrpOp::Or: return rpOr(a, b);
    case '=': return rpCompare(a, b, TrpRelation::Eq);
    case '<': return rpCompare(a, b, TrpRelation::Lt);
    case '>': return rpCompare(a, b, TrpRelation::Gt);
    case TrpOp::Le: return rpCompare(a, b, TrpRelation::Le);
    case TrpOp::Ge: return rpCompare(a, b, TrpRelation::Ge);
    case TrpOp::Ne: return rpCompare(a, b, TrpRelation::Ne);
    default: return a;
    }
}

} // namespace

QString ScanBracketedPart(const QString &text, int start, int &end)
{
    if (start < 1 || start > text.size() || text.at(start - 1) != QLatin1Char('[')) {
        end = start;
        return QString();
    }
    int depth = 0;
    bool sq = false, dq = false;
    for (qsizetype i = start - 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') && !dq) sq = !sq;
        else if (c == QLatin1Char('"') && !sq) dq = !dq;
        else if (!sq && !dq) {
            if (c == QLatin1Char('[')) ++depth;
            else if (c == QLatin1Char(']') && --depth == 0) {
                end = int(i) + 1;
                return text.mid(start, i - start);
            }
        }
    }
    end = int(text.size()) + 1;
    return text.mid(start);
}

QStringList rpSplitArguments(const QString &args)
{
    QStringList out;
    int depth = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QChar c = args.at(i);
        if (c == QLatin1Char('\'')) { i = skipLiteral(args, i) - 1; continue; }
        if (c == QLatin1Char('[')) {
            int end = 0;
            ScanBracketedPart(args, int(i) + 1, end);
            i = end - 1;
            continue;
        }
        if (c == QLatin1Char('(')) ++depth;
        else if (c == QLatin1Char(')')) --depth;
        else if (c == QLatin1Char(',') && depth == 0) {
            out << args.mid(from, i - from).trimmed();
            from = i + 1;
        }
    }
    out << args.mid(from).trimmed();
    return out;
}

QString TrpParser::ToPostfix(const QString &text)
{
    QString out;
    QString stack;            // operator codes; "(" for parentheses
    bool operandBefore = false;
    const QString &t = text;
    const qsizetype n = t.size();

    auto pushBinary = [&](char16_t op) {
        while (!stack.isEmpty() && stack.back() != QLatin1Char('(') && priority(op) >= priority(stack.back().unicode())) {
            out += stack.back();
            out += QLatin1Char(' ');
            stack.chop(1);
        }
        stack += QChar(op);
        operandBefore = false;
    };
    // A prefix operator has nothing on its left to reduce: pushed without popping.
    auto pushPrefix = [&](char16_t op) {
        stack += QChar(op);
        operandBefore = false;
    };

    qsizetype i = 0;
    while (i < n) {
        const QChar c = t.at(i);
        const char16_t u = c.unicode();
        if (u <= ' ') { ++i; continue; }
        if (c == QLatin1Char(';')) break;
        if (c == QLatin1Char('(')) { stack += c; operandBefore = false; ++i; continue; }
        if (c == QLatin1Char(')')) {
            while (!stack.isEmpty() && stack.back() != QLatin1Char('(')) {
                out += stack.back();
                out += QLatin1Char(' ');
                stack.chop(1);
            }
            if (!stack.isEmpty()) stack.chop(1);
            operandBefore = true;
            ++i;
            continue;
        }
        if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('=')) {
            const QChar next = i + 1 < n ? t.at(i + 1) : QChar();
            if (c == QLatin1Char('<') && next == QLatin1Char('=')) { pushBinary(TrpOp::Le); i += 2; continue; }
            if (c == QLatin1Char('>') && next == QLatin1Char('=')) { pushBinary(TrpOp::Ge); i += 2; continue; }
            if (c == QLatin1Char('<') && next == QLatin1Char('>')) { pushBinary(TrpOp::Ne); i += 2; continue; }
            pushBinary(u);
            ++i;
            continue;
        }
        if (c == QLatin1Char('*') || c == QLatin1Char('/')) { pushBinary(u); ++i; continue; }
        if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
            if (operandBefore) pushBinary(u);
            else pushPrefix(c == QLatin1Char('-') ? TrpOp::Neg : TrpOp::Plus);
            ++i;
            continue;
        }

        // An operand, perhaps with a "%x" prefix.
        const qsizetype opStart = i;
        if (c == QLatin1Char('%') && i + 1 < n) i += 2;
        if (i < n && t.at(i) == QLatin1Char('\'')) {
            const qsizetype end = skipLiteral(t, i);
            out += t.mid(opStart, end - opStart) + QLatin1Char(' ');
            i = end;
            operandBefore = true;
            continue;
        }
        if (i < n && t.at(i) == QLatin1Char('[')) {
            int end = 0;
            ScanBracketedPart(t, int(i) + 1, end);
            out += t.mid(opStart, qsizetype(end) - opStart) + QLatin1Char(' ');
            i = end;
            operandBefore = true;
            continue;
        }
        const qsizetype wordEnd = readWord(t, i);
        if (wordEnd == i) { ++i; continue; }   // a stray character such as "%" at the end
        const QString word = t.mid(i, wordEnd - i);
        if (opStart == i) {
            const QString up = kv::upperCase(word);
            char16_t kw = 0;
            bool unary = false;
            if (up == QLatin1String("OR")) kw = TrpOp::Or;
            else if (up == QLatin1String("AND")) kw = TrpOp::And;
            else if (up == QLatin1String("MOD")) kw = TrpOp::Mod;
            else if (up == QLatin1String("INT")) { kw = TrpOp::Int; unary = true; }
            else if (up == QLatin1String("FRAC")) { kw = TrpOp::Frac; unary = true; }
            else if (up == QLatin1String("ROUND")) { kw = TrpOp::Round; unary = true; }
            else if (up == QLatin1String("STR")) { kw = TrpOp::Str; unary = true; }
            else if (up == QLatin1String("NOT")) { kw = TrpOp::Not; unary = true; }
            if (kw) {
                if (unary) pushPrefix(kw); else pushBinary(kw);
                i = wordEnd;
                continue;
            }
        }
        i = wordEnd;
        if (i < n && t.at(i) == QLatin1Char('(')) {
            const qsizetype close = matchParen(t, i);
            if (close < 0) unmatchedParen(text);
            out += t.mid(opStart, close + 1 - opStart) + QLatin1Char(' ');
            i = close + 1;
        } else if (i < n && t.at(i) == QLatin1Char('[')) {
            int end = 0;
            ScanBracketedPart(t, int(i) + 1, end);
            out += t.mid(opStart, qsizetype(end) - opStart) + QLatin1Char(' ');
            i = end;
        } else {
            out += t.mid(opStart, i - opStart) + QLatin1Char(' ');
        }
        operandBefore = true;
    }
    while (!stack.isEmpty()) {
        if (stack.back() != QLatin1Char('(')) {
            out += stack.back();
            out += QLatin1Char(' ');
        }
        stack.chop(1);
    }
    return out;
}

TrpValue TrpParser::EvaluatePostfix(const QString &postfix)
{
    // Names that evaluate expressions nest evaluations; a runaway nesting is refused.
    struct DepthGuard {
        int &d;
        explicit DepthGuard(int &depth) : d(depth) {
            if (++d > 128) { --d; throw EParserError(QStringLiteral("Expression nested too deeply")); }
        }
        ~DepthGuard() { --d; }
    } guard(m_depth);

    QVarLengthArray<TrpValue, StackSize> stack;
    auto push = [&](const TrpValue &v) {
        if (stack.size() >= StackSize)
            throw EParserError(QStringLiteral("Expression too complex (more than 32 values)"));
        stack.append(v);
    };
    auto pop = [&]() {
        if (stack.isEmpty()) throw EParserError(QStringLiteral("Missing operand in expression"));
        TrpValue v = stack.back();
        stack.removeLast();
        return v;
    };

    const QString &t = postfix;
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = t.at(i);
        const char16_t u = c.unicode();
        // Operator codes share values with control characters (9 is a tab,
        // 13 a carriage return), so only blanks separate tokens here.
        if (u == ' ') { ++i; continue; }
        if (isOperatorCode(u)) {
            if (isUnary(u)) {
                const TrpValue a = pop();
                push(applyUnary(u, a));
            } else {
                const TrpValue b = pop();
                const TrpValue a = pop();
                push(applyBinary(u, a, b));
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char('%') && i + 1 < n) i += 2;   // carried, not interpreted
        if (i >= n) break;
        if (t.at(i) == QLatin1Char('\'')) {
            const qsizetype end = skipLiteral(t, i);
            push(TrpValue(literalText(t, i, end)));
            i = end;
            continue;
        }
        if (t.at(i) == QLatin1Char('[')) {
            int end = 0;
            const QString inner = ScanBracketedPart(t, int(i) + 1, end);
            TrpValue v = TrpValue::null();
            if (OnGetValue) OnGetValue(inner, v);
            push(v);
            i = end;
            continue;
        }
        const qsizetype wordEnd = readWord(t, i);
        if (wordEnd == i) { ++i; continue; }
        const QString word = t.mid(i, wordEnd - i);
        i = wordEnd;
        if (i < n && t.at(i) == QLatin1Char('(')) {
            const qsizetype close = matchParen(t, i);
            if (close < 0) unmatchedParen(t);
            push(callFunction(kv::upperCase(word), rpSplitArguments(t.mid(i + 1, close - i - 1))));
            i = close + 1;
            continue;
        }
        if (i < n && t.at(i) == QLatin1Char('[')) {
            int end = 0;
            const QString index = ScanBracketedPart(t, int(i) + 1, end);
            push(Calculate(QStringLiteral("GETARRAY(") + word + QStringLiteral(", ") + index + QLatin1Char(')')));
            i = end;
            continue;
        }
        const QChar first = word.at(0);
        if ((first.isDigit() && first.unicode() < 128) || first == QLatin1Char('.') || first == QLatin1Char(',')) {
            push(TrpValue(StrToFloatAnySep(word)));
            continue;
        }
        const QString up = kv::upperCase(word);
        if (up == QLatin1String("TRUE")) { push(TrpValue(true)); continue; }
        if (up == QLatin1String("FALSE")) { push(TrpValue(false)); continue; }
        TrpValue v = TrpValue::null();
        if (OnGetValue) OnGetValue(up, v);
        push(v);
    }
    return stack.isEmpty() ? TrpValue() : stack.front();
}

TrpValue TrpParser::callFunction(const QString &name, const QStringList &args)
{
    const QString p1 = args.value(0), p2 = args.value(1), p3 = args.value(2);
    const TrpFormatSettings &fs = Settings ? *Settings : TrpFormatSettings::standard();
    if (name == QLatin1String("COPY")) {
        const QString s = Calculate(p1).toText();
        qint64 from = Calculate(p2).toInt32();
        const qint64 count = Calculate(p3).toInt32();
        if (from < 1) from = 1;
        if (count <= 0 || from > s.size()) return TrpValue(QString());
        return TrpValue(s.mid(from - 1, count));
    }
    if (name == QLatin1String("IF"))
        return conditionHolds(Calculate(p1)) ? Calculate(p2) : Calculate(p3);
    if (name == QLatin1String("STRTODATE"))
        return TrpValue::dateTime(rpStrToDate(Calculate(p1).toText(), fs));
    if (name == QLatin1String("STRTOTIME"))
        return TrpValue::dateTime(rpStrToTime(Calculate(p1).toText(), fs));
    TrpValue v = TrpValue::null();
    if (OnFunction) OnFunction(name, p1, p2, p3, v);
    return v;
}

bool TrpFunctionSplitter::isMatch(const QString &upperName) const
{
    for (const QString &m : m_match)
        if (kv::sameText(m, upperName)) return true;
    return false;
}

void TrpFunctionSplitter::Split(const QString &text)
{
    split(text, 0);
}

void TrpFunctionSplitter::split(const QString &text, int depth)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char('\'')) || depth > 64) return;
    auto expand = [&](const QString &name) {
        const QString key = kv::upperCase(name);
        if (m_expanding.contains(key)) return;   // a variable that names itself
        m_expanding << key;
        split(m_vars->GetValue(name).toText(), depth + 1);
        m_expanding.removeLast();
    };
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = t.at(i);
        if (c == QLatin1Char('\'')) { i = skipLiteral(t, i); continue; }   // a literal holds no call
        if (c == QLatin1Char('[')) {
            int end = 0;
            const QString inner = ScanBracketedPart(t, int(i) + 1, end);
            if (m_vars && m_vars->Contains(inner)) expand(inner);
            else split(inner, depth + 1);
            i = end;
            continue;
        }
        if (isTerminator(c) || c == QLatin1Char(']') || c == QLatin1Char(',')) { ++i; continue; }
        const qsizetype wordEnd = readWord(t, i);
        const QString word = t.mid(i, wordEnd - i);
        if (wordEnd < n && t.at(wordEnd) == QLatin1Char('(')) {
            const qsizetype close = matchParen(t, wordEnd);
            if (close < 0) return;
            const QStringList args = rpSplitArguments(t.mid(wordEnd + 1, close - wordEnd - 1));
            for (int a = 0; a < 3 && a < args.size(); ++a) split(args[a], depth + 1);
            if (isMatch(kv::upperCase(word))) m_target << t.mid(i, close + 1 - i);
            i = close + 1;
            continue;
        }
        if (m_vars && m_vars->Contains(word)) expand(word);
        i = wordEnd;
    }
}

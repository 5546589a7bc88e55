#include "report/script/interpreter.h"

#include <QVector>

#include "platform/text.h"
#include "report/script/variables.h"

namespace {

const char *const kNeedSemicolonOrEnd = "Need \";\" or \"end\" here";
const char *const kNeedThen = "Need \"then\" here";
const char *const kNeedSemicolonOrUntil = "Need \";\" or \"until\" here";
const char *const kNeedDo = "Need \"do\" here";
const char *const kNeedTo = "Need \"to\" here";
const char *const kGotoNumber = "\"goto\" label must be a number";
const char *const kNeedAssign = "Need \":=\" here";
const char *const kNeedParen = "Need \")\" here";
const char *const kNeedBracket = "Need \"]\" here";
const char *const kNeedCommaOrParen = "Need \",\" or \")\" here";
const char *const kNeedExpression = "Need expression here";

struct CompileError
{
    qsizetype pos;
    QString message;
};

enum class Tok { End, Ident, Number, String, Symbol, Other };

struct Token
{
    Tok kind = Tok::End;
    QString text;     // symbols: the symbol; identifiers: as written
    QString upper;
    qsizetype start = 0, end = 0;
};

bool isLatin(QChar c) { return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')); }
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

class Compiler
{
public:
    Compiler(const QString &buf, TrpCompiledScript &out) : m_buf(buf), m_out(out) {}

    void compileScript()
    {
        if (peek().kind == Tok::End) return;
        // Statements after the first, separated by ";", run too, as in a
        // block: dropping them would leave the rest of a script undone unseen.
        statement(false);
        while (isSym(peek(), ";")) {
            next();
            statement(false);
        }
        if (peek().kind != Tok::End) fail(peek(), kNeedSemicolonOrEnd);
        for (int i = 0; i < m_out.size(); ++i) {
            TrpCompiledLine &line = m_out[i];
            if (line.kind == TrpCompiledLine::Jump && line.target < 0 && !line.label.isEmpty()) {
                const auto it = m_labels.constFind(line.label.left(15));
                if (it == m_labels.cend())
                    throw CompileError{line.sourcePos, QStringLiteral("Label \"%1\" is not defined").arg(line.label)};
                line.target = it.value();
            }
        }
        if (m_out.size() > 65535) throw CompileError{0, QStringLiteral("Script is too long")};
    }

private:
    // --- tokens ---
    Token scan(qsizetype pos) const
    {
        Token t;
        while (pos < m_buf.size() && m_buf.at(pos).unicode() <= ' ') ++pos;
        t.start = pos;
        if (pos >= m_buf.size()) { t.end = pos; return t; }
        const QChar c = m_buf.at(pos);
        qsizetype i = pos;
        if (isLatin(c)) {
            while (i < m_buf.size() && (isLatin(m_buf.at(i)) || isDigit(m_buf.at(i)) || m_buf.at(i) == QLatin1Char('_')
                                        || m_buf.at(i) == QLatin1Char('.')))
                ++i;
            t.kind = Tok::Ident;
        } else if (isDigit(c)) {
            while (i < m_buf.size() && isDigit(m_buf.at(i))) ++i;
            if (i + 1 < m_buf.size() && m_buf.at(i) == QLatin1Char('.') && isDigit(m_buf.at(i + 1))) {
                ++i;
                while (i < m_buf.size() && isDigit(m_buf.at(i))) ++i;
            }
            t.kind = Tok::Number;
        } else if (c == QLatin1Char('\'')) {
            ++i;
            while (i < m_buf.size()) {
                if (m_buf.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < m_buf.size() && m_buf.at(i + 1) == QLatin1Char('\'')) { i += 2; continue; }
                    ++i;
                    break;
                }
                ++i;
            }
            t.kind = Tok::String;
        } else {
            const QString two = m_buf.mid(pos, 2);
            if (two == QLatin1String(":=") || two == QLatin1String("<=") || two == QLatin1String(">=")
                || two == QLatin1String("<>")) {
                i += 2;
                t.kind = Tok::Symbol;
            } else if (QStringLiteral("+-*/=<>()[],;:").contains(c)) {
                i += 1;
                t.kind = Tok::Symbol;
            } else {
                i += 1;
                t.kind = Tok::Other;
            }
        }
        t.end = i;
        t.text = m_buf.mid(pos, i - pos);
        t.upper = kv::upperCase(t.text);
        return t;
    }
    Token peek() const { return scan(m_pos); }
    Token next() { Token t = scan(m_pos); m_pos = t.end; return t; }
    Token peekAfter(const Token &t) const { return scan(t.end); }
    static bool isSym(const Token &t, const char *s) { return t.kind == Tok::Symbol && t.text == QLatin1String(s); }
    static bool isWord(const Token &t, const char *s) { return t.kind == Tok::Ident && t.upper == QLatin1String(s); }
    [[noreturn]] static void fail(const Token &t, const char *message) { throw CompileError{t.start, QString::fromLatin1(message)}; }

    int addLine(TrpCompiledLine::Kind kind, qsizetype pos, const QString &expr = QString(), const QString &name = QString())
    {
        TrpCompiledLine line;
        line.kind = kind;
        line.expression = expr;
        line.name = name;
        line.sourcePos = int(pos);
        m_out << line;
        return int(m_out.size()) - 1;
    }
    int freeLine() const { return int(m_out.size()); }

    static bool isReserved(const Token &t)
    {
        static const QStringList words = {"BEGIN", "END", "IF", "THEN", "ELSE", "REPEAT", "UNTIL", "WHILE",
                                          "DO", "FOR", "TO", "GOTO"};
        return t.kind == Tok::Ident && words.contains(t.upper);
    }

    // --- expressions: checked here, computed by the expression compiler ---
    QString expression()
    {
        const Token first = peek();
        expr();
        return m_buf.mid(first.start, m_pos - first.start).trimmed();
    }
    void expr()
    {
        simple();
        const Token t = peek();
        if (isSym(t, "=") || isSym(t, "<") || isSym(t, ">") || isSym(t, "<=") || isSym(t, ">=") || isSym(t, "<>")) {
            next();
            simple();
        }
    }
    void simple()
    {
        term();
        const Token t = peek();
        if (isSym(t, "+") || isSym(t, "-") || isWord(t, "OR")) { next(); simple(); }
    }
    void term()
    {
        factor();
        const Token t = peek();
        if (isSym(t, "*") || isSym(t, "/") || isWord(t, "AND") || isWord(t, "MOD")) { next(); term(); }
    }
    void factor()
    {
        const Token t = peek();
        if (isSym(t, "(")) {
            next();
            expr();
            if (!isSym(peek(), ")")) fail(peek(), kNeedParen);
            next();
        } else if (isSym(t, "[")) {
            int end = 0;
            ScanBracketedPart(m_buf, int(t.start) + 1, end);
            if (end > m_buf.size()) fail(scan(m_buf.size()), kNeedBracket);
            m_pos = end;
        } else if (isSym(t, "+") || isSym(t, "-") || isWord(t, "NOT")) {
            next();
            expr();
        } else if (t.kind == Tok::Ident && !isReserved(t) && !isWord(t, "OR") && !isWord(t, "AND")
                   && !isWord(t, "MOD")) {
            next();
            const Token after = peek();
            if (isSym(after, "(")) {
                next();
                arguments();
            } else if (isSym(after, "[")) {
                next();
                expr();
                if (!isSym(peek(), "]")) fail(peek(), kNeedBracket);
                next();
            }
        } else if (t.kind == Tok::Number || t.kind == Tok::String) {
            next();
        } else {
            fail(t, kNeedExpression);
        }
    }
    // After "(": expressions separated by "," up to ")".
    void arguments()
    {
        if (isSym(peek(), ")")) { next(); return; }
        while (true) {
            expr();
            const Token t = next();
            if (isSym(t, ",")) continue;
            if (isSym(t, ")")) return;
            fail(t, kNeedCommaOrParen);
        }
    }

    // --- statements ---
    void statement(bool required)
    {
        const Token t = peek();
        if (t.kind == Tok::End) {
            if (required) fail(t, kNeedAssign);
            return;
        }
        if (isSym(t, ";") || isWord(t, "END") || isWord(t, "ELSE") || isWord(t, "UNTIL")) return;   // empty
        if (isWord(t, "BEGIN")) {
            next();
            while (true) {
                statement(false);
                const Token s = next();
                if (isSym(s, ";")) continue;
                if (isWord(s, "END")) return;
                fail(s, kNeedSemicolonOrEnd);
            }
        }
        if (isWord(t, "IF")) {
            next();
            const QString cond = expression();
            if (!isWord(peek(), "THEN")) fail(peek(), kNeedThen);
            next();
            const int jump = addLine(TrpCompiledLine::CondJump, t.start, cond);
            statement(true);
            if (isWord(peek(), "ELSE")) {
                const Token e = next();
                const int skip = addLine(TrpCompiledLine::Jump, e.start);
                m_out[jump].target = freeLine();
                statement(true);
                m_out[skip].target = freeLine();
            } else {
                m_out[jump].target = freeLine();
            }
            return;
        }
        if (isWord(t, "REPEAT")) {
            next();
            const int first = freeLine();
            while (true) {
                statement(false);
                const Token s = next();
                if (isSym(s, ";")) continue;
                if (isWord(s, "UNTIL")) break;
                fail(s, kNeedSemicolonOrUntil);
            }
            const Token c = peek();
            const int line = addLine(TrpCompiledLine::CondJump, c.start, expression());
            m_out[line].target = first;
            return;
        }
        if (isWord(t, "WHILE")) {
            next();
            const int cond = addLine(TrpCompiledLine::CondJump, t.start, expression());
            if (!isWord(peek(), "DO")) fail(peek(), kNeedDo);
            next();
            statement(true);
            const int back = addLine(TrpCompiledLine::Jump, t.start);
            m_out[back].target = cond;
            m_out[cond].target = freeLine();
            return;
        }
        if (isWord(t, "FOR")) {
            next();
            const Token v = next();
            if (v.kind != Tok::Ident || isReserved(v)) fail(v, kNeedAssign);
            if (!isSym(peek(), ":=")) fail(peek(), kNeedAssign);
            next();
            const QString from = expression();
            if (!isWord(peek(), "TO")) fail(peek(), kNeedTo);
            next();
            const QString to = expression();
            if (!isWord(peek(), "DO")) fail(peek(), kNeedDo);
            next();
            addLine(TrpCompiledLine::Assign, t.start, from, v.text);
            // The bound is evaluated again before every round.
            const int cond = addLine(TrpCompiledLine::CondJump, t.start, v.text + QStringLiteral(" <= (") + to + QLatin1Char(')'));
            statement(true);
            addLine(TrpCompiledLine::Assign, t.start, v.text + QStringLiteral("+1"), v.text);
            const int back = addLine(TrpCompiledLine::Jump, t.start);
            m_out[back].target = cond;
            m_out[cond].target = freeLine();
            return;
        }
        if (isWord(t, "GOTO")) {
            next();
            const Token n = next();
            if (n.kind != Tok::Number) fail(n, kGotoNumber);
            const int line = addLine(TrpCompiledLine::Jump, t.start);
            m_out[line].label = n.text;
            return;
        }
        if (t.kind == Tok::Number && isSym(peekAfter(t), ":")) {
            next();
            next();
            const QString key = t.text.left(15);
            if (!m_labels.contains(key)) m_labels.insert(key, freeLine());   // the first definition wins
            statement(true);
            return;
        }
        if (t.kind != Tok::Ident || isReserved(t)) fail(t, kNeedAssign);

        next();
        const Token after = peek();
        if (isSym(after, ":=")) {
            next();
            addLine(TrpCompiledLine::Assign, t.start, expression(), t.text);
            return;
        }
        if (isSym(after, "[")) {
            next();
            const QString index = expression();
            if (!isSym(peek(), "]")) fail(peek(), kNeedBracket);
            next();
            if (!isSym(peek(), ":=")) fail(peek(), kNeedAssign);
            next();
            const QString value = expression();
            addLine(TrpCompiledLine::Call, t.start,
                 QStringLiteral("SETARRAY(%1, %2, %3)").arg(t.text, index, value));
            return;
        }
        if (isSym(after, "(")) {
            next();
            arguments();
            addLine(TrpCompiledLine::Call, t.start, m_buf.mid(t.start, m_pos - t.start));
            return;
        }
        if (after.kind == Tok::End || isSym(after, ";") || isWord(after, "END") || isWord(after, "ELSE")
            || isWord(after, "UNTIL")) {
            addLine(TrpCompiledLine::Call, t.start, t.text + QStringLiteral("(0)"));
            return;
        }
        fail(after, kNeedAssign);
    }

    const QString &m_buf;
    TrpCompiledScript &m_out;
    qsizetype m_pos = 0;
    QHash<QString, int> m_labels;
};

} // namespace

TrpInterpretator::TrpInterpretator()
{
    m_parser.OnGetValue = [this](const QString &name, TrpValue &value) { GetValue(name, value); };
    m_parser.OnFunction = [this](const QString &name, const QString &p1, const QString &p2, const QString &p3,
                                 TrpValue &value) { CallFunction(name, p1, p2, p3, value); };
}

void TrpInterpretator::GetValue(const QString &, TrpValue &) {}
void TrpInterpretator::SetValue(const QString &, const TrpValue &) {}
void TrpInterpretator::CallFunction(const QString &, const QString &, const QString &, const QString &, TrpValue &) {}

bool TrpInterpretator::Compile(const QStringList &source, TrpCompiledScript &compiled, QStringList &errors)
{
    compiled.clear();
    errors.clear();
    QString src;
    for (const QString &line : source) src += line + QLatin1Char('\r');
    src.replace(QLatin1Char('\t'), QLatin1Char(' '));

    // Comments are cut out (each leaves one blank behind so words stay apart);
    // map[i] is the position in the source of buffer character i.
    QString buf;
    QVector<qsizetype> map;
    buf.reserve(src.size());
    map.reserve(src.size() + 1);
    bool quoted = false;
    for (qsizetype i = 0; i < src.size();) {
        const QChar c = src.at(i);
        if (!quoted && c == QLatin1Char('{')) {
            const qsizetype end = src.indexOf(QLatin1Char('}'), i);
            buf += QLatin1Char(' ');
            map << i;
            i = end < 0 ? src.size() : end + 1;
            continue;
        }
        if (!quoted && c == QLatin1Char('/') && i + 1 < src.size() && src.at(i + 1) == QLatin1Char('/')) {
            qsizetype end = src.indexOf(QLatin1Char('\r'), i);
            if (end < 0) end = src.size();
            buf += QLatin1Char(' ');
            map << i;
            i = end;
            continue;
        }
        if (c == QLatin1Char('\'')) quoted = !quoted;
        else if (c == QLatin1Char('\r')) quoted = false;
        buf += c;
        map << i;
        ++i;
    }
    map << src.size();

    auto errorLine = [&](qsizetype bufPos, const QString &message) {
        qsizetype pos = map.value(std::min<qsizetype>(bufPos, map.size() - 1));
        // The end of the text is reported on the last line, after its last character.
        while (pos > 0 && pos >= src.size() - 1 && src.at(pos - 1) == QLatin1Char('\r')) --pos;
        int line = 1;
        qsizetype lineStart = 0;
        for (qsizetype i = 0; i < pos && i < src.size(); ++i)
            if (src.at(i) == QLatin1Char('\r')) { ++line; lineStart = i + 1; }
        errors << QStringLiteral("Line %1/%2: %3").arg(line).arg(pos - lineStart + 1).arg(message);
    };

    if (kv::toCp1251(src).size() > MaxSourceSize) {
        errorLine(0, QStringLiteral("Script is too long"));
        return false;
    }
    try {
        Compiler(buf, compiled).compileScript();
        for (TrpCompiledLine &line : compiled)
            if (line.kind != TrpCompiledLine::Jump) line.expression = TrpParser::ToPostfix(line.expression);
    } catch (const CompileError &e) {
        compiled.clear();
        errorLine(e.pos, e.message);
        return false;
    } catch (const kv::Error &e) {
        compiled.clear();
        errorLine(0, e.message());
        return false;
    }
    return true;
}

void TrpInterpretator::Run(const TrpCompiledScript &compiled)
{
    qint64 steps = 0;
    int pc = 0;
    while (pc >= 0 && pc < compiled.size()) {
        if (IsCancelled && IsCancelled()) return;
        if (++steps > StepLimit)
            throw EParserError(QStringLiteral("Script stopped after %1 steps: endless loop?").arg(StepLimit));
        const TrpCompiledLine &line = compiled[pc];
        switch (line.kind) {
        case TrpCompiledLine::CondJump: {
            const TrpValue v = m_parser.EvaluatePostfix(line.expression);
            const bool zero = v.isNull() || v.isEmpty() || rpEqualsZero(v);
            pc = zero ? line.target : pc + 1;
            break;
        }
        case TrpCompiledLine::Jump:
            pc = line.target;
            break;
        case TrpCompiledLine::Call:
            if (kv::upperCase(line.expression.trimmed()) == QLatin1String("EXIT(0)")) return;
            m_parser.EvaluatePostfix(line.expression);
            ++pc;
            break;
        case TrpCompiledLine::Assign:
            SetValue(line.name, m_parser.EvaluatePostfix(line.expression));
            ++pc;
            break;
        }
    }
}

void TrpInterpretator::SplitExpressions(const TrpCompiledScript &compiled, const QStringList &matchNames,
                                        const TrpVariables *variables, QStringList &target) const
{
    TrpFunctionSplitter splitter(matchNames, variables, target);
    for (const TrpCompiledLine &line : compiled)
        if (line.kind != TrpCompiledLine::Jump) splitter.Split(line.expression);
}

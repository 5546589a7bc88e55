#pragma once
// The expression language of the report engine: a shunting-yard compiler from
// infix text to a postfix string, and the evaluator of that string.
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/error.h"
#include "report/core/format.h"
#include "report/core/value.h"

class TrpVariables;

// An expression that cannot be evaluated ("Undefined symbol "X"", a broken form).
class EParserError : public kv::Error
{
public:
    using kv::Error::Error;
};

// Positions count from 1. `start` is a "[" in the text; returns the text between
// it and its matching "]" (brackets inside single or double quotes do not count)
// and sets `end` to the closing bracket (or past the end of the text when none).
QString ScanBracketedPart(const QString &text, int start, int &end);

// Splits an argument list (without its parentheses) at the commas of depth 1;
// quotes and bracketed parts are kept whole.
QStringList rpSplitArguments(const QString &args);

// Operator codes in postfix strings.
namespace TrpOp {
enum : char16_t { Ge = 1, Le = 2, Ne = 3, Or = 4, And = 5, Int = 6, Frac = 7, Neg = 9, Plus = 10,
                  Str = 11, Not = 12, Mod = 13, Round = 14 };
}

using TrpValueHandler = std::function<void(const QString &name, TrpValue &value)>;
using TrpFunctionHandler = std::function<void(const QString &name, const QString &p1, const QString &p2,
                                              const QString &p3, TrpValue &value)>;

class TrpParser
{
public:
    TrpValueHandler OnGetValue;        // plain names in upper case, bracketed text as written
    TrpFunctionHandler OnFunction;     // upper-case name, argument texts as written
    const TrpFormatSettings *Settings = &TrpFormatSettings::standard();

    static constexpr int StackSize = 32;

    static QString ToPostfix(const QString &text);
    TrpValue EvaluatePostfix(const QString &postfix);
    TrpValue Calculate(const QString &text) { return EvaluatePostfix(ToPostfix(text)); }

private:
    TrpValue callFunction(const QString &name, const QStringList &args);
    int m_depth = 0;
};

// Collects every call of one of the match names in an expression (infix or
// postfix), with its argument list, into the target list. Names found in the
// variables are replaced by their values and searched too.
class TrpFunctionSplitter
{
public:
    TrpFunctionSplitter(const QStringList &matchNames, const TrpVariables *variables, QStringList &target)
        : m_match(matchNames), m_vars(variables), m_target(target) {}
    void Split(const QString &text);

private:
    void split(const QString &text, int depth);
    bool isMatch(const QString &upperName) const;

    QStringList m_match;
    const TrpVariables *m_vars;
    QStringList &m_target;
    QStringList m_expanding;   // variables being expanded, against self-reference
};

#pragma once
// The script language of templates: begin/end blocks, if/then/else, while,
// repeat/until, for/to, goto and labels, assignments and calls. A script is
// compiled once into a list of lines and run as often as needed.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "report/script/expression.h"

class TrpVariables;

struct TrpCompiledLine
{
    enum Kind { CondJump = 1, Jump = 2, Call = 3, Assign = 4 };
    Kind kind = Call;
    int target = -1;        // jumps: the line to go to
    QString name;           // assignments: the variable
    QString expression;     // postfix form: condition, call or right side
    QString label;          // goto: the label until it is resolved
    int sourcePos = 0;      // where the statement stood, for error lines
};
using TrpCompiledScript = QList<TrpCompiledLine>;

class TrpInterpretator
{
public:
    TrpInterpretator();
    virtual ~TrpInterpretator() = default;
    TrpInterpretator(const TrpInterpretator &) = delete;
    TrpInterpretator &operator=(const TrpInterpretator &) = delete;

    // Clears both lists; false when the source has an error (one line in errors).
    bool Compile(const QStringList &source, TrpCompiledScript &compiled, QStringList &errors);
    // Runs until the end, EXIT, the cancel check or the step budget (an error).
    void Run(const TrpCompiledScript &compiled);
    void SplitExpressions(const TrpCompiledScript &compiled, const QStringList &matchNames,
                          const TrpVariables *variables, QStringList &target) const;

    virtual void GetValue(const QString &name, TrpValue &value);
    virtual void SetValue(const QString &name, const TrpValue &value);
    virtual void CallFunction(const QString &name, const QString &p1, const QString &p2,
                              const QString &p3, TrpValue &value);

    // A bad template must not hang the program: a run stops with an error after
    // this many lines, and quietly when the cancel check says so.
    qint64 StepLimit = 1000000;
    std::function<bool()> IsCancelled;

    static constexpr int MaxSourceSize = 32000;

protected:
    TrpParser m_parser;
};

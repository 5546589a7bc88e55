#pragma once
// The report engine's process-wide part: application variables and constants,
// the engine's parser and script interpreter, the function libraries, the name
// resolution order and the function calls. The report component (bands, pages,
// objects, data) plugs in through TrpReportHooks; the dialogs of INPUT and
// MESSAGEBOX through TrpDialogs.
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <typeinfo>
#include <vector>

#include "report/core/format.h"
#include "report/script/expression.h"
#include "report/script/interpreter.h"
#include "report/script/variables.h"

class TrpEngine;

// What an aggregate call of a memo or script keeps over a band's records.
enum class TrpAggregateKind { Sum, Min, Max, Avg, Count };

// What the report being built adds to names and calls. Every method returns
// true when it has handled the name.
class TrpReportHooks
{
public:
    virtual ~TrpReportHooks() = default;
    // OnGetValue, dictionary variables, "VALUE" and the built-in names.
    virtual bool GetReportValue(const QString &name, TrpValue &value) { (void)name; (void)value; return false; }
    // "CURY", "FREESPACE", "FINALPASS", "PAGEHEIGHT", "PAGEWIDTH" and object.property.
    virtual bool GetSystemValue(const QString &name, TrpValue &value) { (void)name; (void)value; return false; }
    // Report procedures, object methods and OnUserFunction.
    virtual bool CallReportFunction(const QString &name, const QString &p1, const QString &p2,
                                    const QString &p3, TrpValue &value)
    { (void)name; (void)p1; (void)p2; (void)p3; (void)value; return false; }
    // SETARRAY and GETARRAY on an "object.property" list.
    virtual bool SetIndexProperty(const QString &objectProperty, const TrpValue &index, const TrpValue &value)
    { (void)objectProperty; (void)index; (void)value; return false; }
    virtual bool GetIndexProperty(const QString &objectProperty, const TrpValue &index, TrpValue &value)
    { (void)objectProperty; (void)index; (void)value; return false; }
    // Script assignments after the application variables: dictionary variable,
    // "MODALRESULT", "CURY", object.property, "PROGRESS".
    virtual bool SetReportValue(const QString &name, const TrpValue &value) { (void)name; (void)value; return false; }
    // Aggregates (SUM, MIN, MAX, AVG, COUNT) in the collecting and printing
    // passes of the bands.
    virtual bool Aggregate(TrpAggregateKind kind, const QString &expression, const QString &band,
                           const QString &flags, TrpValue &value)
    { (void)kind; (void)expression; (void)band; (void)flags; (void)value; return false; }
    // FIELDISNULL: true when the reference gives no field or a Null one.
    virtual bool FieldIsNull(const QString &reference) { (void)reference; return true; }
    // The stop flag of the build, checked by running scripts.
    virtual bool IsStopped() const { return false; }
};

// The input box and message box of INPUT and MESSAGEBOX.
class TrpDialogs
{
public:
    virtual ~TrpDialogs() = default;
    virtual QString InputBox(const QString &caption, const QString &prompt, const QString &defaultText) = 0;
    virtual int MessageBox(const QString &text, const QString &caption, int flags) = 0;
};

// A library of functions that expressions call by name.
class TrpFunctionLibrary
{
public:
    explicit TrpFunctionLibrary(TrpEngine &engine) : m_engine(engine) {}
    virtual ~TrpFunctionLibrary() = default;
    const QStringList &FunctionNames() const { return m_names; }
    // True when the library knows the (upper-case) name; the result goes to value.
    bool OnFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3, TrpValue &value);
    virtual void DoFunction(int number, const QString &p1, const QString &p2, const QString &p3, TrpValue &value) = 0;

protected:
    TrpValue calc(const QString &argument);
    void addFunction(const QString &name, const QString &category = QString(), const QString &description = QString());
    TrpEngine &m_engine;
    QStringList m_names;
};

class TrpStdFunctionLibrary : public TrpFunctionLibrary
{
public:
    explicit TrpStdFunctionLibrary(TrpEngine &engine);
    void DoFunction(int number, const QString &p1, const QString &p2, const QString &p3, TrpValue &value) override;
};

class TDatabaseFunctionLibrary : public TrpFunctionLibrary
{
public:
    explicit TDatabaseFunctionLibrary(TrpEngine &engine);
    void DoFunction(int number, const QString &p1, const QString &p2, const QString &p3, TrpValue &value) override;
};

struct TrpFunctionDescription
{
    TrpFunctionLibrary *library = nullptr;
    QString name;
    QString category;
    QString description;
};

// The designer's list of functions: one entry per name.
class TrpInstalledFunctions
{
public:
    void Add(TrpFunctionLibrary *library, const QString &name, const QString &category, const QString &description);
    void RemoveLibrary(const std::type_info &libraryClass);
    const QList<TrpFunctionDescription> &Items() const { return m_items; }
    int IndexOf(const QString &name) const;

private:
    QList<TrpFunctionDescription> m_items;
};

// The report's interpreter: names resolve through the engine, assignments set
// application variables or what the report offers.
class TInterpretator : public TrpInterpretator
{
public:
    explicit TInterpretator(TrpEngine &engine);
    void GetValue(const QString &name, TrpValue &value) override;
    void SetValue(const QString &name, const TrpValue &value) override;
    void CallFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3,
                      TrpValue &value) override;

private:
    TrpEngine &m_engine;
};

// Finds the aggregate calls (AVG, COUNT, MAX, MIN, SUM) of a memo's bracketed
// parts or of a script; names of the dictionary's variables are looked through.
class TAggregateFunctionsSplitter
{
public:
    TAggregateFunctionsSplitter(const TrpVariables *dictionaryVariables, QStringList &target)
        : m_vars(dictionaryVariables), m_target(target) {}
    void SplitMemo(const QStringList &lines);
    // False when the script does not compile (nothing is collected then).
    bool SplitScript(TrpInterpretator &interpreter, const QStringList &script);
    static const QStringList &MatchNames();

private:
    const TrpVariables *m_vars;
    QStringList &m_target;
};


class TrpEngine
{
public:
    TrpEngine();
    ~TrpEngine();
    TrpEngine(const TrpEngine &) = delete;
    TrpEngine &operator=(const TrpEngine &) = delete;

    TrpVariables &Variables() { return m_variables; }     // application variables, array elements
    TrpVariables &Constants() { return m_constants; }
    TrpParser &Parser() { return m_parser; }
    TInterpretator &Interpreter() { return *m_interpreter; }
    TrpInstalledFunctions &InstalledFunctions() { return m_installed; }
    const TrpFormatSettings &FormatSettings() const { return m_format; }

    // Libraries are asked in order; a class is registered once, at most 64.
    bool RegisterLibrary(std::unique_ptr<TrpFunctionLibrary> library);
    void UnregisterLibrary(const std::type_info &libraryClass);
    int LibraryCount() const { return int(m_libraries.size()); }

    void SetReport(TrpReportHooks *report) { m_report = report; }
    TrpReportHooks *Report() const { return m_report; }
    void SetDialogs(TrpDialogs *dialogs) { m_dialogs = dialogs; }
    TrpDialogs *Dialogs() const;
    // The designer's state: a name met again while it is evaluated gives 0.
    bool ErrorTolerant = false;

    // Name resolution in the order of a report (see TrpReportHooks).
    void ResolveValue(const QString &name, TrpValue &value);
    // Evaluates the expression that stands for a name, refusing a name that is
    // already being evaluated ("Undefined symbol "X"") instead of recursing.
    TrpValue EvaluateNamed(const QString &name, const QString &expression);
    // Libraries first, then SETARRAY/GETARRAY/INC/DEC, then the report; "0" when none knows it.
    void CallFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3, TrpValue &value);
    TrpValue Calculate(const QString &expression) { return m_parser.Calculate(expression); }

    // Script array element names: "Arr_" + array + "_" + index.
    static QString ArrayElementName(const QString &array, const TrpValue &index);

    // Texts kept at start.
    QStringList BandNames, BooleanFormats, DateFormats, TimeFormats;

private:
    void fillConstants();

    TrpVariables m_variables{true};
    TrpVariables m_constants{true};
    TrpParser m_parser;
    std::unique_ptr<TInterpretator> m_interpreter;
    std::vector<std::unique_ptr<TrpFunctionLibrary>> m_libraries;
    TrpInstalledFunctions m_installed;
    TrpFormatSettings m_format;
    TrpReportHooks *m_report = nullptr;
    TrpDialogs *m_dialogs = nullptr;
    QStringList m_evaluating;   // upper-case names under evaluation
};

// The engine of the process: started on first use, ended by rpEngineEnd().
TrpEngine &rpEngine();
void rpEngineStart();
void rpEngineEnd();

#pragma once
// Small shared utilities of the report engine: engine texts by number, data
// field references, the tolerant number reader and ";"-separated lists.
#include <QString>
#include <QStringList>
#include <functional>

#include "report/core/value.h"

// The engine's texts (captions, buttons, messages) by number. A localisation
// handler, when set, is asked first; numbers without a text give "".
QString LoadEngineString(int number);
using TrpLocalizeHandler = std::function<bool(int number, QString &text)>;
void SetEngineLocalizeHandler(TrpLocalizeHandler handler);

// Without the surrounding double quotes when longer than 2 and quoted at both ends.
QString UnquoteName(const QString &text);
// Every "," and "." is a decimal separator; EConvertError when no number.
double StrToFloatAnySep(const QString &text);
// The item from pos (1-based) to the next ";" or the end; pos moves past the ";".
QString NextListItem(const QString &text, int &pos);
QStringList SplitList(const QString &text);

// A record source as field references see it (the report's data sources
// implement it).
class TrpFieldSource
{
public:
    virtual ~TrpFieldSource() = default;
    virtual bool hasField(const QString &name) const = 0;        // without regard to case
    virtual TrpValue fieldValue(const QString &name) const = 0;  // Null when the field is null
    // Opens the records when they are closed (a data set left closed by its owner).
    virtual void openIfClosed() {}
};

// Finds data sources by the names of a field reference: {source},
// {form, source} or {form, module, source}; nullptr when any part is missing.
class TrpComponentHost
{
public:
    virtual ~TrpComponentHost() = default;
    virtual TrpFieldSource *findDataSource(const QStringList &path) = 0;
};

// The name when the source has such a field, else "" (also without a source).
QString FieldNameIfPresent(const TrpFieldSource *source, const QString &name);
// Splits "field", "source.field", "form.source.field" or "form.module.source.field"
// ("source."field.with.dots"" keeps the quoted rest whole) and finds the source and
// field. `source` comes in as the default for a bare field name; `field` is "" when
// the source has no such field.
void ResolveFieldReference(const QString &reference, TrpComponentHost *host,
                           TrpFieldSource *&source, QString &field);
// True when the reference gives no source or no field, or the field is Null.
bool FieldIsNull(const QString &reference, TrpFieldSource *defaultSource, TrpComponentHost *host);

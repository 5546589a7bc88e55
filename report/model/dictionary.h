#pragma once
// The report's data dictionary: its own variables (named expressions under
// category headings), aliases of data sources and fields, and the band data
// sources, stored in the template's dictionary block.
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

#include "report/script/variables.h"

class TrpFieldSource;

class TrpDataDictionary
{
public:
    TrpVariables VariableList;      // names beginning with a blank are categories
    TrpVariables FieldAliasList;    // real name -> alias
    TrpVariables BandSourceList;
    QStringList DisabledSourceList;

    // Resolves "source.field" (or "source."field"") to a data field: the source
    // and the field name, or nullptr. Set by the report.
    std::function<TrpFieldSource *(const QString &reference, QString &field)> ResolveField;
    // The application's global variables win over the dictionary's own values.
    std::function<bool(const QString &name, TrpValue &value)> GlobalValue;
    // Evaluates an expression text.
    std::function<TrpValue(const QString &expression)> Evaluate;

    void Clear();
    void ClearCache() { m_cache.clear(); }
    void CacheField(const QString &name, TrpFieldSource *source, const QString &field);
    bool HasVariable(const QString &name);
    TrpValue VariableValue(const QString &name);
    // The data field a variable stands for, once HasVariable has cached it.
    bool CachedField(const QString &name, TrpFieldSource *&source, QString &field) const;
    // Splits at the last "." outside double quotes; false without one.
    static bool SplitFieldName(const QString &text, QString &dataSet, QString &field);
    QString AliasedDataSetName(const QString &alias) const;

    void LoadFromStream(QIODevice &stream, int version);
    void SaveToStream(QIODevice &stream) const;

private:
    struct Cached { TrpFieldSource *source; QString field; };
    std::map<QString, Cached> m_cache;     // upper-case names
    bool resolveAndCache(const QString &name, const QString &reference);
};

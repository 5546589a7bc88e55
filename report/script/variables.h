#pragma once
// An ordered list of named values: the application variables, the constants,
// the report's dictionary lists. Names are compared without regard to case;
// a name is held once.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "report/core/value.h"

class TrpVariables
{
public:
    TrpVariables() = default;
    explicit TrpVariables(bool sorted) : m_sorted(sorted) {}

    void SetValue(const QString &name, const TrpValue &value);   // adds a new name
    TrpValue GetValue(const QString &name) const;               // Null when missing
    const TrpValue *Find(const QString &name) const;            // nullptr when missing
    int IndexOf(const QString &name) const;                     // -1 when missing
    bool Contains(const QString &name) const { return IndexOf(name) >= 0; }
    int Count() const { return int(m_names.size()); }
    QString Name(int index) const;                              // "" out of range
    TrpValue Value(int index) const;                            // 0 out of range
    void SetValueAt(int index, const TrpValue &value);          // ignored out of range
    void Rename(int index, const QString &name);                // ignored out of range or taken
    void Delete(int index);
    void Clear();
    void SetSorted(bool sorted);
    bool Sorted() const { return m_sorted; }
    const QStringList &Names() const { settle(); return m_names; }

private:
    // Names are found through an index by their upper-case key; a sorted list
    // takes new names at its end and sorts them in only when it is read by
    // position, so that filling it (script arrays) is not quadratic.
    void settle() const;
    void reindex() const;

    mutable QStringList m_names;
    mutable QList<TrpValue> m_values;
    mutable QHash<QString, int> m_index;   // upper-case name -> position
    mutable bool m_unsorted = false;       // names appended since the last sort
    bool m_sorted = false;
};

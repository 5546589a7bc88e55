#pragma once
// An ordered list of named values: the application variables, the constants,
// the report's dictionary lists. Names are compared without regard to case;
// a name is held once.
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
    const QStringList &Names() const { return m_names; }

private:
    int findSorted(const QString &name, bool &found) const;

    QStringList m_names;
    QList<TrpValue> m_values;
    bool m_sorted = false;
};

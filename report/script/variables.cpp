#include "report/script/variables.h"

#include <numeric>

#include "platform/text.h"

int TrpVariables::findSorted(const QString &name, bool &found) const
{
    int lo = 0, hi = int(m_names.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (kv::compareText(m_names[mid], name) < 0) lo = mid + 1; else hi = mid;
    }
    found = lo < m_names.size() && kv::sameText(m_names[lo], name);
    return lo;
}

int TrpVariables::IndexOf(const QString &name) const
{
    if (m_sorted) {
        bool found = false;
        const int i = findSorted(name, found);
        return found ? i : -1;
    }
    for (int i = 0; i < m_names.size(); ++i)
        if (kv::sameText(m_names[i], name)) return i;
    return -1;
}

void TrpVariables::SetValue(const QString &name, const TrpValue &value)
{
    if (m_sorted) {
        bool found = false;
        const int i = findSorted(name, found);
        if (found) { m_values[i] = value; return; }
        m_names.insert(i, name);
        m_values.insert(i, value);
        return;
    }
    const int i = IndexOf(name);
    if (i >= 0) { m_values[i] = value; return; }
    m_names << name;
    m_values << value;
}

TrpValue TrpVariables::GetValue(const QString &name) const
{
    const int i = IndexOf(name);
    return i < 0 ? TrpValue::null() : m_values[i];
}

QString TrpVariables::Name(int index) const
{
    return (index >= 0 && index < m_names.size()) ? m_names[index] : QString();
}

TrpValue TrpVariables::Value(int index) const
{
    return (index >= 0 && index < m_values.size()) ? m_values[index] : TrpValue(0);
}

void TrpVariables::SetValueAt(int index, const TrpValue &value)
{
    if (index >= 0 && index < m_values.size()) m_values[index] = value;
}

void TrpVariables::Rename(int index, const QString &name)
{
    if (index < 0 || index >= m_names.size()) return;
    const int other = IndexOf(name);
    if (other >= 0 && other != index) return;
    const TrpValue v = m_values[index];
    if (!m_sorted) { m_names[index] = name; return; }
    Delete(index);
    SetValue(name, v);
}

void TrpVariables::Delete(int index)
{
    if (index < 0 || index >= m_names.size()) return;
    m_names.removeAt(index);
    m_values.removeAt(index);
}

void TrpVariables::Clear()
{
    m_names.clear();
    m_values.clear();
}

void TrpVariables::SetSorted(bool sorted)
{
    if (sorted == m_sorted) return;
    m_sorted = sorted;
    if (!sorted) return;
    QList<int> order(m_names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return kv::compareText(m_names[a], m_names[b]) < 0; });
    QStringList names;
    QList<TrpValue> values;
    for (int i : order) {
        if (!names.isEmpty() && kv::sameText(names.last(), m_names[i])) continue;
        names << m_names[i];
        values << m_values[i];
    }
    m_names = names;
    m_values = values;
}

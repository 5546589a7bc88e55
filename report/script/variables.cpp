#include "report/script/variables.h"

#include <numeric>

#include "platform/text.h"

namespace {

QString keyOf(const QString &name) { return kv::upperCase(name); }

} // namespace

void TrpVariables::reindex() const
{
    m_index.clear();
    m_index.reserve(m_names.size());
    for (int i = 0; i < m_names.size(); ++i) m_index.insert(keyOf(m_names[i]), i);
}

void TrpVariables::settle() const
{
    if (!m_unsorted) return;
    m_unsorted = false;
    QList<int> order(m_names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return kv::compareText(m_names[a], m_names[b]) < 0; });
    QStringList names;
    QList<TrpValue> values;
    names.reserve(m_names.size());
    values.reserve(m_names.size());
    for (int i : order) {
        names << m_names[i];
        values << m_values[i];
    }
    m_names = names;
    m_values = values;
    reindex();
}

int TrpVariables::IndexOf(const QString &name) const
{
    settle();
    return m_index.value(keyOf(name), -1);
}

const TrpValue *TrpVariables::Find(const QString &name) const
{
    const auto it = m_index.constFind(keyOf(name));
    return it == m_index.constEnd() ? nullptr : &m_values[it.value()];
}

void TrpVariables::SetValue(const QString &name, const TrpValue &value)
{
    const QString key = keyOf(name);
    const auto it = m_index.constFind(key);
    if (it != m_index.constEnd()) { m_values[it.value()] = value; return; }
    m_index.insert(key, int(m_names.size()));
    m_names << name;
    m_values << value;
    if (m_sorted && m_names.size() > 1) m_unsorted = true;
}

TrpValue TrpVariables::GetValue(const QString &name) const
{
    const TrpValue *v = Find(name);
    return v ? *v : TrpValue::null();
}

QString TrpVariables::Name(int index) const
{
    settle();
    return (index >= 0 && index < m_names.size()) ? m_names[index] : QString();
}

TrpValue TrpVariables::Value(int index) const
{
    settle();
    return (index >= 0 && index < m_values.size()) ? m_values[index] : TrpValue(0);
}

void TrpVariables::SetValueAt(int index, const TrpValue &value)
{
    settle();
    if (index >= 0 && index < m_values.size()) m_values[index] = value;
}

void TrpVariables::Rename(int index, const QString &name)
{
    settle();
    if (index < 0 || index >= m_names.size()) return;
    const int other = IndexOf(name);
    if (other >= 0 && other != index) return;
    const TrpValue v = m_values[index];
    if (!m_sorted) {
        m_index.remove(keyOf(m_names[index]));
        m_names[index] = name;
        m_index.insert(keyOf(name), index);
        return;
    }
    Delete(index);
    SetValue(name, v);
}

void TrpVariables::Delete(int index)
{
    settle();
    if (index < 0 || index >= m_names.size()) return;
    m_names.removeAt(index);
    m_values.removeAt(index);
    reindex();
}

void TrpVariables::Clear()
{
    m_names.clear();
    m_values.clear();
    m_index.clear();
    m_unsorted = false;
}

void TrpVariables::SetSorted(bool sorted)
{
    if (sorted == m_sorted) return;
    m_sorted = sorted;
    if (!sorted) return;
    m_unsorted = true;
    settle();
}

#include "data/rowchecks.h"

#include "platform/db/dataset.h"
#include "platform/error.h"

#include <cmath>

namespace kv {

RowProblem CheckPositive(Field &f, const QString &message, bool zeroAllowed)
{
    const QVariant v = f.Value();
    const QString label = f.DisplayLabel();
    auto problem = [&](const char *text, bool empty) {
        return RowProblem{&f, message.isEmpty() ? QString::fromUtf8(text).arg(label) : message, empty};
    };
    if (!v.isValid() || v.isNull() || v.toString().trimmed().isEmpty()) return problem(rowtext::Empty, true);
    bool ok = true;
    const QVariant d = coerceValue(FieldType::Float, v, &ok);
    if (!ok || !d.isValid() || !std::isfinite(d.toDouble()))
        return {&f, QStringLiteral("'%1' - неверное число для поля '%2'").arg(v.toString(), label), false};
    // Sizes and quantities are read as whole numbers: 0.4 is no part.
    const long long n = std::llround(d.toDouble());
    if (zeroAllowed && n < 0) return problem(rowtext::Negative, false);
    if (!zeroAllowed && n <= 0) return problem(rowtext::NotPositive, false);
    return {};
}

PositiveFieldsCheck::PositiveFieldsCheck(DataSet &ds, std::vector<CheckedField> fields)
    : m_ds(ds), m_fields(std::move(fields))
{
    DataSet::Event afterEdit = ds.AfterEdit;
    ds.AfterEdit = [this, afterEdit](DataSet &d) {
        remember();
        if (afterEdit) afterEdit(d);
    };
    DataSet::Event beforePost = ds.BeforePost;
    ds.BeforePost = [this, beforePost](DataSet &d) {
        if (beforePost) beforePost(d);
        this->beforePost();
    };
}

void PositiveFieldsCheck::remember()
{
    m_stored.clear();
    for (const CheckedField &c : m_fields) {
        const Field *f = m_ds.FindField(c.name);
        m_stored << (f ? f->Value() : QVariant());
    }
}

RowProblem PositiveFieldsCheck::Problem(bool emptyCounts, const Field *only) const
{
    const DataSetState st = m_ds.State();
    if (st != DataSetState::Edit && st != DataSetState::Insert) return {};
    for (size_t i = 0; i < m_fields.size(); ++i) {
        Field *f = m_ds.FindField(m_fields[i].name);
        if (!f || (only && f != only)) continue;
        if (st == DataSetState::Edit && int(i) < m_stored.size() && f->Value() == m_stored[int(i)]) continue;
        RowProblem p = CheckPositive(*f, m_fields[i].message, m_fields[i].zeroAllowed);
        if (p && (emptyCounts || !p.empty)) return p;
    }
    return {};
}

void PositiveFieldsCheck::beforePost()
{
    if (m_suspended > 0) return;
    if (const RowProblem p = Problem()) throw Error(p.message);
}

} // namespace kv

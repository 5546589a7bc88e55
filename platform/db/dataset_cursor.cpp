#include "platform/db/dataset_p.h"

namespace kv {

// ===================================================================== DataSet

DataSet::DataSet(QObject *parent) : QObject(parent) {}

DataSet::~DataSet()
{
    // Back-ends close themselves in their destructors (InternalClose is pure
    // here); only detach the observers.
    for (DataLink *l : QList<DataLink *>(m_links)) l->m_ds = nullptr;
    for (DataSource *s : QList<DataSource *>(m_sources)) {
        s->m_ds = nullptr;
        for (DataLink *l : s->m_links) l->m_ds = nullptr;
    }
}

void DataSet::checkActive() const
{
    if (!Active()) throw Error(QString::fromUtf8(kClosed));
}

void DataSet::checkInactive() const
{
    if (Active()) throw Error(QString::fromUtf8(kOpen));
}

void DataSet::renumberFields()
{
    m_fieldByName.clear();
    for (size_t i = 0; i < m_fields.size(); ++i) m_fields[i]->m_index = int(i);
}

Field *DataSet::AddField(const QString &name, FieldType type, int size, FieldKind kind)
{
    return AddField(std::make_unique<Field>(name, type, size, kind));
}

Field *DataSet::AddField(std::unique_ptr<Field> field)
{
    checkInactive();
    if (FindField(field->FieldName()))
        throw Error(QStringLiteral("Поле '%1' уже существует").arg(field->FieldName()));
    Field *f = field.get();
    f->m_ds = this;
    f->m_slot = int(m_fields.size());
    m_fields.push_back(std::move(field));
    renumberFields();
    return f;
}

void DataSet::RemoveField(Field *field)
{
    checkInactive();
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].get() == field) {
            m_fields.erase(m_fields.begin() + long(i));
            break;
        }
    }
    renumberFields();
    for (size_t i = 0; i < m_fields.size(); ++i) m_fields[i]->m_slot = int(i);
}

void DataSet::ClearFields()
{
    checkInactive();
    m_fields.clear();
    m_fieldByName.clear();
}

Field *DataSet::Fields(int index) const
{
    if (index < 0 || index >= int(m_fields.size()))
        throw Error(QStringLiteral("Индекс поля %1 вне допустимого диапазона").arg(index));
    return m_fields[size_t(index)].get();
}

QList<Field *> DataSet::FieldList() const
{
    QList<Field *> out;
    for (const auto &f : m_fields) out << f.get();
    return out;
}

Field *DataSet::FindField(const QString &name) const
{
    if (Field *known = m_fieldByName.value(name)) return known;
    const QString n = name.trimmed();
    for (const auto &f : m_fields)
        if (sameText(f->FieldName(), n)) {
            m_fieldByName.insert(name, f.get());
            return f.get();
        }
    return nullptr;
}

Field *DataSet::FieldByName(const QString &name) const
{
    Field *f = FindField(name);
    if (!f) throw Error(fieldNotFoundMessage(name));
    return f;
}

QStringList DataSet::FieldNames() const
{
    QStringList out;
    for (const auto &f : m_fields) out << f->FieldName();
    return out;
}

void DataSet::bindFields()
{
    m_fieldByName.clear();
    const QList<FieldDef> defs = InternalFieldDefs();
    bool anyStored = false;
    for (const auto &f : m_fields)
        if (f->IsStored()) anyStored = true;
    if (!anyStored) {
        // Default fields, one per column, in front of any calculated ones.
        int at = 0;
        for (const FieldDef &d : defs) {
            auto f = std::make_unique<Field>(d.name, d.type, d.size, FieldKind::Data);
            f->m_decimals = d.decimals;
            f->m_required = d.required;
            f->m_ds = this;
            f->m_default = true;
            m_fields.insert(m_fields.begin() + at, std::move(f));
            ++at;
        }
        renumberFields();
    }
    for (size_t i = 0; i < m_fields.size(); ++i) m_fields[i]->m_slot = int(i);
    for (const auto &f : m_fields) {
        f->m_column = -1;
        if (!f->IsStored()) continue;
        for (int c = 0; c < defs.size(); ++c) {
            if (sameText(defs[c].name, f->FieldName())) {
                f->m_column = c;
                if (f->m_size == 0 && isStringType(f->m_type)) f->m_size = defs[c].size;
                break;
            }
        }
        if (f->m_column < 0) throw Error(fieldNotFoundMessage(f->FieldName()));
    }
}

void DataSet::unbindFields()
{
    for (size_t i = m_fields.size(); i-- > 0;)
        if (m_fields[i]->m_default) m_fields.erase(m_fields.begin() + long(i));
    renumberFields();
    for (size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->m_slot = int(i);
        m_fields[i]->m_column = -1;
    }
}

const DataSet::Event &DataSet::eventHandler(DataSetEvent which) const
{
    switch (which) {
    case DataSetEvent::BeforeOpen: return BeforeOpen;
    case DataSetEvent::AfterOpen: return AfterOpen;
    case DataSetEvent::BeforeClose: return BeforeClose;
    case DataSetEvent::AfterClose: return AfterClose;
    case DataSetEvent::BeforeInsert: return BeforeInsert;
    case DataSetEvent::AfterInsert: return AfterInsert;
    case DataSetEvent::BeforeEdit: return BeforeEdit;
    case DataSetEvent::AfterEdit: return AfterEdit;
    case DataSetEvent::BeforePost: return BeforePost;
    case DataSetEvent::AfterPost: return AfterPost;
    case DataSetEvent::BeforeCancel: return BeforeCancel;
    case DataSetEvent::AfterCancel: return AfterCancel;
    case DataSetEvent::BeforeDelete: return BeforeDelete;
    case DataSetEvent::AfterDelete: return AfterDelete;
    case DataSetEvent::BeforeScroll: return BeforeScroll;
    case DataSetEvent::AfterScroll: return AfterScroll;
    case DataSetEvent::OnNewRecord: return OnNewRecord;
    }
    static const Event none;
    return none;
}

void DataSet::fireEvent(DataSetEvent which)
{
    if (m_heldEvents.testFlag(which)) return;
    if (const Event &ev = eventHandler(which)) ev(*this);
}

void DataSet::notify(int what, Field *f, int distance)
{
    if (m_disableCount > 0) {
        if (what & (nActive | nLayout | nData | nScroll | nRecord | nEditing)) m_pendingNotify |= what;
        return;
    }
    // Nobody to tell (a table filled in code): no list is built. The lists
    // are walked const, so that an empty one is not allocated to be walked.
    if (m_links.isEmpty() && m_sources.isEmpty()) return;
    QList<DataLink *> all = m_links;
    for (DataSource *s : std::as_const(m_sources))
        for (DataLink *l : std::as_const(s->m_links))
            if (!all.contains(l)) all << l;
    for (DataLink *l : std::as_const(all)) {
        if (l->m_ds != this) continue;
        if (what & nActive) l->ActiveChanged();
        if (what & nLayout) l->LayoutChanged();
        if (what & nUpdate) l->UpdateData();
        if (what & nEditing) l->EditingChanged();
        if (what & nData) l->DataSetChanged();
        if (what & nScroll) l->DataSetScrolled(distance);
        if (what & nRecord) l->RecordChanged(f);
    }
}

void DataSet::NotifyLayoutChanged()
{
    ++m_gen;
    notify(nLayout);
}

void DataSet::DisableControls() { ++m_disableCount; }

void DataSet::EnableControls()
{
    if (m_disableCount == 0) return;
    if (--m_disableCount > 0) return;
    const int pending = m_pendingNotify;
    m_pendingNotify = 0;
    if (pending == 0) return;
    int what = 0;
    if (pending & nActive) what |= nActive;
    if (pending & nLayout) what |= nLayout;
    if (pending & (nData | nScroll | nRecord | nEditing)) what |= nData;
    if (pending & nEditing) what |= nEditing;
    notify(what);
}

// ---- open and close

void DataSet::Open()
{
    if (Active()) return;
    fireEvent(DataSetEvent::BeforeOpen);
    InternalOpen();
    try {
        bindFields();
        m_state = DataSetState::Browse;
        m_modified = false;
        m_stale = false;
        m_filterExpr.reset();
        if (!m_filterText.trimmed().isEmpty()) m_filterExpr = FilterExpr::parse(m_filterText);
        rebuildRows();
    } catch (...) {
        m_state = DataSetState::Inactive;
        m_rows.clear();
        InternalClose();
        unbindFields();
        throw;
    }
    showRow(firstRow(), true, nActive);
    fireEvent(DataSetEvent::AfterOpen);
    if (!m_rows.empty()) fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::Close()
{
    if (!Active()) return;
    fireEvent(DataSetEvent::BeforeClose);
    m_state = DataSetState::Browse;
    m_modified = false;
    InternalClose();
    m_state = DataSetState::Inactive;
    m_rows.clear();
    m_cur = -1;
    m_bof = m_eof = true;
    m_buf = Record();
    m_cacheRow = -1;
    ++m_gen;
    unbindFields();
    notify(nActive);
    fireEvent(DataSetEvent::AfterClose);
}

void DataSet::SetActive(bool active)
{
    if (active) Open();
    else Close();
}

// ---- rows

void DataSet::rebuildRows()
{
    ++m_gen;
    m_cacheRow = -1;
    const int n = InternalRecordCount();
    m_rows.clear();
    const bool filtering = m_filtered && (m_filterExpr || OnFilterRecord);
    if (!filtering) {
        m_rows.resize(size_t(n));
        for (int i = 0; i < n; ++i) m_rows[size_t(i)] = i;
        sortRows();
        return;
    }
    bindFilter();
    m_rows.reserve(size_t(n));
    Record r;
    for (int pos = 0; pos < n; ++pos) {
        // readRow works on m_rows, so read by position here.
        readPosition(pos, r);
        if (acceptRecord(r)) m_rows.push_back(pos);
    }
    sortRows();
}

namespace {

int compareKeys(const QVariant &a, const QVariant &b)
{
    const bool na = a.isNull() || !a.isValid(), nb = b.isNull() || !b.isValid();
    if (na || nb) return int(nb) - int(na);
    const int ta = a.typeId(), tb = b.typeId();
    auto numeric = [](int t) {
        return t == QMetaType::Int || t == QMetaType::LongLong || t == QMetaType::Double || t == QMetaType::Bool ||
               t == QMetaType::UInt || t == QMetaType::ULongLong;
    };
    if (numeric(ta) && numeric(tb)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    if (ta == QMetaType::QDate && tb == QMetaType::QDate) {
        const QDate x = a.toDate(), y = b.toDate();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
}

} // namespace

void DataSet::sortRows()
{
    if (m_indexFieldNames.trimmed().isEmpty() || m_rows.size() < 2) return;
    std::vector<int> keySlots;
    for (const QString &name : m_indexFieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (Field *f = FindField(name.trimmed())) keySlots.push_back(f->m_slot);
    if (keySlots.empty()) return;
    // Keys read once per row; equal keys keep the back-end's order.
    std::vector<std::pair<QVariantList, int>> keyed;
    keyed.reserve(m_rows.size());
    Record r;
    for (int pos : m_rows) {
        readPosition(pos, r);
        QVariantList key;
        for (int slot : keySlots) key << r.values.value(slot);
        keyed.emplace_back(std::move(key), pos);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        for (qsizetype i = 0; i < a.first.size(); ++i)
            if (const int c = compareKeys(a.first[i], b.first[i])) return c < 0;
        return false;
    });
    for (size_t i = 0; i < keyed.size(); ++i) m_rows[i] = keyed[i].second;
}

void DataSet::SetIndexFieldNames(const QString &names)
{
    if (Active())
        for (const QString &name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) FieldByName(name.trimmed());
    m_indexFieldNames = names;
    if (!Active()) return;
    CheckBrowseMode();
    const int row = rebuildKeepingCurrent();
    showRow(row >= 0 ? row : firstRow(), false, nData);
}

bool DataSet::acceptPosition(int pos) const
{
    if (!filtering()) return true;
    bindFilter();
    Record r;
    readPosition(pos, r);
    return acceptRecord(r);
}

void DataSet::bindFilter() const
{
    if (!m_filterExpr) return;
    m_filterExpr->bind([this](const QString &name, FieldType &t) {
        Field *f = FindField(name);
        if (!f) return -1;
        t = f->DataType();
        return f->m_slot;
    });
}

int DataSet::followChange(int oldPos, int newPos)
{
    ++m_gen;
    m_cacheRow = -1;
    // m_rows is sorted: only the rows after a position shift.
    if (oldPos >= 0 && oldPos == newPos) {
        auto it = std::lower_bound(m_rows.begin(), m_rows.end(), oldPos);
        const bool shown = it != m_rows.end() && *it == oldPos;
        const bool accepted = acceptPosition(newPos);
        if (shown && !accepted) m_rows.erase(it);
        else if (!shown && accepted) it = m_rows.insert(it, newPos);
        return accepted ? int(it - m_rows.begin()) : -1;
    }
    if (oldPos >= 0) {
        auto it = std::lower_bound(m_rows.begin(), m_rows.end(), oldPos);
        if (it != m_rows.end() && *it == oldPos) it = m_rows.erase(it);
        for (; it != m_rows.end(); ++it) --*it;
    }
    if (newPos < 0) return -1;
    auto it = std::lower_bound(m_rows.begin(), m_rows.end(), newPos);
    for (auto j = it; j != m_rows.end(); ++j) ++*j;
    if (!acceptPosition(newPos)) return -1;
    it = m_rows.insert(it, newPos);
    return int(it - m_rows.begin());
}

bool DataSet::acceptRecord(const Record &r) const
{
    if (m_filterExpr && !m_filterExpr->matches(r.values, CaseInsensitiveFilter)) return false;
    if (!OnFilterRecord) return true;
    auto *self = const_cast<DataSet *>(this);
    const Record *savedActive = m_active;
    const DataSetState savedState = m_state;
    m_active = &r;
    self->m_state = DataSetState::Filter;
    bool accept = true;
    try {
        OnFilterRecord(*self, accept);
    } catch (...) {
        m_active = savedActive;
        self->m_state = savedState;
        throw;
    }
    m_active = savedActive;
    self->m_state = savedState;
    return accept;
}

void DataSet::readRow(int row, Record &r) const
{
    readPosition(m_rows[size_t(row)], r);
}

void DataSet::readPosition(int pos, Record &r) const
{
    QVariantList cols;
    InternalReadRecord(pos, cols);
    r.values = QVariantList();
    r.values.resize(m_fields.size());
    for (const auto &f : m_fields)
        if (f->m_column >= 0) r.values[f->m_slot] = cols.value(f->m_column);
    r.id = InternalRecordId(pos);
    calcFields(r);
}

void DataSet::calcFields(Record &r) const
{
    bool any = false;
    for (const auto &f : m_fields)
        if (f->Kind() == FieldKind::Calculated || f->Kind() == FieldKind::Lookup) any = true;
    if (!any) return;
    for (const auto &f : m_fields)
        if (f->Kind() == FieldKind::Calculated || f->Kind() == FieldKind::Lookup) r.values[f->m_slot] = QVariant();
    auto *self = const_cast<DataSet *>(this);
    const Record *savedActive = m_active;
    const DataSetState savedState = m_state;
    struct Restore
    {
        DataSet *ds;
        const Record *a;
        DataSetState s;
        ~Restore() { ds->m_active = a; ds->m_state = s; }
    } restore{self, savedActive, savedState};
    m_active = &r;
    self->m_state = DataSetState::CalcFields;
    for (const auto &f : m_fields) {
        if (f->Kind() != FieldKind::Lookup || !f->LookupDataSet || !f->LookupDataSet->Active()) continue;
        const QStringList keys = splitNames(f->KeyFields);
        QVariantList keyValues;
        for (const QString &k : keys) {
            const Field *kf = FindField(k);
            keyValues << (kf ? r.values.value(kf->m_slot) : QVariant());
        }
        const QVariant kv = keyValues.size() == 1 ? keyValues.first() : QVariant(keyValues);
        r.values[f->m_slot] = f->LookupDataSet->Lookup(f->LookupKeyFields, kv, f->LookupResultField);
    }
    if (OnCalcFields) OnCalcFields(*self);
}

void DataSet::loadCurrent()
{
    m_active = nullptr;
    if (m_cur >= 0 && m_cur < int(m_rows.size())) {
        readRow(m_cur, m_buf);
    } else {
        m_buf = Record();
        m_buf.values.resize(m_fields.size());
    }
}

const QVariant &DataSet::activeValue(int slot) const
{
    static const QVariant null;
    const Record &r = m_active ? *m_active : m_buf;
    if (slot < 0 || slot >= r.values.size()) return null;
    return r.values[slot];
}

void DataSet::setActiveValue(Field *f, const QVariant &v)
{
    if (m_state == DataSetState::CalcFields) {
        if (m_active) const_cast<Record *>(m_active)->values[f->m_slot] = v;
        return;
    }
    m_buf.values[f->m_slot] = v;
    m_modified = true;
    ++m_gen;
    if (f->IsStored() && !m_settingWholeRecord) {
        // Calculated fields follow the data they are computed from.
        calcFields(m_buf);
    }
    if (f->OnChange) f->OnChange(*f);
    notify(nRecord, f);
}

int DataSet::rowOfId(qint64 id) const
{
    if (id < 0) return -1;
    const int pos = InternalFindId(id);
    if (pos < 0) return -1;
    if (!m_indexFieldNames.trimmed().isEmpty()) {
        auto it = std::find(m_rows.begin(), m_rows.end(), pos);
        return it == m_rows.end() ? -1 : int(it - m_rows.begin());
    }
    auto it = std::lower_bound(m_rows.begin(), m_rows.end(), pos);
    if (it == m_rows.end() || *it != pos) return -1;
    return int(it - m_rows.begin());
}

void DataSet::setState(DataSetState s)
{
    if (m_state == s) return;
    const bool wasEditing = m_state == DataSetState::Edit || m_state == DataSetState::Insert;
    m_state = s;
    const bool editing = s == DataSetState::Edit || s == DataSetState::Insert;
    if (wasEditing != editing) notify(nEditing);
}

// ---- navigation

bool DataSet::IsEmpty() const
{
    return !Active() || (m_rows.empty() && m_state != DataSetState::Insert);
}

int DataSet::RecordCount() const { return Active() ? int(m_rows.size()) : 0; }

int DataSet::RecNo() const
{
    if (!Active() || m_state == DataSetState::Insert || m_cur < 0) return 0;
    return m_cur + 1;
}

void DataSet::SetRecNo(int recNo)
{
    checkActive();
    CheckBrowseMode();
    if (recNo < 1 || recNo > int(m_rows.size())) return;
    if (recNo - 1 == m_cur) return;
    moveTo(recNo - 1, true);
}

void DataSet::moveTo(int row, bool fireScroll)
{
    if (fireScroll) fireEvent(DataSetEvent::BeforeScroll);
    const int distance = row - m_cur;
    m_cur = row;
    m_bof = m_eof = false;
    loadCurrent();
    notify(nScroll, nullptr, distance);
    if (fireScroll) fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::First()
{
    checkActive();
    CheckBrowseMode();
    fireEvent(DataSetEvent::BeforeScroll);
    showRow(firstRow(), true, nData);
    fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::Last()
{
    checkActive();
    CheckBrowseMode();
    fireEvent(DataSetEvent::BeforeScroll);
    m_cur = int(m_rows.size()) - 1;
    m_eof = true;
    m_bof = m_rows.empty();
    loadCurrent();
    notify(nData);
    fireEvent(DataSetEvent::AfterScroll);
}

int DataSet::MoveBy(int distance)
{
    checkActive();
    CheckBrowseMode();
    if (distance == 0) return 0;
    fireEvent(DataSetEvent::BeforeScroll);
    const int n = int(m_rows.size());
    int moved = 0;
    if (n == 0) {
        m_bof = m_eof = true;
    } else if (distance > 0) {
        const int target = std::min(m_cur + distance, n - 1);
        moved = target - m_cur;
        m_eof = m_cur + distance > n - 1;
        if (moved > 0) m_bof = false;
        m_cur = target;
    } else {
        const int target = std::max(m_cur + distance, 0);
        moved = target - m_cur;
        m_bof = m_cur + distance < 0;
        if (moved < 0) m_eof = false;
        m_cur = target;
    }
    if (moved != 0) {
        loadCurrent();
        notify(nScroll, nullptr, moved);
    }
    fireEvent(DataSetEvent::AfterScroll);
    return moved;
}

void DataSet::Next() { MoveBy(1); }
void DataSet::Prior() { MoveBy(-1); }

void DataSet::Refresh()
{
    checkActive();
    CheckBrowseMode();
    InternalRefresh();
    BackendChanged();
}

void DataSet::BackendChanged()
{
    if (!Active()) return;
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        m_stale = true;
        return;
    }
    const int oldCur = m_cur;
    const int row = rebuildKeepingCurrent();
    showRow(row >= 0 ? row : nearestRow(oldCur), false, nData);
}

int DataSet::rebuildKeepingCurrent()
{
    const qint64 id = m_cur >= 0 ? m_buf.id : -1;
    rebuildRows();
    return rowOfId(id);
}

int DataSet::nearestRow(int row) const
{
    return m_rows.empty() ? -1 : std::clamp(row, 0, int(m_rows.size()) - 1);
}

void DataSet::showRow(int row, bool atStart, int what)
{
    m_cur = row;
    m_eof = m_rows.empty();
    m_bof = atStart || m_eof;
    loadCurrent();
    notify(what);
}


} // namespace kv

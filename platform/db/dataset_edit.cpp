#include "platform/db/dataset_p.h"

#include <QScopedValueRollback>

namespace kv {

// ---- editing

bool DataSet::CanModify() const
{
    return Active() && (!m_readOnly || InternalLoading()) && InternalCanModify();
}

void DataSet::CheckBrowseMode()
{
    checkActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        notify(nUpdate);
        if (m_modified) Post();
        else Cancel();
    }
}

void DataSet::Edit()
{
    checkActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) return;
    if (m_rows.empty()) {
        Insert();
        return;
    }
    if (!CanModify()) throw Error(QString::fromUtf8(kReadOnlyDataSet));
    fireEvent(DataSetEvent::BeforeEdit);
    retrying(OnEditError, [this] {
        // Edit what is stored now, not what was read at the last scroll.
        const int row = rowOfId(m_buf.id);
        if (row < 0) throw Error(QString::fromUtf8(kRecordGone));
        m_cur = row;
        loadCurrent();
    });
    m_modified = false;
    setState(DataSetState::Edit);
    notify(nRecord);
    fireEvent(DataSetEvent::AfterEdit);
}

void DataSet::Insert() { beginInsert(false); }
void DataSet::Append() { beginInsert(true); }

void DataSet::beginInsert(bool append)
{
    checkActive();
    CheckBrowseMode();
    if (!CanModify()) throw Error(QString::fromUtf8(kReadOnlyDataSet));
    fireEvent(DataSetEvent::BeforeInsert);
    fireEvent(DataSetEvent::BeforeScroll);
    m_appending = append;
    QVariantList cols;
    cols.resize(InternalColumnCount());
    InternalInitRecord(cols);
    m_buf = Record();
    m_buf.values.resize(m_fields.size());
    for (const auto &f : m_fields)
        if (f->m_column >= 0) m_buf.values[f->m_slot] = cols.value(f->m_column);
    m_active = nullptr;
    setState(DataSetState::Insert);
    try {
        calcFields(m_buf);
        fireEvent(DataSetEvent::OnNewRecord);
    } catch (...) {
        // No half-made row stays behind a failed OnNewRecord.
        m_state = DataSetState::Browse;
        m_modified = false;
        loadCurrent();
        notify(nEditing | nData);
        throw;
    }
    m_modified = false;
    ++m_gen;
    notify(nData);
    fireEvent(DataSetEvent::AfterInsert);
    fireEvent(DataSetEvent::AfterScroll);
}

QVariantList DataSet::toColumns(const Record &r) const
{
    QVariantList cols;
    cols.resize(InternalColumnCount());
    for (const auto &f : m_fields)
        if (f->m_column >= 0) cols[f->m_column] = r.values.value(f->m_slot);
    return cols;
}

void DataSet::retrying(const ErrorEvent &ev, const std::function<void()> &step)
{
    for (;;) {
        try {
            step();
            return;
        } catch (const Error &e) {
            if (!ev) throw;
            DataAction action = DataAction::Fail;
            ev(*this, e.message(), action);
            if (action != DataAction::Retry) throw;
        }
    }
}

void DataSet::Post()
{
    checkActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert) return;
    notify(nUpdate);
    fireEvent(DataSetEvent::BeforePost);
    for (const auto &f : m_fields) {
        if (f->Required() && f->IsStored()) {
            const QVariant &v = m_buf.values[f->m_slot];
            if (!v.isValid() || v.isNull())
                throw Error(QStringLiteral("Поле '%1' должно иметь значение").arg(f->DisplayLabel()));
        }
    }
    doPost();
    fireEvent(DataSetEvent::AfterPost);
}

void DataSet::doPost()
{
    const bool inserting = m_state == DataSetState::Insert;
    qint64 id = m_buf.id;
    int oldPos = -1;
    retrying(OnPostError, [&] {
        const QVariantList cols = toColumns(m_buf);
        if (inserting) {
            int before = -1;
            if (!m_appending && m_cur >= 0 && m_cur < int(m_rows.size())) before = m_rows[size_t(m_cur)];
            oldPos = -1;
            id = InternalInsert(before, cols);
        } else {
            const int pos = InternalFindId(id);
            if (pos < 0) throw Error(QString::fromUtf8(kRecordGone));
            oldPos = pos;
            InternalUpdate(pos, cols);
        }
    });
    const int oldCur = m_cur;
    m_state = DataSetState::Browse;
    m_modified = false;
    // Rows that changed behind the edit are built again; otherwise only the
    // posted record moves.
    // Rows kept in an index order of their own are sorted again instead.
    const bool follow = InternalKeepsOrder() && m_indexFieldNames.trimmed().isEmpty();
    const int newPos = m_stale || !follow ? -1 : InternalFindId(id);
    int row;
    if (newPos >= 0) {
        row = followChange(oldPos, newPos);
    } else {
        rebuildRows();
        row = rowOfId(id);
    }
    m_stale = false;
    showRow(row >= 0 ? row : nearestRow(oldCur), false, nEditing | nData);
}

void DataSet::Cancel()
{
    checkActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert) return;
    fireEvent(DataSetEvent::BeforeCancel);
    m_state = DataSetState::Browse;
    m_modified = false;
    if (m_stale) {
        m_stale = false;
        const qint64 id = m_cur >= 0 && m_cur < int(m_rows.size()) ? InternalRecordId(m_rows[size_t(m_cur)]) : -1;
        rebuildRows();
        const int row = rowOfId(id);
        m_cur = row >= 0 ? row : nearestRow(m_cur);
    }
    ++m_gen;
    loadCurrent();
    notify(nEditing | nData);
    fireEvent(DataSetEvent::AfterCancel);
}

void DataSet::Delete()
{
    checkActive();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (m_rows.empty()) throw Error(QString::fromUtf8(kEmpty));
    if (!CanModify()) throw Error(QString::fromUtf8(kReadOnlyDataSet));
    if (m_state == DataSetState::Edit) {
        m_state = DataSetState::Browse;
        m_modified = false;
        notify(nEditing);
    }
    fireEvent(DataSetEvent::BeforeDelete);
    fireEvent(DataSetEvent::BeforeScroll);
    doDelete();
    fireEvent(DataSetEvent::AfterDelete);
    fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::doDelete()
{
    int pos = -1;
    retrying(OnDeleteError, [&] {
        pos = InternalFindId(m_buf.id);
        if (pos < 0) throw Error(QString::fromUtf8(kRecordGone));
        InternalDelete(pos);
    });
    const int oldCur = m_cur;
    if (InternalKeepsOrder() && m_indexFieldNames.trimmed().isEmpty()) followChange(pos, -1);
    else rebuildRows();
    // The deleted record was the current one: oldCur is a row.
    showRow(nearestRow(oldCur), false, nData);
}

void DataSet::AppendRecord(const QVariantList &values)
{
    Append();
    postNewRecord(values);
}

void DataSet::InsertRecord(const QVariantList &values)
{
    Insert();
    postNewRecord(values);
}

void DataSet::postNewRecord(const QVariantList &values)
{
    try {
        {
            // The calculated fields follow the whole record once, not each
            // of its values (an import appends many thousands).
            const QScopedValueRollback<bool> whole(m_settingWholeRecord, true);
            for (int i = 0; i < values.size() && i < FieldCount(); ++i) {
                Field *f = Fields(i);
                if (!f->IsStored() || !values[i].isValid()) continue;
                f->SetValue(values[i]);
            }
        }
        calcFields(m_buf);
        Post();
    } catch (...) {
        Cancel();
        throw;
    }
}

void DataSet::InternalInitRecord(QVariantList &) const {}

// ---- bookmarks

Bookmark DataSet::GetBookmark() const
{
    if (!Active() || m_state == DataSetState::Insert || m_cur < 0) return Bookmark();
    return Bookmark(m_buf.id);
}

void DataSet::GotoBookmark(const Bookmark &b)
{
    checkActive();
    CheckBrowseMode();
    const int row = rowOfId(b.m_id);
    if (row < 0) throw Error(QStringLiteral("Bookmark not found"));
    fireEvent(DataSetEvent::BeforeScroll);
    showRow(row, false, nData);
    fireEvent(DataSetEvent::AfterScroll);
}

bool DataSet::BookmarkValid(const Bookmark &b) const
{
    return Active() && rowOfId(b.m_id) >= 0;
}

int DataSet::CompareBookmarks(const Bookmark &a, const Bookmark &b) const
{
    if (a.m_id == b.m_id) return 0;
    if (a.isNull()) return -1;
    if (b.isNull()) return 1;
    const int pa = InternalFindId(a.m_id), pb = InternalFindId(b.m_id);
    if (pa == pb) return 0;
    return pa < pb ? -1 : 1;
}

// ---- search

namespace {

bool matchValue(const Field *f, const QVariant &stored, const QVariant &key, LocateOptions o)
{
    const bool sn = !stored.isValid() || stored.isNull();
    const bool kn = !key.isValid() || key.isNull();
    if (kn) return sn;
    if (sn) return false;
    const FieldType t = f->DataType();
    if (isStringType(t)) {
        const QString s = trimRight(stored.toString());
        const QString k = key.toString();
        if (o.partialKey) {
            const QString head = s.left(k.size());
            if (head.size() < k.size()) return false;
            return o.caseInsensitive ? sameText(head, k) : head == k;
        }
        return o.caseInsensitive ? sameText(s, trimRight(k)) : s == trimRight(k);
    }
    if (o.partialKey) {
        // A partial key matches the beginning of the value's text.
        const QString s = Field::valueToText(t, stored);
        const QString k = key.toString();
        const QString head = s.left(k.size());
        if (head.size() < k.size()) return false;
        return o.caseInsensitive ? sameText(head, k) : head == k;
    }
    bool ok = true;
    const QVariant c = coerceValue(t, key, &ok);
    if (!ok || !c.isValid()) return false;
    if (isNumericType(t)) return stored.toDouble() == c.toDouble();
    if (t == FieldType::Boolean) return stored.toBool() == c.toBool();
    if (t == FieldType::Date) return stored.toDate() == c.toDate();
    return stored == c;
}

} // namespace

int DataSet::locateRow(const QString &keyFields, const QVariant &keyValues, LocateOptions options) const
{
    const QStringList names = splitNames(keyFields);
    if (names.isEmpty()) throw Error(fieldNotFoundMessage(keyFields));
    QList<const Field *> fields;
    for (const QString &n : names) {
        const Field *f = FindField(n);
        if (!f) throw Error(fieldNotFoundMessage(keyFields));
        fields << f;
    }
    QVariantList keys;
    if (fields.size() == 1) keys << keyValues;
    else keys = keyValues.toList();
    if (keys.size() < fields.size()) return -1;
    Record r;
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const Record &rec = rowRecord(row, r);
        bool all = true;
        for (int i = 0; i < fields.size() && all; ++i)
            all = matchValue(fields[i], rec.values.value(fields[i]->m_slot), keys[i], options);
        if (all) return row;
    }
    return -1;
}

bool DataSet::Locate(const QString &keyFields, const QVariant &keyValues, LocateOptions options)
{
    checkActive();
    CheckBrowseMode();
    const int row = locateRow(keyFields, keyValues, options);
    if (row < 0) return false;
    if (row == m_cur) {
        RedisplayCurrent();
        return true;
    }
    moveTo(row, true);
    return true;
}

void DataSet::RedisplayCurrent()
{
    if (m_state != DataSetState::Browse) return;
    ++m_gen;
    m_cacheRow = -1;
    loadCurrent();
    notify(nRecord);
}

QVariant DataSet::Lookup(const QString &keyFields, const QVariant &keyValues, const QString &resultFields)
{
    checkActive();
    const QStringList results = splitNames(resultFields);
    QList<const Field *> rf;
    for (const QString &n : results) rf << FieldByName(n);
    const int row = locateRow(keyFields, keyValues, {});
    if (row < 0) return QVariant();
    Record r;
    const Record &rec = rowRecord(row, r);
    if (rf.size() == 1) return rec.values.value(rf.first()->m_slot);
    QVariantList out;
    for (const Field *f : rf) out << rec.values.value(f->m_slot);
    return out;
}

const DataSet::Record &DataSet::rowRecord(int row, Record &scratch) const
{
    // The current record in browse state is what the fields show now.
    if (row == m_cur && m_state == DataSetState::Browse) return m_buf;
    readRow(row, scratch);
    return scratch;
}

// ---- filters

void DataSet::SetFilter(const QString &text)
{
    std::shared_ptr<FilterExpr> e;
    if (!text.trimmed().isEmpty()) e = FilterExpr::parse(text);
    if (!Active()) {
        m_filterText = text;
        return;
    }
    CheckBrowseMode();
    const QString oldText = m_filterText;
    std::shared_ptr<FilterExpr> old = m_filterExpr;
    m_filterText = text;
    m_filterExpr = e;
    if (m_filtered) {
        try {
            rebuildRows();
        } catch (...) {
            // A field the text names that the data set lacks: the filter in
            // force and its rows stay.
            m_filterText = oldText;
            m_filterExpr = old;
            rebuildRows();
            throw;
        }
        showRow(firstRow(), true, nData);
    }
}

void DataSet::SetFiltered(bool on)
{
    if (m_filtered == on) return;
    m_filtered = on;
    if (!Active()) return;
    CheckBrowseMode();
    int row = -1;
    try {
        row = rebuildKeepingCurrent();
    } catch (...) {
        m_filtered = !on;   // the rows as they were
        rebuildRows();
        throw;
    }
    showRow(row >= 0 && !on ? row : firstRow(), true, nData);
}

void DataSet::SetOnFilterRecord(std::function<void(DataSet &, bool &)> handler)
{
    OnFilterRecord = std::move(handler);
    if (!Active() || !m_filtered) return;
    CheckBrowseMode();
    // A new handler starts from the first row it lets through; without one
    // the current row stays where it was.
    const int row = rebuildKeepingCurrent();
    showRow(row >= 0 && !OnFilterRecord ? row : firstRow(), true, nData);
}

bool DataSet::FindFirst()
{
    checkActive();
    CheckBrowseMode();
    bindFilter();
    Record r;
    for (int row = 0; row < int(m_rows.size()); ++row) {
        readRow(row, r);
        if (acceptRecord(r)) {
            moveTo(row, true);
            m_bof = row == 0;
            return true;
        }
    }
    return false;
}

bool DataSet::FindNext()
{
    checkActive();
    CheckBrowseMode();
    bindFilter();
    Record r;
    for (int row = m_cur + 1; row < int(m_rows.size()); ++row) {
        readRow(row, r);
        if (acceptRecord(r)) {
            moveTo(row, true);
            return true;
        }
    }
    return false;
}

// ---- views

int DataSet::ViewRowCount() const
{
    if (!Active()) return 0;
    return int(m_rows.size()) + (m_state == DataSetState::Insert ? 1 : 0);
}

int DataSet::ViewCurrentRow() const
{
    if (!Active()) return -1;
    if (m_state == DataSetState::Insert) return m_appending ? int(m_rows.size()) : std::max(m_cur, 0);
    return m_cur;
}

void DataSet::WithViewRow(int row, const std::function<void()> &fn) const
{
    if (!Active() || row < 0 || row >= ViewRowCount()) return;
    const Record *rec = nullptr;
    const int cur = ViewCurrentRow();
    if (row == cur) {
        rec = &m_buf;
    } else {
        int dataRow = row;
        if (m_state == DataSetState::Insert && row > cur) --dataRow;
        if (m_cacheRow != dataRow || m_cacheGen != m_gen) {
            readRow(dataRow, m_cacheRec);
            m_cacheRow = dataRow;
            m_cacheGen = m_gen;
        }
        rec = &m_cacheRec;
    }
    const Record *saved = m_active;
    struct Restore
    {
        const Record *&slot;
        const Record *v;
        ~Restore() { slot = v; }
    } restore{m_active, saved};
    m_active = rec;
    fn();
}

QVariant DataSet::ViewValue(int row, int fieldIndex) const
{
    QVariant v;
    if (fieldIndex < 0 || fieldIndex >= FieldCount()) return v;
    const int slot = m_fields[size_t(fieldIndex)]->m_slot;
    WithViewRow(row, [&]() { v = activeValue(slot); });
    return v;
}

QString DataSet::ViewDisplayText(int row, int fieldIndex) const
{
    QString t;
    if (fieldIndex < 0 || fieldIndex >= FieldCount()) return t;
    const Field *f = m_fields[size_t(fieldIndex)].get();
    WithViewRow(row, [&]() { t = f->DisplayText(); });
    return t;
}


} // namespace kv

#include "memdata/memdata.h"

#include "platform/error.h"
#include "platform/text.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

using namespace kv;

namespace {

const QString kUnsupportedType = QStringLiteral("Unsupported field type: %1");
const QString kCannotOpen = QStringLiteral("Не удалось открыть файл \"%1\"");
const QString kCannotWrite = QStringLiteral("Не удалось записать файл \"%1\"");
const QString kTextBreaks = QStringLiteral(
    "Значение поля '%1' содержит символ табуляции или перевода строки и не может быть записано в текстовый файл");

MemFieldType memTypeOfFieldType(FieldType t)
{
    switch (t) {
    case FieldType::String: return MemFieldType::String;
    case FieldType::SmallInt: return MemFieldType::Smallint;
    case FieldType::Integer: return MemFieldType::Integer;
    case FieldType::Word: return MemFieldType::Word;
    case FieldType::AutoInc: return MemFieldType::AutoInc;
    case FieldType::LargeInt: return MemFieldType::Largeint;
    case FieldType::Boolean: return MemFieldType::Boolean;
    case FieldType::Float: return MemFieldType::Float;
    case FieldType::Currency: return MemFieldType::Currency;
    case FieldType::Date: return MemFieldType::Date;
    case FieldType::Time: return MemFieldType::Time;
    case FieldType::DateTime: return MemFieldType::DateTime;
    case FieldType::Memo: return MemFieldType::Memo;
    case FieldType::Blob: return MemFieldType::Blob;
    case FieldType::BCD: return MemFieldType::BCD;
    case FieldType::WideString: return MemFieldType::WideString;
    case FieldType::FmtMemo: return MemFieldType::FmtMemo;
    case FieldType::Graphic: return MemFieldType::Graphic;
    case FieldType::ParadoxOle: return MemFieldType::ParadoxOle;
    case FieldType::DBaseOle: return MemFieldType::DBaseOle;
    case FieldType::TypedBinary: return MemFieldType::TypedBinary;
    default: return MemFieldType::Unknown;
    }
}

FieldType fieldTypeOfMemType(MemFieldType t)
{
    switch (t) {
    case MemFieldType::String: return FieldType::String;
    case MemFieldType::WideString: return FieldType::WideString;
    case MemFieldType::Smallint: return FieldType::SmallInt;
    case MemFieldType::Integer: return FieldType::Integer;
    case MemFieldType::Word: return FieldType::Word;
    case MemFieldType::AutoInc: return FieldType::AutoInc;
    case MemFieldType::Largeint: return FieldType::LargeInt;
    case MemFieldType::Boolean: return FieldType::Boolean;
    case MemFieldType::Float: return FieldType::Float;
    case MemFieldType::Currency: return FieldType::Currency;
    case MemFieldType::BCD: return FieldType::BCD;
    case MemFieldType::Date: return FieldType::Date;
    case MemFieldType::Time: return FieldType::Time;
    case MemFieldType::DateTime: return FieldType::DateTime;
    case MemFieldType::Memo: return FieldType::Memo;
    case MemFieldType::FmtMemo: return FieldType::FmtMemo;
    case MemFieldType::Blob: return FieldType::Blob;
    case MemFieldType::Graphic: return FieldType::Graphic;
    case MemFieldType::ParadoxOle: return FieldType::ParadoxOle;
    case MemFieldType::DBaseOle: return FieldType::DBaseOle;
    case MemFieldType::TypedBinary: return FieldType::TypedBinary;
    default: return FieldType::Unknown;
    }
}

// Splits a line by the delimiter: a trailing delimiter adds no empty piece,
// two in a row give an empty one.
QStringList splitLine(const QString &line, QChar delimiter)
{
    QStringList pieces;
    QString rest = line;
    while (!rest.isEmpty()) {
        const qsizetype at = rest.indexOf(delimiter);
        if (at < 0) {
            pieces << rest;
            break;
        }
        pieces << rest.left(at);
        rest = rest.mid(at + 1);
    }
    return pieces;
}

bool matches(MemFieldType t, const QVariant &stored, const QVariant &key, LocateOptions o)
{
    if (!key.isValid()) return !stored.isValid();
    if (!stored.isValid()) return false;
    if (memTypeIsString(t) && o.partialKey) {
        const QString s = stored.toString(), k = key.toString();
        return s.size() >= k.size() && memCompareText(s.left(k.size()), k, o.caseInsensitive) == 0;
    }
    return memCompareValues(t, stored, key, o.caseInsensitive) == 0;
}

} // namespace

// ---------------------------------------------------------------- loading

// Marks the table as loading for a scope: the events that a load must not fire
// are held back, and a read-only table takes the records all the same
// (InternalLoading).
class TMemData::LoadingScope
{
public:
    explicit LoadingScope(TMemData &ds)
        : m_ds(ds), m_wasLoading(ds.m_loading),
          m_hold(ds, DataSetEvent::AfterCancel | DataSetEvent::AfterClose | DataSetEvent::AfterInsert |
                         DataSetEvent::AfterOpen | DataSetEvent::AfterPost | DataSetEvent::BeforeClose |
                         DataSetEvent::BeforeInsert | DataSetEvent::BeforeOpen | DataSetEvent::BeforePost |
                         DataSetEvent::OnNewRecord)
    {
        ds.m_loading = true;
    }
    ~LoadingScope() { m_ds.m_loading = m_wasLoading; }
    LoadingScope(const LoadingScope &) = delete;
    LoadingScope &operator=(const LoadingScope &) = delete;

private:
    TMemData &m_ds;
    bool m_wasLoading;
    EventHold m_hold;
};

// ---------------------------------------------------------------- TMemData

TMemData::TMemData(QObject *parent)
    : DataSet(parent), m_indexes(this), m_persistent(this)
{
    Field *recId = AddField(QStringLiteral("RecId"), FieldType::Integer, 0, FieldKind::InternalCalc);
    recId->SetVisible(false);
}

TMemData::~TMemData()
{
    try {
        Close();
    } catch (...) {
        // A handler that fails while the table goes away changes nothing.
    }
}

Field *TMemData::AddMemField(const QString &name, MemFieldType type, int size, FieldKind kind)
{
    return AddField(name, fieldTypeOfMemType(type), size, kind);
}

MemFieldType TMemData::MemFieldTypeOf(const Field *f) const
{
    return memTypeOfFieldType(f->DataType());
}

std::vector<TMemData::Column> TMemData::columnsOfFields() const
{
    std::vector<Column> cols;
    for (Field *f : FieldList()) {
        if (!f->IsStored()) continue;
        Column c;
        c.name = f->FieldName();
        c.type = MemFieldTypeOf(f);
        c.size = f->Size();
        c.kind = f->Kind();
        c.autoNumbered = upperCase(c.name) == QLatin1String("RECID") || memTypeIsAutoNumbered(c.type);
        cols.push_back(c);
    }
    return cols;
}

int TMemData::columnOf(const QString &name) const
{
    for (size_t i = 0; i < m_cols.size(); ++i)
        if (sameText(m_cols[i].name, name)) return int(i);
    return -1;
}

bool TMemData::columnSortable(int col) const
{
    return col >= 0 && !memTypeIsBlob(m_cols[size_t(col)].type);
}

bool TMemData::filterInForce() const
{
    return Filtered() && (OnFilterRecord || !Filter().isEmpty());
}

QList<FieldDef> TMemData::InternalFieldDefs() const
{
    QList<FieldDef> defs;
    const std::vector<Column> cols = Active() ? m_cols : columnsOfFields();
    for (const Column &c : cols) {
        FieldDef d;
        d.name = c.name;
        d.type = fieldTypeOfMemType(c.type);
        d.size = c.size;
        if (const Field *f = FindField(c.name)) {
            d.decimals = f->Decimals();
            d.required = f->Required();
        }
        defs << d;
    }
    return defs;
}

int TMemData::InternalColumnCount() const
{
    return int(Active() ? m_cols.size() : columnsOfFields().size());
}

void TMemData::InternalOpen()
{
    for (Field *f : FieldList())
        if (!memTypeSupported(MemFieldTypeOf(f)))
            throw Error(kUnsupportedType.arg(f->FieldName()));
    m_cols = columnsOfFields();
    m_recs.clear();
    m_idCounter = 0;
    invalidateIds();
    m_recIdCol = columnOf(QStringLiteral("RecId"));
    resolveSortField();
    markIndexesDirty();
    if (m_persistent.Option() == poActive && !m_streamLoading && !m_persistent.m_loading
        && !m_persistent.Data().isEmpty()) {
        // Stored data of the component: read straight into the store while
        // the DataSet opens, before AfterOpen.
        m_persistent.m_loading = true;
        try {
            std::vector<int> cols;
            const QVector<MemStreamField> fields = streamFields(&cols);
            const MemStoredData data = readMemStoredData(m_persistent.Data(), fields);
            const bool was = m_loading;
            m_loading = true;
            fillFromStored(data, cols);
            m_loading = was;
            sortRecords();
        } catch (...) {
            m_persistent.m_loading = false;
            m_recs.clear();
            throw;
        }
        m_persistent.m_loading = false;
    }
}

void TMemData::InternalClose()
{
    m_recs.clear();
    m_recs.shrink_to_fit();
    m_idCounter = 0;
    invalidateIds();
    m_sortCol = -1;
    for (Column &c : m_cols) c.counter = 0;
    markIndexesDirty();
}

qint64 TMemData::InternalRecordId(int pos) const
{
    return m_recs.at(size_t(pos)).id;
}

int TMemData::InternalFindId(qint64 id) const
{
    if (!m_idIndexValid) {
        m_idIndex.clear();
        m_idIndex.reserve(qsizetype(m_recs.size()));
        for (size_t i = 0; i < m_recs.size(); ++i) m_idIndex.insert(m_recs[i].id, int(i));
        m_idIndexValid = true;
    }
    return m_idIndex.value(id, -1);
}

QVariant TMemData::toStored(int col, const QVariant &v) const
{
    const Column &c = m_cols[size_t(col)];
    if (memTypeIsBlob(c.type)) {
        if (!v.isValid() || v.isNull()) return QVariant();
        if (memTypeIsMemoLike(c.type)) {
            const QString s = v.typeId() == QMetaType::QByteArray ? fromCp1251(v.toByteArray())
                                                                  : v.toString();
            return s.isEmpty() ? QVariant() : QVariant(s);
        }
        const QByteArray b = v.typeId() == QMetaType::QString ? toCp1251(v.toString())
                                                              : v.toByteArray();
        return b.isEmpty() ? QVariant() : QVariant(b);
    }
    return memToStored(c.type, c.size, v);
}

QVariant TMemData::fromStored(int col, const QVariant &v) const
{
    return memFromStored(m_cols[size_t(col)].type, v);
}

void TMemData::InternalReadRecord(int pos, QVariantList &values) const
{
    const Rec &r = m_recs.at(size_t(pos));
    values.resize(qsizetype(m_cols.size()));
    for (size_t c = 0; c < m_cols.size(); ++c) values[qsizetype(c)] = fromStored(int(c), r.values[qsizetype(c)]);
}

void TMemData::InternalInitRecord(QVariantList &values) const
{
    values = QVariantList(qsizetype(m_cols.size()));
    if (m_recIdCol >= 0) values[m_recIdCol] = int(m_cols[size_t(m_recIdCol)].counter + 1);
}

void TMemData::autoNumber(Rec &r)
{
    for (size_t c = 0; c < m_cols.size(); ++c) {
        Column &col = m_cols[c];
        if (!col.autoNumbered) continue;
        QVariant &v = r.values[qsizetype(c)];
        if (v.isValid() && v.toLongLong() > col.counter) {
            col.counter = v.toLongLong();
        } else if (!(m_loading && v.isValid())) {
            ++col.counter;
            v = col.type == MemFieldType::Largeint ? QVariant(qlonglong(col.counter))
                                                   : QVariant(int(col.counter));
        }
    }
}

int TMemData::compareRecs(const Rec &a, const Rec &b) const
{
    const Column &c = m_cols[size_t(m_sortCol)];
    int r = memCompareValues(c.type, a.values[m_sortCol], b.values[m_sortCol],
                             m_sortOptions.testFlag(soCaseInsensitive));
    if (r == 0 && m_recIdCol >= 0)
        r = memCompareValues(MemFieldType::Largeint, a.values[m_recIdCol], b.values[m_recIdCol], false);
    return m_sortOptions.testFlag(soDesc) ? -r : r;
}

int TMemData::sortedPosition(const Rec &r, int exclude) const
{
    // Lower bound among the records, leaving out `exclude`.
    int lo = 0, hi = int(m_recs.size()) - (exclude >= 0 ? 1 : 0);
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const int real = exclude >= 0 && mid >= exclude ? mid + 1 : mid;
        if (compareRecs(m_recs[size_t(real)], r) < 0) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

int TMemData::lowerBound(int col, const QVariant &key, int lo, int hi, bool caseInsensitive) const
{
    const MemFieldType t = m_cols[size_t(col)].type;
    const bool desc = m_sortOptions.testFlag(soDesc);
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        int c = memCompareValues(t, m_recs[size_t(mid)].values[col], key, caseInsensitive);
        if (desc) c = -c;
        if (c < 0) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

qint64 TMemData::InternalInsert(int insertBefore, const QVariantList &values)
{
    Rec r;
    r.values.resize(qsizetype(m_cols.size()));
    for (size_t c = 0; c < m_cols.size(); ++c)
        r.values[qsizetype(c)] = c < size_t(values.size()) ? toStored(int(c), values[qsizetype(c)]) : QVariant();
    r.id = ++m_idCounter;
    autoNumber(r);
    int pos;
    if (m_sortCol >= 0 && !m_loading) pos = sortedPosition(r, -1);
    else pos = insertBefore < 0 || insertBefore > int(m_recs.size()) ? int(m_recs.size()) : insertBefore;
    m_recs.insert(m_recs.begin() + pos, std::move(r));
    if (pos == int(m_recs.size()) - 1 && m_idIndexValid) m_idIndex.insert(m_recs.back().id, pos);
    else invalidateIds();
    markIndexesDirty();
    return m_recs[size_t(pos)].id;
}

void TMemData::InternalUpdate(int pos, const QVariantList &values)
{
    Rec &r = m_recs.at(size_t(pos));
    for (size_t c = 0; c < m_cols.size() && c < size_t(values.size()); ++c)
        r.values[qsizetype(c)] = toStored(int(c), values[qsizetype(c)]);
    bool outOfOrder = false;
    if (m_sortCol >= 0 && !m_loading && m_recs.size() > 1) {
        outOfOrder = (pos > 0 && compareRecs(m_recs[size_t(pos - 1)], r) > 0)
                  || (pos + 1 < int(m_recs.size()) && compareRecs(r, m_recs[size_t(pos + 1)]) > 0);
    }
    if (outOfOrder) {
        Rec moved = std::move(r);
        m_recs.erase(m_recs.begin() + pos);
        const int to = sortedPosition(moved, -1);
        m_recs.insert(m_recs.begin() + to, std::move(moved));
        invalidateIds();
        markIndexesDirty();
    } else {
        for (int i = 0; i < m_indexes.Count(); ++i) m_indexes.Items(i)->recordEdited(pos);
    }
}

void TMemData::InternalDelete(int pos)
{
    for (int i = 0; i < m_indexes.Count(); ++i) m_indexes.Items(i)->recordDeleted(pos);
    m_recs.erase(m_recs.begin() + pos);
    invalidateIds();
}


void TMemData::markIndexesDirty()
{
    for (int i = 0; i < m_indexes.Count(); ++i) m_indexes.Items(i)->m_dirty = true;
}

// ---------------------------------------------------------------- sorting

void TMemData::resolveSortField()
{
    const int col = Active() || !m_cols.empty() ? columnOf(m_sortedField) : -1;
    m_sortCol = columnSortable(col) ? col : -1;
}

void TMemData::sortRecords()
{
    if (m_sortCol < 0 || m_loading) return;
    std::stable_sort(m_recs.begin(), m_recs.end(),
                     [this](const Rec &a, const Rec &b) { return compareRecs(a, b) < 0; });
    invalidateIds();
    markIndexesDirty();
}

void TMemData::SetSortedField(const QString &name)
{
    if (name == m_sortedField) {
        if (Active()) resolveSortField();
        return;
    }
    m_sortedField = name;
    if (!Active()) return;
    resolveSortField();
    sortRecords();
    BackendChanged();
}

void TMemData::SetSortOptions(TMemSortOptions options)
{
    if (options == m_sortOptions) return;
    m_sortOptions = options;
    if (!Active()) return;
    resolveSortField();
    sortRecords();
    BackendChanged();
}

// ---------------------------------------------------------------- search

bool TMemData::keyColumns(const QString &keyFields, std::vector<int> *cols) const
{
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &n : names) {
        if (!FindField(n.trimmed())) throw Error(fieldNotFoundMessage(keyFields));
    }
    cols->clear();
    bool ok = !names.isEmpty();
    for (const QString &n : names) {
        const int col = columnOf(n.trimmed());
        if (!columnSortable(col)) ok = false;
        cols->push_back(col);
    }
    return ok;
}

int TMemData::findRow(const std::vector<int> &keyCols, const QVariantList &rawKeys,
                      LocateOptions options) const
{
    if (m_recs.empty() || rawKeys.size() < qsizetype(keyCols.size())) return -1;
    QVariantList keys;
    try {
        for (size_t i = 0; i < keyCols.size(); ++i) keys << toStored(keyCols[i], rawKeys[qsizetype(i)]);
    } catch (const Error &) {
        return -1;     // a key the field cannot hold matches no record
    }
    const bool filtered = filterInForce();
    const int n = int(m_recs.size());

    // Fast path: one key on the sort field or an indexed field.
    if (keyCols.size() == 1 && !filtered
        && (options.caseInsensitive == m_sortOptions.testFlag(soCaseInsensitive)
            || !memTypeIsString(m_cols[size_t(keyCols[0])].type))) {
        const int col = keyCols[0];
        const MemFieldType t = m_cols[size_t(col)].type;
        const bool partial = options.partialKey && memTypeIsString(t);
        if (col == m_sortCol && (!partial || (options.caseInsensitive && !m_sortOptions.testFlag(soDesc)))) {
            const int p = lowerBound(col, keys[0], 0, n, options.caseInsensitive);
            return p < n && matches(t, m_recs[size_t(p)].values[col], keys[0], options) ? p : -1;
        }
        if (!partial) {
            for (int i = 0; i < m_indexes.Count(); ++i) {
                TMemIndex *ix = m_indexes.Items(i);
                if (ix->column() != col) continue;
                const int p = const_cast<TMemIndex *>(ix)->find(keys[0]);
                if (p >= 0 || !ix->m_dirty) return p;
            }
        }
    }

    auto rowMatches = [&](const QVector<QVariant> &values) {
        for (size_t i = 0; i < keyCols.size(); ++i)
            if (!matches(m_cols[size_t(keyCols[i])].type, values[keyCols[i]], keys[qsizetype(i)], options))
                return false;
        return true;
    };
    if (!filtered) {
        for (int p = 0; p < n; ++p)
            if (rowMatches(m_recs[size_t(p)].values)) return p;
        return -1;
    }
    // Through the filter: the rows the DataSet shows, less a row being inserted.
    const int rows = ViewRowCount();
    const int newRow = State() == DataSetState::Insert ? ViewCurrentRow() : -1;
    QVector<QVariant> values(qsizetype(m_cols.size()));
    for (int row = 0; row < rows; ++row) {
        if (row == newRow) continue;
        for (int col : keyCols) {
            const Field *f = FindField(m_cols[size_t(col)].name);
            try {
                values[col] = toStored(col, ViewValue(row, f->Index()));
            } catch (const Error &) {
                values[col] = QVariant();
            }
        }
        if (rowMatches(values)) return row;
    }
    return -1;
}

static QVariantList keyList(const QVariant &keyValues, int count)
{
    if (count > 1 && keyValues.typeId() == QMetaType::QVariantList) return keyValues.toList();
    if (keyValues.typeId() == QMetaType::QVariantList && keyValues.toList().size() == 1 && count == 1)
        return keyValues.toList();
    return QVariantList{keyValues};
}

bool TMemData::Locate(const QString &keyFields, const QVariant &keyValues, LocateOptions options)
{
    std::vector<int> cols;
    if (!Active() || !keyColumns(keyFields, &cols)) return DataSet::Locate(keyFields, keyValues, options);
    if (m_recs.empty()) return false;
    CheckBrowseMode();
    const int row = findRow(cols, keyList(keyValues, int(cols.size())), options);
    if (row < 0) return false;
    if (RecNo() != row + 1) SetRecNo(row + 1);
    else RedisplayCurrent();
    return true;
}

QVariant TMemData::Lookup(const QString &keyFields, const QVariant &keyValues,
                          const QString &resultFields)
{
    Field *result = FindField(resultFields.trimmed());
    if (!result) throw Error(fieldNotFoundMessage(resultFields));
    std::vector<int> cols;
    if (!keyColumns(keyFields, &cols)) return DataSet::Lookup(keyFields, keyValues, resultFields);
    const QVariant preset = isStringType(result->DataType()) ? QVariant(QString()) : QVariant(false);
    if (!Active() || m_recs.empty()) return preset;
    const int row = findRow(cols, keyList(keyValues, int(cols.size())), {});
    if (row < 0) return preset;
    const int col = columnOf(result->FieldName());
    if (filterInForce()) return ViewValue(row, result->Index());
    if (col >= 0) return fromStored(col, m_recs[size_t(row)].values[col]);
    // A calculated or lookup result: the row as shown, past a row being inserted.
    const int newRow = State() == DataSetState::Insert ? ViewCurrentRow() : -1;
    return ViewValue(newRow >= 0 && row >= newRow ? row + 1 : row, result->Index());
}

int TMemData::GetRecNoByFieldValue(const QVariant &value, const QString &fieldName) const
{
    if (!Active()) return -1;
    const int col = columnOf(fieldName);
    if (!columnSortable(col)) return -1;
    QVariant key;
    try {
        key = toStored(col, value);
    } catch (const Error &) {
        return -1;
    }
    const MemFieldType t = m_cols[size_t(col)].type;
    const bool ci = m_sortOptions.testFlag(soCaseInsensitive);
    for (size_t p = 0; p < m_recs.size(); ++p)
        if (memCompareValues(t, m_recs[p].values[col], key, ci) == 0) return int(p) + 1;
    return -1;
}

// ---------------------------------------------------------------- stored data

QVector<MemStreamField> TMemData::streamFields(std::vector<int> *cols) const
{
    QVector<MemStreamField> fields;
    cols->clear();
    for (size_t c = 0; c < m_cols.size(); ++c) {
        if (int(c) == m_recIdCol || m_cols[c].kind != FieldKind::Data) continue;
        fields.append({m_cols[c].name, m_cols[c].type, m_cols[c].size});
        cols->push_back(int(c));
    }
    return fields;
}

void TMemData::fillFromStored(const MemStoredData &data, const std::vector<int> &cols)
{
    int number = 0;
    for (const QVector<QVariant> &row : data.rows) {
        Rec r;
        r.values.resize(qsizetype(m_cols.size()));
        for (size_t i = 0; i < cols.size(); ++i) r.values[cols[i]] = row[qsizetype(i)];
        if (m_recIdCol >= 0) r.values[m_recIdCol] = ++number;
        r.id = ++m_idCounter;
        autoNumber(r);
        m_recs.push_back(std::move(r));
    }
    invalidateIds();
    markIndexesDirty();
}

void TMemData::LoadFromStream(const QByteArray &bytes)
{
    if (!Active()) m_cols = columnsOfFields();
    std::vector<int> cols;
    const QVector<MemStreamField> fields = streamFields(&cols);
    // Read everything first: a broken stream leaves the table as it was.
    const MemStoredData data = readMemStoredData(bytes, fields);
    {
        ControlsLock lock(*this);
        {
            LoadingScope loading(*this);
            const bool wasStream = m_streamLoading;
            m_streamLoading = true;
            try {
                if (Active()) Close();
                Open();
            } catch (...) {
                m_streamLoading = wasStream;
                throw;
            }
            m_streamLoading = wasStream;
            streamFields(&cols);
            fillFromStored(data, cols);
        }
        sortRecords();
        BackendChanged();
        First();
    }
}

QByteArray TMemData::SaveToStream() const
{
    std::vector<int> cols;
    const QVector<MemStreamField> fields = streamFields(&cols);
    QVector<QVector<QVariant>> rows;
    rows.reserve(qsizetype(m_recs.size()));
    for (const Rec &r : m_recs) {
        QVector<QVariant> row;
        for (int c : cols) row << r.values[c];
        rows << row;
    }
    return writeMemStoredData(fields, rows);
}

void TMemData::Loaded()
{
    if (m_persistent.Option() == poLoad && Active()) m_persistent.LoadData();
}

// ---------------------------------------------------------------- text files

void TMemData::SaveToTextFile(const QString &fileName)
{
    if (!Active()) return;
    QList<Field *> columns;
    for (Field *f : FieldList())
        if (f->Kind() == FieldKind::Data && !memTypeIsBlob(MemFieldTypeOf(f))) columns << f;

    QStringList names;
    for (Field *f : std::as_const(columns)) names << f->FieldName();
    QStringList lines{names.join(m_delimiter)};
    QString badField;
    {
        CheckBrowseMode();
        ControlsLock lock(*this);
        const Bookmark mark = GetBookmark();
        try {
            First();
            while (!Eof() && badField.isEmpty()) {
                QStringList texts;
                for (Field *f : std::as_const(columns)) {
                    const QString t = f->Text();
                    if (t.contains(m_delimiter) || t.contains(QLatin1Char('\r')) || t.contains(QLatin1Char('\n'))) {
                        badField = f->FieldName();
                        break;
                    }
                    texts << t;
                }
                lines << texts.join(m_delimiter);
                Next();
            }
        } catch (...) {
            if (!mark.isNull() && BookmarkValid(mark)) GotoBookmark(mark);
            throw;
        }
        if (!mark.isNull() && BookmarkValid(mark)) GotoBookmark(mark);
    }
    if (!badField.isEmpty()) throw Error(kTextBreaks.arg(badField));

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) throw Error(kCannotWrite.arg(fileName));
    QByteArray out;
    for (const QString &l : std::as_const(lines)) out += toCp1251(l) + "\r\n";
    if (file.write(out) != out.size() || !file.commit()) throw Error(kCannotWrite.arg(fileName));
}

void TMemData::LoadFromTextFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) throw Error(kCannotOpen.arg(fileName));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw Error(kCannotOpen.arg(fileName));
    QStringList lines = fromCp1251(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();   // after the last line break
    for (QString &l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    if (lines.isEmpty()) return;

    ControlsLock lock(*this);
    std::exception_ptr failure;
    {
        LoadingScope loading(*this);
        if (Active()) Close();
        Open();
        QList<Field *> map;
        for (const QString &name : splitLine(lines.first(), m_delimiter)) {
            Field *f = FindField(name);
            if (f && (f->Kind() != FieldKind::Data || memTypeIsBlob(MemFieldTypeOf(f)))) f = nullptr;
            map << f;
        }
        try {
            for (qsizetype i = 1; i < lines.size(); ++i) {
                Append();
                const QStringList pieces = splitLine(lines[i], m_delimiter);
                for (qsizetype k = 0; k < pieces.size() && k < map.size(); ++k) {
                    if (pieces[k].isEmpty() || !map[k]) continue;
                    try {
                        map[k]->SetText(pieces[k]);
                    } catch (...) {
                        map[k] = nullptr;
                        throw;
                    }
                }
                Post();
            }
        } catch (...) {
            failure = std::current_exception();
            if (State() == DataSetState::Insert || State() == DataSetState::Edit) Cancel();
        }
    }
    sortRecords();
    BackendChanged();
    First();
    if (failure) std::rethrow_exception(failure);
}

std::unique_ptr<TMemBlobStream> TMemData::CreateBlobStream(Field *field, QIODevice::OpenMode mode)
{
    return std::make_unique<TMemBlobStream>(field, mode);
}

// ---------------------------------------------------------------- indexes

Field *TMemIndex::GetField() const
{
    const int col = column();
    return col >= 0 ? m_owner->FindField(m_owner->m_cols[size_t(col)].name) : nullptr;
}

void TMemIndex::SetFieldName(const QString &name)
{
    if (sameText(name, m_fieldName)) return;
    if (const Field *f = m_owner->FindField(name)) {
        m_fieldName = f->FieldName();
        m_dirty = true;
    } else if (!m_owner->Active()) {
        m_fieldName = name;     // bound when the table opens
        m_dirty = true;
    }
}

void TMemIndex::SetSortOptions(TMemSortOptions options)
{
    if (options == m_options) return;
    m_options = options;
    m_dirty = true;
}

int TMemIndex::column() const
{
    if (!m_owner->Active()) return -1;
    const int col = m_owner->columnOf(m_fieldName);
    return m_owner->columnSortable(col) ? col : -1;
}

void TMemIndex::rebuild()
{
    const int col = column();
    m_positions.clear();
    if (col < 0) return;      // no field: stays unbuilt
    const auto &recs = m_owner->m_recs;
    m_positions.resize(recs.size());
    for (size_t i = 0; i < recs.size(); ++i) m_positions[i] = int(i);
    const MemFieldType t = m_owner->m_cols[size_t(col)].type;
    const TMemSortOptions o = m_owner->SortOptions();
    const bool ci = o.testFlag(soCaseInsensitive), desc = o.testFlag(soDesc);
    std::stable_sort(m_positions.begin(), m_positions.end(), [&](int a, int b) {
        const int c = memCompareValues(t, recs[size_t(a)].values[col], recs[size_t(b)].values[col], ci);
        return (desc ? -c : c) < 0;
    });
    m_builtWith = o;
    m_dirty = false;
}

int TMemIndex::find(const QVariant &key)
{
    if (m_dirty || m_builtWith != m_owner->SortOptions()) rebuild();
    const int col = column();
    if (m_dirty || col < 0) return -1;
    const auto &recs = m_owner->m_recs;
    const MemFieldType t = m_owner->m_cols[size_t(col)].type;
    const bool ci = m_builtWith.testFlag(soCaseInsensitive), desc = m_builtWith.testFlag(soDesc);
    auto cmp = [&](int pos) {
        const int c = memCompareValues(t, recs[size_t(pos)].values[col], key, ci);
        return desc ? -c : c;
    };
    size_t lo = 0, hi = m_positions.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (cmp(m_positions[mid]) < 0) lo = mid + 1;
        else hi = mid;
    }
    return lo < m_positions.size() && cmp(m_positions[lo]) == 0 ? m_positions[lo] : -1;
}

void TMemIndex::recordDeleted(int pos)
{
    if (m_dirty) return;
    m_positions.erase(std::remove(m_positions.begin(), m_positions.end(), pos), m_positions.end());
    for (int &p : m_positions)
        if (p > pos) --p;
}

void TMemIndex::recordEdited(int pos)
{
    if (m_dirty) return;
    const int col = column();
    if (col < 0) { m_dirty = true; return; }
    const auto it = std::find(m_positions.begin(), m_positions.end(), pos);
    if (it == m_positions.end()) { m_dirty = true; return; }
    const auto &recs = m_owner->m_recs;
    const MemFieldType t = m_owner->m_cols[size_t(col)].type;
    const bool ci = m_builtWith.testFlag(soCaseInsensitive), desc = m_builtWith.testFlag(soDesc);
    // Order of the index itself: value, then table position.
    auto before = [&](int a, int b) {
        int c = memCompareValues(t, recs[size_t(a)].values[col], recs[size_t(b)].values[col], ci);
        if (desc) c = -c;
        return c < 0 || (c == 0 && a < b);
    };
    const size_t k = size_t(it - m_positions.begin());
    if ((k > 0 && !before(m_positions[k - 1], pos))
        || (k + 1 < m_positions.size() && !before(pos, m_positions[k + 1])))
        m_dirty = true;
}

TMemIndex *TMemIndexes::Add()
{
    m_items.push_back(std::make_unique<TMemIndex>(m_owner));
    return m_items.back().get();
}

void TMemIndexes::Delete(int i)
{
    m_items.erase(m_items.begin() + i);
}

// ---------------------------------------------------------------- persistent

void TMemPersistent::Assign(const TMemPersistent &other)
{
    m_option = other.m_option;
    m_data = other.m_data;
}

void TMemPersistent::LoadData()
{
    if (m_data.isEmpty() || m_loading) return;
    m_loading = true;
    try {
        m_owner->LoadFromStream(m_data);
    } catch (...) {
        m_loading = false;
        throw;
    }
    m_loading = false;
}

void TMemPersistent::SaveData()
{
    m_data = m_owner->SaveToStream();
}

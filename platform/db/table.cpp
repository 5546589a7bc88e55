#include "platform/db/table.h"

#include "platform/db/tablestore.h"
#include "platform/error.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kv {

Table::Table(QObject *parent) : DataSet(parent) {}

Table::~Table()
{
    Close();
}

void Table::SetDatabaseName(const QString &folder)
{
    if (Active()) throw Error(QStringLiteral("Невозможно выполнить эту операцию на открытом наборе данных"));
    m_folder = folder;
}

void Table::SetTableName(const QString &name)
{
    if (Active()) throw Error(QStringLiteral("Невозможно выполнить эту операцию на открытом наборе данных"));
    m_name = name;
}

QString Table::FullPath() const
{
    QString folder = m_folder;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString name = m_name;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder.isEmpty() || QDir::isAbsolutePath(name)) return name;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder + name;
}

void Table::SetFile(const QString &path)
{
    const QFileInfo fi(path);
    SetDatabaseName(fi.absolutePath());
    SetTableName(fi.fileName());
}

bool Table::Exists() const
{
    return QFileInfo(resolvePath(FullPath())).isFile();
}

QList<FieldDef> Table::InternalFieldDefs() const
{
    if (m_store) return m_store->fieldDefs();
    try {
        return TableStore::get(FullPath())->fieldDefs();
    } catch (const Error &) {
        return {};
    }
}

int Table::InternalColumnCount() const
{
    return m_store ? int(m_store->fields().size()) : int(InternalFieldDefs().size());
}

void Table::InternalOpen()
{
    m_store = TableStore::get(FullPath());
    m_subToken = m_store->subscribe(this, [this]() { storeChanged(); });
    if (m_cached) loadCache();
}

void Table::InternalClose()
{
    if (m_store) m_store->unsubscribe(m_subToken);
    m_subToken = 0;
    m_store.reset();
    m_cache.clear();
    m_deletedStoreIds.clear();
}

void Table::loadCache()
{
    m_cache.clear();
    m_deletedStoreIds.clear();
    const int n = m_store->count();
    m_cache.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        m_cache.push_back({m_nextCacheId++, m_store->idAt(i), Status::Unchanged, m_store->valuesAt(i)});
}

void Table::storeChanged()
{
    // A cached cursor keeps its own rows until its edits are applied or
    // cancelled; with nothing pending it follows the file.
    if (m_cached) {
        if (UpdatesPending()) return;
        loadCache();
    }
    BackendChanged();
}

void Table::InternalRefresh()
{
    if (!m_store) return;
    m_store->refreshFromDisk();
    if (m_cached && !UpdatesPending()) loadCache();
}

int Table::InternalRecordCount() const
{
    if (m_cached) return int(m_cache.size());
    return m_store ? m_store->count() : 0;
}

qint64 Table::InternalRecordId(int pos) const
{
    if (m_cached) return m_cache[size_t(pos)].id;
    return m_store->idAt(pos);
}

int Table::InternalFindId(qint64 id) const
{
    if (!m_cached) return m_store ? m_store->findId(id) : -1;
    auto it = std::lower_bound(m_cache.begin(), m_cache.end(), id, [](const CacheRow &r, qint64 v) { return r.id < v; });
    if (it == m_cache.end() || it->id != id) return -1;
    return int(it - m_cache.begin());
}

void Table::InternalReadRecord(int pos, QVariantList &values) const
{
    values = m_cached ? m_cache[size_t(pos)].values : m_store->valuesAt(pos);
}

qint64 Table::InternalInsert(int, const QVariantList &values)
{
    // dBASE rows join at the end of the file, wherever they were inserted.
    if (!m_cached) return m_store->append(values, this);
    const QVariantList v = m_store->normalize(values);
    const qint64 id = m_nextCacheId++;
    m_cache.push_back({id, -1, Status::Inserted, v});
    return id;
}

void Table::InternalUpdate(int pos, const QVariantList &values)
{
    if (!m_cached) {
        m_store->update(pos, values, this);
        return;
    }
    CacheRow &r = m_cache[size_t(pos)];
    r.values = m_store->normalize(values, r.storeId >= 0 ? m_store->findId(r.storeId) : -1);
    if (r.status == Status::Unchanged) r.status = Status::Modified;
}

void Table::InternalDelete(int pos)
{
    if (!m_cached) {
        m_store->remove(pos, this);
        return;
    }
    const CacheRow &r = m_cache[size_t(pos)];
    if (r.storeId >= 0) m_deletedStoreIds.push_back(r.storeId);
    m_cache.erase(m_cache.begin() + pos);
}

bool Table::UpdatesPending() const
{
    if (!m_cached || !m_store) return false;
    if (!m_deletedStoreIds.empty()) return true;
    for (const CacheRow &r : m_cache)
        if (r.status != Status::Unchanged) return true;
    return false;
}

void Table::ApplyUpdates()
{
    if (!Active() || !m_cached) return;
    CheckBrowseMode();
    if (!UpdatesPending()) return;
    TableStore &s = *m_store;
    s.beginBatch();
    std::vector<qint64> newIds(m_cache.size(), -1);
    try {
        for (qint64 sid : m_deletedStoreIds) {
            const int pos = s.findId(sid);
            if (pos >= 0) s.remove(pos, this);
        }
        for (size_t i = 0; i < m_cache.size(); ++i) {
            const CacheRow &r = m_cache[i];
            if (r.status == Status::Modified) {
                const int pos = s.findId(r.storeId);
                if (pos >= 0) s.update(pos, r.values, this);
                else newIds[i] = s.append(r.values, this);   // its row went away meanwhile
            } else if (r.status == Status::Inserted) {
                newIds[i] = s.append(r.values, this);
            }
        }
        s.commitBatch();
    } catch (...) {
        s.rollbackBatch();
        throw;
    }
    for (size_t i = 0; i < m_cache.size(); ++i) {
        if (newIds[i] >= 0) m_cache[i].storeId = newIds[i];
        m_cache[i].status = Status::Unchanged;
    }
    m_deletedStoreIds.clear();
}

void Table::CommitUpdates()
{
    // The edits are in the file once applied; nothing further is held.
}

void Table::CancelUpdates()
{
    if (!Active() || !m_cached) return;
    if (State() == DataSetState::Edit || State() == DataSetState::Insert) Cancel();
    loadCache();
    BackendChanged();
}

void Table::PackTable()
{
    const bool wasActive = Active();
    if (wasActive) CheckBrowseMode();
    std::shared_ptr<TableStore> s = m_store ? m_store : TableStore::get(FullPath());
    s->pack();
}

void Table::SetCachedUpdates(bool on)
{
    if (m_cached == on) return;
    if (!Active()) {
        m_cached = on;
        return;
    }
    CheckBrowseMode();
    if (on) {
        m_cached = true;
        loadCache();
    } else {
        ApplyUpdates();
        m_cached = false;
        m_cache.clear();
    }
    BackendChanged();
}

} // namespace kv

#pragma once
// A data set over one dBASE file, bound by folder (DatabaseName) and file
// name (TableName) and re-bindable while closed. Rows are those of the file's
// shared store (TableStore), so changes made by statements show here.
// With cached updates, edits stay in the cursor until ApplyUpdates; closing
// the table drops them.
#include "platform/db/dataset.h"

#include <memory>
#include <vector>

namespace kv {

class TableStore;

class Table : public DataSet
{
public:
    explicit Table(QObject *parent = nullptr);
    ~Table() override;

    QString DatabaseName() const { return m_folder; }
    void SetDatabaseName(const QString &folder);
    QString TableName() const { return m_name; }
    void SetTableName(const QString &name);
    QString FullPath() const;   // folder + name, slashes
    // Binds folder and name to a table file given by its path.
    void SetFile(const QString &path);
    bool Exists() const;

    bool CachedUpdates() const { return m_cached; }
    // Switching off while edits are pending applies them first.
    void SetCachedUpdates(bool on);
    bool UpdatesPending() const;
    void ApplyUpdates();    // writes the cached edits to the file
    void CommitUpdates();   // forgets the applied edits
    void CancelUpdates();   // throws the cached edits away
    // Removes deleted records from the file for good.
    void PackTable();

protected:
    QList<FieldDef> InternalFieldDefs() const override;
    void InternalOpen() override;
    void InternalClose() override;
    int InternalRecordCount() const override;
    qint64 InternalRecordId(int pos) const override;
    int InternalFindId(qint64 id) const override;
    void InternalReadRecord(int pos, QVariantList &values) const override;
    qint64 InternalInsert(int insertBefore, const QVariantList &values) override;
    void InternalUpdate(int pos, const QVariantList &values) override;
    void InternalDelete(int pos) override;
    void InternalRefresh() override;
    int InternalColumnCount() const override;
    // Rows join at the end and are edited where they are.
    bool InternalKeepsOrder() const override { return true; }

private:
    enum class Status { Unchanged, Modified, Inserted };
    struct CacheRow
    {
        qint64 id;        // the cursor's own id
        qint64 storeId;   // -1 for a row not yet applied
        Status status;
        QVariantList values;
    };
    void loadCache();
    void storeChanged();

    QString m_folder;
    QString m_name;
    bool m_cached = false;
    std::shared_ptr<TableStore> m_store;
    int m_subToken = 0;
    std::vector<CacheRow> m_cache;
    std::vector<qint64> m_deletedStoreIds;
    qint64 m_nextCacheId = 1;
};

} // namespace kv

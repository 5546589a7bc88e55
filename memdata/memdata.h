#pragma once
// TMemData: a table held in memory behind the program's DataSet interface.
// Records keep an automatic number ("RecId"), can be kept sorted by one field,
// searched through secondary indexes, stored as a "Data" stream and exchanged
// with tab-delimited text files.
#include "memdata/memstored.h"
#include "memdata/memvalue.h"
#include "platform/db/dataset.h"

#include <QFlags>
#include <QHash>
#include <QIODevice>

#include <memory>
#include <vector>

class TMemData;

enum TMemSortOption { soDesc = 0x1, soCaseInsensitive = 0x2 };
Q_DECLARE_FLAGS(TMemSortOptions, TMemSortOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMemSortOptions)

enum TMemPersistentOption { poNone, poActive, poLoad };

// A secondary order of the records by one field, used to speed up Locate.
class TMemIndex
{
public:
    explicit TMemIndex(TMemData *owner) : m_owner(owner) {}

    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &name);
    TMemSortOptions SortOptions() const { return m_options; }
    void SetSortOptions(TMemSortOptions options);
    kv::Field *GetField() const;
    bool NeedsRebuild() const { return m_dirty; }

private:
    friend class TMemData;
    void rebuild();
    int column() const;
    void recordDeleted(int pos);
    void recordEdited(int pos);
    // Position in the table of the first record whose value equals key, or -1.
    int find(const QVariant &key);

    TMemData *m_owner;
    QString m_fieldName;
    TMemSortOptions m_options;
    bool m_dirty = true;
    TMemSortOptions m_builtWith;      // table options the order was built with
    std::vector<int> m_positions;     // table positions in index order
};

class TMemIndexes
{
public:
    explicit TMemIndexes(TMemData *owner) : m_owner(owner) {}
    TMemIndex *Add();
    int Count() const { return int(m_items.size()); }
    TMemIndex *Items(int i) const { return m_items.at(size_t(i)).get(); }
    void Delete(int i);
    void Clear() { m_items.clear(); }

private:
    TMemData *m_owner;
    std::vector<std::unique_ptr<TMemIndex>> m_items;
};

// Data that travels with the component ("Data"), read when the table opens.
class TMemPersistent
{
public:
    explicit TMemPersistent(TMemData *owner) : m_owner(owner) {}
    TMemPersistentOption Option() const { return m_option; }
    void SetOption(TMemPersistentOption o) { m_option = o; }
    const QByteArray &Data() const { return m_data; }
    void SetData(const QByteArray &data) { m_data = data; }
    void Assign(const TMemPersistent &other);
    // Reads the stored data into the table unless empty or already under way.
    void LoadData();
    // Takes the table's current records as the stored data.
    void SaveData();

private:
    friend class TMemData;
    TMemData *m_owner;
    TMemPersistentOption m_option = poActive;
    QByteArray m_data;
    bool m_loading = false;
};

// The value of a blob field of the current record as a stream.
class TMemBlobStream : public QIODevice
{
public:
    // Raises "Поле '%s' не может быть изменено" or the state error when a
    // writing mode is asked for where the value cannot change.
    TMemBlobStream(kv::Field *field, QIODevice::OpenMode mode);
    ~TMemBlobStream() override;

    bool isSequential() const override { return false; }
    qint64 size() const override;
    // origin 0 from the beginning, 1 from the position, 2 from the end.
    qint64 Seek(qint64 offset, int origin);
    bool Modified() const { return m_modified; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QByteArray value() const;
    void setValue(const QByteArray &b);

    kv::Field *m_field;
    kv::DataSet *m_ds;
    bool m_modified = false;
};

class TMemData : public kv::DataSet
{
public:
    explicit TMemData(QObject *parent = nullptr);
    ~TMemData() override;

    // A field of one of the table's types, as the stored "Data" stream names them.
    kv::Field *AddMemField(const QString &name, kv::MemFieldType type, int size = 0,
                           kv::FieldKind kind = kv::FieldKind::Data);
    kv::MemFieldType MemFieldTypeOf(const kv::Field *f) const;
    kv::Field *RecIdField() const { return FindField(QStringLiteral("RecId")); }

    QString SortedField() const { return m_sortedField; }
    void SetSortedField(const QString &name);
    TMemSortOptions SortOptions() const { return m_sortOptions; }
    void SetSortOptions(TMemSortOptions options);
    TMemIndexes &Indexes() { return m_indexes; }
    TMemPersistent &Persistent() { return m_persistent; }
    bool Loading() const { return m_loading; }
    QChar Delimiter() const { return m_delimiter; }

    bool Locate(const QString &keyFields, const QVariant &keyValues,
                kv::LocateOptions options = {}) override;
    QVariant Lookup(const QString &keyFields, const QVariant &keyValues,
                    const QString &resultFields) override;
    // 1-based position in the table's order of the first record whose value of
    // the field equals value; -1 when there is none or no such stored field.
    int GetRecNoByFieldValue(const QVariant &value, const QString &fieldName) const;

    // The stored "Data" stream: reading replaces every record; a broken stream
    // is refused with "The data is incorrect" and the table keeps its records.
    void LoadFromStream(const QByteArray &data);
    QByteArray SaveToStream() const;
    void SaveToTextFile(const QString &fileName);
    void LoadFromTextFile(const QString &fileName);

    std::unique_ptr<TMemBlobStream> CreateBlobStream(kv::Field *field, QIODevice::OpenMode mode);
    // Call once the owner has set the table up (the stored data of poLoad).
    void Loaded();

protected:
    QList<kv::FieldDef> InternalFieldDefs() const override;
    void InternalOpen() override;
    void InternalClose() override;
    int InternalRecordCount() const override { return int(m_recs.size()); }
    qint64 InternalRecordId(int pos) const override;
    int InternalFindId(qint64 id) const override;
    void InternalReadRecord(int pos, QVariantList &values) const override;
    qint64 InternalInsert(int insertBefore, const QVariantList &values) override;
    void InternalUpdate(int pos, const QVariantList &values) override;
    void InternalDelete(int pos) override;
    bool InternalLoading() const override { return m_loading; }
    int InternalColumnCount() const override;
    // Inserts land at one place and an edit moves only its record.
    bool InternalKeepsOrder() const override { return true; }
    void InternalInitRecord(QVariantList &values) const override;

private:
    friend class TMemIndex;
    friend class TMemPersistent;
    struct Column {
        QString name;
        kv::MemFieldType type = kv::MemFieldType::Unknown;
        int size = 0;
        kv::FieldKind kind = kv::FieldKind::Data;
        bool autoNumbered = false;
        qint64 counter = 0;
    };
    struct Rec {
        QVector<QVariant> values;     // stored forms, one per column
        qint64 id = 0;
    };
    class LoadingScope;

    std::vector<Column> columnsOfFields() const;
    int columnOf(const QString &name) const;
    bool columnSortable(int col) const;
    bool filterInForce() const;
    QVariant toStored(int col, const QVariant &v) const;
    QVariant fromStored(int col, const QVariant &v) const;
    void autoNumber(Rec &r);
    int compareRecs(const Rec &a, const Rec &b) const;   // sort order with ties
    int lowerBound(int col, const QVariant &key, int lo, int hi, bool caseInsensitive) const;
    int sortedPosition(const Rec &r, int exclude) const;
    void resolveSortField();
    void sortRecords();
    void invalidateIds() { m_idIndexValid = false; }
    void markIndexesDirty();
    // The first visible record matching the keys: its position in the store
    // without a filter in force, else its row as the DataSet shows them (a
    // row being inserted counted); -1 when none. keyCols: one column per key.
    int findRow(const std::vector<int> &keyCols, const QVariantList &keys,
                kv::LocateOptions options) const;
    bool keyColumns(const QString &keyFields, std::vector<int> *cols) const;
    QVector<kv::MemStreamField> streamFields(std::vector<int> *cols) const;
    void fillFromStored(const kv::MemStoredData &data, const std::vector<int> &cols);

    std::vector<Column> m_cols;
    std::vector<Rec> m_recs;
    qint64 m_idCounter = 0;
    mutable QHash<qint64, int> m_idIndex;
    mutable bool m_idIndexValid = false;
    int m_recIdCol = -1;

    QString m_sortedField;
    TMemSortOptions m_sortOptions;
    int m_sortCol = -1;
    TMemIndexes m_indexes;
    TMemPersistent m_persistent;
    bool m_loading = false;
    bool m_streamLoading = false;
    QChar m_delimiter = QChar(9);
};

#pragma once
// One in-process image per dBASE file (TableRegistry): every cursor and every
// SQL statement on a file works on the same rows, so a posted row is seen by
// a query at once. Changes reach the disk through a temporary file and a
// rename; a file replaced behind our back (copied over, restored) is noticed
// by its time stamp, size and inode and read again.
#include "platform/db/dbffile.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

namespace kv {

class TableStore
{
public:
    // The store of a file, read now or taken from the registry (and read
    // again when the file changed). Raises when the file is missing or broken.
    static std::shared_ptr<TableStore> get(const QString &path);
    // Forgets a file (after copying another over it, renaming or deleting it).
    static void invalidate(const QString &path);
    // The file at `path` was just written with `bytes` (a table image): its
    // store takes its rows from them instead of reading the file again.
    static void adopt(const QString &path, const QByteArray &bytes);
    static void clearRegistry();
    // The registry key of a path (absolute, slashes, case as on disk).
    static QString canonicalPath(const QString &path);

    // What tells a file that changed from one that did not: its size, time
    // stamp and inode (size -1: no such file).
    struct Stamp
    {
        qint64 size = -1;
        qint64 mtimeNs = 0;
        quint64 inode = 0;
        bool operator==(const Stamp &o) const { return size == o.size && mtimeNs == o.mtimeNs && inode == o.inode; }
    };
    static Stamp stampOf(const QString &path);

    ~TableStore();

    const QString &path() const { return m_path; }
    const QList<DbfField> &fields() const { return m_file.fields; }
    QList<FieldDef> fieldDefs() const;

    int count() const { return int(m_live.size()); }
    qint64 idAt(int pos) const { return m_live[size_t(pos)].id; }
    int findId(qint64 id) const;
    const QVariantList &valuesAt(int pos) const
    {
        const Row &r = m_live[size_t(pos)];
        if (r.rec >= 0) decode(r);
        return r.values;
    }

    // Each change is checked against the field formats first (a number that
    // does not fit raises, nothing changes) and, outside a batch, written to
    // the file at once (a failed write undoes the change and raises).
    qint64 append(const QVariantList &values, const void *origin = nullptr);
    void update(int pos, const QVariantList &values, const void *origin = nullptr);
    void remove(int pos, const void *origin = nullptr);
    // Normalises values to the column types (numbers of N/F, dates of D...).
    // With the position of a row, a value that is still what that row's
    // bytes read as passes unchecked: it is written back as those bytes,
    // even where the column's own form could not hold it.
    QVariantList normalize(const QVariantList &values, int pos = -1) const;

    // A batch (one SQL statement) writes once at its end; a rolled-back
    // batch restores the rows as they were.
    void beginBatch();
    void commitBatch();     // raises when the write fails (rows restored)
    void rollbackBatch();
    bool inBatch() const { return m_batch > 0; }

    quint64 generation() const { return m_gen; }
    // Drops the deleted records from the file.
    void pack();

    // Observers hear of changes made by anyone but themselves (origin).
    using Observer = std::function<void()>;
    int subscribe(const void *owner, Observer fn);
    void unsubscribe(int token);

    // While held (a statement runs), observers hear of changes only when the
    // last hold ends, so no cursor code runs inside the statement.
    class NotificationHold
    {
    public:
        NotificationHold();
        ~NotificationHold();
        NotificationHold(const NotificationHold &) = delete;
        NotificationHold &operator=(const NotificationHold &) = delete;
    };

    // Re-reads the file when it changed on disk; true when it did.
    bool refreshFromDisk();

private:
    // A row read from the file is decoded when it is first asked for (a
    // start over a large table reads its rows without decoding them): until
    // then `rec` is where its fields lie in m_image, and values and raw are
    // empty.
    struct Row
    {
        qint64 id;
        mutable QVariantList values;
        mutable QByteArray raw = {};   // the record as read, see DbfRow
        mutable qint64 rec = -1;
    };
    TableStore() = default;
    void decode(const Row &r) const;
    // The row as the file writer takes it.
    DbfRow liveRow(const Row &r) const;
    void load();
    // Takes the rows of the file image `raw` (read when the file had `stamp`).
    void loadImage(QByteArray raw, const Stamp &stamp);
    void flush();
    // Writes a change at once, or leaves it to the end of the batch; a write
    // that fails gives the change back by `undo` and raises.
    void writeOrUndo(const std::function<void()> &undo);
    void changed(const void *origin);
    void notifyObservers(const void *origin);
    // Writes row `pos` into the file in place; false when the file is not
    // known to be this store's own image of today (then it is written whole).
    bool writeRowInPlace(int pos);

    QString m_path;
    DbfFile m_file;             // fields and header bytes; rows kept below
    QByteArray m_image;         // the file as last read: rows not yet decoded lie here
    std::unique_ptr<RecordDecoder> m_decoder;
    std::vector<Row> m_live;
    QList<DbfRow> m_deleted;    // deleted records stay in the file until a pack
    qint64 m_nextId = 1;
    quint64 m_gen = 0;
    Stamp m_stamp;
    // The file is what flush() wrote on this day (live rows, then deleted
    // ones): one record of it can be written where it lies.
    bool m_ownImage = false;
    bool m_torn = false;   // an in-place write began and did not end
    QDate m_imageDate;
    int m_batch = 0;
    bool m_batchDirty = false;
    bool m_batchNotify = false;
    std::vector<Row> m_snapLive;
    QList<DbfRow> m_snapDeleted;
    qint64 m_snapNextId = 1;
    struct Sub
    {
        int token;
        const void *owner;
        Observer fn;
    };
    std::vector<Sub> m_subs;
    int m_nextToken = 1;
};

// The registry of stores by path goes by this name too.
using TableRegistry = TableStore;

} // namespace kv

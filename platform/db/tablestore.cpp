#include "platform/db/tablestore.h"

#include "platform/error.h"
#include "platform/clock.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>

#include <algorithm>

namespace kv {

namespace {

QHash<QString, std::shared_ptr<TableStore>> &registry()
{
    static QHash<QString, std::shared_ptr<TableStore>> r;
    return r;
}

int g_hold = 0;
std::vector<std::weak_ptr<TableStore>> g_held;   // stores with news for their observers

} // namespace

QString TableStore::canonicalPath(const QString &path)
{
    // The folder's canonical path and the name: the same key whether the
    // file exists or not (it may just have been deleted or renamed).
    QString p = resolvePath(path);
    // The engine took a table name without extension as a dBASE file.
    if (!QFileInfo::exists(p) && QFileInfo(p).suffix().isEmpty()) p = resolvePath(p + QStringLiteral(".dbf"));
    QFileInfo fi(p);
    const QString folder = QFileInfo(fi.absolutePath()).canonicalFilePath();
    if (folder.isEmpty()) return QDir::cleanPath(fi.absoluteFilePath());
    return folder + QLatin1Char('/') + fi.fileName();
}

TableStore::Stamp TableStore::stampOf(const QString &path)
{
    Stamp s;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return s;
    s.size = qint64(st.st_size);
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    s.inode = quint64(st.st_ino);
    return s;
}

std::shared_ptr<TableStore> TableStore::get(const QString &path)
{
    const QString key = canonicalPath(path);
    auto &reg = registry();
    auto it = reg.find(key);
    if (it != reg.end()) {
        std::shared_ptr<TableStore> s = it.value();
        if (!QFileInfo::exists(key)) {
            reg.erase(it);
            throw Error(QStringLiteral("Таблица \"%1\" не найдена.").arg(QDir::toNativeSeparators(key)));
        }
        if (!s->inBatch()) s->refreshFromDisk();
        return s;
    }
    if (!QFileInfo(key).isFile())
        throw Error(QStringLiteral("Таблица \"%1\" не найдена.").arg(QDir::toNativeSeparators(key)));
    std::shared_ptr<TableStore> s(new TableStore);
    s->m_path = key;
    s->load();
    reg.insert(key, s);
    return s;
}

void TableStore::invalidate(const QString &path)
{
    const QString key = canonicalPath(path);
    auto &reg = registry();
    auto it = reg.find(key);
    if (it == reg.end()) return;
    std::shared_ptr<TableStore> s = it.value();
    if (QFileInfo::exists(key)) {
        // Keep the object (open cursors hold it) but read the file again.
        s->m_stamp = Stamp();
        if (!s->inBatch()) {
            try {
                s->refreshFromDisk();
            } catch (const Error &) {
                reg.erase(reg.find(key));
            }
        }
    } else {
        reg.erase(it);
    }
}

void TableStore::adopt(const QString &path, const QByteArray &bytes)
{
    const QString key = canonicalPath(path);
    auto &reg = registry();
    auto it = reg.find(key);
    std::shared_ptr<TableStore> s = it != reg.end() ? it.value() : nullptr;
    if (s && s->inBatch()) {
        invalidate(path);
        return;
    }
    const bool known = bool(s);
    if (!s) {
        s.reset(new TableStore);
        s->m_path = key;
    }
    try {
        s->loadImage(bytes, stampOf(key));
    } catch (const Error &) {
        // Not a table after all: the file is read (and refused) when opened.
        if (known) reg.remove(key);
        return;
    }
    if (!known) reg.insert(key, s);
    else s->changed(nullptr);
}

void TableStore::clearRegistry() { registry().clear(); }

TableStore::~TableStore() = default;

namespace {

// True when `raw` is byte for byte the header and layout a whole rewrite of
// `f` with `count` records would write today (records of live rows first,
// `liveFirst`), so that one record can be written where it lies.
bool isOwnLayout(const QByteArray &raw, const DbfFile &f, qint64 count, bool liveFirst, const QDate &today)
{
    if (!liveFirst) return false;
    DbfFile header;
    header.fields = f.fields;
    QByteArray expected;
    try {
        expected = header.serialize(today);
    } catch (const Error &) {
        return false;
    }
    const int headerLen = f.headerLength();
    const quint32 n = quint32(count);
    expected[4] = char(n & 0xFF);
    expected[5] = char((n >> 8) & 0xFF);
    expected[6] = char((n >> 16) & 0xFF);
    expected[7] = char(n >> 24);
    return raw.size() == headerLen + qint64(n) * f.recordLength() + 1 && raw.endsWith(char(0x1A)) &&
           QByteArrayView(raw).first(headerLen) == QByteArrayView(expected).first(headerLen);
}

} // namespace

void TableStore::decode(const Row &r) const
{
    const char *data = m_image.constData() + r.rec;
    r.raw = QByteArray(data, m_file.recordLength() - 1);
    m_decoder->decode(data, r.values);
    r.rec = -1;
}

DbfRow TableStore::liveRow(const Row &r) const
{
    if (r.rec < 0) return DbfRow{false, r.values, r.raw};
    // Not decoded: its bytes as they are, without a copy.
    DbfRow row{false, {}, QByteArray::fromRawData(m_image.constData() + r.rec, m_file.recordLength() - 1)};
    row.asRead = true;
    return row;
}

void TableStore::load()
{
    const Stamp before = stampOf(m_path);
    QByteArray raw;
    (void)DbfFile::read(m_path, &raw, false);
    loadImage(std::move(raw), before);
}

void TableStore::loadImage(QByteArray raw, const Stamp &stamp)
{
    DbfFile f = DbfFile::parse(raw, m_path, false);
    const QDate today = kv::Today();
    const qsizetype n = f.recordsIn(raw);
    const qsizetype headerLen = DbfFile::headerLengthOf(raw), recordLen = f.recordLength();
    auto decoder = std::make_unique<RecordDecoder>(f.fields);
    // Rows kept for a rollback still point into the image being replaced.
    for (const Row &r : m_snapLive)
        if (r.rec >= 0) decode(r);
    m_live.clear();
    m_deleted.clear();
    m_live.reserve(size_t(n));
    bool deletedSeen = false, liveFirst = true;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype at = headerLen + i * recordLen;
        if (raw.at(at) == '*') {
            DbfRow d;
            d.deleted = true;
            d.raw = raw.mid(at + 1, recordLen - 1);
            decoder->decode(raw.constData() + at + 1, d.values);
            m_deleted << std::move(d);
            deletedSeen = true;
        } else {
            if (deletedSeen) liveFirst = false;
            m_live.push_back({m_nextId++, {}, {}, at + 1});
        }
    }
    const bool own = isOwnLayout(raw, f, n, liveFirst, today);
    m_image = std::move(raw);
    m_decoder = std::move(decoder);
    m_file = std::move(f);
    m_stamp = stamp;
    m_ownImage = own;
    m_imageDate = today;
    ++m_gen;
}

bool TableStore::refreshFromDisk()
{
    const Stamp now = stampOf(m_path);
    if (now == m_stamp) return false;
    load();
    changed(nullptr);
    return true;
}

QList<FieldDef> TableStore::fieldDefs() const
{
    QList<FieldDef> out;
    for (const DbfField &f : m_file.fields) out << toFieldDef(f);
    return out;
}

int TableStore::findId(qint64 id) const
{
    // Rows only ever join at the end with a new, larger id: ids are sorted.
    auto it = std::lower_bound(m_live.begin(), m_live.end(), id, [](const Row &r, qint64 v) { return r.id < v; });
    if (it == m_live.end() || it->id != id) return -1;
    return int(it - m_live.begin());
}

QVariantList TableStore::normalize(const QVariantList &values, int pos) const
{
    QVariantList out;
    const QList<DbfField> &fs = m_file.fields;
    out.reserve(fs.size());
    QByteArray raw;
    if (pos >= 0 && pos < count()) {
        valuesAt(pos);   // decoded, so that its bytes are there
        raw = m_live[size_t(pos)].raw;
    }
    const bool withRaw = raw.size() == m_file.recordLength() - 1;
    int off = 0;
    for (int i = 0; i < fs.size(); ++i) {
        const QVariant v = values.value(i);
        if (withRaw) {
            // A number another program wrote wider than its column declares
            // shows as it reads; posting the record must not refuse it.
            QVariant was = m_decoder->field(i, raw.constData() + off);
            off += fs[i].length;
            if (was == v) {
                out << std::move(was);
                continue;
            }
        }
        // Store what a read of the file would give back; a value that does
        // not fit its column raises here.
        const QByteArray bytes = DbfFile::encodeValue(fs[i], v);
        out << m_decoder->field(i, bytes.constData());
    }
    return out;
}

void TableStore::flush()
{
    DbfFile img;
    img.fields = m_file.fields;
    img.version = m_file.version;
    img.languageDriver = 0xC9;   // what we write is code page 1251, whatever the file said
    img.rows.reserve(qsizetype(m_live.size()) + m_deleted.size());
    for (const Row &r : m_live) img.rows << liveRow(r);
    for (const DbfRow &r : m_deleted) img.rows << r;
    m_ownImage = false;
    const QDate today = kv::Today();
    writeFileAtomically(m_path, img.serialize(today));
    m_stamp = stampOf(m_path);
    m_ownImage = true;
    m_imageDate = today;
}

bool TableStore::writeRowInPlace(int pos)
{
    if (!m_ownImage || m_imageDate != kv::Today() || !(stampOf(m_path) == m_stamp)) return false;
    // The record lies where the whole image would put it; the header and
    // every other record already hold what a rewrite would give them.
    const QByteArray record = m_file.encodeRecord(liveRow(m_live[size_t(pos)]));
    const qint64 offset = m_file.headerLength() + qint64(pos) * m_file.recordLength();
    m_ownImage = false;   // until the write is known to be whole
    m_torn = true;
    writeInPlace(m_path, offset, record);
    m_torn = false;
    m_stamp = stampOf(m_path);
    m_ownImage = true;
    return true;
}

void TableStore::changed(const void *origin)
{
    ++m_gen;
    if (m_batch > 0) {
        // Observers hear once, when the statement ends.
        m_batchNotify = true;
        return;
    }
    if (g_hold > 0) {
        const QString key = m_path;
        auto it = registry().find(key);
        if (it != registry().end()) {
            bool listed = false;
            for (const auto &w : g_held)
                if (w.lock() == it.value()) listed = true;
            if (!listed) g_held.push_back(it.value());
            return;
        }
    }
    notifyObservers(origin);
}

void TableStore::notifyObservers(const void *origin)
{
    const std::vector<Sub> subs = m_subs;
    for (const Sub &s : subs) {
        if (s.owner == origin && origin) continue;
        bool still = false;
        for (const Sub &c : m_subs)
            if (c.token == s.token) still = true;
        if (still && s.fn) s.fn();
    }
}

TableStore::NotificationHold::NotificationHold() { ++g_hold; }

TableStore::NotificationHold::~NotificationHold()
{
    if (--g_hold > 0) return;
    std::vector<std::weak_ptr<TableStore>> held;
    held.swap(g_held);
    for (const auto &w : held)
        if (auto s = w.lock()) s->notifyObservers(nullptr);
}

qint64 TableStore::append(const QVariantList &values, const void *origin)
{
    const QVariantList v = normalize(values);
    const qint64 id = m_nextId++;
    m_live.push_back({id, v});
    writeOrUndo([this] { m_live.pop_back(); });
    changed(origin);
    return id;
}

void TableStore::update(int pos, const QVariantList &values, const void *origin)
{
    valuesAt(pos);   // decoded: its raw bytes keep the fields it leaves alone
    const QVariantList v = normalize(values, pos);
    QVariantList old = m_live[size_t(pos)].values;
    m_live[size_t(pos)].values = v;
    if (m_batch > 0) {
        m_batchDirty = true;
    } else {
        try {
            // dBASE records have a fixed length: an edit writes its record alone.
            if (!writeRowInPlace(pos)) flush();
        } catch (...) {
            m_live[size_t(pos)].values = old;
            // A record written halfway is put right by writing the file whole.
            if (m_torn) {
                m_torn = false;
                try {
                    flush();
                } catch (...) {
                    // The failure of the edit itself is the one reported.
                }
            }
            throw;
        }
    }
    changed(origin);
}

void TableStore::remove(int pos, const void *origin)
{
    valuesAt(pos);
    Row old = m_live[size_t(pos)];
    m_live.erase(m_live.begin() + pos);
    m_deleted << DbfRow{true, old.values, old.raw};
    writeOrUndo([&] {
        m_deleted.removeLast();
        m_live.insert(m_live.begin() + pos, old);
    });
    changed(origin);
}

void TableStore::pack()
{
    if (m_deleted.isEmpty()) return;
    const QList<DbfRow> old = m_deleted;
    m_deleted.clear();
    writeOrUndo([&] { m_deleted = old; });
}

void TableStore::writeOrUndo(const std::function<void()> &undo)
{
    if (m_batch > 0) {
        m_batchDirty = true;
        return;
    }
    try {
        flush();
    } catch (...) {
        undo();
        throw;
    }
}

void TableStore::beginBatch()
{
    if (m_batch++ == 0) {
        m_batchDirty = false;
        m_snapLive = m_live;
        m_snapDeleted = m_deleted;
        m_snapNextId = m_nextId;
    }
}

void TableStore::commitBatch()
{
    if (m_batch == 0) return;
    if (--m_batch > 0) return;
    if (m_batchDirty) {
        try {
            flush();
        } catch (...) {
            m_live = std::move(m_snapLive);
            m_deleted = m_snapDeleted;
            m_nextId = m_snapNextId;
            m_snapLive.clear();
            m_batchNotify = false;
            changed(nullptr);
            throw;
        }
    }
    m_snapLive.clear();
    m_snapDeleted.clear();
    m_batchDirty = false;
    if (m_batchNotify) {
        m_batchNotify = false;
        changed(nullptr);
    }
}

void TableStore::rollbackBatch()
{
    if (m_batch == 0) return;
    m_batch = 0;
    if (m_batchDirty) {
        m_live = std::move(m_snapLive);
        m_deleted = m_snapDeleted;
        m_nextId = m_snapNextId;
    }
    m_snapLive.clear();
    m_snapDeleted.clear();
    m_batchDirty = false;
    if (m_batchNotify) {
        m_batchNotify = false;
        changed(nullptr);
    }
}

int TableStore::subscribe(const void *owner, Observer fn)
{
    const int t = m_nextToken++;
    m_subs.push_back({t, owner, std::move(fn)});
    return t;
}

void TableStore::unsubscribe(int token)
{
    m_subs.erase(std::remove_if(m_subs.begin(), m_subs.end(), [token](const Sub &s) { return s.token == token; }),
                 m_subs.end());
}

} // namespace kv

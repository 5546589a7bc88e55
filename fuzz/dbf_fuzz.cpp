// dBASE tables from elsewhere: the reader refuses a broken file with its
// message, shows what it would write, and gives every record nobody edited
// back byte for byte, also after an edit of another record through the
// table's store.
#include "fuzz/fuzz_input.h"

#include "platform/db/dbffile.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"

using namespace kv;
using kvfuzz::scratchFile;

namespace {

int rd16(const QByteArray &b, int at) { return quint8(b[at]) | (quint8(b[at + 1]) << 8); }

// The bytes of record r of the file as it was read (deleted flag included).
QByteArray recordOf(const QByteArray &file, int headerLen, int recordLen, int r)
{
    return file.mid(headerLen + qsizetype(r) * recordLen, recordLen);
}

bool sameValues(const QVariantList &a, const QVariantList &b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

void checkStore(const QByteArray &bytes, const DbfFile &t)
{
    // The store writes only tables it can write whole.
    if (!DbfFile::fieldsError(t.fields).isEmpty()) return;
    for (const DbfField &f : t.fields)
        if (f.type == 'M') return;
    const QString path = scratchFile(QStringLiteral("fuzz.dbf"));
    TableStore::clearRegistry();
    writeFileAtomically(path, bytes);
    std::shared_ptr<TableStore> store = TableStore::get(path);
    QList<QByteArray> liveRecords;
    for (const DbfRow &r : t.rows)
        if (!r.deleted) liveRecords << r.raw;
    KV_FUZZ_CHECK(store->count() == liveRecords.size(), "the store shows every live record");
    if (store->count() == 0) return;

    // Posting a record unchanged writes it as it was; so does an edit of
    // another record (the file may be written whole or in place).
    for (int pos : {0, store->count() - 1}) {
        const QVariantList shown = store->valuesAt(pos);
        try {
            store->update(pos, shown);
        } catch (const Error &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message()));
            KV_FUZZ_CHECK(false, "a record posted unchanged is refused");
        }
        KV_FUZZ_CHECK(sameValues(store->valuesAt(pos), shown), "posting unchanged changes the values");
    }
    const QVariantList before = store->valuesAt(0);
    QVariantList edited = before;
    const DbfField &f0 = t.fields.first();
    edited[0] = f0.type == 'C' ? QVariant(QStringLiteral("Z")) : f0.type == 'D' ? QVariant(QDate(2024, 3, 5))
              : f0.type == 'L' ? QVariant(!before[0].toBool()) : QVariant(1);
    bool editedOk = true;
    try {
        store->update(0, edited);
    } catch (const Error &) {
        editedOk = false;   // a value that does not fit the first field
        KV_FUZZ_CHECK(sameValues(store->valuesAt(0), before), "a refused edit is kept");
    }
    const DbfFile back = DbfFile::read(path);
    QList<QByteArray> liveBack;
    for (const DbfRow &r : back.rows)
        if (!r.deleted) liveBack << r.raw;
    KV_FUZZ_CHECK(liveBack.size() == liveRecords.size(), "the file keeps every live record");
    for (qsizetype i = editedOk ? 1 : 0; i < liveRecords.size(); ++i)
        KV_FUZZ_CHECK(liveBack[i] == liveRecords[i], "a record nobody edited comes back byte for byte");
    for (qsizetype i = 0; i < liveBack.size(); ++i)
        KV_FUZZ_CHECK(sameValues(back.rows.value(i).values, store->valuesAt(int(i))) || back.rows[i].deleted,
                      "the file reads back as the store shows it");
    TableStore::clearRegistry();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = kvfuzz::bytesOf(data, size);
    DbfFile t;
    try {
        t = DbfFile::parse(bytes, QStringLiteral("fuzz.dbf"));
    } catch (const Error &e) {
        KV_FUZZ_CHECK(!e.message().isEmpty(), "a refusal says why");
        return 0;
    }
    const int headerLen = rd16(bytes, 8);
    const int recordLen = rd16(bytes, 10);
    KV_FUZZ_CHECK(t.recordLength() == recordLen, "record length of the fields");

    for (qsizetype r = 0; r < t.rows.size(); ++r) {
        const DbfRow &row = t.rows[r];
        const QByteArray file = recordOf(bytes, headerLen, recordLen, int(r));
        KV_FUZZ_CHECK(row.raw == file.mid(1), "the row keeps its bytes");
        // Nothing edited: the record is written as it stands in the file
        // (the deleted flag written in its plain form).
        QByteArray again;
        try {
            again = t.encodeRecord(row);
        } catch (const Error &) {
            KV_FUZZ_CHECK(false, "a record nobody edited cannot be written");
        }
        KV_FUZZ_CHECK(again.mid(1) == file.mid(1), "a record nobody edited comes back byte for byte");
        KV_FUZZ_CHECK(again[0] == (row.deleted ? '*' : ' '), "the deleted flag");

        // What the table shows is what it writes: each value written into
        // a fresh record reads back as the same value.
        int off = 1;
        for (qsizetype i = 0; i < t.fields.size(); ++i) {
            const DbfField &f = t.fields[i];
            const QVariant shown = row.values.value(i);
            KV_FUZZ_CHECK(shown == DbfFile::decodeValue(f, file.mid(off, f.length)), "in-place and field reader agree");
            off += f.length;
            // Only fields of a layout the program writes (the others refuse
            // the write of the table as a whole).
            if (f.type == 'M' || !DbfFile::fieldsError({f}).isEmpty()) continue;
            QByteArray enc;
            try {
                enc = DbfFile::encodeValue(f, shown);
            } catch (const Error &) {
                continue;   // shown but too wide for its field: an edit keeps the file's bytes
            }
            KV_FUZZ_CHECK(enc.size() == f.length, "a value fills its field exactly");
            KV_FUZZ_CHECK(DbfFile::decodeValue(f, enc) == shown, "what the table shows is what it writes");
        }
    }

    // A table we can write reads back with the same fields and values.
    if (DbfFile::fieldsError(t.fields).isEmpty()) {
        bool memo = false;
        for (const DbfField &f : t.fields) memo = memo || f.type == 'M';
        if (!memo) {
            const QByteArray image = t.serialize(QDate(2024, 3, 5));
            const DbfFile back = DbfFile::parse(image, QStringLiteral("again.dbf"));
            KV_FUZZ_CHECK(back.fields.size() == t.fields.size() && back.rows.size() == t.rows.size(),
                          "the table written reads back whole");
            for (qsizetype r = 0; r < t.rows.size(); ++r) {
                KV_FUZZ_CHECK(back.rows[r].raw == t.rows[r].raw, "records written back byte for byte");
                KV_FUZZ_CHECK(back.rows[r].deleted == t.rows[r].deleted, "deleted flags kept");
            }
            checkStore(bytes, t);
        }
    }
    return 0;
}

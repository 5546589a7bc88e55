#pragma once
// dBASE III+/IV tables (.dbf): header, field descriptors, records. Text is
// code page 1251 (language driver byte 0xC9 written). Fields C, N, F, D, L;
// M columns of foreign files are read as empty memos (no .dbt is written).
#include "platform/db/dataset.h"
#include "platform/clock.h"

#include <functional>
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariantList>

#include <vector>

namespace kv {

struct DbfField
{
    QString name;      // up to 10 characters, stored upper case
    char type = 'C';   // C, N, F, D, L, M
    int length = 10;
    int decimals = 0;
};

// The program's field type of a dBASE column: C String; N without decimals
// SmallInt (width < 5), Integer (width < 10) or Float; N with decimals and F
// Float; D Date; L Boolean; M Memo.
FieldDef toFieldDef(const DbfField &f);

struct DbfRow
{
    bool deleted = false;
    QVariantList values;   // one per field, typed as toFieldDef says; null = blank
    // The record as read (without the deleted flag): a field whose value is
    // still what these bytes read as is written back byte for byte.
    QByteArray raw = {};
    // values were never decoded: the record is written back as raw holds it
    // (which is what encoding its decoded values would give).
    bool asRead = false;
};

class DbfFile
{
public:
    QList<DbfField> fields;
    QList<DbfRow> rows;        // in file order, deleted ones included
    quint8 version = 0x03;
    quint8 languageDriver = 0xC9;

    // Reads a whole table; raises kv::Error with the system's words when the
    // file is missing or is not a dBASE table. A production-index flag is
    // ignored.
    // raw: the file's bytes; withRows false: the header and fields only.
    static DbfFile read(const QString &path, QByteArray *raw = nullptr, bool withRows = true);
    // withRows false: the header and fields only (rows stay empty).
    static DbfFile parse(const QByteArray &bytes, const QString &pathForMessages, bool withRows = true);

    // The file image: header dated `today`, descriptors, 0x0D, records, 0x1A.
    // Raises when a value does not fit its field.
    QByteArray serialize(const QDate &today = kv::Today()) const;
    // Writes through a temporary file and a rename.
    void write(const QString &path) const;
    // An empty table with these fields.
    static void create(const QString &path, const QList<DbfField> &fields);

    void pack();   // drops deleted rows
    int liveCount() const;

    // One value as the bytes of its field; raises when it does not fit.
    static QByteArray encodeValue(const DbfField &f, const QVariant &v);
    // The bytes of one record (deleted flag and fields) as serialize writes it.
    QByteArray encodeRecord(const DbfRow &row) const;
    int headerLength() const { return 32 + 32 * int(fields.size()) + 1; }
    // How many records of the file image `bytes` (whose header this is) a
    // read takes: those the header counts that are there in full, up to an
    // end mark.
    qsizetype recordsIn(const QByteArray &bytes) const;
    // Where the records of a parsed file image begin (the header's own word).
    static int headerLengthOf(const QByteArray &bytes);
    int recordLength() const;
    static QVariant decodeValue(const DbfField &f, const QByteArray &bytes);
    // Raises the error encodeValue would raise, without building the bytes.
    static void checkValue(const DbfField &f, const QVariant &v);

    static QString fieldsError(const QList<DbfField> &fields);   // empty when valid
};

// Decodes records of one layout as a read does, for a reader that decodes
// them one at a time.
class RecordDecoder
{
public:
    explicit RecordDecoder(const QList<DbfField> &fields);
    // `data`: the record's bytes after its deleted flag.
    void decode(const char *data, QVariantList &values) const;
    // Field `i` of such a record, `at` its first byte.
    QVariant field(qsizetype i, const char *at) const;

private:
    QList<DbfField> m_fields;
    std::vector<bool> m_integer;
};

// Writes data to path through a temporary file in the same folder and a
// rename, so a failure leaves the old file as it was.
void writeFileAtomically(const QString &path, const QByteArray &data);
// Tests make a write fail: true for a path fails its atomic write before the
// commit. Returns the previous hook.
using WriteFailHook = std::function<bool(const QString &path)>;
WriteFailHook SetWriteFailHook(WriteFailHook hook);
// Writes `bytes` over an existing file at `offset` (one record of a table,
// in place): a failure or a crash mid-way touches no other byte. The write
// fail hook above fails it before anything is written.
void writeInPlace(const QString &path, qint64 offset, const QByteArray &bytes);
// Tests cut an in-place write short, as a crash would: the hook returns how
// many bytes of it reach the file (negative: all), and the write then fails.
using WriteCutHook = std::function<qint64(const QString &path)>;
WriteCutHook SetWriteCutHook(WriteCutHook hook);
// Copies a file the same way (overwriting the destination).
void copyFileAtomically(const QString &from, const QString &to);

// The path as the file system knows it: backslashes become slashes and, when
// the exact name does not exist, a file or folder differing only in letter
// case is taken (names written by the Windows program).
QString resolvePath(const QString &path);

} // namespace kv

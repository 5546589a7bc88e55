// The stored "Data" stream of an in-memory table: any bytes are taken or
// refused with "The data is incorrect", a refused stream leaves the rows
// already there, and a stream taken is written and read back as the same rows.
#include "fuzz/fuzz_input.h"
#include "fuzz/memstream_fields.h"

#include "memdata/memdata.h"
#include "platform/error.h"

using namespace kv;

namespace {

QList<QVariantList> rowsOf(const TMemData &md)
{
    QList<QVariantList> rows;
    for (int r = 0; r < md.ViewRowCount(); ++r) {
        QVariantList row;
        for (int c = 0; c < md.FieldCount(); ++c) row << md.ViewValue(r, c);
        rows << row;
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kvfuzz::quiet();
    const QByteArray bytes = kvfuzz::bytesOf(data, size);
    TMemData md;
    kvfuzz::addMemStreamFields(md);
    md.Open();
    md.AppendRecord({QVariant(), 1, QStringLiteral("keep")});
    const QList<QVariantList> kept = rowsOf(md);
    try {
        md.LoadFromStream(bytes);
    } catch (const Error &e) {
        KV_FUZZ_CHECK(e.message() == QStringLiteral("The data is incorrect"), "the damaged-stream message");
        KV_FUZZ_CHECK(rowsOf(md) == kept, "a refused stream keeps the rows");
        KV_FUZZ_CHECK(!md.Loading(), "the loading flag is cleared");
        return 0;
    }
    const QByteArray saved = md.SaveToStream();
    TMemData back;
    kvfuzz::addMemStreamFields(back);
    back.Open();
    try {
        back.LoadFromStream(saved);
    } catch (const Error &) {
        KV_FUZZ_CHECK(false, "a stream we wrote is refused");
    }
    if (rowsOf(back) != rowsOf(md)) {
        const QList<QVariantList> a = rowsOf(md), b = rowsOf(back);
        for (qsizetype r = 0; r < qMin(a.size(), b.size()); ++r)
            for (qsizetype c = 0; c < a[r].size(); ++c)
                if (a[r][c] != b[r][c])
                    std::fprintf(stderr, "row %d field %d: %s (%s) / %s (%s)\n", int(r), int(c),
                                 qPrintable(a[r][c].toString()), a[r][c].typeName(),
                                 qPrintable(b[r][c].toString()), b[r][c].typeName());
        KV_FUZZ_CHECK(false, "the rows written read back the same");
    }
    KV_FUZZ_CHECK(back.SaveToStream() == saved, "written twice, the same bytes");
    return 0;
}

// Text files of an in-memory table: any bytes load or fail with the field's
// message, keeping the records read so far; what the table saves loads back
// and saves as the same file.
#include "fuzz/fuzz_input.h"

#include "memdata/memdata.h"
#include "platform/error.h"

using namespace kv;

namespace {

void addFields(TMemData &t)
{
    t.AddField(QStringLiteral("Code"), FieldType::Integer);
    t.AddField(QStringLiteral("Name"), FieldType::String, 20);
    t.AddField(QStringLiteral("Many"), FieldType::Float);
    t.AddField(QStringLiteral("Day"), FieldType::Date);
    t.AddField(QStringLiteral("Ok"), FieldType::Boolean);
    t.AddMemField(QStringLiteral("Price"), MemFieldType::BCD);
    t.AddMemField(QStringLiteral("Wide"), MemFieldType::WideString, 10);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString in = kvfuzz::writeScratch(QStringLiteral("in.txt"), kvfuzz::bytesOf(data, size));
    TMemData md;
    addFields(md);
    md.Open();
    try {
        md.LoadFromTextFile(in);
    } catch (const Error &e) {
        KV_FUZZ_CHECK(!e.message().isEmpty(), "a refusal says why");
    }
    KV_FUZZ_CHECK(!md.Loading(), "the loading flag is cleared");
    const QString out = kvfuzz::scratchFile(QStringLiteral("out.txt"));
    try {
        md.SaveToTextFile(out);
    } catch (const Error &) {
        return 0;   // a text the format cannot carry, refused with its message
    }
    TMemData back;
    addFields(back);
    back.Open();
    try {
        back.LoadFromTextFile(out);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        KV_FUZZ_CHECK(false, "a file the table saved does not load");
    }
    KV_FUZZ_CHECK(back.RecordCount() == md.RecordCount(), "every record saved loads back");
    const QString again = kvfuzz::scratchFile(QStringLiteral("again.txt"));
    back.SaveToTextFile(again);
    KV_FUZZ_CHECK(fileBytes(again) == fileBytes(out), "saved, loaded and saved again: the same file");
    return 0;
}

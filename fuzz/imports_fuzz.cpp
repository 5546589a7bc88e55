// Part lists from outside (".de1", ".det" with its parts table, ".txt",
// ".dkm") and model files (".kmx"): the first byte picks the reader, the rest is the file. Every
// reader takes the file or refuses it with its message; a text list read
// and written reads back as the same parts.
#include "fuzz/fuzz_input.h"

#include "data/imports/partlists.h"
#include "data/models/modelfiles.h"
#include "engine/model.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"

using namespace kv;

namespace {

void oldList(const QString &path)
{
    engine::TDetalsList parts;
    ParseOldDetals(parts, ReadFirstLine(path));
}

void detFile(const QString &path, const QByteArray &table)
{
    // The header names its table; the table is the second half of the input.
    kvfuzz::writeScratch(QStringLiteral("parts.dbf"), table);
    TableStore::clearRegistry();
    const DetHeader h = ReadDetHeader(path);
    (void)ReadDetTable(h, 3, 1);
}

void textList(const QString &path)
{
    QList<ImportedPart> parts;
    try {
        ReadTextFile(path, 3, TextRowDefaults{1, 2}, parts);
    } catch (const Error &e) {
        KV_FUZZ_CHECK(!e.message().isEmpty(), "a refusal says why");
    }
    const QString out = kvfuzz::scratchFile(QStringLiteral("out.txt"));
    const QList<int> refused = WriteTextFile(out, parts);
    QList<ImportedPart> written;
    for (qsizetype i = 0; i < parts.size(); ++i)
        if (!refused.contains(int(i + 1))) written << parts[i];
    QList<ImportedPart> back;
    ReadTextFile(out, 3, TextRowDefaults{1, 2}, back);
    KV_FUZZ_CHECK(back.size() == written.size(), "every part written reads back");
    // Edges are written as banded or not, so they come back as the default edge.
    for (qsizetype i = 0; i < back.size(); ++i) {
        ImportedPart a = written[i], b = back[i];
        for (int *e : {&a.LBorder, &a.RBorder, &a.TBorder, &a.BBorder}) *e = *e ? 2 : 0;
        KV_FUZZ_CHECK(a.Name == b.Name && a.Length == b.Length && a.Width == b.Width && a.Many == b.Many
                          && a.LBorder == b.LBorder && a.RBorder == b.RBorder && a.TBorder == b.TBorder
                          && a.BBorder == b.BBorder,
                      "a text list read back gives the same parts");
    }
}

void modelList(const QString &path)
{
    const QList<ModelListEntry> entries = ReadModelListFile(path);
    const QString out = kvfuzz::scratchFile(QStringLiteral("out.kmx"));
    WriteModelListFile(out, entries);
    KV_FUZZ_CHECK(ReadModelListFile(out) == entries, "a model file written reads back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    const QByteArray bytes = kvfuzz::bytesOf(data + 1, size - 1);
    try {
        switch (data[0] % 5) {
        case 0: oldList(kvfuzz::writeScratch(QStringLiteral("list.de1"), bytes)); break;
        case 1: {
            // The header up to the first NUL byte, the table after it.
            const qsizetype cut = bytes.indexOf('\0');
            const QByteArray head = cut < 0 ? bytes : bytes.left(cut);
            detFile(kvfuzz::writeScratch(QStringLiteral("list.det"), head), cut < 0 ? QByteArray() : bytes.mid(cut + 1));
            break;
        }
        case 2: textList(kvfuzz::writeScratch(QStringLiteral("list.txt"), bytes)); break;
        case 3: (void)ReadDesignerFile(kvfuzz::writeScratch(QStringLiteral("list.dkm"), bytes), 1); break;
        case 4: modelList(kvfuzz::writeScratch(QStringLiteral("models.kmx"), bytes)); break;
        }
    } catch (const Error &e) {
        KV_FUZZ_CHECK(!e.message().isEmpty(), "a refusal says why");
    }
    return 0;
}

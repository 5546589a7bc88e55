// Cutting-map files: the binary ".map" layout and the older INI layout. Any
// bytes load or are refused with a reason, leaving the document as it was;
// a document loaded is written and read back to the same bytes.
#include "fuzz/fuzz_input.h"

#include "data/maps/mapfiles.h"
#include "platform/error.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kvfuzz::quiet();
    const QByteArray bytes = kvfuzz::bytesOf(data, size);
    MapDocument doc;
    QString why;
    const MapLoadResult r = DecodeMapFile(bytes, doc, &why);
    if (r == mlrReadError) KV_FUZZ_CHECK(!why.isEmpty(), "a read error says why");
    if (r == mlrLoaded) {
        QByteArray again;
        try {
            again = EncodeMapFile(doc);
        } catch (const Error &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message()));
            KV_FUZZ_CHECK(false, "a map file read cannot be written");
        }
        MapDocument back;
        KV_FUZZ_CHECK(DecodeMapFile(again, back, &why) == mlrLoaded, "a map file written reads back");
        KV_FUZZ_CHECK(EncodeMapFile(back) == again, "written, read and written again: the same bytes");
    }

    // The same bytes as a map file of the older INI layout.
    const QString path = kvfuzz::writeScratch(QStringLiteral("old.map"), bytes);
    MapDocument ini;
    try {
        LoadIniMaps(path, ini);
        (void)ReadMapsMaterials(path);
    } catch (const Error &e) {
        KV_FUZZ_CHECK(!e.message().isEmpty(), "a refusal says why");
    }
    return 0;
}

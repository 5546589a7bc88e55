// Prepared reports (".rpp") a user opens in the preview: read, every page
// unpacked, drawn, hit by the mouse, packed again, and exported to text, CSV
// and HTML. Seeds: the prepared files of the report tests.
#include "fuzz/report_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    kvfuzz::FuzzReport r;
    kvfuzz::InputDevice input(data, size);
    QIODevice &in = input.device;
    try {
        r.report.EMFPages().ReadPreparedFile(in);
    } catch (const kv::Error &) {
        return 0;
    }
    kvfuzz::usePreparedPages(r.report);
    try {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        r.report.EMFPages().WritePreparedFile(out);
    } catch (const kv::Error &) {
    }
    return 0;
}

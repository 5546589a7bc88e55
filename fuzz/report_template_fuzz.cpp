// Report templates (".rpf") as a user's "Reports\" folder may hold them:
// read, built over a small data set, and the pages used as a user would use
// them. Seeds: the templates our program writes at start-up and the
// template of the report tests.
#include "fuzz/report_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    kvfuzz::FuzzReport r;
    kvfuzz::InputDevice input(data, size);
    QIODevice &in = input.device;
    // A memory stream: a protected template asks for no password.
    r.report.LoadFromStream(in, true);
    try {
        // What was read can be saved again.
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        r.report.SaveToStream(out);
    } catch (const kv::Error &) {
    }
    if (r.report.Prepare()) kvfuzz::usePreparedPages(r.report, 2);
    return 0;
}

// Instance files of the bench: any text is read or refused with the line
// at fault (std::runtime_error), never a crash or an unbounded allocation.
#include "fuzz/fuzz_input.h"

#include "bench/instances.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = kvfuzz::writeScratch(QStringLiteral("fuzz.inst"), kvfuzz::bytesOf(data, size));
    try {
        (void)kvbench::ReadInstances(path.toStdString());
    } catch (const std::runtime_error &e) {
        KV_FUZZ_CHECK(e.what()[0] != '\0', "a refusal says why");
    }
    const std::string line(reinterpret_cast<const char *>(data), size);
    try {
        (void)kvbench::ParseOneLine(line.substr(0, line.find('\n')));
    } catch (const std::runtime_error &e) {
        KV_FUZZ_CHECK(e.what()[0] != '\0', "a refusal says why");
    }
    return 0;
}

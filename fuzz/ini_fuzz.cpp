// Settings files: any bytes read as sections and keys without a failure; a
// write of one key changes that key only, every other value reads as before,
// and the file written reads back the same.
#include "fuzz/fuzz_input.h"

#include "platform/error.h"
#include "platform/ini.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = kvfuzz::writeScratch(QStringLiteral("fuzz.ini"), kvfuzz::bytesOf(data, size));
    TIniFile::ClearCache();
    TIniFile ini(path);
    const QStringList sections = ini.ReadSections();
    QList<QStringList> before;
    for (const QString &s : sections) {
        before << ini.ReadSectionValues(s);
        for (const QString &k : ini.ReadSection(s)) {
            (void)ini.ReadInteger(s, k, 0);
            (void)ini.ReadFloat(s, k, 0);
        }
    }
    const QString section = sections.isEmpty() ? QStringLiteral("Default") : sections.first();
    try {
        ini.WriteString(section, QStringLiteral("FuzzKey"), QStringLiteral("значение"));
    } catch (const Error &) {
        KV_FUZZ_CHECK(false, "a write to a scratch file fails");
    }
    KV_FUZZ_CHECK(ini.ReadString(section, QStringLiteral("fuzzkey"), QString()) == QStringLiteral("значение"),
                  "the value written reads back");
    // From disk again: the same sections, the other keys as they were.
    TIniFile::ClearCache();
    TIniFile again(path);
    const QStringList after = again.ReadSections();
    KV_FUZZ_CHECK(after.size() == sections.size() + (sections.isEmpty() ? 1 : 0), "the sections stay");
    for (qsizetype i = 0; i < sections.size(); ++i) {
        KV_FUZZ_CHECK(after[i] == sections[i], "the sections keep their names and order");
        QStringList values = again.ReadSectionValues(sections[i]);
        if (i == 0) values.removeAll(QStringLiteral("FuzzKey=значение"));
        // A section written twice in the file is one; its values are those of the first.
        KV_FUZZ_CHECK(values == before[i], "a write changes no other key");
    }
    return 0;
}

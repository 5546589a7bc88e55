// Reading a large settings file: many sections of a few keys, and one
// section of many keys (the remarks and recent-files lists grow so). The
// time per line should stay flat as the file grows. Figures only.
#include "platform/ini.h"
#include "platform/text.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kv;

namespace {

QString writeIni(const QTemporaryDir &dir, int sections, int keys)
{
    QString text;
    for (int s = 0; s < sections; ++s) {
        text += QStringLiteral("[Раздел%1]\r\n").arg(s);
        for (int k = 0; k < keys; ++k) text += QStringLiteral("Key%1=значение %2\r\n").arg(k).arg(s);
    }
    const QString path = dir.filePath(QStringLiteral("Big.ini"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(toCp1251(text));
    return path;
}

void readLast(benchmark::State &state, int sections, int keys)
{
    QTemporaryDir dir;
    const QString path = writeIni(dir, sections, keys);
    TIniFile ini(path);
    const QString section = QStringLiteral("раздел%1").arg(sections - 1);
    const QString key = QStringLiteral("key%1").arg(keys - 1);
    for (auto _ : state) {
        TIniFile::ClearCache();   // every round reads the file anew
        benchmark::DoNotOptimize(ini.ReadString(section, key, QString()));
    }
    state.SetComplexityN(qint64(sections) * (keys + 1));
    state.SetItemsProcessed(state.iterations() * qint64(sections) * (keys + 1));
}

void BM_IniManySections(benchmark::State &state) { readLast(state, int(state.range(0)), 4); }
void BM_IniManyKeys(benchmark::State &state) { readLast(state, 1, int(state.range(0))); }

} // namespace

BENCHMARK(BM_IniManySections)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_IniManyKeys)->RangeMultiplier(4)->Range(1 << 10, 1 << 18)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();

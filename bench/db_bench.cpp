// Timing of the SQL road over dBASE files: the warehouse statistics shape
// (a left join with a group by) and the part merge (group by with a sum),
// over tables of 10,000 rows. Figures only; nothing is asserted.
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/db/tablestore.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kv;

namespace {

struct Files
{
    QTemporaryDir dir;
    QString types, sheets, parts;
    Files()
    {
        types = dir.filePath("Types.dbf");
        sheets = dir.filePath("Sheets.dbf");
        parts = dir.filePath("Parts.dbf");
        DbfFile t;
        t.fields = {{"MATERIAL", 'C', 35, 0}, {"CODE", 'N', 10, 0}};
        for (int i = 1; i <= 10000; ++i) t.rows << DbfRow{false, {QString("Материал %1").arg(i), i}};
        t.write(types);
        DbfFile s;
        s.fields = {{"LENGTH", 'F', 20, 4}, {"WIDTH", 'F', 20, 4}, {"MANY", 'F', 20, 4}, {"CODE", 'F', 20, 4}};
        for (int i = 0; i < 10000; ++i) s.rows << DbfRow{false, {2750 - i % 50, 2070 - i % 30, 1 + i % 7, 1 + i % 500}};
        s.write(sheets);
        DbfFile p;
        p.fields = {{"NAME", 'C', 100, 0}, {"LENGTH", 'N', 10, 0}, {"WIDTH", 'N', 10, 0}, {"MANY", 'N', 10, 0},
                    {"ROTATE", 'N', 6, 0}, {"MATERIAL", 'N', 10, 0}};
        for (int i = 0; i < 10000; ++i)
            p.rows << DbfRow{false, {QString("Деталь %1").arg(i % 1000), 100 + i % 37, 50 + i % 11, 1 + i % 3, i % 3, 1 + i % 20}};
        p.write(parts);
    }
};

Files &files()
{
    static Files f;
    return f;
}

void BM_WarehouseStatistics(benchmark::State &state)
{
    Files &f = files();
    const QString sql = QString("select m.\"Code\", m.\"Material\", sum(s.\"Width\"*s.\"Length\"*s.\"Many\"/1000000) as ShSquare "
                                "from %1 m left join %2 s on m.\"Code\"=s.\"Code\" group by m.\"Code\", m.\"Material\" "
                                "order by m.\"Material\"")
                            .arg(Query::QuotePath(f.types), Query::QuotePath(f.sheets));
    for (auto _ : state) {
        Query q;
        q.SetSQL(sql);
        q.Open();
        benchmark::DoNotOptimize(q.RecordCount());
    }
}
BENCHMARK(BM_WarehouseStatistics)->Unit(benchmark::kMillisecond);

void BM_PartMergeGroupBy(benchmark::State &state)
{
    Files &f = files();
    const QString sql = QString("Select a.\"Name\", a.\"Length\", a.\"Width\", Sum(a.\"Many\") as NewMany, a.\"Rotate\", "
                                "a.\"Material\" from %1 a Group by a.\"Name\", a.\"Length\", a.\"Width\", a.\"Rotate\", "
                                "a.\"Material\"")
                            .arg(Query::QuotePath(f.parts));
    for (auto _ : state) {
        Query q;
        q.SetSQL(sql);
        q.Open();
        benchmark::DoNotOptimize(q.RecordCount());
    }
}
BENCHMARK(BM_PartMergeGroupBy)->Unit(benchmark::kMillisecond);

void BM_TableOpenAndWalk(benchmark::State &state)
{
    Files &f = files();
    for (auto _ : state) {
        Table t;
        t.SetTableName(f.sheets);
        t.SetFilter("Code=5 and Many>0");
        t.SetFiltered(true);
        t.Open();
        double sum = 0;
        for (t.First(); !t.Eof(); t.Next()) sum += t.FieldByName("MANY")->AsFloat();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_TableOpenAndWalk)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

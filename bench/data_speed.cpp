// Speed of the data layer beside plain baselines: appends into the in-memory
// table, an edit and post under a filter, the program's start with a full
// stock table (and the warehouse's working copies alone), and an edit of one
// record of a dBASE table. Figures only.
//   kv_data_speed [rows, default 100000]
//   kv_data_speed --folder DIR [rows]    a program folder to profile over
//   kv_data_speed --program DIR          the program's start over it
#include "bench/speed.h"

#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/startupstages.h"
#include "print/objects/registration.h"

#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "memdata/memdata.h"
#include "platform/db/dbffile.h"
#include "platform/db/table.h"
#include "platform/db/tablestore.h"
#include "platform/ini.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <vector>

using namespace kv;

namespace {

void makeTable(TMemData &md)
{
    md.AddField(QStringLiteral("Code"), FieldType::Integer);
    md.AddField(QStringLiteral("Name"), FieldType::String, 40);
    md.AddField(QStringLiteral("Length"), FieldType::Integer);
    md.AddField(QStringLiteral("Width"), FieldType::Integer);
    md.AddField(QStringLiteral("Many"), FieldType::Float);
    md.Open();
}

void appendRows(TMemData &md, int n)
{
    Field *code = md.FieldByName(QStringLiteral("Code")), *name = md.FieldByName(QStringLiteral("Name"));
    Field *len = md.FieldByName(QStringLiteral("Length")), *wid = md.FieldByName(QStringLiteral("Width"));
    Field *many = md.FieldByName(QStringLiteral("Many"));
    for (int i = 0; i < n; ++i) {
        md.Append();
        code->SetValue(i % 500);
        name->SetValue(QStringLiteral("Деталь %1").arg(i));
        len->SetValue(100 + i % 2700);
        wid->SetValue(50 + i % 2000);
        many->SetValue(1.0 + i % 7);
        md.Post();
    }
}

qsizetype appendBaseline(int n)
{
    std::vector<QVariantList> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back({QVariant(i), QVariant(i % 500), QVariant(QStringLiteral("Деталь %1").arg(i)),
                        QVariant(100 + i % 2700), QVariant(50 + i % 2000), QVariant(1.0 + i % 7)});
    return qsizetype(rows.size());
}

// A program folder with 100,000 standard sheets and as many off-cuts in the
// stock tables, in a temporary folder or, for a profiler, in a named one
// that is kept.
struct Folder
{
    QTemporaryDir dir;
    QString root;
    Paths paths;
    std::unique_ptr<Settings> settings;
    explicit Folder(int rows, const QString &keep = {}) : root(keep.isEmpty() ? dir.path() : keep), paths(root)
    {
        paths.CreateFolders();
        TIniFile(paths.SettingsFile()).UpdateFile();
        settings = std::make_unique<Settings>(paths.SettingsFile());
        {
            TModule m(&paths, settings.get());
            m.EnsureTables();
        }
        for (const QString &table : {paths.SheetsTable(), paths.ScrapsTable()}) {
            DbfFile f = DbfFile::read(resolvePath(table));
            for (int i = 0; i < rows; ++i) {
                QVariantList v;
                for (const DbfField &fd : f.fields) {
                    switch (fd.type) {
                    case 'C': v << QStringLiteral("Лист %1").arg(i).left(fd.length); break;
                    case 'D': v << QDate(2024, 1, 1).addDays(i % 365); break;
                    case 'L': v << (i % 2 == 0); break;
                    default: v << (1 + i % 500); break;
                    }
                }
                f.rows << DbfRow{false, v};
            }
            f.write(resolvePath(table));
        }
        TableStore::clearRegistry();
    }
};

} // namespace

double monotonicMs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A child tells its parent when its window has been painted: the monotonic
// clock (the same for both) and its own processor time so far.
void reportShown()
{
    timespec cpu {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("shown %.6f %.6f\n", monotonicMs(), double(cpu.tv_sec) * 1e3 + double(cpu.tv_nsec) / 1e6);
    std::fflush(stdout);
}

// A window shown and painted once.
void showWindow()
{
    QWidget w;
    w.resize(800, 600);
    w.show();
    QApplication::processEvents();
    (void)w.grab();
    reportShown();
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("--bare")) {
        showWindow();
        return 0;
    }
    if (mode == QLatin1String("--program") && argc > 2) {
        // The program as main() starts it, over the folder, to its main
        // window shown and painted once.
        RegisterPrintObjects();
        // KV_BENCH_STEPS=1: the time of each start-up step on stderr.
        QElapsedTimer clock;
        clock.start();
        if (qEnvironmentVariableIsSet("KV_BENCH_STEPS"))
            SetStartupRecorder([&clock](const QString &step) {
                std::fprintf(stderr, "%8.2f ms  %s\n", double(clock.nsecsElapsed()) / 1e6, qPrintable(step));
            });
        StartOptions options;
        options.root = QString::fromLocal8Bit(argv[2]);
        options.instead = [](TMainForm &form) {
            QApplication::processEvents();
            (void)form.grab();
            reportShown();
        };
        return RunApplication(app, options);
    }
    if (mode == QLatin1String("--folder") && argc > 2) {
        Folder folder(argc > 3 ? QByteArray(argv[3]).toInt() : 100000, QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    if (mode == QLatin1String("--stock") && argc > 2) {
        Paths paths(QString::fromLocal8Bit(argv[2]));
        Settings settings(paths.SettingsFile());
        TModule m(&paths, &settings);
        m.EnsureTables();
        m.OpenSheetsCopy();
        m.OpenScrapsCopy();
        showWindow();
        return 0;
    }
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int runs = qEnvironmentVariableIsSet("KV_BENCH_RUNS") ? qEnvironmentVariableIntValue("KV_BENCH_RUNS") : 5;
    using namespace kvbench;
    header(qPrintable(QStringLiteral("data layer, %1 rows").arg(rows)));

    // Appends: per row at a quarter, half and all of the rows, so a cost that
    // rises with the size shows.
    for (int n : {rows / 4, rows / 2, rows}) {
        qsizetype sink = 0;
        const Time base = bestOf([&] { sink += appendBaseline(n); }, runs);
        const Time ms = bestOf([&] {
            TMemData md;
            makeTable(md);
            appendRows(md, n);
        }, runs);
        const QByteArray name = QStringLiteral("memdata: %1 appends (%2 us/row)").arg(n).arg(ms.cpu * 1000 / n, 0, 'f', 2).toLatin1();
        row(name.constData(), ms, base);
        if (sink < 0) return 1;
    }

    // Edit and post of one row with a filter on: average of 200.
    {
        TMemData md;
        makeTable(md);
        appendRows(md, rows);
        md.SetFilter(QStringLiteral("Code > 10"));
        md.SetFiltered(true);
        const int visible = md.RecordCount();
        Field *name = md.FieldByName(QStringLiteral("Name"));
        int k = 0;
        const Time ms = bestOf([&] {
            for (int i = 0; i < 200; ++i) {
                md.SetRecNo(1 + (k++ * 7919) % visible);
                md.Edit();
                name->SetValue(QStringLiteral("Правка %1").arg(k));
                md.Post();
            }
        }, runs) / 200;
        row("memdata: edit+post with a filter (per edit)", ms, Time());
    }

    // Start-up: the program started over a full stock table to its main
    // window shown, and a process that only opens the warehouse's working
    // copies and shows a window, each beside one that shows a bare window.
    {
        Folder folder(rows);
        const QString self = QCoreApplication::applicationFilePath();
        // Each child as a whole process, and the same child from its start
        // to its window painted (what the user waits for; the close of the
        // program writes its settings and is not part of it).
        struct Spawned
        {
            Time whole, shown;
        };
        auto spawn = [&](const QStringList &args) {
            Spawned best;
            for (int i = 0; i < runs; ++i) {
                QProcess p;
                const double c0 = cpuMs(), t0 = monotonicMs();
                p.start(self, args);
                if (!p.waitForFinished(120000) || p.exitCode() != 0) {
                    std::printf("   child failed: %s\n", p.readAllStandardError().constData());
                    continue;
                }
                const double wall = monotonicMs() - t0, cpu = cpuMs() - c0;
                best.whole = {std::min(best.whole.wall, wall), std::min(best.whole.cpu, cpu)};
                double at = 0, childCpu = 0;
                if (std::sscanf(p.readAllStandardOutput().constData(), "shown %lf %lf", &at, &childCpu) == 2)
                    best.shown = {std::min(best.shown.wall, at - t0), std::min(best.shown.cpu, childCpu)};
            }
            return best;
        };
        // A first start writes the report templates the folder lacks.
        (void)spawn({QStringLiteral("--program"), folder.root});
        const Spawned base = spawn({QStringLiteral("--bare")});
        const Spawned program = spawn({QStringLiteral("--program"), folder.root});
        row("start-up: program to main window shown", program.shown, base.shown);
        row("start-up: program, whole process", program.whole, base.whole);
        const Spawned stock = spawn({QStringLiteral("--stock"), folder.root});
        row("start-up: stock working copies to shown", stock.shown, base.shown);

        TableStore::clearRegistry();
        Table t;
        t.SetTableName(resolvePath(folder.paths.TempSheetsTable()));
        t.Open();
        Field *f = t.Fields(0);
        int k = 0;
        const Time edit = bestOf([&] {
            for (int i = 0; i < 10; ++i) {
                t.SetRecNo(1 + (k++ * 7919) % t.RecordCount());
                t.Edit();
                f->SetValue(1000 + k % 1000);
                t.Post();
            }
        }, runs) / 10;
        row("table: edit of one record (per edit)", edit, Time());
    }
    return 0;
}

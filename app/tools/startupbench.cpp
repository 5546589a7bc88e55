// Start-up time: from the start of the program to the main window shown,
// with a warehouse of 10,000 standard-sheet rows and 10,000 off-cut rows,
// on the offscreen platform. Prints the median of a few starts and the time
// each start-up step took. Figures only; nothing is asserted.
//     korvalt-startup-bench [starts]
#include "app/shell/startup.h"
#include "app/shell/startupstages.h"
#include "platform/db/dbffile.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

// The stock tables of the folder, filled with `rows` rows each over 50 materials.
void fillWarehouse(const QString &root, int rows)
{
    kv::DbfFile types = kv::DbfFile::read(root + "/Sheets/Types.dbf");
    types.rows.clear();
    for (int m = 1; m <= 50; ++m) types.rows << kv::DbfRow{false, {QStringLiteral("Материал %1").arg(m), m}};
    types.write(root + "/Sheets/Types.dbf");
    kv::DbfFile sheets = kv::DbfFile::read(root + "/Sheets/Sheets.dbf");
    for (int i = 0; i < rows; ++i) sheets.rows << kv::DbfRow{false, {2800 - i % 50, 2070 - i % 30, 1 + i % 9, 1 + i % 50}};
    sheets.write(root + "/Sheets/Sheets.dbf");
    kv::DbfFile scraps = kv::DbfFile::read(root + "/Sheets/Scraps.dbf");
    const QDate day(2024, 3, 1);
    for (int i = 0; i < rows; ++i)
        scraps.rows << kv::DbfRow{false, {QStringLiteral("О-%1").arg(i), 300 + i % 1500, 100 + i % 900, 1 + i % 3,
                                          1 + i % 50, day.addDays(i % 400)}};
    scraps.write(root + "/Sheets/Scraps.dbf");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/Korvalt";

    // A first start makes the folder, its templates and empty tables.
    kv::StartOptions first;
    first.root = root;
    first.instead = [](TMainForm &) {};
    kv::RunApplication(app, first);
    fillWarehouse(root, 10000);

    std::vector<double> totals;
    std::map<QString, std::vector<double>> steps;   // time from the previous step
    QStringList order;
    for (int n = 0; n < starts; ++n) {
        QElapsedTimer clock;
        double last = 0;
        kv::SetStartupRecorder([&](const QString &step) {
            const double now = clock.nsecsElapsed() / 1e6;
            if (!steps.count(step)) order << step;
            steps[step].push_back(now - last);
            last = now;
        });
        kv::StartOptions opt;
        opt.root = root;
        double shown = 0;
        opt.instead = [&](TMainForm &) { shown = clock.nsecsElapsed() / 1e6; };
        clock.start();
        kv::RunApplication(app, opt);
        kv::SetStartupRecorder(nullptr);
        totals.push_back(shown);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("start to main window shown, 10,000 sheet and 10,000 off-cut rows: %.0f ms (median of %d)\n",
                median(totals), starts);
    for (const QString &s : order) std::printf("  %8.1f ms  %s\n", median(steps[s]), qPrintable(s));
    return 0;
}

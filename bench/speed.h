#pragma once
// A small harness for the library benchmarks: each path runs beside a plain
// baseline in the same process, best of five, and the ratio is printed.
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace kvbench {

// Best wall time of `runs` calls, in milliseconds.
inline double bestOf(const std::function<void()> &fn, int runs = 5)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

inline double loadAverage()
{
    double l = -1;
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &l) != 1) l = -1;
        std::fclose(f);
    }
    return l;
}

inline void header(const char *title)
{
    std::printf("== %s (load average %.2f)\n", title, loadAverage());
    std::printf("%-44s %12s %12s %8s\n", "path", "ms", "baseline ms", "ratio");
}

inline void row(const char *name, double ms, double baseMs)
{
    std::printf("%-44s %12.2f %12.2f %8.2f\n", name, ms, baseMs, baseMs > 0 ? ms / baseMs : 0.0);
    std::fflush(stdout);
}

} // namespace kvbench

#pragma once
// A small harness for the library benchmarks: each path runs beside a plain
// baseline in the same process, best of five, and the ratio is printed.
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <time.h>

namespace kvbench {

// Processor time of this process and of its children that ended, in ms:
// on a loaded machine it says more than the wall clock.
inline double cpuMs()
{
    timespec self {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &self);
    rusage children {};
    getrusage(RUSAGE_CHILDREN, &children);
    auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return double(self.tv_sec) * 1e3 + double(self.tv_nsec) / 1e6 + ms(children.ru_utime) + ms(children.ru_stime);
}

struct Time
{
    double wall = 1e300;   // best wall time, ms
    double cpu = 1e300;    // best processor time, ms
    Time operator/(double n) const { return {wall / n, cpu / n}; }
};

// Best times of `runs` calls.
inline Time bestOf(const std::function<void()> &fn, int runs = 5)
{
    Time best;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        fn();
        best.wall = std::min(best.wall, double(t.nsecsElapsed()) / 1e6);
        best.cpu = std::min(best.cpu, cpuMs() - c0);
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
    std::printf("%-44s %10s %10s %10s %10s %7s\n", "path", "wall ms", "cpu ms", "base wall", "base cpu", "ratio");
}

// The ratio is of processor times (of wall times when no processor time was seen).
inline void row(const char *name, Time t, Time base)
{
    const bool cpu = t.cpu > 0 && base.cpu > 0 && base.cpu < 1e299;
    const double ratio = cpu ? t.cpu / base.cpu : (base.wall > 0 && base.wall < 1e299 ? t.wall / base.wall : 0.0);
    auto shown = [](double v) { return v >= 1e299 ? 0.0 : v; };
    std::printf("%-44s %10.3f %10.3f %10.3f %10.3f %7.2f\n", name, t.wall, t.cpu, shown(base.wall), shown(base.cpu), ratio);
    std::fflush(stdout);
}

} // namespace kvbench

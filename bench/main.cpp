// korvalt-bench: runs the cutting engine on instance files and prints, per
// instance and in total, the maps, the sheets used, how much of their area the
// parts take, and the time.
#include "bench/instances.h"
#include "engine/dump.h"
#include "engine/raskroy.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kv::engine;
using kvbench::Instance;

namespace {

struct Options
{
    int32_t exSearch = 4;
    int criterion = 2;
    int kerf = -1;
    int trims[4] = {-1, -1, -1, -1};
    int rotate = -1;
    int algorithm = 0;
    bool oneDim = false;
    bool fullSearch = false;
    int threads = 0;
    double shareFromMs = -1; // the engine's own threshold
    bool reference = false;
    bool check = false;
    bool dump = false;
    std::string match;
    std::string generate;
    std::vector<std::string> files;
};

void Usage()
{
    std::fprintf(stderr,
                 "usage: korvalt-bench [options] FILE...\n"
                 "  --exsearch N      variants per pass are 0..N (default 4)\n"
                 "  --criterion 2|3|4 largest off-cuts, longest off-cut, shortest cuts\n"
                 "  --kerf K          saw-cut width (default: the file's, else 0)\n"
                 "  --trims T | L,R,T,B  trims (default: the file's, else 0)\n"
                 "  --rotate 0|1|2    rotate mode of every part (default: the file's, else 0)\n"
                 "  --algorithm N     1 rectangle-first search, otherwise part-first\n"
                 "  --onedim          exact-fit search first\n"
                 "  --fullsearch      variants may leave parts out\n"
                 "  --match TEXT      only instances whose name holds TEXT\n"
                 "  --threads N       threads that build the variants (default: every core)\n"
                 "  --share-from MS   a pass goes to the threads from this much estimated work\n"
                 "  --reference       plain sorts and searches\n"
                 "  --check           also run on one thread and the plain way, and compare the maps\n"
                 "  --dump            print the maps\n"
                 "  --generate warehouse,COPIES,KINDS,OFFCUTS[,PERSIZE[,SEED]] | mixed,COUNT[,SEED]\n"
                 "                    print a generated job in the instance format and end\n");
}

bool ParseOptions(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::runtime_error(a + " needs a value");
            return argv[++i];
        };
        if (a == "--exsearch")
            o.exSearch = std::stoi(value());
        else if (a == "--criterion")
            o.criterion = std::stoi(value());
        else if (a == "--kerf")
            o.kerf = std::stoi(value());
        else if (a == "--trims") {
            const std::string v = value();
            int t[4];
            const int n = std::sscanf(v.c_str(), "%d,%d,%d,%d", &t[0], &t[1], &t[2], &t[3]);
            if (n == 1)
                t[1] = t[2] = t[3] = t[0];
            else if (n != 4)
                throw std::runtime_error("--trims takes one value or four");
            std::memcpy(o.trims, t, sizeof t);
        } else if (a == "--rotate")
            o.rotate = std::stoi(value());
        else if (a == "--algorithm")
            o.algorithm = std::stoi(value());
        else if (a == "--threads")
            o.threads = std::stoi(value());
        else if (a == "--share-from")
            o.shareFromMs = std::stod(value());
        else if (a == "--onedim")
            o.oneDim = true;
        else if (a == "--fullsearch")
            o.fullSearch = true;
        else if (a == "--reference")
            o.reference = true;
        else if (a == "--check")
            o.check = true;
        else if (a == "--dump")
            o.dump = true;
        else if (a == "--match")
            o.match = value();
        else if (a == "--generate")
            o.generate = value();
        else if (a == "-h" || a == "--help")
            return false;
        else if (!a.empty() && a[0] == '-')
            throw std::runtime_error("unknown option " + a);
        else
            o.files.push_back(a);
    }
    return !o.files.empty() || !o.generate.empty();
}

// The generated jobs of bench/data: "warehouse,4000,400,800" (five off-cuts of each size) or "mixed,200".
std::vector<Instance> Generate(const std::string &what)
{
    std::vector<std::string> f;
    std::string cur;
    for (char c : what + ",") {
        if (c == ',') {
            f.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    auto num = [&](size_t i, long def) { return i < f.size() ? std::stol(f[i]) : def; };
    if (f[0] == "warehouse" && f.size() >= 4 && f.size() <= 6)
        return {kvbench::GenerateWarehouse(int(num(1, 0)), int(num(2, 0)), int(num(3, 0)), int(num(4, 5)),
                                           uint32_t(num(5, num(1, 0))))};
    if (f[0] == "mixed" && (f.size() == 2 || f.size() == 3))
        return kvbench::GenerateMixed(int(num(1, 0)), uint32_t(num(2, 1)));
    throw std::runtime_error("--generate takes warehouse,COPIES,KINDS,OFFCUTS[,PERSIZE[,SEED]] or mixed,COUNT[,SEED]");
}

double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

struct Result
{
    int maps = 0;
    int64_t sheets = 0, offcuts = 0;
    double partsArea = 0, sheetsArea = 0;
    double ms = 0;    // wall clock
    double cpuMs = 0; // processor time of the run: steadier on a busy machine
    double firstMs = 0; // wall clock of the off-cut pass: what threads can share
    std::string dump;
    std::string note;
};

// Loads the instance into the engine; false (with a note) when it cannot be cut.
bool Load(TRaskroy &e, const Instance &in, const Options &o, std::string &note)
{
    e.ResetRaskroy();
    e.StopRaskroy = false;
    TRaskroyParams &p = e.P;
    p = TRaskroyParams();
    p.ExSearch = o.exSearch;
    p.OptimCriterion = uint8_t(o.criterion);
    p.AlgorithmNumber = o.algorithm;
    p.OneDimOpt = o.oneDim;
    p.FullSearch = o.fullSearch;
    p.StdSheetLength = in.sheetLength;
    p.StdSheetWidth = in.sheetWidth;
    p.MillWidth = o.kerf >= 0 ? o.kerf : (in.hasKerf ? in.kerf : 0);
    const int32_t *t = o.trims[0] >= 0 ? o.trims : (in.hasTrims ? in.trims : nullptr);
    p.LIndent = t ? t[0] : 0;
    p.RIndent = t ? t[1] : 0;
    p.TIndent = t ? t[2] : 0;
    p.BIndent = t ? t[3] : 0;
    p.UseScraps = !in.offcuts.empty();
    const std::string bad = CheckParams(p);
    if (!bad.empty()) {
        note = "skipped: bad sizes";
        return false;
    }
    for (const auto &pt : in.parts) {
        if (pt.count <= 0)
            continue;
        const int rot = o.rotate >= 0 ? o.rotate : pt.rotate;
        e.Detals.Add(pt.name, pt.length, pt.width, pt.count, uint8_t(rot));
        if (pt.length <= 0 || pt.width <= 0) {
            note = "skipped: a part without a size";
            return false;
        }
    }
    for (const auto &oc : in.offcuts)
        for (int32_t i = 0; i < oc.count; ++i)
            e.Stock.Sheets.Append(TSheet(oc.name, 0, 0, oc.length, oc.width, 0, true));
    if (e.Detals.Count() == 0) {
        note = "skipped: no parts";
        return false;
    }
    if (!e.AllRemainingFit(p.StdSheetLength - p.LIndent - p.RIndent, p.StdSheetWidth - p.TIndent - p.BIndent)) {
        note = "skipped: a part larger than the sheet";
        return false;
    }
    return true;
}

Result Run(const Instance &in, const Options &o, bool reference, int threads)
{
    Result r;
    TRaskroy e;
    e.Reference = reference;
    e.Threads = threads;
    if (o.shareFromMs >= 0)
        e.ParallelMinWorkNs = int64_t(o.shareFromMs * 1e6);
    if (!Load(e, in, o, r.note))
        return r;
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuMs();
    e.RaskroyFromStock();
    r.firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (e.RaskroyState != rsNothingFits) {
        while (!e.Detals.NothingLeft()) {
            e.RaskroyNextSheet();
            if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp)
                break;
        }
    }
    const auto t1 = std::chrono::steady_clock::now();
    r.ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
    r.cpuMs = CpuMs() - c0;
    if (e.RaskroyState == rsNothingFits)
        r.note = "parts left that fit no sheet";
    r.maps = e.ResultMaps.Count();
    for (int i = 0; i < e.ResultMaps.Count(); ++i) {
        const TSheetsList &m = *e.ResultMaps.Items(i);
        (m.IsScrap ? r.offcuts : r.sheets) += m.Quantity;
        r.sheetsArea += double(m.SizeX) * m.SizeY * m.Quantity;
        for (const TDetalHandle &h : m.Detals) {
            const TDetal &d = e.Detals[h.DetalIndex];
            r.partsArea += double(d.Length) * d.Width * m.Quantity;
        }
        if (o.dump || o.check)
            r.dump += DumpMap(m, e.Detals);
    }
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    try {
        if (!ParseOptions(argc, argv, o)) {
            Usage();
            return 2;
        }
    } catch (const std::exception &ex) {
        std::fprintf(stderr, "korvalt-bench: %s\n", ex.what());
        Usage();
        return 2;
    }
    if (!o.generate.empty()) {
        try {
            const std::string text = kvbench::WriteInstances(Generate(o.generate));
            std::printf("# korvalt-bench --generate %s\n%s", o.generate.c_str(), text.c_str());
        } catch (const std::exception &ex) {
            std::fprintf(stderr, "korvalt-bench: %s\n", ex.what());
            return 2;
        }
        return 0;
    }
    std::printf("%-22s %6s %7s %7s %9s %7s %10s %10s %10s\n", "instance", "maps", "sheets", "offcuts", "parts %",
                "copies", "time ms", "cpu ms", "1st ms");
    Result total;
    int64_t totalCopies = 0;
    int count = 0, mismatches = 0;
    for (const std::string &file : o.files) {
        std::vector<Instance> list;
        try {
            list = kvbench::ReadInstances(file);
        } catch (const std::exception &ex) {
            std::fprintf(stderr, "korvalt-bench: %s\n", ex.what());
            return 1;
        }
        for (const Instance &in : list) {
            if (!o.match.empty() && in.name.find(o.match) == std::string::npos)
                continue;
            int64_t copies = 0;
            for (const auto &p : in.parts)
                copies += p.count;
            const Result r = Run(in, o, o.reference, o.threads);
            if (!r.note.empty() && r.maps == 0) {
                std::printf("%-22s %s\n", in.name.c_str(), r.note.c_str());
                continue;
            }
            const double use = r.sheetsArea > 0 ? 100.0 * r.partsArea / r.sheetsArea : 0.0;
            std::printf("%-22s %6d %7lld %7lld %9.2f %7lld %10.1f %10.1f %10.1f%s%s\n", in.name.c_str(), r.maps,
                        (long long)r.sheets, (long long)r.offcuts, use, (long long)copies, r.ms, r.cpuMs, r.firstMs,
                        r.note.empty() ? "" : "  ", r.note.c_str());
            if (o.dump)
                std::fputs(r.dump.c_str(), stdout);
            if (o.check) {
                const Result one = Run(in, o, o.reference, 1);
                if (one.dump != r.dump) {
                    ++mismatches;
                    std::printf("%-22s MISMATCH between %d threads and one\n", in.name.c_str(), o.threads);
                }
                const Result plain = Run(in, o, !o.reference, 1);
                if (plain.dump != r.dump) {
                    ++mismatches;
                    std::printf("%-22s MISMATCH between the fast and the plain paths\n", in.name.c_str());
                }
            }
            total.maps += r.maps;
            total.sheets += r.sheets;
            total.offcuts += r.offcuts;
            total.partsArea += r.partsArea;
            total.sheetsArea += r.sheetsArea;
            total.ms += r.ms;
            total.cpuMs += r.cpuMs;
            total.firstMs += r.firstMs;
            totalCopies += copies;
            ++count;
        }
    }
    const double use = total.sheetsArea > 0 ? 100.0 * total.partsArea / total.sheetsArea : 0.0;
    std::printf("%-22s %6d %7lld %7lld %9.2f %7lld %10.1f %10.1f %10.1f\n",
                ("total (" + std::to_string(count) + ")").c_str(), total.maps, (long long)total.sheets,
                (long long)total.offcuts, use, (long long)totalCopies, total.ms, total.cpuMs, total.firstMs);
    if (o.check)
        std::printf("%d mismatches\n", mismatches);
    return mismatches ? 1 : 0;
}

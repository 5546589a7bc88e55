// Importing a big part list into a new part-base window, the way the main
// window does: a tab-separated list (one part per line) and a designer-module
// file in "AutoRun\" at start-up (one part per section). A figure, nothing is
// asserted; the goal is 100,000 parts in under 2 s, and four times the parts
// in at most five times the time.
//   kv_import_bench [--benchmark_filter=...]
#include "app/common/mdichild.h"
#include "app/models/imports.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "data/datamodule.h"
#include "data/paths.h"
#include "platform/db/tablestore.h"
#include "platform/ini.h"
#include "platform/testsupport/fakeui.h"
#include "platform/text.h"
#include "print/objects/registration.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kv;

namespace {

QByteArray textList(int parts)
{
    QByteArray out;
    out.reserve(parts * 40);
    for (int i = 0; i < parts; ++i)
        out += toCp1251(QStringLiteral("Деталь %1\t%2\t%3\t%4\t%5\t1\t0\t1\t0\r\n")
                            .arg(i).arg(200 + i % 2000).arg(100 + i % 900).arg(1 + i % 5).arg(i % 3));
    return out;
}

QByteArray designerFile(int parts)
{
    QByteArray out;
    out.reserve(parts * 80);
    for (int i = 0; i < parts; ++i)
        out += toCp1251(QStringLiteral("[Деталь%1]\r\nShifr=Бок %1\r\nW=%2\r\nH=%3\r\nQuantity=%4\r\nMaterial=%5\r\n")
                            .arg(i).arg(200 + i % 2000).arg(100 + i % 900).arg(1 + i % 5).arg(1 + i % 3));
    return out;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
}

// A program folder with its main window shown; every message is answered.
struct Program
{
    QTemporaryDir dir;
    kv::test::FakeUi ui;
    std::unique_ptr<TMainForm> form;

    Program()
    {
        PrepareProgramFolder(dir.path());
        form = std::make_unique<TMainForm>(Paths(dir.path()), ui);
        form->CreateDataModule();
        WireShell(*form);
        form->resize(1000, 760);
        form->show();
        ui.onModal = [](QDialog &) { return int(QDialog::Accepted); };
    }
    ~Program() { closeWindows(); }
    void closeWindows()
    {
        for (TMdiChild *c : form->Children()) {
            c->SetShuttingDown();
            c->CloseChild();
        }
        QApplication::processEvents();
        TableStore::clearRegistry();
        TIniFile::ClearCache();
    }
};

void BM_TextListIntoNewWindow(benchmark::State &state)
{
    Program p;
    const int parts = int(state.range(0));
    const QString file = p.form->Paths().ExportFolder() + QStringLiteral("parts.txt");
    writeFile(file, textList(parts));
    p.ui.onFile = [&](const FileChoice &) { return file; };
    for (auto _ : state) {
        ImportTextFile(p.form->Context(), p.form.get());
        state.PauseTiming();
        p.closeWindows();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * parts);
    state.SetComplexityN(parts);
}

void BM_DesignerFileFromAutoRun(benchmark::State &state)
{
    Program p;
    const int parts = int(state.range(0));
    const QByteArray bytes = designerFile(parts);
    const QString file = p.form->Paths().AutoRunFolder() + QStringLiteral("big.dkm");
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(file, bytes);
        TIniFile::ClearCache();
        state.ResumeTiming();
        ImportAutoRunFiles(p.form->Context(), p.form.get());
        state.PauseTiming();
        if (QFile::exists(file)) state.SkipWithError("the file was not imported");
        p.closeWindows();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * parts);
    state.SetComplexityN(parts);
}

} // namespace

BENCHMARK(BM_TextListIntoNewWindow)
    ->Arg(1000)->Arg(10000)->Arg(25000)->Arg(100000)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN)->Iterations(3);
BENCHMARK(BM_DesignerFileFromAutoRun)
    ->Arg(1000)->Arg(10000)->Arg(25000)->Arg(100000)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN)->Iterations(3);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterPrintObjects();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

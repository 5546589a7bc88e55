#pragma once
// What the report engine's harnesses share: an offscreen application with the
// project's fonts, the virtual printer's paper, links never opened, and a
// small data set of three records under the names our templates use.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QBuffer>
#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/page.h"
#include "report/model/prepared.h"
#include "report/output/textexports.h"
#include "report/script/scriptengine.h"

namespace kvfuzz {

inline void startReportEngine()
{
    static int argc = 1;
    static char name[] = "report_fuzz";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("FONTCONFIG_FILE", KV_SOURCE_DIR "/platform/testsupport/fonts.conf");
    static QApplication app(argc, argv);
    SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
    // A script that loops is stopped sooner than in the program: the harness
    // looks for faults of the engine, not for scripts that take their time.
    rpEngine().Interpreter().StepLimit = 20000;
}

// A folder for export files, kept for the run.
inline QString scratchFolder()
{
    static QTemporaryDir dir;
    return dir.path();
}

inline QByteArray bytesOf(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The input as a device to read from; the bytes stay with the caller.
struct InputDevice
{
    QByteArray bytes;
    QBuffer device{&bytes};
    InputDevice(const std::uint8_t *data, std::size_t size) : bytes(bytesOf(data, size))
    {
        device.open(QIODevice::ReadOnly);
    }
};

// Three records in every source our templates name; fields by upper-case name.
class Records
{
public:
    explicit Records(QObject *owner)
    {
        for (const char *n : {"rpsrcRows", "rpsrcMaps", "rpsrcLabels", "rpsrcStatistic", "rpdsScrapsInfo"}) {
            auto *src = new TrpUserDataset(owner);
            src->SetName(QString::fromLatin1(n));
            src->OnFirst = [this](TrpDataset &) { pos = 0; };
            src->OnNext = [this](TrpDataset &) { ++pos; };
            src->OnPrior = [this](TrpDataset &) { --pos; };
            src->OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = pos < 0 || pos >= 3; };
            sources << src;
        }
    }

    bool value(const QString &name, TrpValue &v) const
    {
        static const QStringList texts = {"NAME", "MATNAME", "MATERIAL", "BASENAME", "DATA", "CODE", "GRP",
                                          "SHEETINFO", "MAPPARAMS", "MODELNAME", "BORDERSLIST"};
        static const QStringList numbers = {"LENGTH", "WIDTH", "MANY", "QUANTITY", "SQUARE", "NUMBER",
                                            "PERIMETR", "BORDERLEN", "SCRAP", "LOSTSCRAP", "PRICE"};
        if (texts.contains(name)) {
            v = TrpValue(QStringLiteral("Лист %1 ДСП").arg(pos));
            return true;
        }
        if (numbers.contains(name)) {
            v = TrpValue(double(100 + 37 * pos));
            return true;
        }
        return false;
    }

    QList<TrpDataset *> sources;
    int pos = 0;
};

// A report set up as the program sets its reports up, without windows; a
// build that goes past 30 pages is stopped as a user would stop it.
struct FuzzReport
{
    QObject owner;
    Records records{&owner};
    TrpReport report{&owner};

    FuzzReport()
    {
        report.ShowProgress = false;
        report.Now = [] { return 45000.5; };
        report.SetDataset(records.sources.first());
        report.OnGetValue = [this](const QString &name, TrpValue &v) { return records.value(name, v); };
        report.OnProgress = [this](int pages) {
            if (pages > 30) report.Stop();
        };
    }
};

// What a user does with prepared pages: looks at them in the preview (drawn
// scaled into a small picture, the mouse over them), edits and packs them
// again, and exports them. Errors of the engine are answers, not faults.
inline void usePreparedPages(TrpReport &report, int maxPages = 4)
{
    TrpEMFPages &pages = report.EMFPages();
    QImage image(170, 240, QImage::Format_RGB32);
    for (int i = 0; i < pages.Count() && i < maxPages; ++i) {
        try {
            image.fill(Qt::white);
            QPainter painter(&image);
            TrpCanvas canvas(&painter, TrpCanvasKind::Screen);
            pages.GetPage(i)->Visible = true;
            pages.DrawPage(i, &canvas, QRect(5, 5, 160, 230));
            TrpHit hit;
            pages.ObjectAt(i, QPoint(40, 60), false, hit);
            pages.PackPage(i);
        } catch (const kv::Error &) {
        }
    }
    const QString file = scratchFolder() + QStringLiteral("/out");
    TrpTextExport text;
    text.ExportFrames = true;
    TrpCSVExport csv;
    TrpHTMExport htm;
    for (TrpExportFilter *f : {static_cast<TrpExportFilter *>(&text), static_cast<TrpExportFilter *>(&csv),
                               static_cast<TrpExportFilter *>(&htm)}) {
        f->ShowDialog = false;
        try {
            report.ExportPrepared(*f, file);
        } catch (const kv::Error &) {
        }
    }
}

} // namespace kvfuzz

// Fontconfig keeps what its fallback-font lookups allocate (text measured
// in a font the machine lacks) until the process ends; LeakSanitizer would
// stop the run on it within a minute. Leaks of our own still stop it.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Every harness starts the engine once before its first input.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    kvfuzz::startReportEngine();
    return 0;
}

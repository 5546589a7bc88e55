// Speed of the report engine beside plain baselines: preparing a grouped
// report, loading a ".rpp" (and unpacking every page), and the text, HTML and
// CSV exports, on the virtual printer and again with the machine's print
// system. Figures only; nothing is asserted.
//   kv_report_speed [rows for preparing, default 10000] [rows of the .rpp, default 100000]
#include "bench/speed.h"

#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/model/memo.h"
#include "report/model/prepared.h"
#include "report/model/views.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "platform/printing.h"
#include "platform/text.h"

#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <memory>

namespace {

struct Row
{
    QString grp, name;
    int length, width, price;
};

QList<Row> makeRows(int n)
{
    QList<Row> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i)
        rows.append({QStringLiteral("Материал %1").arg(i / 100), QStringLiteral("Деталь %1").arg(i), 100 + i % 2700,
                     50 + i % 2000, 1 + i % 97});
    return rows;
}

// A stock list by material: a title, a group header, five memos per row, a
// group footer with a sum, a summary.
struct GroupedReport
{
    QObject owner;
    TrpReport report{&owner};
    QList<Row> rows;
    int pos = 0;
    int memos = 0;

    explicit GroupedReport(int n) : rows(makeRows(n))
    {
        report.ShowProgress = false;
        report.Pages().Clear();
        TrpPage *page = report.Pages().Add();
        page->Name = QStringLiteral("Page1");
        page->SetPaper(9, 2100, 2970, -1, 0);
        auto *src = new TrpUserDataset(&owner);
        src->SetName(QStringLiteral("rpsrcRows"));
        src->OnFirst = [this](TrpDataset &) { pos = 0; };
        src->OnNext = [this](TrpDataset &) { ++pos; };
        src->OnPrior = [this](TrpDataset &) { --pos; };
        src->OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = pos >= rows.size(); };
        report.OnGetValue = [this](const QString &name, TrpValue &value) {
            if (pos < 0 || pos >= rows.size()) return false;
            const Row &r = rows[pos];
            if (name == QLatin1String("GRP")) value = r.grp;
            else if (name == QLatin1String("NAME")) value = r.name;
            else if (name == QLatin1String("LEN")) value = r.length;
            else if (name == QLatin1String("WID")) value = r.width;
            else if (name == QLatin1String("PRICE")) value = r.price;
            else return false;
            return true;
        };
        band(page, btReportTitle, 0, 20, "Title");
        memo(page, 0, 0, 400, 20, "Остатки склада");
        band(page, btGroupHeader, 30, 20, "GroupHeader1", "[GRP]");
        memo(page, 0, 30, 400, 20, "Материал: [GRP]");
        band(page, btMasterData, 60, 20, "MasterData1", "rpsrcRows");
        memo(page, 10, 60, 150, 20, "[NAME]");
        memo(page, 170, 60, 60, 20, "[LEN]");
        memo(page, 240, 60, 60, 20, "[WID]");
        memo(page, 310, 60, 60, 20, "[PRICE]");
        memo(page, 380, 60, 120, 20, "[LEN]x[WID] мм");
        band(page, btGroupFooter, 90, 20, "GroupFooter1");
        memo(page, 10, 90, 300, 20, "Итого по материалу: [SUM([PRICE])]");
        band(page, btReportSummary, 120, 20, "Summary");
        memo(page, 0, 120, 400, 20, "Позиций: [COUNT()], сумма: [SUM([PRICE])]");
    }
    void band(TrpPage *page, int kind, int top, int height, const char *name, const QString &source = QString())
    {
        auto v = std::make_unique<TrpBandView>();
        v->SetBandType(kind);
        v->Name = QString::fromLatin1(name);
        v->SetBounds(0, top, 700, height);
        v->DisplayFormatText = source;
        page->AddView(std::move(v));
    }
    void memo(TrpPage *page, int left, int top, int width, int height, const QString &text)
    {
        auto v = std::make_unique<TrpMemoView>();
        v->Name = QStringLiteral("Memo%1").arg(++memos);
        v->SetBounds(left, top, width, height);
        v->Memo = QStringList{text};
        page->AddView(std::move(v));
    }
};

// Baseline of preparing: the rows walked through the same value handler the
// report reads, the same strings formatted with QString alone (group header
// when the group changes, five texts a row, footer sums, summary). It writes
// no page records, which the report must also do (about 60 bytes a view), so
// it is a little lean, never inflated.
qsizetype formatBaseline(GroupedReport &r)
{
    const QList<Row> &rows = r.rows;
    auto value = [&r](const char *name) {
        TrpValue v;
        r.report.OnGetValue(QString::fromLatin1(name), v);
        return v.toText();
    };
    qsizetype total = QStringLiteral("Остатки склада").size();
    int sum = 0, all = 0;
    for (r.pos = 0; r.pos < rows.size(); ++r.pos) {
        const qsizetype i = r.pos;
        const QString grp = value("GRP");
        if (i == 0 || rows[i - 1].grp != grp) total += QStringLiteral("Материал: %1").arg(grp).size();
        const QString len = value("LEN"), wid = value("WID"), price = value("PRICE");
        total += value("NAME").size() + len.size() + wid.size() + price.size() +
                 QStringLiteral("%1x%2 мм").arg(len, wid).size();
        sum += price.toInt();
        all += price.toInt();
        if (i + 1 == rows.size() || rows[i + 1].grp != grp) {
            total += QStringLiteral("Итого по материалу: %1").arg(sum).size();
            sum = 0;
        }
    }
    total += QStringLiteral("Позиций: %1, сумма: %2").arg(rows.size()).arg(all).size();
    return total;
}

// The items of every view of the pages, as a QDataStream writes them.
struct Items
{
    QByteArray bytes;
    QStringList texts;   // every memo text, in page order
    qsizetype views = 0;
};

Items collectItems(TrpReport &report)
{
    Items items;
    QDataStream out(&items.bytes, QIODevice::WriteOnly);
    TrpEMFPages &pages = report.EMFPages();
    for (int i = 0; i < pages.Count(); ++i) {
        TrpPage *p = pages.UnpackPage(i);
        for (const auto &v : p->Views()) {
            const TrpFont font = dynamic_cast<TrpMemoView *>(v.get()) ? static_cast<TrpMemoView *>(v.get())->Font
                                                                      : TrpFont();
            out << v->ClassName() << v->Name << qint32(v->Left) << qint32(v->Top) << qint32(v->Width)
                << qint32(v->Height) << v->Memo << font.name << qint32(font.size) << qint32(font.style)
                << qint32(font.color) << qint32(v->Flags);
            items.texts << v->Memo;
            ++items.views;
        }
        // Back to the packed form, as a loaded file holds its pages.
        pages.GetPage(i)->UnpackedPage.reset();
    }
    return items;
}

// Baseline of loading and unpacking: every view of every page decoded from
// a QDataStream (class, name, bounds, text lines, font, flags). Loading a
// ".rpp" reads every record too (a damaged page is refused at once), so this
// is the plain form of one parse; unpacking every page is a second one.
qsizetype readItems(const QByteArray &bytes, qsizetype views)
{
    QDataStream in(bytes);
    qsizetype n = 0;
    for (qsizetype i = 0; i < views; ++i) {
        QString cls, name, font;
        QStringList memo;
        qint32 l, t, w, h, size, style, color, flags;
        in >> cls >> name >> l >> t >> w >> h >> memo >> font >> size >> style >> color >> flags;
        n += memo.size() + l;
    }
    return n;
}

// Baseline of the exports: every memo text, in page order, converted to
// cp1251 and written with a line end into one file. It reads no page records
// and puts no text into rows and columns (the text export writes 7.3 MB of
// the 100,000-row report, this 4.3 MB), so it is lean, never inflated.
void writeTexts(const QStringList &texts, const QString &file)
{
    QSaveFile f(file);
    f.open(QIODevice::WriteOnly);
    QByteArray bytes;
    for (const QString &t : texts) {
        bytes += kv::toCp1251(t);
        bytes += "\r\n";
    }
    f.write(bytes);
    f.commit();
}

} // namespace

namespace {

struct Figure
{
    const char *name;
    kvbench::Time time, base;
};

// Every path beside its baseline, on whatever printer the engine printer has now.
QList<Figure> runPaths(int prepRows, int fileRows, int runs)
{
    using namespace kvbench;
    QList<Figure> out;
    auto row = [&out](const char *name, Time t, Time base) {
        kvbench::row(name, t, base);
        out.append({name, t, base});
    };
    {
        GroupedReport r(prepRows);
        qsizetype sink = 0;
        const Time base = bestOf([&] { sink += formatBaseline(r); }, runs);
        const Time prep = bestOf([&] { r.report.Prepare(); }, runs);
        row("prepare grouped report", prep, base);
        std::printf("   %d pages\n", r.report.EMFPages().Count());
        if (sink < 0) std::abort();
    }

    GroupedReport big(fileRows);
    big.report.Prepare();
    QByteArray file;
    {
        QBuffer b(&file);
        b.open(QIODevice::WriteOnly);
        big.report.EMFPages().WritePreparedFile(b);
    }
    std::printf("   %d pages, %lld bytes\n", big.report.EMFPages().Count(), qlonglong(file.size()));
    const Items items = collectItems(big.report);
    {
        qsizetype sink = 0;
        const Time base = bestOf([&] { sink += readItems(items.bytes, items.views); }, runs);
        const Time load = bestOf([&] {
            TrpEMFPages pages(&big.report);
            QBuffer b(&file);
            b.open(QIODevice::ReadOnly);
            pages.ReadPreparedFile(b);
        }, runs);
        const Time unpack = bestOf([&] {
            TrpEMFPages pages(&big.report);
            QBuffer b(&file);
            b.open(QIODevice::ReadOnly);
            pages.ReadPreparedFile(b);
            for (int i = 0; i < pages.Count(); ++i) pages.UnpackPage(i);
        }, runs);
        row(".rpp load", load, base);
        row(".rpp load and unpack every page", unpack, base);
        if (sink < 0) std::abort();
    }
    {
        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("plain.txt"));
        const Time base = bestOf([&] { writeTexts(items.texts, plain); }, runs);
        std::printf("   baseline of the exports: %lld bytes written\n", qlonglong(QFileInfo(plain).size()));
        TrpTextExport text;
        TrpHTMExport htm;
        TrpCSVExport csv;
        struct { const char *name; TrpExportFilter *filter; const char *file; } filters[] = {
            {"export to text", &text, "out.txt"}, {"export to HTML", &htm, "out.htm"}, {"export to CSV", &csv, "out.csv"}};
        for (auto &f : filters) {
            f.filter->ShowDialog = false;
            const QString path = dir.filePath(QString::fromLatin1(f.file));
            const Time ms = bestOf([&] { big.report.ExportPrepared(*f.filter, path); }, runs);
            row(f.name, ms, base);
            std::printf("   %lld bytes written\n", qlonglong(QFileInfo(path).size()));
        }
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int prepRows = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const int fileRows = argc > 2 ? QByteArray(argv[2]).toInt() : 100000;
    const int runs = qEnvironmentVariableIsSet("KV_BENCH_RUNS") ? qEnvironmentVariableIntValue("KV_BENCH_RUNS") : 5;
    using namespace kvbench;

    // The same paths twice: on the virtual printer alone (no print system),
    // then with the machine's print system and its default printer, as the
    // program runs on a workshop PC.
    header(qPrintable(QStringLiteral("report engine on the virtual printer, %1 rows prepared, %2 rows in the .rpp")
                          .arg(prepRows).arg(fileRows)));
    const QList<Figure> plain = runPaths(prepRows, fileRows, runs);
    rpAssignPrintSystem(kv::CreateQtPrintSystem());
    const TrpPrinter &engine = rpPrinter();
    const QString printer = engine.IsVirtual() ? QStringLiteral("no printer: the virtual one") : engine.PrinterName();
    header(qPrintable(QStringLiteral("report engine with the machine's print system (%1)").arg(printer)));
    const QList<Figure> system = runPaths(prepRows, fileRows, runs);

    std::printf("== with the print system beside without it (processor time)\n");
    std::printf("%-44s %10s %10s %7s\n", "path", "without", "with", "ratio");
    for (int i = 0; i < plain.size() && i < system.size(); ++i)
        std::printf("%-44s %10.3f %10.3f %7.2f\n", plain[i].name, plain[i].time.cpu, system[i].time.cpu,
                    plain[i].time.cpu > 0 ? system[i].time.cpu / plain[i].time.cpu : 0.0);
    return 0;
}

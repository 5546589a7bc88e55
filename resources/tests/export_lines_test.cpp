// Every template of the program exported to text, CSV, HTML and RTF: each
// line the preview shows is one line of the export, in the same order, and
// lines the preview keeps apart are never joined.
#include "data/paths.h"
#include "platform/text.h"
#include "print/objects/registration.h"
#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/page.h"
#include "report/output/exportfilter.h"
#include "report/output/textexports.h"
#include "resources/reports.h"
#include "resources/tests/mapjob.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace kv;

namespace {

// The lines of the pages as they are laid out for the screen and paper.
class LineRecorder : public TrpExportFilter
{
public:
    struct Item { int page, y, x, height; QString text; };
    std::vector<Item> items;

    void BeginPage() override { ++m_page; }
    void ExportText(const TrpRect &, int x, int y, const TrpExportObject &object, int, const QString &text) override
    {
        // A line of n points stands about 1.3 n units high.
        items.push_back({m_page, y, x, std::max(1, int(object.Font.size * 1.3)), text});
    }

private:
    int m_page = 0;
};

QString collapsed(QString s)
{
    s.replace(QChar(12), QLatin1Char(' '));
    return s.simplified();
}

// The visible lines: texts that stand side by side (tops less than half a
// line apart) are one line, read left to right.
QStringList previewLines(std::vector<LineRecorder::Item> items)
{
    std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) {
        return a.page != b.page ? a.page < b.page : a.y < b.y;
    });
    QStringList out;
    for (size_t i = 0; i < items.size();) {
        size_t j = i + 1;
        while (j < items.size() && items[j].page == items[i].page && (items[j].y - items[i].y) * 2 < items[i].height)
            ++j;
        std::vector<LineRecorder::Item> line(items.begin() + qsizetype(i), items.begin() + qsizetype(j));
        std::stable_sort(line.begin(), line.end(), [](const auto &a, const auto &b) { return a.x < b.x; });
        QStringList texts;
        for (const auto &it : line) texts << it.text;
        const QString text = collapsed(texts.join(QLatin1Char(' ')));
        if (!text.isEmpty()) out << text;
        i = j;
    }
    return out;
}

QStringList nonEmpty(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines)
        if (const QString c = collapsed(l); !c.isEmpty()) out << c;
    return out;
}

QStringList textLines(const QByteArray &bytes) { return nonEmpty(fromCp1251(bytes).split(QStringLiteral("\r\n"))); }

QStringList csvLines(const QByteArray &bytes)
{
    return nonEmpty(fromCp1251(bytes).replace(QLatin1Char(';'), QLatin1Char(' ')).split(QStringLiteral("\r\n")));
}

QStringList htmlLines(const QByteArray &bytes)
{
    QStringList out;
    const QString html = fromCp1251(bytes);
    static const QRegularExpression row(QStringLiteral("<tr>(.*?)</tr>"));
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    for (auto it = row.globalMatch(html); it.hasNext();) {
        QString cells = it.next().captured(1);
        cells.replace(QStringLiteral("</td>"), QStringLiteral(" ")).remove(tag);
        cells.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        cells.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        out << cells;
    }
    return nonEmpty(out);
}

QStringList rtfLines(const QByteArray &bytes)
{
    QStringList out;
    static const QRegularExpression hex(QStringLiteral("\\\\'([0-9a-f]{2})"));
    static const QRegularExpression control(QStringLiteral("\\\\[a-z]+-?[0-9]* ?"));
    for (const QByteArray &raw : bytes.split('\n')) {
        QByteArray line = raw.trimmed();
        if (!line.startsWith("\\pard") && !line.startsWith("\\trowd") && !line.startsWith("{\\pard")) continue;
        // Escaped letters back to their code page bytes, then the words of
        // the format out.
        QByteArray plain;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 3 < line.size() && line[i + 1] == '\'') {
                plain += char(line.mid(i + 2, 2).toInt(nullptr, 16));
                i += 3;
            } else {
                plain += line[i];
            }
        }
        QString text = fromCp1251(plain);
        text.replace(control, QStringLiteral(" ")).remove(QLatin1Char('{')).remove(QLatin1Char('}'));
        out << text;
    }
    return nonEmpty(out);
}

QByteArray exportWith(TrpReport &report, TrpExportFilter &filter)
{
    filter.ShowDialog = false;
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("out"));
    if (!report.ExportPrepared(filter, file)) return {};
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Values as the program hands them to the templates: short texts and
// numbers in the cells, texts of several lines where the program gives them
// (statistics, banding, sticker and map texts).
QString valueOf(const QString &name, int record)
{
    const QString n = name.toUpper();
    const QString r = QString::number(record + 1);
    if (n == "BORDERSLIST" || n == "TOTALDATA")
        return QStringLiteral("Полный отход: 1,25 кв м (10.40%)\rПолезный отход: 0,50 кв м (4.16%)\r"
                              "Длина резов: 2.70 м\rКоличество резов: 4\r\rРасход кромки %1:\rПВХ 2 мм: 4.16 м")
            .arg(r);
    if (n == "BORDERS") return QStringLiteral("\rКромки: \rПВХ 2 мм: 4.16 м\rПВХ 0.4 мм: 1.20 м");
    if (n == "DATA") return QStringLiteral("Полка %1\r560 x 280\rДСП 16 мм").arg(r);
    if (n == "MAPPARAMS") return QStringLiteral("Лист %1\r2800 x 2070\rКол-во: 2").arg(r);
    if (n.contains("DATE")) return QStringLiteral("0%1.12.2026").arg(r);
    if (n == "LENGTH" || n == "WIDTH" || n == "MANY" || n == "ROTATE" || n == "CODE" || n == "NUMBER" ||
        n == "LINE#" || n == "MODELCOUNT")
        return QString::number(record % 3);
    return n.left(4).toLower() + r;
}

// A template built over three records of every data source it names, each
// variable answering a text of its own.
struct Generic
{
    QObject window;
    std::vector<std::unique_ptr<TrpUserDataset>> sources;
    std::vector<int> positions;
    int current = 0;

    void Prepare(TrpReport &report)
    {
        TrpPage *page = report.Pages().GetPage(0);
        ASSERT_NE(page, nullptr);
        for (const auto &v : page->Views()) {
            auto *band = dynamic_cast<TrpBandView *>(v.get());
            if (!band || band->DisplayFormatText.isEmpty() || band->DisplayFormatText.startsWith(QLatin1Char('[')))
                continue;
            auto s = std::make_unique<TrpUserDataset>(&window);
            s->SetName(band->DisplayFormatText);
            const size_t i = sources.size();
            positions.push_back(0);
            s->OnFirst = [this, i](TrpDataset &) { positions[i] = 0; current = 0; };
            s->OnNext = [this, i](TrpDataset &) { current = ++positions[i]; };
            s->OnCheckEOF = [this, i](TrpDataset &, bool &eof) { eof = positions[i] >= 3; };
            sources.push_back(std::move(s));
        }
        report.OnGetValue = [this](const QString &name, TrpValue &value) {
            if (name.startsWith(QLatin1String("Arr_"), Qt::CaseInsensitive)) return false;
            value = TrpValue(valueOf(name, current));
            return true;
        };
    }
};

struct Format
{
    const char *name;
    std::function<std::unique_ptr<TrpExportFilter>()> make;
    std::function<QStringList(const QByteArray &)> lines;
};

} // namespace

TEST(ExportLines, EveryTemplateExportsEachPreviewLineAsALineOfItsOwn)
{
    RegisterPrintObjects();
    rpMeasuringCanvas().SetMeasurer(nullptr);
    QTemporaryDir dir;
    Paths paths(dir.path());
    paths.CreateFolders();
    WriteMissingReports(paths.ReportsFolder());
    const QList<Format> formats = {
        {"text", [] { return std::make_unique<TrpTextExport>(); }, textLines},
        {"CSV", [] { return std::make_unique<TrpCSVExport>(); }, csvLines},
        {"HTML", [] { return std::make_unique<TrpHTMExport>(); }, htmlLines},
        {"RTF", [] { return std::make_unique<TrpRTFExport>(); }, rtfLines},
    };
    for (const ReportTemplate &t : reportTemplates()) {
        SCOPED_TRACE(t.fileName.toStdString());
        // The maps come from a real job; the other templates from answers of their own.
        if (t.fileName == QLatin1String("RskMaps.rpf")) {
            kvtest::MapJob job;
            // The built report lives only inside the preview call: read it there.
            QList<QPair<QStringList, QStringList>> got;
            job.PrintMaps(2, [&](TrpReport &r) {
                LineRecorder rec;
                rec.ShowDialog = false;
                QTemporaryDir out;
                ASSERT_TRUE(r.ExportPrepared(rec, out.filePath("rec")));
                const QStringList expected = previewLines(rec.items);
                for (const Format &f : formats) {
                    auto filter = f.make();
                    got.append({expected, f.lines(exportWith(r, *filter))});
                }
            });
            ASSERT_EQ(got.size(), formats.size());
            for (int i = 0; i < formats.size(); ++i)
                EXPECT_EQ(got[i].second, got[i].first) << formats[i].name;
            continue;
        }
        auto generic = std::make_unique<Generic>();
        auto own = std::make_unique<TrpReport>(&generic->window);
        TrpReport *report = own.get();
        report->Now = [] { return 46000.0; };
        report->ShowProgress = false;
        ASSERT_TRUE(report->LoadFromFile(paths.ReportsFolder() + t.fileName));
        generic->Prepare(*report);
        if (!generic->sources.empty()) report->SetDataset(generic->sources.front().get());
        ASSERT_TRUE(report->Prepare()) << report->LastBuildError.toStdString();
        LineRecorder rec;
        rec.ShowDialog = false;
        QTemporaryDir out;
        ASSERT_TRUE(report->ExportPrepared(rec, out.filePath("rec")));
        const QStringList expected = previewLines(rec.items);
        ASSERT_FALSE(expected.isEmpty());
        for (const Format &f : formats) {
            auto filter = f.make();
            EXPECT_EQ(f.lines(exportWith(*report, *filter)), expected) << f.name;
        }
    }
}

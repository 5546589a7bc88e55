// The program's report templates: written when missing, loaded back and
// prepared over a small part base; one golden text export per layout.
#include "data/partbase/partbasedoc.h"
#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "platform/db/query.h"
#include "platform/db/schema.h"
#include "platform/text.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/building/datasource.h"
#include "report/script/scriptengine.h"
#include "report/output/textexports.h"
#include "report/building/report.h"
#include "resources/partbase_reports.h"
#include "resources/reports.h"
#include "platform/testsupport/golden.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

class Reports : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    QString reports;

    void SetUp() override
    {
        rpMeasuringCanvas().SetMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6));
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        writeMissingTemplates(paths->PatternFolder());
        reports = dir.path() + "/Reports/";
    }
    void TearDown() override { rpMeasuringCanvas().SetMeasurer(nullptr); }

    // A part base of five parts over two known materials and one unknown.
    QString partsCopy()
    {
        const QString mats = paths->TempFolder() + "mats.dbf";
        QFile::copy(paths->PatternFolder() + "Types.dbf", mats);
        Query::Exec("Insert into " + Query::QuotePath(mats) + " Values(?, ?)", {"ЛДСП Бук", 1});
        Query::Exec("Insert into " + Query::QuotePath(mats) + " Values(?, ?)", {"МДФ белый", 2});
        materials = mats;
        const QString copy = paths->TempFolder() + "prn0.dbf";
        QFile::copy(paths->GroupTemplateFile(), copy);
        const QList<QVariantList> rows = {
            {"Полка", 600, 300, 2, 0, 3, 0, 0, 0, 1},
            {"Бок", 720, 560, 2, 1, 0, 0, 3, 4, 1},
            {"Дверь", 716, 396, 1, 2, 0, 0, 0, 0, 2},
            {"Цоколь", 800, 100, 1, 0, 0, 0, 9, 0, 2},
            {"Задняя стенка", 700, 500, 1, 0, 0, 0, 0, 0, 5},
        };
        for (const QVariantList &r : rows)
            Query::Exec("Insert into " + Query::QuotePath(copy) + " Values(?,?,?,?,?,?,?,?,?,?)", r);
        return copy;
    }
    QString materials;
};

QString borderName(int code)
{
    if (code == 3) return "ПВХ 2 мм";
    if (code == 4) return "ПВХ 0.4 мм";
    return QString();
}

QByteArray textExport(TrpReport &report)
{
    QTemporaryDir out;
    TrpTextExport text;
    text.ShowDialog = false;
    const QString file = out.filePath("out.txt");
    if (!report.ExportPrepared(text, file)) return {};
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void expectGolden(const QByteArray &bytes, const QString &name)
{
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, name));
}

} // namespace

TEST_F(Reports, MissingTemplatesAreWrittenAndOthersLeftAsTheyAre)
{
    QDir().mkpath(reports);
    QFile mine(reports + "group.RPF");   // a user's own template under another case
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    const QStringList written = WriteMissingReports(reports);
    EXPECT_FALSE(written.contains("Group.rpf"));
    EXPECT_TRUE(written.contains("Group2_brd.rpf"));
    EXPECT_EQ(written.size(), reportTemplates().size() - 1);
    QFile again(reports + "group.RPF");
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), "mine");
    EXPECT_TRUE(WriteMissingReports(reports).isEmpty());
    for (const ReportTemplate &t : reportTemplates()) EXPECT_NE(findReportTemplate(t.fileName.toUpper()), nullptr);
}

TEST_F(Reports, PartBaseTemplatesPrepareOverAPartBase)
{
    WriteMissingReports(reports);
    const QString copy = partsCopy();
    struct Case { const char *file; int filter; QStringList present, absent; };
    const QList<Case> cases = {
        {"Group.rpf", 999, {"Материал: ЛДСП Бук", "Материал: <не определен>", "Итого по материалу: 4 шт", "поворачивать"}, {"Кромки по"}},
        {"Group_brd.rpf", 999, {"ПВХ 2 мм", "ПВХ 0.4 мм", "Кромки по", "длине"}, {}},
        {"Group2.rpf", 1, {"Полка", "Бок", "не поворачивать"}, {"Дверь", "Задняя стенка"}},
        {"Group2_brd.rpf", 999, {"Задняя стенка", "Кромки по", "ширине", "Кромки: "}, {}},
    };
    for (const Case &c : cases) {
        QObject window;
        Query query;
        query.SetSQL(PartBasePrintSql(copy, materials, c.filter));
        query.Open();
        TrpDBDataSet source(&window);
        source.SetName(kPartBaseSource);
        source.SetDataSet(&query);
        TrpReport report(&window);
        report.SetDataset(&source);
        report.Now = [] { return 46000.0; };
        report.ShowProgress = false;
        ASSERT_TRUE(report.LoadFromFile(reports + c.file)) << c.file;
        PartBaseTotals totals;
        totals.quantity = 7;
        totals.edgeByCode = {{0, 100}, {3, 4160}, {4, 720}};
        for (const auto &[name, value] :
             PartBaseReportVariables("База деталей: Кухня.kdx", totals, BordersVariable(totals.edgeByCode, borderName)))
            rpEngine().Variables().SetValue(name, TrpValue(value));
        report.OnGetValue = [&](const QString &name, TrpValue &value) {
            auto code = [&](const char *f) { return query.FieldByName(f)->AsInteger(); };
            if (name == "DETAL_BORDERS1") value = TrpValue(DetalBordersText(code("TBORDER"), code("BBORDER"), borderName));
            else if (name == "DETAL_BORDERS2") value = TrpValue(DetalBordersText(code("LBORDER"), code("RBORDER"), borderName));
            else return false;
            return true;
        };
        ASSERT_TRUE(report.Prepare()) << c.file << " " << report.LastBuildError.toStdString();
        const QByteArray bytes = textExport(report);
        if (qEnvironmentVariableIsSet("KV_PARTBASE_PDF")) {   // to look at the pages
            QPrinter pdf(QPrinter::HighResolution);
            pdf.setOutputFormat(QPrinter::PdfFormat);
            pdf.setOutputFileName(qEnvironmentVariable("KV_PARTBASE_PDF") + QString(c.file).replace(".rpf", ".pdf"));
            report.PrintPrepared(pdf, QString(), 1, true);
        }
        const QString text = fromCp1251(bytes);
        for (const QString &s : c.present) EXPECT_TRUE(text.contains(s)) << c.file << ": " << s.toStdString() << "\n" << text.toStdString();
        for (const QString &s : c.absent) EXPECT_FALSE(text.contains(s)) << c.file << ": " << s.toStdString();
        expectGolden(bytes, QString(c.file).replace(".rpf", ".txt"));
    }
}

TEST_F(Reports, ModelsListTemplatePreparesOverTheModels)
{
    WriteMissingReports(reports);
    const QList<ModelEntry> models = {{"Шкаф", "2"}, {"Стол, обеденный", "1"}};
    QObject window;
    TrpUserDataset source(&window);
    source.SetName(kModelsSource);
    int pos = 0;
    source.OnFirst = [&](TrpDataset &) { pos = 0; };
    source.OnNext = [&](TrpDataset &) { ++pos; };
    source.OnCheckEOF = [&](TrpDataset &, bool &eof) { eof = pos >= models.size(); };
    TrpReport report(&window);
    report.Now = [] { return 46000.0; };
    report.ShowProgress = false;
    ASSERT_TRUE(report.LoadFromFile(reports + "ModelsList.rpf"));
    report.OnGetValue = [&](const QString &name, TrpValue &value) {
        if (pos >= models.size()) return false;
        if (name.toUpper() == "MODELNAME") value = TrpValue(models[pos].name);
        else if (name.toUpper() == "MODELCOUNT") value = TrpValue(models[pos].count);
        else return false;
        return true;
    };
    ASSERT_TRUE(report.Prepare()) << report.LastBuildError.toStdString();
    const QByteArray bytes = textExport(report);
    EXPECT_TRUE(fromCp1251(bytes).contains("Стол, обеденный"));
    expectGolden(bytes, "ModelsList.txt");
}

// The fixed captions of every template (titles of columns and sections)
// stand whole in their cells, measured in the fonts that print them.
TEST_F(Reports, FixedCaptionsFitTheirCells)
{
    rpMeasuringCanvas().SetMeasurer(nullptr);
    TrpCanvas &c = rpMeasuringCanvas();
    QStringList cut;
    for (const ReportTemplate &t : reportTemplates()) {
        TrpReport report;
        t.describe(report);
        for (int p = 0; p < report.Pages().Count(); ++p)
            for (const auto &v : report.Pages().GetPage(p)->Views()) {
                auto *m = dynamic_cast<TrpMemoView *>(v.get());
                if (!m || m->Memo.isEmpty() || m->Memo.join(QString()).contains(QLatin1Char('['))) continue;
                c.SetFont(m->Font, 1.0);
                const int room = m->Width - 2 * m->GapX - 2;
                const int lineH = c.TextHeight(QStringLiteral("A"));
                for (const QString &line : m->Memo)
                    if (c.TextWidth(line) > room)
                        cut << QStringLiteral("%1: \"%2\" %3 wide in %4").arg(t.fileName, line).arg(c.TextWidth(line)).arg(room);
                if (int(m->Memo.size()) * lineH > m->Height)
                    cut << QStringLiteral("%1: %2 lines of \"%3\" in %4 high")
                               .arg(t.fileName).arg(m->Memo.size()).arg(m->Memo.join(QLatin1Char('/'))).arg(m->Height);
            }
    }
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
}

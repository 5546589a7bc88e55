// Printing for real: the maps and the statistics of a job go from their
// preview's "Print" to a print queue of the machine's print system (not the
// virtual printer), the print system reports the jobs done, and the documents
// it received carry the reports' titles and their text as text.
//
// Only on a queue that a test may fill: the one named by KV_CUPS_QUEUE, as
// .ci/with-cups sets it beside a scheduler of its own. Elsewhere (a workshop
// PC's real printer, a machine without printers) the test is skipped.
#include "platform/printing.h"
#include "print/flows/fullstat.h"
#include "print/flows/printflow.h"
#include "report/building/report.h"
#include "report/output/printer.h"
#include "report/windows/enginectl.h"
#include "report/windows/preview.h"
#include "report/windows/printdialog.h"
#include "resources/tests/mapjob.h"
#include "platform/testsupport/pdf.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

using namespace kv;

namespace {

// Job ids of a queue in one state ("completed", "not-completed"), by lpstat.
QSet<QString> jobs(const QString &queue, const char *which)
{
    QProcess p;
    p.start(QStringLiteral("lpstat"), {QStringLiteral("-W"), QString::fromLatin1(which), QStringLiteral("-o"), queue});
    p.waitForFinished(30000);
    QSet<QString> ids;
    const QRegularExpression id(QStringLiteral("^(%1-\\d+)\\s").arg(QRegularExpression::escape(queue)));
    for (const QString &line : QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = id.match(line);
        if (m.hasMatch()) ids.insert(m.captured(1));
    }
    return ids;
}

} // namespace

TEST(RealPrint, MapsAndStatisticsReachTheQueueAndComeOutDone)
{
    const QString queue = qEnvironmentVariable("KV_CUPS_QUEUE");
    if (queue.isEmpty()) GTEST_SKIP() << "no print queue of our own (run under .ci/with-cups)";
    if (QStandardPaths::findExecutable(QStringLiteral("lpstat")).isEmpty()) GTEST_SKIP() << "lpstat is missing";
    // The machine's print system, chosen on purpose.
    rpAssignPrintSystem(CreateQtPrintSystem());
    struct Restore
    {
        ~Restore() { rpAssignPrintSystem(nullptr); }
    } restore;
    TrpPrinter &engine = rpPrinter();
    const int index = int(engine.Printers().indexOf(queue));
    ASSERT_GE(index, 0) << "the print system does not list " << queue.toStdString();
    engine.SetPrinterIndex(index);
    ASSERT_FALSE(engine.IsVirtual());
    ASSERT_FALSE(engine.PaperCodes.isEmpty());

    kvtest::MapJob job;
    const MapDocument &doc = job.doc;

    const QSet<QString> before = jobs(queue, "completed") + jobs(queue, "not-completed");
    const QDateTime started = QDateTime::currentDateTime().addSecs(-2);
    QList<int> pages;
    QStringList titles;
    // From the preview as the user prints: the print dialog on the queue, OK.
    auto printFromPreview = [&](TrpReport &r) {
        pages << r.EMFPages().Count();
        titles << r.Title;
        QString chosen;
        test::FakeUi user;
        user.onModal = [&](QDialog &d) {
            auto *f = qobject_cast<TrpPrintForm *>(&d);
            if (f) chosen = f->CB1->currentText();
            return int(f ? QDialog::Accepted : QDialog::Rejected);
        };
        TrpPreviewForm preview;
        AttachUi(&preview, &user);
        preview.Connect(r);
        ASSERT_TRUE(preview.PrintBtn->isEnabled());
        preview.PrintBtnClick();
        EXPECT_EQ(chosen, queue);
    };
    job.PrintMaps(1, printFromPreview);
    {
        job.ui.onReports<TrpReport>([&](TrpReport &r) {
            ASSERT_TRUE(r.Prepare()) << r.LastBuildError.toStdString();
            printFromPreview(r);
        });
        job.ui.onModal = [](QDialog &d) {
            if (auto *w = qobject_cast<TfrmFullStat *>(&d)) {
                d.show();
                w->bbPrint->click();
            }
            return int(QDialog::Accepted);
        };
        ShowFullStatistics(PrintContext{job.paths, *job.settings, kvtest::MapJobLookups().Stats(), job.ui}, doc,
                           QStringLiteral("<все материалы>"), nullptr);
        job.ui.onReport = nullptr;
        job.ui.onModal = nullptr;
    }
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0], int(doc.Tabs.size()));
    EXPECT_GT(pages[1], 0);

    // The two jobs, done: the scheduler moves them to the completed ones.
    QSet<QString> done, ours;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 120000) {
        ours = (jobs(queue, "completed") + jobs(queue, "not-completed")) - before;
        done = jobs(queue, "completed") - before;
        if (ours.size() >= 2 && done == ours) break;
        QThread::msleep(200);
    }
    EXPECT_EQ(ours.size(), 2) << "jobs sent to " << queue.toStdString();
    EXPECT_EQ(done, ours) << "jobs not completed within two minutes";

    // What the program handed to the print system, as the scheduler keeps it:
    // a PDF under the report's title whose text is text (the maps' part names,
    // the statistics' headings), in the order printed.
    const QString spool = qEnvironmentVariable("KV_CUPS_SPOOL");
    if (!spool.isEmpty() && test::HavePdfTools() && ours.size() == 2) {
        QList<int> numbers;
        for (const QString &id : ours) numbers << id.section(QLatin1Char('-'), -1).toInt();
        std::sort(numbers.begin(), numbers.end());
        QStringList sent;
        for (int n : numbers) sent << QDir(spool).filePath(QStringLiteral("d%1-001").arg(n, 5, 10, QLatin1Char('0')));
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(QFile::exists(sent[i])) << sent[i].toStdString();
            EXPECT_FALSE(titles[i].isEmpty());
            EXPECT_EQ(test::PdfInfo(sent[i], QStringLiteral("Title")), titles[i]) << i;
            EXPECT_EQ(test::PdfInfo(sent[i], QStringLiteral("Pages")).toInt(), pages[i]) << i;
        }
        const QStringList maps = test::PdfText(sent[0]).split(QChar(12), Qt::SkipEmptyParts);
        ASSERT_EQ(maps.size(), pages[0]);
        for (int i = 0; i < pages[0]; ++i)
            for (const MapPart &p : doc.Tabs[size_t(i)].Parts)
                EXPECT_TRUE(maps[i].contains(p.Title)) << "map " << i + 1 << ": " << p.Title.toStdString();
        const QString stats = test::PdfText(sent[1]);
        for (const char *heading : {"Статистика", "Бесполезный отход:", "Полезный отход:", "Итого:"})
            EXPECT_TRUE(stats.contains(QString::fromUtf8(heading))) << heading;
    }

    // cups-pdf writes each job as a PDF file: one page a printed page.
    const QString out = qEnvironmentVariable("KV_CUPS_PDF_OUT");
    if (out.isEmpty() || !test::HavePdfTools()) return;
    QList<int> written;
    for (const QString &id : done) {
        const QString job = id.section(QLatin1Char('-'), -1);
        for (const QFileInfo &f : QDir(out).entryInfoList({QStringLiteral("*job_%1*.pdf").arg(job)}, QDir::Files))
            if (f.lastModified() >= started) written << test::PdfInfo(f.filePath(), QStringLiteral("Pages")).toInt();
    }
    std::sort(written.begin(), written.end());
    QList<int> expected = pages;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected) << "pages of the PDF files cups-pdf wrote into " << out.toStdString();
}

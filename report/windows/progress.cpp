#include "report/windows/progress.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "report/building/report.h"
#include "report/core/utils.h"
#include "report/model/prepared.h"
#include "report/output/exportfilter.h"
#include "report/output/printer.h"

namespace {

QPointer<TrpProgressForm> &currentForm()
{
    static QPointer<TrpProgressForm> f;
    return f;
}

QWidget *widgetOf(QObject *o)
{
    for (; o; o = o->parent())
        if (auto *w = qobject_cast<QWidget *>(o)) return w;
    return nullptr;
}

} // namespace

TrpProgressForm *rpCurrentProgressForm() { return currentForm().data(); }

TrpProgressForm::TrpProgressForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TrpProgressForm"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Button1 = new QPushButton(LoadEngineString(55001), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Label1->setMinimumWidth(260);
    auto *v = new QVBoxLayout(this);
    v->addWidget(Label1);
    v->addWidget(Label2);
    auto *h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(Button1);
    h->addStretch();
    v->addLayout(h);
    connect(Button1, &QPushButton::clicked, this, &TrpProgressForm::Button1Click);
}

void TrpProgressForm::Button1Click()
{
    m_cancelled = true;
    if (m_cancel) m_cancel();
    reject();
}

void TrpProgressForm::SetLine(const QString &text)
{
    Label1->setText(text);
    QCoreApplication::processEvents();
}

int TrpProgressForm::ShowForWork(const std::function<void()> &work, const std::function<void()> &cancel)
{
    m_cancel = cancel;
    m_cancelled = false;
    QPointer<TrpProgressForm> previous = currentForm();
    currentForm() = this;
    // The work starts once the modal loop runs, so the window shows first and
    // its Cancel button works while the work lets events through.
    // A failure of the work is carried out of the modal loop and raised here.
    std::exception_ptr failure;
    // A timer of this call: Cancel pressed before the work began ends the
    // window, and the work never starts after it.
    QTimer start;
    start.setSingleShot(true);
    connect(&start, &QTimer::timeout, this, [this, work, &failure] {
        m_running = true;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        m_running = false;
        if (!m_cancelled) accept();
    });
    start.start(0);
    const int r = exec();
    currentForm() = previous;
    m_cancel = nullptr;
    if (failure) std::rethrow_exception(failure);
    return m_cancelled ? QDialog::Rejected : r;
}

namespace {

// Runs `work` inside the progress window of the report: the first line is
// `line` of the progress number, Cancel sets the report's stop flag. False
// when the work was cancelled.
bool runWithProgress(TrpReport &report, const std::function<QString(int)> &line, const std::function<void()> &work)
{
    TrpProgressForm form(widgetOf(&report));
    QString caption = LoadEngineString(55203);
    if (!report.Title.isEmpty()) caption += QStringLiteral(" - ") + report.Title;
    form.setWindowTitle(caption);
    report.OnProgress = [&](int number) { form.SetLine(line(number)); };
    report.OnProgressText = [&](const QString &text) { form.Label2->setText(text); };
    form.Label1->setText(line(1));
    struct Reset
    {
        TrpReport &r;
        ~Reset()
        {
            r.OnProgress = nullptr;
            r.OnProgressText = nullptr;
        }
    } reset{report};
    form.ShowForWork(work, [&] { report.Stop(); });
    return !form.Cancelled();
}

bool direct(const TrpReport &report) { return report.OnProgress || !report.ShowProgress; }

} // namespace

bool rpPrepareWithProgress(TrpReport &report)
{
    if (direct(report)) return report.Prepare();
    bool result = false;
    const bool done = runWithProgress(
        report,
        [&report](int number) {
            const int pass = report.Building() ? (report.FinalPass() ? 55205 : 55204)
                                               : (report.DoublePassReport ? 55204 : 55205);
            return LoadEngineString(pass) + QStringLiteral("  ") + QString::number(number);
        },
        [&] { result = report.Prepare(); });
    return result && done;
}

int rpPrintWithProgress(TrpReport &report, QPrinter &printer, const TrpPrintOptions &options)
{
    if (direct(report)) {
        // No progress window: objects under the mouse are not asked for meanwhile.
        TrpEMFPages &pages = report.EMFPages();
        auto over = std::move(pages.OnMouseOverObject);
        pages.OnMouseOverObject = nullptr;
        struct Restore
        {
            TrpEMFPages &p;
            decltype(over) &o;
            ~Restore() { p.OnMouseOverObject = std::move(o); }
        } restore{pages, over};
        return report.PrintPrepared(printer, options);
    }
    int sheets = 0;
    runWithProgress(
        report, [](int number) { return LoadEngineString(55208) + QStringLiteral("  ") + QString::number(number); },
        [&] { sheets = report.PrintPrepared(printer, options); });
    return sheets;
}

bool rpExportWithProgress(TrpReport &report, TrpExportFilter &filter, const QString &fileName, QWidget *parent)
{
    if (direct(report)) return report.ExportPrepared(filter, fileName, parent);
    // The options dialog comes first, before the progress window opens.
    bool goOn = true;
    if (filter.OnBeforeExport) filter.OnBeforeExport(fileName, goOn);
    if (!goOn) return false;
    if (filter.ShowDialog && filter.ShowOptionsDialog(parent) != 1) return false;
    const bool shown = filter.ShowDialog;
    auto before = std::move(filter.OnBeforeExport);
    filter.OnBeforeExport = nullptr;
    filter.ShowDialog = false;
    struct Restore
    {
        TrpExportFilter &f;
        bool shown;
        decltype(before) &b;
        ~Restore()
        {
            f.ShowDialog = shown;
            f.OnBeforeExport = std::move(b);
        }
    } restore{filter, shown, before};
    const int total = report.EMFPages().Count();
    bool result = false;
    const bool done = runWithProgress(
        report,
        [total](int number) {
            return LoadEngineString(55205) + QStringLiteral("  ") + QString::number(number) + QLatin1Char(' ')
                + LoadEngineString(55199) + QLatin1Char(' ') + QString::number(total);
        },
        [&] { result = report.ExportPrepared(filter, fileName, parent); });
    return result && done;
}



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

namespace {

QPointer<TrpProgressForm> &currentForm()
{
    static QPointer<TrpProgressForm> f;
    return f;
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
    QTimer::singleShot(0, this, [this, work, &failure] {
        m_running = true;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        m_running = false;
        if (!m_cancelled) accept();
    });
    const int r = exec();
    currentForm() = previous;
    m_cancel = nullptr;
    if (failure) std::rethrow_exception(failure);
    return m_cancelled ? QDialog::Rejected : r;
}

bool rpPrepareWithProgress(TrpReport &report)
{
    if (report.OnProgress || !report.ShowProgress) return report.Prepare();
    TrpProgressForm form;
    QString caption = LoadEngineString(55203);
    if (!report.Title.isEmpty()) caption += QStringLiteral(" - ") + report.Title;
    form.setWindowTitle(caption);
    bool result = false;
    report.OnProgress = [&](int number) {
        const int pass = report.FinalPass() ? 55205 : 55204;
        form.SetLine(LoadEngineString(pass) + QStringLiteral("  ") + QString::number(number));
    };
    form.Label1->setText(LoadEngineString(report.DoublePassReport ? 55204 : 55205) + QStringLiteral("  1"));
    try {
        form.ShowForWork([&] { result = report.Prepare(); }, [&] { report.Stop(); });
    } catch (...) {
        report.OnProgress = nullptr;
        throw;
    }
    report.OnProgress = nullptr;
    return result && !form.Cancelled();
}

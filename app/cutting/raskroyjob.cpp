#include "app/cutting/raskroyjob.h"

#include "app/common/appcontext.h"
#include "app/common/mainwindow.h"
#include "app/common/mdichild.h"
#include "app/cutting/jobresults.h"
#include "app/stock/selectsheets.h"
#include "data/datamodule.h"
#include "data/maps/mapdoc.h"
#include "data/materials/materials.h"
#include "data/matoptions.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/stocksource.h"
#include "platform/ui.h"

#include <QApplication>
#include <QCursor>
#include <QFile>

#include <algorithm>

using namespace kv;
using namespace kv::engine;

namespace {
TRaskroyJob *g_current = nullptr;

QString Q(const std::string &s) { return QString::fromStdString(s); }
} // namespace

void CollectMaterials(const std::vector<TPartRow> &rows, const std::function<QString(int)> &nameOf,
                      QStringList &names, QStringList &codes)
{
    names.clear();
    codes.clear();
    for (const TPartRow &r : rows) {
        const QString code = QString::number(r.Material);
        if (codes.contains(code))
            continue;
        codes << code;
        names << (nameOf ? nameOf(r.Material) : QString());
    }
}

std::vector<int> EnabledJobMaterials(const QString &jobFile)
{
    TIniFile ini(jobFile);
    QStringList sections = ini.ReadSections();
    for (int i = sections.size() - 1; i >= 0; --i) {
        if (!UnpackOptimSettings(ini, sections[i]).Enabled) {
            ini.EraseSection(sections[i]);
            sections.removeAt(i);
        }
    }
    std::vector<int> codes;
    for (const QString &s : sections) {
        bool ok = false;
        const int code = s.mid(8).toInt(&ok);
        if (ok && s.left(8).compare(QLatin1String("Material"), Qt::CaseInsensitive) == 0)
            codes.push_back(code);
    }
    return codes;
}

namespace {
// The leftover part base stays with the driver for the whole job; the user
// may close its window meanwhile, so it is reached through a guarded pointer.
class GuardedLeftover : public ILeftoverBase
{
public:
    explicit GuardedLeftover(ILeftoverBase *base) : m_base(base), m_object(dynamic_cast<QObject *>(base)) {}
    void appendPart(const TPartRow &row) override
    {
        if (alive())
            m_base->appendPart(row);
    }
    void refreshTotals() override
    {
        if (alive())
            m_base->refreshTotals();
    }

private:
    bool alive() const { return m_base && (!m_guarded || m_object); }
    ILeftoverBase *m_base;
    QPointer<QObject> m_object;
    bool m_guarded = m_object != nullptr;
};
} // namespace

// --- adapters of the driver ---------------------------------------------------------

class TRaskroyJob::Settings : public IRaskroySettings
{
public:
    explicit Settings(AppContext &ctx) : m_ctx(ctx) {}
    void flush() override { m_ctx.settings().Ini().UpdateFile(); }
    int32_t readInteger(const std::string &key, int32_t def) override
    {
        return m_ctx.settings().Ini().ReadInteger(QString::fromLatin1(section::Default), Q(key), def);
    }
    bool readBool(const std::string &key, bool def) override
    {
        return m_ctx.settings().Ini().ReadBool(QString::fromLatin1(section::Default), Q(key), def);
    }

private:
    AppContext &m_ctx;
};

// The part base as it stood when the job started.
class TRaskroyJob::Parts : public IPartSource
{
public:
    Parts(std::vector<TPartRow> rows, QString fileName, std::function<void(int)> show)
        : m_rows(std::move(rows)), m_file(std::move(fileName)), m_show(std::move(show))
    {
    }
    std::vector<TPartRow> partsOfMaterial(int32_t code) override
    {
        std::vector<TPartRow> out;
        for (const TPartRow &r : m_rows)
            if (r.Material == code)
                out.push_back(r);
        return out;
    }
    std::string documentFileName() override { return m_file.toStdString(); }
    void showPart(int32_t row) override
    {
        // The first refusal of the job shows its row; later ones would hide it.
        if (m_shown || !m_show)
            return;
        m_shown = true;
        m_show(row);
    }

private:
    std::vector<TPartRow> m_rows;
    QString m_file;
    std::function<void(int)> m_show;
    bool m_shown = false;
};

// The driver's view of the results window: every call checks that the
// window still exists; after each variant the window is repainted and the
// user's commands (abort, close, the navigator) get through.
class TRaskroyJob::View : public IResultsView
{
public:
    explicit View(TRaskroyJob &job) : m_job(job) {}
    ~View() override { setWaitCursor(false); }

    void variantDone(int64_t i, int64_t total) override
    {
        if (IJobResults *r = results())
            r->SetProgress(i, total);
        QCoreApplication::processEvents();
    }
    bool stopRequested() override { return m_job.StopRequested(); }
    void beginRun(int32_t code, const TDisplaySwitches &switches) override
    {
        if (IJobResults *r = results())
            r->BeginRun(code, switches);
        QCoreApplication::processEvents();
    }
    void endRun() override
    {
        if (IJobResults *r = results())
            r->EndRun();
    }
    void showProgress() override
    {
        if (IJobResults *r = results())
            r->ShowProgress();
    }
    void setWaitCursor(bool on) override
    {
        if (on == m_cursor || !qobject_cast<QApplication *>(QCoreApplication::instance()))
            return;
        m_cursor = on;
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    void setStatusText(const std::string &text) override
    {
        // The frame's status line; a results window shown on its own says it itself.
        if (IMainWindow *frame = m_job.m_ctx.mainWindow())
            frame->SetStatusText(Q(text));
        else if (IJobResults *r = results())
            r->SetStatusText(Q(text));
    }
    int tabCount() override
    {
        IJobResults *r = results();
        return r ? r->TabCount() : 0;
    }
    void addMapTab(const std::string &caption, int32_t code, const TSheetsList &map, const TDetalsList &parts) override
    {
        if (IJobResults *r = results()) {
            const TRaskroyParams &p = m_job.Engine().P;
            r->AddMapTab(Q(caption), code, map, parts, p.MillWidth, Q(p.RaskroyRemark));
        }
        QCoreApplication::processEvents();
    }
    void closeWindow() override
    {
        IJobResults *r = results();
        m_job.m_closed = true;
        if (r) {
            r->AttachJob(nullptr);
            r->CloseWindow();
        }
    }
    void usingSheetsAdd(int32_t code, int32_t length, int32_t width, int32_t remaining, int32_t initial) override
    {
        if (IJobResults *r = results())
            r->UsingSheets().Add(code, length, width, remaining, initial);
    }
    void usingSheetsSetQuantity(int32_t code, int32_t length, int32_t width, int32_t remaining) override
    {
        if (IJobResults *r = results())
            r->UsingSheets().SetQuantity(code, length, width, remaining);
    }

private:
    IJobResults *results() const { return m_job.resultsAlive() ? m_job.m_results : nullptr; }
    TRaskroyJob &m_job;
    bool m_cursor = false;
};

// --- the job --------------------------------------------------------------------

TRaskroyJob::TRaskroyJob(AppContext &ctx, RaskroyGroupData data)
    : m_ctx(ctx), m_data(std::move(data)), m_engine(std::make_unique<TRaskroy>())
{
    m_settings = std::make_unique<Settings>(ctx);
    m_stock = std::make_unique<StockRunSource>(ctx.stock());
    m_dialogs = std::make_unique<TRaskroyDialogs>(
        ctx, [this](const QString &caption) { return createLeftover(caption); }, m_data.window);
    m_driver = std::make_unique<TRaskroyDriver>(*m_engine, *m_settings, *m_stock, *m_dialogs);
    m_parts = std::make_unique<Parts>(m_data.rows, m_data.fileName, m_data.showPart);
    m_view = std::make_unique<View>(*this);
}

void TRaskroyJob::detach()
{
    // Whatever happened, a window that still exists forgets the job.
    if (m_results && !m_resultsWidget.isNull())
        m_results->AttachJob(nullptr);
}

TRaskroyJob::~TRaskroyJob()
{
    detach();
    if (g_current == this)
        g_current = nullptr;
}

ILeftoverBase *TRaskroyJob::createLeftover(const QString &caption)
{
    ILeftoverBase *base = nullptr;
    if (m_data.createLeftover) {
        base = m_data.createLeftover(caption);
    } else if (IMainWindow *frame = m_ctx.mainWindow()) {
        // A part-base window of the frame that takes rows.
        if (TMdiChild *w = frame->NewGroupWindow()) {
            w->setWindowTitle(caption);
            base = dynamic_cast<ILeftoverBase *>(w);
        }
    }
    if (!base)
        return nullptr;
    m_leftovers.push_back(std::make_unique<GuardedLeftover>(base));
    return m_leftovers.back().get();
}

bool TRaskroyJob::Busy() { return g_current != nullptr; }

TRaskroyJob *TRaskroyJob::Current() { return g_current; }

bool TRaskroyJob::resultsAlive() const { return m_results && !m_resultsWidget.isNull() && !m_closed; }

bool TRaskroyJob::StopRequested() const { return m_engine->StopRaskroy || m_driver->RaskroyCancel || !resultsAlive(); }

void TRaskroyJob::AbortRaskroy() { m_driver->AbortRaskroyActionExecute(); }

void TRaskroyJob::CloseRequested()
{
    m_closeRequested = true;
    m_driver->RaskroyCancel = true;
    m_engine->StopRaskroy = true; // later materials are skipped
}

IJobResults *TRaskroyJob::Run(int jobNumber)
{
    const QString jobFile = m_ctx.paths().JobOptionsFile();
    IMainWindow *frame = m_ctx.mainWindow();
    struct Cleanup
    {
        TRaskroyJob &job;
        IMainWindow *frame;
        QString file;
        ~Cleanup()
        {
            if (g_current == &job)
                g_current = nullptr;
            if (frame)
                frame->SetRaskroyBusy(false);
            job.detach();
            TIniFile::ClearCache();
            QFile::remove(file);
        }
    } cleanup{*this, frame, jobFile};

    TIniFile::ClearCache();
    m_materials = EnabledJobMaterials(jobFile);

    IJobResults *results = nullptr;
    if (m_data.createResults)
        results = m_data.createResults();
    else if (frame)
        results = dynamic_cast<IJobResults *>(frame->CreateResultsWindow(true));
    if (!results)
        return nullptr;
    m_results = results;
    m_resultsWidget = results->ResultsWidget();
    g_current = this;
    if (frame)
        frame->SetRaskroyBusy(true);
    results->AttachJob(this);
    results->SetJobMaterials(m_materials);
    m_driver->BeginJob();
    m_remarks.clear();

    TIniFile ini(jobFile);
    for (int code : m_materials) {
        if (!resultsAlive())
            break; // the window is gone: the job ends with it
        const TOptimSettings o = UnpackOptimSettings(ini, MaterialSection(code));
        TRaskroyParams &p = m_engine->P;
        p.RaskroyRemark = o.Remark.toStdString();
        const QString prefix = QString::number(code) + QLatin1Char('=');
        m_remarks.erase(std::remove_if(m_remarks.begin(), m_remarks.end(),
                                       [&](const QString &l) { return l.startsWith(prefix); }),
                        m_remarks.end());
        m_remarks << prefix + o.Remark;
        p.UseScraps = o.UseScraps;
        p.Standart = o.Standart;
        p.ExSearch = o.ExSearch;
        p.AlgorithmNumber = o.AlgorithmNumber;
        p.StdSheetsCount = o.DefQuantity;
        p.FullSearch = o.Algorithm;
        p.OneDimOpt = o.OneDimOpt;
        p.StdSheetLength = o.SheetWidth;
        p.StdSheetWidth = o.SheetHeight;
        p.StdSheetsLeft = p.StdSheetsCount;
        if (p.Standart)
            results->UsingSheets().Add(code, o.SheetWidth, o.SheetHeight, o.DefQuantity, o.DefQuantity);
        const QString name = m_ctx.hasMaterials() ? m_ctx.materials().GetMaterialName(code) : QString();
        m_driver->RunRaskroy(*m_parts, *m_view, name.toStdString(), code);
    }

    if (!resultsAlive())
        return nullptr;
    results->AttachJob(nullptr);
    if (m_closeRequested) {
        // Asked while the last maps were being shown, past the run's own checks.
        m_closed = true;
        results->CloseWindow();
        return nullptr;
    }
    results->SetMapsCaption(QStringLiteral("Вариант раскроя %1: \"%2\"").arg(jobNumber).arg(m_data.caption));
    results->HideProgress();
    if (g_current == this)
        g_current = nullptr;
    if (frame)
        frame->SetRaskroyBusy(false);
    results->ShowStatistics();
    return resultsAlive() ? results : nullptr;
}

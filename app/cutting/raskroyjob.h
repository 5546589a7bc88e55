#pragma once
// One cutting job of a part base: the options of each material from the
// per-job file, one results window, the run driver fed one material after
// the other, the statistics at the end. The job owns its engine, its stop
// and cancel flags; the results window is reached only through a guarded
// pointer, and nothing can start another job while one runs.
#include "engine/driver.h"

#include <QPointer>
#include <QWidget>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class AppContext;
class IJobResults;
namespace kv {
class StockRunSource;
}
class QWidget;
class TRaskroyDialogs;

// What the launch needs of the part-base window, taken when the job starts
// so that nothing the window does later changes the job.
struct RaskroyGroupData
{
    QWidget *window = nullptr;   // parent of the dialogs
    QString caption;             // the window's caption
    QString fileName;            // its document's file name without folder
    std::vector<kv::engine::TPartRow> rows; // the rows the window shows, in table order
    // A new part-base window for the parts left over; null when it cannot be
    // made. When unset, the frame's new part-base window if it takes rows
    // (implements ILeftoverBase).
    std::function<kv::engine::ILeftoverBase *(const QString &caption)> createLeftover;
    // A new results window of the job; by default the frame's.
    std::function<IJobResults *()> createResults;
    // Makes current the row (a TPartRow::Row) that a material was refused
    // for; the first such row of the job only.
    std::function<void(int row)> showPart;
};

// The job's material lists from the rows: codes as text in order of first
// appearance and their names (empty when unknown).
void CollectMaterials(const std::vector<kv::engine::TPartRow> &rows,
                      const std::function<QString(int)> &nameOf, QStringList &names, QStringList &codes);

class TRaskroyJob
{
public:
    TRaskroyJob(AppContext &ctx, RaskroyGroupData data);
    ~TRaskroyJob();
    TRaskroyJob(const TRaskroyJob &) = delete;
    TRaskroyJob &operator=(const TRaskroyJob &) = delete;

    // A job is running somewhere in the program.
    static bool Busy();
    static TRaskroyJob *Current();

    // The job loop after the options dialog closed with OK: the materials
    // switched on in the per-job file, one results window, every material
    // through the driver, the caption and the statistics. Returns the
    // results window, or null when none is left.
    IJobResults *Run(int jobNumber);

    // The results window's abort command: asks, then stops after the
    // current variant; later materials are skipped.
    void AbortRaskroy();
    // The results window was asked to close: the run ends after the current
    // variant and the window closes.
    void CloseRequested();
    bool StopRequested() const;

    kv::engine::TRaskroy &Engine() { return *m_engine; }
    kv::engine::TRaskroyDriver &Driver() { return *m_driver; }
    // The codes switched on, in job order.
    const std::vector<int> &Materials() const { return m_materials; }
    // Material code = remark of the job's materials.
    const QStringList &MaterialRemarks() const { return m_remarks; }

private:
    class View;
    class Settings;
    class Parts;
    bool resultsAlive() const;
    kv::engine::ILeftoverBase *createLeftover(const QString &caption);
    void detach();

    AppContext &m_ctx;
    RaskroyGroupData m_data;
    std::unique_ptr<kv::engine::TRaskroy> m_engine;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<kv::StockRunSource> m_stock;
    std::unique_ptr<TRaskroyDialogs> m_dialogs;
    std::vector<std::unique_ptr<kv::engine::ILeftoverBase>> m_leftovers;
    std::unique_ptr<kv::engine::TRaskroyDriver> m_driver;
    std::unique_ptr<Parts> m_parts;
    std::unique_ptr<View> m_view;
    QPointer<QWidget> m_resultsWidget;
    IJobResults *m_results = nullptr;
    std::vector<int> m_materials;
    QStringList m_remarks;
    bool m_closed = false;
    bool m_closeRequested = false;   // the user closed the window during the run
};

// The per-job options file's materials after the dialog: sections whose
// Enabled is 0 are erased; the codes of the others in the file's order.
std::vector<int> EnabledJobMaterials(const QString &jobFile);

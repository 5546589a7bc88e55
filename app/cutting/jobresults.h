#pragma once
// What a cutting job asks of its results window. The results window (a
// room above this one) implements it; the job reaches it only through a
// guarded pointer, so a window closed or destroyed during a run is never
// touched again.
#include "engine/driver.h"

#include <QString>

#include <vector>

class QWidget;
class TRaskroyJob;

namespace kv {
class TUsingSheets;
}

class IJobResults
{
public:
    virtual ~IJobResults() = default;
    virtual QWidget *ResultsWidget() = 0;

    // The running job, or null when it ended; the window's abort and close
    // requests go to it.
    virtual void AttachJob(TRaskroyJob *job) = 0;

    // Tools off, abort on the save button, progress shown, caption
    // "Пожалуйста подождите ...", display switches from the settings.
    virtual void BeginRun(int code, const kv::engine::TDisplaySwitches &switches) = 0;
    // Save button back, tools on, progress hidden, tabs laid out again.
    virtual void EndRun() = 0;
    virtual void ShowProgress() = 0;
    virtual void HideProgress() = 0;
    virtual void SetProgress(int64_t done, int64_t total) = 0;
    virtual void SetStatusText(const QString &text) = 0;
    virtual int TabCount() = 0;
    // Appends a tab with this caption and tag, makes it active and builds its map.
    virtual void AddMapTab(const QString &caption, int code, const kv::engine::TSheetsList &map,
                   const kv::engine::TDetalsList &parts,
                           int kerf, const QString &remark) = 0;
    // Closes without questions: the user asked for it during the run.
    virtual void CloseWindow() = 0;
    virtual kv::TUsingSheets &UsingSheets() = 0;
    // Materials of the job for the navigator, in job order.
    virtual void SetJobMaterials(const std::vector<int> &codes) = 0;
    virtual void SetMapsCaption(const QString &caption) = 0;
    // The statistics at the end of a job.
    virtual void ShowStatistics() = 0;
};

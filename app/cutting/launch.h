#pragma once
// "&Разложить" of a part-base window: the job's materials, the options
// dialog, the job, and its results window.
#include "app/cutting/raskroyjob.h"

class AppContext;
class IJobResults;

namespace kv {
class PartBaseDocument;
}

// The rows a part-base window shows (its material filter applies), in table
// order, after a pending edit is posted; the current record stays.
std::vector<kv::engine::TPartRow> PartRowsOf(kv::PartBaseDocument &doc);

// Runs a cutting job of the part base described by `data`. `jobCounter` is
// the part-base window's count of its jobs; it rises when a job ends with
// its results window. Returns that window, or null when nothing was cut
// (no materials, the dialog cancelled, a job already running, the window
// closed during the run).
IJobResults *RaskroyGroup(AppContext &ctx, RaskroyGroupData data, int &jobCounter);

class TfrmRaskroyGroup;
// "&Разложить" of a part-base window: its rows, caption and job counter; the
// parts left over go into a new part-base window of the frame.
void tbRaskroyClick(TfrmRaskroyGroup &group);

// The remarks of the materials' options ("code=remark"): the frame's list,
// kept across runs; a list of its own for a window shown without a frame.
QStringList &MaterialRemarks(AppContext &ctx);

namespace raskroytext {
inline constexpr const char *NoMaterials =
    "Разложение невозможно!\r\rТекущая база не содержит деталей или\rдеталям базы не сопоставлены материалы.";
}

#include "app/cutting/launch.h"

#include "app/common/appcontext.h"
#include "app/cutting/jobresults.h"
#include "app/cutting/raskroyoptions.h"
#include "data/materials/materials.h"
#include "platform/ui.h"

QStringList &MaterialRemarks()
{
    static QStringList remarks;
    return remarks;
}

IJobResults *RaskroyGroup(AppContext &ctx, RaskroyGroupData data, int &jobCounter)
{
    // One job at a time: a second one could change the tables and flags of the first.
    if (TRaskroyJob::Busy())
        return nullptr;
    QStringList names, codes;
    CollectMaterials(
        data.rows, [&ctx](int code) { return ctx.hasMaterials() ? ctx.materials().GetMaterialName(code) : QString(); },
        names, codes);
    if (codes.isEmpty()) {
        kv::ShowError(QString::fromUtf8(raskroytext::NoMaterials), data.window);
        return nullptr;
    }
    {
        TfrmRaskroyOptions options(ctx, data.window);
        options.SetJob(codes, names, MaterialRemarks());
        if (options.Execute() != QDialog::Accepted)
            return nullptr;
    }
    TRaskroyJob job(ctx, std::move(data));
    IJobResults *results = job.Run(jobCounter + 1);
    MaterialRemarks() = job.MaterialRemarks();
    if (results)
        ++jobCounter;
    return results;
}

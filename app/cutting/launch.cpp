#include "app/cutting/launch.h"

#include "app/common/appcontext.h"
#include "app/cutting/jobresults.h"
#include "app/cutting/raskroyoptions.h"
#include "data/materials/materials.h"
#include "data/partbase/partbasedoc.h"
#include "platform/db/table.h"
#include "platform/ui.h"

std::vector<kv::engine::TPartRow> PartRowsOf(kv::PartBaseDocument &doc)
{
    std::vector<kv::engine::TPartRow> rows;
    if (!doc.HasTable())
        return rows;
    doc.PostIfEditing();
    kv::Table &t = doc.table();
    const int current = t.RecNo();
    auto num = [&t](const char *name) { return t.FieldByName(QString::fromLatin1(name))->AsInteger(); };
    for (t.First(); !t.Eof(); t.Next()) {
        kv::engine::TPartRow r;
        r.Name = t.FieldByName(QStringLiteral("Name"))->AsString().toStdString();
        r.Length = num("Length");
        r.Width = num("Width");
        r.Many = num("Many");
        r.Rotate = num("Rotate");
        r.LBorder = num("LBorder");
        r.RBorder = num("RBorder");
        r.TBorder = num("TBorder");
        r.BBorder = num("BBorder");
        r.Material = num("Material");
        rows.push_back(std::move(r));
    }
    if (current > 0)
        t.SetRecNo(current);
    return rows;
}

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

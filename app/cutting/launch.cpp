#include "app/cutting/launch.h"

#include "app/common/appcontext.h"
#include "app/cutting/jobresults.h"
#include "app/cutting/raskroyoptions.h"
#include "app/common/mainwindow.h"
#include "app/partbase/raskroygroup.h"
#include "data/materials/materials.h"
#include "data/partbase/partbasedoc.h"
#include "data/rowchecks.h"
#include "platform/db/table.h"
#include "platform/ui.h"

#include <QFileInfo>
#include <QPointer>

#include <algorithm>

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
        r.Row = int32_t(rows.size());
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

QStringList &MaterialRemarks(AppContext &ctx)
{
    if (IMainWindow *frame = ctx.mainWindow())
        return frame->MaterialRemarks();
    static QStringList remarks;
    return remarks;
}

namespace {
// The job's lines replace those of their codes; remarks of the materials
// of other jobs stay for the next time they are cut.
void MergeRemarks(QStringList &list, const QStringList &job)
{
    for (const QString &line : job) {
        const QString prefix = line.left(line.indexOf(QLatin1Char('=')) + 1);
        auto it = std::find_if(list.begin(), list.end(), [&](const QString &l) { return l.startsWith(prefix); });
        if (it != list.end())
            *it = line;
        else
            list << line;
    }
}
} // namespace

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
        ctx.ui().error(QString::fromUtf8(raskroytext::NoMaterials), data.window);
        return nullptr;
    }
    {
        QPointer<QWidget> window(data.window);
        kv::Owned<TfrmRaskroyOptions> options(new TfrmRaskroyOptions(ctx, data.window));
        options->SetJob(codes, names, MaterialRemarks(ctx));
        // The part-base window may be gone once the dialog is answered.
        if (options->Execute() != QDialog::Accepted || !options || (data.window && !window))
            return nullptr;
    }
    TRaskroyJob job(ctx, std::move(data));
    IJobResults *results = job.Run(jobCounter + 1);
    MergeRemarks(MaterialRemarks(ctx), job.MaterialRemarks());
    if (results)
        ++jobCounter;
    return results;
}

namespace {
// The rows of the parts left over go into a part-base window; it owns this
// and frees it with itself.
class LeftoverRows : public QObject, public kv::engine::ILeftoverBase
{
public:
    explicit LeftoverRows(TfrmRaskroyGroup *w) : QObject(w), m_w(w) {}
    void appendPart(const kv::engine::TPartRow &r) override
    {
        if (!m_w || !m_w->Document().HasTable())
            return;
        kv::Table &t = m_w->Document().table();
        // Parts laid out in full come with a quantity 0.
        kv::PositiveFieldsCheck::Suspend unchecked(m_w->Document().RowChecks());
        t.Append();
        t.FieldByName(QStringLiteral("NAME"))->SetAsString(QString::fromStdString(r.Name));
        const std::pair<const char *, int> values[] = {{"LENGTH", r.Length},   {"WIDTH", r.Width},
                                                       {"MANY", r.Many},       {"ROTATE", r.Rotate},
                                                       {"LBORDER", r.LBorder}, {"RBORDER", r.RBorder},
                                                       {"TBORDER", r.TBorder}, {"BBORDER", r.BBorder},
                                                       {"MATERIAL", r.Material}};
        for (const auto &[name, v] : values)
            t.FieldByName(QString::fromLatin1(name))->SetAsInteger(v);
        t.Post();
    }
    void refreshTotals() override
    {
        if (m_w)
            m_w->UpdateTotals();
    }

private:
    QPointer<TfrmRaskroyGroup> m_w;
};
} // namespace

void tbRaskroyClick(TfrmRaskroyGroup &group)
{
    AppContext &ctx = group.Context();
    RaskroyGroupData d;
    d.window = &group;
    d.caption = group.windowTitle();
    d.fileName = QFileInfo(group.DocumentFileName()).fileName();
    d.rows = PartRowsOf(group.Document());
    d.createLeftover = [&ctx](const QString &caption) -> kv::engine::ILeftoverBase * {
        IMainWindow *frame = ctx.mainWindow();
        auto *w = frame ? qobject_cast<TfrmRaskroyGroup *>(frame->NewGroupWindow()) : nullptr;
        if (!w)
            return nullptr;
        w->setWindowTitle(caption);
        return new LeftoverRows(w);
    };
    QPointer<TfrmRaskroyGroup> alive(&group);
    d.showPart = [alive](int row) {
        if (!alive || !alive->Document().HasTable())
            return;
        kv::Table &t = alive->Document().table();
        if (t.State() == kv::DataSetState::Browse && row >= 0 && row < t.RecordCount())
            t.SetRecNo(row + 1);
    };
    int counter = group.property("kvRaskroyJobs").toInt();
    RaskroyGroup(ctx, std::move(d), counter);
    if (alive)
        alive->setProperty("kvRaskroyJobs", counter);
}

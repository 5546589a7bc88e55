#include "print/flows/scrapsinfo.h"

#include "report/building/report.h"

#include <QObject>

using namespace kv;

void PrintScrapsInfo(PrintContext ctx, const MapDocument &doc, QWidget *parent)
{
    QObject holder;
    holder.setObjectName(QStringLiteral("FormSheets"));
    TrpReport report(&holder);
    report.Host().Owner = &holder;
    if (!LoadReportTemplate(ctx.ui, report, ctx.paths, QStringLiteral("ScrapsInfo.rpf"), parent)) return;
    int margins[4];
    PageMargins(ctx.settings, margins);
    SetReportPage(report, margins, false);   // the template's orientation stays

    int index = -1;   // outside a pass
    const QList<MaterialData> totals = BuildScrapsInfo(doc, ctx.lookups);
    auto *source = new TrpUserDataset(&holder);
    source->SetName(QStringLiteral("rpdsScrapsInfo"));
    source->OnFirst = [&index](TrpDataset &) { index = 0; };
    source->OnNext = [&index](TrpDataset &) { ++index; };
    source->OnCheckEOF = [&index, &totals](TrpDataset &, bool &eof) { eof = index >= int(totals.size()); };
    report.SetDataset(source);
    report.OnGetValue = [&index, &totals](const QString &name, TrpValue &value) {
        if (index < 0 || index >= int(totals.size())) return false;
        const MaterialData &m = totals[index];
        const QString n = name.toUpper();
        if (n == QLatin1String("CODE")) value = TrpValue(m.code);
        else if (n == QLatin1String("NAME")) value = TrpValue(m.name);
        else if (n == QLatin1String("SCRAPS")) value = TrpValue(ScrapsInfoArea(m.scrap));
        else if (n == QLatin1String("LOSTSCRAPS")) value = TrpValue(ScrapsInfoArea(m.lost));
        else return false;
        return true;
    };
    PreviewReport(ctx.ui, report);
    index = -1;
}

#include "app/models/modelsprint.h"

#include "print/flows/printflow.h"
#include "app/common/appcontext.h"
#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/model/page.h"
#include "report/script/scriptengine.h"
#include "report/windows/preview.h"
#include "report/windows/reportui.h"
#include "resources/partbase_reports.h"

#include <QApplication>
#include <QDir>
#include <QPointer>

namespace {

// The report, its data source and the rows stay while the preview shows them.
struct ModelsListReport : QObject
{
    QList<QPair<QString, int>> rows;
    int pos = 0;
    TrpUserDataset *source = new TrpUserDataset(this);
    TrpReport *report = new TrpReport(this);
    bool previewOwns = false;   // a preview window shows the pages and takes the holder along
};

} // namespace

void PrintModelsList(AppContext &ctx, const QList<QPair<QString, int>> &models, QWidget *parent)
{
    auto *holder = new ModelsListReport;
    holder->rows = models;
    holder->source->SetName(kv::kModelsSource);
    holder->source->OnFirst = [holder](TrpDataset &) { holder->pos = 0; };
    holder->source->OnNext = [holder](TrpDataset &) { ++holder->pos; };
    holder->source->OnCheckEOF = [holder](TrpDataset &, bool &eof) { eof = holder->pos >= holder->rows.size(); };
    TrpReport &report = *holder->report;
    report.Title = QStringLiteral("Список моделей");
    report.OnGetValue = [holder](const QString &name, TrpValue &value) {
        if (holder->pos < 0 || holder->pos >= holder->rows.size()) return false;
        const QString up = name.toUpper();
        if (up == QLatin1String("MODELNAME"))
            value = TrpValue(holder->rows[holder->pos].first);
        else if (up == QLatin1String("MODELCOUNT"))
            value = TrpValue(holder->rows[holder->pos].second);
        else
            return false;
        return true;
    };
    const QString file = QDir(ctx.paths().ReportsFolder()).filePath(QStringLiteral("ModelsList.rpf"));
    rpConnectUi(report, ctx.ui(), parent);
    switch (rpLoadTemplate(report, file)) {
    case TrpLoadResult::Missing:
        delete holder;
        throw kv::Error(QStringLiteral("Не найден шаблон отчёта \"%1\".").arg(QDir::toNativeSeparators(file)));
    case TrpLoadResult::Failed: delete holder; return;
    case TrpLoadResult::Loaded: break;
    }
    rpEngine().Variables().SetValue(QStringLiteral("BASENAME"), TrpValue(QStringLiteral("База моделей")));
    if (TrpPage *page = report.Pages().GetPage(0)) {
        kv::SetPageMargins(*page, ctx.settings());
    }
    QPointer<QObject> keep(holder);
    report.OnShowPrepared = [holder](TrpReport &r) {
        const QWidgetList before = QApplication::topLevelWidgets();
        rpShowPreview(r);
        // The preview shows the report's pages: the report goes with it.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (!before.contains(w)) {
                QObject::connect(w, &QObject::destroyed, holder, &QObject::deleteLater);
                holder->previewOwns = true;
            }
    };
    ctx.ui().showReport(report, [&report] {
        report.Show();
        return report.EMFPages().Count() > 0;
    });
    if (keep && !holder->previewOwns) delete holder;
}

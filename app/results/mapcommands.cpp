#include "app/results/mapcommands.h"

#include "app/common/appcontext.h"
#include "app/common/smalldialogs.h"
#include "app/common/mainwindow.h"
#include "app/common/printcontext.h"
#include "app/results/formsheets.h"
#include "widgets/outlooklist.h"
#include "data/maps/mapfiles.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/accept.h"
#include "data/stock/acceptedmaps.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "platform/clock.h"
#include "print/flows/bordersinfo.h"
#include "print/flows/fullstat.h"
#include "print/flows/labeldialogs.h"
#include "print/flows/maproad.h"
#include "print/flows/scrapsinfo.h"

#include <QDate>
#include <QFileInfo>

#include <memory>

namespace kv {

namespace {

// The wait window of the long file operations, shown at once and closed
// when the scope ends.
class WaitScope
{
public:
    explicit WaitScope(QWidget *parent) : m_wait(parent)
    {
        m_wait.show();
        m_wait.repaint();
    }
    ~WaitScope() { m_wait.hide(); }

private:
    TfrmWait m_wait;
};

std::function<QString(int32_t)> materialNames(AppContext &ctx)
{
    if (!ctx.hasMaterials()) return [](int32_t) { return QString(); };
    MaterialsService *m = &ctx.materials();
    return [m](int32_t code) { return m->GetMaterialName(code); };
}

} // namespace

bool SaveMapsWithDialog(TFormSheets &w)
{
    AppContext &ctx = w.Context();
    const MapDocument &doc = w.Document();
    FileChoice spec;
    spec.save = true;
    spec.title = QStringLiteral("Сохранение карт раскроя");
    spec.filter = QStringLiteral("Файл карт раскроя (*.map)|*.map");
    spec.defaultExt = QStringLiteral("map");
    if (!doc.FileName.isEmpty() && QFileInfo::exists(doc.FileName)) {
        const QFileInfo fi(doc.FileName);
        spec.folder = fi.absolutePath();
        spec.fileName = fi.fileName();
    } else {
        spec.folder = ctx.paths().MapsFolder();
    }
    const QString path = ctx.ui().chooseFile(spec, &w);
    if (path.isEmpty()) return false;
    // The header carries the colours of the settings as they are now.
    MapDocument out = doc;
    out.Display.Colors = ReadMapColors(ctx.settings().Ini());
    SaveMapsToFile(out, path);
    w.SetFileCaption(path);
    return true;
}

void AcceptVariantCommand(TFormSheets &w)
{
    // A variant taken into the warehouse before (a map file saved after it
    // and opened again) would take the same stock out twice: it asks first.
    AcceptedVariants accepted(w.Context().paths().AcceptedMapsFile());
    if (const auto before = accepted.Find(w.Document())) {
        if (w.ui().warn(AcceptedVariants::AgainQuestion(*before), MsgButtons::YesNo, &w) != ModalResult::Yes) return;
    } else if (w.ui().confirm(QString::fromUtf16(kAcceptQuestion), MsgButtons::YesNo, &w) != ModalResult::Yes) {
        return;
    }
    // An open warehouse window shows the change through the service's signal.
    AcceptOutcome outcome = AcceptVariant(w.Context().stock(), w.Context().settings(), w.Document(), kv::Today());
    // The warehouse has changed: the variant is accepted whatever follows.
    w.MarkAccepted();
    w.SyncFromDocument();
    try {
        const QString &file = w.Document().FileName;
        accepted.Add(w.Document(), file.isEmpty() ? w.Document().Caption : file, kv::Now());
    } catch (const Error &e) {
        outcome.warnings << QStringLiteral("Не удалось записать принятый вариант в список принятых.\r%1").arg(e.message());
    }
    for (const QString &warning : outcome.warnings) w.ui().error(warning, &w);
}

bool ExportMapsToIniDialog(TFormSheets &w)
{
    AppContext &ctx = w.Context();
    FileChoice spec;
    spec.save = true;
    spec.title = QStringLiteral("Экспорт карт раскроя в INI - файл");
    spec.filter = QStringLiteral("INI - файлы (*.ini)|*.ini|Все файлы|*.*");
    spec.defaultExt = QStringLiteral("ini");
    spec.folder = ctx.paths().ExportFolder();
    const QString path = ctx.ui().chooseFile(spec, &w);
    if (path.isEmpty()) return false;
    try {
        WaitScope wait(&w);
        ExportMapsToIni(w.Document(), path, materialNames(ctx));
    } catch (const std::exception &) {
        ctx.ui().error(QStringLiteral("Ошибка экспорта данных!"), &w);
        return false;
    }
    return true;
}

TFormSheets *OpenMapsFile(AppContext &ctx, const QString &path, QWidget *parent)
{
    std::unique_ptr<TFormSheets> w;
    try {
        MapDocument doc;
        doc.Display.Colors = ReadMapColors(ctx.settings().Ini());
        QString why;
        const MapLoadResult r = LoadMapsFromFile(path, doc, &why);
        bool older = false;
        if (r == mlrNotMapFile) {
            // Not the binary layout: the older INI layout, which takes a while.
            WaitScope wait(parent);
            LoadIniMaps(path, doc);
            doc.MaterialCodes = ReadMapsMaterials(path);
            older = true;
        } else if (r != mlrLoaded) {
            throw Error(why);
        }
        w = std::make_unique<TFormSheets>(ctx);
        w->HideProgress();
        w->LoadDocument(std::move(doc), path, older);
    } catch (const std::exception &e) {
        w.reset();
        // The reason, when there is one, follows the message.
        const auto *err = dynamic_cast<const Error *>(&e);
        const QString why = err ? err->message() : QString();
        ctx.ui().error(MapOpenErrorMessage(path) + (why.isEmpty() ? QString() : QStringLiteral("\r") + why), parent);
        return nullptr;
    }
    TFormSheets *shown = w.release();
    shown->ShowChild();
    shown->FormResize();
    return shown;
}

void PrintMapsCommand(TFormSheets &w)
{
    AppContext &ctx = w.Context();
    MapPrintRequest rq;
    rq.doc = &w.Document();
    rq.activeTab = w.ActivePage();
    rq.settings = &ctx.settings();
    rq.reportsFolder = ctx.paths().ReportsFolder();
    rq.parent = &w;
    rq.ui = &ctx.ui();
    if (ctx.hasMaterials()) rq.lookups.materialName = [&ctx](int code) { return ctx.materials().GetMaterialName(code); };
    if (ctx.hasBorders()) {
        BordersService &b = ctx.borders();
        rq.lookups.borderName = [&b](int code) { return b.GetBorderName(code); };
        rq.lookups.borderColor = [&b](int code, qint32 def) { return qint32(b.GetBorderColor(code, quint32(def))); };
        rq.lookups.borderPripusk = [&b](int code) { return b.GetBorderPripusk(code); };
        rq.lookups.isBorderCode = [&b](int code) { return b.Codes().contains(QString::number(code)); };
    }
    PrintCuttingMaps(rq);
}

void StatisticsCommand(TFormSheets &w)
{
    const PrintContext pc = PrintContextOf(w.Context());
    // The navigator's item as the user sees it: a material the base does not
    // know shows its code there.
    const int code = w.Document().CurrentMaterial;
    QString name = code == kMapAllMaterials ? QStringLiteral("<все материалы>") : pc.lookups.MaterialName(code);
    if (TgwOutlookListItem *it = w.Navigator() ? w.Navigator()->GetSelectedItem() : nullptr)
        name = it->Text();
    ShowFullStatistics(pc, w.Document(), name, &w);
}

void BordersInfoCommand(TFormSheets &w)
{
    const int tab = w.ActivePage();
    if (tab < 0 || tab >= int(w.Document().Tabs.size())) return;
    const PrintContext pc = PrintContextOf(w.Context());
    ShowBordersInfo(pc, WithoutNoBorder(SumBordersLength(GetSheetDetals(w.Document().Tabs[size_t(tab)]), pc.lookups)),
                    &w);
}

void DetalsLabelsCommand(TFormSheets &w)
{
    const PrintContext pc = PrintContextOf(w.Context());
    ExecuteDetalsLabels(pc, [&](DetalLabelLists &l) { l = GetDetalsLabels(w.Document(), pc.lookups); }, &w);
}

void ScrapsLabelsCommand(TFormSheets &w)
{
    const PrintContext pc = PrintContextOf(w.Context());
    ExecuteScrapsLabels(pc, [&](ScrapsLabelLists &l) { l = GetScrapsLabels(w.Document(), pc.lookups); }, &w);
}

void PrintScrapsInfoCommand(TFormSheets &w)
{
    PrintScrapsInfo(PrintContextOf(w.Context()), w.Document(), &w);
}

} // namespace kv

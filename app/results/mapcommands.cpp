#include "app/results/mapcommands.h"

#include "app/common/appcontext.h"
#include "app/common/smalldialogs.h"
#include "app/partbase/filedialog.h"
#include "app/results/formsheets.h"
#include "app/stock/warehouse.h"
#include "data/maps/mapfiles.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/accept.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "platform/clock.h"

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
    FileDialogSpec spec;
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
    const QString path = ExecFileDialog(spec, &w);
    if (path.isEmpty()) return false;
    // The header carries the colours of the settings as they are now.
    MapDocument out = doc;
    out.Display.Colors = ReadMapColors(ctx.settings().Ini());
    SaveMapsToFile(out, path);
    w.SetFileCaption(path);
    return true;
}

void AcceptVariantCommand(TFormSheets &w, const std::function<TfrmWareHouse *()> &warehouse)
{
    if (ShowConfirmation(QString::fromUtf16(kAcceptQuestion), MsgButtons::YesNo, &w) != ModalResult::Yes) return;
    TfrmWareHouse *wh = warehouse ? warehouse() : nullptr;
    if (!wh) throw Error(QStringLiteral("Ошибка при обращении к складу!"));
    const AcceptOutcome outcome = AcceptVariant(wh->Stock(), w.Context().settings(), w.Document(), kv::Today());
    // The warehouse has changed: the variant is accepted whatever follows.
    w.MarkAccepted();
    w.SyncFromDocument();
    for (const QString &warning : outcome.warnings) ShowError(warning, &w);
    try {
        wh->SetCurrentMaterial(wh->CurrentMaterial());
    } catch (const std::exception &) {
        ShowError(QStringLiteral("Внутренняя ошибка при обновлении данных."), &w);
    }
}

bool ExportMapsToIniDialog(TFormSheets &w)
{
    AppContext &ctx = w.Context();
    FileDialogSpec spec;
    spec.save = true;
    spec.title = QStringLiteral("Экспорт карт раскроя в INI - файл");
    spec.filter = QStringLiteral("INI - файлы (*.ini)|*.ini|Все файлы|*.*");
    spec.defaultExt = QStringLiteral("ini");
    spec.folder = ctx.paths().ExportFolder();
    const QString path = ExecFileDialog(spec, &w);
    if (path.isEmpty()) return false;
    try {
        WaitScope wait(&w);
        ExportMapsToIni(w.Document(), path, materialNames(ctx));
    } catch (const std::exception &) {
        ShowError(QStringLiteral("Ошибка экспорта данных!"), &w);
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
    } catch (const std::exception &) {
        w.reset();
        ShowError(MapOpenErrorMessage(path), parent);
        return nullptr;
    }
    TFormSheets *shown = w.release();
    shown->ShowChild();
    shown->FormResize();
    return shown;
}

} // namespace kv

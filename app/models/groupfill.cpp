#include "app/models/groupfill.h"

#include "app/common/appcontext.h"
#include "app/common/mainwindow.h"
#include "app/common/mdichild.h"
#include "platform/ui.h"
#include "data/materials/materials.h"
#include "data/models/modelfiles.h"
#include "data/partbase/partbasedoc.h"
#include "data/paths.h"
#include "data/rowchecks.h"
#include "platform/error.h"

#include <QSet>

namespace {
QString u(const char *s) { return QString::fromUtf8(s); }

// The window the frame just made: its document is the one not open before.
kv::PartBaseDocument *newDocument(const QList<kv::PartBaseDocument *> &before)
{
    const QList<kv::PartBaseDocument *> now = kv::PartBaseDocument::OpenDocuments();
    for (auto it = now.rbegin(); it != now.rend(); ++it)
        if (!before.contains(*it)) return *it;
    return nullptr;
}
} // namespace

BusyCursor::BusyCursor() { kv::BeginBusyCursor(); }
BusyCursor::~BusyCursor() { kv::EndBusyCursor(); }

kv::PartBaseDocument *GroupDocumentOf(TMdiChild *window)
{
    if (!window || window->Kind() != ChildKind::PartBase) return nullptr;
    for (kv::PartBaseDocument *doc : kv::PartBaseDocument::OpenDocuments())
        if (window->property("kvDocument").value<void *>() == doc) return doc;
    return nullptr;
}

TMdiChild *NewGroupWindowWith(AppContext &ctx, const QList<kv::ImportedPart> &parts,
                              const QList<QPair<QString, QString>> &models, const QString &suggestedName,
                              const kv::PartsProgress &progress)
{
    IMainWindow *frame = ctx.mainWindow();
    if (!frame) return nullptr;
    const QList<kv::PartBaseDocument *> before = kv::PartBaseDocument::OpenDocuments();
    TMdiChild *w = frame->NewGroupWindow();
    if (!w) return nullptr;
    kv::PartBaseDocument *doc = newDocument(before);
    if (!doc || !doc->HasTable()) throw kv::Error(u("Ошибка создания базы деталей."));
    w->setProperty("kvDocument", QVariant::fromValue<void *>(doc));
    for (const auto &m : models) doc->Models.append(kv::ModelEntry{m.first, m.second});
    if (!suggestedName.isEmpty()) {
        doc->SuggestedName = suggestedName;
        doc->CaptionName = suggestedName;
    }
    {
        BusyCursor busy;
        // What a file brought is kept as it is; the cutting points at a wrong row.
        kv::PositiveFieldsCheck::Suspend unchecked(doc->RowChecks());
        // The window hears of the rows once, when all are in: its totals are
        // summed once per import, not once per row.
        kv::DataSet::ControlsLock quiet(doc->table());
        kv::PartBaseDocument::WholeRecords whole(*doc);
        kv::AppendParts(doc->table(), parts, progress);
        doc->table().First();
        doc->Modified = true;
    }
    if (parts.isEmpty()) w->RefreshGroup();
    w->setWindowTitle(doc->Caption());
    return w;
}

void OpenModelAsGroup(AppContext &ctx, const QString &modelName, const QString &tableStem)
{
    IMainWindow *frame = ctx.mainWindow();
    if (!frame) return;
    const QString table = kv::ModelTablePath(ctx.paths(), tableStem);
    if (!table.isEmpty() && kv::PartBaseDocument::FindGroupByTable(table))
        throw kv::Error(u("Модель \"%1\" уже открыта.").arg(modelName));
    const QList<kv::PartBaseDocument *> before = kv::PartBaseDocument::OpenDocuments();
    TMdiChild *w = frame->NewGroupWindow();
    if (!w) return;
    kv::PartBaseDocument *doc = newDocument(before);
    if (!doc) return;
    w->setProperty("kvDocument", QVariant::fromValue<void *>(doc));
    try {
        doc->OpenModel(modelName, tableStem);
    } catch (...) {
        w->SetShuttingDown();
        w->CloseChild();
        throw;
    }
    w->RefreshGroup();
    w->setWindowTitle(doc->Caption());
}

bool IsGroupTableOpen(const QString &tablePath) { return kv::PartBaseDocument::FindGroupByTable(tablePath) != nullptr; }

QString MaterialNameOf(AppContext &ctx, int code)
{
    if (!ctx.hasMaterials()) return QString();
    return ctx.materials().GetMaterialName(code);
}

#include "app/models/imports.h"

#include "app/common/appcontext.h"
#include "app/common/smalldialogs.h"
#include "app/materials/selectmaterial.h"
#include "app/models/groupfill.h"
#include "app/models/modelsbase.h"
#include "data/models/catalogimport.h"
#include "data/imports/partlists.h"
#include "data/partbase/partbasedoc.h"
#include "data/materials/borders.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/error.h"
#include "platform/ui.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

int defaultEdge(AppContext &ctx)
{
    return ctx.hasBorders() ? ctx.borders().DefBorder() : ctx.settings().Get(kv::key::DefBorder);
}

void newWindow(AppContext &ctx, const QList<kv::ImportedPart> &parts, const QString &suggested = QString(),
               const kv::PartsProgress &progress = {})
{
    if (!NewGroupWindowWith(ctx, parts, {}, suggested, progress)) throw kv::Error(u("Ошибка импорта базы деталей."));
}

} // namespace

TfrmAutoRun::TfrmAutoRun(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAutoRun"));
    setWindowTitle(u("Импорт баз деталей"));
    auto *v = new QVBoxLayout(this);
    m_kind = new QLabel(this);
    m_kind->setObjectName(QStringLiteral("lblKind"));
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("lblFile"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("pbProgress"));
    m_bar->setTextVisible(false);
    m_parts = new QProgressBar(this);
    m_parts->setObjectName(QStringLiteral("pbParts"));
    m_parts->setTextVisible(false);
    m_parts->hide();
    v->addWidget(m_kind);
    v->addWidget(m_file);
    v->addWidget(m_bar);
    v->addWidget(m_parts);
    resize(360, 110);
}

// --- imports of the menus -------------------------------------------------------------

void ImportOldVersion(AppContext &ctx, QWidget *parent)
{
    kv::FileChoice c;
    c.filter = u("База деталей версии 1.x (*.de1)|*.de1|Все файлы|*.*");
    c.defaultExt = QStringLiteral("de1");
    c.folder = ctx.paths().DetalsFolder();
    const QString file = ctx.ui().chooseFile(c, parent);
    if (file.isEmpty()) return;
    int material = 0;
    if (!ExecuteSelectMaterial(ctx, material, u("<не определен>"), parent))
        throw kv::Error(u("Ошибка импорта базы деталей."));
    kv::engine::TDetalsList list;
    kv::ParseOldDetals(list, kv::ReadFirstLine(file));
    const kv::Settings &s = ctx.settings();
    QList<kv::ImportedPart> parts;
    for (int i = 0; i < list.Count(); ++i) {
        const kv::engine::TDetal &d = list[i];
        parts << kv::ImportedPart{QString::fromStdString(d.Name), d.Length, d.Width, d.Count, d.RotateMode,
                                  s.GetDefaultLBorder(), s.GetDefaultRBorder(), s.GetDefaultTBorder(),
                                  s.GetDefaultBBorder(), material};
    }
    newWindow(ctx, parts);
}

void ImportVersion2(AppContext &ctx, QWidget *parent)
{
    kv::FileChoice c;
    c.title = u("Импорт баз деталей версии 2.x");
    c.filter = u("База деталей версий 2.x (*.det)|*.det|Все файлы|*.*");
    c.defaultExt = QStringLiteral("det");
    c.folder = ctx.paths().DetalsFolder();
    const QString file = ctx.ui().chooseFile(c, parent);
    if (file.isEmpty()) return;
    const kv::DetHeader h = kv::ReadDetHeader(file);
    int material = h.Code;
    if (!ExecuteSelectMaterial(ctx, material, MaterialNameOf(ctx, h.Code), parent))
        throw kv::Error(u("Ошибка импорта базы деталей."));
    newWindow(ctx, kv::ReadDetTable(h, material, defaultEdge(ctx)));
}

void ImportTextFile(AppContext &ctx, QWidget *parent)
{
    kv::FileChoice c;
    c.filter = u("Текстовые файлы (*.txt)|*.txt|Все файлы|*.*");
    c.defaultExt = QStringLiteral("txt");
    c.folder = ctx.paths().ExportFolder();
    const QString file = ctx.ui().chooseFile(c, parent);
    if (file.isEmpty()) return;
    int material = 0;
    if (!ExecuteSelectMaterial(ctx, material, u("<не определен>"), parent)) return;
    QList<kv::ImportedPart> parts;
    QString failure;
    try {
        kv::ReadTextFile(file, material, {ctx.settings().GetDefaultRotate(), defaultEdge(ctx)}, parts);
    } catch (const kv::Error &e) {
        failure = e.message();   // the lines read so far are kept
    }
    // With nothing read (a file that is not text, or unreadable) no window opens.
    if (!failure.isEmpty() && parts.isEmpty()) {
        ctx.ui().error(failure, parent);
        return;
    }
    newWindow(ctx, parts);
    if (!failure.isEmpty()) ctx.ui().error(failure, parent);
}

void ImportDesignerBase(AppContext &ctx, const QString &file, QWidget *parent, const kv::PartsProgress &progress)
{
    QString path = file;
    if (path.isEmpty()) {
        kv::FileChoice c;
        c.title = u("Импорт из конструкторского модуля");
        c.filter = u("База деталей конструкт. модуля (*.dkm)|*.dkm|Все файлы|*.*");
        c.defaultExt = QStringLiteral("dkm");
        c.folder = ctx.paths().ConstructorFolder();
        path = ctx.ui().chooseFile(c, parent);
        if (path.isEmpty()) return;
    }
    const QList<kv::ImportedPart> parts = kv::ReadDesignerFile(path, ctx.settings().GetDefaultRotate());
    newWindow(ctx, parts, QFileInfo(path).completeBaseName() + QStringLiteral(".kdx"), progress);
}

void ExportGroupText(AppContext &ctx, kv::PartBaseDocument &group, QWidget *parent)
{
    kv::FileChoice c;
    c.save = true;
    c.filter = u("Текстовые файлы (*.txt)|*.txt|Все файлы|*.*");
    c.defaultExt = QStringLiteral("txt");
    c.folder = ctx.paths().ExportFolder();
    const QString file = ctx.ui().chooseFile(c, parent);
    if (file.isEmpty()) return;
    group.PostIfEditing();
    QList<kv::ImportedPart> parts;
    {
        BusyCursor busy;
        parts = kv::ReadParts(group.table());
        group.table().First();
    }
    const QList<int> refused = kv::WriteTextFile(file, parts);
    if (!refused.isEmpty()) {
        QStringList rows;
        for (int n : refused) rows << QString::number(n);
        ctx.ui().error(u("Ошибка экспорта данных!\rНе записаны строки с символами табуляции или перевода строки "
                        "в шифре детали: %1.").arg(rows.join(QStringLiteral(", "))), parent);
    }
}

void ImportModelsCatalogCommand(AppContext &ctx, QWidget *parent)
{
    if (ctx.ui().confirm(u("Импортировать данные базы моделей?"), kv::MsgButtons::YesNo, parent)
        != kv::ModalResult::Yes)
        return;
    if (ctx.ui().warn(u("ВНИМАНИЕ!\r\rВсе данные в текущей базе моделей будут уничтожены!\r\rПродолжить?"),
                        kv::MsgButtons::YesNo, parent) != kv::ModalResult::Yes)
        return;
    if (TfrmModelsBase *w = FindModelsBaseWindow(ctx)) {
        w->SetShuttingDown();
        w->CloseChild();
    }
    TfrmWait wait(parent);
    wait.show();
    wait.repaint();
    kv::ReplaceModelsBaseFromCatalog(ctx.paths());
}

// --- AutoRun ---------------------------------------------------------------------------

bool ImportAutoRunFiles(AppContext &ctx, QWidget *parent)
{
    const QDir folder(ctx.paths().AutoRunFolder());
    const QStringList all = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    QStringList dkm, kmx;
    for (const QString &name : all) {
        if (name.endsWith(QLatin1String(".dkm"), Qt::CaseInsensitive)) dkm << name;
        if (name.endsWith(QLatin1String(".kmx"), Qt::CaseInsensitive)) kmx << folder.filePath(name);
    }
    if (dkm.isEmpty() && kmx.isEmpty()) return false;
    TfrmAutoRun progress(parent);
    progress.pbProgress()->setRange(0, dkm.size());
    progress.pbProgress()->setValue(0);
    progress.show();
    if (!dkm.isEmpty()) {
        progress.lblKind()->setText(u("Описания конструкторских моделей:"));
        for (const QString &name : dkm) {
            progress.lblFile()->setText(u("Импортируется файл: ") + name);
            progress.pbProgress()->setValue(progress.pbProgress()->value() + 1);
            progress.repaint();
            // A big file shows its parts going in; a file whose import
            // failed stays for the next start.
            auto parts = [&progress](int done, int total) {
                if (total < 2000) return;
                QProgressBar *bar = progress.pbParts();
                bar->setRange(0, total);
                bar->setValue(done);
                if (!bar->isVisible()) bar->show();
                bar->repaint();
            };
            if (ctx.ui().guarded([&] { ImportDesignerBase(ctx, folder.filePath(name), parent, parts); }, parent))
                QFile::remove(folder.filePath(name));
            progress.pbParts()->hide();
        }
    }
    if (!kmx.isEmpty()) {
        progress.lblKind()->setText(u("Описания моделей мебели"));
        progress.lblFile()->clear();
        progress.pbProgress()->setValue(0);
        QStringList missing;
        QList<int> counts;
        bool applied = false;
        ctx.ui().guarded([&] {
            TfrmModelsBase *w = CreateModelsBaseWindow(ctx);
            w->ApplyModelLists(kmx, missing, counts);
            applied = true;
        }, parent);
        if (applied)
            for (const QString &f : kmx) QFile::remove(f);
        progress.pbProgress()->setValue(progress.pbProgress()->maximum());
        if (!missing.isEmpty()) ShowNotPresentModels(ctx.ui(), missing, counts, ctx.paths().AutoRunFolder(), parent);
    }
    progress.hide();
    return true;
}

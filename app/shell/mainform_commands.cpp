// The main window's commands, its children and its life: first show and
// shut-down.
#include "app/common/detalnames.h"
#include "app/common/mdichild.h"
#include "app/common/optionform.h"
#include "app/common/smalldialogs.h"
#include "app/shell/about.h"
#include "app/shell/mainform.h"
#include "app/shell/menulists.h"
#include "app/shell/startupstages.h"
#include "app/stock/statesview.h"
#include "controls/winlayout.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/datamodule.h"
#include "data/imports/partlists.h"
#include "data/stock/stock.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "report/output/printer.h"
#include "toolbars/toolbar.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWindow>
#include <QMenu>
#include <QPrinter>

// ---------------------------------------------------------------- children

// A window a workshop can work in at once; smaller only when the frame is.
static constexpr QSize kOpeningSize{640, 400};

void TMainForm::AddChild(TMdiChild *child)
{
    // A frame whose child is maximised stays so: the new window opens
    // maximised over it, the way the desktop's MDI frames behave.
    QMdiSubWindow *current = m_mdi->currentSubWindow();
    const bool maximised = current && current->isMaximized();
    QMdiSubWindow *sub = m_mdi->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    m_children.append(child);
    takeCloseKey(sub);
    // Sized and placed before it shows: shown first, the area would give it
    // its size hint (a results window's was no more than its tool bar) and
    // a maximised frame would make that strip its restore size.
    sub->ensurePolished();
    const QMargins m = sub->contentsMargins();
    QSize size = child->size().grownBy(m).expandedTo(kOpeningSize).expandedTo(sub->sizeHint()).expandedTo(sub->minimumSizeHint());
    QPoint at(0, 0);
    if (m_mdi->isVisible()) {
        const QRect area = m_mdi->viewport()->rect();
        size = size.boundedTo(area.size()).expandedTo(sub->minimumSizeHint());
        at = cascadePosition(sub, size, area);
    }
    sub->setGeometry(QRect(at, size));
    kv::NoteNormalGeometry(sub);
    child->LoadLayout();
    if (maximised) sub->setWindowState(sub->windowState() | Qt::WindowMaximized);
    child->show();
    sub->show();
    m_mdi->setActiveSubWindow(sub);
}

// Ctrl+F4 is the frame's (it closes the active child wherever the keyboard
// is); the sub-window's own menu keeps the key only as its caption, two
// owners of one key would leave it to neither.
void TMainForm::takeCloseKey(QMdiSubWindow *sub)
{
    const QKeySequence closeKey(Qt::CTRL | Qt::Key_F4);
    if (QMenu *menu = sub->systemMenu())
        for (QAction *a : menu->actions()) {
            QList<QKeySequence> keys = a->shortcuts();
            if (!keys.removeAll(closeKey)) continue;
            a->setShortcuts(keys);
            a->setText(a->text() + QLatin1Char('\t') + closeKey.toString(QKeySequence::NativeText));
        }
}

// One title bar below and right of the last window (where it stands when
// not maximised), back to the corner when it would leave the area.
QPoint TMainForm::cascadePosition(QMdiSubWindow *sub, const QSize &size, const QRect &area) const
{
    const int step = std::max(sub->contentsMargins().top(), 20);
    QPoint at = area.topLeft();
    const QList<QMdiSubWindow *> order = m_mdi->subWindowList(QMdiArea::StackingOrder);
    for (int i = int(order.size()) - 1; i >= 0; --i) {
        QMdiSubWindow *w = order[i];
        if (w == sub || !w->isVisible() || w->isMinimized()) continue;
        at = kv::NormalGeometry(w).topLeft() + QPoint(step, step);
        break;
    }
    if (at.x() + size.width() > area.right() + 1 || at.y() + size.height() > area.bottom() + 1) at = area.topLeft();
    return at;
}

QList<TMdiChild *> TMainForm::Children() const
{
    QList<TMdiChild *> out;
    for (const QPointer<TMdiChild> &c : m_children)
        if (c) out.append(c.data());
    return out;
}

TMdiChild *TMainForm::ActiveChild() const
{
    QMdiSubWindow *sub = m_mdi->currentSubWindow();
    return sub ? qobject_cast<TMdiChild *>(sub->widget()) : nullptr;
}

TMdiChild *TMainForm::NewGroupWindow()
{
    if (!hooks.groupWindow || !m_ctx) return nullptr;
    return hooks.groupWindow(*m_ctx, QString());
}

TMdiChild *TMainForm::OpenGroupWindow(const QString &fileName)
{
    if (!hooks.groupWindow || !m_ctx) return nullptr;
    TMdiChild *w = nullptr;
    m_ui.guarded([&] { w = hooks.groupWindow(*m_ctx, fileName); }, this);
    return w;
}

TMdiChild *TMainForm::FindGroupWindow(const QString &fileName) const
{
    for (TMdiChild *c : Children())
        if (c->Kind() == ChildKind::PartBase && TRecentFiles::SamePath(c->DocumentFileName(), fileName)) return c;
    return nullptr;
}

TMdiChild *TMainForm::CreateResultsWindow(bool withProgress)
{
    if (!hooks.resultsWindow || !m_ctx) return nullptr;
    return hooks.resultsWindow(*m_ctx, withProgress);
}

static void bringToFront(TMdiChild *c)
{
    QWidget *w = c->parentWidget() ? c->parentWidget() : c;
    if (w->isMinimized()) w->showNormal();
    w->show();
    w->raise();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(w)) sub->mdiArea()->setActiveSubWindow(sub);
}

TMdiChild *TMainForm::ShowWarehouseWindow()
{
    TMdiChild *w = FindChildOfKind(ChildKind::Warehouse);
    if (!w && hooks.warehouseWindow && m_ctx) w = hooks.warehouseWindow(*m_ctx);
    if (w) bringToFront(w);
    return w;
}

TMdiChild *TMainForm::ShowModelsBaseWindow()
{
    TMdiChild *w = FindChildOfKind(ChildKind::ModelsBase);
    if (!w && hooks.modelsBaseWindow && m_ctx) w = hooks.modelsBaseWindow(*m_ctx);
    if (w) bringToFront(w);
    return w;
}

void TMainForm::RefreshGroupWindows()
{
    for (TMdiChild *c : Children())
        if (c->Kind() == ChildKind::PartBase) c->Guarded([c] { c->RefreshGroup(); });
}

void TMainForm::RefreshSheetsWindows()
{
    for (TMdiChild *c : Children())
        if (c->Kind() == ChildKind::Results) c->Guarded([c] { c->RefreshSheets(); });
}

void TMainForm::RefreshMaterialViews()
{
    for (TMdiChild *c : Children())
        if (c->Kind() == ChildKind::PartBase || c->Kind() == ChildKind::Warehouse)
            c->Guarded([c] { c->RefreshMaterials(); });
}

void TMainForm::RefreshDetalNames()
{
    for (TMdiChild *c : Children())
        if (c->Kind() == ChildKind::PartBase) c->Guarded([c] { c->RefreshDetalNames(); });
}

void TMainForm::AddRecentFile(const QString &path)
{
    if (!path.isEmpty()) m_recent->Add(path);
}

// ---------------------------------------------------------------- dialogs

TOptionForm *TMainForm::OptionForm()
{
    if (!m_options) {
        m_options = new TOptionForm(m_ui, *m_settings, this);
        m_options->BorderList = [this] {
            QList<TOptionForm::CodeName> out;
            if (m_borders)
                for (const kv::BorderEntry &b : m_borders->Entries())
                    if (b.code != 0) out.append({b.code, b.name});
            return out;
        };
        m_options->MaterialList = [this] {
            QList<TOptionForm::CodeName> out;
            if (m_materials)
                for (const kv::MaterialItem &m : m_materials->MaterialItems(false)) out.append({m.code, m.name});
            return out;
        };
        if (hooks.optionLists) hooks.optionLists(*m_options);
    }
    return m_options;
}

bool TMainForm::EditDefaultOptions(bool allPages)
{
    return OptionForm()->Execute(allPages);
}

TfrmWait *TMainForm::WaitForm()
{
    if (!m_wait) m_wait = new TfrmWait(this);
    return m_wait;
}

void TMainForm::LoadBorders()
{
    if (hooks.loadBorders) hooks.loadBorders(*this);
    else if (m_borders) {
        m_borders->LoadBorders();
        m_borders->LoadDefBorder();
    }
    LoadDefBorder();
}

void TMainForm::ConnectExternalMaterials()
{
    if (hooks.connectExternalMaterials) {
        const QString external = kv::Paths::ExternalMaterialsBase(kv::NormalizeFolderPath(GetBasePath()));
        if (!IsLocalMaterialsBase() && QFile::exists(external)) hooks.connectExternalMaterials(*this);
    } else if (m_materials) {
        m_materials->ConnectAtStartup();
    }
}

// ---------------------------------------------------------------- commands

namespace {

// The frame's own commands, by the object name of their action.
const std::map<QString, std::function<void(TMainForm &)>> &ownCommands()
{
    static const std::map<QString, std::function<void(TMainForm &)>> own = {
        {QStringLiteral("NewAction"), &TMainForm::NewActionExecute},
        {QStringLiteral("OpenAction"), &TMainForm::OpenActionExecute},
        {QStringLiteral("ExitAction"), &TMainForm::ExitActionExecute},
        {QStringLiteral("OpenMapsAction"), &TMainForm::OpenMapsExecute},
        {QStringLiteral("OptionsAction"), &TMainForm::OptionsExecute},
        {QStringLiteral("BordersAction"), &TMainForm::BordersExecute},
        {QStringLiteral("MaterialsAction"), &TMainForm::MaterialsExecute},
        {QStringLiteral("DetalNamesAction"), &TMainForm::DetalNamesExecute},
        {QStringLiteral("AutoCheckSheetsAction"), &TMainForm::AutoCheckSheetsExecute},
        {QStringLiteral("AutoScrapsMarkAction"), &TMainForm::AutoScrapsMarkExecute},
        {QStringLiteral("PageSetupAction"), &TMainForm::PageSetupExecute},
        {QStringLiteral("PrinterSetupAction"), &TMainForm::PrinterSetupExecute},
        {QStringLiteral("StandardToolbarAction"), &TMainForm::StandardToolbarExecute},
        {QStringLiteral("AboutAction"), &TMainForm::AboutExecute},
        {QStringLiteral("CascadeAction"), &TMainForm::CascadeExecute},
        {QStringLiteral("TileHorAction"), &TMainForm::TileHorizontalExecute},
        {QStringLiteral("TileVerAction"), &TMainForm::TileVerticalExecute},
        {QStringLiteral("ArrangeAction"), &TMainForm::ArrangeIconsExecute},
        {QStringLiteral("MinimizeAllAction"), &TMainForm::MinimizeAllExecute},
        {QStringLiteral("CloseChildAction"), &TMainForm::CloseChildExecute},
        {QStringLiteral("NextChildAction"), &TMainForm::NextChildExecute},
        {QStringLiteral("PreviousChildAction"), &TMainForm::PreviousChildExecute},
        {QStringLiteral("DeleteSheetAction"), &TMainForm::DeleteSheetExecute},
        {QStringLiteral("DeleteScrapAction"), &TMainForm::DeleteScrapExecute},
        {QStringLiteral("WarehouseAction"), [](TMainForm &f) { f.ShowWarehouseWindow(); }},
        {QStringLiteral("ModelsBaseAction"), [](TMainForm &f) { f.ShowModelsBaseWindow(); }},
    };
    return own;
}

// The commands the active child carries out.
const std::map<QString, MainCommand> &childCommands()
{
    static const std::map<QString, MainCommand> forwarded = {
        {QStringLiteral("SaveAction"), MainCommand::Save},
        {QStringLiteral("SaveAsAction"), MainCommand::SaveAs},
        {QStringLiteral("MergeAction"), MainCommand::Merge},
        {QStringLiteral("PrintListAction"), MainCommand::PrintList},
        {QStringLiteral("PrintGroupedAction"), MainCommand::PrintGrouped},
        {QStringLiteral("PrintExcelAction"), MainCommand::PrintExcel},
        {QStringLiteral("ExportTabAction"), MainCommand::ExportText},
        {QStringLiteral("CuttingAction"), MainCommand::Cutting},
        {QStringLiteral("PrintDetalsLabelsAction"), MainCommand::PrintDetalsLabels},
        {QStringLiteral("PrintScrapsLabelsAction"), MainCommand::PrintScrapsLabels},
        {QStringLiteral("AddModelAction"), MainCommand::AddModel},
        {QStringLiteral("AllMaterialsAction"), MainCommand::AllMaterials},
        {QStringLiteral("ReplaceMaterialAction"), MainCommand::ReplaceMaterial},
        {QStringLiteral("PrintModelsListAction"), MainCommand::PrintModelsList},
        {QStringLiteral("SaveMapsAction"), MainCommand::SaveMaps},
        {QStringLiteral("ExportMapsIniAction"), MainCommand::ExportMapsIni},
        {QStringLiteral("PrintStatisticsAction"), MainCommand::PrintStatistics},
    };
    return forwarded;
}

} // namespace

std::function<void()> TMainForm::Command(const QString &actionName)
{
    // What another room wired in wins over the frame's own default.
    if (auto h = hooks.commands.find(actionName); h != hooks.commands.end() && h->second) return h->second;
    if (auto c = childCommands().find(actionName); c != childCommands().end())
        return [this, command = c->second] { childCommand(command); };
    if (auto o = ownCommands().find(actionName); o != ownCommands().end())
        return [this, &run = o->second] { run(*this); };
    return {};
}

QStringList TMainForm::CommandNames() const
{
    QStringList names;
    for (const auto &[name, run] : hooks.commands) names << name;
    for (const auto &[name, command] : childCommands()) names << name;
    for (const auto &[name, run] : ownCommands()) names << name;
    names.removeDuplicates();
    return names;
}

void TMainForm::runCommand(const QString &name)
{
    m_ui.guarded([&] {
        if (const std::function<void()> run = Command(name)) run();
    }, this);
    updateActions();
}

void TMainForm::childCommand(MainCommand command)
{
    TMdiChild *c = ActiveChild();
    if (c && c->CommandEnabled(command)) c->ExecuteCommand(command);
}

QString TMainForm::openDialog(const QString &folder, const QString &title, const QString &filter,
                              const QString &defaultExt)
{
    kv::FileChoice c;
    c.title = title;
    c.folder = folder;
    c.filter = filter;
    c.defaultExt = defaultExt;
    return m_ui.chooseFile(c, this);
}

void TMainForm::NewActionExecute()
{
    NewGroupWindow();
}

void TMainForm::OpenActionExecute()
{
    for (;;) {
        const QString file = openDialog(m_groupsFolder, QStringLiteral("Открыть базу деталей"),
                                        QStringLiteral("Файлы баз деталей (*.kdx)|*.kdx|Все файлы|*"),
                                        QStringLiteral("kdx"));
        if (file.isEmpty()) return;
        m_groupsFolder = QFileInfo(file).absolutePath() + QLatin1Char('/');
        if (TMdiChild *open = FindGroupWindow(file)) {
            const kv::ModalResult r = m_ui.confirm(
                QStringLiteral("База деталей \"%1\" уже открыта!\r\rНажмите кнопку \"Повторить\" для выбора "
                               "другой базы деталей\rили кнопку \"Отмена\" для перехода к открытой.")
                    .arg(file),
                kv::MsgButtons::RetryCancel, this);
            if (r == kv::ModalResult::Retry) continue;
            bringToFront(open);
            return;
        }
        OpenGroupWindow(file);
        return;
    }
}

void TMainForm::RecentFileClick(const QString &path)
{
    if (!QFile::exists(path)) {
        m_ui.error(QStringLiteral("База деталей не найдена."), this);
        m_recent->Remove(path);
        return;
    }
    if (FindGroupWindow(path)) {
        m_ui.error(QStringLiteral("База деталей \"%1\" уже открыта!").arg(path), this);
        return;
    }
    OpenGroupWindow(path);
}

void TMainForm::ExitActionExecute()
{
    if (m_busy) return;
    close();
}

void TMainForm::OpenMapsExecute()
{
    const QString file = openDialog(m_paths.MapsFolder(), QStringLiteral("Открытие карт раскроя"),
                                    QStringLiteral("Файл карт раскроя (*.map)|*.map|Все файлы|*"),
                                    QStringLiteral("map"));
    if (file.isEmpty()) return;
    if (hooks.openMaps) hooks.openMaps(*this, file);
}

void TMainForm::OptionsExecute()
{
    if (EditDefaultOptions(true)) {
        RefreshGroupWindows();
        RefreshSheetsWindows();
    }
}

void TMainForm::BordersExecute()
{
    if (hooks.editBorders && hooks.editBorders(*this)) {
        LoadBorders();
        RefreshGroupWindows();
    }
}

void TMainForm::MaterialsExecute()
{
    if (hooks.materialsWindow) hooks.materialsWindow(*this);
}

void TMainForm::DetalNamesExecute()
{
    if (EditDetalNames(m_ui, m_settings->Ini(), this))
        RefreshDetalNames();
}

void TMainForm::AutoCheckSheetsExecute()
{
    // The action has toggled its check mark already; the file follows at once.
    m_settings->Set(kv::key::CheckStdSheetsQuantity, Action(QStringLiteral("AutoCheckSheetsAction"))->isChecked());
}

void TMainForm::AutoScrapsMarkExecute()
{
    m_settings->Set(kv::key::AutoScrapsMark, Action(QStringLiteral("AutoScrapsMarkAction"))->isChecked());
}

void TMainForm::PageSetupExecute()
{
    int m[4] = {GetPageLeft(), GetPageRight(), GetPageTop(), GetPageBottom()};
    if (!hooks.editPageMargins || !hooks.editPageMargins(*this, m)) return;
    SetPageLeft(m[0]);
    SetPageRight(m[1]);
    SetPageTop(m[2]);
    SetPageBottom(m[3]);
}

void TMainForm::PrinterSetupExecute()
{
    // The dialog opens on the engine printer, and what is chosen there is what
    // the maps, lists and stickers print on.
    const TrpPrinter &engine = rpPrinter();
    QPrinter printer(QPrinter::HighResolution);
    rpTargetPrinter(printer);
    printer.setPageSize(rpQtPageSize(engine.PaperSize, engine.PaperWidth, engine.PaperHeight, engine.Orientation));
    printer.setPageOrientation(engine.Orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (m_ui.setupPrinter(printer, this)) rpTakePrinterChoice(printer);
}

void TMainForm::StandardToolbarExecute()
{
    m_toolbar->setVisible(m_toolbar->isHidden());
}

void TMainForm::AboutExecute()
{
    if (!m_about) m_about = new TfrmAbout(this);
    m_ui.runModal(*m_about);
}

void TMainForm::DeleteSheetExecute()
{
    if (!m_module || !m_module->tblSheets->Active() || m_module->tblSheets->IsEmpty()) return;
    if (m_ui.confirm(QStringLiteral("Действительно удалить запись\rиз базы стандартных листов?"),
                             kv::MsgButtons::YesNo, this) != kv::ModalResult::Yes)
        return;
    try {
        m_module->tblSheets->Delete();
    } catch (const std::exception &) {
        m_ui.error(QStringLiteral("Ошибка удаления из базы стандартных листов."), this);
    }
}

void TMainForm::DeleteScrapExecute()
{
    if (!m_module || !m_module->tblScraps->Active() || m_module->tblScraps->IsEmpty()) return;
    if (m_ui.confirm(QStringLiteral("Действительно удалить запись\rиз базы отходов?"), kv::MsgButtons::YesNo,
                             this) != kv::ModalResult::Yes)
        return;
    try {
        m_module->tblScraps->Delete();
    } catch (const std::exception &) {
        m_ui.error(QStringLiteral("Ошибка удаления из базы отходов."), this);
    }
}

// ---------------------------------------------------------------- window menu

void TMainForm::BuildWindowList()
{
    for (QAction *a : m_windowItems) {
        m_windowMenu->removeAction(a);
        a->deleteLater();
    }
    m_windowItems.clear();
    const QList<TMdiChild *> children = Children();
    QStringList captions;
    int active = -1;
    for (int i = 0; i < children.size(); ++i) {
        captions << children[i]->windowTitle();
        if (children[i] == ActiveChild()) active = i;
    }
    m_windowSeparator->setEnabled(!children.isEmpty());
    for (const WindowListItem &it : BuildWindowListItems(captions, active)) {
        auto *a = new QAction(it.caption, m_windowMenu);
        a->setObjectName(QStringLiteral("WindowItem"));
        a->setCheckable(true);
        a->setChecked(it.checked);
        QPointer<TMdiChild> target = children[it.childIndex];
        connect(a, &QAction::triggered, this, [target] {
            if (target) bringToFront(target);
        });
        m_windowMenu->addAction(a);
        m_windowItems.append(a);
    }
}

// Qt's own cascade gives every window its size hint, and a results
// window's is no more than its tool bar. Here each window stands one title
// bar below and right of the one under it and takes the room the stack
// leaves, at least the opening size; the active one ends on top.
void TMainForm::CascadeExecute()
{
    QList<QMdiSubWindow *> subs;
    for (QMdiSubWindow *s : m_mdi->subWindowList(QMdiArea::StackingOrder))
        if (s->isVisible() && !s->isMinimized()) subs.append(s);
    if (subs.isEmpty()) return;
    QMdiSubWindow *active = m_mdi->activeSubWindow();
    const QRect area = m_mdi->viewport()->rect();
    const int step = std::max(subs.front()->contentsMargins().top(), 20);
    const int n = int(subs.size());
    const QSize room = (area.size() - QSize(step, step) * (n - 1)).expandedTo(kOpeningSize);
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *s = subs[i];
        if (s->isMaximized()) s->showNormal();
        const QSize size = room.expandedTo(s->minimumSizeHint()).boundedTo(area.size());
        // As many steps as the area holds, then back to the corner.
        const int fit = std::max(1, std::min(area.width() - size.width(), area.height() - size.height()) / step + 1);
        s->setGeometry(QRect(area.topLeft() + QPoint(step, step) * (i % fit), size));
    }
    if (active) m_mdi->setActiveSubWindow(active);
}

void TMainForm::tile(bool horizontal)
{
    ArrangeIconsExecute();
    QList<QMdiSubWindow *> subs;
    int iconRows = 0;
    for (TMdiChild *c : Children()) {
        auto *sub = qobject_cast<QMdiSubWindow *>(c->parentWidget());
        if (!sub || !sub->isVisible()) continue;
        if (sub->isMinimized()) iconRows = 1;
        else subs.append(sub);
    }
    if (subs.isEmpty()) return;
    QRect area = m_mdi->viewport()->rect();
    if (iconRows) area.setBottom(area.bottom() - subs.front()->minimumSizeHint().height());
    const int n = int(subs.size());
    for (int i = 0; i < n; ++i) {
        if (subs[i]->isMaximized()) subs[i]->showNormal();
        QRect r;
        if (horizontal) {
            // One above the other, each the full width.
            const int h = area.height() / n;
            r = QRect(area.left(), area.top() + i * h, area.width(), i == n - 1 ? area.height() - i * h : h);
        } else {
            // Side by side, each the full height.
            const int w = area.width() / n;
            r = QRect(area.left() + i * w, area.top(), i == n - 1 ? area.width() - i * w : w, area.height());
        }
        subs[i]->setGeometry(r);
    }
}

void TMainForm::TileHorizontalExecute()
{
    tile(true);
}

void TMainForm::TileVerticalExecute()
{
    tile(false);
}

void TMainForm::ArrangeIconsExecute()
{
    // Minimised children in a row along the bottom, left to right.
    const QRect area = m_mdi->viewport()->rect();
    int x = area.left();
    int y = -1;
    for (TMdiChild *c : Children()) {
        auto *sub = qobject_cast<QMdiSubWindow *>(c->parentWidget());
        if (!sub || !sub->isMinimized()) continue;
        const QSize s = sub->size();
        if (y < 0) y = area.bottom() - s.height() + 1;
        if (x + s.width() > area.right() && x > area.left()) {
            x = area.left();
            y -= s.height();
        }
        sub->move(x, y);
        x += s.width();
    }
}

void TMainForm::CloseChildExecute()
{
    if (QMdiSubWindow *sub = m_mdi->currentSubWindow()) sub->close();
}

void TMainForm::NextChildExecute()
{
    m_mdi->activateNextSubWindow();
}

void TMainForm::PreviousChildExecute()
{
    m_mdi->activatePreviousSubWindow();
}

void TMainForm::MinimizeAllExecute()
{
    const QList<TMdiChild *> children = Children();
    for (int i = int(children.size()) - 1; i >= 0; --i)
        if (auto *sub = qobject_cast<QMdiSubWindow *>(children[i]->parentWidget())) sub->showMinimized();
}

// ---------------------------------------------------------------- life

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FirstShow();
    }
}

void TMainForm::LoadPosition()
{
    if (m_positionLoaded) return;
    m_positionLoaded = true;
    m_ui.guarded([this] { kv::LoadFormGeometry(this, m_settings->Ini(), QString::fromLatin1("Main_Form"), true, true); },
                   this);
}

void TMainForm::FirstShow()
{
    LoadPosition();
    kv::StartupStep(QStringLiteral("show:position"));
    m_ui.guarded([this] { LoadBorders(); }, this);
    kv::StartupStep(QStringLiteral("show:edge banding"));
    if (m_settings->Get(kv::key::CheckStdSheetsQuantity) && hooks.checkMinimum)
        m_ui.guarded([this] { hooks.checkMinimum(*this, false); }, this);
    kv::StartupStep(QStringLiteral("show:minimum check"));
    m_recent->Load(m_settings->Ini());
    kv::StartupStep(QStringLiteral("show:recent files"));
    if (hooks.importAutoRun) m_ui.guarded([this] { hooks.importAutoRun(*this); }, this);
    kv::StartupStep(QStringLiteral("show:autorun"));
    // Only existing files with the extension ".kdx" exactly as written.
    for (const QString &file : CommandLineFiles)
        if (kv::IsCommandLineGroupFile(file) && !OpenGroupWindow(file))
            m_ui.error(QStringLiteral("Ошибка импорта базы деталей."), this);
    kv::StartupStep(QStringLiteral("show:command line"));
}

bool TMainForm::CanClose()
{
    // While a run is busy nothing happens at all: no question, no closing of
    // a window the run still uses.
    if (m_busy) return false;
    // Each question is a nested loop in which the other children may go.
    QList<QPointer<TMdiChild>> children;
    for (TMdiChild *c : Children()) children << c;
    for (const QPointer<TMdiChild> &c : children) {
        if (!c) continue;
        bool ok = true;
        if (!c->Guarded([&] { ok = c->CloseQuery(); }) || !ok) return false;
        if (m_busy) return false;
    }
    // A variant accepted with no warehouse window to ask (it could not be
    // made) is not dropped without the question either.
    if (m_stock && !FindChildOfKind(ChildKind::Warehouse) && (m_stock->SheetsDirty() || m_stock->ScrapsDirty())) {
        bool ok = true;
        if (!m_ui.guarded([&] { ok = StockCloseQuery(*m_stock, m_ui, this); }, this) || !ok) return false;
    }
    return !m_busy;
}

bool TMainForm::EndSession(bool canAsk)
{
    if (m_closed) return true;
    if (m_busy || (canAsk && !CanClose())) return false;
    // Asked already (or nobody to ask): the close itself asks nothing more.
    shutDown();
    close();
    return true;
}

namespace {
class CloseJoin : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() != QEvent::Close) return false;
        e->ignore();
        return true;
    }
};
} // namespace

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // A close that arrives while the first one asks (the title bar's button
    // under a "save?" box) waits for that answer instead of being taken as one.
    if (m_closing) {
        event->ignore();
        return;
    }
    m_closing = true;
    // Qt accepts a window-system close of a widget that is already closing
    // and then destroys its window and quits the nested loops: the filter
    // keeps those closes away from the window while the questions run.
    CloseJoin join;
    QPointer<QWindow> window = windowHandle();
    if (window) window->installEventFilter(&join);
    const bool can = CanClose();
    if (window) window->removeEventFilter(&join);
    m_closing = false;
    if (!can) {
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

void TMainForm::shutDown()
{
    m_closed = true;
    if (m_settings->Get(kv::key::CheckStdSheetsQuantity) && hooks.checkMinimum)
        m_ui.guarded([this] { hooks.checkMinimum(*this, false); }, this);
    kv::StartupStep(QStringLiteral("end:minimum check"));
    m_ui.guarded([this] { m_recent->Save(m_settings->Ini()); }, this);
    kv::StartupStep(QStringLiteral("end:recent files"));
    m_ui.guarded([this] { kv::StoreFormGeometry(this, m_settings->Ini(), QString::fromLatin1("Main_Form")); }, this);
    kv::StartupStep(QStringLiteral("end:position"));
    // Children still open are not closed one by one: their close step (the
    // recent-files entry) does not run at the end of the program.
    for (TMdiChild *c : Children()) c->SetShuttingDown();
}

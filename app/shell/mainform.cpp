#include "app/shell/mainform.h"

#include "app/common/mdichild.h"
#include "app/common/programimages.h"
#include "app/shell/menulists.h"
#include "app/shell/startupstages.h"
#include "controls/winlayout.h"
#include "data/datamodule.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/matoptions.h"
#include "data/models/modelbase.h"
#include "data/stock/stock.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "report/output/printer.h"
#include "resources/reports.h"
#include "toolbars/dock.h"
#include "toolbars/positions.h"
#include "toolbars/toolbar.h"
#include "toolbars/toolbarbutton.h"

#include <QAction>
#include <QFont>
#include <QFontMetrics>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>

#include <clocale>

TMainForm::TMainForm(const kv::Paths &paths, kv::Ui &ui, QWidget *parent)
    : QMainWindow(parent), m_paths(paths), m_ui(ui)
{
    kv::AttachUi(this, &ui);
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ApplicationTitle());
    setProperty("kvClassName", QStringLiteral("TMainForm"));

    // Numbers are written and read with '.', whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    kv::StartupStep(QStringLiteral("main:formats"));
    m_busy = false;
    kv::StartupStep(QStringLiteral("main:busy"));
    kv::StartupStep(QStringLiteral("main:folders"));
    m_detalsFolder = m_paths.DetalsFolder();
    m_exportFolder = m_paths.ExportFolder();
    m_groupsFolder = m_paths.GroupsFolder();
    kv::StartupStep(QStringLiteral("main:dialog folders"));
    m_remarks.clear();
    kv::StartupStep(QStringLiteral("main:lists"));

    // The frame: a dock on every edge around the MDI area.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientPanel"));
    auto *grid = new QGridLayout(client);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    const kv::tb::TDockPosition positions[4] = {kv::tb::dpTop, kv::tb::dpBottom, kv::tb::dpLeft, kv::tb::dpRight};
    // Each dock draws a line on its side towards the client area.
    const kv::tb::TDockBoundLines lines[4] = {kv::tb::blBottom, kv::tb::blTop, kv::tb::blRight, kv::tb::blLeft};
    for (int i = 0; i < 4; ++i) {
        m_docks[i] = new TDock(client, positions[i]);
        m_docks[i]->setObjectName(QStringLiteral("Dock%1").arg(i + 1));
        m_docks[i]->SetBoundLines(lines[i]);
    }
    m_mdi = new QMdiArea(client);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    grid->addWidget(m_docks[0], 0, 0, 1, 3);
    grid->addWidget(m_docks[2], 1, 0);
    grid->addWidget(m_mdi, 1, 1);
    grid->addWidget(m_docks[3], 1, 2);
    grid->addWidget(m_docks[1], 2, 0, 1, 3);
    setCentralWidget(client);

    buildMenus();
    buildToolbar();
    // The status line shows how many parts a run still has to lay out.
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    // A damaged settings file is set right before anything reads it, and the
    // user is told which copy is used.
    QString repaired;
    m_ui.guarded([&] {
        repaired = kv::RepairSettingsFile(m_paths.SettingsFile(), m_paths.SettingsBackupFile(),
                                          m_paths.SettingsDamagedFile());
    });
    if (!repaired.isEmpty()) m_ui.error(repaired);
    else refreshSettingsBackup();
    m_settings = std::make_unique<kv::Settings>(m_paths.SettingsFile());
    kv::StartupStep(QStringLiteral("main:settings"));
    m_ui.guarded([this] { kv::UpgradeSettingsFile(m_settings->Ini(), m_paths.SettingsBackupFile()); });
    kv::StartupStep(QStringLiteral("main:migrate"));
    m_settings->LoadProcessValues();
    kv::StartupStep(QStringLiteral("main:margins and digits"));
    m_remarks = m_settings->Ini().ReadSectionValues(QString::fromLatin1(kv::section::Remarks));
    kv::StartupStep(QStringLiteral("main:remarks"));
    m_ui.guarded([this] { kv::tb::LoadToolWindowPositionsFromIni(this, m_settings->FileName(), QString()); });
    kv::StartupStep(QStringLiteral("main:toolbar positions"));
    // Whatever a printer canvas draws before a view sets a font is in the
    // main window's font.
    {
        const QFont f = font();
        TrpCanvasFont &pf = rpPrinter().CanvasFont;
        pf.Name = f.family();
        pf.Size = f.pointSize() > 0 ? f.pointSize() : pf.Size;
        pf.Height = 0;
        pf.Style = (f.bold() ? TrpFont::Bold : 0) | (f.italic() ? TrpFont::Italic : 0) |
                   (f.underline() ? TrpFont::Underline : 0) | (f.strikeOut() ? TrpFont::StrikeOut : 0);
    }
    kv::StartupStep(QStringLiteral("main:printer font"));

    kv::Settings &s = *m_settings;
    const bool check = s.Get(kv::key::CheckStdSheetsQuantity);
    s.Set(kv::key::CheckStdSheetsQuantity, check);
    Action(QStringLiteral("AutoCheckSheetsAction"))->setChecked(check);
    const bool mark = s.Get(kv::key::AutoScrapsMark);
    s.Set(kv::key::AutoScrapsMark, mark);
    Action(QStringLiteral("AutoScrapsMarkAction"))->setChecked(mark);
    kv::StartupStep(QStringLiteral("main:check marks"));

    // A missing models base starts again from the empty one; an existing one
    // is never replaced.
    // The empty base of "Pattern\" is written by our own code when missing; a
    // failure leaves the program without a models base, which reports itself.
    try {
        kv::CopyModelsBaseIfMissing(m_paths);
    } catch (const std::exception &) {
    }
    kv::StartupStep(QStringLiteral("main:models base"));

    m_idle = new QTimer(this);
    m_idle->setInterval(200);
    connect(m_idle, &QTimer::timeout, this, &TMainForm::updateActions);
    m_idle->start();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TMainForm::updateActions);

    // Its normal size when nothing is stored: room for a part base beside
    // the warehouse (it first opens maximised).
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(QSize(1200, 800).boundedTo(screen->availableGeometry().size() * 9 / 10));
    else
        resize(1200, 800);
    kv::SetMainForm(this);
    updateActions();
}

TMainForm::~TMainForm()
{
    m_idle->stop();
    m_ui.guarded([this] { kv::tb::SaveToolWindowPositionsToIni(this, m_settings->FileName(), QString()); });
    kv::StartupStep(QStringLiteral("end:toolbar positions"));
    // Key by key: a remark removed during the run stays in the file.
    m_ui.guarded([this] {
        const QString section = QString::fromLatin1(kv::section::Remarks);
        for (const QString &line : m_remarks) {
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq > 0) m_settings->Ini().WriteString(section, line.left(eq), line.mid(eq + 1));
        }
    });
    kv::StartupStep(QStringLiteral("end:remarks"));
    // The children go before the module and the context they use.
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        if (auto *c = qobject_cast<TMdiChild *>(sub->widget())) {
            c->SetShuttingDown();
            // A part base left open keeps its place for the next run, as at its own close.
            if (c->Kind() == ChildKind::PartBase) c->StoreLayout();
        }
        delete sub;
    }
    m_ui.guarded([this] { m_settings->Flush(); });
    refreshSettingsBackup();
    if (kv::MainForm() == this) kv::SetMainForm(nullptr);
}

void TMainForm::SetStatusText(const QString &text)
{
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text);
    statusBar()->repaint();
}

void TMainForm::refreshSettingsBackup()
{
    // A backup that cannot be written keeps the older good copy: the
    // settings themselves are in place, so the user is not troubled.
    try {
        kv::RefreshSettingsBackup(m_paths.SettingsFile(), m_paths.SettingsBackupFile());
    } catch (const kv::Error &) {
    }
}

void TMainForm::CreateDataModule()
{
    m_module = std::make_unique<TModule>(&m_paths, m_settings.get());
    if (const QStringList made = m_module->EnsureTables(); !made.isEmpty())
        m_ui.error(TModule::MissingTablesText(made));
    kv::WriteMissingReports(m_paths.ReportsFolder());
    // A stock table that cannot be opened is reported (which file, and why)
    // and left as it is: the program goes on with the other one.
    for (const bool scraps : {false, true}) {
        try {
            scraps ? m_module->OpenScrapsCopy() : m_module->OpenSheetsCopy();
        } catch (const kv::Error &e) {
            m_ui.error(e.message());
        }
        if (const QString notice = m_module->TakeNotice(scraps); !notice.isEmpty()) m_ui.error(notice);
    }
    m_materials = std::make_unique<kv::MaterialsService>(m_paths, *m_settings, m_ui, m_module.get());
    m_borders = std::make_unique<kv::BordersService>(m_paths, *m_settings);
    m_stock = std::make_unique<kv::StockService>(*m_module, *m_settings);
    // A switch of the materials base reaches every window that shows materials.
    connect(m_materials.get(), &kv::MaterialsService::MaterialsChanged, this, &TMainForm::RefreshMaterialViews);
    m_ctx = std::make_unique<AppContext>(m_paths, *m_settings, *m_module, m_ui);
    m_ctx->setMaterials(m_materials.get());
    m_ctx->setBorders(m_borders.get());
    m_ctx->setStock(m_stock.get());
    m_ctx->setMainWindow(this);
    if (hooks.createServices) hooks.createServices(*m_ctx);
}

// ---------------------------------------------------------------- menus

QAction *TMainForm::addAction(QMenu *menu, const QString &name, const QString &caption,
                              const QKeySequence &shortcut)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    if (menu) menu->addAction(a);
    connect(a, &QAction::triggered, this, [this, name] { runCommand(name); });
    return a;
}

QAction *TMainForm::Action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

QMenu *TMainForm::Menu(const QString &objectName) const
{
    return findChild<QMenu *>(objectName);
}

static QMenu *subMenu(QMenu *parent, const QString &name, const QString &caption)
{
    QMenu *m = parent->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name + QStringLiteral("Item"));
    return m;
}

void TMainForm::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto topMenu = [&](const QString &name, const QString &caption) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(name);
        return m;
    };

    QMenu *group = topMenu(QStringLiteral("mnuGroup"), QStringLiteral("&База деталей"));
    addAction(group, QStringLiteral("NewAction"), QStringLiteral("Новая"), QKeySequence(Qt::CTRL | Qt::Key_N));
    addAction(group, QStringLiteral("OpenAction"), QStringLiteral("Открыть"), QKeySequence(Qt::CTRL | Qt::Key_O));
    addAction(group, QStringLiteral("MergeAction"), QStringLiteral("Слияние"));
    addAction(group, QStringLiteral("SaveAction"), QStringLiteral("Сохранить"), QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(group, QStringLiteral("SaveAsAction"), QStringLiteral("Сохранить как ..."),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S));
    group->addSeparator();
    addAction(group, QStringLiteral("ReplaceMaterialAction"), QStringLiteral("Заменить материал"));
    group->addSeparator();
    QMenu *imp = subMenu(group, QStringLiteral("mnuImport"), QStringLiteral("Импорт ..."));
    addAction(imp, QStringLiteral("ImportTabAction"), QStringLiteral("... из файла с разделителями табуляциями"));
    imp->addSeparator();
    addAction(imp, QStringLiteral("ImportConstructorAction"), QStringLiteral("... из конструкторского модуля"));
    imp->addSeparator();
    addAction(imp, QStringLiteral("ImportV1Action"), QStringLiteral("... баз деталей версий 1.x"));
    addAction(imp, QStringLiteral("ImportV2Action"), QStringLiteral("... баз деталей версий 2.x"));
    QMenu *exp = subMenu(group, QStringLiteral("mnuExport"), QStringLiteral("Экспорт ..."));
    addAction(exp, QStringLiteral("ExportTabAction"), QStringLiteral("... в файл с разделителями табуляциями"));
    group->addSeparator();
    addAction(group, QStringLiteral("PrintModelsListAction"), QStringLiteral("Печать списка моделей"));
    QMenu *print = subMenu(group, QStringLiteral("mnuPrint"), QStringLiteral("Печать на принтер"));
    addAction(print, QStringLiteral("PrintListAction"), QStringLiteral("список"));
    addAction(print, QStringLiteral("PrintGroupedAction"), QStringLiteral("группировка по материалам"),
              QKeySequence(Qt::CTRL | Qt::Key_P));
    addAction(group, QStringLiteral("PrintExcelAction"), QStringLiteral("Печать в Excel"),
              QKeySequence(Qt::CTRL | Qt::Key_E));
    QAction *first = group->addSeparator();
    first->setObjectName(QStringLiteral("RecentSeparator1"));
    QAction *second = group->addSeparator();
    second->setObjectName(QStringLiteral("RecentSeparator2"));
    addAction(group, QStringLiteral("ExitAction"), QStringLiteral("Выход"))
        ->setToolTip(QStringLiteral("Выход из\r\nприложения"));
    m_recent = std::make_unique<TRecentFiles>(group, first, second);
    m_recent->onClick = [this](const QString &path) { RecentFileClick(path); };

    QMenu *models = topMenu(QStringLiteral("mnuModels"), QStringLiteral("&Модели"));
    addAction(models, QStringLiteral("ModelsBaseAction"), QStringLiteral("База моделей мебели"),
              QKeySequence(Qt::CTRL | Qt::Key_M));
    addAction(models, QStringLiteral("AddModelAction"), QStringLiteral("Добавить модель"));
    models->addSeparator();
    QMenu *mimp = subMenu(models, QStringLiteral("mnuModelsImport"), QStringLiteral("Импорт ..."));
    addAction(mimp, QStringLiteral("ImportModelsAction"), QStringLiteral("Импорт базы моделей"));

    QMenu *wh = topMenu(QStringLiteral("mnuWarehouse"), QStringLiteral("&Склад"));
    addAction(wh, QStringLiteral("SaveWHStateAction"), QStringLiteral("Сохранить состояние склада"));
    addAction(wh, QStringLiteral("WHStatesAction"), QStringLiteral("База сохраненных состояний склада"));
    wh->addSeparator();
    addAction(wh, QStringLiteral("SaveSheetsAction"), QStringLiteral("Сохранить базу стандартных листов"));
    addAction(wh, QStringLiteral("PrintSheetsAction"), QStringLiteral("Печать базы стандартных листов"));
    addAction(wh, QStringLiteral("AddSheetAction"), QStringLiteral("Добавить лист на склад"));
    addAction(wh, QStringLiteral("MinSheetsAction"), QStringLiteral("Минимальное количество листов"));
    addAction(wh, QStringLiteral("CheckSheetsAction"), QStringLiteral("Проверить количество листов"));
    wh->addSeparator();
    addAction(wh, QStringLiteral("SaveScrapsAction"), QStringLiteral("Сохранить базу остатков"));
    addAction(wh, QStringLiteral("PrintScrapsAction"), QStringLiteral("Печать базы остатков"));
    addAction(wh, QStringLiteral("ScrapsParamsAction"), QStringLiteral("Параметры поступления остатков"));
    addAction(wh, QStringLiteral("ClearScrapsAction"), QStringLiteral("Очистить базу остатков"));
    addAction(wh, QStringLiteral("MarkScrapsAction"), QStringLiteral("Маркировать остатки"));
    addAction(wh, QStringLiteral("FilterScrapsAction"), QStringLiteral("Отфильтровать базу остатков"));
    wh->addSeparator();
    addAction(wh, QStringLiteral("WHStatisticsAction"), QStringLiteral("Статистика по складу"));

    QMenu *cut = topMenu(QStringLiteral("mnuRaskroy"), QStringLiteral("&Раскрой"));
    addAction(cut, QStringLiteral("CuttingAction"), QStringLiteral("Разложить детали"), QKeySequence(Qt::CTRL | Qt::Key_R));
    cut->addSeparator();
    addAction(cut, QStringLiteral("OpenMapsAction"), QStringLiteral("Открыть карты раскроя"));
    addAction(cut, QStringLiteral("SaveMapsAction"), QStringLiteral("Сохранить карты раскроя"));
    cut->addSeparator();
    addAction(cut, QStringLiteral("PrintDetalsLabelsAction"), QStringLiteral("Печать ярлычков деталей"));
    addAction(cut, QStringLiteral("PrintScrapsLabelsAction"), QStringLiteral("Печать ярлычков остатков"));
    cut->addSeparator();
    addAction(cut, QStringLiteral("PrintStatisticsAction"), QStringLiteral("Печать статистики по расходу материалов"));
    cut->addSeparator();
    QMenu *mexp = subMenu(cut, QStringLiteral("mnuMapsExport"), QStringLiteral("Экспорт карт раскроя"));
    addAction(mexp, QStringLiteral("ExportMapsIniAction"), QStringLiteral("... в INI - файл"));

    QMenu *opt = topMenu(QStringLiteral("mnuOptions"), QStringLiteral("&Установки"));
    addAction(opt, QStringLiteral("OptionsAction"), QStringLiteral("Параметры по умолчанию"));
    addAction(opt, QStringLiteral("MapsPrintSetupAction"), QStringLiteral("Параметры печати карт раскроя"));
    opt->addSeparator();
    addAction(opt, QStringLiteral("SwitchMaterialsAction"), QStringLiteral("Переключение баз материалов"));
    opt->addSeparator();
    addAction(opt, QStringLiteral("MaterialsAction"), QStringLiteral("Материлы"));
    addAction(opt, QStringLiteral("BordersAction"), QStringLiteral("Кромки"));
    addAction(opt, QStringLiteral("DetalNamesAction"), QStringLiteral("Названия деталей"));
    opt->addSeparator();
    addAction(opt, QStringLiteral("AutoCheckSheetsAction"), QStringLiteral("Автопроверка наличия листов"))->setCheckable(true);
    addAction(opt, QStringLiteral("AutoScrapsMarkAction"), QStringLiteral("Автоматическая маркировка остатков"))
        ->setCheckable(true);
    opt->addSeparator();
    addAction(opt, QStringLiteral("PageSetupAction"), QStringLiteral("Параметры страницы"));
    addAction(opt, QStringLiteral("PrinterSetupAction"), QStringLiteral("Параметры принтера"));
    opt->addSeparator();
    QMenu *bars = subMenu(opt, QStringLiteral("mnuToolbars"), QStringLiteral("Панели инструментов"));
    addAction(bars, QStringLiteral("StandardToolbarAction"), QStringLiteral("Стандартная"))->setCheckable(true);

    m_windowMenu = topMenu(QStringLiteral("mnuWindow"), QStringLiteral("&Окно"));
    addAction(m_windowMenu, QStringLiteral("CascadeAction"), QStringLiteral("&Каскад"));
    addAction(m_windowMenu, QStringLiteral("TileHorAction"), QStringLiteral("Мозайка &горизонтальная"));
    addAction(m_windowMenu, QStringLiteral("TileVerAction"), QStringLiteral("Мозайка &вертикальная"));
    m_windowMenu->addSeparator();
    addAction(m_windowMenu, QStringLiteral("ArrangeAction"), QStringLiteral("&Упорядочить значки"));
    addAction(m_windowMenu, QStringLiteral("MinimizeAllAction"), QStringLiteral("&Минимизировать"));
    m_windowSeparator = m_windowMenu->addSeparator();
    m_windowSeparator->setObjectName(QStringLiteral("WindowListSeparator"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TMainForm::BuildWindowList);

    QMenu *help = topMenu(QStringLiteral("mnuHelp"), QStringLiteral("&Помощь"));
    addAction(help, QStringLiteral("AboutAction"), QStringLiteral("&О программе..."));

    // Not in the menus: the toolbar's warehouse button and "all materials",
    // and the warehouse window's delete buttons.
    addAction(nullptr, QStringLiteral("WarehouseAction"), QStringLiteral("Склад"))
        ->setToolTip(QStringLiteral("Склад остатков и\r\nстандартных листов"));
    addAction(nullptr, QStringLiteral("AllMaterialsAction"), QStringLiteral("Все материалы"));
    addAction(nullptr, QStringLiteral("DeleteSheetAction"), QStringLiteral("Удалить"));
    addAction(nullptr, QStringLiteral("DeleteScrapAction"), QStringLiteral("Удалить"));
    // The desktop's keys of a frame with child windows, in no menu.
    for (QAction *a : {addAction(nullptr, QStringLiteral("CloseChildAction"), QStringLiteral("Закрыть"),
                                 QKeySequence(Qt::CTRL | Qt::Key_F4)),
                       addAction(nullptr, QStringLiteral("NextChildAction"), QStringLiteral("Следующее окно"),
                                 QKeySequence(Qt::CTRL | Qt::Key_Tab)),
                       addAction(nullptr, QStringLiteral("PreviousChildAction"), QStringLiteral("Предыдущее окно"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab))})
        QWidget::addAction(a);

    // Menus are refreshed before they open, as the idle step would do.
    for (QMenu *m : findChildren<QMenu *>()) connect(m, &QMenu::aboutToShow, this, &TMainForm::updateActions);
}

void TMainForm::buildToolbar()
{
    m_toolbar = new TToolbar(m_docks[0]);
    m_toolbar->setObjectName(QStringLiteral("tbarStandart"));
    m_toolbar->SetCaption(QStringLiteral("Стандартная"));
    m_toolbar->SetDockMode(kv::tb::dmCannotFloat);
    m_toolbar->SetFullSize(true);
    m_toolbar->SetCloseButton(false);
    // Captions in the small type the buttons were laid out for.
    QFont small = m_toolbar->font();
    small.setPixelSize(11);
    m_toolbar->setFont(small);
    // The four document commands show their actions' caption, hint and glyph.
    const struct { const char *action; int image; } glyphs[] = {
        {"NewAction", kv::img::NewGroup},
        {"OpenAction", kv::img::OpenGroup},
        {"SaveAction", kv::img::SaveGroup},
        {"AllMaterialsAction", kv::img::AllMaterials},
    };
    for (const auto &g : glyphs) Action(QString::fromLatin1(g.action))->setProperty("ImageIndex", g.image);
    struct Btn { const char *name; const char *action; const char *caption; const char *hint; int image; };
    const Btn buttons[] = {
        {"tbNewGroup", "NewAction", nullptr, nullptr, -1},
        {"tbOpenGroup", "OpenAction", nullptr, nullptr, -1},
        {"tbSaveGroup", "SaveAction", nullptr, nullptr, -1},
        {"ToolbarSep1", nullptr, nullptr, nullptr, -1},
        {"tbAllMaterials", "AllMaterialsAction", nullptr, nullptr, -1},
        {"ToolbarSep5", nullptr, nullptr, nullptr, -1},
        {"tbModels", "ModelsBaseAction", "Модели", nullptr, kv::img::Models},
        {"ToolbarSep4", nullptr, nullptr, nullptr, -1},
        {"tbWareHouse", "WarehouseAction", "Склад", "Склад остатков и\r\nстандартных листов", kv::img::WareHouse},
        {"ToolbarSep2", nullptr, nullptr, nullptr, -1},
        {"tbPageParam", "PageSetupAction", "Страница", "Параметры страницы", kv::img::PageParam},
        {"tbPrinterSetup", "PrinterSetupAction", "Принтер", "Параметры принтера", kv::img::PrinterSetup},
        {"ToolbarSep3", nullptr, nullptr, nullptr, -1},
        {"tbExit", "ExitAction", "Выход", "Выход из\r\nприложения", kv::img::Exit},
    };
    for (const Btn &b : buttons) {
        if (!b.action) {
            (new TToolbarSep(m_toolbar))->setObjectName(QString::fromLatin1(b.name));
            continue;
        }
        QAction *a = Action(QString::fromLatin1(b.action));
        auto *button = new TToolbarButton(m_toolbar);
        button->setObjectName(QString::fromLatin1(b.name));
        button->SetImages(&kv::ProgramImages());
        button->SetLayout(kv::tb::blGlyphTop);
        button->SetSpacing(0);
        if (!b.caption) {
            button->SetAction(a);
        } else {
            button->SetCaption(QString::fromUtf8(b.caption));
            button->SetHint(QString::fromUtf8(b.hint ? b.hint : b.caption));
            button->SetImageIndex(b.image);
            // The button follows its command's enabled state, and runs it.
            button->setEnabled(a->isEnabled());
            connect(a, &QAction::changed, button, [button, a] { button->setEnabled(a->isEnabled()); });
            connect(button, &TToolbarButton::clicked, a, &QAction::trigger);
        }
        // 60 x 35 (the materials button 85), wider only where a font of this
        // desktop would cut the caption.
        const int width = qstrcmp(b.name, "tbAllMaterials") == 0 ? 85 : 60;
        button->resize(std::max(width, button->fontMetrics().horizontalAdvance(button->Caption()) + 8), 35);
    }
}

// ---------------------------------------------------------------- enabling

void TMainForm::updateActions()
{
    TMdiChild *c = ActiveChild();
    auto can = [c](MainCommand m) { return c && c->CommandEnabled(m); };
    auto set = [this](const char *name, bool enabled) {
        if (QAction *a = Action(QString::fromLatin1(name))) a->setEnabled(enabled);
    };
    set("SaveAction", can(MainCommand::Save));
    set("SaveAsAction", can(MainCommand::SaveAs));
    set("MergeAction", can(MainCommand::Merge));
    const bool printList = can(MainCommand::PrintList), printGrouped = can(MainCommand::PrintGrouped);
    set("mnuPrintItem", printList || printGrouped);
    set("PrintListAction", printList);
    set("PrintGroupedAction", printGrouped);
    set("PrintExcelAction", can(MainCommand::PrintExcel));
    set("mnuExportItem", can(MainCommand::ExportText));
    set("ExportTabAction", can(MainCommand::ExportText));
    set("CuttingAction", can(MainCommand::Cutting));
    set("PrintDetalsLabelsAction", can(MainCommand::PrintDetalsLabels));
    set("PrintScrapsLabelsAction", can(MainCommand::PrintScrapsLabels));
    set("AddModelAction", can(MainCommand::AddModel));
    set("AllMaterialsAction", can(MainCommand::AllMaterials));
    set("ReplaceMaterialAction", can(MainCommand::ReplaceMaterial));
    set("PrintModelsListAction", can(MainCommand::PrintModelsList));
    set("SaveMapsAction", can(MainCommand::SaveMaps));
    set("ExportMapsIniAction", can(MainCommand::ExportMapsIni));
    set("PrintStatisticsAction", can(MainCommand::PrintStatistics));
    set("WHStatisticsAction", c && c->Kind() == ChildKind::Warehouse);
    Action(QStringLiteral("StandardToolbarAction"))->setChecked(!m_toolbar->isHidden());

    auto hasRecords = [](kv::DataSet *t) { return t && t->Active() && !t->IsEmpty(); };
    set("DeleteSheetAction", m_module && hasRecords(m_module->tblSheets));
    set("DeleteScrapAction", m_module && hasRecords(m_module->tblScraps));
}

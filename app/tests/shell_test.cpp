#include "app/common/mdichild.h"
#include "app/partbase/raskroygroup.h"
#include "app/results/formsheets.h"
#include "app/shell/mainform.h"
#include "app/shell/menulists.h"
#include "app/shell/startup.h"
#include "app/shell/startupstages.h"
#include "app/shell/wiring.h"
#include "app/stock/warehouse.h"
#include "controls/instance.h"
#include "data/datamodule.h"
#include "data/materials/materials.h"
#include "platform/db/query.h"
#include "platform/error.h"
#include "platform/savefile.h"
#include "platform/ui.h"
#include "report/output/printer.h"
#include "toolbars/dock.h"
#include "toolbars/toolbar.h"
#include "toolbars/toolbarbutton.h"
#include "widgets/imagelist.h"
#include "widgets/outlooklist.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"
#include "platform/testsupport/scopedmount.h"
#include "app/tests/scopedprinter.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

namespace {

class TfrmShellProbe : public TMdiChild
{
public:
    TfrmShellProbe(AppContext &ctx, const QString &title, ChildKind kind = ChildKind::Other)
        : TMdiChild(ctx, QStringLiteral("TfrmShellProbe")), m_kind(kind)
    {
        setWindowTitle(title);
        resize(200, 150);
    }
    ChildKind Kind() const override { return m_kind; }
    QString DocumentFileName() const override { return file; }
    bool CommandEnabled(MainCommand c) const override { return enabled.contains(int(c)); }
    void ExecuteCommand(MainCommand c) override { executed.append(int(c)); }
    bool CloseQuery() override
    {
        ++asked;
        return allowClose;
    }
    void FormClose() override
    {
        if (!file.isEmpty() && Context().mainWindow()) Context().mainWindow()->AddRecentFile(file);
    }
    void RefreshGroup() override { ++groupRefreshes; }
    void RefreshMaterials() override { ++materialRefreshes; }

    ChildKind m_kind;
    QString file;
    QList<int> enabled;
    QList<int> executed;
    bool allowClose = true;
    int asked = 0;
    int groupRefreshes = 0;
    int materialRefreshes = 0;
};

// A program folder and a main window with its data module.
struct ShellFixture
{
    QTemporaryDir tmp;
    kv::test::FakeUi ui;
    std::unique_ptr<TMainForm> form;
    explicit ShellFixture(bool make = true)
    {
        kv::PrepareProgramFolder(tmp.path());
        if (make) create();
    }
    void create()
    {
        form = std::make_unique<TMainForm>(kv::Paths(tmp.path()), ui);
        form->CreateDataModule();
    }
    QString root() const { return tmp.path() + "/"; }
    kv::TIniFile ini() const { return kv::TIniFile(tmp.path() + "/Korvalt.ini"); }
    TfrmShellProbe *child(const QString &title, ChildKind kind = ChildKind::Other)
    {
        auto *c = new TfrmShellProbe(form->Context(), title, kind);
        c->ShowChild();
        return c;
    }
};

// The visible items of a menu: captions, "-" for a separator, "> " before a sub-menu.
QStringList items(const QMenu *m)
{
    QStringList out;
    for (QAction *a : m->actions()) {
        if (a->isSeparator()) out << "-";
        else if (a->menu()) out << "> " + a->text();
        else out << a->text();
    }
    return out;
}

TEST(MainForm, SevenMenusWithEveryItemInOrder)
{
    ShellFixture f;
    QStringList titles;
    for (QAction *a : f.form->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, QStringList({"&База деталей", "&Модели", "&Склад", "&Раскрой", "&Установки", "&Окно", "&Помощь"}));

    struct Case { const char *menu; QStringList items; };
    const Case cases[] = {
        {"mnuGroup", {"Новая", "Открыть", "Слияние", "Сохранить", "Сохранить как ...", "-", "Заменить материал", "-",
                      "> Импорт ...", "> Экспорт ...", "-", "Печать списка моделей", "> Печать на принтер",
                      "Печать в Excel", "-", "-", "Выход"}},
        {"mnuImport", {"... из файла с разделителями табуляциями", "-", "... из конструкторского модуля", "-",
                       "... баз деталей версий 1.x", "... баз деталей версий 2.x"}},
        {"mnuExport", {"... в файл с разделителями табуляциями"}},
        {"mnuPrint", {"список", "группировка по материалам"}},
        {"mnuModels", {"База моделей мебели", "Добавить модель", "-", "> Импорт ..."}},
        {"mnuModelsImport", {"Импорт базы моделей"}},
        {"mnuWarehouse", {"Сохранить состояние склада", "База сохраненных состояний склада", "-",
                          "Сохранить базу стандартных листов", "Печать базы стандартных листов",
                          "Добавить лист на склад", "Минимальное количество листов", "Проверить количество листов",
                          "-", "Сохранить базу остатков", "Печать базы остатков", "Параметры поступления остатков",
                          "Очистить базу остатков", "Маркировать остатки", "Отфильтровать базу остатков", "-",
                          "Статистика по складу"}},
        {"mnuRaskroy", {"Разложить детали", "-", "Открыть карты раскроя", "Сохранить карты раскроя", "-",
                        "Печать ярлычков деталей", "Печать ярлычков остатков", "-",
                        "Печать статистики по расходу материалов", "-", "> Экспорт карт раскроя"}},
        {"mnuMapsExport", {"... в INI - файл"}},
        {"mnuOptions", {"Параметры по умолчанию", "Параметры печати карт раскроя", "-", "Переключение баз материалов",
                        "-", "Материлы", "Кромки", "Названия деталей", "-", "Автопроверка наличия листов",
                        "Автоматическая маркировка остатков", "-", "Параметры страницы", "Параметры принтера", "-",
                        "> Панели инструментов"}},
        {"mnuToolbars", {"Стандартная"}},
        {"mnuWindow", {"&Каскад", "Мозайка &горизонтальная", "Мозайка &вертикальная", "-", "&Упорядочить значки",
                       "&Минимизировать", "-"}},
        {"mnuHelp", {"&О программе..."}},
    };
    for (const Case &c : cases) {
        QMenu *m = f.form->Menu(c.menu);
        ASSERT_NE(m, nullptr) << c.menu;
        EXPECT_EQ(items(m), c.items) << c.menu;
    }

    struct Key { const char *action; QKeySequence key; };
    const Key keys[] = {
        {"NewAction", QKeySequence("Ctrl+N")},       {"OpenAction", QKeySequence("Ctrl+O")},
        {"SaveAction", QKeySequence("Ctrl+S")},      {"SaveAsAction", QKeySequence("Shift+Ctrl+S")},
        {"PrintGroupedAction", QKeySequence("Ctrl+P")}, {"PrintExcelAction", QKeySequence("Ctrl+E")},
        {"ModelsBaseAction", QKeySequence("Ctrl+M")}, {"CuttingAction", QKeySequence("Ctrl+R")},
        {"ExitAction", QKeySequence()},
    };
    for (const Key &k : keys) EXPECT_EQ(f.form->Action(k.action)->shortcut(), k.key) << k.action;
}

TEST(MainForm, StandardToolbarInTheTopDockThatCannotFloat)
{
    ShellFixture f;
    TToolbar *bar = f.form->StandardToolbar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->objectName(), "tbarStandart");
    EXPECT_EQ(bar->DockMode(), kv::tb::dmCannotFloat);
    EXPECT_EQ(bar->parentWidget()->objectName(), "Dock1");
    // The document commands, then one group each for materials, models and
    // stock, the page and printer set-up, and the exit.
    QStringList shown;
    for (QWidget *w : bar->Items()) {
        if (auto *b = qobject_cast<TToolbarButton *>(w)) shown << b->objectName() + "=" + b->Caption();
        else if (qobject_cast<TToolbarSep *>(w)) shown << w->objectName();
        else shown << "?";
    }
    EXPECT_EQ(shown, QStringList({"tbNewGroup=Новая", "tbOpenGroup=Открыть", "tbSaveGroup=Сохранить", "ToolbarSep1",
                                  "tbAllMaterials=Все материалы", "ToolbarSep5", "tbModels=Модели", "ToolbarSep4",
                                  "tbWareHouse=Склад", "ToolbarSep2", "tbPageParam=Страница",
                                  "tbPrinterSetup=Принтер", "ToolbarSep3", "tbExit=Выход"}));
    const struct {
        const char *name;
        int width;
        const char *hint;
    } buttons[] = {
        {"tbNewGroup", 60, "Новая"},
        {"tbOpenGroup", 60, "Открыть"},
        {"tbSaveGroup", 60, "Сохранить"},
        {"tbAllMaterials", 85, "Все материалы"},
        {"tbModels", 60, "Модели"},
        {"tbWareHouse", 60, "Склад остатков и\r\nстандартных листов"},
        {"tbPageParam", 60, "Параметры страницы"},
        {"tbPrinterSetup", 60, "Параметры принтера"},
        {"tbExit", 60, "Выход из\r\nприложения"},
    };
    QList<QImage> glyphs;
    for (const auto &c : buttons) {
        auto *b = f.form->findChild<TToolbarButton *>(c.name);
        ASSERT_NE(b, nullptr) << c.name;
        // Its own size, wider only for a caption this font would cut.
        EXPECT_EQ(b->height(), 35) << c.name;
        EXPECT_GE(b->width(), c.width) << c.name;
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->Caption()) + 4) << c.name;
        EXPECT_EQ(b->Layout(), kv::tb::blGlyphTop) << c.name;
        EXPECT_EQ(b->Spacing(), 0) << c.name;
        EXPECT_EQ(b->Hint(), QString::fromUtf8(c.hint)) << c.name;
        // A picture of its own, not an empty cell of the list.
        ASSERT_NE(b->Images(), nullptr) << c.name;
        const QImage glyph = b->Images()->image(b->ImageIndex());
        ASSERT_FALSE(glyph.isNull()) << c.name;
        bool drawn = false;
        for (int y = 0; y < glyph.height() && !drawn; ++y)
            for (int x = 0; x < glyph.width() && !drawn; ++x) drawn = qAlpha(glyph.pixel(x, y)) > 128;
        EXPECT_TRUE(drawn) << c.name;
        EXPECT_FALSE(glyphs.contains(glyph)) << c.name;
        glyphs << glyph;
    }
    // Every dock draws its line towards the client area.
    const struct { const char *name; kv::tb::TDockPosition position; kv::tb::TDockBoundLines lines; } docks[] = {
        {"Dock1", kv::tb::dpTop, kv::tb::blBottom},
        {"Dock2", kv::tb::dpBottom, kv::tb::blTop},
        {"Dock3", kv::tb::dpLeft, kv::tb::blRight},
        {"Dock4", kv::tb::dpRight, kv::tb::blLeft},
    };
    for (const auto &d : docks) {
        auto *dock = f.form->findChild<TDock *>(d.name);
        ASSERT_NE(dock, nullptr) << d.name;
        EXPECT_EQ(dock->Position(), d.position) << d.name;
        EXPECT_EQ(dock->BoundLines(), d.lines) << d.name;
    }

    // "Стандартная" hides and shows it, with its check mark.
    f.form->updateActions();
    QAction *toggle = f.form->Action("StandardToolbarAction");
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(bar->isHidden());
}

TEST(MainForm, ActionsFollowTheActiveChild)
{
    // Every command that acts on a child window, with the real windows of the
    // program active: none, a new part base (untitled, so still to be saved),
    // one with parts made of a model, the same saved and unchanged, the
    // warehouse, a results window.
    enum { None, NewBase, FilledBase, SavedBase, Warehouse, Results, Kinds };
    struct Row { const char *action; bool on[Kinds]; };
    const Row rows[] = {
        {"SaveAction", {0, 1, 1, 0, 0, 0}},
        {"SaveAsAction", {0, 1, 1, 1, 0, 0}},
        {"MergeAction", {0, 1, 1, 1, 0, 0}},
        {"mnuPrintItem", {0, 0, 1, 1, 0, 0}},
        {"PrintListAction", {0, 0, 1, 1, 0, 0}},
        {"PrintGroupedAction", {0, 0, 1, 1, 0, 0}},
        {"PrintExcelAction", {0, 1, 1, 1, 0, 0}},
        {"mnuExportItem", {0, 1, 1, 1, 0, 0}},
        {"ExportTabAction", {0, 1, 1, 1, 0, 0}},
        {"CuttingAction", {0, 0, 1, 1, 0, 0}},
        {"PrintDetalsLabelsAction", {0, 1, 1, 1, 0, 1}},
        {"PrintScrapsLabelsAction", {0, 0, 0, 0, 1, 1}},
        {"AddModelAction", {0, 1, 1, 1, 0, 0}},
        {"AllMaterialsAction", {0, 1, 1, 1, 1, 1}},
        {"ReplaceMaterialAction", {0, 0, 1, 1, 0, 0}},
        {"PrintModelsListAction", {0, 0, 1, 1, 0, 0}},
        {"SaveMapsAction", {0, 0, 0, 0, 0, 1}},
        {"ExportMapsIniAction", {0, 0, 0, 0, 0, 1}},
        {"PrintStatisticsAction", {0, 0, 0, 0, 0, 1}},
        {"WHStatisticsAction", {0, 0, 0, 0, 1, 0}},
    };
    const char *const names[Kinds] = {"none", "new part base", "part base with parts", "saved part base", "warehouse",
                                      "results"};
    for (int kind = None; kind < Kinds; ++kind) {
        ShellFixture f;
        kv::WireShell(*f.form);
        f.form->show();
        TMdiChild *w = nullptr;
        switch (kind) {
        case NewBase: w = f.form->NewGroupWindow(); break;
        case FilledBase:
        case SavedBase: {
            auto *g = qobject_cast<TfrmRaskroyGroup *>(f.form->NewGroupWindow());
            ASSERT_TRUE(g);
            g->Document().table().AppendRecord({"Бок", 700, 500, 2, 0, 0, 0, 0, 0, 1});
            g->Document().Models.append(kv::ModelEntry{"Шкаф", "1"});
            if (kind == SavedBase) g->Document().SaveToFile(f.root() + "Groups/Кухня.kdx");
            w = g;
            break;
        }
        case Warehouse: w = f.form->ShowWarehouseWindow(); break;
        case Results: w = f.form->CreateResultsWindow(false); break;
        default: break;
        }
        ASSERT_EQ(w != nullptr, kind != None) << names[kind];
        ASSERT_EQ(f.form->ActiveChild(), w) << names[kind];
        f.form->updateActions();
        for (const Row &r : rows)
            EXPECT_EQ(f.form->Action(r.action)->isEnabled(), r.on[kind]) << r.action << " with " << names[kind];
        // The toolbar's buttons follow their actions.
        EXPECT_EQ(f.form->findChild<TToolbarButton *>("tbSaveGroup")->isEnabled(), rows[0].on[kind]) << names[kind];
        EXPECT_EQ(f.form->findChild<TToolbarButton *>("tbAllMaterials")->isEnabled(), kind != None) << names[kind];
        // Commands of no window stay on.
        for (const char *always : {"ModelsBaseAction", "OpenMapsAction", "NewAction", "OpenAction"})
            EXPECT_TRUE(f.form->Action(always)->isEnabled()) << always << " with " << names[kind];
    }
}

TEST(MainForm, NavigatorsShareTheMaterialsMenuAndGoBackToAllMaterials)
{
    ShellFixture f;
    kv::WireShell(*f.form);
    const QString types = kv::Query::QuotePath(f.form->Context().paths().OwnMaterialsTable());
    kv::Query::Exec("Insert into " + types + " Values(?, ?)", {"ЛДСП Бук", 1});
    kv::Query::Exec("Insert into " + types + " Values(?, ?)", {"МДФ белый", 2});
    f.form->show();
    auto *group = qobject_cast<TfrmRaskroyGroup *>(f.form->NewGroupWindow());
    auto *stock = qobject_cast<TfrmWareHouse *>(f.form->ShowWarehouseWindow());
    auto *maps = qobject_cast<TFormSheets *>(f.form->CreateResultsWindow(false));
    ASSERT_TRUE(group && stock && maps);
    maps->SetJobMaterials({1, 2});
    struct Case { TMdiChild *window; const char *navigator; std::function<int()> shown; };
    const Case cases[] = {
        {group, "OutlookList", [group] { return group->FilterCode(); }},
        {stock, "olMaterials", [stock] { return stock->CurrentMaterial(); }},
        {maps, "OutlookList", [maps] { return maps->Document().CurrentMaterial; }},
    };
    for (const Case &c : cases) {
        auto *list = c.window->findChild<TgwCustomOutlookList *>(c.navigator);
        ASSERT_TRUE(list) << c.navigator;
        ASSERT_TRUE(list->PopupMenu);
        EXPECT_EQ(list->PopupMenu->objectName(), "pmMaterials");
        emit list->PopupMenu->aboutToShow();
        QStringList texts;
        for (QAction *a : list->PopupMenu->actions()) texts << a->text();
        EXPECT_EQ(texts, (QStringList{"<все материалы>", "ЛДСП Бук", "МДФ белый"})) << c.navigator;
        // Choosing an item clicks it in the navigator: the window shows that material.
        list->PopupMenu->actions()[2]->trigger();
        EXPECT_EQ(c.shown(), 2) << c.window->windowTitle().toStdString();
        EXPECT_TRUE(list->Items()->Item(2)->GetSelected());
        emit list->PopupMenu->aboutToShow();
        EXPECT_TRUE(list->PopupMenu->actions()[2]->isChecked());
        // "Все материалы" of the frame, with this window active.
        f.form->findChild<QMdiArea *>("MDIClient")->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(c.window->parentWidget()));
        ASSERT_EQ(f.form->ActiveChild(), c.window);
        f.form->updateActions();
        ASSERT_TRUE(f.form->Action("AllMaterialsAction")->isEnabled()) << c.window->windowTitle().toStdString();
        f.form->Action("AllMaterialsAction")->trigger();
        EXPECT_EQ(c.shown(), 999) << c.window->windowTitle().toStdString();
        EXPECT_TRUE(list->Items()->Item(0)->GetSelected());
    }
}

TEST(MainForm, CommandsGoToTheActiveChildOnlyWhenItTakesThem)
{
    // Which window is active, what it takes, whether "Сохранить" is on.
    struct Case { bool child; bool takesSave; bool enabled; };
    const Case cases[] = {{false, false, false}, {true, false, false}, {true, true, true}};
    for (const Case &c : cases) {
        ShellFixture f;
        f.form->show();
        TfrmShellProbe *w = nullptr;
        if (c.child) {
            w = f.child("База", ChildKind::PartBase);
            if (c.takesSave) w->enabled << int(MainCommand::Save);
        }
        f.form->updateActions();
        EXPECT_EQ(f.form->Action("SaveAction")->isEnabled(), c.enabled) << c.child << c.takesSave;
        EXPECT_EQ(f.form->findChild<TToolbarButton *>("tbSaveGroup")->isEnabled(), c.enabled);
        EXPECT_FALSE(f.form->Action("SaveAsAction")->isEnabled());
        f.form->Action("SaveAction")->trigger();
        if (w) {
            EXPECT_EQ(w->executed, c.enabled ? QList<int>{int(MainCommand::Save)} : QList<int>{});
        }
        // Always-on commands stay on.
        EXPECT_TRUE(f.form->Action("ModelsBaseAction")->isEnabled());
        EXPECT_TRUE(f.form->Action("OpenMapsAction")->isEnabled());
    }
}

TEST(RecentFiles, KeepsFiveOnceEachWithThePathAsData)
{
    QMenu menu;
    QAction *first = menu.addSeparator();
    QAction *second = menu.addSeparator();
    menu.addAction("Выход");
    TRecentFiles recent(&menu, first, second);
    EXPECT_FALSE(second->isVisible());

    struct Case { QStringList added; QStringList kept; };
    const Case cases[] = {
        {{"/a/1.kdx", "/a/2.kdx", "/a/3.kdx", "/a/4.kdx", "/a/5.kdx", "/a/6.kdx"},
         {"/a/2.kdx", "/a/3.kdx", "/a/4.kdx", "/a/5.kdx", "/a/6.kdx"}},
        {{"/a/1.kdx", "/a/1.kdx"}, {"/a/1.kdx"}},
        {{"/a/Кухня.kdx", "/A/Кухня.KDX"}, {"/a/Кухня.kdx"}},       // Latin letters only fold
        {{"/a/Кухня.kdx", "/a/КУХНЯ.kdx"}, {"/a/Кухня.kdx", "/a/КУХНЯ.kdx"}},
        {{"/a/R&D.kdx"}, {"/a/R&D.kdx"}},
    };
    for (const Case &c : cases) {
        kv::TIniFile none(QString{});
        recent.Load(none);
        for (const QString &p : c.added) recent.Add(p);
        EXPECT_EQ(recent.Paths(), c.kept) << c.added.join(",").toStdString();
        EXPECT_TRUE(second->isVisible());
    }
    // The item shows "&" as itself and gives back the very path.
    QString clicked;
    recent.onClick = [&](const QString &p) { clicked = p; };
    ASSERT_EQ(recent.Items().size(), 1);
    EXPECT_EQ(recent.Items()[0]->text(), "/a/R&&D.kdx");
    recent.Items()[0]->trigger();
    EXPECT_EQ(clicked, "/a/R&D.kdx");
}

// The list is saved in one write of the settings file: with the n-th write
// failing as a kill at that step would leave it, the file holds the old list
// or the new one, whole, for every n.
TEST(RecentFiles, AKillDuringTheSaveLeavesTheOldOrTheNewListWhole)
{
    QTemporaryDir tmp;
    const QString file = tmp.filePath("Korvalt.ini");
    QMenu menu;
    QAction *first = menu.addSeparator();
    QAction *second = menu.addSeparator();
    TRecentFiles recent(&menu, first, second);
    for (const char *p : {"/new/1.kdx", "/new/2.kdx", "/new/3.kdx"}) recent.Add(QString::fromUtf8(p));
    const QStringList old{"1=/old/a.kdx", "2=/old/b.kdx", "3=/old/c.kdx", "4=/old/d.kdx"};
    const QStringList now{"1=/new/1.kdx", "2=/new/2.kdx", "3=/new/3.kdx"};
    auto onDisk = [&] {
        kv::TIniFile::ClearCache();
        return kv::TIniFile(file).ReadSectionValues("Files");
    };
    for (int failAt = 1;; ++failAt) {
        {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write("[Default]\r\nMill=4\r\n[Files]\r\n1=/old/a.kdx\r\n2=/old/b.kdx\r\n3=/old/c.kdx\r\n"
                      "4=/old/d.kdx\r\n");
        }
        kv::TIniFile::ClearCache();
        kv::TIniFile ini(file);
        int writes = 0;
        bool failed = false;
        {
            const auto hook = kv::test::ScopedHook(&kv::SetWriteErrorHook, [&](const QString &path) {
                if (QFileInfo(path).fileName() != "Korvalt.ini") return 0;
                QFile in(file);
                const QByteArray disk = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
                EXPECT_TRUE(disk.contains("4=/old/d.kdx") || !disk.contains("/old/")) << disk.toStdString();
                if (++writes != failAt) return 0;
                failed = true;
                return EIO;
            });
            try {
                recent.Save(ini);
            } catch (const kv::Error &) {
            }
        }
        EXPECT_EQ(onDisk(), failed ? old : now) << "write " << failAt;
        if (!failed) break;
        ASSERT_LT(failAt, 20);
    }
}

TEST(RecentFiles, WrittenAtCloseReadAtShowAndADeletedOneGoesWhenClicked)
{
    ShellFixture f;
    QFile::remove(f.root() + "Korvalt.ini");
    const QString kept = f.root() + "Groups/Кухня.kdx";
    const QString gone = f.root() + "Groups/Прихожая.kdx";
    QFile k(kept);
    ASSERT_TRUE(k.open(QIODevice::WriteOnly));
    k.close();
    {
        auto ini = f.ini();
        ini.WriteString("Files", "1", gone);
        ini.WriteString("Files", "2", kept);
    }
    f.create();
    f.form->show();
    EXPECT_EQ(f.form->RecentFiles().Paths(), QStringList({gone, kept}));

    kv::test::ScopedAnswers answers(f.ui);
    f.form->RecentFiles().Items()[0]->trigger();
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].text, "База деталей не найдена.");
    EXPECT_EQ(f.form->RecentFiles().Paths(), QStringList({kept}));
    EXPECT_TRUE(f.form->findChild<QAction *>("RecentSeparator2")->isVisible());
    QFile::remove(kept);
    f.form->RecentFiles().Items()[0]->trigger();
    EXPECT_TRUE(f.form->RecentFiles().Paths().isEmpty());
    EXPECT_FALSE(f.form->findChild<QAction *>("RecentSeparator2")->isVisible());

    // A part base closed during the run is added; one still open at the end is not.
    TfrmShellProbe *closed = f.child("Закрытая", ChildKind::PartBase);
    closed->file = f.root() + "Groups/Спальня.kdx";
    TfrmShellProbe *open = f.child("Открытая", ChildKind::PartBase);
    open->file = f.root() + "Groups/Детская.kdx";
    closed->parentWidget()->close();
    f.form->close();
    f.form.reset();
    EXPECT_EQ(f.ini().ReadSectionValues("Files"), QStringList({"1=" + f.root() + "Groups/Спальня.kdx"}));
}

TEST(WindowList, NumberedFromTheLastChildWithTheActiveChecked)
{
    ShellFixture f;
    f.form->show();
    f.child("Первое");
    TfrmShellProbe *second = f.child("Второе");
    f.child("Третье");
    f.form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(second->parentWidget()));
    f.form->BuildWindowList();
    const QList<QAction *> all = f.form->Menu("mnuWindow")->actions();
    QStringList captions;
    QList<bool> checked;
    for (QAction *a : all)
        if (a->objectName() == "WindowItem") {
            captions << a->text();
            checked << a->isChecked();
        }
    EXPECT_EQ(captions, QStringList({"&1. Третье", "&2. Второе", "&3. Первое"}));
    EXPECT_EQ(checked, QList<bool>({false, true, false}));
    EXPECT_TRUE(f.form->findChild<QAction *>("WindowListSeparator")->isEnabled());

    // Ten and more lose the accelerator; a "&" of a caption stays visible.
    QStringList many;
    for (int i = 0; i < 11; ++i) many << QString("Окно %1").arg(i);
    many[10] = "R&D";
    const QList<WindowListItem> list = BuildWindowListItems(many, -1);
    EXPECT_EQ(list.front().caption, "&1. R&&D");
    EXPECT_EQ(list[8].caption, "&9. Окно 2");
    EXPECT_EQ(list[9].caption, "10. Окно 1");
    EXPECT_EQ(list[10].childIndex, 0);
}

// A new child keeps the size it was made with, inside the frame, however
// little room the windows before it left; one larger than the frame fills it;
// one made smaller opens at 640 x 400 with its frame, room to work in.
TEST(WindowList, ANewChildKeepsItsSizeInsideTheFrame)
{
    ShellFixture f;
    f.form->resize(1024, 768);
    f.form->show();
    QApplication::processEvents();
    struct Case
    {
        QSize made, expected;
    };
    const Case cases[] = {{{400, 300}, {-640, -400}},   // negative: the size with the frame
                          {{640, 480}, {640, 480}},
                          {{760, 520}, {760, 520}},
                          {{3000, 2000}, {0, 0}}};   // 0: as large as the frame allows
    for (const Case &c : cases) {
        auto *w = new TfrmShellProbe(f.form->Context(), "Окно");
        w->resize(c.made);
        w->ShowChild();
        QApplication::processEvents();
        auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
        ASSERT_NE(sub, nullptr);
        const QRect area = f.form->MdiArea()->viewport()->rect();
        ASSERT_GT(area.height(), 600);
        EXPECT_TRUE(area.contains(sub->geometry())) << c.made.width();
        if (c.expected.width() < 0) {
            EXPECT_EQ(sub->size(), c.expected * -1);
        } else if (!c.expected.isEmpty()) {
            EXPECT_EQ(w->size(), c.expected);
        } else {
            EXPECT_EQ(sub->size(), area.size());
        }
    }
}

// Over a maximised child a new one opens maximised too (the maximised one is
// not restored to a small window), and itself restores to a usable size; a
// strip stored for its class is not taken.
TEST(WindowList, ANewChildOverAMaximisedOneStaysMaximisedAndRestoresUsable)
{
    ShellFixture f;
    {
        kv::TIniFile ini = f.ini();
        ini.WriteString("TfrmShellProbe", "NormPos", "0,336,873,414");
        ini.WriteString("TfrmShellProbe", "ShowCmd", "1");
    }
    f.form->resize(1024, 768);
    f.form->show();
    QApplication::processEvents();
    TfrmShellProbe *a = f.child("А");
    auto *subA = qobject_cast<QMdiSubWindow *>(a->parentWidget());
    const QRect area = f.form->MdiArea()->viewport()->rect();
    EXPECT_GE(subA->height(), 400);   // not the stored strip
    subA->showMaximized();
    TfrmShellProbe *b = f.child("Б");
    QApplication::processEvents();
    auto *subB = qobject_cast<QMdiSubWindow *>(b->parentWidget());
    EXPECT_EQ(f.form->ActiveChild(), b);
    EXPECT_TRUE(subB->isMaximized());
    EXPECT_EQ(subB->geometry(), area);
    subB->showNormal();
    QApplication::processEvents();
    EXPECT_GE(subB->width(), 640);
    EXPECT_GE(subB->height(), 400);
    EXPECT_TRUE(area.contains(subB->geometry()));
}

// The desktop's keys of an MDI frame: Ctrl+Tab and Ctrl+Shift+Tab go round
// the children, Ctrl+F4 closes the active one (after its close question).
TEST(WindowList, CtrlTabGoesRoundAndCtrlF4Closes)
{
    ShellFixture f;
    f.form->show();
    QApplication::setActiveWindow(f.form.get());
    TfrmShellProbe *a = f.child("А");
    TfrmShellProbe *b = f.child("Б");
    TfrmShellProbe *c = f.child("В");
    QApplication::processEvents();
    ASSERT_EQ(f.form->ActiveChild(), c);
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m) {
        QWidget *to = QApplication::focusWidget() ? QApplication::focusWidget() : f.form.get();
        QTest::keyClick(to, k, m);
        QApplication::processEvents();
    };
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_NE(f.form->ActiveChild(), c);
    const TMdiChild *next = f.form->ActiveChild();
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.form->ActiveChild(), c);
    EXPECT_NE(next, nullptr);
    c->allowClose = false;
    key(Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(c->asked, 1);
    EXPECT_EQ(f.form->Children().size(), 3);
    c->allowClose = true;
    key(Qt::Key_F4, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(f.form->Children(), (QList<TMdiChild *>{a, b}));
}

TEST(WindowList, TilesOneWayAndTheOther)
{
    ShellFixture f;
    f.form->show();
    TfrmShellProbe *a = f.child("А");
    TfrmShellProbe *b = f.child("Б");
    const QRect area = f.form->MdiArea()->viewport()->rect();
    f.form->Action("TileHorAction")->trigger();
    QRect ra = a->parentWidget()->geometry(), rb = b->parentWidget()->geometry();
    EXPECT_EQ(ra.width(), area.width());
    EXPECT_EQ(rb.width(), area.width());
    EXPECT_EQ(ra.top(), area.top());
    EXPECT_EQ(rb.top(), ra.bottom() + 1);
    f.form->Action("TileVerAction")->trigger();
    ra = a->parentWidget()->geometry();
    rb = b->parentWidget()->geometry();
    EXPECT_EQ(ra.height(), area.height());
    EXPECT_EQ(rb.left(), ra.right() + 1);
    f.form->Action("MinimizeAllAction")->trigger();
    EXPECT_TRUE(a->parentWidget()->isMinimized());
    EXPECT_TRUE(b->parentWidget()->isMinimized());
}

// "Каскад": every window a size one can work in, one title bar below and
// right of the one under it, the stack inside the frame; a maximised one
// comes back to normal, a minimised one stays an icon, the active one on top.
TEST(WindowList, CascadeKeepsEveryWindowUsableInsideTheFrame)
{
    struct Case { QSize frame; int windows; bool maximised; };
    for (const Case &c : {Case{{1400, 1000}, 3, false}, Case{{1400, 1000}, 3, true}, Case{{1000, 700}, 6, false}}) {
        ShellFixture f;
        f.form->resize(c.frame);
        f.form->show();
        QList<QMdiSubWindow *> subs;
        for (int i = 0; i < c.windows; ++i)
            subs << qobject_cast<QMdiSubWindow *>(f.child(QString::number(i))->parentWidget());
        TfrmShellProbe *icon = f.child("значок");
        icon->parentWidget()->showMinimized();
        f.form->MdiArea()->setActiveSubWindow(subs[1]);
        if (c.maximised) subs[1]->showMaximized();
        QApplication::processEvents();
        f.form->Action("CascadeAction")->trigger();
        QApplication::processEvents();
        const QRect area = f.form->MdiArea()->viewport()->rect();
        const std::string at = std::to_string(c.frame.width()) + "x" + std::to_string(c.windows) + (c.maximised ? " max" : "");
        EXPECT_TRUE(icon->parentWidget()->isMinimized()) << at;
        EXPECT_EQ(f.form->MdiArea()->activeSubWindow(), subs[1]) << at;
        const QList<QMdiSubWindow *> stack = f.form->MdiArea()->subWindowList(QMdiArea::StackingOrder);
        EXPECT_EQ(stack.back(), subs[1]) << at;
        QRect previous;
        for (QMdiSubWindow *s : stack) {
            if (s->isMinimized()) continue;
            const QRect g = s->geometry();
            EXPECT_FALSE(s->isMaximized()) << at;
            EXPECT_GE(g.width(), 640) << at;
            EXPECT_GE(g.height(), 400) << at;
            EXPECT_TRUE(area.contains(g)) << at << ": " << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
            if (previous.isValid() && g.topLeft() != area.topLeft()) {
                EXPECT_GT(g.top(), previous.top()) << at;
                EXPECT_EQ(g.top() - previous.top(), g.left() - previous.left()) << at;
            }
            previous = g;
        }
    }
}

TEST(MainForm, SettingsTogglesAreWrittenAtOnce)
{
    ShellFixture f;
    struct Case { const char *action; const char *key; };
    for (const Case &c : {Case{"AutoCheckSheetsAction", "CheckStdSheetsQuantity"},
                          Case{"AutoScrapsMarkAction", "AutoScrapsMark"}}) {
        // Written back at creation, so the key is there from the first run.
        EXPECT_TRUE(f.ini().ValueExists("Default", c.key)) << c.key;
        EXPECT_FALSE(f.form->Action(c.action)->isChecked());
        f.form->Action(c.action)->trigger();
        EXPECT_TRUE(f.ini().ReadBool("Default", c.key, false)) << c.key;
        f.form->Action(c.action)->trigger();
        EXPECT_FALSE(f.ini().ReadBool("Default", c.key, true)) << c.key;
    }
}

TEST(MainForm, PageMarginsThroughTheDialogHook)
{
    ShellFixture f;
    f.form->hooks.editPageMargins = [](TMainForm &, int m[4]) {
        m[0] = 5; m[1] = 6; m[2] = 7; m[3] = 8;
        return true;
    };
    f.form->Action("PageSetupAction")->trigger();
    EXPECT_EQ(f.ini().ReadInteger("PageParams", "Left", 0), 5);
    EXPECT_EQ(f.ini().ReadInteger("PageParams", "Bottom", 0), 8);
    EXPECT_EQ(f.form->Settings().PageTop(), 7);
}

TEST(MainForm, PrinterSetupHandsTheChoiceToTheEnginePrinter)
{
    ShellFixture f;
    kv::test::ScopedEnginePrinter keep;
    TrpPrinter &engine = rpPrinter();
    engine.SetPrinterInfo(9, 2100, 2970, 0, engine.Bin, true);   // A4 portrait
    QString offered;
    // Cancel changes nothing; OK makes the choice the engine printer's.
    for (bool ok : {false, true}) {
        f.ui.onPrinter = [&](QPrinter &p) {
            offered = p.pageLayout().pageSize().name() + (p.pageLayout().orientation() == QPageLayout::Landscape ? "/L" : "/P");
            p.setPageSize(QPageSize(QPageSize::A5));
            p.setPageOrientation(QPageLayout::Landscape);
            return ok;
        };
        f.form->Action("PrinterSetupAction")->trigger();
        EXPECT_EQ(offered, "A4/P") << ok;
        EXPECT_EQ(engine.PaperSize, ok ? 11 : 9) << ok;
        EXPECT_EQ(engine.Orientation, ok ? 1 : 0) << ok;
        if (ok) break;
    }
    // The engine printer keeps the paper as it lies: A5 on its side.
    EXPECT_EQ(engine.PaperWidth, 2100);
    EXPECT_EQ(engine.PaperHeight, 1480);
}

TEST(MainForm, RefreshesReachTheirKindOfWindow)
{
    ShellFixture f;
    f.form->show();
    TfrmShellProbe *group = f.child("База", ChildKind::PartBase);
    TfrmShellProbe *other = f.child("Склад", ChildKind::Warehouse);
    const auto ok = kv::test::ScopedSet(f.ui.onModal, [](QDialog &d) {
        EXPECT_EQ(d.objectName(), "OptionForm");
        return int(QDialog::Accepted);
    });
    f.form->Action("OptionsAction")->trigger();
    EXPECT_EQ(group->groupRefreshes, 1);
    EXPECT_EQ(other->groupRefreshes, 0);
    // A switch of the materials base reaches part bases and the warehouse.
    TfrmShellProbe *results = f.child("Карты", ChildKind::Results);
    f.form->Context().materials().NotifyChanged();
    EXPECT_EQ(group->materialRefreshes, 1);
    EXPECT_EQ(other->materialRefreshes, 1);
    EXPECT_EQ(results->materialRefreshes, 0);
    EXPECT_EQ(f.form->FindChildOfKind(ChildKind::Warehouse), other);
}

TEST(ShutDown, BusyRunRefusesAndAChildCanStopIt)
{
    ShellFixture f;
    f.form->show();
    TfrmShellProbe *w = f.child("База", ChildKind::PartBase);
    QPointer<TfrmShellProbe> guard(w);
    f.form->SetRaskroyBusy(true);
    f.form->Action("ExitAction")->trigger();
    EXPECT_TRUE(f.form->isVisible());
    EXPECT_FALSE(f.form->close());
    EXPECT_EQ(w->asked, 0);   // nothing at all while busy
    f.form->SetRaskroyBusy(false);
    w->allowClose = false;
    EXPECT_FALSE(f.form->close());
    EXPECT_EQ(w->asked, 1);
    EXPECT_FALSE(f.ini().SectionExists("Main_Form"));
    w->allowClose = true;
    EXPECT_TRUE(f.form->close());
    EXPECT_TRUE(f.ini().SectionExists("Main_Form"));
    EXPECT_TRUE(guard);   // the children go with the window, not before
}

TEST(ShutDown, WritesToolbarPositionsAndRemarksKeyByKey)
{
    ShellFixture f(false);
    {
        auto ini = f.ini();
        ini.WriteString("Remarks", "Кухня", "Заказ 1");
        ini.WriteString("Remarks", "Шкаф", "Заказ 2");
    }
    f.create();
    EXPECT_EQ(f.form->Remarks(), QStringList({"Кухня=Заказ 1", "Шкаф=Заказ 2"}));
    f.form->Remarks() = QStringList({"Шкаф=Заказ 3"});
    f.form->show();
    f.form->close();
    f.form.reset();
    const kv::TIniFile ini = f.ini();
    EXPECT_EQ(ini.ReadString("Remarks", "Кухня", ""), "Заказ 1");   // removed from the list, kept in the file
    EXPECT_EQ(ini.ReadString("Remarks", "Шкаф", ""), "Заказ 3");
    EXPECT_EQ(ini.ReadInteger("tbarStandart", "Rev", 0), 3);
    EXPECT_EQ(ini.ReadString("tbarStandart", "DockedTo", ""), "Dock1");
}

// A part base open at the end of the run stores its place as its own close
// would; the remarks of the jobs are the frame's list and reach the file.
TEST(ShutDown, AnOpenPartBaseKeepsItsPlaceAndTheJobsRemarksAreWritten)
{
    ShellFixture f;
    kv::WireShell(*f.form);
    f.form->show();
    QWidget *group = f.form->NewGroupWindow();
    ASSERT_TRUE(group);
    auto *sub = qobject_cast<QMdiSubWindow *>(group->parentWidget());
    ASSERT_TRUE(sub);
    sub->showNormal();
    const QRect placed(QPoint(37, 23), sub->minimumSizeHint().expandedTo(QSize(640, 420)) + QSize(40, 30));
    sub->setGeometry(placed);
    static_cast<IMainWindow &>(*f.form).MaterialRemarks() << "1=Zakaz7";
    {
        kv::test::ScopedAnswers answers(f.ui, {kv::ModalResult::No});   // the untitled base is not saved
        ASSERT_TRUE(f.form->close());
    }
    f.form.reset();
    const kv::TIniFile ini = f.ini();
    EXPECT_EQ(ini.ReadString("Detals_Group", "NormPos", ""),
              QStringLiteral("37,23,%1,%2").arg(37 + placed.width()).arg(23 + placed.height()));
    EXPECT_EQ(ini.ReadString("Remarks", "1", ""), "Zakaz7");
    f.create();   // the next run
    EXPECT_EQ(static_cast<IMainWindow &>(*f.form).MaterialRemarks(), QStringList{"1=Zakaz7"});
}

TEST(Startup, ModelsBaseCopiedFromThePatternOnlyWhenMissing)
{
    ShellFixture f(false);
    auto write = [](const QString &file, const QByteArray &data) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
    };
    auto read = [](const QString &file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    };
    write(f.root() + "Pattern/Models.dat", "template");
    f.create();
    f.form.reset();
    EXPECT_EQ(read(f.root() + "Models.dat"), "template");
    write(f.root() + "Models.dat", "models of the workshop");
    f.create();
    f.form.reset();
    EXPECT_EQ(read(f.root() + "Models.dat"), "models of the workshop");
}

TEST(Startup, PrinterCanvasTakesTheMainWindowFont)
{
    const kv::test::ScopedEnginePrinter keepPrinter;
    const QFont keep = QApplication::font();
    QFont f(QStringLiteral("Liberation Serif"), 11);
    f.setItalic(true);
    QApplication::setFont(f);
    rpPrinter().CanvasFont = TrpCanvasFont{};
    {
        ShellFixture shell;
        EXPECT_EQ(rpPrinter().CanvasFont.Name, shell.form->font().family());
        EXPECT_EQ(rpPrinter().CanvasFont.Size, 11);
        EXPECT_EQ(rpPrinter().CanvasFont.Style, TrpFont::Italic);
    }
    QApplication::setFont(keep);
}

// What the user hears at start of a damaged settings file and of a stock
// table gone missing; the good backup and the other tables stay.
TEST(Startup, DamagedSettingsAndAMissingStockTableAreReported)
{
    ShellFixture f;
    f.form.reset();
    auto write = [](const QString &file, const QByteArray &data) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
    };
    write(f.root() + "Korvalt.~ini", "[Default]\r\nVersion=2\r\nMill=5\r\n");
    write(f.root() + "Korvalt.ini", QByteArray("\0\0\0\xff garbage", 12));
    ASSERT_TRUE(QFile::remove(f.root() + "Sheets/Sheets.dbf"));
    kv::TIniFile::ClearCache();
    kv::test::ScopedAnswers answers(f.ui);
    f.create();
    ASSERT_EQ(answers.shown().size(), 2u);
    const QString native = QDir::toNativeSeparators(f.root());
    EXPECT_EQ(answers.shown()[0].text, "Файл настроек \"" + native + "Korvalt.ini\" повреждён.\r"
                                       "Используется резервная копия \"" + native + "Korvalt.~ini\".\r"
                                       "Повреждённый файл сохранён как \"" + native + "Korvalt.ini.bad\".");
    EXPECT_EQ(answers.shown()[1].text,
              "Не найдена таблица \"" + native + "Sheets" + QDir::separator() + "Sheets.dbf\".\rСоздана пустая таблица.");
    EXPECT_EQ(f.ini().ReadInteger("Default", "Mill", 0), 5);
}

// The backup is the last settings file that read cleanly: taken at a clean
// start and again at the close, so a later damage finds the settings of the
// last run there, never a new installation's empty file.
TEST(Startup, CleanStartAndCloseRefreshTheSettingsBackup)
{
    ShellFixture f(false);
    auto bytesOf = [](const QString &file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
    };
    const QString backup = f.root() + "Korvalt.~ini";
    {
        QFile out(backup);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));   // a new installation's empty backup
    }
    {
        QFile out(f.root() + "Korvalt.ini");
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("[Default]\r\nVersion=2\r\nMill=6\r\n");
    }
    kv::TIniFile::ClearCache();
    const QByteArray atStart = bytesOf(f.root() + "Korvalt.ini");
    f.create();
    EXPECT_EQ(bytesOf(backup), atStart);
    f.form->Context().settings().Set(kv::key::Mill, 7);
    f.form.reset();
    EXPECT_EQ(bytesOf(backup), bytesOf(f.root() + "Korvalt.ini"));
    EXPECT_TRUE(bytesOf(backup).contains("Mill=7"));

    // Damaged now: the last run's settings come back from the backup.
    {
        QFile out(f.root() + "Korvalt.ini");
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray("\0\0garbage", 9));
    }
    kv::TIniFile::ClearCache();
    kv::test::ScopedAnswers answers(f.ui);
    f.create();
    ASSERT_FALSE(answers.shown().empty());
    EXPECT_TRUE(answers.shown()[0].text.contains("Используется резервная копия"));
    EXPECT_EQ(f.ini().ReadInteger("Default", "Mill", 0), 7);
}

TEST(Startup, StepsRunInTheirOrder)
{
    QTemporaryDir tmp;
    QStringList steps;
    const auto recorder = kv::test::ScopedHook(&kv::SetStartupRecorder, [&](const QString &s) { steps << s; });
    kv::StartOptions opt;
    opt.root = tmp.path();
    opt.wire = [&](TMainForm &form) {
        form.hooks.createServices = [&](AppContext &) { steps << "hook:services"; };
        form.hooks.warehouseWindow = [&](AppContext &ctx) {
            steps << "hook:warehouse";
            auto *w = new TfrmShellProbe(ctx, "Склад", ChildKind::Warehouse);
            w->ShowChild();
            return w;
        };
        form.hooks.createDialogs = [&](TMainForm &) { steps << "hook:dialogs"; };
        form.hooks.loadBorders = [&](TMainForm &) { steps << "hook:borders"; };
        form.hooks.importAutoRun = [&](TMainForm &) { steps << "hook:autorun"; };
        form.hooks.groupWindow = [&](AppContext &, const QString &file) {
            steps << "hook:open " + QFileInfo(file).fileName();
            return nullptr;
        };
    };
    // The command line opens existing files whose extension is ".kdx" exactly;
    // a failed open is reported.
    QDir().mkpath(tmp.path() + "/Groups");
    for (const char *name : {"/Groups/Кухня.kdx", "/Groups/Спальня.KDX"}) {
        QFile f(tmp.path() + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    kv::test::FakeUi ui;
    opt.ui = &ui;
    opt.arguments = QStringList({tmp.path() + "/Groups/Кухня.kdx", tmp.path() + "/Groups/Спальня.KDX",
                                 tmp.path() + "/Groups/Нет.kdx", tmp.path() + "/notes.txt"});
    opt.instead = [&](TMainForm &form) {
        steps << "loop";
        EXPECT_EQ(form.Children().size(), 1);
    };
    QApplication *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    EXPECT_EQ(kv::RunApplication(*app, opt), 0);
    const QStringList expected = {
        "instance", "title",
        "main:formats", "main:busy", "main:folders", "main:dialog folders", "main:lists", "main:settings",
        "main:migrate", "main:margins and digits", "main:remarks", "main:toolbar positions", "main:printer font",
        "main:check marks",
        "main:models base",
        "hook:services", "data module", "missing models dialog",
        "stage:Подключение внешней базы материалов",
        "stage:Инициализация склада", "hook:warehouse",
        "stage:Инициализация программных модулей", "hook:dialogs", "stage:Инициализация программных модулей",
        "stage:Старт программы", "splash freed",
        "show:position", "hook:borders", "show:edge banding", "show:minimum check", "show:recent files",
        "hook:autorun", "show:autorun", "hook:open Кухня.kdx", "show:command line",
        "loop",
        "end:minimum check", "end:recent files", "end:position",
        "loop ended", "end:toolbar positions", "end:remarks",
    };
    EXPECT_EQ(steps, expected);
    QStringList shown;
    for (const kv::ShownMessage &m : ui.shown) shown << m.text;
    EXPECT_EQ(shown, QStringList{"Ошибка импорта базы деталей."});
}

// A program folder where a first copy already runs, and a second start of
// the program on it.
struct SecondStart
{
    QTemporaryDir tmp;
    std::unique_ptr<kv::TRunningInstance> first;
    kv::StartOptions opt;
    bool ran = false;

    SecondStart()
    {
        kv::PrepareProgramFolder(tmp.path());
        first = std::make_unique<kv::TRunningInstance>(kv::Paths(tmp.path()).ProgramFolder(), "TApplication",
                                                       TMainForm::ApplicationTitle());
        opt.root = tmp.path();
        opt.instead = [this](TMainForm &) { ran = true; };
    }
    int run()
    {
        if (!first->TryBecomeFirst()) return -1;
        return kv::RunApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()), opt);
    }
};

TEST(Startup, SecondStartShowsTheNoticeAndEnds)
{
    SecondStart second;
    QStringList steps;
    const auto recorder = kv::test::ScopedHook(&kv::SetStartupRecorder, [&](const QString &s) { steps << s; });
    kv::test::FakeUi ui;
    kv::test::ScopedAnswers answers(ui);
    second.opt.ui = &ui;
    EXPECT_EQ(second.run(), 0);
    EXPECT_FALSE(second.ran);
    EXPECT_EQ(steps, QStringList({"instance"}));
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].text, "Приложение 2D-KORVALT уже выполняется!");
    EXPECT_EQ(answers.shown()[0].kind, kv::MsgKind::Information);
}

// With nobody at the screen the real notice box closes by itself and the
// second copy ends instead of waiting for a click.
TEST(Startup, SecondStartNoticeClosesByItselfWhenNobodyAnswers)
{
    SecondStart second;
    second.opt.noticeTimeoutMs = 50;
    bool boxShown = false;
    QTimer::singleShot(20, [&] { boxShown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); });
    EXPECT_EQ(second.run(), 0);
    EXPECT_FALSE(second.ran);
    EXPECT_TRUE(boxShown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A program folder on a read-only disk: its own message, not the notice of
// another running copy, and no window.
TEST(Startup, ReadOnlyProgramFolderSaysSoAndEnds)
{
    QTemporaryDir tmp;
    kv::test::ScopedTmpfs disk(tmp.path(), "1m");
    if (!disk.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
    kv::PrepareProgramFolder(tmp.path());
    ASSERT_TRUE(disk.makeReadOnly());
    kv::test::FakeUi ui;
    kv::test::ScopedAnswers answers(ui);
    kv::StartOptions opt;
    opt.root = tmp.path();
    opt.ui = &ui;
    bool ran = false;
    opt.instead = [&](TMainForm &) { ran = true; };
    QApplication *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    EXPECT_EQ(kv::RunApplication(*app, opt), 1);
    EXPECT_FALSE(ran);
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, kv::MsgKind::Error);
    EXPECT_EQ(answers.shown()[0].text, kv::FolderNotWritableText(tmp.path(), "Диск доступен только для чтения."));
}

TEST(MainForm, OpeningAnOpenPartBaseAsksRetryOrGoesToIt)
{
    ShellFixture f;
    f.form->show();
    const QString file = f.root() + "Groups/Кухня.kdx";
    TfrmShellProbe *open = f.child("Кухня", ChildKind::PartBase);
    open->file = file;
    f.child("Другое");
    QStringList asked;
    f.ui.onFile = [&](const kv::FileChoice &c) {
        asked << c.title;
        EXPECT_EQ(c.folder, f.root() + "Groups/");
        EXPECT_EQ(c.defaultExt, "kdx");
        EXPECT_TRUE(c.filter.contains("*.kdx"));
        return asked.size() == 1 ? file : QString();
    };
    QStringList opened;
    f.form->hooks.groupWindow = [&](AppContext &, const QString &name) {
        opened << name;
        return nullptr;
    };
    // Retry shows the dialog again (then cancelled); nothing new opens.
    {
        kv::test::ScopedAnswers answers(f.ui, {kv::ModalResult::Retry});
        f.form->Action("OpenAction")->trigger();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].buttons, kv::MsgButtons::RetryCancel);
        EXPECT_TRUE(answers.shown()[0].text.startsWith("База деталей \"" + file + "\" уже открыта!"));
    }
    EXPECT_EQ(asked, QStringList({"Открыть базу деталей", "Открыть базу деталей"}));
    EXPECT_TRUE(opened.isEmpty());
    // Cancel brings the open one to the front.
    asked.clear();
    {
        kv::test::ScopedAnswers answers(f.ui, {kv::ModalResult::Cancel});
        f.form->Action("OpenAction")->trigger();
    }
    EXPECT_EQ(f.form->ActiveChild(), open);
    // A recent file already open says so.
    QFile k(file);
    ASSERT_TRUE(k.open(QIODevice::WriteOnly));
    k.close();
    f.form->RecentFiles().Add(file);
    {
        kv::test::ScopedAnswers answers(f.ui);
        f.form->RecentFiles().Items()[0]->trigger();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "База деталей \"" + file + "\" уже открыта!");
    }
    // Another file opens through the part-base room.
    asked.clear();
    f.ui.onFile = [&](const kv::FileChoice &) { return f.root() + "Groups/Спальня.kdx"; };
    f.form->Action("OpenAction")->trigger();
    EXPECT_EQ(opened, QStringList({f.root() + "Groups/Спальня.kdx"}));
}

TEST(MainForm, StockDeletesAskFirstAndNeedRecords)
{
    ShellFixture f;
    TModule *m = f.form->Module();
    f.form->updateActions();
    EXPECT_FALSE(f.form->Action("DeleteSheetAction")->isEnabled());
    m->tblSheets->Append();
    m->tblSheets->FieldByName("LENGTH")->SetAsFloat(2750);
    m->tblSheets->FieldByName("WIDTH")->SetAsFloat(1830);
    m->tblSheets->FieldByName("MANY")->SetAsFloat(1);
    m->tblSheets->Post();
    f.form->updateActions();
    EXPECT_TRUE(f.form->Action("DeleteSheetAction")->isEnabled());
    {
        kv::test::ScopedAnswers answers(f.ui, {kv::ModalResult::No});
        f.form->Action("DeleteSheetAction")->trigger();
        EXPECT_EQ(answers.shown()[0].text, "Действительно удалить запись\rиз базы стандартных листов?");
    }
    EXPECT_EQ(m->tblSheets->RecordCount(), 1);
    {
        kv::test::ScopedAnswers answers(f.ui, {kv::ModalResult::Yes});
        f.form->Action("DeleteSheetAction")->trigger();
    }
    EXPECT_EQ(m->tblSheets->RecordCount(), 0);
    f.form->updateActions();
    EXPECT_FALSE(f.form->Action("DeleteSheetAction")->isEnabled());
}

} // namespace

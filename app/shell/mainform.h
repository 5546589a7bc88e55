#pragma once
// The multiple-document main window: menus, the toolbar "Стандартная",
// the actions with their enabling rules, the recent part bases, the window
// list, the settings commands and the refreshes. It holds the program's
// folders, the one open settings file and the data module; the windows of
// the other rooms reach them through the context and the frame interface.
#include "app/common/appcontext.h"
#include "app/common/mainwindow.h"
#include "data/paths.h"
#include "data/settings.h"

#include <QMainWindow>
#include <QPrinter>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <memory>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class TDock;
class TToolbar;
class TModule;
class TRecentFiles;
class TMdiChild;
class TOptionForm;
class TfrmAbout;
class TfrmWait;
namespace kv {
class MaterialsService;
class BordersService;
class StockService;
class Ui;
} // namespace kv

class TMainForm : public QMainWindow, public IMainWindow
{
    Q_OBJECT

public:
    // The creation steps of the main window run here: folders, the settings
    // file, the page margins and digit counts, remarks, toolbar positions,
    // the two check marks, the models base copied from "Pattern\".
    // `ui` answers every box and dialog of the program (the context hands it
    // on to the windows).
    TMainForm(const kv::Paths &paths, kv::Ui &ui, QWidget *parent = nullptr);
    ~TMainForm() override;

    static QString ApplicationTitle() { return QStringLiteral("Раскрой листового материала"); }

    // What the other rooms fill in (see wiring.cpp): the windows they build,
    // their work at each stage of the start, and the commands they own.
    struct Hooks
    {
        std::function<void(AppContext &)> createServices;
        std::function<void(TMainForm &)> connectExternalMaterials;
        std::function<TMdiChild *(AppContext &)> warehouseWindow;
        std::function<void(TMainForm &)> createDialogs;
        std::function<TMdiChild *(AppContext &, const QString &fileName)> groupWindow;   // "" = new
        std::function<TMdiChild *(AppContext &, bool withProgress)> resultsWindow;
        std::function<TMdiChild *(AppContext &)> modelsBaseWindow;
        std::function<void(TMainForm &)> loadBorders;
        std::function<void(TMainForm &, bool reportAll)> checkMinimum;
        std::function<void(TMainForm &)> importAutoRun;
        std::function<bool(TMainForm &)> editBorders;
        std::function<void(TMainForm &)> materialsWindow;
        std::function<void(TMainForm &, const QString &fileName)> openMaps;
        std::function<bool(TMainForm &, int margins[4])> editPageMargins;   // left, right, top, bottom
        // Gives the options dialog its edge-banding and material lists (and
        // the colours dialog) when it is made.
        std::function<void(TOptionForm &)> optionLists;
        // What the rooms carry out; an entry wins over the frame's own
        // forwarding of the same action to the active child.
        std::map<QString, std::function<void()>> commands;
    };
    Hooks hooks;

    // The data module, the materials and edge-banding services and the
    // context (start-up step 4).
    void CreateDataModule();
    bool HasContext() const { return m_ctx != nullptr; }
    AppContext &Context() const { return *m_ctx; }

    kv::Ui &ui() const { return m_ui; }
    QMdiArea *MdiArea() const { return m_mdi; }
    const kv::Paths &Paths() const { return m_paths; }
    kv::Paths &Paths() { return m_paths; }
    kv::Settings &Settings() { return *m_settings; }
    const kv::Settings &Settings() const { return *m_settings; }
    kv::TIniFile &IniFile() { return m_settings->Ini(); }
    TModule *Module() const { return m_module.get(); }
    kv::MaterialsService &Materials() const { return *m_materials; }
    kv::BordersService &Borders() const { return *m_borders; }

    int GetDefaultLBorder() const { return m_settings->GetDefaultLBorder(); }
    int GetDefaultRBorder() const { return m_settings->GetDefaultRBorder(); }
    int GetDefaultTBorder() const { return m_settings->GetDefaultTBorder(); }
    int GetDefaultBBorder() const { return m_settings->GetDefaultBBorder(); }
    int GetDefaultRotate() const { return m_settings->GetDefaultRotate(); }
    int GetDefMaterial() const { return m_settings->GetDefMaterial(); }
    int GetPageLeft() const { return m_settings->GetPageLeft(); }
    int GetPageRight() const { return m_settings->GetPageRight(); }
    int GetPageTop() const { return m_settings->GetPageTop(); }
    int GetPageBottom() const { return m_settings->GetPageBottom(); }
    void SetPageLeft(int v) { m_settings->SetPageLeft(v); }
    void SetPageRight(int v) { m_settings->SetPageRight(v); }
    void SetPageTop(int v) { m_settings->SetPageTop(v); }
    void SetPageBottom(int v) { m_settings->SetPageBottom(v); }
    bool IsLocalMaterialsBase() const { return m_settings->IsLocalMaterialsBase(); }
    QString GetBasePath() const { return m_settings->GetBasePath(); }
    void LoadDefBorder() { m_settings->LoadDefBorder(); }

    // Materials and edge-banding look-ups other windows know by these names;
    // the work is in the services of the context (mainform_lookups.cpp).
    void LoadMaterialsLists(QStringList &names, QStringList &codes, bool withAll) const;
    QString GetMaterialName(int code) const;
    static QString FindNameByCode(int code, const QStringList &codes, const QStringList &names);
    QString GetBorderName(int code) const;
    quint32 GetBorderColor(int code, quint32 def) const;
    int GetBorderPripusk(int code) const;
    qint64 AddBorderPripusk(qint64 length, int code) const;
    QStringList GetBordersList() const;
    // The standard-sheet minimum check; `reportEnough` also says when all is well.
    void CheckStdSheetsStock(bool reportEnough);

    // Key by key into the target section; keys only the target holds stay.
    static void CopyIniSection(const QString &srcFile, const QString &srcSection,
                               const QString &dstSection, const QString &dstFile)
    {
        kv::CopyIniSectionKeys(srcFile, srcSection, dstSection, dstFile);
    }

    // The remarks list ([Remarks] key=value lines), written back key by key.
    QStringList &Remarks() { return m_remarks; }

    // --- IMainWindow --------------------------------------------------
    QWidget *Frame() override { return this; }
    void AddChild(TMdiChild *child) override;
    QList<TMdiChild *> Children() const override;
    TMdiChild *ActiveChild() const override;
    TMdiChild *NewGroupWindow() override;
    TMdiChild *OpenGroupWindow(const QString &fileName) override;
    TMdiChild *FindGroupWindow(const QString &fileName) const override;
    TMdiChild *CreateResultsWindow(bool withProgress) override;
    TMdiChild *ShowWarehouseWindow() override;
    TMdiChild *ShowModelsBaseWindow() override;
    void RefreshGroupWindows() override;
    void RefreshSheetsWindows() override;
    void RefreshMaterialViews() override;
    void RefreshDetalNames() override;
    bool EditDefaultOptions(bool allPages) override;
    bool RaskroyBusy() const override { return m_busy; }
    void SetRaskroyBusy(bool busy) override { m_busy = busy; }
    void AddRecentFile(const QString &path) override;
    QStringList &MaterialRemarks() override { return m_remarks; }
    void SetStatusText(const QString &text) override;

    // The dialogs made once and kept for the whole run.
    TOptionForm *OptionForm();
    TfrmWait *WaitForm();

    // --- Menus, actions, lists --------------------------------------
    QAction *Action(const QString &objectName) const;
    // The command an action runs, by the action's object name: what a room
    // wired in, else the active child's, else the frame's own; empty for none.
    std::function<void()> Command(const QString &actionName);
    // Every action name the command tables hold.
    QStringList CommandNames() const;
    QMenu *Menu(const QString &objectName) const;
    TToolbar *StandardToolbar() const { return m_toolbar; }
    TRecentFiles &RecentFiles() { return *m_recent; }
    // Enables and checks every action by its rule; run when the program is idle.
    void updateActions();
    // The items after the last separator of "&Окно".
    void BuildWindowList();

    // Part bases named on the command line, opened when the window is first shown.
    QStringList CommandLineFiles;
    // The edge-banding lists and the current edge banding, read again.
    void LoadBorders();
    // The external materials base, when the settings switch it on and it exists.
    void ConnectExternalMaterials();
    // The steps when the window is first shown.
    void FirstShow();
    // Their first step, the stored position and state ("Main_Form"): taken
    // before the window shows, so that the window manager places it so.
    void LoadPosition();
    // Shut-down: every child asked, refused while a run is busy.
    bool CanClose();
    // The desktop session ends: the children are asked when a user can
    // answer, then the window closes as at "Выход". False: the end is refused.
    bool EndSession(bool canAsk);

public slots:
    // Window menu.
    void CascadeExecute();
    void TileHorizontalExecute();
    void TileVerticalExecute();
    // Ctrl+F4, Ctrl+Tab and Ctrl+Shift+Tab: close the active child, go to
    // the next or the previous one.
    void CloseChildExecute();
    void NextChildExecute();
    void PreviousChildExecute();
    void ArrangeIconsExecute();
    void MinimizeAllExecute();
    // Part bases.
    void NewActionExecute();
    void OpenActionExecute();
    void RecentFileClick(const QString &path);
    void ExitActionExecute();
    void OpenMapsExecute();
    // Settings.
    void OptionsExecute();
    void BordersExecute();
    void MaterialsExecute();
    void DetalNamesExecute();
    void AutoCheckSheetsExecute();
    void AutoScrapsMarkExecute();
    void PageSetupExecute();
    void PrinterSetupExecute();
    void StandardToolbarExecute();
    void AboutExecute();
    // Stock deletes offered to the warehouse window.
    void DeleteSheetExecute();
    void DeleteScrapExecute();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    QAction *addAction(QMenu *menu, const QString &name, const QString &caption,
                       const QKeySequence &shortcut = {});
    void runCommand(const QString &name);
    void childCommand(MainCommand command);
    void tile(bool horizontal);
    QPoint cascadePosition(QMdiSubWindow *sub, const QSize &size, const QRect &area) const;
    static void takeCloseKey(QMdiSubWindow *sub);
    QString openDialog(const QString &folder, const QString &title, const QString &filter,
                       const QString &defaultExt);
    void shutDown();
    // The settings backup takes the file when it reads cleanly.
    void refreshSettingsBackup();

    kv::Paths m_paths;
    kv::Ui &m_ui;
    std::unique_ptr<kv::Settings> m_settings;
    std::unique_ptr<TModule> m_module;
    std::unique_ptr<kv::MaterialsService> m_materials;
    std::unique_ptr<kv::BordersService> m_borders;
    std::unique_ptr<kv::StockService> m_stock;
    std::unique_ptr<AppContext> m_ctx;
    QMdiArea *m_mdi = nullptr;
    TDock *m_docks[4] = {};
    TToolbar *m_toolbar = nullptr;
    std::unique_ptr<TRecentFiles> m_recent;
    QMenu *m_windowMenu = nullptr;
    QAction *m_windowSeparator = nullptr;
    QList<QAction *> m_windowItems;
    QList<QPointer<TMdiChild>> m_children;
    QTimer *m_idle = nullptr;
    QStringList m_remarks;
    TOptionForm *m_options = nullptr;
    TfrmAbout *m_about = nullptr;
    TfrmWait *m_wait = nullptr;
    bool m_busy = false;
    bool m_shown = false;
    bool m_positionLoaded = false;
    bool m_closed = false;
    // The close is asking its questions (nested loops); a second close joins it.
    bool m_closing = false;
    QString m_groupsFolder, m_detalsFolder, m_exportFolder;
};

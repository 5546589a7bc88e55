#pragma once
// The cutting-results window: one tab per cutting map of the map document,
// a materials navigator that shows the tabs of one material, a tool bar,
// pop-up menus with information texts, two status bars per tab.
#include "app/common/mdichild.h"
#include "app/cutting/jobresults.h"
#include "app/results/mapctrls.h"
#include "data/maps/mapdoc.h"

#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class TgwOutlookBar;
class TgwOutlookList;
class TgwOutlookListItem;
class TgwCustomOutlookList;
class TFormSheets;

// The status bar of a tab: panels sized to their texts.
class TMapStatusBar : public QWidget
{
    Q_OBJECT
public:
    TMapStatusBar(int panels, QWidget *parent);
    void SetTexts(const QStringList &texts);
    QString PanelText(int i) const;
    int PanelCount() const { return int(m_panels.size()); }

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void placePanels();
    QList<QLabel *> m_panels;
};

// A tab page: the sheet control at (4, 4) and the two status bars below.
class TMapPage : public QWidget
{
    Q_OBJECT
public:
    TMapPage(kv::MapDocument &doc, int tab, QWidget *parent);
    TSheetCtrl *Sheet() const { return m_sheet; }
    TMapStatusBar *Bar4() const { return m_bar4; }
    TMapStatusBar *Bar5() const { return m_bar5; }
    int BarHeight() const;

signals:
    // After the page took its new size: the window scales its maps to it.
    void Resized();

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    TMapStatusBar *m_bar4;
    TMapStatusBar *m_bar5;
    TSheetCtrl *m_sheet;
};

class TFormSheets : public TMdiChild, public IJobResults
{
    Q_OBJECT

public:
    explicit TFormSheets(AppContext &ctx, QWidget *parent = nullptr);
    ~TFormSheets() override;

    kv::MapDocument &Document() { return m_doc; }
    const kv::MapDocument &Document() const { return m_doc; }

    ChildKind Kind() const override { return ChildKind::Results; }
    QString LayoutSection() const override;   // [SheetParams]
    QString DocumentFileName() const override { return m_doc.FileName; }
    bool CloseQuery() override;
    void FormClose() override;
    bool CommandEnabled(MainCommand c) const override;
    void ExecuteCommand(MainCommand c) override;
    void RefreshSheets() override;

    // Display switches: stored, shown on their buttons and applied.
    void SetShowBorders(bool on);
    void SetShowScrapsText(bool on);
    void SetShowHints(bool on);
    void SetMillLinesMode(int mode);
    void ShowMaterial(int code);
    void SetToolsEnabled(bool on);
    void SetFileCaption(const QString &fileName);
    void SetMapsCaption(const QString &caption) override;

    // Recolours, reclassifies and refreshes every tab.
    void ColorizeMaps();
    void RefreshStatusBars();
    // Tabs and navigator made again from the document (after a map file).
    void RebuildTabs();
    // The window takes a document read from a map file: its display settings
    // win over the settings file's, it is not modified, and the caption names
    // the file. `recolour` classifies the off-cuts (the older layout has no
    // kinds).
    void LoadDocument(kv::MapDocument doc, const QString &fileName, bool recolour);
    // Controls and status bars shown again after the document changed.
    void SyncFromDocument();
    // The variant went into the warehouse: the accept button stays off.
    void MarkAccepted();
    bool Accepted() const { return m_accepted; }
    void FillMaterialsList();
    // The common scale from the page size; never zero.
    void FormResize();
    double Scale() const { return m_scale; }

    int PageCount() const;
    TMapPage *Page(int i) const;
    int ActivePage() const;
    TgwOutlookList *Navigator() const { return m_navigator; }
    QProgressBar *ProgressBar() const { return m_progress; }
    bool Running() const { return m_job != nullptr; }

    // Pop-up menus: prepared for an item of a tab (checks and visibility).
    QMenu *PreparePopup(int tab, const MapHit &hit);
    // What the pop-up items do.
    void DetalInfo(int tab, int index);
    void ScrapInfo(int tab, int index);
    void ChangeScrapName(int tab, int index);
    void ToggleScrapNormal(int tab, int index);
    void MillLineInfo(int tab, int index);
    void MapInfo(int tab);
    QString MapInfoText(int tab) const;

    // Actions (objectName = the system's name).
    QAction *SaveAction, *PrintAction, *FontAction, *ApplyAction, *BorderAction, *ScrapsAction, *StatisticAction,
        *ShowHintAction, *BordersInfoAction, *AbortRaskroyAction;
    QToolButton *tbSave, *tbMillLines;
    QMenu *pmMillLines, *ppmDetal, *ppmScrap, *ppmMillLine, *ppmRaskroyMap;

    // IJobResults
    QWidget *ResultsWidget() override { return this; }
    void AttachJob(TRaskroyJob *job) override;
    void BeginRun(int code, const kv::engine::TDisplaySwitches &switches) override;
    void EndRun() override;
    void ShowProgress() override;
    void HideProgress() override;
    void SetProgress(int64_t done, int64_t total) override;
    void SetStatusText(const QString &text) override;
    int TabCount() override { return int(m_doc.Tabs.size()); }
    void AddMapTab(const QString &caption, int code, const kv::engine::TSheetsList &map,
                   const kv::engine::TDetalsList &parts, int kerf,
                   const QString &remark) override;
    void CloseWindow() override;
    kv::TUsingSheets &UsingSheets() override { return m_doc.UsingSheets; }
    void SetJobMaterials(const std::vector<int> &codes) override;
    void ShowStatistics() override;

public slots:
    void FormShow();
    void tbSaveClick();
    void tbPrintClick();
    void FontActionExecute();
    void tbAddToScrapsClick();
    void BorderActionExecute();
    void ScrapsActionExecute();
    void tbStatisticClick();
    void ShowHintActionExecute();
    void tbBordersInfoClick();
    void AbortRaskroyActionExecute();
    void OutlookListItemClick(TgwCustomOutlookList *list, TgwOutlookListItem *item);
    void bbMaterialsClick();

protected:
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    // The steps of building the window.
    void createActions();
    void buildToolBar();
    void updateRunBar();
    void buildPopupMenus();
    void buildNavigatorAndPages();

    void buildPage(int tab);
    void syncSheets();
    void refreshBars(int tab);
    QString materialName(int code) const;
    kv::MapEnvironment environment() const;
    void onItemMenu(TSheetCtrl *sheet, const MapHit &hit, const QPoint &globalPos);
    void popupAction(const std::function<void(int, int)> &f);

    kv::MapDocument m_doc;
    QTabWidget *m_pages;
    TgwOutlookList *m_navigator;
    TgwOutlookBar *m_navPanel;
    QToolBar *m_toolBar;
    QProgressBar *m_progress;
    QWidget *m_runBar;
    QLabel *m_status;
    QList<QAction *> m_millModes;
    TRaskroyJob *m_job = nullptr;
    double m_scale = 1.0;
    bool m_shown = false;
    bool m_forceClose = false;
    bool m_fromFile = false;
    bool m_accepted = false;
    int m_menuTab = -1;
    MapHit m_menuHit;
};

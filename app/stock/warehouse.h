#pragma once
// "Склад": the child window in which the user edits the standard sheets and
// the off-cuts of the warehouse, per material. It lives for the whole run;
// closing it only minimises it. Its data and rules are the stock service.
#include "app/common/mdichild.h"
#include "data/stock/stock.h"

#include <QStringList>

#include <memory>

class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class TExDBGrid;
class TgwOutlookBar;
class TgwOutlookList;
class TgwOutlookListItem;
class TgwCustomOutlookList;
class TfrmSelectDate;

class TfrmWareHouse : public TMdiChild
{
    Q_OBJECT

public:
    explicit TfrmWareHouse(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmWareHouse() override;

    ChildKind Kind() const override { return ChildKind::Warehouse; }
    // Its size and state are kept under [Scraps_Window] with the rest.
    QString LayoutSection() const override { return QString(); }
    kv::StockService &Stock() { return *m_stock; }

    bool CloseQuery() override;
    bool CommandEnabled(MainCommand cmd) const override;
    void ExecuteCommand(MainCommand cmd) override;
    void RefreshMaterials() override;

    // The working copies, the layout and the navigator; done once, on the
    // first show.
    void FormShow();
    void SetCurrentMaterial(int code);
    int CurrentMaterial() const { return m_stock->CurrentMaterial(); }
    void PostSheets();
    void PostScraps();
    // The four lists of the off-cut label dialog, one entry per piece.
    void FillScrapsLabelLists(QStringList &names, QStringList &sizes, QStringList &materials, QStringList &remarks);
    // "Сохранить состояние склада" and "База сохраненных состояний склада".
    void SaveWareHouseState();
    void ViewWareHouseStates();
    // "Статистика по складу", "Печать" of both pages.
    void ShowWareHouseInfo();
    QString MaterialName(int code) const;

    // The sort pop-up of the grids: "Без сортировки", "По имени", "По длине",
    // "По ширине" (by name only for the off-cuts). Prepared for a grid
    // (its checked order) before it is shown; choosing an item orders that
    // grid's rows.
    enum SortOrder { soNone, soName, soLength, soWidth };
    QMenu *PrepareSortMenu(bool scraps);
    void SetSortOrder(bool scraps, SortOrder order);
    SortOrder CurrentSortOrder(bool scraps) const;
    QMenu *pmSort = nullptr;

public slots:
    void AddSheetActionExecute();
    void SaveSheetsActionExecute();
    void PrintSheetsActionExecute();
    void MinSheetsActionExecute();
    void CheckSheetsActionExecute();
    void DeleteSheetActionExecute();
    void SaveScrapsActionExecute();
    void PrintScrapsActionExecute();
    void ScrapsParamsActionExecute();
    void ClearScrapsActionExecute();
    void MarkScrapsActionExecute();
    void FilterScrapsActionExecute();
    void DeleteScrapActionExecute();
    void dbgScrapsEditButtonClick();

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void buildNavigator();
    void olMaterialsItemClick(TgwCustomOutlookList *list, TgwOutlookListItem *item);
    void bbMaterialsClick();
    void loadLayout();
    void storeLayout();
    void updateStatus();
    void stockChanged();
    void printList(bool scraps);
    QPushButton *button(const char *name, const char *text, void (TfrmWareHouse::*slot)(), QWidget *parent);

    kv::StockService *m_stock;   // the context's, outlives the window
    QStringList m_names, m_codes;   // the navigator's materials
    bool m_shown = false;
    bool m_sortScraps = false;   // the grid the sort pop-up was opened for

    QSplitter *splitter;
    TgwOutlookBar *OutlookBar;
    TgwOutlookList *olMaterials;
    QTabWidget *pcWareHouse;
    QWidget *tsSheets, *tsScraps;
    TExDBGrid *dbgSheets, *dbgScraps;
    QStatusBar *sbScraps;
    TfrmSelectDate *m_selectDate = nullptr;
};

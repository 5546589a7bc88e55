#pragma once
// The saved warehouse states: the viewer "Просмотр состояний склада" with
// its change, delete and restore actions, and the remark dialog.
#include "data/stock/whstates.h"

#include <QDialog>

#include <optional>

class AppContext;
class QAction;
class QLineEdit;
class QTreeWidget;
namespace kv {
class Ui;
}

// "Сохрание состояния склада": the remark, or nullopt on Cancel.
class TfrmSaveWareHouse : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSaveWareHouse(QWidget *parent = nullptr);
    static std::optional<QString> Ask(kv::Ui &ui, const QString &preset, QWidget *parent);

private:
    QLineEdit *edRemark;
};

// The questions of the states roads as the program's message boxes.
kv::StockAnswer AskStockQuestion(kv::Ui &ui, const QString &question, bool confirmation, QWidget *parent);
// The save questions of unsaved stock before a close; false when the close
// is refused (Cancel, or a save that failed and said why).
bool StockCloseQuery(kv::StockService &stock, kv::Ui &ui, QWidget *parent);

class TfrmViewWareHouses : public QDialog
{
    Q_OBJECT
public:
    TfrmViewWareHouses(AppContext &ctx, kv::StockService &stock, QWidget *parent = nullptr);
    ~TfrmViewWareHouses() override;

    void FillList();

public slots:
    void EditActionExecute();
    void DeleteActionExecute();
    void RestoreActionExecute();
    void UpdateActions();

protected:
    void showEvent(QShowEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    int selectedNumber() const;
    AppContext &m_ctx;
    kv::StockService &m_stock;
    kv::WareHouseStates m_states;
    QTreeWidget *lvwWHs;
    QAction *EditAction, *DeleteAction, *RestoreAction, *CloseAction;
};

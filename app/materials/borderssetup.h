#pragma once
// "Настройка кромок": the edge-banding base edited in a grid with cached
// updates, written to the file on save.
#include <QDialog>
#include <QList>

#include <functional>

class AppContext;
class QAction;
class QToolBar;
class TExDBGrid;

namespace kv {
class DataSet;
class DataSource;
class Table;
} // namespace kv

class TfrmBordersSetup : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmBordersSetup(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmBordersSetup() override;

    bool Modified() const { return m_modified; }
    const QList<int> &CodeList() const { return m_codes; }

    kv::Table *tblBorders = nullptr;
    kv::DataSource *srcBorders = nullptr;
    QToolBar *ToolBar = nullptr;
    TExDBGrid *grdBorders = nullptr;
    QAction *ColorAction = nullptr;    // "&Цвет"
    QAction *DeleteAction = nullptr;   // "&Удалить"
    QAction *SaveAction = nullptr;     // "&Сохранить"
    QAction *OkAction = nullptr;       // "&Да"
    QAction *CancelAction = nullptr;   // "&Отмена"

public slots:
    void FormShow();
    void ColorActionExecute();
    void DeleteActionExecute();
    void SaveActionExecute();
    void OkActionExecute();
    void CancelActionExecute();
    // Writes the cached rows to the file; rows without a code get a free one.
    void ApplyChanges();

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void done(int r) override;

private:
    void defineFields();
    void collectCodes();
    void postPending();
    bool closeQuery();
    void closeTable();

    AppContext &m_ctx;
    QList<int> m_codes;
    bool m_modified = false;
    bool m_shown = false;
    bool m_closing = false;
};

// Shows the dialog modally; on OK the edge-banding lists are rebuilt.
bool ExecuteBordersSetup(AppContext &ctx, QWidget *parent = nullptr);

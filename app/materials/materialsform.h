#pragma once
// The materials window: the materials base in a grid, edited on a working
// copy that "&Сохранить" and "&Да" copy back over the table in use. The list
// of an external base lives in its "ListMat.ini"; while that base is in use
// the window shows it read-only and says so, rather than let edits vanish at
// the next connect.
#include <QDialog>

class AppContext;
class QAction;
class QLabel;
class QToolBar;
class TExDBGrid;

class TMaterialsForm : public QDialog
{
    Q_OBJECT

public:
    explicit TMaterialsForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TMaterialsForm() override;

    bool ReadOnlyBase() const { return m_readOnly; }

    QToolBar *ToolBar = nullptr;
    TExDBGrid *grdMaterials = nullptr;
    QLabel *lblExternal = nullptr;
    QAction *SaveAction = nullptr;       // "&Сохранить"
    QAction *OkAction = nullptr;         // "&Да"
    QAction *CancelAction = nullptr;     // "&Отмена"
    QAction *DeleteAction = nullptr;     // delete the current row
    QAction *CancelEditAction = nullptr; // cancel the pending edit

public slots:
    void FormShow();
    void FormClose();
    void SaveActionExecute();
    void OkActionExecute();
    void CancelActionExecute();
    void DeleteActionExecute();
    void CancelEditActionExecute();

protected:
    void showEvent(QShowEvent *e) override;
    void done(int r) override;

private:
    void save();
    void updateActions();

    AppContext &m_ctx;
    bool m_shown = false;
    bool m_closed = false;
    bool m_readOnly = false;
};

// Shows the materials window modally; true when it closed with "&Да".
bool ExecuteMaterials(AppContext &ctx, QWidget *parent = nullptr);

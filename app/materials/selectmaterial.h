#pragma once
// The two material choosers: "Выбор материала" to substitute a material for
// the current one, and the multi-column list of every material.
#include "platform/db/dataset.h"
#include "platform/db/query.h"

#include <QDialog>

#include <memory>

class AppContext;
class TExDBLookupList;
class QAction;
class QLabel;
class QListWidget;
class QPushButton;
class TExSpinEdit;

// Substitute chooser: the current material's text and the list of the base.
class TfrmSelectMaterial : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmSelectMaterial(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmSelectMaterial() override;

    // Fills the list and preselects `code`; false (after the message) when
    // the base cannot be read.
    bool Prepare(int code, const QString &currentText);
    int SelectedCode() const;

    QLabel *lblCurrentCaption = nullptr;   // "Текущий материал:"
    QLabel *lblCurrent = nullptr;
    TExDBLookupList *dblMaterials = nullptr;   // the materials by name; the value is the code
    QAction *ReplaceAction = nullptr;      // "&Заменить"
    QPushButton *bbReplace = nullptr;
    QPushButton *bbCancel = nullptr;

public slots:
    void ReplaceActionUpdate();
    void ReplaceActionExecute();

private:
    AppContext &m_ctx;
    std::unique_ptr<kv::Query> m_query;
    kv::DataSource m_source;
};

// True and the chosen code in `code`; false on cancel (the caller's
// operation then ends without a message) or when the base cannot be read.
bool ExecuteSelectMaterial(AppContext &ctx, int &code, const QString &currentText, QWidget *parent = nullptr);

// Multi-column chooser over every material ordered by name.
class TfrmSelectMaterialDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmSelectMaterialDlg(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmSelectMaterialDlg() override;

    void Prepare(int code);
    int SelectedCode() const;   // -1 when nothing is selected

    QListWidget *lbxMaterials = nullptr;
    QLabel *lblColumns = nullptr;   // "Столбцов: "
    TExSpinEdit *seColumns = nullptr;
    QPushButton *bbOk = nullptr;
    QPushButton *bbCancel = nullptr;

public slots:
    void seColumnsChange();

protected:
    // The columns follow the list's own width, known only once it is laid out.
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void layoutColumns();

    AppContext &m_ctx;
    int m_itemHeight = 0;
};

// The chosen code; -1 on cancel or when nothing is selected.
int ExecuteSelectMaterialDlg(AppContext &ctx, int code, QWidget *parent = nullptr);

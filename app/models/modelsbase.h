#pragma once
// "База моделей": the sections and models of the models base, the copies
// chosen of each, a part base made of the chosen models, the editing of
// sections and model properties, the print of the chosen models, the export
// of a model's parts and the quantities taken from model description files.
// At most one is open; it is freed when closed.
#include "app/common/mdichild.h"
#include "data/models/modelsview.h"

#include <memory>

class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TgwOutlookBar;
class TgwOutlookList;
class TgwCustomOutlookList;
class TgwOutlookListItem;

class TfrmModelsBase : public TMdiChild
{
    Q_OBJECT

public:
    explicit TfrmModelsBase(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmModelsBase() override;

    ChildKind Kind() const override { return ChildKind::ModelsBase; }
    QString LayoutSection() const override;   // [ModelsBase], with the navigator and list widths

    kv::ModelsBaseView &View() { return m_view; }
    TgwOutlookList *Navigator() const { return m_navigator; }
    QTreeWidget *lvwElements() const { return m_list; }
    int CurrentEntry() const;
    kv::TmdlModelInfo *CurrentModel() const;

    // Loads the base and shows entry 0 (done by the constructor).
    void FormShow();
    void FillNavigator(const QString &select = QString());
    void ShowEntry(int entry);
    void SelectEntry(int entry);

    // Quantities from model description files (the start-up import).
    void ApplyModelLists(const QStringList &files, QStringList &notFound, QList<int> &counts);
    // A copy of the model appended to the section of that storage name.
    void AddModel(const QString &storageName, const kv::TmdlModelInfo &model);

    // The print list of the chosen models (name, quantity) shown now.
    QList<QPair<QString, int>> PrintList();

public slots:
    void CreateGroupActionExecute();
    void QuantityActionExecute();
    void UncheckActionExecute();
    void UncheckAllActionExecute();
    void AddSectionActionExecute();
    void RenameSectionActionExecute();
    void DeleteSectionActionExecute();
    void ModelPropsActionExecute();
    void OpenModelActionExecute();
    void DeleteModelActionExecute();
    void PrintActionExecute();
    void ExportActionExecute();
    void CloseActionExecute();

protected:
    void FormClose() override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void itemChanged(QTreeWidgetItem *item, int column);
    void updateActions();
    void readLayout();
    void writeLayout();
    void setRowQuantity(QTreeWidgetItem *item, int quantity);
    QString askSectionName(const QString &start, int except);

    kv::ModelsBaseView m_view;
    TgwOutlookBar *m_bar;
    TgwOutlookList *m_navigator;
    QTreeWidget *m_list;
    QPushButton *m_btnSections, *m_btnModel, *m_btnExport, *m_btnQuantity;
    QList<QAction *> m_sectionActions, m_modelActions;
    bool m_applying = false;
    bool m_filling = false;
};

// The models base window of the frame, made and shown when there is none.
TfrmModelsBase *FindModelsBaseWindow(AppContext &ctx);
TfrmModelsBase *CreateModelsBaseWindow(AppContext &ctx);

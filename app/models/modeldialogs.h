#pragma once
// The model properties dialog (also adds the current part base to the
// models base as a new model) and the sections dialog of the older catalog.
#include "data/models/modelfiles.h"

#include <QDialog>

#include <memory>

class AppContext;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace kv {
class PartBaseDocument;
}

// "Свойства модели". Adding mode when the given name is empty: OK writes
// `group`'s parts into a new "Catalog\mdl<n>.dbf" and the model into the
// chosen section.
class TfrmModelParams : public QDialog
{
    Q_OBJECT

public:
    TfrmModelParams(AppContext &ctx, kv::PartBaseDocument *group, const QString &modelName,
                    const QString &sectionName, QWidget *parent = nullptr);
    QListWidget *lbxSections() const { return m_sections; }
    QLineEdit *edName() const { return m_name; }
    QPushButton *bbOk() const { return m_ok; }
    QString ModelName() const;
    QString SectionName() const;

public slots:
    void bbOkClick();

private:
    void addModel();

    AppContext &m_ctx;
    kv::PartBaseDocument *m_group;
    bool m_adding;
    kv::TmdlModelSectionList m_list;
    QListWidget *m_sections;
    QLineEdit *m_name;
    QPushButton *m_ok;
};

// True on OK; `modelName` and `sectionName` then hold the typed name and the
// chosen section.
bool ExecuteModelParams(AppContext &ctx, kv::PartBaseDocument *group, QString &modelName, QString &sectionName,
                        QWidget *parent = nullptr);

// "Разделы базы моделей": the sections of "Catalog.ini", edited on a copy.
class TfrmElementSections : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmElementSections(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmElementSections() override;
    QTreeWidget *lvwSections() const { return m_list; }
    QPushButton *bbOk() const { return m_ok; }

public slots:
    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    void bbOkClick();

private:
    void fill(const QString &select = QString());

    AppContext &m_ctx;
    std::unique_ptr<kv::CatalogSectionsEdit> m_edit;
    QTreeWidget *m_list;
    QPushButton *m_ok;
};

void ExecuteElementSections(AppContext &ctx, QWidget *parent = nullptr);

// "Добавить модель" of the frame: the model properties dialog for a part base.
void AddModelToGroup(AppContext &ctx, kv::PartBaseDocument *group, QWidget *parent = nullptr);

#pragma once
// "Поиск материала": a material of a navigator found by the first letters of
// its name.
#include "data/materials/materials.h"

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TfrmFindMaterial : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmFindMaterial(QWidget *parent = nullptr);

    // The navigator's entries and its selected index.
    void SetEntries(const QList<kv::MaterialItem> &items, int selected);
    int SelectedIndex() const;

    QLabel *lblMaterial = nullptr;
    QLineEdit *edMaterial = nullptr;
    QListWidget *lbxMaterials = nullptr;
    QPushButton *bbOk = nullptr;
    QPushButton *bbCancel = nullptr;

public slots:
    void edMaterialChange();

protected:
    bool eventFilter(QObject *o, QEvent *e) override;
};

// The index of the chosen entry of the navigator, -1 on cancel.
int ExecuteFindMaterial(kv::Ui &ui, const QList<kv::MaterialItem> &items, int selected, QWidget *parent = nullptr);

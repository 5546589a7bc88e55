#include "app/materials/findmaterial.h"

#include "platform/ui.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kv;

TfrmFindMaterial::TfrmFindMaterial(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFindMaterial"));
    setWindowTitle(QStringLiteral("Поиск материала"));
    resize(320, 380);

    lblMaterial = new QLabel(QStringLiteral("Название материала"), this);
    lblMaterial->setObjectName(QStringLiteral("lblMaterial"));
    edMaterial = new QLineEdit(this);
    edMaterial->setObjectName(QStringLiteral("edMaterial"));
    lblMaterial->setBuddy(edMaterial);
    lbxMaterials = new QListWidget(this);
    lbxMaterials->setObjectName(QStringLiteral("lbxMaterials"));
    bbOk = new QPushButton(QStringLiteral("&Да"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbOk);
    buttons->addWidget(bbCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(lblMaterial);
    lay->addWidget(edMaterial);
    lay->addWidget(lbxMaterials, 1);
    lay->addLayout(buttons);

    connect(edMaterial, &QLineEdit::textChanged, this, &TfrmFindMaterial::edMaterialChange);
    connect(lbxMaterials, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    edMaterial->installEventFilter(this);
    lbxMaterials->installEventFilter(this);
}

void TfrmFindMaterial::SetEntries(const QList<MaterialItem> &items, int selected)
{
    edMaterial->blockSignals(true);
    edMaterial->clear();
    edMaterial->blockSignals(false);
    lbxMaterials->clear();
    for (const MaterialItem &m : items) {
        auto *it = new QListWidgetItem(m.name, lbxMaterials);
        it->setData(Qt::UserRole, m.code);
    }
    if (selected >= 0 && selected < lbxMaterials->count()) lbxMaterials->setCurrentRow(selected);
    edMaterial->setFocus();
}

int TfrmFindMaterial::SelectedIndex() const
{
    return lbxMaterials->currentRow();
}

void TfrmFindMaterial::edMaterialChange()
{
    QStringList names;
    for (int i = 0; i < lbxMaterials->count(); ++i) names << lbxMaterials->item(i)->text();
    const int i = MaterialsService::FindByPrefix(names, edMaterial->text());
    if (i >= 0) lbxMaterials->setCurrentRow(i);
}

bool TfrmFindMaterial::eventFilter(QObject *o, QEvent *e)
{
    if ((o == edMaterial || o == lbxMaterials) && e->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent *>(e)->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            accept();
            return true;
        }
        // Up and down in the edit move through the list.
        if (o == edMaterial && (k == Qt::Key_Up || k == Qt::Key_Down || k == Qt::Key_PageUp || k == Qt::Key_PageDown)) {
            QCoreApplication::sendEvent(lbxMaterials, e);
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

int ExecuteFindMaterial(kv::Ui &ui, const QList<MaterialItem> &items, int selected, QWidget *parent)
{
    kv::Owned<TfrmFindMaterial> f(new TfrmFindMaterial(parent));
    f->SetEntries(items, selected);
    return ui.runModal(*f) == QDialog::Accepted && f ? f->SelectedIndex() : -1;
}

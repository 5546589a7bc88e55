#pragma once
// Answers to the program's choosers as a user gives them, for the modal
// handler of the fake UI service.
#include "app/materials/selectmaterial.h"

#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

// The material chooser "Выбор материала": the row of `code`, then "Заменить".
// Any other dialog is cancelled.
inline int ChooseMaterial(QDialog &d, int code)
{
    auto *chooser = qobject_cast<TfrmSelectMaterial *>(&d);
    EXPECT_NE(chooser, nullptr) << d.objectName().toStdString();
    if (!chooser) return QDialog::Rejected;
    QListWidget *list = chooser->dblMaterials;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toInt() == code) {
            list->setCurrentRow(i);
            list->item(i)->setSelected(true);
        }
    chooser->ReplaceActionUpdate();
    EXPECT_TRUE(chooser->bbReplace->isEnabled()) << "no material " << code;
    chooser->bbReplace->click();
    return chooser->result();
}

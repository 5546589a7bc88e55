#pragma once
// Answers to the program's choosers as a user gives them, for the modal
// handler of the fake UI service.
#include "app/materials/selectmaterial.h"

#include "controls/lookuplist.h"

#include <QPushButton>

#include <gtest/gtest.h>

// The material chooser "Выбор материала": the row of `code`, then "Заменить".
// Any other dialog is cancelled.
inline int ChooseMaterial(QDialog &d, int code)
{
    auto *chooser = qobject_cast<TfrmSelectMaterial *>(&d);
    EXPECT_NE(chooser, nullptr) << d.objectName().toStdString();
    if (!chooser) return QDialog::Rejected;
    chooser->dblMaterials->SetLookupValue(QString::number(code));
    EXPECT_TRUE(chooser->bbReplace->isEnabled()) << "no material " << code;
    chooser->bbReplace->click();
    return chooser->result();
}

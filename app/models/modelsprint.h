#pragma once
// "Печать списка выбранных моделей": "Reports\ModelsList.rpf" over the
// (name, quantity) pairs, margins from the page settings, shown in the
// preview.
#include <QList>
#include <QPair>
#include <QString>

class AppContext;
class QWidget;

void PrintModelsList(AppContext &ctx, const QList<QPair<QString, int>> &models, QWidget *parent = nullptr);

#pragma once
// "Печать списка выбранных моделей": "Reports\ModelsList.rpf" over the
// (name, quantity) pairs, margins from the page settings, shown in the
// preview.
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

class AppContext;
class QWidget;
class TrpReport;

// Tests take the prepared report here instead of the preview.
using ModelsListShowHook = std::function<void(TrpReport &report)>;
ModelsListShowHook SetModelsListShowHook(ModelsListShowHook hook);

void PrintModelsList(AppContext &ctx, const QList<QPair<QString, int>> &models, QWidget *parent = nullptr);

#pragma once
// What the models room asks of the part-base windows and the materials:
// a new untitled part-base window filled with parts, a model opened as a
// part base, whether a parts table is open in a window, material names.
#include "data/imports/partlists.h"

#include <QList>
#include <QPair>
#include <QString>

class AppContext;
class QWidget;
class TMdiChild;

namespace kv {
class PartBaseDocument;
}

struct BusyCursor
{
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// A new untitled part-base window of the frame holding `parts` and the
// models it was made from (name, count); `suggestedName` (a ".kdx" file name)
// is proposed by its first save and shown in its caption. The parts are
// ready before the window is made, so a failure leaves no window behind.
// Returns the window, null without a frame.
// `progress` hears how far the rows are in.
TMdiChild *NewGroupWindowWith(AppContext &ctx, const QList<kv::ImportedPart> &parts,
                              const QList<QPair<QString, QString>> &models, const QString &suggestedName,
                              const kv::PartsProgress &progress = {});
// The document of a part-base window of the frame; null for other windows.
kv::PartBaseDocument *GroupDocumentOf(TMdiChild *window);
// "Модель \"%s\" уже открыта." when a window has its table; else a new window.
void OpenModelAsGroup(AppContext &ctx, const QString &modelName, const QString &tableStem);
// Whether a part-base window uses this parts table.
bool IsGroupTableOpen(const QString &tablePath);
// The material's name, "" when unknown or without the materials look-ups.
QString MaterialNameOf(AppContext &ctx, int code);

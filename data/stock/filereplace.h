#pragma once
// Replacing several table files as one step: every new content is first
// written beside its target, then the targets are swapped in by renames; a
// failure on the way puts back what was already swapped, so the targets end
// either all new or all as they were.
#include <QList>
#include <QPair>
#include <QString>

namespace kv {

// (source, target) pairs: each target gets the bytes of its source. Raises
// kv::Error naming the file that failed; the targets are then unchanged.
void ReplaceFilesTogether(const QList<QPair<QString, QString>> &copies);

} // namespace kv

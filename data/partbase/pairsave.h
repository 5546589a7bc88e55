#pragma once
// A part base's header and table replaced as one unit. The new files are
// written complete beside the old ones ("<name>.new~") while a journal beside
// the header ("<header>.sav~") says the save is being staged; the journal
// then says the switch has begun, the old files step aside ("<name>.old~")
// and the new ones take their names. A kill at any step leaves the old pair,
// or a switch that the next open of the header finishes: a reader that
// recovers first never sees the table of one save with the header of another.
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace kv {

struct PairFile
{
    QString path;      // in the header's folder
    QByteArray bytes;
};

// Replaces the files (the header last among them) as one unit. On an error
// (kv::Error, with the system's reason as its cause) nothing has changed, or
// the journal is left for the next open to finish the switch.
void SavePair(const QString &header, const QList<PairFile> &files);

// Finishes a switch that had begun, or drops what a save had staged before
// it; nothing when no save was interrupted. Raises only when a file cannot
// be renamed or removed. False when the journal names a file that is not a
// bare name of the header's folder: it is not acted on and stays as it is.
bool RecoverPair(const QString &header);
// What the user is told about such a journal.
QString ForeignJournalText(const QString &header);

// The journal of a header, and the staged and kept names of a file.
QString PairJournal(const QString &header);
QString StagedName(const QString &path);
QString KeptName(const QString &path);

// Tests stop a save at any of its steps as a kill would: the hook hears each
// step before it is taken (and may throw to end the save there).
using PairStepHook = std::function<void(const QString &step)>;
PairStepHook SetPairStepHook(PairStepHook hook);

} // namespace kv

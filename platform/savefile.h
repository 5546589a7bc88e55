#pragma once
// Whole files written so that a failure or a crash never leaves a short one:
// the bytes go to a temporary file beside the target, reach the disk, and a
// rename puts them in place. A failure says why in the program's words (a
// full disk, a read-only folder...), where Qt would say "Unknown error".
#include <QByteArray>
#include <QString>

#include <functional>

namespace kv {

// The reason of a failed file operation for a user, from the system's error
// number ("Недостаточно места на диске." for ENOSPC).
QString FileErrorReason(int err);

// Writes `data` over `path` (created when missing, permissions of an existing
// file kept). False, the old file untouched and `reason` set on failure.
bool SaveFileAtomically(const QString &path, const QByteArray &data, QString *reason = nullptr);

// The temporary files a write killed half-way leaves beside its target: the
// target's name, "~" and six letters or digits. They are removed at the next
// write of that target, and at start-up in the program's folders.
bool IsSaveLeftover(const QString &fileName, const QString &targetName = QString());
// Removes the leftovers of writes of `path`; the number removed.
int RemoveSaveLeftovers(const QString &path);
// Removes every leftover in a folder (not beneath it); the number removed.
int RemoveSaveLeftoversIn(const QString &folder);

// The usual message of a failed write: "Ошибка записи файла "<path>"." and
// the reason on the next line.
QString WriteErrorText(const QString &path, const QString &reason);

// Tests make writes fail as the system would: the hook gives the error
// number for a path (0: the write goes on). It is asked after the data went
// to the temporary file, so the failure leaves what a real one leaves.
using WriteErrorHook = std::function<int(const QString &path)>;
WriteErrorHook SetWriteErrorHook(WriteErrorHook hook);
// The error number the hook gives for a path (0 without a hook).
int InjectedWriteError(const QString &path);

} // namespace kv

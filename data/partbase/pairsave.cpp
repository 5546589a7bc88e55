#include "data/partbase/pairsave.h"

#include "data/paths.h"

#include "platform/db/dbffile.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"
#include "platform/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace kv {

namespace {

const QByteArray kStaging = "staging";
const QByteArray kSwitch = "switch";

PairStepHook &stepHook()
{
    static PairStepHook hook;
    return hook;
}

void step(const QString &name)
{
    if (stepHook()) stepHook()(name);
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

// Bare names for the files beside the header: the pair stays whole when its
// folder is moved or renamed between the kill and the next open, and a
// journal can never lead out of its folder.
QString journalName(const QString &folder, const QString &path)
{
    const QFileInfo fi(path);
    if (fi.absolutePath() + QLatin1Char('/') != folder)
        throw Error(QStringLiteral("Не удаётся записать файл \"%1\".").arg(QDir::toNativeSeparators(path)));
    return fi.fileName();
}

QString fromJournal(const QString &folder, const QString &name)
{
    return folder + name;
}

struct Journal
{
    bool switching = false;
    QStringList files;
};

QByteArray journalBytes(bool switching, const QStringList &names)
{
    QByteArray out = (switching ? kSwitch : kStaging) + '\n';
    for (const QString &n : names) out += n.toUtf8() + '\n';
    return out;
}

bool readJournal(const QString &path, Journal &j)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.isEmpty()) return false;
    j.switching = lines.first() == kSwitch;
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (!lines[i].isEmpty()) j.files << QString::fromUtf8(lines[i]);
    return true;
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

void removeFile(const QString &path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
        const QString reason = FileErrorReason(errno);
        throw Error(QStringLiteral("Не удаётся удалить файл \"%1\".\r%2").arg(QDir::toNativeSeparators(path), reason),
                    reason);
    }
}

void renameFile(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const QString reason = FileErrorReason(errno);
        throw Error(QStringLiteral("Не удаётся заменить файл \"%1\".\r%2").arg(QDir::toNativeSeparators(to), reason),
                    reason);
    }
    TableStore::invalidate(from);
    TableStore::invalidate(to);
}

// Every step can be taken again after a kill: a staged file still there has
// not been placed yet, and a kept one is only dropped once all are placed.
void finishSwitch(const QString &journal, const QString &folder, const QStringList &names)
{
    for (const QString &name : names) {
        const QString target = fromJournal(folder, name), staged = StagedName(target);
        if (!exists(staged)) continue;
        step(QStringLiteral("keep ") + name);
        if (exists(target)) renameFile(target, KeptName(target));
        step(QStringLiteral("place ") + name);
        renameFile(staged, target);
    }
    step(QStringLiteral("drop kept"));
    for (const QString &name : names) removeFile(KeptName(fromJournal(folder, name)));
    step(QStringLiteral("done"));
    removeFile(journal);
}

void dropStaged(const QString &journal, const QString &folder, const QStringList &names)
{
    for (const QString &name : names) removeFile(StagedName(fromJournal(folder, name)));
    removeFile(journal);
}

} // namespace

QString PairJournal(const QString &header) { return header + QStringLiteral(".sav~"); }
QString StagedName(const QString &path) { return path + QStringLiteral(".new~"); }
QString KeptName(const QString &path) { return path + QStringLiteral(".old~"); }

PairStepHook SetPairStepHook(PairStepHook hook)
{
    PairStepHook previous = std::move(stepHook());
    stepHook() = std::move(hook);
    return previous;
}

bool RecoverPair(const QString &header)
{
    const QString journal = PairJournal(header);
    if (!exists(journal)) return true;
    Journal j;
    const QString folder = folderOf(header);
    if (!readJournal(journal, j)) return true;
    // Only the program's own journal is acted on: it names bare files of its
    // folder. Any other is left as it is, and nothing is renamed or removed.
    for (const QString &name : j.files)
        if (!Paths::IsBareFileName(name)) return false;
    if (j.switching) finishSwitch(journal, folder, j.files);
    else dropStaged(journal, folder, j.files);
    return true;
}

QString ForeignJournalText(const QString &header)
{
    return QStringLiteral("Журнал сохранения \"%1\" ссылается на файлы вне папки базы деталей и не выполнен.\r"
                          "Файл журнала оставлен без изменений.")
        .arg(QDir::toNativeSeparators(PairJournal(header)));
}

void SavePair(const QString &header, const QList<PairFile> &files)
{
    RecoverPair(header);
    const QString folder = folderOf(header), journal = PairJournal(header);
    QStringList names;
    for (const PairFile &f : files) names << journalName(folder, f.path);

    step(QStringLiteral("journal"));
    writeFileAtomically(journal, journalBytes(false, names));
    try {
        for (const PairFile &f : files) {
            step(QStringLiteral("stage ") + journalName(folder, f.path));
            try {
                writeFileAtomically(StagedName(f.path), f.bytes);
            } catch (const Error &e) {
                // The user knows the file, not the name it is staged under.
                throw Error(WriteErrorText(f.path, e.cause()), e.cause());
            }
        }
        step(QStringLiteral("switch"));
        writeFileAtomically(journal, journalBytes(true, names));
    } catch (const Error &) {
        try {
            dropStaged(journal, folder, names);
        } catch (const Error &) {
        }
        throw;
    }
    finishSwitch(journal, folder, names);
}

} // namespace kv

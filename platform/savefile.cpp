#include "platform/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace {

WriteErrorHook &writeErrorHook()
{
    static WriteErrorHook hook;
    return hook;
}

} // namespace

QString FileErrorReason(int err)
{
    switch (err) {
    case 0: return QString();
    case ENOSPC:
    case EDQUOT: return QStringLiteral("Недостаточно места на диске.");
    case EROFS: return QStringLiteral("Диск доступен только для чтения.");
    case EACCES:
    case EPERM: return QStringLiteral("Нет прав доступа к папке или файлу.");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("Папка или файл не найдены.");
    case EISDIR: return QStringLiteral("Под этим именем находится папка.");
    case ENAMETOOLONG: return QStringLiteral("Слишком длинное имя файла.");
    case EFBIG: return QStringLiteral("Файл слишком велик.");
    case EMFILE:
    case ENFILE: return QStringLiteral("Открыто слишком много файлов.");
    case EIO: return QStringLiteral("Ошибка ввода-вывода: диск неисправен или отключён.");
    default: return QStringLiteral("Системная ошибка %1.").arg(err);
    }
}

QString WriteErrorText(const QString &path, const QString &reason)
{
    QString text = QStringLiteral("Ошибка записи файла \"%1\".").arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty()) text += QLatin1Char('\r') + reason;
    return text;
}

bool IsSaveLeftover(const QString &fileName, const QString &targetName)
{
    const qsizetype tilde = fileName.size() - 7;
    if (tilde < 1 || fileName.at(tilde) != QLatin1Char('~')) return false;
    if (!targetName.isEmpty() && fileName.left(tilde) != targetName) return false;
    for (qsizetype i = tilde + 1; i < fileName.size(); ++i) {
        const char16_t c = fileName.at(i).unicode();
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return true;
}

namespace {

int removeLeftovers(const QString &folder, const QString &targetName)
{
    int removed = 0;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks))
        if (IsSaveLeftover(name, targetName) && QFile::remove(dir.filePath(name))) ++removed;
    return removed;
}

} // namespace

int RemoveSaveLeftovers(const QString &path)
{
    const QFileInfo info(path);
    return removeLeftovers(info.absolutePath(), info.fileName());
}

int RemoveSaveLeftoversIn(const QString &folder)
{
    return removeLeftovers(folder, QString());
}

WriteErrorHook SetWriteErrorHook(WriteErrorHook hook)
{
    WriteErrorHook previous = std::move(writeErrorHook());
    writeErrorHook() = std::move(hook);
    return previous;
}

int InjectedWriteError(const QString &path)
{
    return writeErrorHook() ? writeErrorHook()(path) : 0;
}

bool SaveFileAtomically(const QString &path, const QByteArray &data, QString *reason)
{
    // A link is followed: the file it names is replaced, the link stays.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) target = info.symLinkTarget();
    const QByteArray finalName = QFile::encodeName(target);
    // What an earlier write of this file left when it was killed goes now.
    RemoveSaveLeftovers(target);
    QByteArray temp = finalName + "~XXXXXX";

    int err = 0;
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) err = errno;
    if (!err) {
        struct stat st {};
        mode_t mode = 0;
        if (::stat(finalName.constData(), &st) == 0) {
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::fchmod(fd, mode);
        const char *p = data.constData();
        qint64 left = data.size();
        while (left > 0 && !err) {
            const ssize_t n = ::write(fd, p, size_t(left));
            if (n < 0) {
                if (errno != EINTR) err = errno;
                continue;
            }
            p += n;
            left -= n;
        }
        if (!err) err = InjectedWriteError(path);
        if (!err && ::fsync(fd) != 0) err = errno;
        if (::close(fd) != 0 && !err) err = errno;
        if (!err && std::rename(temp.constData(), finalName.constData()) != 0) err = errno;
        if (err) ::unlink(temp.constData());
    }
    if (err && reason) *reason = FileErrorReason(err);
    return err == 0;
}

} // namespace kv

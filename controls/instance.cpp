#include "controls/instance.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kv {

QString InstanceServerName(const QString &className, const QString &title, const QString &programDir)
{
    const QString dir = QDir(programDir).absolutePath();
    const QByteArray key = className.toUtf8() + '\n' + title.toUtf8() + '\n' + dir.toUtf8() + '\n' +
                           QByteArray::number(qulonglong(getuid()));
    return QStringLiteral("korvalt-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

QString InstanceSocketPath(const QString &serverName)
{
    return QDir(QDir::tempPath()).filePath(serverName + QStringLiteral(".sock"));
}

QString AlreadyRunningText()
{
    return QString::fromUtf8("Приложение 2D-KORVALT уже выполняется!");
}

static bool fillAddress(const QString &path, sockaddr_un &addr)
{
    const QByteArray p = QFile::encodeName(path);
    if (p.size() >= int(sizeof addr.sun_path)) return false;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
    return true;
}

TRunningInstance::TRunningInstance(const QString &programDir, const QString &className,
                                   const QString &title, QObject *parent)
    : QObject(parent), m_dir(programDir), m_class(className), m_title(title),
      m_serverName(InstanceServerName(className, title, programDir)),
      m_socketPath(InstanceSocketPath(m_serverName))
{
}

TRunningInstance::~TRunningInstance()
{
    delete m_notifier;
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(m_socketPath).constData());
    }
    if (m_lock) m_lock->unlock();
}

QString TRunningInstance::LockFileName() const
{
    return QDir(m_dir).filePath(QStringLiteral("Korvalt.lck"));
}

bool TRunningInstance::TryBecomeFirst()
{
    if (m_first) return true;
    QDir().mkpath(m_dir);
    m_lock = std::make_unique<QLockFile>(LockFileName());
    m_lock->setStaleLockTime(0);   // stale only when its process is gone
    // tryLock takes over the lock of a dead process; a live one is kept.
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    m_first = true;
    // The lock is ours, so a socket of that name is a leftover of a crash.
    const QByteArray path = QFile::encodeName(m_socketPath);
    ::unlink(path.constData());
    sockaddr_un addr;
    if (!fillAddress(m_socketPath, addr)) return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return true;   // runs without being found; the lock still guards the files
    }
    ::chmod(path.constData(), 0600);
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TRunningInstance::onConnection);
    return true;
}

bool TRunningInstance::BringForward()
{
    QWidget *w = m_window;
    if (!w) return false;
    if (w->isMinimized()) {
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
        w->show();
        return true;
    }
    w->show();
    w->raise();
    w->activateWindow();
    if (QWidget *modal = QApplication::activeModalWidget();
        modal && modal != w && modal->isVisible() && modal->isEnabled()) {
        modal->raise();
        modal->activateWindow();
    }
    return true;
}

static bool readLine(int fd, QByteArray &line, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    line.clear();
    while (line.size() < 64) {
        pollfd p{fd, POLLIN, 0};
        const int left = timeoutMs - int(t.elapsed());
        if (left <= 0 || ::poll(&p, 1, left) <= 0) return false;
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0) return false;
        if (c == '\n') return true;
        line.append(c);
    }
    return false;
}

static bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

void TRunningInstance::onConnection()
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    onClientData(fd);
    ::close(fd);
}

void TRunningInstance::onClientData(int fd)
{
    QByteArray line;
    if (!readLine(fd, line, 1000)) return;
    if (line == "PING") {
        writeAll(fd, "OK\n");
    } else if (line == "ACTIVATE") {
        emit activationRequested();
        BringForward();
        writeAll(fd, "OK\n");
    } else {
        writeAll(fd, "NO\n");
    }
}

static bool ask(const QString &name, const QByteArray &what)
{
    sockaddr_un addr;
    if (!fillAddress(InstanceSocketPath(name), addr)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
              writeAll(fd, what + '\n');
    QByteArray answer;
    ok = ok && readLine(fd, answer, 3000) && answer == "OK";
    ::close(fd);
    return ok;
}

bool FindWindowByTitle(const QString &className, const QString &title, const QString &programDir)
{
    if (className.isEmpty() && title.isEmpty()) return false;
    return ask(InstanceServerName(className, title, programDir), "PING");
}

bool ActivateRunningInstance(const QString &className, const QString &title, const QString &programDir)
{
    if (className.isEmpty() && title.isEmpty()) return false;
    return ask(InstanceServerName(className, title, programDir), "ACTIVATE");
}

InstanceCheck CheckRunningInstance(TRunningInstance &self,
                                   const std::function<void(const QString &)> &showNotice)
{
    if (self.TryBecomeFirst()) return InstanceCheck::Run;
    if (showNotice) showNotice(AlreadyRunningText());
    // Whether or not it answers, the folder is in use: this copy ends.
    ask(self.ServerName(), "ACTIVATE");
    return InstanceCheck::Quit;
}

} // namespace kv

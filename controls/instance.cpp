#include "controls/instance.h"

#include "platform/savefile.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace kv {

namespace {

constexpr int kRequestLimit = 64;        // bytes of one request line
constexpr int kServerWaitMs = 1000;      // a caller that says nothing is dropped
constexpr int kConnectWaitMs = 1000;
constexpr int kAnswerWaitMs = 3000;

} // namespace

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

QString FolderNotWritableText(const QString &programDir, const QString &reason)
{
    return QStringLiteral("В папку программы \"%1\" нельзя записывать файлы.\r%2\rРабота программы невозможна.")
        .arg(QDir::toNativeSeparators(QDir(programDir).absolutePath()), reason);
}

namespace {

// Why nothing can be written into the folder; empty when a file can be.
QString writeProblem(const QString &dir)
{
    QByteArray probe = QFile::encodeName(QDir(dir).absoluteFilePath(QStringLiteral(".korvalt~XXXXXX")));
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return FileErrorReason(errno);
    ::close(fd);
    ::unlink(probe.constData());
    return QString();
}

} // namespace

TRunningInstance::TRunningInstance(const QString &programDir, const QString &className,
                                   const QString &title, QObject *parent)
    : QObject(parent), m_dir(programDir), m_class(className), m_title(title),
      m_serverName(InstanceServerName(className, title, programDir)),
      m_socketPath(InstanceSocketPath(m_serverName))
{
}

TRunningInstance::~TRunningInstance()
{
    // The server removes its socket file when it closes.
    if (m_server) m_server->close();
    delete m_server;
    if (m_lock) m_lock->unlock();
}

QString TRunningInstance::LockFileName() const
{
    return QDir(m_dir).filePath(QStringLiteral("Korvalt.lck"));
}

bool TRunningInstance::TryBecomeFirst()
{
    if (m_first) return true;
    m_folderProblem.clear();
    QDir().mkpath(m_dir);
    m_lock = std::make_unique<QLockFile>(LockFileName());
    m_lock->setStaleLockTime(0);   // stale only when its process is gone
    // tryLock takes over the lock of a dead process; a live one is kept.
    if (!m_lock->tryLock(0)) {
        // Only a lock held by a live copy means one runs; a lock that could
        // not be made at all is the folder's fault.
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_folderProblem = writeProblem(m_dir);
            if (m_folderProblem.isEmpty()) m_folderProblem = FileErrorReason(EACCES);
        }
        m_lock.reset();
        return false;
    }
    m_first = true;
    // The lock is ours, so anything at the socket's path is a leftover of a crash.
    QLocalServer::removeServer(m_socketPath);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_socketPath)) {
        delete server;
        return true;   // runs without being found; the lock still guards the files
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &TRunningInstance::onConnection);
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

void TRunningInstance::onConnection()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] { onRequest(client); });
        // Nobody keeps the connection open without a request.
        QTimer::singleShot(kServerWaitMs, client, [client] {
            client->abort();
            client->deleteLater();
        });
        if (client->bytesAvailable() > 0) onRequest(client);
    }
}

void TRunningInstance::onRequest(QLocalSocket *client)
{
    if (client->state() != QLocalSocket::ConnectedState) return;
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kRequestLimit) client->abort();
        return;
    }
    const QByteArray line = client->readLine(kRequestLimit + 1).trimmed();
    QByteArray answer = "NO\n";
    if (line == "PING") {
        answer = "OK\n";
    } else if (line == "ACTIVATE") {
        emit activationRequested();
        BringForward();
        answer = "OK\n";
    }
    client->write(answer);
    // Sends what is written, then closes; disconnected() deletes the socket.
    client->disconnectFromServer();
}

static bool ask(const QString &name, const QByteArray &what)
{
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketPath(name));
    if (!socket.waitForConnected(kConnectWaitMs)) return false;
    socket.write(what + '\n');
    socket.flush();
    QByteArray answer;
    QElapsedTimer t;
    t.start();
    while (!answer.contains('\n') && answer.size() <= kRequestLimit) {
        const qint64 left = kAnswerWaitMs - t.elapsed();
        if (left <= 0) break;
        if (!socket.waitForReadyRead(int(left))) {
            answer += socket.readAll();   // the answer may come with the close
            break;
        }
        answer += socket.readAll();
    }
    socket.abort();
    const qsizetype end = answer.indexOf('\n');
    return end >= 0 && answer.left(end) == "OK";
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
    if (!self.FolderProblem().isEmpty()) return InstanceCheck::NoAccess;
    if (showNotice) showNotice(AlreadyRunningText());
    // Whether or not it answers, the folder is in use: this copy ends.
    ask(self.ServerName(), "ACTIVATE");
    return InstanceCheck::Quit;
}

} // namespace kv

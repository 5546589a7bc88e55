#pragma once
// One running copy per program folder. The first copy holds a lock file in the
// program folder and listens on a local socket; a later start finds it, shows
// the notice and asks it to come to the front, and ends without touching the
// files. A lock left by a dead process and a socket left behind are recovered.
// The socket is a QLocalServer on a path of its own in the temporary folder,
// readable by the user only.
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

namespace kv {

// The socket name of a running copy: the window class and title, and the folder.
QString InstanceServerName(const QString &className, const QString &title, const QString &programDir);
QString InstanceSocketPath(const QString &serverName);

class TRunningInstance : public QObject
{
    Q_OBJECT
public:
    TRunningInstance(const QString &programDir, const QString &className, const QString &title,
                     QObject *parent = nullptr);
    ~TRunningInstance() override;

    // Takes the folder's lock and starts listening. False when another live
    // copy holds the lock, or when no lock can be made in the folder
    // (FolderProblem() then says why).
    bool TryBecomeFirst();
    // Why the folder could not take the lock (a read-only folder, one of
    // another user, a full disk); empty when another copy holds it.
    QString FolderProblem() const { return m_folderProblem; }
    bool IsFirst() const { return m_first; }
    QString ServerName() const { return m_serverName; }
    QString LockFileName() const;
    QString SocketPath() const { return m_socketPath; }

    // The window brought to the front when a later start asks.
    void SetWindow(QWidget *w) { m_window = w; }
    // Brings the window (or its open modal dialog) forward; a minimised
    // window is restored. False when there is no window to show.
    bool BringForward();

signals:
    void activationRequested();

private:
    void onConnection();
    void onRequest(QLocalSocket *client);

    QString m_dir, m_class, m_title, m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    QString m_socketPath;
    QPointer<QWidget> m_window;
    QString m_folderProblem;
    bool m_first = false;
};

// True when a running copy with this window class and title answers. Both
// empty finds nothing.
bool FindWindowByTitle(const QString &className, const QString &title, const QString &programDir);
// Asks that copy to come to the front; true when it did.
bool ActivateRunningInstance(const QString &className, const QString &title, const QString &programDir);

// The start-up road. Run: this copy goes on. Quit: another copy holds the
// folder (it was told to come forward when it answered); this one must end.
// NoAccess: the folder cannot be written (FolderProblem() says why, the
// notice is not shown); this one must end too.
enum class InstanceCheck { Run, Quit, NoAccess };
InstanceCheck CheckRunningInstance(TRunningInstance &self,
                                   const std::function<void(const QString &)> &showNotice);

// The notice of a second start.
QString AlreadyRunningText();
// The message of a program folder that cannot be written, with the reason.
QString FolderNotWritableText(const QString &programDir, const QString &reason);

} // namespace kv

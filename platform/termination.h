#pragma once
// A request from outside to end the program (SIGTERM, SIGHUP, SIGINT) turned into a
// signal on the thread of the watcher, so the program's own close path runs
// instead of the process dying with unsaved work and its files left behind.
#include <QObject>

class QSocketNotifier;

namespace kv {

class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    // Catches the signals from now on; a request that comes while the watcher
    // is not yet enabled waits for it. One watcher at a time.
    explicit TerminationWatcher(QObject *parent = nullptr);
    // The signals' earlier handling comes back.
    ~TerminationWatcher() override;

    void setEnabled(bool on);

signals:
    void requested();

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace kv

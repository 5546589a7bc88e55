#include "platform/termination.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace kv {

namespace {

// Ctrl+C in the terminal that started the program is a request to end too.
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The self-pipe: the handler may only write a byte, the notifier reads it in
// the event loop.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[std::size(kSignals)];
std::atomic<bool> g_installed{false};

extern "C" void onTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationWatcher::TerminationWatcher(QObject *parent) : QObject(parent)
{
    if (g_installed.exchange(true)) return;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_installed = false;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::drain);
    struct sigaction sa = {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &sa, &g_previous[i]);
}

TerminationWatcher::~TerminationWatcher()
{
    if (!m_notifier) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    g_installed = false;
}

void TerminationWatcher::setEnabled(bool on)
{
    if (m_notifier) m_notifier->setEnabled(on);
}

void TerminationWatcher::drain()
{
    char bytes[64];
    bool any = false;
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) any = true;
    // Several signals before the loop came round are one request.
    if (any) emit requested();
}

} // namespace kv

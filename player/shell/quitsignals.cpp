#include "shell/quitsignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {

constexpr int kSignals[] = { SIGTERM, SIGINT, SIGHUP };

// The handler only writes the signal's number into a pipe, which is all a
// handler may safely do; the notifier reads it on the GUI thread.
int g_pipe[2] = { -1, -1 };

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readPending);
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (m_notifier == nullptr)
        return;
    for (const int number : kSignals)
        ::signal(number, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::readPending()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        emit received(byte);
}

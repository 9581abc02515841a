#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int handled[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing else is safe here; a full pipe already holds a pending request.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    // The next one of the same kind is not caught: a program that does not end gets ended.
    std::signal(signalNumber, SIG_DFL);
    errno = saved;
}
} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    Q_ASSERT(g_pipe[0] < 0);
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : handled)
        sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (int signalNumber : handled)
        std::signal(signalNumber, SIG_DFL);
    if (g_pipe[0] >= 0) {
        delete m_notifier;
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

void TerminationSignals::readPipe() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        Q_EMIT received(byte);
}

#include "app/EndSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> EndingSignals = {SIGTERM, SIGHUP, SIGINT};

// The two ends of the socket the handler writes to; -1 while no EndSignals listens. Signal handlers can
// reach nothing but such process-wide values.
int g_signalSocket[2] = {-1, -1};
// The pipe that wakes the deadline's watch; -1 while no deadline is set. Once set it stays for the run.
int g_deadlinePipe[2] = {-1, -1};

extern "C" void onEndingSignal(int signalNumber)
{
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a full socket here; the signals already waiting say enough.
    [[maybe_unused]] const ssize_t written = ::write(g_signalSocket[0], &byte, 1);
    if (g_deadlinePipe[1] != -1) {
        [[maybe_unused]] const ssize_t woken = ::write(g_deadlinePipe[1], &byte, 1);
    }
}

// Sleeps until the first ending signal, then gives the orderly end its time and ends the process when
// that was not enough. It touches nothing of the program, so it works even while every other thread waits.
void watchDeadline(int readEnd, std::chrono::milliseconds deadline)
{
    unsigned char byte = 0;
    for (;;) {
        const ssize_t got = ::read(readEnd, &byte, 1);
        if (got == 1)
            break;
        if (got == 0 || errno != EINTR)
            return; // the pipe is unusable: there is no deadline to keep
    }
    timespec left{time_t(deadline.count() / 1000), long(deadline.count() % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0) {
    }
    ::_exit(128 + int(byte));
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent)
{
    if (g_signalSocket[0] != -1 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSocket) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalSocket[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &EndSignals::readSignal);

    struct sigaction action = {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : EndingSignals)
        sigaction(signalNumber, &action, nullptr);
}

EndSignals::~EndSignals()
{
    if (!m_notifier)
        return;
    for (int signalNumber : EndingSignals)
        std::signal(signalNumber, SIG_DFL);
    m_notifier.reset();
    ::close(g_signalSocket[0]);
    ::close(g_signalSocket[1]);
    g_signalSocket[0] = g_signalSocket[1] = -1;
}

void EndSignals::setDeadline(std::chrono::milliseconds deadline)
{
    if (!m_notifier || g_deadlinePipe[0] != -1 || ::pipe2(g_deadlinePipe, O_CLOEXEC) != 0)
        return;
    // Never joined: the watch lives until the process ends, one way or the other.
    std::thread(watchDeadline, g_deadlinePipe[0], deadline).detach();
}

void EndSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_signalSocket[1], &byte, 1) == 1)
        emit EndRequested(int(byte));
}

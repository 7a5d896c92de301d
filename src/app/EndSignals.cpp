#include "app/EndSignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> EndingSignals = {SIGTERM, SIGHUP, SIGINT};

// The two ends of the socket the handler writes to; -1 while no EndSignals listens. Signal handlers can
// reach nothing but such process-wide values.
int g_signalSocket[2] = {-1, -1};

extern "C" void onEndingSignal(int signalNumber)
{
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a full socket here; the signals already waiting say enough.
    [[maybe_unused]] const ssize_t written = ::write(g_signalSocket[0], &byte, 1);
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

void EndSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_signalSocket[1], &byte, 1) == 1)
        emit EndRequested(int(byte));
}

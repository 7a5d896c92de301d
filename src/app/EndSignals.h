#pragma once

#include <QObject>

#include <chrono>
#include <memory>

class QSocketNotifier;

// Turns the signals that ask a process to end (SIGTERM when the desktop session closes, SIGHUP, SIGINT
// from a terminal) into a request the window's thread answers, so that the program ends as "Exit" ends
// it: the window's place and the last second the alarm check covered are saved on the way out. The
// handler itself only writes one byte to a socket, which is all a signal handler may safely do.
class EndSignals : public QObject
{
    Q_OBJECT

public:
    // One per process; a second one is refused (isListening() is false).
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;

    bool isListening() const { return m_notifier != nullptr; }

    // From the first ending signal on, the process is given this long to end as "Exit" ends it; should
    // it still run then (its window's thread held by something outside the program), it ends on the spot.
    // Set once, by the program itself; a test that sends itself signals does not set it.
    void setDeadline(std::chrono::milliseconds deadline);

signals:
    void EndRequested(int signalNumber);

private:
    void readSignal();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

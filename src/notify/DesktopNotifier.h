#pragma once

#include "notify/AlarmNotice.h"

#include <QString>
#include <QThread>

#include <chrono>
#include <memory>

class NotificationSender;

// Sends each alarm to the desktop's notification service (org.freedesktop.Notifications on the session
// bus) as a critical notification, so that it shows on every workspace, over full-screen programs and in
// the desktop's history. Connecting and talking to the bus happen on a thread of their own: the window's
// thread never waits on the bus. Without a bus or a notification service nothing is sent and nothing is
// reported; the alarm window is there in any case.
//
// A bus may stop answering in the middle of a run, leaving the sender's thread waiting inside the bus
// library for good. The notifier therefore never waits for that thread longer than a moment: when it goes,
// a sender still stuck is left behind, and senderLeftBehind() tells the program to end without waiting
// for the bus library either.
class DesktopNotifier : public AlarmNotifier
{
public:
    // How long the notifier waits, when it goes, for what it was given to be sent.
    static constexpr std::chrono::milliseconds EndPatience{500};

    // The session bus the desktop gave the program, or the user's bus in the runtime folder; empty when
    // there is none.
    static QString sessionBusAddress();

    // Sends to the bus at the address; the empty address sends nothing.
    explicit DesktopNotifier(const QString& busAddress = sessionBusAddress());
    ~DesktopNotifier() override;
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    // Returns at once; the notification follows on the sender's thread.
    void notify(const AlarmNotice& notice) override;
    void withdraw(quint64 key) override;
    // A word of the program's own to the user (not an alarm), shown as an ordinary notification.
    void inform(const QString& summary, const QString& body);

    bool sends() const { return !m_address.isEmpty(); }
    // True once a notifier of this process went while its sender was still waiting on the bus.
    static bool senderLeftBehind();

private:
    NotificationSender* startedSender();

    QString m_address;
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<NotificationSender> m_sender;
    // Lives on the window's thread: the sender's word of an action reaches the handler through it, and
    // nothing reaches it once the notifier is gone.
    std::unique_ptr<QObject> m_receiver = std::make_unique<QObject>();
};

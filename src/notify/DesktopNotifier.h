#pragma once

#include "notify/AlarmNotice.h"

#include <QThread>

#include <memory>

class NotificationSender;

// Sends each alarm to the desktop's notification service (org.freedesktop.Notifications on the session
// bus) as a critical notification, so that it shows on every workspace, over full-screen programs and in
// the desktop's history. Connecting and talking to the bus happen on a thread of their own: the window's
// thread never waits on the bus. Without a bus or a notification service nothing is sent and nothing is
// reported; the alarm window is there in any case.
class DesktopNotifier : public AlarmNotifier
{
public:
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

private:
    void startSender();

    QString m_address;
    QThread m_thread;
    std::unique_ptr<NotificationSender> m_sender;
    // Lives on the window's thread: the sender's word of an action reaches the handler through it, and
    // nothing reaches it once the notifier is gone.
    std::unique_ptr<QObject> m_receiver = std::make_unique<QObject>();
};

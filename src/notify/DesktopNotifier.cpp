#include "notify/DesktopNotifier.h"

#include "notify/NotificationSender.h"

#include <QFileInfo>

DesktopNotifier::DesktopNotifier(const QString& busAddress) : m_address(busAddress)
{
    m_thread.setObjectName(QStringLiteral("DesktopNotifier"));
}

DesktopNotifier::~DesktopNotifier()
{
    m_thread.quit();
    m_thread.wait();
}

QString DesktopNotifier::sessionBusAddress()
{
    const QString given = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!given.isEmpty())
        return given;
    // A desktop that runs one bus per user session keeps it in the runtime folder without saying so.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString perUser = runtime + QStringLiteral("/bus");
    if (!runtime.isEmpty() && QFileInfo(perUser).exists())
        return QStringLiteral("unix:path=") + perUser;
    return {};
}

void DesktopNotifier::notify(const AlarmNotice& notice)
{
    if (m_address.isEmpty())
        return;
    startSender();
    NotificationSender* sender = m_sender.get();
    QMetaObject::invokeMethod(
        sender, [sender, notice] { sender->send(notice); }, Qt::QueuedConnection);
}

void DesktopNotifier::withdraw(quint64 key)
{
    if (!m_sender)
        return;
    NotificationSender* sender = m_sender.get();
    QMetaObject::invokeMethod(
        sender, [sender, key] { sender->withdraw(key); }, Qt::QueuedConnection);
}

void DesktopNotifier::startSender()
{
    // The thread starts with the first alarm, so that a run without alarms keeps no thread waiting.
    if (m_sender)
        return;
    m_sender = std::make_unique<NotificationSender>(m_address);
    QObject::connect(m_sender.get(), &NotificationSender::ActionChosen, m_receiver.get(),
                     [this](quint64 key, NoticeAction action) { invokeAction(key, action); });
    m_sender->moveToThread(&m_thread);
    m_thread.start();
}

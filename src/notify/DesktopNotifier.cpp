#include "notify/DesktopNotifier.h"

#include "notify/NotificationSender.h"

#include <QFileInfo>

#include <atomic>

namespace {

std::atomic<bool> g_senderLeftBehind{false};

} // namespace

DesktopNotifier::DesktopNotifier(const QString& busAddress) : m_address(busAddress) {}

DesktopNotifier::~DesktopNotifier()
{
    // Actions that arrive from now on have nobody to reach.
    m_receiver.reset();
    if (!m_thread)
        return;
    // Asked in turn behind what was handed over, so that every notification already given is sent first.
    QThread* thread = m_thread.get();
    QMetaObject::invokeMethod(m_sender.get(), [thread] { thread->quit(); }, Qt::QueuedConnection);
    // What was handed over is normally sent within milliseconds; a bus that stopped answering is not
    // waited for. The thread and its sender are then left to the end of the process, which does not wait
    // for them either.
    if (!m_thread->wait(int(EndPatience.count()))) {
        g_senderLeftBehind = true;
        (void)m_sender.release();
        (void)m_thread.release();
    }
}

bool DesktopNotifier::senderLeftBehind()
{
    return g_senderLeftBehind;
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
    if (NotificationSender* sender = startedSender())
        QMetaObject::invokeMethod(sender, [sender, notice] { sender->send(notice); }, Qt::QueuedConnection);
}

void DesktopNotifier::withdraw(quint64 key)
{
    if (!m_sender)
        return;
    NotificationSender* sender = m_sender.get();
    QMetaObject::invokeMethod(sender, [sender, key] { sender->withdraw(key); }, Qt::QueuedConnection);
}

void DesktopNotifier::inform(const QString& summary, const QString& body)
{
    if (NotificationSender* sender = startedSender())
        QMetaObject::invokeMethod(
            sender, [sender, summary, body] { sender->inform(summary, body); }, Qt::QueuedConnection);
}

NotificationSender* DesktopNotifier::startedSender()
{
    if (m_address.isEmpty())
        return nullptr;
    // The thread starts with the first notification, so that a run without alarms keeps no thread waiting.
    if (!m_sender) {
        m_thread = std::make_unique<QThread>();
        m_thread->setObjectName(QStringLiteral("DesktopNotifier"));
        m_sender = std::make_unique<NotificationSender>(m_address);
        QObject::connect(m_sender.get(), &NotificationSender::ActionChosen, m_receiver.get(),
                         [this](quint64 key, NoticeAction action) { invokeAction(key, action); });
        m_sender->moveToThread(m_thread.get());
        m_thread->start();
    }
    return m_sender.get();
}

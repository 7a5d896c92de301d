#include "notify/NotificationSender.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// How long the sender's thread waits for the service to say what it can show.
constexpr int CapabilitiesTimeoutMs = 2000;
constexpr uchar CriticalUrgency = 2;
constexpr int ServerDecidesExpiry = -1;
// How long the sender's thread waits for the number the service gives a notification with actions.
constexpr int NotifyTimeoutMs = 2000;

} // namespace

const QString NotificationSender::SnoozeKey = QStringLiteral("snooze");
const QString NotificationSender::DismissKey = QStringLiteral("dismiss");

NotificationSender::NotificationSender(QString busAddress)
    : m_address(std::move(busAddress)),
      m_connectionName(QStringLiteral("zentravio-notify-%1").arg(quintptr(this), 0, 16))
{}

NotificationSender::~NotificationSender()
{
    if (m_tried)
        QDBusConnection::disconnectFromBus(m_connectionName);
}

bool NotificationSender::connectOnce()
{
    if (!m_tried) {
        m_tried = true;
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connectionName);
        if (!bus.isConnected())
            return false;
        QDBusMessage ask =
            QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
        const QDBusReply<QStringList> capabilities = bus.call(ask, QDBus::Block, CapabilitiesTimeoutMs);
        m_bodyIsMarkup =
            capabilities.isValid() && capabilities.value().contains(QStringLiteral("body-markup"));
        // A service without buttons gets none; one with them tells which was pressed.
        m_hasActions = capabilities.isValid() && capabilities.value().contains(QStringLiteral("actions"));
        if (m_hasActions) {
            bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                        "1onActionInvoked(uint,QString)");
            bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                        "1onNotificationClosed(uint,uint)");
        }
    }
    return QDBusConnection(m_connectionName).isConnected();
}

void NotificationSender::send(const AlarmNotice& notice)
{
    if (!connectOnce())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const bool withActions = m_hasActions && notice.key != 0;
    message.setArguments(notifyArguments(notice, m_bodyIsMarkup, withActions));
    QDBusConnection bus(m_connectionName);
    if (!withActions) {
        // No answer is awaited: a missing service answers with an error nobody needs to see.
        bus.send(message);
        return;
    }
    // The notification's number ties its buttons, and its withdrawal, to the alarm.
    const QDBusReply<uint> id = bus.call(message, QDBus::Block, NotifyTimeoutMs);
    if (!id.isValid())
        return;
    m_keys[id.value()] = notice.key;
    m_ids[notice.key] = id.value();
}

void NotificationSender::withdraw(quint64 key)
{
    const auto found = m_ids.find(key);
    if (found == m_ids.end())
        return;
    const uint id = found->second;
    m_ids.erase(found);
    m_keys.erase(id);
    QDBusMessage message =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("CloseNotification"));
    message.setArguments({id});
    QDBusConnection(m_connectionName).send(message);
}

void NotificationSender::onActionInvoked(uint id, const QString& actionKey)
{
    const auto found = m_keys.find(id);
    if (found == m_keys.end())
        return;
    const quint64 key = found->second;
    if (actionKey == SnoozeKey)
        emit ActionChosen(key, NoticeAction::Snooze);
    else if (actionKey == DismissKey)
        emit ActionChosen(key, NoticeAction::Dismiss);
}

void NotificationSender::onNotificationClosed(uint id, uint)
{
    const auto found = m_keys.find(id);
    if (found == m_keys.end())
        return;
    m_ids.erase(found->second);
    m_keys.erase(found);
}

QVariantList NotificationSender::notifyArguments(const AlarmNotice& notice, bool bodyIsMarkup,
                                                 bool withActions)
{
    QString body = notice.note.isEmpty() ? QString() : notice.note + QLatin1Char('\n');
    body += notice.snoozedFrom ? notice.snoozedLine() : notice.dueLine();
    if (bodyIsMarkup)
        body = body.toHtmlEscaped();
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(CriticalUrgency));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.zentravio.Zentravio"));
    // A notification with no summary is one many desktops do not show.
    QString summary = notice.subject.isEmpty() ? QStringLiteral("Zentravio Alarm") : notice.subject;
    if (notice.count > 1) {
        // Alarms that came due together share one notification, which says how many they are.
        summary = QCoreApplication::translate("NotificationSender", "%1 alarms are due").arg(notice.count);
        body = QCoreApplication::translate("NotificationSender", "The first: %1").arg(notice.subject);
        if (bodyIsMarkup)
            body = body.toHtmlEscaped();
    }
    QStringList actions;
    if (withActions)
        actions << SnoozeKey << QCoreApplication::translate("NotificationSender", "Snooze 10 minutes")
                << DismissKey << QCoreApplication::translate("NotificationSender", "Dismiss");
    return {
        QStringLiteral("Zentravio"), quint32(0), QStringLiteral("zentravio"), summary, body, actions, hints,
        ServerDecidesExpiry};
}

#include "notify/NotificationSender.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// How long the sender's thread waits for the service to say what it can show.
constexpr int CapabilitiesTimeoutMs = 2000;
constexpr uchar NormalUrgency = 1;
constexpr uchar CriticalUrgency = 2;
constexpr int ServerDecidesExpiry = -1;

QVariantList notifyCall(const QString& summary, const QString& body, uchar urgency)
{
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(urgency));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.zentravio.Zentravio"));
    return {QStringLiteral("Zentravio"), quint32(0),   QStringLiteral("zentravio"), summary, body,
            QStringList(),              hints, ServerDecidesExpiry};
}

} // namespace

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
    }
    return QDBusConnection(m_connectionName).isConnected();
}

void NotificationSender::send(const AlarmNotice& notice)
{
    if (connectOnce())
        call(notifyArguments(notice, m_bodyIsMarkup));
}

void NotificationSender::inform(const QString& summary, const QString& body)
{
    if (connectOnce())
        call(informArguments(summary, body, m_bodyIsMarkup));
}

void NotificationSender::call(const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    message.setArguments(arguments);
    // No answer is awaited: a missing service answers with an error nobody needs to see.
    QDBusConnection(m_connectionName).send(message);
}

QVariantList NotificationSender::notifyArguments(const AlarmNotice& notice, bool bodyIsMarkup)
{
    QString body = notice.note.isEmpty() ? QString() : notice.note + QLatin1Char('\n');
    body += notice.dueLine();
    if (bodyIsMarkup)
        body = body.toHtmlEscaped();
    // A notification with no summary is one many desktops do not show.
    const QString summary = notice.subject.isEmpty() ? QStringLiteral("Zentravio Alarm") : notice.subject;
    return notifyCall(summary, body, CriticalUrgency);
}

QVariantList NotificationSender::informArguments(const QString& summary, const QString& body, bool bodyIsMarkup)
{
    return notifyCall(summary, bodyIsMarkup ? body.toHtmlEscaped() : body, NormalUrgency);
}

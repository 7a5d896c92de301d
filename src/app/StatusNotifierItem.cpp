#include "app/StatusNotifierItem.h"

#include "app/StatusNotifierAdaptor.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QImage>
#include <QtEndian>

const QString StatusNotifierItem::WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString StatusNotifierItem::WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString StatusNotifierItem::ItemPath = QStringLiteral("/StatusNotifierItem");

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& tip)
{
    argument.beginStructure();
    argument << tip.iconName << tip.pixmaps << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& tip)
{
    argument.beginStructure();
    argument >> tip.iconName >> tip.pixmaps >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

StatusNotifierItem::StatusNotifierItem(const QDBusConnection& bus, const QIcon& icon, const QString& tip,
                                       QObject* parent)
    : QObject(parent), m_bus(bus),
      m_watcher(new QDBusServiceWatcher(WatcherService, bus, QDBusServiceWatcher::WatchForOwnerChange, this)),
      m_pixmaps(pixmapsOf(icon)), m_tip(tip)
{
    qDBusRegisterMetaType<StatusNotifierPixmap>();
    qDBusRegisterMetaType<StatusNotifierPixmaps>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
    if (!m_bus.isConnected())
        return;
    new StatusNotifierAdaptor(this); // a child of the item
    // Offered under the connection's own name, which asks nothing of the bus that could keep it waiting.
    m_registered = m_bus.registerObject(ItemPath, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { watcherOwnerChanged(newOwner); });
    // A watcher already there is met as one that has just come.
    const QDBusMessage ask = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                            QStringLiteral("/org/freedesktop/DBus"),
                                                            QStringLiteral("org.freedesktop.DBus"),
                                                            QStringLiteral("GetNameOwner"))
                             << WatcherService;
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusPendingReply<QString> owner = *answer;
        if (owner.isValid() && m_watcherOwner.isEmpty())
            watcherOwnerChanged(owner.value());
    });
    // A notification area that comes to a watcher already there says so.
    m_bus.connect(WatcherService, WatcherPath, WatcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
                  "1askForHost()");
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_registered)
        m_bus.unregisterObject(ItemPath);
}

StatusNotifierPixmaps StatusNotifierItem::pixmapsOf(const QIcon& icon)
{
    StatusNotifierPixmaps pixmaps;
    for (int side : {16, 22, 24, 32, 48}) {
        QImage image = icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        StatusNotifierPixmap pixmap{image.width(), image.height(), {}};
        pixmap.pixels.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(pixmap.pixels.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian<quint32>(row[x]);
        }
        pixmaps << pixmap;
    }
    return pixmaps;
}

void StatusNotifierItem::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    emit statusChanged(status());
}

QString StatusNotifierItem::status() const
{
    return m_shown ? QStringLiteral("Active") : QStringLiteral("Passive");
}

StatusNotifierToolTip StatusNotifierItem::toolTip() const
{
    return {iconName(), {}, title(), m_tip};
}

void StatusNotifierItem::activate(int, int)
{
    emit activated();
}

void StatusNotifierItem::contextMenu(int x, int y)
{
    emit menuAsked(QPoint(x, y));
}

void StatusNotifierItem::watcherOwnerChanged(const QString& newOwner)
{
    ++m_round;
    m_watcherOwner = newOwner;
    if (newOwner.isEmpty()) {
        setPresent(false);
        return;
    }
    offerToWatcher();
}

bool StatusNotifierItem::stale(QDBusPendingCallWatcher* call) const
{
    return call->property("round").toULongLong() != m_round;
}

void StatusNotifierItem::offerToWatcher()
{
    if (!m_registered)
        return;
    QDBusMessage offer =
        QDBusMessage::createMethodCall(WatcherService, WatcherPath, WatcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    offer << m_bus.baseService();
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(offer), this);
    call->setProperty("round", m_round);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        if (stale(answer))
            return;
        if (answer->isError()) {
            setPresent(false);
            return;
        }
        askForHost();
    });
}

void StatusNotifierItem::askForHost()
{
    if (m_watcherOwner.isEmpty())
        return;
    QDBusMessage ask = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    ask << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    call->setProperty("round", m_round);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        if (stale(answer))
            return;
        const QDBusPendingReply<QDBusVariant> host = *answer;
        // A watcher that does not say is taken at its word that it keeps items for an area.
        setPresent(host.isError() || host.value().variant().toBool());
    });
}

void StatusNotifierItem::setPresent(bool present)
{
    if (present == m_present)
        return;
    m_present = present;
    emit presenceChanged(present);
}

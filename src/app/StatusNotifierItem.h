#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

// One picture of the icon as the notification area reads it: its size and its pixels, ARGB32 in network
// byte order.
struct StatusNotifierPixmap
{
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using StatusNotifierPixmaps = QList<StatusNotifierPixmap>;

// The tip: an icon name, pictures, a title and a text.
struct StatusNotifierToolTip
{
    QString iconName;
    StatusNotifierPixmaps pixmaps;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& tip);

// The program's icon as a status notifier item on the session bus, for notification areas that show such
// items (swaybar, Waybar, KDE, Xfce, GNOME with its extension). The area may come up after the program,
// at login, or be restarted: the item follows the owner of the watcher's name on the bus, and offers
// itself again to every new one. The area passes on a click (activated) and a right click with the place
// it wants the menu at (menuAsked). Nothing here waits on the bus.
class StatusNotifierItem : public QObject
{
    Q_OBJECT

public:
    static const QString WatcherService;
    static const QString WatcherPath;
    static const QString ItemPath;

    StatusNotifierItem(const QDBusConnection& bus, const QIcon& icon, const QString& tip, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // True while a watcher has taken the item in and a notification area shows what it holds.
    bool present() const { return m_present; }
    // Shown or withdrawn: an item withdrawn stays on the bus, but asks the area not to show it.
    void setShown(bool shown);
    bool shown() const { return m_shown; }

    // What the area reads of the item.
    QString status() const;
    QString iconName() const { return QStringLiteral("zentravio"); }
    StatusNotifierPixmaps iconPixmaps() const { return m_pixmaps; }
    StatusNotifierToolTip toolTip() const;
    QString title() const { return QStringLiteral("Zentravio"); }

    // The calls the area makes, from the bus.
    void activate(int x, int y);
    void contextMenu(int x, int y);

    static StatusNotifierPixmaps pixmapsOf(const QIcon& icon);

signals:
    void presenceChanged(bool present);
    void activated();
    void menuAsked(const QPoint& globalPos);
    // For the area: the item was shown or withdrawn.
    void statusChanged(const QString& status);

private slots:
    // Reads whether the watcher now keeps items for a notification area.
    void askForHost();

private:
    void watcherOwnerChanged(const QString& newOwner);
    void offerToWatcher();
    void setPresent(bool present);
    // Answers that come for a watcher that has gone since are let go.
    bool stale(QDBusPendingCallWatcher* call) const;

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher;
    StatusNotifierPixmaps m_pixmaps;
    QString m_tip;
    QString m_watcherOwner;
    quint64 m_round = 0; // counts the watchers met, so that an answer of an earlier one is known
    bool m_registered = false;
    bool m_present = false;
    bool m_shown = true;
};

Q_DECLARE_METATYPE(StatusNotifierPixmap)
Q_DECLARE_METATYPE(StatusNotifierToolTip)

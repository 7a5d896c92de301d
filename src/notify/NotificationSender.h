#pragma once

#include "notify/AlarmNotice.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <unordered_map>

// The part of the desktop notifier that lives on its own thread: it connects to the bus on the first
// notification, asks the notification service once whether it reads markup, and sends.
class NotificationSender : public QObject
{
    Q_OBJECT

public:
    explicit NotificationSender(QString busAddress);
    ~NotificationSender() override;

    void send(const AlarmNotice& notice);
    // Closes the notification of the alarm with this key, when the service still shows it.
    void withdraw(quint64 key);

    // The arguments of the service's Notify call, in order, for a notice. Markup in the entry's texts is
    // escaped where the service reads the body as markup, so that they show as the characters they are.
    // With actions the notification offers "Snooze 10 minutes" and "Dismiss".
    static QVariantList notifyArguments(const AlarmNotice& notice, bool bodyIsMarkup,
                                        bool withActions = false);

    // The action keys of the notification's buttons.
    static const QString SnoozeKey;
    static const QString DismissKey;

signals:
    // The user chose an action on the notification of the alarm with this key.
    void ActionChosen(quint64 key, NoticeAction action);

private slots:
    // The service's signals, which the bus delivers to slots by name.
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    bool connectOnce();

    QString m_address;
    QString m_connectionName;
    bool m_tried = false;
    bool m_bodyIsMarkup = false;
    bool m_hasActions = false;
    // The service's number of each notification still shown, and the alarm it stands for.
    std::unordered_map<uint, quint64> m_keys;
    std::unordered_map<quint64, uint> m_ids;
};

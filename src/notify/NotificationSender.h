#pragma once

#include "notify/AlarmNotice.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

// The part of the desktop notifier that lives on its own thread: it connects to the bus on the first
// notification, asks the notification service once whether it reads markup, and sends.
class NotificationSender : public QObject
{
    Q_OBJECT

public:
    explicit NotificationSender(QString busAddress);
    ~NotificationSender() override;

    void send(const AlarmNotice& notice);
    // A word of the program's own, at normal urgency.
    void inform(const QString& summary, const QString& body);

    // The arguments of the service's Notify call, in order, for a notice. Markup in the entry's texts is
    // escaped where the service reads the body as markup, so that they show as the characters they are.
    static QVariantList notifyArguments(const AlarmNotice& notice, bool bodyIsMarkup);
    static QVariantList informArguments(const QString& summary, const QString& body, bool bodyIsMarkup);

private:
    bool connectOnce();
    void call(const QVariantList& arguments);

    QString m_address;
    QString m_connectionName;
    bool m_tried = false;
    bool m_bodyIsMarkup = false;
};

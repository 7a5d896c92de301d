#include "notify/AlarmNotice.h"

#include "store/DateText.h"

#include <QCoreApplication>

QString AlarmNotice::dueLine() const
{
    const QString when = DateText::mmmmddyyyy(dueDate) + QLatin1Char(' ') + DateText::timeText(dueTime);
    return late ? QCoreApplication::translate("AlarmNotice", "Late: due %1").arg(when)
                : QCoreApplication::translate("AlarmNotice", "Due: %1").arg(when);
}

QString AlarmNotice::snoozedLine() const
{
    if (!snoozedFrom)
        return {};
    QString line =
        QCoreApplication::translate("AlarmNotice", "Snoozed from %1").arg(DateText::timeText(*snoozedFrom));
    if (late)
        line += QCoreApplication::translate("AlarmNotice", "; late, due %1").arg(DateText::timeText(dueTime));
    return line;
}

QString AlarmNotice::windowLine() const
{
    if (snoozedFrom)
        return snoozedLine();
    return late ? dueLine() : QString();
}

void AlarmNotifier::notify(const AlarmNotice&) {}

void AlarmNotifier::withdraw(quint64) {}

void AlarmNotifier::invokeAction(quint64 key, NoticeAction action)
{
    if (m_actionHandler)
        m_actionHandler(key, action);
}

AlarmNotifier& AlarmNotifier::none()
{
    static AlarmNotifier nothing;
    return nothing;
}

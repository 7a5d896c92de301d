#include "notify/AlarmNotice.h"

#include "store/DateText.h"

#include <QCoreApplication>

QString AlarmNotice::dueLine() const
{
    const QString when = DateText::mmmmddyyyy(dueDate) + QLatin1Char(' ') + DateText::timeText(dueTime);
    return late ? QCoreApplication::translate("AlarmNotice", "Late: due %1").arg(when)
                : QCoreApplication::translate("AlarmNotice", "Due: %1").arg(when);
}

void AlarmNotifier::notify(const AlarmNotice&) {}

AlarmNotifier& AlarmNotifier::none()
{
    static AlarmNotifier nothing;
    return nothing;
}

#include "alarm/SnoozeChoice.h"

#include "forms/ClickLabel.h"

#include <QComboBox>
#include <QCoreApplication>

namespace SnoozeChoice {

QComboBox* makeCombo(QWidget* form, const QRect& place, const QFont& font)
{
    auto* combo = new QComboBox(form);
    combo->setObjectName(QStringLiteral("SnoozeChoice"));
    combo->setAccessibleName(QCoreApplication::translate("SnoozeChoice", "Snooze for"));
    combo->setFont(font);
    combo->setGeometry(place);
    for (int minutes : Minutes) {
        const QString text = minutes == 60
                                 ? QCoreApplication::translate("SnoozeChoice", "1 hour")
                                 : QCoreApplication::translate("SnoozeChoice", "%1 minutes").arg(minutes);
        combo->addItem(text, minutes);
        if (minutes == DefaultMinutes)
            combo->setCurrentIndex(combo->count() - 1);
    }
    return combo;
}

QLabel* makeCaption(QWidget* form, const QRect& place, const QFont& font, QComboBox* combo)
{
    auto* caption = new ClickLabel(QCoreApplication::translate("SnoozeChoice", "Snooze for:"), form);
    caption->setObjectName(QStringLiteral("SnoozeCaption"));
    caption->setFont(font);
    caption->setGeometry(place);
    caption->setBuddy(combo);
    return caption;
}

int minutesOf(const QComboBox* combo)
{
    const int minutes = combo->currentData().toInt();
    return minutes > 0 ? minutes : DefaultMinutes;
}

} // namespace SnoozeChoice

#pragma once

#include <QAccessible>
#include <QPointer>
#include <QString>

#include <optional>
#include <vector>

// Hears what a screen reader would be told: switches the platform's accessibility on (the offscreen
// platform leaves it off) and records every event the program sends, with what the event's object said
// of itself at that moment. One recorder at a time.
class AccessibleEvents
{
public:
    struct Event
    {
        QAccessible::Event type;
        QPointer<QObject> object;
        int child = -1;
        QAccessible::Role role = QAccessible::NoRole;
        QString name;
        QString description;
    };

    AccessibleEvents();
    ~AccessibleEvents();
    AccessibleEvents(const AccessibleEvents&) = delete;
    AccessibleEvents& operator=(const AccessibleEvents&) = delete;

    void clear();
    // The events so far, after the ones now waiting have been sent.
    std::vector<Event> events() const;
    // The last focus change a reader was told of; none when there was none.
    std::optional<Event> lastFocus() const;
    // The name of the last focus, or the empty text.
    QString focusName() const;
};

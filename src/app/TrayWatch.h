#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Keeps looking whether the desktop has a notification area. At login the panel often starts after the
// program, and a panel may be restarted or removed while the program runs; the icon and what "hide" does
// follow what is there now, not what was there at the start.
class TrayWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int LookIntervalMs = 3000;

    // available: asks the desktop; tests hand in their own answer.
    explicit TrayWatch(std::function<bool()> available, QObject* parent = nullptr);

    bool present() const { return m_present; }
    // Asks again now; reports a change.
    void look();

signals:
    void presenceChanged(bool present);

private:
    std::function<bool()> m_available;
    QTimer m_timer;
    bool m_present;
};

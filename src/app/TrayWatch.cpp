#include "app/TrayWatch.h"

TrayWatch::TrayWatch(std::function<bool()> available, QObject* parent)
    : QObject(parent), m_available(std::move(available)), m_present(m_available && m_available())
{
    m_timer.setInterval(LookIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TrayWatch::look);
    m_timer.start();
}

void TrayWatch::look()
{
    const bool present = m_available && m_available();
    if (present == m_present)
        return;
    m_present = present;
    emit presenceChanged(present);
}

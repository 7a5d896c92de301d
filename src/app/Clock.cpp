#include "app/Clock.h"

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

ManualClock::ManualClock(QDateTime start) : m_now(std::move(start)) {}

#pragma once

#include "store/Clock.h"

// A clock that stands still until it is set or advanced, so that tests and benchmarks decide what time
// it is instead of waiting for it.
class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2003, 3, 7), QTime(12, 0)))
        : m_now(std::move(start))
    {}

    QDateTime now() const override { return m_now; }
    void set(const QDateTime& when) { m_now = when; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    void advanceMilliseconds(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

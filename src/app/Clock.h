#pragma once

#include <QDateTime>

// Every reading of "now" in the program goes through one clock, so that tests and benchmarks can
// set the time instead of waiting for it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    QDate today() const { return now().date(); }
};

// The wall clock of the machine, in local time.
class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};

// A clock that stands still until it is set or advanced.
class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2003, 3, 7), QTime(12, 0)));

    QDateTime now() const override { return m_now; }
    void set(const QDateTime& when) { m_now = when; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

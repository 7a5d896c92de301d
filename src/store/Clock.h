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

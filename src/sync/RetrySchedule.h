#pragma once

#include "sync/DavError.h"

// When to try again after a sync failed: soon after the first failure, then twice as long after each
// further one up to a ceiling, so that a server that is down is not asked every few seconds for hours,
// and back to the first wait after a success. Faults that waiting cannot mend (a refused password, a
// certificate) are not retried at all: they wait for the user.
class RetrySchedule
{
public:
    static constexpr int DefaultFirstMs = 15 * 1000;
    static constexpr int DefaultCeilingMs = 15 * 60 * 1000;

    explicit RetrySchedule(int firstMs = DefaultFirstMs, int ceilingMs = DefaultCeilingMs);

    // Records a failure; the wait before the next try, or -1 when this fault is not retried.
    int failed(const DavError& error);
    void succeeded();
    int failures() const { return m_failures; }

private:
    int m_firstMs;
    int m_ceilingMs;
    int m_failures = 0;
};

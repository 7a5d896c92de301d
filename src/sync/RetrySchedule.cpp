#include "sync/RetrySchedule.h"

#include <algorithm>

RetrySchedule::RetrySchedule(int firstMs, int ceilingMs) : m_firstMs(firstMs), m_ceilingMs(ceilingMs) {}

int RetrySchedule::failed(const DavError& error)
{
    if (!error.worthRetrying())
        return -1;
    ++m_failures;
    qint64 wait = m_firstMs;
    for (int i = 1; i < m_failures && wait < m_ceilingMs; ++i)
        wait *= 2;
    return static_cast<int>(std::min<qint64>(wait, m_ceilingMs));
}

void RetrySchedule::succeeded()
{
    m_failures = 0;
}

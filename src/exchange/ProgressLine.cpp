#include "exchange/ProgressLine.h"

#include <QCoreApplication>

ProgressLine::ProgressLine(QString doing, Elapsed elapsed, Print print)
    : m_doing(std::move(doing)), m_elapsed(std::move(elapsed)), m_print(std::move(print))
{}

void ProgressLine::step(qint64 done, qint64 total)
{
    // Reading the time for every entry would cost more than the entry itself.
    if (!m_print || m_calls++ % 256 != 0)
        return;
    const qint64 now = m_elapsed();
    if (now < m_nextAt)
        return;
    m_nextAt = now + IntervalMs;
    const qint64 percent = total > 0 ? done * 100 / total : 100;
    m_print(QCoreApplication::translate("ProgressLine", "%1: %2% done").arg(m_doing).arg(percent));
}

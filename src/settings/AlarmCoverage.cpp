#include "settings/AlarmCoverage.h"

#include "settings/SettingsStore.h"
#include "store/Recurrence.h"

#include <QDate>
#include <QTime>

namespace {

const QString Group = QStringLiteral("Alarms");
const QString ValueName = QStringLiteral("LastCovered");
const QString DateFormat = QStringLiteral("yyyy-MM-dd");
const QString TimeFormat = QStringLiteral("HH:mm:ss");
constexpr qsizetype TextLength = 19; // "2026-12-05T09:00:00"

} // namespace

AlarmCoverage::AlarmCoverage(SettingsStore& store) : m_store(store) {}

AlarmCoverage::~AlarmCoverage()
{
    flush();
}

std::optional<qint64> AlarmCoverage::recorded() const
{
    const QString text = m_store.GetString(Group, ValueName);
    if (text.size() != TextLength || text.at(10) != QLatin1Char('T'))
        return std::nullopt;
    const QDate date = QDate::fromString(text.left(10), DateFormat);
    const QTime time = QTime::fromString(text.mid(11), TimeFormat);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return Recurrence::wallSecond(date, qint32(time.msecsSinceStartOfDay() / 1000));
}

void AlarmCoverage::covered(qint64 second)
{
    m_latest = second;
    if (!m_tried || m_writeNext || second - *m_tried >= WriteEvery || *m_tried - second >= StepBack)
        write(second);
}

bool AlarmCoverage::ringing(qint64 second)
{
    m_latest = second;
    return m_written == second || write(second);
}

bool AlarmCoverage::flush()
{
    if (!m_latest || m_latest == m_written)
        return true;
    return write(*m_latest);
}

bool AlarmCoverage::write(qint64 second)
{
    // Date and time are written as the wall clock read them, never moved by a daylight-saving step.
    const QString text = Recurrence::wallDate(second).toString(DateFormat) + QLatin1Char('T') +
                         Recurrence::wallTime(second).toString(TimeFormat);
    // A failed write is tried again WriteEvery later (or when an alarm rings), not on every tick; the main
    // window, which saves its own settings at the end, reports a settings file that cannot be written.
    m_tried = second;
    m_writeNext = false;
    if (!m_store.SaveString(Group, ValueName, text))
        return false;
    m_written = second;
    return true;
}

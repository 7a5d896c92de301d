#include "occurrence/WallToLocal.h"

#include <QDateTime>

#include <algorithm>

namespace {

constexpr qint64 SecondsPerDay = 86400;
// Wider than any change of offset, so that a time the change skips or repeats is never placed here.
constexpr qint64 Margin = 2 * SecondsPerDay;

QDateTime utcAt(qint64 moment)
{
    return QDateTime::fromSecsSinceEpoch(moment - WallToLocal::EpochSecond, QTimeZone::utc());
}

} // namespace

WallToLocal::Offsets WallToLocal::offsetsOf(const QTimeZone& zone, qint64 firstMoment, qint64 lastMoment)
{
    Offsets o;
    const QDateTime first = utcAt(firstMoment);
    o.from.push_back(firstMoment);
    o.offset.push_back(zone.offsetFromUtc(first));
    for (const QTimeZone::OffsetData& t : zone.transitions(first, utcAt(lastMoment))) {
        const qint64 at = t.atUtc.toSecsSinceEpoch() + EpochSecond;
        // A change of the zone's name alone is no change of its clock.
        if (t.offsetFromUtc == o.offset.back() || at <= o.from.back())
            continue;
        o.from.push_back(at);
        o.offset.push_back(t.offsetFromUtc);
    }
    for (size_t k = 0; k < o.from.size(); ++k)
        o.wallFrom.push_back(o.from[k] + o.offset[k]);
    return o;
}

WallToLocal::WallToLocal(const QTimeZone& zone, qint64 firstMoment, qint64 lastMoment)
    : m_local(offsetsOf(QTimeZone::systemTimeZone(), firstMoment, lastMoment)), m_last(lastMoment)
{
    m_zone = zone.isValid() ? offsetsOf(zone, firstMoment, lastMoment) : m_local;
}

std::optional<WallToLocal::Placed> WallToLocal::place(qint64 wallSecond) const
{
    const auto after = std::upper_bound(m_zone.wallFrom.begin(), m_zone.wallFrom.end(), wallSecond);
    if (after == m_zone.wallFrom.begin())
        return std::nullopt;
    const auto k = size_t(after - m_zone.wallFrom.begin()) - 1;
    const qint64 nextWall = after == m_zone.wallFrom.end() ? m_last + m_zone.offset[k] : *after;
    if (wallSecond - m_zone.wallFrom[k] < Margin || nextWall - wallSecond < Margin)
        return std::nullopt;
    const qint64 moment = wallSecond - m_zone.offset[size_t(k)];
    const std::optional<qint64> local = localOf(moment);
    if (!local)
        return std::nullopt;
    return Placed{moment, *local};
}

std::optional<qint64> WallToLocal::localOf(qint64 moment) const
{
    if (moment < m_local.from.front() || moment > m_last)
        return std::nullopt;
    const auto after = std::upper_bound(m_local.from.begin(), m_local.from.end(), moment);
    return moment + m_local.offset[size_t(after - m_local.from.begin()) - 1];
}

LocalPlacer LocalPlacer::forYears(int first, int last)
{
    return LocalPlacer(QDate(first - 1, 1, 1).toJulianDay() * SecondsPerDay,
                       QDate(last + 2, 1, 1).toJulianDay() * SecondsPerDay);
}

const WallToLocal& LocalPlacer::of(const QTimeZone& zone)
{
    const QByteArray id = zone.isValid() ? zone.id() : QByteArray();
    auto it = m_zones.find(id);
    if (it == m_zones.end())
        it = m_zones.insert(id, WallToLocal(zone, m_first, m_last));
    return *it;
}

#pragma once

#include <QHash>
#include <QTimeZone>

#include <optional>
#include <vector>

// Places the times of a zone's wall clock on the local clock by the two clocks' offsets, looked up once for
// a stretch of a few years, so that the occurrences of a year are placed without asking the zones for each
// one. A wall second is the day's Julian day number * 86400 plus the second of the day; a moment is
// counted the same way on the UTC clock.
class WallToLocal
{
public:
    // The wall clock of `zone`, or the local clock's own (floating times, whole days) when it is invalid,
    // for the moments from firstMoment to lastMoment.
    WallToLocal(const QTimeZone& zone, qint64 firstMoment, qint64 lastMoment);

    struct Placed
    {
        qint64 moment = 0;
        qint64 local = 0; // the local wall second
    };
    // Nothing within two days of a change of the zone's offset or of the stretch's ends: a wall time there
    // may be skipped or come twice, and the caller asks the zones themselves.
    std::optional<Placed> place(qint64 wallSecond) const;
    // The local wall second of a moment; nothing outside the stretch.
    std::optional<qint64> localOf(qint64 moment) const;

    // Seconds between the Julian day count and the Unix epoch.
    static constexpr qint64 EpochSecond = qint64(2440588) * 86400;

private:
    struct Offsets
    {
        std::vector<qint64> from; // the moment each offset begins, the first at the stretch's start
        std::vector<qint64> wallFrom; // the same on the zone's own wall clock
        std::vector<int> offset;
    };
    static Offsets offsetsOf(const QTimeZone& zone, qint64 firstMoment, qint64 lastMoment);

    Offsets m_zone;
    Offsets m_local;
    qint64 m_last = 0;
};

// The placements a worker needs for one stretch, one for each zone its events are written in.
class LocalPlacer
{
public:
    LocalPlacer(qint64 firstMoment, qint64 lastMoment) : m_first(firstMoment), m_last(lastMoment) {}
    // For the years first to last, with a year's room either side.
    static LocalPlacer forYears(int first, int last);
    const WallToLocal& of(const QTimeZone& zone);

private:
    qint64 m_first;
    qint64 m_last;
    QHash<QByteArray, WallToLocal> m_zones;
};

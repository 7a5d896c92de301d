#include "exchange/ZoneNames.h"

#include <QByteArrayList>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstring>

namespace {

// Outlook's display names, without their "(UTC+01:00) " in front, and the Windows zone each stands for.
struct DisplayName
{
    const char* display;
    const char* windowsId;
};

constexpr DisplayName DisplayNames[] = {
    {"Eastern Time (US & Canada)", "Eastern Standard Time"},
    {"Central Time (US & Canada)", "Central Standard Time"},
    {"Mountain Time (US & Canada)", "Mountain Standard Time"},
    {"Pacific Time (US & Canada)", "Pacific Standard Time"},
    {"Alaska", "Alaskan Standard Time"},
    {"Hawaii", "Hawaiian Standard Time"},
    {"Arizona", "US Mountain Standard Time"},
    {"Indiana (East)", "US Eastern Standard Time"},
    {"Saskatchewan", "Canada Central Standard Time"},
    {"Atlantic Time (Canada)", "Atlantic Standard Time"},
    {"Newfoundland", "Newfoundland Standard Time"},
    {"Guadalajara, Mexico City, Monterrey", "Central Standard Time (Mexico)"},
    {"Bogota, Lima, Quito, Rio Branco", "SA Pacific Standard Time"},
    {"Brasilia", "E. South America Standard Time"},
    {"City of Buenos Aires", "Argentina Standard Time"},
    {"Buenos Aires", "Argentina Standard Time"},
    {"Santiago", "Pacific SA Standard Time"},
    {"Coordinated Universal Time", "UTC"},
    {"Monrovia, Reykjavik", "Greenwich Standard Time"},
    {"Dublin, Edinburgh, Lisbon, London", "GMT Standard Time"},
    {"Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna", "W. Europe Standard Time"},
    {"Brussels, Copenhagen, Madrid, Paris", "Romance Standard Time"},
    {"Belgrade, Bratislava, Budapest, Ljubljana, Prague", "Central Europe Standard Time"},
    {"Sarajevo, Skopje, Warsaw, Zagreb", "Central European Standard Time"},
    {"West Central Africa", "W. Central Africa Standard Time"},
    {"Athens, Bucharest", "GTB Standard Time"},
    {"Helsinki, Kyiv, Riga, Sofia, Tallinn, Vilnius", "FLE Standard Time"},
    {"Helsinki, Kiev, Riga, Sofia, Tallinn, Vilnius", "FLE Standard Time"},
    {"Jerusalem", "Israel Standard Time"},
    {"Cairo", "Egypt Standard Time"},
    {"Harare, Pretoria", "South Africa Standard Time"},
    {"Istanbul", "Turkey Standard Time"},
    {"Moscow, St. Petersburg", "Russian Standard Time"},
    {"Moscow, St. Petersburg, Volgograd", "Russian Standard Time"},
    {"Nairobi", "E. Africa Standard Time"},
    {"Kuwait, Riyadh", "Arab Standard Time"},
    {"Tehran", "Iran Standard Time"},
    {"Abu Dhabi, Muscat", "Arabian Standard Time"},
    {"Islamabad, Karachi", "Pakistan Standard Time"},
    {"Chennai, Kolkata, Mumbai, New Delhi", "India Standard Time"},
    {"Dhaka", "Bangladesh Standard Time"},
    {"Bangkok, Hanoi, Jakarta", "SE Asia Standard Time"},
    {"Beijing, Chongqing, Hong Kong, Urumqi", "China Standard Time"},
    {"Kuala Lumpur, Singapore", "Singapore Standard Time"},
    {"Perth", "W. Australia Standard Time"},
    {"Taipei", "Taipei Standard Time"},
    {"Osaka, Sapporo, Tokyo", "Tokyo Standard Time"},
    {"Seoul", "Korea Standard Time"},
    {"Adelaide", "Cen. Australia Standard Time"},
    {"Darwin", "AUS Central Standard Time"},
    {"Brisbane", "E. Australia Standard Time"},
    {"Canberra, Melbourne, Sydney", "AUS Eastern Standard Time"},
    {"Hobart", "Tasmania Standard Time"},
    {"Auckland, Wellington", "New Zealand Standard Time"},
};

// "(UTC+01:00) Amsterdam, ..." and "(GMT+01.00) Amsterdam, ..." without the offset in front.
QByteArray withoutOffset(const QByteArray& name)
{
    if (!(name.startsWith("(UTC") || name.startsWith("(GMT")))
        return name;
    const qsizetype close = name.indexOf(')');
    return close < 0 ? name : name.mid(close + 1).trimmed();
}

// The zones and the older names of zones (tzdata's links: "US/Eastern", "Asia/Calcutta") that the
// system's time zone data holds beyond the list Qt offers, which names each zone once by its newest name.
struct TzdataNames
{
    QHash<QByteArray, QByteArray> links; // older name -> the zone it stands for
    QSet<QByteArray> zones;

    TzdataNames()
    {
        QFile file(qEnvironmentVariable("TZDIR", QStringLiteral("/usr/share/zoneinfo")) +
                   QStringLiteral("/tzdata.zi"));
        if (!file.open(QIODevice::ReadOnly))
            return;
        // "Z Europe/Berlin 0:53:28 - LMT 1893 Ap" names a zone, "L Europe/Kyiv Europe/Kiev" a link.
        while (!file.atEnd()) {
            const QByteArray line = file.readLine(4096);
            if (line.startsWith("Z ")) {
                zones.insert(line.mid(2, line.indexOf(' ', 2) - 2));
            } else if (line.startsWith("L ")) {
                const QList<QByteArray> parts = line.simplified().split(' ');
                if (parts.size() == 3)
                    links.insert(parts[2], parts[1]);
            }
        }
    }
};

const TzdataNames& tzdataNames()
{
    static const TzdataNames names;
    return names;
}

std::optional<QTimeZone> fromIana(const QByteArray& id)
{
    // The names are the system's own: no file is opened for a name its zone data does not hold. (Qt
    // would read an unknown name as a POSIX zone rule, "FOO" as UTC.) Zones without a region ("EST",
    // "CET") are abbreviations to a person more often than the fixed zones tzdata keeps under them.
    if (id.isEmpty())
        return std::nullopt;
    QByteArray known = id;
    if (!QTimeZone::isTimeZoneIdAvailable(id)) {
        const TzdataNames& names = tzdataNames();
        known = names.links.value(id, names.zones.contains(id) && id.contains('/') ? id : QByteArray());
        // A link may lead to a zone Qt's list leaves out, such as "Etc/GMT".
        if (known.isEmpty() || !(QTimeZone::isTimeZoneIdAvailable(known) || names.zones.contains(known)))
            return std::nullopt;
    }
    const QTimeZone zone(known);
    if (!zone.isValid())
        return std::nullopt;
    return zone;
}

} // namespace

bool ZoneNames::hasIanaForm(QByteArrayView name)
{
    if (name.isEmpty() || name.size() > 64 || name.front() == '/' || name.contains(QByteArrayView("..")))
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '+' || c == '-' || c == '/';
    });
}

bool ZoneNames::looksLikePath(QByteArrayView name)
{
    const QByteArrayView trimmed = name.trimmed();
    return trimmed.startsWith('/') || trimmed.contains(QByteArrayView("..")) ||
           std::any_of(trimmed.begin(), trimmed.end(), [](char c) { return uchar(c) < 0x20 || c == 0x7f; });
}

std::optional<QTimeZone> ZoneNames::systemZone(const QByteArray& name)
{
    const QByteArray trimmed = name.trimmed();
    if (hasIanaForm(trimmed)) {
        if (auto zone = fromIana(trimmed))
            return zone;
    }
    if (auto zone = fromIana(QTimeZone::windowsIdToDefaultIanaId(trimmed)))
        return zone;
    const QByteArray display = withoutOffset(trimmed);
    for (const DisplayName& known : DisplayNames) {
        if (display.compare(known.display, Qt::CaseInsensitive) == 0)
            return fromIana(QTimeZone::windowsIdToDefaultIanaId(QByteArray(known.windowsId)));
    }
    return std::nullopt;
}

#pragma once

#include <QByteArray>
#include <QTimeZone>

#include <optional>

// The system's time zone that a zone name of a calendar file stands for, when the file does not describe
// the zone itself: an IANA name the system knows ("Europe/Berlin"), a Windows zone id
// ("W. Europe Standard Time") or the display name Outlook writes ("(UTC-05:00) Eastern Time (US &
// Canada)"). Abbreviations such as "PST" or "IST" name several zones at once and are none of these.
namespace ZoneNames {

// Whether a name has the form of an IANA zone name: letters, digits and "_ + - /", no ".." and no
// leading "/". Only such a name is ever asked of the system, whose zone lookup opens the file of that
// name below its zone folder.
bool hasIanaForm(QByteArrayView name);

// Whether a name reaches into folders ("..", a leading "/") or holds control characters.
bool looksLikePath(QByteArrayView name);

std::optional<QTimeZone> systemZone(const QByteArray& name);

} // namespace ZoneNames

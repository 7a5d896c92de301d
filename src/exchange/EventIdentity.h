#pragma once

#include <QByteArray>
#include <QDateTime>

// What tells an event of a calendar file apart from every other, and which of two versions of it is the
// later one: its UID, its SEQUENCE (the number of changes its organizer made) and its LAST-MODIFIED
// moment; for the many feeds that give neither, the moment the file was made (DTSTAMP) and a digest of
// what the event says. The import hands it to what writes the entry, beside the entry itself.
struct EventIdentity
{
    QByteArray uid;         // empty when the event has none
    int sequence = 0;       // 0 when the event gives none
    QDateTime lastModified; // UTC; invalid when the event gives none
    QDateTime stamp;        // UTC; invalid when the event gives none (or it was not looked at)
    QByteArray content;     // a short digest of the event's lines the schedule reads; empty when not made
};

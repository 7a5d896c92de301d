#pragma once

#include <QString>

struct sqlite3;

// A connection of the sync's own to the schedule file, for the tables it keeps there beside the schedule.
namespace SyncConnection {

// The open connection, or nullptr with the database engine's reason in `why`.
sqlite3* open(const QString& path, QString* why);

} // namespace SyncConnection

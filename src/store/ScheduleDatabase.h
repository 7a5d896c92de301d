#pragma once

#include "store/ScheduleEntry.h"
#include "store/ScheduleTable.h"

#include <QString>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// What a write or an open came to: ok, or an error text a window can show as it stands.
struct StoreResult
{
    bool ok = false;
    QString error;
    qint64 rowId = 0;

    explicit operator bool() const { return ok; }
    static StoreResult success(qint64 rowId = 0) { return {true, {}, rowId}; }
    static StoreResult failure(QString error) { return {false, std::move(error), 0}; }
};

// The schedule file, opened once for the run. It keeps the table in memory as compact parsed records:
// its own writes update that copy, and the file is read again only when another connection changed it,
// so a marking pass or an alarm tick never reads the file. Every write is committed when it returns.
class ScheduleDatabase
{
public:
    static const QString FileName; // "Zentravio.vmr"

    // Where the schedule lives for this user: <data folder>/Zentravio/Zentravio.vmr.
    static QString defaultPath();

    // Creates the file (and its folder) with the one table Schedule, readable by this user only.
    // Refuses to touch a file that already exists.
    static StoreResult CreateDatabaseFile(const QString& path);

    // Opens an existing schedule file. A file that is not a database, or has no Schedule table with the
    // seven fields, is reported and left as it is.
    static std::unique_ptr<ScheduleDatabase> open(const QString& path, QString* error);

    ~ScheduleDatabase();
    ScheduleDatabase(const ScheduleDatabase&) = delete;
    ScheduleDatabase& operator=(const ScheduleDatabase&) = delete;

    const QString& path() const { return m_path; }

    // The table as it is in the file now. Checks (in microseconds) whether another process wrote to the
    // file since the last look, and reads it again only then.
    const ScheduleTable& table();
    // The table as last read, without looking at the file.
    const ScheduleTable& cachedTable() const { return m_table; }

    // Reads the whole table from the file again.
    StoreResult reload();

    StoreResult append(const ScheduleEntry& entry);
    StoreResult update(qint64 rowId, const ScheduleEntry& entry);
    StoreResult remove(qint64 rowId);

    // The last read or write error, for a window that wants to tell the user why the table looks empty.
    const QString& lastError() const { return m_lastError; }

private:
    ScheduleDatabase(sqlite3* db, QString path);
    bool fileChangedElsewhere();
    QString engineError(const QString& what) const;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_versionQuery = nullptr; // kept prepared: it runs on every alarm tick
    QString m_path;
    ScheduleTable m_table;
    qint64 m_dataVersion = -1;
    QString m_lastError;
};

#pragma once

#include "store/EntryChange.h"
#include "store/EntryIdentities.h"
#include "store/ScheduleEntry.h"
#include "store/ScheduleTable.h"
#include "store/Snooze.h"

#include <QHash>
#include <QString>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class BackgroundRead;
class SerialSource;

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
//
// All of it runs on the window's thread, so it never waits long for another program that holds the
// file: a look at the file gives up within a few hundredths of a second and keeps the entries last
// read, and a write that meets the lock is refused at once with a message saying the file is busy.
class ScheduleDatabase
{
public:
    static const QString FileName; // "Zentravio.vmr"

    // Where the schedule lives for this user: <data folder>/Zentravio/Zentravio.vmr.
    static QString defaultPath();

    // Creates the file (and its folder) with the one table Schedule, readable by this user only. The
    // schedule is made complete under a temporary name in the same folder and only then renamed into
    // place, so an interrupted start never leaves a half-made schedule behind. Refuses to touch a file
    // that already exists, unless it is empty (0 bytes): such a file holds no entries.
    static StoreResult CreateDatabaseFile(const QString& path);
    // The temporary name CreateDatabaseFile builds a new schedule under.
    static QString creationPath(const QString& path);

    // Opens an existing schedule file. A file that is not a database, or has no Schedule table with the
    // seven fields, is reported and left as it is.
    static std::unique_ptr<ScheduleDatabase> open(const QString& path, QString* error);

    ~ScheduleDatabase();
    ScheduleDatabase(const ScheduleDatabase&) = delete;
    ScheduleDatabase& operator=(const ScheduleDatabase&) = delete;

    const QString& path() const { return m_path; }

    // The table as it is in the file now. Checks (in microseconds) whether another process wrote to the
    // file since the last look, and reads it again only then. When reading in the background, the read
    // runs on a worker thread and this keeps answering from the table it has, marked outdated, until a
    // later look finds the read finished and takes the fresh table in its place.
    const ScheduleTable& table();
    // The table as last read, without looking at the file.
    const ScheduleTable& cachedTable() const { return m_table; }

    // Reads the whole table from the file again, at once.
    StoreResult reload();

    // Whether another program's change is read on a worker thread (the running program) or at once on
    // the calling thread (the default).
    void setReadInBackground(bool inBackground) { m_readInBackground = inBackground; }
    bool readingInBackground() const { return m_pending != nullptr; }
    // Waits for a read under way on the worker thread and takes its table in.
    void finishBackgroundRead();

    StoreResult append(const ScheduleEntry& entry);
    // Adds every entry in one transaction: either all of them are in the file when it returns, or, when
    // one is refused or the file cannot take them, none is and the schedule is as it was.
    StoreResult appendAll(const std::vector<ScheduleEntry>& entries);
    // An entry whose kind text is RuleFile::RecurringKind keeps its rule, or takes `rule` when given, in the
    // same transaction; one of another kind no longer keeps any.
    StoreResult update(qint64 rowId, const ScheduleEntry& entry, const QByteArray* rule = nullptr);
    StoreResult remove(qint64 rowId);

    // One entry an import writes: added when rowId is 0, otherwise the new form of the entry in that row.
    // An added entry keeps `uid` as its identity (a made-up one when it is empty); `version` is what the
    // event's file said of the version it came in at, kept beside the identity for the next import.
    struct ImportedEntry
    {
        const ScheduleEntry* entry = nullptr; // not owned; lives through the write
        qint64 rowId = 0;
        QString uid;
        QString version;
        QByteArray rule = {}; // as ImportWrite::rule
    };
    // The same, with the UID in the UTF-8 the calendar file gave it in, which the store keeps as it is.
    struct ImportWrite
    {
        const ScheduleEntry* entry = nullptr; // not owned; lives through the write
        qint64 rowId = 0;
        QByteArray uid;
        QString version;
        // The event's whole recurrence (RuleFile) when the entry's kind is RuleFile::RecurringKind; null
        // otherwise, and a changed entry then keeps no rule.
        QByteArray rule = {};
    };
    // Writes an import's additions and updates in one transaction: all of them are in the file when it
    // returns, or none is and the schedule is as it was. Listeners are told of additions as added and of
    // updates as changed.
    StoreResult writeImport(const std::vector<ImportedEntry>& imported);
    StoreResult writeImport(const std::vector<ImportWrite>& imported);
    // The version recorded for each entry as it was last imported, by row; entries never imported have
    // none.
    QHash<qint64, QString> importedVersions();

    // Every entry's identity, an iCalendar UID that stays with it through edits and restarts. It is kept
    // in a table of its own beside Schedule; a row another program added gets one when the program first
    // reads it.
    // The UID of the entry in this row; empty when the row is not in the schedule.
    QString uidOf(qint64 rowId) const;
    // The row of the entry with this UID; nothing when no entry has it.
    std::optional<qint64> rowOf(const QString& uid) const;
    // The same for a UID in UTF-8.
    std::optional<qint64> rowOfUtf8(const QByteArray& uid) const;
    // Gives the entry in this row the UID of the event it came from, so that the event brought in again
    // finds it. Refused when another entry has that UID.
    StoreResult setUid(qint64 rowId, const QString& uid);
    // The identities, position by position beside the table as last read (cachedTable()).
    const EntryIdentities& identities() const { return m_identities; }

    // The whole recurrence kept for the entries whose rule none of the five kinds says (RuleFile), by row
    // id: only the rows whose kind text says RuleFile::RecurringKind. Read again after another program
    // changed the file; the program's own writes keep it up to date.
    const QHash<qint64, QByteArray>& rules();
    // Keeps the rule of the entry in this row, or drops it when `event` is null; the row's kind text is the
    // caller's to set (update()).
    StoreResult setRule(qint64 rowId, const QByteArray& event);
    // Grows with every change of the rules that the table's change count does not show (setRule()).
    quint64 rulesChangeCount() const { return m_rulesChanges; }

    // The snoozed alarms kept in the file, so that they ring after a restart; a snooze is dropped once it
    // rang or its entry's alarm no longer stands.
    std::vector<Snooze> snoozes();
    StoreResult keepSnooze(const Snooze& snooze);
    StoreResult dropSnooze(const QString& uid);

    // Tells the listener, on the window's thread, what each write changed: the program's own writes when
    // they return, another program's when the read that found them is taken in. Returns a number to
    // stop listening with.
    using ChangeListener = std::function<void(const EntryChanges&)>;
    int addChangeListener(ChangeListener listener);
    void removeChangeListener(int id);

    // The last read error, for a window that wants to tell the user why the table looks out of date;
    // empty again once the file reads or takes a write again. A file that is merely busy is no error.
    const QString& lastError() const { return m_lastError; }

    // Longest wait for another program's lock on one statement; after giving up, the store does not
    // wait again for LockBackOff, so that one Save, made of several statements, stays within the wait.
    static constexpr std::chrono::milliseconds LockWait{30};
    static constexpr std::chrono::milliseconds LockBackOff{1000};

private:
    enum class Write
    {
        Save,
        Delete
    };

    ScheduleDatabase(sqlite3* db, QString path);
    static int onBusy(void* database, int attempt);
    bool waitForLock(int attempt);
    // The file's change count, or nothing when the file cannot be looked at now (busy, unreadable).
    std::optional<qint64> dataVersion();
    bool busy() const;
    QString engineError(const QString& what) const;
    QString engineError(const QString& what, const QString& engineText) const;
    StoreResult writeFailed(Write write);
    StoreResult written(qint64 rowId);
    StoreResult readFailure(bool busy, const QString& engineText);
    void takeFinishedRead();
    void tell(EntryChanges changes);
    // Runs a write and the identity records that go with it in one transaction; nothing of either stays
    // when one fails.
    StoreResult inTransaction(Write write, const std::function<bool()>& body);

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_versionQuery = nullptr; // kept prepared: it runs on every alarm tick
    QString m_path;
    ScheduleTable m_table;
    EntryIdentities m_identities;
    std::shared_ptr<SerialSource> m_serials;
    std::vector<std::pair<int, ChangeListener>> m_listeners;
    int m_nextListener = 1;
    bool m_loaded = false;
    // Another program's changes a read found while its table was dropped for the program's own write; the
    // read recorded their identities, so they are told with the next read taken in.
    EntryChanges m_untold;
    qint64 m_dataVersion = -1;
    QString m_lastError;
    bool m_readBusy = false; // the last failed read met another program's lock
    // A field the file requires (NOT NULL, no default) that no entry of this program fills.
    QString m_unfilledField;
    std::chrono::steady_clock::time_point m_waitStarted;
    std::optional<std::chrono::steady_clock::time_point> m_gaveUpAt;

    bool m_readInBackground = false;
    std::unique_ptr<BackgroundRead> m_pending;
    qint64 m_pendingVersion = -1; // the change count that made the read under way start
    bool m_pendingMissesOwnWrite = false;
    std::future<void> m_disposal;

    QHash<qint64, QByteArray> m_rules;
    bool m_rulesRead = false; // m_rules holds what the file keeps for the table as it is now
    quint64 m_rulesChanges = 0;
    void keepRule(qint64 rowId, const QByteArray& event); // the table a background read replaced, being freed off the thread
};

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

struct sqlite3;

// What the program knows of each event it shares with the calendar server, kept in a table of its own
// (SyncLedger) in the schedule file: where the event is, the ETag it had when last seen, and a digest of
// the entry as it stood when both sides were last alike, so that a later look can tell which side changed.
// Beside it, in SyncLedgerInfo, the calendar those records belong to and the server's sync token.
class SyncLedger
{
public:
    enum class Form
    {
        Whole,      // the entry says all the event says: it may be written back
        Simplified, // the entry holds a narrowed form of a richer event: never written back over it
        NotHeld     // the schedule cannot hold the event at all (no start, no occurrence): left alone
    };

    struct Record
    {
        QString uid;
        QString href;
        QString etag;
        QString digest;  // of the entry as it stood when both sides were last alike
        QByteArray data; // the event as the server last had it, so that an edit changes only what it changed
        Form form = Form::Whole;
    };

    static std::unique_ptr<SyncLedger> open(const QString& path, QString* error);
    ~SyncLedger();
    SyncLedger(const SyncLedger&) = delete;
    SyncLedger& operator=(const SyncLedger&) = delete;

    std::optional<Record> byUid(const QString& uid) const;
    std::optional<Record> byHref(const QString& href) const;
    // Every record, by UID, without the events' data (a full listing compares ETags only).
    QHash<QString, Record> all() const;
    bool isEmpty() const;

    bool put(const Record& record);
    bool erase(const QString& uid);
    // Forgets every record and value: the account now syncs another calendar.
    bool clear();

    QString value(const QString& name) const;
    bool setValue(const QString& name, const QString& value);

    // Many writes as one: far faster than one commit each, and all or none.
    bool begin();
    bool commit();
    void rollback();

    QString lastError() const { return m_lastError; }

private:
    explicit SyncLedger(sqlite3* db);
    static std::unique_ptr<SyncLedger> made(sqlite3* db, QString* error);
    bool exec(const char* sql);
    std::optional<Record> one(const char* sql, const QString& key) const;

    sqlite3* m_db;
    QString m_lastError;
};

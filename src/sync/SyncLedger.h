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

    // How far the server is known to hold an event the program wrote there as new.
    enum class Sent
    {
        Seen,        // the server listed or gave it since
        Unconfirmed, // the write went out and its answer was never read
        Unseen,      // the server took it but was not yet seen to hold it
        Resent       // written once more after the server lost it
    };

    struct Record
    {
        QString uid;
        QString href;
        QString etag;
        QString digest;  // of the entry as it stood when both sides were last alike
        QByteArray data; // the event as the server last had it, so that an edit changes only what it changed
        Form form = Form::Whole;
        Sent sent = Sent::Seen;
    };

    // An entry kept out of the sync in the form it has: the server refused it or did not keep it (with a
    // reason), or the server's richer event cannot take the change (no reason). A later edit sends it again.
    struct Aside
    {
        QString digest; // of the entry as it was set aside; empty for a deletion set aside
        QString reason;
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

    QHash<QString, Aside> aside() const;
    bool setAside(const QString& uid, const Aside& aside);
    bool clearAside(const QString& uid);

    QString value(const QString& name) const;
    bool setValue(const QString& name, const QString& value);

    // Counts the commits other connections made to the file (the window's, another program's): what it
    // said when every entry was last compared with the records tells whether they need comparing again.
    qint64 othersWrites() const;
    qint64 comparedAt() const { return m_comparedAt; }
    void setComparedAt(qint64 writes) { m_comparedAt = writes; }

    // Many writes as one: far faster than one commit each, and all or none.
    bool begin();
    bool commit();
    void rollback();

    QString lastError() const { return m_lastError; }

private:
    explicit SyncLedger(sqlite3* db);
    static std::unique_ptr<SyncLedger> made(sqlite3* db, QString* error);
    bool exec(const char* sql);
    bool addSentColumn();
    std::optional<Record> one(const char* sql, const QString& key) const;

    sqlite3* m_db;
    QString m_lastError;
    qint64 m_comparedAt = -1;
};

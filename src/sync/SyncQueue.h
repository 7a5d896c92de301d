#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

// The local changes the calendar server has not taken yet, kept in a table of their own (SyncQueue) in the
// schedule file, so that an entry added, edited or deleted while the server is away, or just before the
// program ends, is sent after the next start, once. One change waits per entry: a later change of the
// same entry replaces an earlier one, and a deletion of an entry the server never had cancels its
// upload (a deletion given without `href` goes to the place the queue knows for the entry, if any). A change
// is let go only when the server confirmed the very revision that was sent, so that an edit made while the
// send was under way is sent too.
class SyncQueue
{
public:
    enum class Change
    {
        Upload, // the entry's present form, as a new event or over the one at `href`
        Delete  // the event at `href`
    };

    struct Item
    {
        QString uid;
        Change change = Change::Upload;
        QString href; // where the event is on the server; empty for one the server has never had
        QString etag; // the ETag last seen there, for If-Match
        qint64 revision = 0;
    };

    // The queue in the SQLite file at `path` (created with its table when missing); nullptr with the
    // reason in `error` when the file cannot be used.
    static std::unique_ptr<SyncQueue> open(const QString& path, QString* error);
    ~SyncQueue();
    SyncQueue(const SyncQueue&) = delete;
    SyncQueue& operator=(const SyncQueue&) = delete;

    bool enqueue(const QString& uid, Change change, const QString& href, const QString& etag);
    // Many changes in one commit, all or none: a first sync queues every entry the server lacks.
    bool enqueueAll(const QList<Item>& items);
    // The change waiting for this entry, if any.
    std::optional<Item> itemFor(const QString& uid) const;
    // Lets go of the entry's change unsent: the server's version won it, or it is moot.
    bool drop(const QString& uid);
    // Lets go of the changes of many entries in one commit, all or none; each only while it is still the
    // revision the item names, so that a change queued since, which is newer, stays.
    bool dropWhereUnchanged(const QList<Item>& items);
    // Queues many changes in one commit, all or none; each only while the change waiting for its entry is
    // still the revision the item names (0: none waited), as one queued since is newer than the item.
    bool enqueueWhereUnchanged(const QList<Item>& items);
    // Every change waiting, oldest first.
    QList<Item> pending() const;
    // The server took `item`, and now holds the event at `href` with `etag` (empty for a deletion): it
    // leaves the queue, unless the entry changed again meanwhile, whose change then goes to that place.
    bool confirm(const Item& item, const QString& href, const QString& etag);
    int size() const;
    QString lastError() const { return m_lastError; }

private:
    explicit SyncQueue(sqlite3* db);
    static std::unique_ptr<SyncQueue> made(sqlite3* db, QString* error);
    bool run(const char* sql, const QList<QVariant>& values);
    bool inOneCommit(const QList<Item>& items, const std::function<bool(const Item&)>& write);

    sqlite3* m_db;
    QString m_lastError;
};

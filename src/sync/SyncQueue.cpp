#include "sync/SyncQueue.h"

#include "sync/SyncConnection.h"

#include <QCoreApplication>
#include <QVariant>

#include <sqlite3.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SyncQueue", text);
}

// One prepared statement, finalized on every path.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        m_ok = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) == SQLITE_OK;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool bind(const QList<QVariant>& values)
    {
        for (int i = 0; m_ok && i < values.size(); ++i) {
            const QVariant& value = values.at(i);
            if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
                m_ok = sqlite3_bind_int64(m_statement, i + 1, value.toLongLong()) == SQLITE_OK;
            } else {
                const QByteArray text = value.toString().toUtf8();
                m_ok = sqlite3_bind_text(m_statement, i + 1, text.constData(), int(text.size()),
                                         SQLITE_TRANSIENT) == SQLITE_OK;
            }
        }
        return m_ok;
    }
    int step() { return m_ok ? sqlite3_step(m_statement) : SQLITE_ERROR; }
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)));
    }
    qint64 number(int column) const { return sqlite3_column_int64(m_statement, column); }

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_ok = false;
};

SyncQueue::Item itemOf(const Statement& statement)
{
    SyncQueue::Item item;
    item.uid = statement.text(0);
    item.change =
        statement.text(1) == QLatin1String("delete") ? SyncQueue::Change::Delete : SyncQueue::Change::Upload;
    item.href = statement.text(2);
    item.etag = statement.text(3);
    item.revision = statement.number(4);
    return item;
}

const char* const Create = "CREATE TABLE IF NOT EXISTS SyncQueue (uid TEXT PRIMARY KEY NOT NULL, "
                           "change TEXT NOT NULL, href TEXT NOT NULL, etag TEXT NOT NULL, "
                           "revision INTEGER NOT NULL, queued INTEGER NOT NULL)";

} // namespace

SyncQueue::SyncQueue(sqlite3* db) : m_db(db) {}

SyncQueue::~SyncQueue()
{
    sqlite3_close(m_db);
}

std::unique_ptr<SyncQueue> SyncQueue::open(const QString& path, QString* error)
{
    QString why;
    if (sqlite3* raw = SyncConnection::open(path, &why))
        return made(raw, error);
    if (error)
        *error =
            tr("The queue of changes for the calendar server could not be kept in %1: %2.").arg(path, why);
    return nullptr;
}

std::unique_ptr<SyncQueue> SyncQueue::made(sqlite3* db, QString* error)
{
    std::unique_ptr<SyncQueue> queue(new SyncQueue(db));
    if (queue->run(Create, {}))
        return queue;
    if (error) {
        *error = tr("The queue of changes for the calendar server could not be kept in %1: %2.")
                     .arg(QString::fromUtf8(sqlite3_db_filename(db, "main")), queue->m_lastError);
    }
    return nullptr;
}

bool SyncQueue::run(const char* sql, const QList<QVariant>& values)
{
    Statement statement(m_db, sql);
    const bool ok = statement.bind(values) && statement.step() == SQLITE_DONE;
    m_lastError = ok ? QString() : QString::fromUtf8(sqlite3_errmsg(m_db));
    return ok;
}

bool SyncQueue::enqueue(const QString& uid, Change change, const QString& href, const QString& etag)
{
    if (change == Change::Delete && href.isEmpty()) {
        // An entry the server never had only loses its upload; one whose place the queue knows is
        // deleted there.
        return run("DELETE FROM SyncQueue WHERE uid = ?1 AND href = ''", {uid}) &&
               run("UPDATE SyncQueue SET change = 'delete', revision = revision + 1 WHERE uid = ?1", {uid});
    }
    // The revision counts on from the one waiting, so a confirmation of an older one lets this stay.
    return run(
        "INSERT INTO SyncQueue (uid, change, href, etag, revision, queued) VALUES (?1, ?2, ?3, ?4, 1, "
        "(SELECT COALESCE(MAX(queued), 0) + 1 FROM SyncQueue)) ON CONFLICT(uid) DO UPDATE SET "
        "change = excluded.change, href = CASE WHEN excluded.href <> '' THEN excluded.href ELSE href END, "
        "etag = CASE WHEN excluded.href <> '' THEN excluded.etag ELSE etag END, revision = revision + 1",
        {uid, change == Change::Upload ? QStringLiteral("upload") : QStringLiteral("delete"), href, etag});
}

bool SyncQueue::enqueueAll(const QList<Item>& items)
{
    if (!run("BEGIN IMMEDIATE", {}))
        return false;
    for (const Item& item : items) {
        if (!enqueue(item.uid, item.change, item.href, item.etag)) {
            const QString error = m_lastError;
            run("ROLLBACK", {});
            m_lastError = error;
            return false;
        }
    }
    return run("COMMIT", {});
}

std::optional<SyncQueue::Item> SyncQueue::itemFor(const QString& uid) const
{
    Statement statement(m_db, "SELECT uid, change, href, etag, revision FROM SyncQueue WHERE uid = ?1");
    statement.bind({uid});
    if (statement.step() != SQLITE_ROW)
        return std::nullopt;
    return itemOf(statement);
}

bool SyncQueue::drop(const QString& uid)
{
    return run("DELETE FROM SyncQueue WHERE uid = ?1", {uid});
}

bool SyncQueue::inOneCommit(const QList<Item>& items, const std::function<bool(const Item&)>& write)
{
    if (items.isEmpty())
        return true;
    if (!run("BEGIN IMMEDIATE", {}))
        return false;
    for (const Item& item : items) {
        if (!write(item)) {
            const QString error = m_lastError;
            run("ROLLBACK", {});
            m_lastError = error;
            return false;
        }
    }
    return run("COMMIT", {});
}

bool SyncQueue::dropWhereUnchanged(const QList<Item>& items)
{
    return inOneCommit(items, [this](const Item& item) {
        return run("DELETE FROM SyncQueue WHERE uid = ?1 AND revision = ?2", {item.uid, item.revision});
    });
}

bool SyncQueue::enqueueWhereUnchanged(const QList<Item>& items)
{
    return inOneCommit(items, [this](const Item& item) {
        const std::optional<Item> waiting = itemFor(item.uid);
        if ((waiting ? waiting->revision : 0) != item.revision)
            return true;
        return enqueue(item.uid, item.change, item.href, item.etag);
    });
}

QList<SyncQueue::Item> SyncQueue::pending() const
{
    QList<Item> items;
    Statement statement(m_db, "SELECT uid, change, href, etag, revision FROM SyncQueue ORDER BY queued");
    while (statement.step() == SQLITE_ROW)
        items << itemOf(statement);
    return items;
}

bool SyncQueue::confirm(const Item& item, const QString& href, const QString& etag)
{
    if (!run("DELETE FROM SyncQueue WHERE uid = ?1 AND revision = ?2", {item.uid, item.revision}))
        return false;
    return run("UPDATE SyncQueue SET href = ?2, etag = ?3 WHERE uid = ?1", {item.uid, href, etag});
}

int SyncQueue::size() const
{
    Statement statement(m_db, "SELECT COUNT(*) FROM SyncQueue");
    return statement.step() == SQLITE_ROW ? int(statement.number(0)) : 0;
}

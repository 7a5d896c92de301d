#include "sync/SyncLedger.h"

#include "store/SqlStatement.h"
#include "sync/SyncConnection.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <algorithm>

namespace {

QString columnText(SqlStatement& statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), column)));
}

SyncLedger::Record recordOf(SqlStatement& statement)
{
    SyncLedger::Record record;
    record.uid = columnText(statement, 0);
    record.href = columnText(statement, 1);
    record.etag = columnText(statement, 2);
    record.digest = columnText(statement, 3);
    record.form = SyncLedger::Form(sqlite3_column_int(statement.get(), 4));
    record.sent = SyncLedger::Sent(std::clamp(sqlite3_column_int(statement.get(), 5), 0, 3));
    if (sqlite3_column_count(statement.get()) > 6) {
        record.data = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement.get(), 6)),
                                 sqlite3_column_bytes(statement.get(), 6));
    }
    return record;
}

const char* const Columns = "SELECT uid, href, etag, digest, form, sent FROM SyncLedger";

} // namespace

SyncLedger::SyncLedger(sqlite3* db) : m_db(db) {}

SyncLedger::~SyncLedger()
{
    sqlite3_close(m_db);
}

std::unique_ptr<SyncLedger> SyncLedger::open(const QString& path, QString* error)
{
    QString why;
    if (sqlite3* raw = SyncConnection::open(path, &why))
        return made(raw, error);
    if (error) {
        *error = QCoreApplication::translate("SyncLedger",
                                             "What was synced with the calendar server could not be kept in "
                                             "%1: %2.")
                     .arg(path, why);
    }
    return nullptr;
}

std::unique_ptr<SyncLedger> SyncLedger::made(sqlite3* db, QString* error)
{
    std::unique_ptr<SyncLedger> ledger(new SyncLedger(db));
    if (ledger->exec(
            "CREATE TABLE IF NOT EXISTS SyncLedger (uid TEXT PRIMARY KEY NOT NULL, href TEXT NOT NULL, "
            "etag TEXT NOT NULL, digest TEXT NOT NULL, form INTEGER NOT NULL, data BLOB NOT NULL)") &&
        ledger->exec("CREATE INDEX IF NOT EXISTS SyncLedgerHref ON SyncLedger (href)") &&
        ledger->exec("CREATE TABLE IF NOT EXISTS SyncLedgerInfo (name TEXT PRIMARY KEY NOT NULL, "
                     "value TEXT NOT NULL)") &&
        ledger->exec("CREATE TABLE IF NOT EXISTS SyncAside (uid TEXT PRIMARY KEY NOT NULL, "
                     "digest TEXT NOT NULL, reason TEXT NOT NULL)") &&
        ledger->addSentColumn())
        return ledger;
    if (error) {
        *error = QCoreApplication::translate("SyncLedger",
                                             "What was synced with the calendar server could not be kept in "
                                             "%1: %2.")
                     .arg(QString::fromUtf8(sqlite3_db_filename(db, "main")), ledger->m_lastError);
    }
    return nullptr;
}

bool SyncLedger::addSentColumn()
{
    // A ledger written before the program kept how far its own uploads were seen has every event seen.
    SqlStatement probe(m_db, "SELECT sent FROM SyncLedger LIMIT 0");
    if (probe.prepared())
        return true;
    return exec("ALTER TABLE SyncLedger ADD COLUMN sent INTEGER NOT NULL DEFAULT 0");
}

bool SyncLedger::exec(const char* sql)
{
    const bool ok = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    m_lastError = ok ? QString() : QString::fromUtf8(sqlite3_errmsg(m_db));
    return ok;
}

std::optional<SyncLedger::Record> SyncLedger::one(const char* sql, const QString& key) const
{
    SqlStatement statement(m_db, sql);
    statement.bindText(1, key);
    if (statement.step() != SQLITE_ROW)
        return std::nullopt;
    return recordOf(statement);
}

std::optional<SyncLedger::Record> SyncLedger::byUid(const QString& uid) const
{
    return one("SELECT uid, href, etag, digest, form, sent, data FROM SyncLedger WHERE uid = ?1", uid);
}

std::optional<SyncLedger::Record> SyncLedger::byHref(const QString& href) const
{
    return one("SELECT uid, href, etag, digest, form, sent, data FROM SyncLedger WHERE href = ?1", href);
}

QHash<QString, SyncLedger::Record> SyncLedger::all() const
{
    QHash<QString, Record> records;
    SqlStatement statement(m_db, Columns);
    while (statement.step() == SQLITE_ROW) {
        Record record = recordOf(statement);
        records.insert(record.uid, std::move(record));
    }
    return records;
}

bool SyncLedger::isEmpty() const
{
    SqlStatement statement(m_db, "SELECT 1 FROM SyncLedger LIMIT 1");
    return statement.step() != SQLITE_ROW;
}

bool SyncLedger::put(const Record& record)
{
    SqlStatement statement(m_db,
                           "INSERT OR REPLACE INTO SyncLedger (uid, href, etag, digest, form, data, sent) "
                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    statement.bindText(1, record.uid);
    statement.bindText(2, record.href);
    statement.bindText(3, record.etag.isNull() ? QStringLiteral("") : record.etag);
    statement.bindText(4, record.digest.isNull() ? QStringLiteral("") : record.digest);
    statement.bindInt(5, int(record.form));
    sqlite3_bind_blob(statement.get(), 6, record.data.constData(), int(record.data.size()), SQLITE_TRANSIENT);
    statement.bindInt(7, int(record.sent));
    const bool ok = statement.step() == SQLITE_DONE;
    m_lastError = ok ? QString() : QString::fromUtf8(sqlite3_errmsg(m_db));
    return ok;
}

bool SyncLedger::erase(const QString& uid)
{
    SqlStatement statement(m_db, "DELETE FROM SyncLedger WHERE uid = ?1");
    statement.bindText(1, uid);
    return statement.step() == SQLITE_DONE;
}

bool SyncLedger::clear()
{
    return exec("DELETE FROM SyncLedger") && exec("DELETE FROM SyncLedgerInfo") &&
           exec("DELETE FROM SyncAside");
}

QHash<QString, SyncLedger::Aside> SyncLedger::aside() const
{
    QHash<QString, Aside> found;
    SqlStatement statement(m_db, "SELECT uid, digest, reason FROM SyncAside");
    while (statement.step() == SQLITE_ROW)
        found.insert(columnText(statement, 0), {columnText(statement, 1), columnText(statement, 2)});
    return found;
}

bool SyncLedger::setAside(const QString& uid, const Aside& aside)
{
    SqlStatement statement(m_db,
                           "INSERT OR REPLACE INTO SyncAside (uid, digest, reason) VALUES (?1, ?2, ?3)");
    statement.bindText(1, uid);
    statement.bindText(2, aside.digest.isNull() ? QStringLiteral("") : aside.digest);
    statement.bindText(3, aside.reason.isNull() ? QStringLiteral("") : aside.reason);
    return statement.step() == SQLITE_DONE;
}

bool SyncLedger::clearAside(const QString& uid)
{
    SqlStatement statement(m_db, "DELETE FROM SyncAside WHERE uid = ?1");
    statement.bindText(1, uid);
    return statement.step() == SQLITE_DONE;
}

QString SyncLedger::value(const QString& name) const
{
    SqlStatement statement(m_db, "SELECT value FROM SyncLedgerInfo WHERE name = ?1");
    statement.bindText(1, name);
    return statement.step() == SQLITE_ROW ? columnText(statement, 0) : QString();
}

bool SyncLedger::setValue(const QString& name, const QString& value)
{
    if (this->value(name) == value)
        return true; // an unchanged value is not written, so a quiet sync leaves the file alone
    SqlStatement statement(m_db, "INSERT OR REPLACE INTO SyncLedgerInfo (name, value) VALUES (?1, ?2)");
    statement.bindText(1, name);
    statement.bindText(2, value.isNull() ? QStringLiteral("") : value);
    return statement.step() == SQLITE_DONE;
}

bool SyncLedger::begin()
{
    return exec("BEGIN IMMEDIATE");
}

bool SyncLedger::commit()
{
    return exec("COMMIT");
}

void SyncLedger::rollback()
{
    exec("ROLLBACK");
}

qint64 SyncLedger::othersWrites() const
{
    SqlStatement statement(m_db, "PRAGMA data_version");
    return statement.step() == SQLITE_ROW ? sqlite3_column_int64(statement.get(), 0) : -2;
}

#include "store/RuleFile.h"

#include "store/SqlStatement.h"

bool RuleFile::ensure(sqlite3* db)
{
    return sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS EntryRule (RowId INTEGER PRIMARY KEY, Event TEXT NOT NULL)",
                        nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool RuleFile::readAll(sqlite3* db, QHash<qint64, QByteArray>& out)
{
    out.clear();
    SqlStatement exists(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'EntryRule'");
    if (!exists.prepared())
        return false;
    const int found = exists.step();
    if (found == SQLITE_DONE)
        return true;
    if (found != SQLITE_ROW)
        return false;
    SqlStatement query(db, "SELECT RowId, Event FROM EntryRule");
    if (!query.prepared())
        return false;
    int rc = SQLITE_ROW;
    while ((rc = query.step()) == SQLITE_ROW) {
        sqlite3_stmt* s = query.get();
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        out.insert(sqlite3_column_int64(s, 0), QByteArray(text ? text : "", sqlite3_column_bytes(s, 1)));
    }
    return rc == SQLITE_DONE;
}

bool RuleFile::record(sqlite3* db, qint64 rowId, const QByteArray& event)
{
    if (!ensure(db))
        return false;
    SqlStatement statement(db, "INSERT OR REPLACE INTO EntryRule (RowId, Event) VALUES (?1, ?2)");
    if (!statement.prepared())
        return false;
    statement.bindInt(1, rowId);
    statement.bindUtf8(2, event);
    return statement.step() == SQLITE_DONE;
}

bool RuleFile::forget(sqlite3* db, qint64 rowId)
{
    SqlStatement exists(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'EntryRule'");
    if (!exists.prepared())
        return false;
    if (exists.step() != SQLITE_ROW)
        return true;
    SqlStatement statement(db, "DELETE FROM EntryRule WHERE RowId = ?1");
    if (!statement.prepared())
        return false;
    statement.bindInt(1, rowId);
    return statement.step() == SQLITE_DONE;
}

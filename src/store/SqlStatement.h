#pragma once

#include <QString>

#include <sqlite3.h>

// A prepared statement that finalizes itself.
class SqlStatement
{
public:
    SqlStatement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~SqlStatement() { sqlite3_finalize(m_stmt); }
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    bool prepared() const { return m_rc == SQLITE_OK && m_stmt; }
    sqlite3_stmt* get() const { return m_stmt; }
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    void reset() { sqlite3_reset(m_stmt); }

    void bindText(int index, const QString& text)
    {
        if (text.isNull()) {
            sqlite3_bind_null(m_stmt, index);
            return;
        }
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    // UTF-8 bytes as they are; a null array binds NULL.
    void bindUtf8(int index, const QByteArray& text)
    {
        if (text.isNull()) {
            sqlite3_bind_null(m_stmt, index);
            return;
        }
        sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    void bindInt(int index, qint64 value) { sqlite3_bind_int64(m_stmt, index, value); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

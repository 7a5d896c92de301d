#pragma once

#include <QFile>
#include <QString>

#include <sqlite3.h>

// Another program's connection to a schedule file, kept open (with any transaction it began) for as
// long as the test holds it.
class OtherConnection
{
public:
    explicit OtherConnection(const QString& path)
    {
        sqlite3_open(QFile::encodeName(path).constData(), &m_db);
    }
    ~OtherConnection() { sqlite3_close(m_db); }
    OtherConnection(const OtherConnection&) = delete;
    OtherConnection& operator=(const OtherConnection&) = delete;

    int exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3* m_db = nullptr;
};

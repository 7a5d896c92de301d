#include "sync/SyncConnection.h"

#include <QFile>

#include <sqlite3.h>

sqlite3* SyncConnection::open(const QString& path, QString* why)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        // A moment's patience with the program's own writes to the same file, or another program's.
        sqlite3_busy_timeout(raw, 1000);
        return raw;
    }
    if (why)
        *why = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
    sqlite3_close(raw);
    return nullptr;
}

#pragma once

#include <QFile>
#include <QString>

#include <sqlite3.h>

// What another reader of a schedule file sees of its Schedule table: the table's definition and every
// row with its row id. The program keeps tables of its own beside it (the entries' identities, the
// snoozes), so a file it opened may differ in its bytes while every reader of Schedule finds it unchanged.
inline QString scheduleAsSeen(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("unreadable");
    }
    QString seen;
    for (const char* sql :
         {"SELECT sql FROM sqlite_master WHERE name = 'Schedule'", "SELECT rowid, * FROM Schedule ORDER BY rowid"}) {
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &query, nullptr);
        while (query && sqlite3_step(query) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(query); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, c));
                seen += (text ? QString::fromUtf8(text) : QStringLiteral("NULL")) + QLatin1Char('|');
            }
            seen += QLatin1Char('\n');
        }
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return seen;
}

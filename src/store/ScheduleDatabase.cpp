#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

const QString ScheduleDatabase::FileName = QStringLiteral("Zentravio.vmr");

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ScheduleDatabase", text);
}

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool prepared() const { return m_rc == SQLITE_OK && m_stmt; }
    sqlite3_stmt* get() const { return m_stmt; }
    int step() { return sqlite3_step(m_stmt); }

    void bindText(int index, const QString& text)
    {
        if (text.isNull()) {
            sqlite3_bind_null(m_stmt, index);
            return;
        }
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

// The seven fields in the order of the table, with their sizes. The CHECKs keep empty and over-long
// texts out even when a write does not come through this program.
constexpr const char* CreateTableSql = R"(CREATE TABLE Schedule (
    "Date" TEXT(50) CHECK ("Date" IS NULL OR length("Date") BETWEEN 1 AND 50),
    "Day" TEXT(50) CHECK ("Day" IS NULL OR length("Day") BETWEEN 1 AND 50),
    "Type" TEXT(50) CHECK ("Type" IS NULL OR length("Type") BETWEEN 1 AND 50),
    "Note" TEXT(250) CHECK ("Note" IS NULL OR length("Note") BETWEEN 1 AND 250),
    "AlarmTime" TEXT(50) CHECK ("AlarmTime" IS NULL OR length("AlarmTime") BETWEEN 1 AND 50),
    "AlarmOnOff" TEXT(50) CHECK ("AlarmOnOff" IS NULL OR length("AlarmOnOff") BETWEEN 1 AND 50),
    "SchedType" TEXT(50) CHECK ("SchedType" IS NULL OR length("SchedType") BETWEEN 1 AND 50)
))";

constexpr const char* SelectAllSql =
    R"(SELECT rowid, "Date", "Day", "Type", "Note", "AlarmTime", "AlarmOnOff",
    "SchedType" FROM Schedule ORDER BY rowid)";

constexpr const char* InsertSql = R"(INSERT INTO Schedule ("Date", "Day", "Type", "Note", "AlarmTime",
    "AlarmOnOff", "SchedType") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7))";

constexpr const char* UpdateSql = R"(UPDATE Schedule SET "Date" = ?1, "Day" = ?2, "Type" = ?3, "Note" = ?4,
    "AlarmTime" = ?5, "AlarmOnOff" = ?6, "SchedType" = ?7 WHERE rowid = ?8)";

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString ScheduleDatabase::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Zentravio/") + FileName;
}

StoreResult ScheduleDatabase::CreateDatabaseFile(const QString& path)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return StoreResult::failure(tr("The folder %1 for the schedule file could not be created.")
                                        .arg(nativePath(info.absolutePath())));

    // The file is made empty and private first; SQLite then takes an empty file as a new database and
    // gives its journal the same permissions.
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return StoreResult::failure(tr("The schedule file %1 already exists.").arg(nativePath(path)));
        return StoreResult::failure(tr("The schedule file %1 could not be created: %2.")
                                        .arg(nativePath(path), QString::fromLocal8Bit(strerror(errno))));
    }
    ::close(fd);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(encoded.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char* message = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, CreateTableSql, nullptr, nullptr, &message);
    const QString reason = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        // A file this routine made but could not finish holds no entries; leaving it would make every
        // later start fail on a schedule file without a table.
        QFile::remove(path);
        return StoreResult::failure(
            tr("The schedule file %1 could not be created: %2.").arg(nativePath(path), reason));
    }
    return StoreResult::success();
}

std::unique_ptr<ScheduleDatabase> ScheduleDatabase::open(const QString& path, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return nullptr;
    };
    if (!QFileInfo(path).isFile())
        return fail(tr("The schedule file %1 does not exist.").arg(nativePath(path)));

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        sqlite3_close(raw);
        return fail(tr("The schedule file %1 could not be opened: %2.").arg(nativePath(path), reason));
    }
    std::unique_ptr<ScheduleDatabase> database(new ScheduleDatabase(raw, path));
    sqlite3_busy_timeout(raw, 2000);

    // Reading the table's layout is the first read of the file: a file that is no database fails here,
    // before anything could be written to it.
    Statement columns(raw, "PRAGMA table_info(Schedule)");
    if (!columns.prepared())
        return fail(tr("The file %1 is not a schedule file: %2.")
                        .arg(nativePath(path), QString::fromUtf8(sqlite3_errmsg(raw))));
    QStringList names;
    int step;
    while ((step = columns.step()) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), 1)));
    if (step != SQLITE_DONE)
        return fail(tr("The file %1 is not a schedule file: %2.")
                        .arg(nativePath(path), QString::fromUtf8(sqlite3_errmsg(raw))));
    if (names.isEmpty())
        return fail(
            tr("The file %1 is not a schedule file: it has no Schedule table.").arg(nativePath(path)));
    for (int f = 0; f < ScheduleFieldCount; ++f) {
        const QString name = QLatin1String(fieldInfo(ScheduleField(f)).name);
        if (!names.contains(name, Qt::CaseInsensitive))
            return fail(tr("The file %1 is not a schedule file: its Schedule table has no field %2.")
                            .arg(nativePath(path), name));
    }

    const StoreResult loaded = database->reload();
    if (!loaded)
        return fail(loaded.error);
    return database;
}

ScheduleDatabase::ScheduleDatabase(sqlite3* db, QString path) : m_db(db), m_path(std::move(path)) {}

ScheduleDatabase::~ScheduleDatabase()
{
    sqlite3_finalize(m_versionQuery);
    sqlite3_close(m_db);
}

QString ScheduleDatabase::engineError(const QString& what) const
{
    return tr("%1 The schedule file %2 reports: %3.")
        .arg(what, nativePath(m_path), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

bool ScheduleDatabase::fileChangedElsewhere()
{
    // data_version changes only when another connection commits to the file.
    if (!m_versionQuery &&
        sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &m_versionQuery, nullptr) != SQLITE_OK)
        return false;
    const bool read = sqlite3_step(m_versionQuery) == SQLITE_ROW;
    const qint64 now = read ? sqlite3_column_int64(m_versionQuery, 0) : m_dataVersion;
    sqlite3_reset(m_versionQuery);
    const bool changed = now != m_dataVersion;
    m_dataVersion = now;
    return changed;
}

const ScheduleTable& ScheduleDatabase::table()
{
    if (fileChangedElsewhere()) {
        const StoreResult result = reload();
        if (!result)
            m_lastError = result.error;
    }
    return m_table;
}

StoreResult ScheduleDatabase::reload()
{
    // One read transaction, so that the copy is one consistent state of the file.
    sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
    fileChangedElsewhere();
    Statement select(m_db, SelectAllSql);
    if (!select.prepared()) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return StoreResult::failure(engineError(tr("The schedule could not be read.")));
    }
    // Sizing the arrays from the file's size (known at once, unlike the row count) spares them their
    // doubling while the rows come in; what is reserved beyond the contents is given back at the end.
    qint64 fileBytes = 0;
    Statement pages(m_db, "SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()");
    if (pages.prepared() && pages.step() == SQLITE_ROW)
        fileBytes = sqlite3_column_int64(pages.get(), 0);
    ScheduleTable fresh;
    fresh.reserve(size_t(fileBytes / 100), size_t(fileBytes));
    std::array<std::string_view, ScheduleFieldCount> fields;
    std::array<bool, ScheduleFieldCount> nulls;
    int rc;
    while ((rc = select.step()) == SQLITE_ROW) {
        sqlite3_stmt* s = select.get();
        for (int f = 0; f < ScheduleFieldCount; ++f) {
            nulls[size_t(f)] = sqlite3_column_type(s, f + 1) == SQLITE_NULL;
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, f + 1));
            fields[size_t(f)] =
                text ? std::string_view(text, size_t(sqlite3_column_bytes(s, f + 1))) : std::string_view();
        }
        fresh.appendUtf8(sqlite3_column_int64(s, 0), fields, nulls);
    }
    sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_DONE)
        return StoreResult::failure(engineError(tr("The schedule could not be read.")));
    fresh.shrinkToFit();
    m_table = std::move(fresh);
    return StoreResult::success();
}

StoreResult ScheduleDatabase::append(const ScheduleEntry& entry)
{
    const QString invalid = validationError(entry);
    if (!invalid.isEmpty())
        return StoreResult::failure(invalid);
    table(); // catch up with other writers first, so that the copy stays in file order

    Statement insert(m_db, InsertSql);
    if (!insert.prepared())
        return StoreResult::failure(engineError(tr("The entry could not be saved.")));
    for (int f = 0; f < ScheduleFieldCount; ++f)
        insert.bindText(f + 1, entry.fields[size_t(f)]);
    if (insert.step() != SQLITE_DONE)
        return StoreResult::failure(engineError(tr("The entry could not be saved.")));
    const qint64 rowId = sqlite3_last_insert_rowid(m_db);
    m_table.append(rowId, entry);
    return StoreResult::success(rowId);
}

StoreResult ScheduleDatabase::update(qint64 rowId, const ScheduleEntry& entry)
{
    const QString invalid = validationError(entry);
    if (!invalid.isEmpty())
        return StoreResult::failure(invalid);
    table();
    const size_t index = m_table.indexOf(rowId);
    if (index == m_table.size())
        return StoreResult::failure(tr("The entry is no longer in the schedule; it was not changed."));

    Statement statement(m_db, UpdateSql);
    if (!statement.prepared())
        return StoreResult::failure(engineError(tr("The entry could not be saved.")));
    for (int f = 0; f < ScheduleFieldCount; ++f)
        statement.bindText(f + 1, entry.fields[size_t(f)]);
    sqlite3_bind_int64(statement.get(), 8, rowId);
    if (statement.step() != SQLITE_DONE)
        return StoreResult::failure(engineError(tr("The entry could not be saved.")));
    m_table.replace(index, entry);
    return StoreResult::success(rowId);
}

StoreResult ScheduleDatabase::remove(qint64 rowId)
{
    table();
    const size_t index = m_table.indexOf(rowId);
    if (index == m_table.size())
        return StoreResult::failure(tr("The entry is no longer in the schedule."));
    Statement statement(m_db, "DELETE FROM Schedule WHERE rowid = ?1");
    if (!statement.prepared())
        return StoreResult::failure(engineError(tr("The entry could not be deleted.")));
    sqlite3_bind_int64(statement.get(), 1, rowId);
    if (statement.step() != SQLITE_DONE)
        return StoreResult::failure(engineError(tr("The entry could not be deleted.")));
    m_table.remove(index);
    return StoreResult::success(rowId);
}

#include "store/ScheduleDatabase.h"

#include "store/IdentityFile.h"
#include "store/RuleFile.h"
#include "store/SqlStatement.h"
#include "store/TableRead.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

const QString ScheduleDatabase::FileName = QStringLiteral("Zentravio.vmr");

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ScheduleDatabase", text);
}

using Statement = SqlStatement;

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

// The row id (?8) is the program's choice, so that a new entry's serial can be its row id; NULL lets the
// file choose.
constexpr const char* InsertSql = R"(INSERT INTO Schedule (rowid, "Date", "Day", "Type", "Note", "AlarmTime",
    "AlarmOnOff", "SchedType") VALUES (?8, ?1, ?2, ?3, ?4, ?5, ?6, ?7))";

constexpr const char* UpdateSql = R"(UPDATE Schedule SET "Date" = ?1, "Day" = ?2, "Type" = ?3, "Note" = ?4,
    "AlarmTime" = ?5, "AlarmOnOff" = ?6, "SchedType" = ?7 WHERE rowid = ?8)";

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString busyText(const char* outcome)
{
    return tr("The schedule file is in use by another program; %1. Try again in a moment.").arg(tr(outcome));
}

QString folderText(const QString& path)
{
    return tr("%1 is a folder, not a schedule file.").arg(nativePath(path));
}

QString danglingLinkText(const QString& path, const QString& target)
{
    return tr("The schedule file %1 is a link to %2, which does not exist.")
        .arg(nativePath(path), nativePath(target));
}

QString specialFileText(const QString& path)
{
    return tr("%1 is not a schedule file: it is no ordinary file.").arg(nativePath(path));
}

// What stands at a schedule path, looked at without following a link first.
enum class Occupant
{
    Nothing,
    EmptyFile,
    File,
    Folder,
    DanglingLink,
    Other
};

Occupant occupantOf(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists())
        return Occupant::DanglingLink;
    if (!info.exists())
        return Occupant::Nothing;
    if (info.isDir())
        return Occupant::Folder;
    if (!info.isFile())
        return Occupant::Other;
    return info.size() == 0 ? Occupant::EmptyFile : Occupant::File;
}

void removeWithJournal(const QString& path)
{
    QFile::remove(path + QStringLiteral("-journal"));
    QFile::remove(path);
}

// Makes the folder's entry for a renamed file last through a power cut.
void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Moves the finished schedule to its place. A place that is still free must not be taken over should
// something appear there meanwhile; an empty file there is replaced.
int moveIntoPlace(const QByteArray& from, const QByteArray& to, bool replace)
{
    if (replace)
        return ::rename(from.constData(), to.constData());
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system that cannot refuse to replace: a hard link refuses, where links exist at all.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno == EEXIST)
        return -1;
    if (QFileInfo::exists(QFile::decodeName(to))) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.constData(), to.constData());
}

} // namespace

QString ScheduleDatabase::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Zentravio/") + FileName;
}

QString ScheduleDatabase::creationPath(const QString& path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".creating");
}

StoreResult ScheduleDatabase::CreateDatabaseFile(const QString& path)
{
    // A link to a schedule elsewhere is followed, so that the link itself stays as the user made it.
    const QFileInfo given(path);
    const QString target = given.isSymLink() && given.exists() ? given.canonicalFilePath() : path;
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        return StoreResult::failure(
            tr("The folder %1 for the schedule file could not be created.").arg(nativePath(folder)));

    const Occupant occupant = occupantOf(path);
    switch (occupant) {
    case Occupant::Folder:
        return StoreResult::failure(folderText(path));
    case Occupant::DanglingLink:
        return StoreResult::failure(danglingLinkText(path, given.symLinkTarget()));
    case Occupant::Other:
        return StoreResult::failure(specialFileText(path));
    case Occupant::File:
        return StoreResult::failure(tr("The schedule file %1 already exists.").arg(nativePath(path)));
    case Occupant::Nothing:
    case Occupant::EmptyFile:
        break;
    }

    // The new schedule is made private and empty first; SQLite then takes an empty file as a new
    // database and gives its journal the same permissions. A temporary file left by an earlier,
    // interrupted start is no schedule and goes first.
    const QString temporary = creationPath(target);
    removeWithJournal(temporary);
    const QByteArray encoded = QFile::encodeName(temporary);
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (errno == EACCES || errno == EROFS || errno == EPERM)
            return StoreResult::failure(
                tr("The schedule file %1 could not be created: the folder %2 cannot be written.")
                    .arg(nativePath(path), nativePath(folder)));
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
        removeWithJournal(temporary);
        return StoreResult::failure(
            tr("The schedule file %1 could not be created: %2.").arg(nativePath(path), reason));
    }

    // A journal beside an empty schedule file can only be one of an interrupted table creation; played
    // back over the new schedule it would empty it again.
    const bool replace = occupant == Occupant::EmptyFile;
    if (replace)
        QFile::remove(target + QStringLiteral("-journal"));
    if (moveIntoPlace(encoded, QFile::encodeName(target), replace) != 0) {
        const int reasonCode = errno;
        removeWithJournal(temporary);
        if (reasonCode == EEXIST)
            return StoreResult::failure(tr("The schedule file %1 already exists.").arg(nativePath(path)));
        return StoreResult::failure(tr("The schedule file %1 could not be created: %2.")
                                        .arg(nativePath(path), QString::fromLocal8Bit(strerror(reasonCode))));
    }
    syncFolder(folder);
    return StoreResult::success();
}

std::unique_ptr<ScheduleDatabase> ScheduleDatabase::open(const QString& path, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return nullptr;
    };
    switch (occupantOf(path)) {
    case Occupant::Nothing:
        return fail(tr("The schedule file %1 does not exist.").arg(nativePath(path)));
    case Occupant::Folder:
        return fail(folderText(path));
    case Occupant::DanglingLink:
        return fail(danglingLinkText(path, QFileInfo(path).symLinkTarget()));
    case Occupant::Other:
        return fail(specialFileText(path));
    case Occupant::EmptyFile:
    case Occupant::File:
        break;
    }
    // SQLite reports a file it may not read as one it cannot open at all; the user is told which.
    const QByteArray encoded = QFile::encodeName(path);
    const int probe = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC);
    if (probe < 0 && errno == EACCES)
        return fail(tr("The schedule file %1 cannot be read: you have no permission to read it.")
                        .arg(nativePath(path)));
    if (probe >= 0)
        ::close(probe);

    sqlite3* raw = nullptr;
    // Only the window's thread uses this connection (a read in the background opens its own), so SQLite's
    // locking of every call is spared.
    const int rc =
        sqlite3_open_v2(encoded.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        sqlite3_close(raw);
        return fail(tr("The schedule file %1 could not be opened: %2.").arg(nativePath(path), reason));
    }
    std::unique_ptr<ScheduleDatabase> database(new ScheduleDatabase(raw, path));
    // The file keeps SQLite's rollback journal rather than a write-ahead log: it stays one file that any
    // SQLite 3 and any copy or backup takes whole, and opening it changes none of its bytes. The window
    // is kept from freezing by waiting briefly and showing the entries last read, which a write-ahead
    // log would not spare, since a write must still wait for another program's write.
    sqlite3_busy_handler(raw, &ScheduleDatabase::onBusy, database.get());

    // Reading the table's layout is the first read of the file: a file that is no database fails here,
    // before anything could be written to it.
    auto unreadable = [&](bool busy) {
        if (busy)
            return fail(tr("The schedule file %1 is in use by another program and could not be read. "
                           "Close that program, or wait a moment, and start Zentravio again.")
                            .arg(nativePath(path)));
        return fail(tr("The file %1 is not a schedule file: %2.")
                        .arg(nativePath(path), QString::fromUtf8(sqlite3_errmsg(raw))));
    };
    Statement columns(raw, "PRAGMA table_info(Schedule)");
    if (!columns.prepared())
        return unreadable(database->busy());
    QStringList names;
    QStringList required; // fields without which the file takes no new row
    int step;
    while ((step = columns.step()) == SQLITE_ROW) {
        const QString name =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), 1)));
        names << name;
        if (sqlite3_column_int(columns.get(), 3) != 0 && sqlite3_column_type(columns.get(), 4) == SQLITE_NULL)
            required << name;
    }
    if (step != SQLITE_DONE)
        return unreadable(database->busy());
    if (names.isEmpty())
        return fail(
            tr("The file %1 is not a schedule file: it has no Schedule table.").arg(nativePath(path)));
    for (int f = 0; f < ScheduleFieldCount; ++f) {
        const QString name = QLatin1String(fieldInfo(ScheduleField(f)).name);
        if (!names.contains(name, Qt::CaseInsensitive))
            return fail(tr("The file %1 is not a schedule file: its Schedule table has no field %2.")
                            .arg(nativePath(path), name));
        required.removeAll(name); // one of the seven: the program fills it
    }
    // SQLite compares field names without regard to case.
    for (const QString& name : std::as_const(required)) {
        bool known = false;
        for (int f = 0; f < ScheduleFieldCount && !known; ++f)
            known = name.compare(QLatin1String(fieldInfo(ScheduleField(f)).name), Qt::CaseInsensitive) == 0;
        if (!known) {
            database->m_unfilledField = name;
            break;
        }
    }

    const StoreResult loaded = database->reload();
    if (!loaded)
        return database->m_readBusy ? unreadable(true) : fail(loaded.error);
    // Only a schedule read whole is given the identity tables; one that cannot take them (read-only)
    // keeps its entries' identities for this run only. Made just now, they are filled at once.
    if (IdentityFile::ensure(raw) == IdentityFile::Tables::Made) {
        const StoreResult filled = database->reload();
        if (!filled)
            return database->m_readBusy ? unreadable(true) : fail(filled.error);
    }
    database->m_loaded = true;
    return database;
}

ScheduleDatabase::ScheduleDatabase(sqlite3* db, QString path)
    : m_db(db), m_path(std::move(path)), m_serials(std::make_shared<SerialSource>())
{}

ScheduleDatabase::~ScheduleDatabase()
{
    m_pending.reset();
    sqlite3_finalize(m_versionQuery);
    sqlite3_close(m_db);
}

int ScheduleDatabase::onBusy(void* database, int attempt)
{
    return static_cast<ScheduleDatabase*>(database)->waitForLock(attempt) ? 1 : 0;
}

bool ScheduleDatabase::waitForLock(int attempt)
{
    using namespace std::chrono;
    const steady_clock::time_point now = steady_clock::now();
    if (attempt == 0) {
        // A lock given up on a moment ago is taken to be there still: this statement does not wait.
        if (m_gaveUpAt && now - *m_gaveUpAt < LockBackOff)
            return false;
        m_waitStarted = now;
    }
    if (now - m_waitStarted >= LockWait) {
        m_gaveUpAt = now;
        return false;
    }
    sqlite3_sleep(2);
    return true;
}

bool ScheduleDatabase::busy() const
{
    const int code = sqlite3_errcode(m_db);
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

QString ScheduleDatabase::engineError(const QString& what) const
{
    return engineError(what, QString::fromUtf8(sqlite3_errmsg(m_db)));
}

QString ScheduleDatabase::engineError(const QString& what, const QString& engineText) const
{
    return tr("%1 The schedule file %2 reports: %3.").arg(what, nativePath(m_path), engineText);
}

std::optional<qint64> ScheduleDatabase::dataVersion()
{
    // data_version changes only when another connection commits to the file.
    if (!m_versionQuery &&
        sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &m_versionQuery, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<qint64> version;
    if (sqlite3_step(m_versionQuery) == SQLITE_ROW)
        version = sqlite3_column_int64(m_versionQuery, 0);
    sqlite3_reset(m_versionQuery);
    return version;
}

const ScheduleTable& ScheduleDatabase::table()
{
    takeFinishedRead();
    // A file that cannot be looked at now (another program holds it) leaves the entries last read.
    const std::optional<qint64> version = dataVersion();
    if (!version || *version == m_dataVersion)
        return m_table;
    if (!m_readInBackground) {
        const StoreResult result = reload();
        if (!result && !m_readBusy)
            m_lastError = result.error;
    } else if (!m_pending) {
        m_pending = std::make_unique<BackgroundRead>(m_path, m_serials);
        m_pendingVersion = *version;
        m_pendingMissesOwnWrite = false;
        m_table.setOutdated(true);
    }
    return m_table;
}

void ScheduleDatabase::takeFinishedRead()
{
    if (!m_pending || !m_pending->finished())
        return;
    TableRead read = m_pending->take();
    m_pending.reset();
    // A read that began before one of the program's own writes may lack it; the table this program
    // changed stays, and the next look, still finding the change count moved, reads again.
    if (m_pendingMissesOwnWrite) {
        if (read.ok)
            m_untold.insert(m_untold.end(), read.identities.changes.begin(), read.identities.changes.end());
        return;
    }
    if (!read.ok) {
        const StoreResult failure = readFailure(read.busy, read.engineText);
        if (!read.busy)
            m_lastError = failure.error;
        return;
    }
    // Giving a large table's pages back to the system takes milliseconds, so the replaced table is
    // freed on a thread of its own.
    if (m_disposal.valid())
        m_disposal.wait();
    m_disposal = std::async(std::launch::async, [old = std::move(m_table)]() mutable {
        const ScheduleTable freed = std::move(old);
    });
    m_table = std::move(read.table);
    m_identities = std::move(read.identities.identities);
    m_rulesRead = false;
    m_dataVersion = m_pendingVersion;
    // The read's own record of identities is no change to read again: when the file's counter still
    // stands where that record left it, nobody else wrote since.
    if (read.counterAfterRecord) {
        const std::optional<qint64> now = dataVersion();
        if (now && IdentityFile::changeCounter(m_db) == read.counterAfterRecord)
            m_dataVersion = *now;
    }
    m_lastError.clear();
    tell(std::move(read.identities.changes));
}

void ScheduleDatabase::finishBackgroundRead()
{
    if (m_pending)
        m_pending->wait();
    takeFinishedRead();
}

StoreResult ScheduleDatabase::readFailure(bool busy, const QString& engineText)
{
    if (busy)
        return StoreResult::failure(busyText(QT_TR_NOOP("the entries shown are those last read")));
    return StoreResult::failure(engineError(tr("The schedule could not be read."), engineText));
}

StoreResult ScheduleDatabase::reload()
{
    m_pending.reset();
    TableRead read = TableRead::from(m_db, nullptr, m_serials.get(), m_loaded);
    if (!read.ok) {
        m_readBusy = read.busy;
        return readFailure(read.busy, read.engineText);
    }
    m_table = std::move(read.table);
    m_identities = std::move(read.identities.identities);
    m_rulesRead = false;
    m_dataVersion = read.dataVersion;
    m_lastError.clear();
    tell(std::move(read.identities.changes));
    return StoreResult::success();
}

StoreResult ScheduleDatabase::writeFailed(Write write)
{
    const int code = sqlite3_extended_errcode(m_db);
    const QString engine = engineError(write == Write::Save ? tr("The entry could not be saved.")
                                                            : tr("The entry could not be deleted."));
    // A statement refused inside a transaction must not leave it open for the next one.
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    const char* outcome = write == Write::Save ? QT_TR_NOOP("your entry was not saved")
                                               : QT_TR_NOOP("the entry was not deleted");
    const QString folder = nativePath(QFileInfo(m_path).absolutePath());
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_BUSY_SNAPSHOT:
    case SQLITE_BUSY_RECOVERY:
        return StoreResult::failure(busyText(outcome));
    case SQLITE_READONLY_DIRECTORY:
        return StoreResult::failure(
            tr("The folder %1 cannot be written, so the schedule file in it cannot be changed; %2.")
                .arg(folder, tr(outcome)));
    case SQLITE_READONLY:
        return StoreResult::failure(
            tr("The schedule file %1 is read-only; %2.").arg(nativePath(m_path), tr(outcome)));
    default:
        return StoreResult::failure(engine);
    }
}

StoreResult ScheduleDatabase::written(qint64 rowId)
{
    if (m_pending)
        m_pendingMissesOwnWrite = true;
    m_lastError.clear();
    return StoreResult::success(rowId);
}

StoreResult ScheduleDatabase::append(const ScheduleEntry& entry)
{
    const QString invalid = validationError(entry);
    if (!invalid.isEmpty())
        return StoreResult::failure(invalid);
    if (!m_unfilledField.isEmpty())
        return StoreResult::failure(tr("The schedule file %1 requires a field %2 that Zentravio does not "
                                       "fill, so new entries cannot be added to it.")
                                        .arg(nativePath(m_path), m_unfilledField));
    table(); // catch up with other writers first, so that the copy stays in file order

    qint64 rowId = 0;
    quint32 serial = 0;
    const StoreResult result = inTransaction(Write::Save, [&] {
        Statement insert(m_db, InsertSql);
        if (!insert.prepared())
            return false;
        for (int f = 0; f < ScheduleFieldCount; ++f)
            insert.bindText(f + 1, entry.fields[size_t(f)]);
        const IdentityFile::Fresh fresh = IdentityFile::freshRow(m_db, *m_serials);
        if (fresh.rowId != 0)
            insert.bindInt(8, fresh.rowId);
        if (insert.step() != SQLITE_DONE)
            return false;
        rowId = sqlite3_last_insert_rowid(m_db);
        serial = m_serials->drawFor(rowId, fresh.highest);
        return IdentityFile::recordNew(m_db, rowId, serial, EntryIdentities::fingerprint(entry));
    });
    if (!result)
        return result;
    m_table.append(rowId, entry);
    m_identities.append(rowId, serial);
    const StoreResult done = written(rowId);
    tell({{EntryChange::Kind::Added, m_identities.uidOfSerial(serial), rowId}});
    return done;
}

StoreResult ScheduleDatabase::appendAll(const std::vector<ScheduleEntry>& entries)
{
    std::vector<ImportWrite> added;
    added.reserve(entries.size());
    for (const ScheduleEntry& entry : entries)
        added.push_back({&entry, 0, {}, {}});
    return writeImport(added);
}

StoreResult ScheduleDatabase::writeImport(const std::vector<ImportedEntry>& imported)
{
    std::vector<ImportWrite> writes;
    writes.reserve(imported.size());
    for (const ImportedEntry& one : imported)
        writes.push_back(
            {one.entry, one.rowId, one.uid.isEmpty() ? QByteArray() : one.uid.toUtf8(), one.version, one.rule});
    return writeImport(writes);
}

StoreResult ScheduleDatabase::writeImport(const std::vector<ImportWrite>& imported)
{
    bool adds = false;
    for (size_t i = 0; i < imported.size(); ++i) {
        const QString invalid = validationError(*imported[i].entry);
        if (!invalid.isEmpty())
            return StoreResult::failure(
                tr("Entry %1 of %2: %3").arg(i + 1).arg(imported.size()).arg(invalid));
        adds = adds || imported[i].rowId == 0;
    }
    if (adds && !m_unfilledField.isEmpty())
        return StoreResult::failure(tr("The schedule file %1 requires a field %2 that Zentravio does not "
                                       "fill, so new entries cannot be added to it.")
                                        .arg(nativePath(m_path), m_unfilledField));
    if (imported.empty())
        return written(0);
    table();
    // What the import means to change must still be there, and an identity it gives must be no other
    // entry's: two entries with one UID would make the next import update the wrong one.
    for (const ImportWrite& one : imported) {
        if (one.rowId != 0) {
            if (m_table.indexOf(one.rowId) == m_table.size())
                return StoreResult::failure(tr("An entry the import would change is no longer in the "
                                               "schedule; nothing was imported. Try again."));
        } else if (!one.uid.isEmpty() && rowOfUtf8(one.uid)) {
            return StoreResult::failure(
                tr("Another entry of the schedule already has the identity %1; nothing was imported.")
                    .arg(QString::fromUtf8(one.uid)));
        }
    }

    // The write lock is taken at the start, so that no other program's write can come between the rows.
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return writeFailed(Write::Save);
    Statement insert(m_db, InsertSql);
    Statement change(m_db, UpdateSql);
    IdentityFile::ImportRecord record(m_db);
    if (!insert.prepared() || !change.prepared() || !record.prepared())
        return writeFailed(Write::Save);
    // The added entries take the row ids after every row and every serial drawn, one after another, so
    // that their serials are their row ids.
    const IdentityFile::Fresh fresh = IdentityFile::freshRow(m_db, *m_serials);
    qint64 nextRow = fresh.rowId;
    std::vector<qint64> rowIds;
    std::vector<quint32> serials;
    rowIds.reserve(imported.size());
    serials.reserve(imported.size());
    for (const ImportWrite& one : imported) {
        const ScheduleEntry& entry = *one.entry;
        Statement& statement = one.rowId == 0 ? insert : change;
        for (int f = 0; f < ScheduleFieldCount; ++f)
            statement.bindText(f + 1, entry.fields[size_t(f)]);
        if (one.rowId != 0)
            statement.bindInt(8, one.rowId);
        else if (nextRow != 0)
            statement.bindInt(8, nextRow++);
        const bool stepped = statement.step() == SQLITE_DONE;
        statement.reset();
        if (!stepped)
            return writeFailed(Write::Save);
        const quint32 fingerprint = EntryIdentities::fingerprint(entry);
        if (one.rowId != 0) {
            // The row was read a moment ago under no lock; another program may have deleted it since.
            if (sqlite3_changes(m_db) == 0) {
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
                return StoreResult::failure(tr("An entry the import would change is no longer in the "
                                               "schedule; nothing was imported. Try again."));
            }
            rowIds.push_back(one.rowId);
            serials.push_back(0);
            if (!record.updated(one.rowId, fingerprint, one.version))
                return writeFailed(Write::Save);
            if (!(one.rule.isNull() ? RuleFile::forget(m_db, one.rowId)
                                    : RuleFile::record(m_db, one.rowId, one.rule)))
                return writeFailed(Write::Save);
            continue;
        }
        rowIds.push_back(sqlite3_last_insert_rowid(m_db));
        serials.push_back(one.uid.isEmpty() ? m_serials->drawFor(rowIds.back(), fresh.highest)
                                            : EntryIdentities::GivenUid);
        if (!record.added(rowIds.back(), serials.back(), one.uid, fingerprint, one.version))
            return writeFailed(Write::Save);
        // A new row's id is above every row the file had, so no rule waits for it.
        if (!one.rule.isNull() && !RuleFile::record(m_db, rowIds.back(), one.rule))
            return writeFailed(Write::Save);
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return writeFailed(Write::Save);

    // The notices are made only for listeners: a large import's UIDs are not written out twice for nobody.
    const bool told = !m_listeners.empty();
    EntryChanges changes;
    if (told)
        changes.reserve(imported.size());
    for (size_t i = 0; i < imported.size(); ++i)
        keepRule(rowIds[i], imported[i].rule);
    for (size_t i = 0; i < imported.size(); ++i) {
        const ImportWrite& one = imported[i];
        if (one.rowId != 0) {
            const size_t position = m_table.indexOf(one.rowId);
            m_table.replace(position, *one.entry);
            if (told)
                changes.push_back(
                    {EntryChange::Kind::Changed, m_identities.uid(position, one.rowId), one.rowId});
            continue;
        }
        m_table.append(rowIds[i], *one.entry);
        if (serials[i] == EntryIdentities::GivenUid)
            m_identities.appendGiven(rowIds[i], one.uid);
        else
            m_identities.append(rowIds[i], serials[i]);
        if (told)
            changes.push_back(
                {EntryChange::Kind::Added, m_identities.uid(m_identities.size() - 1, rowIds[i]), rowIds[i]});
    }
    const StoreResult done = written(rowIds.back());
    if (told)
        tell(std::move(changes));
    return done;
}

QHash<qint64, QString> ScheduleDatabase::importedVersions()
{
    QHash<qint64, QString> versions;
    if (!IdentityFile::readImportedVersions(m_db, versions))
        versions.clear(); // a file without the identity tables: every entry counts as never imported
    return versions;
}

StoreResult ScheduleDatabase::update(qint64 rowId, const ScheduleEntry& entry, const QByteArray* rule)
{
    table();
    const size_t index = m_table.indexOf(rowId);
    // A text the update keeps as stored is not judged again: another program may have stored a longer
    // note than this one writes, and a change of the subject must not cost it.
    ScheduleEntry changed = entry;
    for (int f = 0; f < ScheduleFieldCount && index < m_table.size(); ++f) {
        if (m_table.text(index, ScheduleField(f)) == entry.fields[size_t(f)])
            changed.fields[size_t(f)] = QString();
    }
    const QString invalid = validationError(changed);
    if (!invalid.isEmpty())
        return StoreResult::failure(invalid);
    if (index == m_table.size())
        return StoreResult::failure(tr("The entry is no longer in the schedule; it was not changed."));

    bool gone = false;
    const bool keepsRule =
        entry[ScheduleField::Kind].compare(QLatin1String(RuleFile::RecurringKind), Qt::CaseInsensitive) == 0;
    const StoreResult result = inTransaction(Write::Save, [&] {
        Statement statement(m_db, UpdateSql);
        if (!statement.prepared())
            return false;
        for (int f = 0; f < ScheduleFieldCount; ++f)
            statement.bindText(f + 1, entry.fields[size_t(f)]);
        sqlite3_bind_int64(statement.get(), 8, rowId);
        if (statement.step() != SQLITE_DONE)
            return false;
        // Another program may have deleted the row while its change was still being read in.
        gone = sqlite3_changes(m_db) == 0;
        if (gone)
            return true;
        // An entry given one of the five kinds no longer keeps the rule it had.
        if (!keepsRule && !RuleFile::forget(m_db, rowId))
            return false;
        if (keepsRule && rule && !RuleFile::record(m_db, rowId, *rule))
            return false;
        return IdentityFile::recordFingerprint(m_db, rowId, EntryIdentities::fingerprint(entry));
    });
    if (!result)
        return result;
    if (gone)
        return StoreResult::failure(tr("The entry is no longer in the schedule; it was not changed."));
    m_table.replace(index, entry);
    if (!keepsRule)
        keepRule(rowId, QByteArray());
    else if (rule)
        keepRule(rowId, *rule);
    const StoreResult done = written(rowId);
    tell({{EntryChange::Kind::Changed, m_identities.uid(index, rowId), rowId}});
    return done;
}

StoreResult ScheduleDatabase::remove(qint64 rowId)
{
    table();
    const size_t index = m_table.indexOf(rowId);
    if (index == m_table.size())
        return StoreResult::failure(tr("The entry is no longer in the schedule."));
    bool gone = false;
    const StoreResult result = inTransaction(Write::Delete, [&] {
        Statement statement(m_db, "DELETE FROM Schedule WHERE rowid = ?1");
        if (!statement.prepared())
            return false;
        sqlite3_bind_int64(statement.get(), 1, rowId);
        if (statement.step() != SQLITE_DONE)
            return false;
        gone = sqlite3_changes(m_db) == 0;
        return gone || (IdentityFile::forget(m_db, rowId) && RuleFile::forget(m_db, rowId));
    });
    if (!result)
        return result;
    if (gone)
        return StoreResult::failure(tr("The entry is no longer in the schedule."));
    const QString uid = m_identities.uid(index, rowId);
    m_table.remove(index);
    m_identities.remove(index, rowId);
    keepRule(rowId, QByteArray());
    const StoreResult done = written(rowId);
    tell({{EntryChange::Kind::Removed, uid, rowId}});
    return done;
}

StoreResult ScheduleDatabase::inTransaction(Write write, const std::function<bool()>& body)
{
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return writeFailed(write);
    if (!body() || sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return writeFailed(write);
    return StoreResult::success();
}

QString ScheduleDatabase::uidOf(qint64 rowId) const
{
    const size_t index = m_table.indexOf(rowId);
    return index == m_table.size() || index >= m_identities.size() ? QString()
                                                                   : m_identities.uid(index, rowId);
}

std::optional<qint64> ScheduleDatabase::rowOf(const QString& uid) const
{
    if (const std::optional<qint64> row = m_identities.rowOfGiven(uid.toUtf8()))
        return row;
    if (const std::optional<quint32> serial = m_identities.serialOfUid(uid)) {
        // The serial's row is looked up, never searched for; the entry there must have the serial still.
        const qint64 row = m_identities.rowOfSerial(*serial);
        const size_t index = m_table.indexOf(row);
        if (index < m_table.size() && index < m_identities.size() && m_identities.serial(index) == *serial)
            return row;
    }
    return std::nullopt;
}

std::optional<qint64> ScheduleDatabase::rowOfUtf8(const QByteArray& uid) const
{
    if (const std::optional<qint64> row = m_identities.rowOfGiven(uid))
        return row;
    // Only a UID this file made up can be found otherwise.
    if (!uid.endsWith("@zentravio"))
        return std::nullopt;
    return rowOf(QString::fromUtf8(uid));
}

StoreResult ScheduleDatabase::setUid(qint64 rowId, const QString& uid)
{
    const QString trimmed = uid.trimmed();
    if (trimmed.isEmpty())
        return StoreResult::failure(tr("An entry's identity cannot be empty."));
    table();
    const size_t index = m_table.indexOf(rowId);
    if (index == m_table.size())
        return StoreResult::failure(tr("The entry is no longer in the schedule; it was not changed."));
    const std::optional<qint64> holder = rowOf(trimmed);
    if (holder == rowId)
        return StoreResult::success(rowId);
    if (holder)
        return StoreResult::failure(
            tr("Another entry of the schedule already has the identity %1.").arg(trimmed));
    const QByteArray utf8 = trimmed.toUtf8();
    const StoreResult result =
        inTransaction(Write::Save, [&] { return IdentityFile::recordGivenUid(m_db, rowId, utf8); });
    if (!result)
        return result;
    m_identities.setGiven(index, rowId, utf8);
    return written(rowId);
}

int ScheduleDatabase::addChangeListener(ChangeListener listener)
{
    m_listeners.emplace_back(m_nextListener, std::move(listener));
    return m_nextListener++;
}

void ScheduleDatabase::removeChangeListener(int id)
{
    std::erase_if(m_listeners, [id](const auto& listener) { return listener.first == id; });
}

void ScheduleDatabase::tell(EntryChanges changes)
{
    if (!m_untold.empty()) {
        changes.insert(changes.begin(), m_untold.begin(), m_untold.end());
        m_untold.clear();
    }
    if (changes.empty())
        return;
    // A listener may stop listening, or start another, while it is told.
    const auto listeners = m_listeners;
    for (const auto& listener : listeners)
        listener.second(changes);
}

const QHash<qint64, QByteArray>& ScheduleDatabase::rules()
{
    table();
    if (m_rulesRead)
        return m_rules;
    QHash<qint64, QByteArray> all;
    // A file that cannot be read now keeps the rules last read, as the table keeps its entries.
    if (!RuleFile::readAll(m_db, all))
        return m_rules;
    m_rules.clear();
    const QLatin1String recurring(RuleFile::RecurringKind);
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        const size_t i = m_table.indexOf(it.key());
        if (i < m_table.size() &&
            m_table.text(i, ScheduleField::Kind).compare(recurring, Qt::CaseInsensitive) == 0)
            m_rules.insert(it.key(), it.value());
    }
    m_rulesRead = true;
    return m_rules;
}

void ScheduleDatabase::keepRule(qint64 rowId, const QByteArray& event)
{
    if (event.isNull())
        m_rules.remove(rowId);
    else
        m_rules.insert(rowId, event);
}

StoreResult ScheduleDatabase::setRule(qint64 rowId, const QByteArray& event)
{
    table();
    if (m_table.indexOf(rowId) == m_table.size())
        return StoreResult::failure(tr("The entry is no longer in the schedule; it was not changed."));
    const StoreResult result = inTransaction(Write::Save, [&] {
        return event.isNull() ? RuleFile::forget(m_db, rowId) : RuleFile::record(m_db, rowId, event);
    });
    if (!result)
        return result;
    keepRule(rowId, event);
    ++m_rulesChanges;
    const size_t index = m_table.indexOf(rowId);
    const StoreResult done = written(rowId);
    tell({{EntryChange::Kind::Changed, m_identities.uid(index, rowId), rowId}});
    return done;
}

std::vector<Snooze> ScheduleDatabase::snoozes()
{
    std::vector<Snooze> snoozes;
    Statement query(m_db, "SELECT Uid, DueAt, SnoozedFrom, AlarmSecond FROM EntrySnooze ORDER BY DueAt");
    while (query.prepared() && query.step() == SQLITE_ROW) {
        sqlite3_stmt* s = query.get();
        snoozes.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))),
                           sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2),
                           qint32(sqlite3_column_int64(s, 3))});
    }
    return snoozes;
}

StoreResult ScheduleDatabase::keepSnooze(const Snooze& snooze)
{
    Statement statement(m_db, "INSERT OR REPLACE INTO EntrySnooze (Uid, DueAt, SnoozedFrom, AlarmSecond) "
                              "VALUES (?1, ?2, ?3, ?4)");
    if (!statement.prepared())
        return writeFailed(Write::Save);
    statement.bindText(1, snooze.uid);
    statement.bindInt(2, snooze.dueSecond);
    statement.bindInt(3, snooze.fromSecond);
    statement.bindInt(4, snooze.alarmSecond);
    if (statement.step() != SQLITE_DONE)
        return writeFailed(Write::Save);
    return StoreResult::success();
}

StoreResult ScheduleDatabase::dropSnooze(const QString& uid)
{
    Statement statement(m_db, "DELETE FROM EntrySnooze WHERE Uid = ?1");
    if (!statement.prepared())
        return writeFailed(Write::Delete);
    statement.bindText(1, uid);
    if (statement.step() != SQLITE_DONE)
        return writeFailed(Write::Delete);
    return StoreResult::success();
}

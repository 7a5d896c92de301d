#include "store/IdentityFile.h"

#include "store/ScheduleTable.h"
#include "store/SqlStatement.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>

quint32 SerialSource::draw(quint32 highestInFile)
{
    quint32 next = m_next.load();
    while (true) {
        const quint32 serial = std::max(next, highestInFile + 1);
        if (m_next.compare_exchange_weak(next, serial + 1))
            return serial;
    }
}

void SerialSource::passed(quint32 highestInFile)
{
    quint32 next = m_next.load();
    while (next <= highestInFile && !m_next.compare_exchange_weak(next, highestInFile + 1)) {
    }
}

namespace IdentityFile {
namespace {

constexpr const char* CreateSql = R"(CREATE TABLE IF NOT EXISTS EntryIdentity (
    RowId INTEGER PRIMARY KEY,
    Uid NOT NULL,
    Fingerprint INTEGER NOT NULL,
    Origin TEXT,
    SyncedForm TEXT);
CREATE TABLE IF NOT EXISTS EntryIdentityFile (Tag TEXT NOT NULL, LastSerial INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS EntrySnooze (
    Uid TEXT PRIMARY KEY,
    DueAt INTEGER NOT NULL,
    SnoozedFrom INTEGER NOT NULL,
    AlarmSecond INTEGER NOT NULL);)";

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool tablesPresent(sqlite3* db)
{
    SqlStatement tag(db, "SELECT Tag FROM EntryIdentityFile LIMIT 1");
    SqlStatement rows(db, "SELECT RowId FROM EntryIdentity LIMIT 0");
    SqlStatement snoozes(db, "SELECT Uid FROM EntrySnooze LIMIT 0");
    return tag.prepared() && rows.prepared() && snoozes.prepared() && tag.step() == SQLITE_ROW;
}

QString newTag()
{
    return QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, QLatin1Char('0'));
}

bool runOnce(sqlite3* db, const char* sql, const std::function<void(SqlStatement&)>& bind)
{
    SqlStatement statement(db, sql);
    if (!statement.prepared())
        return false;
    bind(statement);
    return statement.step() == SQLITE_DONE;
}

bool recordLastSerial(sqlite3* db, quint32 serial)
{
    return serial == 0 || runOnce(db, "UPDATE EntryIdentityFile SET LastSerial = max(LastSerial, ?1)",
                                  [&](SqlStatement& s) { s.bindInt(1, serial); });
}

} // namespace

Tables ensure(sqlite3* db)
{
    // A file that has them is left untouched: opening it writes nothing.
    if (tablesPresent(db))
        return Tables::Present;
    if (!exec(db, "BEGIN IMMEDIATE"))
        return Tables::Missing;
    bool ok = exec(db, CreateSql);
    ok = ok && runOnce(db,
                       "INSERT INTO EntryIdentityFile (Tag) SELECT ?1 "
                       "WHERE NOT EXISTS (SELECT 1 FROM EntryIdentityFile)",
                       [](SqlStatement& s) { s.bindText(1, newTag()); });
    if (!ok || !exec(db, "COMMIT")) {
        exec(db, "ROLLBACK");
        return Tables::Missing;
    }
    return Tables::Made;
}

bool read(sqlite3* db, const ScheduleTable& table, const std::vector<quint32>& fingerprints,
          SerialSource& serials, bool listChanges, Reconciled& out)
{
    out.identities.clear();
    out.identities.reserve(table.size());
    out.changes.clear();
    out.repairs.clear();
    // The highest serial ever drawn for the file, so that the identity of a deleted entry is never given
    // to a new one, not even after a restart.
    quint32 highest = 0;
    {
        SqlStatement tag(db, "SELECT Tag, LastSerial FROM EntryIdentityFile LIMIT 1");
        out.inFile = tag.prepared() && tag.step() == SQLITE_ROW;
        if (out.inFile) {
            out.identities.setTag(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(tag.get(), 0))));
            highest = quint32(std::clamp<qint64>(sqlite3_column_int64(tag.get(), 1), 0,
                                                 std::numeric_limits<quint32>::max() - 1));
        }
    }
    // Without the tables (a read-only file that never had them) the entries are given identities for the
    // run only, and nothing is told as changed: there is nothing to compare with.
    listChanges = listChanges && out.inFile;
    if (!out.inFile)
        out.identities.setTag(newTag());

    // Rows that need a new serial, with the change that names them, once the highest serial is known.
    struct Pending
    {
        size_t position;
        size_t repair;
        std::optional<size_t> change;
    };
    std::vector<Pending> pending;
    auto changed = [&](EntryChange::Kind kind, QString uid, qint64 rowId) -> std::optional<size_t> {
        if (!listChanges)
            return std::nullopt;
        out.changes.push_back({kind, std::move(uid), rowId});
        return out.changes.size() - 1;
    };
    auto giveNew = [&](size_t i, Repair::Kind kind, quint32 kept) {
        out.repairs.push_back({kind, table.rowId(i), 0, fingerprints[i], kept});
        pending.push_back({i, out.repairs.size() - 1, changed(EntryChange::Kind::Added, {}, table.rowId(i))});
    };

    size_t i = 0;
    const size_t count = table.size();
    if (out.inFile) {
        SqlStatement rows(db, "SELECT RowId, Uid, Fingerprint FROM EntryIdentity ORDER BY RowId");
        if (!rows.prepared())
            return false;
        int rc;
        while ((rc = rows.step()) == SQLITE_ROW) {
            sqlite3_stmt* s = rows.get();
            const qint64 rowId = sqlite3_column_int64(s, 0);
            const qint64 number = sqlite3_column_int64(s, 1);
            const bool made = sqlite3_column_type(s, 1) == SQLITE_INTEGER && number > 0 &&
                              number <= std::numeric_limits<quint32>::max();
            const quint32 serial = made ? quint32(number) : EntryIdentities::GivenUid;
            const QString given =
                made ? QString()
                     : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
            const quint32 kept = quint32(sqlite3_column_int64(s, 2));
            highest = std::max(highest, serial);
            auto keptUid = [&] { return made ? out.identities.uidOfSerial(serial) : given; };

            while (i < count && table.rowId(i) < rowId) {
                out.identities.append(0);
                giveNew(i++, Repair::Kind::Add, 0);
            }
            if (i == count || table.rowId(i) != rowId) {
                out.repairs.push_back({Repair::Kind::Drop, rowId});
                changed(EntryChange::Kind::Removed, keptUid(), rowId);
                continue;
            }
            const quint32 now = fingerprints[i];
            if (kept != now && !EntryIdentities::sameEntry(kept, now)) {
                // The row id was given to another entry: the old one is gone, the new one is new.
                changed(EntryChange::Kind::Removed, keptUid(), rowId);
                out.identities.append(0);
                giveNew(i++, Repair::Kind::Renew, kept);
                continue;
            }
            if (made)
                out.identities.append(serial);
            else
                out.identities.appendGiven(rowId, given);
            if (kept != now) {
                out.repairs.push_back({Repair::Kind::Refingerprint, rowId, 0, now, kept});
                changed(EntryChange::Kind::Changed, keptUid(), rowId);
            }
            ++i;
        }
        if (rc != SQLITE_DONE)
            return false;
    }
    while (i < count) {
        out.identities.append(0);
        giveNew(i++, Repair::Kind::Add, 0);
    }
    serials.passed(highest);
    for (const Pending& p : pending) {
        const quint32 serial = serials.draw(highest);
        out.identities.setSerial(p.position, table.rowId(p.position), serial);
        out.repairs[p.repair].serial = serial;
        if (p.change)
            out.changes[*p.change].uid = out.identities.uidOfSerial(serial);
    }
    if (!out.inFile)
        out.repairs.clear();
    return true;
}

std::optional<quint32> changeCounter(sqlite3* db)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return std::nullopt;
    std::array<uchar, 4> bytes{};
    if (file->pMethods->xRead(file, bytes.data(), int(bytes.size()), 24) != SQLITE_OK)
        return std::nullopt;
    return qFromBigEndian<quint32>(bytes.data());
}

std::optional<quint32> repair(sqlite3* db, const std::vector<Repair>& repairs,
                              std::optional<quint32> readCounter)
{
    if (repairs.empty())
        return std::nullopt;
    if (!exec(db, "BEGIN IMMEDIATE"))
        return std::nullopt;
    // While this write holds the file no other can commit, and its own commit moves the counter by one.
    const std::optional<quint32> before = changeCounter(db);
    // Each repair holds only where the file still is as the read found it: the program's own write, or
    // another program's, made since then is not undone.
    SqlStatement add(db, "INSERT INTO EntryIdentity (RowId, Uid, Fingerprint) SELECT ?1, ?2, ?3 "
                         "WHERE EXISTS (SELECT 1 FROM Schedule WHERE rowid = ?1) "
                         "AND NOT EXISTS (SELECT 1 FROM EntryIdentity WHERE RowId = ?1)");
    SqlStatement refingerprint(
        db, "UPDATE EntryIdentity SET Fingerprint = ?3 WHERE RowId = ?1 AND Fingerprint = ?4");
    SqlStatement renew(
        db, "UPDATE EntryIdentity SET Uid = ?2, Fingerprint = ?3, Origin = NULL, SyncedForm = NULL "
            "WHERE RowId = ?1 AND Fingerprint = ?4");
    SqlStatement drop(db, "DELETE FROM EntryIdentity WHERE RowId = ?1 "
                          "AND NOT EXISTS (SELECT 1 FROM Schedule WHERE rowid = ?1)");
    bool ok = add.prepared() && refingerprint.prepared() && renew.prepared() && drop.prepared();
    quint32 lastSerial = 0;
    for (const Repair& r : repairs) {
        if (!ok)
            break;
        lastSerial = std::max(lastSerial, r.serial);
        SqlStatement& s = r.kind == Repair::Kind::Add             ? add
                          : r.kind == Repair::Kind::Refingerprint ? refingerprint
                          : r.kind == Repair::Kind::Renew         ? renew
                                                                  : drop;
        sqlite3_stmt* raw = s.get();
        for (int p = 1; p <= sqlite3_bind_parameter_count(raw); ++p) {
            const qint64 value = p == 1   ? r.rowId
                                 : p == 2 ? qint64(r.serial)
                                 : p == 3 ? r.fingerprint
                                          : r.keptFingerprint;
            sqlite3_bind_int64(raw, p, value);
        }
        ok = s.step() == SQLITE_DONE;
        s.reset();
    }
    ok = ok && recordLastSerial(db, lastSerial);
    if (!ok || !exec(db, "COMMIT")) {
        exec(db, "ROLLBACK");
        return std::nullopt;
    }
    if (!before || before != readCounter)
        return std::nullopt;
    return *before + 1;
}

bool recordNew(sqlite3* db, qint64 rowId, quint32 serial, quint32 fingerprint)
{
    if (!recordLastSerial(db, serial))
        return false;
    // A row id another program freed, and this write took again, loses what was kept for the old entry.
    return runOnce(db, "INSERT OR REPLACE INTO EntryIdentity (RowId, Uid, Fingerprint) VALUES (?1, ?2, ?3)",
                   [&](SqlStatement& s) {
                       s.bindInt(1, rowId);
                       s.bindInt(2, serial);
                       s.bindInt(3, fingerprint);
                   });
}

bool recordFingerprint(sqlite3* db, qint64 rowId, quint32 fingerprint)
{
    return runOnce(db, "UPDATE EntryIdentity SET Fingerprint = ?2 WHERE RowId = ?1", [&](SqlStatement& s) {
        s.bindInt(1, rowId);
        s.bindInt(2, fingerprint);
    });
}

bool recordGivenUid(sqlite3* db, qint64 rowId, const QString& uid)
{
    return runOnce(db, "UPDATE EntryIdentity SET Uid = ?2 WHERE RowId = ?1", [&](SqlStatement& s) {
        s.bindInt(1, rowId);
        s.bindText(2, uid);
    });
}

bool forget(sqlite3* db, qint64 rowId)
{
    return runOnce(db, "DELETE FROM EntryIdentity WHERE RowId = ?1",
                   [&](SqlStatement& s) { s.bindInt(1, rowId); });
}

ImportRecord::ImportRecord(sqlite3* db)
    // A row id another program freed, and this import took again, loses what was kept for the old entry.
    : m_add(std::make_unique<SqlStatement>(
          db, "INSERT OR REPLACE INTO EntryIdentity (RowId, Uid, Fingerprint, Origin, SyncedForm) "
              "VALUES (?1, ?2, ?3, ?4, ?5)")),
      m_update(std::make_unique<SqlStatement>(
          db, "UPDATE EntryIdentity SET Fingerprint = ?2, Origin = ?3, SyncedForm = ?4 WHERE RowId = ?1"))
{}

ImportRecord::~ImportRecord() = default;

bool ImportRecord::prepared() const
{
    return m_add->prepared() && m_update->prepared();
}

bool ImportRecord::added(qint64 rowId, quint32 serial, const QString& givenUid, quint32 fingerprint,
                         const QString& version)
{
    SqlStatement& s = *m_add;
    s.bindInt(1, rowId);
    if (serial != EntryIdentities::GivenUid)
        s.bindInt(2, serial);
    else
        s.bindText(2, givenUid);
    s.bindInt(3, fingerprint);
    // An entry added without an event's version came from no calendar file.
    if (version.isNull())
        sqlite3_bind_null(s.get(), 4);
    else
        sqlite3_bind_text(s.get(), 4, ImportedOrigin, -1, SQLITE_STATIC);
    s.bindText(5, version);
    const bool ok = s.step() == SQLITE_DONE;
    s.reset();
    return ok;
}

bool ImportRecord::updated(qint64 rowId, quint32 fingerprint, const QString& version)
{
    SqlStatement& s = *m_update;
    s.bindInt(1, rowId);
    s.bindInt(2, fingerprint);
    sqlite3_bind_text(s.get(), 3, ImportedOrigin, -1, SQLITE_STATIC);
    s.bindText(4, version);
    // The row has an identity from the read that found it; one without (a read-only run) is no fault.
    const bool ok = s.step() == SQLITE_DONE;
    s.reset();
    return ok;
}

bool readImportedVersions(sqlite3* db, QHash<qint64, QString>& out)
{
    SqlStatement rows(db, "SELECT RowId, SyncedForm FROM EntryIdentity WHERE Origin = ?1 "
                          "AND SyncedForm IS NOT NULL");
    if (!rows.prepared())
        return false;
    sqlite3_bind_text(rows.get(), 1, ImportedOrigin, -1, SQLITE_STATIC);
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        sqlite3_stmt* s = rows.get();
        out.insert(sqlite3_column_int64(s, 0),
                   QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))));
    }
    return rc == SQLITE_DONE;
}

} // namespace IdentityFile

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

quint32 SerialSource::drawFor(qint64 rowId, quint32 highestInFile)
{
    quint32 next = m_next.load();
    while (true) {
        const quint32 least = std::max(next, highestInFile + 1);
        const quint32 serial = rowId >= qint64(least) && rowId < qint64(std::numeric_limits<quint32>::max())
                                   ? quint32(rowId)
                                   : least;
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

constexpr const char* CreateSql = R"(CREATE TABLE IF NOT EXISTS EntryFingerprint (
    RowId INTEGER PRIMARY KEY,
    Fingerprint INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS EntryUid (
    RowId INTEGER PRIMARY KEY,
    Uid,
    Origin TEXT,
    SyncedForm TEXT);
CREATE TABLE IF NOT EXISTS EntryIdentityFile (Tag TEXT NOT NULL, LastSerial INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS EntrySnooze (
    Uid TEXT PRIMARY KEY,
    DueAt INTEGER NOT NULL,
    SnoozedFrom INTEGER NOT NULL,
    AlarmSecond INTEGER NOT NULL);)";

// The earlier layout kept every entry's UID, its serial too, in one table with the rest, and a digest made
// a byte at a time. The identities that still hold are brought over (see migrate); an identity already in
// the new tables (written by this layout before an earlier version of the program ran) is kept.
constexpr const char* MigrateSql = R"(INSERT OR IGNORE INTO EntryUid (RowId, Uid, Origin, SyncedForm)
    SELECT RowId, CASE WHEN typeof(Uid) = 'integer' AND Uid = RowId THEN NULL ELSE Uid END, Origin, SyncedForm
    FROM EntryIdentity
    WHERE (typeof(Uid) <> 'integer' OR Uid <> RowId OR Origin IS NOT NULL OR SyncedForm IS NOT NULL)
    AND RowId IN (SELECT RowId FROM EntryFingerprint);
UPDATE EntryIdentityFile SET LastSerial = max(LastSerial,
    coalesce((SELECT max(Uid) FROM EntryIdentity WHERE typeof(Uid) = 'integer'), 0));
DROP TABLE EntryIdentity;)";

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool earlierLayoutPresent(sqlite3* db)
{
    SqlStatement earlier(db, "SELECT RowId, Uid, Fingerprint FROM EntryIdentity LIMIT 0");
    return earlier.prepared();
}

bool tablesPresent(sqlite3* db)
{
    SqlStatement tag(db, "SELECT Tag FROM EntryIdentityFile LIMIT 1");
    SqlStatement prints(db, "SELECT RowId, Fingerprint FROM EntryFingerprint LIMIT 0");
    SqlStatement uids(db, "SELECT RowId, Uid, Origin, SyncedForm FROM EntryUid LIMIT 0");
    SqlStatement snoozes(db, "SELECT Uid FROM EntrySnooze LIMIT 0");
    return tag.prepared() && prints.prepared() && uids.prepared() && snoozes.prepared() &&
           tag.step() == SQLITE_ROW && !earlierLayoutPresent(db);
}

// The fingerprints of the earlier layout's identities whose rows still hold their entries, made anew. A
// row whose entry is another now (its row id was given again while the program was not running) is left
// without: the next read gives it a new identity.
bool migrate(sqlite3* db)
{
    SqlStatement rows(db, R"(SELECT i.RowId, s."Date", s."Day", s."Type", s."Note", s."AlarmTime",
        s."AlarmOnOff", s."SchedType", i.Fingerprint
        FROM EntryIdentity i JOIN Schedule s ON s.rowid = i.RowId)");
    SqlStatement keep(db, "INSERT OR IGNORE INTO EntryFingerprint (RowId, Fingerprint) VALUES (?1, ?2)");
    if (!rows.prepared() || !keep.prepared())
        return false;
    std::array<std::string_view, ScheduleFieldCount> fields;
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        sqlite3_stmt* s = rows.get();
        for (int f = 0; f < ScheduleFieldCount; ++f) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, f + 1));
            fields[size_t(f)] =
                text ? std::string_view(text, size_t(sqlite3_column_bytes(s, f + 1))) : std::string_view();
        }
        const quint32 kept = quint32(sqlite3_column_int64(s, 8));
        const quint32 before = EntryIdentities::earlierFingerprint(fields);
        if (kept != before && !EntryIdentities::sameEntry(kept, before))
            continue;
        keep.bindInt(1, sqlite3_column_int64(s, 0));
        keep.bindInt(2, EntryIdentities::fingerprint(fields));
        const bool ok = keep.step() == SQLITE_DONE;
        keep.reset();
        if (!ok)
            return false;
    }
    return rc == SQLITE_DONE && exec(db, MigrateSql);
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
    ok = ok && (!earlierLayoutPresent(db) || migrate(db));
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

bool makeTables(sqlite3* db, const QString& tag)
{
    return exec(db, CreateSql) && runOnce(db,
                                          "INSERT INTO EntryIdentityFile (Tag) SELECT ?1 "
                                          "WHERE NOT EXISTS (SELECT 1 FROM EntryIdentityFile)",
                                          [&](SqlStatement& s) { s.bindText(1, tag); });
}

BroughtOver bringOver(sqlite3* db, const QString& tag, std::optional<quint32> readCounter, size_t rowsPerStep,
                      qint64 lastRowId, const std::atomic<bool>* stop, const std::atomic<int>* yieldTo)
{
    BroughtOver out;
    // The earlier layout is brought over in one step, which may leave a row without the identity it
    // had: the identities in memory are then read again.
    if (earlierLayoutPresent(db)) {
        out.ok = ensure(db) == Tables::Made;
        return out;
    }
    std::optional<quint32> expected = readCounter;
    out.untouched = readCounter.has_value();
    qint64 after = std::numeric_limits<qint64>::min();
    while (true) {
        if (stop && stop->load())
            return out;
        if (!exec(db, "BEGIN IMMEDIATE"))
            return out;
        // While this step holds the file no other write can commit, and its own commit moves the counter
        // by one: every step writes the last serial.
        const std::optional<quint32> before = changeCounter(db);
        out.untouched = out.untouched && before && before == expected;
        bool ok = makeTables(db, tag);
        SqlStatement rows(db, R"(SELECT rowid, "Date", "Day", "Type", "Note", "AlarmTime", "AlarmOnOff",
            "SchedType" FROM Schedule WHERE rowid > ?1 AND rowid <= ?3 ORDER BY rowid LIMIT ?2)");
        SqlStatement keep(db, "INSERT OR IGNORE INTO EntryFingerprint (RowId, Fingerprint) VALUES (?1, ?2)");
        ok = ok && rows.prepared() && keep.prepared();
        size_t taken = 0;
        bool cut = false; // the step ended early, for a write of the program
        if (ok) {
            rows.bindInt(1, after);
            rows.bindInt(2, qint64(std::min<size_t>(rowsPerStep, std::numeric_limits<qint64>::max())));
            rows.bindInt(3, lastRowId);
            std::array<std::string_view, ScheduleFieldCount> fields;
            int rc = SQLITE_DONE;
            while (ok && !(yieldTo && yieldTo->load() > 0 && taken % 64 == 63) &&
                   (rc = rows.step()) == SQLITE_ROW) {
                sqlite3_stmt* r = rows.get();
                for (int f = 0; f < ScheduleFieldCount; ++f) {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(r, f + 1));
                    fields[size_t(f)] = text ? std::string_view(text, size_t(sqlite3_column_bytes(r, f + 1)))
                                             : std::string_view();
                }
                after = sqlite3_column_int64(r, 0);
                ++taken;
                // A row the program wrote meanwhile keeps what its write recorded.
                keep.bindInt(1, after);
                keep.bindInt(2, EntryIdentities::fingerprint(fields));
                ok = keep.step() == SQLITE_DONE;
                keep.reset();
            }
            ok = ok && (rc == SQLITE_DONE || rc == SQLITE_ROW);
            cut = rc == SQLITE_ROW;
        }
        // No serial up to the last row brought over is drawn for another entry; the rows after it, not yet
        // brought over, still get their row ids from a read that meets them first.
        ok = ok &&
             runOnce(db, "UPDATE EntryIdentityFile SET LastSerial = max(LastSerial, ?1)",
                     [&](SqlStatement& s) {
                         s.bindInt(1, std::clamp<qint64>(after, 0, std::numeric_limits<quint32>::max() - 1));
                     });
        if (!ok || !exec(db, "COMMIT")) {
            exec(db, "ROLLBACK");
            return out;
        }
        expected = before ? std::optional<quint32>(*before + 1) : std::nullopt;
        out.counterAfter = expected;
        if (taken < rowsPerStep && !cut) {
            out.ok = true;
            return out;
        }
    }
}

namespace {

// The identities the file keeps, row by row in row id order, from either layout: the fingerprints, and beside
// them the UIDs their row ids do not say.
class KeptRows
{
public:
    KeptRows(sqlite3* db, bool earlierLayout)
        : m_prints(db, earlierLayout ? "SELECT RowId, Fingerprint, Uid FROM EntryIdentity ORDER BY RowId"
                                     : "SELECT RowId, Fingerprint FROM EntryFingerprint ORDER BY RowId"),
          m_uids(db, earlierLayout ? "SELECT 0 LIMIT 0" : "SELECT RowId, Uid FROM EntryUid ORDER BY RowId"),
          m_earlier(earlierLayout)
    {}

    bool prepared() const { return m_prints.prepared() && m_uids.prepared(); }

    // SQLITE_ROW at the next kept row, SQLITE_DONE past the last, or the engine's error.
    int step()
    {
        const int rc = m_prints.step();
        if (rc != SQLITE_ROW || m_earlier)
            return rc;
        const qint64 row = rowId();
        while (m_uidRc == SQLITE_ROW && m_uidRow < row) {
            m_uidRc = m_uids.step();
            m_uidRow = m_uidRc == SQLITE_ROW ? sqlite3_column_int64(m_uids.get(), 0) : 0;
        }
        return m_uidRc == SQLITE_ROW || m_uidRc == SQLITE_DONE ? SQLITE_ROW : m_uidRc;
    }

    qint64 rowId() const { return sqlite3_column_int64(m_prints.get(), 0); }
    quint32 fingerprint() const { return quint32(sqlite3_column_int64(m_prints.get(), 1)); }

    // The UID column of the row: NULL when the row id says the serial.
    sqlite3_stmt* uidStatement() const { return m_earlier ? m_prints.get() : m_uids.get(); }
    int uidColumn() const { return m_earlier ? 2 : 1; }
    int uidType() const
    {
        if (!m_earlier && (m_uidRc != SQLITE_ROW || m_uidRow != rowId()))
            return SQLITE_NULL;
        return sqlite3_column_type(uidStatement(), uidColumn());
    }

private:
    SqlStatement m_prints;
    SqlStatement m_uids;
    bool m_earlier;
    int m_uidRc = SQLITE_ROW; // before the first step
    qint64 m_uidRow = std::numeric_limits<qint64>::min();
};

// One kept identity: a made-up serial, or a UID given from outside; neither when the file's record is
// unusable.
struct KeptUid
{
    quint32 serial = EntryIdentities::GivenUid;
    QByteArray given;
    bool usable() const { return serial != EntryIdentities::GivenUid || !given.isEmpty(); }
};

// The UID column of a row (of the given type; SQLITE_NULL when the row keeps none): NULL when the row id says
// the serial.
KeptUid keptUid(qint64 rowId, sqlite3_stmt* statement, int column, int type)
{
    KeptUid kept;
    constexpr qint64 Highest = std::numeric_limits<quint32>::max();
    switch (type) {
    case SQLITE_NULL:
        kept.serial = rowId > 0 && rowId <= Highest ? quint32(rowId) : EntryIdentities::GivenUid;
        return kept;
    case SQLITE_INTEGER: {
        const qint64 number = sqlite3_column_int64(statement, column);
        if (number > 0 && number <= Highest) {
            kept.serial = quint32(number);
            return kept;
        }
        break;
    }
    default:
        break;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    kept.given = QByteArray(text, sqlite3_column_bytes(statement, column));
    return kept;
}

KeptUid keptUid(const KeptRows& rows)
{
    return keptUid(rows.rowId(), rows.uidStatement(), rows.uidColumn(), rows.uidType());
}

// The rows of EntryUid, looked at in row id order beside the table's rows.
class UidCursor
{
public:
    explicit UidCursor(sqlite3* db) : m_uids(db, "SELECT RowId, Uid FROM EntryUid ORDER BY RowId") {}
    bool prepared() const { return m_uids.prepared(); }
    bool failed() const { return m_rc != SQLITE_ROW && m_rc != SQLITE_DONE; }
    // What the row keeps, rows asked for in rising order.
    KeptUid at(qint64 rowId)
    {
        while (m_rc == SQLITE_ROW && m_row < rowId) {
            m_rc = m_uids.step();
            m_row = m_rc == SQLITE_ROW ? sqlite3_column_int64(m_uids.get(), 0) : 0;
        }
        const bool kept = m_rc == SQLITE_ROW && m_row == rowId;
        return keptUid(rowId, m_uids.get(), 1, kept ? sqlite3_column_type(m_uids.get(), 1) : SQLITE_NULL);
    }

private:
    SqlStatement m_uids;
    int m_rc = SQLITE_ROW; // before the first step
    qint64 m_row = std::numeric_limits<qint64>::min();
};

} // namespace

Layout layoutOf(sqlite3* db)
{
    if (earlierLayoutPresent(db))
        return Layout::Earlier;
    SqlStatement prints(db, "SELECT RowId, Fingerprint FROM EntryFingerprint LIMIT 0");
    SqlStatement uids(db, "SELECT RowId, Uid FROM EntryUid LIMIT 0");
    return prints.prepared() && uids.prepared() ? Layout::Current : Layout::None;
}

bool read(sqlite3* db, const ScheduleTable& table, const std::vector<quint32>& fingerprints,
          const std::vector<quint32>* keptPrints, SerialSource& serials, bool listChanges, Reconciled& out)
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
    // A file that cannot be written, still in the earlier layout, is read as it is; its repairs cannot be
    // written, so none is made.
    const bool earlier = out.inFile && earlierLayoutPresent(db);
    // The fingerprints come with the table's rows when the read joined them; otherwise they are looked at
    // here, table beside table.
    const bool joined = keptPrints && !earlier && keptPrints->size() == table.size();
    std::optional<KeptRows> rows;
    std::optional<UidCursor> uids;
    if (joined)
        uids.emplace(db);
    else
        rows.emplace(db, earlier);
    out.inFile = out.inFile && (joined ? uids->prepared() : rows->prepared());
    // Without the tables (a read-only file that never had them) the entries are given identities for the
    // run only, and nothing is told as changed: there is nothing to compare with.
    listChanges = listChanges && out.inFile;
    // Such identities are drawn apart from the file's serials, which they must not use up: they are the row
    // ids, as long as the run lasts.
    SerialSource forTheRun;
    SerialSource& drawn = out.inFile ? serials : forTheRun;
    if (!out.inFile) {
        // Every entry is new to the file, and its identity is the one its row id says: nothing to compare,
        // nothing to repair, and no list of them, which at a million entries would double the read's peak.
        out.identities.setTag(newTag());
        for (size_t i = 0; i < table.size(); ++i)
            out.identities.append(table.rowId(i), forTheRun.drawFor(table.rowId(i), 0));
        return true;
    }

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

    auto uidText = [&](const KeptUid& uid) {
        return uid.serial != EntryIdentities::GivenUid ? out.identities.uidOfSerial(uid.serial)
                                                       : QString::fromUtf8(uid.given);
    };
    // A row the file keeps an identity for, at position i of the table.
    auto judge = [&](size_t i, qint64 rowId, const KeptUid& uid, quint32 kept) {
        const quint32 now = fingerprints[i];
        if (!uid.usable() || (kept != now && !EntryIdentities::sameEntry(kept, now))) {
            // The row id was given to another entry: the old one is gone, the new one is new.
            if (uid.usable())
                changed(EntryChange::Kind::Removed, uidText(uid), rowId);
            out.identities.append(rowId, 0);
            giveNew(i, Repair::Kind::Renew, kept);
            return;
        }
        if (uid.serial != EntryIdentities::GivenUid)
            out.identities.append(rowId, uid.serial);
        else
            out.identities.appendGiven(rowId, uid.given);
        if (kept != now) {
            out.repairs.push_back({Repair::Kind::Refingerprint, rowId, 0, now, kept});
            changed(EntryChange::Kind::Changed, uidText(uid), rowId);
        }
    };
    auto dropped = [&](qint64 rowId, const KeptUid& uid) {
        highest = std::max(highest, uid.serial);
        out.repairs.push_back({Repair::Kind::Drop, rowId});
        changed(EntryChange::Kind::Removed, uidText(uid), rowId);
    };

    size_t i = 0;
    const size_t count = table.size();
    if (out.inFile && joined) {
        qint64 matched = 0;
        for (; i < count; ++i) {
            const qint64 rowId = table.rowId(i);
            const quint32 kept = (*keptPrints)[i];
            if (kept == NoFingerprint) {
                out.identities.append(rowId, 0);
                giveNew(i, Repair::Kind::Add, 0);
                continue;
            }
            ++matched;
            const KeptUid uid = uids->at(rowId);
            highest = std::max(highest, uid.serial);
            judge(i, rowId, uid, kept);
        }
        if (uids->failed())
            return false;
        // Identities of rows another program deleted: counted first, as there seldom are any.
        SqlStatement total(db, "SELECT count(*) FROM EntryFingerprint");
        if (total.step() != SQLITE_ROW)
            return false;
        if (sqlite3_column_int64(total.get(), 0) > matched) {
            SqlStatement gone(db, "SELECT f.RowId, u.Uid FROM EntryFingerprint f LEFT JOIN EntryUid u "
                                  "ON u.RowId = f.RowId WHERE NOT EXISTS "
                                  "(SELECT 1 FROM Schedule WHERE rowid = f.RowId) ORDER BY f.RowId");
            int rc;
            while ((rc = gone.step()) == SQLITE_ROW) {
                const qint64 rowId = sqlite3_column_int64(gone.get(), 0);
                dropped(rowId, keptUid(rowId, gone.get(), 1, sqlite3_column_type(gone.get(), 1)));
            }
            if (rc != SQLITE_DONE)
                return false;
        }
    } else if (out.inFile) {
        int rc;
        while ((rc = rows->step()) == SQLITE_ROW) {
            const qint64 rowId = rows->rowId();
            const KeptUid uid = keptUid(*rows);
            const quint32 kept = rows->fingerprint();
            while (i < count && table.rowId(i) < rowId) {
                out.identities.append(table.rowId(i), 0);
                giveNew(i++, Repair::Kind::Add, 0);
            }
            if (i == count || table.rowId(i) != rowId) {
                dropped(rowId, uid);
                continue;
            }
            highest = std::max(highest, uid.serial);
            judge(i++, rowId, uid, kept);
        }
        if (rc != SQLITE_DONE)
            return false;
    }
    while (i < count) {
        out.identities.append(table.rowId(i), 0);
        giveNew(i++, Repair::Kind::Add, 0);
    }
    drawn.passed(highest);
    for (const Pending& p : pending) {
        const qint64 rowId = table.rowId(p.position);
        const quint32 serial = drawn.drawFor(rowId, highest);
        out.identities.setSerial(p.position, rowId, serial);
        out.repairs[p.repair].serial = serial;
        if (p.change)
            out.changes[*p.change].uid = out.identities.uidOfSerial(serial);
    }
    if (!out.inFile || earlier)
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

namespace {

// Keeps the UID of the entry in this row beside its fingerprint: nothing when its serial is the row id.
class UidRecord
{
public:
    explicit UidRecord(sqlite3* db)
        : m_keep(db, "INSERT OR REPLACE INTO EntryUid (RowId, Uid) VALUES (?1, ?2)"),
          m_drop(db, "DELETE FROM EntryUid WHERE RowId = ?1")
    {}
    bool prepared() const { return m_keep.prepared() && m_drop.prepared(); }
    bool serial(qint64 rowId, quint32 serial)
    {
        SqlStatement& s = rowId == qint64(serial) ? m_drop : m_keep;
        s.bindInt(1, rowId);
        if (rowId != qint64(serial))
            s.bindInt(2, serial);
        const bool ok = s.step() == SQLITE_DONE;
        s.reset();
        return ok;
    }
    bool drop(qint64 rowId)
    {
        m_drop.bindInt(1, rowId);
        const bool ok = m_drop.step() == SQLITE_DONE;
        m_drop.reset();
        return ok;
    }

private:
    SqlStatement m_keep;
    SqlStatement m_drop;
};

} // namespace

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
    SqlStatement add(db, "INSERT INTO EntryFingerprint (RowId, Fingerprint) SELECT ?1, ?2 "
                         "WHERE EXISTS (SELECT 1 FROM Schedule WHERE rowid = ?1) "
                         "AND NOT EXISTS (SELECT 1 FROM EntryFingerprint WHERE RowId = ?1)");
    SqlStatement refingerprint(
        db, "UPDATE EntryFingerprint SET Fingerprint = ?2 WHERE RowId = ?1 AND Fingerprint = ?3");
    SqlStatement drop(db, "DELETE FROM EntryFingerprint WHERE RowId = ?1 "
                          "AND NOT EXISTS (SELECT 1 FROM Schedule WHERE rowid = ?1)");
    UidRecord uids(db);
    // A file whose entries all have the serials of their rows has nothing in EntryUid to clear.
    SqlStatement anyUid(db, "SELECT EXISTS (SELECT 1 FROM EntryUid)");
    const bool uidsKept = anyUid.step() != SQLITE_ROW || sqlite3_column_int(anyUid.get(), 0) != 0;
    bool ok = add.prepared() && refingerprint.prepared() && drop.prepared() && uids.prepared();
    quint32 lastSerial = 0;
    for (const Repair& r : repairs) {
        if (!ok)
            break;
        lastSerial = std::max(lastSerial, r.serial);
        SqlStatement& s = r.kind == Repair::Kind::Add    ? add
                          : r.kind == Repair::Kind::Drop ? drop
                                                         : refingerprint;
        s.bindInt(1, r.rowId);
        if (r.kind != Repair::Kind::Drop)
            s.bindInt(2, r.fingerprint);
        if (r.kind == Repair::Kind::Refingerprint || r.kind == Repair::Kind::Renew)
            s.bindInt(3, r.keptFingerprint);
        ok = s.step() == SQLITE_DONE;
        s.reset();
        if (!ok || sqlite3_changes(db) == 0)
            continue;
        // A renewed or dropped identity takes its UID, origin and synced form with it.
        if (r.kind == Repair::Kind::Renew ||
            (r.kind == Repair::Kind::Add && (uidsKept || r.serial != r.rowId)))
            ok = uids.serial(r.rowId, r.serial);
        else if (r.kind == Repair::Kind::Drop)
            ok = uids.drop(r.rowId);
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

Fresh freshRow(sqlite3* db, const SerialSource& serials)
{
    SqlStatement file(db, "SELECT coalesce((SELECT max(rowid) FROM Schedule), 0), "
                          "(SELECT LastSerial FROM EntryIdentityFile LIMIT 1)");
    if (file.step() != SQLITE_ROW || sqlite3_column_type(file.get(), 1) != SQLITE_INTEGER)
        return {};
    Fresh fresh;
    fresh.highest = quint32(
        std::clamp<qint64>(sqlite3_column_int64(file.get(), 1), 0, std::numeric_limits<quint32>::max() - 1));
    const qint64 above = std::max(
        {sqlite3_column_int64(file.get(), 0) + 1, qint64(fresh.highest) + 1, qint64(serials.next())});
    if (above < qint64(std::numeric_limits<quint32>::max()))
        fresh.rowId = above;
    return fresh;
}

bool recordNew(sqlite3* db, qint64 rowId, quint32 serial, quint32 fingerprint)
{
    if (!recordLastSerial(db, serial))
        return false;
    // A row id another program freed, and this write took again, loses what was kept for the old entry.
    UidRecord uids(db);
    return uids.prepared() && uids.serial(rowId, serial) &&
           runOnce(db, "INSERT OR REPLACE INTO EntryFingerprint (RowId, Fingerprint) VALUES (?1, ?2)",
                   [&](SqlStatement& s) {
                       s.bindInt(1, rowId);
                       s.bindInt(2, fingerprint);
                   });
}

bool recordFingerprint(sqlite3* db, qint64 rowId, quint32 fingerprint)
{
    return runOnce(db, "UPDATE EntryFingerprint SET Fingerprint = ?2 WHERE RowId = ?1", [&](SqlStatement& s) {
        s.bindInt(1, rowId);
        s.bindInt(2, fingerprint);
    });
}

bool recordGivenUid(sqlite3* db, qint64 rowId, const QByteArray& uid)
{
    // Only an entry with an identity takes one; what is kept of its origin stays.
    return runOnce(db,
                   "INSERT INTO EntryUid (RowId, Uid) SELECT ?1, ?2 "
                   "WHERE EXISTS (SELECT 1 FROM EntryFingerprint WHERE RowId = ?1) "
                   "ON CONFLICT (RowId) DO UPDATE SET Uid = excluded.Uid",
                   [&](SqlStatement& s) {
                       s.bindInt(1, rowId);
                       s.bindUtf8(2, uid);
                   });
}

bool recordIfMissing(sqlite3* db, qint64 rowId, quint32 fingerprint)
{
    return runOnce(db, "INSERT OR IGNORE INTO EntryFingerprint (RowId, Fingerprint) VALUES (?1, ?2)",
                   [&](SqlStatement& s) {
                       s.bindInt(1, rowId);
                       s.bindInt(2, fingerprint);
                   });
}

bool forget(sqlite3* db, qint64 rowId)
{
    return runOnce(db, "DELETE FROM EntryFingerprint WHERE RowId = ?1",
                   [&](SqlStatement& s) { s.bindInt(1, rowId); }) &&
           runOnce(db, "DELETE FROM EntryUid WHERE RowId = ?1",
                   [&](SqlStatement& s) { s.bindInt(1, rowId); });
}

ImportRecord::ImportRecord(sqlite3* db)
    // A row id another program freed, and this import took again, loses what was kept for the old entry.
    : m_add(std::make_unique<SqlStatement>(
          db, "INSERT OR REPLACE INTO EntryFingerprint (RowId, Fingerprint) VALUES (?1, ?2)")),
      m_addUid(std::make_unique<SqlStatement>(
          db, "INSERT OR REPLACE INTO EntryUid (RowId, Uid, Origin, SyncedForm) VALUES (?1, ?2, ?3, ?4)")),
      m_dropUid(std::make_unique<SqlStatement>(db, "DELETE FROM EntryUid WHERE RowId = ?1")),
      m_update(std::make_unique<SqlStatement>(
          db, "UPDATE EntryFingerprint SET Fingerprint = ?2 WHERE RowId = ?1")),
      m_updateOrigin(std::make_unique<SqlStatement>(
          db, "INSERT INTO EntryUid (RowId, Uid, Origin, SyncedForm) SELECT ?1, NULL, ?2, ?3 "
              "WHERE EXISTS (SELECT 1 FROM EntryFingerprint WHERE RowId = ?1) "
              "ON CONFLICT (RowId) DO UPDATE SET Origin = excluded.Origin, SyncedForm = excluded.SyncedForm"))
{}

ImportRecord::~ImportRecord() = default;

bool ImportRecord::prepared() const
{
    return m_add->prepared() && m_addUid->prepared() && m_dropUid->prepared() && m_update->prepared() &&
           m_updateOrigin->prepared();
}

namespace {

bool stepOnce(SqlStatement& s)
{
    const bool ok = s.step() == SQLITE_DONE;
    s.reset();
    return ok;
}

} // namespace

bool ImportRecord::added(qint64 rowId, quint32 serial, const QByteArray& givenUid, quint32 fingerprint,
                         const QString& version)
{
    m_add->bindInt(1, rowId);
    m_add->bindInt(2, fingerprint);
    if (!stepOnce(*m_add))
        return false;
    // An entry added without an event's version came from no calendar file; one whose serial is its row id
    // needs no UID kept.
    if (version.isNull() && qint64(serial) == rowId) {
        m_dropUid->bindInt(1, rowId);
        return stepOnce(*m_dropUid);
    }
    SqlStatement& s = *m_addUid;
    s.bindInt(1, rowId);
    if (serial == EntryIdentities::GivenUid)
        s.bindUtf8(2, givenUid);
    else if (qint64(serial) == rowId)
        sqlite3_bind_null(s.get(), 2);
    else
        s.bindInt(2, serial);
    if (version.isNull())
        sqlite3_bind_null(s.get(), 3);
    else
        sqlite3_bind_text(s.get(), 3, ImportedOrigin, -1, SQLITE_STATIC);
    s.bindText(4, version);
    return stepOnce(s);
}

bool ImportRecord::updated(qint64 rowId, quint32 fingerprint, const QString& version)
{
    // The row has an identity from the read that found it; one without (a read-only run) is no fault.
    m_update->bindInt(1, rowId);
    m_update->bindInt(2, fingerprint);
    if (!stepOnce(*m_update))
        return false;
    SqlStatement& s = *m_updateOrigin;
    s.bindInt(1, rowId);
    sqlite3_bind_text(s.get(), 2, ImportedOrigin, -1, SQLITE_STATIC);
    s.bindText(3, version);
    return stepOnce(s);
}

bool readImportedVersions(sqlite3* db, QHash<qint64, QString>& out)
{
    SqlStatement rows(db, "SELECT RowId, SyncedForm FROM EntryUid WHERE Origin = ?1 "
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

#pragma once

#include "store/EntryChange.h"
#include "store/EntryIdentities.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
class ScheduleTable;
class SqlStatement;

// Draws the serials of new identities for the whole run, from the window's thread and from a read in the
// background alike, so that no two entries are given the same one.
class SerialSource
{
public:
    // A serial above every one the file holds (highestInFile).
    quint32 draw(quint32 highestInFile);
    // The same, but the row id itself when no serial up to it was drawn yet: the file then keeps no serial
    // for the row, as its row id says it.
    quint32 drawFor(qint64 rowId, quint32 highestInFile);
    // The least serial a draw could give now.
    quint32 next() const { return m_next.load(); }
    // The file holds serials up to highestInFile: none of them is drawn again.
    void passed(quint32 highestInFile);

private:
    std::atomic<quint32> m_next{1};
};

// The entries' identities in the schedule file, in tables of the program's own beside Schedule, which
// stays as every reader of the file knows it:
//   EntryFingerprint(RowId, Fingerprint): one row for each row of Schedule, by its row id, with the digest
//     of the entry's fields as the program last saw them. An entry with no row in EntryUid has the serial
//     its row id says: most entries, so that the identities add little to the file.
//   EntryUid(RowId, Uid, Origin, SyncedForm): the entries whose UID their row id does not say, and those
//     that came from elsewhere. Uid is a made-up serial (an integer), a UID given from outside (a text),
//     or NULL for the serial of the row id; Origin and SyncedForm are kept for where a synchronised or
//     imported entry comes from and the form it last had there.
//   EntryIdentityFile(Tag, LastSerial): the file's tag, which makes its made-up UIDs its own, and the
//     highest serial drawn for it, never drawn again.
// A file of the earlier layout, one EntryIdentity(RowId, Uid, Fingerprint, Origin, SyncedForm) table, is
// brought to this one when its identities are recorded (bringOver), and read as it is until then or when
// it cannot be written; a file without any gets them the same way.
//   EntrySnooze(Uid, DueAt, SnoozedFrom, AlarmSecond): the snoozed alarms (see Snooze).
namespace IdentityFile {

// Makes the tables and the tag when they are missing, and brings the earlier layout's identities over to
// them (Made), all in one transaction. Missing when the file cannot take them (it is read-only): the
// identities then live in memory for the run, or are read from the earlier layout.
enum class Tables
{
    Present,
    Made,
    Missing
};
Tables ensure(sqlite3* db);

// Makes the tables when they are missing, and gives the file the tag `tag` when it has none, inside the
// caller's write transaction: a write of the program may come before the file's entries have their
// identities recorded (bringOver), and must find the tables there.
bool makeTables(sqlite3* db, const QString& tag);

// What bringing the identities over came to.
struct BroughtOver
{
    bool ok = false;        // every row that was there has its identity in the file
    bool untouched = false; // nothing but these steps wrote to the file since the read of readCounter
    std::optional<quint32> counterAfter; // the file's change counter as the last step left it
};

// Records the identities of a file that had none (or the earlier layout's) for its entries as a read
// found them: every row keeps the identity its row id says, with the fingerprint of its fields, and the
// tables get `tag`, the one the identities in memory were given. The rows go in steps of rowsPerStep,
// each a write transaction of its own, so that a save of the program waits for one step at most; a stop
// asked for ends the work between two steps, and a later call takes it up where it ended. readCounter is
// the file's change counter as the read saw it. While yieldTo is above 0 (a write of the program waits for
// the file) a step ends after its next few rows.
// Only rows up to lastRowId, the last the read saw, are taken: a row another program added since is news,
// which the next read tells.
BroughtOver bringOver(sqlite3* db, const QString& tag, std::optional<quint32> readCounter, size_t rowsPerStep,
                      qint64 lastRowId, const std::atomic<bool>* stop = nullptr,
                      const std::atomic<int>* yieldTo = nullptr);

// One correction of the identities a read found the file to need.
struct Repair
{
    enum class Kind
    {
        Add,           // a row without an identity gets a new one
        Refingerprint, // another program changed the entry: its digest follows
        Renew,         // the row holds another entry now: it gets a new identity
        Drop           // the row is gone: so is its identity
    };
    Kind kind;
    qint64 rowId;
    quint32 serial = 0;          // the new serial (Add, Renew)
    quint32 fingerprint = 0;     // the new digest
    quint32 keptFingerprint = 0; // what the file held, so that a later write of the program is not undone
};

// What one read found: the identities beside the table, the changes since the identities were last
// recorded, and the repairs that record them.
struct Reconciled
{
    EntryIdentities identities;
    EntryChanges changes;
    std::vector<Repair> repairs;
    bool inFile = false; // the file has the identity tables
};

// Which identity tables the file has: none yet, the earlier layout (whose fingerprints are
// EntryIdentities::earlierFingerprint), or the current one, whose fingerprints a read of the table can join.
enum class Layout
{
    None,
    Earlier,
    Current
};
Layout layoutOf(sqlite3* db);

// The fingerprint a joined read found for a row without one.
inline constexpr quint32 NoFingerprint = 0xFFFFFFFFu;

// Reads the identities inside the caller's read transaction and matches them with the table just read,
// whose fingerprints (position by position) the caller worked out; keptPrints, when given, are those the
// file keeps, read with the table (NoFingerprint for a row without). Changes are listed only when asked.
bool read(sqlite3* db, const ScheduleTable& table, const std::vector<quint32>& fingerprints,
          const std::vector<quint32>* keptPrints, SerialSource& serials, bool listChanges, Reconciled& out);

// Writes the repairs in one transaction of their own; each one only where the file still is as the read
// found it. When nobody wrote between the read (which saw the file's change counter at readCounter) and
// this write, returns the counter as this write left it, by which another connection can tell that the
// file holds nothing it has not read; nothing otherwise, or when the file could not take the repairs.
std::optional<quint32> repair(sqlite3* db, const std::vector<Repair>& repairs,
                              std::optional<quint32> readCounter);

// The change counter in the file's header, which every committed write moves on; nothing when the file
// cannot be read. Read through the connection's own handle of the file: a handle of another opened and
// closed in this process would drop the locks SQLite holds on it.
std::optional<quint32> changeCounter(sqlite3* db);

// Where the program's next new entry goes, inside its write transaction: a row id above every row and every
// serial drawn, so that the entry's serial can be its row id. Nothing when the file does not say.
struct Fresh
{
    qint64 rowId = 0;    // 0: the file chooses
    quint32 highest = 0; // the highest serial the file records as drawn
};
Fresh freshRow(sqlite3* db, const SerialSource& serials);

// The program's own writes, inside its write transaction.
bool recordNew(sqlite3* db, qint64 rowId, quint32 serial, quint32 fingerprint);
bool recordFingerprint(sqlite3* db, qint64 rowId, quint32 fingerprint);
bool recordGivenUid(sqlite3* db, qint64 rowId, const QByteArray& uid);
// Records the identity its row id says for a row whose identity the file has yet to record (see
// bringOver), so that what a write keeps beside it has its place; a row with one is left as it is.
bool recordIfMissing(sqlite3* db, qint64 rowId, quint32 fingerprint);
bool forget(sqlite3* db, qint64 rowId);

// The Origin of an entry that came from a calendar file; its SyncedForm then holds the version of the
// event it was last brought in at.
inline constexpr const char* ImportedOrigin = "import";

// Records the identities of one import inside the caller's write transaction, each statement prepared
// once for all of the import's entries.
class ImportRecord
{
public:
    explicit ImportRecord(sqlite3* db);
    ~ImportRecord();
    ImportRecord(const ImportRecord&) = delete;
    ImportRecord& operator=(const ImportRecord&) = delete;

    bool prepared() const;
    // A new row: its made-up serial, or, when serial is 0, the UID given from outside; a null version
    // records no origin.
    bool added(qint64 rowId, quint32 serial, const QByteArray& givenUid, quint32 fingerprint,
               const QString& version);
    bool updated(qint64 rowId, quint32 fingerprint, const QString& version);

private:
    std::unique_ptr<SqlStatement> m_add;
    std::unique_ptr<SqlStatement> m_addUid;
    std::unique_ptr<SqlStatement> m_dropUid;
    std::unique_ptr<SqlStatement> m_update;
    std::unique_ptr<SqlStatement> m_updateOrigin;
};

// The versions recorded for the entries that came from a calendar file, by row id.
bool readImportedVersions(sqlite3* db, QHash<qint64, QString>& out);

} // namespace IdentityFile

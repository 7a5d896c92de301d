#include "store/TableRead.h"

#include "store/SqlStatement.h"

#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr const char* SelectAllSql =
    R"(SELECT rowid, "Date", "Day", "Type", "Note", "AlarmTime", "AlarmOnOff",
    "SchedType" FROM Schedule ORDER BY rowid)";

// The same, with the fingerprint the file keeps beside each entry's identity: one pass over the file
// rather than two.
constexpr const char* SelectWithFingerprintsSql =
    R"(SELECT s.rowid, s."Date", s."Day", s."Type", s."Note", s."AlarmTime", s."AlarmOnOff",
    s."SchedType", f.Fingerprint FROM Schedule s LEFT JOIN EntryFingerprint f ON f.RowId = s.rowid
    ORDER BY s.rowid)";

using Query = SqlStatement;

// From this many rows without their recorded identities on, an open may leave them to the recording.
constexpr size_t LeftToRecording = 10000;

// How many rows and text bytes to make room for before the rows come in, so that the arrays are not
// grown, and copied, while a large schedule loads. Row ids are given one after another, so their span
// is the row count unless rows were deleted; the text room is the file's size less its row overhead.
std::pair<size_t, size_t> expectedSize(sqlite3* db)
{
    Query span(db, "SELECT max(rowid) - min(rowid) + 1 FROM Schedule");
    qint64 rows = span.step() == SQLITE_ROW ? sqlite3_column_int64(span.get(), 0) : 0;
    Query pages(db, "SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()");
    const qint64 fileBytes = pages.step() == SQLITE_ROW ? sqlite3_column_int64(pages.get(), 0) : 0;
    // A few deleted rows at the ends could make the span absurd; no row takes less than 16 bytes.
    rows = std::clamp<qint64>(rows, 0, fileBytes / 16);
    return {size_t(rows), size_t(std::max<qint64>(fileBytes - rows * 16, 0))};
}

} // namespace

TableRead TableRead::from(sqlite3* db, const std::atomic<bool>* stop, SerialSource* serials, bool listChanges,
                          bool leaveRowIdentities)
{
    TableRead read;
    auto failed = [&] {
        // The engine's error is read before the rollback, which replaces it.
        const int code = sqlite3_errcode(db);
        read.busy = code == SQLITE_BUSY || code == SQLITE_LOCKED;
        read.engineText = QString::fromUtf8(sqlite3_errmsg(db));
        read.table = ScheduleTable();
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return std::move(read);
    };
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    {
        Query version(db, "PRAGMA data_version");
        if (version.step() != SQLITE_ROW)
            return failed();
        read.dataVersion = sqlite3_column_int64(version.get(), 0);
    }
    const IdentityFile::Layout layout = serials ? IdentityFile::layoutOf(db) : IdentityFile::Layout::None;
    const bool joined = layout == IdentityFile::Layout::Current;
    Query select(db, joined ? SelectWithFingerprintsSql : SelectAllSql);
    if (!select.get())
        return failed();
    const auto [rows, textBytes] = expectedSize(db);
    read.table.reserve(rows, textBytes);
    std::array<std::string_view, ScheduleFieldCount> fields;
    std::array<bool, ScheduleFieldCount> nulls;
    // A file without identities has none to compare with.
    const bool digests = serials && layout != IdentityFile::Layout::None;
    std::vector<quint32> fingerprints;
    if (digests)
        fingerprints.reserve(rows);
    // A file of the earlier identity layout (one that cannot be written) is compared by its own digests.
    quint32 (*digest)(const std::array<std::string_view, ScheduleFieldCount>&) =
        &EntryIdentities::fingerprint;
    if (layout == IdentityFile::Layout::Earlier)
        digest = &EntryIdentities::earlierFingerprint;
    std::vector<quint32> kept;
    if (joined)
        kept.reserve(rows);
    int rc;
    while ((rc = select.step()) == SQLITE_ROW) {
        sqlite3_stmt* s = select.get();
        for (int f = 0; f < ScheduleFieldCount; ++f) {
            // Only a field without bytes can be unset, so its type is asked for only then.
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, f + 1));
            nulls[size_t(f)] = !text && sqlite3_column_type(s, f + 1) == SQLITE_NULL;
            fields[size_t(f)] =
                text ? std::string_view(text, size_t(sqlite3_column_bytes(s, f + 1))) : std::string_view();
        }
        read.table.appendUtf8(sqlite3_column_int64(s, 0), fields, nulls);
        if (digests)
            fingerprints.push_back(digest(fields));
        if (joined)
            kept.push_back(sqlite3_column_type(s, ScheduleFieldCount + 1) == SQLITE_NULL
                               ? IdentityFile::NoFingerprint
                               : quint32(sqlite3_column_int64(s, ScheduleFieldCount + 1)));
        if (stop && stop->load(std::memory_order_relaxed)) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return TableRead();
        }
    }
    if (rc != SQLITE_DONE)
        return failed();
    if (serials && !IdentityFile::read(db, read.table, fingerprints, joined ? &kept : nullptr, *serials,
                                       listChanges, read.identities))
        return failed();
    kept = {};
    fingerprints = {};
    // Taken while the read still holds the file, so that no write can come between.
    const std::optional<quint32> readCounter = serials ? IdentityFile::changeCounter(db) : std::nullopt;
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    read.layout = layout;
    read.readCounter = readCounter;
    // Rows that only lack the record of the identity their row id says are many only when recording them
    // was cut short; they are left to the recording, which takes them up off the window's thread.
    if (leaveRowIdentities) {
        auto& repairs = read.identities.repairs;
        const auto rowIdOnly = [](const IdentityFile::Repair& r) {
            return r.kind == IdentityFile::Repair::Kind::Add && qint64(r.serial) == r.rowId;
        };
        if (size_t(std::count_if(repairs.begin(), repairs.end(), rowIdOnly)) >= LeftToRecording) {
            std::erase_if(repairs, rowIdOnly);
            read.identitiesLeft = true;
        }
    }
    // A file that cannot take the identities now (busy, read-only) keeps them for the run; the next read
    // finds the same rows without one and tries again.
    if (serials)
        read.counterAfterRecord = IdentityFile::repair(db, read.identities.repairs, readCounter);
    read.identities.repairs.clear();
    read.identities.repairs.shrink_to_fit();
    read.identities.identities.shrinkToFit();
    // The connection keeps the last pages the read went through (two megabytes by default) for as long as
    // it is open; the table now holds every entry, and a later write of one entry needs a few pages only.
    sqlite3_db_release_memory(db);
    malloc_trim(0);
    read.table.shrinkToFit();
    read.table.prepareLookups();
    read.ok = true;
    return read;
}

namespace {

TableRead readElsewhere(const QByteArray& path, const std::shared_ptr<std::atomic<bool>>& stop,
                        const std::shared_ptr<SerialSource>& serials)
{
    // The window's thread comes first: on a busy machine the read yields to it rather than make a pass
    // of the window wait for a processor.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 10);
    sqlite3* db = nullptr;
    // Read-write, so that the identities of another program's new rows are recorded from here.
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        TableRead read;
        read.engineText = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return read;
    }
    // Off the window's thread a lock may be waited for longer than the window's own look does.
    sqlite3_busy_timeout(db, 2000);
    TableRead read = TableRead::from(db, stop.get(), serials.get(), true);
    sqlite3_close(db);
    return read;
}

} // namespace

BackgroundRead::BackgroundRead(const QString& path, std::shared_ptr<SerialSource> serials)
    : m_result(
          std::async(std::launch::async, readElsewhere, QFile::encodeName(path), m_stop, std::move(serials)))
{}

BackgroundRead::~BackgroundRead()
{
    m_stop->store(true);
    if (m_result.valid())
        m_result.wait();
}

bool BackgroundRead::finished() const
{
    return m_result.valid() && m_result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void BackgroundRead::wait() const
{
    if (m_result.valid())
        m_result.wait();
}

TableRead BackgroundRead::take()
{
    return m_result.valid() ? m_result.get() : TableRead();
}

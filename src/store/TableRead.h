#pragma once

#include "store/IdentityFile.h"
#include "store/ScheduleTable.h"

#include <QString>

#include <atomic>
#include <future>
#include <memory>

struct sqlite3;

// One whole read of the Schedule table from a connection, as one consistent state of the file.
struct TableRead
{
    ScheduleTable table;
    bool ok = false;
    bool busy = false;  // the read met another program's lock
    QString engineText; // the engine's own words for a failure
    qint64 dataVersion = -1;
    // The entries' identities, position by position beside the table, and what another program changed
    // since the program last recorded them (listed only when asked for). Left empty by a read without a
    // serial source.
    IdentityFile::Reconciled identities;
    // The file's change counter as the read's own record of identities left it, when it wrote one.
    std::optional<quint32> counterAfterRecord;
    // The identity tables the file had, and its change counter as the read saw it (read with identities).
    IdentityFile::Layout layout = IdentityFile::Layout::None;
    std::optional<quint32> readCounter;
    // Many rows whose identities the file has yet to record, each the one its row id says (a recording
    // cut short), were left unrecorded for IdentityFile::bringOver, as leaveRowIdentities asked.
    bool identitiesLeft = false;

    // Reads every entry in one read transaction, so that the copy and the change count read with it
    // belong to the same state of the file, and builds the table's lookups. A read asked to stop
    // (stop set from another thread) ends early as a failure. Given a serial source, it reads the
    // identities in the same transaction, and afterwards records those the file lacked.
    static TableRead from(sqlite3* db, const std::atomic<bool>* stop = nullptr,
                          SerialSource* serials = nullptr, bool listChanges = false,
                          bool leaveRowIdentities = false);
};

// A read of the schedule on a worker thread with a read-only connection of its own, so that the
// window's thread keeps answering from the table it has while another program's change is read in.
// The finished read is taken on the window's thread; dropping the read asks it to stop and waits.
class BackgroundRead
{
public:
    // The read records the identities the file lacks with serials from the source, and lists the changes.
    BackgroundRead(const QString& path, std::shared_ptr<SerialSource> serials);
    ~BackgroundRead();
    BackgroundRead(const BackgroundRead&) = delete;
    BackgroundRead& operator=(const BackgroundRead&) = delete;

    bool finished() const;
    void wait() const;
    // Waits for the read if it is still under way, and hands over its outcome.
    TableRead take();

private:
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    std::future<TableRead> m_result;
};

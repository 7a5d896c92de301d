#pragma once

#include "store/IdentityFile.h"

#include <QString>

#include <atomic>
#include <future>
#include <memory>
#include <optional>

// Records the identities of a schedule file that had none, on a worker thread with a connection of its
// own, while the window's thread goes on with the identities it gave the entries in memory when it read
// them. A file from elsewhere meets this once, and a large one takes seconds: it is done after the
// windows are up rather than before. Dropping it asks it to stop between two of its steps, and waits.
class IdentityBringOver
{
public:
    // The rows go in steps of this many, each a write transaction of its own: a step holds the file for
    // a few milliseconds, which a save of the program waits out.
    static constexpr size_t RowsPerStep = 2048;

    // A step ends early while writeWanted is above 0: the program's own write waits for the file.
    IdentityBringOver(const QString& path, const QString& tag, std::optional<quint32> readCounter,
                      qint64 lastRowId, std::shared_ptr<const std::atomic<int>> writeWanted);
    ~IdentityBringOver();
    IdentityBringOver(const IdentityBringOver&) = delete;
    IdentityBringOver& operator=(const IdentityBringOver&) = delete;

    bool finished() const;
    void wait() const;
    // Waits for the work if it is still under way, and hands over its outcome.
    IdentityFile::BroughtOver take();

private:
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    std::future<IdentityFile::BroughtOver> m_result;
};

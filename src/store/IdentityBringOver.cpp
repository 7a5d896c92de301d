#include "store/IdentityBringOver.h"

#include <QFile>

#include <sqlite3.h>

#include <chrono>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

IdentityFile::BroughtOver bringOverElsewhere(const QByteArray& path, const QString& tag,
                                             std::optional<quint32> readCounter, qint64 lastRowId,
                                             const std::shared_ptr<std::atomic<bool>>& stop,
                                             const std::shared_ptr<const std::atomic<int>>& writeWanted)
{
    // The window's thread and the alarms come first: on a busy machine this work yields to them.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 10);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return {};
    }
    // Off the window's thread a save of the program, or another program's write, may be waited for.
    sqlite3_busy_timeout(db, 2000);
    const IdentityFile::BroughtOver out = IdentityFile::bringOver(
        db, tag, readCounter, IdentityBringOver::RowsPerStep, lastRowId, stop.get(), writeWanted.get());
    sqlite3_close(db);
    return out;
}

} // namespace

IdentityBringOver::IdentityBringOver(const QString& path, const QString& tag,
                                     std::optional<quint32> readCounter, qint64 lastRowId,
                                     std::shared_ptr<const std::atomic<int>> writeWanted)
    : m_result(std::async(std::launch::async, bringOverElsewhere, QFile::encodeName(path), tag, readCounter,
                          lastRowId, m_stop, std::move(writeWanted)))
{}

IdentityBringOver::~IdentityBringOver()
{
    m_stop->store(true);
    if (m_result.valid())
        m_result.wait();
}

bool IdentityBringOver::finished() const
{
    return m_result.valid() && m_result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void IdentityBringOver::wait() const
{
    if (m_result.valid())
        m_result.wait();
}

IdentityFile::BroughtOver IdentityBringOver::take()
{
    return m_result.valid() ? m_result.get() : IdentityFile::BroughtOver{};
}

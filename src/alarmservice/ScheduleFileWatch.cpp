#include "alarmservice/ScheduleFileWatch.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

// What another program's write to the schedule does to the folder: pages written to the file or to its
// journal, a journal made and removed, a file put in place by renaming, the folder itself taken away.
constexpr uint32_t Writes = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                            IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

} // namespace

ScheduleFileWatch::ScheduleFileWatch(const QString& schedulePath)
    : m_fileName(QFile::encodeName(QFileInfo(schedulePath).fileName()))
{
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return;
    const QByteArray folder = QFile::encodeName(QFileInfo(schedulePath).absolutePath());
    if (inotify_add_watch(m_fd, folder.constData(), Writes) < 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

ScheduleFileWatch::~ScheduleFileWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ScheduleFileWatch::concernsSchedule(const char* name) const
{
    // The file itself and the journals the database engine keeps beside it ("-journal", "-wal", "-shm").
    return std::strncmp(name, m_fileName.constData(), size_t(m_fileName.size())) == 0 &&
           (name[m_fileName.size()] == '\0' || name[m_fileName.size()] == '-');
}

bool ScheduleFileWatch::mayHaveChanged()
{
    if (m_fd < 0)
        return true;
    bool changed = false;
    bool folderGone = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0) {
            // Nothing more to read; any other failure may hide a write.
            if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                folderGone = true;
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0)
                folderGone = true;
            // A report that overflowed may stand for any write.
            if ((event->mask & IN_Q_OVERFLOW) != 0 || (event->len > 0 && concernsSchedule(event->name)))
                changed = true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    // A folder taken away or moved is no longer watched: from now on the file is looked at on every tick.
    if (folderGone) {
        ::close(m_fd);
        m_fd = -1;
        return true;
    }
    return changed;
}

#include "notify/DesktopNotifier.h"

#include "notify/NotificationSender.h"

#include <QFileInfo>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

std::atomic<bool> g_senderLeftBehind{false};

} // namespace

// What the window's thread hands to the sender's thread, and how the two say that they are done.
struct DesktopNotifier::Queue
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void(NotificationSender&)>> jobs;
    bool closing = false;  // the notifier is going: the thread ends once the jobs are done
    bool finished = false; // the thread has ended its work

    // The sender's thread: it makes its sender, works through the jobs in order and ends when told to.
    static void run(const std::shared_ptr<Queue>& queue, const QString& address)
    {
        {
            NotificationSender sender(address);
            std::unique_lock lock(queue->mutex);
            for (;;) {
                queue->changed.wait(lock, [&] { return queue->closing || !queue->jobs.empty(); });
                if (queue->jobs.empty())
                    break;
                auto job = std::move(queue->jobs.front());
                queue->jobs.pop_front();
                lock.unlock();
                job(sender);
                lock.lock();
            }
        }
        const std::lock_guard lock(queue->mutex);
        queue->finished = true;
        queue->changed.notify_all();
    }
};

DesktopNotifier::DesktopNotifier(const QString& busAddress) : m_address(busAddress) {}

DesktopNotifier::~DesktopNotifier()
{
    if (!m_queue)
        return;
    std::unique_lock lock(m_queue->mutex);
    m_queue->closing = true;
    m_queue->changed.notify_all();
    // What was handed over is normally sent within milliseconds; a bus that stopped answering is not
    // waited for.
    if (!m_queue->changed.wait_for(lock, EndPatience, [this] { return m_queue->finished; }))
        g_senderLeftBehind = true;
}

bool DesktopNotifier::senderLeftBehind()
{
    return g_senderLeftBehind;
}

QString DesktopNotifier::sessionBusAddress()
{
    const QString given = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!given.isEmpty())
        return given;
    // A desktop that runs one bus per user session keeps it in the runtime folder without saying so.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString perUser = runtime + QStringLiteral("/bus");
    if (!runtime.isEmpty() && QFileInfo(perUser).exists())
        return QStringLiteral("unix:path=") + perUser;
    return {};
}

void DesktopNotifier::notify(const AlarmNotice& notice)
{
    post([notice](NotificationSender& sender) { sender.send(notice); });
}

void DesktopNotifier::inform(const QString& summary, const QString& body)
{
    post([summary, body](NotificationSender& sender) { sender.inform(summary, body); });
}

void DesktopNotifier::post(std::function<void(NotificationSender&)> job)
{
    if (m_address.isEmpty())
        return;
    // The thread starts with the first notification, so that a run without alarms keeps no thread
    // waiting. It is never joined: it holds its share of the queue, so it may end whenever the bus lets it.
    if (!m_queue) {
        m_queue = std::make_shared<Queue>();
        std::thread(&Queue::run, m_queue, m_address).detach();
    }
    const std::lock_guard lock(m_queue->mutex);
    m_queue->jobs.push_back(std::move(job));
    m_queue->changed.notify_all();
}

#include "notify/DesktopNotifier.h"

#include "notify/NotificationSender.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

std::atomic<bool> g_senderLeftBehind{false};

// A sender left behind on a bus that stopped answering, with its thread. It is let go once the thread
// ends (the bus answered again and what was handed over is sent); until then the process keeps it.
struct LeftBehind
{
    std::unique_ptr<QThread> thread;
    std::unique_ptr<NotificationSender> sender; // declared after its thread, so destroyed before it
};

// Never destroyed: a thread still waiting on the bus at the end of the process must not be destroyed
// while it runs, and the process does not wait for it.
std::vector<LeftBehind>& leftBehind()
{
    static auto* const kept = new std::vector<LeftBehind>;
    return *kept;
}

void letGo(const QThread* thread)
{
    auto& kept = leftBehind();
    const auto left = std::find_if(kept.begin(), kept.end(),
                                   [thread](const LeftBehind& one) { return one.thread.get() == thread; });
    if (left == kept.end() || !left->thread->isFinished())
        return;
    left->thread->wait();
    kept.erase(left);
}

} // namespace

DesktopNotifier::DesktopNotifier(const QString& busAddress) : m_address(busAddress) {}

DesktopNotifier::~DesktopNotifier()
{
    // Actions that arrive from now on have nobody to reach.
    m_receiver.reset();
    if (!m_thread)
        return;
    // Asked in turn behind what was handed over, so that every notification already given is sent first.
    QThread* thread = m_thread.get();
    QMetaObject::invokeMethod(m_sender.get(), [thread] { thread->quit(); }, Qt::QueuedConnection);
    // What was handed over is normally sent within milliseconds; a bus that stopped answering is not
    // waited for. The thread and its sender are then kept aside until the thread ends; the end of the
    // process does not wait for them either.
    if (!m_thread->wait(int(EndPatience.count()))) {
        g_senderLeftBehind = true;
        // Taken out again on the window's thread once the sender's thread has ended.
        leftBehind().push_back(LeftBehind{std::move(m_thread), std::move(m_sender)});
        if (QCoreApplication* application = QCoreApplication::instance())
            QObject::connect(thread, &QThread::finished, application, [thread] { letGo(thread); });
        letGo(thread); // it may have ended before it was watched
    }
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
    if (NotificationSender* sender = startedSender())
        QMetaObject::invokeMethod(sender, [sender, notice] { sender->send(notice); }, Qt::QueuedConnection);
}

void DesktopNotifier::withdraw(quint64 key)
{
    if (!m_sender)
        return;
    NotificationSender* sender = m_sender.get();
    QMetaObject::invokeMethod(sender, [sender, key] { sender->withdraw(key); }, Qt::QueuedConnection);
}

void DesktopNotifier::inform(const QString& summary, const QString& body)
{
    if (NotificationSender* sender = startedSender())
        QMetaObject::invokeMethod(
            sender, [sender, summary, body] { sender->inform(summary, body); }, Qt::QueuedConnection);
}

NotificationSender* DesktopNotifier::startedSender()
{
    if (m_address.isEmpty())
        return nullptr;
    // The thread starts with the first notification, so that a run without alarms keeps no thread waiting.
    if (!m_sender) {
        m_thread = std::make_unique<QThread>();
        m_thread->setObjectName(QStringLiteral("DesktopNotifier"));
        m_sender = std::make_unique<NotificationSender>(m_address);
        QObject::connect(m_sender.get(), &NotificationSender::ActionChosen, m_receiver.get(),
                         [this](quint64 key, NoticeAction action) { invokeAction(key, action); });
        m_sender->moveToThread(m_thread.get());
        m_thread->start();
    }
    return m_sender.get();
}

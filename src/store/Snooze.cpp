#include "store/Snooze.h"

void SnoozeBook::add(const Snooze& snooze)
{
    drop(snooze.uid);
    m_byUid[snooze.uid] = m_queue.emplace(snooze.dueSecond, snooze);
}

bool SnoozeBook::drop(const QString& uid)
{
    const auto found = m_byUid.find(uid);
    if (found == m_byUid.end())
        return false;
    m_queue.erase(*found);
    m_byUid.erase(found);
    return true;
}

std::optional<Snooze> SnoozeBook::find(const QString& uid) const
{
    const auto found = m_byUid.find(uid);
    if (found == m_byUid.end())
        return std::nullopt;
    return (*found)->second;
}

std::vector<Snooze> SnoozeBook::takeDue(qint64 second)
{
    std::vector<Snooze> due;
    while (!m_queue.empty() && m_queue.begin()->first <= second) {
        due.push_back(m_queue.begin()->second);
        m_byUid.remove(due.back().uid);
        m_queue.erase(m_queue.begin());
    }
    return due;
}

std::vector<Snooze> SnoozeBook::all() const
{
    std::vector<Snooze> snoozes;
    snoozes.reserve(m_queue.size());
    for (const auto& entry : m_queue)
        snoozes.push_back(entry.second);
    return snoozes;
}

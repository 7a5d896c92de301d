#include "account/PasswordPrompt.h"

#include <utility>

bool PasswordPrompt::needed(const QString& reason)
{
    m_reason = reason;
    // A password asked for again was refused: it is never kept.
    m_typed.reset();
    if (m_state != State::Idle)
        return false;
    m_state = State::Asking;
    return true;
}

void PasswordPrompt::answered()
{
    m_state = State::Idle;
}

void PasswordPrompt::declined()
{
    if (m_state == State::Asking)
        m_state = State::Declined;
}

void PasswordPrompt::userActed()
{
    if (m_state == State::Declined)
        m_state = State::Idle;
}

void PasswordPrompt::typed(const QString& password)
{
    m_typed = password;
}

std::optional<QString> PasswordPrompt::syncEnded(bool ok)
{
    if (!ok || !m_typed)
        return std::nullopt;
    return std::exchange(m_typed, std::nullopt);
}

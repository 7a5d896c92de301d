#include "account/PasswordPrompt.h"

bool PasswordPrompt::needed(const QString& reason)
{
    m_reason = reason;
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

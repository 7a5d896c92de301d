#pragma once

#include <QString>

#include <optional>

// Whether the sync service's call for a password opens the password window: once for each refusal,
// never again while the window is open, and not again after the user closed it without an answer until
// the user acts on the account (saves it or asks for a sync), so that a server that keeps refusing does
// not bring the window back every minute. A typed password is kept in the Secret Service only once the
// server took it, so that a mistyped one never replaces the one kept.
class PasswordPrompt
{
public:
    // The service needs a password; true when the window is to open now.
    bool needed(const QString& reason);
    // The user gave a password: a later refusal of it may ask again.
    void answered();
    // The user typed this password: it is kept for good once the server accepts it.
    void typed(const QString& password);
    // A sync ended: the typed password to keep now that the server accepted it (once), or nothing. A sync
    // that failed says nothing about it yet; the server refusing it comes through needed().
    std::optional<QString> syncEnded(bool ok);
    // The user closed the window without a password.
    void declined();
    // The user saved the account or asked for a sync: a refusal after that may ask again.
    void userActed();

    bool isAsking() const { return m_state == State::Asking; }
    const QString& reason() const { return m_reason; }

private:
    enum class State
    {
        Idle,
        Asking,
        Declined
    };
    State m_state = State::Idle;
    QString m_reason;
    std::optional<QString> m_typed;
};

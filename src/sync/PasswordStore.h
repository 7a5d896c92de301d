#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

// Keeps the account's password in the desktop's Secret Service (through QtKeychain) and nowhere on disk
// beside it. When no Secret Service runs, the password is kept in this object's memory for the run
// only, and the caller is told so, so that the program asks for it at its next start instead of
// writing it anywhere readable. Every call answers through its callback, later.
class PasswordStore : public QObject
{
    Q_OBJECT

public:
    struct Outcome
    {
        bool found = false; // for a read: a password was there
        bool kept = true;   // for a write: it reached the Secret Service (false: memory only)
        QString password;   // for a read
        QString problem;    // why the Secret Service could not be used, in the program's own words
    };
    using Done = std::function<void(const Outcome&)>;

    static inline const QString Service = QStringLiteral("Zentravio");

    // `useSecretService` false keeps every password in memory (for tests and a desktop without one).
    explicit PasswordStore(bool useSecretService = true, QObject* parent = nullptr);

    // Reads the password kept under `key`, or under the name an earlier version gave it, which it is
    // then moved from.
    void read(const QString& key, Done done);
    void write(const QString& key, const QString& password, Done done);
    void remove(const QString& key, Done done);

    // Whether the Secret Service answered the last time it was asked; false also when it is not used.
    bool secretServiceWorks() const { return m_useSecretService; }

private:
    void readKey(const QString& key, Done done);
    void giveUpSecretService(QString& problem, const QString& reason);

    bool m_useSecretService;
    QHash<QString, QString> m_memory;
};

#include "sync/PasswordStore.h"

#include "sync/AccountSettings.h"

#include <QCoreApplication>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

// Faults that say the Secret Service is not there, rather than that the password is not.
bool serviceMissing(QKeychain::Error error)
{
    return error != QKeychain::NoError && error != QKeychain::EntryNotFound;
}

template <typename Job> Job* makeJob(QObject* parent, const QString& key)
{
    auto* job = new Job(PasswordStore::Service, parent);
    job->setAutoDelete(true);
    // Never the plain-text settings file QtKeychain would otherwise fall back to.
    job->setInsecureFallback(false);
    job->setKey(key);
    return job;
}

} // namespace

PasswordStore::PasswordStore(bool useSecretService, QObject* parent)
    : QObject(parent), m_useSecretService(useSecretService)
{}

void PasswordStore::giveUpSecretService(QString& problem, const QString& reason)
{
    m_useSecretService = false;
    // QtKeychain names some faults only "Unknown error", which tells the user nothing.
    const bool told = !reason.isEmpty() && reason != QLatin1String("Unknown error");
    problem = (told ? tr("No Secret Service could keep the password (%1).").arg(reason)
                    : tr("No Secret Service is running to keep the password.")) +
              QLatin1Char(' ') + tr("It is kept for this run only and asked for at the next start.");
}

void PasswordStore::read(const QString& key, Done done)
{
    const QString former = AccountSettings::formerPasswordKey(key);
    if (former.isEmpty()) {
        readKey(key, std::move(done));
        return;
    }
    // A password an earlier version kept under the user at the host alone is moved to its key once, so
    // that nobody is asked for it again.
    readKey(key, [this, key, former, done = std::move(done)](const Outcome& outcome) {
        if (outcome.found || !outcome.problem.isEmpty()) {
            done(outcome);
            return;
        }
        readKey(former, [this, key, former, outcome, done](const Outcome& old) {
            if (!old.found) {
                done(outcome);
                return;
            }
            write(key, old.password, [this, former, old, done](const Outcome& kept) {
                if (kept.kept)
                    remove(former, [](const Outcome&) {});
                done(old);
            });
        });
    });
}

void PasswordStore::readKey(const QString& key, Done done)
{
    if (m_memory.contains(key) || !m_useSecretService) {
        Outcome outcome;
        outcome.found = m_memory.contains(key);
        outcome.password = m_memory.value(key);
        outcome.kept = m_useSecretService;
        QTimer::singleShot(0, this, [outcome, done = std::move(done)] { done(outcome); });
        return;
    }
    auto* job = makeJob<QKeychain::ReadPasswordJob>(this, key);
    connect(job, &QKeychain::Job::finished, this, [this, job, key, done = std::move(done)] {
        Outcome outcome;
        if (job->error() == QKeychain::NoError) {
            outcome.found = true;
            outcome.password = job->textData();
            m_memory.insert(key, outcome.password);
        } else if (serviceMissing(job->error())) {
            giveUpSecretService(outcome.problem, job->errorString());
            outcome.kept = false;
        }
        done(outcome);
    });
    job->start();
}

void PasswordStore::write(const QString& key, const QString& password, Done done)
{
    m_memory.insert(key, password);
    if (!m_useSecretService) {
        Outcome outcome;
        outcome.kept = false;
        outcome.problem = tr("No Secret Service is in use; the password is kept for this run only.");
        QTimer::singleShot(0, this, [outcome, done = std::move(done)] { done(outcome); });
        return;
    }
    auto* job = makeJob<QKeychain::WritePasswordJob>(this, key);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this, job, done = std::move(done)] {
        Outcome outcome;
        if (job->error() != QKeychain::NoError) {
            giveUpSecretService(outcome.problem, job->errorString());
            outcome.kept = false;
        }
        done(outcome);
    });
    job->start();
}

void PasswordStore::remove(const QString& key, Done done)
{
    m_memory.remove(key);
    if (!m_useSecretService) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done({}); });
        return;
    }
    auto* job = makeJob<QKeychain::DeletePasswordJob>(this, key);
    connect(job, &QKeychain::Job::finished, this, [this, job, done = std::move(done)] {
        Outcome outcome;
        if (serviceMissing(job->error()) && job->error() != QKeychain::CouldNotDeleteEntry) {
            giveUpSecretService(outcome.problem, job->errorString());
            outcome.kept = false;
        }
        done(outcome);
    });
    job->start();
}

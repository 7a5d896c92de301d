#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

// Keeps the program to one instance per user. The first instance listens on a private local socket in
// the user's runtime folder; a later start finds it there, asks it to bring its window forward and ends
// before it opens the schedule or shows anything. A lock file keeps two starts in the same moment from
// both becoming the first.
//
// A runtime folder that cannot hold the socket (someone else's, open to others, not writable, or with a
// path too long for a socket's name) is passed over for a private folder of the user's own, which the
// guard makes with access for the user alone. A later start looks for an earlier instance in both
// folders, so the two meet even when only one of them saw a usable runtime folder.
class InstanceGuard : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        FirstInstance,       // this process is the one that runs
        OtherInstanceRaised, // another instance was asked to come forward; this process ends
        Unguarded            // no folder could hold the socket: whether another instance runs is unknown
    };

    // What a later start asks of the instance it finds.
    enum class Request
    {
        BringForward, // its window comes forward
        LeaveAlone    // nothing: a start at login finds the program already running
    };

    // folder holds the socket and the lock file, by default the user's runtime folder; fallback is used
    // when folder cannot be (empty for none).
    explicit InstanceGuard(QString folder = defaultFolder(), QString fallback = QString(),
                           QObject* parent = nullptr);
    ~InstanceGuard() override;

    static QString defaultFolder();
    // The private folder of the user's that stands in for an unusable runtime folder: beside the
    // schedule, in the data folder.
    static QString defaultFallbackFolder();
    // The socket of the folder in use; before GuardInstance() and when unguarded, that of the runtime
    // folder.
    QString socketPath() const;

    Outcome GuardInstance(Request request = Request::BringForward);

signals:
    // A later start asked this instance to bring its last active window forward.
    void activationRequested();

private:
    static QString socketIn(const QString& folder);
    bool askRunningInstance(const QString& socket, Request request) const;
    bool listenIn(const QString& folder);
    void acceptRequests();

    QStringList m_folders;
    QString m_inUse;
    QLocalServer m_server;
};

#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// Keeps the program to one instance per user. The first instance listens on a private local socket in
// the user's runtime folder; a later start finds it there, asks it to bring its window forward and ends
// before it opens the schedule or shows anything. A lock file keeps two starts in the same moment from
// both becoming the first.
class InstanceGuard : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        FirstInstance,       // this process is the one that runs
        OtherInstanceRaised, // another instance was asked to come forward; this process ends
        Unguarded            // the socket could not be set up; this process runs without a guard
    };

    // What a later start asks of the instance it finds.
    enum class Request
    {
        BringForward, // its window comes forward
        LeaveAlone    // nothing: a start at login finds the program already running
    };

    // folder holds the socket and the lock file; by default the user's runtime folder.
    explicit InstanceGuard(QString folder = defaultFolder(), QObject* parent = nullptr);
    ~InstanceGuard() override;

    static QString defaultFolder();
    QString socketPath() const;

    Outcome GuardInstance(Request request = Request::BringForward);

signals:
    // A later start asked this instance to bring its last active window forward.
    void activationRequested();

private:
    bool askRunningInstance(Request request) const;
    void acceptRequests();

    QString m_folder;
    QLocalServer m_server;
};

#include "app/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray ShowRequest = QByteArrayLiteral("show\n");
constexpr int ConnectTimeoutMs = 1000;
constexpr int LockTimeoutMs = 5000;

// The longest socket path the system takes, without its closing zero.
constexpr qsizetype MaxSocketPath = qsizetype(sizeof(sockaddr_un::sun_path)) - 1;

bool socketNameFits(const QString& socket)
{
    return QFile::encodeName(socket).size() <= MaxSocketPath;
}

// Whether the folder is the user's alone: a folder owned by this user, which the user may enter and
// write in and nobody else may write in. Only such a folder is trusted with the socket: in any other
// the socket cannot be made, or a stranger could stand in for an earlier instance.
bool isPrivateFolder(const QString& folder)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    const mode_t ownerAll = S_IRWXU;
    return info.st_uid == ::geteuid() && (info.st_mode & ownerAll) == ownerAll &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Makes the folder, and any missing folder above it, for the user alone.
bool makePrivateFolder(const QString& folder)
{
    if (QFileInfo::exists(folder))
        return isPrivateFolder(folder);
    if (!QDir().mkpath(folder))
        return false;
    ::chmod(QFile::encodeName(folder).constData(), S_IRWXU);
    return isPrivateFolder(folder);
}

} // namespace

InstanceGuard::InstanceGuard(QString folder, QString fallback, QObject* parent) : QObject(parent)
{
    for (const QString& candidate : {folder, fallback}) {
        if (!candidate.isEmpty() && !m_folders.contains(candidate))
            m_folders << candidate;
    }
}

InstanceGuard::~InstanceGuard()
{
    m_server.close();
}

QString InstanceGuard::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString InstanceGuard::defaultFallbackFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Zentravio/instance");
}

QString InstanceGuard::socketIn(const QString& folder)
{
    return folder + QStringLiteral("/Zentravio.instance");
}

QString InstanceGuard::socketPath() const
{
    if (!m_inUse.isEmpty())
        return socketIn(m_inUse);
    return m_folders.isEmpty() ? QString() : socketIn(m_folders.first());
}

InstanceGuard::Outcome InstanceGuard::GuardInstance(Request request)
{
    // An earlier instance may listen in either folder: the runtime folder may have been usable for it
    // and not for this start, or the other way round.
    for (const QString& folder : std::as_const(m_folders)) {
        if (isPrivateFolder(folder) && askRunningInstance(socketIn(folder), request))
            return Outcome::OtherInstanceRaised;
    }
    for (const QString& folder : std::as_const(m_folders)) {
        if (!socketNameFits(socketIn(folder)) || !makePrivateFolder(folder))
            continue;
        // Held only while deciding: two starts in the same moment then see each other one after the
        // other. Without the lock the decision is still made, only less safely.
        QLockFile lock(folder + QStringLiteral("/Zentravio.lock"));
        lock.tryLock(LockTimeoutMs);
        if (askRunningInstance(socketIn(folder), request))
            return Outcome::OtherInstanceRaised;
        if (listenIn(folder))
            return Outcome::FirstInstance;
    }
    return Outcome::Unguarded;
}

bool InstanceGuard::listenIn(const QString& folder)
{
    // Nobody answers on the socket: it is left over from an instance that did not end cleanly.
    QLocalServer::removeServer(socketIn(folder));
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(socketIn(folder)))
        return false;
    m_inUse = folder;
    connect(&m_server, &QLocalServer::newConnection, this, &InstanceGuard::acceptRequests);
    return true;
}

bool InstanceGuard::askRunningInstance(const QString& socketPath, Request request) const
{
    if (!socketNameFits(socketPath))
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    if (request == Request::BringForward) {
        socket.write(ShowRequest);
        socket.waitForBytesWritten(ConnectTimeoutMs);
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(ConnectTimeoutMs);
    return true;
}

void InstanceGuard::acceptRequests()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto readRequest = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > ShowRequest.size())
                    socket->abort(); // not a later start of this program
                return;
            }
            if (socket->readLine(ShowRequest.size() + 1) == ShowRequest)
                emit activationRequested();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequest);
        if (socket->bytesAvailable() > 0)
            readRequest();
    }
}

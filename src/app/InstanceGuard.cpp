#include "app/InstanceGuard.h"

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

const QByteArray ShowRequest = QByteArrayLiteral("show\n");
constexpr int ConnectTimeoutMs = 1000;
constexpr int LockTimeoutMs = 5000;

} // namespace

InstanceGuard::InstanceGuard(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder))
{}

InstanceGuard::~InstanceGuard()
{
    m_server.close();
}

QString InstanceGuard::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString InstanceGuard::socketPath() const
{
    return m_folder + QStringLiteral("/Zentravio.instance");
}

InstanceGuard::Outcome InstanceGuard::GuardInstance(Request request)
{
    QDir().mkpath(m_folder);
    // Held only while deciding: two starts in the same moment then see each other one after the other.
    // Without the lock (a folder that refuses it) the decision is still made, only less safely.
    QLockFile lock(m_folder + QStringLiteral("/Zentravio.lock"));
    lock.tryLock(LockTimeoutMs);

    if (askRunningInstance(request))
        return Outcome::OtherInstanceRaised;

    // Nobody answers on the socket: it is left over from an instance that did not end cleanly.
    QLocalServer::removeServer(socketPath());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(socketPath()))
        return Outcome::Unguarded;
    connect(&m_server, &QLocalServer::newConnection, this, &InstanceGuard::acceptRequests);
    return Outcome::FirstInstance;
}

bool InstanceGuard::askRunningInstance(Request request) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
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

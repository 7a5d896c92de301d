#include "app/SessionBusCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Outcome = SessionBusCheck::Outcome;

// A file descriptor closed when the check leaves it.
class Socket
{
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// One entry of a bus address: "unix:path=/run/user/1000/bus" gives the kind "unix" and its keys, with
// %-escapes undone.
struct AddressEntry
{
    QString kind;
    QHash<QString, QByteArray> keys;
};

AddressEntry readEntry(const QString& text)
{
    AddressEntry entry;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    entry.kind = text.left(colon);
    if (colon < 0)
        return entry;
    for (const QString& pair : text.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals > 0)
            entry.keys.insert(pair.left(equals), QByteArray::fromPercentEncoding(pair.mid(equals + 1).toUtf8()));
    }
    return entry;
}

int remainingMs(const QElapsedTimer& started, std::chrono::milliseconds patience)
{
    return int(std::max<qint64>(0, patience.count() - started.elapsed()));
}

// Waits for the socket to be ready for the events; false when the time ran out first.
bool waitFor(int fd, short events, const QElapsedTimer& started, std::chrono::milliseconds patience)
{
    pollfd wanted{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&wanted, 1, remainingMs(started, patience));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

enum class Reached
{
    Connected,
    Refused,
    TimedOut
};

// Connects without blocking, within what is left of the patience.
Reached connectWithin(int fd, const sockaddr* address, socklen_t length, const QElapsedTimer& started,
                      std::chrono::milliseconds patience)
{
    if (::connect(fd, address, length) == 0)
        return Reached::Connected;
    if (errno != EINPROGRESS && errno != EAGAIN)
        return Reached::Refused;
    if (!waitFor(fd, POLLOUT, started, patience))
        return Reached::TimedOut;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
        return Reached::Refused;
    return Reached::Connected;
}

// The bus's first words: a client opens with a nul byte and asks to be let in as the user it runs as;
// a bus that works answers with one line (let in or not), a frozen one says nothing.
Outcome greet(int fd, const QElapsedTimer& started, std::chrono::milliseconds patience)
{
    const QByteArray uid = QByteArray::number(qulonglong(::getuid()));
    const QByteArray hello = QByteArray(1, '\0') + "AUTH EXTERNAL " + uid.toHex() + "\r\n";
    if (!waitFor(fd, POLLOUT, started, patience))
        return Outcome::Silent;
    if (::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) != hello.size())
        return Outcome::NoBus;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!waitFor(fd, POLLIN, started, patience))
            return Outcome::Silent;
        char buffer[256];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got == 0)
            return Outcome::NoBus; // the other end hung up: nothing there serves as a bus
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return Outcome::NoBus;
        }
        answer.append(buffer, got);
    }
    return Outcome::Answered;
}

Outcome checkUnix(const AddressEntry& entry, const QElapsedTimer& started, std::chrono::milliseconds patience)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socklen_t length = 0;
    if (entry.keys.contains(QStringLiteral("path"))) {
        const QByteArray path = entry.keys.value(QStringLiteral("path"));
        if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
            return Outcome::NoBus;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()) + 1);
    } else if (entry.keys.contains(QStringLiteral("abstract"))) {
        // An abstract name starts with a nul byte and is not ended by one.
        const QByteArray name = entry.keys.value(QStringLiteral("abstract"));
        if (size_t(name.size()) + 1 > sizeof address.sun_path)
            return Outcome::NoBus;
        std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size()));
        length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    } else {
        return Outcome::Unchecked;
    }
    const Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.fd() < 0)
        return Outcome::Unchecked;
    switch (connectWithin(socket.fd(), reinterpret_cast<const sockaddr*>(&address), length, started, patience)) {
    case Reached::Refused:
        return Outcome::NoBus;
    case Reached::TimedOut:
        return Outcome::Silent;
    case Reached::Connected:
        break;
    }
    return greet(socket.fd(), started, patience);
}

Outcome checkTcp(const AddressEntry& entry, const QElapsedTimer& started, std::chrono::milliseconds patience)
{
    const QByteArray host = entry.keys.value(QStringLiteral("host"), QByteArrayLiteral("localhost"));
    const QByteArray port = entry.keys.value(QStringLiteral("port"));
    if (port.isEmpty())
        return Outcome::NoBus;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0 || !found)
        return Outcome::NoBus;
    Outcome outcome = Outcome::NoBus;
    for (const addrinfo* at = found; at && outcome == Outcome::NoBus; at = at->ai_next) {
        const Socket socket(::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at->ai_protocol));
        if (socket.fd() < 0)
            continue;
        const Reached reached = connectWithin(socket.fd(), at->ai_addr, at->ai_addrlen, started, patience);
        if (reached == Reached::TimedOut)
            outcome = Outcome::Silent;
        else if (reached == Reached::Connected)
            outcome = greet(socket.fd(), started, patience);
    }
    ::freeaddrinfo(found);
    return outcome;
}

} // namespace

SessionBusCheck::Outcome SessionBusCheck::check(const QString& address, std::chrono::milliseconds patience)
{
    QElapsedTimer started;
    started.start();
    // The bus library tries the entries of an address in turn until one connects, and so does the check.
    for (const QString& text : address.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const AddressEntry entry = readEntry(text);
        Outcome outcome = Outcome::Unchecked;
        if (entry.kind == QLatin1String("unix"))
            outcome = checkUnix(entry, started, patience);
        else if (entry.kind == QLatin1String("tcp"))
            outcome = checkTcp(entry, started, patience);
        if (outcome != Outcome::NoBus)
            return outcome;
    }
    return Outcome::NoBus;
}

QByteArray SessionBusCheck::refusedAddress()
{
    return QByteArrayLiteral("disabled:");
}

QString SessionBusCheck::silentBusLine(const QString& address, std::chrono::milliseconds patience)
{
    return QCoreApplication::translate("SessionBusCheck",
                                       "Zentravio: the session bus (%1) did not answer within %2 seconds; this run "
                                       "goes on without it: no desktop notifications and no screen reader bridge.")
        .arg(address, QString::number(double(patience.count()) / 1000.0));
}

#pragma once

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

// A loopback proxy in front of a test server that passes requests on or spoils them the ways networks and
// servers do: the connection dropped in the middle of the answer, a 500, a 401, an answer that is no
// WebDAV, or a long silence. It runs in the test's own event loop, one request per connection.
class FaultProxy : public QObject
{
public:
    enum class Fault
    {
        None,
        DropMidResponse,
        Status500,
        Status401,
        Nonsense,
        Silence, // answers nothing for `silenceMs`, then passes the request on
        Trickle, // passes the answer on in eight parts, `silenceMs` apart
        PreconditionOnWrite // refuses every PUT and DELETE with 412, passes the rest on
    };

    explicit FaultProxy(quint16 upstreamPort) : m_upstreamPort(upstreamPort)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection())
                accept(client);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort())); }
    void setFault(Fault fault, int silenceMs = 0)
    {
        m_fault = fault;
        m_silenceMs = silenceMs;
    }
    int requests() const { return m_requests; }

private:
    void accept(QTcpSocket* client)
    {
        client->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QTcpSocket::readyRead, this, [this, client, buffer] {
            buffer->append(client->readAll());
            const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            const qsizetype length = contentLength(buffer->left(headerEnd));
            if (buffer->size() < headerEnd + 4 + length)
                return;
            disconnect(client, &QTcpSocket::readyRead, this, nullptr);
            ++m_requests;
            handle(client, withConnectionClose(*buffer, headerEnd));
        });
    }

    static qsizetype contentLength(const QByteArray& header)
    {
        for (const QByteArray& line : header.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                return line.mid(15).trimmed().toLongLong();
        }
        return 0;
    }

    // One request per upstream connection, so that the upstream's end marks the answer's end.
    static QByteArray withConnectionClose(const QByteArray& request, qsizetype headerEnd)
    {
        QList<QByteArray> lines = request.left(headerEnd).split('\n');
        lines.removeIf([](const QByteArray& line) { return line.toLower().startsWith("connection:"); });
        return lines.join('\n') + "\r\nConnection: close\r\n\r\n" + request.mid(headerEnd + 4);
    }

    void answer(QTcpSocket* client, const QByteArray& status, const QByteArray& extra, const QByteArray& body)
    {
        client->write("HTTP/1.1 " + status + "\r\nConnection: close\r\n" + extra +
                      "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        client->disconnectFromHost();
    }

    void handle(QTcpSocket* client, const QByteArray& request)
    {
        switch (m_fault) {
        case Fault::Status500:
            answer(client, "500 Internal Server Error", "Content-Type: text/plain\r\n", "broken");
            return;
        case Fault::Status401:
            answer(client, "401 Unauthorized", "WWW-Authenticate: Basic realm=\"test\"\r\n", "no");
            return;
        case Fault::Nonsense:
            answer(client, "207 Multi-Status", "Content-Type: text/xml\r\n", "<html><body>Welcome!</body>");
            return;
        case Fault::Silence: {
            QPointer<QTcpSocket> guard(client);
            QTimer::singleShot(m_silenceMs, this, [this, guard, request] {
                if (guard && guard->state() == QAbstractSocket::ConnectedState)
                    forward(guard, request);
            });
            return;
        }
        case Fault::PreconditionOnWrite:
            if (request.startsWith("PUT ") || request.startsWith("DELETE ")) {
                answer(client, "412 Precondition Failed", "Content-Type: text/plain\r\n", "changed");
                return;
            }
            forward(client, request);
            return;
        case Fault::DropMidResponse:
        case Fault::Trickle:
            forward(client, request);
            return;
        case Fault::None:
            forward(client, request);
            return;
        }
    }

    void forward(QTcpSocket* client, const QByteArray& request)
    {
        const Fault fault = m_fault;
        const int pause = m_silenceMs;
        auto* upstream = new QTcpSocket(this);
        auto received = std::make_shared<QByteArray>();
        QPointer<QTcpSocket> guard(client);
        connect(upstream, &QTcpSocket::connected, upstream,
                [upstream, request] { upstream->write(request); });
        connect(upstream, &QTcpSocket::readyRead, upstream,
                [upstream, received] { received->append(upstream->readAll()); });
        connect(upstream, &QTcpSocket::disconnected, this, [this, upstream, received, guard, fault, pause] {
            received->append(upstream->readAll());
            upstream->deleteLater();
            if (guard && fault == Fault::Trickle) {
                trickle(guard, *received, 8, pause);
                return;
            }
            const bool dropHalfway = fault == Fault::DropMidResponse;
            if (guard) {
                // A graceful close after half the answer: the client sees its end before the length
                // the answer's header promised.
                guard->write(dropHalfway ? received->left(received->size() / 2) : *received);
                guard->disconnectFromHost();
            }
        });
        upstream->connectToHost(QHostAddress::LocalHost, m_upstreamPort);
    }

    void trickle(QPointer<QTcpSocket> client, QByteArray rest, int parts, int pause)
    {
        if (!client)
            return;
        const qsizetype size = parts <= 1 ? rest.size() : rest.size() / parts;
        client->write(rest.left(size));
        if (parts <= 1) {
            client->disconnectFromHost();
            return;
        }
        QTimer::singleShot(pause, this, [this, client, rest = rest.mid(size), parts, pause] {
            trickle(client, rest, parts - 1, pause);
        });
    }

    QTcpServer m_server;
    quint16 m_upstreamPort;
    Fault m_fault = Fault::None;
    int m_silenceMs = 0;
    int m_requests = 0;
};

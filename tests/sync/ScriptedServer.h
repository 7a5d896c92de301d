#pragma once

#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

// A loopback HTTP server that answers each request as the test scripts it, and keeps every request it
// was sent, so that a test can tell what reached it (a path outside the calendar, a password). It runs in
// the test's own event loop, one request per connection.
class ScriptedServer : public QObject
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray authorization;
        QByteArray body;
    };
    // Answers the request on the socket; the connection is closed after it unless the script keeps it.
    using Script = std::function<void(const Request&, QTcpSocket&)>;

    explicit ScriptedServer(Script script = {}) : m_script(std::move(script))
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection())
                accept(client);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    void setScript(Script script) { m_script = std::move(script); }
    QUrl url(const QString& path = QStringLiteral("/")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    const QList<Request>& requests() const { return m_requests; }

    static void answer(QTcpSocket& client, const QByteArray& status, const QByteArray& body,
                       const QByteArray& extraHeaders = {})
    {
        client.write("HTTP/1.1 " + status + "\r\nConnection: close\r\n" + extraHeaders +
                     "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        client.disconnectFromHost();
    }

    // A multi-status answer of these response elements.
    static QByteArray multistatus(const QByteArray& responses)
    {
        return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
               "xmlns:c=\"urn:ietf:params:xml:ns:caldav\">" +
               responses + "</d:multistatus>";
    }
    static QByteArray response(const QByteArray& href, const QByteArray& etag, const QByteArray& data = {})
    {
        QByteArray prop = "<d:getetag>" + etag + "</d:getetag>";
        if (!data.isEmpty())
            prop += "<c:calendar-data>" + data + "</c:calendar-data>";
        return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + prop +
               "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
    }

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
            Request request;
            qsizetype length = 0;
            const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.path = first.value(1);
            for (const QByteArray& line : lines) {
                const QByteArray lower = line.toLower();
                if (lower.startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
                else if (lower.startsWith("authorization:"))
                    request.authorization = line.mid(14).trimmed();
            }
            if (buffer->size() < headerEnd + 4 + length)
                return;
            disconnect(client, &QTcpSocket::readyRead, this, nullptr);
            request.body = buffer->mid(headerEnd + 4, length);
            m_requests << request;
            if (m_script)
                m_script(request, *client);
            else
                answer(*client, "404 Not Found", {});
        });
    }

    QTcpServer m_server;
    Script m_script;
    QList<Request> m_requests;
};

#pragma once

#include "sync/DavError.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <functional>

// One request to the calendar server: a WebDAV method with its body and headers.
struct DavRequest
{
    QByteArray method;
    QUrl url;
    QByteArray body;        // XML for PROPFIND and REPORT, iCalendar for PUT
    int depth = -1;         // the Depth header, when 0 or more
    QByteArray contentType; // XML when empty and a body is given
    QList<QPair<QByteArray, QByteArray>> headers;
    QString what; // the request in the user's words, for messages: "listing the calendar"
};

// The server's answer, or why there is none.
struct DavReply
{
    int status = 0;
    QByteArray body;
    QByteArray etag; // the ETag header, when the server sent one
    QUrl url;        // where the answer came from, after redirects
    DavError error;
};

// Talks HTTP to one calendar server through Qt's network access, never waiting: every request answers
// through its callback from the event loop, at the latest once the server was silent for the timeout. It
// follows redirects itself, keeping the method (a PROPFIND to /.well-known/caldav must stay one), refuses
// addresses the program must not use, and lets a certificate that does not verify through only when its
// fingerprint is the one the user accepted. The password lives in this object's memory only.
class DavClient : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const DavReply&)>;

    static constexpr int DefaultTimeoutMs = 30000;
    static constexpr int MaxRedirects = 5;

    explicit DavClient(QObject* parent = nullptr);
    ~DavClient() override;

    void setCredentials(const QString& user, const QString& password);
    // The SHA-256 fingerprint of the one certificate the user accepted though it does not verify.
    void setAcceptedFingerprint(const QString& fingerprint);
    void setTimeout(int milliseconds);
    int timeout() const { return m_timeoutMs; }

    // Sends the request; `done` runs once, later, unless `context` is gone by then.
    void send(const DavRequest& request, QObject* context, Done done);
    // Ends every request under way; their callbacks see a cancelled result.
    void cancelAll();

    struct ReplyState;

private:
    void start(DavRequest request, int redirectsLeft, QObject* context, Done done);
    void finish(QNetworkReply& reply, const ReplyState& state, const DavRequest& request, int redirectsLeft,
                QObject* context, const Done& done);

    QNetworkAccessManager m_network;
    QString m_user;
    QString m_password;
    QString m_acceptedFingerprint;
    int m_timeoutMs = DefaultTimeoutMs;
};

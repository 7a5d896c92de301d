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
    // The most the answer may hold; a longer one is cut off and comes back as TooLarge. 0: SmallAnswer.
    qint64 maxAnswerBytes = 0;
};

// The server's answer, or why there is none.
struct DavReply
{
    int status = 0;
    QByteArray body;
    QByteArray etag; // the ETag header, when the server sent one
    QUrl url;        // where the answer came from, after redirects
    // Where the server sent the request on to when that is another server (scheme, host or port): the
    // client never follows it with the password, and the error says so.
    QUrl otherOrigin;
    DavError error;
};

// Talks HTTP to one calendar server through Qt's network access, never waiting: every request answers
// through its callback from the event loop, at the latest once the server was silent for the timeout or
// the answer took longer than the deadline, and no answer is read past its size limit. It follows
// redirects itself on the same server (scheme, host and port), keeping the method (a PROPFIND to
// /.well-known/caldav must stay one), and never to another one, where the password would go too; it
// refuses addresses the program must not use, and lets a certificate that does not verify through only
// when its fingerprint is the one the user accepted. The password lives in this object's memory only.
class DavClient : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const DavReply&)>;

    static constexpr int DefaultTimeoutMs = 30000;
    // Unless set otherwise, a whole answer may take this many silences: 5 minutes at the usual timeout,
    // in which a calendar of 100,000 events comes over a line of 1 MB a second.
    static constexpr int DeadlineInSilences = 10;
    static constexpr int MaxRedirects = 5;
    // Discovery, a calendar's own state and the answers to writes are small.
    static constexpr qint64 SmallAnswer = 4 << 20;

    explicit DavClient(QObject* parent = nullptr);
    ~DavClient() override;

    void setCredentials(const QString& user, const QString& password);
    // The SHA-256 fingerprint of the one certificate the user accepted though it does not verify.
    void setAcceptedFingerprint(const QString& fingerprint);
    void setTimeout(int milliseconds);
    int timeout() const { return m_timeoutMs; }
    // The longest a whole request may take, however steadily the answer arrives; 0: DeadlineInSilences
    // times the timeout.
    void setDeadline(int milliseconds);
    int deadline() const;

    // Whether two addresses are of the same server, to which the same password may go: same scheme,
    // host and port.
    static bool sameOrigin(const QUrl& a, const QUrl& b);

    // Sends the request; `done` runs once, later, unless `context` is gone by then.
    void send(const DavRequest& request, QObject* context, Done done);
    // Ends every request under way; their callbacks see a cancelled result.
    void cancelAll();

    struct ReplyState;

private:
    void start(DavRequest request, int redirectsLeft, QObject* context, Done done);
    void answerLater(QObject* context, Done done, DavReply reply);
    void finish(QNetworkReply& reply, ReplyState& state, const DavRequest& request, int redirectsLeft,
                QObject* context, const Done& done);
    void redirect(QNetworkReply& reply, DavReply answer, const DavRequest& request, int redirectsLeft,
                  QObject* context, const Done& done);

    QNetworkAccessManager m_network;
    QString m_user;
    QString m_password;
    QString m_acceptedFingerprint;
    int m_timeoutMs = DefaultTimeoutMs;
    int m_deadlineMs = 0;
};

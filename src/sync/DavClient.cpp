#include "sync/DavClient.h"

#include "sync/ServerAddress.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

#include <memory>

// What the client learnt about a reply while it ran, beside what Qt keeps on it.
struct DavClient::ReplyState
{
    bool timedOut = false;
    bool pastDeadline = false;
    bool tooLarge = false;
    qint64 limit = 0;
    QByteArray body; // the answer as it came, read while it arrives so that Qt holds none of it
    QString certificateProblem;
    QString certificateFingerprint;
};

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DavClient", text);
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

DavError networkError(const QNetworkReply& reply, const DavClient::ReplyState& state,
                      const DavRequest& request, int timeoutMs, int deadlineMs)
{
    using Kind = DavError::Kind;
    if (state.tooLarge)
        return DavError::tooLarge(state.limit, request.what);
    if (state.pastDeadline)
        return {Kind::Timeout, tr("The calendar server's answer did not end within %1 seconds (%2).")
                                   .arg(deadlineMs / 1000.0)
                                   .arg(request.what)};
    if (state.timedOut)
        return {Kind::Timeout, tr("The calendar server kept silent for %1 seconds (%2).")
                                   .arg(timeoutMs / 1000.0)
                                   .arg(request.what)};
    if (!state.certificateProblem.isEmpty())
        return DavError::unverifiedCertificate(state.certificateProblem, state.certificateFingerprint);
    switch (reply.error()) {
    case QNetworkReply::OperationCanceledError:
        return {Kind::Cancelled, tr("The request was stopped (%1).").arg(request.what)};
    case QNetworkReply::TimeoutError:
        return {Kind::Timeout, tr("The calendar server did not answer in time (%1).").arg(request.what)};
    case QNetworkReply::SslHandshakeFailedError:
        return {
            Kind::Certificate,
            tr("A secure connection to %1 could not be made (%2).").arg(request.url.host(), request.what)};
    case QNetworkReply::HostNotFoundError:
        return {Kind::Connection,
                tr("The server %1 was not found (%2).").arg(request.url.host(), request.what)};
    case QNetworkReply::ConnectionRefusedError:
        return {Kind::Connection,
                tr("The server %1 refused the connection (%2).").arg(request.url.host(), request.what)};
    case QNetworkReply::RemoteHostClosedError:
        return {Kind::Connection,
                tr("The server %1 closed the connection before its answer was complete (%2).")
                    .arg(request.url.host(), request.what)};
    default:
        return {Kind::Connection,
                tr("The server %1 could not be reached (%2).").arg(request.url.host(), request.what)};
    }
}

// A Location header as servers write it: absolute, or relative to the address asked.
constexpr qsizetype MaxLocation = 8192;

// Qt's network-layer faults (connection, proxy) come below 200; above are answers the server did give.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

} // namespace

DavClient::DavClient(QObject* parent) : QObject(parent)
{
    // The client sends its credentials with every request itself; Qt's own prompt for them would only
    // stand between a refused password and the 401 the user must be told about.
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

DavClient::~DavClient()
{
    cancelAll();
}

void DavClient::setCredentials(const QString& user, const QString& password)
{
    m_user = user;
    m_password = password;
}

void DavClient::setAcceptedFingerprint(const QString& fingerprint)
{
    m_acceptedFingerprint = fingerprint;
}

void DavClient::setTimeout(int milliseconds)
{
    m_timeoutMs = milliseconds;
}

void DavClient::setDeadline(int milliseconds)
{
    m_deadlineMs = milliseconds;
}

int DavClient::deadline() const
{
    return m_deadlineMs > 0 ? m_deadlineMs : m_timeoutMs * DeadlineInSilences;
}

bool DavClient::sameOrigin(const QUrl& a, const QUrl& b)
{
    const auto port = [](const QUrl& url) {
        return url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    };
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && port(a) == port(b);
}

void DavClient::answerLater(QObject* context, Done done, DavReply reply)
{
    // Answered from the event loop all the same, so that callers meet one order of events.
    QPointer<QObject> guard(context);
    QTimer::singleShot(0, this, [guard, context, reply = std::move(reply), done = std::move(done)] {
        if (context && !guard)
            return;
        done(reply);
    });
}

void DavClient::send(const DavRequest& request, QObject* context, Done done)
{
    start(request, MaxRedirects, context, std::move(done));
}

void DavClient::cancelAll()
{
    const auto replies = m_network.findChildren<QNetworkReply*>();
    for (QNetworkReply* reply : replies) {
        if (reply->isRunning())
            reply->abort();
    }
}

void DavClient::start(DavRequest request, int redirectsLeft, QObject* context, Done done)
{
    const QString refusal = ServerAddress::refusal(request.url);
    if (!refusal.isEmpty()) {
        DavReply reply;
        reply.url = request.url;
        reply.error = DavError(DavError::Kind::UnsafeAddress, refusal);
        answerLater(context, std::move(done), std::move(reply));
        return;
    }

    QNetworkRequest http(request.url);
    http.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    http.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (!request.body.isEmpty() || request.method == "PUT") {
        http.setHeader(QNetworkRequest::ContentTypeHeader, request.contentType.isEmpty()
                                                               ? QByteArray("application/xml; charset=utf-8")
                                                               : request.contentType);
    }
    // Uncompressed answers, so that one cut short is told by its length: Qt unpacks a compressed answer
    // cut short into a shorter text without a fault, and a sync would take a part for the whole.
    http.setRawHeader("Accept-Encoding", "identity");
    if (request.depth >= 0)
        http.setRawHeader("Depth", QByteArray::number(request.depth));
    for (const auto& [name, value] : request.headers)
        http.setRawHeader(name, value);
    if (!m_user.isEmpty()) {
        const QByteArray pair = (m_user + QLatin1Char(':') + m_password).toUtf8();
        http.setRawHeader("Authorization", "Basic " + pair.toBase64());
    }

    QNetworkReply* reply = m_network.sendCustomRequest(http, request.method, request.body);
    auto state = std::make_shared<ReplyState>();
    state->limit = request.maxAnswerBytes > 0 ? request.maxAnswerBytes : SmallAnswer;
    connect(reply, &QNetworkReply::readyRead, reply, [reply, state] {
        if (state->tooLarge)
            return;
        const qint64 room = state->limit - state->body.size();
        if (reply->bytesAvailable() > room) {
            state->tooLarge = true;
            state->body.clear();
            reply->abort();
            return;
        }
        state->body.append(reply->readAll());
    });

    // However steadily an answer comes, it ends: a server that sends a byte a second holds no sync for
    // ever.
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply, state] {
        state->pastDeadline = true;
        reply->abort();
    });
    deadline->start(this->deadline());

    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply, state] {
        state->timedOut = true;
        reply->abort();
    });
    timer->start(m_timeoutMs);
    // The timeout is the server's silence, not the whole answer's time: a large calendar over a slow line
    // may take minutes to arrive while every part of it comes in time.
    const auto heard = [timer, timeoutMs = m_timeoutMs](qint64 bytes, qint64) {
        if (bytes > 0)
            timer->start(timeoutMs);
    };
    connect(reply, &QNetworkReply::downloadProgress, timer, heard);
    connect(reply, &QNetworkReply::uploadProgress, timer, heard);

    connect(reply, &QNetworkReply::sslErrors, reply, [this, reply, state](const QList<QSslError>& errors) {
        const QSslCertificate certificate = reply->sslConfiguration().peerCertificate();
        const QString fingerprint = ServerAddress::fingerprint(certificate);
        if (!certificate.isNull() && ServerAddress::sameFingerprint(fingerprint, m_acceptedFingerprint)) {
            reply->ignoreSslErrors(errors);
            return;
        }
        QStringList reasons;
        for (const QSslError& error : errors)
            reasons << error.errorString();
        state->certificateFingerprint = fingerprint;
        state->certificateProblem =
            tr("The certificate of %1 does not verify (%2). Its SHA-256 fingerprint is %3; accept that "
               "fingerprint only if you know it is your server's.")
                .arg(reply->url().host(), reasons.join(QLatin1String("; ")), fingerprint);
    });

    QPointer<QObject> guard(context);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, state, request = std::move(request), redirectsLeft, guard, context,
             done = std::move(done)] {
                reply->deleteLater();
                if (context && !guard)
                    return;
                finish(*reply, *state, request, redirectsLeft, context, done);
            });
}

void DavClient::finish(QNetworkReply& reply, ReplyState& state, const DavRequest& request, int redirectsLeft,
                       QObject* context, const Done& done)
{
    DavReply answer;
    answer.url = request.url;
    answer.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();

    if (state.timedOut || state.pastDeadline || state.tooLarge || !state.certificateProblem.isEmpty() ||
        answer.status == 0 || isTransportError(reply.error())) {
        answer.error = networkError(reply, state, request, m_timeoutMs, deadline());
        done(answer);
        return;
    }

    if (isRedirect(answer.status)) {
        redirect(reply, std::move(answer), request, redirectsLeft, context, done);
        return;
    }

    if (reply.bytesAvailable() > state.limit - state.body.size()) {
        answer.error = DavError::tooLarge(state.limit, request.what);
        done(answer);
        return;
    }
    state.body.append(reply.readAll());
    answer.body = std::move(state.body);
    // An answer cut short may still arrive without a network fault (HTTP/1.0 servers end it by closing);
    // its promised length tells.
    bool sized = false;
    const qint64 promised = reply.rawHeader("Content-Length").toLongLong(&sized);
    if (sized && answer.body.size() < promised) {
        answer.error = DavError(DavError::Kind::Connection,
                                tr("The server %1 closed the connection before its answer was complete (%2).")
                                    .arg(request.url.host(), request.what));
        done(answer);
        return;
    }
    answer.etag = reply.rawHeader("ETag");
    answer.error = DavError::fromStatus(answer.status, request.what);
    done(answer);
}

void DavClient::redirect(QNetworkReply& reply, DavReply answer, const DavRequest& request, int redirectsLeft,
                         QObject* context, const Done& done)
{
    const QByteArray raw = reply.rawHeader("Location").trimmed();
    // Qt reads only an absolute Location; servers write relative ones too, which stand for the address
    // they are resolved against.
    const QUrl location = raw.size() <= MaxLocation ? QUrl::fromEncoded(raw, QUrl::StrictMode) : QUrl();
    if (raw.isEmpty() || !location.isValid() || redirectsLeft <= 0) {
        answer.error =
            DavError(DavError::Kind::BadResponse,
                     tr("The calendar server sent the request round in circles (%1).").arg(request.what),
                     answer.status);
        done(answer);
        return;
    }
    DavRequest next = request;
    next.url = request.url.resolved(location);
    next.url.setFragment(QString());
    if (request.url.scheme() == QLatin1String("https") && next.url.scheme() != QLatin1String("https") &&
        !ServerAddress::isLoopback(next.url)) {
        answer.error = DavError(DavError::Kind::UnsafeAddress,
                                tr("The calendar server sent the request on to plain HTTP (%1), which "
                                   "Zentravio does not follow.")
                                    .arg(next.url.toDisplayString(QUrl::RemoveUserInfo)));
        done(answer);
        return;
    }
    // The password is for the server the user named; another one never gets it, nor the calendar that
    // would be taken from it.
    if (!sameOrigin(request.url, next.url)) {
        answer.otherOrigin = next.url.adjusted(QUrl::RemoveUserInfo);
        answer.error = DavError(DavError::Kind::UnsafeAddress,
                                tr("The calendar server sent the request on to another server, %1, which "
                                   "Zentravio does not follow with your password (%2).")
                                    .arg(answer.otherOrigin.toDisplayString(), request.what));
        done(answer);
        return;
    }
    start(next, redirectsLeft - 1, context, done);
}

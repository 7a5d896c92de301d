#include "sync/DavError.h"

#include <QCoreApplication>

#include <utility>

DavError::DavError(Kind kind, QString message, int httpStatus)
    : m_kind(kind), m_message(std::move(message)), m_httpStatus(httpStatus)
{}

DavError DavError::unverifiedCertificate(QString message, QString fingerprint)
{
    DavError error(Kind::Certificate, std::move(message));
    error.m_certificateFingerprint = std::move(fingerprint);
    return error;
}

DavError DavError::tooLarge(qint64 limit, const QString& what)
{
    return {Kind::TooLarge, QCoreApplication::translate(
                                "DavError", "The calendar server's answer is larger than %1 MB, more than a "
                                            "calendar sends; it was not read (%2).")
                                .arg(limit >> 20)
                                .arg(what)};
}

DavError DavError::fromStatus(int httpStatus, const QString& what)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("DavError", text); };
    if (httpStatus < 400)
        return {};
    if (httpStatus == 401)
        // Said to the user when the password is asked for again: which request met the refusal is no
        // concern of theirs.
        return {Kind::Unauthorized, tr("The calendar server refused the user name or password."), httpStatus};
    if (httpStatus == 403)
        return {Kind::Forbidden, tr("The calendar server does not allow this (%1).").arg(what), httpStatus};
    if (httpStatus == 404 || httpStatus == 410)
        return {Kind::NotFound, tr("The calendar server has no such calendar or event (%1).").arg(what),
                httpStatus};
    if (httpStatus == 412)
        return {Kind::Conflict, tr("The event was changed on the calendar server meanwhile (%1).").arg(what),
                httpStatus};
    if (httpStatus >= 500)
        return {Kind::ServerError,
                tr("The calendar server had an internal fault (HTTP %1, %2).").arg(httpStatus).arg(what),
                httpStatus};
    return {Kind::ServerError,
            tr("The calendar server turned the request down (HTTP %1, %2).").arg(httpStatus).arg(what),
            httpStatus};
}

bool DavError::worthRetrying() const
{
    switch (m_kind) {
    case Kind::ServerError:
        // A server's own fault may pass; an answer of the 4xx kind will be the same the next time.
        return m_httpStatus == 0 || m_httpStatus >= 500 || m_httpStatus == 408 || m_httpStatus == 429;
    case Kind::Timeout:
    case Kind::Connection:
    case Kind::BadResponse:
        return true;
    default:
        return false;
    }
}

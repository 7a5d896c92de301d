#pragma once

#include <QString>

// What became of a request to the calendar server, said in the program's own words. Every fault of the
// network, the server or its answer ends up as one of these kinds, so that the status line and the
// command line can tell the user what happened, and the retry schedule can tell a passing fault from
// one that waiting will not mend.
class DavError
{
public:
    enum class Kind
    {
        None,
        UnsafeAddress, // plain HTTP to another machine, or an address that is no web address
        Certificate,   // the server's certificate does not verify and was not accepted
        Unauthorized,  // 401: the password (or user name) was refused
        Forbidden,     // 403
        NotFound,      // 404 or 410
        Conflict,      // 412: the event changed on the server since it was last seen
        TokenExpired,  // the server no longer knows the sync token: list the calendar again
        ServerError,   // 5xx and other answers that are not success
        Timeout,
        Connection,  // refused, closed early, no route, name not found
        BadResponse, // an answer that is not what the protocol promises
        TooLarge,    // an answer longer than the program reads of one
        Cancelled
    };

    DavError() = default;
    DavError(Kind kind, QString message, int httpStatus = 0);

    // An answer cut off at `limit` bytes.
    static DavError tooLarge(qint64 limit, const QString& what);
    // The kind an HTTP status means; success and redirects give None.
    static DavError fromStatus(int httpStatus, const QString& what);
    // A certificate that does not verify, named by its SHA-256 fingerprint, which the user may accept.
    static DavError unverifiedCertificate(QString message, QString fingerprint);

    Kind kind() const { return m_kind; }
    bool isError() const { return m_kind != Kind::None; }
    const QString& message() const { return m_message; }
    int httpStatus() const { return m_httpStatus; }
    // The fingerprint of the certificate that did not verify; empty for every other fault.
    const QString& certificateFingerprint() const { return m_certificateFingerprint; }

    // Faults that may pass by themselves: the server down, slow or briefly failing. A refused password,
    // a certificate, a conflict or a missing calendar stay as they are until someone acts.
    bool worthRetrying() const;

private:
    Kind m_kind = Kind::None;
    QString m_message;
    int m_httpStatus = 0;
    QString m_certificateFingerprint;
};

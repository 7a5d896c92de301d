#pragma once

#include <QString>
#include <QUrl>

class QSslCertificate;

// Which server addresses the program may talk to, and how a certificate is named to the user. Calendar
// data and the password travel over HTTPS only; plain HTTP is allowed to this machine alone, where a
// test server or a local bridge runs and nothing passes over a network.
class ServerAddress
{
public:
    // The address as the user typed it, with https:// added when no scheme was given.
    static QUrl fromUserText(const QString& text);
    // Empty when the address may be used, otherwise why not, in the program's own words.
    static QString refusal(const QUrl& url);
    static bool isLoopback(const QUrl& url);

    // The address's path without its closing slashes, by which a collection is known again in the
    // server's answers whichever way they write it.
    static QString pathKey(const QUrl& url);

    // The certificate's SHA-256 fingerprint as people compare it: "AB:CD:...".
    static QString fingerprint(const QSslCertificate& certificate);
    // Whether two fingerprints name the same certificate, whatever their separators or letter case.
    static bool sameFingerprint(const QString& a, const QString& b);
};

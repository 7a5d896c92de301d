#include "sync/ServerAddress.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHostAddress>
#include <QSslCertificate>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ServerAddress", text);
}

QByteArray fingerprintBytes(const QString& text)
{
    QByteArray hex;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            hex.append(c.toUpper().toLatin1());
    }
    return hex;
}

} // namespace

QUrl ServerAddress::fromUserText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (!trimmed.contains(QLatin1String("://")))
        return QUrl(QStringLiteral("https://") + trimmed, QUrl::StrictMode);
    return QUrl(trimmed, QUrl::StrictMode);
}

bool ServerAddress::isLoopback(const QUrl& url)
{
    const QString host = url.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString ServerAddress::refusal(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return tr("\"%1\" is no server address.").arg(url.toDisplayString(QUrl::RemoveUserInfo));
    if (!url.userInfo().isEmpty())
        return tr("Give the user name and password in their own fields, not in the server address.");
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return {};
    if (scheme == QLatin1String("http")) {
        if (isLoopback(url))
            return {};
        return tr("Zentravio talks to %1 over HTTPS only: over plain HTTP the password and the calendar "
                  "would cross the network readable by anyone.")
            .arg(url.host());
    }
    return tr("\"%1\" is no web address (https://...).").arg(url.toDisplayString(QUrl::RemoveUserInfo));
}

QString ServerAddress::pathKey(const QUrl& url)
{
    QString path = url.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString ServerAddress::fingerprint(const QSslCertificate& certificate)
{
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256).toHex().toUpper();
    QString text;
    for (qsizetype i = 0; i < digest.size(); i += 2) {
        if (i > 0)
            text += QLatin1Char(':');
        text += QString::fromLatin1(digest.mid(i, 2));
    }
    return text;
}

bool ServerAddress::sameFingerprint(const QString& a, const QString& b)
{
    const QByteArray left = fingerprintBytes(a);
    return !left.isEmpty() && left == fingerprintBytes(b);
}

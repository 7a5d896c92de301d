#include "app/SessionPlatform.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace SessionPlatform {

Session Session::current()
{
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("XDG_SESSION_TYPE")};
}

QString chosenPlatform(const Session& session)
{
    if (!session.qpaPlatform.isEmpty())
        return {};
    const bool wayland = !session.waylandDisplay.isEmpty() || session.sessionType == "wayland";
    if (wayland && !session.x11Display.isEmpty())
        return QStringLiteral("xcb");
    return {};
}

void setIdentity(const QString& version)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Zentravio"));
    QCoreApplication::setApplicationName(QStringLiteral("Zentravio"));
    QCoreApplication::setApplicationVersion(version);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
}

} // namespace SessionPlatform

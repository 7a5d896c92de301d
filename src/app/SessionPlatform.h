#pragma once

#include <QByteArray>
#include <QString>

// The window system the program runs on and the name it gives itself there. Its windows place
// themselves (the countdown list docked beside the calendar, windows on top, the alarm window at the
// screen's origin), which a native Wayland session forbids; so where the session also offers XWayland
// and the user has not chosen a platform, the program runs through XWayland.
namespace SessionPlatform {

// The desktop file the program is installed with, without ".desktop": shells match the program's
// windows to its menu entry and icon by this name.
inline constexpr const char* DesktopFileName = "org.zentravio.Zentravio";

// What the session offers and what the user asked for.
struct Session
{
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray x11Display;     // DISPLAY
    QByteArray sessionType;    // XDG_SESSION_TYPE

    static Session current();
};

// The platform to ask Qt for: "xcb" on a Wayland session that offers XWayland when the user chose none
// (QT_QPA_PLATFORM unset); empty to leave Qt's own choice.
QString chosenPlatform(const Session& session);

// The program's names: organisation, application, version and desktop file name. Set before the
// application object is made.
void setIdentity(const QString& version);

} // namespace SessionPlatform

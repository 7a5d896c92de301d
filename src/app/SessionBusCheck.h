#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// Whether the session bus answers at all, asked before the first window exists. A bus that accepts the
// connection and then never answers (a stopped daemon, a socket left behind by a frozen one) would hold
// the window's thread for good the first time anything in the program or in Qt waits on it, so such a
// bus is treated as no bus for the whole run. The question is put on a plain socket of its own, with a
// time-out, so that nothing is left waiting inside the bus library when the bus stays silent.
class SessionBusCheck
{
public:
    enum class Outcome
    {
        Answered, // the bus greeted the program
        NoBus,    // no address, or nothing listens there: every connection fails at once by itself
        Silent,   // something listens but does not answer within the time given
        Unchecked // a kind of address this check does not open (left to the bus library)
    };

    // How long the bus is given to answer.
    static constexpr std::chrono::milliseconds Patience{1500};

    static Outcome check(const QString& address, std::chrono::milliseconds patience = Patience);

    // What DBUS_SESSION_BUS_ADDRESS is set to for a run without a bus: an address of no known kind, which
    // every later connection (Qt's accessibility bridge, its tray and theme, the desktop notifier) refuses
    // at once instead of waiting, and which keeps the bus library from looking for or starting another bus.
    static QByteArray refusedAddress();

    // The one line the program writes to standard error when it runs without a silent bus.
    static QString silentBusLine(const QString& address, std::chrono::milliseconds patience = Patience);
};

#pragma once

#include "sync/DavError.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class DavClient;
struct DavMultistatus;
struct DavReply;
struct DavRequest;

// A calendar collection on the server, as the account window and the command line list it.
struct CalendarInfo
{
    QUrl url;
    QString displayName; // the server's name for it, or the last part of its address
};

struct DiscoveryResult
{
    QList<CalendarInfo> calendars; // the user's calendars that hold events, ordered by name
    QUrl principal;
    // Where the server sent the search on to when that is another server: the search stops there, so
    // that the password never goes to it, and the user is shown the address to set the account up with
    // if it is theirs.
    QUrl otherServer;
    DavError error;
};

// Finds the user's event calendars from the address the user knows, which may be the server's root, its
// /.well-known/caldav, the user's principal, the calendar home or one calendar itself: it asks each in
// turn for the current user's principal, then the principal for its calendar home, then the home for
// its calendars, and keeps those that may hold events. Nothing waits: the result comes through the
// callback.
class CalendarDiscovery : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const DiscoveryResult&)>;

    explicit CalendarDiscovery(DavClient& client, QObject* parent = nullptr);

    void discover(const QUrl& start, Done done);

    // The calendar whose name is `name` (letter case aside), or the first one when `name` is empty;
    // nullptr when there is none.
    static const CalendarInfo* pick(const QList<CalendarInfo>& calendars, const QString& name);

private:
    void probe(qsizetype index);
    void askPrincipal(const QUrl& principal);
    void listHome(const QUrl& home);
    // Sends a request past the first answer: any fault ends the search, an answer goes on to `then`.
    void askFurther(const DavRequest& request,
                    std::function<void(const DavReply&, const DavMultistatus*)> then);
    void finishWith(DiscoveryResult result);
    // Whether `next` is on the server the search began at; otherwise the search ends, naming it.
    bool staysOnServer(const QUrl& next);

    DavClient& m_client;
    QList<QUrl> m_candidates;
    QUrl m_start;
    QUrl m_principal;
    DavError m_lastProbeError;
    Done m_done;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DavError;
struct DavReply;

// One resource of a WebDAV multi-status answer, with the properties the calendar client asks for. Only
// properties the server reported with a success status are filled; a property it did not find stays
// empty.
struct DavResource
{
    QString href; // empty when it was longer than MaxHref
    bool hrefTooLong = false;
    int status = 0; // the response's own status (a sync report's 404 for a deleted event); 0 when none
    QString etag;
    QString displayName;
    bool isCollection = false;
    bool isCalendar = false;
    bool hasComponentSet = false; // when false the calendar may hold every kind of component
    QStringList components;       // "VEVENT", "VTODO", ...
    QString currentUserPrincipal;
    QStringList calendarHomeSet;
    QString syncToken;
    QString ctag;
    QStringList supportedReports; // local names: "sync-collection", "calendar-multiget", ...
    QByteArray calendarData;
    bool hasCalendarData = false;
    bool calendarDataTooLarge = false; // longer than MaxCalendarData: passed over, left empty
};

struct DavMultistatus
{
    QList<DavResource> responses;
    QString syncToken; // a sync report's new token
};

// The XML the calendar client sends and reads: the request bodies of discovery, listing, fetching and
// sync reports, and the reading of a multi-status answer. The reader is strict about the shape it
// trusts (a multistatus root in the DAV: namespace) and tolerant of what servers vary in (prefixes,
// the order of status and properties, unknown properties).
class DavXml
{
public:
    // The longest href and one event's calendar data read; what is longer is passed over unread, so that
    // a hostile answer costs no more memory than its size.
    static constexpr qsizetype MaxHref = 4096;
    static constexpr qsizetype MaxCalendarData = 4 << 20;

    static QByteArray propfindPrincipal();   // current-user-principal, calendar-home-set, resourcetype
    static QByteArray propfindCalendars();   // what a calendar list shows and a sync needs
    static QByteArray propfindEtags();       // resourcetype and getetag of every member
    static QByteArray calendarQueryEvents(); // every event with its data
    static QByteArray calendarMultiget(const QStringList& hrefs);
    static QByteArray syncCollection(const QString& token);

    // The answer read, or nothing with the reason in `error`.
    static std::optional<DavMultistatus> readMultistatus(const QByteArray& body, QString* error);
    // A reply's multi-status, or nothing with the fault in `error`: the reply's own, or a body that is none.
    static std::optional<DavMultistatus> readReply(const DavReply& reply, DavError& error);
};

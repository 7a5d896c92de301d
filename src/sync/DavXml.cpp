#include "sync/DavXml.h"

#include "sync/DavClient.h"

#include <QCoreApplication>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

namespace {

const QString Dav = QStringLiteral("DAV:");
const QString CalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
const QString CalendarServer = QStringLiteral("http://calendarserver.org/ns/");

QByteArray document(const QString& rootNamespace, const QString& root,
                    const std::function<void(QXmlStreamWriter&)>& body)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(Dav, QStringLiteral("d"));
    xml.writeNamespace(CalDav, QStringLiteral("c"));
    xml.writeNamespace(CalendarServer, QStringLiteral("cs"));
    xml.writeStartElement(rootNamespace, root);
    body(xml);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

void writeProps(QXmlStreamWriter& xml, const QList<QPair<QString, QString>>& props)
{
    xml.writeStartElement(Dav, QStringLiteral("prop"));
    for (const auto& [ns, name] : props)
        xml.writeEmptyElement(ns, name);
    xml.writeEndElement();
}

QByteArray propfind(const QList<QPair<QString, QString>>& props)
{
    return document(Dav, QStringLiteral("propfind"), [&](QXmlStreamWriter& xml) { writeProps(xml, props); });
}

// The current element's text as UTF-8, up to `cap` bytes; longer text is passed over and `over` set.
QByteArray readCapped(QXmlStreamReader& xml, qsizetype cap, bool& over)
{
    QByteArray text;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            if (!over) {
                const QByteArray part = xml.text().toUtf8();
                if (text.size() + part.size() > cap) {
                    over = true;
                    text = QByteArray();
                } else {
                    text += part;
                }
            }
            break;
        case QXmlStreamReader::StartElement:
            xml.skipCurrentElement();
            break;
        case QXmlStreamReader::EndElement:
            return text;
        default:
            break;
        }
    }
    return text;
}

QString readHref(QXmlStreamReader& xml, bool* tooLong = nullptr)
{
    bool over = false;
    const QString href = QString::fromUtf8(readCapped(xml, DavXml::MaxHref, over)).trimmed();
    if (tooLong)
        *tooLong = over;
    return over ? QString() : href;
}

// The hrefs inside the current element (current-user-principal, calendar-home-set).
QStringList readHrefs(QXmlStreamReader& xml)
{
    QStringList hrefs;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == Dav && xml.name() == QLatin1String("href")) {
            const QString href = readHref(xml);
            if (!href.isEmpty())
                hrefs << href;
        } else {
            xml.skipCurrentElement();
        }
    }
    return hrefs;
}

void readResourceType(QXmlStreamReader& xml, DavResource& into)
{
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == Dav && xml.name() == QLatin1String("collection"))
            into.isCollection = true;
        else if (xml.namespaceUri() == CalDav && xml.name() == QLatin1String("calendar"))
            into.isCalendar = true;
        xml.skipCurrentElement();
    }
}

void readComponentSet(QXmlStreamReader& xml, DavResource& into)
{
    into.hasComponentSet = true;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == CalDav && xml.name() == QLatin1String("comp"))
            into.components << xml.attributes().value(QLatin1String("name")).toString().toUpper();
        xml.skipCurrentElement();
    }
}

void readReportSet(QXmlStreamReader& xml, DavResource& into)
{
    // supported-report / report / <the report's own element>
    while (xml.readNextStartElement()) {
        while (xml.readNextStartElement()) {
            while (xml.readNextStartElement()) {
                into.supportedReports << xml.name().toString();
                xml.skipCurrentElement();
            }
        }
    }
}

void readProp(QXmlStreamReader& xml, DavResource& into)
{
    while (xml.readNextStartElement()) {
        const auto ns = xml.namespaceUri();
        const auto name = xml.name();
        if (ns == Dav && name == QLatin1String("getetag")) {
            into.etag = xml.readElementText().trimmed();
        } else if (ns == Dav && name == QLatin1String("displayname")) {
            into.displayName = xml.readElementText().trimmed();
        } else if (ns == Dav && name == QLatin1String("resourcetype")) {
            readResourceType(xml, into);
        } else if (ns == Dav && name == QLatin1String("current-user-principal")) {
            into.currentUserPrincipal = readHrefs(xml).value(0);
        } else if (ns == CalDav && name == QLatin1String("calendar-home-set")) {
            into.calendarHomeSet = readHrefs(xml);
        } else if (ns == CalDav && name == QLatin1String("supported-calendar-component-set")) {
            readComponentSet(xml, into);
        } else if (ns == Dav && name == QLatin1String("sync-token")) {
            into.syncToken = xml.readElementText().trimmed();
        } else if (ns == CalendarServer && name == QLatin1String("getctag")) {
            into.ctag = xml.readElementText().trimmed();
        } else if (ns == Dav && name == QLatin1String("supported-report-set")) {
            readReportSet(xml, into);
        } else if (ns == CalDav && name == QLatin1String("calendar-data")) {
            into.calendarData = readCapped(xml, DavXml::MaxCalendarData, into.calendarDataTooLarge);
            into.hasCalendarData = true;
        } else {
            xml.skipCurrentElement();
        }
    }
}

// "HTTP/1.1 404 Not Found" -> 404; 0 when unreadable.
int statusCode(const QString& line)
{
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    return parts.size() >= 2 ? parts.at(1).toInt() : 0;
}

// Takes what a successful propstat reported; properties a server could not find carry an error status
// and would otherwise read as empty values.
void takeFound(const DavResource& found, DavResource& into)
{
    if (!found.etag.isEmpty())
        into.etag = found.etag;
    if (!found.displayName.isEmpty())
        into.displayName = found.displayName;
    into.isCollection = into.isCollection || found.isCollection;
    into.isCalendar = into.isCalendar || found.isCalendar;
    if (found.hasComponentSet) {
        into.hasComponentSet = true;
        into.components = found.components;
    }
    if (!found.currentUserPrincipal.isEmpty())
        into.currentUserPrincipal = found.currentUserPrincipal;
    if (!found.calendarHomeSet.isEmpty())
        into.calendarHomeSet = found.calendarHomeSet;
    if (!found.syncToken.isEmpty())
        into.syncToken = found.syncToken;
    if (!found.ctag.isEmpty())
        into.ctag = found.ctag;
    into.supportedReports += found.supportedReports;
    if (found.hasCalendarData) {
        into.calendarData = found.calendarData;
        into.hasCalendarData = true;
        into.calendarDataTooLarge = found.calendarDataTooLarge;
    }
}

void readPropstat(QXmlStreamReader& xml, DavResource& into)
{
    DavResource found;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == Dav && xml.name() == QLatin1String("prop"))
            readProp(xml, found);
        else if (xml.namespaceUri() == Dav && xml.name() == QLatin1String("status"))
            status = statusCode(xml.readElementText());
        else
            xml.skipCurrentElement();
    }
    if (status >= 200 && status < 300)
        takeFound(found, into);
}

DavResource readResponse(QXmlStreamReader& xml)
{
    DavResource resource;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() != Dav)
            xml.skipCurrentElement();
        else if (xml.name() == QLatin1String("href"))
            resource.href = readHref(xml, &resource.hrefTooLong);
        else if (xml.name() == QLatin1String("status"))
            resource.status = statusCode(xml.readElementText());
        else if (xml.name() == QLatin1String("propstat"))
            readPropstat(xml, resource);
        else
            xml.skipCurrentElement();
    }
    return resource;
}

} // namespace

QByteArray DavXml::propfindPrincipal()
{
    return propfind({{Dav, QStringLiteral("current-user-principal")},
                     {CalDav, QStringLiteral("calendar-home-set")},
                     {Dav, QStringLiteral("resourcetype")},
                     {Dav, QStringLiteral("displayname")},
                     {CalDav, QStringLiteral("supported-calendar-component-set")}});
}

QByteArray DavXml::propfindCalendars()
{
    return propfind({{Dav, QStringLiteral("resourcetype")},
                     {Dav, QStringLiteral("displayname")},
                     {CalDav, QStringLiteral("supported-calendar-component-set")},
                     {Dav, QStringLiteral("sync-token")},
                     {CalendarServer, QStringLiteral("getctag")},
                     {Dav, QStringLiteral("supported-report-set")}});
}

QByteArray DavXml::propfindEtags()
{
    return propfind({{Dav, QStringLiteral("resourcetype")}, {Dav, QStringLiteral("getetag")}});
}

QByteArray DavXml::calendarQueryEvents()
{
    return document(CalDav, QStringLiteral("calendar-query"), [](QXmlStreamWriter& xml) {
        writeProps(xml, {{Dav, QStringLiteral("getetag")}, {CalDav, QStringLiteral("calendar-data")}});
        xml.writeStartElement(CalDav, QStringLiteral("filter"));
        xml.writeStartElement(CalDav, QStringLiteral("comp-filter"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("VCALENDAR"));
        xml.writeStartElement(CalDav, QStringLiteral("comp-filter"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("VEVENT"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

QByteArray DavXml::calendarMultiget(const QStringList& hrefs)
{
    return document(CalDav, QStringLiteral("calendar-multiget"), [&](QXmlStreamWriter& xml) {
        writeProps(xml, {{Dav, QStringLiteral("getetag")}, {CalDav, QStringLiteral("calendar-data")}});
        for (const QString& href : hrefs)
            xml.writeTextElement(Dav, QStringLiteral("href"), href);
    });
}

QByteArray DavXml::syncCollection(const QString& token)
{
    return document(Dav, QStringLiteral("sync-collection"), [&](QXmlStreamWriter& xml) {
        xml.writeTextElement(Dav, QStringLiteral("sync-token"), token);
        xml.writeTextElement(Dav, QStringLiteral("sync-level"), QStringLiteral("1"));
        writeProps(xml, {{Dav, QStringLiteral("getetag")}});
    });
}

std::optional<DavMultistatus> DavXml::readReply(const DavReply& reply, DavError& error)
{
    if (reply.error.isError()) {
        error = reply.error;
        return std::nullopt;
    }
    QString why;
    auto status = readMultistatus(reply.body, &why);
    if (!status)
        error = DavError(DavError::Kind::BadResponse, why, reply.status);
    return status;
}

std::optional<DavMultistatus> DavXml::readMultistatus(const QByteArray& body, QString* error)
{
    const auto fail = [error](const QString& why) -> std::optional<DavMultistatus> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || xml.namespaceUri() != Dav ||
        xml.name() != QLatin1String("multistatus"))
        return fail(
            QCoreApplication::translate("DavXml", "The calendar server's answer is no WebDAV status list."));
    DavMultistatus status;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == Dav && xml.name() == QLatin1String("response"))
            status.responses << readResponse(xml);
        else if (xml.namespaceUri() == Dav && xml.name() == QLatin1String("sync-token"))
            status.syncToken = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError()) {
        return fail(QCoreApplication::translate("DavXml",
                                                "The calendar server's answer breaks off or is garbled "
                                                "(line %1: %2).")
                        .arg(xml.lineNumber())
                        .arg(xml.errorString()));
    }
    return status;
}

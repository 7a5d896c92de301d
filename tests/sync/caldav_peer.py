#!/usr/bin/python3
"""An independent CalDAV client (python3-caldav) that the sync tests use to write and read events.

peer.py URL USER PASSWORD mkcal NAME            creates a calendar, prints its URL
peer.py URL USER PASSWORD put CALURL FILE       writes the iCalendar object in FILE, prints its URL
peer.py URL USER PASSWORD get CALURL UID        prints the event's iCalendar data
peer.py URL USER PASSWORD uids CALURL           prints the UIDs of every event, one a line
peer.py URL USER PASSWORD when CALURL UID       prints the event's zone, and its start and end in UTC
peer.py URL USER PASSWORD fill CALURL COUNT     writes COUNT small events
peer.py URL USER PASSWORD fetchall CALURL       fetches every event, prints how many and the seconds taken
"""
import datetime
import sys
import time

import caldav


def main():
    url, user, password, command = sys.argv[1:5]
    rest = sys.argv[5:]
    # The test servers on loopback serve HTTPS with certificates of their own making.
    client = caldav.DAVClient(url=url, username=user or None, password=password or None, ssl_verify_cert=False)
    if command == "mkcal":
        calendar = client.principal().make_calendar(name=rest[0], supported_calendar_component_set=["VEVENT"])
        print(calendar.url)
        return 0
    calendar = caldav.Calendar(client=client, url=rest[0])
    if command == "put":
        with open(rest[1], encoding="utf-8") as f:
            event = calendar.save_event(f.read())
        print(event.url)
    elif command == "get":
        event = calendar.event_by_uid(rest[1])
        sys.stdout.write(event.data)
    elif command == "when":
        event = calendar.event_by_uid(rest[1]).icalendar_component
        start, end = event["DTSTART"].dt, event["DTEND"].dt
        zone = getattr(start.tzinfo, "zone", None) or str(start.tzinfo)
        utc = datetime.timezone.utc
        print(zone, start.astimezone(utc).strftime("%Y%m%dT%H%M%SZ"), end.astimezone(utc).strftime("%Y%m%dT%H%M%SZ"))
    elif command == "uids":
        for event in calendar.events():
            print(event.icalendar_component["UID"])
    elif command == "fill":
        for i in range(int(rest[1])):
            calendar.save_event(
                "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//EN\r\nBEGIN:VEVENT\r\n"
                f"UID:fill-{i}\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260301T{(i % 24):02d}0000\r\n"
                f"SUMMARY:Filled event {i}\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
    elif command == "fetchall":
        started = time.perf_counter()
        count = len([event for event in calendar.events() if event.data])
        print(count, time.perf_counter() - started)
    else:
        print("unknown command " + command, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""The occurrences of calendar files as python3-recurring-ical-events reads them, an independent reader
the program's own occurrences are compared with. Usage: occurrences.py FIRST_DAY LAST_DAY FILE...
(days as YYYY-MM-DD, both included). Prints a JSON object: for each file, its occurrences that start
on those days of the local clock (the TZ of the environment), as "start|end|subject" with local times."""
import datetime
import json
import sys

import icalendar
import recurring_ical_events


def local(value):
    if isinstance(value, datetime.datetime):
        # A floating time is the local wall clock's; one that the clock skips moves on by the gap.
        return value.astimezone().replace(tzinfo=None)
    return value  # a whole day


def text(value):
    if isinstance(value, datetime.datetime):
        return value.strftime("%Y-%m-%dT%H:%M:%S")
    return value.strftime("%Y-%m-%d")


def main():
    first = datetime.date.fromisoformat(sys.argv[1])
    last = datetime.date.fromisoformat(sys.argv[2])
    result = {}
    for path in sys.argv[3:]:
        with open(path, "rb") as f:
            calendar = icalendar.Calendar.from_ical(f.read())
        found = []
        margin = datetime.timedelta(days=3)
        try:
            events = recurring_ical_events.of(calendar).between(first - margin, last + margin)
        except Exception as e:  # said in the comparison, for the one file
            result[path] = ["the reader failed: %r" % e]
            continue
        for event in events:
            if str(event.get("STATUS", "")).upper() == "CANCELLED":
                continue
            start = local(event["DTSTART"].dt)
            end = local(event["DTEND"].dt) if "DTEND" in event else start
            day = start.date() if isinstance(start, datetime.datetime) else start
            if first <= day <= last:
                found.append("%s|%s|%s" % (text(start), text(end), str(event.get("SUMMARY", ""))))
        result[path] = sorted(found)
    json.dump(result, sys.stdout)


main()

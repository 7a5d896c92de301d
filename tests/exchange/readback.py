#!/usr/bin/env python3
# Reads an exported calendar with two independent readers (python3-icalendar with dateutil's rules, and
# python3-vobject) and prints, for each event by subject, every occurrence in the 400 days from its
# own start as a wall-clock time of the event's zone, and the moment its first occurrence starts in UTC,
# as JSON: {"icalendar": {subject: [iso, ...]}, "vobject": {...}, "utc": {"icalendar": {subject: iso}, ...}}.
import datetime
import json
import sys

import icalendar
import vobject
from dateutil import rrule

DAYS = 400


def window(start):
    return start, start + datetime.timedelta(days=DAYS) - datetime.timedelta(seconds=1)


def wall(t):
    return t.replace(tzinfo=None).isoformat()


def utc(t):
    return t.astimezone(datetime.timezone.utc).replace(tzinfo=None).isoformat() if t.tzinfo else None


def with_icalendar(text, starts):
    found = {}
    for event in icalendar.Calendar.from_ical(text).walk("VEVENT"):
        start = event.decoded("DTSTART")
        first, last = window(start)
        rules = rrule.rruleset()
        if event.get("RRULE") is not None:
            rules.rrule(rrule.rrulestr(event.get("RRULE").to_ical().decode(), dtstart=start))
        else:
            rules.rdate(start)
        found[str(event.get("SUMMARY"))] = [wall(t) for t in rules.between(first, last, inc=True)]
        starts[str(event.get("SUMMARY"))] = utc(start)
    return found


def with_vobject(text, starts):
    found = {}
    for event in vobject.readOne(text).vevent_list:
        start = event.dtstart.value
        first, last = window(start)
        rules = event.getrruleset(addRDate=True)
        times = rules.between(first, last, inc=True) if rules is not None else [start]
        found[event.summary.value] = [wall(t) for t in times]
        starts[event.summary.value] = utc(start)
    return found


def main():
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    starts = {"icalendar": {}, "vobject": {}}
    print(json.dumps({"icalendar": with_icalendar(data, starts["icalendar"]),
                      "vobject": with_vobject(data.decode("utf-8"), starts["vobject"]), "utc": starts}))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the seed schedule files of the schedule-file fuzz target into corpus/schedule-file/.

Small pages keep each seed to a few hundred bytes a page, so that the fuzzer's changes reach the
records instead of only the file's header.
"""
import os
import sqlite3
import sys

SCHEMA = '''CREATE TABLE Schedule (
    "Date" TEXT(50) CHECK ("Date" IS NULL OR length("Date") BETWEEN 1 AND 50),
    "Day" TEXT(50) CHECK ("Day" IS NULL OR length("Day") BETWEEN 1 AND 50),
    "Type" TEXT(50) CHECK ("Type" IS NULL OR length("Type") BETWEEN 1 AND 50),
    "Note" TEXT(250) CHECK ("Note" IS NULL OR length("Note") BETWEEN 1 AND 250),
    "AlarmTime" TEXT(50) CHECK ("AlarmTime" IS NULL OR length("AlarmTime") BETWEEN 1 AND 50),
    "AlarmOnOff" TEXT(50) CHECK ("AlarmOnOff" IS NULL OR length("AlarmOnOff") BETWEEN 1 AND 50),
    "SchedType" TEXT(50) CHECK ("SchedType" IS NULL OR length("SchedType") BETWEEN 1 AND 50)
)'''
INSERT = 'INSERT INTO Schedule VALUES (?, ?, ?, ?, ?, ?, ?)'
GOOD = [
    ('12/07/2026', 'Monday', 'Dentist', 'Bring the card', '10:00:00 AM', 'on', 'OneTime'),
    ('12/08/2026', 'Tuesday', 'Rent', 'note', '09:00:00 AM', 'off', 'Monthly'),
    ('01/04/2027', 'Monday', 'Birthday', 'note', '12:00:00 AM', 'on', 'Yearly'),
]
HOSTILE = [
    (None, None, None, None, None, None, None),
    ('', 'abc', '<b>x</b>', '%s%n', '25:61:00 PM', 'ON', 'weekly'),
    (' 12/07/2026 ', 'Monday', 'before\0after', 'line\nbreak', 'noon', 'on', 'EVERYDAY'),
    (b'\xff\xfe12/07/2026', 42, 3.5, b'\x00\x01<b>', '0:0', 'on', 'monday to friday'),
    ('02/30/2026', 'Monday', 'x' * 300, 'n' * 2000, '10:00', 'on', 'ONETIME'),
]


def make(name, statements, rows=(), page_size=512, journal=None, encoding=None):
    path = os.path.join(OUT, name)
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.execute(f'PRAGMA page_size = {page_size}')
    if encoding:
        db.execute(f"PRAGMA encoding = '{encoding}'")
    if journal:
        db.execute(f'PRAGMA journal_mode = {journal}')
    db.execute('PRAGMA ignore_check_constraints = ON')
    for statement in statements:
        db.execute(statement)
    for row in rows:
        db.execute(INSERT, row)
    db.commit()
    if journal == 'wal':
        db.execute('PRAGMA wal_checkpoint(TRUNCATE)')
    db.close()
    for suffix in ('-wal', '-shm', '-journal'):
        if os.path.exists(path + suffix):
            os.remove(path + suffix)
    return path


OUT = os.path.join(os.path.dirname(os.path.abspath(sys.argv[0])), 'corpus', 'schedule-file')
os.makedirs(OUT, exist_ok=True)
make('empty-schedule', [SCHEMA])
good = make('three-entries', [SCHEMA], GOOD)
make('hostile-rows', [SCHEMA], HOSTILE)
make('utf16-file', [SCHEMA], GOOD + HOSTILE[:2], encoding='UTF-16le')
make('wal-file', [SCHEMA], GOOD, journal='wal')
make('extra-and-reordered-fields', ['CREATE TABLE Schedule (Extra, SchedType, AlarmOnOff, AlarmTime, '
                                    'Note, Type, Day, Date)'],)
make('missing-field', ['CREATE TABLE Schedule (Date, Day, Type, Note, AlarmTime, AlarmOnOff)'])
make('no-schedule-table', ['CREATE TABLE Other (x)'])
make('schedule-view', ['CREATE TABLE T (a)', 'CREATE VIEW Schedule AS SELECT a AS Date, a AS Day, '
                       'a AS Type, a AS Note, a AS AlarmTime, a AS AlarmOnOff, a AS SchedType FROM T'])
make('without-rowid', ['CREATE TABLE Schedule (Date PRIMARY KEY, Day, Type, Note, AlarmTime, '
                       'AlarmOnOff, SchedType) WITHOUT ROWID'], [GOOD[0]])
make('negative-and-largest-rowid', [SCHEMA, "INSERT INTO Schedule (rowid, Date, Type) VALUES "
                                    "(-5, '12/10/2026', 'lowest'), (9223372036854775807, '12/10/2026', 'highest')"])
with open(good, 'rb') as f:
    whole = f.read()
with open(os.path.join(OUT, 'cut-short'), 'wb') as f:
    f.write(whole[:700])
with open(os.path.join(OUT, 'not-a-database'), 'wb') as f:
    f.write(b'Date,Day,Type\n12/07/2026,Monday,Dentist\n')
open(os.path.join(OUT, 'empty-file'), 'wb').close()

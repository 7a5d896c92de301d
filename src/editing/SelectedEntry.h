#pragma once

#include "store/EntryEdit.h"
#include "store/ScheduleEntry.h"
#include "store/ScheduleTable.h"

#include <QString>

// The entry the organizer's panel stands for: the selected row's entry, known by its row id, with its
// texts as they were stored when it was selected. Edit, Save, Delete and "Click here" act on exactly this
// entry, however many others look like it.
class SelectedEntry
{
public:
    // Takes the entry of the row id from the table; false (and nothing selected) when it has left it.
    bool select(const ScheduleTable& table, qint64 rowId);
    void clear();

    bool isSelected() const { return m_selected; }
    qint64 rowId() const { return m_rowId; }
    // The entry as stored when it was selected.
    const ScheduleEntry& stored() const { return m_stored; }
    bool alarmOn() const;
    // Whether the stored date or alarm time does not read as a day or a time of day.
    bool unreadable() const;

    // The note as the note box showed it, which may be the stored note cut to what the box holds.
    void setShownNote(const QString& note) { m_shownNote = note; }
    // Whether the note box could not show the whole stored note.
    bool noteWasCut() const { return m_shownNote != m_stored[ScheduleField::Note]; }
    // Whether the user changed the note the box showed.
    bool noteChanged(const QString& panelNote) const { return panelNote != m_shownNote; }

    // The entry's position in the table, or the table's size when it has left it.
    size_t positionIn(const ScheduleTable& table) const;
    // Whether the entry is still in the table with the texts it had when selected. Its alarm switch does
    // not count: the alarm check switches a one-time alarm off when it rings.
    bool unchangedIn(const ScheduleTable& table) const;

    // The entry as the panel would store it over `current`, the entry as stored now: the panel's texts
    // with the alarm switch as it is, and the whole stored note unless the user changed the note shown.
    ScheduleEntry savedFrom(const ScheduleEntry& current, const EntryTexts& panel) const;

private:
    bool m_selected = false;
    qint64 m_rowId = 0;
    ScheduleEntry m_stored;
    QString m_shownNote;
};

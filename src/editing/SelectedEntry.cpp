#include "editing/SelectedEntry.h"

#include "store/DateText.h"

bool SelectedEntry::select(const ScheduleTable& table, qint64 rowId)
{
    const size_t position = table.indexOf(rowId);
    if (position >= table.size()) {
        clear();
        return false;
    }
    m_selected = true;
    m_rowId = rowId;
    m_stored = table.entry(position);
    m_shownNote = m_stored[ScheduleField::Note];
    return true;
}

void SelectedEntry::clear()
{
    m_selected = false;
    m_rowId = 0;
    m_stored = ScheduleEntry{};
    m_shownNote.clear();
}

bool SelectedEntry::alarmOn() const
{
    return m_stored[ScheduleField::AlarmOnOff] == QLatin1String("on");
}

bool SelectedEntry::unreadable() const
{
    return !DateText::readDate(m_stored[ScheduleField::Date]) ||
           !DateText::readTime(m_stored[ScheduleField::AlarmTime]);
}

size_t SelectedEntry::positionIn(const ScheduleTable& table) const
{
    return m_selected ? table.indexOf(m_rowId) : table.size();
}

bool SelectedEntry::unchangedIn(const ScheduleTable& table) const
{
    const size_t position = positionIn(table);
    if (position >= table.size())
        return false;
    for (size_t f = 0; f < ScheduleFieldCount; ++f) {
        const auto field = ScheduleField(f);
        if (field != ScheduleField::AlarmOnOff && table.text(position, field) != m_stored[field])
            return false;
    }
    return true;
}

ScheduleEntry SelectedEntry::savedFrom(const ScheduleEntry& current, const EntryTexts& panel) const
{
    ScheduleEntry entry = EntryEdit::rewritten(current, panel);
    if (!noteChanged(panel.note))
        entry[ScheduleField::Note] = current[ScheduleField::Note];
    return entry;
}

#include "store/Recordset.h"

#include <QCoreApplication>

Recordset::Recordset(ScheduleDatabase& database) : m_database(database)
{
    moveFirst();
}

const ScheduleTable& Recordset::table() const
{
    return m_database.table();
}

size_t Recordset::recordCount() const
{
    return table().size();
}

std::optional<size_t> Recordset::currentIndex() const
{
    if (m_atEnd)
        return std::nullopt;
    const ScheduleTable& t = table();
    const size_t index = t.indexOf(m_rowId);
    if (index == t.size())
        return std::nullopt;
    return index;
}

void Recordset::moveFirst()
{
    const ScheduleTable& t = table();
    m_atEnd = t.empty();
    m_rowId = m_atEnd ? 0 : t.rowId(0);
}

void Recordset::moveNext()
{
    if (m_atEnd)
        return;
    const ScheduleTable& t = table();
    const size_t next = t.indexAfter(m_rowId);
    m_atEnd = next >= t.size();
    m_rowId = m_atEnd ? 0 : t.rowId(next);
}

void Recordset::moveLast()
{
    const ScheduleTable& t = table();
    m_atEnd = t.empty();
    m_rowId = m_atEnd ? 0 : t.rowId(t.size() - 1);
}

bool Recordset::atEnd() const
{
    return m_atEnd;
}

QString Recordset::field(ScheduleField f) const
{
    const std::optional<size_t> index = currentIndex();
    return index ? table().text(*index, f) : QString();
}

ScheduleEntry Recordset::current() const
{
    const std::optional<size_t> index = currentIndex();
    return index ? table().entry(*index) : ScheduleEntry{};
}

bool Recordset::locate(const QString& date, const QString& kind, const QString& subject, const QString& note,
                       const QString& alarmTime)
{
    const ScheduleTable& t = table();
    const QByteArray wantDate = date.toUtf8(), wantSubject = subject.toUtf8(), wantNote = note.toUtf8(),
                     wantTime = alarmTime.toUtf8();
    auto same = [&](size_t i, ScheduleField f, const QByteArray& want) {
        return t.utf8(i, f) == std::string_view(want.constData(), size_t(want.size()));
    };
    for (size_t i = 0; i < t.size(); ++i) {
        if (same(i, ScheduleField::Date, wantDate) && same(i, ScheduleField::Subject, wantSubject) &&
            same(i, ScheduleField::Note, wantNote) && same(i, ScheduleField::AlarmTime, wantTime) &&
            t.text(i, ScheduleField::Kind).compare(kind, Qt::CaseInsensitive) == 0) {
            m_atEnd = false;
            m_rowId = t.rowId(i);
            return true;
        }
    }
    m_atEnd = true;
    m_rowId = 0;
    return false;
}

void Recordset::addNew()
{
    m_mode = Mode::Adding;
    m_buffer = ScheduleEntry{};
}

bool Recordset::edit()
{
    const std::optional<size_t> index = currentIndex();
    if (!index)
        return false;
    m_mode = Mode::Editing;
    m_buffer = table().entry(*index);
    return true;
}

void Recordset::setField(ScheduleField f, const QString& text)
{
    m_buffer[f] = text;
}

StoreResult Recordset::update()
{
    StoreResult result;
    switch (m_mode) {
    case Mode::None:
        return StoreResult::failure(
            QCoreApplication::translate("Recordset", "There is no new or changed entry to save."));
    case Mode::Adding:
        result = m_database.append(m_buffer);
        break;
    case Mode::Editing:
        result = m_database.update(m_rowId, m_buffer);
        break;
    }
    // A refused record stays in the buffer, so that the window can let the user mend it.
    if (result)
        cancelUpdate();
    return result;
}

void Recordset::cancelUpdate()
{
    m_mode = Mode::None;
    m_buffer = ScheduleEntry{};
}

StoreResult Recordset::deleteCurrent()
{
    if (!currentIndex())
        return StoreResult::failure(QCoreApplication::translate("Recordset", "There is no entry to delete."));
    return m_database.remove(m_rowId);
}

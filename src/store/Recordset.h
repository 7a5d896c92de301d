#pragma once

#include "store/ScheduleDatabase.h"

#include <optional>

// A cursor over the whole schedule in walk order, with the moves and the edit buffer the windows use:
// move first / next / last, end-of-file, add-new / edit / update / delete on the current record, and
// locating a record by its contents. It follows the current record by its row id, so writes made
// elsewhere (another recordset, another process) never leave it on a wrong row.
class Recordset
{
public:
    explicit Recordset(ScheduleDatabase& database);

    size_t recordCount() const;
    void moveFirst();
    void moveNext();
    void moveLast();
    // True when the cursor is past the last record (or the table is empty).
    bool atEnd() const;

    // The current record's field; a null text when unset or when there is no current record.
    QString field(ScheduleField field) const;
    ScheduleEntry current() const;
    qint64 currentRowId() const { return m_rowId; }

    // Walks from the first record and stops at the first whose date, kind (without regard to case),
    // subject, note and alarm time equal the given texts. Returns false, at the end, when none does.
    bool locate(const QString& date, const QString& kind, const QString& subject, const QString& note,
                const QString& alarmTime);

    // Starts a new record with every field unset.
    void addNew();
    // Starts changing the current record; false when there is none.
    bool edit();
    void setField(ScheduleField field, const QString& text);
    // Writes the new or changed record; nothing is written when a text is refused.
    StoreResult update();
    void cancelUpdate();
    bool editing() const { return m_mode != Mode::None; }

    StoreResult deleteCurrent();

private:
    enum class Mode
    {
        None,
        Adding,
        Editing
    };
    const ScheduleTable& table() const;
    std::optional<size_t> currentIndex() const;

    ScheduleDatabase& m_database;
    qint64 m_rowId = 0; // 0: no current record (before the first or past the last)
    bool m_atEnd = true;
    Mode m_mode = Mode::None;
    ScheduleEntry m_buffer;
};

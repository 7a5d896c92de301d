#pragma once

#include "store/ScheduleEntry.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

// The identity (an iCalendar UID) of every entry of the schedule in memory, kept position by position
// beside the table. An identity the program made itself is a serial number, drawn once, and shown with
// the file's tag as "<tag>-<serial>@zentravio"; most serials are their entries' row ids. One given from
// outside (the event an entry was imported from) is kept as its own text, in UTF-8. Four bytes an entry,
// so that a million entries carry theirs in 4 MB; a UID is found again without looking at every entry.
class EntryIdentities
{
public:
    // Made-up serials start at 1; 0 marks an identity given from outside.
    static constexpr quint32 GivenUid = 0;

    // A short digest of an entry's fields, kept in the file beside its identity: one byte each for the
    // subject, the note and the date, and seven bits for the rest. An entry whose fields no longer give
    // the digest kept for it was changed by another program; a row whose subject, note and date changed
    // in two of the three at once is taken to hold another entry (its row id was given again).
    static quint32 fingerprint(const std::array<std::string_view, ScheduleFieldCount>& fields);
    static quint32 fingerprint(const ScheduleEntry& entry);
    // The digest of the same shape that files of the earlier identity layout keep: made a byte at a time,
    // so that reading it cost a large schedule's load a tenth of its time.
    static quint32 earlierFingerprint(const std::array<std::string_view, ScheduleFieldCount>& fields);
    static quint32 earlierFingerprint(const ScheduleEntry& entry);
    static bool sameEntry(quint32 kept, quint32 now);

    const QString& tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }
    // The UID text of a made-up serial in this file.
    QString uidOfSerial(quint32 serial) const;
    // The serial of a UID this file made up; nothing for another file's or one given from outside.
    std::optional<quint32> serialOfUid(QStringView uid) const;

    size_t size() const { return m_serials.size(); }
    quint32 serial(size_t i) const { return m_serials[i]; }
    // The UID of the entry at position i, whose row id is rowId.
    QString uid(size_t i, qint64 rowId) const;
    // The position of the entry with this made-up serial (by looking at every entry), and the row of a UID
    // given from outside.
    std::optional<size_t> positionOfSerial(quint32 serial) const;
    std::optional<qint64> rowOfGiven(const QString& uid) const;
    std::optional<qint64> rowOfGiven(const QByteArray& utf8) const;
    // The row that holds this made-up serial, if any entry does: the caller checks the serial at that row.
    qint64 rowOfSerial(quint32 serial) const;

    // An entry whose serial is its row id; one whose serial differs must be appended with its row id.
    void append(quint32 serial);
    void append(qint64 rowId, quint32 serial);
    void appendGiven(qint64 rowId, const QString& uid);
    void appendGiven(qint64 rowId, const QByteArray& utf8);
    void setSerial(size_t i, qint64 rowId, quint32 serial);
    void setGiven(size_t i, qint64 rowId, const QString& uid);
    void setGiven(size_t i, qint64 rowId, const QByteArray& utf8);
    void remove(size_t i, qint64 rowId);
    void clear();
    void reserve(size_t count) { m_serials.reserve(count); }
    void shrinkToFit() { m_serials.shrink_to_fit(); }
    size_t memoryBytes() const { return m_serials.capacity() * sizeof(quint32); }

private:
    QString m_tag;
    std::vector<quint32> m_serials;
    void forgetSerial(size_t i, qint64 rowId);

    // The UIDs given from outside, by row id, and the row of each: one copy of the bytes, shared.
    QHash<qint64, QByteArray> m_given;
    QHash<QByteArray, qint64> m_givenRows;
    // The rows of the made-up serials that are not their row ids: few, once the program draws them.
    QHash<quint32, qint64> m_movedSerials;
};

#include "store/EntryIdentities.h"

#include <algorithm>
#include <cstring>

namespace {

const QString UidDomain = QStringLiteral("@zentravio");

using Fields = std::array<std::string_view, ScheduleFieldCount>;

// FNV-1a over the field's bytes, folded to one byte.
quint8 earlierDigest(std::string_view text)
{
    quint32 hash = 2166136261u;
    for (const char c : text) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return quint8(hash ^ (hash >> 8) ^ (hash >> 16) ^ (hash >> 24));
}

// A field's bytes taken eight at a time, its length mixed in, so that a field's digest costs a few
// multiplications rather than one a byte.
quint64 fieldHash(std::string_view text, quint64 seed)
{
    constexpr quint64 Multiplier = 0x9E3779B97F4A7C15ull;
    quint64 hash = (seed ^ quint64(text.size())) * Multiplier;
    const char* at = text.data();
    size_t left = text.size();
    while (left >= 8) {
        quint64 word;
        std::memcpy(&word, at, 8);
        hash = (hash ^ word) * Multiplier;
        hash ^= hash >> 29;
        at += 8;
        left -= 8;
    }
    quint64 tail = 0;
    if (left > 0)
        std::memcpy(&tail, at, left);
    hash = (hash ^ tail) * Multiplier;
    return hash ^ (hash >> 32);
}

quint8 fold(quint64 hash)
{
    return quint8(hash ^ (hash >> 8) ^ (hash >> 16) ^ (hash >> 24));
}

Fields viewsOf(const ScheduleEntry& entry, std::array<QByteArray, ScheduleFieldCount>& utf8)
{
    Fields fields;
    for (size_t f = 0; f < fields.size(); ++f) {
        utf8[f] = entry.fields[f].toUtf8();
        fields[f] = std::string_view(utf8[f].constData(), size_t(utf8[f].size()));
    }
    return fields;
}

} // namespace

quint32 EntryIdentities::fingerprint(const std::array<std::string_view, ScheduleFieldCount>& fields)
{
    auto field = [&](ScheduleField f) { return fields[size_t(f)]; };
    // The other four fields each in a hash of its own place, so that moving text between them still counts.
    quint64 rest = 0;
    quint64 place = 1;
    for (ScheduleField f :
         {ScheduleField::Day, ScheduleField::AlarmTime, ScheduleField::AlarmOnOff, ScheduleField::Kind})
        rest ^= fieldHash(field(f), place++);
    const quint32 restBits = quint32(rest ^ (rest >> 7) ^ (rest >> 14) ^ (rest >> 21)) & 0x7F;
    // Below 2^31, so that the file keeps it in four bytes.
    return quint32(fold(fieldHash(field(ScheduleField::Subject), 11))) |
           quint32(fold(fieldHash(field(ScheduleField::Note), 12))) << 8 |
           quint32(fold(fieldHash(field(ScheduleField::Date), 13))) << 16 | restBits << 24;
}

quint32 EntryIdentities::fingerprint(const ScheduleEntry& entry)
{
    std::array<QByteArray, ScheduleFieldCount> utf8;
    return fingerprint(viewsOf(entry, utf8));
}

quint32 EntryIdentities::earlierFingerprint(const std::array<std::string_view, ScheduleFieldCount>& fields)
{
    auto field = [&](ScheduleField f) { return fields[size_t(f)]; };
    quint32 rest = 2166136261u;
    for (ScheduleField f :
         {ScheduleField::Day, ScheduleField::AlarmTime, ScheduleField::AlarmOnOff, ScheduleField::Kind}) {
        for (const char c : field(f)) {
            rest ^= quint8(c);
            rest *= 16777619u;
        }
        rest ^= 0x1F;
        rest *= 16777619u;
    }
    const quint32 restBits = (rest ^ (rest >> 7) ^ (rest >> 14) ^ (rest >> 21)) & 0x7F;
    return quint32(earlierDigest(field(ScheduleField::Subject))) |
           quint32(earlierDigest(field(ScheduleField::Note))) << 8 |
           quint32(earlierDigest(field(ScheduleField::Date))) << 16 | restBits << 24;
}

quint32 EntryIdentities::earlierFingerprint(const ScheduleEntry& entry)
{
    std::array<QByteArray, ScheduleFieldCount> utf8;
    return earlierFingerprint(viewsOf(entry, utf8));
}

bool EntryIdentities::sameEntry(quint32 kept, quint32 now)
{
    int alike = 0;
    for (int shift : {0, 8, 16})
        alike += ((kept >> shift) & 0xFF) == ((now >> shift) & 0xFF) ? 1 : 0;
    return alike >= 2;
}

QString EntryIdentities::uidOfSerial(quint32 serial) const
{
    return m_tag + QLatin1Char('-') + QString::number(serial) + UidDomain;
}

std::optional<quint32> EntryIdentities::serialOfUid(QStringView uid) const
{
    if (m_tag.isEmpty() || !uid.endsWith(UidDomain) || !uid.startsWith(m_tag) ||
        uid.size() <= m_tag.size() + 1 || uid.at(m_tag.size()) != QLatin1Char('-'))
        return std::nullopt;
    const QStringView number = uid.mid(m_tag.size() + 1, uid.size() - m_tag.size() - 1 - UidDomain.size());
    bool ok = false;
    const quint32 serial = number.toUInt(&ok);
    if (!ok || serial == GivenUid || QString::number(serial) != number)
        return std::nullopt;
    return serial;
}

QString EntryIdentities::uid(size_t i, qint64 rowId) const
{
    if (m_serials[i] != GivenUid)
        return uidOfSerial(m_serials[i]);
    return QString::fromUtf8(m_given.value(rowId));
}

std::optional<size_t> EntryIdentities::positionOfSerial(quint32 serial) const
{
    const auto at = std::find(m_serials.begin(), m_serials.end(), serial);
    if (serial == GivenUid || at == m_serials.end())
        return std::nullopt;
    return size_t(at - m_serials.begin());
}

std::optional<qint64> EntryIdentities::rowOfGiven(const QString& uid) const
{
    return rowOfGiven(uid.toUtf8());
}

std::optional<qint64> EntryIdentities::rowOfGiven(const QByteArray& utf8) const
{
    const auto row = m_givenRows.constFind(utf8);
    if (row == m_givenRows.constEnd())
        return std::nullopt;
    return *row;
}

qint64 EntryIdentities::rowOfSerial(quint32 serial) const
{
    return m_movedSerials.value(serial, qint64(serial));
}

void EntryIdentities::append(quint32 serial)
{
    m_serials.push_back(serial);
}

void EntryIdentities::append(qint64 rowId, quint32 serial)
{
    m_serials.push_back(serial);
    if (serial != GivenUid && qint64(serial) != rowId)
        m_movedSerials.insert(serial, rowId);
}

void EntryIdentities::appendGiven(qint64 rowId, const QString& uid)
{
    appendGiven(rowId, uid.toUtf8());
}

void EntryIdentities::appendGiven(qint64 rowId, const QByteArray& utf8)
{
    m_serials.push_back(GivenUid);
    m_given.insert(rowId, utf8);
    m_givenRows.insert(utf8, rowId);
}

void EntryIdentities::forgetSerial(size_t i, qint64 rowId)
{
    const quint32 serial = m_serials[i];
    if (serial == GivenUid) {
        const auto given = m_given.constFind(rowId);
        if (given != m_given.constEnd()) {
            m_givenRows.remove(*given);
            m_given.erase(given);
        }
    } else if (qint64(serial) != rowId) {
        m_movedSerials.remove(serial);
    }
}

void EntryIdentities::setSerial(size_t i, qint64 rowId, quint32 serial)
{
    forgetSerial(i, rowId);
    m_serials[i] = serial;
    if (serial != GivenUid && qint64(serial) != rowId)
        m_movedSerials.insert(serial, rowId);
}

void EntryIdentities::setGiven(size_t i, qint64 rowId, const QString& uid)
{
    setGiven(i, rowId, uid.toUtf8());
}

void EntryIdentities::setGiven(size_t i, qint64 rowId, const QByteArray& utf8)
{
    forgetSerial(i, rowId);
    m_serials[i] = GivenUid;
    m_given.insert(rowId, utf8);
    m_givenRows.insert(utf8, rowId);
}

void EntryIdentities::remove(size_t i, qint64 rowId)
{
    forgetSerial(i, rowId);
    m_serials.erase(m_serials.begin() + qsizetype(i));
}

void EntryIdentities::clear()
{
    m_serials.clear();
    m_given.clear();
    m_givenRows.clear();
    m_movedSerials.clear();
}

#include "store/ScheduleTable.h"

#include "store/DateText.h"

#include <algorithm>
#include <atomic>

PackedDate PackedDate::from(QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return {};
    return {qint16(date.year()), quint8(date.month()), quint8(date.day())};
}

bool ScheduleTable::isNull(size_t i, ScheduleField field) const
{
    return m_spans[i].lengths[size_t(field)] == NullLength;
}

std::string_view ScheduleTable::utf8(size_t i, ScheduleField field) const
{
    const TextSpan& span = m_spans[i];
    size_t offset = span.offset;
    for (size_t f = 0; f < size_t(field); ++f) {
        if (span.lengths[f] != NullLength)
            offset += span.lengths[f];
    }
    const quint16 length = span.lengths[size_t(field)];
    if (length == NullLength)
        return {};
    return std::string_view(m_texts.data() + offset, length);
}

QString ScheduleTable::text(size_t i, ScheduleField field) const
{
    if (isNull(i, field))
        return QString();
    const std::string_view bytes = utf8(i, field);
    // An empty but set text stays non-null, so that it is told apart from an unset field.
    if (bytes.empty())
        return QStringLiteral("");
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

ScheduleEntry ScheduleTable::entry(size_t i) const
{
    ScheduleEntry e;
    for (int f = 0; f < ScheduleFieldCount; ++f)
        e.fields[size_t(f)] = text(i, ScheduleField(f));
    return e;
}

size_t ScheduleTable::indexOf(qint64 rowId) const
{
    const auto it = std::lower_bound(m_rowIds.begin(), m_rowIds.end(), rowId);
    if (it == m_rowIds.end() || *it != rowId)
        return size();
    return size_t(it - m_rowIds.begin());
}

size_t ScheduleTable::indexAfter(qint64 rowId) const
{
    return size_t(std::upper_bound(m_rowIds.begin(), m_rowIds.end(), rowId) - m_rowIds.begin());
}

void ScheduleTable::buildLookups() const
{
    if (m_lookupsBuilt)
        return;
    m_byDate.clear();
    m_byAlarm.clear();
    for (size_t i = 0; i < size(); ++i) {
        if (dateIsCanonical(i))
            m_byDate.push_back({dateKey(m_dates[i]), quint32(i)});
        if (alarmOn(i) && m_alarmSeconds[i] != NoTime)
            m_byAlarm.push_back({m_alarmSeconds[i], quint32(i)});
    }
    std::sort(m_byDate.begin(), m_byDate.end());
    std::sort(m_byAlarm.begin(), m_byAlarm.end());
    m_byDate.shrink_to_fit();
    m_byAlarm.shrink_to_fit();
    m_lookupsBuilt = true;
}

std::vector<size_t> ScheduleTable::lookUp(const std::vector<KeyedPosition>& lookup, qint32 key) const
{
    std::vector<size_t> positions;
    auto it = std::lower_bound(lookup.begin(), lookup.end(), KeyedPosition{key, 0});
    for (; it != lookup.end() && it->key == key; ++it)
        positions.push_back(it->position);
    return positions;
}

std::vector<size_t> ScheduleTable::storedOn(PackedDate day) const
{
    if (!day.isValid())
        return {};
    buildLookups();
    return lookUp(m_byDate, dateKey(day));
}

std::vector<size_t> ScheduleTable::alarmsAt(qint32 second) const
{
    buildLookups();
    return lookUp(m_byAlarm, second);
}

std::vector<size_t> ScheduleTable::alarmsBetween(qint32 firstSecond, qint32 lastSecond) const
{
    std::vector<size_t> positions;
    if (firstSecond > lastSecond)
        return positions;
    buildLookups();
    auto it = std::lower_bound(m_byAlarm.begin(), m_byAlarm.end(), KeyedPosition{firstSecond, 0});
    for (; it != m_byAlarm.end() && it->key <= lastSecond; ++it)
        positions.push_back(it->position);
    return positions;
}

void ScheduleTable::changed()
{
    static std::atomic<quint64> lastChange{0};
    m_lookupsBuilt = false;
    m_changeCount = ++lastChange;
}

void ScheduleTable::clear()
{
    changed();
    m_rowIds.clear();
    m_dates.clear();
    m_alarmSeconds.clear();
    m_flags.clear();
    m_markKeys.clear();
    m_spans.clear();
    m_texts.clear();
    m_deadTextBytes = 0;
}

void ScheduleTable::reserve(size_t rows, size_t textBytes)
{
    m_rowIds.reserve(rows);
    m_dates.reserve(rows);
    m_alarmSeconds.reserve(rows);
    m_flags.reserve(rows);
    m_markKeys.reserve(rows);
    m_spans.reserve(rows);
    m_texts.reserve(textBytes);
}

void ScheduleTable::shrinkToFit()
{
    m_rowIds.shrink_to_fit();
    m_dates.shrink_to_fit();
    m_alarmSeconds.shrink_to_fit();
    m_flags.shrink_to_fit();
    m_markKeys.shrink_to_fit();
    m_spans.shrink_to_fit();
    m_texts.shrink_to_fit();
}

ScheduleTable::TextSpan
ScheduleTable::storeTexts(const std::array<std::string_view, ScheduleFieldCount>& fields,
                          const std::array<bool, ScheduleFieldCount>& nulls)
{
    TextSpan span;
    span.offset = quint32(m_texts.size());
    for (size_t f = 0; f < fields.size(); ++f) {
        if (nulls[f]) {
            span.lengths[f] = NullLength;
            continue;
        }
        // Texts are at most 250 characters, so at most 1000 bytes of UTF-8; anything longer came from
        // another writer and is cut rather than allowed to overflow the length.
        const size_t length = std::min<size_t>(fields[f].size(), NullLength - 1);
        span.lengths[f] = quint16(length);
        m_texts.append(fields[f].data(), length);
    }
    return span;
}

namespace {

bool isStoredDateForm(std::string_view text)
{
    if (text.size() != 10)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool slot = i == 2 || i == 5;
        if (slot ? text[i] != '/' : (text[i] < '0' || text[i] > '9'))
            return false;
    }
    return true;
}

} // namespace

void ScheduleTable::parse(size_t i)
{
    const std::string_view dateText = utf8(i, ScheduleField::Date);
    const std::optional<QDate> date = DateText::readDate(dateText);
    const PackedDate packed = date ? PackedDate::from(*date) : PackedDate{};
    m_dates[i] = packed;

    const std::optional<QTime> time = DateText::readTime(utf8(i, ScheduleField::AlarmTime));
    m_alarmSeconds[i] = time ? qint32(time->msecsSinceStartOfDay() / 1000) : NoTime;

    const ScheduleKind kind = kindOf(utf8(i, ScheduleField::SchedType));
    quint8 flags = quint8(kind);
    if (utf8(i, ScheduleField::AlarmOnOff) == "on")
        flags |= AlarmOnFlag;
    // A text that reads as a date is in the stored form exactly when it has two-digit month and day,
    // a four-digit year and nothing around them: " 1/07/2026" reads as a date but is not that form.
    const bool canonical = packed.isValid() && isStoredDateForm(dateText);
    if (canonical)
        flags |= CanonicalDateFlag;
    m_flags[i] = flags;

    qint32 key = 0;
    if (packed.isValid()) {
        if (kind == ScheduleKind::OneTime && canonical)
            key = oneTimeMarkKey(packed.year, packed.month);
        else if (kind == ScheduleKind::Yearly)
            key = packed.month;
        else if (kind == ScheduleKind::Monthly)
            key = MonthlyMarkKey;
    }
    m_markKeys[i] = key;
}

void ScheduleTable::appendUtf8(qint64 rowId, const std::array<std::string_view, ScheduleFieldCount>& fields,
                               const std::array<bool, ScheduleFieldCount>& nulls)
{
    m_rowIds.push_back(rowId);
    m_dates.emplace_back();
    m_alarmSeconds.push_back(NoTime);
    m_flags.push_back(0);
    m_markKeys.push_back(0);
    m_spans.push_back(storeTexts(fields, nulls));
    parse(size() - 1);
    changed();
}

namespace {

struct Utf8Fields
{
    std::array<QByteArray, ScheduleFieldCount> bytes;
    std::array<std::string_view, ScheduleFieldCount> views;
    std::array<bool, ScheduleFieldCount> nulls{};

    explicit Utf8Fields(const ScheduleEntry& entry)
    {
        for (size_t f = 0; f < views.size(); ++f) {
            nulls[f] = entry.fields[f].isNull();
            bytes[f] = entry.fields[f].toUtf8();
            views[f] = std::string_view(bytes[f].constData(), size_t(bytes[f].size()));
        }
    }
};

} // namespace

void ScheduleTable::append(qint64 rowId, const ScheduleEntry& entry)
{
    const Utf8Fields fields(entry);
    appendUtf8(rowId, fields.views, fields.nulls);
}

void ScheduleTable::replace(size_t i, const ScheduleEntry& entry)
{
    const Utf8Fields fields(entry);
    const TextSpan old = m_spans[i];
    for (quint16 length : old.lengths)
        m_deadTextBytes += length == NullLength ? 0 : length;
    m_spans[i] = storeTexts(fields.views, fields.nulls);
    parse(i);
    changed();
    compactTextsIfWasteful();
}

void ScheduleTable::remove(size_t i)
{
    for (quint16 length : m_spans[i].lengths)
        m_deadTextBytes += length == NullLength ? 0 : length;
    m_rowIds.erase(m_rowIds.begin() + qsizetype(i));
    m_dates.erase(m_dates.begin() + qsizetype(i));
    m_alarmSeconds.erase(m_alarmSeconds.begin() + qsizetype(i));
    m_flags.erase(m_flags.begin() + qsizetype(i));
    m_markKeys.erase(m_markKeys.begin() + qsizetype(i));
    m_spans.erase(m_spans.begin() + qsizetype(i));
    changed();
    compactTextsIfWasteful();
}

void ScheduleTable::compactTextsIfWasteful()
{
    // Edits and deletions leave their old texts behind; once they are most of the buffer, the live
    // texts are copied into a fresh one.
    if (m_deadTextBytes < 4096 || m_deadTextBytes * 2 < m_texts.size())
        return;
    std::string compacted;
    compacted.reserve(m_texts.size() - m_deadTextBytes);
    for (size_t i = 0; i < size(); ++i) {
        TextSpan& span = m_spans[i];
        const quint32 newOffset = quint32(compacted.size());
        size_t bytes = 0;
        for (quint16 length : span.lengths)
            bytes += length == NullLength ? 0 : length;
        compacted.append(m_texts, span.offset, bytes);
        span.offset = newOffset;
    }
    m_texts.swap(compacted);
    m_deadTextBytes = 0;
}

size_t ScheduleTable::memoryBytes() const
{
    return m_rowIds.capacity() * sizeof(qint64) + m_dates.capacity() * sizeof(PackedDate) +
           m_alarmSeconds.capacity() * sizeof(qint32) + m_flags.capacity() +
           m_markKeys.capacity() * sizeof(qint32) + m_spans.capacity() * sizeof(TextSpan) +
           m_texts.capacity() + (m_byDate.capacity() + m_byAlarm.capacity()) * sizeof(KeyedPosition);
}

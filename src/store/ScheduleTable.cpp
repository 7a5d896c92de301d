#include "store/ScheduleTable.h"

#include "store/DateText.h"
#include "store/GrowthRoom.h"

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <limits>
#include <optional>

PackedDate PackedDate::from(QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return {};
    return {qint16(date.year()), quint8(date.month()), quint8(date.day())};
}

bool ScheduleTable::isNull(size_t i, ScheduleField field) const
{
    return span(i).heldOf(field) == Unset;
}

namespace {

constexpr std::array<std::string_view, 7> DayNames = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                      "Friday", "Saturday", "Sunday"};
// Every spelling of a kind that the add dialog and the organizer write.
constexpr std::array<std::string_view, 7> KindSpellings = {
    "OneTime", "Onetime", "Monthly", "Yearly", "Everyday", "EveryDay", "Monday to Friday"};

quint8 spellingOf(std::string_view text, const std::array<std::string_view, 7>& spellings)
{
    for (size_t s = 0; s < spellings.size(); ++s) {
        if (text == spellings[s])
            return quint8(s + 1);
    }
    return 0;
}

void putTwoDigits(char* to, int value)
{
    to[0] = char('0' + value / 10);
    to[1] = char('0' + value % 10);
}

} // namespace

std::string_view ScheduleTable::storedAt(size_t& at) const
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_texts.data());
    size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char byte = bytes[at++];
        length |= size_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            break;
    }
    const std::string_view text(m_texts.data() + at, length);
    at += length;
    return text;
}

size_t ScheduleTable::storedBytes(const TextSpan& span) const
{
    size_t at = span.offset;
    for (int f = 0; f < ScheduleFieldCount; ++f) {
        if (span.heldOf(ScheduleField(f)) == Stored)
            storedAt(at);
    }
    return at - span.offset;
}

std::string_view ScheduleTable::utf8(size_t i, ScheduleField field) const
{
    const TextSpan span = this->span(i);
    switch (span.heldOf(field)) {
    case Unset:
        return {};
    case MadeAgain:
        return madeAgain(i, field);
    default:
        break;
    }
    size_t at = span.offset;
    for (int f = 0; f < int(field); ++f) {
        if (span.heldOf(ScheduleField(f)) == Stored)
            storedAt(at);
    }
    return storedAt(at);
}

std::string_view ScheduleTable::madeAgain(size_t i, ScheduleField field) const
{
    switch (field) {
    case ScheduleField::Date: {
        const PackedDate date = m_dates[i];
        char* to = m_dateScratch.data();
        putTwoDigits(to, date.month);
        to[2] = '/';
        putTwoDigits(to + 3, date.day);
        to[5] = '/';
        putTwoDigits(to + 6, date.year / 100);
        putTwoDigits(to + 8, date.year % 100);
        return std::string_view(to, 10);
    }
    case ScheduleField::AlarmTime: {
        const qint32 second = m_alarmSeconds[i];
        const int hour = second / 3600;
        char* to = m_timeScratch.data();
        putTwoDigits(to, hour % 12 == 0 ? 12 : hour % 12);
        to[2] = ':';
        putTwoDigits(to + 3, second / 60 % 60);
        to[5] = ':';
        putTwoDigits(to + 6, second % 60);
        to[8] = ' ';
        to[9] = hour < 12 ? 'A' : 'P';
        to[10] = 'M';
        return std::string_view(to, 11);
    }
    case ScheduleField::Day:
        return DayNames[size_t((m_spellings[i] & DayNameBits) - 1)];
    case ScheduleField::Kind:
        return KindSpellings[size_t((m_spellings[i] >> KindSpellingShift) - 1)];
    case ScheduleField::AlarmOnOff:
        return alarmOn(i) ? std::string_view("on") : std::string_view("off");
    default:
        return {};
    }
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
    const size_t i = m_rowIds.lowerBound(rowId);
    return i < size() && m_rowIds[i] == rowId ? i : size();
}

size_t ScheduleTable::indexAfter(qint64 rowId) const
{
    return m_rowIds.upperBound(rowId);
}

bool ScheduleTable::inLookup(Lookup lookup, size_t i) const
{
    return lookup == Lookup::ByDate ? dateIsCanonical(i) : alarmOn(i) && m_alarmSeconds[i] != NoTime;
}

std::vector<quint32>::const_iterator ScheduleTable::placeOf(Lookup lookup, qint32 key, quint32 position) const
{
    const std::vector<quint32>& positions = positionsOf(lookup);
    return std::lower_bound(positions.begin(), positions.end(), position, [&](quint32 held, quint32) {
        const qint32 heldKey = keyOf(lookup, held);
        return heldKey != key ? heldKey < key : held < position;
    });
}

void ScheduleTable::buildLookup(Lookup lookup) const
{
    // The lookup is counted before it is filled, so that it is made at its exact size at once: a lookup
    // grown entry by entry would keep up to twice its room, and leave the copies it outgrew behind.
    size_t count = 0;
    qint32 lowest = std::numeric_limits<qint32>::max();
    qint32 highest = std::numeric_limits<qint32>::min();
    for (size_t i = 0; i < size(); ++i) {
        if (!inLookup(lookup, i))
            continue;
        ++count;
        lowest = std::min(lowest, keyOf(lookup, quint32(i)));
        highest = std::max(highest, keyOf(lookup, quint32(i)));
    }
    std::vector<quint32>& sorted = positionsOf(lookup);
    sorted = std::vector<quint32>();
    sorted.reserve(count + GrowthRoom::forRows(count));
    sorted.resize(count);
    // The keys of a real schedule (the seconds of a day, the days of a few decades) span few values
    // for the entries there are, so the positions are counted into place in two passes; both ways keep
    // the walk order within one key.
    const qint64 span = count == 0 ? 0 : qint64(highest) - lowest + 1;
    if (span > qint64(count) * 4 + 4096) {
        size_t at = 0;
        for (size_t i = 0; i < size(); ++i) {
            if (inLookup(lookup, i))
                sorted[at++] = quint32(i);
        }
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](quint32 a, quint32 b) { return keyOf(lookup, a) < keyOf(lookup, b); });
        return;
    }
    std::vector<quint32> starts(size_t(span) + 1, 0);
    for (size_t i = 0; i < size(); ++i) {
        if (inLookup(lookup, i))
            ++starts[size_t(keyOf(lookup, quint32(i)) - lowest) + 1];
    }
    for (size_t k = 1; k < starts.size(); ++k)
        starts[k] += starts[k - 1];
    for (size_t i = 0; i < size(); ++i) {
        if (inLookup(lookup, i))
            sorted[starts[size_t(keyOf(lookup, quint32(i)) - lowest)]++] = quint32(i);
    }
}

void ScheduleTable::buildLookups() const
{
    if (m_lookupsBuilt)
        return;
    buildLookup(Lookup::ByDate);
    buildLookup(Lookup::ByAlarm);
    m_lookupsBuilt = true;
}

void ScheduleTable::beginBulkChange()
{
    m_rebuildAfterBulk = m_rebuildAfterBulk || m_lookupsBuilt;
    m_lookupsBuilt = false;
    m_byDate = {};
    m_byAlarm = {};
}

void ScheduleTable::endBulkChange()
{
    if (m_rebuildAfterBulk)
        buildLookups();
    m_rebuildAfterBulk = false;
}

void ScheduleTable::addToLookups(size_t i)
{
    if (!m_lookupsBuilt)
        return;
    for (Lookup lookup : {Lookup::ByDate, Lookup::ByAlarm}) {
        if (inLookup(lookup, i)) {
            std::vector<quint32>& positions = positionsOf(lookup);
            const auto place = placeOf(lookup, keyOf(lookup, quint32(i)), quint32(i));
            positions.insert(positions.begin() + (place - positions.cbegin()), quint32(i));
        }
    }
}

void ScheduleTable::dropFromLookups(size_t i)
{
    if (!m_lookupsBuilt)
        return;
    for (Lookup lookup : {Lookup::ByDate, Lookup::ByAlarm}) {
        if (!inLookup(lookup, i))
            continue;
        std::vector<quint32>& positions = positionsOf(lookup);
        const auto place = placeOf(lookup, keyOf(lookup, quint32(i)), quint32(i));
        if (place != positions.cend() && *place == quint32(i))
            positions.erase(place);
    }
}

std::vector<size_t> ScheduleTable::lookUp(Lookup lookup, qint32 firstKey, qint32 lastKey) const
{
    std::vector<size_t> found;
    if (firstKey > lastKey)
        return found;
    buildLookups();
    const std::vector<quint32>& positions = positionsOf(lookup);
    for (auto it = placeOf(lookup, firstKey, 0); it != positions.cend() && keyOf(lookup, *it) <= lastKey;
         ++it)
        found.push_back(*it);
    return found;
}

std::vector<size_t> ScheduleTable::storedOn(PackedDate day) const
{
    if (!day.isValid())
        return {};
    return lookUp(Lookup::ByDate, dateKey(day), dateKey(day));
}

std::vector<size_t> ScheduleTable::alarmsAt(qint32 second) const
{
    return lookUp(Lookup::ByAlarm, second, second);
}

std::vector<size_t> ScheduleTable::alarmsBetween(qint32 firstSecond, qint32 lastSecond) const
{
    return lookUp(Lookup::ByAlarm, firstSecond, lastSecond);
}

void ScheduleTable::setSpan(size_t i, const TextSpan& span)
{
    m_textOffsets[i] = span.offset;
    m_held[i] = span.held;
}

void ScheduleTable::changed()
{
    static std::atomic<quint64> lastChange{0};
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
    m_spellings.clear();
    m_textOffsets.clear();
    m_held.clear();
    m_texts.clear();
    m_deadTextBytes = 0;
    m_byDate.clear();
    m_byAlarm.clear();
    m_lookupsBuilt = false;
}

void ScheduleTable::reserve(size_t rows, size_t textBytes)
{
    rows += GrowthRoom::forRows(rows);
    m_rowIds.reserve(rows);
    m_dates.reserve(rows);
    m_alarmSeconds.reserve(rows);
    m_flags.reserve(rows);
    m_markKeys.reserve(rows);
    m_spellings.reserve(rows);
    m_textOffsets.reserve(rows);
    m_held.reserve(rows);
    m_texts.reserve(textBytes);
}

void ScheduleTable::shrinkToFit()
{
    m_rowIds.shrinkToFit();
    GrowthRoom::trim(m_dates);
    GrowthRoom::trim(m_alarmSeconds);
    GrowthRoom::trim(m_flags);
    GrowthRoom::trim(m_markKeys);
    GrowthRoom::trim(m_spellings);
    GrowthRoom::trim(m_textOffsets);
    GrowthRoom::trim(m_held);
    m_texts.shrinkToFit();
}

ScheduleTable::TextSpan
ScheduleTable::storeTexts(const std::array<std::string_view, ScheduleFieldCount>& fields,
                          const std::array<bool, ScheduleFieldCount>& nulls, const Parsed& parsed)
{
    TextSpan span;
    span.offset = quint32(m_texts.size());
    for (size_t f = 0; f < fields.size(); ++f) {
        const Held held = nulls[f] ? Unset : parsed.madeAgain[f] ? MadeAgain : Stored;
        span.held |= quint16(held << (2 * f));
        if (held != Stored)
            continue;
        // Texts are at most 250 characters, so at most 1000 bytes of UTF-8; anything longer came from
        // another writer and is cut.
        const size_t length = std::min(fields[f].size(), MaxStoredLength);
        char prefix[3];
        size_t prefixBytes = 0;
        for (size_t rest = length;; rest >>= 7) {
            prefix[prefixBytes++] = char((rest & 0x7F) | (rest >= 0x80 ? 0x80 : 0));
            if (rest < 0x80)
                break;
        }
        m_texts.append(prefix, prefixBytes);
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

int twoDigits(std::string_view text, size_t at)
{
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// A date in the stored "mm/dd/yyyy" form, read straight from its bytes: nearly every entry's date is in
// that form, and loading a large schedule should not build a calendar date for each. Nothing when the
// text is in another form or names no day of the calendar; the general reading decides those.
std::optional<PackedDate> storedDate(std::string_view text)
{
    if (!isStoredDateForm(text))
        return std::nullopt;
    const int month = twoDigits(text, 0);
    const int day = twoDigits(text, 3);
    const int year = twoDigits(text, 6) * 100 + twoDigits(text, 8);
    if (year < 100 || month < 1 || month > 12 || day < 1)
        return std::nullopt;
    static constexpr std::array<int, 12> DaysIn = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > DaysIn[size_t(month - 1)] + (month == 2 && leap ? 1 : 0))
        return std::nullopt;
    return PackedDate{qint16(year), quint8(month), quint8(day)};
}

// An alarm time in the stored "hh:mm:ss AM" form, read straight from its bytes as a second of the day;
// nothing for any other spelling, which the general reading decides.
std::optional<qint32> storedTimeSecond(std::string_view text)
{
    if (text.size() != 11 || text[2] != ':' || text[5] != ':' || text[8] != ' ' || text[10] != 'M' ||
        (text[9] != 'A' && text[9] != 'P'))
        return std::nullopt;
    for (size_t at : std::array<size_t, 6>{0, 1, 3, 4, 6, 7}) {
        if (text[at] < '0' || text[at] > '9')
            return std::nullopt;
    }
    const int hour = twoDigits(text, 0);
    const int minute = twoDigits(text, 3);
    const int second = twoDigits(text, 6);
    if (hour < 1 || hour > 12 || minute > 59 || second > 59)
        return std::nullopt;
    const int hour24 = hour % 12 + (text[9] == 'P' ? 12 : 0);
    return qint32(hour24 * 3600 + minute * 60 + second);
}

} // namespace

ScheduleTable::Parsed ScheduleTable::parse(const std::array<std::string_view, ScheduleFieldCount>& fields)
{
    Parsed parsed;
    const std::string_view dateText = fields[size_t(ScheduleField::Date)];
    bool canonical = false;
    if (const std::optional<PackedDate> stored = storedDate(dateText)) {
        parsed.date = *stored;
        canonical = true;
    } else {
        const std::optional<QDate> date = DateText::readDate(dateText);
        parsed.date = date ? PackedDate::from(*date) : PackedDate{};
        // A text that reads as a date is in the stored form exactly when it has two-digit month and
        // day, a four-digit year and nothing around them: " 1/07/2026" reads as a date but is not that
        // form.
        canonical = parsed.date.isValid() && isStoredDateForm(dateText);
    }
    // The stored form is read by position, so writing the date back gives the same bytes.
    parsed.madeAgain[size_t(ScheduleField::Date)] = canonical;

    const std::string_view timeText = fields[size_t(ScheduleField::AlarmTime)];
    if (const std::optional<qint32> second = storedTimeSecond(timeText)) {
        parsed.alarmSecond = *second;
        parsed.madeAgain[size_t(ScheduleField::AlarmTime)] = true;
    } else {
        const std::optional<QTime> time = DateText::readTime(timeText);
        parsed.alarmSecond = time ? qint32(time->msecsSinceStartOfDay() / 1000) : NoTime;
    }

    const std::string_view kindText = fields[size_t(ScheduleField::Kind)];
    const ScheduleKind kind = kindOf(kindText);
    parsed.flags = quint8(kind);
    const std::string_view onOff = fields[size_t(ScheduleField::AlarmOnOff)];
    if (onOff == "on")
        parsed.flags |= AlarmOnFlag;
    parsed.madeAgain[size_t(ScheduleField::AlarmOnOff)] = onOff == "on" || onOff == "off";
    if (canonical)
        parsed.flags |= CanonicalDateFlag;

    const quint8 dayName = spellingOf(fields[size_t(ScheduleField::Day)], DayNames);
    const quint8 kindSpelling = spellingOf(kindText, KindSpellings);
    parsed.spellings = quint8(dayName | kindSpelling << KindSpellingShift);
    parsed.madeAgain[size_t(ScheduleField::Day)] = dayName != 0;
    parsed.madeAgain[size_t(ScheduleField::Kind)] = kindSpelling != 0;

    const PackedDate packed = parsed.date;
    if (packed.isValid()) {
        if (kind == ScheduleKind::OneTime && canonical)
            parsed.markKey = oneTimeMarkKey(packed.year, packed.month);
        else if (kind == ScheduleKind::Yearly)
            parsed.markKey = packed.month;
        else if (kind == ScheduleKind::Monthly)
            parsed.markKey = MonthlyMarkKey;
    }
    return parsed;
}

void ScheduleTable::set(size_t i, const Parsed& parsed)
{
    m_dates[i] = parsed.date;
    m_alarmSeconds[i] = parsed.alarmSecond;
    m_flags[i] = parsed.flags;
    m_spellings[i] = parsed.spellings;
    m_markKeys[i] = parsed.markKey;
}

void ScheduleTable::appendUtf8(qint64 rowId, const std::array<std::string_view, ScheduleFieldCount>& fields,
                               const std::array<bool, ScheduleFieldCount>& nulls)
{
    const Parsed parsed = parse(fields);
    m_rowIds.append(rowId);
    m_dates.push_back(parsed.date);
    m_alarmSeconds.push_back(parsed.alarmSecond);
    m_flags.push_back(parsed.flags);
    m_spellings.push_back(parsed.spellings);
    m_markKeys.push_back(parsed.markKey);
    const TextSpan stored = storeTexts(fields, nulls, parsed);
    m_textOffsets.push_back(stored.offset);
    m_held.push_back(stored.held);
    addToLookups(size() - 1);
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
    m_deadTextBytes += storedBytes(span(i));
    dropFromLookups(i);
    const Parsed parsed = parse(fields.views);
    set(i, parsed);
    setSpan(i, storeTexts(fields.views, fields.nulls, parsed));
    addToLookups(i);
    changed();
    compactTextsIfWasteful();
}

void ScheduleTable::remove(size_t i)
{
    m_deadTextBytes += storedBytes(span(i));
    dropFromLookups(i);
    // The entries after the removed one move up by one; the order of the lookups stays as it was.
    if (m_lookupsBuilt) {
        for (std::vector<quint32>* lookup : {&m_byDate, &m_byAlarm}) {
            for (quint32& position : *lookup)
                position -= position > i ? 1 : 0;
        }
    }
    m_rowIds.remove(i);
    m_dates.erase(m_dates.begin() + qsizetype(i));
    m_alarmSeconds.erase(m_alarmSeconds.begin() + qsizetype(i));
    m_flags.erase(m_flags.begin() + qsizetype(i));
    m_markKeys.erase(m_markKeys.begin() + qsizetype(i));
    m_spellings.erase(m_spellings.begin() + qsizetype(i));
    m_textOffsets.erase(m_textOffsets.begin() + qsizetype(i));
    m_held.erase(m_held.begin() + qsizetype(i));
    changed();
    compactTextsIfWasteful();
}

void ScheduleTable::compactTextsIfWasteful()
{
    // Edits and deletions leave their old texts behind; once they are most of the buffer, the live
    // texts are copied into a fresh one.
    if (m_deadTextBytes < 4096 || m_deadTextBytes * 2 < m_texts.size())
        return;
    TextBytes compacted;
    compacted.reserve(m_texts.size() - m_deadTextBytes);
    for (size_t i = 0; i < size(); ++i) {
        const quint32 newOffset = quint32(compacted.size());
        compacted.append(m_texts.data() + m_textOffsets[i], storedBytes(span(i)));
        m_textOffsets[i] = newOffset;
    }
    m_texts.swap(compacted);
    m_deadTextBytes = 0;
}

size_t ScheduleTable::memoryBytes() const
{
    return m_rowIds.memoryBytes() + m_dates.capacity() * sizeof(PackedDate) +
           m_alarmSeconds.capacity() * sizeof(qint32) + m_flags.capacity() + m_spellings.capacity() +
           m_markKeys.capacity() * sizeof(qint32) + m_textOffsets.capacity() * sizeof(quint32) +
           m_held.capacity() * sizeof(quint16) + m_texts.capacity() +
           (m_byDate.capacity() + m_byAlarm.capacity()) * sizeof(quint32);
}

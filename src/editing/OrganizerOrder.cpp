#include "editing/OrganizerOrder.h"

#include <algorithm>
#include <numeric>

namespace {

// Rows that tie this few are put in order by comparison rather than by counting digits.
constexpr size_t SmallRange = 64;

} // namespace

OrganizerOrder::OrganizerOrder(const std::vector<quint32>& rows, bool byText, bool descending)
    : OrganizerOrder(rows.size(), byText, descending)
{
    std::copy(rows.begin(), rows.end(), m_rows.get());
}

OrganizerOrder::OrganizerOrder(size_t count, bool byText, bool descending)
    : m_count(count), m_rows(std::make_unique_for_overwrite<quint32[]>(count)),
      m_keys(std::make_unique_for_overwrite<quint64[]>(count)), m_more(std::make_unique_for_overwrite<quint8[]>(count)),
      m_byText(byText), m_descending(descending)
{
}

OrganizerOrder::Chunk OrganizerOrder::chunk(std::string_view folded, size_t offset)
{
    quint64 key = 0;
    for (size_t i = 0; i < 8; ++i)
        key = (key << 8) | (offset + i < folded.size() ? quint8(folded[offset + i]) : 0);
    return {key, folded.size() > offset + 8};
}

OrganizerOrder::Chunk OrganizerOrder::asciiChunk(std::string_view text, size_t offset)
{
    quint64 key = 0;
    for (size_t i = 0; i < 8; ++i) {
        quint8 byte = offset + i < text.size() ? quint8(text[offset + i]) : 0;
        if (byte >= 'A' && byte <= 'Z')
            byte += 'a' - 'A';
        key = (key << 8) | byte;
    }
    return {key, text.size() > offset + 8};
}

bool OrganizerOrder::runRound(const std::atomic<bool>& cancelled)
{
    if (m_done)
        return true;
    std::vector<Range> ties;
    if (m_round == 0) {
        m_sorted.resize(m_count);
        std::iota(m_sorted.begin(), m_sorted.end(), 0);
        const Range all{0, quint32(m_count)};
        sortRange(all);
        if (m_byText)
            findTies(all, ties);
    } else {
        for (const Range& range : m_ties) {
            if (cancelled.load(std::memory_order_relaxed))
                return false;
            sortRange(range);
            findTies(range, ties);
        }
    }
    m_ties = std::move(ties);
    ++m_round;
    if (m_ties.empty()) {
        m_done = true;
        // The new order's slots are worked out here too, so that the window's thread only swaps them in.
        m_slots.resize(m_sorted.size());
        for (size_t k = 0; k < m_sorted.size(); ++k)
            m_slots[k] = m_rows[size_t(m_sorted[k])];
        m_rows.reset();
        m_keys.reset();
        m_more.reset();
        m_scratch = {};
        m_counts = {};
        m_needed = {};
        return true;
    }
    markNeeded(m_ties);
    return false;
}

// A stable radix sort of the rows of the range by their keys, sixteen bits at a time for many rows and
// eight for fewer, skipping the digits every key of the range shares.
void OrganizerOrder::sortRange(Range range)
{
    const size_t count = range.end - range.begin;
    if (count < 2)
        return;
    const auto first = m_sorted.begin() + qsizetype(range.begin);
    const auto last = m_sorted.begin() + qsizetype(range.end);
    if (count <= SmallRange) {
        std::stable_sort(first, last, [this](int a, int b) { return keyOfRow(a) < keyOfRow(b); });
        return;
    }
    quint64 differing = 0;
    const quint64 firstKey = keyOfRow(*first);
    for (auto it = first; it != last; ++it)
        differing |= keyOfRow(*it) ^ firstKey;
    if (differing == 0)
        return;
    const int bits = count >= 65536 ? 16 : 8;
    const quint64 mask = (quint64(1) << bits) - 1;
    m_scratch.resize(std::max(m_scratch.size(), count));
    m_counts.resize((size_t(1) << bits) + 1);
    for (int shift = 0; shift < 64; shift += bits) {
        if (((differing >> shift) & mask) == 0)
            continue;
        std::fill(m_counts.begin(), m_counts.begin() + qsizetype((size_t(1) << bits) + 1), 0);
        for (auto it = first; it != last; ++it)
            ++m_counts[size_t((keyOfRow(*it) >> shift) & mask) + 1];
        for (size_t d = 0; d < (size_t(1) << bits); ++d)
            m_counts[d + 1] += m_counts[d];
        for (auto it = first; it != last; ++it)
            m_scratch[m_counts[size_t((keyOfRow(*it) >> shift) & mask)]++] = *it;
        std::copy(m_scratch.begin(), m_scratch.begin() + qsizetype(count), first);
    }
}

// Runs of rows of an ordered range whose keys are alike and of which one text at least goes on.
void OrganizerOrder::findTies(Range range, std::vector<Range>& ties) const
{
    quint32 from = range.begin;
    bool goesOn = false;
    for (quint32 at = range.begin; at <= range.end; ++at) {
        if (at == range.end || m_keys[m_rows[size_t(m_sorted[at])]] != m_keys[m_rows[size_t(m_sorted[from])]]) {
            if (at - from > 1 && goesOn)
                ties.push_back({from, at});
            if (at == range.end)
                break;
            from = at;
            goesOn = false;
        }
        goesOn = goesOn || m_more[m_rows[size_t(m_sorted[at])]];
    }
}

// The slots of the tying rows, ascending, so that the window's thread reads their texts in the order
// they lie in the table.
void OrganizerOrder::markNeeded(const std::vector<Range>& ties)
{
    std::vector<bool> marked(m_count, false);
    size_t count = 0;
    for (const Range& range : ties) {
        for (quint32 at = range.begin; at < range.end; ++at) {
            marked[m_rows[size_t(m_sorted[at])]] = true;
            ++count;
        }
    }
    m_needed.clear();
    m_needed.reserve(count);
    for (size_t slot = 0; slot < marked.size(); ++slot) {
        if (marked[slot])
            m_needed.push_back(quint32(slot));
    }
}

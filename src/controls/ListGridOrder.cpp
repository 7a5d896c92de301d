#include "controls/ListGridOrder.h"

#include <QString>

#include <algorithm>
#include <numeric>
#include <optional>

namespace ListGridOrder {
namespace {

// Eight bytes of a text from `offset` on, A to Z made small as case folding makes them, the first byte
// highest, so that keys compare as the folded texts do; a shorter text is padded with zeros. Nothing
// when one of the bytes is not ASCII.
std::optional<quint64> foldedChunk(std::string_view text, size_t offset)
{
    quint64 key = 0;
    for (size_t i = 0; i < 8; ++i) {
        quint8 byte = 0;
        if (offset + i < text.size()) {
            byte = quint8(text[offset + i]);
            if (byte >= 0x80)
                return std::nullopt;
            if (byte >= 'A' && byte <= 'Z')
                byte += 'a' - 'A';
        }
        key = (key << 8) | byte;
    }
    return key;
}

QString folded(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toCaseFolded();
}

// The first eight UTF-16 units of a folded text that is not all ASCII, each as one byte. Units from
// 0xFF up cannot be told apart in a byte, so from the first of them on the key says nothing more and
// such texts are compared whole.
quint64 foldedPrefixKey(const QString& folded)
{
    quint64 key = 0;
    bool cut = false;
    for (int i = 0; i < 8; ++i) {
        quint8 byte = 0;
        if (!cut && i < folded.size()) {
            const char16_t unit = folded[i].unicode();
            cut = unit >= 0xFF;
            byte = cut ? 0xFF : quint8(unit);
        }
        key = (key << 8) | byte;
    }
    return key;
}

// How two ASCII texts compare from `from` on once A to Z are made small, as their folded texts do.
int compareFoldedAscii(std::string_view a, std::string_view b, size_t from)
{
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; };
    for (size_t i = from; i < a.size() && i < b.size(); ++i) {
        const char x = fold(a[i]);
        const char y = fold(b[i]);
        if (x != y)
            return quint8(x) < quint8(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Rows that tie this few are put in order by comparing their texts rather than by another round of keys.
constexpr size_t SmallTie = 16;

// A row on its way through the text order. The rows are moved about as these, side by side, rather than
// as row numbers looked up in other arrays, so that a million of them are not a million cache misses a
// round; the next eight bytes are read while the texts are still walked in their stored order.
struct Placed
{
    std::string_view text;
    quint64 next = 0; // the folded bytes 8 to 15
    int row = 0;
    bool ascii = true;
};

// Runs of rows that tie on the bytes compared so far, each settled eight bytes further on.
class TieSettler
{
public:
    TieSettler(std::vector<Placed>& placed, bool descending) : m_placed(placed), m_descending(descending) {}

    // The run [begin, end) is ordered by the bytes before offset; keyOf(k) is the key of place begin + k.
    template <typename KeyOf> void addTies(size_t begin, size_t end, size_t offset, KeyOf keyOf)
    {
        size_t from = begin;
        for (size_t at = begin + 1; at <= end; ++at) {
            if (at == end || keyOf(at - begin) != keyOf(from - begin)) {
                if (at - from > 1)
                    m_ties.push_back({from, at, offset});
                from = at;
            }
        }
    }

    void settleAll()
    {
        while (!m_ties.empty()) {
            const Tie tie = m_ties.back();
            m_ties.pop_back();
            settle(tie);
        }
    }

private:
    struct Tie
    {
        size_t begin;
        size_t end;
        size_t offset; // bytes compared so far
    };

    // Whether a goes before b, given how their texts compare; rows that fold alike keep their order.
    bool before(int compared, const Placed& a, const Placed& b) const
    {
        if (compared != 0)
            return m_descending ? compared > 0 : compared < 0;
        return a.row < b.row;
    }

    void settle(const Tie& tie)
    {
        const auto first = m_placed.begin() + qsizetype(tie.begin);
        const auto last = m_placed.begin() + qsizetype(tie.end);
        if (!std::all_of(first, last, [](const Placed& p) { return p.ascii; })) {
            std::vector<std::pair<QString, Placed>> whole;
            whole.reserve(tie.end - tie.begin);
            for (auto it = first; it != last; ++it)
                whole.emplace_back(folded(it->text), *it);
            std::sort(whole.begin(), whole.end(), [this](const auto& a, const auto& b) {
                return before(a.first.compare(b.first), a.second, b.second);
            });
            for (size_t k = 0; k < whole.size(); ++k)
                m_placed[tie.begin + k] = whole[k].second;
            return;
        }
        if (tie.end - tie.begin <= SmallTie) {
            // A few rows are put in place one by one, comparing the rest of their texts.
            for (auto it = first + 1; it != last; ++it) {
                const Placed moving = *it;
                auto at = it;
                for (; at != first &&
                       before(compareFoldedAscii(moving.text, (at - 1)->text, tie.offset), moving, *(at - 1));
                     --at)
                    *at = *(at - 1);
                *at = moving;
            }
            return;
        }
        if (std::none_of(first, last, [&](const Placed& p) { return p.text.size() > tie.offset; })) {
            // Every text ended within the bytes compared: only zero bytes can still tell them apart,
            // and a shorter text comes first.
            std::sort(first, last, [this](const Placed& a, const Placed& b) {
                return before(a.text.size() < b.text.size() ? -1 : (a.text.size() > b.text.size() ? 1 : 0), a,
                              b);
            });
            return;
        }
        std::vector<quint64> keys;
        keys.reserve(tie.end - tie.begin);
        for (auto it = first; it != last; ++it)
            keys.push_back(tie.offset == 8 ? it->next : foldedChunk(it->text, tie.offset).value_or(0));
        const std::vector<int> runOrder = byKeys(keys, m_descending);
        const std::vector<Placed> run(first, last);
        for (size_t k = 0; k < runOrder.size(); ++k)
            m_placed[tie.begin + k] = run[size_t(runOrder[k])];
        addTies(tie.begin, tie.end, tie.offset + 8, [&](size_t k) { return keys[size_t(runOrder[k])]; });
    }

    std::vector<Placed>& m_placed;
    bool m_descending;
    std::vector<Tie> m_ties;
};

} // namespace

std::vector<int> byKeys(const std::vector<quint64>& keys, bool descending)
{
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    if (keys.size() < 2)
        return order;
    quint64 differing = 0;
    for (quint64 key : keys)
        differing |= key ^ keys.front();
    // Many keys are sorted sixteen bits at a time, few eight, so that counting the digits does not cost
    // more than placing the rows.
    const int bits = keys.size() >= 65536 ? 16 : 8;
    const quint64 mask = (quint64(1) << bits) - 1;
    std::vector<size_t> start((size_t(1) << bits) + 1);
    std::vector<int> next(keys.size());
    for (int shift = 0; shift < 64; shift += bits) {
        if (((differing >> shift) & mask) == 0)
            continue;
        const auto digit = [&](int row) {
            return size_t(((descending ? ~keys[size_t(row)] : keys[size_t(row)]) >> shift) & mask);
        };
        std::fill(start.begin(), start.end(), 0);
        for (int row : order)
            ++start[digit(row) + 1];
        for (size_t d = 0; d + 1 < start.size(); ++d)
            start[d + 1] += start[d];
        for (int row : order)
            next[start[digit(row)]++] = row;
        order.swap(next);
    }
    return order;
}

std::vector<int> byFoldedTexts(std::vector<RowText> texts, bool descending)
{
    const size_t count = texts.size();
    // Read in the order given, the order the texts lie in memory: read in the rows' order, which an
    // earlier sort has shuffled, nearly every text of a long list would be a cache miss. Rows whose texts
    // fold alike are put in row order at the end.
    std::vector<quint64> keys(count);
    std::vector<Placed> placed(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string_view text = texts[i].text;
        Placed& row = placed[i];
        row.text = text;
        row.row = texts[i].row;
        const std::optional<quint64> first = foldedChunk(text, 0);
        const std::optional<quint64> next = first ? foldedChunk(text, 8) : std::nullopt;
        row.ascii = next && std::all_of(text.begin(), text.end(), [](char c) { return quint8(c) < 0x80; });
        row.next = next.value_or(0);
        keys[i] = first ? *first : foldedPrefixKey(folded(text));
    }
    texts = {};
    const std::vector<int> firstOrder = byKeys(keys, descending);
    std::vector<Placed> inOrder(count);
    for (size_t k = 0; k < count; ++k)
        inOrder[k] = placed[size_t(firstOrder[k])];
    placed = std::move(inOrder);

    TieSettler settler(placed, descending);
    settler.addTies(0, count, 8, [&](size_t k) { return keys[size_t(firstOrder[k])]; });
    keys = {};
    settler.settleAll();

    std::vector<int> order(count);
    for (size_t k = 0; k < count; ++k)
        order[k] = placed[k].row;
    return order;
}

} // namespace ListGridOrder

#include "controls/ListGridOrder.h"

#include <QString>

#include <algorithm>
#include <memory>
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

    // The rows at places [begin, end) tie on the bytes before offset; one row alone ties with nothing.
    void addTie(size_t begin, size_t end, size_t offset)
    {
        if (end - begin > 1)
            m_ties.push_back({begin, end, offset});
    }

    // The run [begin, end) is ordered by the bytes before offset; keyOf(k) is the key of place begin + k.
    template <typename KeyOf> void addTies(size_t begin, size_t end, size_t offset, KeyOf keyOf)
    {
        size_t from = begin;
        for (size_t at = begin + 1; at <= end; ++at) {
            if (at == end || keyOf(at - begin) != keyOf(from - begin)) {
                addTie(from, at, offset);
                from = at;
            }
        }
    }

    // Settles the next tie; false when none is left.
    bool settleOne()
    {
        if (m_ties.empty())
            return false;
        const Tie tie = m_ties.back();
        m_ties.pop_back();
        settle(tie);
        return true;
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

// A radix sort of row numbers by their keys, a digit at a time, skipping the digits every key shares:
// a million rows sort in a few passes over the keys instead of twenty comparisons a row. Many keys are
// sorted sixteen bits at a time, few eight, so that counting the digits does not cost more than placing
// the rows. Each pass can be left and taken up again.
class RadixRun
{
public:
    RadixRun(const std::vector<quint64>& keys, bool descending)
        : m_keys(keys), m_descending(descending), m_bits(keys.size() >= 65536 ? 16 : 8),
          m_mask((quint64(1) << m_bits) - 1), m_order(keys.size())
    {
        std::iota(m_order.begin(), m_order.end(), 0);
        m_stage = keys.size() < 2 ? Stage::Done : Stage::Differing;
    }

    // True when the order is done.
    bool run(StepBudget& budget)
    {
        const size_t count = m_keys.size();
        while (m_stage != Stage::Done) {
            switch (m_stage) {
            case Stage::Differing:
                if (!budget.each(m_at, count, [&](size_t at) { m_differing |= m_keys[at] ^ m_keys.front(); }))
                    return false;
                m_start.resize((size_t(1) << m_bits) + 1);
                m_next.resize(count);
                m_shift = -m_bits;
                nextDigit();
                break;
            case Stage::Count:
                if (!budget.each(m_at, count, [&](size_t at) { ++m_start[digit(m_order[at]) + 1]; }))
                    return false;
                for (size_t d = 0; d + 1 < m_start.size(); ++d)
                    m_start[d + 1] += m_start[d];
                m_stage = Stage::Place;
                m_at = 0;
                break;
            case Stage::Place:
                if (!budget.each(m_at, count, [&](size_t at) {
                        const int row = m_order[at];
                        m_next[m_start[digit(row)]++] = row;
                    }))
                    return false;
                m_order.swap(m_next);
                nextDigit();
                break;
            case Stage::Done:
                break;
            }
        }
        return true;
    }

    std::vector<int> takeOrder() { return std::move(m_order); }

private:
    enum class Stage
    {
        Differing,
        Count,
        Place,
        Done
    };

    size_t digit(int row) const
    {
        const quint64 key = m_keys[size_t(row)];
        return size_t(((m_descending ? ~key : key) >> m_shift) & m_mask);
    }

    // Moves on to the next digit some keys differ in, or ends.
    void nextDigit()
    {
        m_at = 0;
        for (m_shift += m_bits; m_shift < 64; m_shift += m_bits) {
            if (((m_differing >> m_shift) & m_mask) != 0) {
                std::fill(m_start.begin(), m_start.end(), 0);
                m_stage = Stage::Count;
                return;
            }
        }
        m_stage = Stage::Done;
        m_next = {};
        m_start = {};
    }

    const std::vector<quint64>& m_keys;
    bool m_descending;
    int m_bits;
    quint64 m_mask;
    std::vector<int> m_order;
    std::vector<int> m_next;
    std::vector<size_t> m_start;
    quint64 m_differing = 0;
    int m_shift = 0;
    size_t m_at = 0;
    Stage m_stage = Stage::Differing;
};

} // namespace

// The work of an order under way: by keys, one radix run; by texts, the rows' first keys read, a radix
// run over them, the rows lined up, their ties found and settled one by one.
struct Steps::Work
{
    enum class Phase
    {
        ReadTexts,
        OrderKeys,
        LineUp,
        FindTies,
        SettleTies,
        Done
    };

    size_t count = 0;
    bool descending = false;
    bool byText = false;
    Phase phase = Phase::OrderKeys;
    size_t at = 0;
    std::vector<quint64> keys;
    std::unique_ptr<RadixRun> radix;
    std::vector<int> order;
    // By text only.
    std::vector<RowText> texts;
    std::vector<Placed> placed;
    std::vector<Placed> lined;
    std::unique_ptr<TieSettler> settler;
    size_t tieFrom = 0;

    bool step(StepBudget& budget);
};

bool Steps::Work::step(StepBudget& budget)
{
    while (phase != Phase::Done) {
        switch (phase) {
        case Phase::ReadTexts:
            // Read in the order given, the order the texts lie in memory: read in the rows' order, which
            // an earlier sort has shuffled, nearly every text of a long list would be a cache miss.
            if (!budget.each(at, count, [&](size_t i) {
                    const std::string_view text = texts[i].text;
                    Placed& row = placed.emplace_back();
                    row.text = text;
                    row.row = texts[i].row;
                    const std::optional<quint64> first = foldedChunk(text, 0);
                    const std::optional<quint64> next = first ? foldedChunk(text, 8) : std::nullopt;
                    row.ascii = next && std::all_of(text.begin(), text.end(),
                                                    [](char c) { return quint8(c) < 0x80; });
                    row.next = next.value_or(0);
                    keys.push_back(first ? *first : foldedPrefixKey(folded(text)));
                }))
                return false;
            texts = {};
            radix = std::make_unique<RadixRun>(keys, descending);
            phase = Phase::OrderKeys;
            break;
        case Phase::OrderKeys:
            if (!radix)
                radix = std::make_unique<RadixRun>(keys, descending);
            if (!radix->run(budget))
                return false;
            order = radix->takeOrder();
            radix.reset();
            at = 0;
            if (!byText) {
                keys = {};
                phase = Phase::Done;
                break;
            }
            lined.reserve(count);
            phase = Phase::LineUp;
            break;
        case Phase::LineUp:
            if (!budget.each(at, count, [&](size_t k) { lined.push_back(placed[size_t(order[k])]); }))
                return false;
            placed = std::move(lined);
            lined = {};
            settler = std::make_unique<TieSettler>(placed, descending);
            at = 1;
            tieFrom = 0;
            phase = Phase::FindTies;
            break;
        case Phase::FindTies:
            // Runs of rows whose first eight folded bytes are alike.
            if (!budget.each(at, count + 1, [&](size_t end) {
                    if (end == count || keys[size_t(order[end])] != keys[size_t(order[tieFrom])]) {
                        settler->addTie(tieFrom, end, 8);
                        tieFrom = end;
                    }
                }))
                return false;
            keys = {};
            phase = Phase::SettleTies;
            break;
        case Phase::SettleTies:
            while (settler->settleOne()) {
                if (budget.spent())
                    return false;
            }
            settler.reset();
            order.resize(count);
            for (size_t k = 0; k < count; ++k)
                order[k] = placed[k].row;
            placed = {};
            phase = Phase::Done;
            break;
        case Phase::Done:
            break;
        }
    }
    return true;
}

Steps::Steps(std::unique_ptr<Work> work) : m_work(std::move(work)) {}
Steps::Steps(Steps&&) noexcept = default;
Steps& Steps::operator=(Steps&&) noexcept = default;
Steps::~Steps() = default;

Steps Steps::byKeys(std::vector<quint64> keys, bool descending)
{
    auto work = std::make_unique<Work>();
    work->descending = descending;
    work->count = keys.size();
    work->keys = std::move(keys);
    return Steps(std::move(work));
}

Steps Steps::byFoldedTexts(std::vector<RowText> texts, bool descending)
{
    auto work = std::make_unique<Work>();
    work->descending = descending;
    work->byText = true;
    work->count = texts.size();
    work->phase = Work::Phase::ReadTexts;
    work->keys.reserve(texts.size());
    work->placed.reserve(texts.size());
    work->texts = std::move(texts);
    return Steps(std::move(work));
}

bool Steps::step(Deadline until)
{
    StepBudget budget(until);
    return m_work->step(budget);
}

std::vector<int> Steps::takeOrder()
{
    return std::move(m_work->order);
}

std::vector<int> byKeys(const std::vector<quint64>& keys, bool descending)
{
    StepBudget unlimited(Steps::Deadline::max());
    RadixRun radix(keys, descending);
    radix.run(unlimited);
    return radix.takeOrder();
}

std::vector<int> byFoldedTexts(std::vector<RowText> texts, bool descending)
{
    Steps steps = Steps::byFoldedTexts(std::move(texts), descending);
    steps.step(Steps::Deadline::max());
    return steps.takeOrder();
}

} // namespace ListGridOrder

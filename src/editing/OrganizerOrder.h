#pragma once

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <string_view>
#include <vector>

// The new order of the organizer's rows by one column, worked out in rounds from keys alone, so that
// it can be worked out on another thread while the window's thread only hands it the keys. A row is
// known by its slot, the index its keys are given by. A number column takes one round of whole keys;
// a text column takes eight bytes of every row's case-folded text in the first round, then the next
// eight bytes of only the rows that still tie with others, until no tie is left that a longer text can
// settle. Rows that compare equal keep their order, ascending or descending.
class OrganizerOrder
{
public:
    // `rows` holds, for each row in its present order, its slot: as many slots as rows.
    OrganizerOrder(const std::vector<quint32>& rows, bool byText, bool descending);
    // As many rows as slots, each row's slot given by setRowSlot() in the first round, beside the keys,
    // so that nothing of a million rows is copied or cleared at once.
    OrganizerOrder(size_t count, bool byText, bool descending);
    void setRowSlot(size_t row, quint32 slot) { m_rows[row] = slot; }

    // Whether this round needs the key of every slot; otherwise of the slots in needed() only.
    bool everySlotNeeded() const { return m_round == 0; }
    // The slots whose keys this round needs, ascending, when not every slot's.
    const std::vector<quint32>& needed() const { return m_needed; }
    // Where in the folded text this round's eight bytes begin.
    size_t offset() const { return m_round * 8; }

    // Eight bytes of a folded text, the first byte highest and zero after the end, so that the keys
    // compare as the texts do, and whether the text goes on after them.
    struct Chunk
    {
        quint64 key = 0;
        bool more = false;
    };

    // A slot's key for this round: a number, or the folded text's eight bytes from offset().
    void setKey(quint32 slot, quint64 number)
    {
        m_keys[slot] = number;
        m_more[slot] = false;
    }
    void setKey(quint32 slot, Chunk chunk)
    {
        m_keys[slot] = chunk.key;
        m_more[slot] = chunk.more;
    }

    // Works this round out from the keys given. Touches nothing the window's thread uses, so it may run
    // on another thread while that one leaves this object alone. Returns done(); a cancel stops it early.
    bool runRound(const std::atomic<bool>& cancelled);
    bool done() const { return m_done; }

    // Once done: for each place in the new order, the row (from 0) that was there before.
    std::vector<int> takeMoves() { return std::move(m_sorted); }
    // Once done: for each place in the new order, its slot.
    std::vector<quint32> takeSlots() { return std::move(m_slots); }

    // The chunk of a folded text from `offset` on.
    static Chunk chunk(std::string_view folded, size_t offset);
    // The same for a text that is all ASCII, A to Z made small as case folding makes them.
    static Chunk asciiChunk(std::string_view text, size_t offset);

private:
    struct Range
    {
        quint32 begin;
        quint32 end;
    };

    quint64 keyOfRow(int row) const
    {
        const quint64 key = m_keys[m_rows[size_t(row)]];
        return m_descending ? ~key : key;
    }
    void sortRange(Range range);
    void findTies(Range range, std::vector<Range>& ties) const;
    void markNeeded(const std::vector<Range>& ties);

    // Left uninitialised: every row's slot and every slot's key is given in the first round.
    size_t m_count;
    std::unique_ptr<quint32[]> m_rows;
    std::unique_ptr<quint64[]> m_keys;
    std::unique_ptr<quint8[]> m_more;
    std::vector<quint32> m_slots;
    bool m_byText;
    bool m_descending;
    size_t m_round = 0;
    bool m_done = false;
    std::vector<int> m_sorted;
    std::vector<int> m_scratch;
    std::vector<quint32> m_counts;
    std::vector<Range> m_ties;
    std::vector<quint32> m_needed;
};

#pragma once

#include <QtGlobal>

#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

// Orders of a great many rows, as a list grid sorts them, without a comparison per pair of rows. Both
// give for each place in the new order the row (from 0) that goes there; rows that compare equal keep
// their order, ascending or descending.
namespace ListGridOrder {

// By number: a radix sort that skips the digits every key shares.
std::vector<int> byKeys(const std::vector<quint64>& keys, bool descending);

struct RowText
{
    std::string_view text; // UTF-8
    int row = 0;
};

// By text, compared as the case-folded texts compare. The rows may come in any order, best the order
// their texts lie in memory; the row numbers say their order before. ASCII texts are ordered eight bytes
// at a time, and only rows that tie on those bytes are looked at further; a tie among texts that are
// not all ASCII is settled by comparing the folded texts whole.
std::vector<int> byFoldedTexts(std::vector<RowText> texts, bool descending);

// The time one step of an order may take. The clock is read only every few thousand rows, so at least
// that many are done in every step.
class StepBudget
{
public:
    using Deadline = std::chrono::steady_clock::time_point;

    explicit StepBudget(Deadline until, int rowsBetweenLooks = RowsBetweenLooks)
        : m_until(until), m_rowsBetweenLooks(rowsBetweenLooks), m_left(rowsBetweenLooks)
    {
    }

    bool spent()
    {
        if (--m_left > 0)
            return false;
        m_left = m_rowsBetweenLooks;
        return std::chrono::steady_clock::now() >= m_until;
    }

    // Does each(row) for the rows from `at` up to `end`, moving `at` on; false when the step's time ran
    // out, `at` then being the next row to do (`end` when they were all done just in time).
    template <typename Each> bool each(size_t& at, size_t end, Each each)
    {
        while (at < end) {
            each(at);
            ++at;
            if (spent())
                return false;
        }
        return true;
    }

private:
    static constexpr int RowsBetweenLooks = 4096;
    Deadline m_until;
    int m_rowsBetweenLooks;
    int m_left;
};

// Either order worked out a little at a time, so that a window's thread can order a million rows in
// steps of a few milliseconds and go on with its events between them. The texts must stay as they are
// until the order is done.
class Steps
{
public:
    using Deadline = StepBudget::Deadline;

    static Steps byKeys(std::vector<quint64> keys, bool descending);
    static Steps byFoldedTexts(std::vector<RowText> texts, bool descending);

    Steps(Steps&&) noexcept;
    Steps& operator=(Steps&&) noexcept;
    ~Steps();

    // Works on the order until it is done or the deadline has passed, some rows at least; true when done.
    bool step(Deadline until);
    // The order, once done.
    std::vector<int> takeOrder();

private:
    struct Work;
    explicit Steps(std::unique_ptr<Work> work);
    std::unique_ptr<Work> m_work;
};

} // namespace ListGridOrder

#pragma once

#include <QtGlobal>

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

} // namespace ListGridOrder

#include "controls/ListGridSort.h"

void ListGridSort::setSortColumn(int index, int column)
{
    if (index >= 1)
        m_keys[index].column = column;
}

// An order other than descending sorts ascending, as the grid always did.
void ListGridSort::setSortOrder(int index, int order)
{
    if (index >= 1)
        m_keys[index].order = order == int(ListGridSortOrder::Descending) ? ListGridSortOrder::Descending
                                                                          : ListGridSortOrder::Ascending;
}

// A type number the grid does not know sorts as text.
void ListGridSort::setSortType(int index, int type)
{
    if (index < 1)
        return;
    ListGridSortType known = ListGridSortType::Text;
    for (ListGridSortType candidate :
         {ListGridSortType::Date, ListGridSortType::DateMinute, ListGridSortType::Icon})
        if (type == int(candidate))
            known = candidate;
    m_keys[index].type = known;
}

ListGridSort::Key ListGridSort::key(int index) const
{
    const auto found = m_keys.find(index);
    return found == m_keys.end() ? Key() : found->second;
}

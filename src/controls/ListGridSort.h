#pragma once

#include <map>

// How a sort compares one column's cells. The numbers are the ones the windows pass.
enum class ListGridSortType
{
    Text = 102,
    Date = 200,
    DateMinute = 254,
    Icon = 300,
};

enum class ListGridSortOrder
{
    Ascending = 1,
    Descending = 2,
};

// The sort definition a list grid keeps: numbered keys, each naming a column, an order and a type.
// The windows fill it with plain numbers and then ask the grid to sort; the grid sorts by key 1.
class ListGridSort
{
public:
    struct Key
    {
        int column = 0; // 1-based; 0 sorts nothing
        ListGridSortOrder order = ListGridSortOrder::Ascending;
        ListGridSortType type = ListGridSortType::Text;
    };

    // Forgets every key.
    void Clear() { m_keys.clear(); }

    // index is the key's number, from 1. Other indices are ignored.
    void setSortColumn(int index, int column);
    void setSortOrder(int index, int order);
    void setSortType(int index, int type);

    int SortColumn(int index) const { return key(index).column; }
    int SortOrder(int index) const { return int(key(index).order); }
    int SortType(int index) const { return int(key(index).type); }

    // An unset key reads as column 0, ascending, by text.
    Key key(int index) const;

private:
    std::map<int, Key> m_keys;
};

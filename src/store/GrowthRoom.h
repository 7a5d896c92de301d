#pragma once

#include <cstddef>
#include <vector>

// Room left in the schedule's arrays beyond their contents after a read of the file. Trimmed to the
// exact contents, every array would move (tens of megabytes copied at a million entries) on the first
// entry the program adds; with a sixty-fourth more room that happens once in many thousand additions.
namespace GrowthRoom {

constexpr size_t forRows(size_t rows)
{
    return rows / 64 + 16;
}

// Gives back what growing the array reserved beyond its contents and that room.
template <typename T> void trim(std::vector<T>& array)
{
    const size_t room = forRows(array.size());
    if (array.capacity() <= array.size() + 2 * room)
        return;
    std::vector<T> trimmed;
    trimmed.reserve(array.size() + room);
    trimmed.assign(array.begin(), array.end());
    array.swap(trimmed);
}

} // namespace GrowthRoom

#pragma once

#include <QString>

// Gives a finished file its final name without ever replacing a file of that name, even one that
// appeared a moment before: the rename itself refuses (renameat2 with RENAME_NOREPLACE, or a second
// name made with link where the file system cannot rename so).
namespace FilePlacement {

enum class Placed
{
    Done,
    Exists, // a file of that name is there; the finished file keeps its own name
    Failed  // errno says why
};

Placed placeWithoutReplacing(const QString& from, const QString& to);

} // namespace FilePlacement

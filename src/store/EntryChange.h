#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// What happened to one entry, told by its identity: the store's listeners learn of the program's own
// writes and of another program's writes this way instead of reading every entry again.
struct EntryChange
{
    enum class Kind
    {
        Added,
        Changed,
        Removed
    };

    Kind kind = Kind::Added;
    QString uid;
    qint64 rowId = 0; // the row the entry has (or, once removed, had) in the file

    bool operator==(const EntryChange&) const = default;
};

using EntryChanges = std::vector<EntryChange>;

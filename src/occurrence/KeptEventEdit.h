#pragma once

#include <QByteArray>

// Changes of a kept event (RuleFile) that an edit of its entry makes.
namespace KeptEventEdit {

// The event with every time of its series moved by `seconds` on its own wall clock and in its own zone:
// the start and end, the rule's end, the extra and excluded dates and the occurrences the changed ones
// stand for. The changed occurrences' own times stay as they were set. Empty when the text cannot be read.
QByteArray movedBy(const QByteArray& kept, qint64 seconds);

} // namespace KeptEventEdit

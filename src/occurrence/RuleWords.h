#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// A recurrence rule in the words the organizer shows for an entry: "Every other Tuesday", "Last
// Thursday of the month", "Every Saturday until 3 March", "Daily, 5 times". A rule of a shape these words
// do not cover is said as the import's report says it.
namespace RuleWords {

// `rule` is the RRULE's value as written; `start` the series' first day.
QString of(const QByteArray& rule, QDate start);

} // namespace RuleWords

#pragma once

#include <QDate>
#include <QString>

struct icalrecurrencetype;

// A recurrence rule in words, as the import's line about a simplified event says what the event said:
// "every other Tuesday until 3 March 2020", "on the last Friday of every month, 5 times". A rule with
// parts these words do not cover is quoted as written.
namespace RuleText {

QString describe(const icalrecurrencetype& rule, QDate start);

// A day as the import's lines name it: "3 March 2020".
QString dayText(QDate date);

} // namespace RuleText

#pragma once

#include <QString>

// What becomes of the texts a user types for an entry before it is stored: the subject is one line of
// whole characters within its field, a text of spaces alone says nothing, and a date or an alarm time
// that cannot be read is named in a message instead of being replaced in silence.
namespace EntryInput {

// Line breaks of every kind become spaces ("\r\n" one space): a subject is one line.
QString oneLine(const QString& text);

// The first `count` characters of the text as the schedule counts them, never half of a character made of
// two UTF-16 units.
QString firstCharacters(const QString& text, qsizetype count);

// A one-line box's text after an edit, and where its cursor then stands.
struct Fitted
{
    QString text;
    qsizetype cursor = 0;
};

// The text of a one-line box whose edit turned `before` into `after`, cursor at `cursor`: what the edit put
// in has its line breaks turned into spaces and loses from its end what does not fit in maxCharacters (as
// the schedule counts them), never half a character. An edit that fits comes back as it is.
Fitted fitOneLine(const QString& before, const QString& after, qsizetype cursor, qsizetype maxCharacters);

// Whether the text says nothing: empty, or white space and line breaks alone.
bool isBlank(const QString& text);

// The messages for a typed date or alarm time that reads as none, quoting it.
QString unreadableDate(const QString& typed);
QString unreadableTime(const QString& typed);

} // namespace EntryInput

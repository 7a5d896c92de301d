#include "store/EntryInput.h"

#include "store/ScheduleEntry.h"

#include <QCoreApplication>

#include <algorithm>

namespace EntryInput {
namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x0085) ||
           c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

bool hasLineBreak(const QString& text)
{
    return std::any_of(text.begin(), text.end(), isLineBreak);
}

// A second half without its first can only be stored as a stand-in character. A first half alone is let
// be: its second half may come with the next key.
bool hasLoneSecondHalf(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isLowSurrogate() && (i == 0 || !text.at(i - 1).isHighSurrogate()))
            return true;
    }
    return false;
}

} // namespace

QString oneLine(const QString& text)
{
    if (!hasLineBreak(text))
        return text;
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : line) {
        if (isLineBreak(c))
            c = u' ';
    }
    return line;
}

QString firstCharacters(const QString& text, qsizetype count)
{
    qsizetype seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isLowSurrogate())
            continue;
        if (seen == count)
            return text.left(i);
        ++seen;
    }
    return text;
}

Fitted fitOneLine(const QString& before, const QString& after, qsizetype cursor, qsizetype maxCharacters)
{
    if (!hasLineBreak(after) && !hasLoneSecondHalf(after) && characterCount(after) <= maxCharacters)
        return {after, cursor};

    // What the edit put in lies between what it left of the text before it and of the text after it.
    const qsizetype shorter = qMin(before.size(), after.size());
    qsizetype kept = 0;
    while (kept < shorter && before.at(kept) == after.at(kept))
        ++kept;
    if (kept > 0 && after.at(kept - 1).isHighSurrogate())
        --kept; // a character completed by the edit counts as put in whole
    qsizetype keptAtEnd = 0;
    while (keptAtEnd < shorter - kept &&
           before.at(before.size() - 1 - keptAtEnd) == after.at(after.size() - 1 - keptAtEnd))
        ++keptAtEnd;
    if (keptAtEnd > 0 && after.at(after.size() - keptAtEnd).isLowSurrogate())
        --keptAtEnd;

    const QString head = oneLine(after.left(kept));
    const QString tail = oneLine(after.right(keptAtEnd));
    QString added = oneLine(after.mid(kept, after.size() - kept - keptAtEnd));
    if (!added.isEmpty() && added.front().isLowSurrogate())
        added.remove(0, 1); // half a character, whose first half is gone
    const qsizetype room = maxCharacters - characterCount(head) - characterCount(tail);
    added = firstCharacters(added, qMax<qsizetype>(room, 0));
    // Text that was already there and too long (a box filled before it was limited) is cut at its end.
    const QString text = firstCharacters(head + added + tail, maxCharacters);
    return {text, qMin(head.size() + added.size(), text.size())};
}

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

QString unreadableDate(const QString& typed)
{
    return QCoreApplication::translate("EntryInput", "The date \"%1\" cannot be read. Please type it as "
                                                     "month/day/year, for example 03/07/2003.")
        .arg(typed);
}

QString unreadableTime(const QString& typed)
{
    return QCoreApplication::translate("EntryInput",
                                       "The alarm time \"%1\" cannot be read. Please type it as "
                                       "hours:minutes:seconds AM or PM, for example 07:30:00 PM.")
        .arg(typed);
}

} // namespace EntryInput

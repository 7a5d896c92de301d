#pragma once

#include <QString>

// Entry texts (subjects, notes) are shown as the characters they are, never read as markup: a subject
// "<b>x</b>" shows those eight characters, and one that names a picture makes nothing load. Labels do
// this by their text format (every ClickLabel is plain text); hints, which Qt reads as rich text as
// soon as they look like it, go through here.
namespace PlainText {

// The hint that shows text as it stands: its line breaks and spaces are kept, and a line wider than a
// hint is wrapped at its spaces instead of stretching the hint across the screen.
inline QString hint(const QString& text)
{
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace PlainText

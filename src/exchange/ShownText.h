#pragma once

#include <QByteArray>
#include <QString>

// Text taken from a calendar file as a message shows it on a terminal: control characters (an escape
// sequence that would set the terminal's title or clear its screen, a raw line break) appear as \xNN,
// so that a message never does more than say something.
namespace ShownText {

QString escaped(QStringView text);

// A line of the file in quotes: whole when short, its start otherwise, control characters escaped.
QString quotedLine(const QByteArray& line);

// A subject in quotes, control characters escaped.
QString quoted(const QString& text);

} // namespace ShownText

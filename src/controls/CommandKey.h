#pragma once

#include <QKeySequence>

#include <functional>

class QWidget;

// A key of its own for a command whose caption marks no access key ("Options", "Min", the window
// pictures). It works while the command's window is active and the command itself is shown and enabled,
// as an access key does, and assistive tools can read it from the command (see keyOf).
class CommandKey
{
public:
    // Binds key to the command; activate runs when it is pressed. A second bind replaces the first.
    static void bind(QWidget* command, const QKeySequence& key, std::function<void()> activate);
    // The key bound to the command, or an empty sequence.
    static QKeySequence keyOf(const QWidget* command);
};

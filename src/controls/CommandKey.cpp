#include "controls/CommandKey.h"

#include <QShortcut>
#include <QWidget>

namespace {

const QString ShortcutName = QStringLiteral("CommandKey");

} // namespace

void CommandKey::bind(QWidget* command, const QKeySequence& key, std::function<void()> activate)
{
    delete command->findChild<QShortcut*>(ShortcutName, Qt::FindDirectChildrenOnly);
    // Owned by the command, so the key goes with it; the window context makes the key work wherever the
    // focus is in that window, as the access keys of the captions do.
    auto* shortcut = new QShortcut(key, command);
    shortcut->setObjectName(ShortcutName);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, command, [command, activate = std::move(activate)] {
        if (command->isEnabled() && command->isVisible())
            activate();
    });
}

QKeySequence CommandKey::keyOf(const QWidget* command)
{
    const auto* shortcut = command->findChild<QShortcut*>(ShortcutName, Qt::FindDirectChildrenOnly);
    return shortcut ? shortcut->key() : QKeySequence();
}

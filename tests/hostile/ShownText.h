#pragma once

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QTest>
#include <QTextDocument>
#include <QWidget>

// What a person reads of a window's texts, for the tests that feed the windows hostile entries.
namespace ShownText {

// The characters a hint shows: Qt reads a hint that looks like markup as rich text.
inline QString hintCharacters(const QString& hint)
{
    if (!Qt::mightBeRichText(hint))
        return hint;
    QTextDocument document;
    document.setHtml(hint);
    return document.toPlainText();
}

// Moves the mouse onto the widget and across it: the first move into a window on the offscreen platform
// may only enter the window without reaching the widget under the mouse.
inline void hover(QWidget* widget)
{
    QTest::mouseMove(widget, QPoint(1, 1));
    QTest::mouseMove(widget);
}

// The hint window Qt shows for the widget when the mouse rests on it, or null when none shows.
inline QLabel* showHint(QWidget* widget)
{
    const QPoint at = widget->rect().center();
    QHelpEvent rest(QEvent::ToolTip, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &rest);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel") && top->isVisible())
            return qobject_cast<QLabel*>(top);
    }
    return nullptr;
}

} // namespace ShownText

#include "editing/NoteEdit.h"

#include "store/ScheduleEntry.h"

#include <QTextCursor>
#include <QTextDocument>

NoteEdit::NoteEdit(int maxCharacters, QWidget* parent) : QPlainTextEdit(parent), m_max(maxCharacters)
{
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        m_changeStart = position;
        m_changeEnd = position + added;
    });
    connect(this, &QPlainTextEdit::textChanged, this, &NoteEdit::keepWithinLimit);
}

void NoteEdit::keepWithinLimit()
{
    if (m_trimming)
        return;
    const QString text = toPlainText();
    qsizetype excess = characterCount(text) - m_max;
    if (excess <= 0)
        return;
    // The characters just inserted are the ones that do not fit: they are cut from the end of the
    // insertion (or of the whole text, should the insertion not hold them all), never splitting a
    // character made of two UTF-16 units.
    int end = qMin(m_changeEnd, int(text.size()));
    int floor = qMin(m_changeStart, end);
    if (end - floor < excess) {
        end = int(text.size());
        floor = 0;
    }
    int start = end;
    while (excess > 0 && start > floor) {
        --start;
        if (text.at(start).isLowSurrogate() && start > floor)
            --start;
        --excess;
    }
    m_trimming = true;
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_trimming = false;
}

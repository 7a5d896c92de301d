#pragma once

#include <QPlainTextEdit>

// A multi-line text box that holds at most a given number of characters, as the note field of the
// schedule does: typing stops at the limit and a paste is cut to what still fits.
class NoteEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit NoteEdit(int maxCharacters, QWidget* parent = nullptr);

    int maxCharacters() const { return m_max; }

private:
    void keepWithinLimit();

    int m_max;
    int m_changeStart = 0;
    int m_changeEnd = 0;
    bool m_trimming = false;
};

#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

// Keeps what a user types or pastes into a subject box to one line of at most the characters its field
// holds: line breaks become spaces, and what does not fit is cut at a whole character, so that no
// character made of two UTF-16 units is ever split. Texts the window shows from the schedule are shown
// as they are stored.
class OneLineLimit : public QValidator
{
    Q_OBJECT

public:
    // Limits the box from now on; the box owns the limit.
    OneLineLimit(QLineEdit* box, int maxCharacters);

    // Shows a stored text as it is, so that the entry it came from is still found by it.
    void showStored(const QString& text);

    State validate(QString& input, int& pos) const override;

private:
    QLineEdit* m_box;
    int m_max;
    // The box's text before the edit now being validated.
    QString m_before;
    bool m_showingStored = false;
};

#pragma once

#include <QAbstractSpinBox>
#include <QString>

// The time edit of the schedule windows. Its value is text: a time of day reads back as "hh:mm:ss AM"
// (two-digit 12-hour clock), the form the alarm check and the organizer compare stored times in, and
// the empty text means no time. Typed times such as "14:30" or "2:30 pm" are shown in that form once the
// user leaves the box; a typed text that is no time stays as typed, holding no time, so that the window
// can name it when the entry is saved. The arrow keys and buttons step the hour, minute or second under
// the cursor, or switch AM and PM.
class TimeEdit : public QAbstractSpinBox
{
    Q_OBJECT

public:
    explicit TimeEdit(QWidget* parent = nullptr);

    QString value() const;
    // Shows the time of the text, or no time for the empty text. A text that is no time is refused: the
    // box keeps what it had and false is returned.
    bool setValue(const QString& text);
    // Shows a stored time text: in the full form when it reads as a time, otherwise exactly as stored,
    // holding no time, so that the window shows what the entry holds and can name it on saving.
    void showStored(const QString& text);

    // The text in the box as the user left it.
    QString typedText() const { return text(); }
    // Whether the box holds a typed text that is no time (an empty box is no such text).
    bool unreadable() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

signals:
    void valueChanged(const QString& value);

protected:
    StepEnabled stepEnabled() const override;

private:
    void normalise();
    void commit(const QString& value);

    QString m_value;
};

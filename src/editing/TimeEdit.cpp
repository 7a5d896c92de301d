#include "editing/TimeEdit.h"

#include "store/DateText.h"

#include <QLineEdit>

#include <algorithm>

namespace {

// Where each part of "hh:mm:ss AM" begins.
constexpr int MinuteColumn = 3;
constexpr int SecondColumn = 6;
constexpr int HalfDayColumn = 9;
// The longest text a user types as a time.
constexpr int TypedLength = 16;

bool allowedCharacter(QChar c)
{
    return c.isDigit() || c == u':' || c == u' ' || QStringLiteral("aApPmM").contains(c);
}

} // namespace

TimeEdit::TimeEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setAccessibleName(tr("Time"));
    lineEdit()->setPlaceholderText(QStringLiteral("hh:mm:ss AM"));
    lineEdit()->setMaxLength(TypedLength);
    connect(this, &QAbstractSpinBox::editingFinished, this, &TimeEdit::normalise);
}

QString TimeEdit::value() const
{
    const std::optional<QTime> time = DateText::readTime(text());
    return time ? DateText::timeText(*time) : QString();
}

bool TimeEdit::setValue(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        lineEdit()->clear();
        commit(QString());
        return true;
    }
    const std::optional<QTime> time = DateText::readTime(text);
    if (!time)
        return false;
    const QString canonical = DateText::timeText(*time);
    lineEdit()->setText(canonical);
    commit(canonical);
    return true;
}

void TimeEdit::showStored(const QString& text)
{
    if (setValue(text))
        return;
    // A stored text longer than a typed time may be is shown whole all the same.
    lineEdit()->setMaxLength(std::max(TypedLength, int(text.size())));
    lineEdit()->setText(text);
    commit(QString());
}

void TimeEdit::stepBy(int steps)
{
    const std::optional<QTime> shown = DateText::readTime(text());
    const QTime time = shown ? *shown : QTime(0, 0);
    // The cursor tells which part steps; in a text not yet in the full form it is the hour.
    const int cursor = shown && DateText::timeText(*shown) == text() ? lineEdit()->cursorPosition() : 0;
    QTime stepped;
    if (cursor >= HalfDayColumn)
        stepped = time.addSecs(12 * 3600 * (steps % 2 == 0 ? 0 : 1));
    else if (cursor >= SecondColumn)
        stepped = time.addSecs(steps);
    else if (cursor >= MinuteColumn)
        stepped = time.addSecs(60 * steps);
    else
        stepped = time.addSecs(3600 * steps);
    setValue(DateText::timeText(stepped));
    lineEdit()->setCursorPosition(cursor);
}

QValidator::State TimeEdit::validate(QString& input, int&) const
{
    for (QChar c : input) {
        if (!allowedCharacter(c))
            return QValidator::Invalid;
    }
    if (input.trimmed().isEmpty() || DateText::readTime(input))
        return QValidator::Acceptable;
    return QValidator::Intermediate;
}

void TimeEdit::fixup(QString& input) const
{
    if (const std::optional<QTime> time = DateText::readTime(input))
        input = DateText::timeText(*time);
}

bool TimeEdit::unreadable() const
{
    return !text().trimmed().isEmpty() && !DateText::readTime(text());
}

QAbstractSpinBox::StepEnabled TimeEdit::stepEnabled() const
{
    return isEnabled() && !isReadOnly() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}

void TimeEdit::normalise()
{
    const QString shown = text();
    QString fixed = shown;
    fixup(fixed);
    if (fixed != shown)
        lineEdit()->setText(fixed);
    commit(value());
}

void TimeEdit::commit(const QString& value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(m_value);
}

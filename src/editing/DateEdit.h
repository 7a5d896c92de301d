#pragma once

#include <QString>
#include <QWidget>

class QCalendarWidget;
class QFrame;
class QLineEdit;
class QToolButton;

// The date edit of the schedule windows. Its value is text: a date reads back as "mm/dd/yyyy" and the
// empty text means no date. Typed dates are read in month/day/year order ("3/7/2003" too) and shown in
// the full form once the user leaves the box; a typed text that is no date stays as typed, holding no
// date, so that the window can name it when the entry is saved. The button beside the box drops down a
// month calendar.
class DateEdit : public QWidget
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget* parent = nullptr);

    // The shown date as "mm/dd/yyyy", or the empty text when the box holds no date.
    QString value() const;
    // Shows the date of a "mm/dd/yyyy" text, or no date for the empty text. A text that is no date is
    // refused: the box keeps what it had and false is returned.
    bool setValue(const QString& text);
    // Shows a stored date text: in the full form when it reads as a date, otherwise exactly as stored,
    // holding no date, so that the window shows what the entry holds and can name it on saving.
    void showStored(const QString& text);

    // The text in the box as the user left it.
    QString typedText() const;
    // Whether the box holds a typed text that is no date (an empty box is no such text).
    bool unreadable() const;

    QLineEdit* lineEdit() const { return m_edit; }
    QToolButton* dropButton() const { return m_drop; }
    // The drop-down calendar, while it exists.
    QCalendarWidget* calendar() const { return m_calendar; }
    void showCalendar();

signals:
    void valueChanged(const QString& value);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void normalise();
    void commit(const QString& value);

    QLineEdit* m_edit;
    QToolButton* m_drop;
    QFrame* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    QString m_value;
};

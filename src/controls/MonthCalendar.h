#pragma once

#include <QDate>
#include <QFont>
#include <QWidget>

#include <functional>

// The program's own month calendar: one month on a grid of six weeks, Sunday first, with the last days
// of the month before and the first days of the month after in grey.
//
// Its month is given when it is made; the program sets only its year and day. A date is selected or,
// with the no-date-selected switch on, none is. A user's click on a date first asks BeforeUpdate, whose
// handler may cancel the change (the value and the month stay as they were); a change that goes through
// is followed by AfterUpdate. A click on a grey day proposes a date of the neighbouring month, which is
// the calendar's own way of changing its month. A double-click on the selected date also gives DblClick.
//
// Bold days and today's frame are what the owner says they are for the month shown; whenever the shown
// month or year changes, the bold days are dropped until the owner gives them again.
class MonthCalendar : public QWidget
{
    Q_OBJECT

public:
    explicit MonthCalendar(int month, QWidget* parent = nullptr);

    int year() const { return m_year; }
    int month() const { return m_month; }
    int day() const { return m_day; }
    // Keeps the day, moved to the month's last day when the month of that year is shorter.
    void setYear(int year);
    // Selects the day of the shown month and year; a day past the month's end selects its last day.
    void setDay(int day);

    // The selected date, or a null date when none is selected.
    QDate value() const;
    bool noDateSelected() const { return m_noDate; }
    void setNoDateSelected(bool none);

    // Bit d set draws day d of the shown month in bold.
    quint32 boldDays() const { return m_boldDays; }
    void setBoldDays(quint32 days);
    // Today's date gets a red frame and red figures when its month is shown.
    QDate today() const { return m_today; }
    void setToday(QDate today);

    // A user's choice of a date, as a click makes it: asks BeforeUpdate, then selects the date (showing
    // its month) and reports AfterUpdate. Returns false when the handler cancelled it.
    bool chooseDate(QDate date);

    // How many days the shown month has.
    int dayCount() const { return daysInShownMonth(); }
    // What assistive tools call a day of the shown month (its full date and what it holds); the locale's
    // long date when the owner gives nothing.
    void setDayNamer(std::function<QString(QDate)> namer) { m_dayNamer = std::move(namer); }
    QString spokenDay(QDate date) const;

    // Where a date of the grid is drawn; an empty rectangle when the grid does not show it.
    QRect dayRect(QDate date) const;
    // The date drawn at a point of the widget, or a null date outside the grid of days.
    QDate dateAt(QPoint point) const;

    // How many times the calendar drew itself, so that a window or a benchmark can tell a change painted.
    int paintCount() const { return m_paintCount; }

signals:
    // A user is about to select `proposed`; setting cancel keeps the calendar as it is.
    void BeforeUpdate(QDate proposed, bool& cancel);
    void AfterUpdate();
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The first date of the six weeks drawn: the Sunday on or before the first of the month.
    QDate firstShown() const;
    int daysInShownMonth() const;
    void showMonth(int month, int year);
    // Works the parts of the face out again when the size has changed since; a hidden calendar is told
    // of a new size only when it is next shown, and its days must be found before that.
    void ensureLayout() const;
    void updateLayout() const;

    int m_month;
    int m_year = 2000;
    int m_day = 1;
    bool m_noDate = false;
    quint32 m_boldDays = 0;
    QDate m_today;
    int m_paintCount = 0;
    std::function<QString(QDate)> m_dayNamer;

    // The parts of the face, worked out when the size or font changes.
    mutable QSize m_layoutSize;
    mutable QRect m_title;
    mutable QRect m_weekdays;
    mutable QRect m_grid;
    mutable QFont m_dayFont;
    mutable QFont m_boldFont;
    mutable QFont m_titleFont;
};

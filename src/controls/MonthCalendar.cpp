#include "controls/MonthCalendar.h"

#include "controls/MonthCalendarAccessible.h"

#include <QEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace {

constexpr int Columns = 7;
constexpr int Weeks = 6;
constexpr int ShownDays = Columns * Weeks;

const QColor Paper(0xFF, 0xFF, 0xFF);
const QColor Ink(0x00, 0x00, 0x00);
const QColor Edge(0x80, 0x80, 0x80);
const QColor TitleBack(0x80, 0x80, 0x80);
const QColor TitleInk(0xFF, 0xFF, 0xFF);
const QColor WeekdayInk(0x40, 0x40, 0x40);
const QColor OtherMonthInk(0xA8, 0xA8, 0xA8);
const QColor SelectedBack(0x00, 0x00, 0x00);
const QColor SelectedInk(0xFF, 0xFF, 0xFF);
const QColor TodayInk(0xFF, 0x00, 0x00);
// Fixed English initials, as the main window's weekday headers are fixed English names.
constexpr std::array<char, Columns> WeekdayInitials = {'S', 'M', 'T', 'W', 'T', 'F', 'S'};

// The part of a band of `length` pixels that the `index`th of `count` equal cells takes; the remainder of
// the division is spread over the cells, so that the last cell ends at the band's end.
std::pair<int, int> span(int start, int length, int index, int count)
{
    const int from = start + index * length / count;
    const int to = start + (index + 1) * length / count;
    return {from, to - from};
}

} // namespace

MonthCalendar::MonthCalendar(int month, QWidget* parent) : QWidget(parent), m_month(std::clamp(month, 1, 12))
{
    MonthCalendarAccessible::install();
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QLocale().monthName(m_month));
    updateLayout();
}

void MonthCalendar::setYear(int year)
{
    showMonth(m_month, year);
}

void MonthCalendar::setDay(int day)
{
    m_day = std::clamp(day, 1, daysInShownMonth());
    m_noDate = false;
    update();
}

QDate MonthCalendar::value() const
{
    return m_noDate ? QDate() : QDate(m_year, m_month, m_day);
}

void MonthCalendar::setNoDateSelected(bool none)
{
    if (m_noDate == none)
        return;
    m_noDate = none;
    update();
}

void MonthCalendar::setBoldDays(quint32 days)
{
    if (m_boldDays == days)
        return;
    m_boldDays = days;
    update();
}

void MonthCalendar::setToday(QDate today)
{
    if (m_today == today)
        return;
    m_today = today;
    update();
}

bool MonthCalendar::chooseDate(QDate date)
{
    if (!date.isValid())
        return false;
    bool cancel = false;
    emit BeforeUpdate(date, cancel);
    if (cancel)
        return false;
    showMonth(date.month(), date.year());
    m_day = date.day();
    m_noDate = false;
    update();
    emit AfterUpdate();
    return true;
}

QString MonthCalendar::spokenDay(QDate date) const
{
    return m_dayNamer ? m_dayNamer(date) : QLocale().toString(date, QLocale::LongFormat);
}

QDate MonthCalendar::firstShown() const
{
    const QDate first(m_year, m_month, 1);
    return first.addDays(-(first.dayOfWeek() % Columns)); // Qt counts Monday 1 .. Sunday 7
}

int MonthCalendar::daysInShownMonth() const
{
    return QDate(m_year, m_month, 1).daysInMonth();
}

void MonthCalendar::showMonth(int month, int year)
{
    if (month == m_month && year == m_year)
        return;
    m_month = month;
    m_year = year;
    m_day = std::min(m_day, daysInShownMonth());
    m_boldDays = 0; // they belonged to the month shown before
    setAccessibleName(QLocale().monthName(m_month));
    update();
}

QRect MonthCalendar::dayRect(QDate date) const
{
    ensureLayout();
    const qint64 index = firstShown().daysTo(date);
    if (!date.isValid() || index < 0 || index >= ShownDays)
        return {};
    const auto [x, w] = span(m_grid.x(), m_grid.width(), int(index) % Columns, Columns);
    const auto [y, h] = span(m_grid.y(), m_grid.height(), int(index) / Columns, Weeks);
    return QRect(x, y, w, h);
}

QDate MonthCalendar::dateAt(QPoint point) const
{
    ensureLayout();
    if (!m_grid.contains(point) || m_grid.width() < Columns || m_grid.height() < Weeks)
        return {};
    const int column = std::min((point.x() - m_grid.x()) * Columns / m_grid.width(), Columns - 1);
    const int week = std::min((point.y() - m_grid.y()) * Weeks / m_grid.height(), Weeks - 1);
    return firstShown().addDays(week * Columns + column);
}

void MonthCalendar::ensureLayout() const
{
    if (m_layoutSize != size())
        updateLayout();
}

void MonthCalendar::updateLayout() const
{
    m_layoutSize = size();
    // Title, weekday names and six weeks share the height; figures are sized to the weeks, so that the
    // calendar reads the same in a compact layout and on a large screen.
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    const int titleHeight = std::max(14, height() * 14 / 100);
    const int weekdaysHeight = std::max(12, height() * 11 / 100);
    m_title = QRect(inside.x(), inside.y(), inside.width(), titleHeight);
    m_weekdays = QRect(inside.x() + 2, m_title.bottom() + 1, inside.width() - 4, weekdaysHeight);
    m_grid = QRect(m_weekdays.x(), m_weekdays.bottom() + 1, m_weekdays.width(),
                   std::max(0, inside.bottom() - m_weekdays.bottom()));

    const int figures = std::clamp(m_grid.height() / Weeks * 55 / 100, 8, 15);
    m_dayFont = font();
    m_dayFont.setPixelSize(figures);
    m_dayFont.setBold(false);
    m_boldFont = m_dayFont;
    m_boldFont.setBold(true);
    m_titleFont = m_boldFont;
    m_titleFont.setPixelSize(std::clamp(titleHeight * 60 / 100, 9, 16));
}

void MonthCalendar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateLayout();
}

void MonthCalendar::paintEvent(QPaintEvent*)
{
    ++m_paintCount;
    ensureLayout();
    QPainter painter(this);
    painter.fillRect(rect(), Paper);
    painter.setPen(Edge);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QLocale locale;
    painter.fillRect(m_title, TitleBack);
    painter.setFont(m_titleFont);
    painter.setPen(TitleInk);
    painter.drawText(m_title, Qt::AlignCenter, locale.monthName(m_month) + u' ' + QString::number(m_year));

    painter.setFont(m_dayFont);
    painter.setPen(WeekdayInk);
    for (int column = 0; column < Columns; ++column) {
        const auto [x, w] = span(m_weekdays.x(), m_weekdays.width(), column, Columns);
        painter.drawText(QRect(x, m_weekdays.y(), w, m_weekdays.height()), Qt::AlignCenter,
                         QString(QLatin1Char(WeekdayInitials[size_t(column)])));
    }
    painter.setPen(Edge);
    painter.drawLine(m_weekdays.left(), m_weekdays.bottom(), m_weekdays.right(), m_weekdays.bottom());

    const QDate first = firstShown();
    const QDate selected = value();
    for (int index = 0; index < ShownDays; ++index) {
        const QDate date = first.addDays(index);
        const QRect cell = dayRect(date);
        const bool inMonth = date.month() == m_month;
        const bool isSelected = inMonth && date == selected;
        const bool isToday = inMonth && date == m_today;
        const bool bold = inMonth && (m_boldDays & (quint32(1) << date.day()));

        if (isSelected)
            painter.fillRect(cell.adjusted(1, 1, -1, -1), SelectedBack);
        if (isToday) {
            // The frame stays visible on a selected day, whose figures are white.
            painter.setPen(QPen(TodayInk, 2));
            painter.drawRect(cell.adjusted(2, 2, -2, -2));
        }
        painter.setFont(bold ? m_boldFont : m_dayFont);
        painter.setPen(!inMonth ? OtherMonthInk : isSelected ? SelectedInk : isToday ? TodayInk : Ink);
        painter.drawText(cell, Qt::AlignCenter, QString::number(date.day()));
    }
}

void MonthCalendar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    chooseDate(dateAt(event->position().toPoint()));
}

void MonthCalendar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    // The first click of the pair has normally selected the date already; a double-click that comes
    // without it (or whose first click was refused) asks for the date once more.
    const QDate date = dateAt(event->position().toPoint());
    if (date.isValid() && (date == value() || chooseDate(date)))
        emit DblClick();
}

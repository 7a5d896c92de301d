#include "store/DateText.h"

#include <QLocale>

namespace DateText {
namespace {

// The parsers work on UTF-16 (texts from the windows) and on UTF-8 (texts straight from the schedule
// file), so that loading the table does not convert every field first.
template <typename Text> int readNumber(const Text& text, qsizetype& pos, int& value)
{
    int digits = 0;
    value = 0;
    while (pos < qsizetype(text.size()) && text[pos] >= '0' && text[pos] <= '9' && digits < 9) {
        value = value * 10 + int(text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits;
}

template <typename Text> Text trimmed(Text text)
{
    qsizetype begin = 0, end = qsizetype(text.size());
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.substr(size_t(begin), size_t(end - begin));
}

template <typename Text> std::optional<QDate> parseDate(Text text)
{
    text = trimmed(text);
    qsizetype pos = 0;
    int month = 0, day = 0, year = 0;
    const int monthDigits = readNumber(text, pos, month);
    if (monthDigits < 1 || monthDigits > 2 || pos >= qsizetype(text.size()) || text[pos] != '/')
        return std::nullopt;
    ++pos;
    const int dayDigits = readNumber(text, pos, day);
    if (dayDigits < 1 || dayDigits > 2 || pos >= qsizetype(text.size()) || text[pos] != '/')
        return std::nullopt;
    ++pos;
    const int yearDigits = readNumber(text, pos, year);
    if (yearDigits != 4 || pos != qsizetype(text.size()) || year < 100)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

template <typename Text> bool equalsIgnoringCase(Text text, const char* word)
{
    size_t i = 0;
    for (; word[i] != 0; ++i) {
        if (i >= size_t(text.size()))
            return false;
        auto c = text[i];
        if (c >= 'a' && c <= 'z')
            c = decltype(c)(c - 'a' + 'A');
        if (c != word[i])
            return false;
    }
    return i == size_t(text.size());
}

template <typename Text> std::optional<QTime> parseTime(Text text)
{
    text = trimmed(text);
    qsizetype pos = 0;
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const int digits = readNumber(text, pos, parts[count]);
        if (digits < 1 || digits > 2)
            return std::nullopt;
        ++count;
        if (pos < qsizetype(text.size()) && text[pos] == ':')
            ++pos;
        else
            break;
    }
    if (count < 2)
        return std::nullopt;

    const Text rest = trimmed(text.substr(size_t(pos)));
    int hour = parts[0];
    if (!rest.empty()) {
        const bool am = equalsIgnoringCase(rest, "AM");
        const bool pm = equalsIgnoringCase(rest, "PM");
        if ((!am && !pm) || hour < 1 || hour > 12)
            return std::nullopt;
        hour = (hour % 12) + (pm ? 12 : 0);
    }
    const QTime time(hour, parts[1], parts[2]);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

std::optional<QDate> readDate(QStringView text)
{
    return parseDate(std::u16string_view(text.utf16(), size_t(text.size())));
}

std::optional<QDate> readDate(std::string_view utf8)
{
    return parseDate(utf8);
}

std::optional<QTime> readTime(QStringView text)
{
    return parseTime(std::u16string_view(text.utf16(), size_t(text.size())));
}

std::optional<QTime> readTime(std::string_view utf8)
{
    return parseTime(utf8);
}

QString mmddyyyy(QDate date)
{
    return twoDigits(date.month()) + u'/' + twoDigits(date.day()) + u'/' +
           QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString ddyyyy(QDate date)
{
    return twoDigits(date.day()) + u'/' + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString mmdd(QDate date)
{
    return twoDigits(date.month()) + u'/' + twoDigits(date.day());
}

QString dd(QDate date)
{
    return twoDigits(date.day());
}

QString dddd(QDate date)
{
    return QLocale().dayName(date.dayOfWeek(), QLocale::LongFormat);
}

QString mmmm(QDate date)
{
    return QLocale().monthName(date.month(), QLocale::LongFormat);
}

QString mmmmddyyyy(QDate date)
{
    return mmmm(date) + u' ' + twoDigits(date.day()) + QStringLiteral(", ") + QString::number(date.year());
}

QString timeText(QTime time)
{
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return twoDigits(hour12) + u':' + twoDigits(time.minute()) + u':' + twoDigits(time.second()) +
           (time.hour() < 12 ? QStringLiteral(" AM") : QStringLiteral(" PM"));
}

QString namedFormat(QDate date, const QString& formatName)
{
    const auto format = formatName == ShortDate ? QLocale::ShortFormat : QLocale::LongFormat;
    return QLocale().toString(date, format);
}

QString cellDateText(int month, const QString& dayCaption, const QString& yearText)
{
    return QString::number(month) + u'/' + dayCaption + u'/' + yearText;
}

} // namespace DateText

#include "controls/ListGridSortKey.h"

#include <QDate>

namespace ListGridSortKey {
namespace {

// Walks a text left to right; every read either consumes what it asked for or leaves the position alone.
class Reader
{
public:
    explicit Reader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_at >= m_text.size(); }
    bool atSpace() const { return !atEnd() && m_text[m_at].isSpace(); }

    void skipSpaces()
    {
        while (atSpace())
            ++m_at;
    }

    // Between minDigits and maxDigits decimal digits.
    std::optional<int> number(int minDigits, int maxDigits)
    {
        int value = 0;
        int digits = 0;
        while (digits < maxDigits && !atEnd() && m_text[m_at] >= u'0' && m_text[m_at] <= u'9') {
            value = value * 10 + (m_text[m_at].unicode() - u'0');
            ++m_at;
            ++digits;
        }
        if (digits < minDigits || (!atEnd() && m_text[m_at] >= u'0' && m_text[m_at] <= u'9'))
            return std::nullopt;
        return value;
    }

    bool take(QChar c)
    {
        if (atEnd() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }

    bool takeWord(QLatin1String word)
    {
        const QStringView rest = m_text.mid(m_at);
        if (!rest.startsWith(word, Qt::CaseInsensitive))
            return false;
        m_at += word.size();
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_at = 0;
};

std::optional<qint64> readDay(Reader& reader)
{
    reader.skipSpaces();
    const auto month = reader.number(1, 2);
    if (!month || !reader.take(u'/'))
        return std::nullopt;
    const auto dayOfMonth = reader.number(1, 2);
    if (!dayOfMonth || !reader.take(u'/'))
        return std::nullopt;
    const auto year = reader.number(4, 4);
    if (!year)
        return std::nullopt;
    const QDate date(*year, *month, *dayOfMonth);
    if (!date.isValid())
        return std::nullopt;
    return date.toJulianDay();
}

// Minutes since midnight of "h:mm[:ss] [AM|PM]", up to the end of the text.
std::optional<int> readTime(Reader& reader)
{
    const auto hour = reader.number(1, 2);
    if (!hour || !reader.take(u':'))
        return std::nullopt;
    const auto minute = reader.number(2, 2);
    if (!minute || *minute > 59)
        return std::nullopt;
    if (reader.take(u':')) {
        const auto second = reader.number(2, 2);
        if (!second || *second > 59)
            return std::nullopt;
    }
    reader.skipSpaces();
    int hours = *hour;
    const bool am = reader.takeWord(QLatin1String("AM"));
    const bool pm = !am && reader.takeWord(QLatin1String("PM"));
    if (am || pm) {
        if (hours < 1 || hours > 12)
            return std::nullopt;
        hours = hours % 12 + (pm ? 12 : 0);
    } else if (hours > 23) {
        return std::nullopt;
    }
    reader.skipSpaces();
    if (!reader.atEnd())
        return std::nullopt;
    return hours * 60 + *minute;
}

} // namespace

std::optional<qint64> day(QStringView text)
{
    Reader reader(text);
    const auto found = readDay(reader);
    if (!found || (!reader.atEnd() && !reader.atSpace()))
        return std::nullopt;
    return found;
}

std::optional<qint64> minute(QStringView text)
{
    Reader reader(text);
    const auto found = readDay(reader);
    if (!found) {
        // A time of day alone (an alarm time column) is that minute of no particular day, before any date.
        Reader timeOnly(text);
        timeOnly.skipSpaces();
        const auto time = readTime(timeOnly);
        if (!time)
            return std::nullopt;
        return qint64(*time);
    }
    reader.skipSpaces();
    if (reader.atEnd())
        return *found * 1440;
    const auto time = readTime(reader);
    if (!time)
        return std::nullopt;
    return *found * 1440 + *time;
}

} // namespace ListGridSortKey

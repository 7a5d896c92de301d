// The date and time readers over any text: the texts of a schedule file come from anywhere, and the
// organizer's grid sorts whatever its cells hold.

#include "FuzzRequire.h"
#include "controls/ListGridSortKey.h"
#include "store/DateText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view utf8(reinterpret_cast<const char*>(data), size);
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));

    // Stored texts are read as UTF-8 and window texts as UTF-16; both must read the same text alike.
    const std::optional<QDate> date = DateText::readDate(utf8);
    require(date == DateText::readDate(QStringView(text)));
    if (date) {
        require(date->isValid());
        const QString written = DateText::mmddyyyy(*date);
        require(DateText::readDate(QStringView(written)) == date);
        require(ListGridSortKey::day(written) == date->toJulianDay());
    }

    const std::optional<QTime> time = DateText::readTime(utf8);
    require(time == DateText::readTime(QStringView(text)));
    if (time) {
        require(time->isValid());
        const QString written = DateText::timeText(*time);
        require(DateText::readTime(QStringView(written)) == time);
        require(ListGridSortKey::minute(written) == time->hour() * 60 + time->minute());
    }

    // A date column and a date-and-minute column agree on the day of a text both can read.
    const std::optional<qint64> day = ListGridSortKey::day(text);
    const std::optional<qint64> minute = ListGridSortKey::minute(text);
    if (day && minute && *minute >= 1440)
        require(*minute / 1440 == *day);
    return 0;
}

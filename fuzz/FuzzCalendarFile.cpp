// The iCalendar reader over any bytes: an imported file comes from another program, a download or a
// hand edit, and every event it gives must become an entry the schedule accepts, or a fault that names
// its line.

#include "FuzzRequire.h"
#include "exchange/EventToEntry.h"
#include "exchange/IcsReader.h"
#include "store/DateText.h"
#include "store/ScheduleEntry.h"

#include <QByteArray>
#include <QTimeZone>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const QTimeZone local(QByteArrayLiteral("Europe/Lisbon"));
    const auto handle = [&](const IcsReader::Event& event) -> std::optional<IcsReader::Failure> {
        require(event.line >= 1 && event.startLine >= event.line);
        require(event.event || event.leftOut);
        const EventToEntry::Mapped mapped = EventToEntry::map(event, local);
        // Every event left out or changed is named on a line of its own.
        if (mapped.outcome != EventToEntry::Outcome::Entry || mapped.simplified || mapped.zoneUnknown)
            require(!mapped.note.isEmpty() && mapped.noteLine >= 1);
        // Messages quote the file, but never a control character of it.
        for (const QChar c : mapped.note)
            require(c.unicode() >= 0x20 && c.unicode() != 0x7f);
        if (mapped.outcome != EventToEntry::Outcome::Entry)
            return std::nullopt;
        // What an import would write: an entry the store takes, whose date and time read back.
        require(validationError(mapped.entry).isEmpty());
        require(mapped.date.isValid() && mapped.second >= 0 && mapped.second < 86400);
        require(DateText::readDate(QStringView(mapped.entry.fields[size_t(ScheduleField::Date)])) ==
                mapped.date);
        return std::nullopt;
    };
    if (const std::optional<IcsReader::Failure> failure = IcsReader::read(text, handle)) {
        require(!failure->reason.isEmpty() && failure->line >= 0);
        for (const QChar c : failure->reason)
            require(c.unicode() >= 0x20 && c.unicode() != 0x7f);
    }
    return 0;
}

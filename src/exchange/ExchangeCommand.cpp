#include "exchange/ExchangeCommand.h"

#include "exchange/IcsExport.h"
#include "exchange/IcsImport.h"
#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cstdio>
#include <new>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ExchangeCommand", text);
}

QString withFullStop(const QString& text)
{
    return text.endsWith(u'.') ? text : text + u'.';
}

// A run that did nothing: "Nothing exported: why." on standard error, and the exit code that says so.
int refuse(const ExchangeCommand::Console& console, const QString& nothing, const QString& why)
{
    console.err(withFullStop(nothing + QStringLiteral(": ") + why));
    return ExchangeCommand::FailedExitCode;
}

QString entries(qint64 count)
{
    return count == 1 ? tr("1 entry") : tr("%1 entries").arg(count);
}

// "Did X (a, b)." with the parenthesis only when there is something to add.
QString sentence(const QString& main, const QStringList& notes)
{
    return notes.isEmpty()
               ? main + u'.'
               : main + QStringLiteral(" (") + notes.join(QStringLiteral("; ")) + QStringLiteral(").");
}

QString shownName(const QString& file, const QString& stream)
{
    return file == ExchangeCommand::StandardStream ? stream : QDir::toNativeSeparators(file);
}

QString noName()
{
    return tr("no file name was given (\"-\" stands for the standard streams)");
}

QString outOfMemory()
{
    return tr("there is not enough memory for it; the schedule is as it was");
}

int exportNow(const QString& schedulePath, const QString& file, const QDateTime& now,
              const ExchangeCommand::Console& console)
{
    const QString nothing = tr("Nothing exported");
    if (file.isEmpty())
        return refuse(console, nothing, noName());
    const bool toStream = file == ExchangeCommand::StandardStream;
    const QString shown = shownName(file, tr("standard output"));
    if (!toStream && (QFileInfo(file).exists() || QFileInfo(file).isSymLink()))
        return refuse(console, nothing,
                      tr("%1 already exists; it has been left as it is. Choose a new file name.").arg(shown));
    if (!QFileInfo::exists(schedulePath))
        return refuse(
            console, nothing,
            tr("the schedule file %1 does not exist yet").arg(QDir::toNativeSeparators(schedulePath)));
    QString error;
    const auto database = ScheduleDatabase::open(schedulePath, &error);
    if (!database)
        return refuse(console, nothing, error);
    ProgressLine progress(tr("Exporting to %1").arg(shown), console.elapsed, console.err);
    IcsExport::Result result;
    if (toStream) {
        QFile standardOutput;
        QIODevice* output = console.output;
        if (!output) {
            standardOutput.open(stdout, QIODevice::WriteOnly);
            output = &standardOutput;
        }
        result = IcsExport::write(database->table(), *output, now, &progress, &database->identities(),
                                  &database->rules());
        if (!result.ok)
            result.error = tr("%1 could not be written: %2.").arg(shown, result.error);
    } else {
        result = IcsExport::write(database->table(), file, now, &progress, &database->identities(),
                                  &database->rules());
    }
    if (!result.ok)
        return refuse(console, nothing, result.error);
    QStringList notes;
    if (result.unreadable > 0)
        notes << tr("%1 skipped: date or time unreadable").arg(result.unreadable);
    if (result.unknownKind > 0)
        notes << tr("%1 skipped: recurrence kind unknown").arg(result.unknownKind);
    // Standard output carries the calendar itself.
    const auto& say = toStream ? console.err : console.out;
    say(sentence(tr("Exported %1 to %2").arg(entries(result.written), shown), notes));
    return 0;
}

// Standard input read to its end into a file of its own, since the import reads its file twice.
bool spooled(QIODevice* input, QTemporaryFile& spool, QString* error)
{
    QFile standardInput;
    if (!input) {
        standardInput.open(stdin, QIODevice::ReadOnly);
        input = &standardInput;
    }
    if (!spool.open()) {
        *error = spool.errorString();
        return false;
    }
    QByteArray chunk;
    while (true) {
        chunk = input->read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (spool.write(chunk) != chunk.size()) {
            *error = spool.errorString();
            return false;
        }
    }
    return spool.flush() && spool.seek(0);
}

// Whether another program holds the schedule file for a write of its own just now. The import's own
// connection waits only a moment for such a program, as the running calendar's does.
bool heldByAnotherProgram(const QString& schedulePath)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(schedulePath);
    const bool opened = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const int taken = opened ? sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) : SQLITE_ERROR;
    if (taken == SQLITE_OK)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return taken == SQLITE_BUSY || taken == SQLITE_LOCKED;
}

QString heldText(const QString& schedulePath)
{
    return tr("the schedule file %1 is held by another program that is writing to it, and the import, which "
              "waited to write, wrote nothing; the schedule is as it was. Import again when that program is "
              "done")
        .arg(QDir::toNativeSeparators(schedulePath));
}

QString noneTaken(qint64 events, const QString& shown)
{
    return events == 1 ? tr("the one event in %1 could not be taken in").arg(shown)
                       : tr("none of the %1 events in %2 could be taken in").arg(events).arg(shown);
}

QStringList importNotes(const IcsImport::Result& result)
{
    QStringList notes;
    if (result.updated > 0)
        notes << tr("%1 updated").arg(result.updated);
    if (result.present > 0)
        notes << tr("%1 already in the schedule").arg(result.present);
    if (result.rulesKept > 0)
        notes << tr("%1 with their rules kept").arg(result.rulesKept);
    if (result.simplified > 0)
        notes << tr("%1 simplified: a rule the schedule has no kind for").arg(result.simplified);
    if (result.unknownZones > 0)
        notes << tr("%1 in an unknown time zone read as local time").arg(result.unknownZones);
    if (result.alarmsMoved > 0)
        notes << tr("%1 at their reminder's time").arg(result.alarmsMoved);
    if (result.leftOut > 0)
        notes << tr("%1 left out: cannot be read or held").arg(result.leftOut);
    if (result.noStart > 0)
        notes << tr("%1 skipped: no start date").arg(result.noStart);
    if (result.noOccurrence > 0)
        notes << tr("%1 skipped: every date excluded").arg(result.noOccurrence);
    if (result.changedOccurrences > 0)
        notes << tr("%1 changed occurrences kept with their series").arg(result.changedOccurrences);
    if (result.subjectsCut > 0)
        notes << tr("%1 subjects cut to %2 characters")
                     .arg(result.subjectsCut)
                     .arg(fieldInfo(ScheduleField::Subject).size);
    if (result.notesCut > 0)
        notes << tr("%1 notes cut to %2 characters")
                     .arg(result.notesCut)
                     .arg(fieldInfo(ScheduleField::Note).size);
    return notes;
}

int importNow(const QString& schedulePath, const QString& file, const QTimeZone& local,
              const ExchangeCommand::Console& console)
{
    const QString nothing = tr("Nothing imported");
    if (file.isEmpty())
        return refuse(console, nothing, noName());
    const bool fromStream = file == ExchangeCommand::StandardStream;
    const QString shown = shownName(file, tr("standard input"));
    // A calendar that is not there leaves even a missing schedule file uncreated.
    if (!fromStream && !QFileInfo(file).isFile())
        return refuse(console, nothing, tr("%1 does not exist or is no file").arg(shown));
    QTemporaryFile spool;
    QString error;
    if (fromStream && !spooled(console.input, spool, &error))
        return refuse(console, nothing, tr("standard input could not be kept for reading: %1").arg(error));
    // A file of 0 bytes is what an interrupted first start leaves: it holds no entries.
    const QFileInfo schedule(schedulePath);
    if (!schedule.exists() || (schedule.isFile() && schedule.size() == 0)) {
        const StoreResult created = ScheduleDatabase::CreateDatabaseFile(schedulePath);
        if (!created)
            return refuse(console, nothing, created.error);
    }
    const auto database = ScheduleDatabase::open(schedulePath, &error);
    if (!database)
        return refuse(console, nothing, heldByAnotherProgram(schedulePath) ? heldText(schedulePath) : error);
    ProgressLine progress(tr("Importing %1").arg(shown), console.elapsed, console.err);
    IcsImport::Options options;
    options.progress = &progress;
    options.notice = console.err;
    const IcsImport::Result result = fromStream ? IcsImport::run(*database, spool, local, options)
                                                : IcsImport::run(*database, file, local, options);
    if (!result.ok && result.line > 0)
        return refuse(console, nothing,
                      tr("%1 line %2: %3").arg(shown, QString::number(result.line), result.error));
    if (!result.ok)
        return refuse(console, nothing,
                      heldByAnotherProgram(schedulePath) ? heldText(schedulePath) : result.error);
    // A file of events none of which could be taken in has failed, though its shape was sound.
    if (result.events > 0 && result.added + result.updated + result.present == 0) {
        console.err(
            sentence(nothing + QStringLiteral(": ") + noneTaken(result.events, shown), importNotes(result)));
        return ExchangeCommand::FailedExitCode;
    }
    console.out(sentence(tr("Imported %1 from %2").arg(entries(result.added), shown), importNotes(result)));
    return 0;
}

} // namespace

int ExchangeCommand::exportTo(const QString& schedulePath, const QString& file, const QDateTime& now,
                              const Console& console)
{
    try {
        return exportNow(schedulePath, file, now, console);
    } catch (const std::bad_alloc&) {
        return refuse(console, tr("Nothing exported"), outOfMemory());
    }
}

int ExchangeCommand::importFrom(const QString& schedulePath, const QString& file, const QTimeZone& local,
                                const Console& console)
{
    try {
        return importNow(schedulePath, file, local, console);
    } catch (const std::bad_alloc&) {
        return refuse(console, tr("Nothing imported"), outOfMemory());
    }
}

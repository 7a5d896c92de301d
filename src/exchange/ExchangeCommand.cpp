#include "exchange/ExchangeCommand.h"

#include "exchange/IcsExport.h"
#include "exchange/IcsImport.h"
#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

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

} // namespace

int ExchangeCommand::exportTo(const QString& schedulePath, const QString& file, const QDateTime& now,
                              const Console& console)
{
    const QString nothing = tr("Nothing exported");
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo::exists(schedulePath))
        return refuse(
            console, nothing,
            tr("the schedule file %1 does not exist yet").arg(QDir::toNativeSeparators(schedulePath)));
    QString error;
    const auto database = ScheduleDatabase::open(schedulePath, &error);
    if (!database)
        return refuse(console, nothing, error);
    ProgressLine progress(tr("Exporting to %1").arg(shown), console.elapsed, console.err);
    const IcsExport::Result result =
        IcsExport::write(database->table(), file, now, &progress, &database->identities());
    if (!result.ok)
        return refuse(console, nothing, result.error);
    QStringList notes;
    if (result.unreadable > 0)
        notes << tr("%1 skipped: date or time unreadable").arg(result.unreadable);
    if (result.unknownKind > 0)
        notes << tr("%1 skipped: recurrence kind unknown").arg(result.unknownKind);
    console.out(sentence(tr("Exported %1 to %2").arg(entries(result.written), shown), notes));
    return 0;
}

int ExchangeCommand::importFrom(const QString& schedulePath, const QString& file, const QTimeZone& local,
                                const Console& console)
{
    const QString nothing = tr("Nothing imported");
    const QString shown = QDir::toNativeSeparators(file);
    // A calendar that is not there leaves even a missing schedule file uncreated.
    if (!QFileInfo(file).isFile())
        return refuse(console, nothing, tr("%1 does not exist or is no file").arg(shown));
    // A file of 0 bytes is what an interrupted first start leaves: it holds no entries.
    const QFileInfo schedule(schedulePath);
    if (!schedule.exists() || (schedule.isFile() && schedule.size() == 0)) {
        const StoreResult created = ScheduleDatabase::CreateDatabaseFile(schedulePath);
        if (!created)
            return refuse(console, nothing, created.error);
    }
    QString error;
    const auto database = ScheduleDatabase::open(schedulePath, &error);
    if (!database)
        return refuse(console, nothing, error);
    ProgressLine progress(tr("Importing %1").arg(shown), console.elapsed, console.err);
    const IcsImport::Result result = IcsImport::run(*database, file, local, &progress);
    if (!result.ok)
        return refuse(console, nothing,
                      result.line > 0
                          ? tr("%1 line %2: %3").arg(shown, QString::number(result.line), result.error)
                          : result.error);
    QStringList notes;
    if (result.present > 0)
        notes << tr("%1 already in the schedule").arg(result.present);
    if (result.simplified > 0)
        notes << tr("%1 simplified: a rule the schedule has no kind for").arg(result.simplified);
    if (result.noStart > 0)
        notes << tr("%1 skipped: no start date").arg(result.noStart);
    if (result.changedOccurrences > 0)
        notes << tr("%1 skipped: changed occurrences of a recurring event").arg(result.changedOccurrences);
    if (result.subjectsCut > 0)
        notes << tr("%1 subjects cut to %2 characters")
                     .arg(result.subjectsCut)
                     .arg(fieldInfo(ScheduleField::Type).size);
    if (result.notesCut > 0)
        notes << tr("%1 notes cut to %2 characters")
                     .arg(result.notesCut)
                     .arg(fieldInfo(ScheduleField::Note).size);
    console.out(sentence(tr("Imported %1 from %2").arg(entries(result.added), shown), notes));
    return 0;
}

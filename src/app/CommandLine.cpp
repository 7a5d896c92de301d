#include "app/CommandLine.h"

#include "app/AccountCommand.h"
#include "app/SyncCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The command line is read before the application object exists, and without it the parser cannot name
// the program in its usage line.
QString usage(const QCommandLineParser& parser, const QStringList& arguments)
{
    QString text = parser.helpText();
    return text.replace(QLatin1String("<executable_name>"), arguments.isEmpty()
                                                                ? QStringLiteral("zentravio")
                                                                : QFileInfo(arguments.first()).fileName());
}

} // namespace

CommandLine CommandLine::read(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "A desktop calendar with alarms."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QCoreApplication::translate("CommandLine", "Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QCoreApplication::translate("CommandLine", "Show the version and end."));
    const QCommandLineOption minimized(
        QStringLiteral("minimized"),
        QCoreApplication::translate("CommandLine",
                                    "Start hidden in the notification area (minimised to the task bar where "
                                    "there is none). Another instance already running is left as it is."));
    const QCommandLineOption exportTo(
        QStringLiteral("export"),
        QCoreApplication::translate(
            "CommandLine", "Write every entry to the iCalendar file <file> and end; \"-\" writes to "
                           "standard output. An existing file is never replaced. Needs no display; a running "
                           "Zentravio is not disturbed."),
        QStringLiteral("file"));
    const QCommandLineOption importFrom(
        QStringLiteral("import"),
        QCoreApplication::translate("CommandLine",
                                    "Add the events of the iCalendar file <file> to the schedule and end; "
                                    "\"-\" reads standard input. Needs no display; a running Zentravio "
                                    "shows them at once."),
        QStringLiteral("file"));
    parser.addOptions({help, version, minimized, exportTo, importFrom});
    const AccountCommand::Options account = AccountCommand::addOptions(parser);
    const QCommandLineOption sync = SyncCommand::addOption(parser);

    CommandLine line;
    const bool parsed = parser.parse(arguments);
    if (parsed &&
        (SyncCommand::readOption(parser, sync, line) || AccountCommand::readOptions(parser, account, line))) {
        if (line.action == Action::Refuse)
            line.text += QLatin1Char('\n') + usage(parser, arguments);
        return line;
    }
    if (!parsed || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QCoreApplication::translate("CommandLine", "Unexpected argument '%1'.")
                                        .arg(parser.positionalArguments().value(0))
                                  : parser.errorText();
        line.action = Action::Refuse;
        line.text = error + QLatin1Char('\n') + usage(parser, arguments);
        return line;
    }
    const bool exporting = parser.isSet(exportTo);
    const bool importing = parser.isSet(importFrom);
    if ((exporting && importing) || parser.values(exportTo).size() > 1 ||
        parser.values(importFrom).size() > 1) {
        line.action = Action::Refuse;
        line.text =
            QCoreApplication::translate("CommandLine", "Give one --export or one --import at a time.") +
            QLatin1Char('\n') + usage(parser, arguments);
        return line;
    }
    if (parser.isSet(help)) {
        line.action = Action::PrintHelp;
        line.text = usage(parser, arguments);
    } else if (parser.isSet(version)) {
        line.action = Action::PrintVersion;
        line.text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                    QCoreApplication::applicationVersion() + QLatin1Char('\n');
    } else if (exporting) {
        line.action = Action::Export;
        line.file = parser.value(exportTo);
    } else if (importing) {
        line.action = Action::Import;
        line.file = parser.value(importFrom);
    }
    line.minimized = parser.isSet(minimized);
    return line;
}

#include "app/CommandLine.h"

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
                                    "Start hidden in the notification area (shown where there is none). "
                                    "Another instance already running is left as it is."));
    parser.addOptions({help, version, minimized});

    CommandLine line;
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QCoreApplication::translate("CommandLine", "Unexpected argument '%1'.")
                                        .arg(parser.positionalArguments().value(0))
                                  : parser.errorText();
        line.action = Action::Refuse;
        line.text = error + QLatin1Char('\n') + usage(parser, arguments);
        return line;
    }
    if (parser.isSet(help)) {
        line.action = Action::PrintHelp;
        line.text = usage(parser, arguments);
    } else if (parser.isSet(version)) {
        line.action = Action::PrintVersion;
        line.text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                    QCoreApplication::applicationVersion() + QLatin1Char('\n');
    }
    line.minimized = parser.isSet(minimized);
    return line;
}

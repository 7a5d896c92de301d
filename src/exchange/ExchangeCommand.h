#pragma once

#include "exchange/ProgressLine.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <functional>

class QIODevice;

// The command-line export and import: they run without any window, print what they did in one line on
// standard output (faults, and one line for every event an import left out or changed, on standard
// error) and give the exit code: 1 when nothing was done, an import of a file none of whose events could
// be taken in included. An export only reads the schedule file; an import creates it when it
// is missing, as a first start does, and a running Zentravio sees the new entries at its next look at
// the file. The file "-" is standard output for an export and standard input for an import.
class ExchangeCommand
{
public:
    struct Console
    {
        std::function<void(const QString&)> out;
        std::function<void(const QString&)> err;
        ProgressLine::Elapsed elapsed; // for the progress line of a long run
        QIODevice* input = nullptr;    // standard input; the process's own when null
        QIODevice* output = nullptr;   // standard output for the calendar; the process's own when null
    };

    static constexpr int FailedExitCode = 1;
    static inline const QString StandardStream = QStringLiteral("-");

    static int exportTo(const QString& schedulePath, const QString& file, const QDateTime& now,
                        const Console& console);
    static int importFrom(const QString& schedulePath, const QString& file, const QTimeZone& local,
                          const Console& console);
};

#pragma once

#include <QString>

#include <cstdio>
#include <functional>

// A line printer for the commands that run without a window: each line goes out at once, so that a
// script reading the output sees it as it comes.
inline std::function<void(const QString&)> consoleLines(std::FILE* stream)
{
    return [stream](const QString& text) {
        std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
        std::fflush(stream);
    };
}

#pragma once

#include <QString>

#include <functional>

// The line on standard error that tells how far a long export or import has come. A run that ends
// within a second prints nothing; a longer one says where it stands about once a second.
class ProgressLine
{
public:
    using Elapsed = std::function<qint64()>; // milliseconds since the run began
    using Print = std::function<void(const QString&)>;

    static constexpr qint64 IntervalMs = 1000;

    ProgressLine(QString doing, Elapsed elapsed, Print print);

    // Reports that `done` of `total` (entries, or bytes of a file) are through; prints the share done
    // when a second has passed since the start or the last line.
    void step(qint64 done, qint64 total);

private:
    QString m_doing;
    Elapsed m_elapsed;
    Print m_print;
    qint64 m_nextAt = IntervalMs;
    quint32 m_calls = 0;
};

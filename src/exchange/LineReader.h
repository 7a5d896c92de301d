#pragma once

#include <QByteArray>

class QIODevice;

// Reads the content lines of an iCalendar file one at a time, without holding the file: folded lines
// are joined, line ends (CRLF, LF alone or a last line without one) are taken off and blank lines are
// passed over. Each line knows the file's line it begins on. A line longer than MaxLine keeps only its
// first MaxLine bytes and is marked, so that a line of any length costs time in proportion to it and no
// more memory than the cap.
class LineReader
{
public:
    static constexpr qsizetype MaxLine = 1 << 20;

    struct Line
    {
        QByteArray text;
        qint64 number = 0;
        bool tooLong = false;
    };

    explicit LineReader(QIODevice& device);

    // The next line; false at the end of the file, or at a zero byte (zeroByteLine() then says where).
    bool next(Line& line);

    qint64 zeroByteLine() const { return m_zeroLine; }
    qint64 linesRead() const { return m_physical; }
    qint64 bytesRead() const { return m_consumed; }

private:
    struct Physical
    {
        QByteArray text;
        qint64 number = 0;
        bool tooLong = false;
    };

    bool readPhysical(Physical& line);
    bool refill();
    void fetch();

    QIODevice& m_device;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
    qint64 m_consumed = 0;
    qint64 m_physical = 0;
    qint64 m_zeroLine = 0;
    bool m_started = false;
    bool m_haveLook = false;
    Physical m_look;
};

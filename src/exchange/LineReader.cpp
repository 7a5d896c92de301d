#include "exchange/LineReader.h"

#include <QIODevice>

#include <cstring>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

// A physical line keeps one byte more than a line may hold, for the carriage return taken off at its end.
void appendCapped(QByteArray& to, const char* data, qsizetype size, bool& tooLong,
                  qsizetype cap = LineReader::MaxLine)
{
    const qsizetype room = cap - to.size();
    if (size > room) {
        tooLong = true;
        size = std::max<qsizetype>(room, 0);
    }
    to.append(data, size);
}

} // namespace

LineReader::LineReader(QIODevice& device) : m_device(device) {}

bool LineReader::refill()
{
    if (m_zeroLine > 0)
        return false;
    m_chunk.resize(ChunkSize);
    const qint64 got = m_device.read(m_chunk.data(), ChunkSize);
    m_chunk.resize(got > 0 ? qsizetype(got) : 0);
    m_pos = 0;
    return got > 0;
}

bool LineReader::readPhysical(Physical& line)
{
    line.text.clear();
    line.tooLong = false;
    bool begun = false;
    while (true) {
        if (m_pos >= m_chunk.size() && !refill())
            break;
        if (!begun) {
            begun = true;
            line.number = ++m_physical;
            // A byte-order mark is no part of the first line.
            if (line.number == 1 && m_chunk.startsWith("\xEF\xBB\xBF"))
                m_pos += 3;
        }
        const char* from = m_chunk.constData() + m_pos;
        const qsizetype left = m_chunk.size() - m_pos;
        const auto* newline = static_cast<const char*>(std::memchr(from, '\n', size_t(left)));
        const qsizetype length = newline ? qsizetype(newline - from) : left;
        if (std::memchr(from, '\0', size_t(length))) {
            m_zeroLine = line.number;
            return false;
        }
        appendCapped(line.text, from, length, line.tooLong, MaxLine + 1);
        m_pos += newline ? length + 1 : length;
        m_consumed += newline ? length + 1 : length;
        if (newline)
            break;
    }
    if (!begun)
        return false;
    if (line.text.endsWith('\r') && !line.tooLong)
        line.text.chop(1);
    if (line.text.size() > MaxLine) {
        line.tooLong = true;
        line.text.truncate(MaxLine);
    }
    return true;
}

void LineReader::fetch()
{
    m_haveLook = readPhysical(m_look);
}

bool LineReader::next(Line& line)
{
    if (!m_started) {
        m_started = true;
        fetch();
    }
    while (m_haveLook) {
        Physical current = std::move(m_look);
        fetch();
        if (current.text.isEmpty())
            continue;
        line.text = std::move(current.text);
        line.number = current.number;
        line.tooLong = current.tooLong;
        // A line that begins with a space or a tab goes on with the one before it.
        while (m_haveLook && !m_look.text.isEmpty() && (m_look.text[0] == ' ' || m_look.text[0] == '\t')) {
            line.tooLong = line.tooLong || m_look.tooLong;
            appendCapped(line.text, m_look.text.constData() + 1, m_look.text.size() - 1, line.tooLong);
            fetch();
        }
        return true;
    }
    return false;
}

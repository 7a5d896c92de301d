#pragma once

#include <QtGlobal>

#include <cstddef>
#include <limits>
#include <vector>

// The file's row ids of the schedule in memory, ascending. The ids of a schedule lie within a few
// million of each other, so each is kept as four bytes above the first one; only a file whose ids lie
// more than four thousand million apart (an id given by hand) makes every id take eight bytes.
class RowIds
{
public:
    size_t size() const { return m_wide ? m_wideIds.size() : m_narrowIds.size(); }
    qint64 operator[](size_t i) const { return m_wide ? m_wideIds[i] : m_first + qint64(m_narrowIds[i]); }

    // The first position whose id is rowId or greater (lower) or greater (upper).
    size_t lowerBound(qint64 rowId) const;
    size_t upperBound(qint64 rowId) const;

    // Ids come in ascending order.
    void append(qint64 rowId);
    void remove(size_t i);
    void clear();
    void reserve(size_t count);
    void shrinkToFit();
    size_t memoryBytes() const;

private:
    // How far an id lies above the first, for an id that is not below it.
    quint64 offsetOf(qint64 rowId) const { return quint64(rowId) - quint64(m_first); }
    bool fitsNarrow(qint64 rowId) const
    {
        return rowId >= m_first && offsetOf(rowId) <= std::numeric_limits<quint32>::max();
    }
    void widen();

    bool m_wide = false;
    qint64 m_first = 0; // the id the narrow offsets count from
    std::vector<quint32> m_narrowIds;
    std::vector<qint64> m_wideIds;
};

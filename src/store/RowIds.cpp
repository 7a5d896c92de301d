#include "store/RowIds.h"

#include "store/GrowthRoom.h"

#include <algorithm>

size_t RowIds::lowerBound(qint64 rowId) const
{
    if (m_wide)
        return size_t(std::lower_bound(m_wideIds.begin(), m_wideIds.end(), rowId) - m_wideIds.begin());
    if (m_narrowIds.empty() || rowId <= m_first)
        return 0;
    if (!fitsNarrow(rowId))
        return m_narrowIds.size();
    return size_t(std::lower_bound(m_narrowIds.begin(), m_narrowIds.end(), quint32(offsetOf(rowId))) -
                  m_narrowIds.begin());
}

size_t RowIds::upperBound(qint64 rowId) const
{
    if (m_wide)
        return size_t(std::upper_bound(m_wideIds.begin(), m_wideIds.end(), rowId) - m_wideIds.begin());
    if (m_narrowIds.empty() || rowId < m_first)
        return 0;
    if (!fitsNarrow(rowId))
        return m_narrowIds.size();
    return size_t(std::upper_bound(m_narrowIds.begin(), m_narrowIds.end(), quint32(offsetOf(rowId))) -
                  m_narrowIds.begin());
}

void RowIds::append(qint64 rowId)
{
    if (!m_wide && m_narrowIds.empty())
        m_first = rowId;
    if (!m_wide) {
        if (fitsNarrow(rowId)) {
            m_narrowIds.push_back(quint32(offsetOf(rowId)));
            return;
        }
        widen();
    }
    m_wideIds.push_back(rowId);
}

void RowIds::widen()
{
    m_wideIds.reserve(std::max(m_narrowIds.capacity(), m_narrowIds.size() + 1));
    for (quint32 offset : m_narrowIds)
        m_wideIds.push_back(m_first + qint64(offset));
    m_narrowIds = std::vector<quint32>();
    m_wide = true;
}

void RowIds::remove(size_t i)
{
    if (m_wide)
        m_wideIds.erase(m_wideIds.begin() + qsizetype(i));
    else
        m_narrowIds.erase(m_narrowIds.begin() + qsizetype(i));
}

void RowIds::clear()
{
    m_narrowIds.clear();
    m_wideIds.clear();
    m_wide = false;
}

void RowIds::reserve(size_t count)
{
    if (m_wide)
        m_wideIds.reserve(count);
    else
        m_narrowIds.reserve(count);
}

void RowIds::shrinkToFit()
{
    GrowthRoom::trim(m_narrowIds);
    GrowthRoom::trim(m_wideIds);
}

size_t RowIds::memoryBytes() const
{
    return m_narrowIds.capacity() * sizeof(quint32) + m_wideIds.capacity() * sizeof(qint64);
}

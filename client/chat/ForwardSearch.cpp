#include "ForwardSearch.h"

ForwardSearch::ForwardSearch(QStringView haystack, QString needle)
    : m_haystack(haystack)
    , m_needle(std::move(needle))
{
}

qsizetype ForwardSearch::from(qsizetype pos)
{
    // Nothing lies between where the last search started and what it found.
    const bool stillHolds = m_searchedFrom >= 0 && pos >= m_searchedFrom && (m_found < 0 || m_found >= pos);
    if (!stillHolds) {
        m_searchedFrom = pos;
        m_found = m_haystack.indexOf(m_needle, pos);
    }
    return m_found;
}

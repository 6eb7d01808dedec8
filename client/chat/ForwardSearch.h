#pragma once

#include <QString>

// Looks for one text in another from positions that mostly move forward. The last
// answer is kept while it still holds, so a pass that asks again and again from
// growing positions scans the haystack about once, however often it asks.
class ForwardSearch
{
public:
    // The haystack must outlive the search.
    ForwardSearch(QStringView haystack, QString needle);

    // The first occurrence at or after pos, or -1.
    qsizetype from(qsizetype pos);
    qsizetype needleLength() const { return m_needle.size(); }

private:
    QStringView m_haystack;
    QString m_needle;
    qsizetype m_searchedFrom = -1;
    qsizetype m_found = -1;
};

#pragma once

#include "HttpLimits.h"

#include <QByteArrayView>

// Finds where a request head ends while its bytes trickle in, holding it to the
// limits as it goes: each call looks only at the bytes it has not seen, so a head
// sent one byte at a time costs no more than one sent whole.
class HeadScanner
{
public:
    enum class State { Incomplete, Complete, Refused };

    // `buffer` starts with the request and holds everything received of it so far.
    State scan(QByteArrayView buffer, const HttpLimits &limits);
    qsizetype headLength() const { return m_headLength; } // once Complete
    int refusal() const { return m_refusal; }              // the status, once Refused
    void reset() { *this = HeadScanner(); }

private:
    State refuse(int status);

    qsizetype m_scanned = 0;
    qsizetype m_lineStart = 0;
    int m_lines = 0; // complete lines so far, the request line included
    qsizetype m_headLength = 0;
    int m_refusal = 0;
};

#include "SzddWriter.h"

#include <QtEndian>
#include <array>

namespace {
constexpr int windowSize = 4096;
constexpr int windowMask = windowSize - 1;
constexpr int minimumMatch = 3;
constexpr int maximumMatch = 18;

struct Match
{
    int offset = 0;
    int length = 0;
};

// The longest run the expander would produce from window offset `from` at
// data[at]: bytes it writes during the copy can be read back by the same copy.
int matchLength(const std::array<char, windowSize> &window, int writePos, const QByteArray &data, qsizetype at,
                int from)
{
    int k = 0;
    while (k < maximumMatch && at + k < data.size()) {
        const int distance = (from + k - writePos) & windowMask;
        const char c = distance < k ? data.at(at + distance) : window[(from + k) & windowMask];
        if (c != data.at(at + k))
            break;
        ++k;
    }
    return k;
}

Match bestMatch(const std::array<char, windowSize> &window, int writePos, const QByteArray &data, qsizetype at)
{
    Match best;
    for (int from = 0; from < windowSize && best.length < maximumMatch; ++from) {
        const int length = matchLength(window, writePos, data, at, from);
        if (length > best.length)
            best = {from, length};
    }
    return best;
}
} // namespace

QByteArray SzddWriter::compress(const QByteArray &data)
{
    QByteArray out("SZDD\x88\xF0\x27\x33", 8);
    out += 'A';
    out += '\0'; // the character the file name lost: none
    char length[4];
    qToLittleEndian(quint32(data.size()), length);
    out.append(length, 4);

    std::array<char, windowSize> window;
    window.fill(' ');
    int writePos = windowSize - 16;
    qsizetype at = 0;
    while (at < data.size()) {
        const qsizetype controlAt = out.size();
        out += '\0';
        quint8 control = 0;
        for (int bit = 0; bit < 8 && at < data.size(); ++bit) {
            const Match match = bestMatch(window, writePos, data, at);
            const int taken = match.length >= minimumMatch ? match.length : 1;
            if (taken == 1) {
                control |= quint8(1 << bit);
                out += data.at(at);
            } else {
                out += char(match.offset & 0xFF);
                out += char(((match.offset >> 4) & 0xF0) | (match.length - minimumMatch));
            }
            for (int k = 0; k < taken; ++k) {
                window[writePos] = data.at(at + k);
                writePos = (writePos + 1) & windowMask;
            }
            at += taken;
        }
        out[controlAt] = char(control);
    }
    return out;
}

#include "Windows1252.h"

namespace {
// Code points of bytes 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined,
// which decode to the C1 control of the same value.
constexpr char16_t highControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int byteFor(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (highControls[i] == u && u != 0)
            return 0x80 + i;
    }
    if (u >= 0x80 && u < 0xA0 && highControls[u - 0x80] == 0)
        return u;
    return -1;
}
} // namespace

bool Windows1252::canEncode(QChar c)
{
    return byteFor(c.unicode()) >= 0;
}

char Windows1252::encodeChar(QChar c)
{
    const int b = byteFor(c.unicode());
    return b < 0 ? '?' : static_cast<char>(b);
}

QByteArray Windows1252::encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character outside the basic plane is one character to the user, so one "?".
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out.append(encodeChar(text.at(i)));
    }
    return out;
}

QString Windows1252::decode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const char16_t mapped = (b >= 0x80 && b < 0xA0) ? highControls[b - 0x80] : 0;
        out.append(QChar(mapped ? mapped : char16_t(b)));
    }
    return out;
}

#include "CharacterReferences.h"

#include "Windows1252.h"

using namespace Qt::StringLiterals;

namespace {
constexpr qsizetype MaxDigits = 7; // 1114111, the last code point
const QString Escape = u"amp;"_s;

bool standsForCharacter(char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    return c > 0xFFFF || !Windows1252::canEncode(QChar(char16_t(c)));
}

QString reference(char32_t c)
{
    return u"&#"_s + QString::number(c) + u';';
}
} // namespace

CharacterReferences::Reference CharacterReferences::referenceAt(const QString &text, qsizetype from)
{
    Reference found;
    qsizetype i = from;
    while (QStringView(text).sliced(i).startsWith(Escape)) {
        i += Escape.size();
        ++found.escapes;
    }
    if (i >= text.size() || text.at(i) != u'#')
        return found;
    char32_t value = 0;
    qsizetype digits = 0;
    for (++i; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9' && digits < MaxDigits; ++i, ++digits)
        value = value * 10 + (text.at(i).unicode() - u'0');
    if (digits == 0 || i >= text.size() || text.at(i) != u';' || !standsForCharacter(value))
        return found;
    found.codePoint = value;
    found.end = i + 1;
    return found;
}

QString CharacterReferences::encode(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += reference(QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else if (c.isSurrogate()) {
            out += reference(QChar::ReplacementCharacter); // half a character, as a browser sends it
        } else if (!Windows1252::canEncode(c)) {
            out += reference(c.unicode());
        } else {
            out += c;
            if (c == u'&' && referenceAt(text, i + 1).codePoint)
                out += Escape;
        }
    }
    return out;
}

QString CharacterReferences::decode(const QString &text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype amp = text.indexOf(u'&', i);
        if (amp < 0)
            break;
        out += QStringView(text).sliced(i, amp - i);
        const Reference found = referenceAt(text, amp + 1);
        if (!found.codePoint) {
            out += u'&';
            i = amp + 1;
            continue;
        }
        if (found.escapes == 0)
            out += QString::fromUcs4(&found.codePoint, 1);
        else // one escape less: the reference as it was typed
            out += QStringView(text).sliced(amp, found.end - amp).toString().remove(1, Escape.size());
        i = found.end;
    }
    out += QStringView(text).sliced(std::min(i, text.size()));
    return out;
}

#include "DocumentText.h"

namespace DocumentText {

namespace {

bool isDocumentMarker(QChar c)
{
    return c == QChar::ObjectReplacementCharacter || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
}

bool endsRun(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == QChar::LineSeparator
        || c == QChar::ParagraphSeparator || c.unicode() == BreakOpportunity;
}

} // namespace

QString forInsertion(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / LongestUnbrokenRun);
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            continue; // the LF that follows makes the paragraph
        if (isDocumentMarker(c))
            c = QChar::ReplacementCharacter;
        if (endsRun(c)) {
            run = 0;
        } else if (++run > LongestUnbrokenRun && !c.isLowSurrogate()) {
            out += QChar(BreakOpportunity);
            run = 1;
        }
        out += c;
    }
    return out;
}

QString toPlain(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(QChar::Nbsp, u' ');
    text.remove(QChar(BreakOpportunity));
    return text;
}

} // namespace DocumentText

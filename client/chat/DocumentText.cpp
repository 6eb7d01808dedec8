#include "DocumentText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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

void insert(QTextCursor &cursor, const QString &text, QTextCharFormat format)
{
    format.clearProperty(BreakOpportunityProperty);
    QTextCharFormat breakFormat = format;
    breakFormat.setProperty(BreakOpportunityProperty, true);
    // One edit: a visible view lays the text out once, not after every piece.
    cursor.beginEditBlock();
    QString piece;
    piece.reserve(text.size());
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
            cursor.insertText(piece, format);
            cursor.insertText(QString(QChar(BreakOpportunity)), breakFormat);
            piece.clear();
            run = 1;
        }
        piece += c;
    }
    cursor.insertText(piece, format);
    cursor.endEditBlock();
}

bool isBreakOpportunity(const QTextFragment &fragment)
{
    return fragment.charFormat().hasProperty(BreakOpportunityProperty);
}

QString plain(const QTextDocument &document, int from, int to)
{
    QString text;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(fragment.position(), from);
            const int end = std::min(fragment.position() + fragment.length(), to);
            if (start < end && !isBreakOpportunity(fragment))
                text += QStringView(fragment.text()).sliced(start - fragment.position(), end - start);
        }
        const int paragraphEnd = block.position() + block.length() - 1;
        if (paragraphEnd >= from && paragraphEnd < to)
            text += u"\r\n";
    }
    return text;
}

} // namespace DocumentText

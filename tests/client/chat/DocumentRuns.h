#pragma once

#include <QTextBlock>
#include <QTextDocument>

// A document written out as text with every paragraph's alignment and every run's
// font, size, bold and italic, so that a test compares look and text in one go:
//   [C] {Arial 12 B|NESSUN MESSAGGIO}
//   [L] {Arial 10|Nick /> }{Arial 12 B|anna}
// Alignment L, C or R; a run without a family or size of its own shows "-".
inline QString describeRuns(const QTextDocument &document)
{
    using namespace Qt::StringLiterals;
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment alignment = block.blockFormat().alignment();
        QString line = (alignment & Qt::AlignHCenter) ? u"[C]"_s
                     : (alignment & Qt::AlignRight) ? u"[R]"_s
                                                    : u"[L]"_s;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QStringList families = format.fontFamilies().toStringList();
            line += (it == block.begin() ? u" {"_s : u"{"_s) + (families.isEmpty() ? u"-"_s : families.first()) + u' '
                  + (format.hasProperty(QTextFormat::FontPointSize) ? QString::number(format.fontPointSize()) : u"-"_s)
                  + (format.fontWeight() >= QFont::DemiBold ? u" B"_s : QString())
                  + (format.fontItalic() ? u" I"_s : QString()) + u'|' + it.fragment().text() + u'}';
        }
        lines.append(line);
    }
    return lines.join(u'\n');
}

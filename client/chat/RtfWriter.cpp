#include "RtfWriter.h"

#include "DocumentText.h"
#include "Windows1252.h"

#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

class FontTable
{
public:
    explicit FontTable(const QString &defaultFamily) { indexOf(defaultFamily); }

    int indexOf(const QString &family)
    {
        const qsizetype i = m_families.indexOf(family);
        if (i >= 0)
            return int(i);
        m_families.append(family);
        return int(m_families.size() - 1);
    }

    QString rtf() const
    {
        QString out = u"{\\fonttbl"_s;
        for (qsizetype i = 0; i < m_families.size(); ++i)
            out += u"{\\f%1\\fnil\\fcharset0 %2;}"_s.arg(i).arg(escapedName(m_families.at(i)));
        return out + u'}';
    }

private:
    static QString escapedName(QString name)
    {
        // A ";" would end the entry early; braces and backslashes would end the table.
        name.remove(u';').remove(u'{').remove(u'}').remove(u'\\');
        return name;
    }

    QStringList m_families;
};

void appendEscaped(QString &out, QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += u'\\';
            out += c;
        } else if (u == u'\t') {
            out += u"\\tab "_s;
        } else if (u == QChar::LineSeparator) {
            out += u"\\line "_s;
        } else if (u == QChar::Nbsp) {
            out += u"\\~"_s;
        } else if (u >= 0x20 && u < 0x80) {
            out += c;
        } else if (u >= 0x80 && Windows1252::canEncode(c)) {
            out += u"\\'%1"_s.arg(uint(uchar(Windows1252::encodeChar(c))), 2, 16, QChar(u'0'));
        } else {
            // Signed 16-bit as RTF wants it, with "?" for readers without Unicode.
            out += u"\\u%1?"_s.arg(int(qint16(u)));
        }
    }
}

class DocumentWriter
{
public:
    explicit DocumentWriter(const QTextDocument &document)
        : m_default(document.defaultFont())
        , m_fonts(m_default.family())
    {
    }

    QString write(const QTextDocument &document)
    {
        QString body;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            body += u"\\pard"_s + alignment(block.blockFormat().alignment());
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (DocumentText::isBreakOpportunity(fragment))
                    continue; // ours, not the text's
                body += u'{' + properties(fragment.charFormat()) + u' ';
                appendEscaped(body, fragment.text());
                body += u'}';
            }
            if (block.next().isValid())
                body += properties(block.charFormat()) + u"\\par\r\n"_s;
        }
        return u"{\\rtf1\\ansi\\ansicpg1252\\deff0"_s + m_fonts.rtf() + u"\r\n\\viewkind4\\uc1"_s + body
             + u"}\r\n"_s;
    }

private:
    static QString alignment(Qt::Alignment flags)
    {
        if (flags & Qt::AlignHCenter)
            return u"\\qc "_s;
        if (flags & Qt::AlignRight)
            return u"\\qr "_s;
        if (flags & Qt::AlignJustify)
            return u"\\qj "_s;
        return u"\\ql "_s;
    }

    QString properties(const QTextCharFormat &format)
    {
        const QStringList families = format.fontFamilies().toStringList();
        const QString family = families.isEmpty() ? m_default.family() : families.first();
        double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                                                       : m_default.pointSizeF();
        if (!(points > 0))
            points = 12; // a font sized in pixels has no point size

        const bool bold = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() >= QFont::DemiBold
                                                                      : m_default.bold();
        const bool italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic() : m_default.italic();
        return u"\\f%1\\fs%2\\b%3\\i%4"_s.arg(m_fonts.indexOf(family))
            .arg(qRound(points * 2))
            .arg(bold ? u""_s : u"0"_s)
            .arg(italic ? u""_s : u"0"_s);
    }

    QFont m_default;
    FontTable m_fonts;
};

} // namespace

QString RtfWriter::write(const QTextDocument &document)
{
    return DocumentWriter(document).write(document);
}

#include "DocumentRuns.h"

#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

QString alignment(Qt::Alignment flags)
{
    if (flags & Qt::AlignHCenter)
        return u"C"_s;
    if (flags & Qt::AlignRight)
        return u"R"_s;
    return u"L"_s;
}

QString run(const QTextFragment &fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    const QStringList families = format.fontFamilies().toStringList();
    QString out = u"{"_s + (families.isEmpty() ? u"-"_s : families.first()) + u' '
                + (format.hasProperty(QTextFormat::FontPointSize) ? QString::number(format.fontPointSize()) : u"-"_s);
    if (format.fontWeight() >= QFont::DemiBold)
        out += u" B"_s;
    if (format.fontItalic())
        out += u" I"_s;
    return out + u'|' + fragment.text() + u'}';
}

} // namespace

QString describeRuns(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line = u"["_s + alignment(block.blockFormat().alignment()) + u']';
        if (!block.begin().atEnd())
            line += u' ';
        for (auto it = block.begin(); !it.atEnd(); ++it)
            line += run(it.fragment());
        lines.append(line);
    }
    return lines.join(u'\n');
}

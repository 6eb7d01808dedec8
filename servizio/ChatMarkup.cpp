#include "ChatMarkup.h"

#include "CharacterReferences.h"

#include <QRegularExpression>

const QString ChatMarkup::smile = QStringLiteral("<img src=smile.gif width=32 height=32>");
const QString ChatMarkup::frown = QStringLiteral("<img src=smile2.gif width=32 height=32>");

namespace {
// The client trims blanks around a field before it removes "<b>" and "</b>";
// an empty bold pair therefore keeps a text's own leading and trailing blanks.
const QString blankGuard = QStringLiteral("<b></b>");
} // namespace

QString ChatMarkup::encodeField(const QString &text)
{
    // The page is Windows-1252: characters beyond it travel as references, which
    // the client resolves after the steps below. "<" goes next: afterwards the only
    // "<" in the value are the tags added below, so no text can open or close a
    // marker or spell a tag.
    QString value = CharacterReferences::encode(text);
    value.replace(u'<', QStringLiteral("&lt;"));
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    value.replace(lineBreak, QStringLiteral("<BR>"));
    value.replace(QStringLiteral(":)"), smile);
    value.replace(QStringLiteral(":("), frown);
    if (value.startsWith(u' '))
        value.prepend(blankGuard);
    if (value.endsWith(u' '))
        value.append(blankGuard);
    return value;
}

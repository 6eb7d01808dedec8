#include "DesktopShortcut.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {
// The escapes of a desktop entry's string values.
QString escapedValue(const QString &text)
{
    QString value = text;
    value.replace(u'\\', u"\\\\"_s).replace(u'\n', u"\\n"_s).replace(u'\t', u"\\t"_s).replace(u'\r', u"\\r"_s);
    if (value.startsWith(u' '))
        value.replace(0, 1, u"\\s"_s);
    return value;
}

// The program as one quoted argument of the Exec key: inside the quotes '"',
// '`', '$' and '\' take a backslash, and a literal '%' is doubled.
QString execArgument(const QString &program)
{
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'%', u"%%"_s);
    return u'"' + quoted + u'"';
}

// "program.exe, 0" names the first icon of a file; a desktop entry names just the file.
QString iconFile(const QString &location)
{
    static const QRegularExpression index(u"\\s*,\\s*-?\\d+\\s*$"_s);
    return QString(location).remove(index).trimmed();
}
} // namespace

DesktopShortcut::DesktopShortcut(const QString &fullName)
    : FullName(fullName)
{
}

QString DesktopShortcut::desktopEntry() const
{
    QString entry = u"[Desktop Entry]\nType=Application\n"_s;
    entry += u"Name="_s + escapedValue(QFileInfo(FullName).completeBaseName()) + u'\n';
    entry += u"Exec="_s + escapedValue(execArgument(TargetPath)) + u'\n';
    if (!WorkingDirectory.isEmpty())
        entry += u"Path="_s + escapedValue(WorkingDirectory) + u'\n';
    const QString icon = iconFile(IconLocation);
    if (!icon.isEmpty())
        entry += u"Icon="_s + escapedValue(icon) + u'\n';
    return entry;
}

bool DesktopShortcut::Save() const
{
    if (TargetPath.isEmpty())
        return false;
    QSaveFile file(FullName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = desktopEntry().toUtf8();
    // File managers start only launchers that are marked executable.
    return file.write(content) == content.size()
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                               | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                               | QFileDevice::ExeOther)
        && file.commit();
}

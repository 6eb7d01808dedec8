#include "ShellOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

using namespace Qt::StringLiterals;

namespace {
// A scheme of one letter would be a drive, not an address.
bool isAddress(const QString &target)
{
    const QUrl url(target);
    return url.isValid() && url.scheme().size() > 1 && !target.startsWith(u'/');
}

// The desktop's default program for the file's type; nullopt when it cannot be asked.
std::optional<QString> defaultProgramFor(const QFileInfo &file)
{
    const QString xdgMime = QStandardPaths::findExecutable(u"xdg-mime"_s);
    if (xdgMime.isEmpty())
        return std::nullopt;
    const QString mimeType = QMimeDatabase().mimeTypeForFile(file).name();
    QProcess query;
    query.start(xdgMime, {u"query"_s, u"default"_s, mimeType});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

int openFile(const QString &target, const QString &workingFolder)
{
    const QFileInfo file(QDir::current(), target);
    if (!file.exists())
        return file.dir().exists() ? ShellOpener::FileNotFound : ShellOpener::PathNotFound;
    if (!file.isReadable())
        return ShellOpener::AccessDenied;
    if (file.isFile() && file.isExecutable())
        return QProcess::startDetached(file.absoluteFilePath(), {}, workingFolder) ? ShellOpener::Accepted
                                                                                   : ShellOpener::AccessDenied;
    if (file.isFile()) {
        const std::optional<QString> program = defaultProgramFor(file);
        if (program && program->isEmpty())
            return ShellOpener::NoAssociation;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath())) ? ShellOpener::Accepted
                                                                                  : ShellOpener::NoAssociation;
}

int openWithDesktop(const ShellOpener::Request &request)
{
    if (request.target.isEmpty())
        return ShellOpener::FileNotFound;
    if (!isAddress(request.target))
        return openFile(request.target, request.workingFolder);
    const QUrl url(request.target);
    // A file address gets the same checks as a path.
    if (url.isLocalFile())
        return openFile(url.toLocalFile(), request.workingFolder);
    return QDesktopServices::openUrl(url) ? ShellOpener::Accepted : ShellOpener::NoAssociation;
}

ShellOpener::Handler &currentHandler()
{
    static ShellOpener::Handler handler;
    return handler;
}
} // namespace

int ShellOpener::open(QWidget *owner, const QString &target, const QString &workingFolder)
{
    const Request request{owner, target, workingFolder};
    const Handler &handler = currentHandler();
    return handler ? handler(request) : openWithDesktop(request);
}

ShellOpener::Handler ShellOpener::setHandler(Handler handler)
{
    return std::exchange(currentHandler(), std::move(handler));
}

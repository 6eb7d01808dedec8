#include "CommandLine.h"

#include "BuildConfig.h"
#include "ItalianQt.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstring>

namespace {
bool asks(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}
} // namespace

std::optional<int> CommandLine::answer(int argc, char **argv, const QString &program, const QString &description)
{
    if (!asks(argc, argv))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    ItalianQt::install(app);
    QCoreApplication::setApplicationName(program);
    QCoreApplication::setApplicationVersion(version());
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.parse(QCoreApplication::arguments()); // Qt's own options are no error here
    if (parser.isSet(version))
        parser.showVersion();
    parser.showHelp(0);
}

QString CommandLine::version()
{
    return QStringLiteral("%1.%2.%3")
        .arg(BuildConfig::versionMajor)
        .arg(BuildConfig::versionMinor)
        .arg(BuildConfig::versionRevision);
}

#pragma once

#include <QString>
#include <optional>

// --help and --version: printed on standard output, and the program ends before it
// opens a window, touches the bus or starts a service.
class CommandLine
{
public:
    // The exit code when the arguments ask for help or the version; nothing when
    // the program should go on (other arguments are the program's own business).
    static std::optional<int> answer(int argc, char **argv, const QString &program, const QString &description);
    // "major.minor.revision" of the build.
    static QString version();
};

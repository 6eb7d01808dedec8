#pragma once

#include <QString>
#include <functional>

// Starts a program in a window of its own without waiting for it. Tests put a
// handler in its place to see what would be started.
class ProgramStarter
{
public:
    using Handler = std::function<bool(const QString &program)>;

    // False when the program could not be started.
    static bool start(const QString &program);

    // Replaces the handler; an empty handler restores the real start. Returns the old one.
    static Handler setHandler(Handler handler);
};
